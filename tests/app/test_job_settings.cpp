// A job set up from the front ends' one settings value: a second job from
// the same window must not inherit anything of the first.
#include "batch_worker.h"
#include "job_settings.h"
#include "test_platform_services.h"

#include <gtest/gtest.h>

TEST(JobSettings, SecondJobKeepsNothingOfTheFirst)
{
    CTestPlatformServices platform;
    CBatchWorker job;
    CJobSettings first;
    first.queue = {"/nowhere/a.jpg", "/nowhere/b.jpg"};
    first.saveType = kSaveDesignatedFolder;
    first.outputFolder = "/nowhere/out";
    first.presetIndex = 0;
    first.customWidth = 800;
    first.customHeight = 600;
    first.strength = 2.0f;
    first.keepUnmarkedFiles = true;
    SetUpJob(job, first, platform, platform);
    EXPECT_TRUE(job.keepUnmarkedFiles);
    EXPECT_TRUE(job.outputsPlanned) << "leaving out pictures plans the outputs";
    job.statusText = "left over";

    CJobSettings second;
    second.queue = {"/elsewhere/c.jpg"};
    second.outputFolder = "Framed";
    SetUpJob(job, second, platform, platform);
    EXPECT_EQ(job.queue, second.queue);
    EXPECT_EQ(job.saveType, kSaveSubfolder);
    EXPECT_EQ(job.outputFolder, "Framed");
    EXPECT_EQ(job.presetIndex, 12);
    EXPECT_EQ(job.strength, 0.0f);
    EXPECT_FALSE(job.keepUnmarkedFiles);
    EXPECT_FALSE(job.outputsPlanned);
    EXPECT_TRUE(job.statusText.empty());
    EXPECT_EQ(job.platform, &platform);
    EXPECT_EQ(job.notifyWindow, &platform);
    EXPECT_TRUE(job.checkFolderGroup) << "every folder group is checked before it is written";
}
