#include "ui/ResultViews.h"

#include "ui/ResultItemView.h"

#include "results/RecoveryWriter.h"
#include "results/ResultsModel.h"
#include "platform/TextConvert.h"
#include "tests/support/TestVolumes.h"
#include "tests/ui/UiTestSupport.h"
#include "tests/ui/ScannedVolume.h"

#include <QAbstractItemModelTester>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyle>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

namespace {

namespace fs = std::filesystem;

QStringList ChildTexts(const QAbstractItemModel& model, const QModelIndex& parent) {
    QStringList texts;
    for (int row = 0; row < model.rowCount(parent); ++row) texts << model.index(row, 0, parent).data().toString();
    return texts;
}

QStringList ColumnTexts(const QAbstractItemModel& model, int column) {
    QStringList texts;
    for (int row = 0; row < model.rowCount(); ++row) texts << model.index(row, column).data().toString();
    return texts;
}

// The index reached from the drive node by texts, e.g. {"删除的文件", "Photos"}.
QModelIndex TreeIndex(const QAbstractItemModel& model, const QStringList& path) {
    QModelIndex index = model.index(0, 0);
    for (const QString& text : path) {
        QModelIndex next;
        for (int row = 0; row < model.rowCount(index); ++row)
            if (model.index(row, 0, index).data().toString() == text) next = model.index(row, 0, index);
        if (!next.isValid()) return {};
        index = next;
    }
    return index;
}

Qt::CheckState Tick(const QModelIndex& index) { return index.data(Qt::CheckStateRole).value<Qt::CheckState>(); }

struct LayoutCase {
    const char* volume;
    int mode;
    QStringList topNodes;
    QStringList deletedChildren;
    QStringList foundChildren;
    QStringList typeFolders;
};

TEST(ResultTreeModel, LayoutPerResultKindAndMode) {
    const QStringList top2 = {"删除的文件", "找到的文件"};
    const QStringList top3 = {"删除的文件", "找到的文件", "按类型分类的文件"};
    const QStringList ntfsFolders = {"Documents", "照片", "Photos"};
    const QStringList carvedTypes = {"JPG", "ZIP", "word", "xlsx", "ppt", "BMP"};
    const LayoutCase cases[] = {
        {"ntfs-small", 1, top2, ntfsFolders, {}, {}},
        {"ntfs-small", 2, top3, ntfsFolders, {}, {"JPG", "BMP"}},
        {"fat32-small", 2, top3, {"Documents", "照片", "Photos"}, {}, carvedTypes},
        {"raw-small", 2, top3, {}, {}, carvedTypes},
        {"raw-small", 1, top3, {}, {}, carvedTypes},
    };
    for (const LayoutCase& c : cases) {
        SCOPED_TRACE(std::string(c.volume) + " mode " + std::to_string(c.mode));
        auto scanned = ScanTestVolume(c.volume, c.mode);
        if (!scanned) GTEST_SKIP();
        ResultViews views(*scanned->model);
        QAbstractItemModelTester tester(&views.Tree(), QAbstractItemModelTester::FailureReportingMode::Fatal);
        ResultTreeModel& tree = views.Tree();
        ASSERT_EQ(tree.rowCount(), 1);
        QModelIndex drive = tree.index(0, 0);
        EXPECT_EQ(drive.data().toString(), "D盘");
        EXPECT_EQ(ChildTexts(tree, drive), c.topNodes);
        EXPECT_EQ(ChildTexts(tree, TreeIndex(tree, {"删除的文件"})), c.deletedChildren);
        EXPECT_EQ(ChildTexts(tree, TreeIndex(tree, {"找到的文件"})), c.foundChildren);
        if (c.topNodes.size() == 3) EXPECT_EQ(ChildTexts(tree, TreeIndex(tree, {"按类型分类的文件"})), c.typeFolders);
        EXPECT_EQ(Tick(drive), Qt::Unchecked);
        EXPECT_TRUE(tree.flags(drive) & Qt::ItemIsUserCheckable);
        EXPECT_EQ(views.DeletedFilesIndex(), TreeIndex(tree, {"删除的文件"}));
        EXPECT_FALSE(drive.data(Qt::DecorationRole).value<QIcon>().isNull());
    }
}

TEST(ResultListModel, ShowsTheSelectedFoldersFiles) {
    auto scanned = ScanTestVolume("ntfs-small", 2);
    if (!scanned) GTEST_SKIP();
    ResultViews views(*scanned->model);
    ResultListModel& list = views.List();
    QAbstractItemModelTester tester(&list, QAbstractItemModelTester::FailureReportingMode::Fatal);
    EXPECT_EQ(list.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), "文件名");
    EXPECT_EQ(list.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), "大小");
    EXPECT_EQ(list.headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(), "时间");
    EXPECT_EQ(ColumnTexts(list, 0), (QStringList{"empty.txt", "deleted-root.txt", "big-3MiB.txt"}));
    EXPECT_EQ(ColumnTexts(list, 1), (QStringList{"0byte", "2KB", "3M"}));
    EXPECT_EQ(ColumnTexts(list, 2), (QStringList{"2024-06-01  12:00", "2024-06-01  12:00", "2024-06-01  12:00"}));

    views.SelectNode(TreeIndex(views.Tree(), {"删除的文件", "Photos", "2024", "trip"}));
    EXPECT_EQ(ColumnTexts(list, 0), (QStringList{"beach.jpg", "sunset.jpg", "notes.txt"}));
    EXPECT_EQ(list.RowAt(0)->icon, kIconJpeg);
    EXPECT_EQ(list.RowAt(2)->icon, kIconFile);
    EXPECT_EQ(Tick(list.index(0, 0)), Qt::Unchecked);
    EXPECT_FALSE(list.flags(list.index(0, 1)) & Qt::ItemIsUserCheckable) << "only the name column has a box";

    // Nodes that list nothing leave the rows as they are.
    views.SelectNode(TreeIndex(views.Tree(), {"按类型分类的文件"}));
    views.SelectNode(TreeIndex(views.Tree(), {"找到的文件"}));
    views.SelectNode(TreeIndex(views.Tree(), {}));
    EXPECT_EQ(list.rowCount(), 3);

    views.SelectNode(TreeIndex(views.Tree(), {"按类型分类的文件", "BMP"}));
    ASSERT_GT(list.rowCount(), 0);
    for (const QString& name : ColumnTexts(list, 0)) EXPECT_TRUE(name.startsWith("pic") && name.endsWith(".bmp")) << name.toStdString();
    EXPECT_NE(list.RowAt(0)->file, nullptr) << "a carved row reads through its carved object";
}

TEST(ResultListModel, FatFoldersListTheirFilesWithTheFatIcon) {
    auto scanned = ScanTestVolume("fat32-small", 2);
    if (!scanned) GTEST_SKIP();
    ResultViews views(*scanned->model);
    views.SelectNode(TreeIndex(views.Tree(), {"删除的文件", "照片"}));
    ASSERT_GT(views.List().rowCount(), 0);
    EXPECT_EQ(ColumnTexts(views.List(), 0), QStringList{"假期记录.txt"}) << "live files are not listed";
    for (int row = 0; row < views.List().rowCount(); ++row) EXPECT_EQ(views.List().RowAt(row)->icon, kIconFatFile);
}

// Ticks given through the views reach the results model, are repainted on
// both sides, and decide what the recovery writes.
TEST(ResultViews, TicksOnTreeAndListDecideWhatIsRecovered) {
    auto scanned = ScanTestVolume("ntfs-small", 1);
    if (!scanned) GTEST_SKIP();
    ResultViews views(*scanned->model);
    ResultTreeModel& tree = views.Tree();
    ResultListModel& list = views.List();
    ResultItemView treeView;
    treeView.SetCheckBoxKeepsSelection(true);
    treeView.setModel(&tree);
    QObject::connect(treeView.selectionModel(), &QItemSelectionModel::currentChanged,
            [&](const QModelIndex& current) { views.SelectNode(current); });
    treeView.expandAll();
    treeView.resize(400, 600);
    treeView.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&treeView));

    QModelIndex trip = TreeIndex(tree, {"删除的文件", "Photos", "2024", "trip"});
    treeView.setCurrentIndex(trip);
    QSignalSpy listTicks(&list, &QAbstractItemModel::dataChanged);

    // A click on the box of Photos ticks everything below it and above it.
    QModelIndex photos = TreeIndex(tree, {"删除的文件", "Photos"});
    QTest::mouseClick(treeView.viewport(), Qt::LeftButton, {}, treeView.CheckBoxRect(photos).center());
    EXPECT_EQ(Tick(photos), Qt::Checked);
    EXPECT_EQ(treeView.currentIndex(), trip) << "ticking a folder does not open it";
    EXPECT_EQ(Tick(trip), Qt::Checked);
    EXPECT_EQ(Tick(tree.index(0, 0)), Qt::Checked);
    EXPECT_EQ(Tick(TreeIndex(tree, {"删除的文件", "Documents"})), Qt::Unchecked);
    EXPECT_FALSE(listTicks.isEmpty()) << "the listed folder's rows are repainted";
    for (int row = 0; row < list.rowCount(); ++row) EXPECT_EQ(Tick(list.index(row, 0)), Qt::Checked);

    // Unticking one listed row keeps its folder ticked; Space ticks a row
    // from any of its columns, and a node.
    ResultItemView listView;
    listView.setModel(&list);
    listView.setCurrentIndex(list.index(2, 1));  // notes.txt, its size
    QTest::keyClick(listView.viewport(), Qt::Key_Space);
    EXPECT_EQ(Tick(list.index(2, 0)), Qt::Unchecked);
    EXPECT_EQ(Tick(trip), Qt::Checked);
    QModelIndex documents = TreeIndex(tree, {"删除的文件", "Documents"});
    treeView.setCurrentIndex(documents);
    QTest::keyClick(treeView.viewport(), Qt::Key_Space);
    EXPECT_EQ(Tick(documents), Qt::Checked);

    // A row ticked in an unticked folder ticks the folder and its ancestors.
    QModelIndex chinese = TreeIndex(tree, {"删除的文件", "照片"});
    QTest::mouseClick(treeView.viewport(), Qt::LeftButton, {}, treeView.visualRect(chinese).center());
    EXPECT_EQ(treeView.currentIndex(), chinese);
    QSignalSpy treeTicks(&tree, &QAbstractItemModel::dataChanged);
    ASSERT_EQ(list.rowCount(), 1);
    list.setData(list.index(0, 0), Qt::Checked, Qt::CheckStateRole);
    EXPECT_EQ(Tick(chinese), Qt::Checked);
    EXPECT_FALSE(treeTicks.isEmpty());

    std::string destination = testing_support::MakeTempFolder("ticks");
    RecoveryWriter writer(scanned->context);
    RecoveryReport report = writer.RecoverAll(scanned->model->Root(), platform::FromUtf8(destination), u'D');
    EXPECT_TRUE(report.Succeeded());

    std::map<std::string, std::string> manifest;
    for (const auto& entry : testing_support::LoadManifest("ntfs-small")) manifest[entry.path] = entry.sha256;
    const std::string base = destination + "/D盘恢复的文件/删除的文件";
    std::vector<std::string> written;
    for (const auto& entry : fs::recursive_directory_iterator(base))
        if (entry.is_regular_file()) written.push_back(entry.path().string().substr(base.size()));
    std::sort(written.begin(), written.end());
    EXPECT_EQ(written, (std::vector<std::string>{"/Documents/A very long file name that goes well beyond the old eight "
                                                 "dot three limit - quarterly summary 2024.txt",
                                                 "/Documents/hundred-k.txt", "/Documents/resident-note.txt",
                                                 "/Photos/2024/family.bmp", "/Photos/2024/trip/beach.jpg",
                                                 "/Photos/2024/trip/sunset.jpg", "/照片/假期记录.txt"}));
    for (const std::string& path : written) EXPECT_EQ(testing_support::FileSha256(base + path), manifest.at(path)) << path;
}

// A folder of 50,000 files fills the list at once and scrolls to its end.
TEST(ResultListModel, FiftyThousandFilesFillWellUnderASecond) {
    ScanContext context;
    context.recoveryMode = 1;
    for (uint32_t i = 0; i < 50000; ++i) {
        DeletedFileItem item;
        item.recordNumber = 100 + i;
        item.parentRef = 5;
        item.name = u"photo" + platform::FromUtf8(std::to_string(i)) + u".jpg";
        item.size = 1000 + i;
        item.modified = 133536879302500000ULL;
        context.deletedFiles.push_back(item);
    }
    ResultsModel results(context, u'D');
    ResultViews views(results);
    QTreeView listView;
    listView.setUniformRowHeights(true);
    listView.setRootIsDecorated(false);
    listView.resize(700, 400);
    listView.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&listView));

    QElapsedTimer timer;
    timer.start();
    views.SelectNode(views.DeletedFilesIndex());
    listView.setModel(&views.List());
    QCoreApplication::processEvents();
    listView.scrollToBottom();
    listView.repaint();
    EXPECT_LT(timer.elapsed(), 500 * kTimeScale);
    EXPECT_EQ(views.List().rowCount(), 50000);
    QModelIndex last = views.List().index(49999, 0);
    EXPECT_TRUE(listView.viewport()->rect().contains(listView.visualRect(last))) << "the last row is in view";
}

}  // namespace
