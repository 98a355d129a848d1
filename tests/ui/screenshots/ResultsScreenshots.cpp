// Renders the results window offscreen to PNG files for people to look at:
// after an NTFS sweep, a FAT32 full scan and a raw full scan, and with each
// preview page.
//   ui-screenshots FOLDER     writes every scene into FOLDER
//   ui-screenshots --list     names the files a run writes
//   ui-screenshots --check F  fails when F is missing, unreadable or one flat colour
#include "tests/ui/ScannedVolume.h"
#include "toolkit/PageTabWidget.h"
#include "ui/CRuvexDlg.h"
#include "ui/PreviewContent.h"
#include "ui/ResultItemView.h"

#include <QApplication>
#include <QDir>
#include <QTest>

#include <cstdio>
#include <cstring>
#include <functional>

namespace {

struct Scene {
    const char* fileName;
    const char* volume;
    int mode;
    // Clicks through the window as a user would before the picture is taken.
    std::function<void(CRuvexDlg&)> prepare;
};

QModelIndex Node(ResultItemView& tree, const QStringList& path) {
    QAbstractItemModel& model = *tree.model();
    QModelIndex index = model.index(0, 0);
    for (const QString& text : path)
        for (int row = 0; row < model.rowCount(index); ++row)
            if (model.index(row, 0, index).data().toString() == text) {
                index = model.index(row, 0, index);
                break;
            }
    return index;
}

void ClickNode(CRuvexDlg& window, const QStringList& path) {
    auto* tree = window.findChild<ResultItemView*>("resultTree");
    QModelIndex node = Node(*tree, path);
    tree->scrollTo(node);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualRect(node).center());
}

void TickNode(CRuvexDlg& window, const QStringList& path) {
    auto* tree = window.findChild<ResultItemView*>("resultTree");
    QModelIndex node = Node(*tree, path);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->CheckBoxRect(node).center());
}

// Clicks the row and waits for its preview.
void PreviewRow(CRuvexDlg& window, const QString& name, const QString& caption) {
    auto* list = window.findChild<ResultItemView*>("resultList");
    for (int row = 0; row < list->model()->rowCount(); ++row) {
        QModelIndex index = list->model()->index(row, 0);
        if (index.data().toString() != name) continue;
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(index).center());
    }
    auto* tabs = window.findChild<PageTabWidget*>("previewTabs");
    for (int waited = 0; tabs->tabText(0) != caption && waited < 5000; waited += 10) QTest::qWait(10);
}

std::vector<Scene> Scenes() {
    return {
        {"results-ntfs-sweep.png", "ntfs-small", 1,
         [](CRuvexDlg& window) {
             TickNode(window, {"删除的文件", "Photos"});
             ClickNode(window, {"删除的文件", "Photos", "2024", "trip"});
         }},
        {"results-fat32-full.png", "fat32-small", 2,
         [](CRuvexDlg& window) { ClickNode(window, {"删除的文件", "Documents"}); }},
        {"results-raw-full.png", "raw-small", 2,
         [](CRuvexDlg& window) { ClickNode(window, {"按类型分类的文件", "JPG"}); }},
        {"preview-picture.png", "ntfs-small", 1,
         [](CRuvexDlg& window) {
             ClickNode(window, {"删除的文件", "Photos", "2024", "trip"});
             PreviewRow(window, "sunset.jpg", "图片预览");
         }},
        {"preview-zip.png", "fat32-small", 2,
         [](CRuvexDlg& window) {
             ClickNode(window, {"删除的文件", "Documents"});
             PreviewRow(window, "#RCHIVE .ZIP", "文字");
         }},
        {"preview-hex.png", "ntfs-small", 1,
         [](CRuvexDlg& window) {
             ClickNode(window, {"删除的文件", "Photos", "2024", "trip"});
             PreviewRow(window, "notes.txt", "十六进制显示");
         }},
        {"preview-damaged-picture.png", "ntfs-small", 1,
         [](CRuvexDlg& window) { window.ShowPreview(PreviewFromBytes(u"broken.jpg", {0xFF, 0xD8, 0xFF, 0xE0, 1, 2})); }},
    };
}

QImage Render(const Scene& scene) {
    auto scanned = ScanTestVolume(scene.volume, scene.mode);
    if (!scanned) return {};
    CRuvexDlg window(scanned->context, scanned->letter);
    window.setWindowState(Qt::WindowNoState);
    window.resize(1100, 780);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) return {};
    scene.prepare(window);
    QTest::qWait(50);
    return window.grab().toImage();
}

bool IsBlank(const QImage& image) {
    if (image.isNull()) return true;
    const QRgb first = image.pixel(0, 0);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != first) return false;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc != 2 && !(argc == 3 && std::strcmp(argv[1], "--check") == 0)) {
        std::fprintf(stderr, "usage: ui-screenshots FOLDER | --list | --check FILE\n");
        return 2;
    }
    if (std::strcmp(argv[1], "--check") == 0) {
        if (!IsBlank(QImage(QString::fromLocal8Bit(argv[2])))) return 0;
        std::fprintf(stderr, "%s is missing or blank\n", argv[2]);
        return 1;
    }
    if (std::strcmp(argv[1], "--list") == 0) {
        for (const Scene& scene : Scenes()) std::printf("%s\n", scene.fileName);
        return 0;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(folder.path());
    int failures = 0;
    for (const Scene& scene : Scenes()) {
        if (!Render(scene).save(folder.filePath(scene.fileName), "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(folder.filePath(scene.fileName)));
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
