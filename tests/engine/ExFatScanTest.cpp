// The scan thread on the committed exFAT volume: its own catalog in both
// modes, the bitmap's free clusters carved in full-scan recovery, and the
// result store filled with exFAT results.
#include "engine/ScanThread.h"

#include "engine/ScanContext.h"
#include "exfat/ExFatVolume.h"
#include "platform/DriveTable.h"
#include "platform/TextConvert.h"
#include "tests/engine/RecordingHost.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <set>

namespace {

struct ScanResult {
    ScanContext context;
    RecordingHost host;
};

std::unique_ptr<ScanResult> ScanExFat(int mode) {
    auto result = std::make_unique<ScanResult>();
    platform::Drives().Register({u'X', testing_support::VolumePath("exfat-small"), 0, platform::DriveKind::Image});
    result->context.recoveryMode = mode;
    testing::internal::CaptureStderr();
    RunScanThread(result->context, result->host, u'X');
    testing::internal::GetCapturedStderr();
    return result;
}

// Folder names by the path of names from the root ("Photos/2024").
std::set<std::string> FolderPaths(const ScanContext& context) {
    std::set<std::string> paths;
    for (const auto& [key, folder] : context.folderMap) {
        if (IsCategoryKey(key)) continue;
        std::string path = platform::ToUtf8(folder.name);
        for (uint64_t parent = folder.parentRef; parent != kRootFolderKey && parent != 0;) {
            const FolderItem& up = context.folderMap.at(parent);
            path = platform::ToUtf8(up.name) + "/" + path;
            parent = up.parentRef;
        }
        paths.insert(path);
    }
    return paths;
}

TEST(ExFatScan, DeletedModeListsTheCatalogWithoutCarving) {
    if (!testing_support::VolumeExists("exfat-small")) GTEST_SKIP();
    auto scan = ScanExFat(1);
    ScanContext& context = scan->context;
    EXPECT_EQ(context.resultKind, ResultKind::ExFat);
    EXPECT_STREQ(FileSystemNameOf(context.resultKind), "exFAT");
    EXPECT_NE(dynamic_cast<CExFatVolume*>(context.scanDevice.get()), nullptr);
    EXPECT_FALSE(context.recordReader) << "no MFT sweep";
    EXPECT_EQ(scan->host.outcome.end, ScanEnd::Finished);
    EXPECT_EQ(FolderPaths(context), (std::set<std::string>{"Photos", "Photos/2024", "Photos/2024/trip",
                                                           "Photos/2024/trip/deeper", "Documents", "Data", "照片"}));
    std::set<std::string> names;
    for (const DeletedFileItem& item : context.deletedFiles) {
        ASSERT_NE(item.reader, nullptr) << "every file reads through the exFAT reader";
        EXPECT_EQ(item.carvedType, 0u);
        EXPECT_TRUE(context.folderMap.contains(FolderKeyOf(item)) || FolderKeyOf(item) == kRootFolderKey);
        names.insert(platform::ToUtf8(item.name));
    }
    EXPECT_EQ(names.size(), 11u);
    EXPECT_FALSE(names.contains("keep-report.txt")) << "live files are never listed";
    EXPECT_FALSE(names.contains("partner.bin"));
    // The deleted tree is /Photos and everything below it; the other
    // folders are live ones in the root.
    for (const auto& [key, folder] : context.folderMap) {
        const bool inDeletedTree = platform::ToUtf8(folder.name) == "Photos" || folder.parentRef != kRootFolderKey;
        EXPECT_EQ(folder.deleted != 0, inDeletedTree) << platform::ToUtf8(folder.name);
    }
}

TEST(ExFatScan, DeletedModeMovesTheBarAsTheTreeIsWalked) {
    if (!testing_support::VolumeExists("exfat-small")) GTEST_SKIP();
    auto scan = ScanExFat(1);
    const RecordingHost& host = scan->host;
    ASSERT_EQ(host.outcome.end, ScanEnd::Finished);
    const auto ranges = host.Of("range");
    ASSERT_EQ(ranges.size(), 1u);
    EXPECT_GT(ranges[0].number, 1u);
    const auto positions = host.Of("position");
    ASSERT_FALSE(positions.empty());
    std::set<uint64_t> steps;
    for (size_t i = 0; i < positions.size(); ++i) {
        if (i > 0) EXPECT_GE(positions[i].number, positions[i - 1].number) << "never backwards";
        EXPECT_LE(positions[i].number, ranges[0].number);
        steps.insert(positions[i].number);
    }
    // Four folders in the root, one of them a deleted tree three deep: the
    // bar stops at least at one of the quarters on its way.
    EXPECT_GE(steps.size(), 3u) << "moves while walking, not only at the end";
    EXPECT_EQ(positions.back().number, ranges[0].number);
    ASSERT_FALSE(host.Of("percent").empty());
    EXPECT_EQ(host.Of("percent").back().text, "100.0%");
}

TEST(ExFatScan, FullModeAlsoCarvesTheFreeClusters) {
    if (!testing_support::VolumeExists("exfat-small")) GTEST_SKIP();
    auto scan = ScanExFat(2);
    ScanContext& context = scan->context;
    EXPECT_EQ(context.resultKind, ResultKind::ExFat);
    size_t catalogFiles = 0, carvedJpegs = 0;
    for (const DeletedFileItem& item : context.deletedFiles) {
        if (item.reader) ++catalogFiles;
        if (item.carvedType != 0 && platform::ToUtf8(item.name).ends_with(".jpg")) ++carvedJpegs;
    }
    EXPECT_EQ(catalogFiles, 11u);
    EXPECT_EQ(carvedJpegs, 1u) << "the deleted JPEG lies in free clusters";
    EXPECT_FALSE(scan->host.Of("range").empty());
    EXPECT_EQ(scan->host.outcome.end, ScanEnd::Finished);
}

TEST(ExFatScan, AStoppedListingEndsWithoutFinishing) {
    if (!testing_support::VolumeExists("exfat-small")) GTEST_SKIP();
    auto result = std::make_unique<ScanResult>();
    platform::Drives().Register({u'X', testing_support::VolumePath("exfat-small"), 0, platform::DriveKind::Image});
    result->context.recoveryMode = 2;
    result->host.RequestStop();
    testing::internal::CaptureStderr();
    RunScanThread(result->context, result->host, u'X');
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(result->context.resultKind, ResultKind::ExFat);
    EXPECT_EQ(result->host.outcome.end, ScanEnd::Stopped);
}

}  // namespace
