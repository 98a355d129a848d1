#include "toolkit/KitFonts.h"

#include <QStringList>

namespace {

QFont FontOf(const QStringList& families, int pixelSize, QFont::StyleHint hint) {
    QFont font;
    font.setFamilies(families);
    font.setStyleHint(hint);
    font.setPixelSize(pixelSize);
    font.setWeight(QFont::Normal);
    return font;
}

// Latin faces first; the CJK faces supply the Chinese glyphs.
const QStringList kSansFamilies = {"Tahoma", "Noto Sans", "DejaVu Sans", "Noto Sans CJK SC",
                                   "Noto Sans SC", "WenQuanYi Micro Hei", "Droid Sans Fallback"};

}  // namespace

namespace KitFonts {

QFont DialogFont() { return FontOf(QStringList{"MS Shell Dlg"} + kSansFamilies, 11, QFont::SansSerif); }

QFont ListFont() { return FontOf(kSansFamilies, 11, QFont::SansSerif); }

QFont FixedFont() {
    QFont font = FontOf({"DejaVu Sans Mono", "Noto Sans Mono", "Noto Sans Mono CJK SC", "Liberation Mono",
                         "monospace"},
                        12, QFont::Monospace);
    font.setFixedPitch(true);
    return font;
}

}  // namespace KitFonts
