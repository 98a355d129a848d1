#pragma once
// Dialog layouts are given in dialog units: a quarter of the dialog font's
// average character width across, an eighth of its height down. Converting
// them with the font in use keeps a dialog's proportions whatever the font.
#include <QRect>
#include <QSize>

class QWidget;

class DialogUnits {
public:
    explicit DialogUnits(const QWidget& dialog);
    QRect ToPixels(const QRect& units) const;
    QSize ToPixels(const QSize& units) const;

private:
    int X(int units) const { return (units * m_baseWidth + 2) / 4; }
    int Y(int units) const { return (units * m_baseHeight + 4) / 8; }

    int m_baseWidth;
    int m_baseHeight;
};
