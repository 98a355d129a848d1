#include "cli/Json.h"

#include "platform/TextConvert.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace {

bool NeedsEscape(unsigned char c) { return c < 0x20 || c == 0x7F || c == '"' || c == '\\'; }

// Writes the escape of a byte NeedsEscape() names; at most 6 bytes.
char* PutEscape(unsigned char c, char* out) {
    *out++ = '\\';
    switch (c) {
    case '"': *out++ = '"'; return out;
    case '\\': *out++ = '\\'; return out;
    case '\n': *out++ = 'n'; return out;
    case '\r': *out++ = 'r'; return out;
    case '\t': *out++ = 't'; return out;
    default: {
        constexpr char kHex[] = "0123456789abcdef";
        *out++ = 'u';
        *out++ = '0';
        *out++ = '0';
        *out++ = kHex[c >> 4];
        *out++ = kHex[c & 15];
        return out;
    }
    }
}

void AppendEscaped(std::string& out, std::string_view utf8) {
    for (unsigned char c : utf8) {
        if (!NeedsEscape(c)) {
            out += static_cast<char>(c);
            continue;
        }
        char escape[8];
        out.append(escape, PutEscape(c, escape));
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
    if (m_text.size() > kPieceSize) Flush();
}

JsonWriter JsonWriter::ListContinuation() {
    JsonWriter writer;
    writer.m_needComma = true;
    writer.m_keepPieces = true;
    writer.m_text.reserve(kPieceSize + (64 << 10));
    return writer;
}

void JsonWriter::Splice(const JsonWriter& continuation) {
    Flush();
    auto add = [&](const std::string& piece) {
        if (m_out)
            std::fwrite(piece.data(), 1, piece.size(), m_out);
        else
            m_text += piece;
    };
    for (const std::string& piece : continuation.m_pieces) add(piece);
    add(continuation.m_text);
    if (!continuation.m_pieces.empty() || !continuation.m_text.empty()) m_needComma = true;
}

void JsonWriter::Flush() {
    if (m_text.empty()) return;
    if (m_out) {
        std::fwrite(m_text.data(), 1, m_text.size(), m_out);
        m_text.clear();
    } else if (m_keepPieces) {
        m_pieces.push_back(std::move(m_text));
        m_text = std::string();
        m_text.reserve(kPieceSize + (64 << 10));
    }
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

std::string JsonWriter::Escaped(std::u16string_view text) {
    std::string out(JsonCursor::StringBound(text), '\0');
    JsonCursor cursor(out.data());
    cursor.Escaped(text);
    out.resize(static_cast<size_t>(cursor.End() - out.data()));
    return out;
}

void JsonWriter::Value(std::u16string_view text) {
    JsonCursor cursor(BeginRawValue(JsonCursor::StringBound(text)));
    cursor.String(text);
    EndRawValue(cursor.End());
}

char* JsonWriter::BeginRawValue(size_t bound) {
    Separate();
    const size_t start = m_text.size();
    m_text.resize(start + bound);
    return m_text.data() + start;
}

void JsonWriter::EndRawValue(char* end) {
    m_text.resize(static_cast<size_t>(end - m_text.data()));
    m_needComma = true;
    if (m_text.size() > kPieceSize) Flush();
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

void JsonCursor::Number(uint64_t number) { m_at = std::to_chars(m_at, m_at + kNumberBound, number).ptr; }

void JsonCursor::Escaped(std::u16string_view text) {
    for (size_t i = 0; i < text.size();) {
        const char16_t c = text[i];
        if (c >= 0x80) {
            m_at = platform::PutUtf8(text, i, m_at);
            continue;
        }
        ++i;
        if (NeedsEscape(static_cast<unsigned char>(c)))
            m_at = PutEscape(static_cast<unsigned char>(c), m_at);
        else
            *m_at++ = static_cast<char>(c);
    }
}

void JsonCursor::String(std::u16string_view text) {
    *m_at++ = '"';
    Escaped(text);
    *m_at++ = '"';
}

void JsonCursor::String(std::string_view utf8) {
    *m_at++ = '"';
    for (unsigned char c : utf8) {
        if (NeedsEscape(c))
            m_at = PutEscape(c, m_at);
        else
            *m_at++ = static_cast<char>(c);
    }
    *m_at++ = '"';
}
