#include "ui/SelectDlg.h"

#include "platform/DriveTable.h"
#include "platform/RawSource.h"
#include "platform/TextConvert.h"
#include "platform/VolumeInfo.h"
#include "settings/IniFile.h"
#include "toolkit/MarkupButton.h"
#include "toolkit/Pictures.h"
#include "toolkit/QtText.h"
#include "toolkit/StepLook.h"
#include "ui/MessageBox.h"

#include <QFileDialog>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QTableWidget>

#include <algorithm>

namespace {

constexpr DialogUnitRect kNextButton{215, 14, 50, 48};
constexpr DialogUnitRect kDriveList{17, 81, 457, 249};
constexpr DialogUnitRect kAddImageButton{394, 64, 80, 14};

enum Column { kLetterColumn, kFileSystemColumn, kSizeColumn, kSourceColumn };

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
    connect(m_driveList, &QTableWidget::cellDoubleClicked, this, &CSelectDlg::OnDoubleClick);

    m_btnNext = CreateStepButton(QStringLiteral("下一步"), true);
    m_btnNext->setObjectName(QStringLiteral("btnNext"));
    Place(m_btnNext, kNextButton);
    connect(m_btnNext, &MarkupButton::clicked, this, &CSelectDlg::OnOK);

    m_btnAddImage = new QPushButton(QStringLiteral("添加磁盘映像…"), this);
    m_btnAddImage->setObjectName(QStringLiteral("btnAddImage"));
    m_btnAddImage->setAutoDefault(false);
    Place(m_btnAddImage, kAddImageButton);
    connect(m_btnAddImage, &QPushButton::clicked, this, &CSelectDlg::ChooseImage);

    AddAnchor(m_btnNext, {1, 0}, {1, 0});
    AddAnchor(m_btnAddImage, {1, 0}, {1, 0});
    AddAnchor(m_driveList, {0, 0}, {1, 1});
    StepLook::ApplyTheme(this);
}

void CSelectDlg::FillDriveList() {
    for (const platform::DriveEntry& drive : platform::Drives().Entries()) AppendDriveRow(drive.letter);
}

int CSelectDlg::AppendDriveRow(char16_t letter) {
    const platform::DriveEntry* drive = platform::Drives().Find(letter);
    const int row = m_driveList->rowCount();
    m_driveList->insertRow(row);
    auto* letterItem = TextItem(QStringLiteral("%1:").arg(QChar(letter)));
    letterItem->setIcon(Pictures::Icon(PictureId::DiskIcon, 32));
    letterItem->setData(Qt::UserRole, int(letter));
    m_driveList->setItem(row, kLetterColumn, letterItem);

    std::u16string fileSystem;
    if (platform::GetFileSystemName(letter, fileSystem)) m_driveList->setItem(row, kFileSystemColumn, TextItem(ToQString(fileSystem)));
    uint64_t bytes = 0;
    if (platform::GetDriveSize(letter, bytes)) m_driveList->setItem(row, kSizeColumn, TextItem(DriveSizeText(bytes)));

    // A drive that cannot be read is still listed, with the reason instead of its source.
    std::string reason;
    const bool readable = platform::RawSource::OpenDrive(letter, reason) != nullptr;
    auto* source = TextItem(QString::fromStdString(readable ? drive->path : reason));
    if (!readable) source->setForeground(Qt::darkRed);
    source->setToolTip(source->text());
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
    m_driveLetter = char16_t(m_driveList->item(upper->row(), kLetterColumn)->data(Qt::UserRole).toInt());
    accept();
}

void CSelectDlg::OnDoubleClick(int row, int column) {
    if (row < 0 || column < 0) return;
    m_driveLetter = char16_t(m_driveList->item(row, kLetterColumn)->data(Qt::UserRole).toInt());
    accept();
}

void CSelectDlg::keyPressEvent(QKeyEvent* event) {
    // Enter is the Next button, as the dialog's default command.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        OnOK();
        return;
    }
    StepDialog::keyPressEvent(event);
}

void CSelectDlg::ChooseImage() {
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("添加磁盘映像"), QString(),
                                                      QStringLiteral("磁盘映像 (*.img *.dd *.raw *.bin *.iso);;所有文件 (*)"));
    if (!path.isEmpty()) AddImage(path);
}

bool CSelectDlg::AddImage(const QString& imagePath) {
    char16_t letter = 0;
    for (char16_t candidate : u"CDEFGHIJKLMNOPQRSTUVWXYZAB")
        if (candidate && !platform::Drives().Find(candidate)) {
            letter = candidate;
            break;
        }
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
    const int row = AppendDriveRow(letter);
    m_driveList->clearSelection();
    m_driveList->selectRow(row);
    return true;
}
