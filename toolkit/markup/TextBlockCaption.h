#pragma once
// Button captions written as <TextBlock Foreground='#749719' >text</TextBlock>:
// the text and the colour it is drawn in.
#include "toolkit/markup/MarkupCanvas.h"

#include <optional>
#include <string>
#include <string_view>

struct TextBlockCaption {
    std::u16string text;
    std::optional<MarkupColor> foreground;
};

// A caption that is not a TextBlock element (or is not closed) is plain text.
// Foreground takes #RRGGBB or #AARRGGBB in single or double quotes.
TextBlockCaption ParseTextBlockCaption(std::u16string_view caption);
