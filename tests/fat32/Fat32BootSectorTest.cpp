// The FAT32 boot-sector reader: a sector as mkfs.fat writes it, then one
// field at a time changed to what no FAT32 volume has.
#include "fat32/Fat32BootSector.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

void Put(std::vector<uint8_t>& bytes, size_t offset, uint64_t value, unsigned width) {
    for (unsigned i = 0; i < width; ++i) bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

// 512-byte sectors, 8 per cluster, 32 reserved, two tables of 800 sectors,
// 200,000 sectors in all, root at cluster 2, the copy at sector 6.
std::vector<uint8_t> GoodSector() {
    std::vector<uint8_t> sector(512);
    Put(sector, 0x0B, 512, 2);
    sector[0x0D] = 8;
    Put(sector, 0x0E, 32, 2);
    sector[0x10] = 2;
    sector[0x15] = 0xF8;
    Put(sector, 0x20, 200'000, 4);
    Put(sector, 0x24, 800, 4);
    Put(sector, 0x2C, 2, 4);
    Put(sector, 0x32, 6, 2);
    Put(sector, 510, 0xAA55, 2);
    return sector;
}

TEST(Fat32BootSector, ReadsTheFieldsOfAGoodSector) {
    const std::vector<uint8_t> sector = GoodSector();
    std::string reason;
    ASSERT_TRUE(IsFat32BootSector(sector, &reason)) << reason;
    const auto boot = ReadFat32BootSector(sector, &reason);
    ASSERT_TRUE(boot) << reason;
    EXPECT_EQ(boot->bytesPerSector, 512u);
    EXPECT_EQ(boot->sectorsPerCluster, 8u);
    EXPECT_EQ(boot->reservedSectors, 32u);
    EXPECT_EQ(boot->numberOfTables, 2u);
    EXPECT_EQ(boot->media, 0xF8);
    EXPECT_EQ(boot->totalSectors, 200'000u);
    EXPECT_EQ(boot->sectorsPerTable, 800u);
    EXPECT_EQ(boot->rootCluster, 2u);
    EXPECT_TRUE(boot->hasBootSignature);
    EXPECT_EQ(boot->DataStartSector(), 32u + 2 * 800);
    EXPECT_EQ(boot->TableOffset(), 32u * 512);
    EXPECT_EQ(boot->BackupOffset(), 6u * 512);
    EXPECT_EQ(boot->VolumeBytes(), 200'000ull * 512);
}

TEST(Fat32BootSector, OneWrongFieldRefusesTheSectorWithItsReason) {
    struct Case {
        const char* what;
        size_t offset;
        uint64_t value;
        unsigned width;
        bool fat32Marks;     // the sector still reads as FAT32's, only damaged
        const char* reason;  // a part of the reason
    } cases[] = {
        {"sector size 256", 0x0B, 256, 2, false, "sector size"},
        {"sector size 8192", 0x0B, 8192, 2, false, "sector size"},
        {"sector size 768", 0x0B, 768, 2, false, "sector size"},
        {"no reserved sectors", 0x0E, 0, 2, false, "reserved"},
        {"no table", 0x10, 0, 1, false, "no allocation table"},
        {"fixed root folder", 0x11, 512, 2, false, "FAT12 or FAT16"},
        {"16-bit table size", 0x16, 9, 2, false, "FAT12 or FAT16"},
        {"media 0x10", 0x15, 0x10, 1, false, "media"},
        {"sectors per cluster 0", 0x0D, 0, 1, true, "sectors per cluster is 0"},
        {"sectors per cluster 3", 0x0D, 3, 1, true, "not a power of two"},
        {"five tables", 0x10, 5, 1, true, "more than 4"},
        {"table size 0", 0x24, 0, 4, true, "table size is 0"},
        {"tables fill the volume", 0x20, 32 + 2 * 800, 4, true, "no room for data"},
        {"no sector count", 0x20, 0, 4, true, "no room for data"},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> sector = GoodSector();
        Put(sector, c.offset, c.value, c.width);
        std::string reason;
        EXPECT_FALSE(ReadFat32BootSector(sector, &reason)) << c.what;
        EXPECT_NE(reason.find(c.reason), std::string::npos) << c.what << ": " << reason;
        EXPECT_EQ(IsFat32BootSector(sector), c.fat32Marks) << c.what;
    }
}

TEST(Fat32BootSector, TheSignatureIsReportedNotRequired) {
    std::vector<uint8_t> sector = GoodSector();
    Put(sector, 510, 0, 2);
    const auto boot = ReadFat32BootSector(sector);
    ASSERT_TRUE(boot) << "every field holds";
    EXPECT_FALSE(boot->hasBootSignature);
}

TEST(Fat32BootSector, OtherSectorsAreNoFat32BootSector) {
    std::vector<uint8_t> ntfs = GoodSector();
    Put(ntfs, 0x0E, 0, 2);  // NTFS keeps no reserved sectors and no tables there
    ntfs[0x10] = 0;
    EXPECT_FALSE(IsFat32BootSector(ntfs));
    EXPECT_FALSE(IsFat32BootSector(std::vector<uint8_t>(512)));
    const std::vector<uint8_t> good = GoodSector();
    std::string reason;
    EXPECT_FALSE(ReadFat32BootSector(std::span(good).first(511), &reason));
    EXPECT_NE(reason.find("shorter than 512"), std::string::npos);
}

TEST(Fat32BootSector, ASmallVolumeCountsItsSectorsIn16Bits) {
    // As mkfs.fat writes a FAT32 volume of under 65,536 sectors.
    std::vector<uint8_t> sector = GoodSector();
    Put(sector, 0x20, 0, 4);
    Put(sector, 0x13, 40'000, 2);
    auto boot = ReadFat32BootSector(sector);
    ASSERT_TRUE(boot);
    EXPECT_EQ(boot->totalSectors, 40'000u);
    // The 32-bit count wins when both are set.
    Put(sector, 0x20, 50'000, 4);
    boot = ReadFat32BootSector(sector);
    ASSERT_TRUE(boot);
    EXPECT_EQ(boot->totalSectors, 50'000u);
}

TEST(Fat32BootSector, MediaBytesAndTheBackupSector) {
    for (uint8_t media : {0xF0, 0xF8, 0xF9, 0xFF}) {
        std::vector<uint8_t> sector = GoodSector();
        sector[0x15] = media;
        EXPECT_TRUE(ReadFat32BootSector(sector)) << int(media);
    }
    // A copy named outside the reserved area is no copy.
    std::vector<uint8_t> sector = GoodSector();
    Put(sector, 0x32, 32, 2);
    ASSERT_TRUE(ReadFat32BootSector(sector));
    EXPECT_EQ(ReadFat32BootSector(sector)->backupBootSector, 0u);
    EXPECT_EQ(ReadFat32BootSector(sector)->BackupOffset(), 0u);
}

}  // namespace
