#include "carving/SevenZipFile.h"

#include "carving/CarvedType.h"

#include <algorithm>
#include <string_view>

namespace {

constexpr std::string_view kSignature("7z\xBC\xAF\x27\x1C", 6);
constexpr uint64_t kStartHeaderSize = 32;

}  // namespace

std::unique_ptr<CBaseFile> CSevenZipFile::Recognise(const platform::LeBytes& sector, uint64_t sectorNumber,
                                                    uint32_t sectorSize, const CVolumeAccess* device) {
    if (!BytesAre(sector, 0, kSignature) || !sector.Has(0, kStartHeaderSize)) return nullptr;
    CCrc32 startCrc;
    startCrc.Add(sector.Sub(12, 20).Span());
    if (startCrc.Value() != sector.U32(8)) return nullptr;
    const uint64_t offset = sector.U64(12);
    const uint64_t size = sector.U64(20);
    if (offset > kMaxBytes || size > kMaxBytes) return nullptr;
    const uint64_t endHeader = kStartHeaderSize + offset;
    return std::make_unique<CSevenZipFile>(device, sectorSize, sectorNumber, endHeader, endHeader + size,
                                           sector.U32(28));
}

int CSevenZipFile::ProcessSector(uint64_t sector, const CSectorWindow& data) {
    const uint64_t sectorStart = SectorOffset(sector);
    const uint64_t sectorEnd = sectorStart + m_sectorSize;
    // This sector's share of the end header goes into its CRC.
    const uint64_t from = std::max(m_endHeader, sectorStart);
    const uint64_t to = std::min(m_fileEnd, sectorEnd);
    if (from < to) m_crc.Add(data.Current().Sub(from - sectorStart, to - from).Span());
    if (sectorEnd < m_fileEnd) return kNotFinished;
    if (m_crc.Value() != m_endHeaderCrc) return kNotThisType;
    return FinishWhenReached(sector, m_fileEnd, kCarved7z);
}
