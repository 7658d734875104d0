#pragma once
// The bevelled progress bar as plain pixels: the shades derived from one base
// colour, the strokes of the bevel, and the whole client area painted from
// a position in a range.

#include "rgb_colour.h"

#include <vector>

// The colour behind the bar.
inline constexpr CRgbColour kBevelBarBackground{63, 119, 143};

struct CBevelShades {
    CRgbColour base;
    CRgbColour lighter1;
    CRgbColour lighter2;
    CRgbColour lighter3;    // the bar's fill
    CRgbColour darker;
    CRgbColour darkShadow;  // the system's 3D dark shadow
    CRgbColour shadow;      // the system's 3D shadow
    CRgbColour middle;      // halfway from the shadow to the dark shadow
};

// Lighter: +51 per channel, a channel that would pass 255 stays as it is.
// Darker: -51 per channel above 50, the others stay.
CBevelShades ComputeBevelShades(CRgbColour base, CRgbColour darkShadow, CRgbColour shadow);

enum class CBevelShade { Lighter1, Lighter2, Base, Darker, Middle, Shadow };

struct CBevelPoint {
    int x = 0;
    int y = 0;
};

// One pixel (one point) or a polyline of horizontal and vertical segments
// whose last end point is not drawn.
struct CBevelStroke {
    CBevelShade shade;
    std::vector<CBevelPoint> points;
};

// The bevel strokes in drawing order for a bar from left `a`, top `b` to the
// bar end `c` and bottom `d` (right and bottom exclusive).
std::vector<CBevelStroke> BevelStrokes(int a, int b, int c, int d);

// Where the bar ends in a client area `width` wide: (position - lower) x width
// / (upper - lower), truncated. A position outside the range counts as the
// nearer bound, and an empty range as an empty bar.
int BevelBarEnd(int position, int lower, int upper, int width);

// The painted client area, rows top to bottom.
struct CBevelBarPixels {
    int width = 0;
    int height = 0;
    std::vector<CRgbColour> pixels;

    CRgbColour At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// The background, the bar's fill up to its end, and, unless the bar is
// empty, the bevel; strokes outside the area are clipped.
CBevelBarPixels RenderBevelBar(int width, int height, int position, int lower, int upper,
                               const CBevelShades& shades);
