#pragma once
// Runs the built framira-batch as a user would and captures what it says.

#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace cli_test {

namespace fs = std::filesystem;

// The program sits in the build tree's cli/ folder, beside tests/.
inline std::string ProgramPath()
{
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    return (self.parent_path().parent_path() / "cli" / "framira-batch").string();
}

struct CRunResult {
    int status = -1;  // exit status, or 128 + signal
    std::string out;
    std::string err;
};

// argv for execv: the program's path, then `args`. `storage` holds the
// strings the pointers point into and must outlive the call.
inline std::vector<char*> MakeArgv(const std::vector<std::string>& args, std::vector<std::string>& storage)
{
    storage = {ProgramPath()};
    storage.insert(storage.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : storage)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    return argv;
}

inline std::string ReadText(const fs::path& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A started framira-batch whose standard output can be read while it runs.
class CRunningProgram {
public:
    CRunningProgram(const std::vector<std::string>& args, const fs::path& scratch)
    {
        errPath = scratch / "stderr.txt";
        int pipeFds[2];
        if (::pipe(pipeFds) != 0)
            return;
        std::vector<std::string> storage;
        std::vector<char*> argv = MakeArgv(args, storage);
        pid = ::fork();
        if (pid == 0) {
            const int in = ::open("/dev/null", O_RDONLY);
            const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(in, 0);
            ::dup2(pipeFds[1], 1);
            ::dup2(err, 2);
            ::close(pipeFds[0]);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(pipeFds[1]);
        outFd = pipeFds[0];
    }
    ~CRunningProgram()
    {
        if (pid > 0)
            Finish();
    }

    // Reads standard output until `text` appears (true) or it ends (false).
    bool ReadUntil(const std::string& text)
    {
        char buffer[4096];
        while (out.find(text) == std::string::npos) {
            const ssize_t n = ::read(outFd, buffer, sizeof buffer);
            if (n <= 0)
                return false;
            out.append(buffer, std::size_t(n));
        }
        return true;
    }

    void Signal(int signalNumber) { ::kill(pid, signalNumber); }

    CRunResult Finish()
    {
        ReadUntil("\x01never\x01");
        ::close(outFd);
        int raw = 0;
        ::waitpid(pid, &raw, 0);
        pid = -1;
        CRunResult result;
        result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
        result.out = out;
        result.err = ReadText(errPath);
        return result;
    }

private:
    pid_t pid = -1;
    int outFd = -1;
    fs::path errPath;
    std::string out;
};

inline CRunResult RunProgram(const std::vector<std::string>& args, const fs::path& scratch)
{
    CRunningProgram program(args, scratch);
    return program.Finish();
}

} // namespace cli_test
