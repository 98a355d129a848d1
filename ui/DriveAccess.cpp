#include "ui/DriveAccess.h"

#include "platform/DriveTable.h"
#include "platform/GrantedSources.h"
#include "platform/RawSource.h"
#include "ui/DiskService.h"

#include <QStandardPaths>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

#ifndef RUVEX_POLKIT_ACTION_FILE
#define RUVEX_POLKIT_ACTION_FILE "/usr/share/polkit-1/actions/org.ruvex.pkexec.ruvex.policy"
#endif

namespace {

bool IsBlockDevice(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISBLK(info.st_mode);
}

// Asked once: the drive list asks for every row.
bool DiskServiceHere() {
    static const bool present = DiskServicePresent();
    return present;
}

}  // namespace

DriveAccess AccessOfDrive(char16_t letter, std::string& reason) {
    if (platform::RawSource::OpenDrive(letter, reason)) return DriveAccess::Readable;
    const platform::DriveEntry* drive = platform::Drives().Find(letter);
    const bool denied = reason.starts_with("permission denied");
    if (drive && denied && ::geteuid() != 0 && IsBlockDevice(drive->path) && DiskServiceHere())
        return DriveAccess::AfterAuthorisation;
    return DriveAccess::Unreadable;
}

bool KernelDiskSize(char16_t letter, uint64_t& bytes) {
    const platform::DriveEntry* drive = platform::Drives().Find(letter);
    if (!drive || !drive->path.starts_with("/dev/")) return false;
    // The kernel counts every block device in 512-byte units, whatever its sector size.
    std::ifstream size("/sys/class/block/" + std::filesystem::path(drive->path).filename().string() + "/size");
    uint64_t units = 0;
    if (!(size >> units)) return false;
    bytes = units * 512;
    return true;
}

bool AuthoriseDrive(char16_t letter, std::string& reason) {
    const platform::DriveEntry* drive = platform::Drives().Find(letter);
    if (!drive) {
        reason = "no such drive";
        return false;
    }
    const int fd = OpenDiskForReading(drive->path, true, reason);
    if (fd < 0) return false;
    platform::GrantSource(drive->path, fd);
    return true;
}

AdminRoute AdminRouteHere() {
    if (DiskServiceHere()) return AdminRoute::DiskService;
    const bool actionInstalled = ::access(RUVEX_POLKIT_ACTION_FILE, R_OK) == 0;
    if (actionInstalled && !QStandardPaths::findExecutable(QStringLiteral("pkexec")).isEmpty()) return AdminRoute::Pkexec;
    return AdminRoute::Sudo;
}
