#include "toolkit/HexView.h"

#include "toolkit/KitFonts.h"

#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <limits>

namespace {

constexpr int kMargin = 4;
constexpr char kHexDigits[] = "0123456789ABCDEF";

QChar Printable(std::uint8_t byte) { return (byte >= 0x20 && byte < 0x7F) ? QChar(byte) : QChar(u'.'); }

}  // namespace

HexView::HexView(QWidget* parent) : QAbstractScrollArea(parent) {
    setFont(KitFonts::FixedFont());
    viewport()->setFont(font());
    viewport()->setBackgroundRole(QPalette::Base);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFocusPolicy(Qt::StrongFocus);
    UpdateScrollBar();
}

void HexView::SetData(std::span<const std::uint8_t> bytes, std::size_t maxLength) {
    const auto kept = bytes.first(std::min(bytes.size(), maxLength));
    m_data.assign(kept.begin(), kept.end());
    UpdateScrollBar();
    verticalScrollBar()->setValue(0);
    viewport()->update();
}

void HexView::SetBytesPerRow(int count) {
    m_bytesPerRow = std::max(1, count);
    UpdateScrollBar();
    viewport()->update();
}

qint64 HexView::RowCount() const {
    return qint64((m_data.size() + size_t(m_bytesPerRow) - 1) / size_t(m_bytesPerRow));
}

qint64 HexView::FirstVisibleRow() const { return verticalScrollBar()->value(); }

int HexView::RowHeight() const { return std::max(1, QFontMetrics(font()).height()); }

int HexView::VisibleRowCount() const { return std::max(1, viewport()->height() / RowHeight()); }

void HexView::ScrollToRow(qint64 row) {
    verticalScrollBar()->setValue(int(std::clamp<qint64>(row, 0, verticalScrollBar()->maximum())));
}

int HexView::OffsetDigits() const { return m_data.size() > 0xFFFFFFFFu ? 16 : 8; }

void HexView::UpdateScrollBar() {
    // The scroll bar counts rows; a view beyond 2^31 rows stops at the last it can reach.
    const qint64 lastTop = std::max<qint64>(0, RowCount() - VisibleRowCount());
    verticalScrollBar()->setRange(0, int(std::min<qint64>(lastTop, std::numeric_limits<int>::max())));
    verticalScrollBar()->setPageStep(VisibleRowCount());
    verticalScrollBar()->setSingleStep(1);
}

QString HexView::RowText(qint64 row) const {
    const size_t start = size_t(row) * size_t(m_bytesPerRow);
    if (row < 0 || start >= m_data.size()) return {};
    const size_t end = std::min(m_data.size(), start + size_t(m_bytesPerRow));
    QString text = QStringLiteral("%1 ").arg(qulonglong(start), OffsetDigits(), 16, QChar(u'0')).toUpper();
    QString characters;
    for (size_t i = start; i < start + size_t(m_bytesPerRow); ++i) {
        if (i < end) {
            text += QChar(u' ');
            text += QChar(kHexDigits[m_data[i] >> 4]);
            text += QChar(kHexDigits[m_data[i] & 15]);
            characters += Printable(m_data[i]);
        } else {
            text += QStringLiteral("   ");
        }
    }
    return text + QStringLiteral("  ") + characters;
}

void HexView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.setFont(font());
    const int rowHeight = RowHeight();
    const int ascent = QFontMetrics(font()).ascent();
    const int offsetWidth = QFontMetrics(font()).horizontalAdvance(QString(OffsetDigits() + 1, u'0'));
    const qint64 first = FirstVisibleRow();
    // One more row than fits wholly: the last may show in part.
    for (qint64 row = first; row < RowCount() && row <= first + VisibleRowCount(); ++row) {
        const int baseline = int(row - first) * rowHeight + ascent;
        const QString text = RowText(row);
        const int offsetLength = OffsetDigits() + 1;
        painter.setPen(QColor(0x80, 0x80, 0x80));
        painter.drawText(kMargin, baseline, text.left(offsetLength));
        painter.setPen(palette().text().color());
        painter.drawText(kMargin + offsetWidth, baseline, text.mid(offsetLength));
    }
}

void HexView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBar();
}

void HexView::keyPressEvent(QKeyEvent* event) {
    QScrollBar* bar = verticalScrollBar();
    switch (event->key()) {
    case Qt::Key_Home: bar->setValue(0); break;
    case Qt::Key_End: bar->setValue(bar->maximum()); break;
    case Qt::Key_Up: bar->triggerAction(QAbstractSlider::SliderSingleStepSub); break;
    case Qt::Key_Down: bar->triggerAction(QAbstractSlider::SliderSingleStepAdd); break;
    case Qt::Key_PageUp: bar->triggerAction(QAbstractSlider::SliderPageStepSub); break;
    case Qt::Key_PageDown: bar->triggerAction(QAbstractSlider::SliderPageStepAdd); break;
    default: QAbstractScrollArea::keyPressEvent(event); return;
    }
}
