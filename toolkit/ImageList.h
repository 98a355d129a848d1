#pragma once
// A row of same-sized pictures addressed by index, as list controls and
// buttons use them.
#include <QPixmap>
#include <QSize>

#include <vector>

class QPainter;

class ImageList {
public:
    explicit ImageList(QSize imageSize) : m_imageSize(imageSize) {}

    // Adds a picture, scaled to the list's size when it differs; returns its index.
    int Add(const QPixmap& picture);
    // Cuts a strip into pictures of the list's size, left to right; returns
    // the index of the first.
    int AddStrip(const QPixmap& strip);

    int Count() const { return int(m_images.size()); }
    QSize ImageSize() const { return m_imageSize; }
    // An empty pixmap for an index outside the list.
    QPixmap Image(int index) const;
    void Draw(QPainter& painter, int index, QPoint topLeft) const;

private:
    QSize m_imageSize;
    std::vector<QPixmap> m_images;
};
