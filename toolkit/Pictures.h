#pragma once
// The program's pictures, drawn for Ruvex and compiled into it.
#include <QIcon>
#include <QPixmap>

enum class PictureId {
    AppIcon = 128,          // the application: a drive with a recovery arrow
    PersonIcon = 133,       // files listed from a FAT32 folder
    DiskIcon = 140,         // a drive; any other file
    LogoBitmap = 137,       // 187 x 73, the name Ruvex, top-left of the step dialogs
    CheckBoxBitmap = 142,   // two 16 x 16 boxes: unchecked, checked
    ToolsBitmap = 144,      // 60 x 32, crossed tools: Next and start recovery
    ComputerGlobeBitmap = 149,  // 60 x 32, a computer with a globe: find files
    ArchiveIcon = 150,      // rar and zip files
    PictureDocumentIcon = 151,  // jpg files
    PaintDocumentIcon = 152,    // bmp files
};

namespace Pictures {

// An icon at `size` pixels square (16, 32 or 48; the application icon also
// 22, 24, 64, 128 and 256); other sizes are scaled from the nearest larger one.
QPixmap Icon(PictureId id, int size);
// Every size of an icon, for window icons.
QIcon IconSet(PictureId id);
// A bitmap at its own size; transparent where its design has no paint.
QPixmap Bitmap(PictureId id);

}  // namespace Pictures
