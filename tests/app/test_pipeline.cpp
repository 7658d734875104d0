// The per-image pipeline with an engine stand-in: engine openings, the run's
// arguments, buffer sizes, output names, writer choice, status texts.
#include "test_pipeline_support.h"

#include "file_type.h"
#include "output_path.h"
#include "test_platform_services.h"
#include "picture_reading.h"

using namespace pipeline_test;

namespace {

class PipelineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        job.engine = engine.Calls();
        SetUpPipelineJob(job, platform, out.path.string());
    }

    std::optional<EJobResult> Frame(const std::string& source) { return FramePicture(job, source); }

    CScratchFolder in, out;
    CFakeEngine engine;
    CTestPlatformServices platform;
    CBatchWorker job;
};

TEST_F(PipelineTest, SamePixelCountSharesOneEngineOpeningAndANewCountReopens)
{
    WriteJpeg(in / "a.jpg", 40, 30);
    WriteJpeg(in / "b.jpg", 30, 40);
    WriteJpeg(in / "c.jpg", 32, 24);
    EXPECT_EQ(Frame(in / "a.jpg"), EJobResult::PictureWritten);
    EXPECT_EQ(Frame(in / "b.jpg"), EJobResult::PictureWritten);
    EXPECT_EQ(engine.inits, 1);
    EXPECT_EQ(Frame(in / "c.jpg"), EJobResult::PictureWritten);
    EXPECT_EQ(engine.inits, 2);
    EXPECT_EQ(engine.allocates, 2);
    // Reopening ends the open engine first.
    EXPECT_EQ(engine.ends, 1);
    EXPECT_EQ(engine.initSizes[1], (std::pair<int, int>{32, 24}));
    EXPECT_EQ(job.lastWidth, 32);
    EXPECT_EQ(job.lastHeight, 24);
    // Input: room for planes x cols x rows x 2 (a smaller picture keeps the
    // block of a larger one before it); output: at least 18,000,000 bytes.
    EXPECT_EQ(job.engineInput.Size(), std::size_t(3 * 40 * 30 * 2));
    EXPECT_EQ(job.engineOutput.Size(), kMinimumEngineOutputBytes);

    job.CloseEngine();
    EXPECT_EQ(engine.ends, 2);
    EXPECT_FALSE(job.engineReady);
    EXPECT_TRUE(job.engineInput.Empty());
    EXPECT_EQ(job.inputImage, nullptr);
    job.CloseEngine();
    EXPECT_EQ(engine.ends, 2) << "a closed engine is not ended twice";
}

TEST_F(PipelineTest, RunGetsTheElevenArguments)
{
    WriteJpeg(in / "a.jpg", 40, 30);
    job.presetIndex = 0;
    job.customWidth = 333;
    job.customHeight = 222;
    ASSERT_EQ(Frame(in / "a.jpg"), EJobResult::PictureWritten);
    ASSERT_EQ(engine.runs.size(), 1u);
    const auto& run = engine.runs[0];
    EXPECT_FLOAT_EQ(run.strength, 1.75f);
    EXPECT_EQ(run.bits, 8);
    EXPECT_EQ(run.width, 40);
    EXPECT_EQ(run.height, 30);
    EXPECT_FLOAT_EQ(run.scale, 1.0f);
    EXPECT_EQ(run.sourcePath, in / "a.jpg");
    EXPECT_EQ(run.presetIndex, 0);
    EXPECT_EQ(run.customWidth, 333);
    EXPECT_EQ(run.customHeight, 222);
    // Preset 0: the output image takes the same custom size as the engine.
    int cols = 0, rows = 0, planes = 0;
    GetImageInfo(out / "a.jpg", cols, rows, planes);
    EXPECT_EQ(cols, 333);
    EXPECT_EQ(rows, 222);
}

TEST_F(PipelineTest, SixteenBitPicturesRunWithSixteenBitsInTheirInterleavedOrder)
{
    WriteJpeg(in / "a.jpg", 4, 2);
    ASSERT_TRUE(job.LoadPicture(in / "a.jpg"));
    // Replace the picture by a 16-bit one of the same size.
    CImage words(4, 2, 3, kSampleWord);
    for (int p = 0; p < 3; ++p)
        for (int i = 0; i < 8; ++i)
            reinterpret_cast<std::uint16_t*>(words.plane[p])[i] = std::uint16_t(0x1000 * (p + 1) + i);
    *job.inputImage = std::move(words);
    ASSERT_EQ(job.RunAndSave(4, 2, in / "a.jpg"), EJobResult::PictureWritten);
    ASSERT_EQ(engine.runs.size(), 1u);
    EXPECT_EQ(engine.runs[0].bits, 16);
    // First pixel R, G, B as host-order words.
    const std::uint16_t expected[3] = {0x1000, 0x2000, 0x3000};
    EXPECT_EQ(0, std::memcmp(engine.runs[0].firstSamples.data(), expected, 6));
    EXPECT_GE(job.engineInput.Size(), std::size_t(4 * 2 * 3 * 2));
}

TEST_F(PipelineTest, HeaderSizeThatDisagreesWithTheRasterNeverOverrunsTheInputBuffer)
{
    WriteJpeg(in / "a.jpg", 40, 30);
    ASSERT_TRUE(job.LoadPicture(in / "a.jpg"));
    // A caller passing a far larger size than the decoded raster.
    ASSERT_EQ(job.RunAndSave(4000, 3000, in / "a.jpg"), EJobResult::PictureWritten);
    EXPECT_EQ(engine.runs[0].width, 40);
    EXPECT_EQ(engine.runs[0].height, 30);
    EXPECT_GE(job.engineInput.Size(), std::size_t(40 * 30 * 3));
}

TEST_F(PipelineTest, OutputBufferCoversALargeCustomScreen)
{
    WriteJpeg(in / "a.jpg", 16, 16);
    job.presetIndex = 0;
    job.customWidth = 4000;
    job.customHeight = 2000;  // 24,000,000 bytes of output
    ASSERT_EQ(Frame(in / "a.jpg"), EJobResult::PictureWritten);
    EXPECT_GE(job.engineOutput.Size(), std::size_t(4000 * 2000 * 3));
}

TEST_F(PipelineTest, LargestPresetGivesItsSize)
{
    WriteJpeg(in / "a.jpg", 16, 16);
    job.presetIndex = 9;
    ASSERT_EQ(Frame(in / "a.jpg"), EJobResult::PictureWritten);
    int cols = 0, rows = 0, planes = 0;
    GetImageInfo(out / "a.jpg", cols, rows, planes);
    EXPECT_EQ(cols, 2560);
    EXPECT_EQ(rows, 2048);
    EXPECT_EQ(planes, 3);
}

TEST_F(PipelineTest, EngineThatCannotBeOpenedReportsItsCode)
{
    WriteJpeg(in / "a.jpg", 16, 16);
    engine.initResult = -1;
    EXPECT_EQ(Frame(in / "a.jpg"), EJobResult::EngineCannotOpen);
    EXPECT_EQ(job.statusText, "Specklo_Init error -1");
    EXPECT_FALSE(job.engineReady);
    ASSERT_FALSE(platform.Notifications().empty());
    EXPECT_EQ(platform.Notifications().back().message, UWM_STATUS);
    EXPECT_EQ(platform.Notifications().back().text, "Specklo_Init error -1");

    engine.initResult = 0;
    engine.allocateResult = 5;
    job.engineInput.Free();
    EXPECT_EQ(Frame(in / "a.jpg"), EJobResult::EngineCannotOpen);
    EXPECT_EQ(job.statusText, "Specklo_Allocate error 5");
    EXPECT_FALSE(fs::exists(out / "a.jpg"));
}

TEST_F(PipelineTest, PictureTooLargeForMemoryIsSkippedAndTheNextOneFrames)
{
    WriteJpeg(in / "big.jpg", 64, 64);
    WriteJpeg(in / "small.jpg", 16, 16);
    job.engineMemoryLimit = kMinimumEngineOutputBytes;
    job.presetIndex = 0;
    job.customWidth = 3000;
    job.customHeight = 3000;  // 27,000,000 output bytes: over the limit
    EXPECT_EQ(Frame(in / "big.jpg"), EJobResult::WritingFailed);
    const auto notes = platform.Notifications();
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[0].message, UWM_STATUS);
    EXPECT_EQ(notes[0].text, "Memory Allocation failed!");
    EXPECT_EQ(notes[1].message, UWM_PICTURE);
    EXPECT_EQ(notes[1].text, "Problems writing image " + (out / "big.jpg"));
    EXPECT_EQ(engine.inits, 0);
    EXPECT_EQ(job.lastWidth, -1);
    job.customWidth = 300;
    job.customHeight = 200;
    EXPECT_EQ(Frame(in / "small.jpg"), EJobResult::PictureWritten);
}

TEST_F(PipelineTest, FailedEngineRunWritesNothing)
{
    WriteJpeg(in / "a.jpg", 16, 16);
    engine.runResult = 1;
    EXPECT_EQ(Frame(in / "a.jpg"), EJobResult::WritingFailed);
    EXPECT_EQ(job.statusText, "Problems writing image " + (out / "a.jpg"));
    EXPECT_FALSE(fs::exists(out / "a.jpg"));
    engine.runResult = 0;
    EXPECT_EQ(Frame(in / "a.jpg"), EJobResult::PictureWritten) << "the next picture is framed as usual";
}

TEST_F(PipelineTest, UnreadableFileIsSkippedWithItsMessage)
{
    WriteBytes(in / "notes.jpg", {'h', 'e', 'l', 'l', 'o'});
    EXPECT_FALSE(job.LoadPicture(in / "notes.jpg"));
    EXPECT_EQ(job.inputImage, nullptr);
    EXPECT_EQ(job.statusText, "Problems reading " + (in / "notes.jpg") + ": unknown format... skipping.");
    const auto notes = platform.Notifications();
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].message, UWM_STATUS);
    EXPECT_EQ(notes[0].param, 0);
    EXPECT_FALSE(job.LoadPicture(in / "missing.jpg"));
    EXPECT_TRUE(fs::is_empty(out.path));
}

TEST_F(PipelineTest, WriteFailureIsReportedWithTheOutputPathAndLeavesNoFile)
{
    WriteJpeg(in / "a.jpg", 16, 16);
    job.outputFolder = out / "missing";
    EXPECT_EQ(Frame(in / "a.jpg"), EJobResult::WritingFailed);
    EXPECT_EQ(job.statusText, "Problems writing image " + (out / "missing") + "/a.jpg");
    EXPECT_EQ(platform.Notifications().back().message, UWM_PICTURE);
    EXPECT_FALSE(fs::exists(out / "missing"));
}

TEST_F(PipelineTest, SubfolderIsCreatedBesideTheSourceAndTheNameKeepsItsInnerFullStops)
{
    const std::string trip = in / "Photos/Trip";
    fs::create_directories(trip);
    WriteJpeg(trip + "/img_001.JPG", 16, 16);
    WriteBitmap(trip + "/holiday.final.BMP", 16, 16, 10, 200, 30);
    job.saveType = kSaveSubfolder;
    job.outputFolder = "Framira_480x320";
    EXPECT_EQ(Frame(trip + "/img_001.JPG"), EJobResult::PictureWritten);
    EXPECT_EQ(job.statusText, trip + "/Framira_480x320/img_001.jpg");
    EXPECT_EQ(Frame(trip + "/holiday.final.BMP"), EJobResult::PictureWritten);
    EXPECT_TRUE(fs::exists(trip + "/Framira_480x320/holiday.final.jpg"));
    const auto notes = platform.Notifications();
    EXPECT_EQ(notes.back().message, UWM_PICTURE);
    EXPECT_EQ(notes.back().text, trip + "/Framira_480x320/holiday.final.jpg");
}

TEST_F(PipelineTest, JpegSourceLendsItsExifBlockByteForByte)
{
    const std::vector<std::uint8_t> payload = MakeExifPayload(8);
    WriteJpegWithExif(in / "a.jpeg", 24, 16, payload);
    const auto sourceBlock = ReadApp1(in / "a.jpeg");
    ASSERT_TRUE(sourceBlock.has_value());
    ASSERT_EQ(Frame(in / "a.jpeg"), EJobResult::PictureWritten);
    const auto outputBlock = ReadApp1(out / "a.jpg");
    ASSERT_TRUE(outputBlock.has_value());
    EXPECT_EQ(*outputBlock, *sourceBlock);
    EXPECT_EQ(ReadComment(out / "a.jpg"), std::string("Brevant, Inc.\0", 14));
}

TEST_F(PipelineTest, OtherSourcesTakeThePlainWriter)
{
    WriteBitmap(in / "b.bmp", 16, 16, 200, 20, 20);
    WriteJpeg(in / "plain.jpg", 16, 16);  // a JPEG without APP1
    // A JPEG with a block under another extension: the block is not carried.
    WriteJpegWithExif(in / "odd.jfif", 16, 16, MakeExifPayload());
    ASSERT_EQ(Frame(in / "b.bmp"), EJobResult::PictureWritten);
    ASSERT_EQ(Frame(in / "plain.jpg"), EJobResult::PictureWritten);
    ASSERT_EQ(Frame(in / "odd.jfif"), EJobResult::PictureWritten);
    for (const char* name : {"b.jpg", "plain.jpg", "odd.jpg"}) {
        EXPECT_FALSE(ReadApp1(out / name).has_value()) << name;
        EXPECT_EQ(ReadComment(out / name), std::string("Brevant Inc.\0", 13)) << name;
    }
}

TEST_F(PipelineTest, BitmapContentUnderAJpegNameFramesThroughThePlainWriter)
{
    // Content decides: a bitmap named .jpg is read as a bitmap, and the
    // writer that needs a JPEG source is not asked to read it.
    WriteBitmap(in / "fake.jpg", 16, 16, 1, 2, 3);
    ASSERT_EQ(Frame(in / "fake.jpg"), EJobResult::PictureWritten);
    EXPECT_EQ(ReadComment(out / "fake.jpg"), std::string("Brevant Inc.\0", 13));
}

TEST_F(PipelineTest, SourceIsNeverOverwrittenAndSameStemsGetDistinctNames)
{
    // The designated folder is the source folder itself.
    WriteJpeg(in / "beach.jpg", 16, 16);
    WriteBitmap(in / "beach.bmp", 16, 16, 0, 0, 255);
    const auto sourceBytes = ReadBytes(in / "beach.jpg");
    job.outputFolder = in.path.string();
    job.queue = {in / "beach.bmp", in / "beach.jpg"};
    ASSERT_EQ(Frame(in / "beach.bmp"), EJobResult::PictureWritten);
    EXPECT_EQ(job.statusText, in / "beach (2).jpg");
    ASSERT_EQ(Frame(in / "beach.jpg"), EJobResult::PictureWritten);
    EXPECT_EQ(job.statusText, in / "beach (3).jpg");
    EXPECT_EQ(ReadBytes(in / "beach.jpg"), sourceBytes);
}

TEST(OutputPath, NamesFollowTheSource)
{
    const CSourceName name = SplitSourceName("/scans/holiday.final.TIF");
    EXPECT_EQ(name.stem, "holiday.final");
    EXPECT_EQ(name.extension, ".tif");
    EXPECT_EQ(SplitSourceName("/scans/README").extension, "");
    EXPECT_EQ(SplitSourceName("/scans/README").stem, "README");
    EXPECT_EQ(SplitSourceName("/a.b/c").stem, "c") << "a full stop in a folder name is not an extension";

    EXPECT_EQ(BuildOutputFolder(kSaveSubfolder, "Framira_1024x768", "/Photos/Trip/img_001.JPG"),
              "/Photos/Trip/Framira_1024x768/");
    EXPECT_EQ(BuildOutputFolder(kSaveDesignatedFolder, "/Out", "/Photos/Trip/img_001.JPG"), "/Out/");
    EXPECT_EQ(BuildOutputFolder(kSaveDesignatedFolder, "/Out//", "/x.jpg"), "/Out/");
    EXPECT_EQ(BuildOutputFolder(kSaveSubfolder, "F", "x.jpg"), "./F/");
    EXPECT_EQ(BuildOutputPath("/Out/", "/Photos/img_001.JPG"), "/Out/img_001.jpg");

    const std::string longName(300, 'n');
    const std::string longExtension = "." + std::string(100, 'E');
    EXPECT_EQ(BuildOutputPath("/o/", "/p/" + longName + longExtension), "/o/" + longName + ".jpg");
    EXPECT_EQ(SplitSourceName("/p/a" + longExtension).extension, "." + std::string(100, 'e'));
}

} // namespace
