#include "results/PreviewPage.h"

#include "results/ResultList.h"

#include <string>

PreviewPage PreviewPageForName(const std::u16string& name) {
    std::u16string ending = NameEnding(name);
    // WebP, icons and cursors too: Qt's image format plugins decode them.
    for (const char16_t* picture : {u"jpg", u"png", u"bmp", u"gif", u"webp", u"ico", u"cur"})
        if (ending == picture) return PreviewPage::Picture;
    if (ending == u"zip") return PreviewPage::ZipText;
    return PreviewPage::Hex;
}

std::u16string PreviewCaption(PreviewPage page) {
    switch (page) {
        case PreviewPage::Picture: return u"图片预览";
        case PreviewPage::ZipText: return u"文字";
        case PreviewPage::Hex: break;
    }
    return u"十六进制显示";
}

std::u16string PictureSizeText(int width, int height) {
    auto number = [](int value) {
        std::string digits = std::to_string(value);
        return std::u16string(digits.begin(), digits.end());
    };
    return u"原图大小" + number(width) + u"×" + number(height) + u"像素";
}
