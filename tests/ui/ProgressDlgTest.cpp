#include "bench/SilentScanHost.h"
#include "engine/ScanContext.h"
#include "engine/ScanHost.h"
#include "engine/ScanThread.h"
#include "tests/support/TestVolumes.h"
#include "tests/ui/StepTestSupport.h"
#include "toolkit/MarkupButton.h"
#include "ui/ProgressDlg.h"
#include "ui/ScanFailureText.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using testing_support::VolumePath;

#ifdef NDEBUG
constexpr int kTimeScale = 1;
#else
constexpr int kTimeScale = 10;
#endif

struct TextShown {
    QString control;
    QString text;
};

struct ProgressRun {
    int result = -1;
    std::vector<TextShown> texts;
    uint32_t foundCount = 0;
    QString finalStatus;
    ScanOutcome outcome;

    std::vector<QString> Of(const QString& control) const {
        std::vector<QString> picked;
        for (const TextShown& shown : texts)
            if (shown.control == control) picked.push_back(shown.text);
        return picked;
    }
};

ProgressRun RunProgress(ScanContext& context, char16_t letter) {
    ProgressRun run;
    CProgressDlg dialog(context, letter);
    QObject::connect(&dialog, &CProgressDlg::TextShown,
                     [&](const QString& control, const QString& text) { run.texts.push_back({control, text}); });
    run.result = dialog.exec();
    run.foundCount = dialog.FoundCount();
    run.finalStatus = dialog.findChild<QLabel*>(QStringLiteral("statusText"))->text();
    run.outcome = dialog.Outcome();
    return run;
}

class ProgressDlgVolumes : public testing::TestWithParam<std::tuple<const char*, int>> {};

TEST_P(ProgressDlgVolumes, AWholeScanEndsWithOkAndTheEngineTextsInOrder) {
    const auto [name, mode] = GetParam();
    UseDrives({{u'D', VolumePath(name)}});
    ScanContext context;
    context.recoveryMode = mode;
    MessageRecorder messages;
    const ProgressRun run = RunProgress(context, u'D');
    ASSERT_EQ(run.result, QDialog::Accepted);
    EXPECT_EQ(run.outcome.end, ScanEnd::Finished);
    // What the scan could not read is told before the results show.
    if (run.outcome.reason.empty()) {
        EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join(u'|').toStdString();
    } else {
        ASSERT_EQ(messages.texts.size(), 1);
        EXPECT_TRUE(messages.texts[0].contains(QString::fromStdU16String(run.outcome.reason)));
    }

    const std::vector<QString> titles = run.Of(QStringLiteral("progressDialog"));
    const bool fullScan = !titles.empty();
    if (fullScan) {
        ASSERT_GE(titles.size(), 2u);
        EXPECT_EQ(titles[0], QStringLiteral("正在初始化,请等待......"));
        EXPECT_EQ(titles.back(), QStringLiteral("正在搜索D盘文件"));
    }
    // The found-files line counts up one by one and ends at the dialog's count;
    // a sweep alone never writes it.
    const std::vector<QString> found = run.Of(QStringLiteral("statusText"));
    for (size_t i = 0; i < found.size(); ++i) EXPECT_EQ(found[i], QStringLiteral("找到%1个文件").arg(i + 1));
    EXPECT_EQ(found.size(), run.foundCount);
    if (found.empty()) {
        EXPECT_EQ(run.finalStatus, QStringLiteral("    "));
    }
    for (const QString& percent : run.Of(QStringLiteral("percentText"))) EXPECT_TRUE(percent.endsWith(QLatin1Char('%')));

    // The same results as a scan without a window.
    ScanContext direct;
    direct.recoveryMode = mode;
    SilentScanHost host;
    RunScanThread(direct, host, u'D');
    ASSERT_EQ(context.deletedFiles.size(), direct.deletedFiles.size());
    for (size_t i = 0; i < direct.deletedFiles.size(); ++i)
        EXPECT_EQ(context.deletedFiles[i].name, direct.deletedFiles[i].name);
}

INSTANTIATE_TEST_SUITE_P(Volumes, ProgressDlgVolumes,
                         testing::Combine(testing::Values("ntfs-small", "fat32-small", "raw-small", "ntfs-large",
                                                          "ntfs-compressed", "ntfs-orphan", "demo"),
                                          testing::Values(1, 2)),
                         [](const testing::TestParamInfo<std::tuple<const char*, int>>& info) {
                             std::string name = std::get<0>(info.param);
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name + (std::get<1>(info.param) == 1 ? "_deleted" : "_full");
                         });

TEST(ProgressDlgTest, TheSweepShowsPerMilleSteps) {
    UseDrives({{u'D', VolumePath("ntfs-small")}});
    ScanContext context;
    context.recoveryMode = 1;
    const std::vector<QString> percents = RunProgress(context, u'D').Of(QStringLiteral("percentText"));
    ASSERT_FALSE(percents.empty());
    EXPECT_EQ(percents.back(), QStringLiteral("100.0%"));
    for (const QString& percent : percents) EXPECT_TRUE(percent.contains(QLatin1Char('.')));
}

// 8 GiB of zeros scanned sector by sector: long enough to be stopped midway.
std::string LargeBlankDisk() {
    static const std::string path = testing_support::MakeSparseFile("blank-disk", 8ULL << 30);
    return path;
}

TEST(ProgressDlgTest, CancelMidScanEndsAtOnceAndTheWorkerStopsSoonAfter) {
    UseDrives({{u'X', LargeBlankDisk()}});
    ScanContext context;
    context.recoveryMode = 2;
    QElapsedTimer clock;
    qint64 cancelledAt = 0;
    qint64 endedAt = 0;
    {
        CProgressDlg dialog(context, u'X');
        QObject::connect(&dialog, &CProgressDlg::TextShown, [&](const QString& control, const QString&) {
            if (control == QStringLiteral("percentText") && cancelledAt == 0) {
                cancelledAt = clock.elapsed();
                dialog.CancelButton().click();
            }
        });
        clock.start();
        EXPECT_EQ(dialog.exec(), QDialog::Rejected);
        endedAt = clock.elapsed();
        EXPECT_GT(dialog.Progress().value(), 0);
        EXPECT_LT(dialog.Progress().value(), dialog.Progress().maximum());
    }
    ASSERT_GT(cancelledAt, 0);
    EXPECT_LT(endedAt - cancelledAt, 100 * kTimeScale);
    // Leaving the block above waited for the worker.
    EXPECT_LT(clock.elapsed() - cancelledAt, 1000 * kTimeScale);
}

TEST(ProgressDlgTest, EnterDoesNotEndTheScanAndEscapeCancels) {
    UseDrives({{u'X', LargeBlankDisk()}});
    ScanContext context;
    context.recoveryMode = 2;
    CProgressDlg dialog(context, u'X');
    bool pressed = false;
    QObject::connect(&dialog, &CProgressDlg::TextShown, [&](const QString& control, const QString&) {
        if (control != QStringLiteral("percentText") || pressed) return;
        pressed = true;
        QTest::keyClick(&dialog, Qt::Key_Return);
        EXPECT_TRUE(dialog.isVisible());
        QTest::keyClick(&dialog, Qt::Key_Escape);
    });
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
    EXPECT_TRUE(pressed);
    EXPECT_TRUE(dialog.StopRequested());
}

TEST(ProgressDlgTest, ADriveThatCannotBeOpenedShowsTheReasonAndEndsAsFailed) {
    MessageRecorder messages;
    UseDrives({{u'Q', "/nonexistent/disk.img"}});
    ScanContext context;
    const ProgressRun run = RunProgress(context, u'Q');
    EXPECT_EQ(run.result, CProgressDlg::kScanFailed);
    ASSERT_EQ(messages.texts.size(), 1);
    EXPECT_TRUE(messages.texts[0].startsWith(QStringLiteral("无法扫描Q盘: ")));
    EXPECT_TRUE(messages.texts[0].contains(QStringLiteral("/nonexistent/disk.img: no such file or device")));
    EXPECT_FALSE(messages.texts[0].contains(QStringLiteral("sudo")));
}

TEST(ProgressDlgTest, ADiskWithoutPermissionSuggestsWhatGivesTheRightsOnThisMachine) {
    const std::u16string reason = u"permission denied: run as root to read /dev/sdb";
    const QString service = ScanFailureText(u'E', reason, true, AdminRoute::DiskService);
    EXPECT_TRUE(service.contains(QStringLiteral("permission denied: run as root to read /dev/sdb")));
    EXPECT_TRUE(service.contains(QStringLiteral("管理员密码")));
    EXPECT_FALSE(service.contains(QStringLiteral("sudo")));
    EXPECT_TRUE(ScanFailureText(u'E', u"not authorised: dismissed", true, AdminRoute::DiskService)
                    .contains(QStringLiteral("管理员密码")));

    const QString pkexec = ScanFailureText(u'E', reason, true, AdminRoute::Pkexec);
    EXPECT_TRUE(pkexec.contains(QStringLiteral("pkexec ruvex")));
    EXPECT_FALSE(pkexec.contains(QStringLiteral("sudo")));
    // Without Ruvex's polkit action pkexec would drop the display: not suggested.
    const QString sudo = ScanFailureText(u'E', reason, true, AdminRoute::Sudo);
    EXPECT_TRUE(sudo.contains(QStringLiteral("sudo ruvex")));
    EXPECT_FALSE(sudo.contains(QStringLiteral("pkexec")));

    EXPECT_FALSE(ScanFailureText(u'E', reason, false, AdminRoute::Sudo).contains(QStringLiteral("sudo")));
}

TEST(ProgressDlgTest, KeepsTheLayoutOfItsTexts) {
    ScanContext context;
    CProgressDlg dialog(context, u'D');
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("正在扫描D盘......"));
    auto* percent = dialog.findChild<QLabel*>(QStringLiteral("percentText"));
    auto* status = dialog.findChild<QLabel*>(QStringLiteral("statusText"));
    EXPECT_EQ(percent->text(), QStringLiteral("百分比"));
    EXPECT_EQ(status->text(), QStringLiteral("    "));
    EXPECT_EQ(percent->geometry(), dialog.ToPixels({96, 162, 61, 8}));
    EXPECT_EQ(status->geometry(), dialog.ToPixels({97, 134, 94, 8}));
    EXPECT_EQ(dialog.Progress().geometry(), dialog.ToPixels({115, 197, 253, 14}));
    EXPECT_EQ(dialog.CancelButton().geometry(), dialog.ToPixels({227, 19, 50, 40}));
    // The times sit below the bar and overlap none of the scan's texts.
    for (const char* name : {"elapsedText", "remainingText", "speedText"}) {
        const QRect added = dialog.findChild<QLabel*>(QString::fromLatin1(name))->geometry();
        EXPECT_GT(added.top(), dialog.Progress().geometry().bottom()) << name;
        EXPECT_FALSE(added.intersects(percent->geometry())) << name;
    }
}

}  // namespace
