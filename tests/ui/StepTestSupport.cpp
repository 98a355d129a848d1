#include "tests/ui/StepTestSupport.h"

#include "platform/DriveTable.h"
#include "toolkit/CHTMLListCtrl.h"
#include "toolkit/MarkupButton.h"
#include "ui/MessageBox.h"

#include <QApplication>
#include <QDialog>
#include <QTableWidget>
#include <QTest>

void UseDrives(const std::vector<std::pair<char16_t, std::string>>& drives) {
    std::vector<platform::DriveEntry> entries;
    for (const auto& [letter, path] : drives) entries.push_back({letter, path, 0, platform::DriveKind::Image});
    platform::Drives().Build(entries, {});
}

MessageRecorder::MessageRecorder() {
    SetMessageHandler([this](const QString& text) { texts << text; });
}

MessageRecorder::~MessageRecorder() { SetMessageHandler(nullptr); }

ModalScript::ModalScript(std::vector<Step> steps) : m_steps(std::move(steps)) {
    QObject::connect(&m_timer, &QTimer::timeout, [this] { Poll(); });
    m_timer.start(5);
}

void ModalScript::Poll() {
    if (m_current && !m_current->isVisible()) m_current = nullptr;
    QWidget* dialog = QApplication::activeModalWidget();
    if (!dialog || dialog == m_current || !dialog->isVisible()) return;
    m_current = dialog;
    // A dialog that ends and opens again between two polls (the drive dialog
    // after a scan that fails at once) is a new turn all the same.
    if (auto* ended = qobject_cast<QDialog*>(dialog))
        QObject::connect(ended, &QDialog::finished, &m_timer, [this, ended] {
            if (m_current == ended) m_current = nullptr;
        });
    seen << dialog->objectName();
    if (m_next < m_steps.size() && m_steps[m_next].dialog == dialog->objectName())
        m_steps[m_next++].action(*dialog);
    else if (dialog->objectName() != QStringLiteral("progressDialog"))
        QMetaObject::invokeMethod(dialog, "reject", Qt::QueuedConnection);
}

void PressEscape(QWidget& dialog) { QTest::keyClick(&dialog, Qt::Key_Escape); }

void ChooseDrive(QWidget& dialog, char16_t letter) {
    auto* list = dialog.findChild<QTableWidget*>(QStringLiteral("driveList"));
    for (int row = 0; row < list->rowCount(); ++row)
        if (list->item(row, 0)->text() == QStringLiteral("%1:").arg(QChar(letter))) list->selectRow(row);
    dialog.findChild<MarkupButton*>(QStringLiteral("btnNext"))->click();
}

void ChooseMode(QWidget& dialog, int item) {
    auto* list = dialog.findChild<CHTMLListCtrl*>(QStringLiteral("modeList"));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->ItemRect(item).center());
    dialog.findChild<MarkupButton*>(QStringLiteral("btnNext"))->click();
}
