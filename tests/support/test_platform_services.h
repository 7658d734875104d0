#pragma once
// A scriptable platform for tests, so whole jobs run headless: questions are
// answered from a queue, notifications and message boxes are recorded, the
// screen size and the settings live in memory. Files and folders are the real
// file system unless a test derives from this class and overrides them.
// Safe to use from the worker and the test thread at once.

#include "platform_services.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

// A readable name for test failures ("UWM_PICTURE"), or "WM_USER+n".
std::string NotificationName(int message);

class CTestPlatformServices : public CPlatformServices {
public:
    struct CRecordedMessageBox {
        CMessageBox box;
        EMessageAnswer answer = EMessageAnswer::Ok;
        bool answeredForStop = false;  // the stop flag answered it, not the script
    };

    // --- Scripting -----------------------------------------------------------
    // Answers to the next Yes/No questions, in order. When the queue is empty
    // the answer is No.
    void QueueAnswer(EMessageAnswer answer);
    // A user who never answers: questions (and plain messages when
    // `includeMessages`) wait until the caller's stop flag is set.
    void SetQuestionsWaitForStop(bool wait, bool includeMessages = false);
    void SetScreenSize(CScreenSize size);
    void SetWorkArea(CScreenRect area);
    void SetBrowseResult(std::optional<std::string> folder);
    void SetChooseFilesResult(std::optional<std::vector<std::string>> files);
    // Answers to the next "Add Folder Options" questions, in order, each
    // optionally with the ignore box and keyword text the user leaves in the
    // dialog. An empty queue answers No with the controls untouched.
    struct CFolderOptionsReply {
        EFolderOptionsAnswer answer = EFolderOptionsAnswer::No;
        std::optional<bool> ignoreFolders;
        std::optional<std::string> keywordText;
    };
    void QueueFolderOptionsReply(CFolderOptionsReply reply);
    std::vector<CFolderOptionsQuestion> FolderOptionsAsked() const;
    std::vector<CFileDialogRequest> FileDialogsShown() const;
    // Called when a message box is about to wait for the user or the script.
    void SetMessageBoxHook(std::function<void(const CMessageBox&)> hook);

    // --- What happened (copies, taken under the lock) -----------------------
    std::vector<CNotification> Notifications() const;
    std::vector<int> NotificationNumbers() const;
    std::vector<CRecordedMessageBox> MessageBoxes() const;
    std::vector<std::string> HelpShown() const;
    std::vector<std::string> FoldersOpened() const;
    // Waits until a notification with this number has been posted (true) or
    // the time has run out (false).
    bool WaitForNotification(int message, int timeoutMilliseconds) const;
    void ClearRecords();

    // --- CPlatformServices ---------------------------------------------------
    void PostNotification(CNotification notification) override;
    EMessageAnswer ShowMessageBox(const CMessageBox& box, const std::atomic<bool>* stopRequested) override;
    CScreenSize GetScreenSize() override;
    CScreenRect GetWorkArea() override;
    std::string ReadSettingString(const std::string& section, const std::string& key,
                                  const std::string& defaultValue) override;
    void WriteSettingString(const std::string& section, const std::string& key, const std::string& value) override;
    int ReadSettingInt(const std::string& section, const std::string& key, int defaultValue) override;
    void WriteSettingInt(const std::string& section, const std::string& key, int value) override;
    void WriteMachineSettingOnce(const std::string& group, const std::string& key, const std::string& value) override;
    // The machine-wide records ("group/key" → value).
    std::map<std::string, std::string> MachineSettings() const;
    void SetMachineSetting(const std::string& group, const std::string& key, const std::string& value);
    std::map<std::string, std::string> Settings() const;
    void ShowHelp(const std::string& helpFile) override;
    bool OpenFolderInFileManager(const std::string& folder) override;
    std::optional<std::string> BrowseForFolder(const std::string& title, const std::string& startFolder) override;
    std::optional<std::vector<std::string>> ChooseFiles(const CFileDialogRequest& request) override;
    EFolderOptionsAnswer AskFolderOptions(CFolderOptionsQuestion& question) override;

private:
    mutable std::mutex mutex;
    mutable std::condition_variable notified;
    std::vector<CNotification> notifications;
    std::vector<CRecordedMessageBox> messageBoxes;
    std::deque<EMessageAnswer> answers;
    bool questionsWaitForStop = false;
    bool messagesWaitForStop = false;
    CScreenSize screenSize{1920, 1080};
    CScreenRect workArea{0, 0, 1920, 1040};
    std::map<std::string, std::string> settings;  // "section/key" → value
    std::map<std::string, std::string> machineSettings;
    std::vector<std::string> helpShown;
    std::vector<std::string> foldersOpened;
    std::optional<std::string> browseResult;
    std::optional<std::vector<std::string>> chooseFilesResult;
    std::deque<CFolderOptionsReply> folderOptionsReplies;
    std::vector<CFolderOptionsQuestion> folderOptionsAsked;
    std::vector<CFileDialogRequest> fileDialogsShown;
    std::function<void(const CMessageBox&)> messageBoxHook;
};
