#include "textured_button.h"

#include "qt_image.h"

#include <QPainter>
#include <QResizeEvent>

CTexturedButton::CTexturedButton(int id, QWidget* parent) : CHoverButton(id, parent)
{
}

void CTexturedButton::GenerateFaces(int textureType, int noiseAmplitude, int hoverTintPercent,
                                    int colourTintPercent, QRgb tintColour)
{
    faceRequest = CFaceRequest{textureType, noiseAmplitude, hoverTintPercent, colourTintPercent, tintColour};
    RebuildFaces();
    update();
}

void CTexturedButton::RebuildFaces()
{
    if (!faceRequest)
        return;
    const CFaceRequest& r = *faceRequest;
    const CRgbColour tint{qRed(r.tintColour), qGreen(r.tintColour), qBlue(r.tintColour)};
    GenerateButtonFaces(faces, width(), height(), r.textureType, r.noiseAmplitude, r.hoverTintPercent,
                        r.colourTintPercent, tint, SystemColours());
    normalPixmap = QPixmap::fromImage(DibToQImage(faces.normal.Block()));
    hoverPixmap = QPixmap::fromImage(DibToQImage(faces.hover.Block()));
}

void CTexturedButton::DrawBackground(QPainter& painter, const CDrawState& state)
{
    // A hidden button is resized without a resize event until it is shown.
    if (faceRequest && (faces.normal.Width() != width() || faces.normal.Height() != height()))
        RebuildFaces();
    if (!state.hovering) {
        if (!normalPixmap.isNull())
            painter.drawPixmap(0, 0, normalPixmap);
        return;
    }
    if (!hoverPixmap.isNull()) {
        const int offset = state.pressed ? 1 : 0;
        painter.drawPixmap(offset, offset, hoverPixmap);
    }
}

void CTexturedButton::resizeEvent(QResizeEvent* event)
{
    CHoverButton::resizeEvent(event);
    RebuildFaces();
}
