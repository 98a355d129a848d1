#pragma once
// "About Ruvex": the program's icon, name and version.
#include "toolkit/ResizableDialog.h"

class CAboutDlg : public ResizableDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};
