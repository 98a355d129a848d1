#include "ui/ResultsWindow.h"

#include "ui/CRuvexDlg.h"

void ShowResultsWindow(ScanContext& context, char16_t driveLetter) {
    CRuvexDlg window(context, driveLetter);
    window.exec();
}
