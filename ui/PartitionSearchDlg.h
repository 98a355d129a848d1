#pragma once
// A small dialog that searches a whole disk for lost partitions on a worker
// thread, so the window keeps answering while the disk is read. Progress
// reaches the dialog through queued calls; Stop ends the search early and
// keeps what it found so far. Destroying the dialog waits for the worker.
#include "partitions/DiskLayout.h"

#include <QDialog>

#include <atomic>
#include <thread>

class QProgressBar;
class QPushButton;

class PartitionSearchDlg : public QDialog {
    Q_OBJECT
public:
    PartitionSearchDlg(std::string diskPath, uint32_t sectorSize, QWidget* parent = nullptr);
    ~PartitionSearchDlg() override;

    // Valid once the dialog has ended with Accepted; false when the disk could not be read.
    bool Succeeded() const { return m_succeeded; }
    const partitions::DiskLayout& Layout() const { return m_layout; }
    const std::string& Reason() const { return m_reason; }
    QPushButton& StopButton() { return *m_btnStop; }

    void reject() override { m_stop = true; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void OnProgress(uint64_t done, uint64_t total);

    std::string m_diskPath;
    uint32_t m_sectorSize;
    partitions::DiskLayout m_layout;
    std::string m_reason;
    bool m_succeeded = false;
    std::atomic<bool> m_stop{false};
    QProgressBar* m_progress = nullptr;
    QPushButton* m_btnStop = nullptr;
    std::thread m_worker;
};
