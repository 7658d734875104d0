// framira-batch: frames pictures from the command line through the same job
// the window runs.
#include "batch_worker.h"
#include "cli_options.h"
#include "cli_sources.h"
#include "console_platform.h"
#include "console_report.h"
#include "file_list.h"
#include "json_report.h"
#include "output_path.h"
#include "printable_path.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

// The signal that asked the job to stop (0: none).
volatile sig_atomic_t interrupted = 0;
std::atomic<bool>* stopFlag = nullptr;
static_assert(std::atomic<bool>::is_always_lock_free, "the stop flag is set from a signal handler");

// Ctrl-C, a polite kill and a closed terminal all stop the job the same way:
// after the current picture, with the summary.
constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

void OnInterrupt(int signalNumber)
{
    interrupted = signalNumber;
    if (stopFlag)
        stopFlag->store(true);
    // The same signal again ends the program at once.
    ::signal(signalNumber, SIG_DFL);
}

const char* StopSignalName(int signalNumber)
{
    switch (signalNumber) {
    case 0: return nullptr;
    case SIGINT: return "Ctrl-C";
    case SIGTERM: return "SIGTERM";
    case SIGHUP: return "SIGHUP";
    default: return "a signal";
    }
}

// The stop signals stop the job while it runs, and only then.
class CStopSignals {
public:
    explicit CStopSignals(std::atomic<bool>& flag)
    {
        stopFlag = &flag;
        struct sigaction action {};
        action.sa_handler = OnInterrupt;
        sigemptyset(&action.sa_mask);
        for (const int signalNumber : kStopSignals)
            ::sigaction(signalNumber, &action, nullptr);
    }
    ~CStopSignals()
    {
        for (const int signalNumber : kStopSignals)
            ::signal(signalNumber, SIG_DFL);
        stopFlag = nullptr;
    }
    CStopSignals(const CStopSignals&) = delete;
    CStopSignals& operator=(const CStopSignals&) = delete;
};

// Sends file descriptor 1 to /dev/null and keeps the real standard output
// as Out() until Restore().
class CStdoutDetour {
public:
    CStdoutDetour()
    {
        const int keep = ::dup(STDOUT_FILENO);
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (keep >= 0 && null >= 0) {
            out = ::fdopen(keep, "w");
            if (out && ::dup2(null, STDOUT_FILENO) >= 0)
                saved = keep;
        }
        if (null >= 0)
            ::close(null);
        if (saved < 0) {
            if (out)
                std::fclose(out);
            else if (keep >= 0)
                ::close(keep);
            out = nullptr;
        }
    }
    ~CStdoutDetour() { Restore(); }
    CStdoutDetour(const CStdoutDetour&) = delete;
    CStdoutDetour& operator=(const CStdoutDetour&) = delete;

    std::FILE* Out() const { return out ? out : stdout; }
    void Restore()
    {
        if (saved < 0)
            return;
        std::fflush(stdout);
        std::fflush(out);
        ::dup2(saved, STDOUT_FILENO);
        std::fclose(out);  // closes `saved` too
        out = nullptr;
        saved = -1;
    }

private:
    std::FILE* out = nullptr;
    int saved = -1;
};

// Writes the --report lines (when there is a report): what was left out,
// then every picture the job dealt with, then the summary. Returns `status`.
int WriteReport(std::FILE* file, const std::vector<std::string>& leftOut, const CBatchWorker& job, int status)
{
    if (file == nullptr)
        return status;
    std::map<std::string, std::int64_t> counts;
    for (const std::string& line : leftOut)
        std::fprintf(file, "%s\n", line.c_str());
    for (const CPictureReport& picture : job.GetAllReports()) {
        std::fprintf(file, "%s\n", PictureReportLine(picture).c_str());
        ++counts[PictureStatusWord(picture.outcome)];
    }
    std::vector<std::pair<std::string, CJsonValue>> summary = {{"summary", std::string("framira-batch")},
                                                                {"exit_status", std::int64_t{status}}};
    for (const auto& [word, count] : counts)
        summary.emplace_back(word, count);
    summary.emplace_back("left_out", std::int64_t(leftOut.size()));
    std::fprintf(file, "%s\n", JsonLine(summary).c_str());
    std::fflush(file);
    return status;
}

// Runs the job to its end, printing as it goes; a stop signal stops it
// after the picture in hand. False when it could not be started.
bool RunUntilEnd(CBatchWorker& job, CConsoleReport& report, CConsolePlatformServices& platform)
{
    const CStopSignals stopSignals(job.stopRequested);
    if (!job.Start())
        return false;

    bool announcedStop = false;
    for (bool ended = false; !ended;) {
        // Asked before the queue is looked at: a job posts its end before its
        // thread ends, so once it has ended an empty queue holds nothing more.
        const bool running = job.IsRunning();
        CNotification notification;
        if (platform.TakeNotification(notification, 100)) {
            ended = report.Handle(notification);
        } else if (!running) {
            break;  // a job always posts its end; this only guards against waiting for ever
        }
        if (interrupted && !announcedStop) {
            announcedStop = true;
            job.RequestStop();
            report.ClearProgress();
            std::fprintf(stderr, "Stopping after the current picture...\n");
        }
    }
    job.Wait();
    return true;
}

int Fail(const std::string& message, int status)
{
    std::fprintf(stderr, "framira-batch: %s\n", message.c_str());
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    CCliOptions options;
    std::string error;
    if (!ParseCommandLine(args, options, error))
        return Fail(error, kExitUsage);
    if (options.help) {
        std::fputs(UsageText().c_str(), stdout);
        return kExitAllWritten;
    }
    if (options.version) {
        std::fputs(VersionText().c_str(), stdout);
        return kExitAllWritten;
    }
    if (options.listPresets) {
        std::fputs(PresetListText().c_str(), stdout);
        return kExitAllWritten;
    }

    // The engine's thread count crosses the library boundary as its
    // environment variable, set before any thread exists and before the
    // engine first reads it.
    if (options.threads > 0 && ::setenv("FRAMIRA_THREADS", std::to_string(options.threads).c_str(), 1) != 0)
        return Fail("the thread count could not be passed to the engine", kExitRefused);

    CConsolePlatformServices platform(options.overwrite);
    platform.SetInteractive(::isatty(STDIN_FILENO) && ::isatty(STDERR_FILENO));
    platform.SetQuiet(options.quiet);
    for (const std::string& warning : options.warnings)
        std::fprintf(stderr, "framira-batch: warning: %s\n", warning.c_str());

    // Every source is known, and the report can be written, before anything
    // is framed.
    std::vector<std::string> sourcePaths = options.paths;
    if (!options.filesFrom.empty()) {
        CFileList fileList;
        std::string listError;
        if (!ReadFileList(options.filesFrom, options.nullSeparated, stdin, fileList, listError))
            return Fail(PrintablePath(listError), kExitRefused);
        for (const std::string& warning : fileList.warnings)
            std::fprintf(stderr, "framira-batch: warning: %s\n", PrintablePath(warning).c_str());
        sourcePaths.insert(sourcePaths.end(), fileList.paths.begin(), fileList.paths.end());
    }
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> reportFile(nullptr, std::fclose);
    if (!options.reportFile.empty() && options.reportFile != "-") {
        reportFile.reset(std::fopen(options.reportFile.c_str(), "w"));
        if (!reportFile)
            return Fail("the report " + PrintablePath(options.reportFile) + " cannot be written: " +
                            std::strerror(errno),
                        kExitRefused);
    }
    // With the report on standard output, the lines for people go to
    // standard error.
    const bool reportToStdout = options.reportFile == "-";
    std::FILE* const humanOut = reportToStdout ? stderr : stdout;

    // Where the outputs go, then the pictures.
    CCliDestination destination;
    if (std::string destinationError; !ChooseDestination(options, platform, destination, destinationError))
        return Fail(destinationError, kExitRefused);
    CJobSettings& settings = destination.settings;
    CInputList list(platform);
    CCliSources sources = GatherSources(options, sourcePaths, destination, platform, list);
    const int missing = sources.missing;
    std::vector<std::string>& reportLines = sources.reportLines;
    const CPassedOver& passedOver = list.PassedOver();

    settings.queue.assign(list.Entries().begin(), list.Entries().end());
    settings.keepUnmarkedFiles = options.skipExisting;
    settings.shard = options.shard;
    CBatchWorker job;
    SetUpJob(job, settings, platform, platform);
    if (job.picturesSkipped > 0 && !options.quiet) {
        for (const CPictureReport& report : job.GetPictureReports())
            std::fprintf(humanOut, "skipped  %s: its output exists (%s)\n", PrintablePath(report.source).c_str(),
                         PrintablePath(report.output).c_str());
    }
    // Every name is decided before the first picture is written; a name
    // held by a file that is not this picture's output is said, not taken.
    job.PlanOutputs();
    for (const std::string& path : job.queue) {
        const COutputAssignment* planned = job.outputPlan.Find(path);
        if (planned && !planned->displacedFrom.empty() && !options.quiet)
            std::fprintf(humanOut, "renamed  %s: %s is not its output and is kept; writing %s\n",
                         PrintablePath(path).c_str(), PrintablePath(planned->displacedFrom).c_str(),
                         PrintablePath(SplitSourceName(planned->output).fileName).c_str());
    }
    if (job.queue.empty()) {
        std::string skipped =
            job.picturesSkipped ? ", " + std::to_string(job.picturesSkipped) + " skipped (output exists)" : "";
        if (const std::size_t folders = passedOver.unreadableFolders.size(); folders > 0)
            skipped += ", " + std::to_string(folders) + (folders == 1 ? " folder" : " folders") + " could not be read";
        if (!passedOver.ownOutputs.empty())
            skipped += ", " + std::to_string(passedOver.ownOutputs.size()) + " of framira-batch's own outputs passed over";
        std::fprintf(humanOut, "Nothing to frame%s.\n", skipped.c_str());
        const int status = missing || !passedOver.unreadableFolders.empty() ? kExitSomeFailed : kExitAllWritten;
        return WriteReport(reportToStdout ? stdout : reportFile.get(), reportLines, job, status);
    }

    // Something will be framed: the engine readies the first size's textures
    // on its own thread while the first picture is decoded.
    Framira_Prepare(settings.presetIndex, settings.customWidth, settings.customHeight);

    std::list<std::string> order = job.queue;
    SortPathsNoCase(order);
    const bool bar = !options.noProgress && ::isatty(STDERR_FILENO);

    // The engine prints a diagnostic line for every step of every picture on
    // standard output; the report's lines are what a user wants to read
    // there, so the engine's go to /dev/null while the job runs.
    std::fflush(stdout);
    CStdoutDetour detour;
    CConsoleReport report(std::vector<std::string>(order.begin(), order.end()), options.quiet, bar,
                          platform.TerminalLock(), reportToStdout ? stderr : detour.Out(), &job);
    report.SetOutputsPerPicture(int(job.TargetCount()));
    report.SetPicturesLeftOut(missing, job.picturesSkipped, int(passedOver.unreadableFolders.size()));
    report.SetPassedOver(int(passedOver.ownOutputs.size()), int(passedOver.twins.size()), options.preferRaw);
    for (const std::string& twin : passedOver.twins)
        report.PassedOverTwin(twin);

    if (!RunUntilEnd(job, report, platform))
        return Fail("the worker thread could not be started", kExitRefused);
    // An output folder made for this run and left empty (every picture
    // failed) goes again; not by one shard of many, whose neighbours may be
    // about to write into it.
    if (options.shard.count > 1)
        destination.madeFolders.clear();
    for (auto made = destination.madeFolders.rbegin(); made != destination.madeFolders.rend(); ++made) {
        std::error_code error;
        if (std::filesystem::is_empty(*made, error) && !error)
            std::filesystem::remove(*made, error);
    }
    if (job.diskFull)
        report.SetDiskFull(job.diskFullMessage);
    report.PrintSummary(StopSignalName(interrupted), platform.QuestionUnanswerable());
    detour.Restore();
    return WriteReport(reportToStdout ? stdout : reportFile.get(), reportLines, job, report.ExitStatus(interrupted));
}
