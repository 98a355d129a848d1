#pragma once
// The program's bitmaps, each at its one size.
#include <QImage>

QImage PaintLogo();           // 137: 187 x 73, the name Ruvex beside the application icon
QImage PaintCheckBoxes();     // 142: 32 x 16, unchecked then checked
QImage PaintTools();          // 144: 60 x 32, a wrench crossed with a screwdriver
QImage PaintComputerGlobe();  // 149: 60 x 32, a computer with a globe
