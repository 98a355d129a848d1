#pragma once
// Any volume as plain sectors, every sector free: the device of a full scan
// on a volume with no file system we understand.
#include "device/VolumeAccess.h"

#include <memory>

namespace platform {
class RawSource;
}

class CRawVolumeAccess : public CVolumeAccess {
public:
    // Opens the drive read-only; throws VolumeOpenError when it cannot.
    explicit CRawVolumeAccess(char16_t letter);
    // Reads a source that is already open; never throws. A source whose
    // geometry cannot be read gives a device with no units.
    explicit CRawVolumeAccess(std::shared_ptr<const platform::RawSource> source);
    ~CRawVolumeAccess() override;

    uint64_t GetUnitCount() const override { return m_totalSectors; }
    uint32_t GetUnitSize() const override { return m_unitSize; }
    uint32_t GetSectorSize() const override { return m_sectorSize; }
    bool IsUnitInUse(uint64_t) const override { return false; }
    uint64_t UnitToSector(uint64_t unit) const override { return unit; }
    bool ReadSectors(uint64_t first, uint64_t last, std::span<uint8_t> buffer) const override;
    bool ReadUnits(uint64_t first, uint64_t last, std::span<uint8_t> buffer) const override {
        return ReadSectors(first, last, buffer);
    }

private:
    std::shared_ptr<const platform::RawSource> m_hVolume;
    // Left at zero when the geometry cannot be read: the device then has no units.
    uint32_t m_sectorSize = 0;
    uint32_t m_unitSize = 0;
    uint64_t m_totalSectors = 0;
};

// Opens a drive's source or throws VolumeOpenError with the diagnostic line
// every device writes when a volume cannot be opened.
std::unique_ptr<platform::RawSource> OpenVolumeOrThrow(char16_t letter);
