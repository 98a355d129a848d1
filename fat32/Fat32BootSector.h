#pragma once
// The FAT32 boot sector: its BIOS parameter block, read by one checked
// reader that the sector device and the lost-partition search share.
//
// A sector fails in one of two ways. It may lack what marks every FAT32
// boot sector (a sector size of 512 to 4096 bytes, a reserved area and an
// allocation table, FAT12/16's fields left zero, a media byte FAT knows):
// then it belongs to another file system or to none. Or it has those marks
// and a field a volume cannot have (a cluster that is not a power of two of
// sectors, tables that fill the whole volume): then it is a FAT32 boot
// sector that was damaged. The 55 AA at the sector's end is reported, not
// required: a volume whose fields all hold is read without it, and only the
// lost-partition search, which looks at every sector of a disk, asks for it.
#include <cstdint>
#include <optional>
#include <span>
#include <string>

struct Fat32BootSector {
    // The sector holds the parameter block in its first 512 bytes, whatever
    // the volume's sector size; the device keeps the block up to and
    // including the file-system type text.
    static constexpr size_t kSectorSize = 512;
    static constexpr size_t kParameterBlockSize = 90;
    // Where every formatter puts the copy of the boot sector.
    static constexpr uint16_t kUsualBackupSector = 6;

    uint16_t bytesPerSector = 0;
    uint8_t sectorsPerCluster = 0;
    uint16_t reservedSectors = 0;  // the allocation tables start after them
    uint8_t numberOfTables = 0;
    uint8_t media = 0;
    uint32_t totalSectors = 0;  // the 32-bit count, or the 16-bit one when the 32-bit one is 0
    uint32_t sectorsPerTable = 0;
    uint32_t rootCluster = 0;
    uint16_t backupBootSector = 0;  // 0 when the sector it names lies outside the reserved area
    bool hasBootSignature = false;  // 55 AA at bytes 510 and 511

    // Sector of the volume where cluster 2, the first data cluster, starts.
    uint64_t DataStartSector() const { return reservedSectors + uint64_t(numberOfTables) * sectorsPerTable; }
    // Byte offsets from the volume's start, in the boot sector's own sectors.
    uint64_t TableOffset() const { return uint64_t(reservedSectors) * bytesPerSector; }
    uint64_t BackupOffset() const { return uint64_t(backupBootSector) * bytesPerSector; }
    uint64_t VolumeBytes() const { return uint64_t(totalSectors) * bytesPerSector; }
};

// True when `sector` carries the marks of a FAT32 boot sector (see above);
// otherwise false, with the missing mark in `reason` when one is given.
bool IsFat32BootSector(std::span<const uint8_t> sector, std::string* reason = nullptr);

// The parameter block of a FAT32 boot sector whose marks and fields all
// check out; nothing otherwise, with the first failed check in `reason`.
std::optional<Fat32BootSector> ReadFat32BootSector(std::span<const uint8_t> sector, std::string* reason = nullptr);
