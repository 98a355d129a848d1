#include "cli/Json.h"

#include "platform/TextConvert.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace {

bool NeedsEscape(unsigned char c) { return c < 0x20 || c == 0x7F || c == '"' || c == '\\'; }

void AppendEscaped(std::string& out, std::string_view utf8) {
    for (unsigned char c : utf8) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20 || c == 0x7F) {
                char escape[8];
                std::snprintf(escape, sizeof escape, "\\u%04x", c);
                out += escape;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
}

}  // namespace

std::string JsonString(std::string_view utf8) {
    std::string out = "\"";
    AppendEscaped(out, utf8);
    return out + "\"";
}

std::string JsonString(std::u16string_view text) { return JsonString(platform::ToUtf8(text)); }

void JsonWriter::Separate() {
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (m_needComma) m_text += ',';
}

void JsonWriter::Open(char bracket) {
    Separate();
    m_text += bracket;
    m_needComma = false;
}

void JsonWriter::Close(char bracket) {
    m_text += bracket;
    m_needComma = true;
    // Pieces of about a megabyte: the buffer is reused, never grown.
    if (m_out && m_text.size() > (1 << 20)) Flush();
}

void JsonWriter::Flush() {
    if (!m_out || m_text.empty()) return;
    std::fwrite(m_text.data(), 1, m_text.size(), m_out);
    m_text.clear();
}

void JsonWriter::AppendQuoted(std::string_view utf8) {
    m_text += '"';
    size_t start = m_text.size();
    m_text += utf8;
    EscapeFrom(start);
    m_text += '"';
}

void JsonWriter::Key(std::string_view key) {
    // Keys are this program's own plain ASCII names: nothing to escape.
    Separate();
    m_text += '"';
    m_text += key;
    m_text += "\":";
    m_afterKey = true;
}

void JsonWriter::EscapeFrom(size_t start) {
    auto begin = m_text.begin() + static_cast<std::ptrdiff_t>(start);
    if (std::none_of(begin, m_text.end(), [](char c) { return NeedsEscape(static_cast<unsigned char>(c)); }))
        return;
    std::string plain = m_text.substr(start);
    m_text.resize(start);
    AppendEscaped(m_text, plain);
}

void JsonWriter::AppendUtf16Escaped(std::u16string_view text) {
    size_t start = m_text.size();
    platform::AppendUtf8(m_text, text);
    // Names almost never need escaping; look at the shorter UTF-16 text.
    for (char16_t c : text) {
        if (c < 0x80 && NeedsEscape(static_cast<unsigned char>(c))) {
            EscapeFrom(start);
            return;
        }
    }
}

std::string JsonWriter::Escaped(std::u16string_view text) {
    JsonWriter scratch;
    scratch.AppendUtf16Escaped(text);
    return std::move(scratch.m_text);
}

void JsonWriter::Value(std::u16string_view text) {
    Separate();
    m_text += '"';
    AppendUtf16Escaped(text);
    m_text += '"';
    m_needComma = true;
}

void JsonWriter::PathValue(std::string_view escapedFolder, std::u16string_view name) {
    Separate();
    m_text += '"';
    if (!escapedFolder.empty()) {
        m_text += escapedFolder;
        m_text += '/';
    }
    AppendUtf16Escaped(name);
    m_text += '"';
    m_needComma = true;
}

void JsonWriter::Value(std::string_view text) {
    Separate();
    AppendQuoted(text);
    m_needComma = true;
}

void JsonWriter::Value(uint64_t number) {
    char digits[24];
    auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    Raw(std::string_view(digits, static_cast<size_t>(end - digits)));
}

void JsonWriter::Value(int64_t number) {
    char digits[24];
    auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    Raw(std::string_view(digits, static_cast<size_t>(end - digits)));
}

void JsonWriter::Raw(std::string_view text) {
    Separate();
    m_text += text;
    m_needComma = true;
}
