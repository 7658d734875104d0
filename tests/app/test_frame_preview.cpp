// A picture framed into memory for a look before a job: its size in the
// preview box, why it fails, that it leaves a job's outputs as they were,
// and that only the latest request of the previewer is delivered.
#include "test_pipeline_support.h"

#include "frame_preview.h"

#include <atomic>
#include <condition_variable>

using namespace pipeline_test;

namespace {

TEST(FramePreview, FramesAtTheChosenSizeScaledToTheBoxOrSaysWhyNot)
{
    CScratchFolder in;
    WriteBitmap(in / "red.bmp", 96, 64, 200, 30, 30);
    WriteJpeg(in / "tall.jpg", 40, 90);
    std::ofstream(in / "notes.jpg") << "not a picture";
    const struct {
        std::string file;
        int preset, customWidth, customHeight, boxWidth, boxHeight;
        int width, height;  // 0 × 0: no picture, with a reason
        bool redCentre;
    } cases[] = {
        {"red.bmp", 1, 0, 0, 746, 374, 561, 374, true},   // 480 × 320 fills the box's height
        {"red.bmp", 1, 0, 0, 300, 300, 300, 200, true},   // ... or its width
        {"tall.jpg", 0, 800, 1000, 400, 400, 320, 400, false},  // the screen's own size for row 0
        {"notes.jpg", 1, 0, 0, 746, 374, 0, 0, false},
        {"gone.jpg", 1, 0, 0, 746, 374, 0, 0, false},
        {"red.bmp", 0, 12, 12, 746, 374, 0, 0, false},     // the print would not show
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file + " at row " + std::to_string(c.preset));
        CFramePreviewRequest request{in / c.file, c.preset, c.customWidth, c.customHeight, 1.75f, c.boxWidth,
                                     c.boxHeight};
        const CFramedPreview preview = FramePreview(request);
        if (c.width == 0) {
            EXPECT_EQ(preview.picture, nullptr);
            EXPECT_FALSE(preview.reason.empty());
            continue;
        }
        ASSERT_NE(preview.picture, nullptr) << preview.reason;
        EXPECT_EQ(preview.picture->planes, 3);
        EXPECT_EQ(preview.picture->cols, c.width);
        EXPECT_EQ(preview.picture->rows, c.height);
        if (c.redCentre) {
            const CImage& p = *preview.picture;
            const std::size_t i = std::size_t(p.rows / 2) * p.cols + p.cols / 2;
            EXPECT_GT(p.plane[0][i], 150) << "the print lies in the middle of the mat";
            EXPECT_LT(p.plane[1][i], 80);
        }
    }
}

TEST(FramePreview, LeavesTheJobsOutputsAsTheyWere)
{
    // The engine keeps global state between runs: a look in between must
    // not change what a job writes.
    CScratchFolder in, first, second;
    WriteJpeg(in / "p.jpg", 120, 80);
    WriteJpeg(in / "q.jpg", 50, 90);
    CTestPlatformServices platform;
    auto frame = [&](const fs::path& folder) {
        CBatchWorker job;
        SetUpPipelineJob(job, platform, folder.string());
        EXPECT_EQ(FramePicture(job, in / "p.jpg"), EJobResult::PictureWritten);
        job.CloseEngine();
        return WithoutSourceMark(ReadBytes(folder / "p.jpg"));
    };
    const std::vector<std::uint8_t> before = frame(first.path);
    ASSERT_NE(FramePreview({in / "q.jpg", 12, 0, 0, 0.6f, 746, 374}).picture, nullptr);
    EXPECT_EQ(frame(second.path), before);
}

TEST(FramePreviewer, OnlyTheLatestRequestIsDeliveredAndCancelWaitsForTheEngine)
{
    CScratchFolder in;
    WriteJpeg(in / "a.jpg", 60, 40);
    std::mutex lock;
    std::condition_variable changed;
    int entered = 0;
    bool open = false;
    std::vector<std::uint64_t> delivered;
    CFramePreviewer previewer([&](std::uint64_t ticket, CFramedPreview) {
        std::lock_guard<std::mutex> guard(lock);
        delivered.push_back(ticket);
        changed.notify_all();
    });
    // An engine that holds every run until it is let go.
    previewer.engine.init = [](std::int32_t, std::int32_t, std::int32_t) { return 0; };
    previewer.engine.allocate = [] { return 0; };
    previewer.engine.end = [] { return 0; };
    previewer.engine.run = [&](void*, unsigned char*, float, std::int32_t, std::int32_t, std::int32_t, float,
                               const void*, std::int32_t, std::int32_t, std::int32_t) {
        std::unique_lock<std::mutex> guard(lock);
        ++entered;
        changed.notify_all();
        changed.wait(guard, [&] { return open; });
        open = false;
        return 0;
    };
    auto letGo = [&] {
        std::lock_guard<std::mutex> guard(lock);
        open = true;
        changed.notify_all();
    };
    auto waitFor = [&](auto done) {
        std::unique_lock<std::mutex> guard(lock);
        return changed.wait_for(guard, std::chrono::seconds(60), done);
    };

    previewer.Request({in / "a.jpg", 1, 0, 0, 1.75f, 300, 200});
    ASSERT_TRUE(waitFor([&] { return entered == 1; }));
    // Newer requests while the first frames: the middle one is never framed.
    previewer.Request({in / "a.jpg", 2, 0, 0, 1.75f, 300, 200});
    const std::uint64_t latest = previewer.Request({in / "a.jpg", 3, 0, 0, 1.75f, 300, 200});
    letGo();
    ASSERT_TRUE(waitFor([&] { return entered == 2; }));
    letGo();
    ASSERT_TRUE(waitFor([&] { return !delivered.empty(); }));
    EXPECT_EQ(delivered, std::vector<std::uint64_t>{latest});

    // Cancelling while the engine frames returns once the run is over, and
    // delivers nothing.
    previewer.Request({in / "a.jpg", 1, 0, 0, 1.75f, 300, 200});
    ASSERT_TRUE(waitFor([&] { return entered == 3; }));
    std::atomic<bool> released = false;
    std::thread releaser([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        released = true;
        letGo();
    });
    previewer.CancelAndWait();
    EXPECT_TRUE(released);
    releaser.join();
    EXPECT_EQ(delivered.size(), 1u);
}

} // namespace
