#include "ui/DialogUnits.h"

#include <QFontMetrics>
#include <QWidget>

DialogUnits::DialogUnits(const QWidget& dialog) {
    QFontMetrics metrics(dialog.font());
    // The average width of the 52 Latin letters, rounded.
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    m_baseWidth = (metrics.horizontalAdvance(letters) / 26 + 1) / 2;
    m_baseHeight = metrics.height();
}

QRect DialogUnits::ToPixels(const QRect& units) const {
    return QRect(X(units.x()), Y(units.y()), X(units.width()), Y(units.height()));
}

QSize DialogUnits::ToPixels(const QSize& units) const { return QSize(X(units.width()), Y(units.height())); }
