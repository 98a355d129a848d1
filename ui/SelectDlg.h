#pragma once
// The second step: the drives of the drive table with their file system,
// size and source; the chosen letter goes into the application's drive
// letter. A disk image can be added as a new drive. The partitions of a
// whole disk are listed under it, and a disk can be searched for lost ones.
#include "ui/StepDialog.h"

#include <functional>

class CIniFile;
namespace platform {
struct DriveEntry;
}
class MarkupButton;
class QPushButton;
class QTableWidget;

class CSelectDlg : public StepDialog {
    Q_OBJECT
public:
    // `driveLetter` receives the chosen letter; images added are registered
    // in the [Drives] section of `settings`.
    CSelectDlg(char16_t& driveLetter, const CIniFile& settings, QWidget* parent = nullptr);

    QTableWidget& DriveList() { return *m_driveList; }
    MarkupButton& NextButton() { return *m_btnNext; }
    QPushButton& AddImageButton() { return *m_btnAddImage; }
    QPushButton& SearchButton() { return *m_btnSearch; }
    QPushButton& OpenScanButton() { return *m_btnOpenScan; }

    // What the dialog ends with when a saved scan was opened: the results
    // window follows without a scan.
    static constexpr int kSavedScanOpened = 4;
    // Asks for a saved scan and opens it with its drive; set by the
    // application, the dialog ends with kSavedScanOpened when it is true.
    std::function<bool(QWidget* owner)> openSavedScan;
    QPushButton& CreateImageButton() { return *m_btnCreateImage; }

    void OnOK();
    // Registers `imagePath` under the first free letter, lists it with the
    // partitions of its table and selects it; false (after a message) when
    // no letter is free or the settings file cannot be written.
    bool AddImage(const QString& imagePath);
    // Searches the whole disk behind the selected row (or the disk of the
    // selected partition) for lost partitions, at the usual boundaries or
    // sector by sector as the search dialog is set, and lists each volume
    // found that no drive covers yet as a drive of its own, for this session.
    // Returns how many were added.
    int SearchLostPartitions();
    // Copies the selected drive into a disk image around its bad sectors and
    // lists the finished copy as a drive of its own.
    void CreateImageOfSelected();

private:
    void FillDriveList();
    int AppendDriveRow(char16_t letter);
    void SelectLetter(char16_t letter);
    const platform::DriveEntry* SelectedDisk() const;
    void ChooseImage();
    void OnDoubleClick(int row, int column);
    // Ends the dialog with the row's drive, once it can be read.
    void ChooseRow(int row);
    char16_t LetterOfRow(int row) const;
    // True when the drive can be read now, after the user authorised a
    // disk the disk service opens; false after saying why not.
    bool ReadableOrAuthorised(char16_t letter);
    void SelectFirstReadable();

    char16_t& m_driveLetter;
    const CIniFile& m_settings;
    QTableWidget* m_driveList = nullptr;
    MarkupButton* m_btnNext = nullptr;
    QPushButton* m_btnAddImage = nullptr;
    QPushButton* m_btnSearch = nullptr;
    QPushButton* m_btnOpenScan = nullptr;
    QPushButton* m_btnCreateImage = nullptr;
};

// "%.2f" of the bytes in units of 2^30, followed by "G": 465.76G.
QString DriveSizeText(uint64_t bytes);
