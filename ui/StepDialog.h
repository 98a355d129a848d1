#pragma once
// What the three step dialogs (mode, drive, progress) share: the pale page
// with the logo, a green step caption at a pixel position, and flat markup
// buttons with a green caption and an icon.
#include "toolkit/ResizableDialog.h"

#include <QBrush>

#include <functional>

class MarkupButton;

class StepDialog : public ResizableDialog {
    Q_OBJECT
public:
    // Every step dialog is 490 by 346 dialog units.
    StepDialog(QString caption, QPoint captionAt, QWidget* parent = nullptr);

    // A markup button captioned `text` in the step buttons' green, with the
    // crossed-tools picture at 60 by 32 when `withPicture`.
    MarkupButton* CreateStepButton(const QString& text, bool withPicture);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // What Enter does: the dialog's Next command, as its default button
    // would (the markup buttons are not push buttons Qt could make default).
    void SetEnterCommand(std::function<void()> command) { m_enterCommand = std::move(command); }
    // The progress dialog writes its texts on a white panel.
    void SetWhitePanel(QRect pixels) { m_whitePanel = pixels; }

private:
    QString m_caption;
    QPoint m_captionAt;
    QRect m_whitePanel;
    std::function<void()> m_enterCommand;
};

// The step dialogs' title.
QString StepDialogTitle();
