#include "carving/JPGFile.h"

#include "carving/CarvedType.h"

namespace {

constexpr uint8_t kMarkerLead = 0xFF;
constexpr uint8_t kStartOfScan = 0xDA;
constexpr uint8_t kEndOfImage = 0xD9;

bool IsJpegStart(const platform::LeBytes& sector) {
    if (sector.U8(0) != 0xFF || sector.U8(1) != 0xD8 || sector.U8(2) != 0xFF) return false;
    switch (sector.U8(3)) {
    case 0xDB:
        return true;
    case 0xE0:
        return BytesAre(sector, 6, "JFIF");
    case 0xE1:
        return BytesAre(sector, 6, "Exif");
    default:
        return false;
    }
}

// Markers that open a segment with a length: frame headers, tables, scans,
// application data and comments, which a progressive image puts between scans.
bool IsSegmentMarker(uint8_t marker) {
    return (marker >= 0xC0 && marker <= 0xCF) || (marker >= 0xDA && marker <= 0xDF) || marker >= 0xE0;
}

}  // namespace

std::unique_ptr<CBaseFile> CJPGFile::Recognise(const platform::LeBytes& sector, uint64_t sectorNumber,
                                               uint32_t sectorSize, const CVolumeAccess* device) {
    if (!IsJpegStart(sector)) return nullptr;
    return std::make_unique<CJPGFile>(device, sectorSize, sectorNumber);
}

int CJPGFile::WalkMarkers(uint64_t sectorEnd, const CSectorWindow& data) {
    // A marker whose first byte is this sector's end belongs to this sector;
    // one at or before the sector's start can only be one that waited for the
    // next read.
    while (!m_scanSeen && m_nextMarker >= data.Start() && m_nextMarker <= sectorEnd) {
        // A marker whose bytes lie beyond the read is examined with the next one.
        if (!data.Has(m_nextMarker, 1)) return kNotFinished;
        if (data.U8(m_nextMarker) != kMarkerLead) return kNotThisType;
        if (!data.Has(m_nextMarker, 4)) return kNotFinished;
        const bool scan = data.U8(m_nextMarker + 1) == kStartOfScan;
        m_nextMarker += uint64_t(data.BigU16(m_nextMarker + 2)) + 2;
        if (scan) m_scanSeen = 1;  // the entropy-coded data follows the scan header
    }
    return kNotFinished;
}

int CJPGFile::WalkScanData(uint64_t sectorEnd, const CSectorWindow& data) {
    while (m_scanSeen && m_nextMarker >= data.Start() && m_nextMarker < sectorEnd) {
        const uint64_t lead = data.Find(m_nextMarker, sectorEnd, "\xFF");
        if (lead >= sectorEnd) {
            m_nextMarker = sectorEnd;
            return kNotFinished;
        }
        m_nextMarker = lead;
        if (!data.Has(lead, 2)) return kNotFinished;
        const uint8_t marker = data.U8(lead + 1);
        if (marker == 0x00 || (marker >= 0xD0 && marker <= 0xD7)) {
            m_nextMarker = lead + 2;  // a stuffed FF or a restart marker: still scan data
        } else if (marker == kMarkerLead) {
            m_nextMarker = lead + 1;  // fill bytes before a marker
        } else if (marker == kEndOfImage) {
            m_fileEnd = lead + 2;
            return kNotFinished;
        } else if (IsSegmentMarker(marker)) {
            m_scanSeen = 0;  // tables or the next scan of a progressive image
            return kNotFinished;
        } else {
            return kNotThisType;
        }
    }
    return kNotFinished;
}

int CJPGFile::ProcessSector(uint64_t sector, const CSectorWindow& data) {
    const uint64_t sectorEnd = SectorOffset(sector) + m_sectorSize;
    // The walks hand over to each other as long as this sector holds their work.
    while (m_fileEnd == 0) {
        const uint64_t before = m_nextMarker;
        const uint8_t scanBefore = m_scanSeen;
        if (WalkMarkers(sectorEnd, data) == kNotThisType) return kNotThisType;
        if (WalkScanData(sectorEnd, data) == kNotThisType) return kNotThisType;
        if (m_nextMarker == before && m_scanSeen == scanBefore) break;
    }
    if (m_fileEnd == 0) return kNotFinished;
    return FinishWhenReached(sector, m_fileEnd, kCarvedJpeg);
}
