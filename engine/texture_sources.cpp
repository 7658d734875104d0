// The six built-in texture sources, 1600 × 1200 samples each, generated when
// a texture set is made instead of being shipped as megabytes of constant
// arrays, and let go once no set is being made.
//
// How they are made (texture_sources_waves.cpp, texture_sources_shades.cpp):
//
// Coordinate maps (16-bit). An x map holds, in every row, the straight ramp
// round(x × 65533 / 1599) with a displacement added to x before scaling; a y
// map is the same down each column, inverted (65533 at the top, 0 at the
// bottom). Displacements are in 1/256 pixel; a displaced position beyond an
// end of the ramp is mirrored back into it, and the displacement is tapered
// to 0 at both ends, so the first and last sample of every line are exactly 0
// and 65533.
//  - FirstWaveImage0/1: the lines are grouped into bands 20 … 200 lines wide;
//    each band is shifted by its own amount, drawn as 80 … 400 pixels
//    (80 + 320 r²); its sign is kept from the band before with probability
//    0.75 (else drawn), and it may differ from the band before by at most 2.5
//    times the distance between the two band centres (at least 80 pixels),
//    so picture edges bend into gentle waves rather than breaking into steps
//    (the shifts come out at about 130 typically, up to about 350). Between neighbouring bands the shift
//    changes by a smootherstep over the middle 70 % of the way from one
//    band's centre to the next. Along a line the shift is constant except
//    that it fades in (smoothstep) over the first 400 pixels of the ramp —
//    the left edge of an x map, the top of a y map — and out over the last
//    64; a shift pointing out of the ramp fades over at least 1.55 times its
//    size instead, which keeps every line a monotone ramp (a smoothstep taper
//    of length L is at most 1.5 / L steep).
//  - SecondWaveImage0/1: bands of 20 … 140 lines; in each band the
//    displacement is an offset (±40) plus a sine ripple (no sharp turning
//    points, which would fold hard picture edges into crisp dashes). Its
//    strength is 20 … 80 pixels, for about one band in ten 150 … 300 more,
//    then averaged with the neighbouring bands' (weights 1, 2, 1), and swells
//    by ±45 % along a slow sine of 300 … 800 pixels; its period is 40 … 58
//    pixels, drifting by at most 5 from band to band and wandering by ±10 %
//    along a slow sine of 250 … 600 pixels; its phase is 5 … 20 % of a cycle
//    ahead of or behind the band before. Neighbouring bands blend by a
//    smootherstep over the middle 75 % of the way between their centres, and
//    the displacement tapers off over 48 pixels at both ends of the ramp
//    (strong ripples swing past the ends there and are mirrored back).
//    Sines come from a 1024-step table built by integer arithmetic
//    (texture_sources_curve.cpp), interpolated linearly.
// Band layouts and parameters come from a 32-bit xorshift generator with one
// fixed seed per map; band lengths are drawn as min + (max − min) r² (short
// bands more likely).
//
// Shading masks (8-bit). A profile p(d) by distance d from the nearest edge is
// given at 20 distances (CShadeProfile) and joined by a monotone cubic, so the
// listed values are met exactly and the profile is smooth in between.
//  - VignettingImage0: p0(min(x, 1599 − x)) in every row.
//  - VignettingImage1: p1(dx) × p1(dy) / 255, rounded, with dx, dy the
//    distances from the nearest side and top/bottom edges; within 150 pixels
//    of a corner multiplied by a cap that rises with the distance r from the
//    corner pixel (0 up to r = 10, 0.608 at 40, 0.857 at 100, 1 at 150), and
//    never below 1.
//
// All arithmetic is integer (fixed point), so the bytes are the same on every
// build and machine.
#include "mat.h"
#include "texture_sources.h"
#include "work_pool.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

namespace framira {
namespace {

// Null when the memory for them could not be had.
std::shared_ptr<const CTextureSources> BuildSources()
{
    auto sources = std::make_shared<CTextureSources>();
    const size_t n = static_cast<size_t>(kTextureSourceWidth) * kTextureSourceHeight;
    for (int i = 0; i < 2; ++i) {
        sources->firstWave[i].resize(n);
        sources->secondWave[i].resize(n);
        sources->vignetting[i].resize(n);
    }
    // The six are independent (each has its own seed), so they are made side
    // by side on the pool: whoever makes a texture set waits for them.
    CTextureSources& made = *sources;
    std::atomic<bool> failed{false};
    ParallelFor(6, 1, [&made, &failed](size_t begin, size_t end) {
        for (size_t i = begin; i < end; ++i) {
            try {
                switch (i) {
                case 0: texture_sources::GenerateFirstWave0(made.firstWave[0].data()); break;
                case 1: texture_sources::GenerateFirstWave1(made.firstWave[1].data()); break;
                case 2: texture_sources::GenerateSecondWave0(made.secondWave[0].data()); break;
                case 3: texture_sources::GenerateSecondWave1(made.secondWave[1].data()); break;
                case 4: texture_sources::GenerateVignetting0(made.vignetting[0].data()); break;
                default: texture_sources::GenerateVignetting1(made.vignetting[1].data()); break;
                }
            } catch (const std::bad_alloc&) {
                failed = true;  // never out of a pool thread
            }
        }
    });
    if (failed) {
        return nullptr;
    }
    return sources;
}

// The sources of the moment, while anyone holds them. Never destroyed: the
// thread that makes textures ahead may still take or let go of them while
// the process exits.
struct CSourceRegistry {
    std::mutex mutex;
    std::weak_ptr<const CTextureSources> current;
};

CSourceRegistry& Registry()
{
    static CSourceRegistry* const registry = new CSourceRegistry;
    return *registry;
}

} // namespace

std::shared_ptr<const CTextureSources> AcquireTextureSources() noexcept
{
    try {
        CSourceRegistry& registry = Registry();
        // Made under the lock: a thread that wants them meanwhile waits for
        // these rather than making 19 MB of its own.
        const std::lock_guard<std::mutex> lock(registry.mutex);
        std::shared_ptr<const CTextureSources> sources = registry.current.lock();
        if (!sources) {
            sources = BuildSources();
            registry.current = sources;
        }
        return sources;
    } catch (...) {
        return nullptr;  // no memory for them, or a lock refused
    }
}

} // namespace framira
