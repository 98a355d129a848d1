#include "ntfs/MftReadAhead.h"
#include "ntfs/NTFSVolume.h"
#include "platform/RawSource.h"
#include "tests/support/TestVolumes.h"
#include "tests/support/UnreadableSectorsSource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <vector>

namespace {

constexpr uint64_t kFirst = 16;
constexpr uint64_t kSmallWindow = 4096;  // a few records, so that even a small table spans many windows

std::vector<uint8_t> RecordThroughVolume(CNTFSVolume& volume, uint64_t number) {
    std::vector<uint8_t> bytes(volume.m_fileRecordSize);
    if (!volume.ReadMftRecord(number, bytes)) bytes.clear();
    return bytes;
}

std::vector<uint8_t> Bytes(std::span<const uint8_t> span) { return {span.begin(), span.end()}; }

class MftReadAheadTest : public testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        if (!testing_support::VolumeExists(GetParam())) GTEST_SKIP() << GetParam() << " is not committed";
        std::string reason;
        std::shared_ptr<const platform::RawSource> source =
            platform::RawSource::Open(testing_support::VolumePath(GetParam()), 0, reason);
        ASSERT_TRUE(source) << reason;
        volume = std::make_unique<CNTFSVolume>(source);
        ASSERT_TRUE(volume->IsVolumeOK());
        count = volume->RecordCount();
        ASSERT_GT(count, kFirst + 3 * kSmallWindow / volume->m_fileRecordSize) << "the table spans several windows";
    }

    std::unique_ptr<CNTFSVolume> volume;
    uint64_t count = 0;
};

TEST_P(MftReadAheadTest, GivesEveryRecordAsTheVolumeReadsIt) {
    for (uint64_t window : {kSmallWindow, MftReadAhead::kWindowSize}) {
        MftReadAhead readAhead(*volume, kFirst, count, window);
        for (uint64_t n = kFirst; n < count; ++n)
            ASSERT_EQ(Bytes(readAhead.Record(n)), RecordThroughVolume(*volume, n)) << "record " << n;
        EXPECT_TRUE(readAhead.Record(count).empty());
        EXPECT_TRUE(readAhead.Record(kFirst - 1).empty());
    }
}

TEST_P(MftReadAheadTest, SkipsAheadAndNeverHandsOutAnotherWindowsBytes) {
    MftReadAhead readAhead(*volume, kFirst, count, kSmallWindow);
    const uint64_t perWindow = kSmallWindow / volume->m_fileRecordSize;
    // Jumping windows ahead, then asking for one already passed: the answer
    // is the record itself or nothing, never a record of another window.
    for (uint64_t n : {kFirst + 1, kFirst + 3 * perWindow + 1, kFirst + 1, kFirst + 4 * perWindow, kFirst + 2}) {
        const auto bytes = Bytes(readAhead.Record(n));
        if (!bytes.empty()) {
            EXPECT_EQ(bytes, RecordThroughVolume(*volume, n)) << "record " << n;
        }
    }
    EXPECT_EQ(Bytes(readAhead.Record(count - 1)), RecordThroughVolume(*volume, count - 1));
}

TEST_P(MftReadAheadTest, StopsWhenDroppedHalfWay) {
    // Destroyed with windows unread and the worker waiting for room: must
    // return at once rather than hang or read on.
    for (int round = 0; round < 20; ++round) {
        MftReadAhead readAhead(*volume, kFirst, count, kSmallWindow);
        ASSERT_FALSE(readAhead.Record(kFirst).empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Volumes, MftReadAheadTest, testing::Values("ntfs-small", "ntfs-large"));

TEST(MftReadAhead, ABadSectorCostsOnlyTheRecordItLiesIn) {
    if (!testing_support::VolumeExists("ntfs-large")) GTEST_SKIP() << "ntfs-large is not committed";
    const std::string path = testing_support::VolumePath("ntfs-large");
    std::string reason;
    std::shared_ptr<const platform::RawSource> plain = platform::RawSource::Open(path, 0, reason);
    ASSERT_TRUE(plain) << reason;
    CNTFSVolume healthy(plain);
    ASSERT_TRUE(healthy.IsVolumeOK());
    const uint64_t count = healthy.RecordCount();
    const uint64_t recordSize = healthy.m_fileRecordSize;
    const uint64_t perWindow = kSmallWindow / recordSize;
    ASSERT_GT(count, kFirst + 4 * perWindow);

    // One record of the table's third window, found where the volume reads it.
    const uint64_t bad = kFirst + 2 * perWindow + 1;
    const auto badBytes = RecordThroughVolume(healthy, bad);
    // The table begins where the boot sector says; while it is one run its
    // records lie at fixed strides from there.
    const uint64_t badOffset = healthy.m_mftOffset + bad * recordSize;
    std::vector<uint8_t> atOffset(recordSize);
    ASSERT_TRUE(plain->ReadAt(badOffset, atOffset.data(), recordSize));
    ASSERT_EQ(atOffset, badBytes) << "the test image's table is expected in one run";

    constexpr uint64_t kSector = testing_support::UnreadableSectorsSource::kSectorSize;
    // The first or the last sector of the record; the records beside it in
    // its cluster and its window still come back.
    for (uint64_t badSector : {badOffset / kSector, (badOffset + recordSize) / kSector - 1}) {
        for (uint64_t window : {kSmallWindow, MftReadAhead::kWindowSize}) {
            SCOPED_TRACE("sector " + std::to_string(badSector) + ", window " + std::to_string(window));
            auto failing = std::make_shared<testing_support::UnreadableSectorsSource>(path, std::set{badSector});
            CNTFSVolume volume(failing);
            ASSERT_TRUE(volume.IsVolumeOK());
            MftReadAhead readAhead(volume, kFirst, count, window);
            for (uint64_t n = kFirst; n < count; ++n) {
                const auto bytes = Bytes(readAhead.Record(n));
                if (n == bad)
                    EXPECT_TRUE(bytes.empty()) << "record " << n;
                else
                    ASSERT_EQ(bytes, RecordThroughVolume(healthy, n)) << "record " << n;
            }
        }
    }
}

TEST(MftReadAhead, ADeadWindowCostsAFewFailedReadsNotOnePerRecord) {
    if (!testing_support::VolumeExists("ntfs-large")) GTEST_SKIP() << "ntfs-large is not committed";
    const std::string path = testing_support::VolumePath("ntfs-large");
    CNTFSVolume healthy(path);
    ASSERT_TRUE(healthy.IsVolumeOK());
    const uint64_t count = healthy.RecordCount();
    const uint64_t recordSize = healthy.m_fileRecordSize;
    const uint64_t window = 32 * recordSize;
    const uint64_t perWindow = window / recordSize;
    ASSERT_GT(count, kFirst + perWindow);
    // Every sector of the first window is bad.
    constexpr uint64_t kSector = testing_support::UnreadableSectorsSource::kSectorSize;
    std::set<uint64_t> dead;
    for (uint64_t at = 0; at < perWindow * recordSize; at += kSector)
        dead.insert((healthy.m_mftOffset + kFirst * recordSize + at) / kSector);
    auto failing = std::make_shared<testing_support::UnreadableSectorsSource>(path, dead);
    CNTFSVolume volume(failing);
    ASSERT_TRUE(volume.IsVolumeOK());
    const uint64_t failedOpening = failing->FailedReads();
    MftReadAhead readAhead(volume, kFirst, count, window);
    for (uint64_t n = kFirst; n < kFirst + perWindow; ++n) EXPECT_TRUE(readAhead.Record(n).empty()) << n;
    EXPECT_FALSE(readAhead.Record(kFirst + perWindow).empty()) << "the next window reads";
    // The window, its halving down to the first sector, the far edge.
    EXPECT_LE(failing->FailedReads() - failedOpening, 1 + std::bit_width(window / kSector) + 1);
}

}  // namespace
