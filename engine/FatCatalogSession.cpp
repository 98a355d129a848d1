#include "engine/FatCatalogSession.h"

#include "catalog/CatalogContext.h"
#include "catalog/RawFolder.h"
#include "catalog/RootFolder.h"
#include "engine/ScanContext.h"
#include "engine/SessionCodec.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace {

enum class FolderKind : uint8_t { Root = 0, Folder = 1, Lost = 2 };
constexpr uint64_t kLastFolderKind = 2;
constexpr uint64_t kLastLayout = static_cast<uint64_t>(ContentLayout::FreeClusters);
// Folders the tree may show when every shared folder is counted where it
// is linked, and the deepest nesting: bounds far above any real tree, below
// one that exhausts memory or time.
constexpr uint64_t kMostShownFolders = uint64_t(1) << 22;
constexpr uint64_t kMostNesting = 4096;
// Smallest bytes a folder and a file take in the part.
constexpr size_t kLeastFolderBytes = 40;
constexpr size_t kLeastFileBytes = 36;

void WriteEntry(SessionWriter& writer, const CEntry& entry) {
    writer.Bytes(entry.m_dirEntry);
    writer.Number(entry.m_longNameCount);
    writer.Blob(entry.m_longNameEntries);
    writer.Flag(entry.m_inDeletedFolder);
}

bool ReadEntry(SessionReader& reader, CEntry& entry) {
    std::span<const uint8_t> dirEntry = reader.Bytes(kDirEntrySize);
    const uint64_t count = reader.NumberUpTo(UINT16_MAX, "a long-name count");
    std::span<const uint8_t> longNames = reader.Blob();
    entry.m_inDeletedFolder = reader.Flag();
    if (reader.Failed()) return false;
    if (longNames.size() != count * kDirEntrySize) {
        reader.Fail("a long name does not fill its entries");
        return false;
    }
    std::copy(dirEntry.begin(), dirEntry.end(), entry.m_dirEntry.begin());
    entry.m_longNameCount = static_cast<uint16_t>(count);
    entry.m_longNameEntries.assign(longNames.begin(), longNames.end());
    return true;
}

FolderKind KindOf(const CFolderEntry& folder, const ScanContext& context) {
    if (&folder == context.fatRootFolder.get()) return FolderKind::Root;
    return dynamic_cast<const CRawFolder*>(&folder) ? FolderKind::Lost : FolderKind::Folder;
}

void WriteFolder(SessionWriter& writer, const CFolderEntry& folder, FolderKind kind,
                 const std::unordered_map<const CFolderEntry*, uint64_t>& ids) {
    writer.Number(static_cast<uint64_t>(kind));
    WriteEntry(writer, folder);
    writer.Number(folder.m_parentCluster);
    writer.Flag(folder.m_hasContent);
    writer.Number(folder.m_continuationClusters.size());
    for (uint64_t cluster : folder.m_continuationClusters) writer.Number(cluster);
    if (kind == FolderKind::Lost) {
        const auto& lost = static_cast<const CRawFolder&>(folder);
        writer.Number(lost.m_cluster);
        writer.Signed(lost.m_number);
    }
    writer.Number(folder.m_files.size());
    for (const auto& file : folder.m_files) {
        WriteEntry(writer, *file);
        writer.Number(static_cast<uint64_t>(file->GetContentLayout()));
    }
    std::vector<uint64_t> children;
    for (const auto& sub : folder.m_subFolders)
        if (auto id = ids.find(sub.get()); id != ids.end()) children.push_back(id->second);
    writer.Number(children.size());
    for (uint64_t id : children) writer.Number(id);
}

// Numbers and writes every folder below `top` that has no number yet,
// children before their parents; a folder met again while its own subtree
// is written (a loop) is left out of the listing that names it.
void WriteSubtree(const CFolderEntry& top, const ScanContext& context, SessionWriter& folders, uint64_t& count,
                  std::unordered_map<const CFolderEntry*, uint64_t>& ids) {
    if (ids.contains(&top)) return;
    std::unordered_set<const CFolderEntry*> open{&top};
    std::vector<std::pair<const CFolderEntry*, size_t>> stack{{&top, 0}};
    while (!stack.empty()) {
        auto& [folder, next] = stack.back();
        if (next < folder->m_subFolders.size()) {
            const CFolderEntry* sub = folder->m_subFolders[next++].get();
            if (!ids.contains(sub) && open.insert(sub).second) stack.push_back({sub, 0});
            continue;
        }
        const CFolderEntry* done = folder;
        stack.pop_back();
        WriteFolder(folders, *done, KindOf(*done, context), ids);
        ids[done] = count++;
    }
}

std::shared_ptr<CFolderEntry> ReadFolder(SessionReader& reader, ScanContext& context,
                                         const std::vector<std::shared_ptr<CFolderEntry>>& earlier,
                                         std::vector<uint64_t>& shown, std::vector<uint64_t>& nesting,
                                         FolderKind& kind) {
    CatalogContext& catalog = context.catalog;
    kind = static_cast<FolderKind>(reader.NumberUpTo(kLastFolderKind, "a folder kind"));
    CEntry entry;
    if (!ReadEntry(reader, entry)) return nullptr;
    const uint64_t parentCluster = reader.Number();
    const bool hasContent = reader.Flag();
    std::vector<uint64_t> continuation(reader.Count(1, "continuation clusters"));
    for (uint64_t& cluster : continuation) cluster = reader.Number();
    std::shared_ptr<CFolderEntry> folder;
    if (kind == FolderKind::Lost) {
        const uint64_t cluster = reader.Number();
        const int64_t number = reader.Signed();
        if (number < 0 || number > INT32_MAX) reader.Fail("a lost folder's number is out of range");
        auto lost = std::make_shared<CRawFolder>(catalog, std::span<const uint8_t>{}, cluster);
        lost->m_number = static_cast<int32_t>(number);
        folder = lost;
    } else if (kind == FolderKind::Root) {
        folder = std::make_shared<CRootFolder>(catalog);
    } else {
        folder = std::make_shared<CFolderEntry>(catalog, std::span<const uint8_t>{}, 0, parentCluster,
                                                entry.m_dirEntry, entry.m_inDeletedFolder);
    }
    static_cast<CEntry&>(*folder) = entry;
    folder->m_parentCluster = parentCluster;
    folder->m_hasContent = hasContent;
    folder->m_continuationClusters = std::move(continuation);

    const uint64_t files = reader.Count(kLeastFileBytes, "files in a folder");
    for (uint64_t i = 0; i < files && !reader.Failed(); ++i) {
        CEntry fileEntry;
        if (!ReadEntry(reader, fileEntry)) break;
        auto layout = static_cast<ContentLayout>(reader.NumberUpTo(kLastLayout, "a file's layout"));
        auto file = std::make_unique<CFileEntry>(fileEntry.m_longNameEntries, fileEntry.m_longNameCount,
                                                 fileEntry.m_dirEntry, fileEntry.m_inDeletedFolder, catalog);
        file->SetKnownLayout(layout);
        folder->m_files.push_back(std::move(file));
    }
    uint64_t folderShown = 1;
    uint64_t folderNesting = 1;
    const uint64_t children = reader.Count(1, "subfolders");
    for (uint64_t i = 0; i < children && !reader.Failed(); ++i) {
        const uint64_t id = reader.Number();
        if (id >= earlier.size()) {
            reader.Fail("a folder lists a folder that does not come before it");
            break;
        }
        if (earlier[id] == context.fatRootFolder || dynamic_cast<CRootFolder*>(earlier[id].get())) {
            reader.Fail("a folder lists the root folder");
            break;
        }
        folder->m_subFolders.push_back(earlier[id]);
        folderShown += shown[id];
        folderNesting = std::max(folderNesting, nesting[id] + 1);
        if (folderShown > kMostShownFolders || folderNesting > kMostNesting)
            reader.Fail("the folder tree is larger than any volume holds");
    }
    shown.push_back(folderShown);
    nesting.push_back(folderNesting);
    return reader.Failed() ? nullptr : folder;
}

}  // namespace

void SaveFatCatalog(SessionWriter& writer, const ScanContext& context) {
    const CatalogContext& catalog = context.catalog;
    SessionWriter folders;
    uint64_t count = 0;
    std::unordered_map<const CFolderEntry*, uint64_t> ids;
    if (context.fatRootFolder) WriteSubtree(*context.fatRootFolder, context, folders, count, ids);
    for (const auto& lost : catalog.lostFatFolders) WriteSubtree(*lost, context, folders, count, ids);
    writer.Number(count);
    writer.Bytes(folders.Data());
    writer.Flag(context.fatRootFolder != nullptr);
    if (context.fatRootFolder) writer.Number(ids.at(context.fatRootFolder.get()));
    writer.Number(catalog.lostFatFolders.size());
    for (const auto& lost : catalog.lostFatFolders) writer.Number(ids.at(lost.get()));
    writer.Signed(catalog.rawFolderCounter);
    // In order, so that one catalog always makes the same bytes.
    std::vector<uint64_t> seen(catalog.seenDirClusters.begin(), catalog.seenDirClusters.end());
    std::sort(seen.begin(), seen.end());
    writer.Number(seen.size());
    for (uint64_t cluster : seen) writer.Number(cluster);
}

bool LoadFatCatalog(SessionReader& reader, ScanContext& context) {
    CatalogContext& catalog = context.catalog;
    const uint64_t count = reader.Count(kLeastFolderBytes, "folders");
    std::vector<std::shared_ptr<CFolderEntry>> folders;
    std::vector<FolderKind> kinds;
    std::vector<uint64_t> shown, nesting;
    for (uint64_t i = 0; i < count && !reader.Failed(); ++i) {
        FolderKind kind;
        if (auto folder = ReadFolder(reader, context, folders, shown, nesting, kind)) {
            folders.push_back(std::move(folder));
            kinds.push_back(kind);
        }
    }
    if (reader.Failed()) return false;
    // The tree shows the root's subtree and each lost folder's.
    uint64_t treeSize = 0;
    if (reader.Flag()) {
        const uint64_t id = reader.Number();
        if (id >= folders.size() || kinds[id] != FolderKind::Root) {
            reader.Fail("the root folder is not one of the folders");
            return false;
        }
        context.fatRootFolder = std::static_pointer_cast<CRootFolder>(folders[id]);
        treeSize = shown[id];
    }
    const uint64_t lost = reader.Count(1, "lost folders");
    for (uint64_t i = 0; i < lost && !reader.Failed(); ++i) {
        const uint64_t id = reader.Number();
        if (id >= folders.size() || kinds[id] != FolderKind::Lost) {
            reader.Fail("a lost folder is not one of the folders");
            break;
        }
        catalog.lostFatFolders.push_back(std::static_pointer_cast<CRawFolder>(folders[id]));
        treeSize += shown[id];
        if (treeSize > kMostShownFolders) reader.Fail("the folder tree is larger than any volume holds");
    }
    const int64_t counter = reader.Signed();
    if (counter < 0 || counter > INT32_MAX) reader.Fail("the lost-folder numbering is out of range");
    catalog.rawFolderCounter = static_cast<int32_t>(counter);
    const uint64_t seen = reader.Count(1, "directory clusters");
    for (uint64_t i = 0; i < seen && !reader.Failed(); ++i) catalog.seenDirClusters.insert(reader.Number());
    return !reader.Failed();
}
