#include "catalog/SectorRunsReader.h"

#include "catalog/SectorRunReader.h"
#include "device/VolumeAccess.h"

#include <algorithm>

SectorRunsReader::SectorRunsReader(const CVolumeAccess& device, std::vector<SectorRun> runs, uint64_t size)
    : m_device(device), m_runs(std::move(runs)), m_size(size), m_sectorSize(device.GetSectorSize()) {}

bool SectorRunsReader::Read(uint64_t offset, std::span<uint8_t> buffer, std::string& error) {
    if (m_sectorSize == 0 || offset > m_size || buffer.size() > m_size - offset) {
        error = "the scanned volume cannot be read there";
        return false;
    }
    uint64_t runStart = 0;  // file offset where the current run starts
    for (const SectorRun& run : m_runs) {
        if (buffer.empty()) break;
        const uint64_t runBytes = std::min(run.count * m_sectorSize, m_size - std::min(m_size, runStart));
        if (offset < runStart + runBytes) {
            // Run boundaries are sector boundaries, so the piece inside a run
            // starts on a sector as the whole read does.
            const uint64_t inRun = offset - runStart;
            const uint64_t length = std::min<uint64_t>(buffer.size(), runBytes - inRun);
            SectorRunReader piece(m_device, run.first, runBytes);
            if (!piece.Read(inRun, buffer.first(length), error)) return false;
            buffer = buffer.subspan(length);
            offset += length;
        }
        runStart += runBytes;
    }
    if (!buffer.empty()) {
        error = "the scanned volume cannot be read there";
        return false;
    }
    return true;
}
