#include "platform/RawSource.h"

#include "platform/DriveTable.h"
#include "platform/GrantedSources.h"

#include <algorithm>
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
    return Open(path, configuredSectorSize, SourceWindow{}, reason);
}

std::unique_ptr<RawSource> RawSource::Open(const std::string& path, uint32_t configuredSectorSize,
                                           const SourceWindow& window, std::string& reason) {
    // A device handed over by the disk service is read through a copy of
    // its descriptor; anything else is opened here. O_RDONLY is the whole of
    // the read-only guarantee: no write path exists.
    const std::optional<int> granted = CopyGrantedDescriptor(path);
    const int fd = granted ? *granted : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        reason = OpenFailureReason(errno, path);
        return nullptr;
    }
    return OpenDescriptor(fd, path, configuredSectorSize, window, reason);
}

std::unique_ptr<RawSource> RawSource::OpenDescriptor(int fd, const std::string& path, uint32_t configuredSectorSize,
                                                     const SourceWindow& window, std::string& reason) {
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || (flags & O_ACCMODE) != O_RDONLY) {
        if (flags >= 0) ::close(fd);
        reason = flags < 0 ? OpenFailureReason(errno, path) : path + ": open for writing; sources are only read";
        return nullptr;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !(S_ISREG(info.st_mode) || S_ISBLK(info.st_mode))) {
        int error = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        ::close(fd);
        reason = OpenFailureReason(error, path);
        return nullptr;
    }
    std::unique_ptr<RawSource> source(new RawSource(fd, path, configuredSectorSize, S_ISBLK(info.st_mode)));
    if (window.start == 0 && window.length == kToSourceEnd) return source;
    uint64_t sourceBytes = 0;
    if (!source->QuerySourceSize(sourceBytes)) {
        reason = path + ": the size of the source cannot be read";
        return nullptr;
    }
    if (window.start >= sourceBytes) {
        reason = path + ": the partition starts at byte " + std::to_string(window.start) +
                 ", beyond the end of the source (" + std::to_string(sourceBytes) + " bytes)";
        return nullptr;
    }
    source->m_window = {window.start, std::min(window.length, sourceBytes - window.start)};
    return source;
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
    return Open(entry->path, entry->sectorSize, {entry->start, entry->length}, reason);
}

RawSource::RawSource(int fd, std::string path, uint32_t sectorSize, bool isBlockDevice)
    : m_fd(fd), m_path(std::move(path)), m_configuredSectorSize(sectorSize),
      m_isBlockDevice(isBlockDevice), m_retryPasses(RetryBadPasses()) {
    // Reads past the end must fail as such, never be taken for bad sectors.
    if (uint64_t bytes = 0; m_fd >= 0 && QuerySourceSize(bytes)) m_window.length = bytes;
    if (Geometry geometry; m_fd >= 0 && QueryGeometry(geometry) && geometry.sectorSize != 0)
        m_sectorSize = geometry.sectorSize;
}

RawSource::~RawSource() { ::close(m_fd); }

bool RawSource::ReadAt(uint64_t offset, void* buffer, size_t length) const {
    if (offset > m_window.length || length > m_window.length - offset) {
        SetLastError(EIO);  // as a short read at the end of the source
        return false;
    }
    if (ReadAround(offset, std::span(static_cast<uint8_t*>(buffer), length)) == 0) return true;
    // A range known bad fails without a read, so without an error of its own.
    if (LastError() == 0) SetLastError(EIO);
    return false;
}

uint64_t RawSource::ReadAround(uint64_t offset, std::span<uint8_t> buffer) const {
    return Rescuer().ReadAround(offset, buffer, m_retryPasses);
}

RescueRead RawSource::Rescuer() const {
    return RescueRead(
        [this](uint64_t offset, std::span<uint8_t> buffer) { return ReadDevice(offset, buffer.data(), buffer.size()); },
        *m_badRanges, m_sectorSize, m_window.length);
}

size_t RawSource::ReadDevice(uint64_t offset, void* buffer, size_t length) const {
    offset += m_window.start;
    auto* out = static_cast<uint8_t*>(buffer);
    size_t done = 0;
    while (done < length) {
        if (offset + done > static_cast<uint64_t>(INT64_MAX)) {
            SetLastError(EINVAL);
            return done;
        }
        ssize_t got = ::pread(m_fd, out + done, length - done, static_cast<off_t>(offset + done));
        if (got < 0) {
            if (errno == EINTR) continue;
            SetLastError(errno);
            return done;
        }
        if (got == 0) {  // end of the source
            SetLastError(EIO);
            return done;
        }
        done += static_cast<size_t>(got);
    }
    return done;
}

bool RawSource::QuerySourceSize(uint64_t& bytes) const {
    if (m_isBlockDevice) {
        if (::ioctl(m_fd, BLKGETSIZE64, &bytes) != 0) {
            SetLastError(errno);
            return false;
        }
        return true;
    }
    struct stat info {};
    if (::fstat(m_fd, &info) != 0) {
        SetLastError(errno);
        return false;
    }
    bytes = static_cast<uint64_t>(info.st_size);
    return true;
}

bool RawSource::QueryGeometry(Geometry& geometry) const {
    uint64_t sourceBytes = 0;
    if (!QuerySourceSize(sourceBytes)) return false;
    if (m_isBlockDevice) {
        int sectorSize = 0;
        if (::ioctl(m_fd, BLKSSZGET, &sectorSize) != 0 || sectorSize <= 0) {
            SetLastError(errno);
            return false;
        }
        geometry.sectorSize = static_cast<uint32_t>(sectorSize);
    } else {
        geometry.sectorSize = m_configuredSectorSize ? m_configuredSectorSize : 512;
    }
    // An image may have shrunk since the window was opened.
    geometry.byteSize = m_window.start < sourceBytes ? std::min(m_window.length, sourceBytes - m_window.start) : 0;
    return true;
}

}  // namespace platform
