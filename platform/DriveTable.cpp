#include "platform/DriveTable.h"

#include "platform/ProfileFile.h"
#include "platform/TextConvert.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>

namespace platform {
namespace {

bool IsExcludedDevice(const std::string& name) {
    static const char* const kPrefixes[] = {"loop", "ram", "sr", "zram", "fd", "nbd", "dm-"};
    for (const char* prefix : kPrefixes)
        if (name.rfind(prefix, 0) == 0) return true;
    return false;
}

uint64_t ReadNumber(const std::filesystem::path& file) {
    std::ifstream in(file);
    uint64_t value = 0;
    return (in >> value) ? value : 0;
}

bool ReadFlag(const std::filesystem::path& file) { return ReadNumber(file) != 0; }

}  // namespace

DriveTable& Drives() {
    static DriveTable table;
    return table;
}

bool ParseDriveValue(const std::string& value, std::string& path, uint32_t& sectorSize, std::string* problem) {
    path = value;
    sectorSize = 0;
    size_t comma = value.rfind(',');
    if (comma != std::string::npos) {
        const char* begin = value.data() + comma + 1;
        const char* end = value.data() + value.size();
        uint32_t size = 0;
        auto result = std::from_chars(begin, end, size);
        if (result.ec == std::errc() && result.ptr == end) {
            path = value.substr(0, comma);
            if (size < 512 || size > 65536 || (size & (size - 1)) != 0) {
                if (problem)
                    *problem = "sector size " + std::to_string(size) +
                               " is unusable (a power of two from 512 to 65536 is needed)";
                return false;
            }
            sectorSize = size;
        }
    }
    return !path.empty();
}

std::vector<BlockDeviceInfo> ListBlockDevices(const std::string& sysBlockFolder) {
    std::vector<BlockDeviceInfo> devices;
    std::error_code error;
    for (const auto& item : std::filesystem::directory_iterator(sysBlockFolder, error)) {
        std::string name = item.path().filename().string();
        if (IsExcludedDevice(name)) continue;
        BlockDeviceInfo device{name, false};
        // A partition's removable flag lives on its parent disk.
        std::filesystem::path resolved = std::filesystem::canonical(item.path(), error);
        if (!error && std::filesystem::exists(resolved / "partition")) {
            device.removable = ReadFlag(resolved.parent_path() / "removable");
            device.partitionNumber = static_cast<uint32_t>(ReadNumber(resolved / "partition"));
            device.disk = resolved.parent_path().filename().string();
            device.startSector = ReadNumber(resolved / "start");
        } else {
            device.removable = ReadFlag(item.path() / "removable");
        }
        devices.push_back(std::move(device));
    }
    std::sort(devices.begin(), devices.end(),
              [](const BlockDeviceInfo& a, const BlockDeviceInfo& b) { return a.name < b.name; });
    return devices;
}

void DriveTable::Load(const std::string& settingsPath, const std::string& sysBlockFolder) {
    std::vector<DriveEntry> configured;
    for (const auto& [key, value] : ReadProfileSection(settingsPath, u"Drives")) {
        if (key.size() != 1) continue;
        char16_t letter = AsciiUpper(key[0]);
        if (letter < u'A' || letter > u'Z') continue;
        DriveEntry entry;
        entry.letter = letter;
        entry.kind = DriveKind::Image;
        // An unusable sector size keeps the drive in the table with its
        // reason, so that the user sees why it cannot be scanned.
        if (!ParseDriveValue(ToUtf8(value), entry.path, entry.sectorSize, &entry.problem) &&
            (entry.problem.empty() || entry.path.empty()))
            continue;
        if (entry.path.rfind("/dev/", 0) == 0) entry.kind = DriveKind::Fixed;
        configured.push_back(std::move(entry));
    }
    Build(configured, ListBlockDevices(sysBlockFolder));
}

void DriveTable::Build(const std::vector<DriveEntry>& configured,
                       const std::vector<BlockDeviceInfo>& devices) {
    m_entries.clear();
    for (const DriveEntry& entry : configured) Register(entry);
    char16_t next = u'C';
    for (const BlockDeviceInfo& device : devices) {
        std::string path = "/dev/" + device.name;
        bool listed = std::any_of(m_entries.begin(), m_entries.end(),
                                  [&](const DriveEntry& e) { return e.path == path; });
        if (listed) continue;
        while (next <= u'Z' && Find(next)) ++next;
        if (next > u'Z') break;
        DriveEntry entry{next, path, 0, device.removable ? DriveKind::Removable : DriveKind::Fixed};
        if (device.partitionNumber != 0) {
            entry.partitionNumber = device.partitionNumber;
            entry.kernelDisk = "/dev/" + device.disk;
            entry.kernelStart = device.startSector * 512;  // sysfs counts 512-byte sectors
        }
        Register(entry);
    }
}

void DriveTable::Register(const DriveEntry& entry) {
    auto it = std::find_if(m_entries.begin(), m_entries.end(),
                           [&](const DriveEntry& e) { return e.letter == entry.letter; });
    if (it != m_entries.end()) {
        *it = entry;
        return;
    }
    m_entries.push_back(entry);
    std::sort(m_entries.begin(), m_entries.end(),
              [](const DriveEntry& a, const DriveEntry& b) { return a.letter < b.letter; });
}

const DriveEntry* DriveTable::Find(char16_t letter) const {
    letter = AsciiUpper(letter);
    for (const DriveEntry& entry : m_entries)
        if (entry.letter == letter) return &entry;
    return nullptr;
}

}  // namespace platform
