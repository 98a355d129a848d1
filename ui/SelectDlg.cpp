#include "ui/SelectDlg.h"

#include "partitions/PartitionDrives.h"
#include "platform/DriveTable.h"
#include "platform/RawSource.h"
#include "platform/TextConvert.h"
#include "platform/VolumeInfo.h"
#include "settings/IniFile.h"
#include "toolkit/MarkupButton.h"
#include "toolkit/Pictures.h"
#include "toolkit/QtText.h"
#include "toolkit/StepLook.h"
#include "ui/DriveAccess.h"
#include "ui/ImageCopyDlg.h"
#include "ui/MessageBox.h"
#include "ui/PartitionSearchDlg.h"

#include <QFileDialog>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>

#include <algorithm>

namespace {

constexpr DialogUnitRect kNextButton{215, 14, 50, 48};
constexpr DialogUnitRect kDriveList{17, 81, 457, 249};
constexpr DialogUnitRect kAddImageButton{394, 64, 80, 14};
constexpr DialogUnitRect kSearchButton{304, 64, 86, 14};
constexpr DialogUnitRect kOpenScanButton{126, 64, 86, 14};
constexpr DialogUnitRect kCreateImageButton{214, 64, 86, 14};

enum Column { kLetterColumn, kFileSystemColumn, kSizeColumn, kSourceColumn };
// The letter cell keeps the drive's letter and how it can be read.
constexpr int kLetterRole = Qt::UserRole;
constexpr int kAccessRole = Qt::UserRole + 1;

// The letters' meaning on this system is the source behind them, so the
// source takes the room the size column would leave empty.
struct ColumnSpec {
    const char16_t* heading;
    int width;
};
constexpr ColumnSpec kColumns[] = {{u"盘符", 120}, {u"文件系统", 90}, {u"大小", 90}, {u"来源", 380}};

QTableWidgetItem* TextItem(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

// Images are registered with their sector size when their path ends in what
// would read as one (",512").
std::u16string DriveValue(const std::string& path) {
    return platform::FromUtf8(path.find(',') == std::string::npos ? path : path + ",512");
}

bool IsPartition(const platform::DriveEntry& drive) {
    return drive.partitionNumber != 0 || !drive.kernelDisk.empty();
}

// A partition belongs to the image it is a window of, or to the disk device
// the kernel lists it under.
bool BelongsTo(const platform::DriveEntry& partition, const platform::DriveEntry& disk) {
    if (IsPartition(disk)) return false;
    if (!partition.kernelDisk.empty()) return disk.path == "/dev/" + partition.kernelDisk;
    return partition.partitionNumber != 0 && partition.path == disk.path;
}

uint64_t StartOnDisk(const platform::DriveEntry& partition) {
    return partition.kernelDisk.empty() ? partition.start : partition.kernelStart;
}

char16_t FreeLetter() {
    for (char16_t candidate : u"CDEFGHIJKLMNOPQRSTUVWXYZAB")
        if (candidate && !platform::Drives().Find(candidate)) return candidate;
    return 0;
}

// What the source column says of a partition of a disk image: its number or
// that the search found it, and its start in sectors.
QString PartitionSourceText(const platform::DriveEntry& drive) {
    const uint64_t sector = drive.start / (drive.sectorSize ? drive.sectorSize : 512);
    if (drive.found) return QStringLiteral("找到的分区  起始扇区 %1").arg(sector);
    return QStringLiteral("分区 %1  起始扇区 %2").arg(drive.partitionNumber).arg(sector);
}

}  // namespace

QString DriveSizeText(uint64_t bytes) { return QString::asprintf("%.2fG", double(bytes) / 1073741824.0); }

CSelectDlg::CSelectDlg(char16_t& driveLetter, const CIniFile& settings, QWidget* parent)
    : StepDialog(QStringLiteral("2.请选择要恢复的盘符点下一步按键"), QPoint(30, 112), parent),
      m_driveLetter(driveLetter), m_settings(settings) {
    setObjectName(QStringLiteral("driveDialog"));

    m_driveList = new QTableWidget(0, std::size(kColumns), this);
    m_driveList->setObjectName(QStringLiteral("driveList"));
    Place(m_driveList, kDriveList);
    m_driveList->verticalHeader()->hide();
    m_driveList->setShowGrid(true);
    m_driveList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_driveList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_driveList->setIconSize(QSize(32, 32));
    m_driveList->setWordWrap(false);
    m_driveList->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_driveList->horizontalHeader()->setStretchLastSection(true);
    for (int column = 0; column < int(std::size(kColumns)); ++column)
        m_driveList->setHorizontalHeaderItem(column, new QTableWidgetItem(QString::fromUtf16(kColumns[column].heading)));
    for (int column = 0; column < int(std::size(kColumns)); ++column)
        m_driveList->setColumnWidth(column, kColumns[column].width);
    FillDriveList();
    SelectFirstReadable();
    connect(m_driveList, &QTableWidget::cellDoubleClicked, this, &CSelectDlg::OnDoubleClick);

    m_btnNext = CreateStepButton(QStringLiteral("下一步"), true);
    m_btnNext->setObjectName(QStringLiteral("btnNext"));
    Place(m_btnNext, kNextButton);
    connect(m_btnNext, &MarkupButton::clicked, this, &CSelectDlg::OnOK);
    SetEnterCommand([this] { OnOK(); });

    m_btnAddImage = new QPushButton(QStringLiteral("添加磁盘映像…"), this);
    m_btnAddImage->setObjectName(QStringLiteral("btnAddImage"));
    m_btnAddImage->setAutoDefault(false);
    Place(m_btnAddImage, kAddImageButton);
    connect(m_btnAddImage, &QPushButton::clicked, this, &CSelectDlg::ChooseImage);

    m_btnSearch = new QPushButton(QStringLiteral("搜索丢失的分区…"), this);
    m_btnSearch->setObjectName(QStringLiteral("btnSearchPartitions"));
    m_btnSearch->setAutoDefault(false);
    Place(m_btnSearch, kSearchButton);
    connect(m_btnSearch, &QPushButton::clicked, this, &CSelectDlg::SearchLostPartitions);

    m_btnCreateImage = new QPushButton(QStringLiteral("创建磁盘映像…"), this);
    m_btnCreateImage->setObjectName(QStringLiteral("btnCreateImage"));
    m_btnCreateImage->setAutoDefault(false);
    Place(m_btnCreateImage, kCreateImageButton);
    connect(m_btnCreateImage, &QPushButton::clicked, this, &CSelectDlg::CreateImageOfSelected);

    m_btnOpenScan = new QPushButton(QStringLiteral("打开扫描结果…"), this);
    m_btnOpenScan->setObjectName(QStringLiteral("btnOpenScan"));
    m_btnOpenScan->setAutoDefault(false);
    Place(m_btnOpenScan, kOpenScanButton);
    connect(m_btnOpenScan, &QPushButton::clicked, this, [this] {
        if (openSavedScan && openSavedScan(this)) done(kSavedScanOpened);
    });

    AddAnchor(m_btnNext, {1, 0}, {1, 0});
    AddAnchor(m_btnOpenScan, {1, 0}, {1, 0});
    AddAnchor(m_btnCreateImage, {1, 0}, {1, 0});
    AddAnchor(m_btnAddImage, {1, 0}, {1, 0});
    AddAnchor(m_btnSearch, {1, 0}, {1, 0});
    AddAnchor(m_driveList, {0, 0}, {1, 1});
    StepLook::ApplyTheme(this);
}

void CSelectDlg::FillDriveList() {
    m_driveList->setRowCount(0);
    const std::vector<platform::DriveEntry>& entries = platform::Drives().Entries();
    std::vector<bool> listed(entries.size(), false);
    for (size_t disk = 0; disk < entries.size(); ++disk) {
        if (IsPartition(entries[disk])) continue;
        AppendDriveRow(entries[disk].letter);
        listed[disk] = true;
        std::vector<size_t> parts;
        for (size_t part = 0; part < entries.size(); ++part)
            if (BelongsTo(entries[part], entries[disk])) parts.push_back(part);
        std::stable_sort(parts.begin(), parts.end(),
                         [&](size_t a, size_t b) { return StartOnDisk(entries[a]) < StartOnDisk(entries[b]); });
        for (size_t part : parts) {
            AppendDriveRow(entries[part].letter);
            listed[part] = true;
        }
    }
    // Partitions whose disk has no letter of its own.
    for (size_t drive = 0; drive < entries.size(); ++drive)
        if (!listed[drive]) AppendDriveRow(entries[drive].letter);
}

int CSelectDlg::AppendDriveRow(char16_t letter) {
    const platform::DriveEntry* drive = platform::Drives().Find(letter);
    const int row = m_driveList->rowCount();
    m_driveList->insertRow(row);
    // Partitions are indented under the disk they belong to.
    const QString indent = IsPartition(*drive) ? QStringLiteral("    ") : QString();
    auto* letterItem = TextItem(indent + QStringLiteral("%1:").arg(QChar(letter)));
    letterItem->setIcon(Pictures::Icon(PictureId::DiskIcon, 32));
    letterItem->setData(kLetterRole, int(letter));
    m_driveList->setItem(row, kLetterColumn, letterItem);

    std::u16string fileSystem;
    if (platform::GetFileSystemName(letter, fileSystem)) m_driveList->setItem(row, kFileSystemColumn, TextItem(ToQString(fileSystem)));

    // A drive that cannot be read is still listed, with the reason instead
    // of its source; a disk the disk service can open says so and is asked
    // for only when chosen.
    std::string reason;
    const DriveAccess access = AccessOfDrive(letter, reason);
    letterItem->setData(kAccessRole, int(access));
    // A disk not yet authorised is sized by the kernel, so the user can tell which one it is.
    uint64_t bytes = 0;
    if (access == DriveAccess::AfterAuthorisation ? KernelDiskSize(letter, bytes) : platform::GetDriveSize(letter, bytes))
        m_driveList->setItem(row, kSizeColumn, TextItem(DriveSizeText(bytes)));
    const bool imagePartition = drive->partitionNumber != 0 && drive->kernelDisk.empty();
    const QString path = QString::fromStdString(drive->path);
    auto* source = TextItem(access == DriveAccess::Unreadable           ? QString::fromStdString(reason)
                            : access == DriveAccess::AfterAuthorisation ? path + QStringLiteral("  (授权后可读)")
                            : imagePartition                            ? PartitionSourceText(*drive)
                                                                        : path);
    if (access == DriveAccess::Unreadable) source->setForeground(Qt::darkRed);
    source->setToolTip(access == DriveAccess::AfterAuthorisation ? QStringLiteral("选择此盘时会请求管理员密码")
                       : imagePartition                          ? path
                                                                 : source->text());
    m_driveList->setItem(row, kSourceColumn, source);
    m_driveList->setRowHeight(row, 36);
    return row;
}

void CSelectDlg::OnOK() {
    const QModelIndexList selected = m_driveList->selectionModel()->selectedRows();
    if (selected.isEmpty()) {
        ShowMessage(this, QStringLiteral("请先选择要扫描的分区!"), MessageIcon::None);
        return;
    }
    // Only the upper of several selected rows counts.
    const auto upper = std::min_element(selected.begin(), selected.end(),
                                        [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    ChooseRow(upper->row());
}

void CSelectDlg::OnDoubleClick(int row, int column) {
    if (row < 0 || column < 0) return;
    ChooseRow(row);
}

void CSelectDlg::ChooseRow(int row) {
    const char16_t letter = LetterOfRow(row);
    if (!ReadableOrAuthorised(letter)) return;
    m_driveLetter = letter;
    accept();
}

char16_t CSelectDlg::LetterOfRow(int row) const {
    return char16_t(m_driveList->item(row, kLetterColumn)->data(kLetterRole).toInt());
}

bool CSelectDlg::ReadableOrAuthorised(char16_t letter) {
    std::string reason;
    if (AccessOfDrive(letter, reason) != DriveAccess::AfterAuthorisation) return true;
    if (AuthoriseDrive(letter, reason)) return true;
    QString text = QStringLiteral("无法读取%1盘: %2").arg(QChar(letter), QString::fromStdString(reason));
    // The disk service opens a disk only while nothing has it mounted.
    if (reason.find("busy") != std::string::npos) text += QStringLiteral("\n\n此盘正在使用中(已挂载),请先卸载后再选择。");
    ShowMessage(this, text, MessageIcon::Exclamation);
    return false;
}

void CSelectDlg::SelectFirstReadable() {
    // A disk that is readable as it is comes before one that needs the password.
    for (DriveAccess wanted : {DriveAccess::Readable, DriveAccess::AfterAuthorisation}) {
        for (int row = 0; row < m_driveList->rowCount(); ++row) {
            if (m_driveList->item(row, kLetterColumn)->data(kAccessRole).toInt() != int(wanted)) continue;
            m_driveList->setCurrentCell(row, kLetterColumn);
            m_driveList->selectRow(row);
            return;
        }
    }
}

void CSelectDlg::ChooseImage() {
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("添加磁盘映像"), QString(),
                                                      QStringLiteral("磁盘映像 (*.img *.dd *.raw *.bin *.iso);;所有文件 (*)"));
    if (!path.isEmpty()) AddImage(path);
}

bool CSelectDlg::AddImage(const QString& imagePath) {
    const char16_t letter = FreeLetter();
    if (letter == 0) {
        ShowMessage(this, QStringLiteral("没有空闲的盘符,无法添加磁盘映像"), MessageIcon::Exclamation);
        return false;
    }
    const std::string path = imagePath.toStdString();
    if (!m_settings.WriteString(u"Drives", std::u16string(1, letter), DriveValue(path))) {
        ShowMessage(this, QStringLiteral("无法写入设置文件 %1").arg(QString::fromStdString(m_settings.GetPath())),
                    MessageIcon::Exclamation);
        return false;
    }
    platform::Drives().Register({letter, path, path.find(',') == std::string::npos ? 0u : 512u,
                                 platform::DriveKind::Image});
    // A whole-disk image brings its partitions, as it will at the next start.
    partitions::AddPartitionDrivesOf(platform::Drives(), *platform::Drives().Find(letter));
    FillDriveList();
    SelectLetter(letter);
    return true;
}

void CSelectDlg::SelectLetter(char16_t letter) {
    m_driveList->clearSelection();
    for (int row = 0; row < m_driveList->rowCount(); ++row)
        if (LetterOfRow(row) == letter) m_driveList->selectRow(row);
}

const platform::DriveEntry* CSelectDlg::SelectedDisk() const {
    const QModelIndexList selected = m_driveList->selectionModel()->selectedRows();
    if (selected.isEmpty()) return nullptr;
    const auto upper = std::min_element(selected.begin(), selected.end(),
                                        [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    const platform::DriveEntry* drive =
        platform::Drives().Find(LetterOfRow(upper->row()));
    if (!drive || !IsPartition(*drive)) return drive;
    for (const platform::DriveEntry& disk : platform::Drives().Entries())
        if (BelongsTo(*drive, disk)) return &disk;
    return nullptr;
}

void CSelectDlg::CreateImageOfSelected() {
    const QModelIndexList selected = m_driveList->selectionModel()->selectedRows();
    if (selected.isEmpty()) {
        ShowMessage(this, QStringLiteral("请先选择要复制的盘!"), MessageIcon::None);
        return;
    }
    const auto letter = char16_t(m_driveList->item(selected.front().row(), kLetterColumn)->data(Qt::UserRole).toInt());
    if (const QString copy = CreateDiskImage(this, letter); !copy.isEmpty()) AddImage(copy);
}

int CSelectDlg::SearchLostPartitions() {
    const platform::DriveEntry* selected = SelectedDisk();
    if (!selected) {
        ShowMessage(this, QStringLiteral("请先选择要搜索的磁盘!"), MessageIcon::None);
        return 0;
    }
    const platform::DriveEntry disk = *selected;  // the table grows below
    if (!ReadableOrAuthorised(disk.letter)) return 0;
    PartitionSearchDlg search(disk.path, disk.sectorSize, this);
    if (search.exec() != QDialog::Accepted) return 0;  // cancelled before it started
    if (!search.Succeeded()) {
        ShowMessage(this, QStringLiteral("无法读取 %1: %2").arg(QString::fromStdString(disk.path),
                                                                QString::fromStdString(search.Reason())),
                    MessageIcon::Exclamation);
        return 0;
    }
    std::vector<char16_t> added;
    for (const partitions::PartitionEntry& volume : search.Layout().partitions) {
        if (volume.origin != partitions::PartitionOrigin::Found || !volume.IsVolume()) continue;
        const auto& entries = platform::Drives().Entries();
        const bool known = std::any_of(entries.begin(), entries.end(), [&](const platform::DriveEntry& drive) {
            return BelongsTo(drive, disk) && StartOnDisk(drive) == volume.start;
        });
        const char16_t letter = known ? 0 : FreeLetter();
        if (letter == 0) continue;
        // Kept for this session only: the settings file holds whole drives, not windows of them.
        platform::Drives().Register(partitions::PartitionDrive(disk, volume, letter));
        added.push_back(letter);
    }
    FillDriveList();
    if (added.empty()) {
        ShowMessage(this, search.Layout().stopped ? QStringLiteral("搜索已停止,没有找到丢失的分区")
                                                  : QStringLiteral("没有找到丢失的分区"),
                    MessageIcon::None);
        return 0;
    }
    SelectLetter(added.front());
    return int(added.size());
}
