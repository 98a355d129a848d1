#pragma once
// The first step: deleted-file recovery or full-scan recovery, chosen from
// two large markup items; the choice goes into the scan context's mode.
#include "toolkit/ImageList.h"
#include "ui/StepDialog.h"

class CHTMLListCtrl;
class MarkupButton;
class ScanContext;
struct HTMLLIST_NOTIFY;

class CSelOneDlg : public StepDialog {
    Q_OBJECT
public:
    // Clears the mode: nothing is chosen until an item is clicked.
    explicit CSelOneDlg(ScanContext& context, QWidget* parent = nullptr);

    CHTMLListCtrl& ModeList() { return *m_modeList; }
    MarkupButton& NextButton() { return *m_btnNext; }

    void OnNext();

private:
    void OnListNotify(const HTMLLIST_NOTIFY& notify);

    ScanContext& m_context;
    ImageList m_modeImages;
    CHTMLListCtrl* m_modeList = nullptr;
    MarkupButton* m_btnNext = nullptr;
};
