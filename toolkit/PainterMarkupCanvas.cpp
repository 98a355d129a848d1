#include "toolkit/PainterMarkupCanvas.h"

#include "toolkit/QtText.h"

#include <QFontMetrics>
#include <QPaintDevice>
#include <QPainter>
#include <QString>

#include <algorithm>

PainterMarkupCanvas::PainterMarkupCanvas(QPainter* painter, const QFont& baseFont, QColor textColor)
    : m_painter(painter), m_font(baseFont), m_color(textColor) {}

void PainterMarkupCanvas::Save() {
    m_saved.push_back({m_font, m_color});
    m_styleFonts = {};
    m_styleFonts[0] = m_font;
}

void PainterMarkupCanvas::Restore() {
    if (m_saved.empty()) return;
    m_font = m_saved.back().font;
    m_color = m_saved.back().color;
    m_saved.pop_back();
    m_styleFonts = {};
}

QFont PainterMarkupCanvas::StyledFont(int style) const {
    QFont font = m_styleFonts[0].value_or(m_font);
    font.setWeight((style & kStyleBold) ? QFont::Bold : QFont::Normal);
    font.setItalic(style & kStyleItalic);
    font.setUnderline(style & kStyleUnderline);
    if (style & (kStyleSubscript | kStyleSuperscript)) {
        if (font.pixelSize() > 0) {
            font.setPixelSize(std::max(1, font.pixelSize() * 7 / 10));
        } else {
            font.setPointSizeF(font.pointSizeF() * 7 / 10);
        }
    }
    return font;
}

void PainterMarkupCanvas::SelectStyle(int style) {
    style &= kStyleCount - 1;
    if (!m_styleFonts[style]) m_styleFonts[style] = StyledFont(style);
    m_font = *m_styleFonts[style];
}

MarkupSize PainterMarkupCanvas::MeasureText(std::u16string_view text) {
    const QFontMetrics metrics(m_font, m_painter ? m_painter->device() : nullptr);
    return {metrics.horizontalAdvance(ToQString(text)), metrics.height()};
}

void PainterMarkupCanvas::DrawText(std::u16string_view text, const MarkupRect& rect, unsigned format) {
    if (!m_painter) return;
    const QString word = ToQString(text);
    const QFontMetrics metrics(m_font, m_painter->device());
    // Words are never clipped: one too wide for its box overhangs instead.
    const int width = std::max(rect.right - rect.left, metrics.horizontalAdvance(word));
    const int alignment = (format & DT_BOTTOM) ? Qt::AlignBottom : Qt::AlignTop;
    m_painter->setFont(m_font);
    m_painter->setPen(m_color);
    m_painter->drawText(QRect(rect.left, rect.top, width, rect.bottom - rect.top),
                        Qt::AlignLeft | alignment | Qt::TextSingleLine | Qt::TextDontClip, word);
}

MarkupColor PainterMarkupCanvas::TextColor() const {
    return {std::uint8_t(m_color.red()), std::uint8_t(m_color.green()), std::uint8_t(m_color.blue())};
}

void PainterMarkupCanvas::SetTextColor(MarkupColor color) { m_color = QColor(color.red, color.green, color.blue); }

int PainterMarkupCanvas::DeviceWidth() const {
    return (m_painter && m_painter->device()) ? m_painter->device()->width() : 0;
}
