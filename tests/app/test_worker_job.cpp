// A job driven from another thread: stop, pause and resume in the middle of
// a job, and a stop while the worker waits for an answer.
#include "test_pipeline_support.h"

#include "destination_check.h"
#include "output_path.h"
#include "test_platform_services.h"

#include <atomic>

using namespace pipeline_test;

namespace {

class WorkerJobTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        job.Reset();
        engine.runDelay = std::chrono::milliseconds(25);
        job.engine = engine.Calls();
        job.notifyWindow = &platform;
        job.platform = &platform;
        job.checkFolderGroup = CheckJobFolderGroup;
        job.presetIndex = 1;
        job.saveType = kSaveDesignatedFolder;
        job.outputFolder = out.path.string();
        for (int i = 0; i < 8; ++i) {
            const std::string path = in / ("p" + std::to_string(i) + ".jpg");
            WriteJpeg(path, 16, 16);
            job.queue.push_back(path);
        }
    }

    int Count(int message) const
    {
        int n = 0;
        for (int m : platform.NotificationNumbers())
            n += m == message;
        return n;
    }

    // Every file in the output folder is a complete JPEG or the write test.
    void ExpectOnlyCompleteOutputs(int expectedPictures) const
    {
        int pictures = 0;
        for (const auto& entry : fs::directory_iterator(out.path)) {
            const std::string name = entry.path().filename().string();
            ASSERT_EQ(entry.path().extension(), ".jpg") << "stray file " << name;
            CImage image(entry.path(), 0);
            EXPECT_EQ(image.planes, 3) << name;
            ++pictures;
        }
        EXPECT_EQ(pictures, expectedPictures);
    }

    CScratchFolder in, out;
    CFakeEngine engine;
    CTestPlatformServices platform;
    CBatchWorker job;
};

TEST_F(WorkerJobTest, StopFromAnotherThreadCompletesTheCurrentPictureAndEnds)
{
    ASSERT_TRUE(job.Start());
    ASSERT_TRUE(platform.WaitForNotification(UWM_PICTURE_DONE, 10000));
    job.RequestStop();
    ASSERT_TRUE(job.Wait(10000));
    EXPECT_EQ(platform.NotificationNumbers().back(), UWM_STOPPED);
    EXPECT_EQ(Count(UWM_DONE), 0);
    // Every picture started was finished: one written output per result.
    const int written = job.picturesWritten;
    EXPECT_GE(written, 1);
    EXPECT_LT(written, 8);
    ExpectOnlyCompleteOutputs(written);
    EXPECT_FALSE(job.engineReady);
    EXPECT_EQ(engine.ends, engine.inits);
}

TEST_F(WorkerJobTest, PauseHaltsTheJobAndResumeFinishesIt)
{
    ASSERT_TRUE(job.Start());
    ASSERT_TRUE(platform.WaitForNotification(UWM_PICTURE_DONE, 10000));
    ASSERT_TRUE(job.Suspend());
    for (int i = 0; i < 500 && !job.IsHalted(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(job.IsHalted());
    const std::size_t seen = platform.Notifications().size();
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_EQ(platform.Notifications().size(), seen) << "a paused job posts nothing";
    EXPECT_TRUE(job.IsRunning());
    ASSERT_TRUE(job.Resume());
    ASSERT_TRUE(job.Wait(10000));
    EXPECT_EQ(platform.NotificationNumbers().back(), UWM_DONE);
    EXPECT_EQ(job.picturesWritten, 8);
    ExpectOnlyCompleteOutputs(8);
}

TEST_F(WorkerJobTest, StopWhilePausedEndsTheJob)
{
    ASSERT_TRUE(job.Start());
    ASSERT_TRUE(platform.WaitForNotification(UWM_PICTURE_DONE, 10000));
    job.Suspend();
    for (int i = 0; i < 500 && !job.IsHalted(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    job.RequestStop();
    ASSERT_TRUE(job.Wait(10000));
    EXPECT_EQ(platform.NotificationNumbers().back(), UWM_STOPPED);
    ExpectOnlyCompleteOutputs(job.picturesWritten);
}

TEST_F(WorkerJobTest, StopWhileTheWorkerAwaitsTheOverwriteAnswerDoesNotDeadlock)
{
    WriteJpeg(out / "p0.jpg", 8, 8);  // an existing output: the question comes
    const auto before = ReadBytes(out / "p0.jpg");
    std::atomic<bool> asked{false};
    platform.SetQuestionsWaitForStop(true);
    platform.SetMessageBoxHook([&](const CMessageBox&) { asked = true; });
    ASSERT_TRUE(job.Start());
    for (int i = 0; i < 1000 && !asked; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_TRUE(asked);
    // The window's stop: set the flag, then wait without a time limit.
    job.RequestStop();
    ASSERT_TRUE(job.Wait(10000)) << "the question kept the worker from ending";
    const auto boxes = platform.MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].answer, EMessageAnswer::No);
    EXPECT_TRUE(boxes[0].answeredForStop);
    EXPECT_EQ(platform.NotificationNumbers(), (std::vector<int>{UWM_STOPPED}));
    EXPECT_EQ(ReadBytes(out / "p0.jpg"), before);
}

TEST_F(WorkerJobTest, DestroyingARunningJobStopsItFirst)
{
    auto running = std::make_unique<CBatchWorker>();
    running->engine = engine.Calls();
    running->notifyWindow = &platform;
    running->presetIndex = 1;
    running->saveType = kSaveDesignatedFolder;
    running->outputFolder = out.path.string();
    running->queue = job.queue;
    ASSERT_TRUE(running->Start());
    ASSERT_TRUE(platform.WaitForNotification(UWM_PICTURE, 10000));
    running.reset();
    EXPECT_EQ(platform.NotificationNumbers().back(), UWM_STOPPED);
    EXPECT_EQ(engine.ends, engine.inits);
}

} // namespace
