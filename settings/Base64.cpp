#include "settings/Base64.h"

const char* const kBase64Alphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

namespace {

int SextetOf(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

}  // namespace

std::string EncodeBase64(std::span<const uint8_t> bytes) {
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t i = 0; i < bytes.size(); i += 3) {
        size_t left = bytes.size() - i;
        uint32_t group = uint32_t(bytes[i]) << 16;
        if (left > 1) group |= uint32_t(bytes[i + 1]) << 8;
        if (left > 2) group |= bytes[i + 2];
        text += kBase64Alphabet[(group >> 18) & 63];
        text += kBase64Alphabet[(group >> 12) & 63];
        text += left > 1 ? kBase64Alphabet[(group >> 6) & 63] : '=';
        text += left > 2 ? kBase64Alphabet[group & 63] : '=';
    }
    return text;
}

std::optional<std::vector<uint8_t>> DecodeBase64(std::string_view text) {
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i < text.size(); i += 4) {
        int first = SextetOf(text[i]);
        if (first < 0) break;
        auto at = [&](size_t k) { return i + k < text.size() ? text[i + k] : '\0'; };
        int second = SextetOf(at(1));
        if (second < 0) return std::nullopt;
        char third = at(2), fourth = at(3);
        bool thirdPad = third == '=', fourthPad = fourth == '=';
        if (thirdPad && !fourthPad) return std::nullopt;
        int thirdValue = thirdPad ? 0 : SextetOf(third);
        int fourthValue = fourthPad ? 0 : SextetOf(fourth);
        if (thirdValue < 0 || fourthValue < 0) return std::nullopt;
        uint32_t group = uint32_t(first) << 18 | uint32_t(second) << 12 | uint32_t(thirdValue) << 6 |
                         uint32_t(fourthValue);
        bytes.push_back(uint8_t(group >> 16));
        if (!thirdPad) bytes.push_back(uint8_t(group >> 8));
        if (!fourthPad) bytes.push_back(uint8_t(group));
        if (thirdPad || fourthPad) break;
    }
    return bytes;
}
