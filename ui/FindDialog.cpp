#include "ui/FindDialog.h"

#include "results/ResultsModel.h"
#include "toolkit/StepLook.h"
#include "ui/MessageBox.h"
#include "ui/ResultViews.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

// Dialog 148, in dialog units.
constexpr QSize kDialogSize{290, 145};
constexpr DialogUnitRect kOkButton{82, 90, 50, 14};
constexpr DialogUnitRect kCancelButton{166, 91, 50, 14};
constexpr DialogUnitRect kLabel{61, 39, 41, 16};
constexpr DialogUnitRect kEdit{105, 40, 130, 14};

}  // namespace

CFindDlg::CFindDlg(ResultViews& views, QWidget* parent) : ResizableDialog(kDialogSize, parent), m_views(views) {
    setObjectName(QStringLiteral("findDialog"));
    setWindowTitle(QStringLiteral("查找文件"));
    // A fixed frame in the step dialogs' page colour.
    setFixedSize(size());
    setSizeGripEnabled(false);
    setAutoFillBackground(true);
    QPalette background = palette();
    background.setColor(QPalette::Window, StepLook::Background());
    setPalette(background);

    auto* label = new QLabel(QStringLiteral("文件名或者文件扩展名"), this);
    label->setWordWrap(true);
    Place(label, kLabel);

    m_edit = new QLineEdit(this);
    m_edit->setObjectName(QStringLiteral("findText"));
    Place(m_edit, kEdit);

    auto* ok = new QPushButton(QStringLiteral("确定"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    Place(ok, kOkButton);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &CFindDlg::accept);

    auto* cancel = new QPushButton(QStringLiteral("取消"), this);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    Place(cancel, kCancelButton);
    connect(cancel, &QPushButton::clicked, this, &CFindDlg::reject);

    m_edit->setFocus();
}

void CFindDlg::accept() {
    m_text = m_edit->text();
    if (m_views.Find(m_text) == 0)
        ShowMessage(parentWidget(), QString::fromStdU16String(kNothingFoundText), MessageIcon::Exclamation);
    QDialog::accept();
}
