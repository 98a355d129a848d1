#include "carving/TarFile.h"

#include "carving/CarvedType.h"

#include <algorithm>
#include <string_view>

namespace {

constexpr uint64_t kSizeField = 124;
constexpr uint64_t kChecksumField = 148;
constexpr uint64_t kTypeField = 156;
constexpr uint64_t kMagicField = 257;
// Members claiming more are taken as damaged headers.
constexpr uint64_t kMaxMemberBytes = uint64_t(1) << 40;

// An octal field of digits, led by blanks and ended by a NUL or blank; GNU
// tar writes sizes beyond 8 GiB in base 256, marked by the first byte's top bit.
bool ReadNumber(const platform::LeBytes& block, uint64_t at, uint64_t width, uint64_t& value) {
    value = 0;
    if (block.U8(at) & 0x80) {
        for (uint64_t i = 1; i < width; ++i) {
            if (value > (kMaxMemberBytes >> 8)) return false;
            value = value << 8 | block.U8(at + i);
        }
        return (block.U8(at) & 0x7F) == 0;
    }
    uint64_t i = 0;
    while (i < width && block.U8(at + i) == ' ') ++i;
    bool digits = false;
    for (; i < width; ++i) {
        const uint8_t c = block.U8(at + i);
        if (c == 0 || c == ' ') break;
        if (c < '0' || c > '7' || value > (kMaxMemberBytes >> 3)) return false;
        value = value * 8 + (c - '0');
        digits = true;
    }
    return digits;
}

bool IsZeroBlock(const platform::LeBytes& block) {
    return std::all_of(block.Data(), block.Data() + block.Size(), [](uint8_t byte) { return byte == 0; });
}

}  // namespace

bool ReadTarHeader(const platform::LeBytes& block, uint64_t& contentBytes) {
    if (!block.Has(0, CTarFile::kBlockSize)) return false;
    uint64_t checksum = 0;
    if (!ReadNumber(block, kChecksumField, 8, checksum)) return false;
    // The checksum counts its own field as blanks; old writers summed signed bytes.
    uint64_t unsignedSum = 0;
    int64_t signedSum = 0;
    for (uint64_t i = 0; i < CTarFile::kBlockSize; ++i) {
        const uint8_t byte = i >= kChecksumField && i < kChecksumField + 8 ? ' ' : block.U8(i);
        unsignedSum += byte;
        signedSum += static_cast<int8_t>(byte);
    }
    if (checksum != unsignedSum && static_cast<int64_t>(checksum) != signedSum) return false;
    uint64_t size = 0;
    if (!ReadNumber(block, kSizeField, 12, size)) return false;
    // Links, devices, folders and pipes have no content whatever their size says.
    const std::string_view noContent("12345 6", 7);
    const char type = static_cast<char>(block.U8(kTypeField));
    if (type != 0 && type != '0' && noContent.find(type) != std::string_view::npos) size = 0;
    contentBytes = (size + CTarFile::kBlockSize - 1) / CTarFile::kBlockSize * CTarFile::kBlockSize;
    return true;
}

std::unique_ptr<CBaseFile> CTarFile::Recognise(const platform::LeBytes& sector, uint64_t sectorNumber,
                                               uint32_t sectorSize, const CVolumeAccess* device) {
    uint64_t contentBytes = 0;
    if (!BytesAre(sector, kMagicField, "ustar") || !ReadTarHeader(sector.Sub(0, kBlockSize), contentBytes))
        return nullptr;
    return std::make_unique<CTarFile>(device, sectorSize, sectorNumber);
}

int CTarFile::ProcessSector(uint64_t sector, const CSectorWindow& data) {
    const uint64_t sectorStart = SectorOffset(sector);
    const uint64_t sectorEnd = sectorStart + m_sectorSize;
    while (m_archiveEnd == 0 && m_nextHeader < sectorEnd) {
        // Blocks are 512-aligned and sectors whole multiples of 512: a block lies in its sector.
        const std::optional<platform::LeBytes> block = data.InCurrentRead(m_nextHeader, kBlockSize);
        if (!block) return kNotThisType;
        if (IsZeroBlock(*block)) {
            m_nextHeader += kBlockSize;
            if (m_zeroBlockSeen) m_archiveEnd = m_paddingSeen = m_nextHeader;
            m_zeroBlockSeen = true;
            continue;
        }
        uint64_t contentBytes = 0;
        if (m_zeroBlockSeen || !ReadTarHeader(*block, contentBytes)) return kNotThisType;
        if (contentBytes != 0) m_lastContentStart = m_nextHeader + kBlockSize;
        m_nextHeader += kBlockSize + contentBytes;
    }
    if (m_archiveEnd == 0) return kNotFinished;
    // The record padding: zeros up to the next multiple of the record size.
    const uint64_t recordEnd = (m_archiveEnd + kRecordSize - 1) / kRecordSize * kRecordSize;
    const uint64_t to = std::min(recordEnd, sectorEnd);
    for (; m_paddingSeen < to; ++m_paddingSeen) {
        if (data.U8(m_paddingSeen) != 0) {
            SetEnd(m_archiveEnd);
            return kCarvedTar;
        }
    }
    return FinishWhenReached(sector, recordEnd, kCarvedTar);
}

int CTarFile::EndWhereItStands(uint64_t nextSector) {
    if (m_archiveEnd == 0 || m_archiveEnd > SectorOffset(nextSector)) return kNotThisType;
    SetEnd(m_archiveEnd);
    return kCarvedTar;
}
