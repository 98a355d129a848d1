#pragma once
// Just enough JSON for the command line's documents: escaped strings and a
// writer that keeps track of commas.
#include <cstdint>
#include <string>
#include <string_view>

std::string JsonString(std::u16string_view text);
std::string JsonString(std::string_view utf8);

class JsonWriter {
public:
    void BeginObject() { Open('{'); }
    void EndObject() { Close('}'); }
    void BeginArray() { Open('['); }
    void EndArray() { Close(']'); }
    void Key(std::string_view key);
    void Value(std::u16string_view text) { Raw(JsonString(text)); }
    void Value(std::string_view text) { Raw(JsonString(text)); }
    void Value(const char* text) { Raw(JsonString(std::string_view(text))); }
    void Value(uint64_t number) { Raw(std::to_string(number)); }
    void Value(int64_t number) { Raw(std::to_string(number)); }
    void Value(bool flag) { Raw(flag ? "true" : "false"); }
    const std::string& Text() const { return m_text; }

private:
    void Open(char bracket);
    void Close(char bracket);
    void Raw(const std::string& text);
    void Separate();

    std::string m_text;
    bool m_needComma = false;
    bool m_afterKey = false;
};
