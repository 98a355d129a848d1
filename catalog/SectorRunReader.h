#pragma once
// The content of a file that lies in consecutive sectors of a device: a
// FAT32 catalog file (read from its first cluster on, since a deleted file's
// chain is gone) and a carved file.
#include "catalog/ContentReader.h"

#include <vector>

class CVolumeAccess;

class SectorRunReader : public ContentReader {
public:
    // `size` bytes from the start of device sector `firstSector`.
    SectorRunReader(const CVolumeAccess& device, uint64_t firstSector, uint64_t size);

    uint64_t Size() const override { return m_size; }
    uint32_t Granule() const override { return m_sectorSize; }
    bool Read(uint64_t offset, std::span<uint8_t> buffer, std::string& error) override;

private:
    const CVolumeAccess& m_device;
    uint64_t m_firstSector;
    uint64_t m_size;
    uint32_t m_sectorSize;
    std::vector<uint8_t> m_tail;  // the last sector, when a piece ends inside it
};
