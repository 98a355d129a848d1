#include "partitions/DiskLayout.h"

#include "partitions/PartitionTable.h"
#include "partitions/TableCheck.h"
#include "platform/RawSource.h"
#include "platform/TextConvert.h"
#include "platform/VolumeInfo.h"

#include <algorithm>

namespace partitions {
namespace {

void NameFileSystems(const std::string& path, DiskLayout& layout) {
    for (PartitionEntry& entry : layout.partitions) {
        if (!entry.IsVolume() || !entry.fileSystem.empty()) continue;
        std::u16string name;
        if (platform::ProbeFileSystemName(path, name, {entry.start, entry.size}))
            entry.fileSystem = platform::ToUtf8(name);
    }
}

void AddFoundVolumes(const SearchResult& search, DiskLayout& layout) {
    uint32_t next = 1;
    for (const PartitionEntry& entry : layout.partitions) next = std::max(next, entry.number + 1);
    for (const FoundVolume& volume : search.volumes) {
        // A volume where the table has a readable partition is that partition.
        const bool listed = std::any_of(layout.partitions.begin(), layout.partitions.end(), [&](const auto& entry) {
            return entry.origin == PartitionOrigin::Table && entry.IsVolume() && entry.start == volume.start;
        });
        if (listed) continue;
        PartitionEntry entry;
        entry.number = next++;
        entry.start = volume.start;
        entry.size = volume.size;
        entry.origin = PartitionOrigin::Found;
        entry.fileSystem = volume.fileSystem;
        if (volume.byBackup) entry.problem = "found by the copy of its boot sector; the boot sector itself is damaged";
        std::vector<PartitionEntry> one{entry};
        CheckPartitions(one, layout.diskBytes);
        layout.partitions.push_back(std::move(one.front()));
    }
}

}  // namespace

const PartitionEntry* DiskLayout::Find(uint32_t number) const {
    for (const PartitionEntry& entry : partitions)
        if (entry.number == number) return &entry;
    return nullptr;
}

bool DiskLayout::HasTableVolumes() const {
    return std::any_of(partitions.begin(), partitions.end(), [](const PartitionEntry& entry) {
        return entry.origin == PartitionOrigin::Table && !entry.extended;
    });
}

bool ReadDiskLayout(const std::string& path, uint32_t configuredSectorSize, const LayoutOptions& options,
                    DiskLayout& layout, std::string& reason) {
    layout = {};
    auto disk = platform::RawSource::Open(path, configuredSectorSize, reason);
    platform::Geometry geometry;
    if (!disk) return false;
    if (!disk->QueryGeometry(geometry)) {
        reason = path + ": the size of the disk cannot be read";
        return false;
    }
    layout.diskBytes = geometry.byteSize;
    layout.sectorSize = geometry.sectorSize;

    PartitionTable table;
    if (!ReadPartitionTable(path, configuredSectorSize, table, reason)) return false;
    layout.scheme = table.scheme;
    layout.partitions = std::move(table.entries);
    layout.messages = CheckPartitions(layout.partitions, layout.diskBytes);
    NameFileSystems(path, layout);

    if (options.search != SearchDepth::None) {
        SearchOptions search{options.search == SearchDepth::Deep, options.progress};
        SearchResult found = SearchLostVolumes(*disk, layout.sectorSize, layout.diskBytes, search);
        layout.searched = true;
        layout.stopped = found.stopped;
        layout.unreadableBytes = found.unreadableBytes;
        AddFoundVolumes(found, layout);
    }
    return true;
}

}  // namespace partitions
