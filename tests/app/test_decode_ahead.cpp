// The next picture is decoded while the current one is framed: whatever the
// decoding times, the job's outputs, reports and notifications stay those of
// one picture after another; a stop drops the picture decoded ahead, and a
// pause lets no decoding start.
#include "test_pipeline_support.h"

#include "destination_check.h"

#include <atomic>
#include <condition_variable>
#include <map>

using namespace pipeline_test;

namespace {

// Stands in for the job's decoding: records which sources were decoded (on
// any thread) and holds some of them up, then decodes for real.
class CTimedDecode {
public:
    std::function<CDecodedPicture(const std::string&)> Calls()
    {
        return [this](const std::string& path) {
            std::chrono::milliseconds delay{0};
            {
                std::lock_guard guard(lock);
                if (const auto it = delays.find(path); it != delays.end())
                    delay = it->second;
            }
            std::this_thread::sleep_for(delay);
            CDecodedPicture picture = DecodePicture(path);
            {
                std::lock_guard guard(lock);
                decoded.push_back(path);
                if (onDecoded)
                    onDecoded(path);
            }
            changed.notify_all();
            return picture;
        };
    }

    std::vector<std::string> Decoded()
    {
        std::lock_guard guard(lock);
        return decoded;
    }

    bool WaitUntilDecoded(const std::string& path)
    {
        std::unique_lock guard(lock);
        return changed.wait_for(guard, std::chrono::seconds(10), [&] {
            return std::find(decoded.begin(), decoded.end(), path) != decoded.end();
        });
    }

    std::map<std::string, std::chrono::milliseconds> delays;  // set before the job starts
    std::function<void(const std::string&)> onDecoded;         // called under the lock

private:
    std::mutex lock;
    std::condition_variable changed;
    std::vector<std::string> decoded;
};

class DecodeAheadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        job.Reset();
        job.engine = engine.Calls();
        job.decode = decode.Calls();
        job.notifyWindow = &platform;
        job.platform = &platform;
        job.checkFolderGroup = CheckJobFolderGroup;
        job.presetIndex = 1;
        job.saveType = kSaveDesignatedFolder;
        job.outputFolder = out.path.string();
    }

    std::string Picture(const std::string& name)
    {
        const std::string path = in / name;
        WriteJpeg(path, 16, 16);
        return path;
    }

    std::vector<std::string> OutputNames() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(out.path))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    CScratchFolder in, out;
    CFakeEngine engine;
    CTimedDecode decode;
    CTestPlatformServices platform;
    CBatchWorker job;
};

TEST_F(DecodeAheadTest, SlowAndQuickDecodingsKeepTheOrderOfOnePictureAfterAnother)
{
    // A slow picture after a quick one and the other way round, an unreadable
    // one among them, framing slower and quicker than decoding.
    const std::string p0 = Picture("p0.jpg"), p1 = Picture("p1.jpg"), p3 = Picture("p3.jpg"),
                      p4 = Picture("p4.jpg");
    const std::string broken = in / "p2.jpg";
    WriteBytes(broken, {0xFF, 0xD8, 0xFF, 0xE0, 0, 4, 0});
    decode.delays = {{p1, std::chrono::milliseconds(120)}, {broken, std::chrono::milliseconds(60)},
                     {p4, std::chrono::milliseconds(90)}};
    engine.runDelay = std::chrono::milliseconds(30);
    job.queue = {p4, p3, broken, p1, p0};
    ASSERT_TRUE(job.Start());
    ASSERT_TRUE(job.Wait(20000));

    const std::string o = out.path.string();
    const std::vector<CNotification> expected = {
        {UWM_PICTURE, 10, p0}, {UWM_PICTURE, 10, o + "/p0.jpg"}, {UWM_PICTURE_DONE, 20, o + "/p0.jpg"},
        {UWM_PICTURE, 30, " "}, {UWM_PICTURE, 30, o + "/p1.jpg"}, {UWM_PICTURE_DONE, 40, o + "/p1.jpg"},
        {UWM_PICTURE, 50, " "}, {UWM_STATUS, 0, "Problems reading " + broken + ": damaged file... skipping."},
        {UWM_PICTURE, 60, " "}, {UWM_PICTURE, 60, o + "/p3.jpg"}, {UWM_PICTURE_DONE, 70, o + "/p3.jpg"},
        {UWM_PICTURE, 80, " "}, {UWM_PICTURE, 80, o + "/p4.jpg"}, {UWM_PICTURE_DONE, 90, o + "/p4.jpg"},
        {UWM_DONE, 100, ""}};
    const std::vector<CNotification> seen = platform.Notifications();
    ASSERT_EQ(seen.size(), expected.size());
    for (std::size_t i = 0; i < seen.size(); ++i) {
        EXPECT_EQ(NotificationName(seen[i].message), NotificationName(expected[i].message)) << i;
        EXPECT_EQ(seen[i].param, expected[i].param) << i;
        EXPECT_EQ(seen[i].text, expected[i].text) << i;
    }
    ASSERT_EQ(engine.runs.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_EQ(engine.runs[i].sourcePath, (std::vector<std::string>{p0, p1, p3, p4})[i]);
    EXPECT_EQ(decode.Decoded(), (std::vector<std::string>{p0, p1, broken, p3, p4}));
    const std::vector<CPictureReport> reports = job.GetPictureReports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].source, broken);
    EXPECT_EQ(reports[0].outcome, EPictureOutcome::Unreadable);
    EXPECT_EQ(OutputNames(), (std::vector<std::string>{"p0.jpg", "p1.jpg", "p3.jpg", "p4.jpg"}));
    EXPECT_EQ(engine.inits, 1) << "one group, one opening";
}

TEST_F(DecodeAheadTest, AStopDropsThePictureDecodedAhead)
{
    const std::string p0 = Picture("p0.jpg"), p1 = Picture("p1.jpg"), p2 = Picture("p2.jpg");
    job.queue = {p0, p1, p2};
    // The stop comes while the first picture is framed, once the second is
    // decoded and waiting.
    CFakeEngine slow;
    CEngineCalls calls = slow.Calls();
    job.engine = calls;
    job.engine.run = [&, run = calls.run](void* input, unsigned char* output, float strength, std::int32_t bits,
                                          std::int32_t w, std::int32_t h, float scale, const void* path,
                                          std::int32_t preset, std::int32_t cw, std::int32_t ch) {
        EXPECT_TRUE(decode.WaitUntilDecoded(p1));
        job.RequestStop();
        return run(input, output, strength, bits, w, h, scale, path, preset, cw, ch);
    };
    ASSERT_TRUE(job.Start());
    ASSERT_TRUE(job.Wait(20000));

    const std::string o = out.path.string();
    EXPECT_EQ(platform.NotificationNumbers(), (std::vector<int>{UWM_PICTURE, UWM_PICTURE, UWM_STOPPED}));
    EXPECT_EQ(platform.Notifications()[1].text, o + "/p0.jpg");
    EXPECT_EQ(OutputNames(), (std::vector<std::string>{"p0.jpg"}));
    EXPECT_EQ(job.picturesWritten, 1);
    EXPECT_TRUE(job.GetPictureReports().empty());
    EXPECT_EQ(slow.runs.size(), 1u);
    EXPECT_EQ(decode.Decoded(), (std::vector<std::string>{p0, p1})) << "nothing decoded after the stop";
    EXPECT_EQ(slow.ends, slow.inits);
}

TEST_F(DecodeAheadTest, NoDecodingStartsWhilePaused)
{
    const std::string p0 = Picture("p0.jpg"), p1 = Picture("p1.jpg"), p2 = Picture("p2.jpg");
    job.queue = {p0, p1, p2};
    // The pause comes as the first picture is read, before the second is
    // asked for: the helper must wait for the resume.
    decode.onDecoded = [&](const std::string& path) {
        if (path == p0)
            job.Suspend();
    };
    ASSERT_TRUE(job.Start());
    for (int i = 0; i < 500 && !job.IsHalted(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(job.IsHalted());
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_EQ(decode.Decoded(), (std::vector<std::string>{p0})) << "a paused job decoded ahead";
    EXPECT_TRUE(engine.runs.empty());
    EXPECT_TRUE(job.IsHalted());

    ASSERT_TRUE(job.Resume());
    ASSERT_TRUE(job.Wait(20000));
    EXPECT_EQ(platform.NotificationNumbers().back(), UWM_DONE);
    EXPECT_EQ(OutputNames(), (std::vector<std::string>{"p0.jpg", "p1.jpg", "p2.jpg"}));
    EXPECT_EQ(decode.Decoded(), (std::vector<std::string>{p0, p1, p2}));
}

} // namespace
