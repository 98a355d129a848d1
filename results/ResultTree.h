#pragma once
// The folder tree of the results, as a model with no widgets in it: what the
// results window shows on its left, what the recovery walks, and where the
// user's ticks live.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CFolderEntry;

enum class NodeKind {
    Drive,         // "%c盘", the tree's root
    DeletedFiles,  // "删除的文件"
    FoundFiles,    // "找到的文件"
    ByType,        // "按类型分类的文件"
    NtfsFolder,    // a folder of the result store (deleted, live or placeholder)
    Category,      // a type folder of carved files
    FatFolder,     // a FAT32 catalog folder
};

struct TreeNode {
    std::u16string text;
    uint32_t data = 0;  // the node's 32-bit data: a folder key, 5, 0 or 0xFFFFFFFF
    NodeKind kind = NodeKind::Drive;
    // The result-store folder whose files this node lists; kNoFolderKey when none.
    uint64_t folderKey = ~0ULL;
    CFolderEntry* fatFolder = nullptr;  // FAT32 nodes (and "删除的文件" on FAT32)
    bool checked = false;
    bool expanded = false;
    TreeNode* parent = nullptr;
    std::vector<std::unique_ptr<TreeNode>> children;

    TreeNode& Append(std::unique_ptr<TreeNode> child);
    bool ListsFiles() const;  // false for nodes whose selection leaves the list as it is
};

inline constexpr uint64_t kNoFolderKey = ~0ULL;
inline constexpr uint32_t kAllOnesData = 0xFFFFFFFF;

// Visits `node` and everything below it, parents before children, without
// recursion (trees rebuilt from damaged volumes can be very deep).
template <typename Visit>
void ForEachInSubtree(TreeNode& node, Visit visit) {
    std::vector<TreeNode*> pending{&node};
    while (!pending.empty()) {
        TreeNode* current = pending.back();
        pending.pop_back();
        visit(*current);
        for (auto it = current->children.rbegin(); it != current->children.rend(); ++it)
            pending.push_back(it->get());
    }
}
