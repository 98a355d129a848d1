#include "platform/GrantedSources.h"

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

int GrantedDescriptor(const std::string& path) {
    Grants& grants = TheGrants();
    std::lock_guard guard(grants.lock);
    auto it = grants.descriptors.find(path);
    return it == grants.descriptors.end() ? -1 : it->second;
}

}  // namespace platform
