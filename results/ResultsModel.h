#pragma once
// Everything the results window decides, without the window: the tree, the
// selected node and its list, the tick rules between the two, and the search.
// A view shows this model and forwards clicks to it.
#include "results/ResultList.h"
#include "results/ResultTree.h"

#include <memory>
#include <string>
#include <vector>

class ScanContext;

class ResultsModel {
public:
    // Builds the tree and selects "删除的文件", as the window does on opening.
    ResultsModel(ScanContext& context, char16_t driveLetter);

    TreeNode& Root() { return *m_root; }
    TreeNode* CurrentNode() const { return m_currentNode; }
    const std::vector<ListRow>& Rows() const { return m_rows; }
    ScanContext& Context() const { return m_context; }

    // The user selected a node: it becomes current, and the list shows its
    // files unless the node is one that lists none (the drive, "找到的文件",
    // "按类型分类的文件"), in which case the list keeps its rows.
    void SelectNode(TreeNode& node);
    // The user clicked a node's check box: the node's tick flips and spreads
    // to its files, its subtree and its ancestors.
    void ClickNodeCheckBox(TreeNode& node);
    // The user clicked a row's check box.
    void ClickRowCheckBox(size_t row);
    // Applies a node's own tick to everything below it.
    void ApplyCheckToSubtree(TreeNode& node);
    // Replaces the rows with the files whose names contain `text`, ignoring
    // ASCII case; returns how many were found.
    size_t Find(const std::u16string& text);

    // The node reached from the root by texts separated by '/', e.g.
    // "删除的文件/Photos"; null when there is none.
    TreeNode* FindNodeByPath(const std::u16string& path);
    TreeNode* DeletedFilesNode() const { return m_root->children.front().get(); }

private:
    void SetNodeTick(TreeNode& node, bool checked);
    void TickAncestors(TreeNode& node);
    void UntickAncestorsWithoutTickedChildren(TreeNode& node);

    ScanContext& m_context;
    std::unique_ptr<TreeNode> m_root;
    TreeNode* m_currentNode = nullptr;
    std::vector<ListRow> m_rows;
};

// The message a search that found nothing shows.
inline constexpr const char16_t* kNothingFoundText = u"没有找到文件";
