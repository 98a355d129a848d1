#include "carving/RarFile.h"

#include "carving/CarvedType.h"
#include "carving/Crc32.h"

#include <string_view>

namespace {

constexpr std::string_view kSignature4("Rar!\x1A\x07\x00", 7);
constexpr std::string_view kSignature5("Rar!\x1A\x07\x01\x00", 8);

// RAR 4 block types: marker 0x72 up to end of archive 0x7B.
constexpr uint8_t kFirstBlock4 = 0x72;
constexpr uint8_t kEndBlock4 = 0x7B;
constexpr uint8_t kFileBlock4 = 0x74;
constexpr uint8_t kServiceBlock4 = 0x7A;
constexpr uint16_t kFlagLongBlock4 = 0x8000;
constexpr uint16_t kFlagLargeSizes4 = 0x0100;
constexpr uint64_t kBaseHeader4 = 7;

// RAR 5 header types: main 1 up to end of archive 5.
constexpr uint64_t kEncryptionHeader5 = 4;
constexpr uint64_t kEndHeader5 = 5;
constexpr uint64_t kFlagExtraArea5 = 0x1;
constexpr uint64_t kFlagDataArea5 = 0x2;

// A RAR 5 variable-length integer (7 bits a byte, at most 10 bytes) within [at, end).
bool ReadVarint(const CSectorWindow& data, uint64_t& at, uint64_t end, uint64_t& value) {
    value = 0;
    for (unsigned i = 0; i < 10 && at < end; ++i) {
        const uint8_t byte = data.U8(at++);
        if (i == 9 && byte > 1) return false;
        value |= uint64_t(byte & 0x7F) << (7 * i);
        if ((byte & 0x80) == 0) return true;
    }
    return false;
}

}  // namespace

std::unique_ptr<CBaseFile> CRarFile::Recognise(const platform::LeBytes& sector, uint64_t sectorNumber,
                                               uint32_t sectorSize, const CVolumeAccess* device) {
    if (BytesAre(sector, 0, kSignature5)) return std::make_unique<CRarFile>(device, sectorSize, sectorNumber, true);
    if (BytesAre(sector, 0, kSignature4)) return std::make_unique<CRarFile>(device, sectorSize, sectorNumber, false);
    return nullptr;
}

CRarFile::Block CRarFile::ReadVersion4(const CSectorWindow& data) {
    const uint64_t at = m_nextBlock;
    if (!data.Has(at, kBaseHeader4)) return Block::Wait;
    const uint8_t type = data.U8(at + 2);
    const uint16_t flags = data.U16(at + 3);
    const uint16_t headerSize = data.U16(at + 5);
    if (type < kFirstBlock4 || type > kEndBlock4 || headerSize < kBaseHeader4) return Block::Broken;
    if (!data.Has(at, headerSize)) return Block::Wait;
    if ((Crc32Of(data, at + 2, headerSize - 2) & 0xFFFF) != data.U16(at)) return Block::Broken;
    uint64_t dataSize = 0;
    if (flags & kFlagLongBlock4) {
        if (headerSize < kBaseHeader4 + 4) return Block::Broken;
        dataSize = data.U32(at + 7);
        if ((type == kFileBlock4 || type == kServiceBlock4) && (flags & kFlagLargeSizes4)) {
            if (headerSize < 36) return Block::Broken;
            dataSize |= uint64_t(data.U32(at + 32)) << 32;
        }
    }
    m_nextBlock = at + headerSize + dataSize;
    return type == kEndBlock4 ? Block::Last : Block::Next;
}

CRarFile::Block CRarFile::ReadVersion5(const CSectorWindow& data) {
    const uint64_t at = m_nextBlock;
    // CRC-32, then the header size, which counts the bytes from the type on.
    if (!data.Has(at, 4 + 3)) return Block::Wait;
    uint64_t cursor = at + 4;
    uint64_t headerSize = 0;
    if (!ReadVarint(data, cursor, at + 4 + 3, headerSize) || headerSize == 0 || headerSize > kMaxHeaderBytes)
        return Block::Broken;
    const uint64_t headerEnd = cursor + headerSize;
    if (!data.Has(at, headerEnd - at)) return Block::Wait;
    if (Crc32Of(data, at + 4, headerEnd - at - 4) != data.U32(at)) return Block::Broken;
    uint64_t type = 0, flags = 0, extraSize = 0, dataSize = 0;
    if (!ReadVarint(data, cursor, headerEnd, type) || !ReadVarint(data, cursor, headerEnd, flags)) return Block::Broken;
    if ((flags & kFlagExtraArea5) && !ReadVarint(data, cursor, headerEnd, extraSize)) return Block::Broken;
    if ((flags & kFlagDataArea5) && !ReadVarint(data, cursor, headerEnd, dataSize)) return Block::Broken;
    if (type == 0 || type > kEndHeader5 || type == kEncryptionHeader5 || dataSize > kMaxBytes) return Block::Broken;
    m_nextBlock = headerEnd + dataSize;
    return type == kEndHeader5 ? Block::Last : Block::Next;
}

int CRarFile::ProcessSector(uint64_t sector, const CSectorWindow& data) {
    const uint64_t sectorEnd = SectorOffset(sector) + m_sectorSize;
    while (m_fileEnd == 0 && m_nextBlock < sectorEnd) {
        const Block block = m_version5 ? ReadVersion5(data) : ReadVersion4(data);
        if (block == Block::Broken || m_nextBlock > kMaxBytes) return kNotThisType;
        if (block == Block::Wait) return kNotFinished;
        if (block == Block::Last) m_fileEnd = m_nextBlock;
    }
    if (m_fileEnd == 0) return kNotFinished;
    return FinishWhenReached(sector, m_fileEnd, kCarvedRar);
}
