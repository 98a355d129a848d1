#include "carving/PngFile.h"

#include "carving/CarvedType.h"

#include <string_view>

namespace {

constexpr std::string_view kSignature("\x89PNG\r\n\x1A\n", 8);
constexpr std::string_view kImageHeader("\0\0\0\x0DIHDR", 8);
// Length, type and CRC around each chunk's data.
constexpr uint64_t kChunkOverhead = 12;
// PNG limits a chunk's length to 2^31 - 1 bytes.
constexpr uint32_t kMaxChunkLength = 0x7FFFFFFF;

bool IsLetter(uint8_t byte) { return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z'); }

}  // namespace

std::unique_ptr<CBaseFile> CPngFile::Recognise(const platform::LeBytes& sector, uint64_t sectorNumber,
                                               uint32_t sectorSize, const CVolumeAccess* device) {
    if (!BytesAre(sector, 0, kSignature) || !BytesAre(sector, 8, kImageHeader)) return nullptr;
    return std::make_unique<CPngFile>(device, sectorSize, sectorNumber);
}

int CPngFile::ProcessSector(uint64_t sector, const CSectorWindow& data) {
    const uint64_t sectorEnd = SectorOffset(sector) + m_sectorSize;
    while (m_fileEnd == 0 && m_nextChunk >= data.Start() && m_nextChunk < sectorEnd) {
        if (!data.Has(m_nextChunk, 8)) return kNotFinished;  // the header straddles two reads
        const uint32_t length = data.BigU32(m_nextChunk);
        if (length > kMaxChunkLength) return kNotThisType;
        for (uint64_t i = 4; i < 8; ++i) {
            if (!IsLetter(data.U8(m_nextChunk + i))) return kNotThisType;
        }
        const bool last = data.StartsWith(m_nextChunk + 4, "IEND");
        m_nextChunk += kChunkOverhead + length;
        if (last) m_fileEnd = m_nextChunk;
    }
    if (m_fileEnd == 0) return kNotFinished;
    return FinishWhenReached(sector, m_fileEnd, kCarvedPng);
}
