#pragma once
// The generated faces of a textured button: a shaded, bevelled, noisy 8-bit
// texture over a palette that runs from the shadow colour through the face
// colour to the highlight colour, tinted; the hover face is the same texture
// with its palette moved toward the highlight colour.
//
// Pixel values are palette indices and wrap modulo 256 as they are summed,
// so a noise draw past either end of a row's value shows the far end of the
// palette. That speckle belongs to the look.

#include "palette_dib.h"
#include "rgb_colour.h"

#include <cstdint>
#include <functional>

// The system colours the controls are drawn with.
struct CButtonSystemColours {
    CRgbColour shadow;      // 3D shadow
    CRgbColour face;        // button face
    CRgbColour highlight;   // 3D highlight
    CRgbColour darkShadow;  // 3D dark shadow
    CRgbColour selection;   // highlight of selected items: a progress bar's colour
    CRgbColour buttonText;
};

// The desktop's standard values, used wherever the system offers none.
CButtonSystemColours ClassicSystemColours();

// The C runtime's classic generator (seed x 214013 + 2531011, bits 16 to 30),
// so faces come out the same on every run and every platform.
class CRandomSequence {
public:
    explicit CRandomSequence(std::uint32_t seed = 1) : state(seed) {}
    // 0 to 32767.
    int Next();

private:
    std::uint32_t state;
};

struct CButtonFaces {
    CPaletteDib normal;
    CPaletteDib hover;
};

// The one texture type there is: vertical shading with side bevels.
inline constexpr int kFaceTextureShadedBevel = 7;

// The palette index of stored row k (0 = bottom) of a face `height` rows tall,
// before noise.
int FaceShadingValue(int k, int height, int noiseAmplitude);
// The width of the side bevels of a face `width` pixels wide.
int FaceBevelWidth(int width);

// Rebuilds both faces at width x height. `random` gives numbers from 0 to
// 32767, one per noise draw. False for a texture type other than 7, a size
// below 1 or a face that cannot be allocated; a face not made is left empty.
// The noise amplitude is limited to 0 (no noise) to 16383, the largest the
// noise formula divides by without reaching 0.
bool GenerateButtonFaces(CButtonFaces& faces, int width, int height, int textureType, int noiseAmplitude,
                         int hoverTintPercent, int colourTintPercent, CRgbColour tint,
                         const CButtonSystemColours& colours, const std::function<int()>& random);
// The same with a generator seeded afresh with 1.
bool GenerateButtonFaces(CButtonFaces& faces, int width, int height, int textureType, int noiseAmplitude,
                         int hoverTintPercent, int colourTintPercent, CRgbColour tint,
                         const CButtonSystemColours& colours);
