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

    static std::vector<int> Red() { return {1, 0}; }
    static std::vector<int> Blue() { return {0, 1}; }
    // The look fits its box, which lies right of the list still in use.
    void ExpectLookBesideTheList() const
    {
        const QRect look = window->PreviewImageRect();
        const QRect box = window->LookAreaRect();
        EXPECT_TRUE(List()->isVisible());
        EXPECT_TRUE(List()->isEnabled());
        EXPECT_LT(List()->geometry().right(), box.left());
        EXPECT_TRUE(box.contains(look));
        EXPECT_TRUE(look.width() == box.width() || look.height() == box.height())
            << look.width() << "x" << look.height();
    }

    CScratchFolder pictures;
};

TEST_F(CFlowWindow, ASelectedPictureShowsFramedBesideTheListAndTheLatestSelectionWins)
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
        ExpectLookBesideTheList();
        EXPECT_EQ(List()->SoleSelectedPath(), pictures / (c.clicks.back() ? "b_blue.jpg" : "a_red.jpg"));
    }
    EXPECT_FALSE(window->IsRunning());
    EXPECT_TRUE(platform.MessageBoxes().empty());
}

TEST_F(CFlowWindow, MoreEntriesSelectedTakeTheLookAwayAndTheArrowKeysMoveItAlong)
{
    Click(1);
    ASSERT_TRUE(RunEventsUntil([&] { return window->IsSelectionShown() && Centre() == Blue(); }, 60));
    ExpectLookBesideTheList();

    // Ctrl-click a second entry: both stay selected, the list takes the area.
    const QModelIndex first = List()->model()->index(0, 0);
    QTest::mouseClick(List()->viewport(), Qt::LeftButton, Qt::ControlModifier, List()->visualRect(first).center());
    EXPECT_FALSE(window->IsSelectionShown());
    RunEventsUntil([] { return false; }, 1);
    EXPECT_FALSE(window->IsSelectionShown()) << "no look on its way may come back";
    EXPECT_EQ(List()->SelectedPaths().size(), 2u);
    EXPECT_TRUE(List()->isVisible());
    EXPECT_EQ(List()->width(), window->PreviewAreaRect().width()) << "the list takes the whole area again";

    // Down from the entry clicked last selects the next one alone; Up goes back.
    QTest::keyClick(List(), Qt::Key_Down);
    ASSERT_TRUE(RunEventsUntil([&] { return window->IsSelectionShown() && Centre() == Blue(); }, 60));
    QTest::keyClick(List(), Qt::Key_Up);
    ASSERT_TRUE(RunEventsUntil([&] { return Centre() == Red(); }, 60));
    ExpectLookBesideTheList();
}

TEST_F(CFlowWindow, TheLookFollowsTheSizeAndGoesWithItsPicture)
{
    Click(0);
    ASSERT_TRUE(RunEventsUntil([&] { return window->IsSelectionShown(); }, 60));
    const QSize wide = window->PreviewImageRect().size();
    // 4:3 (640x480): the look is framed again at the new size.
    static_cast<QComboBox*>(window->Control(IDC_RESOLUTION_LIST))->setCurrentIndex(3);
    ASSERT_TRUE(RunEventsUntil([&] { return window->PreviewImageRect().size() != wide; }, 60));
    const QSize shown = window->PreviewImageRect().size();
    EXPECT_LE(std::abs(shown.width() * 3 - shown.height() * 4), 4) << shown.width();
    ExpectLookBesideTheList();

    Press(IDC_REMOVE);
    EXPECT_FALSE(window->IsSelectionShown());
    EXPECT_TRUE(List()->isVisible());
    EXPECT_FALSE(window->Preview().isVisible());
    EXPECT_EQ(List()->model()->rowCount(), 5);

    // Clear Inputs takes a look away too.
    Click(0);
    ASSERT_TRUE(RunEventsUntil([&] { return window->IsSelectionShown(); }, 60));
    Press(IDC_CLEAR_INPUTS);
    EXPECT_FALSE(window->IsSelectionShown());
    EXPECT_FALSE(window->Preview().isVisible());
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
