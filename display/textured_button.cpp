#include "textured_button.h"

#include <QPainter>
#include <QResizeEvent>

#include <cstring>

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
    normalPixmap = QPixmap::fromImage(PaletteDibImage(faces.normal));
    hoverPixmap = QPixmap::fromImage(PaletteDibImage(faces.hover));
}

QImage CTexturedButton::PaletteDibImage(const CPaletteDib& dib)
{
    if (dib.IsEmpty() || dib.BitsPerPixel() != 8)
        return {};
    QImage image(dib.Width(), dib.Height(), QImage::Format_Indexed8);
    if (image.isNull())
        return {};
    QList<QRgb> table(dib.PaletteSize());
    for (int i = 0; i < dib.PaletteSize(); ++i) {
        const CRgbColour c = dib.PaletteEntry(i);
        table[i] = qRgb(c.red, c.green, c.blue);
    }
    image.setColorTable(table);
    for (int y = 0; y < dib.Height(); ++y)
        std::memcpy(image.scanLine(y), dib.Row(dib.Height() - 1 - y), static_cast<std::size_t>(dib.Width()));
    return image;
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
