#include "catalog/FolderLoader.h"

#include "catalog/CatalogContext.h"
#include "catalog/FolderEntry.h"
#include "catalog/FreedDirectory.h"
#include "catalog/RawFolder.h"
#include "device/VolumeAccess.h"

#include <algorithm>

namespace {

constexpr uint8_t kAttrDirectoryOnly = 0x10;
// Entry 0 of a directory holding this byte ends its listing.
constexpr uint8_t kEndOfDirectory = 0x00;

// Marks a folder as being loaded for as long as its listing runs.
class LoadingPathGuard {
public:
    LoadingPathGuard(CatalogContext& context, uint64_t cluster) : m_path(context.loadingPath) {
        m_path.push_back(cluster);
    }
    ~LoadingPathGuard() { m_path.pop_back(); }
    LoadingPathGuard(const LoadingPathGuard&) = delete;
    LoadingPathGuard& operator=(const LoadingPathGuard&) = delete;

private:
    std::vector<uint64_t>& m_path;
};

bool IsInDeletedFolder(const CFolderEntry& parent) { return parent.IsDeleted(); }

// "." or ".." as a directory writes them: no size, the directory attribute
// alone, the name padded with spaces.
bool IsDotShape(const DirEntryBytes& entry) {
    return EntryFileSize(entry) == 0 && EntryAttribute(entry) == kAttrDirectoryOnly && HasDotNamePadding(entry);
}

void ForgetCluster(CatalogContext& context, uint64_t cluster) {
    if (auto it = context.seenDirClusters.find(cluster); it != context.seenDirClusters.end()) {
        context.seenDirClusters.erase(it);
    }
}

void ForgetFolderClusters(CatalogContext& context, const CFolderEntry& folder) {
    ForgetCluster(context, folder.GetFirstCluster());
    for (uint64_t cluster : folder.m_continuationClusters) ForgetCluster(context, cluster);
}

void MarkContinuationClusters(CatalogContext& context, const CFolderEntry& folder) {
    for (uint64_t cluster : folder.m_continuationClusters) context.seenDirClusters.insert(cluster);
}

// A folder dropped after some of its subfolders were kept gives their
// clusters back to the full scan, which may still find them as lost folders.
void ForgetFolderTree(CatalogContext& context, const CFolderEntry& folder, size_t depth = 0) {
    if (depth >= kMaxFolderDepth) return;
    for (const auto& sub : folder.m_subFolders) {
        if (dynamic_cast<const CRawFolder*>(sub.get())) continue;  // stays a lost folder
        ForgetFolderClusters(context, *sub);
        ForgetFolderTree(context, *sub, depth + 1);
    }
}

}  // namespace

bool LoadDeletedFolder(CFolderEntry& folder) {
    CatalogContext& context = folder.Context();
    const CVolumeAccess* device = context.device;
    uint64_t cluster = folder.GetFirstCluster();
    if (!device || !context.IsDataCluster(cluster) || device->IsUnitInUse(cluster)) return false;

    // Its chain is freed: the first cluster is known, the later ones are
    // looked for in free space.
    std::vector<uint8_t> data(device->GetUnitSize());
    DirEntryBytes dot, dotDot;
    if (!EntryAt(data, 1, dotDot) || !device->ReadUnits(cluster, cluster, data)) return false;
    EntryAt(data, 0, dot);
    EntryAt(data, 1, dotDot);
    if (!IsDotOrLabelEntry(dot) || !IsDotOrLabelEntry(dotDot)) return false;
    if (EntryFirstCluster(dot) != cluster || !IsDotShape(dot)) return false;
    // ".." of a first-level folder holds 0, not the root's cluster.
    if (folder.m_parentCluster == context.RootCluster()) folder.m_parentCluster = 0;
    if (EntryFirstCluster(dotDot) != folder.m_parentCluster || !IsDotShape(dotDot)) return false;

    folder.m_continuationClusters = AppendContinuationClusters(context, cluster, data);
    if (!ListEntries(folder, data, 2, cluster, true)) {
        ForgetFolderTree(context, folder);
        folder.m_subFolders.clear();
        folder.m_files.clear();
        folder.m_continuationClusters.clear();
        folder.m_hasContent = false;
        return false;
    }
    return folder.m_hasContent;
}

bool AddFileEntry(CFolderEntry& parent, std::span<const uint8_t> longNameEntries, uint16_t longNameCount,
                  const DirEntryBytes& entry) {
    bool inDeletedFolder = IsInDeletedFolder(parent);
    // Live files of live folders are not what a recovery is looking for.
    if (entry[0] != kDeletedMarker && !inDeletedFolder) return false;
    parent.m_files.push_back(
        std::make_unique<CFileEntry>(longNameEntries, longNameCount, entry, inDeletedFolder, parent.Context()));
    return true;
}

bool AddSubFolder(CFolderEntry& parent, std::span<const uint8_t> longNameEntries, uint16_t longNameCount,
                  uint64_t parentCluster, const DirEntryBytes& entry) {
    CatalogContext& context = parent.Context();
    uint64_t cluster = EntryFirstCluster(entry);
    // A lost folder found earlier is this folder: link it here as well, with
    // its content, and do not load it again.
    for (const auto& lost : context.lostFatFolders) {
        if (lost->GetFirstCluster() == cluster) {
            parent.m_subFolders.push_back(lost);
            return true;
        }
    }
    const auto& path = context.loadingPath;
    if (path.size() >= kMaxFolderDepth || std::find(path.begin(), path.end(), cluster) != path.end()) return false;

    auto folder = std::make_shared<CFolderEntry>(context, longNameEntries, longNameCount, parentCluster, entry,
                                                 IsInDeletedFolder(parent));
    if (!folder->LoadChildren()) return false;
    context.seenDirClusters.insert(cluster);
    MarkContinuationClusters(context, *folder);
    parent.m_subFolders.push_back(std::move(folder));
    return true;
}

bool ListEntries(CFolderEntry& folder, std::span<const uint8_t> directory, uint64_t firstEntry,
                 uint64_t parentCluster, bool checkPlausible) {
    CatalogContext& context = folder.Context();
    LoadingPathGuard onPath(context, parentCluster);
    const int latestYear = checkPlausible ? context.LatestYear() : 0;
    const uint64_t entryCount = directory.size() / kDirEntrySize;
    const bool outermost = context.loadingPath.size() == 1;
    uint64_t runCount = 0;
    DirEntryBytes entry;
    for (uint64_t index = firstEntry; index < entryCount && EntryAt(directory, index, entry); ++index) {
        if (outermost) {
            context.loadDone = index;
            context.loadTotal = entryCount;
        }
        // A stopped load keeps what it listed: the listing itself is sound.
        if (!context.KeepLoading()) return true;
        if (entry[0] == kEndOfDirectory) break;
        if (IsLongNameEntry(entry)) {
            ++runCount;
            continue;
        }
        if (checkPlausible && !IsPlausibleEntry(entry, latestYear, context.ClusterEnd())) return false;
        // A label names the volume and holds no data, deleted or not.
        if (IsVolumeLabelEntry(entry)) {
            runCount = 0;
            continue;
        }
        // The run is the long-name entries directly before this one; a name
        // has at most 20 of them, so a longer run keeps only its last ones.
        uint16_t count = static_cast<uint16_t>(std::min<uint64_t>(runCount, UINT16_MAX));
        auto run = directory.subspan((index - count) * kDirEntrySize, count * kDirEntrySize);
        bool kept = IsDirectoryEntry(entry) ? AddSubFolder(folder, run, count, parentCluster, entry)
                                            : AddFileEntry(folder, run, count, entry);
        if (kept) folder.m_hasContent = true;
        runCount = 0;
    }
    return true;
}

bool IsDirectoryStartCluster(std::span<const uint8_t> data, uint64_t unit) {
    // The full scan asks this of every free unit: both entries must begin
    // with a point, and almost no other data does.
    if (data.size() < 64 || data[0] != '.' || data[32] != '.') return false;
    DirEntryBytes dot, dotDot;
    if (!EntryAt(data, 0, dot) || !EntryAt(data, 1, dotDot)) return false;
    if (!IsDotOrLabelEntry(dot) || !IsDotOrLabelEntry(dotDot)) return false;
    if (EntryFirstCluster(dot) != unit) return false;
    return IsDotShape(dot) && IsDotShape(dotDot) && dot[dir_entry::kNtReserved] == 0 &&
           dotDot[dir_entry::kNtReserved] == 0;
}

bool LostFolderCheck(CatalogContext& context, uint64_t unit, std::span<const uint8_t> data) {
    // A cluster the catalog already holds, a later cluster of a freed folder
    // included, is directory data. Asked of every free unit, so the test
    // that rejects nearly all of them comes first: a folder's first cluster
    // opens with its two point entries.
    auto& seen = context.seenDirClusters;
    if (data.size() < 64 || data[0] != '.' || data[32] != '.') return !seen.empty() && seen.contains(unit);
    if (seen.contains(unit)) return true;
    if (!IsDirectoryStartCluster(data, unit)) return false;
    context.seenDirClusters.insert(unit);
    auto folder = std::make_shared<CRawFolder>(context, data, unit);
    const bool kept = folder->LoadChildren();
    MarkContinuationClusters(context, *folder);
    if (!kept) return true;
    // Numbered in the order the scan meets them, ascending clusters.
    folder->TakeNumber();
    context.lostFatFolders.push_back(std::move(folder));
    return true;
}
