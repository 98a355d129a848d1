#pragma once
// Copies a drive into a disk image on a worker thread, around its bad
// sectors, with a GNU ddrescue map beside the copy (see CDiskImager): the
// progress, the speed and the bad bytes found so far are shown as the copy
// reports them, and Stop ends it with the map saved, so that copying the
// same drive to the same file again goes on where it stopped. Destroying the
// dialog waits for the worker.
#include "engine/ScanHost.h"
#include "results/DiskImager.h"

#include <QDialog>

#include <memory>
#include <thread>

namespace platform {
class RawSource;
}
class QLabel;
class QProgressBar;
class QPushButton;

class ImageCopyDlg : public QDialog, public ScanHost {
    Q_OBJECT
public:
    ImageCopyDlg(std::shared_ptr<const platform::RawSource> source, std::string copyPath, QWidget* parent = nullptr);
    ~ImageCopyDlg() override;

    // Valid once the dialog has ended: how the copy went.
    const ImageResult& Result() const { return m_result; }
    const std::string& MapPath() const { return m_mapPath; }
    QPushButton& StopButton() { return *m_btnStop; }
    QLabel& StatusText() { return *m_status; }

    // Esc and the window's close button stop the copy; the dialog ends when it has.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

    // Called on the copy's thread.
    void SetProgressRange(uint64_t) override {}
    void SetProgressPosition(uint64_t position) override;
    void SetPercentText(const std::u16string& text) override;
    void SetFoundText(const std::u16string& text) override;
    void SetTitle(const std::u16string&) override {}
    void SetFoundCount(uint32_t) override {}
    void ScanEnded(const ScanOutcome&) override {}
    void ShowMessage(const std::u16string&, const std::u16string&) override {}

private:
    template <typename Call>
    void Post(Call call);

    std::shared_ptr<const platform::RawSource> m_source;
    std::string m_copyPath;
    std::string m_mapPath;
    ImageResult m_result;
    QLabel* m_percent = nullptr;
    QLabel* m_status = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_btnStop = nullptr;
    std::thread m_worker;
};

// Asks where to copy drive `letter` (never onto the drive itself), copies it
// there behind the dialog and says how it went. The path of a copy that ran
// to its end, else empty.
QString CreateDiskImage(QWidget* parent, char16_t letter);
