#pragma once
// Just enough JSON for the command line's documents: escaped strings and a
// writer that keeps track of commas. Text is appended in place, since a
// volume's listing can run to hundreds of thousands of strings.
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

std::string JsonString(std::u16string_view text);
std::string JsonString(std::string_view utf8);

class JsonWriter {
public:
    // Without `out` the document is kept whole (Text()); with it, written
    // out in pieces as it grows, so a large listing never sits in memory.
    explicit JsonWriter(std::FILE* out = nullptr) : m_out(out) {}
    ~JsonWriter() { Flush(); }
    void Flush();

    void BeginObject() { Open('{'); }
    void EndObject() { Close('}'); }
    void BeginArray() { Open('['); }
    void EndArray() { Close(']'); }
    void Key(std::string_view key);
    void Value(std::u16string_view text);
    // "folder/name", the folder given as Escaped() made it: a listing writes
    // the same folder before each of its files.
    void PathValue(std::string_view escapedFolder, std::u16string_view name);
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

private:
    void Open(char bracket);
    void Close(char bracket);
    void Raw(std::string_view text);
    void Separate();
    void AppendQuoted(std::string_view utf8);
    void AppendUtf16Escaped(std::u16string_view text);
    // Escapes the UTF-8 text appended from `start` on, when it needs it.
    void EscapeFrom(size_t start);

    std::FILE* m_out;
    std::string m_text;
    bool m_needComma = false;
    bool m_afterKey = false;
};
