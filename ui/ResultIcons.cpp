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
    // Sound and video files have no picture of their own: the style's media icons stand for them.
    static const QIcon icons[] = {Small(PictureId::DiskIcon),
                                  Small(PictureId::PersonIcon),
                                  Small(PictureId::ArchiveIcon),
                                  Small(PictureId::PictureDocumentIcon),
                                  Small(PictureId::PaintDocumentIcon),
                                  QApplication::style()->standardIcon(QStyle::SP_MediaVolume),
                                  QApplication::style()->standardIcon(QStyle::SP_MediaPlay)};
    return index >= kIconFile && index <= kIconVideo ? icons[index] : icons[kIconFile];
}
