#pragma once
// Turns a job's notifications into what a terminal user reads: one line per
// picture (written, or why not), a progress bar, and a summary at the end.

#include "batch_worker.h"
#include "notifications.h"

#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

class CConsoleReport {
public:
    // `sources` in the order the job takes them (sorted as the job sorts).
    // Everything the report writes is written holding `terminal`, the lock
    // the job's questions hold while they wait for an answer.
    // `job`, when given, tells the reason of every picture that did not end
    // cleanly written (the notifications carry only paths).
    CConsoleReport(std::vector<std::string> sources, bool quiet, bool progressBar, std::mutex& terminal,
                   std::FILE* out = stdout, const CBatchWorker* job = nullptr);

    // Handles one notification; true when it ended the job.
    bool Handle(const CNotification& notification);
    void ClearProgress();
    // Pictures the job never saw, counted in the summary: named on the
    // command line but missing, left out because their output exists, and
    // the folders that could not be read (each a failure).
    void SetPicturesLeftOut(int missing, int skipped, int unreadableFolders = 0);
    // Each picture is framed at `count` sizes: as many results follow each
    // announcement, and the summary counts outputs.
    void SetOutputsPerPicture(int count);
    // Files left out of the job on purpose, told in the summary and not
    // failures: framira-batch's own outputs met among the pictures, and RAW
    // files whose JPEG twin is framed instead (the JPEGs, with `rawPreferred`).
    void SetPassedOver(int ownOutputs, int twins, bool rawPreferred = false);
    // The line for one file passed over for its RAW/JPEG twin (not with -q).
    void PassedOverTwin(const std::string& path);
    // The job stopped because the disk is full; `message` says where (a
    // path in it is escaped here). The summary says so and the exit status
    // becomes kExitDiskFull.
    void SetDiskFull(const std::string& message);
    // Prints the summary; `stopSignal` names what stopped the job
    // ("Ctrl-C"), or is null.
    void PrintSummary(const char* stopSignal, bool refusedWithoutAnswer);
    // The process's exit status for the job as reported. `stopSignal` is the
    // number of the signal that asked the job to stop (0: none): a job it
    // stopped ends with 128 + that number, as a shell reports a program
    // killed by it, so a script can tell a Ctrl-C from a refusal.
    int ExitStatus(int stopSignal = 0) const;

private:
    const std::string& Current() const;
    // The job's report of the current picture; false when there is none.
    bool CurrentReport(CPictureReport& report) const;
    // These three expect `terminal` to be held.
    void Line(const std::string& text, bool problem);
    void DrawProgress();
    void EraseProgress();

    std::vector<std::string> sources;
    bool quiet;
    std::mutex& terminal;
    std::FILE* out;
    const CBatchWorker* job;
    bool progressBar;
    bool barShown = false;
    std::size_t next = 0;        // index of the next picture to be announced
    bool awaitingResult = false; // the current picture was announced, its result not yet
    int progress = 0;
    int written = 0;
    int unreadable = 0;
    int vanished = 0;  // missing by the time the job came to it
    int writeFailed = 0;
    int damaged = 0;
    int missing = 0;
    int skipped = 0;
    int ownOutputsPassedOver = 0;
    int twinsPassedOver = 0;
    int unreadableFolders = 0;
    int outputsPerPicture = 1;
    int resultsOfCurrent = 0;
    bool rawIsPreferred = false;
    bool diskFull = false;
    std::string diskFullMessage;
    bool done = false;
    bool stopped = false;
    bool outOfMemory = false;
    std::string engineFailure;
};
