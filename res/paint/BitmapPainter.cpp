#include "res/paint/BitmapPainter.h"

#include "res/paint/IconPainter.h"
#include "res/paint/PaintKit.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>

namespace {

QFont LogoFont(int pixelSize, bool bold) {
    QFont font;
    font.setFamilies({"Noto Sans", "DejaVu Sans", "Noto Sans CJK SC", "Droid Sans Fallback"});
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

void PaintCheckBox(QPainter& painter, int left, bool checked) {
    painter.setPen(QPen(QColor(90, 100, 115), 1));
    painter.setBrush(Qt::white);
    painter.drawRect(QRectF(left + 1.5, 1.5, 12, 12));
    if (!checked) return;
    painter.setPen(QPen(QColor(30, 110, 30), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QPainterPath tick;
    tick.moveTo(left + 4, 7.5);
    tick.lineTo(left + 6.5, 10.5);
    tick.lineTo(left + 11, 4);
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(tick);
}

}  // namespace

QImage PaintLogo() {
    QImage image = TransparentImage(187, 73);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.drawImage(QPoint(8, 9), PaintAppIcon(56));
    painter.setPen(QColor(27, 95, 170));
    painter.setFont(LogoFont(32, true));
    painter.drawText(QRect(70, 6, 115, 42), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Ruvex"));
    painter.setPen(QColor(108, 145, 5));
    painter.setFont(LogoFont(14, false));
    painter.drawText(QRect(72, 46, 113, 20), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("数据恢复"));
    return image;
}

QImage PaintCheckBoxes() {
    QImage image = TransparentImage(32, 16);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    PaintCheckBox(painter, 0, false);
    PaintCheckBox(painter, 16, true);
    return image;
}

QImage PaintTools() {
    QImage image = TransparentImage(60, 32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    // Screwdriver from top-left to bottom-right.
    painter.setPen(QPen(QColor(150, 155, 165), 3, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(19, 5), QPointF(33, 19));
    painter.setPen(QPen(QColor(210, 50, 40), 6, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(33, 19), QPointF(41, 27));
    // Wrench from top-right to bottom-left, ring end at the top.
    painter.setPen(QPen(QColor(100, 110, 125), 4.5, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(37, 10), QPointF(20, 27));
    painter.setPen(QPen(QColor(100, 110, 125), 3.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QPointF(40, 7), 4.5, 4.5);
    return image;
}

QImage PaintComputerGlobe() {
    QImage image = TransparentImage(60, 32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    // Monitor with its stand.
    painter.setPen(QPen(QColor(70, 78, 90), 1.5));
    painter.setBrush(QColor(200, 205, 215));
    painter.drawRoundedRect(QRectF(8, 3, 30, 21), 2, 2);
    QLinearGradient screen(0, 6, 0, 21);
    screen.setColorAt(0, QColor(90, 170, 240));
    screen.setColorAt(1, QColor(30, 100, 190));
    painter.setBrush(screen);
    painter.drawRect(QRectF(11, 6, 24, 15));
    painter.setBrush(QColor(170, 176, 186));
    painter.drawRect(QRectF(19, 24, 8, 3));
    painter.drawRoundedRect(QRectF(14, 27, 18, 3), 1, 1);
    // Globe in front of the monitor's right side.
    QRadialGradient sea(QPointF(42, 15), 11);
    sea.setColorAt(0, QColor(120, 200, 255));
    sea.setColorAt(1, QColor(25, 90, 180));
    painter.setPen(QPen(QColor(20, 60, 120), 1.2));
    painter.setBrush(sea);
    painter.drawEllipse(QPointF(45, 18), 10, 10);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(80, 170, 70));
    painter.drawEllipse(QPointF(41, 15), 4, 3);
    painter.drawEllipse(QPointF(49, 22), 3.5, 3);
    painter.setPen(QPen(QColor(230, 240, 255), 0.8));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QPointF(45, 18), 4, 10);
    painter.drawLine(QPointF(35, 18), QPointF(55, 18));
    return image;
}
