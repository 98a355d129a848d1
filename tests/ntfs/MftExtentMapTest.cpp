#include "ntfs/MftExtentMap.h"

#include "ntfs/FileRecord.h"
#include "ntfs/NTFSVolume.h"
#include "platform/RawSource.h"
#include "tests/ntfs/RecordBuilder.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

constexpr uint64_t kCluster = 4096;
constexpr uint64_t kClusters = 32;

uint8_t PatternAt(uint64_t offset) { return static_cast<uint8_t>(offset * 7 + (offset >> 8)); }

// A volume of 32 clusters whose every byte tells its offset.
std::string PatternImage() {
    const std::string path = testing_support::MakeSparseFile("mft-extent-map", kClusters * kCluster);
    std::vector<uint8_t> bytes(kClusters * kCluster);
    for (uint64_t i = 0; i < bytes.size(); ++i) bytes[i] = PatternAt(i);
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
}

TEST(MftExtentMap, ReadsTableBytesExactlyWhereTheRunsPutThem) {
    std::string reason;
    std::shared_ptr<const platform::RawSource> source = platform::RawSource::Open(PatternImage(), 0, reason);
    ASSERT_TRUE(source) << reason;
    auto volume = CNTFSVolume::WithGeometry(source, 512, 8, 1024, kClusters * 8);

    struct Piece {
        uint64_t volumeOffset;  // kZeros: a sparse stretch
        uint64_t length;
    };
    constexpr uint64_t kZeros = ~0ULL;
    struct Case {
        const char* what;
        std::vector<uint8_t> runs;
        uint64_t lastVcn;
        uint64_t start;              // table offset read
        std::vector<Piece> expected; // what the read gives; empty: it fails
    } cases[] = {
        {"inside one run, not on a cluster boundary", {0x11, 0x02, 0x04, 0x00}, 1, 5000, {{4 * kCluster + 5000, 1024}}},
        {"across two runs", {0x11, 0x01, 0x04, 0x11, 0x01, 0x06, 0x00}, 1, kCluster - 512,
         {{5 * kCluster - 512, 512}, {10 * kCluster, 512}}},
        {"a sparse run reads as zeros", {0x01, 0x01, 0x11, 0x01, 0x04, 0x00}, 1, kCluster - 512,
         {{kZeros, 512}, {4 * kCluster, 512}}},
        {"a run past the volume's end is not followed", {0x11, 0x01, 0x04, 0x11, 0x01, 0x40, 0x00}, 1, kCluster, {}},
        {"past the last run", {0x11, 0x01, 0x04, 0x00}, 0, kCluster - 512, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto zero = ntfs_test::RecordBuilder().NonResident(0x80, c.runs, c.lastVcn, (c.lastVcn + 1) * kCluster)
                              .Build();
        CFileRecord record(*volume);
        ASSERT_TRUE(record.LoadRecordBytes(zero, 0));
        ASSERT_TRUE(record.ParseAttributes());
        const MftExtentMap map(record.DefaultDataStream(), kCluster, volume->TotalClusters());
        ASSERT_FALSE(map.Empty());

        std::vector<uint8_t> expected;
        for (const Piece& piece : c.expected)
            for (uint64_t i = 0; i < piece.length; ++i)
                expected.push_back(piece.volumeOffset == kZeros ? 0 : PatternAt(piece.volumeOffset + i));
        std::vector<uint8_t> got(c.expected.empty() ? 1024 : expected.size());
        ASSERT_EQ(map.Read(*source, c.start, got), !c.expected.empty());
        if (!c.expected.empty()) {
            EXPECT_EQ(got, expected);
        }
    }

    // Resident table data has no clusters to map.
    const auto resident = ntfs_test::RecordBuilder().Resident(0x80, std::vector<uint8_t>(64, 1)).Build();
    CFileRecord record(*volume);
    ASSERT_TRUE(record.LoadRecordBytes(resident, 0));
    ASSERT_TRUE(record.ParseAttributes());
    EXPECT_TRUE(MftExtentMap(record.DefaultDataStream(), kCluster, volume->TotalClusters()).Empty());
}

}  // namespace
