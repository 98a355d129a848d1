#include "platform/OutputFile.h"

#include "platform/TextConvert.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace platform {

std::unique_ptr<OutputFile> OutputFile::Create(const std::u16string& path, std::string& error) {
    std::string name = ToUtf8(path);
    int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = std::strerror(errno);  // the caller names the file
        return nullptr;
    }
    return std::unique_ptr<OutputFile>(new OutputFile(fd));
}

OutputFile::~OutputFile() {
    if (m_fd >= 0) ::close(m_fd);
}

bool OutputFile::Write(std::span<const uint8_t> bytes, std::string& error) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t written = ::write(m_fd, bytes.data() + done, bytes.size() - done);
        if (written < 0) {
            if (errno == EINTR) continue;
            error = std::strerror(errno);
            return false;
        }
        done += static_cast<size_t>(written);
    }
    return true;
}

bool OutputFile::Close(std::string& error) {
    int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0) {
        error = std::strerror(errno);
        return false;
    }
    return true;
}

bool CreateFolders(const std::u16string& path, std::string& error) {
    std::error_code created;
    std::error_code checked;
    std::filesystem::path folder(ToUtf8(path));
    std::filesystem::create_directories(folder, created);
    if (std::filesystem::is_directory(folder, checked)) return true;
    error = created ? created.message() : std::string("cannot create folder");  // the caller names the folder
    errno = created ? created.value() : EEXIST;
    return false;
}

}  // namespace platform
