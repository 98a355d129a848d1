#include "ui/RuvexApp.h"

#include "partitions/PartitionDrives.h"
#include "platform/DriveTable.h"
#include "platform/SpecialFolders.h"
#include "platform/TextConvert.h"
#include "toolkit/KitFonts.h"
#include "toolkit/Pictures.h"
#include "ui/ProgressDlg.h"
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
    driveDialog.openSavedScan = [this](QWidget* owner) { return OpenSavedScan(owner, m_scanContext, m_driveLetter); };
    for (;;) {
        const int driveResult = driveDialog.exec();
        if (driveResult == QDialog::Rejected) return false;
        if (driveResult != QDialog::Accepted) break;  // a saved scan, or the dialog could not run: results without a scan
        int scanResult = QDialog::Rejected;
        const auto started = std::chrono::steady_clock::now();
        {
            // The dialog's end waits for its scan thread, so nothing outlives it.
            CProgressDlg progressDialog(m_scanContext, m_driveLetter);
            scanResult = progressDialog.exec();
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
