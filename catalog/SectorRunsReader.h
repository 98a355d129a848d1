#pragma once
// The content of a file that lies in runs of sectors, not all adjacent: a
// deleted FAT32 or exFAT file laid out in free clusters around the files
// kept beside it, or a carved file that continued past units in use.
#include "catalog/ContentReader.h"

#include <vector>

class CVolumeAccess;

// A stretch of adjacent sectors.
struct SectorRun {
    uint64_t first = 0;  // first sector of the run
    uint64_t count = 0;  // sectors in the run
};

class SectorRunsReader : public ContentReader {
public:
    // `size` bytes from the start of the first run on, run after run.
    SectorRunsReader(const CVolumeAccess& device, std::vector<SectorRun> runs, uint64_t size);

    uint64_t Size() const override { return m_size; }
    uint32_t Granule() const override { return m_sectorSize; }
    bool Read(uint64_t offset, std::span<uint8_t> buffer, std::string& error) override;

private:
    const CVolumeAccess& m_device;
    std::vector<SectorRun> m_runs;
    uint64_t m_size;
    uint32_t m_sectorSize;
};
