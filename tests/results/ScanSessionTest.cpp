// A session as the desktop program runs it: a scan, the views, a recovery,
// and a second scan on the same context. Nothing of one scan may show in the
// next, and a stopped recovery keeps only whole files.
#include "engine/ScanContext.h"
#include "engine/ScanThread.h"
#include "platform/DriveTable.h"
#include "platform/TextConvert.h"
#include "results/RecoveryHost.h"
#include "results/RecoveryWriter.h"
#include "results/ResultsModel.h"
#include "tests/engine/RecordingHost.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>

namespace {

namespace fs = std::filesystem;

ScanOutcome Scan(ScanContext& context, const std::string& volume, int mode, char16_t letter) {
    platform::Drives().Register({letter, testing_support::VolumePath(volume), 0, platform::DriveKind::Image});
    context.recoveryMode = mode;
    RecordingHost host;
    testing::internal::CaptureStderr();
    ScanOutcome outcome = RunScanThread(context, host, letter);
    testing::internal::GetCapturedStderr();
    return outcome;
}

// Relative path below `folder` -> SHA-256 of every file written there.
std::map<std::string, std::string> HashTree(const std::string& folder) {
    std::map<std::string, std::string> hashes;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            hashes[entry.path().string().substr(folder.size())] = testing_support::FileSha256(entry.path().string());
    return hashes;
}

std::map<std::string, std::string> DeletedFileHashes(const std::string& volume) {
    std::map<std::string, std::string> hashes;
    for (const auto& entry : testing_support::LoadManifest(volume))
        if (entry.kind == "file" && entry.state != "live") hashes[entry.path] = entry.sha256;
    return hashes;
}

TEST(ScanSession, ASecondScanOnTheSameContextKeepsNothingOfTheFirst) {
    for (const char* volume : {"ntfs-large", "ntfs-small", "fat32-small"})
        if (!testing_support::VolumeExists(volume)) GTEST_SKIP();
    ScanContext context;
    // A full scan of an NTFS volume leaves every kind of state behind:
    // carved files, type folders, a device, a record reader, volumes.
    ASSERT_EQ(Scan(context, "ntfs-large", 2, u'P').end, ScanEnd::Finished);
    ASSERT_FALSE(context.deletedFiles.empty());
    ResultsModel first(context, u'P');

    ASSERT_EQ(Scan(context, "ntfs-small", 1, u'Q').end, ScanEnd::Finished);
    EXPECT_EQ(context.resultKind, ResultKind::Ntfs);
    EXPECT_TRUE(context.carvedFiles.empty());
    EXPECT_FALSE(context.scanDevice) << "deleted-file mode on NTFS runs no full scan";
    EXPECT_EQ(context.openVolumes.size(), 1u);
    EXPECT_TRUE(context.catalog.lostFatFolders.empty());
    for (const auto& [key, folder] : context.folderMap) EXPECT_FALSE(IsCategoryKey(key)) << "no type folder is left";

    ResultsModel model(context, u'Q');
    model.ClickNodeCheckBox(model.Root());
    const std::string destination = testing_support::MakeTempFolder("second-scan");
    RecoveryReport report =
        RecoveryWriter(context).RecoverAll(model.Root(), platform::FromUtf8(destination), u'Q');
    EXPECT_TRUE(report.Succeeded());
    const std::string deleted = destination + "/Q盘恢复的文件/删除的文件";
    const std::map<std::string, std::string> written = HashTree(deleted);
    const std::map<std::string, std::string> expected = DeletedFileHashes("ntfs-small");
    EXPECT_EQ(written, expected) << "exactly the second volume's deleted files, byte-identical";
    EXPECT_EQ(HashTree(destination + "/Q盘恢复的文件").size(), written.size()) << "nothing else is written";

    // A FAT32 scan after the NTFS one: no record reader or NTFS volume stays.
    ASSERT_EQ(Scan(context, "fat32-small", 1, u'R').end, ScanEnd::Finished);
    EXPECT_EQ(context.resultKind, ResultKind::Fat32Catalog);
    EXPECT_FALSE(context.recordReader);
    EXPECT_TRUE(context.openVolumes.empty());
    EXPECT_EQ(context.lostFolderCounter, 0u);
    for (const DeletedFileItem& item : context.deletedFiles) EXPECT_NE(item.carvedType, 0u);
}

// Stops the recovery once it has written `stopAfter` bytes.
class StoppingRecoveryHost : public RecoveryHost {
public:
    explicit StoppingRecoveryHost(uint64_t stopAfter) : m_stopAfter(stopAfter) {}
    void SetTotal(uint64_t files, uint64_t bytes) override {
        totalFiles = files;
        totalBytes = bytes;
    }
    void SetDone(uint64_t files, uint64_t bytes) override {
        EXPECT_GE(bytes, lastBytes) << "progress never goes back";
        lastBytes = bytes;
        doneFiles = files;
        if (bytes >= m_stopAfter) RequestStop();
    }
    uint64_t totalFiles = 0;
    uint64_t totalBytes = 0;
    uint64_t doneFiles = 0;
    uint64_t lastBytes = 0;

private:
    uint64_t m_stopAfter;
};

TEST(ScanSession, RecoveryStoppedMidwayKeepsWholeFilesAndRemovesTheOneCutShort) {
    if (!testing_support::VolumeExists("ntfs-small")) GTEST_SKIP();
    ScanContext context;
    ASSERT_EQ(Scan(context, "ntfs-small", 1, u'S').end, ScanEnd::Finished);
    ResultsModel model(context, u'S');
    model.ClickNodeCheckBox(model.Root());
    const std::string destination = testing_support::MakeTempFolder("stopped-recovery");
    // The 3 MiB file in the root is written in 64 KiB steps: stop inside it.
    StoppingRecoveryHost host(1 << 20);
    RecoveryReport report = RecoveryWriter(context).RecoverAll(model.Root(), platform::FromUtf8(destination), u'S', &host);

    EXPECT_EQ(host.totalFiles, context.deletedFiles.size());
    EXPECT_EQ(report.filesPlanned, host.totalFiles);
    EXPECT_TRUE(report.stopped);
    EXPECT_FALSE(report.Succeeded());
    ASSERT_FALSE(report.cutShort.empty());
    EXPECT_NE(report.cutShort.find("big-3MiB.txt"), std::string::npos) << report.cutShort;
    EXPECT_FALSE(fs::exists(report.cutShort)) << "the file cut short does not exist";
    const std::string deleted = destination + "/S盘恢复的文件/删除的文件";
    const std::map<std::string, std::string> written = HashTree(deleted);
    const std::map<std::string, std::string> expected = DeletedFileHashes("ntfs-small");
    EXPECT_EQ(written.size(), report.filesWritten);
    EXPECT_LT(report.filesWritten, report.filesPlanned);
    for (const auto& [path, hash] : written) EXPECT_EQ(hash, expected.at(path)) << path << " is whole";
}

}  // namespace
