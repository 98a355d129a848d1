#include "cli/Commands.h"

#include "platform/DriveTable.h"
#include "platform/RawSource.h"
#include "platform/TextConvert.h"
#include "platform/VolumeInfo.h"

#include <cstdio>

namespace {

const char* KindText(platform::DriveKind kind) {
    switch (kind) {
    case platform::DriveKind::Fixed: return "device";
    case platform::DriveKind::Removable: return "removable";
    case platform::DriveKind::Image: return "image";
    }
    return "";
}

// A partition names its disk, its number, where it starts and its table type.
std::string SourceText(const platform::DriveEntry& drive) {
    std::string text = drive.path;
    if (!drive.kernelDisk.empty()) {
        text += ": partition " + std::to_string(drive.partitionNumber) + " of " + drive.kernelDisk +
                ", start sector " + std::to_string(drive.kernelStart / 512);
    } else if (drive.partitionNumber != 0) {
        const uint64_t sector = drive.sectorSize ? drive.sectorSize : 512;
        text += " partition " + std::to_string(drive.partitionNumber) + ", start sector " +
                std::to_string(drive.start / sector) + ", " + drive.partitionType;
    }
    return text;
}

}  // namespace

// Lists every drive of the table: letter, file system, size in GiB, source.
int RunDrivesCommand(const Arguments& arguments) {
    if (!arguments.empty()) {
        std::fprintf(stderr, "usage: ruvex-cli drives\n");
        return 2;
    }
    std::printf("%-4s %-8s %10s  %s\n", "盘符", "文件系统", "大小", "来源");
    for (const platform::DriveEntry& drive : platform::Drives().Entries()) {
        std::u16string fileSystem;
        platform::GetFileSystemName(drive.letter, fileSystem);
        uint64_t bytes = 0;
        std::string size;
        if (platform::GetDriveSize(drive.letter, bytes)) {
            char text[32];
            std::snprintf(text, sizeof text, "%.2fG", double(bytes) / 1073741824.0);
            size = text;
        }
        // A drive that cannot be read is still listed, with the reason.
        std::string reason;
        std::string note = platform::RawSource::OpenDrive(drive.letter, reason) ? "" : " - cannot read: " + reason;
        std::printf("%c:   %-8s %10s  %s (%s)%s\n", static_cast<char>(drive.letter),
                    platform::ToUtf8(fileSystem).c_str(), size.c_str(), SourceText(drive).c_str(),
                    KindText(drive.kind), note.c_str());
    }
    return 0;
}
