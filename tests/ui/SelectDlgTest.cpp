#include "partitions/PartitionDrives.h"
#include "platform/DriveTable.h"
#include "settings/IniFile.h"
#include "tests/support/DiskImages.h"
#include "tests/support/TestVolumes.h"
#include "tests/ui/StepTestSupport.h"
#include "toolkit/MarkupButton.h"
#include "ui/SelectDlg.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using testing_support::VolumePath;

struct DriveDialog {
    char16_t letter = 0;
    CIniFile settings;
    std::unique_ptr<CSelectDlg> dialog;
    QTableWidget* list = nullptr;

    // `withPartitions`: the partitions of whole-disk images get letters, as at start-up.
    explicit DriveDialog(const std::vector<std::pair<char16_t, std::string>>& drives, bool withPartitions = false) {
        settings.SetPath(testing_support::MakeTempFolder("select-settings") + "/ruvex/config.ini");
        UseDrives(drives);
        if (withPartitions) partitions::AddPartitionDrives(platform::Drives());
        dialog = std::make_unique<CSelectDlg>(letter, settings);
        list = &dialog->DriveList();
        dialog->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
    }
    QString Cell(int row, int column) const {
        const QTableWidgetItem* item = list->item(row, column);
        return item ? item->text() : QString();
    }
    QPoint RowPoint(int row) const { return list->visualItemRect(list->item(row, 1)).center(); }
};

TEST(SelectDlgTest, ListsEachDriveWithFileSystemSizeAndSource) {
    DriveDialog drives({{u'D', VolumePath("ntfs-small")}, {u'F', VolumePath("fat32-small")}});
    ASSERT_EQ(drives.list->rowCount(), 2);
    const QStringList headings = {QStringLiteral("盘符"), QStringLiteral("文件系统"), QStringLiteral("大小"),
                                  QStringLiteral("来源")};
    for (int column = 0; column < 4; ++column)
        EXPECT_EQ(drives.list->horizontalHeaderItem(column)->text(), headings[column]);
    EXPECT_EQ(drives.Cell(0, 0), QStringLiteral("D:"));
    EXPECT_EQ(drives.Cell(0, 1), QStringLiteral("NTFS"));
    EXPECT_TRUE(drives.Cell(0, 2).endsWith(QLatin1Char('G')));
    EXPECT_EQ(drives.Cell(0, 3), QString::fromStdString(VolumePath("ntfs-small")));
    EXPECT_EQ(drives.Cell(1, 0), QStringLiteral("F:"));
    EXPECT_EQ(drives.Cell(1, 1), QStringLiteral("FAT32"));
    EXPECT_FALSE(drives.list->item(0, 0)->icon().isNull());
}

TEST(SelectDlgTest, SizeTextHasTwoDecimalsAndAGWithNothingBetween) {
    EXPECT_EQ(DriveSizeText(122096127ULL * 8 * 512), QStringLiteral("465.76G"));
    EXPECT_EQ(DriveSizeText(0), QStringLiteral("0.00G"));
}

TEST(SelectDlgTest, AnUnreadableDriveIsListedWithItsReasonAndTheNextDrivesStillAre) {
    DriveDialog drives({{u'E', "/nonexistent/card-reader.img"}, {u'F', VolumePath("fat32-small")}});
    ASSERT_EQ(drives.list->rowCount(), 2);
    EXPECT_EQ(drives.Cell(0, 1), QString());
    EXPECT_EQ(drives.Cell(0, 2), QString());
    EXPECT_TRUE(drives.Cell(0, 3).contains(QStringLiteral("no such file or device"))) << drives.Cell(0, 3).toStdString();
    EXPECT_EQ(drives.Cell(1, 1), QStringLiteral("FAT32"));
}

TEST(SelectDlgTest, DoubleClickingARowChoosesItAndBelowTheRowsDoesNothing) {
    DriveDialog drives({{u'D', VolumePath("ntfs-small")}, {u'F', VolumePath("fat32-small")}});
    const QPoint below(20, drives.list->visualItemRect(drives.list->item(1, 0)).bottom() + 40);
    QTest::mouseClick(drives.list->viewport(), Qt::LeftButton, {}, below);
    QTest::mouseDClick(drives.list->viewport(), Qt::LeftButton, {}, below);
    EXPECT_TRUE(drives.dialog->isVisible());
    EXPECT_EQ(drives.letter, 0);
    QTest::mouseClick(drives.list->viewport(), Qt::LeftButton, {}, drives.RowPoint(1));
    QTest::mouseDClick(drives.list->viewport(), Qt::LeftButton, {}, drives.RowPoint(1));
    EXPECT_EQ(drives.dialog->result(), QDialog::Accepted);
    EXPECT_EQ(drives.letter, u'F');
}

TEST(SelectDlgTest, OkTakesTheUpperOfTwoSelectedRowsAndAsksWhenNoneIs) {
    MessageRecorder messages;
    DriveDialog drives({{u'D', VolumePath("ntfs-small")}, {u'E', VolumePath("raw-small")},
                        {u'F', VolumePath("fat32-small")}});
    drives.list->clearSelection();
    drives.dialog->NextButton().click();
    EXPECT_EQ(messages.texts, QStringList{QStringLiteral("请先选择要扫描的分区!")});
    EXPECT_TRUE(drives.dialog->isVisible());
    // Selected lower row first.
    auto* selection = drives.list->selectionModel();
    selection->select(drives.list->model()->index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    selection->select(drives.list->model()->index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    ASSERT_EQ(drives.list->selectionModel()->selectedRows().size(), 2);
    QTest::keyClick(drives.dialog.get(), Qt::Key_Return);
    EXPECT_EQ(drives.dialog->result(), QDialog::Accepted);
    EXPECT_EQ(drives.letter, u'E');
}

TEST(SelectDlgTest, StartsWithTheFirstReadableDriveSelectedSoEnterScansIt) {
    DriveDialog drives({{u'E', "/nonexistent/card-reader.img"}, {u'F', VolumePath("fat32-small")},
                        {u'G', VolumePath("ntfs-small")}});
    const QModelIndexList selected = drives.list->selectionModel()->selectedRows();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(selected.front().row(), 1);
    EXPECT_EQ(drives.list->currentRow(), 1) << "the arrow keys go on from the selected row";
    QTest::keyClick(drives.dialog.get(), Qt::Key_Return);
    EXPECT_EQ(drives.dialog->result(), QDialog::Accepted);
    EXPECT_EQ(drives.letter, u'F');
}

TEST(SelectDlgTest, WithNoReadableDriveNothingIsSelected) {
    MessageRecorder messages;
    DriveDialog drives({{u'E', "/nonexistent/card-reader.img"}});
    EXPECT_TRUE(drives.list->selectionModel()->selectedRows().isEmpty());
    QTest::keyClick(drives.dialog.get(), Qt::Key_Enter);
    EXPECT_EQ(messages.texts, QStringList{QStringLiteral("请先选择要扫描的分区!")});
    EXPECT_TRUE(drives.dialog->isVisible());
}

TEST(SelectDlgTest, EscapeCancelsWithoutChoosing) {
    DriveDialog drives({{u'D', VolumePath("ntfs-small")}});
    drives.list->selectRow(0);
    QTest::keyClick(drives.dialog.get(), Qt::Key_Escape);
    EXPECT_EQ(drives.dialog->result(), QDialog::Rejected);
    EXPECT_EQ(drives.letter, 0);
}

TEST(SelectDlgTest, AnAddedImageTakesTheFirstFreeLetterIsListedAndStaysInTheSettings) {
    DriveDialog drives({{u'C', VolumePath("ntfs-small")}, {u'E', VolumePath("fat32-small")}});
    const std::string image = VolumePath("raw-small");
    ASSERT_TRUE(drives.dialog->AddImage(QString::fromStdString(image)));
    ASSERT_EQ(drives.list->rowCount(), 3);
    EXPECT_EQ(drives.Cell(1, 0), QStringLiteral("D:")) << "in letter order";
    EXPECT_EQ(drives.Cell(1, 3), QString::fromStdString(image));
    EXPECT_EQ(drives.list->selectionModel()->selectedRows().size(), 1);
    EXPECT_EQ(drives.list->selectionModel()->selectedRows().front().row(), 1);
    EXPECT_EQ(drives.settings.GetString(u"Drives", u"D", u""), std::u16string(image.begin(), image.end()));

    // A later start finds it in the drive table.
    platform::DriveTable table;
    table.Load(drives.settings.GetPath(), "/nonexistent");
    ASSERT_NE(table.Find(u'D'), nullptr);
    EXPECT_EQ(table.Find(u'D')->path, image);

    drives.dialog->NextButton().click();
    EXPECT_EQ(drives.letter, u'D');
}

TEST(SelectDlgTest, AnAddedWholeDiskImageBringsItsPartitionsAtOnce) {
    if (!testing_support::VolumeExists("mbr-disk")) GTEST_SKIP();
    const auto layout = testing_support::LoadLayout("mbr-disk");
    DriveDialog drives({{u'C', VolumePath("ntfs-small")}});
    const std::string image = VolumePath("mbr-disk");
    ASSERT_TRUE(drives.dialog->AddImage(QString::fromStdString(image)));
    ASSERT_EQ(drives.list->rowCount(), 4);
    EXPECT_EQ(drives.Cell(1, 0), QStringLiteral("D:"));
    EXPECT_EQ(drives.list->selectionModel()->selectedRows().size(), 1);
    EXPECT_EQ(drives.list->selectionModel()->selectedRows().front().row(), 1) << "the image itself is selected";
    for (int row = 2; row <= 3; ++row) {
        const auto& truth = layout[row - 2];
        EXPECT_TRUE(drives.Cell(row, 0).startsWith(QLatin1Char(' '))) << "indented under its disk";
        EXPECT_EQ(drives.Cell(row, 1), QString::fromStdString(truth.fileSystem));
        EXPECT_EQ(drives.Cell(row, 3), QStringLiteral("分区 %1  起始扇区 %2").arg(truth.number).arg(truth.startSector));
    }
    // Only the image goes into the settings; its partitions come from its table at each start.
    EXPECT_EQ(drives.settings.GetString(u"Drives", u"E", u""), u"");

    // A partition can be chosen at once.
    drives.list->selectRow(3);
    drives.dialog->NextButton().click();
    EXPECT_EQ(drives.letter, char16_t(drives.list->item(3, 0)->data(Qt::UserRole).toInt()));
    EXPECT_EQ(platform::Drives().Find(drives.letter)->start, layout.back().startSector * 512);
}

TEST(SelectDlgTest, NoFreeLetterRefusesTheImage) {
    std::vector<std::pair<char16_t, std::string>> all;
    for (char16_t letter = u'A'; letter <= u'Z'; ++letter) all.push_back({letter, "/nonexistent"});
    MessageRecorder messages;
    DriveDialog drives(all);
    EXPECT_FALSE(drives.dialog->AddImage(QStringLiteral("/tmp/x.img")));
    EXPECT_EQ(messages.texts.size(), 1);
    EXPECT_EQ(drives.list->rowCount(), 26);
}

TEST(SelectDlgTest, PartitionsAreListedUnderTheirDiskInTheOrderTheyLieOnIt) {
    if (!testing_support::VolumeExists("mbr-disk")) GTEST_SKIP();
    const auto layout = testing_support::LoadLayout("mbr-disk");
    DriveDialog drives({{u'D', VolumePath("mbr-disk")}, {u'F', VolumePath("fat32-small")}}, true);
    ASSERT_EQ(drives.list->rowCount(), 4);
    EXPECT_EQ(drives.Cell(0, 0), QStringLiteral("D:"));
    EXPECT_EQ(drives.Cell(1, 0).trimmed(), QStringLiteral("C:"));
    EXPECT_TRUE(drives.Cell(1, 0).startsWith(QLatin1Char(' '))) << "indented under its disk";
    EXPECT_EQ(drives.Cell(1, 1), QStringLiteral("NTFS"));
    EXPECT_EQ(drives.Cell(1, 3), QStringLiteral("分区 1  起始扇区 %1").arg(layout[0].startSector));
    EXPECT_EQ(drives.Cell(2, 0).trimmed(), QStringLiteral("E:"));
    EXPECT_EQ(drives.Cell(2, 1), QStringLiteral("FAT32"));
    EXPECT_EQ(drives.Cell(2, 3), QStringLiteral("分区 5  起始扇区 %1").arg(layout.back().startSector));
    EXPECT_EQ(drives.Cell(3, 0), QStringLiteral("F:"));
    EXPECT_EQ(drives.Cell(2, 2), DriveSizeText(layout.back().sectors * 512));
}

// Starts the search in the search dialog, ticking "逐扇区搜索（较慢）" first when `deep`.
ModalScript::Action StartSearch(bool deep) {
    return [deep](QWidget& dialog) {
        auto* sectorBySector = dialog.findChild<QCheckBox*>(QStringLiteral("checkDeep"));
        ASSERT_NE(sectorBySector, nullptr);
        EXPECT_FALSE(sectorBySector->isChecked()) << "the quick search unless asked";
        if (deep) QTest::keyClick(sectorBySector, Qt::Key_Space);
        EXPECT_EQ(sectorBySector->isChecked(), deep);
        QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("btnStart")), Qt::LeftButton);
    };
}

TEST(SelectDlgTest, TheSearchListsLostVolumesAtTheirTrueOffsetsAndOneCanBeChosen) {
    if (!testing_support::VolumeExists("mbr-disk")) GTEST_SKIP();
    const auto layout = testing_support::LoadLayout("mbr-disk");
    const std::string image = testing_support::CopyOfDisk("mbr-disk", "select-zeroed");
    testing_support::ZeroBytes(image, 446, 66);  // the whole MBR table, the extended entry with it
    MessageRecorder messages;
    DriveDialog drives({{u'D', image}}, true);
    ASSERT_EQ(drives.list->rowCount(), 1) << "nothing left in the table";
    drives.list->clearSelection();
    EXPECT_EQ(drives.dialog->SearchLostPartitions(), 0);
    EXPECT_EQ(messages.texts, QStringList{QStringLiteral("请先选择要搜索的磁盘!")});

    drives.list->selectRow(0);
    ModalScript script({{QStringLiteral("partitionSearchDialog"), StartSearch(false)},
                        {QStringLiteral("partitionSearchDialog"), StartSearch(false)}});
    ASSERT_EQ(drives.dialog->SearchLostPartitions(), 2);
    ASSERT_EQ(drives.list->rowCount(), 3);
    const QStringList fileSystems = {QStringLiteral("NTFS"), QStringLiteral("FAT32")};
    for (int row = 1; row <= 2; ++row) {
        const auto letter = char16_t(drives.list->item(row, 0)->data(Qt::UserRole).toInt());
        const platform::DriveEntry* found = platform::Drives().Find(letter);
        ASSERT_NE(found, nullptr);
        EXPECT_TRUE(found->found);
        const auto& truth = row == 1 ? layout.front() : layout.back();
        EXPECT_EQ(found->start, truth.startSector * 512);
        EXPECT_EQ(found->length, truth.sectors * 512);
        EXPECT_EQ(drives.Cell(row, 1), fileSystems[row - 1]);
        EXPECT_EQ(drives.Cell(row, 3), QStringLiteral("找到的分区  起始扇区 %1").arg(truth.startSector));
    }
    // The first found one is selected; a second search adds nothing new.
    EXPECT_EQ(drives.list->selectionModel()->selectedRows().front().row(), 1);
    drives.list->selectRow(2);
    EXPECT_EQ(drives.dialog->SearchLostPartitions(), 0);
    EXPECT_EQ(drives.list->rowCount(), 3);

    drives.list->selectRow(2);
    drives.dialog->NextButton().click();
    EXPECT_EQ(drives.dialog->result(), QDialog::Accepted);
    EXPECT_EQ(drives.letter, char16_t(drives.list->item(2, 0)->data(Qt::UserRole).toInt()));
}

TEST(SelectDlgTest, SearchingEverySectorFindsAVolumeOffTheUsualBoundaries) {
    if (!testing_support::VolumeExists("mbr-disk")) GTEST_SKIP();
    const std::string image = testing_support::CopyWithVolumeOffBoundaries("select-deep");
    MessageRecorder messages;
    DriveDialog drives({{u'D', image}}, true);
    drives.list->selectRow(0);
    {
        ModalScript quick({{QStringLiteral("partitionSearchDialog"), StartSearch(false)}});
        ASSERT_EQ(drives.dialog->SearchLostPartitions(), 1) << "the usual boundaries hold the FAT32 volume only";
    }
    drives.list->selectRow(0);
    ModalScript deep({{QStringLiteral("partitionSearchDialog"), StartSearch(true)}});
    ASSERT_EQ(drives.dialog->SearchLostPartitions(), 1) << "the FAT32 volume is a drive already";
    ASSERT_EQ(drives.list->rowCount(), 3);
    // Listed under the disk by start, and selected.
    const auto letter = char16_t(drives.list->item(1, 0)->data(Qt::UserRole).toInt());
    const platform::DriveEntry* moved = platform::Drives().Find(letter);
    ASSERT_NE(moved, nullptr);
    EXPECT_TRUE(moved->found);
    EXPECT_EQ(moved->start, testing_support::kOffBoundarySector * 512);
    EXPECT_EQ(drives.Cell(1, 1), QStringLiteral("NTFS"));
    EXPECT_EQ(drives.Cell(1, 3), QStringLiteral("找到的分区  起始扇区 %1").arg(testing_support::kOffBoundarySector));
    EXPECT_EQ(drives.list->selectionModel()->selectedRows().front().row(), 1);
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join('|').toStdString();
}

TEST(SelectDlgTest, CancelEndsTheSearchDialogBeforeItStartsAndStopEndsASearchMidway) {
    // A blank disk large enough that a search of every sector takes seconds.
    const std::string blank = testing_support::MakeSparseFile("search-blank", 16ULL << 30);
    MessageRecorder messages;
    DriveDialog drives({{u'B', blank}});
    drives.list->selectRow(0);
    {
        ModalScript cancel({{QStringLiteral("partitionSearchDialog"), [](QWidget& dialog) {
                                 auto* cancelButton = dialog.findChild<QPushButton*>(QStringLiteral("btnStop"));
                                 EXPECT_EQ(cancelButton->text(), QStringLiteral("取消"));
                                 QTest::mouseClick(cancelButton, Qt::LeftButton);
                             }}});
        EXPECT_EQ(drives.dialog->SearchLostPartitions(), 0);
        EXPECT_TRUE(messages.texts.isEmpty()) << "nothing was searched, nothing to say";
    }
    QString stopCaption;
    int progressAtStop = 0;
    ModalScript stop({{QStringLiteral("partitionSearchDialog"), [&](QWidget& dialog) {
                           StartSearch(true)(dialog);
                           auto* stopButton = dialog.findChild<QPushButton*>(QStringLiteral("btnStop"));
                           auto* bar = dialog.findChild<QProgressBar*>();
                           stopCaption = stopButton->text();
                           // Stop once the bar has moved.
                           auto* watch = new QTimer(&dialog);
                           QObject::connect(watch, &QTimer::timeout, [&progressAtStop, stopButton, bar] {
                               if (bar->value() == 0 || !stopButton->isEnabled()) return;
                               progressAtStop = bar->value();
                               QTest::mouseClick(stopButton, Qt::LeftButton);
                           });
                           watch->start(5);
                       }}});
    EXPECT_EQ(drives.dialog->SearchLostPartitions(), 0);
    EXPECT_EQ(stopCaption, QStringLiteral("停止"));
    EXPECT_GT(progressAtStop, 0);
    EXPECT_LT(progressAtStop, 1000) << "stopped before the end";
    EXPECT_EQ(messages.texts, QStringList{QStringLiteral("搜索已停止,没有找到丢失的分区")});
    EXPECT_EQ(drives.list->rowCount(), 1);
}

TEST(SelectDlgTest, OpeningASavedScanEndsTheDialogForTheResultsWindow) {
    DriveDialog drives({{u'D', VolumePath("ntfs-small")}});
    EXPECT_EQ(drives.dialog->OpenScanButton().text(), QStringLiteral("打开扫描结果…"));
    bool opened = false;
    int asked = 0;
    drives.dialog->openSavedScan = [&](QWidget*) {
        ++asked;
        return opened;
    };
    drives.dialog->OpenScanButton().click();  // cancelled or refused: the dialog stays
    EXPECT_TRUE(drives.dialog->isVisible());
    opened = true;
    drives.dialog->OpenScanButton().click();
    EXPECT_FALSE(drives.dialog->isVisible());
    EXPECT_EQ(drives.dialog->result(), CSelectDlg::kSavedScanOpened);
    EXPECT_EQ(asked, 2);
}

}  // namespace

namespace {

TEST(SelectDlgTest, ADiskImageOfTheSelectedDriveIsMadeAndListedAsADrive) {
    MessageRecorder messages;
    DriveDialog drives({{u'C', VolumePath("ntfs-small")}});
    EXPECT_EQ(drives.dialog->CreateImageButton().text(), QStringLiteral("创建磁盘映像…"));
    drives.list->clearSelection();  // the dialog starts on the first readable drive
    drives.dialog->CreateImageOfSelected();
    EXPECT_EQ(messages.texts, QStringList{QStringLiteral("请先选择要复制的盘!")});

    drives.list->selectRow(0);
    const QString copy = QString::fromStdString(testing_support::MakeTempFolder("select-image") + "/c-copy.img");
    QStringList seenInCopy;
    ModalScript script({{QStringLiteral("QFileDialog"),
                         [&](QWidget& dialog) {
                             auto* chooser = qobject_cast<QFileDialog*>(&dialog);
                             ASSERT_NE(chooser, nullptr);
                             chooser->selectFile(copy);
                             static_cast<QDialog*>(chooser)->accept();
                         }},
                        {QStringLiteral("imageCopyDialog"), [&](QWidget& dialog) {
                             seenInCopy << dialog.findChild<QPushButton*>(QStringLiteral("btnStop"))->text();
                         }}});
    drives.dialog->CreateImageOfSelected();
    EXPECT_EQ(seenInCopy, QStringList{QStringLiteral("停止")});
    ASSERT_EQ(drives.list->rowCount(), 2) << messages.texts.join(u'|').toStdString();
    EXPECT_EQ(drives.Cell(1, 3), copy);
    EXPECT_EQ(drives.list->selectionModel()->selectedRows().front().row(), 1);
    EXPECT_TRUE(std::filesystem::exists(copy.toStdString() + ".map"));
}

}  // namespace
