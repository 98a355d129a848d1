#pragma once
// Shown while a recovery writes files on the reader thread: files and bytes
// done of the total, and 停止, which ends the recovery after the current
// step and removes the file it was writing.
#include "results/RecoveryHost.h"

#include <QDialog>

#include <memory>

class QLabel;
class QProgressBar;
class QPushButton;

class RecoveryProgressDialog : public QDialog {
    Q_OBJECT
public:
    explicit RecoveryProgressDialog(QWidget* parent = nullptr);
    ~RecoveryProgressDialog() override;

    // The host the recovery reports to, from the reader thread.
    RecoveryHost& Host();

    // The recovery ended: the dialog closes.
    void Finish();

    void reject() override;  // Esc and the close box stop, as 停止 does

private:
    class Relay;
    void Show(uint64_t files, uint64_t bytes);

    QLabel* m_filesText;
    QLabel* m_bytesText;
    QProgressBar* m_bar;
    QPushButton* m_stop;
    uint64_t m_totalFiles = 0;
    uint64_t m_totalBytes = 0;
    std::unique_ptr<Relay> m_relay;
};
