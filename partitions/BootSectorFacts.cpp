// The search's entries over the file systems' own boot-sector readers: each
// turns what a reader found into the facts the search needs, and looks for
// the structure a real volume has where its boot sector points.
#include "partitions/BootSectorFacts.h"

#include "exfat/ExFatBootSector.h"
#include "fat32/Fat32BootSector.h"
#include "fat32/Fat32Table.h"
#include "ntfs/NtfsBootSector.h"

#include <array>
#include <vector>

namespace partitions {
namespace {

// Reads bytes `offset` bytes into a volume that starts at `start`.
bool ReadInVolume(const DiskReader& read, uint64_t start, uint64_t offset, std::span<uint8_t> bytes) {
    return offset <= UINT64_MAX - start && read(start + offset, bytes);
}

// The search looks at every sector of a disk, so it takes only boot sectors
// that end in 55 AA; a volume the scan opens may have lost it.
std::optional<NtfsBootSector> SignedNtfsBootSector(std::span<const uint8_t> sector) {
    std::optional<NtfsBootSector> boot = ReadNtfsBootSector(sector);
    if (boot && !boot->hasBootSignature) return std::nullopt;
    return boot;
}

std::optional<Fat32BootSector> SignedFat32BootSector(std::span<const uint8_t> sector) {
    std::optional<Fat32BootSector> boot = ReadFat32BootSector(sector);
    if (boot && !boot->hasBootSignature) return std::nullopt;
    return boot;
}

}  // namespace

// NTFS: the boot sector at the volume's first sector, and its copy in the
// last sector of the partition, just past the sectors the volume counts.
std::optional<BootSectorFacts> ParseNtfsBootSector(std::span<const uint8_t> sector) {
    const std::optional<NtfsBootSector> boot = SignedNtfsBootSector(sector);
    if (!boot) return std::nullopt;
    // A size that does not fit 64 bits comes from a damaged sector.
    const std::optional<uint64_t> backup = boot->BackupOffset();
    if (!backup) return std::nullopt;
    return BootSectorFacts{"NTFS", *backup + boot->bytesPerSector, *backup};
}

bool ConfirmNtfsVolume(std::span<const uint8_t> sector, uint64_t start, uint64_t, const DiskReader& read) {
    // The master file table, or its mirror, opens with a file record where
    // the boot sector says; a copy of the boot sector seen at the volume's
    // end fails this test when taken for a volume starting there.
    const std::optional<NtfsBootSector> boot = SignedNtfsBootSector(sector);
    if (!boot) return false;
    for (const std::optional<uint64_t> offset : {std::optional(boot->MftOffset()), boot->MftMirrorOffset()}) {
        std::array<uint8_t, kFileRecordSignatureSize> head{};
        if (offset && ReadInVolume(read, start, *offset, head) && OpensWithFileRecord(head)) return true;
    }
    return false;
}

// FAT32: the boot sector at the volume's first sector and its copy in the
// reserved area (sector 6 as every formatter writes it).
std::optional<BootSectorFacts> ParseFat32BootSector(std::span<const uint8_t> sector) {
    const std::optional<Fat32BootSector> boot = SignedFat32BootSector(sector);
    if (!boot) return std::nullopt;
    return BootSectorFacts{"FAT32", boot->VolumeBytes(), boot->BackupOffset()};
}

bool ConfirmFat32Volume(std::span<const uint8_t> sector, uint64_t start, uint64_t, const DiskReader& read) {
    // The first allocation table starts with the media entry; the copy of
    // the boot sector at sector 6, taken for a volume starting there, points
    // into the table's middle.
    const std::optional<Fat32BootSector> boot = SignedFat32BootSector(sector);
    if (!boot) return false;
    std::array<uint8_t, CFat32Table::kEntrySize> entry{};
    return ReadInVolume(read, start, boot->TableOffset(), entry) &&
           CFat32Table::OpensWithMediaEntry(entry, boot->media);
}

// exFAT: the main boot region (its checksum in its last sector) and its
// copy, the backup boot region, right after it. The exFAT reader itself asks
// for the 55 AA.
std::optional<BootSectorFacts> ParseExfatBootSector(std::span<const uint8_t> sector) {
    CExFatBootSector boot;
    if (!boot.Parse(sector, CExFatBootSector::kUnboundedSource)) return std::nullopt;
    return BootSectorFacts{"exFAT", boot.VolumeBytes(), boot.RegionBytes()};
}

bool ConfirmExfatVolume(std::span<const uint8_t> sector, uint64_t start, uint64_t hit, const DiskReader& read) {
    // The boot region that was seen must carry its checksum, and the first
    // allocation table must open with its reserved entries: the backup
    // region, taken for a volume starting there, points into the table's middle.
    CExFatBootSector boot;
    if (!boot.Parse(sector, CExFatBootSector::kUnboundedSource)) return false;
    std::vector<uint8_t> region(boot.RegionBytes());
    if (!read(hit, region) || !BootRegionChecksumMatches(region, boot.SectorSize())) return false;
    std::array<uint8_t, kTableHeadSize> head{};
    return ReadInVolume(read, start, boot.FatOffsetBytes(), head) && TableOpensWithReservedEntries(head);
}

}  // namespace partitions
