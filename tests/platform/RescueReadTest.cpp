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
    explicit FailingDisk(uint64_t sectors) : bytes(sectors * kSector) {
        for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i % 251 + 1);
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
    RescueRead Reader(BadRangeMap& map) {
        return RescueRead([this](uint64_t offset, std::span<uint8_t> out) { return Read(offset, out); }, map, kSector,
                          bytes.size());
    }
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
    std::set<uint64_t> bad;
    std::map<uint64_t, int> triesOf;  // failed reads that touched each bad sector
    bool tellsWhereItStopped = false;
    int reads = 0;
    int failedReads = 0;
};

TEST(RescueRead, AFailedLargeReadIsHalvedToItsBadSectorAndEverythingElseIsRead) {
    FailingDisk disk(2048);  // 1 MiB
    disk.MarkBad(700, 1);
    BadRangeMap map;
    std::vector<uint8_t> buffer(disk.bytes.size());
    EXPECT_EQ(disk.Reader(map).ReadAround(0, buffer, 1), kSector);
    EXPECT_TRUE(disk.Matches(0, buffer));
    EXPECT_EQ(map.All(), (std::vector<BadRange>{{700 * kSector, 701 * kSector, 1}}));
    // One failed whole read, one a halving step at most, one for the edge
    // come back to from the far side.
    EXPECT_LE(disk.failedReads, 1 + 11 + 1);
    EXPECT_EQ(disk.triesOf[700], disk.failedReads);
    EXPECT_EQ(map.FailedReads(), static_cast<uint64_t>(disk.failedReads));
}

TEST(RescueRead, ADriveThatSaysWhereItStoppedCostsNoFurtherReadToFindTheBadSector) {
    FailingDisk disk(2048);
    disk.tellsWhereItStopped = true;
    disk.MarkBad(700, 1);
    BadRangeMap map;
    std::vector<uint8_t> buffer(disk.bytes.size());
    disk.Reader(map).ReadAround(0, buffer, 1);
    EXPECT_TRUE(disk.Matches(0, buffer));
    // The whole read alone; the edge pass reads back from the far side of
    // the skip and stops at that sector, already tried.
    EXPECT_EQ(disk.failedReads, 1);
    EXPECT_EQ(map.All(), (std::vector<BadRange>{{700 * kSector, 701 * kSector, 1}}));
}

TEST(RescueRead, ALongBadAreaIsLeftBySkipsThatDoubleAndItsEdgesAreReadBack) {
    FailingDisk disk(16384);  // 8 MiB
    disk.tellsWhereItStopped = true;
    disk.MarkBad(3000, 1200);  // 600 KiB
    BadRangeMap map;
    std::vector<uint8_t> buffer(disk.bytes.size());
    disk.Reader(map).ReadAround(0, buffer, 1);
    EXPECT_TRUE(disk.Matches(0, buffer));
    // Skips of 64, 128, 256 and 512 KiB; the last lands past the area.
    EXPECT_LE(disk.failedReads, 2 + 4 + 1);
    // Inside the area, sectors that no read touched stay skipped (tries 0).
    uint64_t unread = 0;
    uint64_t total = 0;
    for (const BadRange& range : map.All()) {
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
    FailingDisk disk(2048);
    disk.tellsWhereItStopped = true;
    disk.MarkBad(100, 8);
    BadRangeMap map;
    std::vector<uint8_t> buffer(disk.bytes.size());

    // Without a pass the skipped sectors beside the bad one stay unread.
    EXPECT_EQ(disk.Reader(map).ReadAround(0, buffer, 0), kSector + RescueRead::kFirstSkip);
    const int afterCopy = disk.failedReads;
    // Again: nothing known bad is read; the edge pass that was not made
    // before is made now, from the far edge, and costs one failure.
    EXPECT_EQ(disk.Reader(map).ReadAround(0, buffer, 1), 8u * kSector);
    EXPECT_EQ(disk.failedReads, afterCopy + 1);
    EXPECT_TRUE(disk.Matches(0, buffer));
    const int afterFirstPass = disk.failedReads;
    disk.Reader(map).ReadAround(0, buffer, 1);
    EXPECT_EQ(disk.failedReads, afterFirstPass);
    // A second pass tries each edge once more, and only the edges.
    disk.Reader(map).ReadAround(0, buffer, 2);
    EXPECT_EQ(disk.failedReads, afterFirstPass + 2);
    disk.Reader(map).ReadAround(0, buffer, 2);
    EXPECT_EQ(disk.failedReads, afterFirstPass + 2);
    // The large read that found it, the sector alone, the second pass.
    for (const auto& [sector, tries] : disk.triesOf) EXPECT_LE(tries, 3) << "sector " << sector;
}

TEST(RescueRead, ASectorThatReadsOnARetryLeavesTheMap) {
    FailingDisk disk(256);
    disk.tellsWhereItStopped = true;
    disk.MarkBad(10, 2);
    BadRangeMap map;
    std::vector<uint8_t> buffer(disk.bytes.size());
    disk.Reader(map).ReadAround(0, buffer, 1);
    disk.bad.erase(11);  // the drive gets the second sector on a later try
    EXPECT_EQ(disk.Reader(map).ReadAround(0, buffer, 2), kSector);
    EXPECT_EQ(map.All(), (std::vector<BadRange>{{10 * kSector, 11 * kSector, 2}}));
    EXPECT_TRUE(disk.Matches(0, buffer));
}

TEST(RescueRead, AReadInsideABadStretchTouchesNothing) {
    FailingDisk disk(4096);
    disk.tellsWhereItStopped = true;
    disk.MarkBad(1000, 1000);
    BadRangeMap map;
    std::vector<uint8_t> buffer(disk.bytes.size());
    disk.Reader(map).ReadAround(0, buffer, 1);
    const int reads = disk.reads;
    // A file's clusters inside the area, read one by one after its large
    // read failed: every one answers at once.
    std::vector<uint8_t> cluster(4096);
    for (uint64_t offset = 1100 * kSector; offset < 1900 * kSector; offset += cluster.size())
        EXPECT_EQ(disk.Reader(map).ReadAround(offset, cluster, 1), cluster.size());
    EXPECT_EQ(disk.reads, reads);
}

}  // namespace
