// Renders the step dialogs offscreen to PNG files for people to look at: the
// mode choice, the drive list and the progress dialog in the middle of a scan.
//   ui-step-screenshots FOLDER     writes every picture into FOLDER
//   ui-step-screenshots --list     names the files a run writes
//   ui-step-screenshots --check F  fails when F is missing, unreadable or one flat colour
#include "engine/ScanContext.h"
#include "settings/IniFile.h"
#include "tests/support/TestVolumes.h"
#include "tests/ui/StepTestSupport.h"
#include "toolkit/CHTMLListCtrl.h"
#include "toolkit/MarkupButton.h"
#include "ui/ProgressDlg.h"
#include "ui/SelOneDlg.h"
#include "ui/SelectDlg.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTableWidget>
#include <QTest>

#include <cstdio>
#include <cstring>
#include <functional>

namespace {

using testing_support::VolumePath;

struct Scene {
    QString fileName;
    std::function<QImage()> render;
};

QImage Shot(QWidget& widget) {
    widget.show();
    QElapsedTimer settling;
    settling.start();
    while (settling.elapsed() < 100) QApplication::processEvents(QEventLoop::AllEvents, 10);
    return widget.grab().toImage();
}

QImage ModeDialog() {
    ScanContext context;
    CSelOneDlg dialog(context);
    dialog.show();
    QTest::mouseClick(dialog.ModeList().viewport(), Qt::LeftButton, {}, dialog.ModeList().ItemRect(0).center());
    return Shot(dialog);
}

QImage DriveDialog() {
    UseDrives({{u'C', VolumePath("ntfs-small")},
               {u'D', VolumePath("fat32-small")},
               {u'E', "/dev/nonexistent-card-reader"},
               {u'Z', VolumePath("demo")}});
    char16_t letter = 0;
    CIniFile settings;
    settings.SetPath(testing_support::MakeTempFolder("screenshot-settings") + "/ruvex/config.ini");
    CSelectDlg dialog(letter, settings);
    dialog.DriveList().selectRow(3);
    return Shot(dialog);
}

// A full scan of a large blank disk, caught after a few seconds.
QImage ProgressDialog() {
    UseDrives({{u'X', testing_support::MakeSparseFile("screenshot-blank", 64ULL << 30)}});
    ScanContext context;
    context.recoveryMode = 2;
    CProgressDlg dialog(context, u'X');
    QImage image;
    QTimer::singleShot(4500, &dialog, [&] {
        image = dialog.grab().toImage();
        dialog.CancelButton().click();
    });
    dialog.exec();
    return image;
}

std::vector<Scene> AllScenes() {
    return {{QStringLiteral("step1-mode.png"), ModeDialog},
            {QStringLiteral("step2-drives.png"), DriveDialog},
            {QStringLiteral("step3-progress.png"), ProgressDialog}};
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
        std::fprintf(stderr, "usage: ui-step-screenshots FOLDER | --list | --check FILE\n");
        return 2;
    }
    if (std::strcmp(argv[1], "--check") == 0) {
        if (!IsBlank(QImage(QString::fromLocal8Bit(argv[2])))) return 0;
        std::fprintf(stderr, "%s is missing or blank\n", argv[2]);
        return 1;
    }
    const std::vector<Scene> scenes = AllScenes();
    if (std::strcmp(argv[1], "--list") == 0) {
        for (const Scene& scene : scenes) std::printf("%s\n", qPrintable(scene.fileName));
        return 0;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(folder.path());
    int failures = 0;
    for (const Scene& scene : scenes)
        if (!scene.render().save(folder.filePath(scene.fileName), "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(folder.filePath(scene.fileName)));
            ++failures;
        }
    return failures == 0 ? 0 : 1;
}
