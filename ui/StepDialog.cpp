#include "ui/StepDialog.h"

#include "toolkit/MarkupButton.h"
#include "toolkit/Pictures.h"
#include "toolkit/StepLook.h"

#include <QKeyEvent>
#include <QPainter>

namespace {
constexpr QSize kStepDialogUnits(490, 346);
}

QString StepDialogTitle() { return QStringLiteral("Velkor数据恢复软件V1.2"); }

StepDialog::StepDialog(QString caption, QPoint captionAt, QWidget* parent)
    : ResizableDialog(kStepDialogUnits, parent), m_caption(std::move(caption)), m_captionAt(captionAt) {
    setWindowTitle(StepDialogTitle());
    setWindowIcon(Pictures::IconSet(PictureId::AppIcon));
}

MarkupButton* StepDialog::CreateStepButton(const QString& text, bool withPicture) {
    auto* button = new MarkupButton(this);
    button->SetMarkupEnabled(true);
    button->setText(QStringLiteral("<TextBlock Foreground='#749719' >%1</TextBlock>").arg(text));
    if (withPicture) button->SetPicture(Pictures::Bitmap(PictureId::ToolsBitmap), QSize(60, 32));
    return button;
}

void StepDialog::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    StepLook::PaintBackground(painter, rect());
    if (!m_whitePanel.isNull()) painter.fillRect(m_whitePanel, Qt::white);
    StepLook::PaintCaption(painter, m_captionAt, m_caption);
}

void StepDialog::keyPressEvent(QKeyEvent* event) {
    if (m_enterCommand && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        m_enterCommand();
        return;
    }
    ResizableDialog::keyPressEvent(event);
}
