#pragma once
// The two item models of the results window over one results model, kept in
// step: selecting a node refills the list, a node's tick repaints the rows'
// ticks, a row's tick repaints the ticked folder and its ancestors. The
// window's views only display these models and forward what the user does.
#include "ui/ResultListModel.h"
#include "ui/ResultTreeModel.h"

#include <QObject>
#include <QString>

class ResultsModel;
struct TreeNode;

class ResultViews : public QObject {
    Q_OBJECT
public:
    explicit ResultViews(ResultsModel& results, QObject* parent = nullptr);

    ResultTreeModel& Tree() { return m_tree; }
    ResultListModel& List() { return m_list; }
    ResultsModel& Results() { return m_results; }

    // The user selected a tree node: the list shows its files, unless it is
    // a node that lists none.
    void SelectNode(const QModelIndex& treeIndex);
    // Replaces the rows with the files whose names contain `text`; returns
    // how many were found.
    size_t Find(const QString& text);

    // The index of "删除的文件", selected when the window opens.
    QModelIndex DeletedFilesIndex() const;

private:
    ResultsModel& m_results;
    ResultTreeModel m_tree;
    ResultListModel m_list;
};
