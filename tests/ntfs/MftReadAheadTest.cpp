#include "ntfs/MftReadAhead.h"
#include "ntfs/NTFSVolume.h"
#include "platform/RawSource.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <vector>

namespace {

constexpr uint64_t kFirst = 16;
constexpr uint64_t kSmallWindow = 4096;  // a few records, so that even a small table spans many windows

// An image whose bytes in [badStart, badEnd) cannot be read, as a disk with
// bad sectors answers.
class FailingSource : public platform::RawSource {
public:
    FailingSource(const std::string& path, uint64_t badStart, uint64_t badEnd)
        : RawSource(::open(path.c_str(), O_RDONLY | O_CLOEXEC), path, 0, false), m_badStart(badStart),
          m_badEnd(badEnd) {}

    bool ReadAt(uint64_t offset, void* buffer, size_t length) const override {
        if (offset < m_badEnd && offset + length > m_badStart) {
            SetLastError(EIO);
            return false;
        }
        return RawSource::ReadAt(offset, buffer, length);
    }

private:
    uint64_t m_badStart;
    uint64_t m_badEnd;
};

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

TEST(MftReadAhead, AnUnreadableWindowIsEmptyAndTheRestIsRead) {
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

    auto failing = std::make_shared<FailingSource>(path, badOffset, badOffset + recordSize);
    CNTFSVolume volume(failing);
    ASSERT_TRUE(volume.IsVolumeOK());
    MftReadAhead readAhead(volume, kFirst, count, kSmallWindow);
    for (uint64_t n = kFirst; n < count; ++n) {
        const auto bytes = Bytes(readAhead.Record(n));
        const uint64_t window = (n - kFirst) / perWindow;
        if (window == 2)
            EXPECT_TRUE(bytes.empty()) << "record " << n;
        else
            ASSERT_EQ(bytes, RecordThroughVolume(healthy, n)) << "record " << n;
    }
}

}  // namespace
