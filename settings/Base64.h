#pragma once
// Base64 with the standard alphabet, as the settings file stores byte values.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

extern const char* const kBase64Alphabet;

std::string EncodeBase64(std::span<const uint8_t> bytes);

// Decodes groups of four characters. Decoding stops, keeping what it has, at
// the end of the text, after a padded group, or at a group whose first
// character is outside the alphabet. A bad second, third or fourth character,
// or "=" in third place without "=" in fourth, fails the whole text.
std::optional<std::vector<uint8_t>> DecodeBase64(std::string_view text);
