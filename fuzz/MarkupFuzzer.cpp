// The markup renderer over any text (the input read as UTF-16): drawing and
// measuring must agree on the lines used, every drawn word must be a piece of
// the text, and the canvas must be restored. Button captions and path
// shortening take the same text.
#include "toolkit/markup/CompactPath.h"
#include "toolkit/markup/DrawMarkupText.h"
#include "toolkit/markup/TextBlockCaption.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

class CheckingCanvas : public MarkupCanvas {
public:
    explicit CheckingCanvas(std::u16string_view text) : m_text(text) {}

    void Save() override { ++m_depth; }
    void Restore() override {
        if (--m_depth < 0) std::abort();
    }
    void SelectStyle(int style) override {
        if (style < 0 || style >= kStyleCount) std::abort();
        m_style = style;
    }
    MarkupSize MeasureText(std::u16string_view text) override {
        return {int(text.size()) * ((m_style & kStyleBold) ? 7 : 6), 10};
    }
    void DrawText(std::u16string_view text, const MarkupRect&, unsigned) override {
        if (text.empty() || (text != u" " && m_text.find(text) == std::u16string_view::npos)) std::abort();
    }
    MarkupColor TextColor() const override { return m_color; }
    void SetTextColor(MarkupColor color) override { m_color = color; }
    MarkupPoint CurrentPosition() const override { return {0, 0}; }
    int DeviceWidth() const override { return 200; }
    int Depth() const { return m_depth; }

private:
    std::u16string_view m_text;
    int m_depth = 0;
    int m_style = 0;
    MarkupColor m_color;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::u16string text(size / 2, u'\0');
    if (!text.empty()) std::memcpy(text.data(), data, text.size() * 2);
    const int width = size > 0 ? data[0] : 100;

    CheckingCanvas drawing(text);
    MarkupRect drawn{0, 0, width, 0};
    const int lastLine = DrawMarkupText(&drawing, text.data(), int(text.size()), &drawn, DT_WORDBREAK);
    CheckingCanvas measuring(text);
    MarkupRect measured{0, 0, width, 0};
    const int measuredLine =
        DrawMarkupText(&measuring, text.data(), int(text.size()), &measured, DT_WORDBREAK | DT_CALCRECT);
    if (lastLine != measuredLine || lastLine < 0 || drawing.Depth() != 0 || measuring.Depth() != 0) std::abort();
    if (measured.bottom != lastLine + 10) std::abort();

    const TextBlockCaption caption = ParseTextBlockCaption(text);
    if (caption.text.size() > text.size()) std::abort();
    const std::u16string shortened =
        CompactPath(text, width, [](std::u16string_view part) { return int(part.size()); });
    if (shortened != text && int(shortened.size()) > std::max(width, 3)) std::abort();
    return 0;
}
