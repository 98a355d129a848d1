#include "platform/ImageOutput.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

std::string Reason(const std::string& path) { return path + ": " + std::strerror(errno); }

bool WriteAll(int fd, const uint8_t* data, size_t length, uint64_t offset) {
    while (length > 0) {
        const ssize_t written = ::pwrite(fd, data, length, static_cast<off_t>(offset));
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += written;
        length -= static_cast<size_t>(written);
        offset += static_cast<uint64_t>(written);
    }
    return true;
}

}  // namespace

std::unique_ptr<ImageOutput> ImageOutput::Open(const std::string& path, uint64_t size, std::string& error) {
    if (size > static_cast<uint64_t>(INT64_MAX)) {
        error = path + ": the source is too large for a file";
        return nullptr;
    }
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = Reason(path);
        return nullptr;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        error = path + ": not a regular file";
        ::close(fd);
        return nullptr;
    }
    if (static_cast<uint64_t>(info.st_size) < size && ::ftruncate(fd, static_cast<off_t>(size)) != 0) {
        error = Reason(path);
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<ImageOutput>(new ImageOutput(fd, path));
}

ImageOutput::~ImageOutput() { ::close(m_fd); }

bool ImageOutput::WriteAt(uint64_t offset, std::span<const uint8_t> bytes, std::string& error) {
    if (WriteAll(m_fd, bytes.data(), bytes.size(), offset)) return true;
    error = Reason(m_path);
    return false;
}

bool ImageOutput::Sync(std::string& error) {
    if (::fsync(m_fd) == 0) return true;
    error = Reason(m_path);
    return false;
}

bool ReplaceFileText(const std::string& path, const std::string& text, std::string& error) {
    const std::string temporary = path + ".tmp";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = Reason(temporary);
        return false;
    }
    const bool written = WriteAll(fd, reinterpret_cast<const uint8_t*>(text.data()), text.size(), 0) && ::fsync(fd) == 0;
    if (!written) error = Reason(temporary);
    ::close(fd);
    if (!written) return false;
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        error = Reason(path);
        return false;
    }
    return true;
}

bool ReadSmallFile(const std::string& path, size_t limit, std::string& text, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = Reason(path);
        return false;
    }
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0 || static_cast<uint64_t>(size) > limit) {
        error = path + ": larger than " + std::to_string(limit) + " bytes";
        return false;
    }
    in.seekg(0);
    text.resize(static_cast<size_t>(size));
    in.read(text.data(), size);
    if (in.gcount() != size) {
        error = Reason(path);
        return false;
    }
    return true;
}

}  // namespace platform
