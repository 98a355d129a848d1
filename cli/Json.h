#pragma once
// Just enough JSON for the command line's documents: escaped strings and a
// writer that keeps track of commas. Text is appended in place, since a
// volume's listing can run to hundreds of thousands of strings.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

std::string JsonString(std::u16string_view text);
std::string JsonString(std::string_view utf8);

class JsonWriter {
public:
    // Without `out` the document is kept whole (Text()); with it, written
    // out in pieces as it grows, so a large listing never sits in memory.
    explicit JsonWriter(std::FILE* out = nullptr) : m_out(out) {}
    ~JsonWriter() {
        if (m_out) Flush();
    }
    JsonWriter(JsonWriter&&) = default;
    JsonWriter& operator=(JsonWriter&&) = default;
    void Flush();

    void BeginObject() { Open('{'); }
    void EndObject() { Close('}'); }
    void BeginArray() { Open('['); }
    void EndArray() { Close(']'); }
    void Key(std::string_view key);
    void Value(std::u16string_view text);
    // The UTF-8 of `text` as it stands between a string's quotes.
    static std::string Escaped(std::u16string_view text);
    void Value(std::string_view text);
    void Value(const char* text) { Value(std::string_view(text)); }
    void Value(uint64_t number);
    void Value(int64_t number);
    void Value(bool flag) { Raw(flag ? "true" : "false"); }
    void Null() { Raw("null"); }
    // A key with its value.
    template <typename T>
    void Field(std::string_view key, const T& value) {
        Key(key);
        Value(value);
    }
    const std::string& Text() const { return m_text; }

    // Room at the end of the document for one value of at most `bound`
    // bytes, to be written with a JsonCursor; EndRawValue(cursor.End())
    // keeps what the cursor wrote.
    char* BeginRawValue(size_t bound);
    void EndRawValue(char* end);

    // A writer for the later part of a list that another writer began: its
    // first value takes a comma, and its text is kept in pieces of about a
    // megabyte until Splice() hands them on, never copied to grow.
    static JsonWriter ListContinuation();
    // Appends what a ListContinuation() writer made.
    void Splice(const JsonWriter& continuation);

private:
    void Open(char bracket);
    void Close(char bracket);
    void Raw(std::string_view text);
    void Separate();
    void AppendQuoted(std::string_view utf8);
    // Escapes the UTF-8 text appended from `start` on, when it needs it.
    void EscapeFrom(size_t start);

    static constexpr size_t kPieceSize = 1 << 20;

    std::FILE* m_out;
    bool m_keepPieces = false;
    std::vector<std::string> m_pieces;  // full pieces of a ListContinuation()
    std::string m_text;
    bool m_needComma = false;
    bool m_afterKey = false;
};

// Writes JSON text straight into room a JsonWriter reserved. A listing writes
// hundreds of thousands of entries, and the checks and calls of one string
// append per piece cost more than the text itself.
class JsonCursor {
public:
    explicit JsonCursor(char* at) : m_at(at) {}
    // Bytes the pieces below take at most.
    static size_t StringBound(std::u16string_view text) { return 6 * text.size() + 2; }
    static size_t StringBound(std::string_view utf8) { return 6 * utf8.size() + 2; }
    static constexpr size_t kNumberBound = 20;

    // Text that is JSON already: keys, punctuation, escaped text.
    void Raw(std::string_view json) {
        std::memcpy(m_at, json.data(), json.size());
        m_at += json.size();
    }
    void Number(uint64_t number);
    void String(std::u16string_view text);  // quoted and escaped
    void String(std::string_view utf8);
    void Escaped(std::u16string_view text);  // escaped, without quotes
    char* End() const { return m_at; }

private:
    char* m_at;
};
