#pragma once
// A main window on the scriptable test platform, pictures written in code
// and a way to let the window's event loop run until something happens.

#include "destination_panel.h"
#include "framira_dlg.h"
#include "source_panel.h"
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

// Watches the job controller's signals, each under the notification it
// stands for: `after` runs once the window has handled each one.
class CMessageSpy : public QObject {
public:
    explicit CMessageSpy(CFramiraDlg& window)
    {
        CJobController& job = window.Controller();
        // Connected after the window's own: the window has handled each first.
        connect(&job, &CJobController::PictureAnnounced, this, [this] { Record(UWM_PICTURE); });
        connect(&job, &CJobController::Progress, this, [this] { Record(UWM_PICTURE_DONE); });
        connect(&job, &CJobController::Status, this, [this] { Record(UWM_STATUS); });
        connect(&job, &CJobController::Done, this, [this] { Record(UWM_DONE); });
        connect(&job, &CJobController::Stopped, this, [this] { Record(UWM_STOPPED); });
        connect(&job, &CJobController::Preview, this, [this] {
            if (afterPreview)
                afterPreview();
        });
    }
    std::vector<int> messages;
    std::function<void(int message)> after;
    // Runs once the window has taken each preview the worker handed over.
    std::function<void()> afterPreview;

    bool Saw(int message) const { return std::find(messages.begin(), messages.end(), message) != messages.end(); }

private:
    void Record(int message)
    {
        messages.push_back(message);
        if (after)
            after(message);
    }
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
