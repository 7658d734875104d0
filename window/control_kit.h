#pragma once
// What the window's panels build their controls with: the textured buttons
// with their faces and looks, the transparent labels, and the controls by
// their ids. Each panel lays its controls out in the window's dialog units.

#include "transparent_text.h"

#include <QRect>
#include <QRgb>
#include <QString>
#include <QWidget>

#include <map>

class CTexturedButton;

// The destination choices swap a green and a blue tint.
inline constexpr QRgb kChoiceOnTint = qRgb(0, 255, 0);
inline constexpr QRgb kChoiceOffTint = qRgb(64, 64, 255);

// A panel: a transparent part of the window whose controls are placed in the
// window's coordinates, and found again by id.
class CControlPanel : public QWidget {
public:
    // `area`: the panel's rectangle in the window.
    CControlPanel(QWidget* window, QRect area);
    QWidget* Control(int id) const;
    const std::map<int, QWidget*>& Controls() const { return controls; }

protected:
    // Places `control` at `rect` of the window and files it under `id`.
    void Place(int id, QWidget* control, QRect rect);
    CTexturedButton* AddButton(int id, const QString& caption, QRect rect);
    CTransparentText* AddLabel(int id, const QString& text, QRect rect, bool pathEllipsis = false);

private:
    std::map<int, QWidget*> controls;
};

// `rect` in the parent's coordinates: the faces are made for the button's size.
CTexturedButton* MakeButton(int id, const QString& caption, QRect rect, QWidget* parent);
// Regenerates a button's faces in `tint`.
void TintButton(CTexturedButton* button, QRgb tint);
// Caption, icon and tooltip of a textured button: the icon gives way to the
// caption, which keeps to one line.
void SetButtonLook(CTexturedButton* button, const QString& caption, const QString& icon, const QString& tooltip);
