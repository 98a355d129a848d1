#include "carving/Bzip2File.h"

#include "carving/CarvedType.h"

#include <string_view>

namespace {

constexpr uint64_t kEndMarker = 0x177245385090;
constexpr uint64_t kMarkerMask = (uint64_t(1) << 48) - 1;
constexpr uint64_t kHeaderSize = 4;
// The marker's last bit lies in the byte just shifted in, or up to seven
// bits before it; the 32-bit CRC behind it ends four bytes further on.
constexpr uint64_t kCrcBytesAfterMarker = 4;

bool IsStreamHeader(const CSectorWindow& data, uint64_t at) {
    const uint8_t level = data.U8(at + 3);
    if (!data.StartsWith(at, "BZh") || level < '1' || level > '9') return false;
    return data.StartsWith(at + kHeaderSize, "\x31\x41\x59\x26\x53\x59") ||
           data.StartsWith(at + kHeaderSize, "\x17\x72\x45\x38\x50\x90");
}

}  // namespace

std::unique_ptr<CBaseFile> CBzip2File::Recognise(const platform::LeBytes& sector, uint64_t sectorNumber,
                                                 uint32_t sectorSize, const CVolumeAccess* device) {
    if (!IsStreamHeader(CSectorWindow(0, sector.Span()), 0)) return nullptr;
    return std::make_unique<CBzip2File>(device, sectorSize, sectorNumber);
}

int CBzip2File::ProcessSector(uint64_t sector, const CSectorWindow& data) {
    const uint64_t sectorStart = SectorOffset(sector);
    const uint64_t sectorEnd = sectorStart + m_sectorSize;
    while (m_scanned < sectorEnd) {
        if (m_betweenStreams) {
            if (!data.Has(m_streamsEnd, kHeaderSize + 6)) return kNotFinished;
            if (!IsStreamHeader(data, m_streamsEnd)) {
                SetEnd(m_streamsEnd);
                return kCarvedBzip2;
            }
            m_betweenStreams = false;
            m_streamStart = m_scanned = m_streamsEnd;
            m_bits = 0;
        }
        const uint8_t* bytes = data.Current().Data();
        for (; m_scanned < sectorEnd; ++m_scanned) {
            m_bits = m_bits << 8 | bytes[m_scanned - sectorStart];
            // No marker ends inside the stream header; an empty stream's ends right after it.
            if (m_scanned < m_streamStart + kHeaderSize + 5) continue;
            bool marker = false;
            for (unsigned shift = 0; shift < 8 && !marker; ++shift) marker = ((m_bits >> shift) & kMarkerMask) == kEndMarker;
            if (marker) {
                m_streamsEnd = m_scanned + 1 + kCrcBytesAfterMarker;
                m_scanned = m_streamsEnd;
                m_betweenStreams = true;
                break;
            }
        }
    }
    return kNotFinished;
}

int CBzip2File::EndWhereItStands(uint64_t nextSector) {
    if (!m_betweenStreams || m_streamsEnd > SectorOffset(nextSector)) return kNotThisType;
    SetEnd(m_streamsEnd);
    return kCarvedBzip2;
}
