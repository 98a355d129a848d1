#include "cli/Json.h"

#include "platform/TextConvert.h"

#include <cstdio>

std::string JsonString(std::string_view utf8) {
    std::string out = "\"";
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
}

void JsonWriter::Key(std::string_view key) {
    Separate();
    m_text += JsonString(key);
    m_text += ':';
    m_afterKey = true;
}

void JsonWriter::Raw(const std::string& text) {
    Separate();
    m_text += text;
    m_needComma = true;
}
