#pragma once
// The platform services of the desktop program: Qt dialogs and message
// boxes, QSettings, the primary screen, the desktop's file manager and the
// program's own help window.

#include "platform_services.h"

#include <QPointer>
#include <QWidget>

#include <mutex>

class CHelpWindow;

class CQtPlatformServices : public CPlatformServices {
public:
    CQtPlatformServices();
    ~CQtPlatformServices() override;

    // The window that owns message boxes, dialogs and the help window.
    void SetOwnerWindow(QWidget* window);

    // Notifications reach the owner window as posted CWindowMessageEvents.
    void PostNotification(CNotification notification) override;
    // On the window's thread the box runs at once. From a worker it is shown
    // on the window's thread while the worker waits; once the worker's stop
    // flag is set the box closes and the worker gets No (Ok) without waiting
    // for the user, so a window waiting for the job can never deadlock.
    EMessageAnswer ShowMessageBox(const CMessageBox& box, const std::atomic<bool>* stopRequested) override;

    CScreenSize GetScreenSize() override;
    CScreenRect GetWorkArea() override;

    std::string ReadSettingString(const std::string& section, const std::string& key,
                                  const std::string& defaultValue) override;
    void WriteSettingString(const std::string& section, const std::string& key, const std::string& value) override;
    int ReadSettingInt(const std::string& section, const std::string& key, int defaultValue) override;
    void WriteSettingInt(const std::string& section, const std::string& key, int value) override;
    void WriteMachineSettingOnce(const std::string& group, const std::string& key, const std::string& value) override;

    void ShowHelp(const std::string& helpFile) override;
    bool OpenFolderInFileManager(const std::string& folder) override;
    std::optional<std::string> BrowseForFolder(const std::string& title, const std::string& startFolder) override;
    std::optional<std::vector<std::string>> ChooseFiles(const CFileDialogRequest& request) override;
    EFolderOptionsAnswer AskFolderOptions(CFolderOptionsQuestion& question) override;

private:
    QPointer<QWidget> owner;
    QPointer<CHelpWindow> helpWindow;
    // The screen is read on the window's thread only; a worker gets the size
    // seen last.
    std::mutex screenLock;
    CScreenSize lastScreenSize;
};

// Runs a message box on the calling (window) thread and returns the answer.
EMessageAnswer RunMessageBox(QWidget* owner, const CMessageBox& box, const std::atomic<bool>* stopRequested);
