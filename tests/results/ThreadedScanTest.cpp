// Scans and recoveries on a worker thread, as the desktop program runs them,
// stopped from the test thread. The host holds the worker at a chosen
// progress report until the test thread has pressed Stop, so every phase of
// every kind of scan is stopped in turn; a stop must end the scan promptly,
// report "stopped", and leave results that the views and the recovery can use.
#include "carving/BaseFile.h"
#include "catalog/DelFile.h"
#include "engine/ScanContext.h"
#include "engine/ScanHost.h"
#include "engine/ScanThread.h"
#include "platform/DriveTable.h"
#include "platform/TextConvert.h"
#include "results/RecoveryHost.h"
#include "results/RecoveryWriter.h"
#include "results/ResultsModel.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <map>
#include <mutex>
#include <thread>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// A rendezvous between the worker and the test thread: the worker's
// `pauseAt`-th report waits there until the test thread lets it go.
class Rendezvous {
public:
    explicit Rendezvous(int pauseAt) : m_pauseAt(pauseAt) {}

    // Worker: counts a report and waits at the chosen one.
    void Step() {
        if (++m_steps != m_pauseAt) return;
        std::unique_lock lock(m_mutex);
        m_paused = true;
        m_changed.notify_all();
        m_changed.wait(lock, [&] { return m_resumed; });
    }
    // Worker: the work is over.
    void End() {
        std::lock_guard lock(m_mutex);
        m_ended = true;
        m_endedAt = Clock::now();
        m_changed.notify_all();
    }
    // Test thread: true when the worker waits at its step, false when it
    // ended first.
    bool WaitForPauseOrEnd() {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_paused || m_ended; });
        return m_paused && !m_ended;
    }
    void Resume() {
        std::lock_guard lock(m_mutex);
        m_resumed = true;
        m_changed.notify_all();
    }
    // Read after the worker has been joined.
    int Steps() const { return m_steps; }
    Clock::time_point EndedAt() const { return m_endedAt; }

private:
    const int m_pauseAt;
    int m_steps = 0;  // the worker's own
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_paused = false;
    bool m_resumed = false;
    bool m_ended = false;
    Clock::time_point m_endedAt;
};

class PausingScanHost : public ScanHost {
public:
    explicit PausingScanHost(int pauseAt) : rendezvous(pauseAt) {}

    void SetProgressRange(uint64_t) override { rendezvous.Step(); }
    void SetProgressPosition(uint64_t) override { rendezvous.Step(); }
    void SetPercentText(const std::u16string&) override {}
    void SetFoundText(const std::u16string&) override {}
    void SetTitle(const std::u16string&) override { rendezvous.Step(); }
    void SetFoundCount(uint32_t) override {}
    void ShowMessage(const std::u16string&, const std::u16string&) override {}
    void ScanEnded(const ScanOutcome& ended) override {
        outcome = ended;
        ++endings;
        rendezvous.End();
    }

    Rendezvous rendezvous;
    ScanOutcome outcome;  // read after the join
    int endings = 0;
};

struct Kind {
    const char* volume;
    int mode;
};

void PrintTo(const Kind& kind, std::ostream* out) { *out << kind.volume << " mode " << kind.mode; }

// Every found file's object is there, its folders are kept, and the views
// build and preview from what the stopped scan left.
void ExpectConsistent(ScanContext& context, char16_t letter) {
    for (const DeletedFileItem& item : context.deletedFiles) {
        if (item.carvedType != 0) {
            CBaseFile* carved = context.CarvedFileOf(item);
            ASSERT_NE(carved, nullptr) << platform::ToUtf8(item.name);
            EXPECT_EQ(carved->GetLength(), item.size);
            EXPECT_TRUE(context.folderMap.contains(FolderKeyOf(item))) << "its type folder exists";
            continue;
        }
        ASSERT_TRUE(context.recordReader) << "an NTFS file needs the record reader";
        uint64_t key = FolderKeyOfReference(item.parentRef);
        for (int depth = 0; key != kRootFolderKey && depth < 1000; ++depth) {
            auto folder = context.folderMap.find(key);
            ASSERT_NE(folder, context.folderMap.end()) << platform::ToUtf8(item.name) << ": a folder is missing";
            EXPECT_EQ(folder->second.used, 1);
            if (folder->second.parentRef == 0) break;
            key = FolderKeyOfReference(folder->second.parentRef);
        }
    }
    ResultsModel model(context, letter);
    ForEachInSubtree(model.Root(), [&](TreeNode& node) {
        for (ListRow& row : RowsForNode(context, node)) {
            std::vector<uint8_t> content;
            if (row.file) row.file->ReadContent(content);
        }
    });
}

// Runs the whole scan on a worker thread, pausing at report `pauseAt` (0:
// never) to press Stop from this thread. Returns the reports a full run makes
// when it is not stopped.
int ScanStoppedAt(const Kind& kind, int pauseAt, char16_t letter) {
    ScanContext context;
    context.recoveryMode = kind.mode;
    PausingScanHost host(pauseAt);
    std::thread worker([&] { RunScanThread(context, host, letter); });
    bool paused = pauseAt > 0 && host.rendezvous.WaitForPauseOrEnd();
    Clock::time_point stoppedAt;
    if (paused) {
        stoppedAt = Clock::now();
        host.RequestStop();
        host.rendezvous.Resume();
    }
    worker.join();
    EXPECT_EQ(host.endings, 1) << "the host hears the end exactly once";
    if (paused) {
        EXPECT_EQ(host.outcome.end, ScanEnd::Stopped) << "report " << pauseAt;
        auto took = std::chrono::duration_cast<std::chrono::milliseconds>(host.rendezvous.EndedAt() - stoppedAt);
        EXPECT_LT(took.count(), 1000) << "report " << pauseAt << ": a stop ends the scan within a second";
    } else {
        EXPECT_EQ(host.outcome.end, ScanEnd::Finished) << platform::ToUtf8(host.outcome.reason);
    }
    ExpectConsistent(context, letter);
    return host.rendezvous.Steps();
}

class ThreadedScan : public testing::TestWithParam<Kind> {};

TEST_P(ThreadedScan, StoppedFromAnotherThreadAtEveryStageEndsPromptlyWithConsistentResults) {
    const Kind& kind = GetParam();
    if (!testing_support::VolumeExists(kind.volume)) GTEST_SKIP();
    const char16_t letter = u'T';
    platform::Drives().Register({letter, testing_support::VolumePath(kind.volume), 0, platform::DriveKind::Image});
    const int reports = ScanStoppedAt(kind, 0, letter);
    ASSERT_GT(reports, 3);
    for (int pauseAt : {1, 2, reports / 4, reports / 2, 3 * reports / 4, reports - 1}) {
        SCOPED_TRACE(std::string(kind.volume) + " mode " + std::to_string(kind.mode) + ", stopped at report " +
                     std::to_string(pauseAt) + " of " + std::to_string(reports));
        ScanStoppedAt(kind, pauseAt, letter);
    }
}

TEST_P(ThreadedScan, StopRacingTheScanEndsItConsistently) {
    const Kind& kind = GetParam();
    if (!testing_support::VolumeExists(kind.volume)) GTEST_SKIP();
    platform::Drives().Register({u'T', testing_support::VolumePath(kind.volume), 0, platform::DriveKind::Image});
    ScanContext context;
    context.recoveryMode = kind.mode;
    PausingScanHost host(0);
    std::thread worker([&] { RunScanThread(context, host, u'T'); });
    host.RequestStop();  // no rendezvous: the two threads race
    worker.join();
    // A small volume may be scanned whole before the stop is seen.
    EXPECT_TRUE(host.outcome.end == ScanEnd::Stopped || host.outcome.end == ScanEnd::Finished);
    EXPECT_EQ(host.endings, 1);
    ExpectConsistent(context, u'T');
}

INSTANTIATE_TEST_SUITE_P(Volumes, ThreadedScan,
                         testing::Values(Kind{"ntfs-small", 1}, Kind{"ntfs-small", 2}, Kind{"fat32-small", 1},
                                         Kind{"raw-small", 1}),
                         [](const testing::TestParamInfo<Kind>& info) {
                             std::string name = std::string(info.param.volume) + "_mode" +
                                                std::to_string(info.param.mode);
                             for (char& c : name)
                                 if (c == '-') c = '_';
                             return name;
                         });

class PausingRecoveryHost : public RecoveryHost {
public:
    explicit PausingRecoveryHost(int pauseAt) : rendezvous(pauseAt) {}
    void SetTotal(uint64_t, uint64_t) override {}
    void SetDone(uint64_t, uint64_t) override { rendezvous.Step(); }
    Rendezvous rendezvous;
};

TEST(ThreadedRecovery, StoppedFromAnotherThreadKeepsOnlyWholeFiles) {
    if (!testing_support::VolumeExists("ntfs-small")) GTEST_SKIP();
    platform::Drives().Register({u'T', testing_support::VolumePath("ntfs-small"), 0, platform::DriveKind::Image});
    ScanContext context;
    context.recoveryMode = 1;
    PausingScanHost scanHost(0);
    ASSERT_EQ(RunScanThread(context, scanHost, u'T').end, ScanEnd::Finished);
    std::map<std::string, std::string> hashes;
    for (const auto& entry : testing_support::LoadManifest("ntfs-small")) hashes[entry.path] = entry.sha256;

    ResultsModel model(context, u'T');
    model.ClickNodeCheckBox(model.Root());
    const std::string destination = testing_support::MakeTempFolder("threaded-recovery");
    // The 3 MiB file reports every 64 KiB: stop in its middle.
    PausingRecoveryHost host(20);
    RecoveryReport report;
    std::thread worker([&] {
        RecoveryWriter writer(context);
        report = writer.RecoverAll(model.Root(), platform::FromUtf8(destination), u'T', &host);
        host.rendezvous.End();
    });
    if (host.rendezvous.WaitForPauseOrEnd()) {
        host.RequestStop();
        host.rendezvous.Resume();
    }
    worker.join();
    EXPECT_TRUE(report.stopped);
    ASSERT_FALSE(report.cutShort.empty());
    EXPECT_FALSE(fs::exists(report.cutShort)) << "the file cut short is removed";
    const std::string base = destination + "/T盘恢复的文件/删除的文件";
    uint64_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(base)) {
        if (!entry.is_regular_file()) continue;
        ++files;
        std::string path = entry.path().string().substr(base.size());
        ASSERT_TRUE(hashes.contains(path)) << path;
        EXPECT_EQ(testing_support::FileSha256(entry.path().string()), hashes.at(path)) << path;
    }
    EXPECT_EQ(files, report.filesWritten);
    EXPECT_LT(report.filesWritten, report.filesPlanned);
}

}  // namespace
