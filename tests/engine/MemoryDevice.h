#pragma once
// A sector device over bytes in memory, with units marked in use at will and
// every read recorded, for tests of the full scan.
#include "device/VolumeAccess.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <utility>
#include <vector>

class MemoryDevice : public CVolumeAccess {
public:
    MemoryDevice(uint32_t sectorSize, uint32_t sectorsPerUnit, uint64_t units)
        : m_sectorSize(sectorSize), m_sectorsPerUnit(sectorsPerUnit), m_units(units),
          m_bytes(units * sectorsPerUnit * sectorSize, 0) {}

    uint64_t GetUnitCount() const override { return m_units; }
    uint32_t GetUnitSize() const override { return m_sectorSize * m_sectorsPerUnit; }
    uint32_t GetSectorSize() const override { return m_sectorSize; }
    bool IsUnitInUse(uint64_t unit) const override { return inUse.contains(unit); }
    uint64_t UnitToSector(uint64_t unit) const override { return unit * m_sectorsPerUnit; }
    bool ReadSectors(uint64_t first, uint64_t last, std::span<uint8_t> buffer) const override {
        uint64_t bytes = (last - first + 1) * m_sectorSize;
        if (last < first || buffer.size() < bytes || (last + 1) * m_sectorSize > m_bytes.size()) return false;
        std::memcpy(buffer.data(), m_bytes.data() + first * m_sectorSize, bytes);
        return true;
    }
    bool ReadUnits(uint64_t first, uint64_t last, std::span<uint8_t> buffer) const override {
        reads.emplace_back(first, last);
        if (failingReads.contains(first)) return false;
        return ReadSectors(UnitToSector(first), UnitToSector(last + 1) - 1, buffer);
    }

    // Places bytes at a sector.
    void Put(uint64_t sector, const std::vector<uint8_t>& bytes) {
        std::copy(bytes.begin(), bytes.end(), m_bytes.begin() + static_cast<std::ptrdiff_t>(sector * m_sectorSize));
    }

    std::set<uint64_t> inUse;
    std::set<uint64_t> failingReads;  // first units of reads that fail
    mutable std::vector<std::pair<uint64_t, uint64_t>> reads;

private:
    uint32_t m_sectorSize;
    uint32_t m_sectorsPerUnit;
    uint64_t m_units;
    std::vector<uint8_t> m_bytes;
};
