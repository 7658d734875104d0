// The owner-drawn widgets on the offscreen platform: hover notifications from
// synthetic pointer events, clicks, icons and what the widgets paint.
#include "bevel_progress.h"
#include "hover_button.h"
#include "textured_button.h"
#include "window_message.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <utility>
#include <vector>

namespace {

class CQtApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        if (QApplication::instance() == nullptr) {
            // ctest's environment for the suite does not always arrive.
            if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
                qputenv("QT_QPA_PLATFORM", "offscreen");
            static int argc = 1;
            static char name[] = "tests_display";
            static char* argv[] = {name, nullptr};
            application = std::make_unique<QApplication>(argc, argv);
        }
    }
    void TearDown() override { application.reset(); }

private:
    std::unique_ptr<QApplication> application;
};

[[maybe_unused]] ::testing::Environment* const kQtEnvironment =
    ::testing::AddGlobalTestEnvironment(new CQtApplicationEnvironment);

using Message = std::pair<int, int>;  // window message, control id

// A parent that records the notifications its buttons send it.
class CRecordingParent : public QWidget {
public:
    std::vector<Message> messages;

protected:
    bool event(QEvent* event) override
    {
        if (event->type() == CWindowMessageEvent::Type()) {
            const auto* message = static_cast<CWindowMessageEvent*>(event);
            messages.emplace_back(message->message, static_cast<int>(message->wParam));
            return true;
        }
        return QWidget::event(event);
    }
};

class HoverButtonTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        parent.resize(320, 80);
        first->setGeometry(10, 10, 100, 40);
        second->setGeometry(110, 10, 100, 40);
        parent.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
        parent.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&parent));
        QTest::mouseMove(&parent, {300, 70});
        parent.messages.clear();
    }

    CRecordingParent parent;
    CTexturedButton* first = new CTexturedButton(1001, &parent);
    CTexturedButton* second = new CTexturedButton(1002, &parent);
};

QImage SolidIcon(QRgb colour)
{
    QImage icon(8, 8, QImage::Format_ARGB32);
    icon.fill(colour);
    return icon;
}

} // namespace

TEST_F(HoverButtonTest, MovingAcrossButtonsEntersAndLeavesEachInTurn)
{
    QTest::mouseMove(&parent, {50, 30});
    EXPECT_TRUE(first->IsHovering());
    QTest::mouseMove(&parent, {150, 30});  // straight onto the neighbour
    QTest::mouseMove(&parent, {300, 70});
    const std::vector<Message> expected = {{UWM_BUTTON_ENTER, 1001},
                                           {UWM_BUTTON_LEAVE, 1001},
                                           {UWM_BUTTON_ENTER, 1002},
                                           {UWM_BUTTON_LEAVE, 1002}};
    EXPECT_EQ(parent.messages, expected);
    EXPECT_FALSE(second->IsHovering());
}

TEST_F(HoverButtonTest, DraggingInFromOutsideDoesNotStartHover)
{
    QTest::mousePress(&parent, Qt::LeftButton, {}, {300, 70});
    QTest::mouseMove(&parent, {50, 30});
    QTest::mouseRelease(&parent, Qt::LeftButton, {}, {50, 30});
    // The same drag as the button itself would see it, without Qt's grab.
    QMouseEvent drag(QEvent::MouseMove, QPointF(40, 20), first->mapToGlobal(QPointF(40, 20)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(first, &drag);
    EXPECT_FALSE(first->IsHovering());
    EXPECT_TRUE(parent.messages.empty());
}

TEST_F(HoverButtonTest, HoverEndsWhenTheButtonIsDisabledOrLosesTheFocus)
{
    first->setFocus();
    QTest::mouseMove(&parent, {50, 30});
    first->setEnabled(false);
    EXPECT_FALSE(first->IsHovering());
    EXPECT_TRUE(second->hasFocus());  // the next tab stop

    first->setEnabled(true);
    QTest::mouseMove(&parent, {150, 30});
    first->setFocus();
    const std::vector<Message> expected = {
        {UWM_BUTTON_ENTER, 1001}, {UWM_BUTTON_LEAVE, 1001}, {UWM_BUTTON_ENTER, 1002}, {UWM_BUTTON_LEAVE, 1002}};
    EXPECT_EQ(parent.messages, expected);
}

TEST_F(HoverButtonTest, DoubleClickCountsTwiceAndAClickTakesTheFocus)
{
    QSignalSpy clicks(second, &QAbstractButton::clicked);
    const QPointF at(20, 20);
    const QPointF global = second->mapToGlobal(at);
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
                                    QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, at, global, Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(second, &event);
    }
    EXPECT_EQ(clicks.count(), 2);
    EXPECT_TRUE(second->hasFocus());
}

TEST(HoverButtonIcon, DarkenedIconFollowsThePixelFormula)
{
    QImage icon(4, 1, QImage::Format_ARGB32);
    icon.setPixel(0, 0, qRgba(200, 100, 0, 255));
    icon.setPixel(1, 0, qRgba(255, 1, 3, 128));
    icon.setPixel(2, 0, qRgba(0, 0, 0, 255));
    icon.setPixel(3, 0, qRgba(4, 0, 0, 0));
    const QImage dark = CHoverButton::DarkenedIcon(icon);
    EXPECT_EQ(dark.pixel(0, 0), qRgba(150, 75, 0, 255));
    EXPECT_EQ(dark.pixel(1, 0), qRgba(191, 0, 2, 128));
    EXPECT_EQ(dark.pixel(2, 0), qRgba(0, 0, 0, 255));
    EXPECT_EQ(dark.pixel(3, 0), qRgba(3, 0, 0, 0));

    CHoverButton button(7, nullptr);
    EXPECT_EQ(button.SetIcon(icon, CHoverButton::kDarkenedIcon), 0);
    EXPECT_EQ(button.NormalIcon(), dark);
    EXPECT_EQ(button.SetIcon(QImage(), CHoverButton::kDarkenedIcon), 1);
    EXPECT_TRUE(button.HoverIcon().isNull());
    EXPECT_TRUE(button.NormalIcon().isNull());
    EXPECT_EQ(button.SetIconFromResource(":/no/such/icon.png", CHoverButton::kDarkenedIcon), 1);
}

TEST(HoverButtonIcon, IconPlacementAndPressedOffset)
{
    struct Case {
        const char* caption;
        bool pressed;
        QPoint topLeft;
        QRgb colour;  // normal (darkened) icon unless pressed
    };
    const Case cases[] = {
        {"", false, {16, 6}, qRgb(191, 0, 0)},
        {"&Add", false, {3, 6}, qRgb(191, 0, 0)},
        {"&Add", true, {4, 7}, qRgb(255, 0, 0)},
    };
    for (const Case& c : cases) {
        CHoverButton button(7, nullptr);
        button.resize(40, 20);
        button.setText(c.caption);
        button.SetIcon(SolidIcon(qRgb(255, 0, 0)), CHoverButton::kDarkenedIcon);
        button.setDown(c.pressed);
        const QImage shot = button.grab().toImage();
        EXPECT_EQ(shot.pixel(c.topLeft), c.colour) << c.caption << c.pressed;
        EXPECT_EQ(shot.pixel(c.topLeft + QPoint(7, 7)), c.colour) << c.caption << c.pressed;
        EXPECT_NE(shot.pixel(c.topLeft - QPoint(1, 1)), c.colour) << c.caption << c.pressed;
    }
}

TEST(TexturedButton, PaintsItsFaceAndRebuildsItOnResize)
{
    CTexturedButton button(9, nullptr);
    button.resize(96, 24);
    button.GenerateFaces(7, 4, 10, 20, qRgb(200, 200, 255));
    button.resize(60, 30);
    const QImage shot = button.grab().toImage();
    const CPaletteDib& face = button.Faces().normal;
    ASSERT_EQ(face.Width(), 60);
    ASSERT_EQ(face.Height(), 30);
    for (const QPoint p : {QPoint(2, 15), QPoint(30, 15), QPoint(58, 15), QPoint(30, 0)}) {
        const CRgbColour c = face.PaletteEntry(face.Row(29 - p.y())[p.x()]);
        EXPECT_EQ(shot.pixel(p), qRgb(c.red, c.green, c.blue)) << p.x() << "," << p.y();
    }
}

TEST(BevelProgress, PaintsOnlyTheBackgroundAtTheLowerBound)
{
    CBevelProgressCtrl bar(nullptr);
    bar.resize(120, 14);
    bar.setRange(0, 10);
    bar.setValue(0);
    bar.SetBarColor(qRgb(75, 142, 168));
    const QRgb background = qRgb(kBevelBarBackground.red, kBevelBarBackground.green, kBevelBarBackground.blue);
    const QImage empty = bar.grab().toImage();
    for (int y = 0; y < empty.height(); ++y)
        for (int x = 0; x < empty.width(); ++x)
            ASSERT_EQ(empty.pixel(x, y), background) << x << "," << y;

    bar.setValue(5);
    const QImage half = bar.grab().toImage();
    EXPECT_EQ(bar.BarColor(), qRgb(75, 142, 168));
    EXPECT_EQ(half.pixel(30, 7), qRgb(228, 244, 219));  // L3: 244 and 219 cannot take another 51
    EXPECT_EQ(half.pixel(80, 7), background);
}

namespace {

QImage DrawnIcon(QColor colour)
{
    QImage icon(20, 20, QImage::Format_ARGB32);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(colour.darker(150), 1.5));
    painter.setBrush(colour);
    painter.drawEllipse(QRectF(2.5, 2.5, 15, 15));
    painter.setPen(QPen(Qt::white, 2.5));
    painter.drawLine(QPointF(10, 6), QPointF(10, 14));
    painter.drawLine(QPointF(6, 10), QPointF(14, 10));
    return icon;
}

void Hover(CHoverButton* button)
{
    const QPointF at(5, 5);
    QMouseEvent move(QEvent::MouseMove, at, button->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(button, &move);
}

} // namespace

// Every state side by side; with FRAMIRA_DISPLAY_SHOTS set to a folder the
// sheet is saved there as controls.png to be looked at.
TEST(ControlSheet, HoverAndPressedFacesAreLighterThanTheNormalFace)
{
    QWidget panel;
    panel.resize(440, 200);
    panel.setStyleSheet("background-color: rgb(52, 58, 66);");
    struct CButtonCase {
        const char* caption;
        QRgb tint;
        int state;  // 0 normal, 1 hover, 2 pressed, 3 disabled
    };
    const CButtonCase cases[] = {
        {"&Add Files", qRgb(200, 200, 255), 0}, {"Add &Folder", qRgb(200, 200, 255), 1},
        {"&Remove", qRgb(200, 200, 255), 2},    {"&Clear", qRgb(200, 200, 255), 3},
        {"Subfolder", qRgb(0, 255, 0), 0},      {"Folder", qRgb(64, 64, 255), 0},
    };
    std::vector<CTexturedButton*> buttons;
    int index = 0;
    for (const CButtonCase& buttonCase : cases) {
        auto* button = new CTexturedButton(2000 + index, &panel);
        button->setGeometry(12 + (index % 3) * 140, 12 + (index / 3) * 44, 128, 34);
        button->setText(buttonCase.caption);
        button->SetIcon(DrawnIcon(index < 4 ? QColor(40, 120, 200) : QColor(buttonCase.tint)), CHoverButton::kDarkenedIcon);
        button->GenerateFaces(7, 4, 10, 20, buttonCase.tint);
        buttons.push_back(button);
        ++index;
    }
    auto* iconOnly = new CTexturedButton(2100, &panel);
    iconOnly->setGeometry(12, 100, 34, 34);
    iconOnly->SetIcon(DrawnIcon(QColor(200, 80, 40)), CHoverButton::kDarkenedIcon);
    iconOnly->GenerateFaces(7, 4, 10, 20, qRgb(200, 200, 255));
    int barRow = 0;
    for (const int value : {0, 40, 100}) {
        auto* bar = new CBevelProgressCtrl(&panel);
        bar->setGeometry(60, 100 + barRow++ * 26, 360, 18);
        bar->setRange(0, 100);
        bar->setValue(value);
        if (value == 40)
            bar->SetBarColor(qRgb(75, 142, 168));
    }
    panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
    Hover(buttons[1]);
    Hover(buttons[2]);
    buttons[2]->setDown(true);
    buttons[3]->setEnabled(false);

    const QImage sheet = panel.grab().toImage();
    if (const QByteArray folder = qgetenv("FRAMIRA_DISPLAY_SHOTS"); !folder.isEmpty())
        sheet.save(QString::fromLocal8Bit(folder) + "/controls.png");

    // Same point of the same-sized face: hover is lighter; pressed shows the
    // hover face one pixel down and right.
    const QPoint inside(60, 30);
    const QColor normal = sheet.pixelColor(buttons[0]->geometry().topLeft() + inside);
    const QColor hover = sheet.pixelColor(buttons[1]->geometry().topLeft() + inside);
    EXPECT_GT(hover.lightness(), normal.lightness());
    const CPaletteDib& pressedFace = buttons[2]->Faces().hover;
    const CRgbColour shifted = pressedFace.PaletteEntry(pressedFace.Row(34 - 30)[59]);
    EXPECT_EQ(sheet.pixel(buttons[2]->geometry().topLeft() + inside), qRgb(shifted.red, shifted.green, shifted.blue));
}
