#pragma once
// The search for volumes whose partition-table entry is gone: it reads the
// whole disk and looks for NTFS, FAT32 and exFAT boot sectors, or their
// copies, that check out. Read-only: it never writes, not even a repaired table.
#include "partitions/BootSectorFacts.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform {
class RawSource;
}

namespace partitions {

struct FoundVolume {
    uint64_t start = 0;   // bytes from the start of the disk
    uint64_t size = 0;
    std::string fileSystem;
    bool aligned = false;    // seen on an alignment the quick search visits
    bool byBackup = false;   // seen only through the copy of its boot sector
};

struct SearchOptions {
    // Every sector, not only those on the usual partition alignments.
    bool deep = false;
    // Called after each stretch read with the bytes done and the total;
    // returning false stops the search.
    std::function<bool(uint64_t done, uint64_t total)> progress;
};

struct SearchResult {
    std::vector<FoundVolume> volumes;  // quick-search ones first, then by start
    bool stopped = false;
    uint64_t unreadableBytes = 0;      // stretches that could not be read were skipped
};

// Where a partition usually starts on a disk of `sectorSize`-byte sectors:
// 1 MiB, a cylinder or a track of 63 sectors; and where the copies of the
// boot sectors then lie (the sector before a boundary, sectors 6 and 12 after).
bool IsAlignedCandidate(uint64_t offset, uint32_t sectorSize);

SearchResult SearchLostVolumes(const platform::RawSource& disk, uint32_t sectorSize, uint64_t diskBytes,
                               const SearchOptions& options);

// The checks of one sector seen at `hit`, for the search and its fuzz target:
// each volume it shows that checks out, merged into `volumes`.
void CheckSector(std::span<const uint8_t> sector, uint64_t hit, bool aligned, const DiskReader& read,
                 std::vector<FoundVolume>& volumes);

}  // namespace partitions
