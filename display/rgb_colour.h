#pragma once
// A colour as the drawing code computes with it: three channels 0 to 255.

struct CRgbColour {
    int red = 0;
    int green = 0;
    int blue = 0;

    friend bool operator==(const CRgbColour&, const CRgbColour&) = default;
};
