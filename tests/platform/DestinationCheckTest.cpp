#include "platform/DestinationCheck.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;

// The /dev node of the block device that holds `path`, or "" when none is visible.
std::string DeviceHolding(const std::string& path) {
    struct stat target {};
    if (::stat(path.c_str(), &target) != 0) return "";
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/dev", error)) {
        struct stat node {};
        if (::stat(entry.path().c_str(), &node) == 0 && S_ISBLK(node.st_mode) && node.st_rdev == target.st_dev)
            return entry.path().string();
    }
    return "";
}

TEST(DestinationCheck, AnImageRefusesOnlyItself) {
    std::string folder = testing_support::MakeTempFolder("dest");
    std::string image = folder + "/disk.img";
    std::ofstream(image) << "image";
    EXPECT_TRUE(platform::DestinationIsOnSource(image, image));
    EXPECT_TRUE(platform::DestinationIsOnSource(folder + "/../" + fs::path(folder).filename().string() + "/disk.img", image));
    EXPECT_FALSE(platform::DestinationIsOnSource(folder, image)) << "the image's own folder is another file";
    EXPECT_FALSE(platform::DestinationIsOnSource(folder + "/out/new", image));
}

TEST(DestinationCheck, AFolderOnTheScannedDeviceIsRefused) {
    std::string folder = testing_support::MakeTempFolder("dest-device");
    std::string device = DeviceHolding(folder);
    if (device.empty()) GTEST_SKIP() << "the temporary folder's device has no visible /dev node";
    EXPECT_TRUE(platform::DestinationIsOnSource(folder, device));
    EXPECT_TRUE(platform::DestinationIsOnSource(folder + "/not/yet/made", device)) << "judged by the nearest parent";
    for (const char* other : {"/dev/loop7", "/dev/zram0", "/dev/ram0"}) {
        struct stat node {};
        if (other != device && ::stat(other, &node) == 0 && S_ISBLK(node.st_mode)) {
            EXPECT_FALSE(platform::DestinationIsOnSource(folder, other)) << other;
        }
    }
}

}  // namespace
