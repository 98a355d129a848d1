#include "results/TreeBuilder.h"

#include "catalog/FolderEntry.h"
#include "catalog/RawFolder.h"
#include "catalog/RootFolder.h"
#include "engine/ScanContext.h"

#include <map>
#include <set>
#include <utility>
#include <vector>

namespace {

std::unique_ptr<TreeNode> MakeNode(std::u16string text, uint32_t data, NodeKind kind,
                                   uint64_t folderKey = kNoFolderKey) {
    auto node = std::make_unique<TreeNode>();
    node->text = std::move(text);
    node->data = data;
    node->kind = kind;
    node->folderKey = folderKey;
    return node;
}

// Result-store folders by parent key, each list in ascending key order.
using ChildIndex = std::map<uint64_t, std::vector<uint64_t>>;

ChildIndex IndexFolderChildren(const std::map<uint64_t, FolderItem>& folders) {
    ChildIndex index;
    for (const auto& [key, folder] : folders)
        if (!IsCategoryKey(key)) index[ParentKeyOf(folder)].push_back(key);
    return index;
}

// Adds the result-store folders below `parent`, depth first. A folder is
// inserted once at most, so a damaged volume whose parents form a loop
// cannot make the tree endless.
void AddFolderMapChildren(TreeNode& parent, uint64_t parentKey, const ScanContext& context,
                          const ChildIndex& index, std::set<uint64_t>& inserted) {
    std::vector<std::pair<TreeNode*, uint64_t>> pending{{&parent, parentKey}};
    while (!pending.empty()) {
        auto [node, key] = pending.back();
        pending.pop_back();
        auto children = index.find(key);
        if (children == index.end()) continue;
        std::vector<std::pair<TreeNode*, uint64_t>> added;
        for (uint64_t childKey : children->second) {
            if (!inserted.insert(childKey).second) continue;
            const FolderItem& folder = context.folderMap.at(childKey);
            TreeNode& child = node->Append(MakeNode(folder.name, static_cast<uint32_t>(childKey),
                                                    NodeKind::NtfsFolder, childKey));
            added.emplace_back(&child, childKey);
        }
        // Later pushed, sooner visited: reverse keeps the children in key order.
        for (auto it = added.rbegin(); it != added.rend(); ++it) pending.push_back(*it);
    }
}

// Adds the FAT32 subfolders that hold something, depth first; a folder that
// is reachable twice (a lost folder linked under its parent) shows up at
// each place, but never below itself.
void AddFatSubtree(TreeNode& parent, CFolderEntry& folder) {
    std::vector<std::pair<TreeNode*, CFolderEntry*>> pending{{&parent, &folder}};
    while (!pending.empty()) {
        auto [node, entry] = pending.back();
        pending.pop_back();
        std::vector<std::pair<TreeNode*, CFolderEntry*>> added;
        for (const auto& sub : entry->m_subFolders) {
            if (!sub->m_hasContent) continue;
            bool onPath = false;
            for (const TreeNode* up = node; up && !onPath; up = up->parent) onPath = up->fatFolder == sub.get();
            if (onPath) continue;
            auto child = MakeNode(sub->GetDisplayName(), 0, NodeKind::FatFolder);
            child->fatFolder = sub.get();
            added.emplace_back(&node->Append(std::move(child)), sub.get());
        }
        for (auto it = added.rbegin(); it != added.rend(); ++it) pending.push_back(*it);
    }
}

}  // namespace

std::unique_ptr<TreeNode> BuildTree(const ScanContext& context, char16_t driveLetter) {
    auto root = MakeNode(std::u16string(1, driveLetter) + u"盘", 0, NodeKind::Drive);
    const ChildIndex index = IndexFolderChildren(context.folderMap);
    std::set<uint64_t> inserted;

    TreeNode& deleted = root->Append(
        MakeNode(u"删除的文件", uint32_t(kRootFolderKey), NodeKind::DeletedFiles, kRootFolderKey));
    const bool fatCatalog = ResultsInFatCatalog(context.resultKind);
    if (fatCatalog) {
        deleted.folderKey = kNoFolderKey;
        if (context.fatRootFolder) {
            deleted.fatFolder = context.fatRootFolder.get();
            AddFatSubtree(deleted, *context.fatRootFolder);
        } else {
            deleted.data = 0;
        }
    } else {
        AddFolderMapChildren(deleted, kRootFolderKey, context, index, inserted);
    }

    TreeNode& found = root->Append(MakeNode(u"找到的文件", 0, NodeKind::FoundFiles));
    if (fatCatalog) {
        for (const auto& lost : context.catalog.lostFatFolders) {
            auto node = MakeNode(lost->GetDisplayName(), 0, NodeKind::FatFolder);
            node->fatFolder = lost.get();
            AddFatSubtree(found.Append(std::move(node)), *lost);
        }
    } else {
        AddFolderMapChildren(found, 0, context, index, inserted);
    }

    // Carved files must stay reachable whatever the mode: the type node is
    // shown whenever a type folder exists.
    const auto categories = context.folderMap.upper_bound(kCategoryKeyBase);
    const auto categoriesEnd = context.folderMap.lower_bound(kFormerVolumeKeyBase);
    if (fatCatalog || context.recoveryMode == 2 || categories != categoriesEnd) {
        TreeNode& byType = root->Append(MakeNode(u"按类型分类的文件", kAllOnesData, NodeKind::ByType));
        for (auto it = categories; it != categoriesEnd; ++it)
            byType.Append(MakeNode(it->second.name, static_cast<uint32_t>(it->first - kCategoryKeyBase),
                                   NodeKind::Category, it->first));
    }

    root->expanded = true;
    deleted.expanded = true;
    return root;
}
