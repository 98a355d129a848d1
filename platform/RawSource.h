#pragma once
// A raw volume opened read-only: a block device or a disk-image file, or a
// window of one (a partition of a whole disk). Reads are positioned (pread),
// so no file pointer is shared between readers and nothing can ever be
// written through this object; offsets count from the window's start and a
// read never leaves the window.
#include "platform/BadRangeMap.h"
#include "platform/RescueRead.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace platform {

// All of a source from `start` on.
inline constexpr uint64_t kToSourceEnd = UINT64_MAX;

// Bytes [start, start + length) of a device or image.
struct SourceWindow {
    uint64_t start = 0;
    uint64_t length = kToSourceEnd;
};

struct Geometry {
    uint32_t sectorSize = 0;  // logical bytes per sector
    uint64_t byteSize = 0;    // bytes of the source, or of its window
};

class RawSource {
public:
    // Opens a path read-only. On failure returns null and puts a readable reason
    // ("permission denied: run as root to read /dev/sdb", ...) into `reason`.
    static std::unique_ptr<RawSource> Open(const std::string& path, uint32_t configuredSectorSize,
                                           std::string& reason);
    // Opens a window of a path. A window that starts at or beyond the end of
    // the source fails with a reason; one that runs past the end is cut
    // there, so the geometry reports only what can be read.
    static std::unique_ptr<RawSource> Open(const std::string& path, uint32_t configuredSectorSize,
                                           const SourceWindow& window, std::string& reason);
    // Takes over `fd`, a descriptor of a block device or image that was
    // opened read-only elsewhere (a disk service hands one over after the
    // user's authorisation); `path` names it in reasons. It is read exactly
    // as a path is, window included; a descriptor open for writing, or not
    // of a device or image, is refused and closed.
    static std::unique_ptr<RawSource> OpenDescriptor(int fd, const std::string& path, uint32_t configuredSectorSize,
                                                     const SourceWindow& window, std::string& reason);
    // Opens the source behind a drive letter of the drive table.
    static std::unique_ptr<RawSource> OpenDrive(char16_t letter, std::string& reason);

    virtual ~RawSource();
    RawSource(const RawSource&) = delete;
    RawSource& operator=(const RawSource&) = delete;

    // Reads exactly `length` bytes at `offset` of the window; false on a read
    // error or a short read (past the end of the window or the source).
    // errno-style code in LastError(). Reads around bad sectors as ReadAround.
    bool ReadAt(uint64_t offset, void* buffer, size_t length) const;
    // Reads what can be read of `buffer.size()` bytes at `offset` (see
    // RescueRead), zeros where nothing could, and returns the bytes that
    // could not be read. Ranges already known bad are not read again.
    uint64_t ReadAround(uint64_t offset, std::span<uint8_t> buffer) const;
    // The session's bad ranges of this source, for every reader of it.
    BadRangeMap& BadRanges() const { return *m_badRanges; }
    // The read strategy over this source, for a caller that runs its own
    // passes (the imaging copy).
    RescueRead Rescuer() const;
    // Bytes per sector of the read strategy.
    uint32_t SectorSize() const { return m_sectorSize; }
    uint64_t WindowLength() const { return m_window.length; }

    // The geometry query: false when the kernel would not tell it.
    bool QueryGeometry(Geometry& geometry) const;

    const std::string& Path() const { return m_path; }
    bool IsBlockDevice() const { return m_isBlockDevice; }
    // Byte offset of the window in the device or image.
    uint64_t WindowStart() const { return m_window.start; }
    int LastError() const { return m_lastError.load(std::memory_order_relaxed); }
    // The open descriptor, for probes that read through it (never written).
    int Descriptor() const { return m_fd; }

protected:
    // Takes over an open descriptor.
    RawSource(int fd, std::string path, uint32_t sectorSize, bool isBlockDevice);
    void SetLastError(int error) const { m_lastError.store(error, std::memory_order_relaxed); }
    // One read of the device at `offset` of the window, in range: the bytes
    // read before the first failure. Virtual so that tests can put a failing
    // disk under every reader.
    virtual size_t ReadDevice(uint64_t offset, void* buffer, size_t length) const;

private:
    // Bytes of the whole device or image; false when the kernel would not tell.
    bool QuerySourceSize(uint64_t& bytes) const;

    int m_fd;
    std::string m_path;
    uint32_t m_configuredSectorSize;
    bool m_isBlockDevice;
    SourceWindow m_window;  // length already cut to the source's end
    uint32_t m_sectorSize = 512;
    uint32_t m_retryPasses = 1;
    std::shared_ptr<BadRangeMap> m_badRanges = std::make_shared<BadRangeMap>();
    // Reads may come from two threads at once (a read-ahead beside its user).
    mutable std::atomic<int> m_lastError = 0;
};

// Reason text for an errno value met while opening `path`.
std::string OpenFailureReason(int error, const std::string& path);

}  // namespace platform
