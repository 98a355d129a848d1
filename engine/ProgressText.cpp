#include "engine/ProgressText.h"
#include "platform/TextConvert.h"

#include <cstdio>


std::u16string FormatPercent1(double percent) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f%%", percent);
    return platform::FromUtf8(text);
}

std::u16string FormatPercent2(double percent) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f%%", percent);
    return platform::FromUtf8(text);
}

std::u16string FormatFoundFiles(uint32_t count) {
    return u"找到" + platform::FromUtf8(std::to_string(count)) + u"个文件";
}

std::u16string FormatSearchingTitle(char16_t letter) {
    return u"正在搜索" + std::u16string(1, letter) + u"盘文件";
}
