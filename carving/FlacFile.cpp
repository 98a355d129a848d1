#include "carving/FlacFile.h"

#include "carving/CarvedType.h"

#include <algorithm>

namespace {

constexpr uint64_t kBlockHeaderSize = 4;
constexpr uint64_t kStreamInfoSize = 34;
constexpr uint8_t kLastBlockFlag = 0x80;
constexpr uint8_t kMaxBlockType = 6;  // PICTURE; 7 to 126 are reserved, 127 invalid
// The frame's CRC-16 and at least one byte of a subframe follow its header.
constexpr uint64_t kMinFrameBody = 3;

uint32_t Big24(const platform::LeBytes& bytes, uint64_t offset) {
    return uint32_t(bytes.U8(offset)) << 16 | uint32_t(bytes.U8(offset + 1)) << 8 | bytes.U8(offset + 2);
}

}  // namespace

std::unique_ptr<CBaseFile> CFlacFile::Recognise(const platform::LeBytes& sector, uint64_t sectorNumber,
                                                uint32_t sectorSize, const CVolumeAccess* device) {
    if (!BytesAre(sector, 0, "fLaC") || !sector.Has(0, 8 + kStreamInfoSize)) return nullptr;
    if ((sector.U8(4) & ~kLastBlockFlag) != 0 || Big24(sector, 5) != kStreamInfoSize) return nullptr;
    const uint64_t info = 8;
    const uint32_t minBlock = sector.BigU16(info);
    const uint32_t maxBlock = sector.BigU16(info + 2);
    const uint32_t maxFrame = Big24(sector, info + 7);
    const uint32_t channels = ((sector.U8(info + 12) >> 1) & 7) + 1;
    const uint32_t bitsPerSample = ((sector.U8(info + 12) & 1) << 4 | sector.U8(info + 13) >> 4) + 1;
    const uint64_t totalSamples = uint64_t(sector.U8(info + 13) & 15) << 32 | uint64_t(sector.BigU16(info + 14)) << 16 |
                                  sector.BigU16(info + 16);
    if (minBlock < 16 || maxBlock < minBlock || totalSamples == 0) return nullptr;
    // Where STREAMINFO gives no largest frame, a verbatim one bounds it.
    const uint64_t bound = maxFrame != 0 ? maxFrame : uint64_t(maxBlock) * channels * bitsPerSample / 8 + 1024;
    return std::make_unique<CFlacFile>(device, sectorSize, sectorNumber, totalSamples, maxBlock, bound);
}

bool CFlacFile::StepMetadata(const CSectorWindow& data, bool& wait) {
    if (!data.Has(m_next, kBlockHeaderSize)) {
        wait = true;
        return true;
    }
    const uint8_t flags = data.U8(m_next);
    if ((flags & ~kLastBlockFlag) > kMaxBlockType) return false;
    const uint32_t length =
        uint32_t(data.U8(m_next + 1)) << 16 | uint32_t(data.U8(m_next + 2)) << 8 | data.U8(m_next + 3);
    m_next += kBlockHeaderSize + length;
    if (flags & kLastBlockFlag) {
        m_inFrames = true;
        m_frameStart = m_next;
        m_scan = 0;  // the first frame's header is read before its bytes are
    }
    return true;
}

FlacHeaderRead CFlacFile::StartFrame(const CSectorWindow& data, uint64_t offset) {
    FlacFrameHeader header;
    const FlacHeaderRead read = ReadFlacFrameHeader(data, offset, header);
    if (read != FlacHeaderRead::Valid) return read;
    const bool first = offset == m_frameStart && m_scan == 0;
    if (!first && (header.streamBits != m_streamBits || header.number != m_expectedNumber)) {
        return FlacHeaderRead::Invalid;
    }
    if (first && header.number != 0) return FlacHeaderRead::Invalid;
    const uint64_t firstSample = header.variable ? header.number : header.number * m_blockSize;
    m_streamBits = header.streamBits;
    m_expectedNumber = header.variable ? firstSample + header.blockSize : header.number + 1;
    m_lastFrame = firstSample + header.blockSize >= m_totalSamples;
    m_frameStart = offset;
    m_headerLength = header.length;
    m_scan = offset;
    m_crc = 0;
    return FlacHeaderRead::Valid;
}

int CFlacFile::ScanFrame(const CSectorWindow& data, uint64_t sectorEnd) {
    const uint64_t to = std::min(sectorEnd, data.End());
    while (m_scan < to) {
        if (m_scan - m_frameStart >= m_headerLength + kMinFrameBody && m_crc == 0) {
            // The bytes so far close with their own CRC: the frame may end here.
            if (m_lastFrame) {
                m_fileEnd = m_scan;
                return kNotFinished;
            }
            const FlacHeaderRead next = StartFrame(data, m_scan);
            if (next == FlacHeaderRead::Wait) return kNotFinished;
            if (next == FlacHeaderRead::Valid) continue;
        }
        if (m_scan - m_frameStart > m_maxFrameBytes) return kNotThisType;
        m_crc = FlacCrc16Add(m_crc, data.U8(m_scan));
        ++m_scan;
    }
    return kNotFinished;
}

int CFlacFile::ProcessSector(uint64_t sector, const CSectorWindow& data) {
    const uint64_t sectorEnd = SectorOffset(sector) + m_sectorSize;
    bool wait = false;
    while (!m_inFrames && !wait && m_next >= data.Start() && m_next < sectorEnd) {
        if (!StepMetadata(data, wait)) return kNotThisType;
    }
    if (m_inFrames && m_scan == 0 && m_frameStart >= data.Start() && m_frameStart < sectorEnd) {
        const FlacHeaderRead first = StartFrame(data, m_frameStart);
        if (first == FlacHeaderRead::Invalid) return kNotThisType;
    }
    if (m_inFrames && m_scan != 0 && m_fileEnd == 0 && m_scan >= data.Start()) {
        if (ScanFrame(data, sectorEnd) == kNotThisType) return kNotThisType;
    }
    if (m_fileEnd == 0) return kNotFinished;
    return FinishWhenReached(sector, m_fileEnd, kCarvedFlac);
}
