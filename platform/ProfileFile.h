#pragma once
// Windows-style profile (INI) files: "[section]" headers and "key=value"
// lines, sections and keys matched without regard to ASCII case. The file is
// UTF-8 on disk. Rewrites go to a temporary file that replaces the original by
// rename, so a crash never leaves half a settings file behind.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {

class ProfileDocument {
public:
    static ProfileDocument Parse(std::string_view text);
    std::string Serialize() const;

    // False when the section or key is absent.
    bool Get(std::u16string_view section, std::u16string_view key, std::u16string& value) const;
    void Set(std::u16string_view section, std::u16string_view key, std::u16string_view value);
    // Key/value pairs of a section in file order (empty when absent).
    std::vector<std::pair<std::u16string, std::u16string>> Section(std::u16string_view section) const;

private:
    struct Line {
        std::string text;       // the line as it stands in the file
        std::u16string section; // for headers: the section name
        std::u16string key;     // for key lines: the trimmed key
        std::u16string value;   // for key lines: the trimmed value, quotes removed
        enum Kind { Other, Header, Entry } kind = Other;
    };
    std::vector<Line> m_lines;
};

// Reads a value; false when the file, section or key is absent.
bool ReadProfileString(const std::string& path, std::u16string_view section,
                       std::u16string_view key, std::u16string& value);
// Writes a value, creating the file and its folder when needed.
bool WriteProfileString(const std::string& path, std::u16string_view section,
                        std::u16string_view key, std::u16string_view value);
std::vector<std::pair<std::u16string, std::u16string>> ReadProfileSection(
    const std::string& path, std::u16string_view section);

}  // namespace platform
