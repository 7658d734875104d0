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
    // command line but missing, and left out because their output exists.
    void SetPicturesLeftOut(int missing, int skipped);
    // Prints the summary line; `stopSignal` names what stopped the job
    // ("Ctrl-C"), or is null.
    void PrintSummary(const char* stopSignal, bool refusedWithoutAnswer);
    // The process's exit status for the job as reported.
    int ExitStatus() const;

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
    bool done = false;
    bool stopped = false;
    bool outOfMemory = false;
    std::string engineFailure;
};
