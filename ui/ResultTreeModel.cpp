#include "ui/ResultTreeModel.h"

#include "results/ResultsModel.h"
#include "ui/ResultIcons.h"

#include <QString>

ResultTreeModel::ResultTreeModel(ResultsModel& results, QObject* parent)
    : QAbstractItemModel(parent), m_results(results) {
    m_rowOf[&results.Root()] = 0;
    ForEachInSubtree(results.Root(), [this](TreeNode& node) {
        for (size_t row = 0; row < node.children.size(); ++row) m_rowOf[node.children[row].get()] = int(row);
    });
}

TreeNode* ResultTreeModel::NodeAt(const QModelIndex& index) const {
    return index.isValid() ? static_cast<TreeNode*>(index.internalPointer()) : nullptr;
}

QModelIndex ResultTreeModel::IndexOf(const TreeNode& node) const {
    auto row = m_rowOf.find(&node);
    if (row == m_rowOf.end()) return {};
    return createIndex(row->second, 0, const_cast<TreeNode*>(&node));
}

QModelIndex ResultTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (row < 0 || column != 0) return {};
    if (!parent.isValid()) return row == 0 ? createIndex(0, 0, &m_results.Root()) : QModelIndex();
    TreeNode* node = NodeAt(parent);
    if (size_t(row) >= node->children.size()) return {};
    return createIndex(row, 0, node->children[size_t(row)].get());
}

QModelIndex ResultTreeModel::parent(const QModelIndex& child) const {
    TreeNode* node = NodeAt(child);
    if (!node || !node->parent) return {};
    return IndexOf(*node->parent);
}

int ResultTreeModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid()) return 1;
    if (parent.column() != 0) return 0;
    return int(NodeAt(parent)->children.size());
}

int ResultTreeModel::columnCount(const QModelIndex&) const { return 1; }

QVariant ResultTreeModel::data(const QModelIndex& index, int role) const {
    const TreeNode* node = NodeAt(index);
    if (!node) return {};
    switch (role) {
        case Qt::DisplayRole:
            return QString::fromStdU16String(node->text);
        case Qt::CheckStateRole:
            return node->checked ? Qt::Checked : Qt::Unchecked;
        case Qt::DecorationRole:
            return node->kind == NodeKind::Drive ? DriveIcon() : FolderIcon();
        default:
            return {};
    }
}

Qt::ItemFlags ResultTreeModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable;
}

bool ResultTreeModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    TreeNode* node = NodeAt(index);
    if (!node || role != Qt::CheckStateRole) return false;
    bool checked = value.value<Qt::CheckState>() == Qt::Checked;
    if (checked == node->checked) return true;
    m_results.ClickNodeCheckBox(*node);
    RefreshTicksUpFrom(*node);
    RefreshTicksBelow(*node);
    emit nodeTicksChanged();
    return true;
}

void ResultTreeModel::RefreshTicksUpFrom(const TreeNode& node) {
    for (const TreeNode* current = &node; current; current = current->parent) {
        QModelIndex changed = IndexOf(*current);
        emit dataChanged(changed, changed, {Qt::CheckStateRole});
    }
}

void ResultTreeModel::RefreshTicksBelow(TreeNode& node) {
    ForEachInSubtree(node, [this](TreeNode& each) {
        if (each.children.empty()) return;
        emit dataChanged(IndexOf(*each.children.front()), IndexOf(*each.children.back()), {Qt::CheckStateRole});
    });
}
