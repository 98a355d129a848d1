#include "carving/RiffFile.h"

#include "carving/CarvedType.h"

#include <string_view>

namespace {

constexpr uint64_t kChunkHeaderSize = 8;

struct RiffForm {
    std::string_view form;
    std::string_view firstChunks[4];  // what the form's first chunk may be
    uint32_t type;
};

constexpr RiffForm kForms[] = {
    {"WAVE", {"fmt ", "JUNK", "LIST", "bext"}, kCarvedWav},
    {"AVI ", {"LIST", "JUNK", "LIST", "LIST"}, kCarvedAvi},
    {"WEBP", {"VP8 ", "VP8L", "VP8X", "VP8X"}, kCarvedWebp},
};

// A chunk identifier is four printable ASCII characters.
bool IsChunkId(const CSectorWindow& data, uint64_t offset) {
    for (uint64_t i = 0; i < 4; ++i) {
        const uint8_t c = data.U8(offset + i);
        if (c < 0x20 || c > 0x7E) return false;
    }
    return true;
}

}  // namespace

std::unique_ptr<CBaseFile> CRiffFile::Recognise(const platform::LeBytes& sector, uint64_t sectorNumber,
                                                uint32_t sectorSize, const CVolumeAccess* device) {
    if (!BytesAre(sector, 0, "RIFF") || !sector.Has(0, kRiffHeaderSize + kChunkHeaderSize)) return nullptr;
    const uint32_t size = sector.U32(4);
    if (size < 4 + kChunkHeaderSize) return nullptr;
    for (const RiffForm& known : kForms) {
        if (!BytesAre(sector, 8, known.form)) continue;
        for (std::string_view first : known.firstChunks) {
            if (BytesAre(sector, kRiffHeaderSize, first)) {
                return std::make_unique<CRiffFile>(device, sectorSize, sectorNumber, known.type, 8 + uint64_t(size));
            }
        }
    }
    return nullptr;
}

int CRiffFile::ProcessSector(uint64_t sector, const CSectorWindow& data) {
    const uint64_t sectorEnd = SectorOffset(sector) + m_sectorSize;
    while (!m_done && m_nextChunk >= data.Start() && m_nextChunk < sectorEnd) {
        if (m_nextChunk == m_riffEnd) {
            // An AVI's extension chunks follow the first RIFF chunk.
            if (m_riffType == kCarvedAvi) {
                if (!data.Has(m_nextChunk, kRiffHeaderSize)) return kNotFinished;
                if (data.StartsWith(m_nextChunk, "RIFF") && data.StartsWith(m_nextChunk + 8, "AVIX")) {
                    m_riffEnd = m_nextChunk + kChunkHeaderSize + data.U32(m_nextChunk + 4);
                    m_nextChunk += kRiffHeaderSize;
                    continue;
                }
            }
            m_done = true;
            break;
        }
        if (!data.Has(m_nextChunk, kRiffHeaderSize)) return kNotFinished;  // a header across two reads
        if (!IsChunkId(data, m_nextChunk)) return kNotThisType;
        const uint64_t size = data.U32(m_nextChunk + 4);
        const uint64_t chunkEnd = m_nextChunk + kChunkHeaderSize + size + (size & 1);
        // An AVI's lists are entered, so their chunks are checked too.
        const bool list = m_riffType == kCarvedAvi && data.StartsWith(m_nextChunk, "LIST") && size >= 4;
        // A chunk may end one pad byte past an odd RIFF size.
        if (chunkEnd > m_riffEnd + (size & 1)) return kNotThisType;
        m_nextChunk = list ? m_nextChunk + kRiffHeaderSize : std::min(chunkEnd, m_riffEnd);
    }
    if (!m_done) return kNotFinished;
    return FinishWhenReached(sector, m_riffEnd, m_riffType);
}

int CRiffFile::EndWhereItStands(uint64_t nextSector) {
    // Only where the last RIFF chunk ended right there.
    if (m_nextChunk != m_riffEnd || m_riffEnd > SectorOffset(nextSector)) return kNotThisType;
    SetEnd(m_riffEnd);
    return static_cast<int>(m_riffType);
}
