#pragma once
// CTexturedButton: a hover button whose face is a generated texture (see
// button_faces.h): the normal face while the pointer is away, the lighter
// hover face under it, shifted by (1, 1) while pressed.

#include "button_faces.h"
#include "hover_button.h"

#include <QPixmap>
#include <QRgb>

#include <optional>

class CTexturedButton : public CHoverButton {
    Q_OBJECT

public:
    CTexturedButton(int controlId, QWidget* parent);

    // Rebuilds both faces for the button's current size; later resizes
    // rebuild them with these arguments. A face that cannot be made stays
    // empty and is not drawn.
    void GenerateFaces(int textureType, int noiseAmplitude, int hoverTintPercent, int colourTintPercent,
                       QRgb tintColour);
    const CButtonFaces& Faces() const { return faces; }

protected:
    void DrawBackground(QPainter& painter, const CDrawState& state) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct CFaceRequest {
        int textureType;
        int noiseAmplitude;
        int hoverTintPercent;
        int colourTintPercent;
        QRgb tintColour;
    };

    void RebuildFaces();

    std::optional<CFaceRequest> faceRequest;
    CButtonFaces faces;
    // The faces as the screen wants them, made once per rebuild.
    QPixmap normalPixmap;
    QPixmap hoverPixmap;
};
