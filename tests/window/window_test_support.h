#pragma once
// A main window on the scriptable test platform, pictures written in code
// and a way to let the window's event loop run until something happens.

#include "framira_dlg.h"
#include "image.h"
#include "test_platform_services.h"
#include "window_message.h"

#include <QApplication>
#include <QThread>

#include "scratch_folder.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace window_test {

namespace fs = std::filesystem;

using CScratchFolder = test_support::CScratchFolder;

// A small colourful JPEG: a gradient with a bright block, cols × rows.
inline std::string WritePicture(const std::string& path, int cols, int rows)
{
    CImage image(cols, rows, 3, kSampleByte);
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < cols; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * cols + x;
            image.plane[0][i] = static_cast<std::uint8_t>(255 * x / cols);
            image.plane[1][i] = static_cast<std::uint8_t>(255 * y / rows);
            image.plane[2][i] = (x / 8 + y / 8) % 2 ? 200 : 40;
        }
    EXPECT_EQ(image.WriteJPEG(path, 90, kSubsampling420), 0) << path;
    return path;
}

// Runs the event loop until `done` holds or the time is up.
inline bool RunEventsUntil(const std::function<bool()>& done, int seconds = 120)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

// Watches the window's messages: `after` runs once the window has handled
// each one.
class CMessageSpy : public QObject {
public:
    explicit CMessageSpy(CFramiraDlg& window) : window(window) { window.installEventFilter(this); }
    std::vector<int> messages;
    std::function<void(const CWindowMessageEvent&)> after;
    // Runs once the window has taken each preview the worker posted.
    std::function<void()> afterPreview;

    bool Saw(int message) const { return std::find(messages.begin(), messages.end(), message) != messages.end(); }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == CWindowMessageEvent::Type()) {
            const auto& message = *static_cast<CWindowMessageEvent*>(event);
            messages.push_back(message.message);
            static_cast<QObject&>(window).event(event);
            if (after)
                after(message);
            return true;
        }
        if (event->type() == CPreviewEvent::Type()) {
            static_cast<QObject&>(window).event(event);
            if (afterPreview)
                afterPreview();
            return true;
        }
        return false;
    }

private:
    CFramiraDlg& window;
};

struct CWindowFixture : public ::testing::Test {
    CWindowFixture()
    {
        platform.SetScreenSize({1920, 1080});
        platform.SetWorkArea({0, 0, 1920, 1040});
        window = std::make_unique<CFramiraDlg>(platform, help / "index.html");
        window->show();
    }
    std::vector<std::string> MessageTexts() const
    {
        std::vector<std::string> texts;
        for (const auto& box : platform.MessageBoxes())
            texts.push_back(box.box.text);
        return texts;
    }

    CScratchFolder help;
    CTestPlatformServices platform;
    std::unique_ptr<CFramiraDlg> window;
};

} // namespace window_test
