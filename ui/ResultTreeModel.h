#pragma once
// The folder tree of the results window as a Qt item model: a view over the
// results model's tree. Each index points at its TreeNode; the only thing a
// view changes is a node's tick, which goes through the results model's tick
// rules.
#include <QAbstractItemModel>

#include <unordered_map>

class ResultsModel;
struct TreeNode;

class ResultTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    explicit ResultTreeModel(ResultsModel& results, QObject* parent = nullptr);

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    TreeNode* NodeAt(const QModelIndex& index) const;
    QModelIndex IndexOf(const TreeNode& node) const;

    // Ticks changed outside this model (a list row's tick ticks its folder
    // and the folder's ancestors): repaint the node and its ancestors.
    void RefreshTicksUpFrom(const TreeNode& node);

signals:
    // A node's tick was clicked: the list may show other ticks now.
    void nodeTicksChanged();

private:
    void RefreshTicksBelow(TreeNode& node);

    ResultsModel& m_results;
    // The tree never changes after it is built, so each node's row is known
    // once; a view asks for parents all the time.
    std::unordered_map<const TreeNode*, int> m_rowOf;
};
