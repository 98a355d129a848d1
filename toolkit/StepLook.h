#pragma once
// The look the step dialogs share: a pale blue page with the logo in its
// top-left corner, green step captions and flat markup buttons.
#include <QColor>
#include <QRect>
#include <QString>

class QPainter;
class QWidget;

namespace StepLook {

QColor Background();     // red 243, green 249, blue 255
QColor CaptionColor();   // red 108, green 145, blue 5

// Fills the client area and draws the logo at its origin.
void PaintBackground(QPainter& painter, const QRect& client);
// Draws a step caption (or a contact line) with its top-left corner at
// `position`, in the caption colour and the painter's font.
void PaintCaption(QPainter& painter, QPoint position, const QString& caption);
// Gives every markup button below `root` the flat look in the page colour
// and repaints `root` with all its children.
void ApplyTheme(QWidget* root);

}  // namespace StepLook
