#pragma once
// A small dialog that searches a whole disk for lost partitions on a worker
// thread, so the window keeps answering while the disk is read. The user
// chooses first between the usual partition boundaries and every sector (far
// slower, but finds volumes that start anywhere), then starts it. Progress
// reaches the dialog through queued calls; Stop ends the search early and
// keeps what it found so far. Destroying the dialog waits for the worker.
#include "partitions/DiskLayout.h"

#include <QDialog>

#include <atomic>
#include <thread>

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;

class PartitionSearchDlg : public QDialog {
    Q_OBJECT
public:
    PartitionSearchDlg(std::string diskPath, uint32_t sectorSize, QWidget* parent = nullptr);
    ~PartitionSearchDlg() override;

    // Valid once the dialog has ended with Accepted (a search ran); false
    // when the disk could not be read. Rejected: cancelled before the start.
    bool Succeeded() const { return m_succeeded; }
    const partitions::DiskLayout& Layout() const { return m_layout; }
    const std::string& Reason() const { return m_reason; }
    QCheckBox& DeepCheck() { return *m_checkDeep; }
    QPushButton& StartButton() { return *m_btnStart; }
    // "取消" before the search starts, "停止" while it runs.
    QPushButton& StopButton() { return *m_btnStop; }

    void Start();
    // Esc: closes the dialog before the search, stops the search while it runs.
    void reject() override;

private:
    void OnProgress(uint64_t done, uint64_t total);

    std::string m_diskPath;
    uint32_t m_sectorSize;
    partitions::DiskLayout m_layout;
    std::string m_reason;
    bool m_succeeded = false;
    std::atomic<bool> m_stop{false};
    QLabel* m_label = nullptr;
    QCheckBox* m_checkDeep = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_btnStart = nullptr;
    QPushButton* m_btnStop = nullptr;
    std::thread m_worker;
};
