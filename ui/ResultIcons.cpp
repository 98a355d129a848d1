#include "ui/ResultIcons.h"

#include "results/ResultList.h"
#include "toolkit/Pictures.h"

#include <QApplication>
#include <QStyle>

namespace {

QIcon Small(PictureId id) { return QIcon(Pictures::Icon(id, 16)); }

}  // namespace

QIcon DriveIcon() {
    static const QIcon icon = QApplication::style()->standardIcon(QStyle::SP_DriveHDIcon);
    return icon;
}

QIcon FolderIcon() {
    static const QIcon icon = QApplication::style()->standardIcon(QStyle::SP_DirOpenIcon);
    return icon;
}

QIcon ListIcon(int index) {
    static const QIcon icons[] = {Small(PictureId::DiskIcon), Small(PictureId::PersonIcon),
                                  Small(PictureId::ArchiveIcon), Small(PictureId::PictureDocumentIcon),
                                  Small(PictureId::PaintDocumentIcon)};
    return index >= kIconFile && index <= kIconBitmap ? icons[index] : icons[kIconFile];
}
