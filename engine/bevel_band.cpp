// Draws the 14-pixel bevel band around the print: the core-colour bevel of the
// mat's cut edge outside, the mount strip inside, both shaded by the bevel
// tables. Every pixel is clipped to the mat, so any print size (even an empty
// print, or one as large as the mat) is safe.
#include "mat.h"

#include <cstddef>

namespace framira {
namespace {

constexpr int kBand = 14;

float LimitUnit(float v)
{
    // NaN fails both tests and becomes 0.
    if (!(v > 0.0f))
        return 0.0f;
    return v < 1.0f ? v : 1.0f;
}

struct CBandPainter {
    float* const* mat;
    int W;
    int H;
    float core[3];
    float mount[3];

    // The smaller layer's intensity plus the difference in the colour of the
    // stronger layer; untouched where neither layer shows or off the mat.
    void PaintPixel(long long x, long long y, float a, float b) const
    {
        if (x < 0 || y < 0 || x >= W || y >= H)
            return;
        if (a <= 0.0f && b <= 0.0f)
            return;
        const size_t at = static_cast<size_t>(y) * static_cast<size_t>(W) + static_cast<size_t>(x);
        const float d = a - b;
        for (int k = 0; k < 3; ++k)
            mat[k][at] = d > 0.0f ? b + d * core[k] : a - d * mount[k];
    }
};

// Column of the top and bottom tables for band column u (0 … pw + 27). The right
// end wins where the ends of a short side meet.
int HorizontalTableColumn(long long u, long long pw)
{
    if (u >= pw - 4)
        return static_cast<int>(u - pw + 37);
    if (u <= 31)
        return static_cast<int>(u);
    return 32;
}

// Row of the side tables for print row i (0 … ph − 1). The top end wins where
// the ends of a short side meet.
int VerticalTableRow(long long i, long long ph)
{
    if (i < 18)
        return static_cast<int>(i);
    if (i >= ph - 18)
        return static_cast<int>(36 - (ph - 1 - i));
    return 18;
}

long long FloorHalf(long long v)
{
    return v >= 0 ? v / 2 : -((-v + 1) / 2);
}

} // namespace

long ApplyMattingAndMountColorAndCoreColor(const CBevelTables& tables, const uint8_t mountColor[3], int pw,
                                           int ph, float* const mat[3], int W, int H, float coreR,
                                           float coreG, float coreB)
{
    if (!mat || !mat[0] || !mat[1] || !mat[2] || W <= 0 || H <= 0)
        return 0;
    if (pw < 0)
        pw = 0;
    if (ph < 0)
        ph = 0;

    CBandPainter painter{mat, W, H, {LimitUnit(coreR), LimitUnit(coreG), LimitUnit(coreB)}, {0, 0, 0}};
    for (int k = 0; k < 3; ++k)
        painter.mount[k] = mountColor ? LimitUnit(mountColor[k] / 255.0f) : 0.0f;

    // The band starts 14 pixels left of and above the print's corner, which
    // the frame maker places at ⌊(W − pw + 1) / 2⌋, ⌊(H − ph + 1) / 2⌋. Taking
    // the floor of the corner first keeps band and print aligned even when the
    // print is wider than the mat allows for and the origin falls off the mat.
    const long long x0 = FloorHalf(static_cast<long long>(W) - pw + 1) - kBand;
    const long long y0 = FloorHalf(static_cast<long long>(H) - ph + 1) - kBand;

    // Band columns and rows that can fall on the mat; everything else is clipped.
    const long long uFirst = x0 < 0 ? -x0 : 0;
    const long long uLast = static_cast<long long>(pw) + 2 * kBand - 1 < W - 1 - x0
                                ? static_cast<long long>(pw) + 2 * kBand - 1
                                : W - 1 - x0;
    const long long vFirst = y0 < 0 ? -y0 : 0;
    const long long vLast = static_cast<long long>(ph) + 2 * kBand - 1 < H - 1 - y0
                                ? static_cast<long long>(ph) + 2 * kBand - 1
                                : H - 1 - y0;

    // Top and bottom bands span the whole band width, corners included.
    for (int v = 0; v < kBand; ++v) {
        const long long topY = y0 + v;
        const long long bottomY = y0 + ph + kBand + v;
        for (long long u = uFirst; u <= uLast; ++u) {
            const int col = HorizontalTableColumn(u, pw);
            painter.PaintPixel(x0 + u, topY, tables.topA[v][col], tables.topB[v][col]);
            painter.PaintPixel(x0 + u, bottomY, tables.bottomA[v][col], tables.bottomB[v][col]);
        }
    }

    // Side bands run along the print's rows only.
    for (long long v = vFirst > kBand ? vFirst : kBand; v <= vLast && v < static_cast<long long>(ph) + kBand; ++v) {
        const int row = VerticalTableRow(v - kBand, ph);
        const long long y = y0 + v;
        for (int u = 0; u < kBand; ++u) {
            painter.PaintPixel(x0 + u, y, tables.leftA[row][u], tables.leftB[row][u]);
            painter.PaintPixel(x0 + pw + kBand + u, y, tables.rightA[row][u], tables.rightB[row][u]);
        }
    }
    return 0;
}

} // namespace framira
