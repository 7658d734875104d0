// framira-batch: frames pictures from the command line through the same job
// the window runs.
#include "batch_worker.h"
#include "cli_options.h"
#include "console_platform.h"
#include "console_report.h"
#include "file_list.h"
#include "json_report.h"
#include "destination.h"
#include "input_list.h"
#include "job_settings.h"
#include "output_path.h"
#include "preset_sizes.h"
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
    std::vector<std::string> reportLines;
    // With the report on standard output, the lines for people go to
    // standard error.
    const bool reportToStdout = options.reportFile == "-";
    std::FILE* const humanOut = reportToStdout ? stderr : stdout;

    // Where the outputs go.
    CJobSettings settings;
    settings.strength = 1.75f;
    settings.presetIndex = options.presetIndex;
    settings.customWidth = options.customWidth;
    settings.customHeight = options.customHeight;
    std::vector<std::string> madeOutFolders;
    if (options.designatedFolder) {
        if (!platform.IsDirectory(options.outDir)) {
            std::error_code error;
            madeOutFolders = CreateFoldersAlong(options.outDir, nullptr);
            if (!platform.IsDirectory(options.outDir)) {
                error.assign(WhyFolderCannotBeMade(options.outDir, platform), std::generic_category());
                return Fail(std::string(kMissingOutputFolderMessage) + ": " + options.outDir +
                                " (it cannot be made: " + error.message() + ")",
                            kExitRefused);
            }
            std::fprintf(stderr, "framira-batch: made the output folder %s\n", PrintablePath(options.outDir).c_str());
        }
        settings.saveType = kSaveDesignatedFolder;
        settings.outputFolder = TrimTrailingSeparators(options.outDir);
    } else {
        const CScreenSize size =
            PresetOutputSize(settings.presetIndex, CScreenSize{settings.customWidth, settings.customHeight});
        settings.saveType = kSaveSubfolder;
        settings.outputFolder =
            options.subfolder.empty() ? CDestination::MakeDefaultSubfolderName(size) : options.subfolder;
    }
    // Several sizes: each into its own folder named after it, beside the
    // sources or inside the --out folder.
    std::vector<std::string> outputFolders = {settings.outputFolder};
    if (options.presets.size() > 1) {
        outputFolders.clear();
        for (const CPresetChoiceOption& preset : options.presets) {
            const std::string name = CDestination::MakeDefaultSubfolderName(
                PresetOutputSize(preset.presetIndex, CScreenSize{preset.customWidth, preset.customHeight}));
            const std::string folder =
                settings.saveType == kSaveDesignatedFolder ? JoinPath(settings.outputFolder, name) : name;
            outputFolders.push_back(folder);
            if (outputFolders.size() > 1)
                settings.moreSizes.push_back({preset.presetIndex, preset.customWidth, preset.customHeight, folder});
        }
        settings.outputFolder = outputFolders.front();
    }

    // The pictures: files as named (their content decides), folders by the
    // list's rules. Walks never enter the job's own output folders, and with
    // subfolders they pass over every folder named like an output folder
    // unless --ignore names other words, so running the same command again
    // frames the same pictures and nothing the last run wrote.
    const auto keepOutOfOutputFolders = [&settings, &outputFolders](CInputList& walked) {
        if (settings.saveType == kSaveDesignatedFolder)
            walked.SetOutputFolders({}, outputFolders);
        else
            walked.SetOutputFolders(settings.outputFolder, {});
    };
    CInputList list(platform);
    list.SetPreferRaw(options.preferRaw);
    keepOutOfOutputFolders(list);
    const std::vector<std::string> keywords =
        options.ignoreGiven ? BuildKeywords(options.ignoreText) : std::vector<std::string>{kProductName};
    int missing = 0;
    for (const std::string& path : sourcePaths) {
        if (platform.IsDirectory(path)) {
            const std::size_t unreadableBefore = list.PassedOver().unreadableFolders.size();
            const std::string folder = TrimTrailingSeparators(path);
            if (list.ScanFolder(folder, options.recurse, keywords) == 0 &&
                list.PassedOver().unreadableFolders.size() == unreadableBefore) {
                // Pictures further down are what a user who forgot -r expects.
                CInputList deeper(platform);
                keepOutOfOutputFolders(deeper);
                const bool below = !options.recurse && deeper.ScanFolder(folder, true, keywords) > 0;
                std::fprintf(stderr, "framira-batch: no pictures in folder %s%s\n", PrintablePath(path).c_str(),
                             below ? " (its subfolders have some: add -r to frame them)" : "");
            }
        } else if (!platform.Exists(path)) {
            std::fprintf(stderr, "missing  %s: no such file or folder\n", PrintablePath(path).c_str());
            reportLines.push_back(LeftOutReportLine(path, "missing", "no such file or folder"));
            ++missing;
        } else {
            list.AddFile(path);
        }
    }
    const CPassedOver& passedOver = list.PassedOver();
    for (const auto& [folder, why] : passedOver.unreadableFolders) {
        std::fprintf(stderr, "unreadable  %s: the folder cannot be read: %s\n", PrintablePath(folder).c_str(),
                     why.c_str());
        reportLines.push_back(LeftOutReportLine(folder, "unreadable", "the folder cannot be read: " + why));
    }
    for (const std::string& path : passedOver.ownOutputs)
        reportLines.push_back(LeftOutReportLine(path, "passed-over", "framira-batch's own output"));
    for (const std::string& path : passedOver.twins)
        reportLines.push_back(LeftOutReportLine(
            path, "passed-over", options.preferRaw ? "the RAW file of the same name is framed" :
                                                     "a JPEG of the same name is framed"));

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

    stopFlag = &job.stopRequested;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    for (const int signalNumber : kStopSignals)
        ::sigaction(signalNumber, &action, nullptr);

    if (!job.Start())
        return Fail("the worker thread could not be started", kExitRefused);

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
    stopFlag = nullptr;
    // An output folder made for this run and left empty (every picture
    // failed) goes again; not by one shard of many, whose neighbours may be
    // about to write into it.
    if (options.shard.count > 1)
        madeOutFolders.clear();
    for (auto made = madeOutFolders.rbegin(); made != madeOutFolders.rend(); ++made) {
        std::error_code error;
        if (std::filesystem::is_empty(*made, error) && !error)
            std::filesystem::remove(*made, error);
    }
    for (const int signalNumber : kStopSignals)
        ::signal(signalNumber, SIG_DFL);

    if (job.diskFull)
        report.SetDiskFull(job.diskFullMessage);
    report.PrintSummary(StopSignalName(interrupted), platform.QuestionUnanswerable());
    detour.Restore();
    return WriteReport(reportToStdout ? stdout : reportFile.get(), reportLines, job, report.ExitStatus(interrupted));
}
