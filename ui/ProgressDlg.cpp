#include "ui/ProgressDlg.h"

#include "engine/ScanThread.h"
#include "platform/ProcessIo.h"
#include "toolkit/MarkupButton.h"
#include "toolkit/QtText.h"
#include "toolkit/StepLook.h"
#include "ui/BadAreasText.h"
#include "ui/MessageBox.h"
#include "ui/ScanFailureText.h"

#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>

namespace {

constexpr DialogUnitRect kCancelButton{227, 19, 50, 40};
constexpr DialogUnitRect kProgressBar{115, 197, 253, 14};
constexpr DialogUnitRect kPercentText{96, 162, 61, 8};
constexpr DialogUnitRect kStatusText{97, 134, 94, 8};
// Below the bar, clear of the scan's own texts.
constexpr DialogUnitRect kElapsedText{115, 219, 253, 8};
constexpr DialogUnitRect kRemainingText{115, 231, 253, 8};
constexpr DialogUnitRect kSpeedText{115, 243, 253, 8};
constexpr QRect kWhitePanel(26, 146, 680, 390);
// The bar moves in ten-thousandths of the phase: a cluster count does not fit its int.
constexpr int kBarSteps = 10000;

uint64_t BytesRead() {
    uint64_t bytes = 0;
    platform::ProcessBytesRead(bytes);
    return bytes;
}

}  // namespace

CProgressDlg::CProgressDlg(ScanContext& context, char16_t driveLetter, QWidget* parent)
    : StepDialog(QStringLiteral("3.正在扫描,请耐心等待"), QPoint(30, 112), parent), m_context(context),
      m_driveLetter(driveLetter) {
    setObjectName(QStringLiteral("progressDialog"));
    SetWhitePanel(kWhitePanel);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setWindowTitle(QStringLiteral("正在扫描%1盘......").arg(QChar(m_driveLetter)));
    setFixedSize(size());
    setSizeGripEnabled(false);

    m_btnCancel = CreateStepButton(QStringLiteral("取消"), false);
    m_btnCancel->setObjectName(QStringLiteral("btnCancel"));
    Place(m_btnCancel, kCancelButton);
    connect(m_btnCancel, &MarkupButton::clicked, this, &CProgressDlg::OnCancel);

    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("progress"));
    m_progress->setTextVisible(false);
    m_progress->setRange(0, kBarSteps);
    m_progress->setValue(0);
    Place(m_progress, kProgressBar);

    m_percentText = CreateText("percentText", QStringLiteral("百分比"), kPercentText);
    m_statusText = CreateText("statusText", QStringLiteral("    "), kStatusText);
    m_elapsedText = CreateText("elapsedText", QString(), kElapsedText);
    m_remainingText = CreateText("remainingText", QString(), kRemainingText);
    m_speedText = CreateText("speedText", QString(), kSpeedText);

    m_timesTimer.setInterval(1000);
    connect(&m_timesTimer, &QTimer::timeout, this, &CProgressDlg::UpdateTimes);
    StepLook::ApplyTheme(this);
}

CProgressDlg::~CProgressDlg() {
    RequestStop();
    if (m_worker.joinable()) m_worker.join();
}

QLabel* CProgressDlg::CreateText(const char* objectName, const QString& text, const DialogUnitRect& rect) {
    auto* label = new QLabel(text, this);
    label->setObjectName(QString::fromLatin1(objectName));
    Place(label, rect);
    return label;
}

void CProgressDlg::showEvent(QShowEvent* event) {
    StepDialog::showEvent(event);
    if (!m_worker.joinable()) StartScan();
}

void CProgressDlg::StartScan() {
    m_steadyClock.start();
    m_clock.Start(0, BytesRead());
    UpdateTimes();
    m_timesTimer.start();
    m_worker = std::thread([this] {
        if (scan)
            scan(*this);
        else
            RunScanThread(m_context, *this, m_driveLetter);
    });
}

void CProgressDlg::OnCancel() {
    RequestStop();
    m_ended = true;
    m_timesTimer.stop();
    done(QDialog::Rejected);
}

void CProgressDlg::keyPressEvent(QKeyEvent* event) {
    // Enter would end the dialog while the scan still fills the results.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    StepDialog::keyPressEvent(event);
}

template <typename Call>
void CProgressDlg::Post(Call call) {
    QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
}

void CProgressDlg::ShowText(QWidget* target, const QString& text) {
    if (target == this)
        setWindowTitle(text);
    else
        static_cast<QLabel*>(target)->setText(text);
    emit TextShown(target->objectName(), text);
}

void CProgressDlg::SetProgressRange(uint64_t upper) {
    Post([this, upper] {
        m_range = upper;
        m_progress->setValue(0);
        m_clock.StartPhase(m_steadyClock.elapsed());
    });
}

void CProgressDlg::SetProgressPosition(uint64_t position) {
    Post([this, position] {
        if (m_range == 0) return;
        const double done = std::min(1.0, double(position) / double(m_range));
        m_progress->setValue(static_cast<int>(done * kBarSteps));
        m_clock.SetDone(done);
    });
}

void CProgressDlg::SetPercentText(const std::u16string& text) {
    Post([this, text = ToQString(text)] { ShowText(m_percentText, text); });
}

void CProgressDlg::SetFoundText(const std::u16string& text) {
    Post([this, text = ToQString(text)] { ShowText(m_statusText, text); });
}

void CProgressDlg::SetTitle(const std::u16string& text) {
    Post([this, text = ToQString(text)] { ShowText(this, text); });
}

void CProgressDlg::SetFoundCount(uint32_t count) {
    Post([this, count] { m_foundCount = count; });
}

void CProgressDlg::ScanEnded(const ScanOutcome& outcome) {
    Post([this, outcome] { OnScanEnded(outcome); });
}

void CProgressDlg::ShowMessage(const std::u16string& text, const std::u16string& caption) {
    // The scan's own box ("扫描终止") follows a stop, when the dialog has gone.
    Post([this, text = ToQString(text.empty() ? caption : text)] {
        if (!m_ended) ::ShowMessage(this, text, MessageIcon::None);
    });
}

void CProgressDlg::OnScanEnded(const ScanOutcome& outcome) {
    m_outcome = outcome;
    if (m_ended) return;
    m_ended = true;
    m_timesTimer.stop();
    UpdateTimes();
    switch (outcome.end) {
    case ScanEnd::Finished: {
        // What the scan could not read is said before the results show without it.
        const QString badAreas = BadAreasText(m_context);
        if (!outcome.reason.empty() || !badAreas.isEmpty()) {
            QString note = QStringLiteral("扫描已完成,但有些地方无法读取");
            if (!outcome.reason.empty()) note += QStringLiteral(": %1").arg(ToQString(outcome.reason));
            if (!badAreas.isEmpty()) note += QStringLiteral("\n") + badAreas;
            ::ShowMessage(this, note, MessageIcon::Exclamation);
        }
        accept();
        break;
    }
    case ScanEnd::Failed:
        ::ShowMessage(this, ScanFailureText(m_driveLetter, outcome.reason, IsBlockDeviceDrive(m_driveLetter)),
                      MessageIcon::Exclamation);
        done(kScanFailed);
        break;
    case ScanEnd::Stopped:
        done(QDialog::Rejected);
        break;
    }
}

void CProgressDlg::UpdateTimes() {
    const int64_t now = m_steadyClock.elapsed();
    m_elapsedText->setText(m_clock.ElapsedText(now));
    m_remainingText->setText(m_clock.RemainingText(now));
    m_speedText->setText(m_clock.SpeedText(now, BytesRead()));
}
