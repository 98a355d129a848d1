#include "res/paint/PaintKit.h"

#include <QDir>
#include <QLinearGradient>
#include <QPolygonF>

QImage TransparentImage(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

void ScaleToGrid(QPainter& painter, const QImage& image, double designWidth) {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.scale(image.width() / designWidth, image.width() / designWidth);
}

QImage PaintOnGrid(int size, const std::function<void(QPainter&)>& draw) {
    QImage image = TransparentImage(size, size);
    QPainter painter(&image);
    ScaleToGrid(painter, image, 64);
    draw(painter);
    return image;
}

void PaintPage(QPainter& painter) {
    painter.setPen(QPen(QColor(110, 120, 135), 2));
    painter.setBrush(QColor(252, 252, 255));
    painter.drawPolygon(QPolygonF({{12, 4}, {40, 4}, {54, 18}, {54, 60}, {12, 60}}));
    painter.setBrush(QColor(215, 222, 232));
    painter.drawPolygon(QPolygonF({{40, 4}, {40, 18}, {54, 18}}));
}

void PaintDrive(QPainter& painter, const QRectF& rect) {
    QLinearGradient body(rect.topLeft(), rect.bottomLeft());
    body.setColorAt(0, QColor(236, 239, 243));
    body.setColorAt(1, QColor(168, 176, 188));
    painter.setPen(QPen(QColor(80, 88, 100), rect.height() / 14));
    painter.setBrush(body);
    painter.drawRoundedRect(rect, rect.height() / 5, rect.height() / 5);
    const double slotY = rect.top() + rect.height() * 0.62;
    painter.setPen(QPen(QColor(95, 104, 118), rect.height() / 12, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(rect.left() + rect.width() * 0.12, slotY),
                     QPointF(rect.left() + rect.width() * 0.6, slotY));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(90, 200, 60));
    const double led = rect.height() / 6;
    painter.drawEllipse(QPointF(rect.right() - rect.width() * 0.14, slotY), led, led);
}

bool SavePicture(const QImage& image, const QString& folder, const QString& name) {
    return image.save(QDir(folder).filePath(name), "PNG");
}
