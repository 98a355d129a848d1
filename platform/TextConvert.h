#pragma once
// Text conversions at the operating system's boundary. The core keeps text in
// UTF-16; file names, terminals and the settings file speak UTF-8, and 8-bit
// names on FAT volumes are in the code page the settings choose.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace platform {

std::string ToUtf8(std::u16string_view text);          // invalid UTF-16 becomes U+FFFD
void AppendUtf8(std::string& out, std::u16string_view text);  // the same, appended to `out`
// Writes the UTF-8 of the character at text[i] (at most 4 bytes; U+FFFD for
// a lone surrogate) and moves `i` past it: a pair takes two units.
char* PutUtf8(std::u16string_view text, size_t& i, char* out);
std::u16string FromUtf8(std::string_view text);        // invalid UTF-8 becomes U+FFFD

// 8-bit text in the configured code page (default CP936) to UTF-16. Bytes that
// the code page cannot map become U+FFFD; the result is never shorter than the
// valid prefix of the input.
std::u16string FromCodePage(std::span<const uint8_t> bytes);
void SetCodePage(const std::string& name);             // "CP936", "CP437", ...
const std::string& CodePage();

// Lower-case folding for ASCII letters, as profile files and drive letters need.
char16_t AsciiUpper(char16_t c);
bool EqualsIgnoreAsciiCase(std::u16string_view a, std::u16string_view b);

}  // namespace platform
