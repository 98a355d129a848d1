#include "cli/Destination.h"

#include "platform/TextConvert.h"
#include "results/RecoveryWriter.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

// Kernel file systems that show state rather than hold files.
const char* SpecialFileSystem(const std::string& folder) {
    struct statfs info {};
    if (::statfs(folder.c_str(), &info) != 0) return nullptr;
    switch (static_cast<unsigned long>(info.f_type)) {
    case 0x9fa0: return "proc";
    case 0x62656572: return "sysfs";
    case 0x1cd1: return "devpts";
    case 0x27e0eb: return "cgroup";
    case 0x63677270: return "cgroup2";
    case 0x64626720: return "debugfs";
    case 0x74726163: return "tracefs";
    case 0x73636673: return "securityfs";
    case 0x62656570: return "configfs";
    case 0xcafe4a11: return "bpf";
    case 0x6165676c: return "pstore";
    case 0xde5e81e4: return "efivarfs";
    default: break;
    }
    std::error_code error;
    fs::path resolved = fs::weakly_canonical(folder, error);
    if (!error && (resolved == "/dev" || resolved.string().rfind("/dev/", 0) == 0)) return "devtmpfs";
    return nullptr;
}

std::string PermissionHint() {
    return ::geteuid() == 0 ? "" : " (choose a folder you own, or run as root)";
}

// The folder that will hold the files: writable, an ordinary file system.
std::string CheckWritableFolder(const std::string& folder, const std::string& named) {
    if (const char* special = SpecialFileSystem(folder))
        return Quoted(named) + " is on " + special + ", a kernel file system that cannot hold files";
    if (::access(folder.c_str(), W_OK | X_OK) != 0) {
        if (errno == EROFS) return Quoted(named) + " is on a read-only file system";
        return Quoted(named) + ": permission denied" + PermissionHint();
    }
    return {};
}

}  // namespace

std::string CheckRecoveryFolder(const std::string& folder, char16_t letter) {
    std::error_code error;
    fs::path absolute = fs::absolute(folder, error);
    fs::file_status status = fs::status(absolute, error);
    std::string holder;
    if (fs::exists(status)) {
        if (!fs::is_directory(status)) return Quoted(folder) + " is not a folder";
        holder = absolute.string();
    } else {
        // Only the last folder is made: a mistyped deeper path is refused.
        fs::path parent = absolute.lexically_normal().parent_path();
        if (!fs::is_directory(parent, error))
            return "no folder " + Quoted(folder) + ", and the folder that would hold it does not exist";
        holder = parent.string();
    }
    std::string problem = CheckWritableFolder(holder, folder);
    if (!problem.empty()) return problem;
    if (!IsDestinationAllowed(letter, absolute.string())) return platform::ToUtf8(kSameDriveRefusal);
    return {};
}

std::string CheckOutputFile(const std::string& path, bool force, char16_t letter) {
    std::error_code error;
    fs::path absolute = fs::absolute(path, error);
    fs::file_status status = fs::status(absolute, error);
    fs::path parent = absolute.lexically_normal().parent_path();
    if (!IsDestinationAllowed(letter, parent.string()) || !IsDestinationAllowed(letter, absolute.string()))
        return platform::ToUtf8(kSameDriveRefusal);
    if (fs::is_directory(status)) return Quoted(path) + " is a folder; --out needs a file name";
    if (fs::exists(status)) {
        if (!fs::is_regular_file(status)) return Quoted(path) + " is not a regular file";
        if (!force) return Quoted(path) + " already exists; add --force to replace it";
    }
    if (!fs::is_directory(parent, error)) return "the folder that would hold " + Quoted(path) + " does not exist";
    return CheckWritableFolder(parent.string(), path);
}
