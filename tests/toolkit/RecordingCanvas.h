#pragma once
// A markup canvas with made-up metrics that records what it is asked to
// draw: every character is 6 pixels wide (7 in bold, 4 in sub- and
// superscript) and a line is 10 pixels high.
#include "toolkit/markup/MarkupCanvas.h"

#include <string>
#include <vector>

struct RecordedWord {
    std::u16string text;
    MarkupRect rect;
    unsigned format = 0;
    int style = 0;
    MarkupColor color;
};

class RecordingCanvas : public MarkupCanvas {
public:
    static constexpr int kLineHeight = 10;

    static int CharWidth(int style) {
        if (style & (kStyleSubscript | kStyleSuperscript)) return 4;
        return (style & kStyleBold) ? 7 : 6;
    }

    void Save() override {
        ++saves;
        m_savedColor = m_color;
        m_savedStyle = m_style;
    }
    void Restore() override {
        ++restores;
        m_color = m_savedColor;
        m_style = m_savedStyle;
    }
    void SelectStyle(int style) override {
        m_style = style;
        selections.push_back(style);
    }
    MarkupSize MeasureText(std::u16string_view text) override {
        return {int(text.size()) * CharWidth(m_style), kLineHeight};
    }
    void DrawText(std::u16string_view text, const MarkupRect& rect, unsigned format) override {
        words.push_back({std::u16string(text), rect, format, m_style, m_color});
    }
    MarkupColor TextColor() const override { return m_color; }
    void SetTextColor(MarkupColor color) override { m_color = color; }
    MarkupPoint CurrentPosition() const override { return position; }
    int DeviceWidth() const override { return deviceWidth; }

    // The words drawn, without the spaces drawn under underlines.
    std::vector<RecordedWord> Words() const {
        std::vector<RecordedWord> result;
        for (const RecordedWord& word : words) {
            if (word.text != u" ") result.push_back(word);
        }
        return result;
    }

    std::vector<RecordedWord> words;
    std::vector<int> selections;
    int saves = 0;
    int restores = 0;
    MarkupPoint position;
    int deviceWidth = 640;

private:
    MarkupColor m_color{0, 0, 0};
    MarkupColor m_savedColor;
    int m_style = 0;
    int m_savedStyle = 0;
};
