#pragma once
// The program's icons, each painted on a 64-unit grid at any pixel size.
#include <QImage>

QImage PaintAppIcon(int size);              // 128: a drive under a green recovery arrow
QImage PaintPersonIcon(int size);           // 133
QImage PaintDiskIcon(int size);             // 140
QImage PaintArchiveIcon(int size);          // 150
QImage PaintPictureDocumentIcon(int size);  // 151
QImage PaintPaintDocumentIcon(int size);    // 152
