#pragma once
// Files the recovery writes: created (or replaced) at a UTF-16 path, written
// in order, closed with every error reported. Never used on a scanned source.
// After a failure errno still says why, so that a full destination (ENOSPC)
// can be told from a file that alone could not be written.
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace platform {

class OutputFile {
public:
    // Creates or truncates the file; null with a reason when it cannot.
    static std::unique_ptr<OutputFile> Create(const std::u16string& path, std::string& error);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    bool Write(std::span<const uint8_t> bytes, std::string& error);
    // Flushes and closes; false when the data may not have reached the disk.
    bool Close(std::string& error);

private:
    explicit OutputFile(int fd) : m_fd(fd) {}
    int m_fd;
};

// Creates a folder and any missing parents; true when it exists afterwards.
bool CreateFolders(const std::u16string& path, std::string& error);

}  // namespace platform
