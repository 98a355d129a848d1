#pragma once
// A sector device over the fuzz input: the bytes are the device's sectors,
// grouped into units, with a unit in use wherever a caller says so.
#include "device/VolumeAccess.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <vector>

class FuzzMemoryDevice : public CVolumeAccess {
public:
    FuzzMemoryDevice(std::span<const uint8_t> bytes, uint32_t sectorSize, uint32_t sectorsPerUnit)
        : m_bytes(bytes.begin(), bytes.end()), m_sectorSize(sectorSize), m_sectorsPerUnit(sectorsPerUnit) {}

    uint64_t GetUnitCount() const override { return m_bytes.size() / GetUnitSize(); }
    uint32_t GetUnitSize() const override { return m_sectorSize * m_sectorsPerUnit; }
    uint32_t GetSectorSize() const override { return m_sectorSize; }
    bool IsUnitInUse(uint64_t unit) const override { return unit % 7 == 3; }
    uint64_t UnitToSector(uint64_t unit) const override { return unit * m_sectorsPerUnit; }

    // Same contract as the real devices: the whole inclusive range or false,
    // and never more than `buffer` holds.
    bool ReadSectors(uint64_t first, uint64_t last, std::span<uint8_t> buffer) const override {
        const uint64_t sectors = m_bytes.size() / m_sectorSize;
        if (last < first || last >= sectors) return false;
        const uint64_t length = (last - first + 1) * m_sectorSize;
        if (buffer.size() < length) return false;
        std::memcpy(buffer.data(), m_bytes.data() + first * m_sectorSize, length);
        return true;
    }
    bool ReadUnits(uint64_t first, uint64_t last, std::span<uint8_t> buffer) const override {
        if (last < first || last >= GetUnitCount()) return false;
        return ReadSectors(UnitToSector(first), UnitToSector(last + 1) - 1, buffer);
    }

private:
    std::vector<uint8_t> m_bytes;
    uint32_t m_sectorSize;
    uint32_t m_sectorsPerUnit;
};
