// Stop, pause and resume hammered at random moments while a job frames many
// small pictures, as an impatient user at the window would. Built with the
// thread sanitizer in CI; FRAMIRA_STRESS_SECONDS makes a longer run by hand
// (FRAMIRA_STRESS_SEED repeats one).
#include "../app/test_pipeline_support.h"

#include "destination_check.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <random>
#include <thread>

using namespace pipeline_test;

namespace {

unsigned long EnvironmentNumber(const char* name, unsigned long fallback)
{
    const char* text = std::getenv(name);
    return text && *text ? std::strtoul(text, nullptr, 10) : fallback;
}

// What a round's notifications must look like whatever the timing: one end,
// last; a progress that never goes back; a finished picture only after its
// announcement.
void ExpectConsistentNotifications(const std::vector<CNotification>& notifications, bool stopAsked, int written,
                                   int total)
{
    ASSERT_FALSE(notifications.empty());
    int ends = 0, announced = 0, finished = 0, lastProgress = 0;
    for (const CNotification& n : notifications) {
        if (n.message == UWM_DONE || n.message == UWM_STOPPED) {
            ++ends;
            continue;
        }
        if (n.message == UWM_PICTURE || n.message == UWM_PICTURE_DONE) {
            EXPECT_GE(n.param, lastProgress) << NotificationName(n.message);
            lastProgress = n.param;
        }
        // A written picture's UWM_PICTURE carries its output path; its
        // announcement the source path or a space.
        if (n.message == UWM_PICTURE && n.text.find(".out/") == std::string::npos)
            ++announced;
        finished += n.message == UWM_PICTURE_DONE;
    }
    EXPECT_EQ(ends, 1);
    // A stop asked after the last picture (the hammering thread may be held
    // back that long on a loaded machine) finds a job that has ended.
    const int last = notifications.back().message;
    EXPECT_TRUE((last == UWM_STOPPED && stopAsked) || (last == UWM_DONE && written == total))
        << NotificationName(last) << " after " << written << " of " << total;
    EXPECT_LE(finished, announced);
    // A stop may fall between a picture's write and its UWM_PICTURE_DONE.
    EXPECT_TRUE(written == finished || written == finished + 1) << written << " " << finished;
}

// Every file in `folder` is a complete picture: no temporary or half-written file.
int CountCompleteOutputs(const fs::path& folder)
{
    int count = 0;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        EXPECT_NE(name.front(), '.') << "left behind: " << name;
        CImage image(entry.path(), 0);
        EXPECT_EQ(image.planes, 3) << name;
        EXPECT_TRUE(image.damage.empty()) << name << ": " << image.damage;
        ++count;
    }
    return count;
}

} // namespace

TEST(StopPauseResumeStress, RandomHammeringNeverDeadlocksRacesOrHalfWrites)
{
    const auto budget = std::chrono::seconds(EnvironmentNumber("FRAMIRA_STRESS_SECONDS", 2));
    const unsigned long seed = EnvironmentNumber("FRAMIRA_STRESS_SEED", std::random_device{}());
    SCOPED_TRACE("FRAMIRA_STRESS_SEED=" + std::to_string(seed));
    std::mt19937 random(static_cast<std::mt19937::result_type>(seed));

    CScratchFolder in;
    std::vector<std::string> sources;
    for (int folder = 0; folder < 4; ++folder) {
        fs::create_directories(in / ("f" + std::to_string(folder)));
        for (int i = 0; i < 10; ++i) {
            sources.push_back(in / ("f" + std::to_string(folder) + "/p" + std::to_string(i) + ".jpg"));
            WriteJpeg(sources.back(), 12 + i, 8 + folder);
        }
    }

    CFakeEngine engine;
    CTestPlatformServices platform;
    CBatchWorker job;
    const auto start = std::chrono::steady_clock::now();
    int rounds = 0;
    while (rounds < 3 || std::chrono::steady_clock::now() - start < budget) {
        const std::string out = in / (std::to_string(rounds) + ".out");
        fs::create_directories(out);
        job.Reset();
        SetUpPipelineJob(job, platform, out);
        job.presetIndex = 0;  // a small custom screen keeps each picture quick
        job.customWidth = 64;
        job.customHeight = 48;
        // Every group's first picture streams into the engine in pieces of
        // a few rows, while its decoder runs beside the job.
        engine.rowPiece = 3;
        job.engine = engine.Calls();
        job.openStream = [](const std::string& path) { return CPictureStream::Open(path, 3); };
        job.checkFolderGroup = CheckJobFolderGroup;
        job.queue.assign(sources.begin(), sources.end());
        platform.ClearRecords();

        // The window's view of the job, read while it runs.
        std::atomic<bool> watching{true};
        std::thread watcher([&] {
            while (watching) {
                (void)job.GetPictureReports();
                (void)job.IsPaused();
                (void)job.IsHalted();
                std::this_thread::yield();
            }
        });

        ASSERT_TRUE(job.Start());
        const bool stopAsked = random() % 4 != 0;
        const auto stopAt = std::chrono::microseconds(random() % 20000);
        const auto roundStart = std::chrono::steady_clock::now();
        while (job.IsRunning()) {
            switch (random() % 4) {
            case 0: job.Suspend(); break;
            case 1: job.Resume(); break;
            default: std::this_thread::sleep_for(std::chrono::microseconds(random() % 500)); break;
            }
            if (stopAsked && std::chrono::steady_clock::now() - roundStart > stopAt)
                break;
        }
        if (stopAsked)
            job.RequestStop();  // also releases a pause
        else
            job.Resume();
        const bool ended = job.Wait(60000);
        watching = false;
        watcher.join();
        ASSERT_TRUE(ended) << "the job did not end: deadlock";

        ExpectConsistentNotifications(platform.Notifications(), stopAsked, job.picturesWritten, int(sources.size()));
        EXPECT_EQ(CountCompleteOutputs(out), job.picturesWritten);
        EXPECT_EQ(job.GetPictureReports().size(), 0u);
        if (!stopAsked) {
            EXPECT_EQ(job.picturesWritten, int(sources.size()));
        }
        if (HasFailure())
            break;
        ++rounds;
    }
    // The rounds that ran to the end streamed their groups' first pictures.
    std::lock_guard lock(engine.mutex);
    EXPECT_TRUE(std::any_of(engine.runs.begin(), engine.runs.end(),
                            [](const CFakeEngine::CRun& run) { return run.sourcePath.empty(); }));
    RecordProperty("rounds", rounds);
    std::printf("%d rounds\n", rounds);
}
