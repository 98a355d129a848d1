#pragma once
// The kit's fonts, asked for by family with fallbacks so that Chinese text
// finds a CJK font (Noto Sans CJK on Debian) wherever Qt can see one.
#include <QFont>

namespace KitFonts {

// The dialogs' font, 8 points at 96 dpi; dialog units derive from it.
QFont DialogFont();
// The HTML list control's font: 11 pixels high, normal weight.
QFont ListFont();
// The hex view's fixed-pitch font.
QFont FixedFont();

}  // namespace KitFonts
