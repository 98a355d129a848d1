#include "ui/PartitionSearchDlg.h"

#include <QCheckBox>
#include <QHBoxLayout>
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
    m_label = new QLabel(QStringLiteral("在 %1 中搜索丢失的分区").arg(QString::fromStdString(m_diskPath)), this);
    layout->addWidget(m_label);
    m_checkDeep = new QCheckBox(QStringLiteral("逐扇区搜索（较慢）"), this);
    m_checkDeep->setObjectName(QStringLiteral("checkDeep"));
    m_checkDeep->setToolTip(QStringLiteral("不只查看常用的分区边界，而是检查每一个扇区"));
    layout->addWidget(m_checkDeep);
    m_progress = new QProgressBar(this);
    m_progress->setRange(0, 1000);
    m_progress->setValue(0);
    layout->addWidget(m_progress);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    m_btnStart = new QPushButton(QStringLiteral("开始搜索"), this);
    m_btnStart->setObjectName(QStringLiteral("btnStart"));
    m_btnStart->setDefault(true);
    buttons->addWidget(m_btnStart);
    m_btnStop = new QPushButton(QStringLiteral("取消"), this);
    m_btnStop->setObjectName(QStringLiteral("btnStop"));
    m_btnStop->setAutoDefault(false);
    buttons->addWidget(m_btnStop);
    layout->addLayout(buttons);
    connect(m_btnStart, &QPushButton::clicked, this, &PartitionSearchDlg::Start);
    connect(m_btnStop, &QPushButton::clicked, this, &PartitionSearchDlg::reject);
    resize(std::max(460, sizeHint().width()), sizeHint().height());
}

PartitionSearchDlg::~PartitionSearchDlg() {
    m_stop = true;
    if (m_worker.joinable()) m_worker.join();
}

void PartitionSearchDlg::reject() {
    if (!m_worker.joinable()) {
        QDialog::reject();
        return;
    }
    m_stop = true;
    m_btnStop->setEnabled(false);
}

void PartitionSearchDlg::Start() {
    if (m_worker.joinable()) return;
    const bool deep = m_checkDeep->isChecked();
    m_label->setText(QStringLiteral("正在%1搜索 %2 …")
                         .arg(deep ? QStringLiteral("逐扇区") : QString(), QString::fromStdString(m_diskPath)));
    m_checkDeep->setEnabled(false);
    m_btnStart->setEnabled(false);
    m_btnStop->setText(QStringLiteral("停止"));
    m_worker = std::thread([this, deep] {
        partitions::LayoutOptions options;
        options.search = deep ? partitions::SearchDepth::Deep : partitions::SearchDepth::Quick;
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
