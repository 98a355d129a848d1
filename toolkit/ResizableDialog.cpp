#include "toolkit/ResizableDialog.h"

#include "toolkit/KitFonts.h"

#include <QFontMetrics>
#include <QResizeEvent>

#include <cmath>

namespace {

QSize BaseUnitsOf(const QFont& font) {
    const QFontMetrics metrics(font);
    const int alphabetWidth =
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    // Average of 52 letters, rounded to the nearest pixel.
    return {(alphabetWidth / 26 + 1) / 2, metrics.height()};
}

int Scale(int units, int base, int divisor) { return int(std::lround(double(units) * base / divisor)); }

int Moved(int edge, double factor, int change) { return edge + int(std::lround(factor * change)); }

}  // namespace

ResizableDialog::ResizableDialog(QSize clientSize, QWidget* parent) : QDialog(parent) {
    setFont(KitFonts::DialogFont());
    m_baseUnits = BaseUnitsOf(font());
    resize(ToPixels(clientSize));
    setSizeGripEnabled(true);
}

QSize ResizableDialog::ToPixels(QSize dialogUnits) const {
    return {Scale(dialogUnits.width(), m_baseUnits.width(), 4), Scale(dialogUnits.height(), m_baseUnits.height(), 8)};
}

QRect ResizableDialog::ToPixels(const DialogUnitRect& rect) const {
    const QSize topLeft = ToPixels(QSize(rect.left, rect.top));
    const QSize bottomRight = ToPixels(QSize(rect.left + rect.width, rect.top + rect.height));
    return QRect(QPoint(topLeft.width(), topLeft.height()), QPoint(bottomRight.width() - 1, bottomRight.height() - 1));
}

void ResizableDialog::Place(QWidget* control, const DialogUnitRect& rect) {
    if (control) control->setGeometry(ToPixels(rect));
}

void ResizableDialog::AddAnchor(QWidget* control, QPointF topLeft, QPointF bottomRight) {
    if (!control) return;
    m_anchors.push_back({control, control->geometry(), size(), topLeft, bottomRight});
}

void ResizableDialog::MoveAnchored() {
    for (const Anchor& anchor : m_anchors) {
        if (!anchor.control) continue;
        const int dx = width() - anchor.clientAtRegistration.width();
        const int dy = height() - anchor.clientAtRegistration.height();
        const QRect& r = anchor.original;
        const int left = Moved(r.left(), anchor.topLeft.x(), dx);
        const int top = Moved(r.top(), anchor.topLeft.y(), dy);
        const int right = Moved(r.left() + r.width(), anchor.bottomRight.x(), dx);
        const int bottom = Moved(r.top() + r.height(), anchor.bottomRight.y(), dy);
        anchor.control->setGeometry(left, top, std::max(0, right - left), std::max(0, bottom - top));
    }
}

void ResizableDialog::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    MoveAnchored();
}
