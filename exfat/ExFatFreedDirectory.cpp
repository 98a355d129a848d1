#include "exfat/ExFatFreedDirectory.h"

#include "exfat/ExFatEntrySet.h"
#include "exfat/ExFatVolume.h"

#include <algorithm>
#include <array>

namespace {

// Entry types with the in-use bit cleared: allocation bitmap, up-case
// table, volume label, file, volume GUID, padding, stream extension, file
// name, and the two vendor entries.
constexpr std::array<uint8_t, 10> kKnownTypes = {0x01, 0x02, 0x03, 0x05, 0x20, 0x21, 0x40, 0x41, 0x60, 0x61};

// How far past the first cluster the later ones are looked for, in free
// clusters stepped over and in clusters read: a folder's data between its
// clusters is its files', a few megabytes on a camera card.
constexpr uint64_t kMostClustersStepped = 1 << 20;
constexpr uint64_t kMostBytesRead = 16ull << 20;

bool ReadCluster(const CExFatVolume& volume, uint32_t cluster, std::span<uint8_t> out) {
    return volume.ReadHeap(volume.Boot().ClusterOffset(cluster), out);
}

// A folder's last cluster holds the end-of-directory entry after its last
// set; a full cluster says nothing, and the folder may go on.
bool EndsTheFolder(std::span<const uint8_t> cluster) {
    for (size_t at = 0; at + CExFatEntrySet::kEntrySize <= cluster.size(); at += CExFatEntrySet::kEntrySize)
        if (cluster[at] == CExFatEntrySet::kEndOfDirectory) return true;
    return false;
}

}  // namespace

bool ReadsAsExFatDirectoryEntries(std::span<const uint8_t> cluster) {
    constexpr size_t kEntry = CExFatEntrySet::kEntrySize;
    const size_t entries = cluster.size() / kEntry;
    if (entries == 0) return false;
    bool ended = false;
    for (size_t i = 0; i < entries; ++i) {
        const uint8_t type = cluster[i * kEntry];
        if (type == CExFatEntrySet::kEndOfDirectory) {
            ended = true;
            continue;
        }
        const uint8_t kind = type & static_cast<uint8_t>(~CExFatEntrySet::kInUse);
        if (ended || std::find(kKnownTypes.begin(), kKnownTypes.end(), kind) == kKnownTypes.end()) return false;
    }
    for (size_t i = 0; i < entries; ++i) {
        if ((cluster[i * kEntry] & static_cast<uint8_t>(~CExFatEntrySet::kInUse)) != CExFatEntrySet::kFileType)
            continue;
        CExFatEntrySet set;
        if (set.Parse(cluster, i)) return true;
    }
    return false;
}

std::vector<uint8_t> ReadFreedExFatDirectory(const CExFatVolume& volume, uint32_t firstCluster, uint64_t length,
                                             std::unordered_set<uint32_t>& seen) {
    std::vector<uint8_t> data;
    const uint32_t clusterSize = volume.Boot().ClusterSize();
    const auto& bitmap = volume.Bitmap();
    if (clusterSize == 0 || bitmap.IsAllocated(firstCluster)) return data;
    data.resize(clusterSize);
    if (!ReadCluster(volume, firstCluster, data)) return {};
    seen.insert(firstCluster);

    // The length its entry gives is not enough: a driver that empties a
    // folder before deleting it shrinks it to one cluster first. So the
    // search goes on while the last cluster found is full.
    bool ended = EndsTheFolder(data);
    std::vector<uint8_t> candidate(clusterSize);
    uint64_t stepped = 0;
    uint64_t read = 0;
    for (uint64_t cluster = bitmap.NextFree(uint64_t(firstCluster) + 1);
         (data.size() < length || !ended) && data.size() < CExFatVolume::kMaxDirectoryBytes &&
         cluster < bitmap.HeapEnd() && stepped < kMostClustersStepped && read < kMostBytesRead;
         cluster = bitmap.NextFree(cluster + 1), ++stepped) {
        const auto number = static_cast<uint32_t>(cluster);
        if (seen.contains(number)) continue;
        read += clusterSize;
        if (!ReadCluster(volume, number, candidate) || !ReadsAsExFatDirectoryEntries(candidate)) continue;
        seen.insert(number);
        data.insert(data.end(), candidate.begin(), candidate.end());
        ended = EndsTheFolder(candidate);
    }
    return data;
}
