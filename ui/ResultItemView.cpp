#include "ui/ResultItemView.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>

ResultItemView::ResultItemView(QWidget* parent) : QTreeView(parent) {}

QRect ResultItemView::CheckBoxRect(const QModelIndex& index) const {
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualRect(index);
    option.features |= QStyleOptionViewItem::HasCheckIndicator;
    if (!index.data(Qt::DecorationRole).isNull()) option.features |= QStyleOptionViewItem::HasDecoration;
    option.text = index.data().toString();
    return style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, this);
}

bool ResultItemView::OnCheckBox(const QPoint& position, QModelIndex& index) const {
    index = indexAt(position);
    return index.isValid() && (index.flags() & Qt::ItemIsUserCheckable) && CheckBoxRect(index).contains(position);
}

void ResultItemView::FlipTick(const QModelIndex& index) {
    bool checked = index.data(Qt::CheckStateRole).value<Qt::CheckState>() == Qt::Checked;
    model()->setData(index, checked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
}

void ResultItemView::keyPressEvent(QKeyEvent* event) {
    QModelIndex box = currentIndex().siblingAtColumn(0);
    if ((event->key() == Qt::Key_Space || event->key() == Qt::Key_Select) && event->modifiers() == Qt::NoModifier &&
        box.isValid() && (box.flags() & Qt::ItemIsUserCheckable)) {
        FlipTick(box);
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void ResultItemView::mousePressEvent(QMouseEvent* event) {
    QModelIndex index;
    if (m_checkBoxKeepsSelection && event->button() == Qt::LeftButton && OnCheckBox(event->position().toPoint(), index)) {
        FlipTick(index);
        m_swallowRelease = true;
        event->accept();
        return;
    }
    QTreeView::mousePressEvent(event);
}

void ResultItemView::mouseReleaseEvent(QMouseEvent* event) {
    if (m_swallowRelease) {
        m_swallowRelease = false;
        event->accept();
        return;
    }
    QTreeView::mouseReleaseEvent(event);
}

void ResultItemView::mouseDoubleClickEvent(QMouseEvent* event) {
    QModelIndex index;
    // Two quick clicks on a box are two ticks, not an expand or collapse.
    if (m_checkBoxKeepsSelection && OnCheckBox(event->position().toPoint(), index)) {
        mousePressEvent(event);
        return;
    }
    QTreeView::mouseDoubleClickEvent(event);
}

void ResultItemView::contextMenuEvent(QContextMenuEvent* event) {
    QModelIndex index;
    QPoint position;
    if (event->reason() == QContextMenuEvent::Mouse) {
        // Mouse events reach a scroll area through its viewport.
        position = event->pos();
        index = indexAt(position);
    } else {
        index = currentIndex();
        position = index.isValid() ? visualRect(index).center() : QPoint(0, 0);
    }
    if (!index.isValid()) return;
    emit contextMenuAt(index, viewport()->mapToGlobal(position));
}
