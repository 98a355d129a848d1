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
                    platform::ToUtf8(fileSystem).c_str(), size.c_str(), drive.path.c_str(),
                    KindText(drive.kind), note.c_str());
    }
    return 0;
}
