#include "platform/RawSource.h"

#include "platform/DriveTable.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

std::string OpenFailureReason(int error, const std::string& path) {
    switch (error) {
    case ENOENT: return path + ": no such file or device";
    case EACCES:
    case EPERM:
        // Root is refused only by the file's own lock-down: running as root would not help.
        return ::geteuid() == 0 ? path + ": permission denied" : "permission denied: run as root to read " + path;
    case EISDIR: return path + ": is a folder, not a volume or image";
    case EINVAL: return path + ": not a block device or image file";
    default: return path + ": " + std::strerror(error);
    }
}

std::unique_ptr<RawSource> RawSource::Open(const std::string& path, uint32_t configuredSectorSize,
                                           std::string& reason) {
    // O_RDONLY is the whole of the read-only guarantee: no write path exists.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        reason = OpenFailureReason(errno, path);
        return nullptr;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !(S_ISREG(info.st_mode) || S_ISBLK(info.st_mode))) {
        int error = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        ::close(fd);
        reason = OpenFailureReason(error, path);
        return nullptr;
    }
    return std::unique_ptr<RawSource>(
        new RawSource(fd, path, configuredSectorSize, S_ISBLK(info.st_mode)));
}

std::unique_ptr<RawSource> RawSource::OpenDrive(char16_t letter, std::string& reason) {
    const DriveEntry* entry = Drives().Find(letter);
    if (!entry) {
        reason = "no such drive: " + std::string(1, static_cast<char>(letter)) + ":";
        return nullptr;
    }
    if (!entry->problem.empty()) {
        reason = entry->path + ": " + entry->problem;
        return nullptr;
    }
    return Open(entry->path, entry->sectorSize, reason);
}

RawSource::RawSource(int fd, std::string path, uint32_t sectorSize, bool isBlockDevice)
    : m_fd(fd), m_path(std::move(path)), m_configuredSectorSize(sectorSize),
      m_isBlockDevice(isBlockDevice) {}

RawSource::~RawSource() { ::close(m_fd); }

bool RawSource::ReadAt(uint64_t offset, void* buffer, size_t length) const {
    auto* out = static_cast<uint8_t*>(buffer);
    size_t done = 0;
    while (done < length) {
        if (offset + done > static_cast<uint64_t>(INT64_MAX)) {
            m_lastError = EINVAL;
            return false;
        }
        ssize_t got = ::pread(m_fd, out + done, length - done, static_cast<off_t>(offset + done));
        if (got < 0) {
            if (errno == EINTR) continue;
            m_lastError = errno;
            return false;
        }
        if (got == 0) {  // end of the source
            m_lastError = EIO;
            return false;
        }
        done += static_cast<size_t>(got);
    }
    return true;
}

bool RawSource::QueryGeometry(Geometry& geometry) const {
    if (m_isBlockDevice) {
        int sectorSize = 0;
        uint64_t bytes = 0;
        if (::ioctl(m_fd, BLKSSZGET, &sectorSize) != 0 || ::ioctl(m_fd, BLKGETSIZE64, &bytes) != 0 ||
            sectorSize <= 0) {
            m_lastError = errno;
            return false;
        }
        geometry.sectorSize = static_cast<uint32_t>(sectorSize);
        geometry.byteSize = bytes;
        return true;
    }
    struct stat info {};
    if (::fstat(m_fd, &info) != 0) {
        m_lastError = errno;
        return false;
    }
    geometry.sectorSize = m_configuredSectorSize ? m_configuredSectorSize : 512;
    geometry.byteSize = static_cast<uint64_t>(info.st_size);
    return true;
}

}  // namespace platform
