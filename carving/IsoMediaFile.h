#pragma once
// An ISO base media candidate (MP4, QuickTime MOV, 3GP, M4A, HEIC, Canon's
// CR3 raw files): an "ftyp" box at the start, whose major brand decides the
// type, then the top-level boxes (moov, mdat, free, meta, …) walked by
// their 32- or 64-bit sizes. The file ends after the last box: where the next bytes are not a
// top-level box, or where the walk is interrupted right at a box's end.
#include "carving/BaseFile.h"

#include <memory>

class CIsoMediaFile : public CBaseFile {
public:
    CIsoMediaFile(const CVolumeAccess* device, uint32_t sectorSize, uint64_t firstSector, uint32_t mediaType,
                  uint64_t firstBox)
        : CBaseFile(device, sectorSize, firstSector), m_nextBox(firstBox), m_mediaType(mediaType) {}

    // A new candidate when the sector starts with a plausible "ftyp" box; null otherwise.
    static std::unique_ptr<CBaseFile> Recognise(const platform::LeBytes& sector, uint64_t sectorNumber,
                                                uint32_t sectorSize, const CVolumeAccess* device);

    int ProcessSector(uint64_t sector, const CSectorWindow& data) override;
    int EndWhereItStands(uint64_t nextSector) override;

    uint64_t m_nextBox;        // file offset of the next top-level box header
    uint32_t m_mediaType;      // type code from the major brand
    bool m_hasMovie = false;   // a "moov" (or, for still images, "meta") box was met
    uint64_t m_fileEnd = 0;    // once known: one past the last box
};
