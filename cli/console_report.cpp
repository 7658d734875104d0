#include "console_report.h"

#include "cli_options.h"
#include "printable_path.h"

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

} // namespace

CConsoleReport::CConsoleReport(std::vector<std::string> sources, bool quiet, bool progressBar, std::mutex& terminal,
                               std::FILE* out, const CBatchWorker* job)
    : sources(std::move(sources)), quiet(quiet), terminal(terminal), out(out), job(job), progressBar(progressBar)
{
}

void CConsoleReport::SetOutputsPerPicture(int count)
{
    outputsPerPicture = std::max(count, 1);
}

void CConsoleReport::SetPicturesLeftOut(int missingCount, int skippedCount, int unreadableFolderCount)
{
    missing = missingCount;
    skipped = skippedCount;
    unreadableFolders = unreadableFolderCount;
}

void CConsoleReport::SetPassedOver(int ownOutputs, int twins, bool rawPreferred)
{
    ownOutputsPassedOver = ownOutputs;
    twinsPassedOver = twins;
    rawIsPreferred = rawPreferred;
}

void CConsoleReport::PassedOverTwin(const std::string& path)
{
    std::lock_guard lock(terminal);
    const bool barWasShown = barShown;
    Line("passed over  " + PrintablePath(path) +
             (rawIsPreferred ? ": the RAW file of the same name is framed (--raw)"
                             : ": a JPEG of the same name is framed (--raw frames the RAW)"),
         false);
    if (barWasShown)
        DrawProgress();
}

void CConsoleReport::SetDiskFull(const std::string& message)
{
    diskFull = true;
    diskFullMessage = message;
}

bool CConsoleReport::CurrentReport(CPictureReport& report) const
{
    return job != nullptr && job->FindPictureReport(Current(), report);
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
            resultsOfCurrent = 0;
        } else {
            // A picture framed at several sizes has a result for each.
            awaitingResult = ++resultsOfCurrent < outputsPerPicture;
            CPictureReport report;
            const bool reported = CurrentReport(report);
            if (StartsWith(n.text, kWritingProblem)) {
                ++writeFailed;
                std::string why = reported ? report.reason : std::string();
                if (why.empty() && outOfMemory)
                    why = "not enough memory for this picture";
                Line("failed   " + PrintablePath(Current()) + ": could not write " +
                         PrintablePath(n.text.substr(kWritingProblem.size())) +
                         (why.empty() ? "" : ": " + PrintablePath(why)),
                     true);
                outOfMemory = false;
            } else if (reported && report.outcome == EPictureOutcome::Damaged) {
                ++written;
                ++damaged;
                Line("damaged  " + PrintablePath(Current()) + ": " + PrintablePath(report.reason) +
                         "; framed what could be read into " + PrintablePath(n.text),
                     true);
            } else {
                ++written;
                Line("written  " + PrintablePath(n.text), false);
            }
        }
        break;
    case UWM_STATUS:
        if (StartsWith(n.text, kReadingProblem)) {
            awaitingResult = false;
            CPictureReport report;
            std::error_code error;
            bool gone = !std::filesystem::exists(std::filesystem::symlink_status(Current(), error));
            std::string why = gone ? "no such file" : "not a picture framira-batch can read";
            if (CurrentReport(report)) {
                gone = report.outcome == EPictureOutcome::Missing;
                why = report.reason;
            }
            ++(gone ? vanished : unreadable);
            Line((gone ? "missing  " : "unreadable  ") + PrintablePath(Current()) + ": " + PrintablePath(why), true);
        } else if (StartsWith(n.text, kOutOfMemory)) {
            outOfMemory = true;  // this picture is skipped; its line follows
        } else {
            engineFailure = n.text;
            Line("error    the frame engine could not be started: " + PrintablePath(n.text), true);
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
            Line("error    the job ended early: " + PrintablePath(n.text), true);
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

void CConsoleReport::PrintSummary(const char* stopSignal, bool refusedWithoutAnswer)
{
    std::lock_guard lock(terminal);
    EraseProgress();
    const std::size_t pictures = sources.size() + std::size_t(missing + skipped);
    std::string text =
        std::to_string(written) + " of " + std::to_string(pictures) + " picture" + (pictures == 1 ? "" : "s") + " written";
    if (outputsPerPicture > 1) {
        // Framed at several sizes: the outputs are counted, the problems by picture.
        const std::size_t outputs = pictures * std::size_t(outputsPerPicture);
        text = std::to_string(written) + " of " + std::to_string(outputs) + " outputs written (" +
               std::to_string(pictures) + " picture" + (pictures == 1 ? "" : "s") + " at " +
               std::to_string(outputsPerPicture) + " sizes)";
    }
    const auto count = [&text](int n, const char* what) {
        if (n > 0)
            text += ", " + std::to_string(n) + " " + what;
    };
    count(damaged, "from damaged files");
    count(missing + vanished, "missing");
    if (unreadableFolders > 0)
        text += ", " + std::to_string(unreadableFolders) + (unreadableFolders == 1 ? " folder" : " folders") +
                " could not be read";
    count(unreadable, "could not be read");
    count(writeFailed, "could not be written");
    count(skipped, "skipped (output exists)");
    if (!engineFailure.empty())
        text += "; the frame engine failed (" + PrintablePath(engineFailure) + ")";
    if (diskFull)
        text += "; stopped because the disk is full" +
                (diskFullMessage.empty() ? std::string() : ": " + PrintablePath(diskFullMessage));
    else if (stopped)
        text += stopSignal ? std::string("; stopped by ") + stopSignal : std::string("; stopped before the end");
    if (refusedWithoutAnswer)
        text += " (use --yes or --no to answer the overwrite question)";
    std::fprintf(out, "%s.\n", text.c_str());
    // Files left out on purpose: told apart from the count of pictures, as
    // they were never meant to be framed.
    if (ownOutputsPassedOver > 0)
        std::fprintf(out, "%d of framira-batch's own outputs passed over.\n", ownOutputsPassedOver);
    if (rawIsPreferred && twinsPassedOver > 0)
        std::fprintf(out, "%d JPEG file%s passed over (the RAW file%s of the same name framed, as --raw asks).\n",
                     twinsPassedOver, twinsPassedOver == 1 ? "" : "s", twinsPassedOver == 1 ? " is" : "s are");
    else if (twinsPassedOver == 1)
        std::fprintf(out, "1 RAW file passed over (its JPEG is framed; --raw frames the RAW).\n");
    else if (twinsPassedOver > 1)
        std::fprintf(out, "%d RAW files passed over (their JPEGs are framed; --raw frames the RAWs).\n",
                     twinsPassedOver);
    std::fflush(out);
}

int CConsoleReport::ExitStatus(int stopSignal) const
{
    if (diskFull)
        return kExitDiskFull;
    // A signal that came after the job had ended stopped nothing.
    if (stopSignal > 0 && (stopped || !done))
        return kExitStoppedBySignal + stopSignal;
    if (stopped || !engineFailure.empty() || !done)
        return kExitRefused;
    if (missing + vanished + unreadable + writeFailed + unreadableFolders > 0)
        return kExitSomeFailed;
    return damaged > 0 ? kExitDamaged : kExitAllWritten;
}
