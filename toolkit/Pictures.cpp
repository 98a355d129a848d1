#include "toolkit/Pictures.h"

#include <QFile>
#include <QString>

#include <array>

namespace {

constexpr std::array kIconSizes = {16, 22, 24, 32, 48, 64, 128, 256};

QString IconPath(PictureId id, int size) {
    return QStringLiteral(":/pictures/icon-%1-%2.png").arg(int(id)).arg(size);
}

}  // namespace

namespace Pictures {

QPixmap Icon(PictureId id, int size) {
    if (QFile::exists(IconPath(id, size))) return QPixmap(IconPath(id, size));
    for (int available : kIconSizes) {
        if (available >= size && QFile::exists(IconPath(id, available))) {
            return QPixmap(IconPath(id, available))
                .scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        }
    }
    return {};
}

QIcon IconSet(PictureId id) {
    QIcon icon;
    for (int size : kIconSizes) {
        if (QFile::exists(IconPath(id, size))) icon.addFile(IconPath(id, size), QSize(size, size));
    }
    return icon;
}

QPixmap Bitmap(PictureId id) { return QPixmap(QStringLiteral(":/pictures/bitmap-%1.png").arg(int(id))); }

}  // namespace Pictures
