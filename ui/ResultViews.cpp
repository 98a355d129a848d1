#include "ui/ResultViews.h"

#include "results/ResultsModel.h"

ResultViews::ResultViews(ResultsModel& results, QObject* parent)
    : QObject(parent), m_results(results), m_tree(results), m_list(results) {
    connect(&m_tree, &ResultTreeModel::nodeTicksChanged, &m_list, &ResultListModel::RefreshTicks);
    connect(&m_list, &ResultListModel::rowTickChanged, this, [this] {
        if (TreeNode* current = m_results.CurrentNode()) m_tree.RefreshTicksUpFrom(*current);
    });
}

void ResultViews::SelectNode(const QModelIndex& treeIndex) {
    TreeNode* node = m_tree.NodeAt(treeIndex);
    if (!node) return;
    if (!node->ListsFiles()) {
        m_results.SelectNode(*node);
        return;
    }
    m_list.ReplaceRows([&] {
        m_results.SelectNode(*node);
        return 0;
    });
}

size_t ResultViews::Find(const QString& text) {
    return m_list.ReplaceRows([&] { return m_results.Find(text.toStdU16String()); });
}

QModelIndex ResultViews::DeletedFilesIndex() const { return m_tree.IndexOf(*m_results.DeletedFilesNode()); }
