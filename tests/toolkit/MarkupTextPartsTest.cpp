#include "toolkit/markup/CompactPath.h"
#include "toolkit/markup/TextBlockCaption.h"

#include <gtest/gtest.h>

namespace {

TEST(TextBlockCaption, ForegroundColourAndTextComeOutOfTheMarkup) {
    TextBlockCaption caption = ParseTextBlockCaption(u"<TextBlock Foreground='#749719' >下一步</TextBlock>");
    EXPECT_EQ(caption.text, u"下一步");
    ASSERT_TRUE(caption.foreground);
    EXPECT_EQ(*caption.foreground, (MarkupColor{0x74, 0x97, 0x19}));

    caption = ParseTextBlockCaption(u"<TextBlock Foreground=\"#FF102030\">取消</TextBlock>");
    EXPECT_EQ(caption.text, u"取消");
    EXPECT_EQ(*caption.foreground, (MarkupColor{0x10, 0x20, 0x30}));

    caption = ParseTextBlockCaption(u"<TextBlock>查找文件</TextBlock>");
    EXPECT_EQ(caption.text, u"查找文件");
    EXPECT_FALSE(caption.foreground);
}

TEST(TextBlockCaption, AnythingElseIsPlainText) {
    for (std::u16string_view text : {u"下一步", u"<TextBlock Foreground='#749719' >unclosed", u"<b>x</b>",
                                     u"<TextBlock</TextBlock>", u""}) {
        const TextBlockCaption caption = ParseTextBlockCaption(text);
        EXPECT_EQ(caption.text, text);
        EXPECT_FALSE(caption.foreground);
    }
    EXPECT_FALSE(ParseTextBlockCaption(u"<TextBlock Foreground='#74971' >x</TextBlock>").foreground);
    EXPECT_FALSE(ParseTextBlockCaption(u"<TextBlock Foreground='#7497zz' >x</TextBlock>").foreground);
}

int CharacterCount(std::u16string_view text) { return int(text.size()); }

TEST(CompactPath, MiddleFoldersGiveWayBeforeTheFileName) {
    const std::u16string path = u"C:\\Users\\me\\Documents\\Reports\\2024\\report.docx";
    EXPECT_EQ(CompactPath(path, 100, CharacterCount), path);
    EXPECT_EQ(CompactPath(path, 31, CharacterCount), u"C:\\...\\Reports\\2024\\report.docx");
    EXPECT_EQ(CompactPath(path, 30, CharacterCount), u"C:\\...\\2024\\report.docx");
    EXPECT_EQ(CompactPath(path, 20, CharacterCount), u"C:\\...\\report.docx");
    EXPECT_EQ(CompactPath(u"/home/user/photos/holiday.jpg", 22, CharacterCount), u"/.../holiday.jpg");
}

TEST(CompactPath, AFileNameTooWideLosesItsMiddleNeverItsEnds) {
    const std::u16string shortened = CompactPath(u"C:\\dir\\a-very-long-file-name.txt", 18, CharacterCount);
    EXPECT_LE(shortened.size(), 18u);
    EXPECT_TRUE(shortened.starts_with(u"C:\\...\\a-")) << std::string(shortened.begin(), shortened.end());
    EXPECT_TRUE(shortened.ends_with(u".txt"));
    EXPECT_NE(shortened.find(u"..."), std::u16string::npos);
    EXPECT_EQ(CompactPath(u"abcdefghij", 7, CharacterCount), u"ab...ij");
    EXPECT_EQ(CompactPath(u"abcdefghij", 2, CharacterCount), u"...");
    EXPECT_EQ(CompactPath(std::u16string(600, u'x'), 9, CharacterCount), u"xxx...xxx") << "long texts are fine";
}

}  // namespace
