#pragma once
// The third step: runs the scan of the chosen drive on a worker thread and
// shows its progress. Everything the scan reports reaches the dialog through
// queued calls, so the scan never waits for the window. The dialog ends with
// Accepted when the scan has run to its end, Rejected at once on Cancel, and
// kScanFailed after showing why a drive could not be scanned. Destroying the
// dialog waits for the worker, which stops within a second of Cancel.
#include "engine/ScanHost.h"
#include "ui/ScanClock.h"
#include "ui/StepDialog.h"

#include <QElapsedTimer>
#include <QTimer>

#include <functional>
#include <thread>

class MarkupButton;
class QLabel;
class QProgressBar;
class ScanContext;

class CProgressDlg : public StepDialog, public ScanHost {
    Q_OBJECT
public:
    static constexpr int kScanFailed = 3;

    CProgressDlg(ScanContext& context, char16_t driveLetter, QWidget* parent = nullptr);
    ~CProgressDlg() override;

    MarkupButton& CancelButton() { return *m_btnCancel; }
    QProgressBar& Progress() { return *m_progress; }
    uint32_t FoundCount() const { return m_foundCount; }
    const ScanOutcome& Outcome() const { return m_outcome; }

    void OnCancel();
    void reject() override { OnCancel(); }

    // Runs instead of the scan of the drive when set before the dialog
    // shows (a saved scan that goes on); called on the worker thread.
    std::function<void(ScanHost& host)> scan;

signals:
    // A text the scan put in a window: the title, the percentage (1002) or
    // the status line (1012), in the order the scan reported them.
    void TextShown(const QString& objectName, const QString& text);

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

    // Called on the scan's thread.
    void SetProgressRange(uint64_t upper) override;
    void SetProgressPosition(uint64_t position) override;
    void SetPercentText(const std::u16string& text) override;
    void SetFoundText(const std::u16string& text) override;
    void SetTitle(const std::u16string& text) override;
    void SetFoundCount(uint32_t count) override;
    void ScanEnded(const ScanOutcome& outcome) override;
    void ShowMessage(const std::u16string& text, const std::u16string& caption) override;

private:
    QLabel* CreateText(const char* objectName, const QString& text, const DialogUnitRect& rect);
    void StartScan();
    void ShowText(QWidget* target, const QString& text);
    void OnScanEnded(const ScanOutcome& outcome);
    void UpdateTimes();
    template <typename Call>
    void Post(Call call);

    ScanContext& m_context;
    char16_t m_driveLetter;
    uint32_t m_foundCount = 0;
    uint64_t m_range = 0;
    bool m_ended = false;
    ScanOutcome m_outcome;
    QProgressBar* m_progress = nullptr;
    MarkupButton* m_btnCancel = nullptr;
    QLabel* m_percentText = nullptr;
    QLabel* m_statusText = nullptr;
    QLabel* m_elapsedText = nullptr;
    QLabel* m_remainingText = nullptr;
    QLabel* m_speedText = nullptr;
    QElapsedTimer m_steadyClock;
    ScanClock m_clock;
    QTimer m_timesTimer;
    std::thread m_worker;
};
