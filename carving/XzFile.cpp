#include "carving/XzFile.h"

#include "carving/CarvedType.h"
#include "carving/Crc32.h"

#include <string_view>

namespace {

constexpr std::string_view kMagic("\xFD" "7zXZ\0", 6);
constexpr uint64_t kHeaderSize = 12;
constexpr uint64_t kFooterSize = 12;
// The check types xz defines: none, CRC-32, CRC-64, SHA-256.
constexpr uint8_t kCheckTypes[] = {0x00, 0x01, 0x04, 0x0A};
// Index records read at most; each is two variable-length integers.
constexpr uint64_t kMaxIndexRecords = 1u << 16;

// An xz variable-length integer at `at` (at most 9 bytes); false when it is malformed or not in view.
bool ReadVarint(const CSectorWindow& data, uint64_t& at, uint64_t end, uint64_t& value) {
    value = 0;
    for (unsigned i = 0; i < 9 && at < end; ++i) {
        const uint8_t byte = data.U8(at++);
        value |= uint64_t(byte & 0x7F) << (7 * i);
        if ((byte & 0x80) == 0) return byte != 0 || i == 0;
    }
    return false;
}

// The index from its indicator byte up to its CRC-32: the bytes of the
// blocks it lists, rounded to 4 each, or nothing when it is no valid index.
bool IndexAccounts(const CSectorWindow& data, uint64_t index, uint64_t crcAt, uint64_t& blockBytes) {
    uint64_t at = index + 1;
    uint64_t records = 0;
    if (!ReadVarint(data, at, crcAt, records) || records > kMaxIndexRecords) return false;
    blockBytes = 0;
    for (uint64_t r = 0; r < records; ++r) {
        uint64_t unpadded = 0, uncompressed = 0;
        if (!ReadVarint(data, at, crcAt, unpadded) || !ReadVarint(data, at, crcAt, uncompressed)) return false;
        if (unpadded == 0 || unpadded > (uint64_t(1) << 62)) return false;
        blockBytes += (unpadded + 3) / 4 * 4;
    }
    while (at < crcAt) {
        if (data.U8(at++) != 0) return false;  // index padding
    }
    return at == crcAt && (at - index) % 4 == 0 && Crc32Of(data, index, crcAt - index) == data.U32(crcAt);
}

}  // namespace

std::unique_ptr<CBaseFile> CXzFile::Recognise(const platform::LeBytes& sector, uint64_t sectorNumber,
                                              uint32_t sectorSize, const CVolumeAccess* device) {
    if (!BytesAre(sector, 0, kMagic) || !sector.Has(0, kHeaderSize) || sector.U8(6) != 0) return nullptr;
    bool knownCheck = false;
    for (uint8_t check : kCheckTypes) knownCheck = knownCheck || sector.U8(7) == check;
    CCrc32 crc;
    crc.Add(sector.Sub(6, 2).Span());
    if (!knownCheck || crc.Value() != sector.U32(8)) return nullptr;
    return std::make_unique<CXzFile>(device, sectorSize, sectorNumber, sector.U16(6));
}

bool CXzFile::IsFooter(const CSectorWindow& data, uint64_t magic) const {
    if ((magic + 2) % 4 != 0 || magic < kHeaderSize + kFooterSize - 2) return false;
    const uint64_t footer = magic + 2 - kFooterSize;
    if (!data.Has(footer, kFooterSize)) return false;
    if (data.U16(footer + 8) != m_flags || Crc32Of(data, footer + 4, 6) != data.U32(footer)) return false;
    const uint64_t indexSize = (uint64_t(data.U32(footer + 4)) + 1) * 4;
    if (indexSize > footer - kHeaderSize) return false;
    const uint64_t index = footer - indexSize;
    // An index too far back to be in view is taken on the footer's word.
    if (!data.Has(index, indexSize)) return true;
    uint64_t blockBytes = 0;
    if (data.U8(index) != 0 || !IndexAccounts(data, index, footer - 4, blockBytes)) return false;
    return kHeaderSize + blockBytes == index;
}

int CXzFile::ProcessSector(uint64_t sector, const CSectorWindow& data) {
    const uint64_t sectorEnd = SectorOffset(sector) + m_sectorSize;
    while (m_scanned < sectorEnd) {
        const uint64_t magic = data.Find(m_scanned, sectorEnd, "YZ");
        if (magic >= sectorEnd) {
            m_scanned = sectorEnd;
            break;
        }
        if (!data.Has(magic, 2)) {
            m_scanned = magic;  // the "Z" lies in the next read
            return kNotFinished;
        }
        if (IsFooter(data, magic)) {
            SetEnd(magic + 2);
            return kCarvedXz;
        }
        m_scanned = magic + 1;
    }
    return kNotFinished;
}
