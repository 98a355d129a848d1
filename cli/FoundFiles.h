#pragma once
// What a scan found, indexed once for the listings: the result store's files
// by folder, each tree node's path, and how many files there are in all.
// Listing a node then costs its own files only, not a walk of the store.
#include "results/ResultTree.h"

#include <cstddef>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

class ResultsModel;
class ScanContext;
struct DeletedFileItem;

class FoundFiles {
public:
    explicit FoundFiles(ResultsModel& model);

    // The result-store files a node lists (none for FAT32 nodes).
    std::span<DeletedFileItem* const> ItemsOf(const TreeNode& node) const;
    // "删除的文件/Photos/2024": the node's texts below the drive node.
    const std::u16string& PathOf(const TreeNode& node) const;
    // The path of the folder node that lists a result-store file.
    const std::u16string& FolderPathOf(const DeletedFileItem& item) const;
    // Every file that the tree lists: store files and FAT32 catalog files.
    size_t Count() const { return m_count; }
    // Nodes in listing order: parents before children, siblings in order.
    const std::vector<TreeNode*>& Nodes() const { return m_nodes; }

private:
    std::unordered_map<uint64_t, std::vector<DeletedFileItem*>> m_itemsByFolder;
    std::unordered_map<const TreeNode*, std::u16string> m_paths;
    std::unordered_map<uint64_t, const TreeNode*> m_nodeByFolder;
    std::vector<TreeNode*> m_nodes;
    size_t m_count = 0;
};
