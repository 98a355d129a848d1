#include "ui/RuvexApp.h"

#include "partitions/PartitionDrives.h"
#include "platform/DriveTable.h"
#include "platform/SpecialFolders.h"
#include "platform/TextConvert.h"
#include "toolkit/KitFonts.h"
#include "toolkit/Pictures.h"
#include "ui/ProgressDlg.h"
#include "ui/QtTranslations.h"
#include "ui/ResultsWindow.h"
#include "ui/SelOneDlg.h"
#include "ui/SelectDlg.h"
#include "ui/StepDialog.h"

#include <QToolTip>

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

CRuvexApp* CRuvexApp::Current() { return qobject_cast<CRuvexApp*>(QCoreApplication::instance()); }

bool CRuvexApp::InitInstance() {
    CSelOneDlg modeDialog(m_scanContext);
    if (modeDialog.exec() == QDialog::Rejected) return false;

    CSelectDlg driveDialog(m_driveLetter, m_iniFile);
    for (;;) {
        const int driveResult = driveDialog.exec();
        if (driveResult == QDialog::Rejected) return false;
        if (driveResult != QDialog::Accepted) break;  // the dialog could not run: results without a scan
        int scanResult = QDialog::Rejected;
        {
            // The dialog's end waits for its scan thread, so nothing outlives it.
            CProgressDlg progressDialog(m_scanContext, m_driveLetter);
            scanResult = progressDialog.exec();
        }
        if (scanResult == QDialog::Rejected) return false;
        // A drive that could not be scanned: the reason was shown, choose again.
        if (scanResult == CProgressDlg::kScanFailed) continue;
        break;
    }
    ShowResultsWindow(m_scanContext, m_driveLetter);
    return false;
}
