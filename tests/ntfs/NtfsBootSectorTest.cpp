// The NTFS boot-sector reader: a sector as mkntfs writes it, then one field
// at a time changed to what no NTFS volume has.
#include "ntfs/NtfsBootSector.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

void Put(std::vector<uint8_t>& bytes, size_t offset, uint64_t value, unsigned width) {
    for (unsigned i = 0; i < width; ++i) bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

// 512-byte sectors, 4 KiB clusters, 65,536 sectors, the MFT at cluster 4
// and its mirror at cluster 2, 1 KiB records and 4 KiB index blocks.
std::vector<uint8_t> GoodSector() {
    std::vector<uint8_t> sector(512);
    std::memcpy(&sector[3], "NTFS    ", 8);
    Put(sector, 0x0B, 512, 2);
    sector[0x0D] = 8;
    Put(sector, 0x28, 65'536, 8);
    Put(sector, 0x30, 4, 8);
    Put(sector, 0x38, 2, 8);
    sector[0x40] = 0xF6;
    sector[0x44] = 0x01;
    Put(sector, 510, 0xAA55, 2);
    return sector;
}

TEST(NtfsBootSector, ReadsTheGeometryOfAGoodSector) {
    const std::vector<uint8_t> sector = GoodSector();
    std::string reason;
    const auto boot = ReadNtfsBootSector(sector, &reason);
    ASSERT_TRUE(boot) << reason;
    EXPECT_EQ(boot->bytesPerSector, 512u);
    EXPECT_EQ(boot->sectorsPerCluster, 8u);
    EXPECT_EQ(boot->clusterSize, 4096u);
    EXPECT_EQ(boot->totalSectors, 65'536u);
    EXPECT_EQ(boot->ClusterCount(), 8192u);
    EXPECT_EQ(boot->MftOffset(), 4u * 4096);
    EXPECT_EQ(boot->MftMirrorOffset(), 2u * 4096);
    EXPECT_EQ(boot->fileRecordSize, 1024u) << "0xF6: 2 to the 10th bytes";
    EXPECT_EQ(boot->indexBlockSize, 4096u) << "0x01: one cluster";
    EXPECT_EQ(boot->BackupOffset(), 65'536u * 512);
    EXPECT_TRUE(boot->hasBootSignature);
}

TEST(NtfsBootSector, SizesAndEncodingsTheFormatAllows) {
    struct Case {
        const char* what;
        size_t offset;
        uint64_t value;
        unsigned width;
        uint32_t clusterSize;
        uint32_t fileRecordSize;
    } cases[] = {
        {"one sector per cluster", 0x0D, 1, 1, 512, 1024},
        {"128 sectors per cluster", 0x0D, 0x80, 1, 64 * 1024, 1024},
        {"2 MiB clusters, stored as minus 12", 0x0D, 0xF4, 1, 2 * 1024 * 1024, 1024},
        {"records of one 4 KiB cluster", 0x40, 0x01, 1, 4096, 4096},
        {"4 KiB records as a power of two", 0x40, 0xF4, 1, 4096, 4096},
        {"256-byte sectors", 0x0B, 256, 2, 2048, 1024},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> sector = GoodSector();
        Put(sector, c.offset, c.value, c.width);
        std::string reason;
        const auto boot = ReadNtfsBootSector(sector, &reason);
        ASSERT_TRUE(boot) << c.what << ": " << reason;
        EXPECT_EQ(boot->clusterSize, c.clusterSize) << c.what;
        EXPECT_EQ(boot->fileRecordSize, c.fileRecordSize) << c.what;
    }
    // The signature at the sector's end is not needed; NTFS drivers only warn.
    std::vector<uint8_t> unsignedSector = GoodSector();
    Put(unsignedSector, 510, 0, 2);
    const auto boot = ReadNtfsBootSector(unsignedSector);
    ASSERT_TRUE(boot);
    EXPECT_FALSE(boot->hasBootSignature);
}

TEST(NtfsBootSector, OneWrongFieldRefusesTheSectorWithItsReason) {
    struct Case {
        const char* what;
        size_t offset;
        uint64_t value;
        unsigned width;
        const char* reason;  // a part of the reason
    } cases[] = {
        {"sector size 0", 0x0B, 0, 2, "sector size of 0 bytes"},
        {"sector size 768", 0x0B, 768, 2, "not a power of two from 256 to 4096"},
        {"sector size 8192", 0x0B, 8192, 2, "not a power of two from 256 to 4096"},
        {"sector size 128", 0x0B, 128, 2, "not a power of two from 256 to 4096"},
        {"no sectors per cluster", 0x0D, 0, 1, "sectors per cluster is 0"},
        {"3 sectors per cluster", 0x0D, 3, 1, "cluster size is not a power of two"},
        {"4 MiB clusters", 0x0D, 0xF3, 1, "above 2 MiB"},
        {"2 to the 127th sectors per cluster", 0x0D, 0x81, 1, "above 2 MiB"},
        {"no sectors", 0x28, 0, 8, "no whole cluster"},
        {"fewer sectors than a cluster", 0x28, 7, 8, "no whole cluster"},
        {"records of 2 to the 127th bytes", 0x40, 0x81, 1, "file record size"},
        {"records of one byte", 0x40, 0x00, 1, "file record size"},
        {"records of 17 clusters", 0x40, 17, 1, "file record size"},
        {"1 KiB records on 4096-byte sectors", 0x0B, 4096, 2, "file record size"},
        {"MFT past the volume's end", 0x30, 8192, 8, "past the end"},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> sector = GoodSector();
        Put(sector, c.offset, c.value, c.width);
        std::string reason;
        EXPECT_FALSE(ReadNtfsBootSector(sector, &reason)) << c.what;
        EXPECT_NE(reason.find(c.reason), std::string::npos) << c.what << ": " << reason;
        EXPECT_TRUE(IsNtfsBootSector(sector)) << c.what << ": still NTFS's, only damaged";
    }
}

TEST(NtfsBootSector, OtherSectorsAreNoNtfsBootSector) {
    std::vector<uint8_t> sector = GoodSector();
    std::memcpy(&sector[3], "MSDOS5.0", 8);
    std::string reason;
    EXPECT_FALSE(IsNtfsBootSector(sector, &reason));
    EXPECT_FALSE(ReadNtfsBootSector(sector));
    EXPECT_NE(reason.find("NTFS identifier"), std::string::npos) << reason;
    const std::vector<uint8_t> good = GoodSector();
    EXPECT_FALSE(IsNtfsBootSector(std::span(good).first(511)));
}

TEST(NtfsBootSector, UnusableCountsGiveNoOffsetsInsteadOfWrappedOnes) {
    std::vector<uint8_t> sector = GoodSector();
    Put(sector, 0x38, 8192, 8);  // the mirror past the end is not checked: the volume never reads it
    Put(sector, 0x44, 0x81, 1);  // nor is an unusable index block size
    auto boot = ReadNtfsBootSector(sector);
    ASSERT_TRUE(boot);
    EXPECT_FALSE(boot->MftMirrorOffset());
    EXPECT_EQ(boot->indexBlockSize, 0u);
    Put(sector, 0x28, ~0ULL, 8);  // a sector count whose bytes do not fit 64 bits
    boot = ReadNtfsBootSector(sector);
    ASSERT_TRUE(boot);
    EXPECT_FALSE(boot->BackupOffset());
    Put(sector, 0x30, 1ULL << 60, 8);  // inside that count, but past any 64-bit offset
    std::string reason;
    EXPECT_FALSE(ReadNtfsBootSector(sector, &reason));
    EXPECT_NE(reason.find("past the end"), std::string::npos) << reason;
}

TEST(NtfsBootSector, FileRecordSignature) {
    const std::vector<uint8_t> record = {'F', 'I', 'L', 'E', 0x30, 0};
    EXPECT_TRUE(OpensWithFileRecord(record));
    EXPECT_FALSE(OpensWithFileRecord(std::span(record).first(3)));
    EXPECT_FALSE(OpensWithFileRecord(std::vector<uint8_t>{'B', 'A', 'A', 'D'}));
}

}  // namespace
