#include "console_report.h"

#include "cli_options.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string_view>

namespace {

// The beginnings of the job's status texts the report tells apart.
constexpr std::string_view kReadingProblem = "Problems reading";
constexpr std::string_view kWritingProblem = "Problems writing image ";  // then the output path
constexpr std::string_view kOutOfMemory = "Memory Allocation failed";

bool StartsWith(const std::string& text, std::string_view prefix)
{
    return std::string_view(text).substr(0, prefix.size()) == prefix;
}

// The reason the job gave after the file name: "Problems reading PATH:
// REASON... skipping." gives REASON; anything else gives nothing.
std::string ReadingProblemReason(const std::string& text, const std::string& path)
{
    const std::string head = std::string(kReadingProblem) + " " + path + ": ";
    constexpr std::string_view tail = "... skipping.";
    if (!StartsWith(text, head) || text.size() < head.size() + tail.size() || !text.ends_with(tail))
        return {};
    return text.substr(head.size(), text.size() - head.size() - tail.size());
}

} // namespace

CConsoleReport::CConsoleReport(std::vector<std::string> sources, bool quiet, bool progressBar, std::mutex& terminal,
                               std::FILE* out)
    : sources(std::move(sources)), quiet(quiet), terminal(terminal), out(out), progressBar(progressBar)
{
}

const std::string& CConsoleReport::Current() const
{
    static const std::string unknown = "?";
    return next > 0 && next <= sources.size() ? sources[next - 1] : unknown;
}

void CConsoleReport::Line(const std::string& text, bool problem)
{
    if (quiet && !problem)
        return;
    EraseProgress();
    std::FILE* stream = problem ? stderr : out;
    std::fprintf(stream, "%s\n", text.c_str());
    std::fflush(stream);
}

bool CConsoleReport::Handle(const CNotification& n)
{
    std::lock_guard lock(terminal);
    switch (n.message) {
    case UWM_PICTURE:
        progress = n.param;
        if (!awaitingResult) {
            ++next;
            awaitingResult = true;
        } else {
            awaitingResult = false;
            if (StartsWith(n.text, kWritingProblem)) {
                ++writeFailed;
                Line("failed   " + Current() + ": could not write " + n.text.substr(kWritingProblem.size()) +
                         (outOfMemory ? " (not enough memory for this picture)" : ""),
                     true);
                outOfMemory = false;
            } else {
                ++written;
                Line("written  " + n.text, false);
            }
        }
        break;
    case UWM_STATUS:
        if (StartsWith(n.text, kReadingProblem)) {
            awaitingResult = false;
            ++unreadable;
            std::string reason = ReadingProblemReason(n.text, Current());
            if (reason.empty()) {
                std::error_code error;
                reason = std::filesystem::exists(Current(), error) ? "not a picture framira-batch can read"
                                                                   : "no such file";
            }
            Line("skipped  " + Current() + ": " + reason, true);
        } else if (StartsWith(n.text, kOutOfMemory)) {
            outOfMemory = true;  // this picture is skipped; its line follows
        } else {
            engineFailure = n.text;
            Line("error    the frame engine could not be started: " + n.text, true);
        }
        break;
    case UWM_PICTURE_DONE:
        progress = n.param;
        break;
    case UWM_DONE:
        // A job that ends early carries the reason; one that ran to the end
        // carries no text.
        if (!n.text.empty() && engineFailure.empty()) {
            engineFailure = n.text;
            Line("error    the job ended early: " + n.text, true);
        }
        done = true;
        progress = engineFailure.empty() ? 100 : progress;
        break;
    case UWM_STOPPED:
        stopped = true;
        break;
    default:
        break;
    }
    DrawProgress();
    return done || stopped;
}

void CConsoleReport::DrawProgress()
{
    if (!progressBar)
        return;
    constexpr int width = 30;
    const int percent = std::clamp(progress, 0, 100);
    const int filled = percent * width / 100;
    std::string bar = "\r[" + std::string(std::size_t(filled), '#') + std::string(std::size_t(width - filled), '-') +
                      "] " + std::to_string(percent) + "%  " + std::to_string(std::min(next, sources.size())) + "/" +
                      std::to_string(sources.size()) + "\033[K";
    std::fputs(bar.c_str(), stderr);
    std::fflush(stderr);
    barShown = true;
}

void CConsoleReport::ClearProgress()
{
    std::lock_guard lock(terminal);
    EraseProgress();
}

void CConsoleReport::EraseProgress()
{
    if (!barShown)
        return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    barShown = false;
}

void CConsoleReport::PrintSummary(bool interrupted, bool refusedWithoutAnswer)
{
    std::lock_guard lock(terminal);
    EraseProgress();
    std::string text = std::to_string(written) + " of " + std::to_string(sources.size()) + " picture" +
                       (sources.size() == 1 ? "" : "s") + " written";
    if (unreadable)
        text += ", " + std::to_string(unreadable) + " could not be read";
    if (writeFailed)
        text += ", " + std::to_string(writeFailed) + " could not be written";
    if (!engineFailure.empty())
        text += "; the frame engine failed (" + engineFailure + ")";
    if (stopped)
        text += interrupted ? "; stopped by Ctrl-C" : "; stopped before the end";
    if (refusedWithoutAnswer)
        text += " (use --yes or --no to answer the overwrite question)";
    std::fprintf(out, "%s.\n", text.c_str());
    std::fflush(out);
}

int CConsoleReport::ExitStatus() const
{
    if (stopped || !engineFailure.empty() || !done)
        return kExitRefused;
    return (unreadable + writeFailed) > 0 ? kExitSomeFailed : kExitAllWritten;
}
