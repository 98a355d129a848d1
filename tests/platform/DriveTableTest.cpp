#include "platform/DriveTable.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

using platform::BlockDeviceInfo;
using platform::DriveEntry;
using platform::DriveKind;
using platform::DriveTable;

TEST(DriveTable, ConfiguredLettersWinAndDevicesTakeFreeLettersFromC) {
    std::string folder = testing_support::MakeTempFolder("drives");
    std::string settings = folder + "/config.ini";
    std::ofstream(settings) << "[Options]\nCodePage=CP936\n[drives]\nd=/images/disk.img,4096\n"
                               "Z = /images/demo.img\nbad=/x\n";
    // A fake sysfs: two disks, one removable, plus devices the table leaves out.
    std::string sys = folder + "/sys";
    for (const char* name : {"sdb", "sda", "loop0", "ram0", "sr0"})
        std::filesystem::create_directories(sys + "/" + name);
    std::ofstream(sys + "/sdb/removable") << "1\n";
    std::ofstream(sys + "/sda/removable") << "0\n";

    DriveTable table;
    table.Load(settings, sys);
    ASSERT_EQ(table.Entries().size(), 4u);
    const DriveEntry* d = table.Find(u'd');
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->path, "/images/disk.img");
    EXPECT_EQ(d->sectorSize, 4096u);
    EXPECT_EQ(d->kind, DriveKind::Image);
    EXPECT_EQ(table.Find(u'Z')->path, "/images/demo.img");
    EXPECT_EQ(table.Find(u'C')->path, "/dev/sda");
    EXPECT_EQ(table.Find(u'C')->kind, DriveKind::Fixed);
    EXPECT_EQ(table.Find(u'E')->path, "/dev/sdb") << "D is configured, so sdb takes E";
    EXPECT_EQ(table.Find(u'E')->kind, DriveKind::Removable);
}

TEST(DriveTable, DeviceOrderIsStableAndListedDevicesAreNotDoubled) {
    DriveTable table;
    table.Build({{u'C', "/dev/sdb", 0, DriveKind::Fixed}},
                {{"sdc", false}, {"sda", false}, {"sdb", false}});
    // Build is given unsorted devices here; ListBlockDevices sorts by name.
    EXPECT_EQ(table.Find(u'C')->path, "/dev/sdb");
    EXPECT_EQ(table.Find(u'D')->path, "/dev/sdc");
    EXPECT_EQ(table.Find(u'E')->path, "/dev/sda");
    EXPECT_EQ(table.Entries().size(), 3u);
}

TEST(DriveTable, ParsesDriveValues) {
    std::string path;
    uint32_t size = 0;
    EXPECT_TRUE(platform::ParseDriveValue("/a/b.img", path, size));
    EXPECT_EQ(path, "/a/b.img");
    EXPECT_EQ(size, 0u);
    EXPECT_TRUE(platform::ParseDriveValue("/a,b.img,512", path, size));
    EXPECT_EQ(path, "/a,b.img");
    EXPECT_EQ(size, 512u);
    EXPECT_FALSE(platform::ParseDriveValue("/a.img,100", path, size)) << "not a power of two";
    EXPECT_FALSE(platform::ParseDriveValue("", path, size));
    std::string problem;
    EXPECT_FALSE(platform::ParseDriveValue("/a.img,513", path, size, &problem));
    EXPECT_EQ(path, "/a.img");
    EXPECT_NE(problem.find("sector size 513"), std::string::npos) << problem;
}

TEST(DriveTable, DriveWithAnUnusableSectorSizeIsListedWithItsReason) {
    std::string folder = testing_support::MakeTempFolder("drives-bad-size");
    std::string settings = folder + "/config.ini";
    std::ofstream(settings) << "[Drives]\nX=/images/odd.img,513\nY=/images/good.img,4096\n";
    DriveTable table;
    table.Load(settings, folder + "/no-sys");
    const DriveEntry* odd = table.Find(u'X');
    ASSERT_NE(odd, nullptr);
    EXPECT_EQ(odd->path, "/images/odd.img");
    EXPECT_NE(odd->problem.find("513"), std::string::npos);
    EXPECT_TRUE(table.Find(u'Y')->problem.empty());
}

}  // namespace

namespace {

TEST(DriveTable, KernelPartitionsKnowTheirDiskAndStart) {
    // As sysfs lays it out: the class folder links to the device, and a
    // partition's folder lies inside its disk's.
    std::string folder = testing_support::MakeTempFolder("sysfs");
    std::filesystem::create_directories(folder + "/devices/sdb/sdb2");
    std::ofstream(folder + "/devices/sdb/removable") << "1\n";
    std::ofstream(folder + "/devices/sdb/sdb2/partition") << "2\n";
    std::ofstream(folder + "/devices/sdb/sdb2/start") << "206848\n";
    std::filesystem::create_directories(folder + "/class");
    std::filesystem::create_directory_symlink(folder + "/devices/sdb", folder + "/class/sdb");
    std::filesystem::create_directory_symlink(folder + "/devices/sdb/sdb2", folder + "/class/sdb2");

    auto devices = platform::ListBlockDevices(folder + "/class");
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[0].partitionNumber, 0u);
    EXPECT_EQ(devices[1].partitionNumber, 2u);
    EXPECT_EQ(devices[1].disk, "sdb");
    EXPECT_EQ(devices[1].startSector, 206848u);
    EXPECT_TRUE(devices[1].removable);

    DriveTable table;
    table.Build({}, devices);
    const DriveEntry* partition = table.Find(u'D');
    ASSERT_NE(partition, nullptr);
    EXPECT_EQ(partition->path, "/dev/sdb2");
    EXPECT_EQ(partition->kernelDisk, "/dev/sdb");
    EXPECT_EQ(partition->kernelStart, 206848u * 512);
    EXPECT_EQ(partition->start, 0u) << "the device is read from its own start";
    EXPECT_EQ(partition->length, platform::kToSourceEnd);
}

}  // namespace
