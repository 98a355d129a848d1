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
    // ("permission denied: run as root to read /dev/sdb", ...) into `reason`.
    static std::unique_ptr<RawSource> Open(const std::string& path, uint32_t configuredSectorSize,
                                           std::string& reason);
    // Opens the source behind a drive letter of the drive table.
    static std::unique_ptr<RawSource> OpenDrive(char16_t letter, std::string& reason);

    virtual ~RawSource();
    RawSource(const RawSource&) = delete;
    RawSource& operator=(const RawSource&) = delete;

    // Reads exactly `length` bytes at `offset`; false on a read error or a
    // short read (past the end of the source). errno-style code in LastError().
    // Virtual so that tests can put a failing disk under the device layer.
    virtual bool ReadAt(uint64_t offset, void* buffer, size_t length) const;

    // The geometry query: false when the kernel would not tell it.
    bool QueryGeometry(Geometry& geometry) const;

    const std::string& Path() const { return m_path; }
    bool IsBlockDevice() const { return m_isBlockDevice; }
    int LastError() const { return m_lastError; }
    // The open descriptor, for probes that read through it (never written).
    int Descriptor() const { return m_fd; }

protected:
    // Takes over an open descriptor.
    RawSource(int fd, std::string path, uint32_t sectorSize, bool isBlockDevice);
    void SetLastError(int error) const { m_lastError = error; }

private:

    int m_fd;
    std::string m_path;
    uint32_t m_configuredSectorSize;
    bool m_isBlockDevice;
    mutable int m_lastError = 0;
};

// Reason text for an errno value met while opening `path`.
std::string OpenFailureReason(int error, const std::string& path);

}  // namespace platform
