// CImage::Resize: nearest-neighbour, bilinear and Catmull-Rom bicubic scaling.
// One pass over the destination; each sample is computed straight from the
// source plane, with source coordinates from the reciprocal of the scale.
#include <algorithm>
#include <cstdint>
#include <memory>

#include "image.h"

namespace {
template <typename T>
T StoreBilinear(float v);
template <>
std::uint8_t StoreBilinear<std::uint8_t>(float v) { return CImage::ClampToByte(v + 0.5f); }
template <>
std::uint16_t StoreBilinear<std::uint16_t>(float v) { return CImage::ClampToWord(v + 0.5f); }
template <>
float StoreBilinear<float>(float v) { return v; }

template <typename T>
T StoreBicubic(float v);
template <>
std::uint8_t StoreBicubic<std::uint8_t>(float v) { return CImage::ClampToByte(v); }
template <>
std::uint16_t StoreBicubic<std::uint16_t>(float v) { return CImage::ClampToWord(v); }
template <>
float StoreBicubic<float>(float v) { return v; }

// Catmull-Rom basis.
constexpr float kBasis[4][4] = {
    {-0.5f, 1.5f, -1.5f, 0.5f},
    {1.0f, -2.5f, 2.0f, -0.5f},
    {-0.5f, 0.0f, 0.5f, 0.0f},
    {0.0f, 1.0f, 0.0f, 0.0f},
};

struct Geometry {
    int srcCols, srcRows, dstCols, dstRows;
    float invX, invY;
};

template <typename T>
void ScaleNearest(const T* src, T* dst, const Geometry& g)
{
    for (int y = 0; y < g.dstRows; ++y) {
        const int iy = std::min(static_cast<int>(static_cast<float>(y) * g.invY), g.srcRows - 1);
        const T* srcRow = src + static_cast<std::size_t>(iy) * g.srcCols;
        T* dstRow = dst + static_cast<std::size_t>(y) * g.dstCols;
        for (int x = 0; x < g.dstCols; ++x) {
            const int ix = std::min(static_cast<int>(static_cast<float>(x) * g.invX), g.srcCols - 1);
            dstRow[x] = srcRow[ix];
        }
    }
}

template <typename T>
void ScaleBilinear(const T* src, T* dst, const Geometry& g)
{
    for (int y = 0; y < g.dstRows; ++y) {
        const float sy = static_cast<float>(y) * g.invY;
        const int iy = std::min(static_cast<int>(sy), g.srcRows - 1);
        const float fy = sy - static_cast<float>(iy);
        const T* row0 = src + static_cast<std::size_t>(iy) * g.srcCols;
        const bool lastRow = iy + 1 >= g.srcRows;
        const T* row1 = lastRow ? row0 : row0 + g.srcCols;
        T* dstRow = dst + static_cast<std::size_t>(y) * g.dstCols;
        for (int x = 0; x < g.dstCols; ++x) {
            const float sx = static_cast<float>(x) * g.invX;
            const int ix = std::min(static_cast<int>(sx), g.srcCols - 1);
            const float fx = sx - static_cast<float>(ix);
            const float p00 = static_cast<float>(row0[ix]);
            float p10 = p00, p01 = p00, p11 = p00;
            // The last source row and column are not interpolated.
            if (!lastRow && ix + 1 < g.srcCols) {
                p10 = static_cast<float>(row0[ix + 1]);
                p01 = static_cast<float>(row1[ix]);
                p11 = static_cast<float>(row1[ix + 1]);
            }
            const float top = p00 + (p10 - p00) * fx;
            const float bottom = p01 + (p11 - p01) * fx;
            dstRow[x] = StoreBilinear<T>(top + (bottom - top) * fy);
        }
    }
}

template <typename T>
void ScaleBicubic(const T* src, T* dst, const Geometry& g)
{
    for (int y = 0; y < g.dstRows; ++y) {
        const float sy = static_cast<float>(y) * g.invY;
        const int iy = std::min(static_cast<int>(sy), g.srcRows - 1);
        const float fy = sy - static_cast<float>(iy);
        const float fyPow[4] = {fy * fy * fy, fy * fy, fy, 1.0f};
        const T* rowPtr[4];
        for (int j = 0; j < 4; ++j) {
            const int r = std::clamp(iy - 1 + j, 0, g.srcRows - 1);
            rowPtr[j] = src + static_cast<std::size_t>(r) * g.srcCols;
        }
        T* dstRow = dst + static_cast<std::size_t>(y) * g.dstCols;
        for (int x = 0; x < g.dstCols; ++x) {
            const float sx = static_cast<float>(x) * g.invX;
            const int ix = std::min(static_cast<int>(sx), g.srcCols - 1);
            const float fx = sx - static_cast<float>(ix);
            const float fxPow[4] = {fx * fx * fx, fx * fx, fx, 1.0f};
            // P[i][j]: column ix - 1 + i, row iy - 1 + j, clamped into the raster.
            float p[4][4];
            for (int i = 0; i < 4; ++i) {
                const int c = std::clamp(ix - 1 + i, 0, g.srcCols - 1);
                for (int j = 0; j < 4; ++j)
                    p[i][j] = static_cast<float>(rowPtr[j][c]);
            }
            // C = M P M^T, then v = sum C[i][j] fx^(3-i) fy^(3-j).
            float mp[4][4];
            for (int i = 0; i < 4; ++i)
                for (int j = 0; j < 4; ++j)
                    mp[i][j] = kBasis[i][0] * p[0][j] + kBasis[i][1] * p[1][j] + kBasis[i][2] * p[2][j] +
                               kBasis[i][3] * p[3][j];
            float v = 0.0f;
            for (int i = 0; i < 4; ++i)
                for (int j = 0; j < 4; ++j) {
                    const float c = mp[i][0] * kBasis[j][0] + mp[i][1] * kBasis[j][1] + mp[i][2] * kBasis[j][2] +
                                    mp[i][3] * kBasis[j][3];
                    v += c * fxPow[i] * fyPow[j];
                }
            dstRow[x] = StoreBicubic<T>(v);
        }
    }
}

template <typename T>
void ScalePlane(const std::uint8_t* src, std::uint8_t* dst, const Geometry& g, int mode)
{
    const T* s = reinterpret_cast<const T*>(src);
    T* d = reinterpret_cast<T*>(dst);
    switch (mode) {
    case kResizeNearest: ScaleNearest(s, d, g); break;
    case kResizeBilinear: ScaleBilinear(s, d, g); break;
    case kResizeBicubic: ScaleBicubic(s, d, g); break;
    default: break;  // an unknown mode leaves the new samples as allocated
    }
}

// round(scale x n) in single precision, or 0 when it does not fit an int.
int ScaledSize(float scale, int n)
{
    const float product = scale * static_cast<float>(n);
    if (!(product < 2147483520.0f))
        return 0;
    return CImage::Round(product);
}
} // namespace

std::unique_ptr<CImage> CImage::Resize(float scaleX, float scaleY, int mode) const
{
    // NaN fails these tests as well as negative scales.
    if (!(scaleX >= 0.0f) || !(scaleY >= 0.0f) || !HasAllPlanes() || PixelCount() == 0)
        return nullptr;
    const int newCols = ScaledSize(scaleX, cols);
    const int newRows = ScaledSize(scaleY, rows);
    if (newCols < 1 || newRows < 1)
        return nullptr;
    auto result = std::make_unique<CImage>(newCols, newRows, planes, sampleType);
    if (result->planes != planes)
        return nullptr;
    result->displayMax = displayMax;
    result->displayMin = displayMin;
    const Geometry g{cols, rows, newCols, newRows, 1.0f / scaleX, 1.0f / scaleY};
    for (int p = 0; p < planes; ++p) {
        switch (sampleType) {
        case kSampleWord: ScalePlane<std::uint16_t>(plane[p], result->plane[p], g, mode); break;
        case kSampleFloat: ScalePlane<float>(plane[p], result->plane[p], g, mode); break;
        default: ScalePlane<std::uint8_t>(plane[p], result->plane[p], g, mode); break;
        }
    }
    return result;
}
