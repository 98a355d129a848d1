#pragma once
// A small real file system for tests of a destination that runs out of
// room: a tmpfs mounted with the given options ("size=1m",
// "size=16m,nr_inodes=6"), unmounted and removed when it goes. Mounting
// needs root; elsewhere WhyNot() says why there is none.
#include <string>

namespace testing_support {

class ScratchMount {
public:
    explicit ScratchMount(const std::string& options);
    ~ScratchMount();
    ScratchMount(const ScratchMount&) = delete;
    ScratchMount& operator=(const ScratchMount&) = delete;

    const std::string& Path() const { return m_path; }
    // Empty when mounted.
    const std::string& WhyNot() const { return m_whyNot; }

private:
    std::string m_path;
    std::string m_whyNot;
    bool m_mounted = false;
};

}  // namespace testing_support
