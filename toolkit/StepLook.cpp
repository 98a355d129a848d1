#include "toolkit/StepLook.h"

#include "toolkit/MarkupButton.h"
#include "toolkit/Pictures.h"

#include <QFontMetrics>
#include <QPainter>
#include <QWidget>

namespace StepLook {

QColor Background() { return QColor(243, 249, 255); }

QColor CaptionColor() { return QColor(108, 145, 5); }

void PaintBackground(QPainter& painter, const QRect& client) {
    painter.fillRect(client, Background());
    painter.drawPixmap(client.topLeft(), Pictures::Bitmap(PictureId::LogoBitmap));
}

void PaintCaption(QPainter& painter, QPoint position, const QString& caption) {
    painter.save();
    painter.setPen(CaptionColor());
    painter.drawText(position + QPoint(0, QFontMetrics(painter.font()).ascent()), caption);
    painter.restore();
}

void ApplyTheme(QWidget* root) {
    if (!root) return;
    for (MarkupButton* button : root->findChildren<MarkupButton*>()) {
        button->SetFlat(true);
        button->SetBackgroundColor(Background());
    }
    root->update();
    for (QWidget* child : root->findChildren<QWidget*>()) child->update();
}

}  // namespace StepLook
