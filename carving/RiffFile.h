#pragma once
// A RIFF candidate (WAV, AVI, WebP by the form type at 8): the RIFF size
// gives the end, and the chunks inside are walked to it (an AVI's lists
// entered too), so that a copy whose tail went to other data shows as a
// chunk header that is not one. An AVI past 1 GiB goes on in "AVIX" RIFF
// chunks right behind the first; they are taken in as well.
#include "carving/BaseFile.h"

#include <memory>

class CRiffFile : public CBaseFile {
public:
    CRiffFile(const CVolumeAccess* device, uint32_t sectorSize, uint64_t firstSector, uint32_t riffType,
              uint64_t riffEnd)
        : CBaseFile(device, sectorSize, firstSector), m_riffEnd(riffEnd), m_riffType(riffType) {}

    // A new candidate when the sector starts "RIFF" with a known form type
    // and a first chunk of that form; null otherwise.
    static std::unique_ptr<CBaseFile> Recognise(const platform::LeBytes& sector, uint64_t sectorNumber,
                                                uint32_t sectorSize, const CVolumeAccess* device);

    int ProcessSector(uint64_t sector, const CSectorWindow& data) override;
    int EndWhereItStands(uint64_t nextSector) override;
    bool ContinuesAt(uint64_t sector) const override { return m_nextChunk == SectorOffset(sector); }

private:
    static constexpr uint64_t kRiffHeaderSize = 12;

    uint64_t m_nextChunk = kRiffHeaderSize;  // file offset of the next chunk header
    uint64_t m_riffEnd;                      // one past the current RIFF chunk
    uint32_t m_riffType;
    bool m_done = false;                     // the walk reached the last RIFF chunk's end
};
