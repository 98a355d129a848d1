#include "ui/ImageCopyDlg.h"

#include "platform/RawSource.h"
#include "results/RecoveryWriter.h"
#include "results/ResultList.h"
#include "toolkit/QtText.h"
#include "ui/MessageBox.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

ImageCopyDlg::ImageCopyDlg(std::shared_ptr<const platform::RawSource> source, std::string copyPath, QWidget* parent)
    : QDialog(parent), m_source(std::move(source)), m_copyPath(std::move(copyPath)), m_mapPath(m_copyPath + ".map") {
    setObjectName(QStringLiteral("imageCopyDialog"));
    setWindowTitle(QStringLiteral("创建磁盘映像"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("正在把 %1 复制到 %2")
                                     .arg(QString::fromStdString(m_source->Path()), QString::fromStdString(m_copyPath)),
                                 this));
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("progress"));
    m_progress->setRange(0, 1000);
    m_progress->setTextVisible(false);
    layout->addWidget(m_progress);
    auto* texts = new QHBoxLayout;
    m_percent = new QLabel(this);
    m_percent->setObjectName(QStringLiteral("percentText"));
    texts->addWidget(m_percent);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("statusText"));
    texts->addWidget(m_status, 1);
    layout->addLayout(texts);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    m_btnStop = new QPushButton(QStringLiteral("停止"), this);
    m_btnStop->setObjectName(QStringLiteral("btnStop"));
    buttons->addWidget(m_btnStop);
    layout->addLayout(buttons);
    connect(m_btnStop, &QPushButton::clicked, this, &ImageCopyDlg::reject);
    resize(std::max(520, sizeHint().width()), sizeHint().height());
}

ImageCopyDlg::~ImageCopyDlg() {
    RequestStop();
    if (m_worker.joinable()) m_worker.join();
}

void ImageCopyDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (m_worker.joinable()) return;
    m_worker = std::thread([this] {
        ImageResult result = CDiskImager(m_source, m_copyPath, m_mapPath, platform::RetryBadPasses(),
                                         "Ruvex 创建磁盘映像 " + m_source->Path() + " " + m_copyPath)
                                 .Run(*this);
        QMetaObject::invokeMethod(
            this,
            [this, result] {
                // The worker's last act was posting this call.
                if (m_worker.joinable()) m_worker.join();
                m_result = result;
                accept();
            },
            Qt::QueuedConnection);
    });
}

void ImageCopyDlg::reject() {
    if (!m_worker.joinable()) {
        QDialog::reject();
        return;
    }
    RequestStop();
    m_btnStop->setEnabled(false);
}

template <typename Call>
void ImageCopyDlg::Post(Call call) {
    QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
}

void ImageCopyDlg::SetProgressPosition(uint64_t position) {
    Post([this, position] { m_progress->setValue(int(std::min<uint64_t>(position, 1000))); });
}

void ImageCopyDlg::SetPercentText(const std::u16string& text) {
    Post([this, text = ToQString(text)] { m_percent->setText(text); });
}

void ImageCopyDlg::SetFoundText(const std::u16string& text) {
    Post([this, text = ToQString(text)] { m_status->setText(text); });
}

QString CreateDiskImage(QWidget* parent, char16_t letter) {
    std::string reason;
    std::shared_ptr<const platform::RawSource> source = platform::RawSource::OpenDrive(letter, reason);
    if (!source) {
        ShowMessage(parent, QStringLiteral("无法读取%1盘: %2").arg(QChar(letter), QString::fromStdString(reason)),
                    MessageIcon::Exclamation);
        return {};
    }
    const QString path = QFileDialog::getSaveFileName(parent, QStringLiteral("创建磁盘映像"), QString(),
                                                      QStringLiteral("磁盘映像 (*.img);;所有文件 (*)"), nullptr,
                                                      QFileDialog::DontConfirmOverwrite);
    if (path.isEmpty()) return {};
    const std::string copy = path.toStdString();
    // The copy would overwrite what it copies.
    if (!IsDestinationAllowed(letter, copy)) {
        ShowMessage(parent, ToQString(kSameDriveRefusal), MessageIcon::Exclamation);
        return {};
    }
    ImageCopyDlg dialog(source, copy, parent);
    dialog.exec();
    const ImageResult& result = dialog.Result();
    if (result.failed) {
        ShowMessage(parent, QStringLiteral("无法创建磁盘映像: %1").arg(QString::fromStdString(result.error)),
                    MessageIcon::Exclamation);
        return {};
    }
    if (result.stopped) {
        ShowMessage(parent,
                    QStringLiteral("已停止。再次把此盘复制到同一文件,会从停止处继续(%1)")
                        .arg(QString::fromStdString(dialog.MapPath())),
                    MessageIcon::None);
        return {};
    }
    if (result.badBytes > 0)
        ShowMessage(parent,
                    QStringLiteral("映像已创建,%1无法读取,在映像中为零(%2)")
                        .arg(ToQString(SizeText(result.badBytes)), QString::fromStdString(dialog.MapPath())),
                    MessageIcon::Exclamation);
    return path;
}
