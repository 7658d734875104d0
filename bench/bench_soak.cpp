// Soak: one job framing a few hundred pictures whose sizes change from one
// picture to the next (so the engine and the buffers are reopened every
// time), through the real worker, pipeline and engine. Prints the seconds
// per picture and the memory in use at the start and at the end of the job:
// the two should match, whatever the number of pictures.
//
// Usage: bench_soak [PICTURES [PRESET]]   (default 300 pictures, preset 1:
// 480 x 320; preset 12 is 1920 x 1080)
#include "batch_worker.h"
#include "image.h"
#include "jpeg_writer.h"
#include "output_path.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct CSize {
    int width, height;
};
// Landscape and portrait, small and large, never two alike in a row.
constexpr CSize kSizes[] = {{640, 480}, {3000, 2000}, {1024, 768}, {1200, 1600},
                            {2048, 1536}, {320, 240}, {4000, 3000}};

// A field of the process's /proc status in kilobytes ("VmRSS", "VmHWM").
long StatusKilobytes(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(field) + ":";
    while (std::getline(status, line))
        if (line.rfind(prefix, 0) == 0)
            return std::atol(line.c_str() + prefix.size());
    return -1;
}

// Samples the memory after every finished picture, on the worker thread.
class CMemorySampler : public CNotificationTarget {
public:
    // Each window holds every size at least twice.
    explicit CMemorySampler(int pictures)
        : window(std::max(int(std::size(kSizes)) * 2, pictures / 10)), pictures(pictures)
    {
    }

    void PostNotification(CNotification notification) override
    {
        if (notification.message != UWM_PICTURE_DONE)
            return;
        const long rss = StatusKilobytes("VmRSS");
        std::lock_guard lock(mutex);
        ++done;
        if (done <= window) {
            startRss = std::max(startRss, rss);
            startPeak = StatusKilobytes("VmHWM");
        }
        if (done > pictures - window)
            endRss = std::max(endRss, rss);
    }

    const int window;
    const int pictures;
    std::mutex mutex;
    int done = 0;
    long startRss = 0, endRss = 0, startPeak = 0;
};

} // namespace

int main(int argc, char** argv)
{
    const int pictures = argc > 1 ? std::max(14, std::atoi(argv[1])) : 300;
    const int preset = argc > 2 ? std::atoi(argv[2]) : 1;
    const fs::path root = fs::temp_directory_path() / ("framira_soak_" + std::to_string(::getpid()));
    fs::create_directories(root / "in");
    fs::create_directories(root / "out");

    // One file per size, and a hard link to it for every picture.
    std::vector<fs::path> originals;
    for (const CSize& size : kSizes) {
        CImage image(size.width, size.height, 3, kSampleByte);
        for (int p = 0; p < 3; ++p)
            for (std::size_t i = 0; i < image.PixelCount(); ++i)
                image.plane[p][i] = std::uint8_t((i % std::size_t(size.width)) * (p + 1) * 255 /
                                                 std::size_t(size.width) ^ (i / std::size_t(size.width)));
        originals.push_back(root / ("size" + std::to_string(originals.size()) + ".jpg"));
        if (WriteJpegFile(image, originals.back(), 90, kSubsampling420) != kImageSuccess) {
            std::fprintf(stderr, "could not write %s\n", originals.back().c_str());
            return 1;
        }
    }
    CBatchWorker job;
    job.Reset();
    for (int i = 0; i < pictures; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "p%05d.jpg", i);
        fs::create_hard_link(originals[std::size_t(i) % originals.size()], root / "in" / name);
        job.queue.push_back((root / "in" / name).string());
    }

    CMemorySampler sampler(pictures);
    job.notifyWindow = &sampler;
    job.presetIndex = preset;
    job.saveType = kSaveDesignatedFolder;
    job.outputFolder = (root / "out").string();
    job.strength = 1.75f;
    // The engine prints a line per step; the figures are what matter here.
    std::fflush(stdout);
    const int savedOut = ::dup(1);
    std::FILE* null = std::fopen("/dev/null", "w");
    if (null)
        ::dup2(::fileno(null), 1);

    const auto start = std::chrono::steady_clock::now();
    job.Start();
    job.Wait();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    std::fflush(stdout);
    ::dup2(savedOut, 1);
    if (null)
        std::fclose(null);
    std::printf("pictures %d (preset %d), written %d, failed %d, %.3f s per picture\n", pictures, preset,
                job.picturesWritten, job.picturesFailed, seconds / pictures);
    std::printf("memory in use over the first %d pictures: %ld kB (peak so far %ld kB)\n", sampler.window,
                sampler.startRss, sampler.startPeak);
    std::printf("memory in use over the last %d pictures:  %ld kB (peak of the job %ld kB)\n", sampler.window,
                sampler.endRss, StatusKilobytes("VmHWM"));
    fs::remove_all(root);
    return job.picturesWritten == pictures ? 0 : 1;
}
