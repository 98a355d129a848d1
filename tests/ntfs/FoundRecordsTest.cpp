// The search for MFT records outside the table: which bytes pass for a
// record, where in a stretch they are looked for, which of two copies is
// kept, the volume that loads them by number, and the cluster size told
// from them when no boot sector survives.
#include "ntfs/FileRecord.h"
#include "ntfs/FoundGeometry.h"
#include "ntfs/FoundRecords.h"
#include "ntfs/NTFSVolume.h"
#include "tests/ntfs/RecordBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using namespace ntfs_test;

// A record as it lies on disk, numbered in its header as NTFS 3.1 does.
std::vector<uint8_t> Numbered(RecordBuilder builder, uint32_t number, uint64_t logSequence = 1) {
    std::vector<uint8_t> record = builder.Plain();
    PutU32(record, 0x2C, number);
    PutU64(record, 0x08, logSequence);
    ProtectRecord(record, 512, 0x0003);
    return record;
}

std::vector<uint8_t> Numbered(uint32_t number, uint64_t logSequence = 1, uint16_t flags = 0x0001) {
    return Numbered(RecordBuilder().Flags(flags), number, logSequence);
}

// A file whose data starts at cluster `lcn` (one run of one cluster).
std::vector<uint8_t> FileAt(uint32_t number, uint8_t lcn) {
    return Numbered(RecordBuilder().NonResident(0x80, {0x11, 0x01, lcn, 0x00}, 0, 100), number);
}

// Copies as much of `record` as fits from `offset` on.
void Place(std::vector<uint8_t>& stretch, size_t offset, const std::vector<uint8_t>& record) {
    const size_t length = std::min(record.size(), stretch.size() - offset);
    std::copy_n(record.begin(), length, stretch.begin() + static_cast<std::ptrdiff_t>(offset));
}

TEST(FoundRecords, OnlyWholeConsistentRecordsPass) {
    EXPECT_EQ(FoundRecordNumber(Numbered(77), 512), 77u);

    std::vector<uint8_t> torn = Numbered(77);
    PutU16(torn, 1022, 0x0002);  // the second sector is from another write
    EXPECT_FALSE(FoundRecordNumber(torn, 512));

    std::vector<uint8_t> allocated = Numbered(77);
    PutU32(allocated, 0x1C, 4096);  // a record size this stretch does not hold
    EXPECT_FALSE(FoundRecordNumber(allocated, 512));

    std::vector<uint8_t> inUse = Numbered(77);
    PutU32(inUse, 0x18, 2000);  // more bytes in use than the record has
    EXPECT_FALSE(FoundRecordNumber(inUse, 512));

    std::vector<uint8_t> oldHeader = Numbered(77);
    PutU16(oldHeader, 0x04, 0x2A);  // an NTFS 3.0 header carries no number
    EXPECT_FALSE(FoundRecordNumber(oldHeader, 512));

    std::vector<uint8_t> text(1024, 'x');
    std::ranges::copy(std::string("FILE"), text.begin());
    EXPECT_FALSE(FoundRecordNumber(text, 512)) << "the signature alone is not a record";
    const std::vector<uint8_t> whole = Numbered(77);
    EXPECT_FALSE(FoundRecordNumber(std::span(whole).first(1000), 512)) << "cut short";
}

TEST(FoundRecords, SearchLooksAtEverySectorAndKeepsTheLaterCopy) {
    std::vector<uint8_t> stretch(16 * 512, 0xEE);
    Place(stretch, 512, Numbered(64, 10));    // not aligned to the record size
    Place(stretch, 4096, Numbered(65, 10));
    Place(stretch, 15 * 512, Numbered(66));  // runs past the end: not whole
    CFoundRecords found(1024, 512);
    EXPECT_EQ(found.Search(stretch), 2u);
    EXPECT_EQ(found.Numbers(), (std::vector<uint64_t>{64, 65}));
    EXPECT_EQ(found.EndNumber(), 66u);

    std::vector<uint8_t> later(2048, 0);
    Place(later, 0, Numbered(64, 20, 0x0000));  // logged later: deleted since
    Place(later, 1024, Numbered(65, 5, 0x0000));  // logged earlier: the first copy stays
    EXPECT_EQ(found.Search(later), 1u);
    std::vector<uint8_t> copy(1024);
    ASSERT_TRUE(found.Copy(64, copy));
    EXPECT_EQ(copy, Numbered(64, 20, 0x0000));
    ASSERT_TRUE(found.Copy(65, copy));
    EXPECT_EQ(copy, Numbered(65, 10));
    EXPECT_FALSE(found.Copy(66, copy));
}

TEST(FoundRecords, VolumeOverFoundRecordsLoadsThemByNumber) {
    auto current = CNTFSVolume::WithGeometry(nullptr, 512, 8, 1024, 1 << 16);
    auto found = std::make_shared<CFoundRecords>(1024, 512);
    std::vector<uint8_t> stretch(4096, 0);
    Place(stretch, 0, Numbered(300));
    Place(stretch, 2048, Numbered(17, 1, 0x0003));
    found->Search(stretch);
    auto former = CNTFSVolume::OverFoundRecords(*current, found);
    EXPECT_FALSE(former->IsVolumeOK());
    EXPECT_EQ(former->RecordCount(), 301u);

    CFileRecord record(*former);
    ASSERT_TRUE(record.LoadRecord(17));
    EXPECT_TRUE(record.IsDirectory());
    EXPECT_TRUE(record.LoadRecord(300));
    EXPECT_FALSE(record.LoadRecord(18)) << "never found";
    EXPECT_FALSE(record.LoadRecord(0)) << "the records below 16 come from the found ones too";
}

TEST(FoundRecords, ClusterSizeFromTheMftRecordAndWhereTheOthersLie) {
    // The table starts at cluster 4 of 8192 bytes: byte 32768.
    CFoundRecords found(1024, 512);
    const uint64_t table = 4 * 8192;
    std::vector<uint8_t> stretch(table + 8 * 1024, 0);
    Place(stretch, table, FileAt(0, 4));
    for (uint32_t n = 1; n < 8; ++n) Place(stretch, table + n * 1024, Numbered(n));
    found.Search(stretch);
    EXPECT_EQ(ClusterSizeFromMftRecord(found), 8192u);

    // Most records elsewhere (a second copy of the table): no answer.
    CFoundRecords scattered(1024, 512);
    std::vector<uint8_t> other(64 * 1024, 0);
    Place(other, table, FileAt(0, 4));
    for (uint32_t n = 1; n < 8; ++n) Place(other, 1024 * (40 + n), Numbered(n));
    scattered.Search(other);
    EXPECT_FALSE(ClusterSizeFromMftRecord(scattered));
}

TEST(FoundRecords, ClusterSizeFromRunsThatAgreeWithCarvedStarts) {
    CFoundRecords found(1024, 512);
    std::vector<uint8_t> stretch(4096, 0);
    Place(stretch, 0, FileAt(70, 10));
    Place(stretch, 1024, FileAt(71, 20));
    Place(stretch, 2048, FileAt(72, 30));
    Place(stretch, 3072, Numbered(RecordBuilder().Flags(0x0003), 73));  // a folder has no runs
    found.Search(stretch);
    const std::set<uint64_t> starts = {10 * 2048, 20 * 2048, 30 * 2048, 5 * 4096};
    EXPECT_EQ(ClusterSizeFromCarvedStarts(found, starts), 2048u);
    EXPECT_FALSE(ClusterSizeFromCarvedStarts(found, {10 * 2048, 20 * 2048})) << "two files are not enough";
    EXPECT_FALSE(ClusterSizeFromCarvedStarts(found, {}));
}

}  // namespace
