#include "engine/ScanThread.h"

#include "catalog/RootFolder.h"
#include "device/FAT32VolumeAccess.h"
#include "device/NTFSVolumeAccess.h"
#include "device/RawVolumeAccess.h"
#include "engine/ScanContext.h"
#include "ntfs/FileRecord.h"
#include "platform/DriveTable.h"
#include "platform/TextConvert.h"
#include "tests/engine/RecordingHost.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

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
    EXPECT_EQ(context.resultKind, ResultKind::Fat32Catalog);
    EXPECT_FALSE(context.recordReader) << "no MFT sweep on FAT32";
    ASSERT_TRUE(context.fatRootFolder);
    EXPECT_TRUE(context.fatRootFolder->m_hasContent);
    EXPECT_NE(dynamic_cast<CFAT32VolumeAccess*>(context.scanDevice.get()), nullptr);
    EXPECT_EQ(Titles(scan->host), (std::vector<std::string>{"正在初始化,请等待......", "正在搜索K盘文件"}));
    EXPECT_EQ(scan->host.outcome.end, ScanEnd::Finished);
    EXPECT_EQ(scan->host.Of("end").size(), 1u);
    EXPECT_FALSE(context.deletedFiles.empty()) << "the deleted office files are carved";
    for (const auto& item : context.deletedFiles) EXPECT_NE(item.carvedType, 0u);
}

TEST(ScanThread, NtfsInFullModeScansFreeClustersThenSweeps) {
    if (!testing_support::VolumeExists("ntfs-small")) GTEST_SKIP();
    auto scan = ScanVolume("ntfs-small", 2);
    ScanContext& context = scan->context;
    EXPECT_EQ(context.resultKind, ResultKind::Ntfs);
    EXPECT_TRUE(context.recordReader);
    EXPECT_NE(dynamic_cast<CNTFSVolumeAccess*>(context.scanDevice.get()), nullptr);
    // Three progress runs: the cluster bitmap, the free space, then the MFT.
    auto ranges = scan->host.Of("range");
    ASSERT_EQ(ranges.size(), 3u);
    EXPECT_EQ(ranges[0].number, 1000u) << "the bitmap load counts in per mille";
    EXPECT_EQ(scan->host.outcome.end, ScanEnd::Finished);
    EXPECT_EQ(scan->host.Of("end").size(), 1u);
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
    EXPECT_EQ(scan->context.resultKind, ResultKind::CarvedOnly);
    EXPECT_NE(dynamic_cast<CRawVolumeAccess*>(scan->context.scanDevice.get()), nullptr);
    EXPECT_EQ(scan->context.deletedFiles.size(), 9u);
    EXPECT_EQ(scan->host.outcome.end, ScanEnd::Finished);
    EXPECT_EQ(scan->host.Of("end").size(), 1u);
}

TEST(ScanThread, ASourceThatCannotBeOpenedFailsWithTheReason) {
    const std::string folder = testing_support::MakeTempFolder("unopenable");
    struct Case {
        std::string path;
        std::string reason;
    };
    for (const Case& c : {Case{folder + "/missing.img", folder + "/missing.img: no such file or device"},
                          Case{folder, folder + ": is a folder, not a volume or image"}}) {
        ScanContext context;
        RecordingHost host;
        platform::Drives().Register({u'J', c.path, 0, platform::DriveKind::Image});
        testing::internal::CaptureStderr();
        ScanOutcome outcome = RunScanThread(context, host, u'J');
        testing::internal::GetCapturedStderr();
        EXPECT_EQ(outcome.end, ScanEnd::Failed) << c.path;
        EXPECT_EQ(platform::ToUtf8(outcome.reason), c.reason);
        ASSERT_EQ(host.Of("end").size(), 1u);
        EXPECT_EQ(host.Of("end")[0].text, "failed|" + c.reason) << "the host hears it in one call";
        EXPECT_TRUE(context.deletedFiles.empty());
        EXPECT_FALSE(context.scanDevice);
    }
}

TEST(ScanThread, AnEmptySourceIsNoVolume) {
    ScanContext context;
    RecordingHost host;
    platform::Drives().Register({u'J', testing_support::MakeSparseFile("empty", 0), 0, platform::DriveKind::Image});
    ScanOutcome outcome = RunScanThread(context, host, u'J');
    EXPECT_EQ(outcome.end, ScanEnd::Failed);
    EXPECT_EQ(platform::ToUtf8(outcome.reason).rfind("not a volume Ruvex can read", 0), 0u)
        << platform::ToUtf8(outcome.reason);
}

TEST(ScanThread, WithoutPermissionTheReasonSaysToRunAsRoot) {
    // Root reads everything: the refusal is seen from an unprivileged child.
    const std::string image = testing_support::MakeSparseFile("private", 1 << 20);
    ASSERT_EQ(::chmod(image.c_str(), 0600), 0);
    if (::geteuid() != 0 && ::access(image.c_str(), R_OK) == 0) GTEST_SKIP() << "cannot make an unreadable file";
    EXPECT_EXIT(
        {
            if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) std::_Exit(3);
            ScanContext context;
            RecordingHost host;
            platform::Drives().Register({u'J', image, 0, platform::DriveKind::Image});
            ScanOutcome outcome = RunScanThread(context, host, u'J');
            std::fprintf(stderr, "[%s]\n", platform::ToUtf8(outcome.reason).c_str());
            std::_Exit(outcome.end == ScanEnd::Failed ? 0 : 4);
        },
        testing::ExitedWithCode(0), "\\[permission denied: run as root to read " + image + "\\]");
}

}  // namespace
