#include "carving/FujiRawFile.h"

#include "carving/CarvedType.h"

#include <algorithm>

namespace {

constexpr uint64_t kSectionTable = 0x54;
constexpr uint64_t kSections = 3;  // JPEG preview, CFA header, CFA data
constexpr uint64_t kHeaderSize = kSectionTable + kSections * 8;

bool IsDigits(const platform::LeBytes& bytes, uint64_t offset, uint64_t count) {
    for (uint64_t i = 0; i < count; ++i) {
        const uint8_t c = bytes.U8(offset + i);
        if (c < '0' || c > '9') return false;
    }
    return true;
}

}  // namespace

std::unique_ptr<CBaseFile> RecogniseFujiRaw(const platform::LeBytes& sector, uint64_t sectorNumber,
                                            uint32_t sectorSize, const CVolumeAccess* device) {
    if (!BytesAre(sector, 0, "FUJIFILMCCD-RAW ") || !sector.Has(0, kHeaderSize)) return nullptr;
    // The format version ("0201") and the directory version ("0100") are digits.
    if (!IsDigits(sector, 0x10, 4) || !IsDigits(sector, 0x3C, 4)) return nullptr;
    uint64_t fileEnd = 0;
    for (uint64_t i = 0; i < kSections; ++i) {
        const uint64_t offset = sector.BigU32(kSectionTable + 8 * i);
        const uint64_t length = sector.BigU32(kSectionTable + 8 * i + 4);
        if (length == 0) continue;
        if (offset < kHeaderSize || offset + length > kMaxFujiRawBytes) return nullptr;
        fileEnd = std::max(fileEnd, offset + length);
    }
    if (fileEnd == 0) return nullptr;
    return std::make_unique<CSizedFile>(device, sectorSize, sectorNumber, fileEnd, kCarvedFujiRaw);
}
