#pragma once
// A volume seen as numbered allocation units (sectors, or clusters on a file
// system that groups them) that can be asked whether they hold live data,
// mapped to sectors and read. Unit and sector numbers are 64-bit so that
// nothing past 2 TiB is silently skipped.
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>

class VolumeOpenError : public std::runtime_error {
public:
    explicit VolumeOpenError(std::string reason)
        : std::runtime_error("Error Creating accessing the volume"), m_reason(std::move(reason)) {}
    // Why the volume could not be opened, for the user ("no such drive", ...).
    const std::string& Reason() const { return m_reason; }

private:
    std::string m_reason;
};

class CVolumeAccess {
public:
    virtual uint64_t GetUnitCount() const { return 0; }
    virtual uint32_t GetUnitSize() const { return 0; }
    virtual uint32_t GetSectorSize() const { return 0; }
    virtual bool IsUnitInUse(uint64_t /*unit*/) const { return true; }
    virtual ~CVolumeAccess() = default;
    virtual uint64_t UnitToSector(uint64_t /*unit*/) const { return 0; }
    // Reads the inclusive sector range into `buffer`, which must hold
    // (last - first + 1) sectors; false when it cannot be read whole.
    virtual bool ReadSectors(uint64_t /*first*/, uint64_t /*last*/, std::span<uint8_t> /*buffer*/) const {
        return true;
    }
    // Reads the inclusive unit range, starting at UnitToSector(first).
    virtual bool ReadUnits(uint64_t /*first*/, uint64_t /*last*/, std::span<uint8_t> /*buffer*/) const {
        return true;
    }
};
