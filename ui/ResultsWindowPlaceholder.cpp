// Until the results window exists, the last step says how much was found.
#include "ui/ResultsWindow.h"

#include "engine/ScanContext.h"
#include "ui/StepDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

void ShowResultsWindow(ScanContext& context, char16_t driveLetter) {
    QDialog window;
    window.setObjectName(QStringLiteral("resultsWindow"));
    window.setWindowTitle(StepDialogTitle());
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(new QLabel(QStringLiteral("%1盘: 找到%2个文件")
                                     .arg(QChar(driveLetter))
                                     .arg(context.deletedFiles.size()),
                                 &window));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &window);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &window, &QDialog::accept);
    layout->addWidget(buttons);
    window.exec();
}
