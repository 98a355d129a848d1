#include "platform/DriveTable.h"
#include "platform/GrantedSources.h"
#include "platform/RawSource.h"
#include "tests/support/TestVolumes.h"
#include "ui/DiskService.h"
#include "ui/DriveAccess.h"

#include <QDBusConnection>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <vector>
#include <unistd.h>

namespace {

// The disks the kernel lists with something on them, loop devices included.
std::vector<std::string> Disks() {
    std::vector<std::string> disks;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/sys/block", error)) {
        const std::string name = entry.path().filename().string();
        std::ifstream size(entry.path() / "size");
        uint64_t sectors = 0;
        if (size >> sectors && sectors > 0 && std::filesystem::exists("/dev/" + name)) disks.push_back("/dev/" + name);
    }
    std::sort(disks.begin(), disks.end());
    return disks;
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
    // Without a person to type a password: root (or a user polkit already
    // trusts) gets a descriptor of a disk the service knows and nothing
    // holds open; anyone else a refusal with the reason.
    std::string reason;
    int fd = -1;
    for (const std::string& disk : Disks()) {
        reason.clear();
        fd = OpenDiskForReading(disk, false, reason);
        if (fd >= 0) break;
        EXPECT_FALSE(reason.empty()) << disk;
    }
    if (fd < 0) GTEST_SKIP() << "the disk service opened no disk without a password: " << reason;
    platform::GrantSource("/ruvex-test/granted-disk", fd);
    auto source = platform::RawSource::Open("/ruvex-test/granted-disk", 0, reason);
    ASSERT_TRUE(source) << reason;
    EXPECT_TRUE(source->IsBlockDevice());
    uint8_t sector[512];
    EXPECT_TRUE(source->ReadAt(0, sector, sizeof sector));
    EXPECT_EQ(::pwrite(source->Descriptor(), sector, 1, 0), -1) << "the service opened it read-only";
}

TEST(DiskService, ADiskNotYetAuthorisedIsSizedByTheKernel) {
    // A loop device over an image of a known size stands for the disk.
    const std::string image = testing_support::MakeSparseFile("kernel-size", 3 * 1024 * 1024 + 512);
    std::string loop = testing_support::CommandOutput("losetup -f --show '" + image + "' 2>/dev/null");
    while (!loop.empty() && loop.back() == '\n') loop.pop_back();
    if (loop.empty()) GTEST_SKIP() << "no loop device could be attached here (needs root)";
    platform::Drives().Register({u'W', loop, 0, platform::DriveKind::Fixed});
    uint64_t bytes = 0;
    EXPECT_TRUE(KernelDiskSize(u'W', bytes));
    EXPECT_EQ(bytes, 3u * 1024 * 1024 + 512);
    testing_support::CommandOutput("losetup -d " + loop);
    platform::Drives().Register({u'V', image, 0, platform::DriveKind::Image});
    EXPECT_FALSE(KernelDiskSize(u'V', bytes)) << "an image is no kernel device";
}

TEST(DiskService, WithoutTheServiceNoDriveWaitsForAuthorisation) {
    if (WhyNoDiskService().empty()) GTEST_SKIP() << "UDisks2 runs here; this checks a machine without it";
    EXPECT_NE(AdminRouteHere(), AdminRoute::DiskService);
}

}  // namespace
