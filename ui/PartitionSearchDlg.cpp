#include "ui/PartitionSearchDlg.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

PartitionSearchDlg::PartitionSearchDlg(std::string diskPath, uint32_t sectorSize, QWidget* parent)
    : QDialog(parent), m_diskPath(std::move(diskPath)), m_sectorSize(sectorSize) {
    setObjectName(QStringLiteral("partitionSearchDialog"));
    setWindowTitle(QStringLiteral("搜索丢失的分区"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("正在搜索 %1 …").arg(QString::fromStdString(m_diskPath)), this));
    m_progress = new QProgressBar(this);
    m_progress->setRange(0, 1000);
    m_progress->setValue(0);
    layout->addWidget(m_progress);
    m_btnStop = new QPushButton(QStringLiteral("停止"), this);
    m_btnStop->setObjectName(QStringLiteral("btnStop"));
    m_btnStop->setAutoDefault(false);
    layout->addWidget(m_btnStop, 0, Qt::AlignRight);
    connect(m_btnStop, &QPushButton::clicked, this, [this] {
        m_stop = true;
        m_btnStop->setEnabled(false);
    });
    resize(420, sizeHint().height());
}

PartitionSearchDlg::~PartitionSearchDlg() {
    m_stop = true;
    if (m_worker.joinable()) m_worker.join();
}

void PartitionSearchDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (m_worker.joinable()) return;
    m_worker = std::thread([this] {
        partitions::LayoutOptions options;
        options.search = partitions::SearchDepth::Quick;
        options.progress = [this](uint64_t done, uint64_t total) {
            QMetaObject::invokeMethod(this, [this, done, total] { OnProgress(done, total); }, Qt::QueuedConnection);
            return !m_stop.load();
        };
        partitions::DiskLayout layout;
        std::string reason;
        const bool read = partitions::ReadDiskLayout(m_diskPath, m_sectorSize, options, layout, reason);
        // The results move to the window's thread with the call that ends the dialog.
        QMetaObject::invokeMethod(
            this,
            [this, read, layout = std::move(layout), reason = std::move(reason)]() mutable {
                // The worker's last act was posting this call; joining it makes
                // everything it wrote visible here before the results are read.
                if (m_worker.joinable()) m_worker.join();
                m_succeeded = read;
                m_layout = std::move(layout);
                m_reason = std::move(reason);
                accept();
            },
            Qt::QueuedConnection);
    });
}

void PartitionSearchDlg::OnProgress(uint64_t done, uint64_t total) {
    if (total > 0) m_progress->setValue(int(std::min<uint64_t>(done, total) * 1000 / total));
}
