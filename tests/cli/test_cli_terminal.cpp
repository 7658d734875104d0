// framira-batch on a terminal: the overwrite question is asked there, and a
// Ctrl-C while it waits stops the job instead of hanging.
#include "test_cli_support.h"

#include "../app/test_pipeline_support.h"

#include <poll.h>

#include <chrono>
#include <cstdlib>

using namespace cli_test;
using pipeline_test::CScratchFolder;

namespace {

// framira-batch with a pseudo-terminal as its standard input and error.
class CTerminalProgram {
public:
    CTerminalProgram(const std::vector<std::string>& args, const fs::path& outFile)
    {
        master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0)
            return;
        const std::string slaveName = ::ptsname(master);
        std::vector<std::string> storage;
        std::vector<char*> argv = MakeArgv(args, storage);
        pid = ::fork();
        if (pid == 0) {
            ::setsid();
            const int slave = ::open(slaveName.c_str(), O_RDWR);
            const int out = ::open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(slave, 0);
            ::dup2(out, 1);
            ::dup2(slave, 2);
            ::close(master);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
    }
    ~CTerminalProgram()
    {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
        if (master >= 0)
            ::close(master);
    }

    // Reads the terminal until `text` appears or 30 seconds have passed.
    bool WaitFor(const std::string& text)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        char buffer[1024];
        while (screen.find(text) == std::string::npos) {
            if (std::chrono::steady_clock::now() > end)
                return false;
            pollfd fd{master, POLLIN, 0};
            if (::poll(&fd, 1, 100) <= 0)
                continue;
            const ssize_t n = ::read(master, buffer, sizeof buffer);
            if (n <= 0)
                return false;
            screen.append(buffer, std::size_t(n));
        }
        return true;
    }
    // Reads whatever the terminal shows for `milliseconds`.
    void Watch(int milliseconds)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        char buffer[1024];
        while (std::chrono::steady_clock::now() < end) {
            pollfd fd{master, POLLIN, 0};
            if (::poll(&fd, 1, 20) <= 0)
                continue;
            const ssize_t n = ::read(master, buffer, sizeof buffer);
            if (n <= 0)
                return;
            screen.append(buffer, std::size_t(n));
        }
    }
    void Type(const std::string& text) { (void)!::write(master, text.data(), text.size()); }
    void Signal(int signalNumber) { ::kill(pid, signalNumber); }
    int Finish()
    {
        // Keep draining the terminal so the program never blocks on it.
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        char buffer[1024];
        while (std::chrono::steady_clock::now() < end) {
            int raw = 0;
            if (::waitpid(pid, &raw, WNOHANG) == pid) {
                pid = -1;
                return WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
            }
            pollfd fd{master, POLLIN, 0};
            if (::poll(&fd, 1, 20) > 0) {
                const ssize_t n = ::read(master, buffer, sizeof buffer);
                if (n > 0)
                    screen.append(buffer, std::size_t(n));
                else
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        }
        return -1;
    }

    std::string screen;

private:
    int master = -1;
    pid_t pid = -1;
};

class CliTerminalTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(fs::exists(ProgramPath())) << "build framira-batch first: " << ProgramPath();
        pipeline_test::WriteJpeg(in / "a.jpg", 32, 24);
        pipeline_test::WriteBytes(out / "a.jpg", {'o', 'l', 'd'});
    }

    CScratchFolder in, out, scratch;
};

TEST_F(CliTerminalTest, QuestionIsAskedOnTheTerminalAndYesWritesOver)
{
    CTerminalProgram program({"--preset", "1", "--out", out.path.string(), in / "a.jpg"}, scratch / "out.txt");
    ASSERT_TRUE(program.WaitFor("[y/N]")) << program.screen;
    EXPECT_NE(program.screen.find("Do you want to write over the files"), std::string::npos);
    program.Type("y\n");
    EXPECT_EQ(program.Finish(), 0) << program.screen;
    EXPECT_GT(pipeline_test::ReadBytes(out / "a.jpg").size(), 3u);
    EXPECT_NE(ReadText(scratch / "out.txt").find("1 of 1 picture written."), std::string::npos);
}

TEST_F(CliTerminalTest, CtrlCDuringTheQuestionStopsWithoutWriting)
{
    CTerminalProgram program({"--preset", "1", "--out", out.path.string(), in / "a.jpg"}, scratch / "out.txt");
    ASSERT_TRUE(program.WaitFor("[y/N]")) << program.screen;
    program.Signal(SIGINT);
    EXPECT_EQ(program.Finish(), 130) << program.screen;
    EXPECT_EQ(pipeline_test::ReadBytes(out / "a.jpg"), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
    EXPECT_NE(ReadText(scratch / "out.txt").find("stopped by Ctrl-C"), std::string::npos);
}

TEST_F(CliTerminalTest, NothingIsDrawnOverAWaitingQuestion)
{
    // Two folder groups: the first is framed with its progress bar, the
    // second finds its output there and asks. The question must stay the
    // last thing on the terminal until it is answered.
    // The drawing races the question, so a few rounds give it its chances.
    fs::create_directories(in / "first");
    fs::create_directories(in / "second");
    pipeline_test::WriteJpeg(in / "first/p.jpg", 48, 32);
    pipeline_test::WriteJpeg(in / "second/a.jpg", 32, 24);
    for (int round = 0; round < 3; ++round) {
        fs::remove(out / "p.jpg");
        CTerminalProgram program({"--preset", "1", "--out", out.path.string(), in / "first", in / "second"},
                                 scratch / "out.txt");
        ASSERT_TRUE(program.WaitFor("[y/N] ")) << program.screen;
        program.Watch(300);
        const std::string tail = program.screen.substr(program.screen.rfind("[y/N] "));
        EXPECT_EQ(tail, "[y/N] ") << "round " << round << ": " << program.screen;
        program.Type("n\n");
        EXPECT_EQ(program.Finish(), 2) << program.screen;
    }
}

} // namespace
