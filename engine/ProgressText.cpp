#include "engine/ProgressText.h"

#include <cstdio>

std::u16string ToU16(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

std::u16string FormatPercent1(double percent) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f%%", percent);
    return ToU16(text);
}

std::u16string FormatPercent2(double percent) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f%%", percent);
    return ToU16(text);
}

std::u16string FormatFoundFiles(uint32_t count) {
    return u"找到" + ToU16(std::to_string(count)) + u"个文件";
}

std::u16string FormatSearchingTitle(char16_t letter) {
    return u"正在搜索" + std::u16string(1, letter) + u"盘文件";
}
