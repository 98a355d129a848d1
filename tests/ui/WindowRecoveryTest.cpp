#include "ui/CRuvexDlg.h"

#include "platform/DriveTable.h"
#include "tests/e2e/CliRunner.h"
#include "tests/support/ScratchMount.h"
#include "tests/support/TestVolumes.h"
#include "tests/ui/OpenWindow.h"
#include "tests/ui/UiTestSupport.h"
#include "tests/ui/WindowTestSupport.h"
#include "toolkit/MarkupButton.h"

#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;

TEST(ResultsWindow, RecoverThisFileSavesTheFirstSelectedRow) {
    auto open = Open("ntfs-small", 1);
    if (!open) GTEST_SKIP();
    const std::string folder = testing_support::MakeTempFolder("one-file");
    open->ClickNode({"删除的文件", "Photos", "2024", "trip"});
    {
        ScriptedUser user(std::nullopt);
        open->window->OnRecoverThisFile();
        EXPECT_TRUE(user.proposals.isEmpty()) << "no row selected: nothing happens";
    }
    open->ClickRow("sunset.jpg");
    {
        ScriptedUser user(QString::fromStdString(folder + "/saved.jpg"));
        open->window->findChild<QMenu*>("listMenu")->actions().front()->trigger();
        ASSERT_EQ(user.proposals.size(), 1);
        EXPECT_TRUE(user.proposals[0].endsWith("/sunset.jpg")) << "the row's name is proposed";
        EXPECT_TRUE(user.messages.isEmpty()) << "a good copy says nothing";
    }
    EXPECT_EQ(testing_support::FileSha256(folder + "/saved.jpg"), Manifest("ntfs-small").at("/Photos/2024/trip/sunset.jpg"));
    {
        ScriptedUser user(QString::fromStdString(folder + "/no/such/folder/x.jpg"));
        open->window->OnRecoverThisFile();
        ASSERT_EQ(user.messages.size(), 1) << "a failed copy is reported";
        EXPECT_TRUE(user.messages[0].startsWith("无法保存此文件")) << user.messages[0].toStdString();
    }
}

// The same ticks give the same files, byte for byte, as ruvex-cli.

TEST(ResultsWindow, RecoveryWritesWhatTheCommandLineWrites) {
    struct Case {
        const char* volume;
        int mode;
        const char* modeName;
    };
    for (const Case& c : {Case{"ntfs-small", 1, "deleted"}, Case{"fat32-small", 2, "full"}, Case{"raw-small", 2, "full"}}) {
        SCOPED_TRACE(c.volume);
        auto open = Open(c.volume, c.mode);
        if (!open) GTEST_SKIP();
        open->TickNode({});
        const std::string fromWindow = testing_support::MakeTempFolder("window");
        {
            ScriptedUser user(QString::fromStdString(fromWindow));
            QTest::mouseClick(open->window->findChild<MarkupButton*>("recoverButton"), Qt::LeftButton);
            ASSERT_EQ(user.proposals, QStringList{QDir::homePath()});
            EXPECT_EQ(user.messages, QStringList{"恢复完成"});
        }
        const std::string fromCli = testing_support::MakeTempFolder("cli");
        CliResult cli = RunCli({"recover", "--image", testing_support::VolumePath(c.volume), "--letter", "D", "--mode",
                                c.modeName, "--to", fromCli});
        ASSERT_EQ(cli.exitCode, 0) << cli.err;
        auto windowTree = HashTree(fromWindow);
        EXPECT_FALSE(windowTree.empty());
        EXPECT_EQ(windowTree, HashTree(fromCli));
    }
}


TEST(ResultsWindow, TickedRowsAreRecoveredWithTheirFolders) {
    auto open = Open("ntfs-small", 1);
    if (!open) GTEST_SKIP();
    open->ClickNode({"删除的文件", "Photos", "2024", "trip"});
    QModelIndex beach = open->Row("beach.jpg");
    QTest::mouseClick(open->list->viewport(), Qt::LeftButton, {}, open->list->CheckBoxRect(beach).center());
    EXPECT_EQ(open->Node({"删除的文件", "Photos"}).data(Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Checked);
    const std::string folder = testing_support::MakeTempFolder("rows");
    {
        ScriptedUser user(QString::fromStdString(folder));
        open->window->OnStartRecovery();
        EXPECT_EQ(user.messages, QStringList{"恢复完成"});
    }
    auto written = HashTree(folder);
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written[0].first, "D盘恢复的文件/删除的文件/Photos/2024/trip/beach.jpg");
    EXPECT_EQ(written[0].second, Manifest("ntfs-small").at("/Photos/2024/trip/beach.jpg"));
}


TEST(ResultsWindow, ADestinationTooSmallIsRefusedAndTheFolderIsChosenAgain) {
    auto open = Open("ntfs-small", 1);
    if (!open) GTEST_SKIP();
    testing_support::ScratchMount small("size=1m");
    if (!small.WhyNot().empty()) GTEST_SKIP() << small.WhyNot();
    open->TickNode({});
    const std::string roomy = testing_support::MakeTempFolder("roomy");
    {
        ScriptedUser user({QString::fromStdString(small.Path()), QString::fromStdString(roomy)});
        open->window->OnStartRecovery();
        ASSERT_EQ(user.proposals.size(), 2) << "the chooser opens again after the refusal";
        ASSERT_EQ(user.messages.size(), 2);
        EXPECT_TRUE(user.messages[0].startsWith("目标盘空间不足:恢复需要3M,目标盘只有1024KB可用"))
            << user.messages[0].toStdString();
        EXPECT_EQ(user.messages[1], "恢复完成");
    }
    EXPECT_TRUE(fs::is_empty(small.Path()));
    EXPECT_FALSE(HashTree(roomy).empty());
}

TEST(ResultsWindow, NothingIsWrittenToTheScannedDevice) {
    auto open = Open("ntfs-small", 1);
    if (!open) GTEST_SKIP();
    const std::string folder = testing_support::MakeTempFolder("same-device");
    const std::string device = testing_support::DeviceHolding(folder);
    if (device.empty()) GTEST_SKIP() << "the temporary folder's device has no /dev node";
    // The scan is over; the drive now stands for the device the folder is on.
    platform::Drives().Register({u'D', device, 0, platform::DriveKind::Fixed});
    open->TickNode({});
    {
        ScriptedUser user(QString::fromStdString(folder));
        open->window->OnStartRecovery();
        EXPECT_EQ(user.messages, QStringList{"不能保存到此盘,请选择另外一个盘保存数据!"});
    }
    open->ClickRow("deleted-root.txt");
    {
        ScriptedUser user(QString::fromStdString(folder + "/one.txt"));
        open->window->OnRecoverThisFile();
        EXPECT_EQ(user.messages, QStringList{"不能保存到此盘,请选择另外一个盘保存数据!"});
    }
    EXPECT_TRUE(fs::is_empty(folder));
    {
        ScriptedUser user(std::nullopt);
        open->window->OnStartRecovery();
        EXPECT_TRUE(user.messages.isEmpty()) << "a cancelled chooser ends the command silently";
    }
}


TEST(ResultsWindow, AStoppedRecoveryLeavesOnlyWholeFiles) {
    auto open = Open("ntfs-large", 1);
    if (!open) GTEST_SKIP();
    open->TickNode({});
    const std::string folder = testing_support::MakeTempFolder("stopped");
    ScriptedUser user(QString::fromStdString(folder));
    // Stop once the first file (30 MiB) is written, while the next is being written.
    QTimer stopper;
    QObject::connect(&stopper, &QTimer::timeout, [&] {
        auto* dialog = open->window->findChild<QDialog*>("recoveryProgress");
        auto* files = dialog ? dialog->findChild<QLabel*>("filesText") : nullptr;
        if (files && files->text().startsWith("已恢复") && !files->text().startsWith("已恢复0个")) {
            QTest::mouseClick(dialog->findChild<QPushButton*>("stopButton"), Qt::LeftButton);
            stopper.stop();
        }
    });
    stopper.start(1);
    open->window->OnStartRecovery();
    ASSERT_EQ(user.messages.size(), 1);
    const auto manifest = Manifest("ntfs-large");
    const std::string base = "D盘恢复的文件/删除的文件";
    for (const auto& [path, hash] : HashTree(folder)) {
        ASSERT_EQ(path.rfind(base, 0), 0u) << path;
        EXPECT_EQ(hash, manifest.at(path.substr(base.size()))) << path << " is whole";
    }
    if (user.messages[0] != "恢复完成") EXPECT_TRUE(user.messages[0].startsWith("恢复已停止")) << user.messages[0].toStdString();
}

}  // namespace
