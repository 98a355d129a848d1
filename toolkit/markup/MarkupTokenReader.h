#pragma once
// Splits markup text into words and the tags the renderer knows. Anything
// that is not a recognised tag is text, so malformed markup never fails.
#include <cstddef>
#include <string_view>

enum class MarkupTag { Underline, Superscript, Subscript, Bold, Paragraph, Italic, Font, LineBreak };

struct MarkupToken {
    enum class Kind { End, Word, Tag };
    Kind kind = Kind::End;
    // The word, or the whole tag from "<" to ">" (font attributes included).
    std::u16string_view text;
    MarkupTag tag = MarkupTag::Bold;
    bool closing = false;
    // Offset of the token's first character in the text.
    std::size_t position = 0;
};

bool IsMarkupWhiteSpace(char16_t c);

class MarkupTokenReader {
public:
    explicit MarkupTokenReader(std::u16string_view text) : m_text(text) {}

    MarkupToken Next();
    // Whether white space came before the current word; the renderer clears
    // it once the word is placed.
    bool WhiteSpaceBefore() const { return m_whiteSpace; }
    void ClearWhiteSpace() { m_whiteSpace = false; }

private:
    void SkipWhiteSpace();
    size_t EndOfWord(size_t from) const;
    size_t EndOfName(size_t from) const;
    MarkupToken ReadTagOrText(size_t start);

    std::u16string_view m_text;
    size_t m_position = 0;
    bool m_whiteSpace = false;
};
