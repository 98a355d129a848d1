#include "carving/PdfFile.h"

#include "carving/CarvedType.h"

#include <algorithm>
#include <string_view>

namespace {

constexpr std::string_view kEndMarker = "%%EOF";

bool IsAllZero(const platform::LeBytes& bytes, uint64_t length) {
    for (uint64_t i = 0; i < length; ++i) {
        if (bytes.U8(i) != 0) return false;
    }
    return true;
}

}  // namespace

std::unique_ptr<CBaseFile> CPdfFile::Recognise(const platform::LeBytes& sector, uint64_t sectorNumber,
                                               uint32_t sectorSize, const CVolumeAccess* device) {
    if (!BytesAre(sector, 0, "%PDF-") || sector.U8(5) < '1' || sector.U8(5) > '9') return nullptr;
    return std::make_unique<CPdfFile>(device, sectorSize, sectorNumber);
}

int CPdfFile::ProcessSector(uint64_t sector, const CSectorWindow& data) {
    const uint64_t sectorStart = SectorOffset(sector);
    const uint64_t sectorEnd = sectorStart + m_sectorSize;
    // Free space after the last end marker: the file ended there.
    if (m_lastEnd != 0 && m_lastEnd <= sectorStart && IsAllZero(data.Current(), m_sectorSize)) {
        return EndWhereItStands(sector);
    }
    if (sectorStart >= kMaxBytes) return m_lastEnd != 0 ? EndWhereItStands(sector) : kNotThisType;

    uint64_t from = std::max(m_searchFrom, data.Start());
    while (true) {
        const uint64_t hit = data.Find(from, sectorEnd, kEndMarker);
        m_searchFrom = hit;
        if (hit >= sectorEnd) return kNotFinished;
        if (!data.Has(hit, kEndMarker.size())) return kNotFinished;
        if (data.StartsWith(hit, kEndMarker)) {
            uint64_t end = hit + kEndMarker.size();
            if (data.U8(end) == '\r' && data.Has(end, 1)) ++end;
            if (data.U8(end) == '\n' && data.Has(end, 1)) ++end;
            m_lastEnd = end;
            // A line end cut off by the read is looked at again with the next one.
            if (!data.Has(hit, kEndMarker.size() + 2)) return kNotFinished;
        }
        from = hit + 1;
    }
}

int CPdfFile::EndWhereItStands(uint64_t) {
    if (m_lastEnd == 0) return kNotThisType;
    SetEnd(m_lastEnd);
    return kCarvedPdf;
}
