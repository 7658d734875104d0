// Building the list from the window: the file dialog, the folder browser
// with its "Add Folder Options" question, drops, Remove and Clear Inputs;
// and the stored choices around the window.

#include "dialog_layout.h"
#include "drag_options.h"
#include "framira_app.h"
#include "qt_platform_services.h"
#include "settings.h"
#include "window_test_support.h"

#include <QCheckBox>
#include <QLineEdit>
#include "picture_list.h"
#include <QSettings>

#include <fstream>

using namespace window_test;

namespace {

struct CListWindow : public CWindowFixture {
    CListWindow()
    {
        // photos/ 1.jpg 2.JPEG 3.png 4.bmp notes.txt, with subfolders holding one picture each.
        for (const char* name : {"1.jpg", "2.JPEG", "3.png", "4.bmp", "notes.txt"})
            std::ofstream(photos / name) << "x";
        for (const char* folder : {"Framira_1024x768", "old_scans", "Old", "trip"}) {
            fs::create_directories(photos.path / folder);
            std::ofstream(photos.path / folder / "s.jpg") << "x";
        }
    }
    std::vector<std::string> Listed() const { return window->InputList().Entries(); }
    std::vector<std::string> Shown() const
    {
        std::vector<std::string> shown;
        const auto* list = static_cast<CPictureList*>(window->Control(IDC_PICTURE_LIST));
        for (int row = 0; row < list->model()->rowCount(); ++row)
            shown.push_back(list->model()->index(row, 0).data().toString().toStdString());
        return shown;
    }
    void IncludeSubfolders()
    {
        static_cast<QCheckBox*>(window->Control(IDC_INCLUDE_SUBFOLDERS))->setChecked(true);
        window->Source().OnIncludeSubfolders();
    }
    std::string In(const std::string& name) const { return photos / name; }

    CScratchFolder photos;
};

TEST_F(CListWindow, AddFolderWithoutSubfoldersAsksNothingAndTakesThePictures)
{
    platform.SetBrowseResult(photos.path.string());
    window->Source().OnAddFolder();
    const std::vector<std::string> expected{In("1.jpg"), In("2.JPEG"), In("3.png"), In("4.bmp")};
    EXPECT_EQ(Listed(), expected);
    EXPECT_EQ(Shown(), expected);
    EXPECT_TRUE(platform.FolderOptionsAsked().empty());
    EXPECT_EQ(window->Source().Line().toStdString(), " " + photos.path.string());
    EXPECT_EQ(window->DestinationPanel().Line().toStdString(), photos / "Framira_1920x1080");
    EXPECT_TRUE(window->Control(IDC_PICTURE_LIST)->isVisible()) << "the list comes into view";
}

TEST_F(CListWindow, FolderOptionsAnswersDecideTheWalk)
{
    struct CCase {
        const char* name;
        EFolderOptionsAnswer answer;
        const char* keywords;  // typed with the ignore box checked; null: box left clear
        std::vector<std::string> subfolderPictures;  // besides the folder's own
        bool addsNothing;
    };
    const CCase cases[] = {
        {"Yes walks every subfolder but earlier outputs'", EFolderOptionsAnswer::Yes, nullptr,
         {"Old/s.jpg", "old_scans/s.jpg", "trip/s.jpg"}, false},
        {"keywords skip by case-sensitive name", EFolderOptionsAnswer::Yes, "Framira; old",
         {"Old/s.jpg", "trip/s.jpg"}, false},
        {"No takes the folder alone", EFolderOptionsAnswer::No, nullptr, {}, false},
        {"Cancel adds nothing", EFolderOptionsAnswer::Cancel, nullptr, {}, true},
    };
    for (const CCase& c : cases) {
        SCOPED_TRACE(c.name);
        window->Source().OnClearInputs();
        static_cast<QCheckBox*>(window->Control(IDC_INCLUDE_SUBFOLDERS))->setChecked(true);
        window->Source().OnIncludeSubfolders();  // no source folder yet: asks nothing
        platform.SetBrowseResult(photos.path.string());
        CTestPlatformServices::CFolderOptionsReply reply;
        reply.answer = c.answer;
        reply.ignoreFolders = c.keywords != nullptr;
        if (c.keywords)
            reply.keywordText = std::string(c.keywords);
        platform.QueueFolderOptionsReply(reply);
        window->Source().OnAddFolder();
        std::vector<std::string> expected;
        if (!c.addsNothing) {
            expected = {In("1.jpg"), In("2.JPEG"), In("3.png"), In("4.bmp")};
            for (const std::string& sub : c.subfolderPictures)
                expected.push_back(In(sub));
            std::sort(expected.begin(), expected.end(), [](const std::string& a, const std::string& b) {
                return QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive) < 0;
            });
        }
        EXPECT_EQ(Listed(), expected);
    }
    EXPECT_EQ(platform.FolderOptionsAsked().size(), 4u);
    EXPECT_EQ(platform.FolderOptionsAsked().back().folderName, photos.path.string());
}

TEST_F(CListWindow, ADropOfTwoFoldersAnsweredNoToAllAsksOnce)
{
    IncludeSubfolders();
    platform.QueueFolderOptionsReply({EFolderOptionsAnswer::NoToAll, std::nullopt, std::nullopt});
    window->Source().OnDropFiles({In("trip"), In("Old"), In("1.jpg")});
    EXPECT_EQ(platform.FolderOptionsAsked().size(), 1u);
    EXPECT_EQ(Listed(), (std::vector<std::string>{In("1.jpg"), In("Old/s.jpg"), In("trip/s.jpg")}));
    EXPECT_EQ(window->Source().Line(), " ") << "a drop leaves the source line alone";
}

TEST_F(CListWindow, CheckingIncludeSubfoldersAddsTheSubfoldersOfTheLastFolder)
{
    platform.SetBrowseResult(photos.path.string());
    window->Source().OnAddFolder();
    platform.QueueFolderOptionsReply({EFolderOptionsAnswer::Yes, std::nullopt, std::nullopt});
    IncludeSubfolders();
    EXPECT_EQ(Listed().size(), 7u) << "Framira_1024x768 holds an earlier run's outputs";
}

TEST_F(CListWindow, AddUsesTheFileDialogAndRemembersItsFolder)
{
    platform.SetChooseFilesResult(std::vector<std::string>{In("4.bmp"), In("1.jpg"), In("notes.txt")});
    window->Source().OnAdd();
    const CFileDialogRequest request = platform.FileDialogsShown().at(0);
    EXPECT_EQ(request.title, "Add Pictures");
    EXPECT_EQ(request.defaultExtension, "jpg");
    EXPECT_TRUE(request.multipleSelection);
    EXPECT_EQ(request.filters.at(1), (std::pair<std::string, std::string>{"JPEG Files (*.jpg)", "*.jpg"}));
    EXPECT_NE(request.filters.at(0).second.find("*.png;"), std::string::npos) << "every listed format is offered";
    EXPECT_EQ(Listed(), (std::vector<std::string>{In("1.jpg"), In("4.bmp")}));
    EXPECT_EQ(window->InputList().GetBrowsePath(), photos.path.string());
    EXPECT_EQ(window->DestinationPanel().Line().toStdString(), photos / "Framira_1920x1080");

    // Remove the selection; an emptied list forgets its source folder.
    auto* list = static_cast<CPictureList*>(window->Control(IDC_PICTURE_LIST));
    list->selectionModel()->select(list->model()->index(0, 0), QItemSelectionModel::Select);
    window->Source().OnRemove();
    EXPECT_EQ(Listed(), std::vector<std::string>{In("4.bmp")});
    EXPECT_EQ(window->DestinationPanel().Line().toStdString(), photos / "Framira_1920x1080");
    list->selectionModel()->select(list->model()->index(0, 0), QItemSelectionModel::Select);
    window->Source().OnRemove();
    EXPECT_TRUE(Listed().empty());
    EXPECT_EQ(window->Source().Line(), " ");
    EXPECT_EQ(window->DestinationPanel().Line(), " ");
}

TEST(DragOptions, TheKeywordBoxFollowsTheCheckBoxAndCancelReadsNothing)
{
    CFolderOptionsQuestion question{"/photos", false, ";; Framira"};
    CDragOptions dialog(question, nullptr);
    EXPECT_FALSE(dialog.KeywordBox()->isEnabled());
    dialog.IgnoreBox()->click();
    EXPECT_TRUE(dialog.KeywordBox()->isEnabled());
    dialog.Choose(EFolderOptionsAnswer::YesToAll);
    EXPECT_EQ(dialog.keywords, std::vector<std::string>{"Framira"});

    CDragOptions cancelled(question, nullptr);
    cancelled.KeywordBox()->setText("changed");
    cancelled.Choose(EFolderOptionsAnswer::Cancel);
    EXPECT_EQ(cancelled.keywordText, ";; Framira");
    EXPECT_TRUE(cancelled.keywords.empty());
}

// QSettings under the temporary configuration folders the test main sets.
TEST(StoredSettings, FirstRunDefaultsAndAStoredDesignatedChoiceStillOpenWithTheSubfolder)
{
    QSettings(QSettings::NativeFormat, QSettings::UserScope, "Brevant Inc", "Framira").clear();
    CQtPlatformServices platform;
    const CStoredSettings first = ReadStoredSettings(platform);
    EXPECT_EQ(first.browsePath, "");
    EXPECT_EQ(first.ignoreFilter, "Framira");
    EXPECT_FALSE(first.ignoreFolder);
    EXPECT_EQ(first.saveType, 2);

    platform.WriteSettingInt(kSettingsSection, "SaveType", 1);
    platform.WriteSettingString(kSettingsSection, "BrowsePath", "/photos");
    platform.WriteSettingInt(kSettingsSection, "IgnoreFolder", 1);
    platform.WriteSettingInt(kSettingsSection, "RecurseDirectories", 1);
    CFramiraDlg window(platform, "");
    window.ApplySettings(ReadStoredSettings(platform));
    EXPECT_EQ(window.Destination().GetSaveType(), 2);
    EXPECT_EQ(window.InputList().GetBrowsePath(), "/photos");

    // Closing with a designated folder writes it and its choice.
    window.DestinationPanel().OnDesignatedChoice();
    static_cast<QLineEdit*>(window.Control(IDC_FOLDER_BOX))->setText("unused");
    WriteStoredSettings(platform, window.CollectSettings());
    QSettings stored("Brevant Inc", "Framira");
    EXPECT_EQ(stored.value("Settings/SaveType").toInt(), 1);
    EXPECT_EQ(stored.value("Settings/RecurseDirectories").toInt(), 0) << "a folder walk never starts recursive";
    EXPECT_EQ(stored.value("Settings/IgnoreFolder").toInt(), 1);
    EXPECT_EQ(stored.value("Settings/BrowsePath").toString(), "/photos");
    EXPECT_TRUE(stored.contains("Settings/OutputFolderName"));
}

TEST(StoredSettings, TheMachineVersionIsWrittenOnceAndNeverChanged)
{
    CQtPlatformServices platform;
    QSettings machine(QSettings::NativeFormat, QSettings::SystemScope, "Brevant Inc", "Framira");
    machine.clear();
    machine.sync();
    platform.WriteMachineSettingOnce("1.0", "Version", "1.0.0.0");
    platform.WriteMachineSettingOnce("1.0", "Version", "2.0.0.0");
    machine.sync();
    EXPECT_EQ(machine.value("1.0/Version").toString(), "1.0.0.0");
}

} // namespace
