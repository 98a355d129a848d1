// FAT32: the boot sector at the volume's first sector and its copy in the
// reserved area (sector 6 as every formatter writes it).
#include "partitions/BootSectorFacts.h"
#include "platform/LittleEndian.h"

#include <array>
#include <bit>

namespace partitions {
namespace {

struct Fat32Layout {
    uint32_t bytesPerSector = 0;
    uint32_t reservedSectors = 0;
    uint32_t backupSector = 0;
    uint8_t media = 0;
    uint64_t totalSectors = 0;
};

std::optional<Fat32Layout> ReadLayout(std::span<const uint8_t> sector) {
    if (!HasBootSignature(sector)) return std::nullopt;
    const platform::LeBytes boot(sector);
    Fat32Layout layout;
    layout.bytesPerSector = boot.U16(0x0B);
    const uint8_t sectorsPerCluster = boot.U8(0x0D);
    layout.reservedSectors = boot.U16(0x0E);
    const uint8_t tables = boot.U8(0x10);
    layout.media = boot.U8(0x15);
    const uint32_t sectorsPerTable = boot.U32(0x24);
    layout.totalSectors = boot.U32(0x20);
    layout.backupSector = boot.U16(0x32);
    // FAT32 has no fixed root folder and no 16-bit sizes; FAT12 and FAT16
    // boot sectors fail here.
    if (layout.bytesPerSector < 512 || layout.bytesPerSector > 4096 ||
        !std::has_single_bit(layout.bytesPerSector) || sectorsPerCluster == 0 ||
        !std::has_single_bit(sectorsPerCluster) || layout.reservedSectors == 0 || tables == 0 || tables > 4 ||
        boot.U16(0x11) != 0 || boot.U16(0x13) != 0 || boot.U16(0x16) != 0 || sectorsPerTable == 0 ||
        (layout.media != 0xF0 && layout.media < 0xF8))
        return std::nullopt;
    if (uint64_t(layout.reservedSectors) + uint64_t(tables) * sectorsPerTable >= layout.totalSectors)
        return std::nullopt;
    if (layout.backupSector >= layout.reservedSectors) layout.backupSector = 0;
    return layout;
}

}  // namespace

std::optional<BootSectorFacts> ParseFat32BootSector(std::span<const uint8_t> sector) {
    const auto layout = ReadLayout(sector);
    if (!layout) return std::nullopt;
    return BootSectorFacts{"FAT32", layout->totalSectors * layout->bytesPerSector,
                           uint64_t(layout->backupSector) * layout->bytesPerSector};
}

bool ConfirmFat32Volume(std::span<const uint8_t> sector, uint64_t start, uint64_t, const DiskReader& read) {
    // The first allocation table starts with the media byte and the
    // end-of-chain mark of entry 0; the copy of the boot sector at sector 6,
    // taken for a volume starting there, points into the table's middle.
    const auto layout = ReadLayout(sector);
    if (!layout) return false;
    const uint64_t tableOffset = uint64_t(layout->reservedSectors) * layout->bytesPerSector;
    if (tableOffset > UINT64_MAX - start) return false;
    std::array<uint8_t, 4> entry{};
    if (!read(start + tableOffset, entry)) return false;
    const uint32_t first = platform::LeBytes(entry.data(), entry.size()).U32(0) & 0x0FFFFFFF;
    return first == (0x0FFFFF00U | layout->media);
}

}  // namespace partitions
