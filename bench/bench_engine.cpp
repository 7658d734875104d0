// Frames 8-bit pictures through Framira_Run and prints processor
// milliseconds per stage, processor and wall milliseconds per picture, and the
// peak memory of the process. Without files the picture is generated
// (6000 × 4000 unless told otherwise) and framed at 1920 × 1080 and
// 2560 × 2048; with binary PPM files (djpeg's output) they are framed at
// 1920 × 1080, one after another as a batch would, each RUNS times.
//
// Usage: bench_engine [RUNS [THREADS [WIDTHxHEIGHT [PRESET] | PICTURE.ppm...]]]
//        (THREADS 0 = one per processor; RUNS 0 = the first picture at each
//        size only; PRESET 12 or 9 = that size only, or an output size such
//        as 3840x2160 = that size alone). One generated picture
//        framed once at one size is what an instruction count wants:
//        valgrind --tool=callgrind bench_engine 0 1 6000x4000 12
// The kernel level (FRAMIRA_SIMD) is printed with the figures.
#include "framira.h"

#include "frame_maker_timing.h"
#include "work_pool.h"

#include <sys/resource.h>
#include <time.h>

#include <chrono>
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
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

struct CPicture {
    std::string name;
    int width = 0;
    int height = 0;
    std::vector<uint8_t> samples;
};

// A binary PPM with 8-bit samples (P6, maxval 255), as djpeg writes it.
bool ReadPpm(const char* path, CPicture& picture)
{
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int maxval = 0;
    in >> magic >> picture.width >> picture.height >> maxval;
    if (!in || magic != "P6" || maxval != 255 || picture.width < 1 || picture.height < 1 ||
        !std::isspace(in.get())) {
        return false;
    }
    picture.name = path;
    picture.samples.resize(static_cast<size_t>(picture.width) * picture.height * 3);
    return static_cast<bool>(in.read(reinterpret_cast<char*>(picture.samples.data()),
                                     static_cast<std::streamsize>(picture.samples.size())));
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
                "band %5.1f | output %5.1f | total %7.1f ms (wall %7.1f)\n",
                label, t.textures / n, t.analyze / n, t.stretch / n, t.coreColor / n, t.mat / n,
                t.matting / n, t.output / n, cpu / n, wall / n);
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
    const int runs = argc > 1 ? std::max(std::atoi(argv[1]), 0) : 3;
    int onlyPreset = 0;
    int outputWidth = 0;
    int outputHeight = 0;
    framira::SetWorkThreadCount(argc > 2 ? std::atoi(argv[2]) : 0);
    std::vector<CPicture> pictures;
    if (argc > 3 && std::sscanf(argv[3], "%dx%d", &kWidth, &kHeight) != 2) {
        for (int i = 3; i < argc; ++i) {
            pictures.push_back({argv[i], 0, 0, {}});
        }
    } else if (argc > 3 && (kWidth < 1 || kHeight < 1)) {
        std::fprintf(stderr, "picture size WIDTHxHEIGHT expected\n");
        return 64;
    } else if (argc > 4 && std::sscanf(argv[4], "%dx%d", &outputWidth, &outputHeight) == 2) {
        if (outputWidth < 40 || outputHeight < 40 || outputWidth > 8192 || outputHeight > 8192) {
            std::fprintf(stderr, "an output size from 40x40 to 8192x8192 expected\n");
            return 64;
        }
        onlyPreset = -1;
    } else if (argc > 4) {
        onlyPreset = std::atoi(argv[4]);
        if (onlyPreset != 12 && onlyPreset != 9) {
            std::fprintf(stderr, "preset 12 (1920 x 1080), 9 (2560 x 2048) or an output size expected\n");
            return 64;
        }
    }
    const bool fromFiles = !pictures.empty();
    if (!fromFiles) {
        pictures.push_back({"generated", kWidth, kHeight, MakePicture()});
    }
    // Of several files only the one being framed is held, as in a batch, so
    // the peak memory is one picture's.
    const bool holdOne = pictures.size() > 1;
    const auto load = [](CPicture& picture) {
        if (picture.samples.empty() && !ReadPpm(picture.name.c_str(), picture)) {
            std::fprintf(stderr, "%s: not a binary PPM with 8-bit samples\n", picture.name.c_str());
            return false;
        }
        return true;
    };
    for (CPicture& picture : pictures) {
        if (!load(picture)) {
            return 1;
        }
        if (holdOne) {
            std::vector<uint8_t>().swap(picture.samples);
        }
    }
    std::vector<uint8_t> output(std::max<size_t>(18000000, static_cast<size_t>(outputWidth) * outputHeight * 3));
    if (Specklo_Init(pictures.front().width, pictures.front().height, 12) != 0) {
        std::fprintf(stderr, "engine could not be created\n");
        return 1;
    }
    // Frames one picture and adds its processor and wall milliseconds, the
    // reading of a file left out.
    struct CPreset {
        int index;  // 0: width × height
        int width;
        int height;
    };
    const auto frame = [&](CPicture& picture, const CPreset& preset, double& cpu, double& wall) {
        if (!load(picture)) {
            return false;
        }
        const auto start = std::chrono::steady_clock::now();
        const double cpuStart = CpuMilliseconds();
        const int32_t result = Framira_Run(picture.samples.data(), output.data(), 1.75f, 8, picture.width,
                                           picture.height, 1.0f, nullptr, preset.index, preset.width, preset.height);
        cpu += CpuMilliseconds() - cpuStart;
        wall += WallMilliseconds(start);
        if (holdOne) {
            std::vector<uint8_t>().swap(picture.samples);
        }
        if (result != 0) {
            std::fprintf(stderr, "run failed on %s\n", picture.name.c_str());
        }
        return result == 0;
    };
    std::vector<CPreset> presets = {{12, 1920, 1080}, {9, 2560, 2048}};
    if (onlyPreset < 0) {
        presets = {{0, outputWidth, outputHeight}};
    }
    if (fromFiles) {
        std::printf("Framira_Run on %zu picture(s) from files, %d run(s) each, %d thread(s); processor ms per "
                    "picture\n",
                    pictures.size(), runs, framira::WorkThreadCount());
        for (const CPicture& picture : pictures) {
            std::printf("  %s: %d x %d\n", picture.name.c_str(), picture.width, picture.height);
        }
    } else {
        std::printf("Framira_Run on a %d x %d 8-bit picture, %d steady runs per size, %d thread(s); processor ms "
                    "per picture\n",
                    kWidth, kHeight, runs, framira::WorkThreadCount());
    }
    std::printf("kernel level %s\n", Framira_KernelLevel());
    for (const CPreset& preset : presets) {
        if ((fromFiles && preset.index != 12) || (onlyPreset > 0 && preset.index != onlyPreset)) {
            continue;
        }
        // The first picture at a new output size also prepares the textures.
        framira::CFrameMakerStageTimes first;
        framira::SetFrameMakerStageTimes(&first);
        double firstCpu = 0;
        double firstWall = 0;
        if (!frame(pictures.front(), preset, firstCpu, firstWall)) {
            return 1;
        }
        framira::CFrameMakerStageTimes steady;
        framira::SetFrameMakerStageTimes(&steady);
        const size_t outputBytes = static_cast<size_t>(preset.width) * static_cast<size_t>(preset.height) * 3;
        // One picture's checksum as it always was; several pictures' folded
        // together in order.
        uint32_t checksum = 0;
        double steadyCpu = 0;
        double steadyWall = 0;
        for (int i = 0; i < runs; ++i) {
            for (CPicture& picture : pictures) {
                if (!frame(picture, preset, steadyCpu, steadyWall)) {
                    return 1;
                }
                if (i == 0) {
                    checksum = checksum * 16777619u ^ Checksum(output.data(), outputBytes);
                }
            }
        }
        framira::SetFrameMakerStageTimes(nullptr);
        std::printf("\n%d x %d\n", preset.width, preset.height);
        PrintTimes("first (new size)", first, 1, firstCpu, firstWall);
        if (runs > 0) {
            PrintTimes("per picture (cached)", steady, runs * static_cast<int>(pictures.size()), steadyCpu,
                       steadyWall);
        } else {
            checksum = Checksum(output.data(), outputBytes);
        }
        std::printf("  output checksum %08x\n", checksum);
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("\npeak memory (ru_maxrss): %.1f MB\n", usage.ru_maxrss / 1024.0);
    return 0;
}
