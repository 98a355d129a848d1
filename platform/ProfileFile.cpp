#include "platform/ProfileFile.h"

#include "platform/TextConvert.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace platform {
namespace {

std::string_view Trim(std::string_view text) {
    size_t begin = text.find_first_not_of(" \t\r");
    if (begin == std::string_view::npos) return {};
    size_t end = text.find_last_not_of(" \t\r");
    return text.substr(begin, end - begin + 1);
}

std::string_view Unquote(std::string_view text) {
    if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'') && text.back() == text.front())
        return text.substr(1, text.size() - 2);
    return text;
}

bool ReadWholeFile(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    text = buffer.str();
    return true;
}

}  // namespace

ProfileDocument ProfileDocument::Parse(std::string_view text) {
    ProfileDocument document;
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    std::u16string current;
    while (!text.empty()) {
        size_t newline = text.find('\n');
        std::string_view raw = text.substr(0, newline);
        text = newline == std::string_view::npos ? std::string_view() : text.substr(newline + 1);
        Line line;
        line.text = std::string(raw);
        if (!line.text.empty() && line.text.back() == '\r') line.text.pop_back();
        std::string_view trimmed = Trim(raw);
        if (trimmed.size() >= 2 && trimmed.front() == '[') {
            size_t close = trimmed.find(']');
            if (close != std::string_view::npos) {
                line.kind = Line::Header;
                current = FromUtf8(Trim(trimmed.substr(1, close - 1)));
                line.section = current;
            }
        } else if (!trimmed.empty() && trimmed.front() != ';' && trimmed.front() != '#') {
            size_t equals = trimmed.find('=');
            if (equals != std::string_view::npos) {
                line.kind = Line::Entry;
                line.section = current;
                line.key = FromUtf8(Trim(trimmed.substr(0, equals)));
                line.value = FromUtf8(Unquote(Trim(trimmed.substr(equals + 1))));
            }
        }
        document.m_lines.push_back(std::move(line));
    }
    return document;
}

std::string ProfileDocument::Serialize() const {
    std::string text;
    for (const Line& line : m_lines) {
        text += line.text;
        text += '\n';
    }
    return text;
}

bool ProfileDocument::Get(std::u16string_view section, std::u16string_view key,
                          std::u16string& value) const {
    for (const Line& line : m_lines) {
        if (line.kind == Line::Entry && EqualsIgnoreAsciiCase(line.section, section) &&
            EqualsIgnoreAsciiCase(line.key, key)) {
            value = line.value;
            return true;
        }
    }
    return false;
}

void ProfileDocument::Set(std::u16string_view section, std::u16string_view key,
                          std::u16string_view value) {
    Line entry;
    entry.kind = Line::Entry;
    entry.section = section;
    entry.key = key;
    entry.value = value;
    entry.text = ToUtf8(key) + "=" + ToUtf8(value);

    size_t insertAt = m_lines.size();
    bool inSection = false;
    for (size_t i = 0; i < m_lines.size(); ++i) {
        Line& line = m_lines[i];
        if (line.kind == Line::Header) {
            if (inSection) break;
            inSection = EqualsIgnoreAsciiCase(line.section, section);
            if (inSection) insertAt = i + 1;
            continue;
        }
        if (!inSection) continue;
        if (line.kind == Line::Entry && EqualsIgnoreAsciiCase(line.key, key)) {
            line = std::move(entry);
            return;
        }
        if (!Trim(line.text).empty()) insertAt = i + 1;
    }
    if (!inSection && insertAt == m_lines.size()) {
        // No such section yet: append it.
        Line header;
        header.kind = Line::Header;
        header.section = section;
        header.text = "[" + ToUtf8(section) + "]";
        m_lines.push_back(std::move(header));
        m_lines.push_back(std::move(entry));
        return;
    }
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(entry));
}

std::vector<std::pair<std::u16string, std::u16string>> ProfileDocument::Section(
    std::u16string_view section) const {
    std::vector<std::pair<std::u16string, std::u16string>> entries;
    for (const Line& line : m_lines)
        if (line.kind == Line::Entry && EqualsIgnoreAsciiCase(line.section, section))
            entries.emplace_back(line.key, line.value);
    return entries;
}

bool ReadProfileString(const std::string& path, std::u16string_view section,
                       std::u16string_view key, std::u16string& value) {
    std::string text;
    if (!ReadWholeFile(path, text)) return false;
    return ProfileDocument::Parse(text).Get(section, key, value);
}

bool WriteProfileString(const std::string& path, std::u16string_view section,
                        std::u16string_view key, std::u16string_view value) {
    std::string text;
    ReadWholeFile(path, text);
    ProfileDocument document = ProfileDocument::Parse(text);
    document.Set(section, key, value);

    std::error_code error;
    std::filesystem::path target(path);
    if (target.has_parent_path()) std::filesystem::create_directories(target.parent_path(), error);
    std::string temporary = path + ".tmp" + std::to_string(::getpid());
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out << document.Serialize();
        out.flush();
        if (!out) {
            std::remove(temporary.c_str());
            return false;
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

std::vector<std::pair<std::u16string, std::u16string>> ReadProfileSection(
    const std::string& path, std::u16string_view section) {
    std::string text;
    if (!ReadWholeFile(path, text)) return {};
    return ProfileDocument::Parse(text).Section(section);
}

}  // namespace platform
