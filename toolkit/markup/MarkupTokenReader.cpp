#include "toolkit/markup/MarkupTokenReader.h"

namespace {

struct TagEntry {
    std::u16string_view name;
    MarkupTag tag;
    bool hasAttributes;
    bool isBlock;
};

// Searched in this order and matched by prefix, so "br" must come before "b",
// and a tag written "bold" acts as b, "pre" as p.
constexpr TagEntry kTagTable[] = {
    {u"u", MarkupTag::Underline, false, false},   {u"sup", MarkupTag::Superscript, false, false},
    {u"sub", MarkupTag::Subscript, false, false}, {u"strong", MarkupTag::Bold, false, false},
    {u"p", MarkupTag::Paragraph, false, true},    {u"i", MarkupTag::Italic, false, false},
    {u"font", MarkupTag::Font, true, false},      {u"em", MarkupTag::Italic, false, false},
    {u"br", MarkupTag::LineBreak, false, true},   {u"b", MarkupTag::Bold, false, false},
};

char16_t LowerAscii(char16_t c) { return (c >= u'A' && c <= u'Z') ? char16_t(c - u'A' + u'a') : c; }

bool StartsWithIgnoringCase(std::u16string_view text, std::u16string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (LowerAscii(text[i]) != LowerAscii(prefix[i])) return false;
    }
    return true;
}

const TagEntry* FindTag(std::u16string_view afterBracket) {
    for (const TagEntry& entry : kTagTable) {
        if (StartsWithIgnoringCase(afterBracket, entry.name)) return &entry;
    }
    return nullptr;
}

}  // namespace

bool IsMarkupWhiteSpace(char16_t c) {
    return c == u' ' || (c >= u'\t' && c <= u'\r') || c == u'\u3000' || c == u'\u2028' ||
           c == u'\u2029' || c == u'\u0085';
}

void MarkupTokenReader::SkipWhiteSpace() {
    while (m_position < m_text.size() && IsMarkupWhiteSpace(m_text[m_position])) ++m_position;
}

size_t MarkupTokenReader::EndOfWord(size_t from) const {
    while (from < m_text.size() && !IsMarkupWhiteSpace(m_text[from]) && m_text[from] != u'<') ++from;
    return from;
}

size_t MarkupTokenReader::EndOfName(size_t from) const {
    while (from < m_text.size() && !IsMarkupWhiteSpace(m_text[from]) && m_text[from] != u'<' &&
           m_text[from] != u'>') {
        ++from;
    }
    return from;
}

MarkupToken MarkupTokenReader::Next() {
    for (;;) {
        if (m_position < m_text.size() && IsMarkupWhiteSpace(m_text[m_position])) m_whiteSpace = true;
        SkipWhiteSpace();
        if (m_position >= m_text.size()) return {};
        const size_t start = m_position;
        if (m_text[start] != u'<') {
            m_position = EndOfWord(start);
            return {MarkupToken::Kind::Word, m_text.substr(start, m_position - start), MarkupTag::Bold,
                    false, start};
        }
        MarkupToken token = ReadTagOrText(start);
        // An unrecognised closing tag vanishes; read on.
        if (token.kind != MarkupToken::Kind::End) return token;
    }
}

MarkupToken MarkupTokenReader::ReadTagOrText(size_t start) {
    const bool closing = start + 1 < m_text.size() && m_text[start + 1] == u'/';
    const size_t nameStart = start + (closing ? 2 : 1);
    const size_t nameEnd = EndOfName(nameStart);
    const TagEntry* entry = FindTag(m_text.substr(nameStart));

    size_t end = 0;
    bool recognised = false;
    if (entry && entry->hasAttributes && !closing) {
        end = nameEnd;
        while (end < m_text.size() && m_text[end] != u'<' && m_text[end] != u'>') ++end;
        if (end < m_text.size() && m_text[end] == u'>') ++end;
        recognised = true;
    } else if (entry && nameEnd < m_text.size() && m_text[nameEnd] == u'>') {
        end = nameEnd + 1;
        recognised = true;
    }

    if (recognised) {
        const bool whiteSpaceOnEntry = m_whiteSpace;
        if (entry->isBlock) m_whiteSpace = false;
        m_position = end;
        if (entry->isBlock || whiteSpaceOnEntry) SkipWhiteSpace();
        return {MarkupToken::Kind::Tag, m_text.substr(start, end - start), entry->tag, closing, start};
    }

    end = nameEnd;
    if (end < m_text.size() && m_text[end] == u'>') ++end;
    m_position = end;
    if (closing) return {};
    return {MarkupToken::Kind::Word, m_text.substr(start, end - start), MarkupTag::Bold, false, start};
}
