// The destination model the window drives: choices, remembered texts,
// default subfolder names, the destination line and the start checks.
#include "destination.h"
#include "test_platform_services.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

class DestinationTest : public ::testing::Test {
protected:
    CTestPlatformServices platform;
};

} // namespace

TEST_F(DestinationTest, OpensWithTheSubfolderChoiceNamedAfterTheScreen)
{
    platform.SetScreenSize({1680, 1050});
    CDestination destination(platform);
    EXPECT_TRUE(destination.IsSubfolderMode());
    EXPECT_EQ(destination.GetSaveType(), kSaveSubfolder);
    EXPECT_EQ(destination.GetFolderText(), "Framira_1680x1050");
    EXPECT_EQ(destination.GetDestinationLine(), " ");
    EXPECT_EQ(destination.GetRememberedSubfolder(), "");
    EXPECT_EQ(destination.GetRememberedDesignatedFolder(), "");
}

TEST_F(DestinationTest, DestinationLineJoinsSourceFolderAndSubfolder)
{
    CDestination destination(platform);
    destination.SetFolderText("Framira_1280x1024");
    EXPECT_EQ(destination.GetDestinationLine(), " ");  // no source folder yet
    destination.SetSourceFolder("/home/ann/Trip");
    EXPECT_EQ(destination.GetDestinationLine(), "/home/ann/Trip/Framira_1280x1024");
    destination.SetSourceFolder("/");
    EXPECT_EQ(destination.GetDestinationLine(), "/Framira_1280x1024");

    destination.ChooseDesignatedFolderMode();
    destination.SetFolderText("/srv/out");
    EXPECT_EQ(destination.GetDestinationLine(), "/srv/out");
    destination.SetSourceFolder("");
    EXPECT_EQ(destination.GetDestinationLine(), "/srv/out");
}

TEST_F(DestinationTest, SwitchingChoicesRestoresEachChoicesText)
{
    CDestination destination(platform);
    destination.SetFolderText("MyFrames");
    EXPECT_FALSE(destination.ChooseSubfolderMode());  // already in effect

    EXPECT_TRUE(destination.ChooseDesignatedFolderMode());
    EXPECT_EQ(destination.GetSaveType(), kSaveDesignatedFolder);
    EXPECT_EQ(destination.GetRememberedSubfolder(), "MyFrames");
    platform.SetBrowseResult(std::string("/srv/out"));
    EXPECT_TRUE(destination.ChooseFolder("/home/ann"));
    EXPECT_EQ(destination.GetFolderText(), "/srv/out");

    EXPECT_TRUE(destination.ChooseSubfolderMode());
    EXPECT_EQ(destination.GetFolderText(), "MyFrames");
    EXPECT_EQ(destination.GetRememberedSubfolder(), "");
    EXPECT_EQ(destination.GetRememberedDesignatedFolder(), "/srv/out");

    EXPECT_TRUE(destination.ChooseDesignatedFolderMode());
    EXPECT_EQ(destination.GetFolderText(), "/srv/out");
    EXPECT_EQ(destination.GetRememberedSubfolder(), "MyFrames");
}

TEST_F(DestinationTest, ChooseFolderOnlyForTheDesignatedChoiceAndNotWhenCancelled)
{
    CDestination destination(platform);
    platform.SetBrowseResult(std::string("/srv/out"));
    EXPECT_FALSE(destination.ChooseFolder(""));
    EXPECT_NE(destination.GetFolderText(), "/srv/out");

    destination.ChooseDesignatedFolderMode();
    destination.SetFolderText("/kept");
    platform.SetBrowseResult(std::nullopt);
    EXPECT_FALSE(destination.ChooseFolder(""));
    EXPECT_EQ(destination.GetFolderText(), "/kept");
}

TEST_F(DestinationTest, ResolutionChangesTheSubfolderNameButNotADesignatedFolder)
{
    platform.SetScreenSize({1680, 1050});
    CDestination destination(platform, 12);
    EXPECT_EQ(destination.GetFolderText(), "Framira_1920x1080");
    destination.ChangeResolution(8);  // 5:4, 1280 x 1024
    EXPECT_EQ(destination.GetFolderText(), "Framira_1280x1024");
    EXPECT_EQ(destination.GetPresetIndex(), 8);
    destination.ChangeResolution(0);  // the current monitor
    EXPECT_EQ(destination.GetFolderText(), "Framira_1680x1050");

    destination.ChooseDesignatedFolderMode();
    destination.SetFolderText("/srv/out");
    destination.ChangeResolution(9);
    EXPECT_EQ(destination.GetFolderText(), "/srv/out");
    EXPECT_EQ(destination.GetOutputSize(9).width, 2560);
    EXPECT_EQ(destination.GetOutputSize(9).height, 2048);
    // Rows outside the table fall back to the screen rather than reading past it.
    EXPECT_EQ(destination.GetOutputSize(16).width, 1680);
    EXPECT_EQ(destination.GetOutputSize(-3).height, 1050);
}

TEST_F(DestinationTest, StartCheckRefusesAnEmptyFolderText)
{
    CDestination destination(platform);
    destination.SetFolderText("");
    EXPECT_FALSE(destination.CheckDestinationOnStart());
    const auto boxes = platform.MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].box.text, "Please select an output folder for the corrected images");
    EXPECT_EQ(boxes[0].box.buttons, EMessageButtons::Ok);
    EXPECT_EQ(boxes[0].box.icon, EMessageIcon::None);
}

TEST_F(DestinationTest, StartCheckRefusesAMissingDesignatedFolderAndEmptiesIt)
{
    CDestination destination(platform);
    destination.ChooseDesignatedFolderMode();
    const std::string missing = (std::filesystem::temp_directory_path() / "framira-missing-folder-xyz").string();
    destination.SetFolderText(missing);
    EXPECT_FALSE(destination.CheckDestinationOnStart());
    EXPECT_EQ(destination.GetFolderText(), "");
    const auto boxes = platform.MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].box.text, "Selected output folder does not exist");

    // A file is not a folder either.
    const std::string file = (std::filesystem::temp_directory_path() /
                              ("framira-dest-file-" + std::to_string(::getpid()))).string();
    { std::FILE* f = std::fopen(file.c_str(), "w"); ASSERT_NE(f, nullptr); std::fclose(f); }
    destination.SetFolderText(file);
    EXPECT_FALSE(destination.CheckDestinationOnStart());
    std::filesystem::remove(file);

    destination.SetFolderText(std::filesystem::temp_directory_path().string());
    EXPECT_TRUE(destination.CheckDestinationOnStart());
}

TEST_F(DestinationTest, SubfolderNameNeedsNoExistingFolder)
{
    CDestination destination(platform);
    destination.SetFolderText("NotYetThere");
    EXPECT_TRUE(destination.CheckDestinationOnStart());
    EXPECT_TRUE(platform.MessageBoxes().empty());
}

TEST_F(DestinationTest, JobTakesTheFolderTextWithoutTrailingSeparators)
{
    CDestination destination(platform);
    destination.ChooseDesignatedFolderMode();
    destination.SetFolderText("/srv/out//");
    EXPECT_EQ(destination.TakeJobOutputFolder(), "/srv/out");
    EXPECT_EQ(destination.GetFolderText(), "/srv/out");
    destination.SetFolderText("/");
    EXPECT_EQ(destination.TakeJobOutputFolder(), "/");
}

TEST_F(DestinationTest, ViewOutputsOpensTheDestinationFolder)
{
    CDestination destination(platform);
    destination.SetFolderText("Framira_800x600");
    EXPECT_FALSE(destination.ViewOutputs());  // no source folder: nothing to open
    destination.SetSourceFolder("/home/ann/Trip/");
    EXPECT_TRUE(destination.ViewOutputs());
    destination.ChooseDesignatedFolderMode();
    destination.SetFolderText("/srv/out");
    EXPECT_TRUE(destination.ViewOutputs());
    const auto opened = platform.FoldersOpened();
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0], "/home/ann/Trip/Framira_800x600");
    EXPECT_EQ(opened[1], "/srv/out");
}
