#include "toolkit/MarkupButton.h"

#include "toolkit/KitFonts.h"
#include "toolkit/QtText.h"
#include "toolkit/markup/TextBlockCaption.h"

#include <QPainter>
#include <QStyleOptionButton>
#include <QStyle>

namespace {

constexpr int kGap = 2;

}  // namespace

MarkupButton::MarkupButton(QWidget* parent) : QAbstractButton(parent), m_background(palette().button().color()) {
    setFont(KitFonts::DialogFont());
    setAttribute(Qt::WA_Hover);
}

void MarkupButton::SetMarkupEnabled(bool enabled) {
    m_markupEnabled = enabled;
    updateGeometry();
    update();
}

void MarkupButton::SetPicture(const QPixmap& picture, QSize displaySize) {
    setIcon(QIcon(picture));
    setIconSize(displaySize);
    updateGeometry();
    update();
}

void MarkupButton::SetFlat(bool flat) {
    m_flat = flat;
    update();
}

void MarkupButton::SetBackgroundColor(QColor color) {
    m_background = color;
    update();
}

QString MarkupButton::CaptionText() const {
    if (!m_markupEnabled) return text();
    const TextBlockCaption caption = ParseTextBlockCaption(ToU16View(text()));
    return QString::fromStdU16String(caption.text);
}

QColor MarkupButton::CaptionColor() const {
    if (m_markupEnabled) {
        const TextBlockCaption caption = ParseTextBlockCaption(ToU16View(text()));
        if (caption.foreground) {
            return QColor(caption.foreground->red, caption.foreground->green, caption.foreground->blue);
        }
    }
    return palette().buttonText().color();
}

QSize MarkupButton::sizeHint() const {
    const QFontMetrics metrics(font());
    const QSize textSize = metrics.size(Qt::TextSingleLine, CaptionText());
    int width = textSize.width();
    int height = textSize.height();
    if (!icon().isNull()) {
        width = std::max(width, iconSize().width());
        height += iconSize().height() + kGap;
    }
    return {width + 12, height + 10};
}

void MarkupButton::enterEvent(QEnterEvent* event) {
    m_hovered = true;
    update();
    QAbstractButton::enterEvent(event);
}

void MarkupButton::leaveEvent(QEvent* event) {
    m_hovered = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void MarkupButton::PaintFrame(QPainter& painter) {
    if (!m_flat) {
        QStyleOptionButton option;
        option.initFrom(this);
        option.state |= isDown() ? QStyle::State_Sunken : QStyle::State_Raised;
        style()->drawControl(QStyle::CE_PushButtonBevel, &option, &painter, this);
        return;
    }
    QColor fill = m_background;
    if (isDown()) {
        fill = fill.darker(112);
    } else if (m_hovered) {
        fill = fill.darker(104);
    }
    painter.fillRect(rect(), fill);
    if (m_hovered || isDown() || hasFocus()) {
        painter.setPen(QColor(0x74, 0x97, 0x19));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void MarkupButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    PaintFrame(painter);

    const QString caption = CaptionText();
    const QFontMetrics metrics(font());
    const bool hasPicture = !icon().isNull();
    const int contentHeight = metrics.height() + (hasPicture ? iconSize().height() + kGap : 0);
    int top = (height() - contentHeight) / 2 + (isDown() ? 1 : 0);
    if (hasPicture) {
        const QRect pictureRect(QPoint((width() - iconSize().width()) / 2, top), iconSize());
        icon().paint(&painter, pictureRect, Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);
        top += iconSize().height() + kGap;
    }
    painter.setFont(font());
    painter.setPen(isEnabled() ? CaptionColor() : palette().color(QPalette::Disabled, QPalette::ButtonText));
    painter.drawText(QRect(0, top, width(), metrics.height()), Qt::AlignHCenter | Qt::AlignTop | Qt::TextDontClip,
                     caption);
}
