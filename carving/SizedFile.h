#pragma once
// A candidate whose header tells its length (SQLite, RAF, ICO): it ends
// there, and is dropped when another file or a gap interrupts it before.
#include "carving/BaseFile.h"

class CSizedFile : public CBaseFile {
public:
    CSizedFile(const CVolumeAccess* device, uint32_t sectorSize, uint64_t firstSector, uint64_t fileEnd,
               uint32_t type)
        : CBaseFile(device, sectorSize, firstSector), m_fileEnd(fileEnd), m_sizedType(type) {}

    int ProcessSector(uint64_t sector, const CSectorWindow&) override {
        return FinishWhenReached(sector, m_fileEnd, m_sizedType);
    }

protected:
    uint64_t m_fileEnd;
    uint32_t m_sizedType;
};
