// framira-batch run again and again over real folders: names that stay with
// their sources, files that are never lost, and folders that cannot be read
// or written.
#include "test_cli_support.h"

#include "../app/test_pipeline_support.h"

#include "output_plan.h"
#include "picture_reading.h"

#include <sys/mount.h>

#include <cstdlib>
#include <map>

using namespace cli_test;
using pipeline_test::CScratchFolder;
using pipeline_test::ReadBytes;
using pipeline_test::WriteJpeg;

namespace {

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// The file names in `folder` with their bytes.
std::map<std::string, std::vector<std::uint8_t>> FilesIn(const fs::path& folder)
{
    std::map<std::string, std::vector<std::uint8_t>> files;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error))
        if (entry.is_regular_file())
            files[entry.path().filename().string()] = ReadBytes(entry.path().string());
    return files;
}

// The source a framed file names, resolved from its folder.
fs::path SourceOf(const fs::path& framed)
{
    const std::optional<std::string> named = ReadSourceMark(framed.string());
    return named ? fs::weakly_canonical(framed.parent_path() / *named) : fs::path();
}

std::string JsonQuoted(const std::string& text)
{
    return "\"" + text + "\"";
}

std::string Quote(const std::string& text)
{
    std::string quoted = "'";
    for (const char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

class CliRerunTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(fs::exists(ProgramPath())) << ProgramPath(); }
    CRunResult Run(const std::vector<std::string>& args) { return RunProgram(args, scratch.path); }

    // Runs as a user whom permissions stop (root is not stopped by them).
    CRunResult RunAsUser(const std::vector<std::string>& args)
    {
        std::string command = ::geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
        command += Quote(ProgramPath());
        for (const std::string& arg : args)
            command += " " + Quote(arg);
        const fs::path outPath = scratch.path / "user-out.txt";
        const fs::path errPath = scratch.path / "user-err.txt";
        command += " >" + Quote(outPath.string()) + " 2>" + Quote(errPath.string()) + " </dev/null";
        CRunResult result;
        const int raw = std::system(command.c_str());
        result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        result.out = ReadText(outPath);
        result.err = ReadText(errPath);
        return result;
    }

    CScratchFolder scratch, in, out;
};

TEST_F(CliRerunTest, SameNameSiblingsKeepTheirNamesAcrossRunsAndNothingIsOverwritten)
{
    const fs::path photos = in.path;
    const fs::path framed = photos / "Framira_200x100";
    WriteJpeg(photos / "beach.jpg", 40, 30);
    pipeline_test::WriteBitmap(photos / "beach.tif", 30, 40, 10, 200, 30);  // content decides
    ASSERT_EQ(Run({"--preset", "200x100", photos}).status, 0);
    EXPECT_EQ(SourceOf(framed / "beach.jpg"), fs::weakly_canonical(photos / "beach.jpg"));
    EXPECT_EQ(SourceOf(framed / "beach (2).jpg"), fs::weakly_canonical(photos / "beach.tif"));
    const auto first = FilesIn(framed);

    // A sibling added later takes a new name; the earlier outputs stay theirs.
    pipeline_test::WriteBitmap(photos / "beach.png", 40, 40, 200, 10, 30);
    const CRunResult added = Run({"--skip-existing", "--preset", "200x100", photos});
    EXPECT_EQ(added.status, 0) << added.out << added.err;
    EXPECT_TRUE(Contains(added.out, "1 of 3 pictures written, 2 skipped (output exists).")) << added.out;
    EXPECT_EQ(SourceOf(framed / "beach (3).jpg"), fs::weakly_canonical(photos / "beach.png"));
    for (const auto& [name, bytes] : first)
        EXPECT_EQ(ReadBytes(framed / name), bytes) << name;

    // A sibling removed: the others keep their names, and its output is not
    // given to anybody else, even when overwriting is allowed.
    fs::remove(photos / "beach.jpg");
    const auto before = FilesIn(framed);
    const CRunResult again = Run({"--yes", "--preset", "200x100", photos});
    EXPECT_EQ(again.status, 0) << again.out << again.err;
    EXPECT_EQ(FilesIn(framed).size(), 3u);
    EXPECT_EQ(ReadBytes(framed / "beach.jpg"), before.at("beach.jpg"));
    EXPECT_EQ(SourceOf(framed / "beach (2).jpg"), fs::weakly_canonical(photos / "beach.tif"));
    EXPECT_EQ(SourceOf(framed / "beach (3).jpg"), fs::weakly_canonical(photos / "beach.png"));

    // A file that is nobody's output is kept by --skip-existing.
    pipeline_test::WriteBytes(out / "dune.jpg", {'m', 'i', 'n', 'e'});
    WriteJpeg(photos / "dune.jpg", 40, 30);
    const CRunResult kept = Run({"--skip-existing", "--preset", "200x100", "--out", out.path.string(),
                                 (photos / "dune.jpg").string()});
    EXPECT_EQ(kept.status, 0) << kept.out << kept.err;
    EXPECT_TRUE(Contains(kept.out, "renamed  " + (photos / "dune.jpg").string() +
                                       ": dune.jpg is not its output and is kept; writing dune (2).jpg"))
        << kept.out;
    EXPECT_EQ(ReadBytes(out / "dune.jpg"), (std::vector<std::uint8_t>{'m', 'i', 'n', 'e'}));
    EXPECT_EQ(SourceOf(out / "dune (2).jpg"), fs::weakly_canonical(photos / "dune.jpg"));
}

TEST_F(CliRerunTest, OutputsAreNeverSourcesAndOneFileUnderTwoSpellingsIsFramedOnce)
{
    const fs::path photos = in.path / "photos";
    fs::create_directories(photos / "trip");
    WriteJpeg(photos / "a.jpg", 40, 30);
    WriteJpeg(photos / "trip/b.jpg", 30, 40);
    // The designated folder is the source folder itself, walked with its subfolders.
    const std::vector<std::string> command = {"-r", "--yes", "--preset", "200x100", "--out", photos.string(),
                                              photos.string(), (photos / "../photos/a.jpg").string()};
    const CRunResult first = Run(command);
    EXPECT_EQ(first.status, 0) << first.out << first.err;
    EXPECT_TRUE(Contains(first.out, "2 of 2 pictures written.")) << first.out;
    const auto afterFirst = FilesIn(photos);
    EXPECT_EQ(afterFirst.size(), 3u) << "a.jpg, its output and b's output";
    for (int run = 0; run < 2; ++run) {
        const CRunResult again = Run(command);
        EXPECT_EQ(again.status, 0) << again.out << again.err;
        EXPECT_TRUE(Contains(again.out, "2 of 2 pictures written.")) << again.out;
        EXPECT_TRUE(Contains(again.out, "2 of framira-batch's own outputs passed over.")) << again.out;
        EXPECT_EQ(FilesIn(photos).size(), afterFirst.size());
    }
}

TEST_F(CliRerunTest, FoldersThatCannotBeReadOrWrittenAreNamedAndTheRestGoesOn)
{
    const fs::path photos = in.path / "photos";
    fs::create_directories(photos / "locked");
    fs::create_directories(photos / "readonly");
    fs::create_directories(photos / "open");
    WriteJpeg(photos / "locked/a.jpg", 40, 30);
    WriteJpeg(photos / "readonly/b.jpg", 40, 30);
    WriteJpeg(photos / "open/c.jpg", 40, 30);
    for (const fs::path& folder : {in.path, photos, photos / "open"})
        fs::permissions(folder, fs::perms::all);
    fs::permissions(photos / "locked", fs::perms::none);
    fs::permissions(photos / "readonly", fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read |
                                             fs::perms::others_exec | fs::perms::group_read |
                                             fs::perms::group_exec);
    fs::permissions(scratch.path, fs::perms::all);

    const CRunResult r = RunAsUser({"-r", "--preset", "200x100", photos.string(), (photos / "locked").string()});
    fs::permissions(photos / "locked", fs::perms::owner_all);
    fs::permissions(photos / "readonly", fs::perms::owner_all);
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_TRUE(Contains(r.err, "unreadable  " + (photos / "locked").string() +
                                    ": the folder cannot be read: Permission denied"))
        << r.err;
    EXPECT_TRUE(Contains(r.err, "failed   " + (photos / "readonly/b.jpg").string() + ": could not write")) << r.err;
    EXPECT_TRUE(Contains(r.err, "Framira_200x100: Permission denied")) << r.err;
    EXPECT_FALSE(Contains(r.err, "No such file")) << r.err;
    EXPECT_TRUE(fs::exists(photos / "open/Framira_200x100/c.jpg")) << "the rest of the job goes on";
}

TEST_F(CliRerunTest, FailedPicturesLeaveNoFoldersBehind)
{
    pipeline_test::WriteBytes(in / "broken.jpg", {'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c'});
    const CRunResult beside = Run({"--preset", "200x100", in.path.string()});
    EXPECT_EQ(beside.status, 1) << beside.out << beside.err;
    EXPECT_FALSE(fs::exists(in.path / "Framira_200x100"));
    const CRunResult designated = Run({"--preset", "200x100", "--out", out / "new/folder", in / "broken.jpg"});
    EXPECT_EQ(designated.status, 1) << designated.out << designated.err;
    EXPECT_FALSE(fs::exists(out.path / "new"));
}

TEST_F(CliRerunTest, AFullDiskStopsTheJobOnceWithNothingPartialLeft)
{
    const fs::path disk = out.path / "small";
    fs::create_directories(disk);
    if (::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=160k") != 0)
        GTEST_SKIP() << "a small file system cannot be mounted here (needs root): " << std::strerror(errno);
    std::vector<std::string> args = {"--preset", "640x480", "--out", disk.string()};
    for (int i = 0; i < 6; ++i) {
        args.push_back(in / ("p" + std::to_string(i) + ".jpg"));
        WriteJpeg(args.back(), 64, 48);
    }
    const CRunResult r = Run(args);
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(disk)) {
        left.push_back(entry.path().filename().string());
        int cols = 0, rows = 0, planes = 0;
        EXPECT_EQ(GetImageInfo(entry.path(), cols, rows, planes), kFileTypeJpeg) << entry.path();
    }
    ::umount(disk.c_str());
    EXPECT_EQ(r.status, 4) << r.out << r.err;
    EXPECT_TRUE(Contains(r.out, "stopped because the disk is full")) << r.out;
    EXPECT_LT(left.size(), 6u);
    int failedLines = 0;
    for (std::size_t at = 0; (at = r.err.find("failed   ", at)) != std::string::npos; ++at)
        ++failedLines;
    EXPECT_EQ(failedLines, 1) << "the job stops at the first picture that does not fit: " << r.err;
}

TEST_F(CliRerunTest, SeveralSizesInOnePassWriteWhatOneRunPerSizeWritesAndTheReportSaysSo)
{
    WriteJpeg(in / "a.jpg", 40, 30);
    pipeline_test::WriteBitmap(in / "a.bmp", 30, 40, 200, 40, 10);
    pipeline_test::WriteBytes(in / "broken.png", {0x89, 'P', 'N', 'G'});
    const std::string report = (scratch.path / "report.jsonl").string();
    const CRunResult r = Run({"--preset", "200x100,VGA", "--out", out.path.string(), "--report", report,
                              in.path.string()});
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_TRUE(Contains(r.out, "4 of 6 outputs written (3 pictures at 2 sizes), 1 could not be read.")) << r.out;
    for (const auto& [preset, folder] : {std::pair{"200x100", "Framira_200x100"}, std::pair{"VGA", "Framira_640x480"}}) {
        CScratchFolder single;
        ASSERT_EQ(Run({"-q", "--preset", preset, "--out", single.path.string(), in / "a.jpg", in / "a.bmp"}).status, 0);
        for (const std::string name : {"a.jpg", "a (2).jpg"})
            EXPECT_EQ(pipeline_test::WithoutSourceMark(ReadBytes(out.path / folder / name)),
                      pipeline_test::WithoutSourceMark(ReadBytes(single.path / name)))
                << folder << "/" << name;
    }
    const std::string lines = ReadText(report);
    EXPECT_TRUE(Contains(lines, "{\"source\":" + JsonQuoted(in / "a.bmp") + ",\"output\":" +
                                    JsonQuoted(out / "Framira_640x480/a.jpg") + ",\"status\":\"written\""))
        << lines;
    EXPECT_TRUE(Contains(lines, "\"status\":\"unreadable\"")) << lines;
    EXPECT_TRUE(Contains(lines, "{\"summary\":\"framira-batch\",\"exit_status\":1,\"unreadable\":1,\"written\":4"))
        << lines;
}

} // namespace
