#pragma once
// The drive table names raw sources by letter, in place of the letters an
// operating system would hand out. Letters configured in the settings file
// ([Drives] LETTER=path or LETTER=path,sectorSize) win; the block devices the
// kernel lists take the free letters from C upward in device-name order, so a
// device keeps its letter from run to run.
#include "platform/RawSource.h"

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

enum class DriveKind { Fixed, Removable, Image };

struct DriveEntry {
    char16_t letter = 0;
    std::string path;        // block device or disk-image file
    uint32_t sectorSize = 0; // configured sector size of an image, 0 for the default
    DriveKind kind = DriveKind::Fixed;
    // Why the configured entry cannot be used (e.g. its sector size), empty
    // when it can; such a drive is listed with the reason but never opened.
    std::string problem{};
    // A partition of a whole disk: its bytes within `path`, its number as the
    // partition list numbers it, how it is known and what the table calls it.
    uint64_t start = 0;
    uint64_t length = kToSourceEnd;
    uint32_t partitionNumber = 0;  // 0: the whole source
    bool found = false;            // found by the lost-partition search, not in the table
    std::string partitionType{};   // "MBR 0x07", "GPT Microsoft basic data", ...
    // A partition the kernel lists as a device of its own (sda1): its disk
    // and where it starts there; `path` is then the partition's own device.
    std::string kernelDisk{};
    uint64_t kernelStart = 0;
};

struct BlockDeviceInfo {
    std::string name;  // kernel name, e.g. "sda1"
    bool removable = false;
    // A partition: its number, its disk's kernel name and its start in 512-byte sectors.
    uint32_t partitionNumber = 0;
    std::string disk{};
    uint64_t startSector = 0;
};

class DriveTable {
public:
    // Rebuilds the table from the settings file and the kernel's block devices.
    void Load(const std::string& settingsPath, const std::string& sysBlockFolder = "/sys/class/block");
    // Rebuilds from given configured entries and block devices (tests use this).
    void Build(const std::vector<DriveEntry>& configured, const std::vector<BlockDeviceInfo>& devices);
    // Registers or replaces one letter, as the command line does for --image.
    void Register(const DriveEntry& entry);

    const DriveEntry* Find(char16_t letter) const;
    const std::vector<DriveEntry>& Entries() const { return m_entries; }

private:
    std::vector<DriveEntry> m_entries;  // sorted by letter
};

// The process's drive table (the operating system's, in effect).
DriveTable& Drives();

// Parses a [Drives] value "path" or "path,sectorSize"; false when malformed.
// A sector size that no device has leaves the path set and says why in
// `problem`, when given.
bool ParseDriveValue(const std::string& value, std::string& path, uint32_t& sectorSize,
                     std::string* problem = nullptr);
// Block devices under a sysfs folder, loop, ram, optical and zram devices left out.
std::vector<BlockDeviceInfo> ListBlockDevices(const std::string& sysBlockFolder);

}  // namespace platform
