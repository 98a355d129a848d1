#pragma once
#include <cstdint>
#include <span>
#include <string>

namespace testing_support {

// SHA-256 of a byte range, lowercase hex.
std::string Sha256Hex(std::span<const uint8_t> bytes);

}  // namespace testing_support
