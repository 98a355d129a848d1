#pragma once
// The texts a scan shows while it runs.
#include <cstdint>
#include <string>

std::u16string FormatPercent1(double percent);  // "%.1f%%"
std::u16string FormatPercent2(double percent);  // "%.2f%%"
std::u16string FormatFoundFiles(uint32_t count);  // "找到%u个文件"
std::u16string FormatSearchingTitle(char16_t letter);  // "正在搜索%c盘文件"
inline constexpr const char16_t* kInitialisingTitle = u"正在初始化,请等待......";
inline constexpr const char16_t* kScanStoppedCaption = u"扫描终止";
