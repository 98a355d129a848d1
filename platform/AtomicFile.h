#pragma once
// Whole files written so that a reader finds the old file or the new one,
// never half of either: a temporary file beside it, flushed to the disk,
// then renamed over it. Never used on a scanned source.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace platform {

bool WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes, std::string& error);
// A whole file of at most `limit` bytes; false with the reason otherwise.
bool ReadWholeFile(const std::string& path, uint64_t limit, std::vector<uint8_t>& bytes, std::string& error);

}  // namespace platform
