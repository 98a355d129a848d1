#include "ui/RuvexApp.h"

#include "partitions/PartitionDrives.h"
#include "platform/DriveTable.h"
#include "platform/SpecialFolders.h"
#include "platform/TextConvert.h"
#include "toolkit/KitFonts.h"
#include "toolkit/Pictures.h"
#include "engine/SavedScanSource.h"
#include "ui/ProgressDlg.h"
#include "ui/QtTranslations.h"
#include "ui/ResultsWindow.h"
#include "ui/SavedScanFiles.h"
#include "ui/SelOneDlg.h"
#include "ui/SelectDlg.h"
#include "ui/StepDialog.h"

#include <QMessageBox>
#include <QToolTip>

#include <chrono>

CRuvexApp::CRuvexApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("ruvex"));
    setApplicationDisplayName(StepDialogTitle());
    setWindowIcon(Pictures::IconSet(PictureId::AppIcon));
    setQuitOnLastWindowClosed(false);
    // Tooltips name the kit's Chinese faces like its lists do: with the
    // default face alone the fallback glyphs come out wider than measured
    // and the last character is cut off.
    QToolTip::setFont(KitFonts::ListFont());
    m_qtTranslationsLoaded = InstallQtTranslations();
    m_iniFile.SetPath(platform::SettingsFilePath());
    platform::SetCodePage(platform::ToUtf8(m_iniFile.GetString(u"Options", u"CodePage", u"CP936")));
    platform::Drives().Load(m_iniFile.GetPath());
    // The partitions of whole-disk images in the settings are drives of their own.
    partitions::AddPartitionDrives(platform::Drives());
}

namespace {

// A stopped scan that ran this long is offered for saving.
constexpr std::chrono::seconds kLongScan{60};

}  // namespace

CRuvexApp* CRuvexApp::Current() { return qobject_cast<CRuvexApp*>(QCoreApplication::instance()); }

bool CRuvexApp::InitInstance() {
    CSelOneDlg modeDialog(m_scanContext);
    if (modeDialog.exec() == QDialog::Rejected) return false;

    CSelectDlg driveDialog(m_driveLetter, m_iniFile);
    SavedScanToResume resume;
    driveDialog.openSavedScan = [this, &resume](QWidget* owner) {
        return OpenSavedScan(owner, m_scanContext, m_driveLetter, resume);
    };
    for (;;) {
        const int driveResult = driveDialog.exec();
        if (driveResult == QDialog::Rejected) return false;
        // A saved scan, or the dialog could not run: results without a scan.
        if (driveResult != QDialog::Accepted && !resume.needed) break;
        int scanResult = QDialog::Rejected;
        const auto started = std::chrono::steady_clock::now();
        {
            // The dialog's end waits for its scan thread, so nothing outlives it.
            CProgressDlg progressDialog(m_scanContext, m_driveLetter);
            // A stopped saved scan goes on from where it stopped.
            if (resume.needed)
                progressDialog.scan = [this, &resume](ScanHost& host) {
                    ResumeSavedScan(m_scanContext, resume.info, host, resume.source);
                };
            scanResult = progressDialog.exec();
        }
        if (resume.needed) {
            // The file keeps what was found, also when the scan was stopped again.
            if (scanResult != CProgressDlg::kScanFailed) UpdateSavedScan(nullptr, m_scanContext, resume);
            resume.needed = false;
            if (scanResult == QDialog::Rejected) return false;
            if (scanResult == CProgressDlg::kScanFailed) continue;
            break;
        }
        if (scanResult == QDialog::Rejected) {
            // A long scan stopped is worth keeping: it can be opened and recovered from later.
            if (std::chrono::steady_clock::now() - started >= kLongScan &&
                QMessageBox::question(nullptr, QStringLiteral("扫描终止"), QStringLiteral("是否保存扫描结果?")) ==
                    QMessageBox::Yes)
                SaveScanAs(nullptr, m_scanContext, m_driveLetter, true);
            return false;
        }
        // A drive that could not be scanned: the reason was shown, choose again.
        if (scanResult == CProgressDlg::kScanFailed) continue;
        break;
    }
    ShowResultsWindow(m_scanContext, m_driveLetter);
    return false;
}
