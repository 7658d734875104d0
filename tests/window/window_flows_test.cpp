// The window as a user meets it: opened on a folder as from the command
// line, a picture selected and its framed look shown, Process and Stop
// pressed with the mouse.

#include "dialog_layout.h"
#include "picture_list.h"
#include "preview_pane.h"
#include "window_test_support.h"

#include <QComboBox>
#include <QTest>

using namespace window_test;

namespace {

// A solid picture, so a look at it is told apart by its colour.
void WriteSolid(const std::string& path, int cols, int rows, std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    CImage image(cols, rows, 3, kSampleByte);
    for (std::size_t i = 0; i < image.PixelCount(); ++i) {
        image.plane[0][i] = r;
        image.plane[1][i] = g;
        image.plane[2][i] = b;
    }
    ASSERT_EQ(image.WriteJPEG(path, 95, kSubsampling420), 0) << path;
}

struct CFlowWindow : public CWindowFixture {
    // Opened on a folder of a red, a blue and four gradient pictures, at
    // 480 × 320.
    CFlowWindow()
    {
        WriteSolid(pictures / "a_red.jpg", 90, 60, 220, 20, 20);
        WriteSolid(pictures / "b_blue.jpg", 60, 90, 20, 20, 220);
        for (int i = 0; i < 4; ++i)
            WritePicture(pictures / ("c" + std::to_string(i) + ".jpg"), 96, 64);
        window->OnOpenPaths({pictures.path.string()});
        static_cast<QComboBox*>(window->Control(IDC_RESOLUTION_LIST))->setCurrentIndex(1);
    }
    CPictureList* List() const { return window->Source().List(); }
    void Click(int row)
    {
        const QModelIndex entry = List()->model()->index(row, 0);
        QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, List()->visualRect(entry).center());
    }
    void Press(int id) { QTest::mouseClick(static_cast<QWidget*>(window->Control(id)), Qt::LeftButton); }
    // The shown picture's centre pixel.
    std::vector<int> Centre() const
    {
        const CImage& p = window->Preview().Picture();
        if (p.planes != 3)
            return {};
        const std::size_t i = std::size_t(p.rows / 2) * p.cols + p.cols / 2;
        return {p.plane[0][i] > 128, p.plane[2][i] > 128};
    }

    CScratchFolder pictures;
};

TEST_F(CFlowWindow, ASelectedPictureShowsFramedAndTheLatestSelectionWins)
{
    ASSERT_EQ(List()->model()->rowCount(), 6);
    ASSERT_TRUE(List()->isVisible()) << "a folder given at start brings the list";
    const struct {
        std::vector<int> clicks;   // rows, one after another without waiting
        std::vector<int> colour;   // red?, blue? of the picture on show
    } cases[] = {
        // Each click changes the selection: the second supersedes the first.
        {{0}, {1, 0}}, {{1, 0}, {1, 0}}, {{1}, {0, 1}}, {{0, 1}, {0, 1}}};
    for (const auto& c : cases) {
        SCOPED_TRACE("last click on row " + std::to_string(c.clicks.back()));
        for (int row : c.clicks)
            Click(row);
        ASSERT_TRUE(RunEventsUntil([&] { return window->IsSelectionShown() && Centre() == c.colour; }, 60));
        // An older look still on its way never replaces the latest.
        RunEventsUntil([] { return false; }, 1);
        EXPECT_EQ(Centre(), c.colour);
        EXPECT_FALSE(List()->isVisible());
        // Framed at 480 × 320, scaled as a job's framed pictures are.
        EXPECT_EQ(window->PreviewImageRect().size(), QSize(561, 374));
        EXPECT_TRUE(window->PreviewAreaRect().contains(window->PreviewImageRect()));
        // A click on the picture brings the list back, the selection kept.
        QTest::mouseClick(&window->Preview(), Qt::LeftButton);
        EXPECT_TRUE(List()->isVisible());
        EXPECT_FALSE(window->IsSelectionShown());
        EXPECT_EQ(List()->SoleSelectedPath(), pictures / (c.clicks.back() ? "b_blue.jpg" : "a_red.jpg"));
    }
    EXPECT_FALSE(window->IsRunning());
    EXPECT_TRUE(platform.MessageBoxes().empty());
}

TEST_F(CFlowWindow, TheLookFollowsTheSizeAndGoesWithItsPicture)
{
    Click(0);
    ASSERT_TRUE(RunEventsUntil([&] { return window->IsSelectionShown(); }, 60));
    // 4:3 (640x480): the look is framed again at the new size.
    static_cast<QComboBox*>(window->Control(IDC_RESOLUTION_LIST))->setCurrentIndex(3);
    ASSERT_TRUE(RunEventsUntil([&] { return window->PreviewImageRect().width() < 561; }, 60));
    const QSize shown = window->PreviewImageRect().size();
    EXPECT_EQ(shown.height(), 374);
    EXPECT_LE(std::abs(shown.width() * 3 - shown.height() * 4), 4) << shown.width();

    Press(IDC_REMOVE);
    EXPECT_FALSE(window->IsSelectionShown());
    EXPECT_TRUE(List()->isVisible());
    EXPECT_EQ(List()->model()->rowCount(), 5);
}

TEST_F(CFlowWindow, ProcessThenStopKeepsTheWindowAndNoSelectionLooksDuringTheJob)
{
    // Every picture after the first waits to be read until the stop.
    CBatchWorker& job = window->Job();
    job.decode = [&job, first = pictures / "a_red.jpg"](const std::string& path) {
        while (path != first && !job.IsStopRequested())
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        return DecodePicture(path);
    };
    CMessageSpy spy(*window);
    Press(IDC_PROCESS_IMAGES);
    ASSERT_TRUE(window->IsRunning());
    EXPECT_TRUE(window->Control(IDC_CANCEL_BUTTON)->isVisible());
    ASSERT_TRUE(RunEventsUntil([&] { return spy.Saw(UWM_PICTURE); }));

    // The job's previews own the centre area: a selection waits.
    List()->setCurrentIndex(List()->model()->index(1, 0));
    RunEventsUntil([] { return false; }, 1);
    EXPECT_FALSE(window->IsSelectionShown());

    Press(IDC_CANCEL_BUTTON);
    EXPECT_FALSE(window->IsRunning());
    ASSERT_TRUE(RunEventsUntil([&] { return spy.Saw(UWM_STOPPED); }));
    EXPECT_TRUE(window->isVisible());
    const std::vector<std::string> texts = MessageTexts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].rfind("Processing stopped: ", 0), 0u) << texts[0];
    EXPECT_EQ(window->ProcessLook(), EButtonLook::Process);
    EXPECT_FALSE(window->Control(IDC_CANCEL_BUTTON)->isVisible());
    EXPECT_TRUE(List()->isVisible());

    // Idle again: a selection shows its look.
    Click(0);
    ASSERT_TRUE(RunEventsUntil([&] { return window->IsSelectionShown(); }, 60));
    EXPECT_EQ(Centre(), (std::vector<int>{1, 0}));
}

} // namespace
