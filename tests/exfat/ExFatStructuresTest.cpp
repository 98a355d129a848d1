// The exFAT structures read from bytes: boot region checksum and fields,
// entry sets and their checksum, time stamps, the up-case table, chains.
#include "exfat/ByteSource.h"
#include "exfat/ExFatAllocationBitmap.h"
#include "exfat/ExFatBootSector.h"
#include "exfat/ExFatEntrySet.h"
#include "exfat/ExFatTable.h"
#include "exfat/ExFatTimestamp.h"
#include "exfat/ExFatUpcaseTable.h"
#include "tests/exfat/EntrySetBuilder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using exfat_test::MakeSet;
using exfat_test::Put16;
using exfat_test::Put32;
using exfat_test::Put64;

// A 1 MiB volume of 512-byte sectors and 4 KiB clusters, boot regions
// with valid checksums.
std::vector<uint8_t> MakeVolume() {
    std::vector<uint8_t> volume(1 << 20);
    std::vector<uint8_t> region(512 * 12);
    std::memcpy(&region[3], "EXFAT   ", 8);
    Put64(region, 72, 2048);  // volume length
    Put32(region, 80, 24);    // FAT offset
    Put32(region, 84, 8);     // FAT length: 1024 entries
    Put32(region, 88, 64);    // heap offset
    Put32(region, 92, 200);   // clusters
    Put32(region, 96, 4);     // root cluster
    region[108] = 9;
    region[109] = 3;
    region[110] = 1;
    Put16(region, 510, 0xAA55);
    uint32_t checksum = BootRegionChecksum(region, 512);
    for (size_t at = 512 * 11; at < 512 * 12; at += 4) Put32(region, at, checksum);
    std::copy(region.begin(), region.end(), volume.begin());
    std::copy(region.begin(), region.end(), volume.begin() + 512 * 12);
    return volume;
}

TEST(ExFatBootSector, ReadsTheMainRegionAndFallsBackToTheBackup) {
    std::vector<uint8_t> volume = MakeVolume();
    CExFatBootSector boot;
    ASSERT_TRUE(boot.Load(CMemoryByteSource(volume)));
    EXPECT_FALSE(boot.UsedBackup());
    EXPECT_EQ(boot.ClusterSize(), 4096u);
    EXPECT_EQ(boot.ClusterCount(), 200u);
    EXPECT_EQ(boot.ClusterOffset(2), 64u * 512);
    EXPECT_TRUE(boot.IsCluster(201));
    EXPECT_FALSE(boot.IsCluster(202));
    EXPECT_FALSE(boot.IsCluster(1));

    // Volume flags and percent in use change while mounted: not covered.
    volume[106] = 0x02;
    volume[112] = 50;
    ASSERT_TRUE(boot.Load(CMemoryByteSource(volume)));
    EXPECT_FALSE(boot.UsedBackup());

    volume[100] ^= 0xFF;  // serial number: covered by the checksum
    ASSERT_TRUE(boot.Load(CMemoryByteSource(volume)));
    EXPECT_TRUE(boot.UsedBackup());

    volume[512 * 12 + 100] ^= 0xFF;
    EXPECT_FALSE(CExFatBootSector().Load(CMemoryByteSource(volume)));
}

TEST(ExFatBootSector, RefusesFieldsOutsideTheFormatOrTheSource) {
    const std::vector<uint8_t> good = MakeVolume();
    struct Case {
        const char* what;
        size_t offset;
        uint32_t value;
        int width;
    } cases[] = {
        {"name", 3, 'F', 1},           {"must-be-zero area", 20, 1, 1}, {"sector shift 8", 108, 8, 1},
        {"sector shift 13", 108, 13, 1}, {"cluster shift 17", 109, 17, 1}, {"three tables", 110, 3, 1},
        {"FAT inside boot", 80, 10, 4},  {"FAT over heap", 84, 60, 4},    {"table too short", 84, 1, 4},
        {"no clusters", 92, 0, 4},       {"heap past volume", 92, 300, 4}, {"root cluster 1", 96, 1, 4},
        {"root past heap", 96, 202, 4},  {"signature", 510, 0x55AA, 2},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> sector(good.begin(), good.begin() + 512);
        if (c.width == 1) sector[c.offset] = static_cast<uint8_t>(c.value);
        if (c.width == 2) Put16(sector, c.offset, static_cast<uint16_t>(c.value));
        if (c.width == 4) Put32(sector, c.offset, c.value);
        EXPECT_FALSE(CExFatBootSector().Parse(sector, good.size())) << c.what;
    }
    std::vector<uint8_t> sector(good.begin(), good.begin() + 512);
    EXPECT_TRUE(CExFatBootSector().Parse(sector, good.size()));
    EXPECT_FALSE(CExFatBootSector().Parse(sector, 64 * 512)) << "heap starts past the source";
    EXPECT_FALSE(CExFatBootSector().Parse(std::span(sector).first(511), good.size()));
}

TEST(ExFatBootSector, EachRefusalNamesItsFieldAndTellsAnotherFileSystemFromDamage) {
    const std::vector<uint8_t> good = MakeVolume();
    struct Case {
        const char* what;
        size_t offset;
        uint32_t value;
        int width;
        bool exfatName;      // still an exFAT boot sector, only damaged
        const char* reason;  // a part of the reason
    } cases[] = {
        {"name", 3, 'F', 1, false, "no exFAT name"},
        {"must-be-zero area", 20, 1, 1, true, "FAT parameter area"},
        {"signature", 510, 0x55AA, 2, true, "55 AA"},
        {"sector shift 13", 108, 13, 1, true, "sector size"},
        {"cluster shift 17", 109, 17, 1, true, "above 32 MiB"},
        {"three tables", 110, 3, 1, true, "neither one nor two"},
        {"FAT inside boot", 80, 10, 4, true, "inside the boot regions"},
        {"no FAT length", 84, 0, 4, true, "length is 0"},
        {"FAT over heap", 84, 60, 4, true, "run into the cluster heap"},
        {"table too short", 84, 1, 4, true, "too short"},
        {"no clusters", 92, 0, 4, true, "cluster count"},
        {"heap past volume", 92, 300, 4, true, "past the volume's length"},
        {"root past heap", 96, 202, 4, true, "root directory"},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> sector(good.begin(), good.begin() + 512);
        if (c.width == 1) sector[c.offset] = static_cast<uint8_t>(c.value);
        if (c.width == 2) Put16(sector, c.offset, static_cast<uint16_t>(c.value));
        if (c.width == 4) Put32(sector, c.offset, c.value);
        std::string reason;
        EXPECT_FALSE(CExFatBootSector().Parse(sector, good.size(), &reason)) << c.what;
        EXPECT_NE(reason.find(c.reason), std::string::npos) << c.what << ": " << reason;
        EXPECT_EQ(CExFatBootSector::IsExFatBootSector(sector), c.exfatName) << c.what;
    }
    std::vector<uint8_t> sector(good.begin(), good.begin() + 512);
    std::string reason;
    EXPECT_FALSE(CExFatBootSector().Parse(sector, 64 * 512, &reason));
    EXPECT_NE(reason.find("past the end of the volume"), std::string::npos) << reason;
    CExFatBootSector unbounded;
    ASSERT_TRUE(unbounded.Parse(sector, CExFatBootSector::kUnboundedSource)) << "a sector seen alone";
    EXPECT_EQ(unbounded.VolumeBytes(), 2048u * 512);
    EXPECT_EQ(unbounded.RegionBytes(), 12u * 512);
    EXPECT_EQ(unbounded.FatOffsetBytes(), 24u * 512);
}

TEST(ExFatBootSector, LoadSaysWhyNeitherRegionServes) {
    const std::vector<uint8_t> good = MakeVolume();
    auto load = [](const std::vector<uint8_t>& volume) {
        OpenFailure failure;
        CExFatBootSector boot;
        boot.Load(CMemoryByteSource(volume), failure);
        return failure;
    };
    EXPECT_EQ(load(good).status, OpenStatus::Opened);

    std::vector<uint8_t> both = good;
    both[100] ^= 0xFF;            // serial number, main region
    both[512 * 12 + 100] ^= 0xFF;  // and backup
    OpenFailure failure = load(both);
    EXPECT_EQ(failure.status, OpenStatus::Damaged);
    EXPECT_EQ(failure.reason, "the boot region's checksum does not match");

    // The main region gone, the backup damaged: the backup's damage is the news.
    std::vector<uint8_t> backupOnly = both;
    std::fill_n(backupOnly.begin(), 512 * 12, 0);
    EXPECT_EQ(load(backupOnly).status, OpenStatus::Damaged);

    EXPECT_EQ(load(std::vector<uint8_t>(1 << 20)).status, OpenStatus::NotThisFileSystem);
    EXPECT_EQ(load(std::vector<uint8_t>(100)).status, OpenStatus::Unreadable);
}

TEST(ExFatTable, OpensWithItsReservedEntries) {
    std::vector<uint8_t> head(8);
    Put32(head, 0, 0xFFFFFFF8);
    Put32(head, 4, 0xFFFFFFFF);
    EXPECT_TRUE(TableOpensWithReservedEntries(head));
    EXPECT_FALSE(TableOpensWithReservedEntries(std::span(head).first(7)));
    Put32(head, 4, 5);  // a link: the middle of a table
    EXPECT_FALSE(TableOpensWithReservedEntries(head));
}

TEST(ExFatEntrySet, ParsesNameSizeAndStreamOfDeletedAndLiveSets) {
    const std::u16string name = u"假期记录 with a name longer than fifteen.txt";
    std::vector<uint8_t> directory = MakeSet(name, false, 0x140001000ULL, 9, true);
    CExFatEntrySet set;
    ASSERT_TRUE(set.Parse(directory, 0));
    EXPECT_FALSE(set.IsInUse());
    EXPECT_EQ(set.Name(), name);
    EXPECT_EQ(set.EntryCount(), 5u);
    EXPECT_EQ(set.DataLength(), 0x140001000ULL);
    EXPECT_EQ(set.FirstCluster(), 9u);
    EXPECT_TRUE(set.NoFatChain());
    EXPECT_FALSE(set.IsDirectory());

    std::vector<uint8_t> live = MakeSet(u"Documents", true, 4096, 5, false, 0x10);
    ASSERT_TRUE(set.Parse(live, 0));
    EXPECT_TRUE(set.IsInUse());
    EXPECT_TRUE(set.IsDirectory());
    EXPECT_FALSE(set.NoFatChain());

    // Deleted by clearing the in-use bits only: the checksum of the live set holds.
    for (size_t at = 0; at < live.size(); at += 32) live[at] &= 0x7F;
    ASSERT_TRUE(set.Parse(live, 0));
    EXPECT_FALSE(set.IsInUse());
    EXPECT_EQ(set.Name(), u"Documents");
}

TEST(ExFatEntrySet, RefusesDamagedOrTruncatedSets) {
    const std::vector<uint8_t> good = MakeSet(u"notes.txt", false, 100, 7, true);
    auto refused = [](std::vector<uint8_t> bytes, size_t index = 0) {
        CExFatEntrySet set;
        return !set.Parse(bytes, index);
    };
    std::vector<uint8_t> bad = good;
    bad[70] ^= 1;  // a name character
    EXPECT_TRUE(refused(bad)) << "checksum";
    EXPECT_TRUE(refused({good.begin(), good.end() - 32})) << "set runs past the data";
    bad = good;
    bad[64] = 0xC1;  // one live name entry in a deleted set
    Put16(bad, 2, EntrySetChecksum(bad));
    EXPECT_TRUE(refused(bad)) << "mixed states";
    bad = good;
    bad[35] = 16;  // name needs two name entries, the set has one
    Put16(bad, 2, EntrySetChecksum(bad));
    EXPECT_TRUE(refused(bad)) << "name longer than its entries";
    bad = good;
    bad[1] = 1;
    EXPECT_TRUE(refused(bad)) << "one secondary";
    bad = good;
    bad[32] = 0x41;
    Put16(bad, 2, EntrySetChecksum(bad));
    EXPECT_TRUE(refused(bad)) << "no stream extension";
    EXPECT_TRUE(refused(good, 1)) << "not a file entry";
    EXPECT_TRUE(refused(good, 1000000)) << "index past the data";
    EXPECT_FALSE(refused(good));
}

TEST(ExFatTimestamp, ConvertsWithTheWritersOffset) {
    // 2024-06-01 12:30:20.50 written at UTC+8 (offset 32 quarter hours).
    ExFatTimestamp stamp{(44u << 25) | (6u << 21) | (1u << 16) | (12u << 11) | (30u << 5) | 10, 50, 0x80 | 32};
    const uint64_t utc2024 = 133616898200000000ULL;  // 2024-06-01 04:30:20 UTC
    EXPECT_EQ(ExFatTimestampToUtcFileTime(stamp), utc2024 + 5000000);
    // West of UTC: -5 h is -20 quarter hours, a 7-bit two's complement 0x6C.
    stamp.utcOffset = 0x80 | 0x6C;
    EXPECT_EQ(ExFatTimestampToUtcFileTime(stamp), utc2024 + 5000000 + 13ULL * 3600 * 10000000);
    // Tests run with TZ=UTC: local is UTC.
    EXPECT_EQ(ExFatTimestampToLocalFileTime(stamp), ExFatTimestampToUtcFileTime(stamp));
    stamp.utcOffset = 0;
    EXPECT_EQ(ExFatTimestampToLocalFileTime(stamp), utc2024 + 8ULL * 3600 * 10000000 + 5000000);
    stamp.packed = (44u << 25) | (13u << 21) | (1u << 16);  // month 13
    EXPECT_EQ(ExFatTimestampToUtcFileTime(stamp), 0u);
    stamp.packed = 0;  // day 0
    EXPECT_EQ(ExFatTimestampToUtcFileTime(stamp), 0u);
}

TEST(ExFatUpcaseTable, ExpandsIdentityRunsAndHashesFoldedNames) {
    // 'a'..'c' map to 'A'..'C'; everything before is itself (a run of 97).
    std::vector<uint8_t> bytes(2 * 5);
    Put16(bytes, 0, 0xFFFF);
    Put16(bytes, 2, 97);
    Put16(bytes, 4, u'A');
    Put16(bytes, 6, u'B');
    Put16(bytes, 8, u'C');
    CExFatUpcaseTable table;
    EXPECT_FALSE(table.Parse(bytes, UpcaseTableChecksum(bytes) + 1));
    ASSERT_TRUE(table.Parse(bytes, UpcaseTableChecksum(bytes)));
    EXPECT_EQ(table.Upcase(u'b'), u'B');
    EXPECT_EQ(table.Upcase(u'z'), u'z') << "past the table: itself";
    EXPECT_EQ(table.NameHash(u"abc"), table.NameHash(u"ABC"));
    EXPECT_NE(table.NameHash(u"abc"), table.NameHash(u"abd"));
    // A final 0xFFFF has no count after it: it maps a character to 0xFFFF.
    std::vector<uint8_t> last(bytes.begin(), bytes.begin() + 2);
    ASSERT_TRUE(table.Parse(last, UpcaseTableChecksum(last)));
    EXPECT_EQ(table.Upcase(0), 0xFFFF);
    EXPECT_EQ(table.Upcase(u'a'), u'a');
}

TEST(ExFatTable, ChainsStopAtLoopsFreeLinksAndTheEnd) {
    CExFatTable table;
    //                 0  1  2  3  4  5           6  7  8
    table.Assign({0, 0, 3, 4, 5, 0xFFFFFFFF, 7, 6, 0});
    bool complete = false;
    EXPECT_EQ(table.Chain(2, 4, complete), (std::vector<uint32_t>{2, 3, 4, 5}));
    EXPECT_TRUE(complete);
    EXPECT_EQ(table.Chain(2, 5, complete).size(), 4u);
    EXPECT_FALSE(complete) << "ends before the size";
    EXPECT_EQ(table.Chain(2, 2, complete).size(), 2u);
    EXPECT_TRUE(complete);
    EXPECT_EQ(table.Chain(6, 10, complete), (std::vector<uint32_t>{6, 7}));
    EXPECT_FALSE(complete) << "loop";
    EXPECT_EQ(table.Chain(8, 2, complete), (std::vector<uint32_t>{8}));
    EXPECT_FALSE(complete) << "free link";
    EXPECT_TRUE(table.Chain(9, 1, complete).empty());
    EXPECT_TRUE(table.Chain(1, 1, complete).empty());
}

TEST(ExFatAllocationBitmap, CountsFromClusterTwoAndTreatsOutsideAsInUse) {
    CExFatAllocationBitmap bitmap;
    const std::vector<uint8_t> bits = {0x05, 0x01};
    EXPECT_FALSE(bitmap.Assign(bits, 17));
    ASSERT_TRUE(bitmap.Assign(bits, 9));
    EXPECT_TRUE(bitmap.IsAllocated(2));
    EXPECT_FALSE(bitmap.IsAllocated(3));
    EXPECT_TRUE(bitmap.IsAllocated(4));
    EXPECT_TRUE(bitmap.IsAllocated(10));
    EXPECT_TRUE(bitmap.IsAllocated(11)) << "past the heap";
    EXPECT_TRUE(bitmap.IsAllocated(0));
}

// Clusters 2-9 in use (a whole byte), 10-17 free (a whole byte), 18 free,
// 19 in use, 20-21 free; the last byte's padding bits are set and lie past
// the heap of 20 clusters.
TEST(ExFatAllocationBitmap, FindsTheNextFreeAndAllocatedClusterAcrossWholeBytes) {
    CExFatAllocationBitmap bitmap;
    ASSERT_TRUE(bitmap.Assign(std::vector<uint8_t>{0xFF, 0x00, 0xF2}, 20));
    EXPECT_EQ(bitmap.HeapEnd(), 22u);
    const struct {
        uint64_t from;
        uint64_t free;
        uint64_t allocated;
    } cases[] = {
        {0, 10, 2},     // before the heap: from its first cluster
        {2, 10, 2},     // a whole byte in use is stepped over
        {9, 10, 9},
        {10, 10, 19},   // a whole free byte, then bit 17
        {19, 20, 19},
        {20, 20, 22},   // padding bits are not clusters
        {21, 21, 22},
        {22, 22, 22},   // the heap's end
        {UINT64_MAX, 22, 22},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(bitmap.NextFree(c.from), c.free) << c.from;
        EXPECT_EQ(bitmap.NextAllocated(c.from), c.allocated) << c.from;
    }
    EXPECT_EQ(bitmap.FreeCount(), 11u) << "10-18, 20 and 21";
    CExFatAllocationBitmap full;
    ASSERT_TRUE(full.Assign(std::vector<uint8_t>{0xFF, 0xFF}, 16));
    EXPECT_EQ(full.NextFree(2), full.HeapEnd());
    EXPECT_EQ(full.FreeCount(), 0u);
}

}  // namespace
