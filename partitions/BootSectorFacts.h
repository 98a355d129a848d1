#pragma once
// What a volume's boot sector says about the volume, as far as finding a lost
// partition needs it, and the checks that tell a real boot sector from bytes
// that only look like one. Each entry reads the sector through its file
// system's own boot-sector reader, the one the scan opens volumes with, so
// the search and the scan never disagree about a boot sector's fields. The
// search alone also asks NTFS and FAT32 boot sectors for the 55 AA that
// ends them, since it looks at every sector of a disk (exFAT's reader asks
// for it everywhere: its format requires it).
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

namespace partitions {

struct BootSectorFacts {
    std::string fileSystem;     // "NTFS", "FAT32", "exFAT"
    uint64_t volumeBytes = 0;   // the volume's size, as its partition had it
    uint64_t backupOffset = 0;  // bytes from the volume's start to the copy of this sector; 0: none
};

// Reads bytes at an offset of the disk; false when they cannot be read.
using DiskReader = std::function<bool(uint64_t offset, std::span<uint8_t> bytes)>;

// One file system's boot sector: `parse` checks a sector on its own;
// `confirm` checks, for a volume starting at `start` whose boot sector (or
// its copy) was seen at `hit`, a structure elsewhere in the volume.
struct VolumeSignature {
    std::optional<BootSectorFacts> (*parse)(std::span<const uint8_t> sector);
    bool (*confirm)(std::span<const uint8_t> sector, uint64_t start, uint64_t hit, const DiskReader& read);
};

std::optional<BootSectorFacts> ParseNtfsBootSector(std::span<const uint8_t> sector);
bool ConfirmNtfsVolume(std::span<const uint8_t> sector, uint64_t start, uint64_t hit, const DiskReader& read);
std::optional<BootSectorFacts> ParseFat32BootSector(std::span<const uint8_t> sector);
bool ConfirmFat32Volume(std::span<const uint8_t> sector, uint64_t start, uint64_t hit, const DiskReader& read);
std::optional<BootSectorFacts> ParseExfatBootSector(std::span<const uint8_t> sector);
bool ConfirmExfatVolume(std::span<const uint8_t> sector, uint64_t start, uint64_t hit, const DiskReader& read);

inline constexpr VolumeSignature kVolumeSignatures[] = {
    {ParseNtfsBootSector, ConfirmNtfsVolume},
    {ParseFat32BootSector, ConfirmFat32Volume},
    {ParseExfatBootSector, ConfirmExfatVolume},
};

}  // namespace partitions
