#include "platform/GrantedSources.h"

#include <fcntl.h>
#include <map>
#include <mutex>
#include <unistd.h>

namespace platform {
namespace {

// Kept until the process ends: carved files and catalog entries read their
// source long after the scan that opened it.
struct Grants {
    std::mutex lock;
    std::map<std::string, int> descriptors;
};

Grants& TheGrants() {
    static Grants grants;
    return grants;
}

}  // namespace

void GrantSource(const std::string& path, int fd) {
    Grants& grants = TheGrants();
    std::lock_guard guard(grants.lock);
    auto [it, inserted] = grants.descriptors.try_emplace(path, fd);
    if (inserted) return;
    if (it->second != fd) ::close(it->second);
    it->second = fd;
}

std::optional<int> CopyGrantedDescriptor(const std::string& path) {
    Grants& grants = TheGrants();
    // Copied under the lock, so a grant replaced meanwhile is never copied after its close.
    std::lock_guard guard(grants.lock);
    auto it = grants.descriptors.find(path);
    if (it == grants.descriptors.end()) return std::nullopt;
    return ::fcntl(it->second, F_DUPFD_CLOEXEC, 0);
}

}  // namespace platform
