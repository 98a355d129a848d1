#include "platform/DestinationCheck.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;

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
    std::string device = testing_support::DeviceHolding(folder);
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
