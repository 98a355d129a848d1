#include "fat32/Fat32BootSector.h"
#include "ntfs/NtfsBootSector.h"
#include "partitions/BootSectorFacts.h"
#include "partitions/LostPartitionSearch.h"
#include "platform/RawSource.h"
#include "tests/support/DiskImages.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

using namespace partitions;

std::vector<uint8_t> SectorAt(const std::string& image, uint64_t sector) {
    std::string reason;
    auto source = platform::RawSource::Open(image, 0, reason);
    std::vector<uint8_t> bytes(512);
    EXPECT_TRUE(source && source->ReadAt(sector * 512, bytes.data(), bytes.size())) << reason;
    return bytes;
}

TEST(BootSector, RealBootSectorsGiveTheirVolumesSize) {
    for (const char* disk : {"mbr-disk", "gpt-disk"}) {
        if (!testing_support::VolumeExists(disk)) GTEST_SKIP();
        const std::string image = testing_support::VolumePath(disk);
        for (const auto& row : testing_support::LoadLayout(disk)) {
            const auto sector = SectorAt(image, row.startSector);
            int matches = 0;
            for (const VolumeSignature& signature : kVolumeSignatures) {
                auto facts = signature.parse(sector);
                if (!facts) continue;
                ++matches;
                EXPECT_EQ(facts->fileSystem, row.fileSystem);
                EXPECT_EQ(facts->volumeBytes, row.sectors * 512) << disk << " " << row.number;
                const uint64_t copy = row.fileSystem == "NTFS" ? (row.sectors - 1) * 512
                                      : row.fileSystem == "FAT32" ? 6 * 512 : 12 * 512;
                EXPECT_EQ(facts->backupOffset, copy);
                // The copy is the same sector, up to exFAT's volume flags at byte 106.
                const auto copied = SectorAt(image, row.startSector + copy / 512);
                EXPECT_TRUE(std::equal(sector.begin(), sector.begin() + 106, copied.begin())) << row.fileSystem;
            }
            EXPECT_EQ(matches, 1) << disk << " " << row.number;
        }
    }
}

TEST(BootSector, OneWrongFieldIsEnough) {
    if (!testing_support::VolumeExists("gpt-disk")) GTEST_SKIP();
    const std::string image = testing_support::VolumePath("gpt-disk");
    struct Case {
        size_t row;       // layout row: 0 FAT32, 1 NTFS, 2 exFAT
        size_t offset;
        uint8_t value;
        size_t length = 1;
    } cases[] = {
        {0, 511, 0x00},  {0, 0x0B, 0x03}, {0, 0x0D, 3}, {0, 0x11, 1},   {0, 0x16, 1}, {0, 0x15, 0x10},
        {1, 3, 'M'},     {1, 0x0D, 0},    {1, 0x0D, 0x81}, {1, 0x0C, 0x30}, {1, 0x37, 0xFF},
        {2, 0x20, 1},    {2, 0x6C, 13},   {2, 0x6E, 3},  {2, 0x50, 0, 4},
    };
    const auto rows = testing_support::LoadLayout("gpt-disk");
    ASSERT_EQ(rows.size(), 3u);
    for (const Case& c : cases) {
        auto sector = SectorAt(image, rows[c.row].startSector);
        std::fill_n(sector.begin() + c.offset, c.length, c.value);
        for (const VolumeSignature& signature : kVolumeSignatures)
            EXPECT_FALSE(signature.parse(sector)) << rows[c.row].fileSystem << " byte " << c.offset;
    }
}

TEST(BootSector, TheSearchAsksForTheSignatureThatTheScanDoesWithout) {
    // A lost partition is believed only with the 55 AA; a volume the scan
    // opens is read by the same reader, which only reports it.
    if (!testing_support::VolumeExists("gpt-disk")) GTEST_SKIP();
    const std::string image = testing_support::VolumePath("gpt-disk");
    const auto rows = testing_support::LoadLayout("gpt-disk");
    ASSERT_EQ(rows.size(), 3u);
    auto fat32 = SectorAt(image, rows[0].startSector);
    auto ntfs = SectorAt(image, rows[1].startSector);
    fat32[511] = ntfs[511] = 0;
    EXPECT_FALSE(ParseFat32BootSector(fat32));
    EXPECT_FALSE(ParseNtfsBootSector(ntfs));
    ASSERT_TRUE(ReadFat32BootSector(fat32));
    EXPECT_FALSE(ReadFat32BootSector(fat32)->hasBootSignature);
    ASSERT_TRUE(ReadNtfsBootSector(ntfs));
    EXPECT_FALSE(ReadNtfsBootSector(ntfs)->hasBootSignature);
}

TEST(BootSector, CopiesAreNotTakenForVolumesOfTheirOwn) {
    // Each volume is seen at its boot sector and at its copy; both give the
    // one true start.
    if (!testing_support::VolumeExists("gpt-disk")) GTEST_SKIP();
    const std::string image = testing_support::VolumePath("gpt-disk");
    std::string reason;
    auto source = platform::RawSource::Open(image, 0, reason);
    ASSERT_TRUE(source);
    const DiskReader read = [&](uint64_t offset, std::span<uint8_t> bytes) {
        return source->ReadAt(offset, bytes.data(), bytes.size());
    };
    for (const auto& row : testing_support::LoadLayout("gpt-disk")) {
        const uint64_t copy = row.fileSystem == "NTFS" ? row.sectors - 1 : row.fileSystem == "FAT32" ? 6 : 12;
        for (uint64_t hit : {row.startSector, row.startSector + copy}) {
            std::vector<FoundVolume> volumes;
            CheckSector(SectorAt(image, hit), hit * 512, true, read, volumes);
            ASSERT_EQ(volumes.size(), 1u) << row.fileSystem << " seen at " << hit;
            EXPECT_EQ(volumes[0].start, row.startSector * 512);
            EXPECT_EQ(volumes[0].byBackup, hit != row.startSector);
        }
    }
}

TEST(LostPartitionSearch, VisitsTheUsualAlignmentsAndTheirCopies) {
    for (uint64_t sector : {0, 63, 126, 2048, 2047, 2054, 2060, 16065, 4095, 69})
        EXPECT_TRUE(IsAlignedCandidate(sector * 512, 512)) << sector;
    for (uint64_t sector : {1, 2049, 2055, 5000, 100})
        EXPECT_FALSE(IsAlignedCandidate(sector * 512, 512)) << sector;
    EXPECT_TRUE(IsAlignedCandidate(256 * 4096, 4096));
    EXPECT_FALSE(IsAlignedCandidate(100, 512)) << "not on a sector";
}

}  // namespace
