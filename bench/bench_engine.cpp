// Frames a generated 8-bit picture (6000 × 4000 unless told otherwise)
// through Framira_Run at 1920 × 1080 and 2560 × 2048 and prints processor
// milliseconds per stage, processor and wall milliseconds per picture, and the
// peak memory of the process.
//
// Usage: bench_engine [RUNS [THREADS [WIDTHxHEIGHT]]]   (THREADS 0 = one per processor)
#include "framira.h"

#include "frame_maker_timing.h"
#include "work_pool.h"

#include <sys/resource.h>
#include <time.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

int kWidth = 6000;
int kHeight = 4000;

// Photo-like: a sky-to-ground gradient, a sun, a few soft-edged blocks.
std::vector<uint8_t> MakePicture()
{
    std::vector<uint8_t> samples(static_cast<size_t>(kWidth) * kHeight * 3);
    for (int y = 0; y < kHeight; ++y) {
        const float v = static_cast<float>(y) / kHeight;
        for (int x = 0; x < kWidth; ++x) {
            const float u = static_cast<float>(x) / kWidth;
            float r = 40 + 150 * v + 30 * u;
            float g = 90 + 100 * (1 - v) * u;
            float b = 200 - 150 * v;
            const float dx = u - 0.7f;
            const float dy = v - 0.25f;
            const float sun = std::exp(-(dx * dx + dy * dy) * 60.0f);
            r += 200 * sun;
            g += 180 * sun;
            b += 60 * sun;
            if (((x / 700) + (y / 500)) % 5 == 0 && v > 0.55f) {
                r *= 0.6f;
                g *= 0.8f;
            }
            uint8_t* p = &samples[(static_cast<size_t>(y) * kWidth + x) * 3];
            p[0] = static_cast<uint8_t>(std::fmin(r, 255.0f));
            p[1] = static_cast<uint8_t>(std::fmin(g, 255.0f));
            p[2] = static_cast<uint8_t>(std::fmin(b, 255.0f));
        }
    }
    return samples;
}

// Processor time of the process (the engine's workers included): the
// machine may be busy with other work, which wall time would count against
// the engine.
double CpuMilliseconds()
{
    timespec time{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &time);
    return static_cast<double>(time.tv_sec) * 1000.0 + static_cast<double>(time.tv_nsec) / 1e6;
}

double WallMilliseconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since).count();
}

void PrintTimes(const char* label, const framira::CFrameMakerStageTimes& t, int runs, double cpu, double wall)
{
    const double n = runs;
    std::printf("  %-21s textures %7.1f | analyze %6.1f | stretch %6.1f | core colour %5.1f | mat %7.1f | "
                "print %6.1f | matting/band %5.1f | output %5.1f | total %7.1f ms (wall %7.1f)\n",
                label, t.textures / n, t.analyze / n, t.stretch / n, t.coreColor / n, t.mat / n,
                t.printResample / n, t.matting / n, t.output / n, cpu / n, wall / n);
}

// FNV-1a of the framed picture: builds with other compilers or flags must
// print the same value, or a speed-up has changed the output.
uint32_t Checksum(const uint8_t* bytes, size_t count)
{
    uint32_t hash = 2166136261u;
    for (size_t i = 0; i < count; ++i) {
        hash = (hash ^ bytes[i]) * 16777619u;
    }
    return hash;
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::atoi(argv[1]) : 3;
    framira::SetWorkThreadCount(argc > 2 ? std::atoi(argv[2]) : 0);
    if (argc > 3 && (std::sscanf(argv[3], "%dx%d", &kWidth, &kHeight) != 2 || kWidth < 1 || kHeight < 1)) {
        std::fprintf(stderr, "picture size WIDTHxHEIGHT expected\n");
        return 64;
    }
    std::vector<uint8_t> picture = MakePicture();
    std::vector<uint8_t> output(18000000);
    if (Specklo_Init(kWidth, kHeight, 12) != 0) {
        std::fprintf(stderr, "engine could not be created\n");
        return 1;
    }
    struct CPreset {
        int index;
        const char* name;
    };
    const CPreset presets[] = {{12, "1920 x 1080"}, {9, "2560 x 2048"}};
    std::printf("Framira_Run on a %d x %d 8-bit picture, %d steady runs per size, %d thread(s); processor ms "
                "per picture\n",
                kWidth, kHeight, runs, framira::WorkThreadCount());
    for (const CPreset& preset : presets) {
        framira::CFrameMakerStageTimes first;
        framira::SetFrameMakerStageTimes(&first);
        auto start = std::chrono::steady_clock::now();
        double cpuStart = CpuMilliseconds();
        if (Framira_Run(picture.data(), output.data(), 1.75f, 8, kWidth, kHeight, 1.0f, nullptr, preset.index, 0,
                        0) != 0) {
            std::fprintf(stderr, "run failed\n");
            return 1;
        }
        const double firstCpu = CpuMilliseconds() - cpuStart;
        const double firstWall = WallMilliseconds(start);
        framira::CFrameMakerStageTimes steady;
        framira::SetFrameMakerStageTimes(&steady);
        start = std::chrono::steady_clock::now();
        cpuStart = CpuMilliseconds();
        for (int i = 0; i < runs; ++i) {
            Framira_Run(picture.data(), output.data(), 1.75f, 8, kWidth, kHeight, 1.0f, nullptr, preset.index, 0, 0);
        }
        const double steadyCpu = CpuMilliseconds() - cpuStart;
        const double steadyWall = WallMilliseconds(start);
        framira::SetFrameMakerStageTimes(nullptr);
        std::printf("\n%s\n", preset.name);
        PrintTimes("first (new size)", first, 1, firstCpu, firstWall);
        PrintTimes("per picture (cached)", steady, runs, steadyCpu, steadyWall);
        const size_t outputBytes = static_cast<size_t>(kFramiraPresets[preset.index].width) *
                                   static_cast<size_t>(kFramiraPresets[preset.index].height) * 3;
        std::printf("  output checksum %08x\n", Checksum(output.data(), outputBytes));
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("\npeak memory (ru_maxrss): %.1f MB\n", usage.ru_maxrss / 1024.0);
    return 0;
}
