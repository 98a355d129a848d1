#pragma once
// A vertical list of items of varying height whose text is plain, a path, or
// markup drawn with DrawMarkupText. Items may carry a check box and an image;
// the list scrolls by pixels, keeps one selected item and reports presses,
// double-clicks and check changes to its owner through Notify.
#include "toolkit/HtmlListTypes.h"
#include "toolkit/ImageList.h"

#include <QAbstractScrollArea>

#include <vector>

class CHTMLListCtrl : public QAbstractScrollArea {
    Q_OBJECT
public:
    static constexpr int kControlId = 123;
    static constexpr int kLineStep = 50;   // scroll-bar line and page steps
    static constexpr int kWheelStep = 40;  // one wheel message

    explicit CHTMLListCtrl(QWidget* parent = nullptr);

    // Makes the control a child of `parent` at `rect` (parent coordinates) and shows it.
    bool Create(QWidget* parent, const QRect& rect);
    // Appends an item; a height of 0 means measure the text. Returns its number.
    int InsertItem(const QString& text, int image = 0, int textKind = HLT_PLAIN, int height = 0);
    void SetItemData(int itemNo, std::intptr_t data);
    void SetListStyle(unsigned flags);
    unsigned ListStyle() const { return m_dwListStyle; }
    // The owner's item images; not owned, and set before HLS_IMAGES.
    void SetImageList(const ImageList* images) { m_pImageList = images; }

    int ItemCount() const { return int(m_items.size()); }
    const HTMLLIST_ITEM* Item(int itemNo) const;
    int SelectedItem() const { return m_nSelectedItem; }
    int TotalHeight() const { return m_nTotalHeight; }
    int ScrollPosition() const;
    // The item's rectangle in viewport coordinates at the current scroll position.
    QRect ItemRect(int itemNo) const;

signals:
    // Delivered synchronously, in the order the control sends them.
    void Notify(const HTMLLIST_NOTIFY& notify);

protected:
    virtual void DrawItem(QPainter& painter, const QRect& rect, HTMLLIST_ITEM& item, bool selected);

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    int ComputeItemHeight(const HTMLLIST_ITEM& item, int width) const;
    void RecomputeItems();
    void UpdateScrollBar(bool resetPosition);
    void OnScrollAction(int action);
    void ScrollSelectionIntoView();
    void MoveSelection(int key);
    void ToggleCheck(HTMLLIST_ITEM& item);
    int HitTest(QPoint point) const;
    bool InCheckBox(const QRect& itemRect, QPoint point) const;
    int ImageWidth() const;
    void DrawItemText(QPainter& painter, const QRect& textRect, const HTMLLIST_ITEM& item);
    void SendNotify(int code, const HTMLLIST_ITEM* item);

    std::vector<HTMLLIST_ITEM> m_items;
    int m_nControlId = kControlId;
    int m_nTotalHeight = 0;
    int m_nClientWidth = 0;
    int m_nClientHeight = 0;
    QColor m_clrSelected;
    int m_nSelectedItem = -1;
    bool m_bHasFocus = false;
    unsigned m_dwListStyle = 0;
    ImageList m_checkImages;
    const ImageList* m_pImageList = nullptr;
};
