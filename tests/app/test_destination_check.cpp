// The check of a folder group before the worker writes into it: the write
// test, the refusal of a folder that takes no file, and the overwrite
// question, on real temporary folders.
#include "batch_worker.h"
#include "destination_check.h"
#include "output_path.h"
#include "test_platform_services.h"

#include <gtest/gtest.h>

#include <cerrno>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

void WriteFile(const fs::path& path, const std::string& content)
{
    std::ofstream out(path, std::ios::binary);
    out << content;
}

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A platform whose folders all refuse files, as a read-only medium does
// (the tests may run as a user whom permissions do not stop).
class CReadOnlyPlatform : public CTestPlatformServices {
public:
    int ProbeWritableFolder(const std::string&) override { return EROFS; }
    bool CreateFolder(const std::string&) override { return false; }
};

class FolderGroupCheckTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = fs::temp_directory_path() /
               ("framira-check-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        fs::create_directories(root / "src");
        fs::create_directories(root / "out");
        for (const char* name : {"beach.jpg", "beach.tif", "dune.jpg"})
            WriteFile(root / "src" / name, "picture");
    }
    void TearDown() override { fs::remove_all(root); }

    std::string Src(const std::string& name) const { return (root / "src" / name).string(); }
    std::string Out() const { return (root / "out").string(); }

    EFolderGroupCheck Check(CPlatformServices& services, const CJobDestination& destination,
                            const std::vector<std::string>& group, const std::atomic<bool>* stop = nullptr)
    {
        const COutputPlan plan = COutputPlan::Make(group, destination.saveType, destination.outputFolder, false);
        return CheckFolderGroup(services, destination, group, plan, stop);
    }

    fs::path root;
    CTestPlatformServices platform;
};

} // namespace

TEST_F(FolderGroupCheckTest, SubfolderIsCreatedAndTestedWithoutQuestions)
{
    const CJobDestination destination{kSaveSubfolder, "Framira_1024x768"};
    EXPECT_EQ(Check(platform, destination, {Src("beach.jpg"), Src("dune.jpg")}), EFolderGroupCheck::Accepted);
    EXPECT_TRUE(fs::is_directory(root / "src" / "Framira_1024x768"));
    EXPECT_TRUE(fs::is_empty(root / "src" / "Framira_1024x768")) << "the write test leaves nothing behind";
    EXPECT_TRUE(platform.MessageBoxes().empty());
}

TEST_F(FolderGroupCheckTest, NestedSubfolderNameCreatesEveryLevel)
{
    const CJobDestination destination{kSaveSubfolder, "framed/screen"};
    EXPECT_EQ(Check(platform, destination, {Src("dune.jpg")}), EFolderGroupCheck::Accepted);
    EXPECT_TRUE(fs::is_directory(root / "src" / "framed" / "screen"));
}

TEST_F(FolderGroupCheckTest, WriteTestIsNotFooledByWhatTheFolderHolds)
{
    // The user's own Test.txt, read-only, and a folder named like a probe.
    WriteFile(root / "out" / "Test.txt", "the user's own notes");
    fs::permissions(root / "out" / "Test.txt", fs::perms::owner_read);
    fs::create_directories(root / "out" / ".framira-write-test-0.tmp");
    const CJobDestination destination{kSaveDesignatedFolder, Out()};
    EXPECT_EQ(Check(platform, destination, {Src("dune.jpg")}), EFolderGroupCheck::Accepted);
    EXPECT_EQ(ReadFile(root / "out" / "Test.txt"), "the user's own notes");
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(root / "out"))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names.size(), 2u) << "the probe is removed again";
}

TEST_F(FolderGroupCheckTest, PipesInTheFolderNeverHoldTheWorker)
{
    // Nobody reads or writes the other end of these pipes: opening one the
    // ordinary way would wait for ever, and with it the window stopping the job.
    ASSERT_EQ(::mkfifo((root / "out" / "dune.jpg").c_str(), 0644), 0);
    const CJobDestination destination{kSaveDesignatedFolder, Out()};
    EXPECT_EQ(Check(platform, destination, {Src("dune.jpg")}), EFolderGroupCheck::OverwriteDeclined);

    ASSERT_EQ(::mkfifo((root / "out" / "Test.txt").c_str(), 0644), 0);
    EXPECT_EQ(Check(platform, destination, {Src("beach.jpg")}), EFolderGroupCheck::Accepted);
}

TEST_F(FolderGroupCheckTest, FolderThatTakesNoFileIsRefusedWithItsMessage)
{
    CReadOnlyPlatform readOnly;
    const CJobDestination destination{kSaveDesignatedFolder, Out()};
    EXPECT_EQ(Check(readOnly, destination, {Src("dune.jpg")}), EFolderGroupCheck::NotWritable);
    const auto boxes = readOnly.MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].box.text, "Program cannot write to destination directory.\nIt might be protected or "
                                 "non-writable medium.\n\n" + Out() + ": Read-only file system");
    EXPECT_EQ(boxes[0].box.buttons, EMessageButtons::Ok);
    EXPECT_EQ(boxes[0].box.icon, EMessageIcon::Exclamation);

    // A designated folder that has gone missing is refused the same way.
    const CJobDestination gone{kSaveDesignatedFolder, (root / "gone").string()};
    EXPECT_EQ(Check(platform, gone, {Src("dune.jpg")}), EFolderGroupCheck::NotWritable);
    EXPECT_FALSE(fs::exists(root / "gone"));
}

TEST_F(FolderGroupCheckTest, ExistingOutputAsksAndTheAnswerDecides)
{
    WriteFile(root / "out" / "dune.jpg", "framed earlier");
    const CJobDestination destination{kSaveDesignatedFolder, Out()};

    platform.QueueAnswer(EMessageAnswer::No);
    EXPECT_EQ(Check(platform, destination, {Src("dune.jpg")}), EFolderGroupCheck::OverwriteDeclined);
    platform.QueueAnswer(EMessageAnswer::Yes);
    EXPECT_EQ(Check(platform, destination, {Src("dune.jpg")}), EFolderGroupCheck::Accepted);

    const auto boxes = platform.MessageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].box.text, "There is a file or are files with the same name in the output directory.\n"
                                 "Do you want to write over the files with the processed images?\n\nIn " +
                                     Out() + ": dune.jpg (1 file)");
    EXPECT_EQ(boxes[0].box.buttons, EMessageButtons::YesNo);
    EXPECT_EQ(boxes[0].box.icon, EMessageIcon::Exclamation);
    EXPECT_EQ(ReadFile(root / "out" / "dune.jpg"), "framed earlier");  // the check itself writes nothing
}

TEST(OverwriteQuestionText, NamesTheFirstFewFilesAndCountsTheRest)
{
    std::vector<std::string> names;
    for (int i = 0; i < 7; ++i)
        names.push_back("p" + std::to_string(i) + ".jpg");
    const std::string text = OverwriteQuestion("/out/", names);
    EXPECT_NE(text.find("\n\nIn /out: p0.jpg, p1.jpg, p2.jpg, p3.jpg, p4.jpg and 2 more (7 files)"),
              std::string::npos)
        << text;
}

TEST_F(FolderGroupCheckTest, QuestionLooksAtTheDistinctNamesThePipelineWillWrite)
{
    // beach.jpg and beach.tif become beach.jpg and "beach (2).jpg"; only the
    // second exists from an earlier run.
    WriteFile(root / "out" / "beach (2).jpg", "framed earlier");
    const CJobDestination destination{kSaveDesignatedFolder, Out()};
    EXPECT_EQ(Check(platform, destination, {Src("beach.jpg"), Src("beach.tif")}),
              EFolderGroupCheck::OverwriteDeclined);
    ASSERT_EQ(platform.MessageBoxes().size(), 1u);

    // With only dune.jpg in the group, "beach (2).jpg" is not among its outputs.
    platform.ClearRecords();
    EXPECT_EQ(Check(platform, destination, {Src("dune.jpg")}), EFolderGroupCheck::Accepted);
    EXPECT_TRUE(platform.MessageBoxes().empty());
}

TEST_F(FolderGroupCheckTest, UnansweredQuestionGivesWayToAStop)
{
    WriteFile(root / "out" / "dune.jpg", "framed earlier");
    platform.SetQuestionsWaitForStop(true);
    std::atomic<bool> stop{false};
    std::atomic<int> result{-1};
    const CJobDestination destination{kSaveDesignatedFolder, Out()};
    std::thread worker([&] { result = static_cast<int>(Check(platform, destination, {Src("dune.jpg")}, &stop)); });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(result.load(), -1);  // still waiting for an answer
    stop = true;                   // the window stops the job and waits
    worker.join();
    EXPECT_EQ(result.load(), static_cast<int>(EFolderGroupCheck::OverwriteDeclined));
    const auto boxes = platform.MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].answeredForStop);
}

TEST_F(FolderGroupCheckTest, JobFormUsesTheJobsDestinationAndStopFlag)
{
    WriteFile(root / "out" / "dune.jpg", "framed earlier");
    CBatchWorker job;
    job.platform = &platform;
    job.saveType = kSaveDesignatedFolder;
    job.outputFolder = Out();
    job.stopRequested = true;
    job.queue = {Src("dune.jpg")};
    EXPECT_EQ(CheckJobFolderGroup(job, {Src("dune.jpg")}), EGroupDecision::Stop);
    EXPECT_TRUE(platform.MessageBoxes().back().answeredForStop);
}

TEST_F(FolderGroupCheckTest, JobFormAsksOncePerOutputFolderNamingEveryGroupsFiles)
{
    // Two source folders write into one designated folder, a third into its
    // own subfolder (asked on its own).
    WriteFile(root / "out" / "dune.jpg", "framed earlier");
    WriteFile(root / "out" / "sea.jpg", "framed earlier");
    const std::string sea = (root / "src2" / "sea.jpg").string();
    CBatchWorker job;
    job.platform = &platform;
    job.saveType = kSaveDesignatedFolder;
    job.outputFolder = Out();
    job.queue = {Src("dune.jpg"), sea};
    platform.QueueAnswer(EMessageAnswer::Yes);
    EXPECT_EQ(CheckJobFolderGroup(job, {Src("dune.jpg")}), EGroupDecision::Write);
    job.queue.pop_front();
    EXPECT_EQ(CheckJobFolderGroup(job, {sea}), EGroupDecision::Write);
    const auto boxes = platform.MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u) << "the second group writes into a folder already answered";
    EXPECT_NE(boxes[0].box.text.find("dune.jpg, sea.jpg (2 files)"), std::string::npos) << boxes[0].box.text;

    // The next job asks again.
    job.Reset();
    job.platform = &platform;
    job.saveType = kSaveDesignatedFolder;
    job.outputFolder = Out();
    job.queue = {sea};
    platform.QueueAnswer(EMessageAnswer::No);
    EXPECT_EQ(CheckJobFolderGroup(job, {sea}), EGroupDecision::Stop);
    EXPECT_EQ(platform.MessageBoxes().size(), 2u);
}
