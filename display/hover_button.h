#pragma once
// CHoverButton: a flat push button that draws itself, tracks the pointer and
// tells its parent when the pointer enters it (UWM_BUTTON_ENTER) and when the
// hover ends (UWM_BUTTON_LEAVE), both sent at once with the control id as the
// first parameter. It shows an icon pair (the normal icon while the pointer
// is away, the hover icon under it) left of a centred caption.
//
// Drawing runs in steps a derived button can replace: background, border,
// icon, caption.

#include "button_faces.h"

#include <QImage>
#include <QPushButton>
#include <QString>

class QPainter;

class CHoverButton : public QPushButton {
    Q_OBJECT

public:
    // SetIcon's variant code for a normal icon made by darkening the hover icon.
    static constexpr int kDarkenedIcon = -3;
    // Space left of the icon and between the icon and the caption.
    static constexpr int kIconMargin = 3;

    CHoverButton(int controlId, QWidget* parent);

    int ControlId() const { return controlId; }
    bool IsHovering() const { return hovering; }

    // Replaces the icon pair; a null normal icon means none (the hover icon is
    // drawn throughout). 1, leaving the button without icons, when the hover
    // icon is null; otherwise 0.
    int SetIcon(const QImage& hoverIcon, const QImage& normalIcon);
    // As above; kDarkenedIcon makes the normal icon a darkened copy of the
    // hover icon, any other code means no normal icon.
    int SetIcon(const QImage& hoverIcon, int variantCode);
    // Loads the picture at `resourcePath` (a file or ":/..." resource) and
    // calls SetIcon with it; 1 when it cannot be loaded.
    int SetIconFromResource(const QString& resourcePath, int variantCode);
    const QImage& HoverIcon() const { return hoverIcon; }
    const QImage& NormalIcon() const { return normalIcon; }

    // Asks for the balloon look of the tooltip. Qt draws one kind of tooltip,
    // so this is only recorded.
    void UseBalloonTooltip() { balloonTooltip = true; }
    bool UsesBalloonTooltip() const { return balloonTooltip; }
    // Sets the tooltip's text and shows (activate) or suppresses it; a null
    // text does nothing.
    void SetTooltipText(const QString& text, bool activate = true);

    // `icon` with each channel of every pixel that is not black multiplied by
    // 0.75 and truncated; alpha kept. ARGB32.
    static QImage DarkenedIcon(const QImage& icon);

    QSize sizeHint() const override;

protected:
    struct CDrawState {
        bool pressed = false;
        bool focused = false;
        bool disabled = false;
        bool hovering = false;
    };

    virtual void DrawBackground(QPainter& painter, const CDrawState& state);
    virtual void DrawBorder(QPainter& painter, const CDrawState& state);
    // Draws the icon and gives back the area left for the caption.
    virtual QRect DrawIcon(QPainter& painter, const CDrawState& state);
    virtual void DrawCaption(QPainter& painter, const CDrawState& state, const QRect& captionArea);

    const CButtonSystemColours& SystemColours() const { return colours; }

    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    void TrackPointer(QPoint position, Qt::MouseButtons buttons);
    void EndHover();
    void SendToParent(int message);

    int controlId;
    bool hovering = false;
    bool balloonTooltip = false;
    QImage hoverIcon;
    QImage normalIcon;
    CButtonSystemColours colours = ClassicSystemColours();
};
