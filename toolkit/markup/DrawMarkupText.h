#pragma once
// Draws or measures a short text in a small HTML-like markup: b/strong, i/em,
// u, sub, sup, <font color=#RRGGBB>, br and p, with words wrapped to a box.
#include "toolkit/markup/MarkupCanvas.h"

// `count` below 0 means the whole (zero-terminated) text. Without a rectangle
// drawing starts at the canvas's current position. With DT_CALCRECT nothing is
// drawn and the rectangle's right and bottom receive the size used. Returns
// the offset of the last line from the top (0 for one line), and 0 at once
// for a null canvas or text.
int DrawMarkupText(MarkupCanvas* canvas, const char16_t* text, int count, MarkupRect* rect,
                   unsigned format);

// The colour a "<font color=...>" tag names: after "color=", an optional
// quote, an optional "#", then RRGGBB (a non-hex digit counts as 0). Empty
// when the tag has no colour right after "<font ".
bool ParseFontTagColor(std::u16string_view tag, MarkupColor& color);
