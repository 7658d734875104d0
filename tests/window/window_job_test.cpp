// The main window end to end: how it opens, a whole job with its preview
// and progress, pause and resume, stop, and the keys.

#include "dialog_layout.h"
#include "preview_layout.h"
#include "window_test_support.h"

#include <QComboBox>
#include <QKeyEvent>
#include <fstream>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

using namespace window_test;

namespace {

struct CJobWindow : public CWindowFixture {
    // `count` pictures in one folder, listed, framed at 480 × 320.
    void ListPictures(int count, int cols = 96, int rows = 64)
    {
        std::vector<std::string> paths;
        for (int i = 0; i < count; ++i)
            paths.push_back(WritePicture(pictures / ("p" + std::to_string(i) + ".jpg"), cols + 8 * i, rows));
        window->Source().OnDropFiles(paths);
        static_cast<QComboBox*>(window->Control(IDC_RESOLUTION_LIST))->setCurrentIndex(1);
    }
    

    CScratchFolder pictures;
};

TEST_F(CWindowFixture, OpensWithTheStartPictureAndTheScreensSubfolder)
{
    EXPECT_EQ(window->windowTitle(), QString::fromUtf8("Framira\u2122 - 1.0.0"));
    EXPECT_EQ(window->size(), QSize(814, 665));
    // 20, 88, 497 × 230 dialog units.
    EXPECT_EQ(window->PreviewAreaRect(), QRect(30, 143, 746, 374));
    EXPECT_TRUE(window->IsStartPictureShown());
    EXPECT_FALSE(window->Control(IDC_PICTURE_LIST)->isVisible());
    EXPECT_TRUE(window->Control(IDC_PICTURE_AREA)->isVisible());
    EXPECT_FALSE(window->Control(IDC_VIEW_OUTPUTS)->isEnabled());
    EXPECT_FALSE(window->Control(IDC_CHOOSE_FOLDER)->isEnabled());
    EXPECT_EQ(static_cast<QLineEdit*>(window->Control(IDC_FOLDER_BOX))->text(), "Framira_1920x1080");
    EXPECT_EQ(window->Destination().GetSaveType(), 2);
    const auto* list = static_cast<QComboBox*>(window->Control(IDC_RESOLUTION_LIST));
    ASSERT_EQ(list->count(), 16);
    EXPECT_EQ(list->itemText(0), "Current Monitor");
    EXPECT_EQ(list->itemText(1), QString::fromUtf8("3:2 (480x320) \u201CHVGA\u201D"));
    EXPECT_EQ(list->itemText(12), "16:9 (1920x1080) \"HDTV\"");
    EXPECT_EQ(platform.MachineSettings().at("1.0/Version"), "1.0.0.0");
}

TEST(WindowVersionRecord, AnExistingVersionIsLeftAsItIs)
{
    CTestPlatformServices platform;
    platform.SetMachineSetting("1.0", "Version", "0.9.0.0");
    CFramiraDlg window(platform, "");
    EXPECT_EQ(platform.MachineSettings().at("1.0/Version"), "0.9.0.0");
}

TEST_F(CJobWindow, FramesTheListWithPreviewsAndProgress)
{
    ListPictures(3);
    CMessageSpy spy(*window);
    std::vector<int> progress;
    std::vector<bool> viewOutputs;
    std::vector<QSize> previews;
    spy.after = [&](int message) {
        if (message != UWM_PICTURE && message != UWM_PICTURE_DONE)
            return;
        progress.push_back(static_cast<QProgressBar*>(window->Control(IDC_PROGRESS))->value());
        if (message == UWM_PICTURE) {
            viewOutputs.push_back(window->Control(IDC_VIEW_OUTPUTS)->isEnabled());
            previews.push_back(window->PreviewImageRect().size());
        }
    };
    std::vector<QSize> shown;  // each preview the worker handed over
    spy.afterPreview = [&] { shown.push_back(window->PreviewImageRect().size()); };

    window->OnProcessImages();
    EXPECT_TRUE(window->IsRunning());
    EXPECT_EQ(window->ProcessLook(), EButtonLook::Pause);
    EXPECT_EQ(window->CancelLook(), EButtonLook::Stop);
    EXPECT_FALSE(window->Control(IDC_ADD)->isEnabled());
    EXPECT_FALSE(window->Control(IDC_RESOLUTION_LIST)->isEnabled());
    ASSERT_TRUE(RunEventsUntil([&] { return spy.Saw(UWM_DONE); }));

    // Announced, written, done: the bar follows the truncated halves of a
    // third, and only the completion sets it to 100.
    EXPECT_EQ(progress, (std::vector<int>{16, 16, 33, 50, 50, 66, 83, 83, 99}));
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Processing Complete."});
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(fs::exists(pictures.path / "Framira_480x320" / ("p" + std::to_string(i) + ".jpg")));
    // The worker hands over previews already scaled: the job's first source
    // as the print will sit on a 3:2 screen, then each framed picture, which
    // fills the area's height (480 × 320 at 374 / 320). View Outputs wakes
    // with the second notification, the written picture.
    EXPECT_EQ(viewOutputs, (std::vector<bool>{false, true, true, true, true, true}));
    const float firstScale = PreviewScale(746, 374, 96, 64, true, 1.5f);
    EXPECT_EQ(shown, (std::vector<QSize>{QSize(static_cast<int>(96 * firstScale + 0.5f),
                                               static_cast<int>(64 * firstScale + 0.5f)),
                                         QSize(561, 374), QSize(561, 374), QSize(561, 374)}));
    ASSERT_EQ(previews.size(), 6u);
    EXPECT_EQ(previews[1], QSize(561, 374));
    EXPECT_EQ(previews[2], QSize(561, 374)) << "later announcements keep the last framed picture";
    // Back to idle: the list again, the bar at rest, the controls on.
    EXPECT_FALSE(window->IsRunning());
    EXPECT_EQ(window->ProcessLook(), EButtonLook::Process);
    EXPECT_EQ(window->CancelLook(), EButtonLook::Close);
    EXPECT_TRUE(window->Control(IDC_PICTURE_LIST)->isVisible());
    EXPECT_EQ(static_cast<QProgressBar*>(window->Control(IDC_PROGRESS))->value(), 0);
    EXPECT_TRUE(window->Control(IDC_ADD)->isEnabled());
    EXPECT_FALSE(window->Control(IDC_CHOOSE_FOLDER)->isEnabled());
    EXPECT_EQ(window->PreviewSteps(), 0.0f);
}

TEST_F(CJobWindow, TheCompletionNamesWhatWasNotFramedAndWhy)
{
    ListPictures(1);
    std::ofstream(pictures / "notes.jpg") << "not a picture";
    window->Source().OnDropFiles({pictures / "notes.jpg"});
    CMessageSpy spy(*window);
    window->OnProcessImages();
    ASSERT_TRUE(RunEventsUntil([&] { return spy.Saw(UWM_DONE); }));
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Processing Complete.\n\n1 picture was not framed cleanly:\n"
                                                       "unreadable: " + (pictures / "notes.jpg") + " (unknown format)"});
}

TEST_F(CJobWindow, PauseHaltsTheJobAndResumeFinishesIt)
{
    ListPictures(4);
    CMessageSpy spy(*window);
    window->OnProcessImages();
    window->OnProcessImages();
    EXPECT_TRUE(window->IsPaused());
    EXPECT_EQ(window->ProcessLook(), EButtonLook::Resume);
    ASSERT_TRUE(RunEventsUntil([&] { return window->Job().IsHalted(); }));
    QApplication::processEvents();
    const std::size_t seen = spy.messages.size();
    QThread::msleep(200);
    QApplication::processEvents();
    EXPECT_EQ(spy.messages.size(), seen) << "a paused job posts nothing";

    window->OnProcessImages();
    EXPECT_EQ(window->ProcessLook(), EButtonLook::Pause);
    ASSERT_TRUE(RunEventsUntil([&] { return spy.Saw(UWM_DONE); }));
    EXPECT_EQ(window->Job().picturesWritten, 4);
}

TEST_F(CJobWindow, EscStopsAfterThePictureInHandThenClosesTheWindow)
{
    ListPictures(4);
    CMessageSpy spy(*window);
    window->OnProcessImages();
    // Paused first: a stop must also release a paused job.
    window->OnProcessImages();
    ASSERT_TRUE(RunEventsUntil([&] { return window->Job().IsHalted(); }));
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &esc);
    EXPECT_FALSE(window->IsRunning());
    EXPECT_FALSE(window->Job().IsRunning());
    EXPECT_EQ(window->CancelLook(), EButtonLook::Close);
    EXPECT_EQ(window->ProcessLook(), EButtonLook::Process);
    EXPECT_TRUE(window->Control(IDC_ADD)->isEnabled());
    EXPECT_LT(window->Job().picturesWritten, 4);
    // The worker's own stop notice then closes the window, as Cancel does.
    ASSERT_TRUE(RunEventsUntil([&] { return !window->isVisible(); }));
    EXPECT_TRUE(spy.Saw(UWM_STOPPED));
}

TEST_F(CJobWindow, EnterDoesNothingAndEscClosesAnIdleWindow)
{
    ListPictures(1);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &enter);
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->IsRunning());
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &esc);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(CJobWindow, NothingStartsWithoutPicturesOrAnExistingDesignatedFolder)
{
    window->OnProcessImages();
    window->DestinationPanel().OnDesignatedChoice();
    platform.SetBrowseResult((pictures.path / "missing").string());
    window->DestinationPanel().OnChooseFolder();
    ListPictures(1);
    window->OnProcessImages();
    EXPECT_EQ(MessageTexts(),
              (std::vector<std::string>{"No images to process", "Selected output folder does not exist"}));
    EXPECT_EQ(window->Destination().GetFolderText(), "");
    EXPECT_FALSE(window->IsRunning());
}

TEST_F(CWindowFixture, HelpAndLogoButtonsShowTheirPicturesWhileThePointerIsOverThem)
{
    window->Source().OnDropFiles({});
    CWindowMessageEvent leave(UWM_BUTTON_LEAVE, IDC_HELP_BUTTON);
    QApplication::sendEvent(window.get(), &leave);
    EXPECT_FALSE(window->IsStartPictureShown());
    EXPECT_TRUE(window->Control(IDC_PICTURE_LIST)->isVisible());

    CWindowMessageEvent enter(UWM_BUTTON_ENTER, IDC_LOGO_BUTTON);
    QApplication::sendEvent(window.get(), &enter);
    EXPECT_TRUE(window->IsStartPictureShown());
    EXPECT_FALSE(window->Control(IDC_PICTURE_LIST)->isVisible());
    EXPECT_EQ(window->PreviewImageRect().size(), QSize(742, 373));
    EXPECT_TRUE(window->PreviewAreaRect().contains(window->PreviewImageRect()));

    window->OnHelp();
    EXPECT_EQ(platform.HelpShown(), std::vector<std::string>{help / "index.html"});
}

} // namespace
