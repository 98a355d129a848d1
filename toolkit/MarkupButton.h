#pragma once
// A push button whose caption may be markup: with markup enabled,
// "<TextBlock Foreground='#749719' >下一步</TextBlock>" shows 下一步 in that
// green. An optional icon sits above the caption (60 x 32 in the step dialogs).
#include <QAbstractButton>
#include <QColor>

class MarkupButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit MarkupButton(QWidget* parent = nullptr);

    void SetMarkupEnabled(bool enabled);
    bool MarkupEnabled() const { return m_markupEnabled; }
    // The icon and the size it is shown at.
    void SetPicture(const QPixmap& picture, QSize displaySize);
    // Flat: no raised frame, the background colour shows through, and a thin
    // border appears under the mouse. Otherwise the platform's button frame.
    void SetFlat(bool flat);
    bool Flat() const { return m_flat; }
    void SetBackgroundColor(QColor color);

    // What the caption shows and in which colour, after reading the markup.
    QString CaptionText() const;
    QColor CaptionColor() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void PaintFrame(QPainter& painter);

    bool m_markupEnabled = false;
    bool m_flat = false;
    bool m_hovered = false;
    QColor m_background;
};
