#pragma once
// What a whole disk or disk image holds: the partitions of its table,
// checked against the disk, and the lost volumes the search found, numbered
// in one list. `ruvex-cli partitions` shows it and --partition N picks from it.
#include "partitions/LostPartitionSearch.h"
#include "partitions/PartitionEntry.h"

#include <string>
#include <vector>

namespace partitions {

enum class SearchDepth { None, Quick, Deep };

struct LayoutOptions {
    SearchDepth search = SearchDepth::None;
    std::function<bool(uint64_t done, uint64_t total)> progress;  // false stops the search
};

struct DiskLayout {
    std::string scheme;        // "dos", "gpt", ...; empty without a table
    uint64_t diskBytes = 0;
    uint32_t sectorSize = 512;
    // Table partitions by their table numbers, then found volumes numbered
    // after the highest of them: quick-search finds first, then deep ones.
    std::vector<PartitionEntry> partitions;
    std::vector<std::string> messages;  // what the table check left out
    bool searched = false;
    bool stopped = false;
    uint64_t unreadableBytes = 0;

    const PartitionEntry* Find(uint32_t number) const;
    // True when some partition of the table is a volume: the disk is then a
    // whole disk, not a bare volume.
    bool HasTableVolumes() const;
};

// Reads the layout of a whole disk at `path`; false with a reason when the
// disk cannot be opened or probed.
bool ReadDiskLayout(const std::string& path, uint32_t configuredSectorSize, const LayoutOptions& options,
                    DiskLayout& layout, std::string& reason);

}  // namespace partitions
