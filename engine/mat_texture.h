// Stages of the mat texture synthesis (CreateDitheredMat in mat_texture.cpp).
// Each stage works on whole float planes of one size, row after row without
// gaps. Internal to the engine; exposed here for the frame maker and the tests.
#pragma once

#include <cstddef>
#include <cstdint>

#include "plane_memory.h"

namespace framira {

// Separable first-order recursive smoothing of a W × H plane, forward and
// backward along rows, then along columns. `strength` sets the smoothing
// length; the cost does not depend on it. dst may be src (each row is read
// whole before it is written), but must not otherwise overlap it.
void BlurPlane(const float* src, float* dst, int W, int H, float strength);

// Remaps a W × H plane through a pair of 16-bit coordinate maps of the same
// size: t0 is the x map (0 = left column, 65535 = right), t1 the inverted y map
// (65535 = top row, 0 = bottom). Bilinear sampling sharpened by BicubicBump
// wherever the whole 4 × 4 neighbourhood lies inside the plane. Results are
// limited below by 0. src and dst must not overlap.
void WarpWithWaveImages(const float* src, const uint16_t* t0, const uint16_t* t1, float* dst, int W, int H);

// How an in-place warp through the y map t1 goes (WarpInPlace): for each
// row y, the last row that rows 0 … y read; the rows warped at a time; and
// the most warped rows that wait at once to go back into the plane. False
// (and empty) when memory is short.
struct CInPlaceWarpPlan {
    CPlane<int32_t> reach;
    int chunkRows = 0;
    int heldRows = 0;
};
bool PlanInPlaceWarp(const uint16_t* t1, int W, int H, CInPlaceWarpPlan& plan);

// WarpWithWaveImages with dst = plane, through `held` (plan.heldRows × W
// floats): rows are warped from the bottom up into held and copied back once
// no row still to be warped reads the row they replace. The mat's maps
// reach about a fifth of the height, so held is under a quarter of a plane.
void WarpInPlace(float* plane, const uint16_t* t0, const uint16_t* t1, int W, int H, const CInPlaceWarpPlan& plan,
                 float* held);

// WarpWithWaveImages with the result r blended into what dst holds, as
// BlendPlanes(r, dst, dst, n, percent) would, without a plane for r.
void WarpBlendingInto(const float* src, const uint16_t* t0, const uint16_t* t1, float* dst, int W, int H,
                      float percent);

// Moves a bilinear value c at fraction (fx, fy) of its cell towards a cubic
// one, using the cell's eight outer neighbours n[0..7] (see mat_texture_warp.cpp
// for their order) with strength k.
float BicubicBump(float c, float fx, float fy, const float n[8], float k);

// e of a blend: percent limited to 0 … 100, times 0.01.
float BlendFraction(float percent);

// out = (1 − e) p + e q, e = BlendFraction(percent). out may be p or q.
void BlendPlanes(const float* p, const float* q, float* out, size_t n, float percent);

// out = the larger of p and q, sample by sample. out may be p or q.
void MaxOfPlanes(const float* p, const float* q, float* out, size_t n);

// BlendPlanes(p, q, q, n, percent) then MaxOfPlanes(q, p, q, n), in one pass.
void BlendKeepingBrighter(const float* p, float* q, size_t n, float percent);
// The same values written to p instead of q.
void BlendKeepingBrighterIntoFirst(float* p, const float* q, size_t n, float percent);

// Colour boost of the mat: a fixed 3 × 3 mix, results above 1 become 1, no lower
// limit. out may be in (all three planes at once), but no plane of out may be
// another channel's plane of in.
void MixChannels(const float* const in[3], float* const out[3], size_t n);

// out = in², sample by sample. out may be in.
void SquareImage(const float* in, float* out, size_t n);

// Shading by the prepared shade-1 texture s1 (0 … 255):
// out = in × (255 − s1) / 255, out = in × s1 / 255, out = a + b.
void ApplyInverseGreenVignetting(const float* in, const uint8_t* shade1, float* out, size_t n);
void ApplyGreenVignetting(const float* in, const uint8_t* shade1, float* out, size_t n);
void AddTheTwoVignetting(const float* a, const float* b, float* out, size_t n);

// In place: plane × s0 / 255 with the prepared shade-0 texture.
void ApplyRedVignetting(float* plane, const uint8_t* shade0, size_t n);

// In place over samples begin .. end - 1, on the calling thread, in one pass,
// the same as: MixChannels of the three planes; then for each plane p,
// a = p²; the inverse green shading of a; the green shading of p; p = their
// sum; then, with a shade-0 texture, the red shading.
void MixAndShade(float* const mat[3], const uint8_t* shade1, const uint8_t* shade0, size_t begin, size_t end);

// Test seam: the next `count` working-plane allocations of CreateDitheredMat
// succeed and every later one fails, until called again with a negative count.
void SetMatPlaneAllocationLimitForTesting(int count);

} // namespace framira
