#include "ui/CRuvexDlg.h"

#include "engine/ScanContext.h"
#include "platform/DriveTable.h"
#include "platform/TextConvert.h"
#include "results/ResultsModel.h"
#include "tests/e2e/CliRunner.h"
#include "tests/support/TestVolumes.h"
#include "tests/ui/UiTestSupport.h"
#include "tests/ui/ScannedVolume.h"
#include "tests/ui/WindowTestSupport.h"
#include "toolkit/HexView.h"
#include "toolkit/MarkupButton.h"
#include "toolkit/PageTabWidget.h"
#include "ui/ResultItemView.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QMenu>
#include <QPlainTextEdit>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

namespace {

namespace fs = std::filesystem;

// A scanned volume with its results window open.
struct OpenWindow {
    std::unique_ptr<ScannedVolume> scanned;
    std::unique_ptr<CRuvexDlg> window;
    ResultItemView* tree = nullptr;
    ResultItemView* list = nullptr;
    PageTabWidget* tabs = nullptr;

    QModelIndex Node(const QStringList& path) const {
        QAbstractItemModel& model = *tree->model();
        QModelIndex index = model.index(0, 0);
        for (const QString& text : path) {
            QModelIndex next;
            for (int row = 0; row < model.rowCount(index); ++row)
                if (model.index(row, 0, index).data().toString() == text) next = model.index(row, 0, index);
            index = next;
        }
        return index;
    }
    QModelIndex Row(const QString& name) const {
        for (int row = 0; row < list->model()->rowCount(); ++row)
            if (list->model()->index(row, 0).data().toString() == name) return list->model()->index(row, 0);
        return {};
    }
    QStringList Rows() const {
        QStringList names;
        for (int row = 0; row < list->model()->rowCount(); ++row) names << list->model()->index(row, 0).data().toString();
        return names;
    }
    void ClickNode(const QStringList& path) const {
        QModelIndex node = Node(path);
        tree->scrollTo(node);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualRect(node).center());
    }
    void TickNode(const QStringList& path) const {
        QModelIndex node = Node(path);
        tree->scrollTo(node);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->CheckBoxRect(node).center());
    }
    void ClickRow(const QString& name) const {
        QModelIndex row = Row(name);
        list->scrollTo(row);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(row).center());
    }
    QString TabCaption() const { return tabs->count() == 1 ? tabs->tabText(0) : QString("%1 tabs").arg(tabs->count()); }
};

std::unique_ptr<OpenWindow> Open(const std::string& volume, int mode) {
    auto open = std::make_unique<OpenWindow>();
    open->scanned = ScanTestVolume(volume, mode);
    if (!open->scanned) return nullptr;
    open->window = std::make_unique<CRuvexDlg>(open->scanned->context, open->scanned->letter);
    open->window->show();
    if (!QTest::qWaitForWindowExposed(open->window.get())) return nullptr;
    open->tree = open->window->findChild<ResultItemView*>("resultTree");
    open->list = open->window->findChild<ResultItemView*>("resultList");
    open->tabs = open->window->findChild<PageTabWidget*>("previewTabs");
    return open;
}

std::map<std::string, std::string> Manifest(const std::string& volume) {
    std::map<std::string, std::string> hashes;
    for (const auto& entry : testing_support::LoadManifest(volume))
        if (entry.kind == "file") hashes[entry.path] = entry.sha256;
    return hashes;
}

TEST(ResultsWindow, OpensMaximisedWithTheDeletedFilesListed) {
    auto open = Open("ntfs-small", 1);
    if (!open) GTEST_SKIP();
    CRuvexDlg& window = *open->window;
    EXPECT_TRUE(window.windowState() & Qt::WindowMaximized);
    EXPECT_EQ(window.windowTitle(), "Velkor数据恢复软件V1.2");
    EXPECT_EQ(open->TabCaption(), "十六进程显示");
    EXPECT_EQ(open->tabs->currentWidget(), window.findChild<HexView*>("hexPage"));
    EXPECT_EQ(open->tree->currentIndex(), open->Node({"删除的文件"}));
    EXPECT_TRUE(open->tree->isExpanded(open->Node({})));
    EXPECT_TRUE(open->tree->isExpanded(open->Node({"删除的文件"})));
    EXPECT_EQ(open->Rows(), (QStringList{"empty.txt", "deleted-root.txt", "big-3MiB.txt"}));
    auto* recover = window.findChild<MarkupButton*>("recoverButton");
    auto* find = window.findChild<MarkupButton*>("findButton");
    ASSERT_TRUE(recover && find);
    EXPECT_EQ(recover->CaptionText(), "开始恢复");
    EXPECT_EQ(find->CaptionText(), "查找文件");
    EXPECT_EQ(recover->CaptionColor(), QColor("#749719"));
    for (int column = 0; column < 3; ++column)
        EXPECT_EQ(open->list->columnWidth(column), (std::array{320, 80, 120})[column]);

    // Every control is reached with Tab, in reading order.
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    open->tree->setFocus();
    QList<QWidget*> order;
    for (int i = 0; i < 4; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order << QApplication::focusWidget();
    }
    EXPECT_EQ(order, (QList<QWidget*>{open->list, open->tabs, recover, find}));
}

TEST(ResultsWindow, ControlsFollowTheirAnchorsWhenResized) {
    auto open = Open("ntfs-small", 1);
    if (!open) GTEST_SKIP();
    CRuvexDlg& window = *open->window;
    window.setWindowState(Qt::WindowNoState);
    window.resize(900, 700);
    QTest::qWait(20);
    auto* recover = window.findChild<MarkupButton*>("recoverButton");
    const QRect tree = open->tree->geometry(), list = open->list->geometry(), tabs = open->tabs->geometry(),
                button = recover->geometry();
    window.resize(1000, 780);
    QTest::qWait(20);
    EXPECT_EQ(open->tree->geometry(), tree.adjusted(0, 0, 0, 80)) << "keeps its width, grows down";
    EXPECT_EQ(open->list->geometry(), list.adjusted(0, 0, 100, 80)) << "grows both ways";
    EXPECT_EQ(open->tabs->geometry(), tabs.adjusted(0, 80, 100, 80)) << "moves down, keeps its height";
    EXPECT_EQ(recover->geometry(), button.translated(100, 0)) << "follows the right edge";
}

TEST(ResultsWindow, ClickedRowsArePreviewedOnTheirPage) {
    auto open = Open("ntfs-small", 1);
    if (!open) GTEST_SKIP();
    open->ClickNode({"删除的文件", "Photos", "2024", "trip"});
    ASSERT_EQ(open->Rows(), (QStringList{"beach.jpg", "sunset.jpg", "notes.txt"}));

    open->ClickRow("sunset.jpg");
    ASSERT_TRUE(WaitUntil([&] { return open->TabCaption() == "图片预览"; })) << open->TabCaption().toStdString();
    auto* picture = open->window->findChild<QLabel*>("picturePage");
    EXPECT_EQ(open->tabs->currentWidget(), picture);
    EXPECT_EQ(picture->pixmap().size(), QSize(400, 300));
    EXPECT_EQ(open->list->hasFocus() || QApplication::focusWidget() == open->list, true);

    open->ClickRow("notes.txt");
    ASSERT_TRUE(WaitUntil([&] { return open->TabCaption() == "十六进制显示"; }));
    EXPECT_EQ(open->window->findChild<HexView*>("hexPage")->DataSize(), 1500u);

    // Enter on a row previews it too.
    open->list->setCurrentIndex(open->Row("beach.jpg"));
    QTest::keyClick(open->list, Qt::Key_Return);
    ASSERT_TRUE(WaitUntil([&] { return open->TabCaption() == "图片预览"; }));
    EXPECT_TRUE(open->window->isVisible()) << "Enter on a row does not close the window";
}

TEST(ResultsWindow, ZipArchivesAreListed) {
    auto open = Open("fat32-small", 2);
    if (!open) GTEST_SKIP();
    open->ClickNode({"删除的文件", "Documents"});
    open->ClickRow("#RCHIVE .ZIP");
    ASSERT_TRUE(WaitUntil([&] { return open->TabCaption() == "文字"; }));
    QString text = open->window->findChild<QPlainTextEdit*>("zipPage")->toPlainText();
    EXPECT_TRUE(text.startsWith("one.txt   [")) << text.toStdString();
    EXPECT_TRUE(text.contains("\ntwo.txt   [")) << text.toStdString();
}

TEST(ResultsWindow, ContextMenusOnNodesAndRows) {
    auto open = Open("ntfs-small", 1);
    if (!open) GTEST_SKIP();
    auto* treeMenu = open->window->findChild<QMenu*>("treeMenu");
    auto* listMenu = open->window->findChild<QMenu*>("listMenu");

    // Below the last row there is no row, and no menu.
    QPoint below(20, open->list->visualRect(open->Row("big-3MiB.txt")).bottom() + 30);
    QContextMenuEvent outside(QContextMenuEvent::Mouse, below, open->list->viewport()->mapToGlobal(below));
    QApplication::sendEvent(open->list->viewport(), &outside);
    EXPECT_FALSE(listMenu->isVisible());

    QPoint onRow = open->list->visualRect(open->Row("deleted-root.txt")).center();
    QTest::mouseClick(open->list->viewport(), Qt::RightButton, {}, onRow);
    QContextMenuEvent atRow(QContextMenuEvent::Mouse, onRow, open->list->viewport()->mapToGlobal(onRow));
    QApplication::sendEvent(open->list->viewport(), &atRow);
    ASSERT_TRUE(WaitUntil([&] { return listMenu->isVisible(); }));
    EXPECT_EQ(listMenu->actions().front()->text(), "恢复此文件");
    listMenu->hide();

    // A node's menu selects the node first, which lists its files.
    QModelIndex trip = open->Node({"删除的文件", "Photos", "2024", "trip"});
    open->tree->scrollTo(trip);
    QPoint onNode = open->tree->visualRect(trip).center();
    QContextMenuEvent atNode(QContextMenuEvent::Mouse, onNode, open->tree->viewport()->mapToGlobal(onNode));
    QApplication::sendEvent(open->tree->viewport(), &atNode);
    ASSERT_TRUE(WaitUntil([&] { return treeMenu->isVisible(); }));
    EXPECT_EQ(open->tree->currentIndex(), trip);
    EXPECT_EQ(open->Rows(), (QStringList{"beach.jpg", "sunset.jpg", "notes.txt"}));
    treeMenu->hide();

    // The menu key opens the current row's menu.
    open->list->setFocus();
    open->list->setCurrentIndex(open->Row("notes.txt"));
    QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(0, 0));
    QApplication::sendEvent(open->list, &key);
    ASSERT_TRUE(WaitUntil([&] { return listMenu->isVisible(); }));
    listMenu->hide();
}

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
    // Stop as soon as the progress dialog shows.
    QTimer stopper;
    QObject::connect(&stopper, &QTimer::timeout, [&] {
        if (auto* dialog = open->window->findChild<QDialog*>("recoveryProgress"); dialog && dialog->isVisible()) {
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

TEST(ResultsWindow, FindButtonShowsTheFoundFiles) {
    auto open = Open("ntfs-small", 1);
    if (!open) GTEST_SKIP();
    QTimer::singleShot(0, [&] {
        auto* dialog = open->window->findChild<QDialog*>("findDialog");
        ASSERT_TRUE(dialog);
        QTest::keyClicks(dialog->findChild<QLineEdit*>("findText"), "JPG");
        QTest::keyClick(dialog->findChild<QLineEdit*>("findText"), Qt::Key_Return);
    });
    QTest::mouseClick(open->window->findChild<MarkupButton*>("findButton"), Qt::LeftButton);
    EXPECT_EQ(open->Rows(), (QStringList{"beach.jpg", "sunset.jpg"}));
    EXPECT_EQ(open->tree->currentIndex(), open->Node({"删除的文件"})) << "the tree's selection stays";
}

// The result store of a sweep that found 100,000 files in 2,000 folders.
TEST(ResultsWindow, OpensWithinASecondAfterALargeSweep) {
    ScanContext context;
    context.recoveryMode = 1;
    for (uint64_t folder = 0; folder < 2000; ++folder)
        context.folderMap[100 + folder] = {1, 1ULL << 48 | (folder < 50 ? 5 : 100 + folder % 50), u"folder" + platform::FromUtf8(std::to_string(folder)), 1};
    for (uint64_t file = 0; file < 100000; ++file) {
        DeletedFileItem item;
        item.recordNumber = 5000 + file;
        item.parentRef = 1ULL << 48 | (file % 5 == 0 ? 5 : 100 + file % 2000);
        item.name = u"file" + platform::FromUtf8(std::to_string(file)) + u".jpg";
        item.size = file * 37;
        item.modified = 133536879302500000ULL;
        context.deletedFiles.push_back(item);
    }
    QElapsedTimer timer;
    timer.start();
    CRuvexDlg window(context, u'D');
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_LT(timer.elapsed(), 1000 * kTimeScale);
    EXPECT_EQ(window.findChild<ResultItemView*>("resultList")->model()->rowCount(), 20000);
}

}  // namespace
