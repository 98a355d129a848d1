#include "results/SafeFileName.h"

#include "platform/TextConvert.h"

namespace {

constexpr size_t kMaxNameBytes = 255;

size_t Utf8Length(const std::u16string& text) { return platform::ToUtf8(text).size(); }

// Cuts `text` to at most `bytes` of UTF-8 without splitting a surrogate pair.
std::u16string CutToBytes(std::u16string text, size_t bytes) {
    while (!text.empty() && Utf8Length(text) > bytes) {
        text.pop_back();
        if (!text.empty() && text.back() >= 0xD800 && text.back() <= 0xDBFF) text.pop_back();
    }
    return text;
}

std::u16string SplitExtension(const std::u16string& name, std::u16string& extension) {
    size_t point = name.rfind(u'.');
    if (point == std::u16string::npos || point == 0 || name.size() - point > 16) {
        extension.clear();
        return name;
    }
    extension = name.substr(point);
    return name.substr(0, point);
}

}  // namespace

std::u16string SafeFileName(const std::u16string& name) {
    std::u16string safe;
    safe.reserve(name.size());
    for (size_t i = 0; i < name.size(); ++i) {
        char16_t c = name[i];
        bool highSurrogate = c >= 0xD800 && c <= 0xDBFF;
        bool lowSurrogate = c >= 0xDC00 && c <= 0xDFFF;
        if (highSurrogate && i + 1 < name.size() && name[i + 1] >= 0xDC00 && name[i + 1] <= 0xDFFF) {
            safe += c;
            safe += name[++i];
        } else if (highSurrogate || lowSurrogate) {
            safe += char16_t(0xFFFD);
        } else if (c < 0x20 || c == 0x7F || c == u'/' || c == u'\\') {
            safe += u'_';
        } else {
            safe += c;
        }
    }
    if (Utf8Length(safe) > kMaxNameBytes) {
        std::u16string extension;
        std::u16string stem = SplitExtension(safe, extension);
        safe = CutToBytes(stem, kMaxNameBytes - Utf8Length(extension)) + extension;
    }
    // FAT, exFAT and NTFS drop trailing spaces and dots from a name when it
    // is created, yet another system may have stored one ("notes." on NTFS
    // written by Linux); writing the form Windows would store makes the copy
    // reachable on such a stick and in a shell.
    // This also turns "." and ".." into nothing, which becomes "_".
    safe.erase(safe.find_last_not_of(u" .") + 1);
    if (safe.empty()) safe = u"_";
    return safe;
}

std::u16string NumberedFileName(const std::u16string& name, unsigned number) {
    std::u16string extension;
    std::u16string stem = SplitExtension(name, extension);
    std::string suffix = " (" + std::to_string(number) + ")";
    std::u16string wideSuffix(suffix.begin(), suffix.end());
    stem = CutToBytes(stem, kMaxNameBytes - Utf8Length(extension) - suffix.size());
    return stem + wideSuffix + extension;
}
