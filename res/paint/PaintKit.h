#pragma once
// Shared pieces of the picture painter: transparent canvases, a painter
// scaled to a design grid, and the shapes more than one picture uses.
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QString>

#include <functional>

// A transparent picture of the given size.
QImage TransparentImage(int width, int height);
// Sets up `painter` so that drawing happens on a grid of designWidth units
// across, with antialiasing.
void ScaleToGrid(QPainter& painter, const QImage& image, double designWidth);
// A transparent square icon of `size` pixels, drawn by `draw` on a 64-unit grid.
QImage PaintOnGrid(int size, const std::function<void(QPainter&)>& draw);
// A page with its top-right corner folded, on a 64-unit grid.
void PaintPage(QPainter& painter);
// A hard drive body filling `rect`.
void PaintDrive(QPainter& painter, const QRectF& rect);
// Writes the image as PNG; false when it could not.
bool SavePicture(const QImage& image, const QString& folder, const QString& name);
