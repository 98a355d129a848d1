#include "tests/support/ScratchMount.h"

#include "tests/support/TestVolumes.h"

#include <cerrno>
#include <cstring>
#include <sys/mount.h>
#include <unistd.h>

namespace testing_support {

ScratchMount::ScratchMount(const std::string& options) {
    m_path = MakeTempFolder("mount");
    if (::mount("tmpfs", m_path.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) == 0) {
        m_mounted = true;
        return;
    }
    m_whyNot = std::string("cannot mount a small tmpfs here (") + std::strerror(errno) +
               (::geteuid() == 0 ? ")" : "; mounting needs root)");
}

ScratchMount::~ScratchMount() {
    if (m_mounted) ::umount2(m_path.c_str(), MNT_DETACH);
}

}  // namespace testing_support
