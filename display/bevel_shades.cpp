#include "bevel_shades.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace {

int LighterChannel(int c)
{
    return c + 51 > 255 ? c : c + 51;
}

CRgbColour Lighter(CRgbColour c)
{
    return {LighterChannel(c.red), LighterChannel(c.green), LighterChannel(c.blue)};
}

int DarkerChannel(int c)
{
    return c > 50 ? c - 51 : c;
}

// Halving rounds down, also when the dark shadow is the darker of the two.
int MiddleChannel(int shadow, int darkShadow)
{
    const int difference = darkShadow - shadow;
    return shadow + (difference >= 0 ? difference / 2 : -((-difference + 1) / 2));
}

CRgbColour ShadeColour(const CBevelShades& shades, CBevelShade shade)
{
    switch (shade) {
    case CBevelShade::Lighter1:
        return shades.lighter1;
    case CBevelShade::Lighter2:
        return shades.lighter2;
    case CBevelShade::Base:
        return shades.base;
    case CBevelShade::Darker:
        return shades.darker;
    case CBevelShade::Middle:
        return shades.middle;
    case CBevelShade::Shadow:
        return shades.shadow;
    }
    return shades.base;
}

int Step(int from, int to)
{
    return from < to ? 1 : (from > to ? -1 : 0);
}

} // namespace

CBevelShades ComputeBevelShades(CRgbColour base, CRgbColour darkShadow, CRgbColour shadow)
{
    CBevelShades shades;
    shades.base = base;
    shades.lighter1 = Lighter(base);
    shades.lighter2 = Lighter(shades.lighter1);
    shades.lighter3 = Lighter(shades.lighter2);
    shades.darker = {DarkerChannel(base.red), DarkerChannel(base.green), DarkerChannel(base.blue)};
    shades.darkShadow = darkShadow;
    shades.shadow = shadow;
    shades.middle = {MiddleChannel(shadow.red, darkShadow.red), MiddleChannel(shadow.green, darkShadow.green),
                     MiddleChannel(shadow.blue, darkShadow.blue)};
    return shades;
}

std::vector<CBevelStroke> BevelStrokes(int a, int b, int c, int d)
{
    using S = CBevelShade;
    return {
        {S::Lighter1, {{a + 2, d - 4}, {c - 2, d - 4}}},
        {S::Lighter1, {{a + 2, b + 2}, {c - 2, b + 2}}},
        {S::Lighter1, {{a + 1, d - 3}}},
        {S::Lighter1, {{a + 1, b + 1}}},
        {S::Lighter2, {{a + 2, d - 5}, {c - 3, d - 5}, {c - 3, b + 3}, {a + 1, b + 3}}},
        {S::Lighter2, {{a + 1, d - 4}}},
        {S::Lighter2, {{a + 1, b + 2}}},
        {S::Base, {{a, d - 1}, {a, b}, {a + 2, b}}},
        {S::Base, {{a + 1, d - 2}}},
        {S::Base, {{a + 2, d - 3}, {c - 2, d - 3}}},
        {S::Base, {{a + 2, b + 1}, {c - 1, b + 1}}},
        {S::Darker, {{a + 2, d - 2}, {c - 2, d - 2}, {c - 2, b + 1}}},
        {S::Darker, {{a + 2, b}, {c, b}}},
        {S::Darker, {{a + 1, d - 1}}},
        {S::Darker, {{a + 2, d - 1}, {c - 1, d - 1}, {c - 1, b}}},
        {S::Middle, {{c, b}, {c, d}}},
        {S::Shadow, {{c + 1, b}, {c + 1, d}}},
    };
}

int BevelBarEnd(int position, int lower, int upper, int width)
{
    if (upper <= lower || width <= 0)
        return 0;
    const std::int64_t clamped = std::clamp(position, lower, upper);
    return static_cast<int>((clamped - lower) * width / (std::int64_t{upper} - lower));
}

CBevelBarPixels RenderBevelBar(int width, int height, int position, int lower, int upper,
                               const CBevelShades& shades)
{
    CBevelBarPixels bar;
    if (width <= 0 || height <= 0)
        return bar;
    bar.width = width;
    bar.height = height;
    bar.pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), kBevelBarBackground);

    const auto put = [&bar](int x, int y, CRgbColour colour) {
        if (x >= 0 && x < bar.width && y >= 0 && y < bar.height)
            bar.pixels[static_cast<std::size_t>(y) * bar.width + x] = colour;
    };

    const int end = BevelBarEnd(position, lower, upper, width);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < end; ++x)
            put(x, y, shades.lighter3);
    if (end <= 0)
        return bar;

    for (const CBevelStroke& stroke : BevelStrokes(0, 0, end, height)) {
        const CRgbColour colour = ShadeColour(shades, stroke.shade);
        if (stroke.points.size() == 1) {
            put(stroke.points[0].x, stroke.points[0].y, colour);
            continue;
        }
        // Each segment runs from its start up to, not including, its end; the
        // next segment starts there, so only the last end point stays bare.
        for (std::size_t i = 1; i < stroke.points.size(); ++i) {
            const CBevelPoint from = stroke.points[i - 1];
            const CBevelPoint to = stroke.points[i];
            const int dx = Step(from.x, to.x);
            const int dy = Step(from.y, to.y);
            if (dx != 0 && dy != 0)
                continue;  // the bevel has no slanted strokes
            for (CBevelPoint p = from; p.x != to.x || p.y != to.y; p.x += dx, p.y += dy)
                put(p.x, p.y, colour);
        }
    }
    return bar;
}
