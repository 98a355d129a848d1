#include "toolkit/markup/DrawMarkupText.h"

#include "toolkit/markup/MarkupTokenReader.h"

#include <algorithm>
#include <array>
#include <string>

namespace {

int HexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return 0;
}

bool StartsWithIgnoringCase(std::u16string_view text, std::u16string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        char16_t c = text[i];
        if (c >= u'A' && c <= u'Z') c = char16_t(c - u'A' + u'a');
        if (c != prefix[i]) return false;
    }
    return true;
}

// Eight saved colours; a ninth push replaces the colour without saving the
// one it hides, so its pop goes back two levels.
class ColorStack {
public:
    explicit ColorStack(MarkupColor initial) : m_initial(initial) {}
    void Push(MarkupColor current) {
        if (m_count < m_saved.size()) m_saved[m_count++] = current;
    }
    MarkupColor Pop() { return m_count > 0 ? m_saved[--m_count] : m_initial; }

private:
    std::array<MarkupColor, 8> m_saved{};
    size_t m_count = 0;
    MarkupColor m_initial;
};

class MarkupLayout {
public:
    MarkupLayout(MarkupCanvas& canvas, unsigned format)
        : m_canvas(canvas), m_format(format), m_colors(canvas.TextColor()) {}

    int Run(std::u16string_view text, MarkupRect* rect);

private:
    void SetBox(const MarkupRect* rect);
    void ApplyTag(const MarkupToken& token);
    void PlaceWord(std::u16string_view word, bool whiteSpaceBefore);
    void SetStyleBit(int bit, bool on) { m_style = on ? (m_style | bit) : (m_style & ~bit); }

    MarkupCanvas& m_canvas;
    unsigned m_format;
    ColorStack m_colors;
    int m_left = 0, m_top = 0, m_width = 0;
    int m_x = 0, m_y = 0, m_largestX = 0;
    int m_lineHeight = 0;
    int m_style = 0;
    int m_measuredStyle = -1;
    int m_spaceWidth = 0;
};

void MarkupLayout::SetBox(const MarkupRect* rect) {
    if (rect) {
        m_left = rect->left;
        m_top = rect->top;
        m_width = rect->right - rect->left;
    } else {
        const MarkupPoint position = m_canvas.CurrentPosition();
        m_left = position.x;
        m_top = position.y;
        m_width = m_canvas.DeviceWidth() - position.x;
    }
    m_width = std::max(m_width, 0);
}

int MarkupLayout::Run(std::u16string_view text, MarkupRect* rect) {
    SetBox(rect);
    m_format = (m_format & ~(DT_CENTER | DT_RIGHT | DT_TABSTOP)) | DT_NOPREFIX;
    m_canvas.Save();
    m_lineHeight = m_canvas.MeasureText(u" ").height;

    MarkupTokenReader reader(text);
    for (MarkupToken token = reader.Next(); token.kind != MarkupToken::Kind::End; token = reader.Next()) {
        if (token.kind == MarkupToken::Kind::Tag) {
            ApplyTag(token);
            continue;
        }
        PlaceWord(token.text, reader.WhiteSpaceBefore());
        reader.ClearWhiteSpace();
    }

    m_canvas.Restore();
    if ((m_format & DT_CALCRECT) && rect) {
        rect->right = m_left + m_largestX;
        rect->bottom = m_top >= 0 ? m_top + m_y + m_lineHeight : m_top - m_y - m_lineHeight;
    }
    return m_y;
}

void MarkupLayout::ApplyTag(const MarkupToken& token) {
    const bool on = !token.closing;
    const bool singleLine = (m_format & DT_SINGLELINE) != 0;
    switch (token.tag) {
    case MarkupTag::Bold: SetStyleBit(kStyleBold, on); break;
    case MarkupTag::Italic: SetStyleBit(kStyleItalic, on); break;
    case MarkupTag::Underline: SetStyleBit(kStyleUnderline, on); break;
    case MarkupTag::Superscript: SetStyleBit(kStyleSuperscript, on); break;
    case MarkupTag::Subscript: SetStyleBit(kStyleSubscript, on); break;
    case MarkupTag::LineBreak:
        if (on && !singleLine) {
            m_x = 0;
            m_y += m_lineHeight;
        }
        break;
    case MarkupTag::Paragraph:
        if (on && !singleLine) {
            m_x = 0;
            if (token.position != 0) m_y += m_lineHeight * 3 / 2;
        }
        break;
    case MarkupTag::Font:
        if (token.closing) {
            m_canvas.SetTextColor(m_colors.Pop());
        } else if (MarkupColor color; ParseFontTagColor(token.text, color)) {
            m_colors.Push(m_canvas.TextColor());
            m_canvas.SetTextColor(color);
        }
        break;
    }
}

void MarkupLayout::PlaceWord(std::u16string_view word, bool whiteSpaceBefore) {
    if (m_style != m_measuredStyle) {
        m_canvas.SelectStyle(m_style);
        m_spaceWidth = m_canvas.MeasureText(u" ").width;
        m_measuredStyle = m_style;
    }
    const int wordWidth = m_canvas.MeasureText(word).width;
    // A word is never broken: a box too narrow for it grows instead.
    m_width = std::max(m_width, wordWidth);
    if (whiteSpaceBefore) {
        m_x += m_spaceWidth;
        if (m_x + wordWidth > m_width) {
            if (m_format & DT_WORDBREAK) {
                m_x = 0;
                m_y += m_lineHeight;
            } else {
                m_width = m_x + wordWidth;
            }
        }
    }
    if (!(m_format & DT_CALCRECT)) {
        const int top = m_top + m_y;
        unsigned wordFormat = m_format;
        if (m_style & kStyleSubscript) wordFormat |= DT_BOTTOM | DT_SINGLELINE;
        m_canvas.DrawText(word, {m_left + m_x, top, m_left + m_width, top + m_lineHeight}, wordFormat);
        // Keeps an underline continuous across the gap between two words.
        if ((m_style & kStyleUnderline) && whiteSpaceBefore && m_x >= m_spaceWidth) {
            m_canvas.DrawText(u" ", {m_left + m_x - m_spaceWidth, top, m_left + m_x, top + m_lineHeight},
                              wordFormat);
        }
    }
    m_x += wordWidth;
    m_largestX = std::max(m_largestX, m_x);
}

}  // namespace

bool ParseFontTagColor(std::u16string_view tag, MarkupColor& color) {
    constexpr std::u16string_view kPrefix = u"<font color=";
    if (!StartsWithIgnoringCase(tag, kPrefix)) return false;
    std::u16string_view value = tag.substr(kPrefix.size());
    if (!value.empty() && (value.front() == u'\'' || value.front() == u'"')) value.remove_prefix(1);
    if (!value.empty() && value.front() == u'#') value.remove_prefix(1);
    auto component = [&](size_t at) {
        const int high = at < value.size() ? HexDigit(value[at]) : 0;
        const int low = at + 1 < value.size() ? HexDigit(value[at + 1]) : 0;
        return std::uint8_t(high * 16 + low);
    };
    color = {component(0), component(2), component(4)};
    return true;
}

int DrawMarkupText(MarkupCanvas* canvas, const char16_t* text, int count, MarkupRect* rect,
                   unsigned format) {
    if (!canvas || !text) return 0;
    const size_t length = count < 0 ? std::char_traits<char16_t>::length(text) : size_t(count);
    return MarkupLayout(*canvas, format).Run(std::u16string_view(text, length), rect);
}
