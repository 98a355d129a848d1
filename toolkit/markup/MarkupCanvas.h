#pragma once
// What the markup renderer needs of a surface: measure and draw text in a
// style derived from a base font, and a text colour. The desktop program
// draws through QPainter; tests record the calls without a display.
#include <cstdint>
#include <string_view>

// Text layout flags, with the values of the drawing API whose layout the
// renderer follows (the list control passes them through unchanged).
inline constexpr unsigned DT_TOP = 0x0000;
inline constexpr unsigned DT_CENTER = 0x0001;
inline constexpr unsigned DT_RIGHT = 0x0002;
inline constexpr unsigned DT_VCENTER = 0x0004;
inline constexpr unsigned DT_BOTTOM = 0x0008;
inline constexpr unsigned DT_WORDBREAK = 0x0010;
inline constexpr unsigned DT_SINGLELINE = 0x0020;
inline constexpr unsigned DT_TABSTOP = 0x0080;
inline constexpr unsigned DT_EXTERNALLEADING = 0x0200;
inline constexpr unsigned DT_CALCRECT = 0x0400;
inline constexpr unsigned DT_NOPREFIX = 0x0800;

// Style bits; together they number the 32 fonts a call may use.
inline constexpr int kStyleBold = 1;
inline constexpr int kStyleItalic = 2;
inline constexpr int kStyleUnderline = 4;
inline constexpr int kStyleSuperscript = 8;
inline constexpr int kStyleSubscript = 16;
inline constexpr int kStyleCount = 32;

struct MarkupRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const MarkupRect&) const = default;
};

struct MarkupPoint {
    int x = 0;
    int y = 0;
};

struct MarkupSize {
    int width = 0;
    int height = 0;
};

struct MarkupColor {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    bool operator==(const MarkupColor&) const = default;
};

class MarkupCanvas {
public:
    virtual ~MarkupCanvas() = default;

    // Keeps the font and text colour until the matching Restore, which also
    // forgets the fonts made by SelectStyle in between.
    virtual void Save() = 0;
    virtual void Restore() = 0;
    // Selects the base font (style 0, the font current at Save) with the style
    // bits applied: bold, italic, underline, and 7/10 height for sub/superscript.
    virtual void SelectStyle(int style) = 0;
    virtual MarkupSize MeasureText(std::u16string_view text) = 0;
    // Draws one word on one line from the rectangle's top-left corner (its
    // bottom with DT_BOTTOM), in the selected font and the text colour.
    virtual void DrawText(std::u16string_view text, const MarkupRect& rect, unsigned format) = 0;
    virtual MarkupColor TextColor() const = 0;
    virtual void SetTextColor(MarkupColor color) = 0;
    // Where drawing starts when the caller gives no rectangle, and the
    // surface's width, which bounds the box then.
    virtual MarkupPoint CurrentPosition() const = 0;
    virtual int DeviceWidth() const = 0;
};
