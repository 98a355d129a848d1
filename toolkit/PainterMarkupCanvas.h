#pragma once
// The markup renderer's surface on QPainter. Without a painter it only
// measures, which is how the list control computes item heights.
#include "toolkit/markup/MarkupCanvas.h"

#include <QColor>
#include <QFont>
#include <QPoint>

#include <array>
#include <optional>
#include <vector>

class QPainter;

class PainterMarkupCanvas : public MarkupCanvas {
public:
    PainterMarkupCanvas(QPainter* painter, const QFont& baseFont, QColor textColor = Qt::black);

    void SetCurrentPosition(QPoint position) { m_position = position; }
    QColor Color() const { return m_color; }

    void Save() override;
    void Restore() override;
    void SelectStyle(int style) override;
    MarkupSize MeasureText(std::u16string_view text) override;
    void DrawText(std::u16string_view text, const MarkupRect& rect, unsigned format) override;
    MarkupColor TextColor() const override;
    void SetTextColor(MarkupColor color) override;
    MarkupPoint CurrentPosition() const override { return {m_position.x(), m_position.y()}; }
    int DeviceWidth() const override;

private:
    struct SavedState {
        QFont font;
        QColor color;
    };

    QFont StyledFont(int style) const;

    QPainter* m_painter;
    QFont m_font;
    QColor m_color;
    QPoint m_position;
    std::vector<SavedState> m_saved;
    std::array<std::optional<QFont>, kStyleCount> m_styleFonts;
};
