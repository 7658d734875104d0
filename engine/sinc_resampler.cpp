// Windowed-sinc resizing. Each axis is planned once per call: for every
// destination index the source indices and table weights of its taps, so the
// pixel loops only multiply and add. Sums run tap by tap in the same order
// whichever loop shape visits them, which keeps results byte-identical.
#include "sinc_resampler.h"

#include "kernel_level.h"
#include "plane_memory.h"
#include "vector_kernels.h"
#include "work_pool.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <type_traits>
#include <utility>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace framira {

void BuildKernelTable(float table[kKernelTableSize])
{
    const double pi = 3.14159265358979323846;
    table[0] = 1.0f;
    for (int u = 1; u < kKernelTableSize; ++u) {
        const double x = u / 32.0;
        const double sinc = std::sin(pi * x) / (pi * x);
        const double window = 0.08 + 0.92 * std::cos(pi * u / 126.0);
        const float weight = static_cast<float>(sinc * window);
        // The zero crossings must be exact zeros, not rounding noise.
        table[u] = std::fabs(weight) < 0.000001f ? 0.0f : weight;
    }
}

CAxisGeometry AxisGeometryFor(int sourceLength, int destinationLength)
{
    const float k = static_cast<float>(destinationLength) / static_cast<float>(sourceLength);
    CAxisGeometry geometry{2, kKernelTableStep};
    if (k > 0.0f && k < 1.0f) {
        // A reduction widens the kernel so every source pixel contributes.
        geometry.radius = static_cast<int>(std::floor(2.0f / k + 0.5f));
        geometry.tableStep = kKernelTableStep * k;
    }
    return geometry;
}

CTapCentre TapCentreFor(int x, int sourceLength, int destinationLength)
{
    const float k = static_cast<float>(destinationLength) / static_cast<float>(sourceLength);
    const float inverse = 1.0f / k;
    const float sourceCentre = static_cast<float>(sourceLength - 1) * 0.5f;
    const float destinationCentre = static_cast<float>(destinationLength - 1) * 0.5f;
    const float d = static_cast<float>(x) - destinationCentre;
    float m = static_cast<float>(static_cast<double>(d) * inverse + sourceCentre);
    if (m >= static_cast<float>(sourceLength)) {
        m = static_cast<float>(sourceLength - 1);
    }
    if (m < 0.0f) {
        m = 0.0f;
    }
    // Rounding towards the middle keeps the taps symmetric about the centre.
    const float centre = d < 0.0f ? std::ceil(m) : std::floor(m);
    return CTapCentre{m, static_cast<int>(centre)};
}

namespace {

// Taps of every destination index along one axis.
struct CAxisPlan {
    int64_t taps = 0;         // 2R + 1 per destination index
    CPlane<int32_t> index;    // source index of each tap
    CPlane<float> weight;     // table weight of each tap
    CPlane<float> weightSum;  // per destination index, summed tap by tap
    CPlane<int32_t> centre;   // per destination index
};

bool BuildAxisPlan(const float* table, int sourceLength, int destinationLength, CAxisPlan& plan)
{
    const CAxisGeometry geometry = AxisGeometryFor(sourceLength, destinationLength);
    plan.taps = 2 * static_cast<int64_t>(geometry.radius) + 1;
    const uint64_t entries = static_cast<uint64_t>(destinationLength) * static_cast<uint64_t>(plan.taps);
    if (!plan.index.Allocate(entries) || !plan.weight.Allocate(entries) ||
        !plan.weightSum.Allocate(static_cast<uint64_t>(destinationLength)) ||
        !plan.centre.Allocate(static_cast<uint64_t>(destinationLength))) {
        return false;
    }
    const int64_t radius = geometry.radius;
    for (int x = 0; x < destinationLength; ++x) {
        const CTapCentre tap = TapCentreFor(x, sourceLength, destinationLength);
        const float f = tap.coordinate - static_cast<float>(tap.centre);
        int32_t* index = plan.index.Get() + static_cast<size_t>(x) * plan.taps;
        float* weight = plan.weight.Get() + static_cast<size_t>(x) * plan.taps;
        float sum = 0.0f;
        for (int64_t j = -radius; j <= radius; ++j) {
            const float distance = std::fabs(static_cast<float>(j) - f);
            const float position = std::floor(distance * geometry.tableStep + 0.5f);
            const float w = position < static_cast<float>(kKernelTableSize) ? table[static_cast<int>(position)] : 0.0f;
            const int64_t source = tap.centre + j;
            // A tap outside the source reads the centre sample, not the edge.
            *index++ = static_cast<int32_t>(source >= 0 && source < sourceLength ? source : tap.centre);
            *weight++ = w;
            sum += w;
        }
        plan.weightSum.Get()[x] = sum;
        plan.centre.Get()[x] = tap.centre;
    }
    return true;
}

template <typename T>
struct CSampleLimits {
    float offset;
    float lower;
    float upper;
};

template <typename T>
CSampleLimits<T> LimitsFor(float upper, float lower)
{
    if constexpr (std::is_same_v<T, uint8_t>) {
        return {0.5f, 0.0f, 255.0f};
    } else if constexpr (std::is_same_v<T, uint16_t>) {
        return {0.5f, 0.0f, 65535.0f};
    } else {
        return {0.0f, lower, upper};
    }
}

template <typename T>
inline T StoreSample(float value, const CSampleLimits<T>& limits)
{
    if (value <= limits.lower) {
        value = limits.lower;
    } else if (value >= limits.upper) {
        value = limits.upper;
    }
    return static_cast<T>(value);
}

// How a source sample becomes the float the sums read: as it is, or scaled
// to 0..1 on the way in. The scaled form is the same multiplication the
// samples would get if they were first converted into a float plane, so the
// sums see the same values without that plane.
struct CAsFloat {
    template <typename S>
    float operator()(S sample) const
    {
        return static_cast<float>(sample);
    }
};

struct CScaled {
    float scale;
    template <typename S>
    float operator()(S sample) const
    {
        return static_cast<float>(sample) * scale;
    }
};

// The factor of each conversion: float(sample) × 1 is float(sample) exactly.
inline float ScaleOf(CAsFloat)
{
    return 1.0f;
}

inline float ScaleOf(CScaled scaled)
{
    return scaled.scale;
}

// The horizontal pass works on blocks of rows staged column by column: the
// block's samples of one source column lie side by side, already turned into
// the floats the sums read (one conversion per sample rather than per tap).
// One vector then carries a tap for several rows of the block, each lane one
// row's sum built tap by tap in the same order as a row on its own, so the
// results do not change, only how many are computed at once. A block is two
// vectors of rows, so each tap's weight and place are read once for both and
// the two sums overlap: 8 rows at the baseline level, 16 with AVX2. With
// AVX-512 one vector of 16 rows does better (measured: two cost more in
// staging and spilled registers than they save).
template <typename V>
constexpr int kRowBlock = kLanes<V> == 16 ? 16 : 2 * kLanes<V>;

#if defined(FRAMIRA_KERNELS_X86)
// One channel of interleaved 8-bit pixels (every third byte, the picture as
// the caller holds it) staged 8 columns at a time: each row's 8 samples picked
// out of its bytes by two byte shuffles, converted and scaled, then transposed
// into columns. The same conversion and product per sample as one at a time.
// The reads end at the tile's last sample, never past the row. A plain call
// from the kernels (its arguments are pointers and numbers), so it carries its
// own target. Returns how many columns it staged; the rest go one by one.
FRAMIRA_TARGET_AVX2 size_t StageEveryThirdByteAvx2(const uint8_t* const* in, size_t width, float scale,
                                                   float* block)
{
    constexpr int L = 8;
    constexpr int R = kRowBlock<CFloat8>;
    // Bytes 0, 3, .. 15 of the first load, 18 and 21 (4 and 7 of the second).
    const __m128i pickFirst = _mm_setr_epi8(0, 3, 6, 9, 12, 15, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
    const __m128i pickSecond = _mm_setr_epi8(-1, -1, -1, -1, -1, -1, 4, 7, -1, -1, -1, -1, -1, -1, -1, -1);
    const __m256 factor = _mm256_set1_ps(scale);
    size_t x = 0;
    for (; x + L <= width; x += L) {
        for (int v = 0; v < R / L; ++v) {
            CFloat8 t[L];
            for (int r = 0; r < L; ++r) {
                const uint8_t* p = in[v * L + r] + 3 * x;
                const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
                const __m128i second = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + 14));
                const __m128i bytes =
                    _mm_or_si128(_mm_shuffle_epi8(first, pickFirst), _mm_shuffle_epi8(second, pickSecond));
                t[r] = _mm256_mul_ps(_mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(bytes)), factor);
            }
            Transpose(t);
#pragma GCC unroll 16
            for (int c = 0; c < L; ++c) {
                StoreVector(block + (x + static_cast<size_t>(c)) * R + v * L, t[c]);
            }
        }
    }
    return x;
}

#endif

// Rows first .. first + rows - 1 (rows ≤ kRowBlock<V>) into the staged block,
// a vector's worth of rows of a column converted at once (the same conversion
// and product as one at a time). Lanes past `rows` repeat the first row; their
// sums are never stored.
template <typename V, typename S, typename Convert, size_t... Lane>
FRAMIRA_INLINE void StageRows(const S* first, size_t pitch, int pixelStride, int width, int rows, float* block,
                              Convert convert, std::index_sequence<Lane...>)
{
    constexpr int L = kLanes<V>;
    constexpr int R = kRowBlock<V>;
    typedef typename CVectorOf<V>::Int CSamples;
    const S* in[R];
    for (int r = 0; r < R; ++r) {
        in[r] = first + (r < rows ? static_cast<size_t>(r) * pitch : 0);
    }
    const size_t stride = static_cast<size_t>(pixelStride);
    size_t x = 0;
#if defined(FRAMIRA_KERNELS_X86)
    if constexpr (std::is_same_v<S, uint8_t> && std::is_same_v<Convert, CScaled>) {
        if (pixelStride == 3) {
            // AVX-512's block of 16 rows is laid out as AVX2's; 16 × 16
            // transposes in its own registers measured slower.
            if constexpr (!std::is_same_v<V, CFloat4>) {
                static_assert(kRowBlock<V> == kRowBlock<CFloat8>, "the same block of rows");
                x = StageEveryThirdByteAvx2(in, static_cast<size_t>(width), convert.scale, block);
            }
        }
    }
#endif
    for (; x < static_cast<size_t>(width); ++x) {
        const size_t o = x * stride;
        for (int v = 0; v < R / L; ++v) {
            const S* const* rowsOf = in + v * L;
            V column;
            if constexpr (std::is_same_v<S, float>) {
                column = V{rowsOf[Lane][o]...};
            } else {
                const CSamples samples = {rowsOf[Lane][o]...};
                column = __builtin_convertvector(samples, V) * ScaleOf(convert);
            }
            StoreVector(block + x * R + v * L, column);
        }
    }
}

// The stores of one destination column of a block: the centre sample where
// the weights sum to nothing, otherwise sum / total + offset, row by row.
template <typename T>
inline void StoreColumn(const float* value, int rows, T* out, size_t destinationWidth,
                        const CSampleLimits<T>& limits)
{
    for (int r = 0; r < rows; ++r) {
        out[static_cast<size_t>(r) * destinationWidth] = StoreSample(value[r], limits);
    }
}

// StoreSample on every lane: the same limits, then the same conversion to T
// (truncation, of values already inside T's range).
template <typename V, typename T>
FRAMIRA_INLINE void StoreSamples(T* out, const V& value, const CSampleLimits<T>& limits)
{
    const V lower = V{} + limits.lower;
    const V upper = V{} + limits.upper;
    const V limited = value <= lower ? lower : value >= upper ? upper : value;
    if constexpr (std::is_same_v<T, float>) {
        StoreVector(out, limited);
    } else {
        const auto words = __builtin_convertvector(__builtin_convertvector(limited, typename CVectorOf<V>::Int),
                                                   typename CVectorOf<V>::Word);
        if constexpr (std::is_same_v<T, uint8_t>) {
            // By way of 16 bits, as in LoadAsFloats.
            StoreVector(out, __builtin_convertvector(words, typename CVectorOf<V>::Byte));
        } else {
            StoreVector(out, words);
        }
    }
}

// One destination column x of a block, a vector per kLanes<V> rows: each
// lane's sum tap by tap, then sum / total + offset, or the centre sample
// where the weights sum to nothing.
template <typename V, typename T>
FRAMIRA_INLINE void SumColumn(const float* block, int x, const CAxisPlan& plan, const CSampleLimits<T>& limits,
                              V* value)
{
    constexpr int L = kLanes<V>;
    constexpr int R = kRowBlock<V>;
    constexpr int kVectors = R / L;
    const int64_t taps = plan.taps;
    const int32_t* index = plan.index.Get() + static_cast<size_t>(x) * taps;
    const float* weight = plan.weight.Get() + static_cast<size_t>(x) * taps;
    V sum[kVectors] = {};
    for (int64_t j = 0; j < taps; ++j) {
        const float w = weight[j];
        const float* column = block + static_cast<size_t>(index[j]) * R;
        for (int v = 0; v < kVectors; ++v) {
            V samples;
            LoadVector(samples, column + v * L);
            sum[v] += w * samples;
        }
    }
    const float total = plan.weightSum.Get()[x];
    const float* centre = block + static_cast<size_t>(plan.centre.Get()[x]) * R;
    for (int v = 0; v < kVectors; ++v) {
        if (total == 0.0f) {
            LoadVector(value[v], centre + v * L);
        } else {
            value[v] = sum[v] / total + limits.offset;
        }
    }
}

// One block into one target. Columns go kLanes<V> at a time and are turned
// into rows by a transpose, so each row's results leave in one vector store
// rather than one store per sample; the last few columns go one by one.
template <typename V, typename T>
FRAMIRA_INLINE void SumStagedBlock(const float* block, int rows, T* out, int destinationWidth,
                                   const CAxisPlan& plan, const CSampleLimits<T>& limits)
{
    constexpr int L = kLanes<V>;
    constexpr int R = kRowBlock<V>;
    constexpr int kVectors = R / L;
    const size_t pitch = static_cast<size_t>(destinationWidth);
    int x = 0;
    for (; x + L <= destinationWidth; x += L) {
        V value[kVectors][L];
        for (int g = 0; g < L; ++g) {
            V column[kVectors];
            SumColumn<V>(block, x + g, plan, limits, column);
            for (int v = 0; v < kVectors; ++v) {
                value[v][g] = column[v];
            }
        }
        for (int v = 0; v < kVectors; ++v) {
            Transpose(value[v]);
            for (int r = 0; r < L && v * L + r < rows; ++r) {
                StoreSamples(out + static_cast<size_t>(v * L + r) * pitch + x, value[v][r], limits);
            }
        }
    }
    for (; x < destinationWidth; ++x) {
        V column[kVectors];
        SumColumn<V>(block, x, plan, limits, column);
        float value[R];
        std::memcpy(value, column, sizeof(value));
        StoreColumn(value, rows, out + x, pitch, limits);
    }
}

// One destination of the horizontal pass: an intermediate plane of `width`
// samples per source row, and the taps that fill it.
template <typename T>
struct CRowTarget {
    T* plane;
    int width;
    const CAxisPlan* plan;
};

// Staging of one block and its sums for every target, so each source row is
// read and converted once however many sizes it is resampled to. Always
// inlined, so each level's entry below builds it with its own instructions.
template <typename V, typename S, typename T, typename Convert>
FRAMIRA_INLINE void ResampleBlock(const S* first, size_t pitch, int pixelStride, int sourceWidth, int rows,
                                  float* block, const CRowTarget<T>* targets, int targetCount, size_t y,
                                  const CSampleLimits<T>& limits, Convert convert)
{
    StageRows<V>(first, pitch, pixelStride, sourceWidth, rows, block, convert,
                 std::make_index_sequence<kLanes<V>>());
    for (int t = 0; t < targetCount; ++t) {
        const CRowTarget<T>& target = targets[t];
        SumStagedBlock<V>(block, rows, target.plane + y * static_cast<size_t>(target.width), target.width,
                          *target.plan, limits);
    }
}

int RowBlockFor(CKernelLevel level)
{
    return level == CKernelLevel::Avx512 ? kRowBlock<CFloat16>
           : level == CKernelLevel::Avx2 ? kRowBlock<CFloat8>
                                          : kRowBlock<CFloat4>;
}

template <typename S, typename T, typename Convert>
void ResampleBlockBase(const S* first, size_t pitch, int pixelStride, int sourceWidth, int rows, float* block,
                       const CRowTarget<T>* targets, int targetCount, size_t y, const CSampleLimits<T>& limits,
                       Convert convert)
{
    ResampleBlock<CFloat4>(first, pitch, pixelStride, sourceWidth, rows, block, targets, targetCount, y, limits,
                           convert);
}

#if defined(FRAMIRA_KERNELS_X86)
template <typename S, typename T, typename Convert>
FRAMIRA_TARGET_AVX2 void ResampleBlockAvx2(const S* first, size_t pitch, int pixelStride, int sourceWidth, int rows,
                                           float* block, const CRowTarget<T>* targets, int targetCount, size_t y,
                                           const CSampleLimits<T>& limits, Convert convert)
{
    ResampleBlock<CFloat8>(first, pitch, pixelStride, sourceWidth, rows, block, targets, targetCount, y, limits,
                           convert);
}

template <typename S, typename T, typename Convert>
FRAMIRA_TARGET_AVX512 void ResampleBlockAvx512(const S* first, size_t pitch, int pixelStride, int sourceWidth,
                                               int rows, float* block, const CRowTarget<T>* targets, int targetCount,
                                               size_t y, const CSampleLimits<T>& limits, Convert convert)
{
    ResampleBlock<CFloat16>(first, pitch, pixelStride, sourceWidth, rows, block, targets, targetCount, y,
                            limits, convert);
}
#endif

// Rows are independent, so blocks of them are shared out across the pool.
// Source samples of a row lie pixelStride apart.
template <typename S, typename T, typename Convert>
bool ResampleRows(const S* source, int pixelStride, int sourceWidth, int rows, const CRowTarget<T>* targets,
                  int targetCount, const CSampleLimits<T>& limits, Convert convert)
{
    std::atomic<bool> failed{false};
    const CKernelLevel level = KernelLevel();
    const int rowBlock = RowBlockFor(level);
    const size_t pitch = static_cast<size_t>(sourceWidth) * static_cast<size_t>(pixelStride);
    const size_t blocks = (static_cast<size_t>(rows) + rowBlock - 1) / rowBlock;
    size_t work = 1;
    for (int t = 0; t < targetCount; ++t) {
        work += static_cast<size_t>(targets[t].width) * rowBlock * static_cast<size_t>(targets[t].plan->taps);
    }
    const size_t grain = 1 + (1 << 16) / work;
    ParallelFor(blocks, grain, [&](size_t first, size_t last) {
        CPlane<float> staged;
        if (!staged.AllocateForOverwrite(static_cast<uint64_t>(rowBlock) * static_cast<uint64_t>(sourceWidth))) {
            failed.store(true);
            return;
        }
        float* block = staged.Get();
        const int end = static_cast<int>(std::min(static_cast<size_t>(rows), last * rowBlock));
        for (int y = static_cast<int>(first * rowBlock); y < end; y += rowBlock) {
            const int count = std::min(rowBlock, end - y);
            const S* in = source + static_cast<size_t>(y) * pitch;
#if defined(FRAMIRA_KERNELS_X86)
            if (level == CKernelLevel::Avx512) {
                ResampleBlockAvx512(in, pitch, pixelStride, sourceWidth, count, block, targets, targetCount,
                                    static_cast<size_t>(y), limits, convert);
                continue;
            }
            if (level == CKernelLevel::Avx2) {
                ResampleBlockAvx2(in, pitch, pixelStride, sourceWidth, count, block, targets, targetCount,
                                  static_cast<size_t>(y), limits, convert);
                continue;
            }
#endif
            ResampleBlockBase(in, pitch, pixelStride, sourceWidth, count, block, targets, targetCount,
                              static_cast<size_t>(y), limits, convert);
        }
    });
    return !failed.load();
}

// Samples of type T at p as floats, kLanes<V> of them.
template <typename V, typename T>
FRAMIRA_INLINE void LoadAsFloats(V& out, const T* p)
{
    if constexpr (std::is_same_v<T, float>) {
        LoadVector(out, p);
    } else {
        typedef typename CVectorOf<V>::Word CWords;
        CWords words;
        if constexpr (std::is_same_v<T, uint8_t>) {
            // Bytes widen by way of 16 bits: straight to 32, GCC 12 takes the
            // vector apart byte by byte (a resample of 8-bit samples ran at
            // half the speed of 16-bit ones). The values are the same.
            typename CVectorOf<V>::Byte bytes;
            LoadVector(bytes, p);
            words = __builtin_convertvector(bytes, CWords);
        } else {
            LoadVector(words, p);
        }
        out = __builtin_convertvector(__builtin_convertvector(words, typename CVectorOf<V>::Int), V);
    }
}

// Destination samples x .. x + Strip × kLanes<V> − 1 of one row of the
// vertical pass, their sums held in registers across all taps. Zero weights
// add nothing (a sum that starts at +0 never becomes −0, and adding ±0 to
// anything else changes nothing), so they are skipped.
template <typename V, int Strip, typename T>
FRAMIRA_INLINE void SumColumnStrip(const T* source, size_t width, size_t x, T* out, const int32_t* index,
                                   int32_t rowOffset, const float* weight, int64_t taps, float total,
                                   const CSampleLimits<T>& limits)
{
    constexpr int L = kLanes<V>;
    V sum[Strip] = {};
    for (int64_t j = 0; j < taps; ++j) {
        const float w = weight[j];
        if (w == 0.0f) {
            continue;
        }
        const T* in = source + static_cast<size_t>(index[j] - rowOffset) * width + x;
        for (int s = 0; s < Strip; ++s) {
            V samples;
            LoadAsFloats(samples, in + s * L);
            sum[s] += w * samples;
        }
    }
    for (int s = 0; s < Strip; ++s) {
        StoreSamples(out + x + s * L, sum[s] / total + limits.offset, limits);
    }
}

// Destination rows first .. last − 1 of the vertical pass: each sample's sum
// tap by tap, as in the horizontal pass, several vectors of a row at a time
// and the last few samples one by one. `source` holds the intermediate rows
// from rowOffset on.
template <typename V, typename T>
FRAMIRA_INLINE void ResampleColumnRows(const T* source, int32_t rowOffset, int width, T* destination, int first,
                                       int last, const CAxisPlan& plan, const CSampleLimits<T>& bounds)
{
    constexpr size_t L = kLanes<V>;
    // A copy: stores of bytes may alias anything in memory, and would force
    // the limits to be read again after each one.
    const CSampleLimits<T> limits = bounds;
    const int64_t taps = plan.taps;
    const size_t w = static_cast<size_t>(width);
    for (int y = first; y < last; ++y) {
        T* out = destination + static_cast<size_t>(y) * w;
        const float total = plan.weightSum.Get()[y];
        if (total == 0.0f) {
            const T* in = source + static_cast<size_t>(plan.centre.Get()[y] - rowOffset) * w;
            for (size_t x = 0; x < w; ++x) {
                out[x] = StoreSample(static_cast<float>(in[x]), limits);
            }
            continue;
        }
        const int32_t* index = plan.index.Get() + static_cast<size_t>(y) * taps;
        const float* weight = plan.weight.Get() + static_cast<size_t>(y) * taps;
        size_t x = 0;
        for (; x + 4 * L <= w; x += 4 * L) {
            SumColumnStrip<V, 4>(source, w, x, out, index, rowOffset, weight, taps, total, limits);
        }
        for (; x + L <= w; x += L) {
            SumColumnStrip<V, 1>(source, w, x, out, index, rowOffset, weight, taps, total, limits);
        }
        for (; x < w; ++x) {
            float sum = 0.0f;
            for (int64_t j = 0; j < taps; ++j) {
                if (weight[j] != 0.0f) {
                    sum += weight[j] * static_cast<float>(source[static_cast<size_t>(index[j] - rowOffset) * w + x]);
                }
            }
            out[x] = StoreSample(sum / total + limits.offset, limits);
        }
    }
}

template <typename T>
void ResampleColumnRowsBase(const T* source, int32_t rowOffset, int width, T* destination, int first, int last,
                            const CAxisPlan& plan, const CSampleLimits<T>& limits)
{
    ResampleColumnRows<CFloat4>(source, rowOffset, width, destination, first, last, plan, limits);
}

#if defined(FRAMIRA_KERNELS_X86)
template <typename T>
FRAMIRA_TARGET_AVX2 void ResampleColumnRowsAvx2(const T* source, int32_t rowOffset, int width, T* destination,
                                                int first, int last, const CAxisPlan& plan, const CSampleLimits<T>& limits)
{
    ResampleColumnRows<CFloat8>(source, rowOffset, width, destination, first, last, plan, limits);
}

template <typename T>
FRAMIRA_TARGET_AVX512 void ResampleColumnRowsAvx512(const T* source, int32_t rowOffset, int width,
                                                    T* destination, int first, int last, const CAxisPlan& plan, const CSampleLimits<T>& limits)
{
    ResampleColumnRows<CFloat16>(source, rowOffset, width, destination, first, last, plan, limits);
}
#endif

// Destination rows first .. last − 1 are independent and shared out across
// the pool; `source` holds the intermediate rows from rowOffset on.
template <typename T>
void ResampleColumns(const T* source, int32_t rowOffset, int width, T* destination, int first, int last,
                     const CAxisPlan& plan, const CSampleLimits<T>& limits)
{
    const auto rows =
        FRAMIRA_KERNEL_AT_LEVEL(ResampleColumnRowsBase<T>, ResampleColumnRowsAvx2<T>, ResampleColumnRowsAvx512<T>);
    const size_t grain = 1 + (1 << 16) / (static_cast<size_t>(width) * static_cast<size_t>(plan.taps) + 1);
    ParallelFor(static_cast<size_t>(last - first), grain, [&](size_t begin, size_t end) {
        rows(source, rowOffset, width, destination, first + static_cast<int>(begin), first + static_cast<int>(end),
             plan, limits);
    });
}

// One size to resample to: `count` planes of width × height.
template <typename T>
struct CResampleOutput {
    T* const* planes;
    int width;
    int height;
};

// Source rows taken at a time by the horizontal pass.
constexpr int kWindowChunkRows = kSourceChunkRows;

// The rows of the horizontal pass that destination rows still to come need:
// a window that moves down the picture, so the intermediate plane never holds
// more than a chunk and one kernel's height of rows, however tall the source.
template <typename T>
class CRowWindow {
public:
    bool Prepare(const CAxisPlan& plan, int destinationHeight, int width, int chunkRows)
    {
        height = destinationHeight;
        pitch = static_cast<size_t>(width);
        // Per destination row, the lowest row any later one reads and the
        // end of the rows it reads itself.
        if (!lowest.AllocateForOverwrite(static_cast<uint64_t>(height) + 1) ||
            !end.AllocateForOverwrite(static_cast<uint64_t>(height))) {
            return false;
        }
        int32_t* low = lowest.Get();
        low[height] = INT32_MAX;
        int64_t span = 0;
        for (int y = height - 1; y >= 0; --y) {
            const int32_t* index = plan.index.Get() + static_cast<size_t>(y) * plan.taps;
            int32_t lo = plan.centre.Get()[y];
            int32_t hi = lo;
            for (int64_t j = 0; j < plan.taps; ++j) {
                lo = std::min(lo, index[j]);
                hi = std::max(hi, index[j]);
            }
            end.Get()[y] = hi + 1;
            low[y] = std::min(lo, low[y + 1]);
            span = std::max<int64_t>(span, static_cast<int64_t>(hi) + 1 - low[y]);
        }
        return rows.AllocateForOverwrite((static_cast<uint64_t>(span) + static_cast<uint64_t>(chunkRows)) * pitch);
    }
    void Restart()
    {
        firstRow = 0;
        rowCount = 0;
        nextRow = 0;
    }
    // Room for the next `count` source rows, after those held.
    T* Append(int count)
    {
        T* place = rows.Get() + static_cast<size_t>(rowCount) * pitch;
        rowCount += count;
        return place;
    }
    // The end of the destination rows that the rows up to `available` serve
    // (all of them once the source is done).
    int ReadyRows(int available, int sourceHeight) const
    {
        int y = nextRow;
        while (y < height && (available >= sourceHeight || end.Get()[y] <= available)) {
            ++y;
        }
        return y;
    }
    // Destination rows up to `ready` are done: the rows no later one reads go.
    void Emitted(int ready)
    {
        nextRow = ready;
        const int32_t keepFrom = std::min<int64_t>(lowest.Get()[ready], static_cast<int64_t>(firstRow) + rowCount);
        const int drop = static_cast<int>(keepFrom - firstRow);
        if (drop <= 0) {
            return;
        }
        rowCount -= drop;
        std::memmove(rows.Get(), rows.Get() + static_cast<size_t>(drop) * pitch,
                     static_cast<size_t>(rowCount) * pitch * sizeof(T));
        firstRow = keepFrom;
    }
    const T* Rows() const { return rows.Get(); }
    int32_t FirstRow() const { return firstRow; }
    int NextRow() const { return nextRow; }

private:
    int height = 0;
    size_t pitch = 0;
    CPlane<int32_t> lowest;
    CPlane<int32_t> end;
    CPlane<T> rows;
    int32_t firstRow = 0;  // source row of the window's first row
    int rowCount = 0;
    int nextRow = 0;       // the first destination row not yet made
};

// Where the rows of a chunk of the source lie: in the caller's planes, or in
// rows a reader hands over a chunk at a time (interleaved 8-bit samples, the
// three planes every third byte).
template <typename S>
struct CPlaneRows {
    const S* const* planes;
    size_t pitch;
    bool Fetch(int, int) { return true; }
    const S* Plane(int p, int first) const { return planes[p] + static_cast<size_t>(first) * pitch; }
    void Done(int) {}
};

struct CReaderRows {
    const CRowReader& reader;
    const uint8_t* chunk = nullptr;
    bool Fetch(int first, int rows)
    {
        chunk = reader.read(reader.context, first, rows);
        return chunk != nullptr;
    }
    const uint8_t* Plane(int p, int) const { return chunk + p; }
    void Done(int height) { reader.read(reader.context, height, 0); }
};

// Both passes for `count` planes into each output, the horizontal ones
// reading the source samples through `convert`, once per block of rows for
// all outputs, into an intermediate window of type T per output and plane.
// The source is read chunk by chunk from the top, every plane of a chunk
// before the next, so a reader never has to hold more than one chunk.
template <typename S, typename T, typename Convert, typename Rows>
int ResampleAll(Rows& source, int sourceWidth, int sourceHeight, const CResampleOutput<T>* outputs, int outputCount,
                float upper, float lower, int count, Convert convert, int pixelStride = 1)
{
    if (count < 0 || count > 4 || outputs == nullptr || outputCount < 1 || outputCount > 2 || sourceWidth <= 0 ||
        pixelStride < 1 || sourceHeight <= 0) {
        return 1;
    }
    for (int o = 0; o < outputCount; ++o) {
        if (outputs[o].planes == nullptr || outputs[o].width < 0 || outputs[o].height < 0) {
            return 1;
        }
        for (int p = 0; p < count; ++p) {
            if (outputs[o].planes[p] == nullptr) {
                return 1;
            }
        }
    }
    if (pixelStride != 1 && !std::is_same_v<Convert, CScaled>) {
        return 1;
    }
    float table[kKernelTableSize];
    BuildKernelTable(table);
    // Outputs without samples are left out.
    CAxisPlan horizontal[2];
    CAxisPlan vertical[2];
    CRowWindow<T> windows[2][4];
    const CResampleOutput<T>* used[2];
    int targetCount = 0;
    for (int o = 0; o < outputCount; ++o) {
        const CResampleOutput<T>& output = outputs[o];
        if (count == 0 || output.width == 0 || output.height == 0) {
            continue;
        }
        const int t = targetCount++;
        if (!BuildAxisPlan(table, sourceWidth, output.width, horizontal[t]) ||
            !BuildAxisPlan(table, sourceHeight, output.height, vertical[t])) {
            return 1;
        }
        for (int p = 0; p < count; ++p) {
            if (!windows[t][p].Prepare(vertical[t], output.height, output.width, kWindowChunkRows)) {
                return 1;
            }
        }
        used[t] = &output;
    }
    if (targetCount == 0) {
        return 0;
    }
    const CSampleLimits<T> limits = LimitsFor<T>(upper, lower);
    for (int first = 0; first < sourceHeight; first += kWindowChunkRows) {
        const int rows = std::min(kWindowChunkRows, sourceHeight - first);
        if (!source.Fetch(first, rows)) {
            return 1;
        }
        for (int p = 0; p < count; ++p) {
            CRowTarget<T> targets[2];
            for (int t = 0; t < targetCount; ++t) {
                targets[t] = CRowTarget<T>{windows[t][p].Append(rows), used[t]->width, &horizontal[t]};
            }
            if (!ResampleRows(source.Plane(p, first), pixelStride, sourceWidth, rows, targets, targetCount, limits,
                              convert)) {
                return 1;
            }
            for (int t = 0; t < targetCount; ++t) {
                CRowWindow<T>& window = windows[t][p];
                const int ready = window.ReadyRows(first + rows, sourceHeight);
                if (ready > window.NextRow()) {
                    ResampleColumns(window.Rows(), window.FirstRow(), used[t]->width, used[t]->planes[p],
                                    window.NextRow(), ready, vertical[t], limits);
                }
                window.Emitted(ready);
            }
        }
    }
    source.Done(sourceHeight);
    return 0;
}

// The same over planes the caller holds whole.
template <typename S, typename T, typename Convert>
int ResampleAll(const S* const* source, int sourceWidth, int sourceHeight, const CResampleOutput<T>* outputs,
                int outputCount, float upper, float lower, int count, Convert convert, int pixelStride = 1)
{
    if (source == nullptr || count < 0 || count > 4 || sourceWidth <= 0 || pixelStride < 1) {
        return 1;
    }
    for (int p = 0; p < count; ++p) {
        if (source[p] == nullptr) {
            return 1;
        }
    }
    CPlaneRows<S> rows{source, static_cast<size_t>(sourceWidth) * static_cast<size_t>(pixelStride)};
    return ResampleAll<S, T>(rows, sourceWidth, sourceHeight, outputs, outputCount, upper, lower, count, convert,
                             pixelStride);
}

} // namespace

template <typename T>
int ResamplePlanes(const T* const* source, int sourceWidth, int sourceHeight, T* const* destination,
                   int destinationWidth, int destinationHeight, float upper, float lower, int count)
{
    const CResampleOutput<T> output{destination, destinationWidth, destinationHeight};
    return ResampleAll(source, sourceWidth, sourceHeight, &output, 1, upper, lower, count, CAsFloat{});
}

template <typename S>
int ResampleScaledPlanes(const S* const* source, int pixelStride, float scale, int sourceWidth, int sourceHeight,
                         float* const* destination, int destinationWidth, int destinationHeight, float upper,
                         float lower, int count)
{
    const CResampleOutput<float> output{destination, destinationWidth, destinationHeight};
    return ResampleAll(source, sourceWidth, sourceHeight, &output, 1, upper, lower, count, CScaled{scale},
                       pixelStride);
}

template <typename S>
int ResamplePlanesToTwoSizes(const S* const* source, int pixelStride, float scale, int sourceWidth, int sourceHeight,
                             float* const* first, int firstWidth, int firstHeight, float* const* second,
                             int secondWidth, int secondHeight, float upper, float lower, int count)
{
    const CResampleOutput<float> outputs[2] = {{first, firstWidth, firstHeight},
                                               {second, secondWidth, secondHeight}};
    if constexpr (std::is_same_v<S, float>) {
        (void)scale;
        return ResampleAll(source, sourceWidth, sourceHeight, outputs, 2, upper, lower, count, CAsFloat{},
                           pixelStride);
    } else {
        return ResampleAll(source, sourceWidth, sourceHeight, outputs, 2, upper, lower, count, CScaled{scale},
                           pixelStride);
    }
}

int ResampleRowsToTwoSizes(const CRowReader& reader, float scale, int sourceWidth, int sourceHeight,
                           float* const* first, int firstWidth, int firstHeight, float* const* second,
                           int secondWidth, int secondHeight, float upper, float lower)
{
    if (reader.read == nullptr) {
        return 1;
    }
    const CResampleOutput<float> outputs[2] = {{first, firstWidth, firstHeight},
                                               {second, secondWidth, secondHeight}};
    CReaderRows rows{reader};
    return ResampleAll<uint8_t, float>(rows, sourceWidth, sourceHeight, outputs, 2, upper, lower, 3, CScaled{scale},
                                       3);
}

template int ResamplePlanes<uint8_t>(const uint8_t* const*, int, int, uint8_t* const*, int, int, float, float, int);
template int ResamplePlanes<uint16_t>(const uint16_t* const*, int, int, uint16_t* const*, int, int, float, float,
                                      int);
template int ResamplePlanes<float>(const float* const*, int, int, float* const*, int, int, float, float, int);
template int ResampleScaledPlanes<uint8_t>(const uint8_t* const*, int, float, int, int, float* const*, int, int, float,
                                           float, int);
template int ResampleScaledPlanes<uint16_t>(const uint16_t* const*, int, float, int, int, float* const*, int, int, float,
                                            float, int);

template int ResamplePlanesToTwoSizes<uint8_t>(const uint8_t* const*, int, float, int, int, float* const*, int, int,
                                               float* const*, int, int, float, float, int);
template int ResamplePlanesToTwoSizes<uint16_t>(const uint16_t* const*, int, float, int, int, float* const*, int, int,
                                                float* const*, int, int, float, float, int);
template int ResamplePlanesToTwoSizes<float>(const float* const*, int, float, int, int, float* const*, int, int,
                                             float* const*, int, int, float, float, int);

} // namespace framira
