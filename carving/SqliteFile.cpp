#include "carving/SqliteFile.h"

#include "carving/CarvedType.h"

#include <string_view>

namespace {

constexpr std::string_view kMagic("SQLite format 3\0", 16);
constexpr uint64_t kHeaderSize = 100;

}  // namespace

std::unique_ptr<CBaseFile> RecogniseSqlite(const platform::LeBytes& sector, uint64_t sectorNumber,
                                           uint32_t sectorSize, const CVolumeAccess* device) {
    if (!BytesAre(sector, 0, kMagic) || !sector.Has(0, kHeaderSize)) return nullptr;
    // 1 stands for 65536; otherwise a power of two from 512 to 32768.
    const uint32_t field = sector.BigU16(16);
    const uint64_t pageSize = field == 1 ? 65536 : field;
    if (pageSize < 512 || (pageSize & (pageSize - 1)) != 0) return nullptr;
    const uint8_t writeVersion = sector.U8(18), readVersion = sector.U8(19);
    if (writeVersion < 1 || writeVersion > 2 || readVersion < 1 || readVersion > 2) return nullptr;
    // The payload fractions are fixed at 64, 32 and 32.
    if (sector.U8(21) != 64 || sector.U8(22) != 32 || sector.U8(23) != 32) return nullptr;
    const uint64_t pages = sector.BigU32(28);
    if (pages == 0 || sector.BigU32(24) != sector.BigU32(92) || pages > kMaxSqliteBytes / pageSize) return nullptr;
    return std::make_unique<CSizedFile>(device, sectorSize, sectorNumber, pages * pageSize, kCarvedSqlite);
}
