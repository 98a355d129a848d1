#include "engine/ScanThread.h"

#include "catalog/RootFolder.h"
#include "device/FAT32VolumeAccess.h"
#include "device/NTFSVolumeAccess.h"
#include "device/RawVolumeAccess.h"
#include "engine/ScanContext.h"
#include "ntfs/FileRecord.h"
#include "platform/DriveTable.h"
#include "tests/engine/RecordingHost.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

namespace {

struct ScanResult {
    ScanContext context;
    RecordingHost host;
};

std::unique_ptr<ScanResult> ScanVolume(const std::string& volume, int mode) {
    auto result = std::make_unique<ScanResult>();
    platform::Drives().Register({u'K', testing_support::VolumePath(volume), 0, platform::DriveKind::Image});
    result->context.recoveryMode = mode;
    testing::internal::CaptureStderr();
    RunScanThread(result->context, result->host, u'K');
    testing::internal::GetCapturedStderr();
    return result;
}

std::vector<std::string> Titles(const RecordingHost& host) {
    std::vector<std::string> titles;
    for (const auto& event : host.Of("title")) titles.push_back(event.text);
    return titles;
}

TEST(ScanThread, Fat32InDeletedModeLoadsTheCatalogAndScansFreeSpace) {
    if (!testing_support::VolumeExists("fat32-small")) GTEST_SKIP();
    auto scan = ScanVolume("fat32-small", 1);
    ScanContext& context = scan->context;
    EXPECT_EQ(context.resultKind, 1);
    EXPECT_FALSE(context.recordReader) << "no MFT sweep on FAT32";
    ASSERT_TRUE(context.fatRootFolder);
    EXPECT_TRUE(context.fatRootFolder->m_hasContent);
    EXPECT_NE(dynamic_cast<CFAT32VolumeAccess*>(context.scanDevice.get()), nullptr);
    EXPECT_EQ(Titles(scan->host), (std::vector<std::string>{"正在初始化,请等待......", "正在搜索K盘文件"}));
    EXPECT_EQ(scan->host.Of("finish").size(), 1u);
    EXPECT_FALSE(context.deletedFiles.empty()) << "the deleted office files are carved";
    for (const auto& item : context.deletedFiles) EXPECT_NE(item.carvedType, 0u);
}

TEST(ScanThread, NtfsInFullModeScansFreeClustersThenSweeps) {
    if (!testing_support::VolumeExists("ntfs-small")) GTEST_SKIP();
    auto scan = ScanVolume("ntfs-small", 2);
    ScanContext& context = scan->context;
    EXPECT_EQ(context.resultKind, 0);
    EXPECT_TRUE(context.recordReader);
    EXPECT_NE(dynamic_cast<CNTFSVolumeAccess*>(context.scanDevice.get()), nullptr);
    EXPECT_EQ(scan->host.Of("range").size(), 2u) << "two progress runs: free space, then the MFT";
    EXPECT_EQ(scan->host.Of("finish").size(), 1u);
    // Carved files come first, then the deleted MFT files.
    bool sawMft = false;
    size_t carved = 0;
    for (const auto& item : context.deletedFiles) {
        if (item.carvedType == 0) sawMft = true;
        else {
            ++carved;
            EXPECT_FALSE(sawMft) << "carved files precede MFT files";
        }
    }
    EXPECT_GT(carved, 0u);
    EXPECT_TRUE(sawMft);
}

TEST(ScanThread, AnythingElseIsScannedAsRawSectors) {
    if (!testing_support::VolumeExists("raw-small")) GTEST_SKIP();
    auto scan = ScanVolume("raw-small", 1);
    EXPECT_EQ(scan->context.resultKind, 2);
    EXPECT_NE(dynamic_cast<CRawVolumeAccess*>(scan->context.scanDevice.get()), nullptr);
    EXPECT_EQ(scan->context.deletedFiles.size(), 9u);
    EXPECT_EQ(scan->host.Of("finish").size(), 1u);
}

TEST(ScanThread, AnUnreadableDriveEndsWithNothingFound) {
    ScanContext context;
    RecordingHost host;
    platform::Drives().Register({u'J', "/nonexistent/disk.img", 0, platform::DriveKind::Image});
    testing::internal::CaptureStderr();
    RunScanThread(context, host, u'J');
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(context.resultKind, 2);
    EXPECT_TRUE(context.deletedFiles.empty());
    EXPECT_FALSE(context.scanDevice);
    EXPECT_EQ(host.Of("finish").size(), 1u);
}

}  // namespace
