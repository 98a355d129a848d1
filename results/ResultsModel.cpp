#include "results/ResultsModel.h"

#include "catalog/FolderEntry.h"
#include "catalog/RawFolder.h"
#include "catalog/RootFolder.h"
#include "engine/ScanContext.h"
#include "results/TreeBuilder.h"

#include <algorithm>

ResultsModel::ResultsModel(ScanContext& context, char16_t driveLetter)
    : m_context(context), m_root(BuildTree(context, driveLetter)) {
    SelectNode(*DeletedFilesNode());
}

void ResultsModel::SelectNode(TreeNode& node) {
    m_currentNode = &node;
    if (!node.ListsFiles()) return;
    m_rows = RowsForNode(m_context, node);
}

void ResultsModel::SetNodeTick(TreeNode& node, bool checked) {
    node.checked = checked;
    if (&node == m_currentNode)
        for (ListRow& row : m_rows) row.checked = checked;
    if (node.folderKey == kNoFolderKey) return;
    for (DeletedFileItem& item : m_context.deletedFiles)
        if (FolderKeyOf(item) == node.folderKey) item.checked = checked ? 1 : 0;
}

void ResultsModel::TickAncestors(TreeNode& node) {
    for (TreeNode* up = node.parent; up; up = up->parent) up->checked = true;
}

void ResultsModel::UntickAncestorsWithoutTickedChildren(TreeNode& node) {
    for (TreeNode* current = &node; current->parent; current = current->parent) {
        for (const auto& sibling : current->parent->children)
            if (sibling.get() != current && sibling->checked) return;
        current->parent->checked = false;
    }
}

void ResultsModel::ClickNodeCheckBox(TreeNode& node) {
    bool checked = !node.checked;
    SetNodeTick(node, checked);
    if (checked)
        TickAncestors(node);
    else
        UntickAncestorsWithoutTickedChildren(node);
    for (auto& child : node.children) ForEachInSubtree(*child, [&](TreeNode& n) { SetNodeTick(n, checked); });
}

void ResultsModel::ApplyCheckToSubtree(TreeNode& node) {
    bool checked = node.checked;
    for (auto& child : node.children) ForEachInSubtree(*child, [&](TreeNode& n) { SetNodeTick(n, checked); });
    node.checked = checked;
}

void ResultsModel::ClickRowCheckBox(size_t index) {
    if (index >= m_rows.size()) return;
    ListRow& row = m_rows[index];
    bool wasChecked = row.checked;
    row.checked = !wasChecked;
    if (!wasChecked && m_currentNode) {
        m_currentNode->checked = true;
        TickAncestors(*m_currentNode);
    }
    if (row.item) row.item->checked = wasChecked ? 0 : 1;
}

namespace {

// Files of a FAT32 folder and of its subfolders that hold something.
size_t SearchFatFolder(CFolderEntry& top, const std::u16string& lowered, std::vector<ListRow>& rows) {
    size_t count = 0;
    std::vector<CFolderEntry*> pending{&top};
    std::vector<CFolderEntry*> visited;
    while (!pending.empty()) {
        CFolderEntry* folder = pending.back();
        pending.pop_back();
        // A lost folder can be linked at two places; search it once.
        if (std::find(visited.begin(), visited.end(), folder) != visited.end()) continue;
        visited.push_back(folder);
        for (const auto& file : folder->m_files) {
            if (LowerAscii(file->GetDisplayName()).find(lowered) == std::u16string::npos) continue;
            ListRow row = RowForFatFile(*file);
            row.icon = kIconFile;
            rows.push_back(std::move(row));
            ++count;
        }
        for (auto it = folder->m_subFolders.rbegin(); it != folder->m_subFolders.rend(); ++it)
            if ((*it)->m_hasContent) pending.push_back(it->get());
    }
    return count;
}

}  // namespace

size_t ResultsModel::Find(const std::u16string& text) {
    m_rows.clear();
    const std::u16string lowered = LowerAscii(text);
    size_t count = 0;
    if (ResultsInFatCatalog(m_context.resultKind)) {
        if (m_context.fatRootFolder) count += SearchFatFolder(*m_context.fatRootFolder, lowered, m_rows);
        for (const auto& lost : m_context.catalog.lostFatFolders) count += SearchFatFolder(*lost, lowered, m_rows);
    } else if (m_context.resultKind != ResultKind::CarvedOnly) {
        for (DeletedFileItem& item : m_context.deletedFiles) {
            if (LowerAscii(item.name).find(lowered) == std::u16string::npos) continue;
            ListRow row = RowForItem(m_context, item);
            row.icon = kIconFile;
            m_rows.push_back(std::move(row));
            ++count;
        }
    }
    return count;
}

TreeNode* ResultsModel::FindNodeByPath(const std::u16string& path) {
    TreeNode* node = m_root.get();
    size_t start = 0;
    while (node && start <= path.size()) {
        size_t slash = path.find(u'/', start);
        std::u16string part = path.substr(start, slash == std::u16string::npos ? std::u16string::npos : slash - start);
        if (!part.empty()) {
            TreeNode* next = nullptr;
            for (const auto& child : node->children)
                if (child->text == part) {
                    next = child.get();
                    break;
                }
            node = next;
        }
        if (slash == std::u16string::npos) break;
        start = slash + 1;
    }
    return node;
}
