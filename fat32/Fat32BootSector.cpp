#include "fat32/Fat32BootSector.h"

#include "platform/LittleEndian.h"
#include "platform/Refusal.h"

#include <bit>

namespace {

using platform::Refuse;

// Parameter block fields, offsets from the start of the sector.
constexpr size_t kBytesPerSectorOffset = 0x0B;
constexpr size_t kSectorsPerClusterOffset = 0x0D;
constexpr size_t kReservedSectorsOffset = 0x0E;
constexpr size_t kNumberOfTablesOffset = 0x10;
constexpr size_t kRootEntryCountOffset = 0x11;     // FAT12/16's fixed root folder
constexpr size_t kTotalSectors16Offset = 0x13;     // the sector count of volumes under 65,536 sectors
constexpr size_t kMediaOffset = 0x15;
constexpr size_t kSectorsPerTable16Offset = 0x16;  // FAT12/16's table size
constexpr size_t kTotalSectors32Offset = 0x20;
constexpr size_t kSectorsPerTableOffset = 0x24;
constexpr size_t kRootClusterOffset = 0x2C;
constexpr size_t kBackupBootSectorOffset = 0x32;
constexpr size_t kSignatureOffset = 510;
constexpr uint16_t kSignature = 0xAA55;

constexpr uint32_t kSmallestSector = 512;
constexpr uint32_t kLargestSector = 4096;
// More copies of the table than any formatter writes come from damage.
constexpr uint8_t kMostTables = 4;

// Fixed-disk and removable media bytes; entry 0 of the table repeats it.
bool IsMediaByte(uint8_t media) { return media == 0xF0 || media >= 0xF8; }

}  // namespace

bool IsFat32BootSector(std::span<const uint8_t> sector, std::string* reason) {
    const platform::LeBytes boot(sector);
    if (!boot.Has(0, Fat32BootSector::kSectorSize)) return Refuse(reason, "the boot sector is shorter than 512 bytes");
    const uint16_t bytesPerSector = boot.U16(kBytesPerSectorOffset);
    if (bytesPerSector < kSmallestSector || bytesPerSector > kLargestSector || !std::has_single_bit(bytesPerSector))
        return Refuse(reason, "the boot sector's sector size is not 512, 1024, 2048 or 4096 bytes");
    if (boot.U16(kReservedSectorsOffset) == 0) return Refuse(reason, "the boot sector has no reserved sectors");
    if (boot.U8(kNumberOfTablesOffset) == 0) return Refuse(reason, "the boot sector has no allocation table");
    // FAT32 keeps its root folder in clusters and its table size in 32 bits.
    if (boot.U16(kRootEntryCountOffset) != 0 || boot.U16(kSectorsPerTable16Offset) != 0)
        return Refuse(reason, "the boot sector is a FAT12 or FAT16 one");
    if (!IsMediaByte(boot.U8(kMediaOffset))) return Refuse(reason, "the boot sector's media byte is none of FAT's");
    return true;
}

std::optional<Fat32BootSector> ReadFat32BootSector(std::span<const uint8_t> sector, std::string* reason) {
    if (!IsFat32BootSector(sector, reason)) return std::nullopt;
    const auto refuse = [reason](const char* why) {
        Refuse(reason, why);
        return std::optional<Fat32BootSector>();
    };
    const platform::LeBytes boot(sector);
    Fat32BootSector fields;
    fields.bytesPerSector = boot.U16(kBytesPerSectorOffset);
    fields.sectorsPerCluster = boot.U8(kSectorsPerClusterOffset);
    fields.reservedSectors = boot.U16(kReservedSectorsOffset);
    fields.numberOfTables = boot.U8(kNumberOfTablesOffset);
    fields.media = boot.U8(kMediaOffset);
    // mkfs.fat keeps a count under 65,536 in the 16-bit field, FAT32 or not,
    // and leaves the 32-bit one 0.
    fields.totalSectors = boot.U32(kTotalSectors32Offset);
    if (fields.totalSectors == 0) fields.totalSectors = boot.U16(kTotalSectors16Offset);
    fields.sectorsPerTable = boot.U32(kSectorsPerTableOffset);
    fields.rootCluster = boot.U32(kRootClusterOffset);
    fields.backupBootSector = boot.U16(kBackupBootSectorOffset);
    fields.hasBootSignature = boot.U16(kSignatureOffset) == kSignature;

    if (fields.sectorsPerCluster == 0) return refuse("the boot sector's sectors per cluster is 0");
    if (!std::has_single_bit(fields.sectorsPerCluster))
        return refuse("the boot sector's cluster size is not a power of two");
    if (fields.numberOfTables > kMostTables) return refuse("the boot sector counts more than 4 allocation tables");
    if (fields.sectorsPerTable == 0) return refuse("the boot sector's allocation table size is 0");
    // The reserved area and the tables come first; data clusters must follow.
    if (fields.DataStartSector() >= fields.totalSectors)
        return refuse("the boot sector's allocation tables leave no room for data clusters");
    if (fields.backupBootSector >= fields.reservedSectors) fields.backupBootSector = 0;
    return fields;
}
