#include "carving/JPGFile.h"

#include "carving/CarvedType.h"

#include <algorithm>

namespace {

constexpr uint8_t kMarkerLead = 0xFF;
constexpr uint8_t kStartOfScan = 0xDA;
constexpr uint8_t kEndOfImage = 0xD9;

}  // namespace

namespace {

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
    while (m_nextMarker >= data.Start() && m_nextMarker <= sectorEnd) {
        // A marker whose bytes lie beyond the read is examined with the next one.
        if (!data.Has(m_nextMarker, 1)) return kNotFinished;
        if (data.U8(m_nextMarker) != kMarkerLead) return kNotThisType;
        if (!data.Has(m_nextMarker, 2)) return kNotFinished;
        if (data.U8(m_nextMarker + 1) == kStartOfScan) {
            m_scanSeen = 1;
            return kNotFinished;
        }
        if (!data.Has(m_nextMarker, 4)) return kNotFinished;
        m_nextMarker += uint64_t(data.BigU16(m_nextMarker + 2)) + 2;
    }
    return kNotFinished;
}

int CJPGFile::ProcessSector(uint64_t sector, const CSectorWindow& data) {
    const uint64_t sectorStart = SectorOffset(sector);
    if (!m_scanSeen && WalkMarkers(sectorStart + m_sectorSize, data) == kNotThisType) return kNotThisType;
    if (!m_scanSeen) return kNotFinished;

    // The image ends where the sector's last nonzero byte completes FF D9: the
    // rest of that sector is zero. Bytes 0 and 1 are not looked at, as the
    // start of image occupies them in the first sector.
    const platform::LeBytes& bytes = data.Current();
    uint64_t index = std::min<uint64_t>(m_sectorSize, bytes.Size());
    while (index > 2 && bytes.U8(index - 1) == 0) --index;
    if (index <= 2) return kNotFinished;
    uint64_t last = index - 1;
    if (bytes.U8(last) != kEndOfImage || bytes.U8(last - 1) != kMarkerLead) return kNotFinished;
    m_lastSector = sector;
    m_lastByteIndex = static_cast<uint32_t>(last);
    return kCarvedJpeg;
}
