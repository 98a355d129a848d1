#include "toolkit/ImageList.h"

#include <QPainter>

int ImageList::Add(const QPixmap& picture) {
    QPixmap image = picture;
    if (!image.isNull() && image.size() != m_imageSize) {
        image = picture.scaled(m_imageSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    m_images.push_back(image);
    return Count() - 1;
}

int ImageList::AddStrip(const QPixmap& strip) {
    const int first = Count();
    if (m_imageSize.width() <= 0) return first;
    for (int x = 0; x + m_imageSize.width() <= strip.width(); x += m_imageSize.width()) {
        m_images.push_back(strip.copy(QRect(QPoint(x, 0), m_imageSize)));
    }
    return first;
}

QPixmap ImageList::Image(int index) const {
    if (index < 0 || index >= Count()) return {};
    return m_images[size_t(index)];
}

void ImageList::Draw(QPainter& painter, int index, QPoint topLeft) const {
    if (index < 0 || index >= Count()) return;
    painter.drawPixmap(topLeft, m_images[size_t(index)]);
}
