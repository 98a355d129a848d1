#pragma once
// "查找文件": asks for a piece of a file name and lets the results list show
// every found file whose name contains it.
#include "toolkit/ResizableDialog.h"

#include <QString>

class QLineEdit;
class ResultViews;

class CFindDlg : public ResizableDialog {
    Q_OBJECT
public:
    explicit CFindDlg(ResultViews& views, QWidget* parent = nullptr);

    // Searches for the typed text, says so when nothing was found, and ends
    // the dialog with OK.
    void accept() override;

    QString m_text;

private:
    ResultViews& m_views;
    QLineEdit* m_edit;
};
