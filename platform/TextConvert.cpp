#include "platform/TextConvert.h"

#include <cerrno>
#include <iconv.h>
#include <mutex>
#include <vector>

namespace platform {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

std::string& CodePageName() {
    static std::string name = "CP936";
    return name;
}

void AppendUtf16(std::u16string& out, uint32_t cp) {
    if (cp < 0x10000) {
        out += static_cast<char16_t>(cp);
    } else {
        cp -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (cp >> 10));
        out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    }
}

}  // namespace

std::string ToUtf8(std::u16string_view text) {
    std::string out;
    AppendUtf8(out, text);
    return out;
}

char* PutUtf8(std::u16string_view text, size_t& i, char* out) {
    auto* p = reinterpret_cast<unsigned char*>(out);
    uint32_t c = text[i++];
    if (c < 0x80) {
        *p++ = static_cast<unsigned char>(c);
        return reinterpret_cast<char*>(p);
    }
    if (c >= 0xD800 && c <= 0xDBFF && i < text.size() && text[i] >= 0xDC00 && text[i] <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (text[i] - 0xDC00);
        ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
        c = kReplacement;
    }
    if (c < 0x800) {
        *p++ = static_cast<unsigned char>(0xC0 | (c >> 6));
    } else if (c < 0x10000) {
        *p++ = static_cast<unsigned char>(0xE0 | (c >> 12));
        *p++ = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
    } else {
        *p++ = static_cast<unsigned char>(0xF0 | (c >> 18));
        *p++ = static_cast<unsigned char>(0x80 | ((c >> 12) & 0x3F));
        *p++ = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
    }
    *p++ = static_cast<unsigned char>(0x80 | (c & 0x3F));
    return reinterpret_cast<char*>(p);
}

void AppendUtf8(std::string& out, std::u16string_view text) {
    // Listings convert hundreds of thousands of names: a short one is
    // encoded on the stack and appended in one piece, a long one straight
    // into the string's storage, sized for the worst case first.
    constexpr size_t kShort = 128;
    char shortText[kShort * 3];
    const bool isShort = text.size() <= kShort;
    const size_t start = out.size();
    if (!isShort) out.resize(start + text.size() * 3);
    char* const begin = isShort ? shortText : out.data() + start;
    char* p = begin;
    for (size_t i = 0; i < text.size();) {
        if (text[i] < 0x80)
            *p++ = static_cast<char>(text[i++]);
        else
            p = PutUtf8(text, i, p);
    }
    if (isShort)
        out.append(shortText, static_cast<size_t>(p - shortText));
    else
        out.resize(start + static_cast<size_t>(p - begin));
}

std::u16string FromUtf8(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        auto byte = static_cast<uint8_t>(text[i]);
        int extra = byte < 0x80 ? 0 : (byte >> 5) == 6 ? 1 : (byte >> 4) == 14 ? 2 : (byte >> 3) == 30 ? 3 : -1;
        if (extra < 0 || i + extra >= text.size()) {
            out += kReplacement;
            ++i;
            continue;
        }
        uint32_t cp = extra == 0 ? byte : byte & (0x3F >> extra);
        bool valid = true;
        for (int k = 1; k <= extra; ++k) {
            auto next = static_cast<uint8_t>(text[i + k]);
            if ((next & 0xC0) != 0x80) {
                valid = false;
                break;
            }
            cp = (cp << 6) | (next & 0x3F);
        }
        static constexpr uint32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
        if (!valid || cp < kMinimum[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            out += kReplacement;
            ++i;
            continue;
        }
        AppendUtf16(out, cp);
        i += extra + 1;
    }
    return out;
}

void SetCodePage(const std::string& name) {
    if (!name.empty()) CodePageName() = name;
}

const std::string& CodePage() { return CodePageName(); }

std::u16string FromCodePage(std::span<const uint8_t> bytes) {
    std::u16string out;
    iconv_t cd = iconv_open("UTF-16LE", CodePageName().c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        for (uint8_t b : bytes) out += b < 0x80 ? char16_t(b) : kReplacement;
        return out;
    }
    std::vector<char> input(bytes.begin(), bytes.end());
    char* in = input.data();
    size_t inLeft = input.size();
    std::vector<char> output(bytes.size() * 4 + 8);
    while (inLeft > 0) {
        char* outPtr = output.data();
        size_t outLeft = output.size();
        size_t result = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        size_t produced = output.size() - outLeft;
        for (size_t k = 0; k + 1 < produced; k += 2)
            out += static_cast<char16_t>(uint8_t(output[k]) | uint8_t(output[k + 1]) << 8);
        if (result == static_cast<size_t>(-1) && inLeft > 0) {
            // An unmappable or truncated sequence: mark it and go on with the next byte.
            out += kReplacement;
            ++in;
            --inLeft;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(cd);
    return out;
}

char16_t AsciiUpper(char16_t c) { return (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c; }

bool EqualsIgnoreAsciiCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
    return true;
}

}  // namespace platform
