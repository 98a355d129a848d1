#pragma once
// Sector-range reads over a raw source, shared by the devices that count
// sectors from the start of the volume (or from a fixed base sector).
#include <cstdint>
#include <span>

namespace platform {
class RawSource;
}

// Reads sectors first..last (inclusive) starting at byte `baseOffset`. Writes
// the device diagnostics on failure and returns false; a range that overflows
// or does not fit `buffer` fails without reading.
bool ReadSectorRange(const platform::RawSource& source, uint64_t baseOffset, uint32_t sectorSize,
                     uint64_t first, uint64_t last, std::span<uint8_t> buffer);
