#pragma once
// UTF-16 text between Qt strings and the toolkit-free markup code.
#include <QString>

#include <string_view>

inline std::u16string_view ToU16View(const QString& text) {
    return {reinterpret_cast<const char16_t*>(text.utf16()), size_t(text.size())};
}

inline QString ToQString(std::u16string_view text) {
    return QString(reinterpret_cast<const QChar*>(text.data()), qsizetype(text.size()));
}
