// The step dialogs as the screenshot tool renders them: the mode choice, the
// drive list, the lost-partition search before and during a search, and the
// progress dialog in the middle of a scan, and Qt's folder chooser.
#include "engine/ScanContext.h"
#include "partitions/PartitionDrives.h"
#include "platform/DriveTable.h"
#include "settings/IniFile.h"
#include "tests/support/DiskImages.h"
#include "tests/support/TestVolumes.h"
#include "tests/toolkit/screenshots/Scenes.h"
#include "tests/ui/StepTestSupport.h"
#include "toolkit/CHTMLListCtrl.h"
#include "toolkit/MarkupButton.h"
#include "ui/PartitionSearchDlg.h"
#include "ui/ProgressDlg.h"
#include "ui/QtTranslations.h"
#include "ui/SelOneDlg.h"
#include "ui/SelectDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QTableWidget>
#include <QTest>

namespace {

using testing_support::VolumePath;

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
    // A whole disk with its partitions, and one whose table was wiped, searched.
    const std::string wiped = testing_support::CopyOfDisk("mbr-disk", "screenshot-wiped");
    testing_support::ZeroBytes(wiped, 446, 66);
    UseDrives({{u'C', VolumePath("ntfs-small")},
               {u'D', VolumePath("mbr-disk")},
               {u'K', wiped},
               {u'L', "/dev/nonexistent-card-reader"},
               {u'Z', VolumePath("demo")}});
    partitions::AddPartitionDrives(platform::Drives());
    char16_t letter = 0;
    CIniFile settings;
    settings.SetPath(testing_support::MakeTempFolder("screenshot-settings") + "/ruvex/config.ini");
    CSelectDlg dialog(letter, settings);
    dialog.show();
    dialog.DriveList().selectRow(4);
    ModalScript search({{QStringLiteral("partitionSearchDialog"),
                         [](QWidget& searchDialog) { static_cast<PartitionSearchDlg&>(searchDialog).Start(); }}});
    dialog.SearchLostPartitions();
    return Shot(dialog);
}

QImage PartitionSearchReady() {
    PartitionSearchDlg dialog(VolumePath("mbr-disk"), 0);
    return Shot(dialog);
}

// A search of every sector of a large blank disk, caught after a second.
QImage PartitionSearchRunning() {
    PartitionSearchDlg dialog(testing_support::MakeSparseFile("screenshot-search", 4ULL << 30), 0);
    dialog.show();
    dialog.DeepCheck().setChecked(true);
    dialog.Start();
    QElapsedTimer running;
    running.start();
    while (running.elapsed() < 1000) QApplication::processEvents(QEventLoop::AllEvents, 10);
    const QImage image = Shot(dialog);
    dialog.StopButton().click();
    return image;
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

// Qt's folder chooser as "开始恢复" opens it, in the program's language.
QImage FolderChooser() {
    InstallQtTranslations();
    const QString folder = QString::fromStdString(testing_support::MakeTempFolder("screenshot-chooser"));
    QDir(folder).mkpath(QStringLiteral("照片"));
    QDir(folder).mkpath(QStringLiteral("Documents"));
    QFileDialog dialog(nullptr, QString(), folder);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.resize(640, 400);
    return Shot(dialog);
}

}  // namespace

std::vector<Scene> AllScenes() {
    return {{QStringLiteral("step1-mode.png"), ModeDialog},
            {QStringLiteral("step2-drives.png"), DriveDialog},
            {QStringLiteral("step2-search-ready.png"), PartitionSearchReady},
            {QStringLiteral("step2-search-running.png"), PartitionSearchRunning},
            {QStringLiteral("step3-progress.png"), ProgressDialog},
            {QStringLiteral("folder-chooser.png"), FolderChooser}};
}
