#include "catalog/FreedDirectory.h"

#include "catalog/CatalogContext.h"
#include "catalog/FolderLoader.h"
#include "device/VolumeAccess.h"
#include "fat32/DirectoryEntry.h"

#include <algorithm>

namespace {

// What one search for the next cluster may read, and how many clusters in
// use it may step over: a folder whose continuation is gone costs no more.
constexpr uint64_t kMostSearchBytes = 4 << 20;
constexpr uint64_t kMostSearchSteps = 1 << 22;
constexpr uint8_t kEndOfDirectory = 0x00;

// Whether the directory data ends inside `cluster` (an end-of-directory entry).
bool EndsIn(std::span<const uint8_t> cluster) {
    DirEntryBytes entry;
    for (uint64_t index = 0; EntryAt(cluster, index, entry); ++index)
        if (entry[0] == kEndOfDirectory) return true;
    return false;
}

// One past the last cluster of the data of the files and folders listed in
// `cluster`, as if each lay in one run from its first cluster.
uint64_t EndOfListedData(std::span<const uint8_t> cluster, uint64_t clusterSize, uint64_t clusterEnd) {
    uint64_t end = 0;
    DirEntryBytes entry;
    for (uint64_t index = 0; EntryAt(cluster, index, entry) && entry[0] != kEndOfDirectory; ++index) {
        if (IsLongNameEntry(entry) || IsVolumeLabelEntry(entry)) continue;
        const uint64_t first = EntryFirstCluster(entry);
        if (first < 2 || first >= clusterEnd) continue;
        const uint64_t clusters =
            std::max<uint64_t>(1, (uint64_t(EntryFileSize(entry)) + clusterSize - 1) / clusterSize);
        end = std::max(end, std::min(first + clusters, clusterEnd));
    }
    return end;
}

// Whether `cluster` names a folder whose own ".." entry points back to
// `directoryCluster`: proof that it continues that directory, where other
// clusters of entries (a later cluster of a sibling or of a subfolder) only
// look alike. After a format, a directory's later cluster lies among its
// subfolders' clusters, and theirs around it.
bool NamesSubfolderOf(const CVolumeAccess& device, std::span<const uint8_t> cluster, uint64_t directoryCluster,
                      uint64_t clusterEnd, std::vector<uint8_t>& scratch) {
    DirEntryBytes entry;
    for (uint64_t index = 0; EntryAt(cluster, index, entry) && entry[0] != kEndOfDirectory; ++index) {
        if (IsLongNameEntry(entry) || !IsDirectoryEntry(entry) || entry[0] == kDeletedMarker) continue;
        const uint64_t first = EntryFirstCluster(entry);
        if (first < 2 || first >= clusterEnd || !device.ReadUnits(first, first, scratch)) continue;
        DirEntryBytes dotDot;
        if (IsDirectoryStartCluster(scratch, first) && EntryAt(scratch, 1, dotDot) &&
            EntryFirstCluster(dotDot) == directoryCluster)
            return true;
    }
    return false;
}

// Whether the directory data lists a folder other than its dot entries.
bool HasSubfolders(std::span<const uint8_t> directory) {
    DirEntryBytes entry;
    for (uint64_t index = 0; EntryAt(directory, index, entry) && entry[0] != kEndOfDirectory; ++index)
        if (!IsLongNameEntry(entry) && IsDirectoryEntry(entry) && !IsDotOrLabelEntry(entry) && entry[0] != kDeletedMarker &&
            entry[0] != '.')
            return true;
    return false;
}

class ContinuationSearch {
public:
    ContinuationSearch(const CatalogContext& context, std::vector<uint8_t>& slot)
        : m_context(context), m_device(*context.device), m_slot(slot), m_latestYear(context.LatestYear()),
          m_clusterEnd(context.ClusterEnd()),
          m_readsLeft(std::max<uint64_t>(16, kMostSearchBytes / std::max<uint64_t>(1, slot.size()))) {}

    // The first cluster in [from, to) that continues the directory, read into
    // the slot; 0 when none does or the search's budget is spent. With
    // `directoryCluster`, only one that names a subfolder of that directory.
    uint64_t Find(uint64_t from, uint64_t to, uint64_t directoryCluster = 0) {
        to = std::min(to, m_clusterEnd);
        for (uint64_t cluster = from; cluster < to && m_stepsLeft > 0 && m_readsLeft > 0; ++cluster, --m_stepsLeft) {
            if (m_device.IsUnitInUse(cluster) || m_context.seenDirClusters.contains(cluster)) continue;
            --m_readsLeft;
            if (!m_device.ReadUnits(cluster, cluster, m_slot)) continue;
            if (!IsDirectoryContinuation(m_slot, m_latestYear, m_clusterEnd)) continue;
            if (directoryCluster == 0) return cluster;
            if (m_scratch.size() != m_slot.size()) m_scratch.resize(m_slot.size());
            if (NamesSubfolderOf(m_device, m_slot, directoryCluster, m_clusterEnd, m_scratch)) return cluster;
        }
        return 0;
    }

private:
    const CatalogContext& m_context;
    const CVolumeAccess& m_device;
    std::vector<uint8_t>& m_slot;
    int m_latestYear;
    uint64_t m_clusterEnd;
    uint64_t m_readsLeft;
    uint64_t m_stepsLeft = kMostSearchSteps;
    std::vector<uint8_t> m_scratch;  // a subfolder's first cluster
};

}  // namespace

bool IsDirectoryContinuation(std::span<const uint8_t> cluster, int latestYear, uint64_t clusterEnd) {
    DirEntryBytes entry;
    for (uint64_t index = 0; EntryAt(cluster, index, entry); ++index) {
        // A later cluster starts with an entry; one that ends the directory
        // at once holds nothing of it.
        if (entry[0] == kEndOfDirectory) return index > 0;
        if (IsLongNameEntry(entry)) continue;
        if (IsDotOrLabelEntry(entry) || IsVolumeLabelEntry(entry)) return false;
        if (!IsPlausibleEntry(entry, latestYear, clusterEnd)) return false;
    }
    return cluster.size() >= kDirEntrySize;
}

std::vector<uint64_t> AppendContinuationClusters(const CatalogContext& context, uint64_t firstCluster,
                                                 std::vector<uint8_t>& directory) {
    std::vector<uint64_t> clusters;
    const CVolumeAccess* device = context.device;
    const uint64_t clusterSize = device ? device->GetUnitSize() : 0;
    if (clusterSize == 0 || directory.size() != clusterSize) return clusters;
    const uint64_t clusterEnd = context.ClusterEnd();
    std::vector<uint8_t> slot(clusterSize);
    uint64_t last = firstCluster;
    uint64_t dataEnd = 0;
    while (directory.size() + clusterSize <= kMaxDirectoryBytes) {
        std::span<const uint8_t> lastData = std::span(directory).last(clusterSize);
        if (EndsIn(lastData)) break;
        dataEnd = std::max(dataEnd, EndOfListedData(lastData, clusterSize, clusterEnd));
        const uint64_t after = last + 1;
        uint64_t next = 0;
        // A directory with subfolders is continued, first, by a cluster that
        // names one of them: others may be theirs.
        if (HasSubfolders(directory)) {
            ContinuationSearch proven(context, slot);
            next = proven.Find(after, clusterEnd, firstCluster);
        }
        ContinuationSearch search(context, slot);
        if (next == 0) next = search.Find(std::max(after, dataEnd), clusterEnd);
        if (next == 0 && dataEnd > after) next = search.Find(after, dataEnd);
        if (next == 0) break;
        directory.insert(directory.end(), slot.begin(), slot.end());
        clusters.push_back(next);
        last = next;
    }
    return clusters;
}
