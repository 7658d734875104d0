// Benchmark of the mat stages at two output sizes: the blurs, the warps and
// everything else of CreateDitheredMat, then the whole call, the core colour
// and the bevel band. The texture sources are brought to the output size by
// the engine's windowed-sinc resampler, as Init(1) does; that time is shown
// apart (it is paid once per output size).
#include "kernel_level.h"
#include "mat.h"
#include "mat_texture.h"
#include "sinc_resampler.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

using namespace framira;

namespace {

using Clock = std::chrono::steady_clock;

// Both sources of a pair resampled to W × H, as Init(1) prepares them.
template <typename T>
bool Prepare(const T* a, const T* b, int W, int H, std::vector<T>& outA, std::vector<T>& outB)
{
    outA.assign(static_cast<size_t>(W) * H, 0);
    outB.assign(static_cast<size_t>(W) * H, 0);
    const T* source[2] = {a, b};
    T* destination[2] = {outA.data(), outB.data()};
    return ResamplePlanes<T>(source, kTextureSourceWidth, kTextureSourceHeight, destination, W, H, 0.0f, 0.0f, 2) ==
           0;
}

double Millis(Clock::time_point a, Clock::time_point b)
{
    return std::chrono::duration<double, std::milli>(b - a).count();
}

// Best of `repeats` runs, in milliseconds.
template <typename F>
double Best(int repeats, F&& f)
{
    double best = 1e30;
    for (int i = 0; i < repeats; ++i) {
        const auto t0 = Clock::now();
        f();
        best = std::min(best, Millis(t0, Clock::now()));
    }
    return best;
}

void Run(int W, int H, int repeats)
{
    const size_t n = static_cast<size_t>(W) * H;
    std::vector<uint16_t> fw0, fw1, sw0, sw1;
    std::vector<uint8_t> s0, s1;
    const auto p0 = Clock::now();
    const std::shared_ptr<const CTextureSources> sources = AcquireTextureSources();
    if (!sources || !Prepare(sources->firstWave[0].data(), sources->firstWave[1].data(), W, H, fw0, fw1) ||
        !Prepare(sources->secondWave[0].data(), sources->secondWave[1].data(), W, H, sw0, sw1) ||
        !Prepare(sources->vignetting[0].data(), sources->vignetting[1].data(), W, H, s0, s1)) {
        std::printf("resampling the textures failed\n");
        return;
    }
    const double prepare = Millis(p0, Clock::now());
    const CMatTextures textures{fw0.data(), fw1.data(), sw0.data(), sw1.data(), s0.data(), s1.data()};

    std::vector<float> picture[3], mat[3], warped[3];
    for (int k = 0; k < 3; ++k) {
        picture[k].resize(n);
        mat[k].resize(n);
        warped[k].resize(n);
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                picture[k][static_cast<size_t>(y) * W + x] =
                    0.5f + 0.4f * std::sin(0.01f * (x + 2 * y) + k) * std::cos(0.013f * (y - x) * (k + 1));
    }
    const float* pic[3] = {picture[0].data(), picture[1].data(), picture[2].data()};
    float* out[3] = {mat[0].data(), mat[1].data(), mat[2].data()};

    float* warps[3] = {warped[0].data(), warped[1].data(), warped[2].data()};
    // CreateDitheredMat runs 4 blurs and two warps per channel, 12 and 6 in
    // all, the second warp blended into the first's result.
    const double blur = Best(repeats, [&] {
        for (float s : {1.5f, 5.0f, 4.0f, 8.0f})
            for (int k = 0; k < 3; ++k)
                BlurPlane(picture[k].data(), warps[k], W, H, s);
    });
    const double warp = Best(repeats, [&] {
        for (int k = 0; k < 3; ++k) {
            WarpWithWaveImages(pic[k], fw0.data(), fw1.data(), warps[k], W, H);
            WarpBlendingInto(pic[k], sw0.data(), sw1.data(), warps[k], W, H, 50.0f);
        }
    });
    // The per-sample stages of one call, on planes that already exist.
    std::vector<float> a(n), c[3];
    for (int k = 0; k < 3; ++k)
        c[k] = picture[k];
    const double perSample = Best(repeats, [&] {
        for (int k = 0; k < 3; ++k) {
            BlendKeepingBrighter(picture[k].data(), a.data(), n, 33.0f);
            BlendKeepingBrighter(a.data(), c[k].data(), n, 20.0f);
        }
        float* const mix[3] = {c[0].data(), c[1].data(), c[2].data()};
        MixAndShade(mix, s1.data(), s0.data(), 0, n);
    });
    const double whole = Best(repeats, [&] { CreateDitheredMat(textures, pic, out, W, H, W / 2, H / 2); });
    float coreR, coreG, coreB;
    const double core =
        Best(repeats, [&] { CreateCoreColors(pic[0], pic[1], pic[2], W, H, coreR, coreG, coreB); });
    CBevelTables tables;
    FillMattingMountAndCoreColorStructures(tables);
    const uint8_t mount[3] = {240, 232, 216};
    const double band = Best(repeats, [&] {
        ApplyMattingAndMountColorAndCoreColor(tables, mount, W / 2, H / 2, out, W, H, coreR, coreG, coreB);
    });

    std::printf("%4d x %4d  CreateDitheredMat %7.1f ms: blurs (12) %6.1f, warps (6) %6.1f, per-sample stages %5.1f,"
                " allocation and the rest %5.1f\n"
                "             CreateCoreColors %5.1f ms, ApplyMattingAndMountColorAndCoreColor %5.2f ms,"
                " texture preparation (once per size) %6.1f ms\n",
                W, H, whole, blur, warp, perSample, whole - blur - warp - perSample, core, band, prepare);
}

} // namespace

int main()
{
    const auto t0 = Clock::now();
    // Held throughout, so that each size's preparation reads these.
    const std::shared_ptr<const CTextureSources> sources = AcquireTextureSources();
    if (!sources) {
        std::printf("texture sources unavailable\n");
        return 1;
    }
    std::printf("texture sources generated in %.1f ms; kernel level %s\n", Millis(t0, Clock::now()),
                KernelLevelName(KernelLevel()));
    Run(1920, 1080, 5);
    Run(2560, 2048, 3);
    Run(3840, 2160, 3);
    return 0;
}
