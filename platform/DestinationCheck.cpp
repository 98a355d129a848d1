#include "platform/DestinationCheck.h"

#include <cerrno>
#include <filesystem>
#include <sys/statvfs.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace platform {
namespace {

namespace fs = std::filesystem;

// The nearest existing folder (or file) at or above `path`.
fs::path NearestExisting(fs::path path) {
    std::error_code error;
    path = fs::absolute(path, error);
    while (!path.empty() && !fs::exists(path, error)) {
        if (path == path.parent_path()) break;
        path = path.parent_path();
    }
    return path;
}

fs::path SysfsPathOf(dev_t device) {
    std::error_code error;
    fs::path link = "/sys/dev/block/" + std::to_string(major(device)) + ":" + std::to_string(minor(device));
    fs::path resolved = fs::canonical(link, error);
    return error ? fs::path() : resolved;
}

}  // namespace

bool DestinationIsOnSource(const std::string& destinationFolder, const std::string& sourcePath) {
    struct stat source {};
    if (::stat(sourcePath.c_str(), &source) != 0) return false;
    fs::path destination = NearestExisting(destinationFolder);
    std::error_code error;
    if (S_ISREG(source.st_mode)) {
        return fs::equivalent(destination, sourcePath, error) ||
               fs::equivalent(NearestExisting(fs::path(destinationFolder)), sourcePath, error);
    }
    if (!S_ISBLK(source.st_mode)) return false;
    struct stat target {};
    if (::stat(destination.c_str(), &target) != 0) return false;
    if (target.st_dev == source.st_rdev) return true;
    // A partition's sysfs folder sits inside its disk's folder.
    fs::path sourceSys = SysfsPathOf(source.st_rdev);
    fs::path targetSys = SysfsPathOf(target.st_dev);
    return !sourceSys.empty() && !targetSys.empty() && targetSys.parent_path() == sourceSys;
}

bool QueryFreeSpace(const std::string& destinationFolder, FreeSpace& space) {
    struct statvfs info {};
    if (::statvfs(NearestExisting(destinationFolder).c_str(), &info) != 0) return false;
    const uint64_t unit = info.f_frsize ? info.f_frsize : info.f_bsize;
    space.availableBytes = static_cast<uint64_t>(info.f_bavail) * unit;
    space.blockSize = unit;
    return true;
}

bool IsNoSpaceError(int error) { return error == ENOSPC || error == EDQUOT; }

}  // namespace platform
