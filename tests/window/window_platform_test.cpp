// The desktop platform's questions asked from a job's worker.

#include "qt_platform_services.h"
#include "window_test_support.h"

#include <thread>

using namespace window_test;

// A question open on the window's thread must let go of a worker whose stop
// was requested, or a window waiting for that worker would hang for ever.
TEST(QtPlatformQuestions, AStopAnswersAWorkersOpenQuestionNo)
{
    CQtPlatformServices platform;
    std::atomic<bool> stop{false};
    std::atomic<bool> answered{false};
    EMessageAnswer answer = EMessageAnswer::Yes;
    std::thread worker([&] {
        answer = platform.ShowMessageBox(
            CMessageBox{"Write over?", {}, EMessageButtons::YesNo, EMessageIcon::Exclamation}, &stop);
        answered = true;
    });
    std::thread user([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        stop = true;
    });
    const bool done = RunEventsUntil([&] { return answered.load() && !QApplication::activeModalWidget(); }, 30);
    user.join();
    worker.join();
    ASSERT_TRUE(done);
    EXPECT_EQ(answer, EMessageAnswer::No);
}
