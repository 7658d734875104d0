// List building: extensions, duplicates, keyword text and folder walks on
// real temporary folders.
#include "input_list.h"
#include "test_platform_services.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Strings = std::vector<std::string>;

class InputListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = (fs::temp_directory_path() /
                ("framira-list-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name()))
                   .string();
        fs::remove_all(root);
        fs::create_directories(root);
    }
    void TearDown() override { fs::remove_all(root); }

    std::string Touch(const std::string& relative)
    {
        const fs::path path = fs::path(root) / relative;
        fs::create_directories(path.parent_path());
        std::ofstream(path) << "x";
        return path.string();
    }
    std::string Path(const std::string& relative) const { return root + "/" + relative; }

    std::string root;
    CTestPlatformServices platform;
    CInputList list{platform};
};

} // namespace

TEST(InputListRules, SupportedExtensionsIgnoreCase)
{
    for (const char* path : {"/p/a.jpg", "/p/b.JPEG", "/p/c.Tif", "/p/d.tiff", "/p/e.BMP", "/p/holiday.final.TIF",
                             "/p/f.PNG", "/p/g.gif", "/p/h.Pgm", "/p/i.ppm", "/p/j.PNM", "/p/k.psd",
                             "/p/l.HEIC", "/p/m.avif", "/p/n.webp", "/p/o.dng", "/p/q.CR3", "/p/r.nef", "/p/s.arw"})
        EXPECT_TRUE(HasSupportedPictureExtension(path)) << path;
    for (const char* path : {"/p/a.pbm", "/p/a.jxl", "/p/notes.txt", "/p/jpg", "/p/a.jpg.txt", "/p.jpg/readme", "/p/a.jpe", ""})
        EXPECT_FALSE(HasSupportedPictureExtension(path)) << path;
}

TEST(InputListRules, KeywordTextIsSplitAndTrimmed)
{
    EXPECT_EQ(BuildKeywords("Framira; old"), (Strings{"Framira", "old"}));
    EXPECT_EQ(BuildKeywords(";; Framira"), (Strings{"Framira"}));
    EXPECT_EQ(BuildKeywords(" \"raw files\" ;\"tmp\";"), (Strings{"raw files", "tmp"}));
    EXPECT_EQ(BuildKeywords("a b;  ;\"\""), (Strings{"a b"}));
    EXPECT_TRUE(BuildKeywords("").empty());
    EXPECT_EQ(BuildKeywordText({"Framira", "old"}), "Framira;old");
    EXPECT_EQ(BuildKeywords(BuildKeywordText({"x y", "z"})), (Strings{"x y", "z"}));
}

TEST_F(InputListTest, OnlyIdenticalPathsAreDuplicates)
{
    EXPECT_TRUE(list.AddPicture("/a/x.tiff"));
    EXPECT_TRUE(list.AddPicture("/a/x.tif"));   // a different name
    EXPECT_FALSE(list.AddPicture("/a/x.tif"));  // the same file again
    EXPECT_TRUE(list.AddPicture("/A/X.TIF"));   // names differing in case are different files here
    EXPECT_FALSE(list.AddPicture("/a/notes.txt"));
    EXPECT_EQ(list.Size(), 3u);
    EXPECT_TRUE(list.Contains("/A/X.TIF"));
    EXPECT_FALSE(list.Contains("/a/X.tif"));
}

TEST_F(InputListTest, EntriesAreKeptInCaseInsensitiveOrder)
{
    for (const char* path : {"/p/b.jpg", "/p/C.jpg", "/p/a.jpg", "/P/A.jpg"})
        list.AddPicture(path);
    EXPECT_EQ(list.Entries(), (Strings{"/P/A.jpg", "/p/a.jpg", "/p/b.jpg", "/p/C.jpg"}));
    EXPECT_TRUE(list.Remove("/p/a.jpg"));
    EXPECT_FALSE(list.Remove("/p/a.jpg"));
    EXPECT_EQ(list.Entries(), (Strings{"/P/A.jpg", "/p/b.jpg", "/p/C.jpg"}));
    list.Clear();
    EXPECT_TRUE(list.IsEmpty());
}

TEST_F(InputListTest, CommandLineFilesAreTakenWhateverTheirExtension)
{
    EXPECT_TRUE(list.AddFile("/p/scan.png"));
    EXPECT_TRUE(list.AddFile("/p/noextension"));
    EXPECT_FALSE(list.AddFile("/p/scan.png"));
    EXPECT_FALSE(list.AddFile(""));
}

TEST_F(InputListTest, FolderWalkAddsSupportedFilesOnly)
{
    for (const char* name : {"1.jpg", "2.JPEG", "3.png", "4.bmp", "notes.txt", "6.PSD"})
        Touch(name);
    fs::create_directories(Path("folder.jpg"));  // a folder is never a picture
    Touch("sub/5.jpg");
    EXPECT_EQ(list.ScanFolder(root, false, {}), 5);
    EXPECT_EQ(list.Entries(), (Strings{Path("1.jpg"), Path("2.JPEG"), Path("3.png"), Path("4.bmp"), Path("6.PSD")}));
    EXPECT_EQ(list.GetBrowsePath(), root);

    // Walking the same folder again adds nothing twice; a trailing separator
    // does not double the separator in the paths.
    EXPECT_EQ(list.ScanFolder(root + "//", false, {}), 0);
    EXPECT_EQ(list.Size(), 5u);
}

TEST_F(InputListTest, RecursiveWalkSkipsSubfoldersNamedByAKeywordCaseSensitively)
{
    Touch("top.jpg");
    Touch("Framira_1024x768/framed.jpg");
    Touch("old_scans/scan.tif");
    Touch("Old/kept.tif");
    Touch("Old/deeper/more.bmp");
    Touch("Old/deeper/Framira_x/no.jpg");
    EXPECT_EQ(list.ScanFolder(root, true, BuildKeywords("Framira; old")), 3);
    EXPECT_EQ(list.Entries(), (Strings{Path("Old/deeper/more.bmp"), Path("Old/kept.tif"), Path("top.jpg")}));
    // After a walk through subfolders the browse path is the top folder.
    EXPECT_EQ(list.GetBrowsePath(), root);
}

TEST(PresetSubfolderName, OnlyTheProgramsSizeNamesAreTaken)
{
    const std::pair<const char*, bool> cases[] = {
        {"Framira_1920x1080", true}, {"Framira_1x2", true},      {"Framira_", false},      {"Framira_x768", false},
        {"Framira_1024x", false},    {"Framira_old", false},     {"framira_640x480", false}, {"Framira_64Ox480", false},
        {"Framira_640x480x2", false}, {"My Framira_640x480", false}};
    for (const auto& [name, expected] : cases)
        EXPECT_EQ(IsPresetSubfolderName(name), expected) << name;
}

TEST_F(InputListTest, WalksPassOverHiddenEntriesAndTheJobsOutputFolders)
{
    Touch("a.jpg");
    Touch("._a.jpg");              // another system's companion file
    Touch(".thumbnails/t.jpg");
    Touch("trip/b.jpg");
    Touch("trip/Framed/b.jpg");    // the job's subfolder beside each source
    Touch("trip/out/c.jpg");       // the job's designated folder
    list.SetOutputFolders("Framed", {Path("trip/out/")});
    EXPECT_EQ(list.ScanFolder(root, true, {}), 2);
    EXPECT_EQ(list.Entries(), (Strings{Path("a.jpg"), Path("trip/b.jpg")}));
    // A hidden file named on its own is still taken.
    EXPECT_TRUE(list.AddFile(Path("._a.jpg")));
}

TEST_F(InputListTest, KeywordsApplyToTheSubfoldersOwnNameNotItsPath)
{
    // The walked folder's own path contains the keyword; its subfolders do not.
    Touch("old_archive/2019/a.jpg");
    EXPECT_EQ(list.ScanFolder(Path("old_archive"), true, {"old"}), 1);
    EXPECT_TRUE(list.Contains(Path("old_archive/2019/a.jpg")));
}

TEST_F(InputListTest, FolderThatCannotBeListedAddsNothing)
{
    EXPECT_EQ(list.ScanFolder(Path("missing"), true, {}), 0);
    EXPECT_TRUE(list.IsEmpty());
}

TEST_F(InputListTest, LinkBackUpTheTreeDoesNotWalkForEver)
{
    Touch("a/pic.jpg");
    std::error_code error;
    fs::create_directory_symlink(root, Path("a/loop"), error);
    if (error)
        GTEST_SKIP() << "symbolic links unavailable: " << error.message();
    // Linked folders are not followed: the picture is listed once, under its
    // real path.
    EXPECT_EQ(list.ScanFolder(root, true, {}), 1);
    EXPECT_EQ(list.Entries(), (Strings{Path("a/pic.jpg")}));
}

TEST_F(InputListTest, DropAsksOnceForFoldersAfterAnAnswerToAll)
{
    Touch("one/a.jpg");
    Touch("one/sub/b.jpg");
    Touch("two/c.jpg");
    Touch("two/sub/d.jpg");
    const std::string loose = Touch("e.tif");
    int asked = 0;
    const int added = list.AddDroppedPaths({Path("one"), loose, Path("two"), Path("notes.txt")},
                                           [&](const std::string&) {
                                               ++asked;
                                               return std::optional<CFolderOptions>(CFolderOptions{false, true, {}});
                                           });
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(added, 3);
    EXPECT_EQ(list.Entries(), (Strings{Path("e.tif"), Path("one/a.jpg"), Path("two/c.jpg")}));
}

TEST_F(InputListTest, DropAsksForEachFolderAndCancelLeavesOneOut)
{
    Touch("one/sub/b.jpg");
    Touch("two/sub/d.jpg");
    Touch("three/f.jpg");
    std::vector<std::string> askedFor;
    list.AddDroppedPaths({Path("one"), Path("two"), Path("three")}, [&](const std::string& folder) {
        askedFor.push_back(folder);
        if (folder == Path("two"))
            return std::optional<CFolderOptions>();  // Cancel
        return std::optional<CFolderOptions>(CFolderOptions{true, false, {"sub"}});
    });
    EXPECT_EQ(askedFor.size(), 3u);
    EXPECT_EQ(list.Entries(), (Strings{Path("three/f.jpg")}));
}

TEST_F(InputListTest, RawAndJpegOfOneShotAreListedOnce)
{
    // Whichever arrives first, the preferred twin stays; other shots and
    // other folders are untouched.
    const struct {
        bool preferRaw;
        bool rawFirst;
        const char* kept;
    } cases[] = {
        {false, false, "IMG_1.JPG"}, {false, true, "IMG_1.JPG"}, {true, false, "IMG_1.CR2"}, {true, true, "IMG_1.CR2"},
    };
    for (const auto& c : cases) {
        CInputList shots(platform);
        shots.SetPreferRaw(c.preferRaw);
        const std::string raw = Path("IMG_1.CR2"), jpeg = Path("IMG_1.JPG");
        shots.AddPicture(c.rawFirst ? raw : jpeg);
        shots.AddPicture(c.rawFirst ? jpeg : raw);
        shots.AddPicture(Path("IMG_2.CR2"));
        shots.AddPicture(Path("sub/IMG_1.dng"));
        EXPECT_EQ(shots.Entries(), (Strings{Path(c.kept), Path("IMG_2.CR2"), Path("sub/IMG_1.dng")}))
            << c.preferRaw << c.rawFirst;
        EXPECT_EQ(shots.PassedOver().twins, (Strings{c.preferRaw ? jpeg : raw})) << "the other one is told";
    }
    Touch("walk/DSC_7.NEF");
    Touch("walk/DSC_7.jpg");
    EXPECT_EQ(list.ScanFolder(Path("walk"), false, {}), 1);
    EXPECT_EQ(list.Entries(), (Strings{Path("walk/DSC_7.jpg")}));
}
