#pragma once
// The item view of the result tree and of the file list. Beyond a plain tree
// view it asks for context menus at the item they concern, from the mouse or
// from the keyboard's menu key, and can leave the selection alone when a
// check box is clicked (ticking a folder is not opening it). Space ticks the
// current row whichever of its columns has the focus.
#include <QTreeView>

class ResultItemView : public QTreeView {
    Q_OBJECT
public:
    explicit ResultItemView(QWidget* parent = nullptr);

    // When set, a click on an item's check box only flips the tick.
    void SetCheckBoxKeepsSelection(bool keeps) { m_checkBoxKeepsSelection = keeps; }
    // Where the item's check box is drawn, in viewport coordinates.
    QRect CheckBoxRect(const QModelIndex& index) const;

signals:
    // A context menu was asked for on `index` (the mouse's item, or the
    // current item for the menu key), to be shown at `globalPosition`.
    void contextMenuAt(const QModelIndex& index, const QPoint& globalPosition);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool OnCheckBox(const QPoint& position, QModelIndex& index) const;
    void FlipTick(const QModelIndex& index);

    bool m_checkBoxKeepsSelection = false;
    bool m_swallowRelease = false;
};
