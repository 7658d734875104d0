#include "button_faces.h"

#include <algorithm>
#include <cstdint>

namespace {

constexpr int kMaxNoiseAmplitude = 16383;

// Palette ramp: 0 is the shadow colour, 128 roughly the face colour, 255 the
// highlight colour. The second half starts at 128 and overwrites the first
// half's last entry.
void FillFacePalette(CPaletteDib& dib, const CButtonSystemColours& colours)
{
    const CRgbColour s = colours.shadow;
    const CRgbColour f = colours.face;
    const CRgbColour l = colours.highlight;
    for (int i = 0; i <= 128; ++i)
        dib.SetPaletteEntry(i, (s.red * (128 - i) + f.red * i) / 128, (s.green * (128 - i) + f.green * i) / 128,
                            (s.blue * (128 - i) + f.blue * i) / 128);
    for (int v = 1; v <= 128; ++v)
        dib.SetPaletteEntry(127 + v, (l.red * v + f.red * (128 - v)) / 128, (l.green * v + f.green * (128 - v)) / 128,
                            (l.blue * v + f.blue * (128 - v)) / 128);
}

std::uint8_t Wrap(std::int64_t value)
{
    return static_cast<std::uint8_t>(value & 0xFF);
}

} // namespace

CButtonSystemColours ClassicSystemColours()
{
    CButtonSystemColours colours;
    colours.shadow = {160, 160, 160};
    colours.face = {240, 240, 240};
    colours.highlight = {255, 255, 255};
    colours.darkShadow = {105, 105, 105};
    colours.selection = {0, 120, 215};
    colours.buttonText = {0, 0, 0};
    return colours;
}

int CRandomSequence::Next()
{
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 0x7FFF);
}

int FaceShadingValue(int k, int height, int noiseAmplitude)
{
    if (height < 1)
        return 128;
    const int a = std::clamp(noiseAmplitude, 0, kMaxNoiseAmplitude);
    const std::int64_t j = std::int64_t{k} * 255 / height - 127;
    // Every division truncates toward zero, as C's does.
    return static_cast<int>(128 + ((j * j * j / 16384) * (64 - a) * 2) / 128);
}

int FaceBevelWidth(int width)
{
    return std::min(width / 6, 16);
}

bool GenerateButtonFaces(CButtonFaces& faces, int width, int height, int textureType, int noiseAmplitude,
                         int hoverTintPercent, int colourTintPercent, CRgbColour tint,
                         const CButtonSystemColours& colours, const std::function<int()>& random)
{
    faces.normal.Clear();
    faces.hover.Clear();
    if (textureType != kFaceTextureShadedBevel || !faces.normal.Create(width, height, 8))
        return false;
    CPaletteDib& dib = faces.normal;
    FillFacePalette(dib, colours);
    dib.BlendPalette(tint, colourTintPercent);

    const int a = std::clamp(noiseAmplitude, 0, kMaxNoiseAmplitude);
    // n ranges over -a to +a; an amplitude of 0 gives no noise rather than a
    // division by zero.
    const int divisor = a > 0 ? 32767 / (2 * a) : 0;
    const auto noise = [&]() -> int { return divisor > 0 ? random() / divisor - a : 0; };

    for (int k = 0; k < height; ++k) {
        std::uint8_t* row = dib.Row(k);
        const int value = FaceShadingValue(k, height, a);
        for (int x = 0; x < width; ++x)
            row[x] = Wrap(value + noise());
    }

    const std::int64_t e = FaceBevelWidth(width);
    const std::int64_t w = width;
    // A face under 2 rows has no curve to its bevels: they keep their
    // middle-row width.
    const std::int64_t quarterSquare = std::int64_t{height} * height / 4;
    for (int k = 0; k < height; ++k) {
        std::uint8_t* row = dib.Row(k);
        const std::int64_t y = k - height / 2;
        const std::int64_t curve = quarterSquare > 0 ? (e * y * y) / quarterSquare : 0;
        const std::int64_t limit = curve + w / 2 - e;
        for (std::int64_t x = 0; x < w; ++x) {
            const std::int64_t dx = x - w / 2;
            if (e > 0 && dx > limit)
                row[x] = Wrap(((w - x) * 128) / e + a);
            else if (e > 0 && dx + limit < 0)
                row[x] = Wrap((255 - a) - (x * 128) / e);
            row[x] = Wrap(std::int64_t{row[x]} + noise());
        }
    }

    faces.hover.CopyFrom(faces.normal);
    if (faces.hover.IsEmpty())
        return false;
    faces.hover.BlendPalette(colours.highlight, hoverTintPercent);
    return true;
}

bool GenerateButtonFaces(CButtonFaces& faces, int width, int height, int textureType, int noiseAmplitude,
                         int hoverTintPercent, int colourTintPercent, CRgbColour tint,
                         const CButtonSystemColours& colours)
{
    CRandomSequence sequence(1);
    return GenerateButtonFaces(faces, width, height, textureType, noiseAmplitude, hoverTintPercent,
                               colourTintPercent, tint, colours, [&sequence] { return sequence.Next(); });
}
