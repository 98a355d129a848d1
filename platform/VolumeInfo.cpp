#include "platform/VolumeInfo.h"

#include "platform/DriveTable.h"
#include "platform/RawSource.h"
#include "platform/TextConvert.h"

#include <blkid/blkid.h>
#include <cctype>
#include <cstring>

namespace platform {

namespace {

// Names the file system the probe finds, as a Windows volume query would.
bool NameProbedFileSystem(blkid_probe probe, std::u16string& name) {
    blkid_probe_enable_superblocks(probe, 1);
    blkid_probe_set_superblocks_flags(probe, BLKID_SUBLKS_TYPE | BLKID_SUBLKS_VERSION);
    if (blkid_do_safeprobe(probe) != 0) return false;
    const char* type = nullptr;
    const char* version = nullptr;
    if (blkid_probe_lookup_value(probe, "TYPE", &type, nullptr) != 0 || !type) return false;
    blkid_probe_lookup_value(probe, "VERSION", &version, nullptr);
    std::string text;
    if (std::strcmp(type, "ntfs") == 0) {
        text = "NTFS";
    } else if (std::strcmp(type, "vfat") == 0) {
        text = (version && std::strcmp(version, "FAT32") == 0) ? "FAT32" : "FAT";
    } else if (std::strcmp(type, "exfat") == 0) {
        text = "exFAT";
    } else {
        for (const char* c = type; *c; ++c) text += static_cast<char>(std::toupper(*c));
    }
    name = FromUtf8(text);
    return true;
}

}  // namespace

bool ProbeFileSystemName(const std::string& path, std::u16string& name, const SourceWindow& window) {
    std::string reason;
    auto source = RawSource::Open(path, 0, window, reason);
    return source && ProbeFileSystemName(*source, name);
}

bool ProbeFileSystemName(const RawSource& source, std::u16string& name) {
    Geometry geometry;
    if (!source.QueryGeometry(geometry) || geometry.byteSize == 0) return false;
    blkid_probe probe = blkid_new_probe();
    if (!probe) return false;
    bool found = blkid_probe_set_device(probe, source.Descriptor(), static_cast<blkid_loff_t>(source.WindowStart()),
                                        static_cast<blkid_loff_t>(geometry.byteSize)) == 0 &&
                 NameProbedFileSystem(probe, name);
    blkid_free_probe(probe);
    return found;
}

bool GetFileSystemName(char16_t letter, std::u16string& name) {
    const DriveEntry* entry = Drives().Find(letter);
    return entry && ProbeFileSystemName(entry->path, name, {entry->start, entry->length});
}

bool GetDriveSize(char16_t letter, uint64_t& bytes) {
    std::string reason;
    auto source = RawSource::OpenDrive(letter, reason);
    Geometry geometry;
    if (!source || !source->QueryGeometry(geometry)) return false;
    bytes = geometry.byteSize;
    return true;
}

}  // namespace platform
