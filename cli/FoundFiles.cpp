#include "cli/FoundFiles.h"

#include "catalog/FolderEntry.h"
#include "engine/ScanContext.h"
#include "results/ResultsModel.h"

FoundFiles::FoundFiles(ResultsModel& model) {
    ScanContext& context = model.Context();
    for (DeletedFileItem& item : context.deletedFiles) m_itemsByFolder[FolderKeyOf(item)].push_back(&item);
    m_count = context.deletedFiles.size();
    ForEachInSubtree(model.Root(), [&](TreeNode& node) {
        m_nodes.push_back(&node);
        std::u16string path;
        if (node.parent && node.parent->parent) path = m_paths[node.parent] + u"/" + node.text;
        else if (node.parent) path = node.text;
        m_paths.emplace(&node, std::move(path));
        if (node.fatFolder) m_count += node.fatFolder->m_files.size();
        else if (node.folderKey != kNoFolderKey) m_nodeByFolder.emplace(node.folderKey, &node);
    });
}

std::span<DeletedFileItem* const> FoundFiles::ItemsOf(const TreeNode& node) const {
    if (node.fatFolder || node.folderKey == kNoFolderKey) return {};
    auto it = m_itemsByFolder.find(node.folderKey);
    return it == m_itemsByFolder.end() ? std::span<DeletedFileItem* const>() : std::span(it->second);
}

const std::u16string& FoundFiles::PathOf(const TreeNode& node) const {
    static const std::u16string kNone;
    auto it = m_paths.find(&node);
    return it == m_paths.end() ? kNone : it->second;
}

const std::u16string& FoundFiles::FolderPathOf(const DeletedFileItem& item) const {
    static const std::u16string kNone;
    auto it = m_nodeByFolder.find(FolderKeyOf(item));
    return it == m_nodeByFolder.end() ? kNone : PathOf(*it->second);
}
