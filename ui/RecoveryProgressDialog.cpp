#include "ui/RecoveryProgressDialog.h"

#include "results/ResultList.h"
#include "ui/ReaderThread.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <chrono>

// Hands the reader thread's reports to the dialog, at most about twenty a
// second: a recovery of many small files must not flood the window.
class RecoveryProgressDialog::Relay : public RecoveryHost {
public:
    explicit Relay(RecoveryProgressDialog& dialog) : m_dialog(dialog) {}

    void SetTotal(uint64_t files, uint64_t bytes) override {
        ReaderThread::Deliver(&m_dialog, [dialog = &m_dialog, files, bytes] {
            dialog->m_totalFiles = files;
            dialog->m_totalBytes = bytes;
            dialog->Show(0, 0);
        });
    }
    void SetDone(uint64_t files, uint64_t bytes) override {
        auto now = std::chrono::steady_clock::now();
        if (now - m_lastShown < std::chrono::milliseconds(50)) return;
        m_lastShown = now;
        ReaderThread::Deliver(&m_dialog, [dialog = &m_dialog, files, bytes] { dialog->Show(files, bytes); });
    }

private:
    RecoveryProgressDialog& m_dialog;
    std::chrono::steady_clock::time_point m_lastShown{};  // touched by the reader thread only
};

RecoveryProgressDialog::RecoveryProgressDialog(QWidget* parent)
    : QDialog(parent), m_relay(std::make_unique<Relay>(*this)) {
    setObjectName(QStringLiteral("recoveryProgress"));
    setWindowTitle(QStringLiteral("正在恢复文件"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    m_filesText = new QLabel(this);
    m_filesText->setObjectName(QStringLiteral("filesText"));
    m_bytesText = new QLabel(this);
    m_bytesText->setObjectName(QStringLiteral("bytesText"));
    m_bar = new QProgressBar(this);
    m_bar->setRange(0, 1000);
    m_stop = new QPushButton(QStringLiteral("停止"), this);
    m_stop->setObjectName(QStringLiteral("stopButton"));
    connect(m_stop, &QPushButton::clicked, this, &RecoveryProgressDialog::reject);
    layout->addWidget(m_filesText);
    layout->addWidget(m_bytesText);
    layout->addWidget(m_bar);
    layout->addWidget(m_stop, 0, Qt::AlignRight);
    resize(420, sizeHint().height());
    Show(0, 0);
}

RecoveryProgressDialog::~RecoveryProgressDialog() = default;

RecoveryHost& RecoveryProgressDialog::Host() { return *m_relay; }

void RecoveryProgressDialog::Show(uint64_t files, uint64_t bytes) {
    m_filesText->setText(QStringLiteral("已恢复%1个文件,共%2个").arg(files).arg(m_totalFiles));
    m_bytesText->setText(QString::fromStdU16String(SizeText(bytes) + u" / " + SizeText(m_totalBytes)));
    m_bar->setValue(m_totalBytes == 0 ? (m_totalFiles == 0 ? 0 : int(files * 1000 / m_totalFiles))
                                      : int(std::min<uint64_t>(bytes, m_totalBytes) * 1000 / m_totalBytes));
}

void RecoveryProgressDialog::reject() {
    // The dialog stays until the recovery has really ended: nothing is
    // being written once it closes.
    m_relay->RequestStop();
    m_stop->setEnabled(false);
    m_stop->setText(QStringLiteral("正在停止……"));
}

void RecoveryProgressDialog::Finish() { QDialog::accept(); }
