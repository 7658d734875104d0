// The job loop: order, folder groups, progress, notifications, the folder
// check's outcomes and the end of a job.
#include "test_pipeline_support.h"

#include "destination_check.h"
#include "file_type.h"
#include "output_path.h"
#include "test_platform_services.h"
#include "picture_reading.h"

#include <sys/stat.h>

#include <algorithm>

using namespace pipeline_test;

namespace {

std::list<std::string> Sorted(std::list<std::string> paths)
{
    SortPathsNoCase(paths);
    return paths;
}

TEST(JobOrder, PathsSortCaseInsensitivelyAsWholePaths)
{
    EXPECT_EQ(Sorted({"C/B/2.jpg", "c/a/1.jpg", "C/B/1.jpg"}),
              (std::list<std::string>{"c/a/1.jpg", "C/B/1.jpg", "C/B/2.jpg"}));
    EXPECT_EQ(Sorted({"/A/z.jpg", "/A/m/q.jpg", "/A/k.jpg"}),
              (std::list<std::string>{"/A/k.jpg", "/A/m/q.jpg", "/A/z.jpg"}));
    // Equal but for case: the original order stays (adjacent swaps are stable).
    EXPECT_EQ(Sorted({"/x/B.jpg", "/x/b.jpg", "/x/a.jpg"}),
              (std::list<std::string>{"/x/a.jpg", "/x/B.jpg", "/x/b.jpg"}));
    EXPECT_EQ(FolderOfPath("/A/m/q.jpg"), "/A/m");
    EXPECT_EQ(FolderOfPath("q.jpg"), "");
}

class JobTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        job.Reset();
        job.engine = engine.Calls();
        job.notifyWindow = &platform;
        job.platform = &platform;
        job.checkFolderGroup = CheckJobFolderGroup;
        job.presetIndex = 1;
        job.saveType = kSaveDesignatedFolder;
        job.outputFolder = out.path.string();
    }

    // Runs the job to its end on its own thread.
    void RunJob()
    {
        ASSERT_TRUE(job.Start());
        ASSERT_TRUE(job.Wait(20000)) << "the job did not end";
    }

    std::vector<std::pair<int, int>> MessagesAndParams() const
    {
        std::vector<std::pair<int, int>> result;
        for (const auto& n : platform.Notifications())
            result.push_back({n.message, n.param});
        return result;
    }

    CScratchFolder in, out;
    CFakeEngine engine;
    CTestPlatformServices platform;
    CBatchWorker job;
};

TEST_F(JobTest, FolderGroupsFollowTheSortedOrderAndTheFirstOfEachIsAnnounced)
{
    const std::string A = in / "A";
    const std::list<std::string> queue = {A + "/z.jpg", A + "/m/q.jpg", A + "/k.jpg"};
    std::vector<std::list<std::string>> groups;
    job.checkFolderGroup = [&](CBatchWorker&, const std::list<std::string>& group) {
        groups.push_back(group);
        return EGroupDecision::Write;
    };
    job.queue = queue;
    RunJob();
    // Three groups: A, A/m, A again (its destination is checked twice).
    ASSERT_EQ(groups.size(), 3u);
    EXPECT_EQ(groups[0], (std::list<std::string>{A + "/k.jpg"}));
    EXPECT_EQ(groups[1], (std::list<std::string>{A + "/m/q.jpg"}));
    EXPECT_EQ(groups[2], (std::list<std::string>{A + "/z.jpg"}));
    // Nothing there to read: each is announced, then skipped; the last one too.
    std::vector<std::string> announced;
    for (const auto& n : platform.Notifications())
        if (n.message == UWM_PICTURE)
            announced.push_back(n.text);
    EXPECT_EQ(announced, (std::vector<std::string>{A + "/k.jpg", A + "/m/q.jpg", A + "/z.jpg"}));
    EXPECT_EQ(platform.Notifications().back().message, UWM_DONE);
    EXPECT_EQ(job.GetExitCode(), 1);
    EXPECT_TRUE(job.queue.empty());
}

TEST_F(JobTest, FourPicturesMoveTheBarInTruncatedHalves)
{
    fs::create_directories(in / "B");
    fs::create_directories(in / "a");
    WriteJpeg(in / "B/2.jpg", 16, 16);
    WriteJpeg(in / "a/1.jpg", 16, 16);
    WriteJpeg(in / "B/1.jpg", 16, 16);
    WriteJpeg(in / "B/3.jpg", 16, 16);
    job.queue = {in / "B/2.jpg", in / "a/1.jpg", in / "B/1.jpg", in / "B/3.jpg"};
    RunJob();
    const std::vector<std::pair<int, int>> expected = {
        {UWM_PICTURE, 12}, {UWM_PICTURE, 12}, {UWM_PICTURE_DONE, 25},  // a/1
        {UWM_PICTURE, 37}, {UWM_PICTURE, 37}, {UWM_PICTURE_DONE, 50},  // B/1
        {UWM_PICTURE, 62}, {UWM_PICTURE, 62}, {UWM_PICTURE_DONE, 75},  // B/2
        {UWM_PICTURE, 87}, {UWM_PICTURE, 87}, {UWM_PICTURE_DONE, 100}, // B/3
        {UWM_DONE, 100}};
    EXPECT_EQ(MessagesAndParams(), expected);
    const auto n = platform.Notifications();
    EXPECT_EQ(n[0].text, in / "a/1.jpg");
    EXPECT_EQ(n[1].text, out / "1.jpg");
    EXPECT_EQ(n[3].text, in / "B/1.jpg") << "first of the second group";
    EXPECT_EQ(n[6].text, " ");
    EXPECT_EQ(n[7].text, out / "2.jpg");
    EXPECT_EQ(n[8].text, out / "2.jpg") << "the done notice still carries the result";
    EXPECT_EQ(n[12].text, "");
    // Two groups, each opening the engine once and closing it at its end.
    EXPECT_EQ(engine.inits, 2);
    EXPECT_EQ(engine.ends, 2);
    EXPECT_FALSE(job.engineReady);
    // a/1.jpg and B/1.jpg share the name 1.jpg in the designated folder.
    EXPECT_TRUE(fs::exists(out / "1 (2).jpg"));
}

TEST_F(JobTest, UnreadablePicturesAreSkippedAndTheRestIsWritten)
{
    WriteJpeg(in / "good1.jpg", 16, 16);
    WriteBytes(in / "broken.jpg", {0xFF, 0xD8, 0xFF, 0xE0, 0, 4, 0});
    WriteJpeg(in / "good2.jpg", 16, 16);
    job.queue = {in / "good1.jpg", in / "broken.jpg", in / "good2.jpg"};
    RunJob();
    EXPECT_TRUE(fs::exists(out / "good1.jpg"));
    EXPECT_TRUE(fs::exists(out / "good2.jpg"));
    EXPECT_FALSE(fs::exists(out / "broken.jpg"));
    const auto n = platform.Notifications();
    EXPECT_EQ(n.back().message, UWM_DONE);
    int statuses = 0, lastProgress = 0;
    for (const auto& note : n) {
        if (note.message == UWM_STATUS) {
            ++statuses;
            EXPECT_EQ(note.text, "Problems reading " + (in / "broken.jpg") + ": damaged file... skipping.");
        }
        if (note.message == UWM_PICTURE_DONE)
            lastProgress = note.param;
    }
    EXPECT_EQ(statuses, 1);
    EXPECT_LT(lastProgress, 100) << "an unreadable picture adds only its first half";
    EXPECT_EQ(job.picturesWritten, 2);
    EXPECT_EQ(job.picturesFailed, 1);
}

// What the engine keeps for a next run goes back as soon as no run follows
// in the job (beside the encoding of the last output) and again at the job's
// end, never between pictures, which frame in the memory of the one before.
TEST_F(JobTest, EngineMemoryGoesBackOnceNoRunFollows)
{
    fs::create_directories(in / "b");
    WriteJpeg(in / "a1.jpg", 16, 16);
    WriteJpeg(in / "a2.jpg", 16, 16);
    WriteJpeg(in / "b/b1.jpg", 16, 16);
    WriteBytes(in / "z-broken.jpg", {0xFF, 0xD8, 0xFF, 0xE0, 0, 4, 0});
    struct CCase {
        const char* name;
        std::list<std::string> queue;
        bool twoSizes;
        std::vector<std::size_t> releases;  // runs made by then
    };
    const CCase cases[] = {
        {"one picture", {in / "a1.jpg"}, false, {1, 1}},
        {"two folders", {in / "a1.jpg", in / "b/b1.jpg", in / "a2.jpg"}, false, {3, 3}},
        {"two sizes", {in / "a1.jpg", in / "a2.jpg"}, true, {4, 4}},
        {"last one unreadable", {in / "a1.jpg", in / "z-broken.jpg"}, false, {1}},
    };
    for (const CCase& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(out.path);
        fs::create_directories(out.path);
        CFakeEngine fake;
        std::vector<std::size_t> releases;
        SetUp();
        job.engine = fake.Calls();
        job.engine.releaseMemory = [&] { releases.push_back(fake.runs.size()); };
        if (c.twoSizes)
            job.moreTargets.push_back(CJobTarget{3, 0, 0, out / "vga", {}, false});
        job.queue = c.queue;
        RunJob();
        EXPECT_EQ(releases, c.releases);
        EXPECT_EQ(job.picturesWritten, c.twoSizes ? 4 : static_cast<int>(c.releases.front()));
    }
}

TEST_F(JobTest, ANamedPipeWithAPictureNameIsSkippedNotWaitedFor)
{
    // Nobody writes into the pipe: reading it would hold the job for ever.
    ASSERT_EQ(::mkfifo((in / "pipe.jpg").c_str(), 0644), 0);
    WriteJpeg(in / "good.jpg", 16, 16);
    job.queue = {in / "pipe.jpg", in / "good.jpg"};
    RunJob();
    EXPECT_TRUE(fs::exists(out / "good.jpg"));
    EXPECT_FALSE(fs::exists(out / "pipe.jpg"));
    const auto n = platform.Notifications();
    ASSERT_FALSE(n.empty());
    EXPECT_EQ(n.back().message, UWM_DONE);
    int statuses = 0;
    for (const auto& note : n) {
        if (note.message == UWM_STATUS) {
            ++statuses;
            EXPECT_EQ(note.text, "Problems reading " + (in / "pipe.jpg") + ": not a regular file... skipping.");
        }
    }
    EXPECT_EQ(statuses, 1);
    EXPECT_EQ(job.picturesWritten, 1);
}

TEST_F(JobTest, EngineThatCannotBeOpenedEndsTheJobWithDone)
{
    WriteJpeg(in / "a.jpg", 16, 16);
    WriteJpeg(in / "b.jpg", 16, 16);
    engine.initResult = -1;
    job.queue = {in / "a.jpg", in / "b.jpg"};
    RunJob();
    const auto n = platform.Notifications();
    ASSERT_GE(n.size(), 3u);
    EXPECT_EQ(n[1].message, UWM_STATUS);
    EXPECT_EQ(n.back().message, UWM_DONE);
    EXPECT_EQ(n.back().text, "Specklo_Init error -1");
    EXPECT_EQ(engine.inits, 1) << "the second picture is never tried";
    EXPECT_EQ(job.GetExitCode(), 0);
}

TEST_F(JobTest, OverwriteQuestionYesWritesOverAndNoStopsTheJob)
{
    WriteJpeg(in / "a.jpg", 16, 16);
    WriteBytes(out / "a.jpg", {'o', 'l', 'd'});

    platform.QueueAnswer(EMessageAnswer::No);
    job.queue = {in / "a.jpg"};
    RunJob();
    EXPECT_EQ(ReadBytes(out / "a.jpg"), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(platform.Notifications().back().message, UWM_STOPPED);
    ASSERT_EQ(platform.MessageBoxes().size(), 1u);
    EXPECT_EQ(platform.MessageBoxes()[0].box.text.rfind(kOverwriteQuestion, 0), 0u);
    EXPECT_EQ(platform.MessageBoxes()[0].box.buttons, EMessageButtons::YesNo);
    EXPECT_EQ(engine.runs.size(), 0u);
    EXPECT_TRUE(job.queue.empty());

    platform.ClearRecords();
    platform.QueueAnswer(EMessageAnswer::Yes);
    job.Reset();
    job.outputFolder = out.path.string();
    job.queue = {in / "a.jpg"};
    RunJob();
    EXPECT_EQ(platform.Notifications().back().message, UWM_DONE);
    EXPECT_EQ(ReadBytes(out / "a.jpg").size() > 3, true);
    EXPECT_EQ(ReadBytes(out / "a.jpg")[0], 0xFF);
}

TEST_F(JobTest, PresetZeroWithoutAScreenSizeTakesThePlatformsScreenForBoth)
{
    WriteJpeg(in / "a.jpg", 16, 16);
    platform.SetScreenSize({640, 400});
    job.presetIndex = 0;
    job.queue = {in / "a.jpg"};
    RunJob();
    ASSERT_EQ(engine.runs.size(), 1u);
    EXPECT_EQ(engine.runs[0].customWidth, 640);
    EXPECT_EQ(engine.runs[0].customHeight, 400);
    // Asked ahead for the size it runs at, not for the unresolved one.
    ASSERT_EQ(engine.prepares.size(), 1u);
    EXPECT_EQ(engine.prepares[0], (std::array<int, 3>{0, 640, 400}));
    int cols = 0, rows = 0, planes = 0;
    GetImageInfo(out / "a.jpg", cols, rows, planes);
    EXPECT_EQ(cols, 640);
    EXPECT_EQ(rows, 400);
}

// A medium that takes no file.
class CReadOnlyPlatform : public CTestPlatformServices {
public:
    int ProbeWritableFolder(const std::string&) override { return EROFS; }
};

TEST_F(JobTest, FolderThatCannotBeWrittenCostsOnlyItsOwnPictures)
{
    CReadOnlyPlatform readOnly;
    job.notifyWindow = &readOnly;
    job.platform = &readOnly;
    WriteJpeg(in / "a.jpg", 16, 16);
    WriteJpeg(in / "b.jpg", 16, 16);
    job.queue = {in / "a.jpg", in / "b.jpg"};
    RunJob();
    ASSERT_EQ(readOnly.MessageBoxes().size(), 1u) << "one message for the folder";
    EXPECT_EQ(readOnly.MessageBoxes()[0].box.text.rfind(kCannotWriteMessage, 0), 0u);
    EXPECT_EQ(readOnly.MessageBoxes()[0].box.icon, EMessageIcon::Exclamation);
    EXPECT_EQ(readOnly.NotificationNumbers().back(), UWM_DONE) << "the job goes on to its end";
    EXPECT_FALSE(fs::exists(out / "a.jpg"));
    const std::vector<CPictureReport> reports = job.GetPictureReports();
    ASSERT_EQ(std::count_if(reports.begin(), reports.end(),
                            [](const CPictureReport& r) { return r.outcome == EPictureOutcome::Failed; }),
              2);
    CPictureReport report;
    ASSERT_TRUE(job.FindPictureReport(in / "b.jpg", report));
    EXPECT_NE(report.reason.find("cannot write to " + out.path.string() + ": Read-only file system"),
              std::string::npos)
        << report.reason;
}

TEST_F(JobTest, SameStemsInOneFolderGetDistinctOutputs)
{
    WriteJpeg(in / "beach.jpg", 16, 16);
    WriteBitmap(in / "beach.tif", 16, 16, 1, 2, 3);  // content decides: a bitmap
    job.saveType = kSaveSubfolder;
    job.outputFolder = "Framed";
    job.queue = {in / "beach.tif", in / "beach.jpg"};
    RunJob();
    EXPECT_TRUE(fs::exists(in / "Framed/beach.jpg"));
    EXPECT_TRUE(fs::exists(in / "Framed/beach (2).jpg"));
    EXPECT_TRUE(platform.MessageBoxes().empty()) << "no output existed before the job";
    // Run again: both exist now, so the question is asked once for the group.
    platform.ClearRecords();
    platform.QueueAnswer(EMessageAnswer::Yes);
    job.Reset();
    job.saveType = kSaveSubfolder;
    job.outputFolder = "Framed";
    job.queue = {in / "beach.tif", in / "beach.jpg"};
    RunJob();
    EXPECT_EQ(platform.MessageBoxes().size(), 1u);
    EXPECT_FALSE(fs::exists(in / "Framed/beach (3).jpg"));
}

} // namespace
