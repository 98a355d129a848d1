#include "ui/AboutDialog.h"

#include "toolkit/Pictures.h"

#include <QLabel>
#include <QPushButton>

namespace {

// Dialog 100, in dialog units.
constexpr QSize kDialogSize{235, 55};
constexpr DialogUnitRect kIcon{11, 17, 20, 20};
constexpr DialogUnitRect kVersion{40, 10, 119, 8};
constexpr DialogUnitRect kOkButton{178, 7, 50, 16};

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : ResizableDialog(kDialogSize, parent) {
    setObjectName(QStringLiteral("aboutDialog"));
    setWindowTitle(QStringLiteral("About Ruvex"));
    setFixedSize(size());
    setSizeGripEnabled(false);

    auto* icon = new QLabel(this);
    icon->setPixmap(Pictures::Icon(PictureId::AppIcon, 32));
    Place(icon, kIcon);

    auto* version = new QLabel(QStringLiteral("Ruvex Version 1.0"), this);
    version->setObjectName(QStringLiteral("versionText"));
    Place(version, kVersion);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    Place(ok, kOkButton);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}
