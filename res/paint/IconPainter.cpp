#include "res/paint/IconPainter.h"

#include "res/paint/PaintKit.h"

#include <QLinearGradient>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>

#include <cmath>

namespace {

const QColor kRecoveryGreen(116, 151, 25);
const QColor kDeepBlue(27, 95, 170);

void PaintArrowHead(QPainter& painter, QPointF tip, QPointF back, double halfWidth) {
    const QPointF direction = (tip - back) / std::hypot(tip.x() - back.x(), tip.y() - back.y());
    const QPointF normal(-direction.y(), direction.x());
    painter.drawPolygon(QPolygonF({tip, back + normal * halfWidth, back - normal * halfWidth}));
}

}  // namespace

QImage PaintAppIcon(int size) {
    return PaintOnGrid(size, [](QPainter& painter) {
        QLinearGradient tile(0, 2, 0, 62);
        tile.setColorAt(0, QColor(64, 148, 230));
        tile.setColorAt(1, kDeepBlue);
        painter.setPen(Qt::NoPen);
        painter.setBrush(tile);
        painter.drawRoundedRect(QRectF(2, 2, 60, 60), 12, 12);
        PaintDrive(painter, QRectF(10, 36, 44, 18));
        // A circular arrow: what was lost comes back.
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(QColor(150, 215, 60), 5.5, Qt::SolidLine, Qt::RoundCap));
        painter.drawArc(QRectF(18, 7, 28, 26), 200 * 16, -250 * 16);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(150, 215, 60));
        PaintArrowHead(painter, QPointF(15, 20), QPointF(21.5, 27.5), 6);
    });
}

QImage PaintPersonIcon(int size) {
    return PaintOnGrid(size, [](QPainter& painter) {
        painter.setPen(QPen(QColor(40, 70, 120), 2.5));
        QLinearGradient shirt(0, 36, 0, 62);
        shirt.setColorAt(0, QColor(80, 150, 230));
        shirt.setColorAt(1, kDeepBlue);
        painter.setBrush(shirt);
        QPainterPath body;
        body.moveTo(8, 62);
        body.cubicTo(8, 40, 20, 36, 32, 36);
        body.cubicTo(44, 36, 56, 40, 56, 62);
        body.closeSubpath();
        painter.drawPath(body);
        QRadialGradient face(28, 16, 16);
        face.setColorAt(0, QColor(255, 228, 196));
        face.setColorAt(1, QColor(232, 180, 140));
        painter.setBrush(face);
        painter.drawEllipse(QPointF(32, 20), 13, 14);
    });
}

QImage PaintDiskIcon(int size) {
    return PaintOnGrid(size, [](QPainter& painter) {
        PaintDrive(painter, QRectF(3, 18, 58, 30));
    });
}

QImage PaintArchiveIcon(int size) {
    return PaintOnGrid(size, [](QPainter& painter) {
        QLinearGradient box(4, 0, 60, 0);
        box.setColorAt(0, QColor(240, 190, 90));
        box.setColorAt(1, QColor(200, 140, 50));
        painter.setPen(QPen(QColor(120, 80, 30), 2.5));
        painter.setBrush(box);
        painter.drawRoundedRect(QRectF(8, 6, 48, 54), 5, 5);
        // The zipper down the middle.
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(70, 70, 80));
        for (int y = 8; y < 44; y += 6) {
            painter.drawRect(QRectF(28, y, 5, 3));
            painter.drawRect(QRectF(31, y + 3, 5, 3));
        }
        painter.setBrush(QColor(190, 195, 205));
        painter.setPen(QPen(QColor(70, 70, 80), 2));
        painter.drawRoundedRect(QRectF(25, 42, 14, 14), 3, 3);
    });
}

QImage PaintPictureDocumentIcon(int size) {
    return PaintOnGrid(size, [](QPainter& painter) {
        PaintPage(painter);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(120, 190, 245));
        painter.drawRect(QRectF(18, 24, 30, 28));
        painter.setBrush(QColor(255, 200, 40));
        painter.drawEllipse(QPointF(40, 31), 4, 4);
        painter.setBrush(QColor(70, 160, 60));
        painter.drawPolygon(QPolygonF({{18, 52}, {18, 44}, {27, 34}, {35, 44}, {40, 40}, {48, 48}, {48, 52}}));
    });
}

QImage PaintPaintDocumentIcon(int size) {
    return PaintOnGrid(size, [](QPainter& painter) {
        PaintPage(painter);
        painter.setPen(Qt::NoPen);
        const QColor dots[] = {QColor(230, 50, 50), QColor(250, 200, 30), QColor(60, 170, 60), QColor(50, 110, 230)};
        for (int i = 0; i < 4; ++i) {
            painter.setBrush(dots[i]);
            painter.drawEllipse(QPointF(21 + (i % 2) * 11, 30 + (i / 2) * 11), 4.5, 4.5);
        }
        // A brush laid across the page.
        painter.setPen(QPen(QColor(150, 90, 40), 4, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(50, 26), QPointF(38, 46));
        painter.setPen(QPen(QColor(230, 50, 50), 6, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(37, 48), QPointF(34, 53));
    });
}
