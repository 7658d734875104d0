// framira-batch from the outside: arguments, lines, summary, exit status.
#include "test_cli_support.h"

#include "../app/test_pipeline_support.h"

#include "file_type.h"
#include "sha256.h"
#include "picture_reading.h"

#include <map>

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
                               "--threads", "Exit status"})
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
        {{"--preset", "5x5", "x.jpg"}, "too small to show the photograph"},
        {{"--out", "a", "--subfolder", "b", "x.jpg"}, "exclude each other"},
        {{"--bogus", "x.jpg"}, "unknown option"},
        {{"--out"}, "needs a value"},
        {{"--yes", "--no", "x.jpg"}, "exclude each other"},
        {{"-p", "1", "--preset", "1", "x.jpg"}, "given twice"},
        {{"-rz", "x.jpg"}, "unknown option -z in -rz"},
        {{"--recurse=1", "x.jpg"}, "unexpected value"},
    };
    for (const auto& c : cases) {
        const CRunResult r = Run(c.args);
        EXPECT_EQ(r.status, 64) << c.says;
        EXPECT_TRUE(Contains(r.err, c.says)) << r.err;
    }
    pipeline_test::WriteJpeg(in / "a.jpg", 16, 16);
    pipeline_test::WriteBytes(out / "file", {'x'});
    const CRunResult missingFolder = Run({"--out", out / "file/nowhere", in / "a.jpg"});
    EXPECT_EQ(missingFolder.status, 2);
    EXPECT_TRUE(Contains(missingFolder.err, "Selected output folder does not exist")) << missingFolder.err;
    EXPECT_TRUE(Contains(missingFolder.err, "Not a directory")) << missingFolder.err;

    const CRunResult version = Run({"-V"});
    EXPECT_EQ(version.status, 0);
    EXPECT_TRUE(Contains(version.out, "framira-batch 1.")) << version.out;
}

TEST_F(CliTest, ThreadCountIsAPositiveWholeNumber)
{
    pipeline_test::WriteJpeg(in / "a.jpg", 24, 16);
    const struct {
        std::vector<std::string> threads;
        const char* refusal;  // null: accepted and framed
    } cases[] = {
        {{"--threads", "1"}, nullptr},
        {{"--threads=2"}, nullptr},
        {{"--threads", "64"}, nullptr},  // more than the engine uses is no mistake
        {{"--threads", "0"}, "1 or more, not '0'"},
        {{"--threads", "-2"}, "1 or more, not '-2'"},
        {{"--threads=two"}, "1 or more, not 'two'"},
        {{"--threads="}, "1 or more, not ''"},
        {{"--threads", "1.5"}, "1 or more, not '1.5'"},
        {{"--threads", " 3"}, "1 or more, not ' 3'"},
        {{"--threads", "99999999999"}, "1 or more"},
        {{"--threads", "1", "--threads", "2"}, "--threads is given twice"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.threads.back());
        CScratchFolder folder;
        std::vector<std::string> args = c.threads;
        args.insert(args.end(), {"-q", "--preset", "HVGA", "--out", folder.path.string(), in / "a.jpg"});
        const CRunResult r = Run(args);
        if (c.refusal == nullptr) {
            EXPECT_EQ(r.status, 0) << r.err;
            EXPECT_TRUE(fs::exists(folder / "a.jpg"));
        } else {
            EXPECT_EQ(r.status, 64);
            EXPECT_TRUE(Contains(r.err, c.refusal)) << r.err;
            EXPECT_FALSE(fs::exists(folder / "a.jpg"));
        }
    }
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
    EXPECT_TRUE(Contains(r.err, "unreadable  " + (in / "notes.jpg") + ": unknown format"));
    EXPECT_TRUE(Contains(r.err, "missing  " + (in / "gone.jpg")));
    EXPECT_TRUE(Contains(r.out, "2 of 4 pictures written, 1 missing, 1 could not be read.")) << r.out;
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
    const CRunResult quiet = Run({"-q", "--preset", "500x300", trip + "/a.jpg"});
    EXPECT_EQ(quiet.status, 2);
    EXPECT_FALSE(Contains(quiet.err, "Do you want")) << quiet.err;
    EXPECT_TRUE(Contains(quiet.err, "a.jpg (1 file)")) << quiet.err;
    const CRunResult yes = Run({"--yes", "--subfolder", "Framira_500x300", "--preset", "500x300", trip + "/a.jpg"});
    EXPECT_EQ(yes.status, 0) << yes.err;
    EXPECT_TRUE(Contains(yes.out, "written  " + trip + "/Framira_500x300/a.jpg"));
}

TEST_F(CliTest, DamagedAndUnwritablePicturesAreNamedWithTheirReasons)
{
    pipeline_test::WriteJpeg(in / "cut.jpg", 64, 48);
    auto bytes = pipeline_test::ReadBytes(in / "cut.jpg");
    bytes.resize(bytes.size() * 2 / 3);  // a half-copied memory card
    pipeline_test::WriteBytes(in / "cut.jpg", bytes);
    // Short options combined; the output folder is made.
    const CRunResult damaged = Run({"-qp", "HVGA", "--ignore", "x", "--out", out / "new/folder", in / "cut.jpg"});
    EXPECT_EQ(damaged.status, 3) << damaged.out << damaged.err;
    EXPECT_TRUE(Contains(damaged.err, "damaged  " + (in / "cut.jpg") + ": data ends early")) << damaged.err;
    EXPECT_TRUE(Contains(damaged.err, "--ignore has no effect without --recurse")) << damaged.err;
    EXPECT_TRUE(Contains(damaged.out, "1 of 1 picture written, 1 from damaged files.")) << damaged.out;
    ExpectSize(out / "new/folder/cut.jpg", 480, 320);

    pipeline_test::WriteJpeg(in / "b.jpg", 16, 16);
    fs::create_directories(out / "b.jpg");
    const CRunResult failed = Run({"--preset", "HVGA", "--yes", "--out", out.path.string(), in / "b.jpg"});
    EXPECT_EQ(failed.status, 1);
    EXPECT_TRUE(Contains(failed.err, "could not write " + (out / "b.jpg") + ": Is a directory")) << failed.err;
    EXPECT_TRUE(Contains(failed.out, "0 of 1 picture written, 1 could not be written.")) << failed.out;
}

// Every file under `root` with its size, by relative path.
std::map<std::string, std::uintmax_t> TreeOf(const fs::path& root)
{
    std::map<std::string, std::uintmax_t> tree;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        tree[fs::relative(entry.path(), root).string()] = entry.is_regular_file() ? entry.file_size() : 0;
    return tree;
}

TEST_F(CliTest, RunningTheSameCommandAgainAddsNothing)
{
    const std::string photos = in / "photos";
    fs::create_directories(photos + "/.thumbnails");
    fs::create_directories(photos + "/trip");
    pipeline_test::WriteJpeg(photos + "/a.jpg", 40, 30);
    pipeline_test::WriteJpeg(photos + "/trip/b.jpg", 40, 30);
    pipeline_test::WriteJpeg(photos + "/.thumbnails/t.jpg", 40, 30);
    pipeline_test::WriteBytes(photos + "/._a.jpg", {0, 5, 22, 7});  // another system's companion file

    const std::vector<std::string> command = {"-r", "--yes", "--preset", "200x100", photos};
    const CRunResult first = Run(command);
    EXPECT_EQ(first.status, 0) << first.out << first.err;
    EXPECT_TRUE(Contains(first.out, "2 of 2 pictures written.")) << first.out;
    const auto afterFirst = TreeOf(photos);
    for (int run = 0; run < 2; ++run) {
        const CRunResult again = Run(command);
        EXPECT_EQ(again.status, 0) << again.out << again.err;
        EXPECT_TRUE(Contains(again.out, "2 of 2 pictures written.")) << again.out;
        EXPECT_FALSE(Contains(again.err + again.out, "?")) << "no question with --yes: " << again.err;
        EXPECT_EQ(TreeOf(photos), afterFirst);
    }
    EXPECT_TRUE(afterFirst.count("Framira_200x100/a.jpg") && afterFirst.count("trip/Framira_200x100/b.jpg"));
    EXPECT_FALSE(afterFirst.count(".thumbnails/Framira_200x100"));

    // A photograph added later: only it is framed.
    pipeline_test::WriteJpeg(photos + "/trip/c.jpg", 40, 30);
    const CRunResult added = Run({"-r", "--skip-existing", "--preset", "200x100", photos});
    EXPECT_EQ(added.status, 0) << added.out << added.err;
    EXPECT_TRUE(Contains(added.out, "1 of 3 pictures written, 2 skipped (output exists).")) << added.out;
    EXPECT_TRUE(fs::exists(photos + "/trip/Framira_200x100/c.jpg"));
}

TEST_F(CliTest, CtrlCAndSigtermStopAfterTheCurrentPicture)
{
    std::vector<std::string> pictures;
    for (int i = 0; i < 6; ++i) {
        pictures.push_back(in / ("p" + std::to_string(i) + ".jpg"));
        pipeline_test::WriteJpeg(pictures.back(), 64, 48);
    }
    for (const auto& [signal, name] : {std::pair{SIGINT, "Ctrl-C"}, std::pair{SIGTERM, "SIGTERM"}}) {
        const fs::path folder = out / name;
        std::vector<std::string> args = {"--preset", "1", "--out", folder.string()};
        args.insert(args.end(), pictures.begin(), pictures.end());
        CRunningProgram program(args, scratch.path);
        ASSERT_TRUE(program.ReadUntil("written  "));
        program.Signal(signal);
        const CRunResult r = program.Finish();
        EXPECT_EQ(r.status, 128 + signal) << r.out << r.err;
        EXPECT_TRUE(Contains(r.out, std::string("stopped by ") + name)) << r.out;
        int framed = 0;
        for (const auto& entry : fs::directory_iterator(folder)) {
            ASSERT_EQ(entry.path().extension(), ".jpg") << entry.path();
            ExpectSize(entry.path().string(), 480, 320);
            ++framed;
        }
        EXPECT_GE(framed, 1);
        EXPECT_LT(framed, 6);
    }
}

} // namespace

TEST_F(CliTest, AFolderOfEveryFormatFramesAndWhatCannotBeFramedSaysWhy)
{
    if (std::system("convert -version >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "ImageMagick is not installed";
    const std::string picture = "-size 40x30 gradient:'#c02010'-'#2040e0'";
    const std::pair<const char*, const char*> files[] = {
        {"a.JPG", ""}, {"b.png", ""}, {"c.gif", ""}, {"d.bmp", "-colors 64 -compress RLE bmp3:"},
        {"e.psd", "-colorspace CMYK -depth 8 psd:"}, {"f.pgm", "-colorspace Gray "}, {"g.ppm", "-depth 16 "},
        {"h.tif", "-colors 32 -type palette "}, {"i.pnm", ""},
    };
    for (const auto& [name, options] : files)
        ASSERT_EQ(std::system(("convert " + picture + " " + options + "'" + (in / name) + "' 2>/dev/null").c_str()), 0)
            << name;
    // A one-pixel Lab document: header, three empty sections, raw data.
    pipeline_test::WriteBytes(in / "lab.psd", {'8', 'B', 'P', 'S', 0, 1, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0, 1, 0, 0,
                                               0, 1, 0, 8, 0, 9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 128,
                                               128, 128});
    pipeline_test::WriteBytes(in / "notes.txt", {'n'});
    const CRunResult r = Run({"--preset", "HVGA", "--out", out.path.string(), in.path.string()});
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_TRUE(Contains(r.out, "9 of 10 pictures written, 1 could not be read.")) << r.out;
    EXPECT_TRUE(Contains(r.err, "unreadable  " + (in / "lab.psd") + ": unsupported variant (Lab colour)")) << r.err;
    ExpectSize(out / "h.jpg", 480, 320);
}

TEST_F(CliTest, FramedFilesKeepTheirRecordedBytes)
{
    // One picture with a source block (written through the source's coding)
    // and one without, at three screen sizes in one job each.
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
        {"1920x1080",
         "9b8f4dd10c72c2e420b384c6d8b2af88d931b62d29b279bbfe79257f68e8d5ce",
         "cdafbab8c91a773fc4e66d1344c51fd37c8fcf62af9c0b0374f9de9a18a8eb9f"},
    };
    // The same bytes whether the engine frames on one thread or on as many
    // as the machine gives it.
    const std::vector<std::string> threadChoices[] = {{}, {"--threads", "1"}};
    for (const std::vector<std::string>& threads : threadChoices)
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.preset << (threads.empty() ? ", default threads" : ", one thread"));
        CScratchFolder folder;
        std::vector<std::string> args = threads;
        args.insert(args.end(), {"--preset", c.preset, "--out", folder.path.string(), in / "wide.jpg", in / "tall.jpg"});
        const CRunResult r = Run(args);
        ASSERT_EQ(r.status, 0) << r.out << r.err;
        for (const auto& [name, sha] : {std::pair{"wide.jpg", c.wide}, std::pair{"tall.jpg", c.tall}}) {
            std::string named;
            const std::vector<std::uint8_t> bytes =
                pipeline_test::WithoutSourceMark(pipeline_test::ReadBytes(folder / name), &named);
            EXPECT_EQ(test_support::Sha256Hex(bytes.data(), bytes.size()), sha) << name;
            EXPECT_EQ(fs::weakly_canonical(folder.path / named), fs::weakly_canonical(in / name))
                << "the output names its source";
        }
    }
}
