#include "cli/Commands.h"

#include "cli/TextColumns.h"
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
// A drive that cannot be read is still listed, with the reason.
int RunDrivesCommand(const Arguments& arguments) {
    if (!arguments.empty()) {
        std::fprintf(stderr, "ruvex-cli: unexpected argument '%s'\n%s", arguments.front().c_str(), kDrivesUsage);
        return kExitUsage;
    }
    std::string out;
    AppendPadded(out, u"盘符", 5);
    AppendPadded(out, u"文件系统", 9);
    AppendRightAligned(out, u"大小", 10);
    out += "  来源\n";
    for (const platform::DriveEntry& drive : platform::Drives().Entries()) {
        std::string reason;
        bool readable = static_cast<bool>(platform::RawSource::OpenDrive(drive.letter, reason));
        std::u16string fileSystem;
        uint64_t bytes = 0;
        std::string size;
        if (readable) {
            platform::GetFileSystemName(drive.letter, fileSystem);
            if (platform::GetDriveSize(drive.letter, bytes)) {
                char text[32];
                std::snprintf(text, sizeof text, "%.2fG", double(bytes) / 1073741824.0);
                size = text;
            }
        }
        char letter[8];
        std::snprintf(letter, sizeof letter, "%c:", static_cast<char>(drive.letter));
        AppendPadded(out, platform::FromUtf8(letter), 5);
        AppendPadded(out, fileSystem, 9);
        AppendRightAligned(out, platform::FromUtf8(size), 10);
        out += "  " + SourceText(drive) + " (" + KindText(drive.kind) + ")";
        // The reason starts with the path, already shown.
        if (reason.rfind(drive.path + ": ", 0) == 0) reason = reason.substr(drive.path.size() + 2);
        if (!readable) out += " - cannot read: " + reason;
        out += '\n';
    }
    std::fputs(out.c_str(), stdout);
    return kExitSuccess;
}
