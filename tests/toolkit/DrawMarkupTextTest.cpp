#include "tests/toolkit/RecordingCanvas.h"
#include "toolkit/markup/DrawMarkupText.h"

#include <gtest/gtest.h>

namespace {

constexpr MarkupColor kBlack{0, 0, 0};
constexpr int kBold = kStyleBold;

int Draw(RecordingCanvas& canvas, std::u16string_view text, MarkupRect* rect, unsigned format) {
    return DrawMarkupText(&canvas, text.data(), int(text.size()), rect, format);
}

std::vector<RecordedWord> DrawWords(std::u16string_view text, int width = 400, unsigned format = DT_WORDBREAK) {
    RecordingCanvas canvas;
    MarkupRect rect{0, 0, width, 100};
    Draw(canvas, text, &rect, format);
    return canvas.Words();
}

TEST(DrawMarkupText, LeadingBreakStartsTheFirstBoldWordOneLineDown) {
    RecordingCanvas canvas;
    MarkupRect rect{20, 30, 400, 200};
    EXPECT_EQ(Draw(canvas, u"<br><b>Bold</b> next", &rect, DT_WORDBREAK), 10);
    const auto words = canvas.Words();
    ASSERT_EQ(words.size(), 2u);
    EXPECT_EQ(words[0].text, u"Bold");
    EXPECT_EQ(words[0].style, kBold);
    EXPECT_EQ(words[0].rect, (MarkupRect{20, 40, 400, 50}));
    EXPECT_EQ(words[1].style, 0);
    EXPECT_EQ(words[1].rect.left, 20 + 4 * 7 + 6) << "one plain space after the bold word";
    EXPECT_EQ(words[1].rect.top, 40);
}

TEST(DrawMarkupText, ParagraphMovesDownOneAndAHalfLinesExceptAtTheVeryStart) {
    const auto words = DrawWords(u"<p>one<p>two <P>three");
    ASSERT_EQ(words.size(), 3u);
    EXPECT_EQ(words[0].rect.top, 0);
    EXPECT_EQ(words[1].rect.top, 15);
    EXPECT_EQ(words[1].rect.left, 0);
    EXPECT_EQ(words[2].rect.top, 30);
    EXPECT_EQ(words[2].rect.left, 0) << "white space before a block tag is dropped";
}

TEST(DrawMarkupText, TagNamesMatchInAnyCaseAndByPrefix) {
    const auto words = DrawWords(u"<B>a</B> <Strong>b</Strong> <STRONG>c</STRONG> <bold>d</bold> e");
    ASSERT_EQ(words.size(), 5u);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(words[i].style, kBold) << i;
    EXPECT_EQ(words[4].style, 0);
    const auto styles = DrawWords(u"<I>i</I> <em>e</em> <U>u</U> <sup>p</sup> <SUB>s</SUB>");
    ASSERT_EQ(styles.size(), 5u);
    EXPECT_EQ(styles[0].style, kStyleItalic);
    EXPECT_EQ(styles[1].style, kStyleItalic);
    EXPECT_EQ(styles[2].style, kStyleUnderline);
    EXPECT_EQ(styles[3].style, kStyleSuperscript);
    EXPECT_EQ(styles[4].style, kStyleSubscript);
    EXPECT_EQ(styles[4].format & (DT_BOTTOM | DT_SINGLELINE), DT_BOTTOM | DT_SINGLELINE);
    EXPECT_EQ(styles[3].format & DT_BOTTOM, 0u);
}

TEST(DrawMarkupText, WhatIsNotATagIsDrawnAsText) {
    auto words = DrawWords(u"<b >x");
    ASSERT_EQ(words.size(), 2u);
    EXPECT_EQ(words[0].text, u"<b");
    EXPECT_EQ(words[1].text, u">x");
    EXPECT_EQ(words[1].style, 0);

    words = DrawWords(u"a<xyz>b </xyz>c <");
    ASSERT_EQ(words.size(), 5u);
    EXPECT_EQ(words[0].text, u"a");
    EXPECT_EQ(words[1].text, u"<xyz>");
    EXPECT_EQ(words[2].text, u"b");
    EXPECT_EQ(words[3].text, u"c") << "an unknown closing tag vanishes";
    EXPECT_EQ(words[4].text, u"<");
    EXPECT_EQ(DrawWords(u"</b>plain").front().style, 0) << "an unbalanced close only switches off";
}

TEST(DrawMarkupText, FontColourInEitherQuoteStyleAndRestoredAfterwards) {
    for (std::u16string_view text : {u"<font color=#6464E6>word</font> after",
                                     u"<font color='#6464e6'>word</font> after",
                                     u"<FONT COLOR=\"6464E6\">word</FONT> after"}) {
        const auto words = DrawWords(text);
        ASSERT_EQ(words.size(), 2u) << std::string(text.begin(), text.end());
        EXPECT_EQ(words[0].color, (MarkupColor{100, 100, 230}));
        EXPECT_EQ(words[1].color, kBlack);
    }
    MarkupColor color;
    ASSERT_TRUE(ParseFontTagColor(u"<font color=#zz10ff>", color));
    EXPECT_EQ(color, (MarkupColor{0, 0x10, 0xFF})) << "a non-hex digit counts as 0";
    ASSERT_TRUE(ParseFontTagColor(u"<font color=#12>", color));
    EXPECT_EQ(color, (MarkupColor{0x12, 0, 0})) << "never reads past the tag";
    EXPECT_FALSE(ParseFontTagColor(u"<font size=3>", color));
    EXPECT_EQ(DrawWords(u"<font size=3>x</font>").front().color, kBlack);
}

TEST(DrawMarkupText, NinthNestedColourIsShownButNotSaved) {
    std::u16string text;
    for (int i = 1; i <= 9; ++i) text += u"<font color=#0000" + std::u16string(1, u'0' + i) + u"0>c ";
    text += u"</font>after";
    const auto words = DrawWords(text);
    ASSERT_EQ(words.size(), 10u);
    EXPECT_EQ(words[8].color, (MarkupColor{0, 0, 0x90}));
    EXPECT_EQ(words[9].color, (MarkupColor{0, 0, 0x70})) << "closing the ninth returns to the seventh";
}

TEST(DrawMarkupText, WordsWrapToTheBoxAndAWordWiderThanTheBoxWidensIt) {
    RecordingCanvas canvas;
    MarkupRect rect{0, 0, 50, 100};
    EXPECT_EQ(Draw(canvas, u"aaa bbb ccc", &rect, DT_WORDBREAK), 10);
    auto words = canvas.Words();
    ASSERT_EQ(words.size(), 3u);
    EXPECT_EQ(words[1].rect.left, 24);
    EXPECT_EQ(words[2].rect.left, 0);
    EXPECT_EQ(words[2].rect.top, 10);

    words = DrawWords(u"abcdefgh ab", 20);
    ASSERT_EQ(words.size(), 2u);
    EXPECT_EQ(words[0].rect.left, 0);
    EXPECT_EQ(words[0].rect.right, 48) << "the box grew to the word";
    EXPECT_EQ(words[1].rect.top, 10);

    words = DrawWords(u"aaa bbb ccc", 50, 0);
    EXPECT_EQ(words[2].rect.top, 0) << "without word breaks the line grows instead";
    EXPECT_EQ(words[2].rect.right, 66);

    words = DrawWords(u"aaaaaa<b>bb</b>", 40);
    EXPECT_EQ(words[1].rect.top, 0) << "a word glued to a tag never moves to a new line";
    EXPECT_EQ(words[1].rect.left, 36);
}

TEST(DrawMarkupText, CalcRectMeasuresWithoutDrawing) {
    RecordingCanvas canvas;
    MarkupRect rect{5, 7, 200, 7};
    EXPECT_EQ(Draw(canvas, u"hello <b>world</b>", &rect, DT_CALCRECT | DT_WORDBREAK), 0);
    EXPECT_TRUE(canvas.words.empty());
    EXPECT_EQ(rect, (MarkupRect{5, 7, 5 + 30 + 7 + 35, 17})) << "the space before a bold word is a bold space";

    MarkupRect twoLines{0, 0, 40, 0};
    EXPECT_EQ(Draw(canvas, u"aaa<br>bb", &twoLines, DT_CALCRECT), 10);
    EXPECT_EQ(twoLines.bottom, 20);
    EXPECT_EQ(twoLines.right, 18);

    MarkupRect single{0, 0, 400, 0};
    EXPECT_EQ(Draw(canvas, u"a<br>b<p>c", &single, DT_CALCRECT | DT_SINGLELINE), 0);
    EXPECT_EQ(single.bottom, 10);
}

TEST(DrawMarkupText, FontsAreSelectedOnlyWhenTheStyleChangesAndTheCanvasIsRestored) {
    RecordingCanvas canvas;
    MarkupRect rect{0, 0, 400, 0};
    Draw(canvas, u"a b <b>c d</b> e f", &rect, DT_WORDBREAK);
    EXPECT_EQ(canvas.selections, (std::vector<int>{0, kBold, 0}));
    EXPECT_EQ(canvas.saves, 1);
    EXPECT_EQ(canvas.restores, 1);
    EXPECT_EQ(canvas.words[0].format, DT_WORDBREAK | DT_NOPREFIX);

    RecordingCanvas centred;
    Draw(centred, u"x", &rect, DT_CENTER | DT_RIGHT | DT_TABSTOP | DT_WORDBREAK);
    EXPECT_EQ(centred.words[0].format, DT_WORDBREAK | DT_NOPREFIX);
}

TEST(DrawMarkupText, UnderlineStaysContinuousAcrossSpaces) {
    RecordingCanvas canvas;
    MarkupRect rect{0, 0, 400, 0};
    Draw(canvas, u"<u>ab cd</u> ef", &rect, 0);
    ASSERT_EQ(canvas.words.size(), 4u);
    EXPECT_EQ(canvas.words[1].text, u"cd");
    EXPECT_EQ(canvas.words[2].text, u" ");
    EXPECT_EQ(canvas.words[2].rect.left, 12);
    EXPECT_EQ(canvas.words[2].rect.right, 18);
    EXPECT_EQ(canvas.words[3].text, u"ef") << "no gap drawn once underline is off";
}

TEST(DrawMarkupText, WithoutARectangleDrawsFromTheCurrentPosition) {
    RecordingCanvas canvas;
    canvas.position = {600, 3};
    canvas.deviceWidth = 640;
    EXPECT_EQ(DrawMarkupText(&canvas, u"aaaaa bbbbb", -1, nullptr, DT_WORDBREAK), 10);
    ASSERT_EQ(canvas.words.size(), 2u);
    EXPECT_EQ(canvas.words[0].rect.left, 600);
    EXPECT_EQ(canvas.words[0].rect.top, 3);
    EXPECT_EQ(canvas.words[1].rect.top, 13);

    EXPECT_EQ(DrawMarkupText(nullptr, u"x", -1, nullptr, 0), 0);
    EXPECT_EQ(DrawMarkupText(&canvas, nullptr, -1, nullptr, 0), 0);
    EXPECT_EQ(DrawMarkupText(&canvas, u"a b c", 1, nullptr, 0), 0);
}

}  // namespace
