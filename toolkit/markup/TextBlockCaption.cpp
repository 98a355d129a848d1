#include "toolkit/markup/TextBlockCaption.h"

namespace {

constexpr std::u16string_view kOpen = u"<TextBlock";
constexpr std::u16string_view kClose = u"</TextBlock>";
constexpr std::u16string_view kForeground = u"Foreground=";

std::optional<int> HexValue(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return std::nullopt;
}

std::optional<MarkupColor> ParseForeground(std::u16string_view attributes) {
    const size_t at = attributes.find(kForeground);
    if (at == std::u16string_view::npos) return std::nullopt;
    std::u16string_view value = attributes.substr(at + kForeground.size());
    if (value.empty() || (value.front() != u'\'' && value.front() != u'"')) return std::nullopt;
    const char16_t quote = value.front();
    value.remove_prefix(1);
    const size_t end = value.find(quote);
    if (end == std::u16string_view::npos || value.empty() || value.front() != u'#') return std::nullopt;
    value = value.substr(1, end - 1);
    if (value.size() != 6 && value.size() != 8) return std::nullopt;
    value = value.substr(value.size() - 6);  // an alpha byte in front is ignored
    std::uint8_t bytes[3];
    for (int i = 0; i < 3; ++i) {
        const auto high = HexValue(value[2 * i]);
        const auto low = HexValue(value[2 * i + 1]);
        if (!high || !low) return std::nullopt;
        bytes[i] = std::uint8_t(*high * 16 + *low);
    }
    return MarkupColor{bytes[0], bytes[1], bytes[2]};
}

}  // namespace

TextBlockCaption ParseTextBlockCaption(std::u16string_view caption) {
    const size_t openEnd = caption.find(u'>');
    const bool isTextBlock = caption.starts_with(kOpen) && openEnd != std::u16string_view::npos &&
                             caption.ends_with(kClose) && openEnd + kClose.size() < caption.size();
    if (!isTextBlock) return {std::u16string(caption), std::nullopt};
    const std::u16string_view attributes = caption.substr(kOpen.size(), openEnd - kOpen.size());
    const std::u16string_view text = caption.substr(openEnd + 1, caption.size() - kClose.size() - openEnd - 1);
    return {std::u16string(text), ParseForeground(attributes)};
}
