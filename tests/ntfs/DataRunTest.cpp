#include "ntfs/AttrNonResident.h"
#include "ntfs/DataRun.h"
#include "ntfs/FileRecord.h"
#include "ntfs/NTFSVolume.h"
#include "platform/RawSource.h"
#include "tests/ntfs/RecordBuilder.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <fstream>
#include <vector>

namespace {

using ntfs_test::RecordBuilder;

struct DecodedRun {
    uint64_t lcn, clusters, startVcn;
};

struct RunCase {
    const char* what;
    std::vector<uint8_t> bytes;
    uint64_t vcnCount;
    bool valid;
    std::vector<DecodedRun> runs;
};

constexpr uint64_t kSparse = tagDataRun_Entry::kSparse;

std::vector<DecodedRun> Decode(const std::vector<uint8_t>& bytes, uint64_t vcnCount, bool& valid) {
    CSList<tagDataRun_Entry> list;
    valid = ParseDataRuns(platform::LeBytes(bytes.data(), bytes.size()), vcnCount, list);
    std::vector<DecodedRun> runs;
    for (const tagDataRun_Entry* run = list.First(); run; run = list.Next()) {
        EXPECT_EQ(run->lastVcn, run->startVcn + run->clusters - 1);
        runs.push_back({run->lcn, run->clusters, run->startVcn});
    }
    return runs;
}

TEST(DataRun, DecodesRunLists) {
    const std::vector<RunCase> cases = {
        {"one run", {0x21, 0x18, 0x34, 0x56, 0x00}, 0x18, true, {{0x5634, 0x18, 0}}},
        {"offset byte 0xFF moves back one cluster",
         {0x21, 0x18, 0x34, 0x56, 0x11, 0x05, 0xFF, 0x00}, 0x1D, true,
         {{0x5634, 0x18, 0}, {0x5633, 0x05, 0x18}}},
        {"length-only header is sparse", {0x11, 0x02, 0x10, 0x01, 0x03, 0x11, 0x01, 0x05, 0x00}, 6, true,
         {{0x10, 2, 0}, {kSparse, 3, 2}, {0x15, 1, 5}}},
        {"0xA1 header ends the list, earlier runs stand", {0x21, 0x18, 0x34, 0x56, 0xA1, 0x01, 0x02}, 0x18,
         true, {{0x5634, 0x18, 0}}},
        {"empty list", {0x00}, 0, true, {}},
        {"fields cut off by the attribute end", {0x21, 0x18}, 0x18, true, {}},
        {"length above the signed range ends the list",
         {0x11, 0x01, 0x07, 0x08, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00}, 4, true, {{7, 1, 0}}},
        {"run before cluster 0", {0x11, 0x01, 0x05, 0x11, 0x01, 0xF0, 0x00}, 2, false, {{5, 1, 0}}},
        {"run past the VCN range empties the list", {0x11, 0x01, 0x05, 0x21, 0x18, 0x34, 0x56, 0x00}, 0x10,
         false, {}},
        {"run without clusters", {0x11, 0x00, 0x05, 0x00}, 4, false, {}},
        {"LCN overflow",
         {0x81, 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F,
          0x81, 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0x00},
         4, false, {{0x7FFFFFFFFFFFFFFF, 1, 0}}},
    };
    for (const RunCase& c : cases) {
        bool valid = false;
        const std::vector<DecodedRun> runs = Decode(c.bytes, c.vcnCount, valid);
        EXPECT_EQ(valid, c.valid) << c.what;
        ASSERT_EQ(runs.size(), c.runs.size()) << c.what;
        for (size_t i = 0; i < runs.size(); ++i) {
            EXPECT_EQ(runs[i].lcn, c.runs[i].lcn) << c.what << " run " << i;
            EXPECT_EQ(runs[i].clusters, c.runs[i].clusters) << c.what << " run " << i;
            EXPECT_EQ(runs[i].startVcn, c.runs[i].startVcn) << c.what << " run " << i;
        }
    }
}

// A 16-cluster volume of 4096-byte clusters whose clusters 2 and 5 hold a
// byte pattern, read through a data attribute of crafted runs.
class CraftedStream : public testing::Test {
protected:
    static constexpr uint32_t kCluster = 4096;

    void SetUp() override {
        const std::string path = testing_support::MakeSparseFile("ntfs-runs", 16 * kCluster);
        std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
        for (uint64_t cluster : {2, 5}) {
            std::vector<char> bytes(kCluster);
            for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(Pattern(cluster, i));
            file.seekp(static_cast<std::streamoff>(cluster * kCluster));
            file.write(bytes.data(), kCluster);
        }
        file.close();
        std::string reason;
        std::shared_ptr<platform::RawSource> source = platform::RawSource::Open(path, 0, reason);
        ASSERT_TRUE(source) << reason;
        m_volume = CNTFSVolume::WithGeometry(source, 512, 8, 1024, 16 * 8);
        m_record = std::make_unique<CFileRecord>(*m_volume);
    }

    static uint8_t Pattern(uint64_t cluster, size_t i) { return static_cast<uint8_t>(cluster * 31 + i * 7); }

    // The data attribute of a record holding `runs` over `clusters` virtual clusters.
    CAttrNonResident* Stream(const std::vector<uint8_t>& runs, uint64_t clusters, uint64_t dataSize) {
        const auto record = RecordBuilder().NonResident(0x80, runs, clusters - 1, dataSize).Build();
        m_record->m_attrMask = CFileRecord::kMaskData;
        if (!m_record->LoadRecordBytes(record, 40) || !m_record->ParseAttributes()) return nullptr;
        return dynamic_cast<CAttrNonResident*>(m_record->DefaultDataStream());
    }

    std::unique_ptr<CNTFSVolume> m_volume;
    std::unique_ptr<CFileRecord> m_record;
};

// Cluster 2, two sparse clusters, cluster 5.
const std::vector<uint8_t> kMixedRuns = {0x11, 0x01, 0x02, 0x01, 0x02, 0x11, 0x01, 0x03, 0x00};

TEST_F(CraftedStream, SparseRunsReadAsZerosAlsoFromTheirMiddle) {
    CAttrNonResident* stream = Stream(kMixedRuns, 4, 4 * kCluster - 96);
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(stream->RunsValid(), 1u);

    std::vector<uint8_t> all(4 * kCluster, 0xEE);
    size_t got = 0;
    ASSERT_TRUE(stream->ReadBytes(0, all, got));
    ASSERT_EQ(got, 4 * kCluster - 96);
    for (size_t i = 0; i < got; ++i) {
        const uint8_t expected = i < kCluster ? Pattern(2, i) : i < 3 * kCluster ? 0 : Pattern(5, i - 3 * kCluster);
        ASSERT_EQ(all[i], expected) << "byte " << i;
    }

    std::vector<uint8_t> middle(5000, 0xEE);
    ASSERT_TRUE(stream->ReadBytes(kCluster + 100, middle, got));
    EXPECT_EQ(got, middle.size());
    EXPECT_EQ(std::count(middle.begin(), middle.end(), 0), 5000);
}

TEST_F(CraftedStream, ReadBytesAtTheEdgesOfTheData) {
    const uint64_t size = 4 * kCluster - 96;
    CAttrNonResident* stream = Stream(kMixedRuns, 4, size);
    ASSERT_NE(stream, nullptr);
    std::vector<uint8_t> buffer(10);
    size_t got = 99;
    ASSERT_TRUE(stream->ReadBytes(100, buffer, got));
    ASSERT_EQ(got, 10u);
    for (size_t i = 0; i < 10; ++i) EXPECT_EQ(buffer[i], Pattern(2, 100 + i));

    EXPECT_TRUE(stream->ReadBytes(size, buffer, got)) << "at the end: nothing left, not an error";
    EXPECT_EQ(got, 0u);
    EXPECT_FALSE(stream->ReadBytes(size + 1, buffer, got));
    EXPECT_EQ(got, 0u);
    ASSERT_TRUE(stream->ReadBytes(size - 4, buffer, got));
    EXPECT_EQ(got, 4u);
}

TEST_F(CraftedStream, RunsPastTheVolumeEndFailTheRead) {
    // Cluster 14 is on the volume, cluster 15 + 2 = 17 is not.
    CAttrNonResident* stream = Stream({0x11, 0x03, 0x0E, 0x00}, 3, 3 * kCluster);
    ASSERT_NE(stream, nullptr);
    std::vector<uint8_t> buffer(3 * kCluster);
    size_t got = 0;
    EXPECT_FALSE(stream->ReadBytes(0, buffer, got));

    // A run far beyond any byte offset the volume could have.
    stream = Stream({0x81, 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x3F, 0x00}, 1, kCluster);
    ASSERT_NE(stream, nullptr);
    EXPECT_FALSE(stream->ReadBytes(0, buffer, got));
}

TEST_F(CraftedStream, ClusterRangeStopsShortAtAGapInTheRuns) {
    // The attribute claims 4 clusters, its runs cover 1.
    CAttrNonResident* stream = Stream({0x11, 0x01, 0x02, 0x00}, 4, 4 * kCluster);
    ASSERT_NE(stream, nullptr);
    std::vector<uint8_t> buffer(4 * kCluster);
    uint64_t bytes = 0;
    EXPECT_TRUE(stream->ReadVcnRange(0, 4, buffer, bytes));
    EXPECT_EQ(bytes, kCluster);
    EXPECT_FALSE(stream->ReadVcnRange(0, 5, buffer, bytes)) << "past the attribute's clusters";
    EXPECT_FALSE(stream->ReadVcnRange(0, 4, std::span(buffer).first(kCluster), bytes)) << "buffer too small";
    size_t got = 0;
    EXPECT_FALSE(stream->ReadBytes(0, buffer, got));
    EXPECT_EQ(got, 0u);
}

}  // namespace
