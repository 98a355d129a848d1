#include "ui/ResultIcons.h"

#include "results/ResultList.h"

#include <QApplication>
#include <QStyle>

namespace {

QIcon Standard(QStyle::StandardPixmap pixmap) { return QApplication::style()->standardIcon(pixmap); }

}  // namespace

QIcon DriveIcon() {
    static const QIcon icon = Standard(QStyle::SP_DriveHDIcon);
    return icon;
}

QIcon FolderIcon() {
    static const QIcon icon = Standard(QStyle::SP_DirOpenIcon);
    return icon;
}

QIcon ListIcon(int index) {
    static const QIcon file = Standard(QStyle::SP_DriveHDIcon);
    static const QIcon fatFile = Standard(QStyle::SP_FileIcon);
    static const QIcon archive = Standard(QStyle::SP_FileDialogContentsView);
    static const QIcon picture = Standard(QStyle::SP_FileDialogDetailedView);
    switch (index) {
        case kIconFatFile: return fatFile;
        case kIconArchive: return archive;
        case kIconJpeg:
        case kIconBitmap: return picture;
        default: return file;
    }
}
