// Separable windowed-sinc resizing of whole planes, for 8-bit, 16-bit and
// float samples. Internal to the engine.
#pragma once

#include <cstdint>

namespace framira {

constexpr int kKernelTableSize = 64;
// Table entries per source pixel of distance when enlarging.
constexpr float kKernelTableStep = 32.0f;

// Weights at distance u / 32 source pixels, u = 0..63.
void BuildKernelTable(float table[kKernelTableSize]);

// The taps one destination sample reads along one axis.
struct CAxisGeometry {
    int radius;        // R: taps run from -R to R around the centre tap
    float tableStep;   // t: table entries per pixel of distance
};
CAxisGeometry AxisGeometryFor(int sourceLength, int destinationLength);

// Source coordinate and centre tap of destination index x.
struct CTapCentre {
    float coordinate;  // m, limited to 0 .. S - 1
    int centre;        // o, rounded towards the middle of the image
};
CTapCentre TapCentreFor(int x, int sourceLength, int destinationLength);

// Resizes `count` (1..4) planes of sourceWidth × sourceHeight samples into
// caller-allocated planes of destinationWidth × destinationHeight: a
// horizontal pass into an intermediate plane of the same sample type, then a
// vertical pass. Integer results are rounded (+0.5) and clamped to the type;
// float results are clamped to lower .. upper. 0 on success, 1 for a bad
// argument (count, null plane, non-positive source size, negative destination
// size) or missing memory.
template <typename T>
int ResamplePlanes(const T* const* source, int sourceWidth, int sourceHeight, T* const* destination,
                   int destinationWidth, int destinationHeight, float upper, float lower, int count);

// The same from integer samples into float planes, each sample read as
// float(sample) × scale: the values a float copy of the source would hold.
// Source samples of a row lie pixelStride apart (3 for one channel of an
// interleaved picture, whose source[p] then points at its first sample).
template <typename S>
int ResampleScaledPlanes(const S* const* source, int pixelStride, float scale, int sourceWidth, int sourceHeight,
                         float* const* destination, int destinationWidth, int destinationHeight, float upper,
                         float lower, int count);

// The same source resized to two sizes at once, each source row read and
// converted once for both: the results are those of two separate calls
// (ResampleScaledPlanes, or ResamplePlanes for float samples, which are read
// as they are and ignore `scale`). Sizes of 0 leave that output untouched.
template <typename S>
int ResamplePlanesToTwoSizes(const S* const* source, int pixelStride, float scale, int sourceWidth, int sourceHeight,
                             float* const* first, int firstWidth, int firstHeight, float* const* second,
                             int secondWidth, int secondHeight, float upper, float lower, int count);

// Source rows the resampler reads at a time (fewer at the end); a multiple
// of every kernel level's block of rows, so the blocks fall where they would
// over the whole picture.
constexpr int kSourceChunkRows = 128;

// Rows of an interleaved 8-bit R, G, B picture, handed over in order from the
// top: `count` rows from row `first`, width × 3 bytes each without gaps, valid
// until the next call; null abandons the resampling. Rows are asked for
// kSourceChunkRows at a time; after the last, `read` is called once with
// `first` the height and `count` 0: no row is read any more.
struct CRowReader {
    const uint8_t* (*read)(void* context, int32_t first, int32_t count);
    void* context;
};

// ResamplePlanesToTwoSizes of the three channels of such a picture (stride 3)
// read through `reader`, so the picture is never held whole: the same results
// as from the picture in one block. Each row is asked for once.
int ResampleRowsToTwoSizes(const CRowReader& reader, float scale, int sourceWidth, int sourceHeight,
                           float* const* first, int firstWidth, int firstHeight, float* const* second,
                           int secondWidth, int secondHeight, float upper, float lower);

extern template int ResamplePlanes<uint8_t>(const uint8_t* const*, int, int, uint8_t* const*, int, int, float,
                                            float, int);
extern template int ResamplePlanes<uint16_t>(const uint16_t* const*, int, int, uint16_t* const*, int, int, float,
                                             float, int);
extern template int ResamplePlanes<float>(const float* const*, int, int, float* const*, int, int, float, float,
                                          int);
extern template int ResampleScaledPlanes<uint8_t>(const uint8_t* const*, int, float, int, int, float* const*, int, int,
                                                  float, float, int);
extern template int ResampleScaledPlanes<uint16_t>(const uint16_t* const*, int, float, int, int, float* const*, int,
                                                   int, float, float, int);
extern template int ResamplePlanesToTwoSizes<uint8_t>(const uint8_t* const*, int, float, int, int, float* const*, int,
                                                      int, float* const*, int, int, float, float, int);
extern template int ResamplePlanesToTwoSizes<uint16_t>(const uint16_t* const*, int, float, int, int, float* const*,
                                                       int, int, float* const*, int, int, float, float, int);
extern template int ResamplePlanesToTwoSizes<float>(const float* const*, int, float, int, int, float* const*, int,
                                                    int, float* const*, int, int, float, float, int);

} // namespace framira
