#include "platform/RescueRead.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <vector>

namespace {

using platform::BadRange;
using platform::BadRangeMap;
using platform::RescueRead;

constexpr uint32_t kSector = 512;

// A disk of numbered bytes whose bad sectors fail every read that touches
// them. A drive that says where a read stopped (as the kernel does through
// its page cache) hands back the bytes before the first bad sector.
struct FailingDisk {
    // `badCount` bad sectors from `firstBad` on.
    FailingDisk(uint64_t sectors, uint64_t firstBad, uint64_t badCount, bool tells)
        : bytes(sectors * kSector), buffer(bytes.size()), tellsWhereItStopped(tells) {
        for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i % 251 + 1);
        MarkBad(firstBad, badCount);
    }
    void MarkBad(uint64_t firstSector, uint64_t count) {
        for (uint64_t s = firstSector; s < firstSector + count; ++s) bad.insert(s);
    }
    size_t Read(uint64_t offset, std::span<uint8_t> out) {
        ++reads;
        const auto firstBad = bad.lower_bound(offset / kSector);
        size_t good = out.size();
        if (firstBad != bad.end() && *firstBad * kSector < offset + out.size()) {
            ++failedReads;
            for (uint64_t s = std::max(offset / kSector, *firstBad); s * kSector < offset + out.size(); ++s)
                if (bad.count(s)) ++triesOf[s];
            good = tellsWhereItStopped ? static_cast<size_t>(std::max(offset, *firstBad * kSector) - offset) : 0;
        }
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(offset), good, out.begin());
        return good;
    }
    RescueRead Reader() {
        return RescueRead([this](uint64_t offset, std::span<uint8_t> out) { return Read(offset, out); }, map, kSector,
                          bytes.size());
    }
    // Reads the whole disk into `buffer`; the unreadable bytes.
    uint64_t ReadWhole(uint32_t passes) { return Reader().ReadAround(0, buffer, passes); }
    // Whether `buffer`, read from `offset`, matches the disk outside its bad
    // sectors and holds zeros in them.
    bool Matches(uint64_t offset, const std::vector<uint8_t>& buffer) const {
        for (size_t i = 0; i < buffer.size(); ++i) {
            const bool isBad = bad.count((offset + i) / kSector) != 0;
            if (buffer[i] != (isBad ? 0 : bytes[offset + i])) return false;
        }
        return true;
    }

    std::vector<uint8_t> bytes;
    std::vector<uint8_t> buffer;
    BadRangeMap map;
    std::set<uint64_t> bad;
    std::map<uint64_t, int> triesOf;  // failed reads that touched each bad sector
    bool tellsWhereItStopped = false;
    int reads = 0;
    int failedReads = 0;
};

TEST(RescueRead, AFailedLargeReadIsHalvedToItsBadSectorAndEverythingElseIsRead) {
    FailingDisk disk(2048, 700, 1, false);  // 1 MiB
    EXPECT_EQ(disk.ReadWhole(1), kSector);
    EXPECT_TRUE(disk.Matches(0, disk.buffer));
    EXPECT_EQ(disk.map.All(), (std::vector<BadRange>{{700 * kSector, 701 * kSector, 1}}));
    // One failed whole read, one a halving step at most, one for the edge
    // come back to from the far side.
    EXPECT_LE(disk.failedReads, 1 + 11 + 1);
    EXPECT_EQ(disk.triesOf[700], disk.failedReads);
    EXPECT_EQ(disk.map.FailedReads(), static_cast<uint64_t>(disk.failedReads));
}

TEST(RescueRead, ADriveThatSaysWhereItStoppedCostsNoFurtherReadToFindTheBadSector) {
    FailingDisk disk(2048, 700, 1, true);
    disk.ReadWhole(1);
    EXPECT_TRUE(disk.Matches(0, disk.buffer));
    // The whole read alone; the edge pass reads back from the far side of
    // the skip and stops at that sector, already tried.
    EXPECT_EQ(disk.failedReads, 1);
    EXPECT_EQ(disk.map.All(), (std::vector<BadRange>{{700 * kSector, 701 * kSector, 1}}));
}

TEST(RescueRead, ALongBadAreaIsLeftBySkipsThatDoubleAndItsEdgesAreReadBack) {
    FailingDisk disk(16384, 3000, 1200, true);  // 8 MiB, 600 KiB
    disk.ReadWhole(1);
    EXPECT_TRUE(disk.Matches(0, disk.buffer));
    // Skips of 64, 128, 256 and 512 KiB; the last lands past the area.
    EXPECT_LE(disk.failedReads, 2 + 4 + 1);
    // Inside the area, sectors that no read touched stay skipped (tries 0).
    uint64_t unread = 0;
    uint64_t total = 0;
    for (const BadRange& range : disk.map.All()) {
        total += range.end - range.start;
        if (range.tries == 0) unread += range.end - range.start;
        EXPECT_GE(range.start, 3000u * kSector);
        EXPECT_LE(range.end, 4200u * kSector);
    }
    EXPECT_EQ(total, 1200u * kSector);
    EXPECT_GT(unread, 0u);
    for (const auto& [sector, tries] : disk.triesOf) EXPECT_LE(tries, 2) << "sector " << sector;
}

TEST(RescueRead, KnownBadRangesAreNotReadAgainAndRetryPassesAreBounded) {
    FailingDisk disk(2048, 100, 8, true);
    // Without a pass the skipped sectors beside the bad one stay unread.
    EXPECT_EQ(disk.ReadWhole(0), kSector + RescueRead::kFirstSkip);
    const int afterCopy = disk.failedReads;
    // Again: nothing known bad is read; the edge pass that was not made
    // before is made now, from the far edge, and costs one failure.
    EXPECT_EQ(disk.ReadWhole(1), 8u * kSector);
    EXPECT_EQ(disk.failedReads, afterCopy + 1);
    EXPECT_TRUE(disk.Matches(0, disk.buffer));
    const int afterFirstPass = disk.failedReads;
    disk.ReadWhole(1);
    EXPECT_EQ(disk.failedReads, afterFirstPass);
    // A second pass tries each edge once more, and only the edges.
    disk.ReadWhole(2);
    EXPECT_EQ(disk.failedReads, afterFirstPass + 2);
    disk.ReadWhole(2);
    EXPECT_EQ(disk.failedReads, afterFirstPass + 2);
    // The large read that found it, the first edge pass, the second.
    for (const auto& [sector, tries] : disk.triesOf) EXPECT_LE(tries, 3) << "sector " << sector;
}

TEST(RescueRead, ASectorThatReadsOnARetryLeavesTheMap) {
    FailingDisk disk(256, 10, 2, true);
    disk.ReadWhole(1);
    disk.bad.erase(11);  // the drive gets the second sector on a later try
    EXPECT_EQ(disk.ReadWhole(2), kSector);
    EXPECT_EQ(disk.map.All(), (std::vector<BadRange>{{10 * kSector, 11 * kSector, 2}}));
    EXPECT_TRUE(disk.Matches(0, disk.buffer));
}

TEST(RescueRead, AReadInsideABadStretchTouchesNothing) {
    FailingDisk disk(4096, 1000, 1000, true);
    disk.ReadWhole(1);
    const int reads = disk.reads;
    // A file's clusters inside the area, read one by one after its large
    // read failed: every one answers at once.
    std::vector<uint8_t> cluster(4096);
    for (uint64_t offset = 1100 * kSector; offset < 1900 * kSector; offset += cluster.size())
        EXPECT_EQ(disk.Reader().ReadAround(offset, cluster, 1), cluster.size());
    EXPECT_EQ(disk.reads, reads);
}

}  // namespace
