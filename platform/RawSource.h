#pragma once
// A raw volume opened read-only: a block device or a disk-image file. Reads
// are positioned (pread), so no file pointer is shared between readers and
// nothing can ever be written through this object.
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

struct Geometry {
    uint32_t sectorSize = 0;  // logical bytes per sector
    uint64_t byteSize = 0;    // bytes of the whole source
};

class RawSource {
public:
    // Opens a path read-only. On failure returns null and puts a readable reason
    // ("no such file", "permission denied: run as root", ...) into `reason`.
    static std::unique_ptr<RawSource> Open(const std::string& path, uint32_t configuredSectorSize,
                                           std::string& reason);
    // Opens the source behind a drive letter of the drive table.
    static std::unique_ptr<RawSource> OpenDrive(char16_t letter, std::string& reason);

    ~RawSource();
    RawSource(const RawSource&) = delete;
    RawSource& operator=(const RawSource&) = delete;

    // Reads exactly `length` bytes at `offset`; false on a read error or a
    // short read (past the end of the source). errno-style code in LastError().
    bool ReadAt(uint64_t offset, void* buffer, size_t length) const;

    // The geometry query: false when the kernel would not tell it.
    bool QueryGeometry(Geometry& geometry) const;

    const std::string& Path() const { return m_path; }
    bool IsBlockDevice() const { return m_isBlockDevice; }
    int LastError() const { return m_lastError; }

private:
    RawSource(int fd, std::string path, uint32_t sectorSize, bool isBlockDevice);

    int m_fd;
    std::string m_path;
    uint32_t m_configuredSectorSize;
    bool m_isBlockDevice;
    mutable int m_lastError = 0;
};

// Reason text for an errno value met while opening a source.
std::string OpenFailureReason(int error);

}  // namespace platform
