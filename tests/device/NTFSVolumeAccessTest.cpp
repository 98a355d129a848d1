#include "device/NTFSVolumeAccess.h"
#include "platform/RawSource.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

void Poke(const std::string& path, uint64_t offset, const std::string& bytes) {
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(static_cast<std::streamoff>(offset));
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::shared_ptr<platform::RawSource> OpenImage(const std::string& path) {
    std::string reason;
    std::shared_ptr<platform::RawSource> source = platform::RawSource::Open(path, 512, reason);
    EXPECT_TRUE(source) << reason;
    return source;
}

TEST(NTFSVolumeAccess, AnswersAllocationFromTheBitmap) {
    std::string image = testing_support::MakeSparseFile("ntfs-bitmap", 64 * 4096);
    CNTFSVolumeAccess device(OpenImage(image), 512, 64, 4096, 8, {0x05, 0x00, 0xFF});
    EXPECT_EQ(device.GetUnitCount(), 64u);
    EXPECT_EQ(device.GetUnitSize(), 4096u);
    EXPECT_EQ(device.GetSectorSize(), 512u);
    EXPECT_TRUE(device.IsUnitInUse(0));
    EXPECT_FALSE(device.IsUnitInUse(1));
    EXPECT_TRUE(device.IsUnitInUse(2));
    for (uint64_t cluster = 3; cluster < 16; ++cluster) EXPECT_FALSE(device.IsUnitInUse(cluster)) << cluster;
    EXPECT_TRUE(device.IsUnitInUse(16));
    EXPECT_TRUE(device.IsUnitInUse(24)) << "a cluster the bitmap does not cover is in use";

    device.ReleaseBitmap();
    EXPECT_TRUE(device.IsUnitInUse(1));
}

TEST(NTFSVolumeAccess, ReadsUnitsFromTheirFirstSector) {
    std::string image = testing_support::MakeSparseFile("ntfs-units", 200 * 4096);
    Poke(image, 800 * 512, "cluster 100");
    Poke(image, 815 * 512, "last sector of 101");
    CNTFSVolumeAccess device(OpenImage(image), 512, 200, 4096, 8, std::vector<uint8_t>(25));
    EXPECT_EQ(device.UnitToSector(100), 800u);
    std::vector<uint8_t> buffer(16 * 512);
    ASSERT_TRUE(device.ReadUnits(100, 101, buffer));
    EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + 11), "cluster 100");
    EXPECT_EQ(std::string(buffer.begin() + 15 * 512, buffer.begin() + 15 * 512 + 18), "last sector of 101");
    EXPECT_FALSE(device.ReadUnits(100, 102, buffer)) << "a buffer too small for the range is refused";
    EXPECT_FALSE(device.ReadUnits(UINT64_MAX / 4, UINT64_MAX / 4, buffer)) << "sector number overflows";
}

TEST(NTFSVolumeAccess, ReadsClustersAboveFourGibibytes) {
    const uint64_t clusters = 2'000'000;
    std::string image = testing_support::MakeSparseFile("ntfs-far", clusters * 4096);
    const uint64_t far = 1'500'000;  // byte offset about 5.7 GiB
    Poke(image, far * 4096, "far cluster");
    CNTFSVolumeAccess device(OpenImage(image), 512, clusters, 4096, 8, std::vector<uint8_t>(clusters / 8));
    std::vector<uint8_t> buffer(4096);
    ASSERT_TRUE(device.ReadUnits(far, far, buffer));
    EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + 11), "far cluster");
}

}  // namespace
