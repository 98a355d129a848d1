#include "cli/TextColumns.h"

#include "platform/TextConvert.h"

namespace {

bool IsWide(char32_t c) {
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) || (c >= 0x3041 && c <= 0x33FF) ||
           (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF) ||
           (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
           (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1F64F) ||
           (c >= 0x1F900 && c <= 0x1F9FF) || (c >= 0x20000 && c <= 0x3FFFD);
}

bool IsZeroWidth(char32_t c) {
    return (c >= 0x0300 && c <= 0x036F) || (c >= 0x200B && c <= 0x200F) || (c >= 0xFE00 && c <= 0xFE0F) ||
           (c >= 0x20D0 && c <= 0x20FF);
}

}  // namespace

size_t DisplayWidth(std::u16string_view text) {
    size_t width = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        }
        if (c < 0x300) {
            ++width;
        } else if (!IsZeroWidth(c)) {
            width += IsWide(c) ? 2 : 1;
        }
    }
    return width;
}

void AppendPadded(std::string& out, std::u16string_view text, size_t width) {
    const size_t start = out.size();
    platform::AppendUtf8(out, text);
    // As many bytes as characters: plain ASCII, a cell each.
    size_t used = out.size() - start == text.size() ? text.size() : DisplayWidth(text);
    if (used < width) out.append(width - used, ' ');
}

void AppendRightAligned(std::string& out, std::u16string_view text, size_t width) {
    size_t used = DisplayWidth(text);
    if (used < width) out.append(width - used, ' ');
    platform::AppendUtf8(out, text);
}
