#pragma once
// A dialog whose layout is given in dialog units and whose registered
// controls follow its size: each edge of a control moves by its factor times
// the change of the client width (x) or height (y) since registration.
#include <QDialog>
#include <QPointF>
#include <QPointer>

#include <vector>

struct DialogUnitRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

class ResizableDialog : public QDialog {
    Q_OBJECT
public:
    // `clientSize` in dialog units; the dialog takes the kit's dialog font.
    explicit ResizableDialog(QSize clientSize, QWidget* parent = nullptr);

    // Horizontal base unit (average character width) and vertical base unit
    // (character height) of the dialog font: a dialog unit is a quarter of
    // the first across and an eighth of the second down.
    QSize BaseUnits() const { return m_baseUnits; }
    QRect ToPixels(const DialogUnitRect& rect) const;
    QSize ToPixels(QSize dialogUnits) const;
    // Sets a control's geometry from dialog units.
    void Place(QWidget* control, const DialogUnitRect& rect);
    // Factors are usually 0 (the edge stays) or 1 (it follows the right or
    // bottom edge of the dialog). (0,0)(1,1) stretches both ways, (1,0)(1,0)
    // keeps the distance to the right edge.
    void AddAnchor(QWidget* control, QPointF topLeft, QPointF bottomRight);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Anchor {
        QPointer<QWidget> control;
        QRect original;
        QSize clientAtRegistration;
        QPointF topLeft;
        QPointF bottomRight;
    };

    void MoveAnchored();

    QSize m_baseUnits;
    std::vector<Anchor> m_anchors;
};
