#include "control_kit.h"

#include "textured_button.h"

#include <algorithm>

namespace {

// The buttons' faces: a tinted texture with a lighter hover face.
constexpr int kFaceTexture = 7;
constexpr int kFaceNoise = 4;
constexpr int kFaceHoverTint = 10;
constexpr int kFaceColourTint = 20;
constexpr QRgb kButtonTint = qRgb(200, 200, 255);

} // namespace

CControlPanel::CControlPanel(QWidget* window, QRect area) : QWidget(window)
{
    // The window's skin shows through everywhere but the controls.
    setAttribute(Qt::WA_NoSystemBackground);
    setGeometry(area);
}

QWidget* CControlPanel::Control(int id) const
{
    const auto found = controls.find(id);
    return found == controls.end() ? nullptr : found->second;
}

void CControlPanel::Place(int id, QWidget* control, QRect rect)
{
    control->setGeometry(rect.translated(-pos()));
    controls[id] = control;
}

CTexturedButton* CControlPanel::AddButton(int id, const QString& caption, QRect rect)
{
    CTexturedButton* button = MakeButton(id, caption, rect.translated(-pos()), this);
    controls[id] = button;
    return button;
}

CTransparentText* CControlPanel::AddLabel(int id, const QString& text, QRect rect, bool pathEllipsis)
{
    auto* label = new CTransparentText(
        text, pathEllipsis ? CTransparentText::EEllipsis::Path : CTransparentText::EEllipsis::None, this);
    Place(id, label, rect);
    return label;
}

CTexturedButton* MakeButton(int id, const QString& caption, QRect rect, QWidget* parent)
{
    auto* button = new CTexturedButton(id, parent);
    button->setText(caption);
    button->setGeometry(rect);
    button->setAutoDefault(false);
    button->setDefault(false);
    button->UseBalloonTooltip();
    TintButton(button, kButtonTint);
    return button;
}

void TintButton(CTexturedButton* button, QRgb tint)
{
    button->GenerateFaces(kFaceTexture, kFaceNoise, kFaceHoverTint, kFaceColourTint, tint);
}

void SetButtonLook(CTexturedButton* button, const QString& caption, const QString& icon, const QString& tooltip)
{
    button->setText(caption);
    // Icons are drawn at 32 pixels; beside a caption, or on a small button,
    // they are shown smaller so the caption keeps its room.
    QImage image = icon.isEmpty() ? QImage() : QImage(icon);
    int side = std::min({caption.isEmpty() ? 32 : 20, button->width() - 4, button->height() - 4});
    if (!caption.isEmpty()) {
        // The caption keeps to one line: the icon gives way to it, and goes
        // when too little of it would be left.
        const int captionWidth = button->fontMetrics().horizontalAdvance(QString(caption).remove('&'));
        side = std::min(side, button->width() - captionWidth - 3 * CHoverButton::kIconMargin - 4);
        if (side < 12)
            image = QImage();
    }
    if (!image.isNull() && image.width() > side)
        image = image.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    button->SetIcon(image, CHoverButton::kDarkenedIcon);
    if (!tooltip.isEmpty())
        button->SetTooltipText(tooltip);
}
