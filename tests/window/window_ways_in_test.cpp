// What the window is started with, names as they are, and how a job is
// checked before it starts and stopped without closing the window.

#include "destination_check.h"
#include "dialog_layout.h"
#include "transparent_text.h"
#include "window_test_support.h"

#include <QCheckBox>
#include <QLineEdit>
#include "picture_list.h"
#include <QPainter>

#include <QPushButton>

#include <cerrno>
#include <fstream>
#include <set>

using namespace window_test;

namespace {

struct COpenedWindow : public CWindowFixture {
    CScratchFolder root;
    std::string Folder(const std::string& name)
    {
        const fs::path folder = root.path / name;
        fs::create_directories(folder);
        WritePicture(folder / "a.jpg", 16, 12);
        return folder.string();
    }
};

// The program started with folders and files: each row names what it was
// given, the source folder it should end with and the paths reported.
TEST_F(COpenedWindow, PathsGivenAtStartFillTheListSetTheSourceAndReportTheMissing)
{
    const std::string first = Folder("one");
    const std::string second = Folder("Tom & Jerry");
    const std::string loose = Folder("loose") + "/a.jpg";
    const std::string missing = (root.path / "gone").string();
    struct CCase {
        std::vector<std::string> given;
        std::string source;
        std::size_t listed;
        std::vector<std::string> reported;
    } cases[] = {
        {{first, second + "/"}, second, 2, {}},
        {{loose}, root.path.string() + "/loose", 1, {}},
        {{missing, first, root.path.string() + "/gone2.jpg"}, first, 1, {missing, root.path.string() + "/gone2.jpg"}},
        {{missing}, "", 0, {missing}},
    };
    for (const CCase& c : cases) {
        SCOPED_TRACE(c.given.front());
        window = std::make_unique<CFramiraDlg>(platform, help / "index.html");
        window->show();
        const std::size_t boxesBefore = platform.MessageBoxes().size();
        window->OnOpenPaths(c.given);
        EXPECT_EQ(window->InputList().Size(), c.listed);
        EXPECT_TRUE(window->Control(IDC_PICTURE_LIST)->isVisible());
        EXPECT_FALSE(window->IsStartPictureShown());
        EXPECT_EQ(window->Destination().GetSourceFolder(), c.source);
        EXPECT_EQ(window->Source().Line().trimmed().toStdString(), c.source);
        if (!c.source.empty()) {
            EXPECT_NE(window->DestinationPanel().Line().toStdString().find(c.source), std::string::npos);
            window->DestinationPanel().OnViewOutputs();
            EXPECT_EQ(platform.FoldersOpened().back(), c.source + "/Framira_1920x1080");
        }
        const auto boxes = platform.MessageBoxes();
        ASSERT_EQ(boxes.size() - boxesBefore, c.reported.empty() ? 0u : 1u);
        for (const std::string& path : c.reported)
            EXPECT_NE(boxes.back().box.text.find(path + ": No such file or directory"), std::string::npos);
    }
}

TEST_F(COpenedWindow, NamesWithAnAmpersandAreShownAsTheyAre)
{
    const std::string folder = Folder("Tom & Jerry");
    window->OnOpenPaths({folder});
    auto* line = static_cast<CTransparentText*>(window->Control(IDC_SOURCE_LINE));
    // The label draws its text without mnemonics: its picture shows both
    // words with the ampersand between, as wide as the plain text.
    EXPECT_EQ(line->ShownText().trimmed().toStdString(), folder);
    // What the user must see: the name drawn literally ("&&" is a literal
    // ampersand even where mnemonics are shown).
    QImage expected(line->size(), QImage::Format_ARGB32_Premultiplied);
    {
        QPainter painter(&expected);
        painter.fillRect(expected.rect(), Qt::white);
        painter.setFont(line->font());
        painter.setPen(Qt::black);
        painter.drawText(expected.rect(), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine | Qt::TextShowMnemonic,
                         line->ShownText().replace("&", "&&"));
    }
    EXPECT_EQ(line->grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied), expected);
    const auto* list = static_cast<CPictureList*>(window->Control(IDC_PICTURE_LIST));
    ASSERT_EQ(list->model()->rowCount(), 1);
    EXPECT_EQ(list->model()->index(0, 0).data().toString().toStdString(), folder + "/a.jpg");
}

TEST_F(COpenedWindow, WalksPassOverEveryPresetsSubfolderAndTheDesignatedFolder)
{
    const std::string top = Folder("photos");
    for (const char* sub : {"Framira_640x480", "Framira_1920x1080", "chosen", "Framira_old", "trip"})
        Folder("photos/" + std::string(sub));
    // A folder designated once, then the subfolder choice again.
    window->DestinationPanel().OnDesignatedChoice();
    platform.SetBrowseResult(top + "/chosen");
    window->DestinationPanel().OnChooseFolder();
    window->DestinationPanel().OnSubfolderChoice();
    CTestPlatformServices::CFolderOptionsReply yes;
    yes.answer = EFolderOptionsAnswer::Yes;
    platform.QueueFolderOptionsReply(yes);
    static_cast<QCheckBox*>(window->Control(IDC_INCLUDE_SUBFOLDERS))->setChecked(true);
    window->Source().OnIncludeSubfolders();
    window->OnOpenPaths({top});
    EXPECT_EQ(window->InputList().Entries(),
              (std::vector<std::string>{top + "/a.jpg", top + "/Framira_old/a.jpg", top + "/trip/a.jpg"}));
}

TEST_F(COpenedWindow, OverwritingADesignatedFolderIsAskedOncePerJob)
{
    const std::string one = Folder("one");
    const std::string two = Folder("two") + "/a.jpg";
    fs::rename(two, root.path / "two" / "b.jpg");
    const std::string out = Folder("out");  // a.jpg and b.jpg, the outputs of one/a.jpg and two/b.jpg
    WritePicture(out + "/b.jpg", 16, 12);
    window->DestinationPanel().OnDesignatedChoice();
    platform.SetBrowseResult(out);
    window->DestinationPanel().OnChooseFolder();
    window->OnOpenPaths({one, (root.path / "two").string()});
    platform.QueueAnswer(EMessageAnswer::Yes);
    CMessageSpy spy(*window);
    window->OnProcessImages();
    ASSERT_TRUE(RunEventsUntil([&] { return spy.Saw(UWM_DONE) || spy.Saw(UWM_STOPPED); }));
    std::vector<std::string> questions;
    for (const auto& box : platform.MessageBoxes())
        if (box.box.buttons == EMessageButtons::YesNo)
            questions.push_back(box.box.text);
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_NE(questions[0].find("In " + out + ": a.jpg, b.jpg (2 files)"), std::string::npos) << questions[0];
}

TEST_F(COpenedWindow, DesignateFolderEmptiesTheFieldUntilAFolderIsChosen)
{
    const std::string out = Folder("out");
    window->OnOpenPaths({Folder("one")});
    window->DestinationPanel().OnDesignatedChoice();
    const auto* field = static_cast<QLineEdit*>(window->Control(IDC_FOLDER_BOX));
    EXPECT_EQ(field->text(), "") << "the subfolder's name is no designated folder";
    EXPECT_NE(window->DestinationPanel().Line().indexOf("Choose Folder"), -1);
    platform.SetBrowseResult(out);
    window->DestinationPanel().OnChooseFolder();
    EXPECT_EQ(field->text().toStdString(), out);
    EXPECT_EQ(window->DestinationPanel().Line().toStdString(), out);
    window->DestinationPanel().OnSubfolderChoice();
    EXPECT_EQ(field->text(), "Framira_1920x1080");
}

// Folders that refuse new files, as a read-only medium does (the tests run
// as root, whom permissions never stop).
class CReadOnlyPlatform : public CTestPlatformServices {
public:
    std::set<std::string> readOnly;
    int ProbeWritableFolder(const std::string& folder) override
    {
        for (const std::string& refused : readOnly)
            if (folder.rfind(refused, 0) == 0)
                return EACCES;
        return CTestPlatformServices::ProbeWritableFolder(folder);
    }
};

TEST(WindowStartCheck, OutputFoldersThatCannotBeWrittenAreNamedBeforeTheJobStarts)
{
    CScratchFolder root;
    const fs::path source = root.path / "cd";
    const fs::path designated = root.path / "out";
    fs::create_directories(designated);
    fs::create_directories(source);
    WritePicture(source / "a.jpg", 16, 12);
    struct CCase {
        const char* name;
        bool designate;
        bool subfolderExists;
        std::string readOnly;
        std::vector<std::string> said;
    } cases[] = {
        {"beside a read-only source", false, false, source.string(),
         {"cannot be written beside this source folder", source.string() + ": Permission denied",
          "Choose Designate Folder"}},
        {"into a read-only subfolder", false, true, (source / "Framira_1920x1080").string(),
         {source.string() + ": Permission denied", "Designate Folder"}},
        {"into a read-only designated folder", true, false, designated.string(),
         {kCannotWriteMessage, designated.string() + ": Permission denied"}},
    };
    for (const CCase& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(source / "Framira_1920x1080");
        if (c.subfolderExists)
            fs::create_directories(source / "Framira_1920x1080");
        CReadOnlyPlatform platform;
        platform.SetScreenSize({1920, 1080});
        platform.readOnly = {c.readOnly};
        CFramiraDlg window(platform, "");
        window.Source().OnDropFiles({source / "a.jpg"});
        if (c.designate) {
            window.DestinationPanel().OnDesignatedChoice();
            platform.SetBrowseResult(designated.string());
            window.DestinationPanel().OnChooseFolder();
        }
        window.OnProcessImages();
        EXPECT_FALSE(window.IsRunning());
        ASSERT_EQ(platform.MessageBoxes().size(), 1u);
        for (const std::string& part : c.said)
            EXPECT_NE(platform.MessageBoxes().front().box.text.find(part), std::string::npos)
                << platform.MessageBoxes().front().box.text;
        EXPECT_EQ(fs::exists(source / "Framira_1920x1080"), c.subfolderExists);
    }
}

struct CStoppedWindow : public CWindowFixture {
    CScratchFolder pictures;
    void ListPictures(int count)
    {
        std::vector<std::string> paths;
        for (int i = 0; i < count; ++i)
            paths.push_back(WritePicture(pictures / ("p" + std::to_string(i) + ".jpg"), 96, 64));
        window->Source().OnDropFiles(paths);
    }
    QPushButton* Button(int id) const { return static_cast<QPushButton*>(window->Control(id)); }
};

TEST_F(CStoppedWindow, StopEndsAfterThePictureInHandAndKeepsTheWindowWithTheList)
{
    ListPictures(4);
    EXPECT_FALSE(Button(IDC_CANCEL_BUTTON)->isVisible());
    CMessageSpy spy(*window);
    window->OnProcessImages();
    window->OnProcessImages();  // paused: a stop must release it too
    ASSERT_TRUE(RunEventsUntil([&] { return window->Job().IsHalted(); }));
    EXPECT_TRUE(Button(IDC_CANCEL_BUTTON)->isVisible());
    Button(IDC_CANCEL_BUTTON)->click();
    EXPECT_FALSE(window->IsRunning());
    ASSERT_TRUE(RunEventsUntil([&] { return spy.Saw(UWM_STOPPED); }));
    QApplication::processEvents();
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->Control(IDC_PICTURE_LIST)->isVisible());
    EXPECT_FALSE(Button(IDC_CANCEL_BUTTON)->isVisible());
    EXPECT_EQ(window->InputList().Size(), 4u);
    const std::string written = std::to_string(window->Job().picturesWritten);
    EXPECT_EQ(MessageTexts().back().rfind("Processing stopped: " + written + " of 4 pictures framed.", 0), 0u)
        << MessageTexts().back();
    // The window takes another run.
    window->OnProcessImages();
    EXPECT_TRUE(window->IsRunning());
    ASSERT_TRUE(RunEventsUntil([&] { return !window->Job().IsRunning(); }));
}

TEST_F(CStoppedWindow, ADoubleClickOnProcessStartsWithoutPausing)
{
    ListPictures(2);
    Button(IDC_PROCESS_IMAGES)->click();
    Button(IDC_PROCESS_IMAGES)->click();
    EXPECT_TRUE(window->IsRunning());
    EXPECT_FALSE(window->IsPaused());
    CMessageSpy spy(*window);
    ASSERT_TRUE(RunEventsUntil([&] { return spy.Saw(UWM_DONE); }));
}

} // namespace
