// Lost FAT32 folders keep the names the scan gave them: every tree built from
// one scan (the desktop's, the command line's, a rebuilt one) shows the same
// "dirN" for the same folder.
#include "engine/ScanContext.h"
#include "engine/ScanThread.h"
#include "platform/DriveTable.h"
#include "results/TreeBuilder.h"
#include "tests/engine/RecordingHost.h"
#include "tests/support/DiskImages.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

// Where the deleted directory entry with this 11-byte short name starts; 0 when absent.
uint64_t EntryOffset(const std::string& image, const char* shortName) {
    std::ifstream file(image, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    for (size_t at = bytes.find(shortName, 0, 11); at != std::string::npos; at = bytes.find(shortName, at + 1, 11))
        if (at % 32 == 0 && bytes[at + 11] == 0x10) return at;
    return 0;
}

// Folder names below "找到的文件", each followed by its subfolders' names.
std::vector<std::u16string> FoundFolderNames(const TreeNode& root) {
    std::vector<std::u16string> names;
    for (const auto& lost : root.children.at(1)->children) {
        names.push_back(lost->text);
        for (const auto& sub : lost->children) names.push_back(u"  " + sub->text);
    }
    return names;
}

TEST(LostFolderNames, EveryTreeOfOneScanNamesTheLostFoldersAlike) {
    if (!testing_support::VolumeExists("fat32-tree")) GTEST_SKIP();
    // The deleted /Archive and /Archive/Projects lose their entries' first
    // clusters (as when the entries are reused), so only the full scan finds
    // their directory clusters 7 and 13, each a lost folder.
    const std::string image = testing_support::CopyOfDisk("fat32-tree", "lost-folder-names");
    for (const char* shortName : {"\xE5RCHIVE    ", "\xE5ROJECTS   "}) {
        const uint64_t entry = EntryOffset(image, shortName);
        ASSERT_NE(entry, 0u) << shortName + 1;
        testing_support::ZeroBytes(image, entry + 20, 2);  // first cluster, high word
        testing_support::ZeroBytes(image, entry + 26, 2);  // and low word
    }
    platform::Drives().Register({u'L', image, 0, platform::DriveKind::Image});
    ScanContext context;
    context.recoveryMode = 2;
    RecordingHost host;
    testing::internal::CaptureStderr();
    ScanOutcome outcome = RunScanThread(context, host, u'L');
    testing::internal::GetCapturedStderr();
    ASSERT_EQ(outcome.end, ScanEnd::Finished);
    ASSERT_EQ(context.resultKind, ResultKind::Fat32Catalog);

    const std::vector<std::u16string> expected = {u"dir1", u"  年度报告", u"dir2", u"  Alpha Team"};
    EXPECT_EQ(FoundFolderNames(*BuildTree(context, u'L')), expected);
    EXPECT_EQ(FoundFolderNames(*BuildTree(context, u'L')), expected) << "a second tree names them alike";
}

}  // namespace
