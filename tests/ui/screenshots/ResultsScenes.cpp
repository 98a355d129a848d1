// The scenes of the results window for the screenshot tool: after an NTFS
// sweep, a FAT32 full scan and a raw full scan, with each preview page, a
// folder holding encrypted files, and the recovery's progress dialog and
// the About box.
#include "tests/toolkit/screenshots/Scenes.h"
#include "tests/ui/OpenWindow.h"
#include "tests/ui/WindowTestSupport.h"
#include "toolkit/KitFonts.h"
#include "ui/AboutDialog.h"
#include "ui/PreviewContent.h"
#include "ui/RecoveryProgressDialog.h"

#include <QApplication>
#include <QDir>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>
#include <QTest>

#include <functional>

namespace {

// Clicks the row and waits for its preview.
void PreviewRow(OpenWindow& open, const QString& name, const QString& caption) {
    open.ClickRow(name);
    WaitUntil([&] { return open.TabCaption() == caption; }, 5000);
}

QImage RenderDialog(QDialog& dialog) {
    dialog.show();
    if (!QTest::qWaitForWindowExposed(&dialog)) return {};
    QTest::qWait(100);
    return dialog.grab().toImage();
}

// The recovery's progress dialog, a third of the way through.
QImage RenderRecoveryProgress() {
    RecoveryProgressDialog dialog;
    dialog.Host().SetTotal(120, 90ULL << 20);
    dialog.Host().SetDone(40, 30ULL << 20);
    return RenderDialog(dialog);
}

// The window over a fresh scan of `volume`, after `prepare` clicked
// through it as a user would.
std::function<QImage()> WindowShot(const char* volume, int mode, std::function<void(OpenWindow&)> prepare) {
    return [=] {
        auto open = Open(volume, mode);
        if (!open) return QImage();
        open->window->setWindowState(Qt::WindowNoState);
        open->window->resize(1100, 780);
        QTest::qWait(20);
        prepare(*open);
        QTest::qWait(50);
        return open->window->grab().toImage();
    };
}

// A folder holding encrypted files, with the tooltip of one under the mouse.
// A tooltip is a window of its own, so it is painted onto the picture where
// it stands.
QImage RenderEncryptedRows() {
    auto open = Open("ntfs-encrypted", 1);
    if (!open) return {};
    open->window->setWindowState(Qt::WindowNoState);
    open->window->resize(1100, 780);
    QTest::qWait(20);
    open->ClickNode({"删除的文件", "Secret"});
    open->ClickRow("plain.txt");
    const QPoint at = open->list->visualRect(open->Row("cipher.bin")).center();
    QToolTip::setFont(KitFonts::ListFont());  // as the program's application object sets it
    QHelpEvent hover(QEvent::ToolTip, at, open->list->viewport()->mapToGlobal(at));
    QApplication::sendEvent(open->list->viewport(), &hover);
    QTest::qWait(300);
    QImage picture = open->window->grab().toImage();
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (!window->isVisible() || !window->inherits("QTipLabel")) continue;
        QPainter painter(&picture);
        painter.drawImage(open->window->mapFromGlobal(window->pos()), window->grab().toImage());
    }
    return picture;
}

}  // namespace

std::vector<Scene> AllScenes() {
    return {
        {"results-ntfs-sweep.png", WindowShot("ntfs-small", 1,
                                              [](OpenWindow& open) {
                                                  open.TickNode({"删除的文件", "Photos"});
                                                  open.ClickNode({"删除的文件", "Photos", "2024", "trip"});
                                              })},
        {"results-fat32-full.png",
         WindowShot("fat32-small", 2, [](OpenWindow& open) { open.ClickNode({"删除的文件", "Documents"}); })},
        {"results-raw-full.png",
         WindowShot("raw-small", 2, [](OpenWindow& open) { open.ClickNode({"按类型分类的文件", "JPG"}); })},
        {"preview-picture.png", WindowShot("ntfs-small", 1,
                                           [](OpenWindow& open) {
                                               open.ClickNode({"删除的文件", "Photos", "2024", "trip"});
                                               PreviewRow(open, "sunset.jpg", "图片预览");
                                           })},
        {"preview-zip.png", WindowShot("fat32-small", 2,
                                       [](OpenWindow& open) {
                                           open.ClickNode({"删除的文件", "Documents"});
                                           PreviewRow(open, "#rchive.zip", "文字");
                                       })},
        {"preview-hex.png", WindowShot("ntfs-small", 1,
                                       [](OpenWindow& open) {
                                           open.ClickNode({"删除的文件", "Photos", "2024", "trip"});
                                           PreviewRow(open, "notes.txt", "十六进制显示");
                                       })},
        {"preview-damaged-picture.png", WindowShot("ntfs-small", 1,
                                                   [](OpenWindow& open) {
                                                       open.window->ShowPreview(PreviewFromBytes(
                                                           u"broken.jpg", {0xFF, 0xD8, 0xFF, 0xE0, 1, 2}));
                                                   })},
        {"results-encrypted.png", RenderEncryptedRows},
        {"recovery-progress.png", RenderRecoveryProgress},
        {"about-dialog.png",
         [] {
             CAboutDlg about;
             return RenderDialog(about);
         }},
    };
}
