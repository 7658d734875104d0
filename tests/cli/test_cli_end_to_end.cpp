// framira-batch from the outside: arguments, lines, summary, exit status.
#include "test_cli_support.h"

#include "../app/test_pipeline_support.h"

#include "file_type.h"
#include "sha256.h"

using namespace cli_test;
using pipeline_test::CScratchFolder;

namespace {

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

class CliTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(fs::exists(ProgramPath())) << "build framira-batch first: " << ProgramPath(); }

    CRunResult Run(const std::vector<std::string>& args) { return RunProgram(args, scratch.path); }

    static void ExpectSize(const std::string& path, int width, int height)
    {
        int cols = 0, rows = 0, planes = 0;
        EXPECT_EQ(GetImageInfo(path, cols, rows, planes), kFileTypeJpeg) << path;
        EXPECT_EQ(cols, width) << path;
        EXPECT_EQ(rows, height) << path;
    }

    CScratchFolder scratch, in, out;
};

TEST_F(CliTest, HelpExplainsTheCommand)
{
    const CRunResult r = Run({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(Contains(r.out, "Usage: framira-batch"));
    for (const char* option : {"--preset", "--out", "--subfolder", "--recurse", "--ignore", "--yes", "--no",
                               "Exit status"})
        EXPECT_TRUE(Contains(r.out, option)) << option;
    const CRunResult presets = Run({"--list-presets"});
    EXPECT_EQ(presets.status, 0);
    EXPECT_TRUE(Contains(presets.out, "QSXGA") && Contains(presets.out, "2560x2048"));
}

TEST_F(CliTest, MistakesAreExplainedWithUsageStatus)
{
    struct {
        std::vector<std::string> args;
        const char* says;
    } cases[] = {
        {{}, "no pictures given"},
        {{"--preset", "HDTV", "x.jpg"}, "1280x720"},
        {{"--preset", "0", "x.jpg"}, "current screen"},
        {{"--preset", "17", "x.jpg"}, "1 to 15"},
        {{"--preset", "5x5", "x.jpg"}, "out of range"},
        {{"--out", "a", "--subfolder", "b", "x.jpg"}, "exclude each other"},
        {{"--bogus", "x.jpg"}, "unknown option"},
        {{"--out"}, "needs a value"},
    };
    for (const auto& c : cases) {
        const CRunResult r = Run(c.args);
        EXPECT_EQ(r.status, 64) << c.says;
        EXPECT_TRUE(Contains(r.err, c.says)) << r.err;
    }
    pipeline_test::WriteJpeg(in / "a.jpg", 16, 16);
    const CRunResult missingFolder = Run({"--out", out / "nowhere", in / "a.jpg"});
    EXPECT_EQ(missingFolder.status, 2);
    EXPECT_TRUE(Contains(missingFolder.err, "Selected output folder does not exist"));
}

TEST_F(CliTest, FramesEachPictureAndReportsEveryOne)
{
    pipeline_test::WriteJpegWithExif(in / "photo.jpg", 48, 32, pipeline_test::MakeExifPayload(16));
    pipeline_test::WriteBitmap(in / "scan.dat", 40, 30, 20, 200, 20);  // named oddly: content decides
    pipeline_test::WriteBytes(in / "notes.jpg", {'n', 'o', 't', 'e'});
    const CRunResult r =
        Run({"--preset", "HVGA", "--out", out.path.string(), in / "photo.jpg", in / "scan.dat", in / "notes.jpg",
             in / "gone.jpg"});
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    ExpectSize(out / "photo.jpg", 480, 320);
    ExpectSize(out / "scan.jpg", 480, 320);
    EXPECT_EQ(*pipeline_test::ReadApp1(out / "photo.jpg"), *pipeline_test::ReadApp1(in / "photo.jpg"));
    EXPECT_TRUE(Contains(r.out, "written  " + (out / "photo.jpg")));
    EXPECT_TRUE(Contains(r.out, "written  " + (out / "scan.jpg")));
    EXPECT_TRUE(Contains(r.err, "skipped  " + (in / "notes.jpg") + ": not a picture"));
    EXPECT_TRUE(Contains(r.err, "missing  " + (in / "gone.jpg")));
    EXPECT_TRUE(Contains(r.out, "2 of 3 pictures written, 1 could not be read."));
    EXPECT_FALSE(Contains(r.out, "Analysis complete")) << "the engine's diagnostics stay off the report";
}

TEST_F(CliTest, SubfolderByDefaultAndTheOverwriteQuestionWithoutATerminal)
{
    const std::string trip = in / "Trip";
    fs::create_directories(trip + "/old");
    fs::create_directories(trip + "/inner");
    pipeline_test::WriteJpeg(trip + "/a.jpg", 40, 30);
    pipeline_test::WriteJpeg(trip + "/inner/b.JPEG", 40, 30);
    pipeline_test::WriteJpeg(trip + "/old/c.jpg", 40, 30);
    pipeline_test::WriteBytes(trip + "/readme.txt", {'x'});

    // A size outside the table is a custom screen size.
    const CRunResult first = Run({"--preset", "500x300", "--recurse", "--ignore", "\"old\"; ", trip});
    EXPECT_EQ(first.status, 0) << first.out << first.err;
    ExpectSize(trip + "/Framira_500x300/a.jpg", 500, 300);
    ExpectSize(trip + "/inner/Framira_500x300/b.jpg", 500, 300);
    EXPECT_FALSE(fs::exists(trip + "/old/Framira_500x300"));
    EXPECT_TRUE(Contains(first.out, "2 of 2 pictures written."));

    // Again: the outputs exist and nobody can answer, so the job is refused.
    const auto before = pipeline_test::ReadBytes(trip + "/Framira_500x300/a.jpg");
    const CRunResult second = Run({"--preset", "500x300", trip + "/a.jpg"});
    EXPECT_EQ(second.status, 2);
    EXPECT_TRUE(Contains(second.err, "--yes")) << second.err;
    EXPECT_EQ(pipeline_test::ReadBytes(trip + "/Framira_500x300/a.jpg"), before);

    const CRunResult no = Run({"--no", "--preset", "500x300", trip + "/a.jpg"});
    EXPECT_EQ(no.status, 2);
    const CRunResult yes = Run({"--yes", "--subfolder", "Framira_500x300", "--preset", "500x300", trip + "/a.jpg"});
    EXPECT_EQ(yes.status, 0) << yes.err;
    EXPECT_TRUE(Contains(yes.out, "written  " + trip + "/Framira_500x300/a.jpg"));
}

TEST_F(CliTest, CtrlCStopsAfterTheCurrentPicture)
{
    std::vector<std::string> args = {"--preset", "1", "--out", out.path.string()};
    for (int i = 0; i < 6; ++i) {
        const std::string path = in / ("p" + std::to_string(i) + ".jpg");
        pipeline_test::WriteJpeg(path, 64, 48);
        args.push_back(path);
    }
    CRunningProgram program(args, scratch.path);
    ASSERT_TRUE(program.ReadUntil("written  "));
    program.Signal(SIGINT);
    const CRunResult r = program.Finish();
    EXPECT_EQ(r.status, 2) << r.out << r.err;
    EXPECT_TRUE(Contains(r.out, "stopped by Ctrl-C")) << r.out;
    int pictures = 0;
    for (const auto& entry : fs::directory_iterator(out.path)) {
        if (entry.path().filename() == "Test.txt")
            continue;
        ASSERT_EQ(entry.path().extension(), ".jpg") << entry.path();
        ExpectSize(entry.path().string(), 480, 320);
        ++pictures;
    }
    EXPECT_GE(pictures, 1);
    EXPECT_LT(pictures, 6);
}

} // namespace

TEST_F(CliTest, FramedFilesKeepTheirRecordedBytes)
{
    // One picture with a source block (written through the source's coding)
    // and one without, at two screen sizes in one job each.
    pipeline_test::WriteJpegWithExif(in / "wide.jpg", 600, 400, pipeline_test::MakeExifPayload(16));
    pipeline_test::WriteJpeg(in / "tall.jpg", 200, 300);
    const struct {
        const char* preset;
        const char* wide;
        const char* tall;
    } cases[] = {
        {"HVGA",
         "4818300b8afc0333c374e3b522c70127b976f3d329e7e1065b4ec781eecb0b70",
         "00544b59a1f81e01dc271c6864a1bfb04ec8e9dc1b181b2de2e071e7fd4b37cf"},
        {"VGA",
         "f5fc4531d9e90c32125aa421b8325ff1a25218334a030d7cd2c9e3c5592cc281",
         "b5110d7a6f3accd8b975a082ff995ecf6bd601bce2f1e8ee0ad3b0d291aaad22"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.preset);
        CScratchFolder folder;
        const CRunResult r = Run({"--preset", c.preset, "--out", folder.path.string(), in / "wide.jpg", in / "tall.jpg"});
        ASSERT_EQ(r.status, 0) << r.out << r.err;
        for (const auto& [name, sha] : {std::pair{"wide.jpg", c.wide}, std::pair{"tall.jpg", c.tall}}) {
            const std::vector<std::uint8_t> bytes = pipeline_test::ReadBytes(folder / name);
            EXPECT_EQ(test_support::Sha256Hex(bytes.data(), bytes.size()), sha) << name;
        }
    }
}
