#include "console_platform.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <string>

namespace {

// Message texts carry line breaks meant for a dialog; a terminal line reads
// better with each run of them as one space.
std::string OneLine(const std::string& text)
{
    std::string line;
    for (const char c : text) {
        if (c != '\n')
            line += c;
        else if (!line.empty() && line.back() != ' ')
            line += ' ';
    }
    return line;
}

// What a question says beyond its fixed text: the lines after its first
// blank line (the folder and the files concerned), or "".
std::string Details(const std::string& text)
{
    const std::size_t gap = text.find("\n\n");
    return gap == std::string::npos ? std::string() : OneLine(text.substr(gap + 2));
}

} // namespace

CConsolePlatformServices::CConsolePlatformServices(EOverwritePolicy policy) : policy(policy) {}

void CConsolePlatformServices::PostNotification(CNotification notification)
{
    {
        std::lock_guard lock(queueLock);
        notifications.push_back(std::move(notification));
    }
    queued.notify_one();
}

bool CConsolePlatformServices::TakeNotification(CNotification& out, int timeoutMilliseconds)
{
    std::unique_lock lock(queueLock);
    if (!queued.wait_for(lock, std::chrono::milliseconds(timeoutMilliseconds), [&] { return !notifications.empty(); }))
        return false;
    out = std::move(notifications.front());
    notifications.pop_front();
    return true;
}

void CConsolePlatformServices::ShowHelp(const std::string& helpFile)
{
    std::fprintf(stderr, "Help: %s\n", helpFile.c_str());
}

EMessageAnswer CConsolePlatformServices::ShowMessageBox(const CMessageBox& box, const std::atomic<bool>* stopRequested)
{
    std::lock_guard lock(terminalLock);
    if (::isatty(STDERR_FILENO))
        std::fputs("\r\033[K", stderr);  // the progress bar's line
    EMessageAnswer answer = EMessageAnswer::Ok;
    if (box.buttons == EMessageButtons::Ok) {
        std::fprintf(stderr, "framira-batch: %s\n", OneLine(box.text).c_str());
    } else if (stopRequested && stopRequested->load()) {
        answer = EMessageAnswer::No;
    } else if (policy == EOverwritePolicy::Yes) {
        // The answer was given before the question: nothing to ask or show.
        answer = EMessageAnswer::Yes;
    } else if (policy == EOverwritePolicy::No) {
        std::fprintf(stderr, "framira-batch: existing outputs kept (--no); this folder is not framed. %s\n",
                     Details(box.text).c_str());
        answer = EMessageAnswer::No;
    } else if (!interactive && quiet) {
        std::fprintf(stderr,
                     "framira-batch: existing outputs kept: there is no terminal to ask on (use --yes to write over "
                     "them, --skip-existing to frame only new pictures). %s\n",
                     Details(box.text).c_str());
        unanswerable = true;
        answer = EMessageAnswer::No;
    } else if (!interactive) {
        std::fprintf(stderr,
                     "%s\n  -> no: there is no terminal to answer on. Run again with --yes to write over the "
                     "existing files, --skip-existing to frame only new pictures, or --no to keep them.\n",
                     box.text.c_str());
        unanswerable = true;
        answer = EMessageAnswer::No;
    } else {
        std::fprintf(stderr, "%s [y/N] ", box.text.c_str());
        std::fflush(stderr);
        answer = ReadAnswer(stopRequested);
    }
    std::fflush(stderr);
    return answer;
}

EMessageAnswer CConsolePlatformServices::ReadAnswer(const std::atomic<bool>* stopRequested)
{
    std::string line;
    for (;;) {
        if (stopRequested && stopRequested->load()) {
            std::fputs("\n  -> no (stopping)\n", stderr);
            return EMessageAnswer::No;
        }
        pollfd input{STDIN_FILENO, POLLIN, 0};
        const int ready = ::poll(&input, 1, 50);
        if (ready == 0 || (ready < 0 && errno == EINTR))
            continue;  // time to look at the stop flag again (a Ctrl-C wakes the wait)
        char c = 0;
        const ssize_t got = ready < 0 ? -1 : ::read(STDIN_FILENO, &c, 1);
        if (got <= 0) {
            std::fputs("\n  -> no (no answer)\n", stderr);
            unanswerable = true;
            return EMessageAnswer::No;
        }
        if (c != '\n') {
            line += c;
            continue;
        }
        const std::size_t start = line.find_first_not_of(" \t\r");
        const char first = start == std::string::npos ? 'n' : line[start];
        return (first == 'y' || first == 'Y') ? EMessageAnswer::Yes : EMessageAnswer::No;
    }
}
