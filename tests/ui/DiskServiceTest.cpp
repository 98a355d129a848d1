#include "platform/GrantedSources.h"
#include "platform/RawSource.h"
#include "ui/DiskService.h"
#include "ui/DriveAccess.h"

#include <QDBusConnection>

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace {

// The first whole disk the kernel lists, or "" when none.
std::string SomeDisk() {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/sys/block", error)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with("loop") || name.starts_with("ram") || name.starts_with("zram")) continue;
        if (std::filesystem::exists("/dev/" + name)) return "/dev/" + name;
    }
    return {};
}

// These talk to the real system bus, so they run only where UDisks2 is on
// one; elsewhere they are skipped with this reason.
std::string WhyNoDiskService() {
    if (!QDBusConnection::systemBus().isConnected())
        return "no D-Bus system bus on this machine: the disk service cannot be asked";
    if (!DiskServicePresent()) return "UDisks2 is not on the system bus of this machine";
    return {};
}

TEST(DiskService, RefusesADeviceItDoesNotKnow) {
    if (const std::string why = WhyNoDiskService(); !why.empty()) GTEST_SKIP() << why;
    std::string reason;
    EXPECT_EQ(OpenDiskForReading("/dev/ruvex-no-such-disk", false, reason), -1);
    EXPECT_FALSE(reason.empty());
}

TEST(DiskService, OpensADiskReadOnlyOrSaysWhyNot) {
    if (const std::string why = WhyNoDiskService(); !why.empty()) GTEST_SKIP() << why;
    const std::string disk = SomeDisk();
    if (disk.empty()) GTEST_SKIP() << "no disk in /sys/block";
    std::string reason;
    // Without a person to type a password: root (or a user polkit already
    // trusts) gets the descriptor, anyone else a refusal with the reason.
    const int fd = OpenDiskForReading(disk, false, reason);
    if (fd < 0) {
        EXPECT_FALSE(reason.empty());
        GTEST_SKIP() << "the disk service would not open " << disk << " without a password: " << reason;
    }
    platform::GrantSource("/ruvex-test/granted-disk", fd);
    auto source = platform::RawSource::Open("/ruvex-test/granted-disk", 0, reason);
    ASSERT_TRUE(source) << reason;
    EXPECT_TRUE(source->IsBlockDevice());
    uint8_t sector[512];
    EXPECT_TRUE(source->ReadAt(0, sector, sizeof sector));
    EXPECT_EQ(::pwrite(source->Descriptor(), sector, 1, 0), -1) << "the service opened it read-only";
}

TEST(DiskService, WithoutTheServiceNoDriveWaitsForAuthorisation) {
    if (WhyNoDiskService().empty()) GTEST_SKIP() << "UDisks2 runs here; this checks a machine without it";
    EXPECT_NE(AdminRouteHere(), AdminRoute::DiskService);
}

}  // namespace
