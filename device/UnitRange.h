#pragma once
// Maps an inclusive range of allocation units to the inclusive range of
// sectors that holds it, for devices whose units are runs of whole sectors.
#include <cstdint>
#include <limits>

// False when the range is empty or its sectors cannot be numbered in 64 bits.
inline bool UnitRangeToSectors(uint64_t firstSector, uint64_t unitCount, uint64_t sectorsPerUnit,
                               uint64_t& lastSector) {
    if (unitCount == 0 || sectorsPerUnit == 0) return false;
    constexpr uint64_t kMax = std::numeric_limits<uint64_t>::max();
    if (unitCount > kMax / sectorsPerUnit) return false;
    uint64_t sectors = unitCount * sectorsPerUnit;
    if (firstSector > kMax - (sectors - 1)) return false;
    lastSector = firstSector + sectors - 1;
    return true;
}
