#include "platform/AtomicFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

std::string Reason(const std::string& path) { return path + ": " + std::strerror(errno); }

bool WriteAll(int fd, std::span<const uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes = bytes.subspan(static_cast<size_t>(written));
    }
    return true;
}

}  // namespace

bool WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes, std::string& error) {
    std::string temporary = path + ".partial-XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        error = Reason(path);
        return false;
    }
    ::fchmod(fd, 0644);
    const bool written = WriteAll(fd, bytes) && ::fsync(fd) == 0;
    if (!written) error = Reason(path);
    if (::close(fd) != 0 && written) error = Reason(path);
    if (!error.empty() || ::rename(temporary.c_str(), path.c_str()) != 0) {
        if (error.empty()) error = Reason(path);
        ::unlink(temporary.c_str());
        return false;
    }
    // The rename itself reaches the disk with the folder.
    std::string folder = std::filesystem::path(path).parent_path().string();
    const int dir = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

bool ReadWholeFile(const std::string& path, uint64_t limit, std::vector<uint8_t>& bytes, std::string& error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = Reason(path);
        return false;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        error = path + ": not a file";
        ::close(fd);
        return false;
    }
    if (static_cast<uint64_t>(info.st_size) > limit) {
        error = path + ": larger than any saved scan";
        ::close(fd);
        return false;
    }
    bytes.resize(static_cast<size_t>(info.st_size));
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += static_cast<size_t>(got);
    }
    ::close(fd);
    if (done != bytes.size()) {
        error = path + ": it could not be read whole";
        return false;
    }
    return true;
}

}  // namespace platform
