#pragma once
// Turns a job's notifications into what a terminal user reads: one line per
// picture (written, or why not), a progress bar, and a summary at the end.

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
    CConsoleReport(std::vector<std::string> sources, bool quiet, bool progressBar, std::mutex& terminal,
                   std::FILE* out = stdout);

    // Handles one notification; true when it ended the job.
    bool Handle(const CNotification& notification);
    void ClearProgress();
    // Prints the summary line; `interrupted` when the user pressed Ctrl-C.
    void PrintSummary(bool interrupted, bool refusedWithoutAnswer);
    // The process's exit status for the job as reported.
    int ExitStatus() const;

private:
    const std::string& Current() const;
    // These three expect `terminal` to be held.
    void Line(const std::string& text, bool problem);
    void DrawProgress();
    void EraseProgress();

    std::vector<std::string> sources;
    bool quiet;
    std::mutex& terminal;
    std::FILE* out;
    bool progressBar;
    bool barShown = false;
    std::size_t next = 0;        // index of the next picture to be announced
    bool awaitingResult = false; // the current picture was announced, its result not yet
    int progress = 0;
    int written = 0;
    int unreadable = 0;
    int writeFailed = 0;
    bool done = false;
    bool stopped = false;
    bool outOfMemory = false;
    std::string engineFailure;
};
