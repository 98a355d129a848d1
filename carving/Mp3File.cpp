#include "carving/Mp3File.h"

#include "carving/CarvedType.h"

namespace {

constexpr uint64_t kId3HeaderSize = 10;
constexpr uint64_t kId3v1Size = 128;
constexpr uint64_t kApeHeaderSize = 32;
constexpr uint32_t kMaxApeSize = 16u << 20;
// Bytes of the first frame that hold a stream tag, where one is.
constexpr uint64_t kStreamTagBytes = 64;
// Zeros behind an ID3v2 tag that are still taken for its padding.
constexpr uint64_t kMaxPaddingAfterTag = 64 * 1024;

std::optional<MpegAudioFrame> FrameAt(const platform::LeBytes& bytes, uint64_t offset) {
    if (!bytes.Has(offset, 4)) return std::nullopt;
    return ReadMpegAudioFrame(bytes.U8(offset), bytes.U8(offset + 1), bytes.U8(offset + 2), bytes.U8(offset + 3));
}

// The ID3v2 tag's whole length when `sector` starts with its header.
std::optional<uint64_t> Id3TagLength(const platform::LeBytes& sector) {
    if (!BytesAre(sector, 0, "ID3") || !sector.Has(0, kId3HeaderSize)) return std::nullopt;
    const uint8_t major = sector.U8(3);
    if (major < 2 || major > 4 || sector.U8(4) == 0xFF || (sector.U8(5) & 0x0F) != 0) return std::nullopt;
    uint64_t size = 0;
    for (uint64_t i = 6; i < 10; ++i) {
        if (sector.U8(i) & 0x80) return std::nullopt;  // a sync-safe integer has the top bits clear
        size = size << 7 | sector.U8(i);
    }
    const bool footer = (sector.U8(5) & 0x10) != 0;
    return kId3HeaderSize + size + (footer ? kId3HeaderSize : 0);
}

}  // namespace

std::unique_ptr<CBaseFile> CMp3File::Recognise(const platform::LeBytes& sector, uint64_t sectorNumber,
                                               uint32_t sectorSize, const CVolumeAccess* device) {
    if (auto tagLength = Id3TagLength(sector)) {
        // Where the tag ends within the read, the first frame (or padding) must be there.
        if (sector.Has(*tagLength, 4) && sector.U8(*tagLength) != 0 && !FrameAt(sector, *tagLength)) return nullptr;
        return std::make_unique<CMp3File>(device, sectorSize, sectorNumber, *tagLength);
    }
    auto first = FrameAt(sector, 0);
    if (!first) return nullptr;
    uint64_t next = first->length;
    for (uint32_t frames = 1; frames < kMinFrames; ++frames) {
        auto frame = FrameAt(sector, next);
        if (!frame) {
            if (frames >= 2 && !sector.Has(next, 4)) break;  // the read ends: as many as it shows
            return nullptr;
        }
        if (frame->streamBits != first->streamBits) return nullptr;
        next += frame->length;
    }
    return std::make_unique<CMp3File>(device, sectorSize, sectorNumber, 0);
}

void CMp3File::ReadStreamTag(const CSectorWindow& data, const MpegAudioFrame& frame) {
    const uint64_t tag = m_next + MpegAudioTagOffset(frame);
    uint64_t bytes = 0;
    if (data.StartsWith(tag, "Xing") || data.StartsWith(tag, "Info")) {
        const uint32_t flags = data.BigU32(tag + 4);
        const uint64_t field = tag + 8 + ((flags & 1) ? 4 : 0);
        if (flags & 2) bytes = data.BigU32(field);
    } else if (data.StartsWith(m_next + 36, "VBRI")) {
        bytes = data.BigU32(m_next + 36 + 10);
    }
    if (bytes > frame.length) m_audioEnd = m_next + bytes;
}

int CMp3File::StepFrame(const CSectorWindow& data, bool& wait) {
    if (m_audioEnd != 0 && m_next == m_audioEnd) {
        m_inTail = true;
        return kNotFinished;
    }
    if (!data.Has(m_next, 4)) {
        wait = true;
        return kNotFinished;
    }
    if (m_frames == 0 && m_tagLength != 0 && data.U8(m_next) == 0 && m_next - m_tagLength < kMaxPaddingAfterTag) {
        ++m_next;  // padding behind the tag
        return kNotFinished;
    }
    auto frame = ReadMpegAudioFrame(data.U8(m_next), data.U8(m_next + 1), data.U8(m_next + 2), data.U8(m_next + 3));
    if (!frame || (m_frames > 0 && frame->streamBits != m_streamBits)) {
        // Some encoders count the ID3v2 tag into the stream tag's bytes.
        if (m_audioEnd != 0 && m_next + m_tagLength == m_audioEnd) m_audioEnd = m_next;
        // The stream ends here, unless its tag promised more or it is too short to be one.
        if (m_frames < kMinFrames || (m_audioEnd != 0 && m_next < m_audioEnd)) return kNotThisType;
        m_inTail = true;
        return kNotFinished;
    }
    if (m_frames == 0) {
        if (frame->layer == 1 && !data.Has(m_next, std::min<uint64_t>(frame->length, kStreamTagBytes))) {
            wait = true;
            return kNotFinished;
        }
        m_streamBits = frame->streamBits;
        if (frame->layer == 1) ReadStreamTag(data, *frame);
    }
    m_next += frame->length;
    ++m_frames;
    if (m_audioEnd != 0 && m_next > m_audioEnd) m_audioEnd = 0;  // the tag's count misses the frames: not used
    return kNotFinished;
}

void CMp3File::StepTail(const CSectorWindow& data, bool& wait) {
    if (!data.Has(m_next, kApeHeaderSize)) {
        wait = true;
        return;
    }
    if (!m_apeSeen && data.StartsWith(m_next, "APETAGEX")) {
        m_apeSeen = true;
        const uint32_t size = data.U32(m_next + 12);
        const bool isHeader = (data.U32(m_next + 20) >> 29) & 1;
        if (isHeader && size >= kApeHeaderSize && size <= kMaxApeSize) {
            m_next += kApeHeaderSize + size;
            return;
        }
    }
    if (data.StartsWith(m_next, "TAG")) m_next += kId3v1Size;
    m_fileEnd = m_next;
}

int CMp3File::ProcessSector(uint64_t sector, const CSectorWindow& data) {
    return WalkSector(sector, data, m_next, m_fileEnd, kCarvedMp3, [&](bool& wait) {
        if (!m_inTail) return StepFrame(data, wait);
        StepTail(data, wait);
        return kNotFinished;
    });
}

int CMp3File::EndWhereItStands(uint64_t nextSector) {
    if (m_fileEnd != 0) {
        SetEnd(m_fileEnd);
        return kCarvedMp3;
    }
    const bool streamWhole = m_inTail || (m_frames >= kMinFrames && (m_audioEnd == 0 || m_next == m_audioEnd));
    if (!streamWhole || m_next > SectorOffset(nextSector)) return kNotThisType;
    SetEnd(m_next);
    return kCarvedMp3;
}

bool CMp3File::ContinuesAt(uint64_t sector) const {
    return m_fileEnd == 0 && !m_inTail && m_next == SectorOffset(sector);
}
