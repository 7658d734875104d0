#include "hover_button.h"

#include "window_message.h"

#include <QCoreApplication>
#include <QEnterEvent>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QStyleOption>

#include <algorithm>

namespace {

QColor ToQColor(CRgbColour c)
{
    return QColor(c.red, c.green, c.blue);
}

constexpr int kCaptionFlags = Qt::AlignCenter | Qt::TextWordWrap | Qt::TextShowMnemonic;

} // namespace

CHoverButton::CHoverButton(int id, QWidget* parent) : QPushButton(parent), controlId(id)
{
    setFlat(true);
    setMouseTracking(true);
    // A click takes the focus even where the focus policy would not give it.
    connect(this, &QAbstractButton::clicked, this, [this] { setFocus(Qt::MouseFocusReason); });
}

int CHoverButton::SetIcon(const QImage& newHoverIcon, const QImage& newNormalIcon)
{
    hoverIcon = QImage();
    normalIcon = QImage();
    update();
    if (newHoverIcon.isNull())
        return 1;
    hoverIcon = newHoverIcon.convertToFormat(QImage::Format_ARGB32);
    if (!newNormalIcon.isNull())
        normalIcon = newNormalIcon.convertToFormat(QImage::Format_ARGB32);
    updateGeometry();
    return 0;
}

int CHoverButton::SetIcon(const QImage& newHoverIcon, int variantCode)
{
    if (variantCode == kDarkenedIcon && !newHoverIcon.isNull())
        return SetIcon(newHoverIcon, DarkenedIcon(newHoverIcon));
    return SetIcon(newHoverIcon, QImage());
}

int CHoverButton::SetIconFromResource(const QString& resourcePath, int variantCode)
{
    return SetIcon(QImage(resourcePath), variantCode);
}

void CHoverButton::SetTooltipText(const QString& text, bool activate)
{
    if (text.isNull())
        return;
    setToolTip(activate ? text : QString());
}

QImage CHoverButton::DarkenedIcon(const QImage& icon)
{
    QImage darkened = icon.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < darkened.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(darkened.scanLine(y));
        for (int x = 0; x < darkened.width(); ++x) {
            const QRgb p = line[x];
            if ((p & 0x00FFFFFFu) == 0)
                continue;
            // c x 0.75 truncated, in integers: 255 -> 191, 1 -> 0.
            line[x] = qRgba(qRed(p) * 3 / 4, qGreen(p) * 3 / 4, qBlue(p) * 3 / 4, qAlpha(p));
        }
    }
    return darkened;
}

QSize CHoverButton::sizeHint() const
{
    const QSize base = QPushButton::sizeHint();
    if (hoverIcon.isNull())
        return base;
    const QSize textSize = fontMetrics().size(Qt::TextShowMnemonic, text());
    const int width = text().isEmpty() ? hoverIcon.width() + 4 * kIconMargin
                                       : 3 * kIconMargin + hoverIcon.width() + textSize.width() + 4 * kIconMargin;
    return {std::max(base.width(), width), std::max(base.height(), hoverIcon.height() + 4 * kIconMargin)};
}

void CHoverButton::DrawBackground(QPainter& painter, const CDrawState&)
{
    painter.fillRect(rect(), ToQColor(colours.face));
}

void CHoverButton::DrawBorder(QPainter& painter, const CDrawState& state)
{
    if (!state.pressed && !state.hovering)
        return;
    const QColor shadow = ToQColor(colours.shadow);
    const QColor highlight = ToQColor(colours.highlight);
    const QColor topLeft = state.pressed ? shadow : highlight;
    const QColor bottomRight = state.pressed ? highlight : shadow;
    const int w = width();
    const int h = height();
    painter.fillRect(0, 0, w - 1, 1, topLeft);
    painter.fillRect(0, 0, 1, h - 1, topLeft);
    painter.fillRect(w - 1, 0, 1, h, bottomRight);
    painter.fillRect(0, h - 1, w, 1, bottomRight);
}

QRect CHoverButton::DrawIcon(QPainter& painter, const CDrawState& state)
{
    QRect captionArea = rect();
    if (hoverIcon.isNull())
        return captionArea;
    const bool hasCaption = !text().isEmpty();
    int x = hasCaption ? kIconMargin : (width() - hoverIcon.width()) / 2;
    int y = (height() - hoverIcon.height()) / 2;
    if (hasCaption)
        captionArea.setLeft(kIconMargin + hoverIcon.width() + kIconMargin);
    if (state.pressed) {
        x += 1;
        y += 1;
    }
    const QImage& icon = !state.pressed && !state.hovering && !normalIcon.isNull() ? normalIcon : hoverIcon;
    if (state.disabled) {
        QStyleOption option;
        option.initFrom(this);
        painter.drawPixmap(x, y, style()->generatedIconPixmap(QIcon::Disabled, QPixmap::fromImage(icon), &option));
    } else {
        painter.drawImage(x, y, icon);
    }
    return captionArea;
}

void CHoverButton::DrawCaption(QPainter& painter, const CDrawState& state, const QRect& captionArea)
{
    const QString caption = text();
    if (caption.isEmpty())
        return;
    const QRect area = state.pressed ? captionArea.translated(1, 1) : captionArea;
    painter.setFont(font());
    if (state.disabled) {
        painter.setPen(ToQColor(colours.highlight));
        painter.drawText(area.translated(1, 1), kCaptionFlags, caption);
        painter.setPen(ToQColor(colours.shadow));
        painter.drawText(area, kCaptionFlags, caption);
        return;
    }
    painter.setPen(ToQColor(colours.buttonText));
    painter.drawText(area, kCaptionFlags, caption);
}

void CHoverButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    CDrawState state;
    state.pressed = isDown();
    state.focused = hasFocus();
    state.disabled = !isEnabled();
    state.hovering = hovering;
    painter.setBackgroundMode(Qt::TransparentMode);
    DrawBackground(painter, state);
    DrawBorder(painter, state);
    const QRect captionArea = DrawIcon(painter, state);
    DrawCaption(painter, state, captionArea);
    // The flat look draws no focus rectangle.
}

void CHoverButton::mouseMoveEvent(QMouseEvent* event)
{
    QPushButton::mouseMoveEvent(event);
    TrackPointer(event->position().toPoint(), event->buttons());
}

void CHoverButton::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The second click of a double click is a click of its own.
    mousePressEvent(event);
}

void CHoverButton::enterEvent(QEnterEvent* event)
{
    QPushButton::enterEvent(event);
    TrackPointer(event->position().toPoint(), QGuiApplication::mouseButtons());
}

void CHoverButton::leaveEvent(QEvent* event)
{
    QPushButton::leaveEvent(event);
    EndHover();
}

void CHoverButton::focusOutEvent(QFocusEvent* event)
{
    QPushButton::focusOutEvent(event);
    EndHover();
}

void CHoverButton::changeEvent(QEvent* event)
{
    QPushButton::changeEvent(event);
    // Qt has already handed the focus on to the next widget in the tab order
    // when this button was the focused one.
    if (event->type() == QEvent::EnabledChange && !isEnabled())
        EndHover();
}

bool CHoverButton::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::WindowDeactivate:
    case QEvent::WindowBlocked:
    case QEvent::Hide:
        EndHover();
        break;
    default:
        break;
    }
    return QPushButton::event(event);
}

void CHoverButton::TrackPointer(QPoint position, Qt::MouseButtons buttons)
{
    // A drag that started elsewhere does not light the button up.
    if ((buttons & Qt::LeftButton) && !hovering)
        return;
    if (!isEnabled() || !rect().contains(position)) {
        EndHover();
        return;
    }
    if (hovering)
        return;
    hovering = true;
    SendToParent(UWM_BUTTON_ENTER);
    update();
}

void CHoverButton::EndHover()
{
    if (!hovering)
        return;
    hovering = false;
    SendToParent(UWM_BUTTON_LEAVE);
    update();
}

void CHoverButton::SendToParent(int message)
{
    QWidget* parent = parentWidget();
    if (parent == nullptr)
        return;
    CWindowMessageEvent notification(message, controlId);
    QCoreApplication::sendEvent(parent, &notification);
}
