#include "carving/GifFile.h"

#include "carving/CarvedType.h"

namespace {

constexpr uint8_t kImageDescriptor = 0x2C;
constexpr uint8_t kExtension = 0x21;
constexpr uint8_t kTrailer = 0x3B;
constexpr uint64_t kHeaderAndScreen = 13;  // signature and logical screen descriptor
constexpr uint64_t kImageDescriptorSize = 10;

// Bytes of the colour table that a flags byte announces, 0 when none.
uint64_t ColourTableSize(uint8_t flags) { return (flags & 0x80) ? 3ull << ((flags & 7) + 1) : 0; }

}  // namespace

std::unique_ptr<CBaseFile> CGifFile::Recognise(const platform::LeBytes& sector, uint64_t sectorNumber,
                                               uint32_t sectorSize, const CVolumeAccess* device) {
    if (!BytesAre(sector, 0, "GIF87a") && !BytesAre(sector, 0, "GIF89a")) return nullptr;
    if (!sector.Has(0, kHeaderAndScreen)) return nullptr;
    const uint64_t firstBlock = kHeaderAndScreen + ColourTableSize(sector.U8(10));
    return std::make_unique<CGifFile>(device, sectorSize, sectorNumber, firstBlock);
}

bool CGifFile::Step(const CSectorWindow& data, int& result) {
    if (!data.Has(m_next, 1)) return false;
    const uint8_t byte = data.U8(m_next);
    if (m_inSubBlocks) {
        // A zero length ends the sub-blocks; the next block follows.
        m_inSubBlocks = byte != 0;
        m_next += 1 + uint64_t(byte);
        return true;
    }
    switch (byte) {
    case kImageDescriptor: {
        if (!data.Has(m_next, kImageDescriptorSize + 1)) return false;
        const uint64_t table = ColourTableSize(data.U8(m_next + 9));
        if (!data.Has(m_next + kImageDescriptorSize + table, 1)) return false;
        // The LZW minimum code size before the image data lies between 2 and 8.
        const uint8_t codeSize = data.U8(m_next + kImageDescriptorSize + table);
        if (codeSize < 2 || codeSize > 8) {
            result = kNotThisType;
            return false;
        }
        m_next += kImageDescriptorSize + table + 1;
        m_inSubBlocks = true;
        return true;
    }
    case kExtension:
        m_next += 2;  // introducer and label, then sub-blocks
        m_inSubBlocks = true;
        return true;
    case kTrailer:
        m_fileEnd = m_next + 1;
        return true;
    default:
        result = kNotThisType;
        return false;
    }
}

int CGifFile::ProcessSector(uint64_t sector, const CSectorWindow& data) {
    const uint64_t sectorEnd = SectorOffset(sector) + m_sectorSize;
    int result = kNotFinished;
    while (m_fileEnd == 0 && m_next >= data.Start() && m_next < sectorEnd) {
        if (!Step(data, result)) break;
    }
    if (result == kNotThisType) return kNotThisType;
    if (m_fileEnd == 0) return kNotFinished;
    return FinishWhenReached(sector, m_fileEnd, kCarvedGif);
}
