#pragma once
// A PDF candidate: from "%PDF-" to the last "%%EOF" (with its line end) that
// belongs to the file. Incremental updates append further "%%EOF"s, so an
// end marker does not end the file by itself; the file ends at the last one
// met when a sector of zeros follows it, when another file's signature or a
// gap in the free space interrupts it, at the end of the scan, or when no
// further marker comes within a bound.
#include "carving/BaseFile.h"

#include <memory>

class CPdfFile : public CBaseFile {
public:
    // A PDF larger than this is not followed further: it ends at its last
    // end marker, or is dropped when it has none.
    static constexpr uint64_t kMaxBytes = 1ull << 30;

    CPdfFile(const CVolumeAccess* device, uint32_t sectorSize, uint64_t firstSector)
        : CBaseFile(device, sectorSize, firstSector) {}

    // A new candidate when the sector starts "%PDF-" and a version digit.
    static std::unique_ptr<CBaseFile> Recognise(const platform::LeBytes& sector, uint64_t sectorNumber,
                                                uint32_t sectorSize, const CVolumeAccess* device);

    int ProcessSector(uint64_t sector, const CSectorWindow& data) override;
    int EndWhereItStands(uint64_t nextSector) override;

    uint64_t m_searchFrom = 0;  // file offset where the search for "%%EOF" goes on
    uint64_t m_lastEnd = 0;     // one past the last end marker and its line end; 0 none yet
};
