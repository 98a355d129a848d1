#include "toolkit/CHTMLListCtrl.h"

#include "toolkit/KitFonts.h"
#include "toolkit/PainterMarkupCanvas.h"
#include "toolkit/Pictures.h"
#include "toolkit/QtText.h"
#include "toolkit/markup/CompactPath.h"
#include "toolkit/markup/DrawMarkupText.h"

#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionFocusRect>

#include <algorithm>

namespace {

constexpr unsigned kMeasureFormat = DT_CALCRECT | DT_WORDBREAK | DT_EXTERNALLEADING;
constexpr int kTextMargin = 5;
constexpr int kCheckBoxMargin = 24;
constexpr int kCheckBoxColumn = 19;
constexpr int kCheckBoxTextIndent = 21;

const QColor kSeparatorColor(160, 160, 160);

}  // namespace

CHTMLListCtrl::CHTMLListCtrl(QWidget* parent)
    : QAbstractScrollArea(parent), m_clrSelected(127, 202, 254), m_checkImages(QSize(16, 16)) {
    setFont(KitFonts::ListFont());
    viewport()->setFont(font());
    viewport()->setCursor(Qt::ArrowCursor);
    viewport()->setAutoFillBackground(false);
    setFocusPolicy(Qt::StrongFocus);
    setWindowTitle(QStringLiteral("HTMLListCtrl"));
    m_checkImages.AddStrip(Pictures::Bitmap(PictureId::CheckBoxBitmap));
    verticalScrollBar()->setSingleStep(kLineStep);
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this, &CHTMLListCtrl::OnScrollAction);
    UpdateScrollBar(true);
}

bool CHTMLListCtrl::Create(QWidget* parent, const QRect& rect) {
    if (!parent) return false;
    setParent(parent);
    setGeometry(rect);
    m_nControlId = kControlId;
    m_nClientWidth = viewport()->width();
    m_nClientHeight = viewport()->height();
    RecomputeItems();
    UpdateScrollBar(true);
    show();
    return true;
}

const HTMLLIST_ITEM* CHTMLListCtrl::Item(int itemNo) const {
    if (itemNo < 0 || itemNo >= ItemCount()) return nullptr;
    return &m_items[size_t(itemNo)];
}

int CHTMLListCtrl::ScrollPosition() const { return verticalScrollBar()->value(); }

int CHTMLListCtrl::ImageWidth() const {
    if (!(m_dwListStyle & HLS_IMAGES) || !m_pImageList || m_pImageList->Count() == 0) return 0;
    return m_pImageList->ImageSize().width();
}

int CHTMLListCtrl::InsertItem(const QString& text, int image, int textKind, int height) {
    HTMLLIST_ITEM item;
    item.sItemText = text;
    item.nTextKind = textKind;
    item.nImage = image;
    item.nItemNo = ItemCount();
    item.bFixedHeight = height != 0;
    item.nHeight = height != 0 ? height : ComputeItemHeight(item, m_nClientWidth);
    m_nTotalHeight += item.nHeight;
    m_items.push_back(item);
    UpdateScrollBar(false);
    viewport()->update();
    return ItemCount() - 1;
}

void CHTMLListCtrl::SetItemData(int itemNo, std::intptr_t data) {
    if (itemNo >= 0 && itemNo < ItemCount()) m_items[size_t(itemNo)].lItemData = data;
}

void CHTMLListCtrl::SetListStyle(unsigned flags) {
    m_dwListStyle = flags;
    RecomputeItems();
    UpdateScrollBar(true);
    viewport()->update();
}

int CHTMLListCtrl::ComputeItemHeight(const HTMLLIST_ITEM& item, int width) const {
    int textWidth = width - ((m_dwListStyle & HLS_CHECKBOXES) ? kCheckBoxMargin : kTextMargin);
    if (const int imageWidth = ImageWidth()) textWidth -= imageWidth + 10;
    textWidth = std::max(textWidth, 1);
    const QFontMetrics metrics(font());
    switch (item.nTextKind) {
    case HLT_PLAIN:
        return metrics.boundingRect(QRect(0, 0, textWidth, 0), Qt::TextWordWrap, item.sItemText).height() + 10;
    case HLT_MARKUP: {
        PainterMarkupCanvas canvas(nullptr, font());
        MarkupRect rect{0, 0, textWidth, m_nClientHeight};
        const std::u16string_view text = ToU16View(item.sItemText);
        DrawMarkupText(&canvas, text.data(), int(text.size()), &rect, kMeasureFormat);
        return rect.bottom - rect.top + 10;
    }
    case HLT_PATH: return metrics.height() + 10;
    default: return 0;
    }
}

void CHTMLListCtrl::RecomputeItems() {
    m_nTotalHeight = 0;
    for (size_t i = 0; i < m_items.size(); ++i) {
        HTMLLIST_ITEM& item = m_items[i];
        item.nItemNo = int(i);
        if (!item.bFixedHeight) item.nHeight = ComputeItemHeight(item, m_nClientWidth);
        m_nTotalHeight += item.nHeight;
    }
}

void CHTMLListCtrl::UpdateScrollBar(bool resetPosition) {
    QScrollBar* bar = verticalScrollBar();
    bar->setRange(0, std::max(0, m_nTotalHeight - m_nClientHeight));
    bar->setPageStep(std::max(1, m_nClientHeight));
    if (resetPosition) bar->setValue(0);
}

// Page steps move by the same 50 pixels as line steps; the page size only
// sets the thumb's length.
void CHTMLListCtrl::OnScrollAction(int action) {
    QScrollBar* bar = verticalScrollBar();
    if (action == QAbstractSlider::SliderPageStepAdd) {
        bar->setSliderPosition(std::min(bar->value() + kLineStep, bar->maximum()));
    } else if (action == QAbstractSlider::SliderPageStepSub) {
        bar->setSliderPosition(std::max(bar->value() - kLineStep, 0));
    }
}

QRect CHTMLListCtrl::ItemRect(int itemNo) const {
    int top = -ScrollPosition();
    for (int i = 0; i < itemNo && i < ItemCount(); ++i) top += m_items[size_t(i)].nHeight;
    const HTMLLIST_ITEM* item = Item(itemNo);
    return item ? QRect(0, top, viewport()->width(), item->nHeight) : QRect();
}

int CHTMLListCtrl::HitTest(QPoint point) const {
    int top = -ScrollPosition();
    for (int i = 0; i < ItemCount(); ++i) {
        const int height = m_items[size_t(i)].nHeight;
        if (QRect(0, top, viewport()->width(), height).contains(point)) return i;
        top += height;
    }
    return -1;
}

bool CHTMLListCtrl::InCheckBox(const QRect& itemRect, QPoint point) const {
    const int top = itemRect.top() + itemRect.height() / 2 - 8;
    return QRect(itemRect.left() + 3, top, 15, 15).contains(point);
}

void CHTMLListCtrl::SendNotify(int code, const HTMLLIST_ITEM* item) {
    HTMLLIST_NOTIFY notify;
    notify.hdr = {this, m_nControlId, code};
    if (item) {
        notify.nItemNo = item->nItemNo;
        notify.sItemText = item->sItemText;
        notify.lItemData = item->lItemData;
        notify.bChecked = item->bChecked;
    }
    emit Notify(notify);
}

void CHTMLListCtrl::ToggleCheck(HTMLLIST_ITEM& item) {
    item.bChecked = !item.bChecked;
    SendNotify(HLN_CHECK, &item);
}

void CHTMLListCtrl::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        SendNotify(HLN_RBUTTONDOWN, nullptr);
        return;
    }
    if (event->button() != Qt::LeftButton) return;
    setFocus(Qt::MouseFocusReason);
    SendNotify(HLN_LBUTTONDOWN, nullptr);
    m_nSelectedItem = -1;
    const QPoint point = event->position().toPoint();
    const int hit = HitTest(point);
    if (hit < 0) {
        SendNotify(HLN_SELECT, nullptr);
        viewport()->update();
        return;
    }
    HTMLLIST_ITEM& item = m_items[size_t(hit)];
    if ((m_dwListStyle & HLS_CHECKBOXES) && InCheckBox(ItemRect(hit), point)) ToggleCheck(item);
    SendNotify(HLN_SELECT, &item);
    m_nSelectedItem = hit;
    viewport()->update();
}

void CHTMLListCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) SendNotify(HLN_DBLCLK, nullptr);
}

void CHTMLListCtrl::MoveSelection(int key) {
    if (m_items.empty()) return;
    const int last = ItemCount() - 1;
    if (key == Qt::Key_Up) {
        m_nSelectedItem = m_nSelectedItem < 0 ? 0 : std::max(0, m_nSelectedItem - 1);
    } else {
        m_nSelectedItem = m_nSelectedItem < 0 ? last : std::min(last, m_nSelectedItem + 1);
    }
    ScrollSelectionIntoView();
    viewport()->update();
    SendNotify(HLN_SELECT, Item(m_nSelectedItem));
}

void CHTMLListCtrl::ScrollSelectionIntoView() {
    const HTMLLIST_ITEM* item = Item(m_nSelectedItem);
    if (!item) return;
    const int y = ItemRect(m_nSelectedItem).top() + ScrollPosition();
    const int position = ScrollPosition();
    if (y < position) {
        verticalScrollBar()->setValue(y);
    } else if (y + item->nHeight > position + m_nClientHeight) {
        verticalScrollBar()->setValue(y + item->nHeight - m_nClientHeight);
    }
}

void CHTMLListCtrl::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down: MoveSelection(event->key()); return;
    case Qt::Key_Space:
        if ((m_dwListStyle & HLS_CHECKBOXES) && m_nSelectedItem >= 0 && m_nSelectedItem < ItemCount()) {
            HTMLLIST_ITEM& item = m_items[size_t(m_nSelectedItem)];
            viewport()->update(item.rcItem);
            ToggleCheck(item);
        }
        return;
    default:
        // Enter, Esc and the rest belong to the dialog around the list.
        QWidget::keyPressEvent(event);
    }
}

void CHTMLListCtrl::wheelEvent(QWheelEvent* event) {
    const int delta = event->angleDelta().y();
    QScrollBar* bar = verticalScrollBar();
    // One step per message, whatever the size of the turn.
    if (delta < 0) {
        bar->setValue(std::min(bar->value() + kWheelStep, bar->maximum()));
    } else if (delta > 0) {
        bar->setValue(std::max(bar->value() - kWheelStep, 0));
    }
    viewport()->update();
    event->accept();
}

void CHTMLListCtrl::focusInEvent(QFocusEvent* event) {
    m_bHasFocus = true;
    if (const HTMLLIST_ITEM* item = Item(m_nSelectedItem)) viewport()->update(item->rcItem);
    QAbstractScrollArea::focusInEvent(event);
}

void CHTMLListCtrl::focusOutEvent(QFocusEvent* event) {
    m_bHasFocus = false;
    if (const HTMLLIST_ITEM* item = Item(m_nSelectedItem)) viewport()->update(item->rcItem);
    QAbstractScrollArea::focusOutEvent(event);
}

void CHTMLListCtrl::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    if (viewport()->width() == m_nClientWidth && viewport()->height() == m_nClientHeight) return;
    m_nClientWidth = viewport()->width();
    m_nClientHeight = viewport()->height();
    RecomputeItems();
    UpdateScrollBar(true);
    viewport()->update();
}

void CHTMLListCtrl::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    painter.fillRect(event->rect(), Qt::white);
    painter.setFont(font());
    painter.setClipRect(event->rect());
    QRect rect(0, -ScrollPosition(), viewport()->width(), 0);
    for (size_t i = 0; i < m_items.size(); ++i) {
        HTMLLIST_ITEM& item = m_items[i];
        rect.setHeight(item.nHeight);
        if (rect.intersects(event->rect())) DrawItem(painter, rect, item, int(i) == m_nSelectedItem);
        item.rcItem = rect;
        rect.translate(0, item.nHeight);
    }
}

void CHTMLListCtrl::DrawItem(QPainter& painter, const QRect& rect, HTMLLIST_ITEM& item, bool selected) {
    painter.fillRect(rect, selected ? m_clrSelected : QColor(Qt::white));
    if (m_dwListStyle & HLS_SEPARATORS) {
        painter.setPen(kSeparatorColor);
        painter.drawLine(rect.topLeft(), rect.bottomLeft());
        painter.drawLine(rect.bottomLeft(), rect.bottomRight());
    }
    int imageColumn = rect.left();
    if (m_dwListStyle & HLS_CHECKBOXES) {
        m_checkImages.Draw(painter, item.bChecked ? 1 : 0,
                           QPoint(rect.left() + 3, rect.top() + rect.height() / 2 - 8));
        imageColumn += kCheckBoxColumn;
    }
    int textIndent = (m_dwListStyle & HLS_CHECKBOXES) ? kCheckBoxTextIndent : kTextMargin;
    if ((m_dwListStyle & HLS_IMAGES) && m_pImageList) {
        const QSize imageSize = m_pImageList->ImageSize();
        m_pImageList->Draw(painter, item.nImage,
                           QPoint(imageColumn + 5, rect.top() + rect.height() / 2 - imageSize.height() / 2));
        textIndent += imageSize.width() + 10;
    }
    QRect textRect = rect;
    textRect.setLeft(rect.left() + textIndent);
    if (!item.bFixedHeight) textRect.setTop(rect.top() + 5);
    DrawItemText(painter, textRect, item);

    if (m_bHasFocus && selected) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = rect;
        option.backgroundColor = m_clrSelected;
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

void CHTMLListCtrl::DrawItemText(QPainter& painter, const QRect& textRect, const HTMLLIST_ITEM& item) {
    painter.setPen(Qt::black);
    switch (item.nTextKind) {
    case HLT_PLAIN:
        painter.drawText(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, item.sItemText);
        break;
    case HLT_MARKUP: {
        PainterMarkupCanvas canvas(&painter, font(), Qt::black);
        MarkupRect rect{textRect.left(), textRect.top(), textRect.left() + textRect.width(),
                        textRect.top() + textRect.height()};
        const std::u16string_view text = ToU16View(item.sItemText);
        DrawMarkupText(&canvas, text.data(), int(text.size()), &rect, DT_WORDBREAK);
        break;
    }
    case HLT_PATH: {
        const QFontMetrics metrics(font());
        const std::u16string shortened = CompactPath(ToU16View(item.sItemText), textRect.width(),
                                                     [&](std::u16string_view text) {
                                                         return metrics.horizontalAdvance(ToQString(text));
                                                     });
        painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                         QString::fromStdU16String(shortened));
        break;
    }
    default: break;
    }
}
