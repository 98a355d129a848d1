#pragma once
// The file a disk image is copied into: opened without truncating, since a
// copy that goes on where it stopped keeps what it has, written at the
// source's own offsets. Never opened on a scanned source (the callers check
// the destination first).
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace platform {

class ImageOutput {
public:
    // Opens or creates `path` and makes it at least `size` bytes long (the
    // bytes never read stay zeros). Null with a reason when it cannot.
    static std::unique_ptr<ImageOutput> Open(const std::string& path, uint64_t size, std::string& error);
    ~ImageOutput();
    ImageOutput(const ImageOutput&) = delete;
    ImageOutput& operator=(const ImageOutput&) = delete;

    bool WriteAt(uint64_t offset, std::span<const uint8_t> bytes, std::string& error);
    // Flushes to the disk; false when the data may not be there.
    bool Sync(std::string& error);

private:
    ImageOutput(int fd, std::string path) : m_fd(fd), m_path(std::move(path)) {}
    int m_fd;
    std::string m_path;
};

// Replaces `path` with `text` so that a crash leaves the old file or the new
// one, never half of either. False with a reason.
bool ReplaceFileText(const std::string& path, const std::string& text, std::string& error);

// The whole of a small text file; false with a reason, or when it is larger
// than `limit` bytes.
bool ReadSmallFile(const std::string& path, size_t limit, std::string& text, std::string& error);

}  // namespace platform
