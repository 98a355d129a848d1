#include "carving/PsdFile.h"

#include "carving/CarvedType.h"

#include <algorithm>

namespace {

constexpr uint64_t kHeaderSize = 26;
constexpr uint32_t kMaxSide = 30000;
constexpr uint32_t kMaxLargeSide = 300000;
constexpr uint16_t kMaxChannels = 56;

bool IsColourMode(uint16_t mode) {
    // Bitmap, grey, indexed, RGB, CMYK, multichannel, duotone, Lab.
    return mode <= 4 || (mode >= 7 && mode <= 9);
}

}  // namespace

std::unique_ptr<CBaseFile> CPsdFile::Recognise(const platform::LeBytes& sector, uint64_t sectorNumber,
                                               uint32_t sectorSize, const CVolumeAccess* device) {
    if (!BytesAre(sector, 0, "8BPS") || !sector.Has(0, kHeaderSize)) return nullptr;
    const uint16_t version = sector.BigU16(4);
    if ((version != 1 && version != 2) || sector.U32(6) != 0 || sector.U16(10) != 0) return nullptr;
    const bool large = version == 2;
    const uint16_t channels = sector.BigU16(12);
    const uint32_t height = sector.BigU32(14);
    const uint32_t width = sector.BigU32(18);
    const uint16_t depth = sector.BigU16(22);
    const uint32_t maxSide = large ? kMaxLargeSide : kMaxSide;
    if (channels == 0 || channels > kMaxChannels || height == 0 || width == 0 || height > maxSide ||
        width > maxSide || !IsColourMode(sector.BigU16(24)))
        return nullptr;
    if (depth != 1 && depth != 8 && depth != 16 && depth != 32) return nullptr;
    const uint64_t rowBytes = (uint64_t(width) * depth + 7) / 8;
    return std::make_unique<CPsdFile>(device, sectorSize, sectorNumber, large, channels, height, rowBytes);
}

bool CPsdFile::Advance(const CSectorWindow& data, int& result) {
    switch (m_step) {
    case Step::ColourModeData:
    case Step::ImageResources:
    case Step::LayersAndMasks: {
        const uint64_t width = m_step == Step::LayersAndMasks && m_large ? 8 : 4;
        if (!data.Has(m_next, width)) return false;
        const uint64_t length = width == 8 ? data.BigU64(m_next) : data.BigU32(m_next);
        if (length > kMaxBytes) {
            result = kNotThisType;
            return false;
        }
        m_next += width + length;
        m_step = static_cast<Step>(static_cast<uint8_t>(m_step) + 1);
        return true;
    }
    case Step::Compression: {
        if (!data.Has(m_next, 2)) return false;
        const uint16_t compression = data.BigU16(m_next);
        m_next += 2;
        if (compression == 0) {
            m_next += m_rows * m_rowBytes;
            m_step = Step::Done;
        } else if (compression == 1) {
            m_step = Step::RowCounts;
        } else {
            result = kNotThisType;
            return false;
        }
        return true;
    }
    case Step::RowCounts: {
        const uint64_t width = m_large ? 4 : 2;
        // The counts are walked as far as they are in view.
        while (m_rowsCounted < m_rows && data.Has(m_next + m_rowsCounted * width, width)) {
            const uint64_t at = m_next + m_rowsCounted * width;
            const uint64_t count = m_large ? data.BigU32(at) : data.BigU16(at);
            // PackBits at its worst doubles a row (a header before every byte).
            if (count > 2 * m_rowBytes + 2) {
                result = kNotThisType;
                return false;
            }
            m_imageBytes += count;
            ++m_rowsCounted;
        }
        if (m_rowsCounted < m_rows) return false;
        m_unpackFrom = m_next + m_rows * width;
        m_next = m_unpackFrom + m_imageBytes;
        m_step = Step::Done;
        return true;
    }
    case Step::Done:
        break;
    }
    return false;
}

bool CPsdFile::Unpack(uint64_t sectorStart, const CSectorWindow& data) {
    const uint64_t to = std::min(m_next, sectorStart + m_sectorSize);
    const uint64_t rawBytes = m_rows * m_rowBytes;
    for (; m_unpackFrom < to; ++m_unpackFrom) {
        if (m_literalLeft > 0) {
            --m_literalLeft;
            continue;
        }
        if (m_repeatByteDue) {
            m_repeatByteDue = false;
            continue;
        }
        // A header n: n + 1 literal bytes up to 127, 257 - n copies of the next byte above 128, nothing at 128.
        const uint8_t header = data.U8(m_unpackFrom);
        if (header < 128) {
            m_literalLeft = header + 1u;
            m_unpacked += m_literalLeft;
        } else if (header > 128) {
            m_repeatByteDue = true;
            m_unpacked += 257u - header;
        }
        if (m_unpacked > rawBytes) return false;
    }
    if (m_unpackFrom < m_next) return true;
    return m_literalLeft == 0 && !m_repeatByteDue && m_unpacked == rawBytes;
}

int CPsdFile::ProcessSector(uint64_t sector, const CSectorWindow& data) {
    int result = kNotFinished;
    while (m_step != Step::Done && Advance(data, result)) {
        if (m_next > kMaxBytes) return kNotThisType;
    }
    if (result != kNotFinished) return result;
    if (m_step != Step::Done) return kNotFinished;
    const uint64_t sectorStart = SectorOffset(sector);
    if (m_unpackFrom != 0 && m_unpackFrom < sectorStart + m_sectorSize && !Unpack(sectorStart, data))
        return kNotThisType;
    return FinishWhenReached(sector, m_next, kCarvedPsd);
}
