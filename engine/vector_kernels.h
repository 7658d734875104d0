// Vectors of 4, 8 and 16 lanes for the pixel kernels, and the moves that
// rearrange them. Written with the compiler's vector extensions rather than
// one instruction set's intrinsics, so one template serves every kernel level:
// each level's entry function (with its target attribute) inlines the
// template, and the compiler picks that level's instructions. Helpers take and
// give vectors by reference: a wide vector passed by value to a function built
// for a narrower target would change the calling convention.
//
// Lane-wise arithmetic on these types is the same IEEE operation per lane as
// on one float, and the engine is built without contraction into fused
// multiply-adds, so a kernel gives the same bytes at every width as long as it
// performs the same operations in the same order on each sample.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

#define FRAMIRA_INLINE __attribute__((always_inline)) inline

namespace framira {

typedef float CFloat4 __attribute__((vector_size(16)));
typedef float CFloat8 __attribute__((vector_size(32)));
typedef float CFloat16 __attribute__((vector_size(64)));
typedef int32_t CInt4 __attribute__((vector_size(16)));
typedef int32_t CInt8 __attribute__((vector_size(32)));
typedef int32_t CInt16 __attribute__((vector_size(64)));

template <typename V>
constexpr int kLanes = static_cast<int>(sizeof(V) / sizeof(float));

// The integer vector (lane masks, indices) as wide as a float vector, and
// vectors of narrower samples with as many lanes.
template <typename V>
struct CVectorOf;
template <>
struct CVectorOf<CFloat4> {
    typedef CInt4 Int;
    typedef uint16_t Word __attribute__((vector_size(8)));
    typedef uint8_t Byte __attribute__((vector_size(4)));
};
template <>
struct CVectorOf<CFloat8> {
    typedef CInt8 Int;
    typedef uint16_t Word __attribute__((vector_size(16)));
    typedef uint8_t Byte __attribute__((vector_size(8)));
};
template <>
struct CVectorOf<CFloat16> {
    typedef CInt16 Int;
    typedef uint16_t Word __attribute__((vector_size(32)));
    typedef uint8_t Byte __attribute__((vector_size(16)));
};

template <typename V, typename T>
FRAMIRA_INLINE void LoadVector(V& v, const T* p)
{
    std::memcpy(&v, p, sizeof(V));
}

template <typename V, typename T>
FRAMIRA_INLINE void StoreVector(T* p, const V& v)
{
    std::memcpy(p, &v, sizeof(V));
}

// Shuffle index tables. CWithinLanes: in every 128-bit lane q of the result,
// position i takes element Pick[i] of lane q of (a, b), 0..3 from a and 4..7
// from b. CLanes: the result's 128-bit lane q is lane Pick[q] of a (0 up) or
// of b (kLanes / 4 up).
template <int L, int P0, int P1, int P2, int P3>
struct CWithinLanes {
    static constexpr int At(size_t p)
    {
        const int pick[4] = {P0, P1, P2, P3};
        const int lane = static_cast<int>(p / 4);
        const int e = pick[p % 4];
        return e < 4 ? lane * 4 + e : L + lane * 4 + (e - 4);
    }
};

template <int... Pick>
struct CLanes {
    static constexpr int At(size_t p)
    {
        const int pick[] = {Pick...};
        return pick[p / 4] * 4 + static_cast<int>(p % 4);
    }
};

template <typename Index, typename V, size_t... P>
FRAMIRA_INLINE void ShuffleBy(V& out, const V& a, const V& b, std::index_sequence<P...>)
{
    out = __builtin_shufflevector(a, b, Index::At(P)...);
}

template <typename Index, typename V>
FRAMIRA_INLINE void Shuffle(V& out, const V& a, const V& b)
{
    ShuffleBy<Index>(out, a, b, std::make_index_sequence<kLanes<V>>());
}

// a[0..3] as a 4 × 4 matrix in every 128-bit lane, transposed lane by lane.
template <typename V>
FRAMIRA_INLINE void TransposeWithinLanes(V* a)
{
    constexpr int L = kLanes<V>;
    V t0, t1, t2, t3;
    Shuffle<CWithinLanes<L, 0, 4, 1, 5>>(t0, a[0], a[1]);
    Shuffle<CWithinLanes<L, 2, 6, 3, 7>>(t1, a[0], a[1]);
    Shuffle<CWithinLanes<L, 0, 4, 1, 5>>(t2, a[2], a[3]);
    Shuffle<CWithinLanes<L, 2, 6, 3, 7>>(t3, a[2], a[3]);
    Shuffle<CWithinLanes<L, 0, 1, 4, 5>>(a[0], t0, t2);
    Shuffle<CWithinLanes<L, 2, 3, 6, 7>>(a[1], t0, t2);
    Shuffle<CWithinLanes<L, 0, 1, 4, 5>>(a[2], t1, t3);
    Shuffle<CWithinLanes<L, 2, 3, 6, 7>>(a[3], t1, t3);
}

// An L × L matrix, one row per vector, transposed: afterwards rows[c] holds
// what was column c.
template <typename V>
FRAMIRA_INLINE void Transpose(V* rows)
{
    constexpr int L = kLanes<V>;
    for (int g = 0; g < L / 4; ++g) {
        TransposeWithinLanes(rows + 4 * g);
    }
    // Now lane q of rows[4g + c] holds column 4q + c of rows 4g .. 4g + 3:
    // what remains is a transpose of the 128-bit lanes.
    for (int c = 0; c < 4 && L > 4; ++c) {
        if constexpr (L == 8) {
            V low, high;
            Shuffle<CLanes<0, 2>>(low, rows[c], rows[4 + c]);
            Shuffle<CLanes<1, 3>>(high, rows[c], rows[4 + c]);
            rows[c] = low;
            rows[4 + c] = high;
        } else if constexpr (L == 16) {
            V s0, s1, s2, s3;
            Shuffle<CLanes<0, 2, 4, 6>>(s0, rows[c], rows[4 + c]);
            Shuffle<CLanes<1, 3, 5, 7>>(s1, rows[c], rows[4 + c]);
            Shuffle<CLanes<0, 2, 4, 6>>(s2, rows[8 + c], rows[12 + c]);
            Shuffle<CLanes<1, 3, 5, 7>>(s3, rows[8 + c], rows[12 + c]);
            Shuffle<CLanes<0, 2, 4, 6>>(rows[c], s0, s2);
            Shuffle<CLanes<0, 2, 4, 6>>(rows[4 + c], s1, s3);
            Shuffle<CLanes<1, 3, 5, 7>>(rows[8 + c], s0, s2);
            Shuffle<CLanes<1, 3, 5, 7>>(rows[12 + c], s1, s3);
        }
    }
}

// a[e] gets, in its 128-bit lane q, the four floats at p[4q + e] + offset:
// after TransposeWithinLanes, a[c] holds the c-th of the four floats for
// each pointer, lane j for p[j].
template <typename V>
FRAMIRA_INLINE void LoadQuads(V* a, const float* const* p, ptrdiff_t offset)
{
    static_assert(kLanes<V> <= 8, "four or eight lanes");
    for (int e = 0; e < 4; ++e) {
        CFloat4 q[kLanes<V> / 4];
        for (int i = 0; i < kLanes<V> / 4; ++i) {
            LoadVector(q[i], p[4 * i + e] + offset);
        }
        if constexpr (kLanes<V> == 4) {
            a[e] = q[0];
        } else {
            a[e] = __builtin_shufflevector(q[0], q[1], 0, 1, 2, 3, 4, 5, 6, 7);
        }
    }
}

// True when every lane of a mask (0 or −1 per lane) is set.
template <typename M>
FRAMIRA_INLINE bool AllLanes(const M& mask)
{
    int32_t lanes[sizeof(M) / sizeof(int32_t)];
    std::memcpy(lanes, &mask, sizeof(M));
    int32_t all = -1;
    for (const int32_t lane : lanes) {
        all &= lane;
    }
    return all != 0;
}

} // namespace framira
