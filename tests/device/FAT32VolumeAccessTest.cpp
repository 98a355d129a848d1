#include "device/FAT32VolumeAccess.h"
#include "tests/device/Fat32TestImage.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<uint8_t> Text(const std::string& text) { return {text.begin(), text.end()}; }

TEST(FAT32VolumeAccess, MapsClustersPastTheReservedAreaAndBothTables) {
    Fat32TestImage image("fat-geometry", {32, 2, 1000, 8, 2, 127'998});
    image.Write(2032 * 512, Text("cluster two"));
    image.Write(2032 * 512 + 8 * 512, Text("cluster three"));
    image.Register(u'F');
    testing::internal::CaptureStderr();
    CFAT32VolumeAccess device(u'F');
    testing::internal::GetCapturedStderr();

    EXPECT_EQ(device.UnitToSector(2), 2000u);
    EXPECT_EQ(device.GetUnitCount(), 127'998u);
    EXPECT_EQ(device.GetUnitSize(), 4096u);
    EXPECT_EQ(device.GetSectorSize(), 512u);
    EXPECT_EQ(device.GetRootCluster(), 2u);
    EXPECT_TRUE(device.IsUnitInUse(1)) << "the reserved entry 1 is nonzero";
    EXPECT_FALSE(device.IsUnitInUse(7));
    EXPECT_TRUE(device.IsUnitInUse(200'000)) << "a cluster beyond the table is never free";

    std::vector<uint8_t> buffer(2 * 4096);
    ASSERT_TRUE(device.ReadUnits(2, 3, buffer));
    EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + 11), "cluster two");
    EXPECT_EQ(std::string(buffer.begin() + 4096, buffer.begin() + 4096 + 13), "cluster three");
    ASSERT_TRUE(device.ReadSectors(2000, 2000, buffer)) << "device sector 0 is the first table sector";
    EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + 11), "cluster two");
    EXPECT_FALSE(device.ReadUnits(99, 101, buffer)) << "more units than the buffer holds";
    EXPECT_FALSE(device.ReadUnits(128'000, 128'000, buffer)) << "past the end of the volume";
}

// mkfs rounds the table up: it has entries for clusters the data area does
// not hold, and a scan that trusted them would read past the volume's end.
TEST(FAT32VolumeAccess, LastDataClusterIsTheSmallerOfTableAndDataArea) {
    Fat32TestImage image("fat-short-data", {32, 2, 8, 1, 2, 900});  // 1024 entries, 900 clusters
    image.Register(u'G');
    testing::internal::CaptureStderr();
    CFAT32VolumeAccess device(u'G');
    EXPECT_EQ(device.GetUnitCount(), 900u);
    EXPECT_TRUE(device.IsDataCluster(901));
    EXPECT_FALSE(device.IsDataCluster(902));
    EXPECT_FALSE(device.IsUnitInUse(901));
    EXPECT_TRUE(device.IsUnitInUse(902)) << "no cluster there to scan";
    std::vector<uint8_t> buffer(512);
    EXPECT_TRUE(device.ReadUnits(901, 901, buffer));

    // The boot sector's own sector count wins when it ends the volume earlier.
    std::vector<uint8_t> total(4);
    Fat32TestImage::PutLe(total, 0, 32 + 16 + 500, 4);
    image.Write(0x20, total);
    CFAT32VolumeAccess shorter(u'G');
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(shorter.GetUnitCount(), 500u);
}

struct ChainCase {
    const char* name;
    std::vector<std::pair<uint32_t, uint32_t>> links;
    uint32_t start;
    std::vector<uint32_t> expected;
};

class FAT32ChainWalk : public testing::TestWithParam<ChainCase> {};

TEST_P(FAT32ChainWalk, VisitsTheClustersOfTheChainInOrder) {
    const ChainCase& chain = GetParam();
    Fat32TestImage image(std::string("fat-chain-") + chain.name);
    for (uint32_t cluster = 2; cluster < 40; ++cluster) image.WriteCluster(cluster, {uint8_t(cluster)});
    for (auto [cluster, link] : chain.links) image.SetLink(cluster, link);
    image.Register(u'G');
    testing::internal::CaptureStderr();
    CFAT32VolumeAccess device(u'G');
    testing::internal::GetCapturedStderr();

    EXPECT_EQ(device.MeasureClusterChain(chain.start), chain.expected.size() * 512);
    std::vector<uint8_t> buffer(chain.expected.size() * 512);
    ASSERT_TRUE(device.ReadClusterChain(chain.start, buffer));
    for (size_t i = 0; i < chain.expected.size(); ++i) EXPECT_EQ(buffer[i * 512], chain.expected[i]) << i;
}

INSTANTIATE_TEST_SUITE_P(
    Chains, FAT32ChainWalk,
    testing::Values(ChainCase{"end", {{5, 6}, {6, 0x0FFFFFFF}}, 5, {5, 6}},
                    ChainCase{"other-end-marker", {{5, 9}, {9, 0x0FFFFFF8}}, 5, {5, 9}},
                    ChainCase{"high-bits", {{5, 9}, {9, 0xF0000010}}, 5, {5, 9}},
                    ChainCase{"freed-link", {{5, 9}, {9, 0}}, 5, {5, 9}},
                    ChainCase{"deleted-start", {}, 7, {7}},
                    ChainCase{"start-zero", {}, 0, {}},
                    ChainCase{"start-end-marker", {}, 0x0FFFFFFF, {}},
                    ChainCase{"link-to-reserved", {{5, 1}}, 5, {5}},
                    ChainCase{"beyond-table", {{5, 5000}}, 5, {5}}),
    [](const testing::TestParamInfo<ChainCase>& info) {
        std::string name = info.param.name;
        for (char& c : name) c = c == '-' ? '_' : c;
        return name;
    });

TEST(FAT32VolumeAccess, CyclicChainEndsAfterAsManyLinksAsTheTableHas) {
    Fat32TestImage image("fat-cycle");
    image.SetLink(5, 6);
    image.SetLink(6, 5);
    image.Register(u'H');
    testing::internal::CaptureStderr();
    CFAT32VolumeAccess device(u'H');
    testing::internal::GetCapturedStderr();
    uint64_t entries = device.GetUnitCount() + 2;
    EXPECT_EQ(device.MeasureClusterChain(5), entries * 512);
    std::vector<uint8_t> small(3 * 512);
    EXPECT_TRUE(device.ReadClusterChain(5, small)) << "reads as many clusters as fit";
}

TEST(FAT32VolumeAccess, RefusesAVolumeWithoutAUsableLayout) {
    struct Broken {
        const char* name;
        Fat32TestImage::Layout layout;
    } cases[] = {
        {"no-sectors-per-cluster", {32, 2, 8, 0, 2, 10}},
        {"no-reserved-sectors", {0, 2, 8, 1, 2, 10}},
        {"no-table", {32, 2, 0, 1, 2, 10}},
    };
    for (const auto& broken : cases) {
        Fat32TestImage image(std::string("fat-") + broken.name, broken.layout);
        image.Register(u'I');
        testing::internal::CaptureStderr();
        EXPECT_THROW(CFAT32VolumeAccess device(u'I'), VolumeOpenError) << broken.name;
        testing::internal::GetCapturedStderr();
    }
    // A table larger than the image cannot be read.
    Fat32TestImage image("fat-huge-table");
    std::vector<uint8_t> spt(4);
    Fat32TestImage::PutLe(spt, 0, 0xFFFFFFF0u, 4);
    image.Write(0x24, spt);
    image.Register(u'I');
    testing::internal::CaptureStderr();
    EXPECT_THROW(CFAT32VolumeAccess device(u'I'), VolumeOpenError);
    testing::internal::GetCapturedStderr();
}

TEST(FAT32VolumeAccess, OpensTheCommittedVolume) {
    if (!testing_support::VolumeExists("fat32-small")) GTEST_SKIP() << "fat32-small not committed yet";
    platform::Drives().Register({u'J', testing_support::VolumePath("fat32-small"), 0, platform::DriveKind::Image});
    testing::internal::CaptureStderr();
    CFAT32VolumeAccess device(u'J');
    std::string diagnostics = testing::internal::GetCapturedStderr();
    EXPECT_NE(diagnostics.find("Boot sector size = 90 Bytes\n"), std::string::npos);
    EXPECT_EQ(device.GetSectorSize(), 512u);
    EXPECT_EQ(device.GetUnitSize(), 512u);
    EXPECT_EQ(device.GetRootCluster(), 2u);
    EXPECT_TRUE(device.IsUnitInUse(2));
    EXPECT_GT(device.MeasureClusterChain(2), 0u);
    EXPECT_GT(device.GetUnitCount(), 65'525u) << "a real FAT32 has more clusters than FAT16 allows";
}

}  // namespace
