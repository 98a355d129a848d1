#pragma once
// A JPEG candidate: its marker segments are walked up to the start of scan,
// then the entropy-coded data is followed marker by marker (restart markers,
// further tables and scans of a progressive image) to the end-of-image marker,
// where the file ends whatever lies behind it in the sector.
#include "carving/BaseFile.h"

#include <memory>
#include <span>

class CJPGFile : public CBaseFile {
public:
    CJPGFile(const CVolumeAccess* device, uint32_t sectorSize, uint64_t firstSector)
        : CBaseFile(device, sectorSize, firstSector) {}

    // A new candidate when the sector starts FF D8 FF DB, FF D8 FF E0 with
    // "JFIF" at 6, or FF D8 FF E1 with "Exif" at 6; null otherwise.
    static std::unique_ptr<CBaseFile> Recognise(const platform::LeBytes& sector, uint64_t sectorNumber,
                                                uint32_t sectorSize, const CVolumeAccess* device);

    int ProcessSector(uint64_t sector, const CSectorWindow& data) override;
    // A marker out of place or a bad marker code after a wrong join ends it.
    bool MayCrossUnitsInUse() const override { return true; }

    uint64_t m_nextMarker = 2;  // file offset of the next marker, after start of image
    uint8_t m_scanSeen = 0;     // within entropy-coded data, which m_nextMarker walks bytewise
    uint64_t m_fileEnd = 0;     // one past the end-of-image marker once it was met; 0 before

private:
    // Walks the marker segments that start in this sector; kNotThisType when
    // one is not a marker.
    int WalkMarkers(uint64_t sectorEnd, const CSectorWindow& data);
    // Follows the entropy-coded data that starts in this sector to its next
    // marker; kNotThisType at a byte pair no JPEG holds there.
    int WalkScanData(uint64_t sectorEnd, const CSectorWindow& data);
};
