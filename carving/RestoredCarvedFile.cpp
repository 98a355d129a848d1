#include "carving/RestoredCarvedFile.h"

CRestoredCarvedFile::CRestoredCarvedFile(uint32_t type, uint32_t sectorSize, const std::vector<SectorRun>& runs,
                                         uint32_t lastByteIndex)
    : CBaseFile(nullptr, sectorSize, runs.front().first) {
    for (size_t i = 1; i < runs.size(); ++i) JoinAt(runs[i].first, runs[i - 1].first + runs[i - 1].count - 1);
    m_lastSector = runs.back().first + runs.back().count - 1;
    m_lastByteIndex = lastByteIndex;
    SetType(type);
}

bool AreRestorableRuns(const std::vector<SectorRun>& runs) {
    if (runs.empty()) return false;
    uint64_t nextFree = 0;
    for (const SectorRun& run : runs) {
        if (run.count == 0 || run.first < nextFree || run.first > UINT64_MAX - run.count) return false;
        // The sector right after a run is in use, or the run would go on.
        nextFree = run.first + run.count + 1;
    }
    return true;
}
