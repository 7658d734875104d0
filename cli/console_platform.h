#pragma once
// The platform services of the command line: notifications are queued for
// the main thread, messages go to standard error, the overwrite question is
// asked on the terminal or answered by --yes / --no, and there is no screen,
// no settings store and no desktop.

#include "cli_options.h"
#include "platform_services.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>

class CConsolePlatformServices : public CPlatformServices {
public:
    explicit CConsolePlatformServices(EOverwritePolicy policy);

    // Takes the next notification, waiting up to `timeoutMilliseconds`.
    bool TakeNotification(CNotification& out, int timeoutMilliseconds);

    // A question was refused because nobody could answer it.
    bool QuestionUnanswerable() const { return unanswerable.load(); }
    // Held while a message or question is on the terminal: whoever else
    // writes there (the report's lines and progress bar) takes it too, so
    // nothing is drawn over a question while it waits for its answer.
    std::mutex& TerminalLock() { return terminalLock; }
    // Whether questions can be asked (standard input is a terminal).
    void SetInteractive(bool value) { interactive = value; }
    // -q: a question answered without the user (no terminal) is reported in
    // one line instead of being printed.
    void SetQuiet(bool value) { quiet = value; }

    void PostNotification(CNotification notification) override;
    EMessageAnswer ShowMessageBox(const CMessageBox& box, const std::atomic<bool>* stopRequested) override;
    CScreenSize GetScreenSize() override { return {}; }
    CScreenRect GetWorkArea() override { return {}; }
    std::string ReadSettingString(const std::string&, const std::string&, const std::string& defaultValue) override
    {
        return defaultValue;
    }
    void WriteSettingString(const std::string&, const std::string&, const std::string&) override {}
    int ReadSettingInt(const std::string&, const std::string&, int defaultValue) override { return defaultValue; }
    void WriteSettingInt(const std::string&, const std::string&, int) override {}
    void ShowHelp(const std::string& helpFile) override;
    bool OpenFolderInFileManager(const std::string&) override { return false; }
    std::optional<std::string> BrowseForFolder(const std::string&, const std::string&) override { return {}; }
    std::optional<std::vector<std::string>> ChooseFiles(const CFileDialogRequest&) override { return {}; }

private:
    // Reads a y/n answer from standard input, giving up (No) when the stop
    // flag is set or the input ends.
    EMessageAnswer ReadAnswer(const std::atomic<bool>* stopRequested);

    EOverwritePolicy policy;
    bool interactive = false;
    bool quiet = false;
    std::atomic<bool> unanswerable{false};
    std::mutex terminalLock;

    std::mutex queueLock;
    std::condition_variable queued;
    std::deque<CNotification> notifications;
};
