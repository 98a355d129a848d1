#include "ui/CRuvexDlg.h"

#include "engine/ScanContext.h"
#include "platform/TextConvert.h"
#include "results/ResultsModel.h"
#include "tests/ui/OpenWindow.h"
#include "tests/ui/UiTestSupport.h"
#include "tests/ui/WindowTestSupport.h"
#include "toolkit/HexView.h"
#include "toolkit/MarkupButton.h"
#include "toolkit/PageTabWidget.h"
#include "ui/ResultItemView.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QStyleOptionViewItem>
#include <QTabBar>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTimer>

#include <gtest/gtest.h>


namespace {

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
    EXPECT_EQ(open->list->columnWidth(0), 320);
    EXPECT_EQ(open->list->columnWidth(1), 80);
    // The time column is as wide as its texts need ("2024-06-01  12:00"), and no narrower than 120.
    EXPECT_GE(open->list->columnWidth(2), 120);
    QStyleOptionViewItem option;
    option.initFrom(open->list);
    for (int row = 0; row < open->list->model()->rowCount(); ++row) {
        const QModelIndex time = open->list->model()->index(row, 2);
        EXPECT_GE(open->list->columnWidth(2), open->list->itemDelegate()->sizeHint(option, time).width())
            << "the time text would be cut: " << time.data().toString().toStdString();
    }

    // Every control is reached with Tab, in reading order.
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    open->tree->setFocus();
    QList<QWidget*> order;
    for (int i = 0; i < 5; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order << QApplication::focusWidget();
    }
    ASSERT_EQ(order.size(), 5);
    EXPECT_EQ(order[0], open->list);
    EXPECT_TRUE(qobject_cast<QTabBar*>(order[1]) && open->tabs->isAncestorOf(order[1])) << "the preview's tabs";
    EXPECT_EQ(order[2], window.findChild<HexView*>("hexPage")) << "the page, to scroll it";
    EXPECT_EQ(order[3], recover);
    EXPECT_EQ(order[4], find);
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
    auto* picture = open->window->findChild<QLabel*>("pictureLabel");
    EXPECT_EQ(open->tabs->currentWidget(), open->window->findChild<QScrollArea*>("picturePage"));
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
    open->ClickRow("#rchive.zip");
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
