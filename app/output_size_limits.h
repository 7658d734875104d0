#pragma once
// How small an output may be and still show the photograph. The engine
// keeps the print at most 0.95 W - 28 pixels wide and 0.9817 H - 28 high:
// the bevelled band takes 14 pixels on each side of the print, and the mat
// its share around that. Below about 30 pixels a side the print has no
// pixels at all (the output is mat and band only); up to the mid-thirties it
// is a stripe or a handful of pixels.

#include <algorithm>
#include <cmath>

// The smallest output that shows an ordinary photograph (square, 4:3, 3:2
// or 16:9, either way up) as a picture: at 40 x 40 its print is 10 x 7
// (3:2), 10 x 10 (square) or 6 x 11 (9:16) pixels.
inline constexpr int kMinimumOutputWidth = 40;
inline constexpr int kMinimumOutputHeight = 40;

// Whether a pictureWidth x pictureHeight picture framed into an outputWidth
// x outputHeight output gets a print of at least one pixel each way. A
// picture of an extreme shape (a 10000 x 1 strip) can miss even on a large
// output. The arithmetic is the engine's print sizing, term for term and in
// the same precision, so both agree to the pixel.
inline bool PrintShowsOnOutput(int outputWidth, int outputHeight, int pictureWidth, int pictureHeight)
{
    if (outputWidth <= 0 || outputHeight <= 0 || pictureWidth <= 0 || pictureHeight <= 0)
        return false;
    const double w = pictureWidth;
    const double h = pictureHeight;
    const double bySides = 1.7065 * outputHeight / (w + h);
    const float byWidth = (0.95f * static_cast<float>(outputWidth) - 28.0f) / static_cast<float>(pictureWidth);
    const float byHeight = (0.9817f * static_cast<float>(outputHeight) - 28.0f) / static_cast<float>(pictureHeight);
    const double scale = std::min({bySides, static_cast<double>(byWidth), static_cast<double>(byHeight)});
    return scale > 0.0 && std::floor(w * scale + 0.5) >= 1.0 && std::floor(h * scale + 0.5) >= 1.0;
}
