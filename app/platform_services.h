#pragma once
// The one way the application core reaches the user and the operating
// system. The window (Qt), the command line and the tests each provide an
// implementation; the core never touches Qt or the OS directly for these.
//
// Texts and paths are UTF-8 strings. Every call may be made from the window's
// thread; those marked "any thread" may also be made from a job's worker.

#include "notifications.h"

#include <atomic>
#include <optional>
#include <utility>
#include <string>
#include <vector>

enum class EMessageIcon { None, Information, Exclamation, Error };
enum class EMessageButtons { Ok, YesNo };
enum class EMessageAnswer { Ok, Yes, No };

struct CMessageBox {
    std::string text;
    std::string caption;  // empty: the application's own name
    EMessageButtons buttons = EMessageButtons::Ok;
    EMessageIcon icon = EMessageIcon::None;
};

struct CScreenSize {
    int width = 0;
    int height = 0;
};

// A rectangle in screen pixels; right and bottom are exclusive.
struct CScreenRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

struct CFolderEntry {
    std::string name;  // the entry's own name, no folder
    bool isDirectory = false;
    // A symbolic link (to a folder or a file); folder walks do not follow
    // linked folders, so a link back up the tree cannot loop.
    bool isSymlink = false;
};

struct CFileDialogRequest {
    std::string title;
    // Pairs of description and patterns: "JPEG Files (*.jpg)" / "*.jpg;*.jpeg".
    std::vector<std::pair<std::string, std::string>> filters;
    std::string defaultExtension;  // without the full stop
    std::string startFolder;
    bool multipleSelection = true;
};

// The "Add Folder Options" question: asked for a folder being added, with
// the ignore box and keyword text as last left; the answer comes back with
// what the dialog last read from its controls.
enum class EFolderOptionsAnswer { Yes, YesToAll, No, NoToAll, Cancel };
struct CFolderOptionsQuestion {
    std::string folderName;
    bool ignoreFolders = false;
    std::string keywordText;
};

class CPlatformServices : public CNotificationTarget {
public:
    ~CPlatformServices() override = default;

    // --- Notifications (any thread; never blocks) --------------------------
    // Inherited: PostNotification(CNotification).

    // --- Message boxes and questions (any thread) --------------------------
    // Shows a modal message and returns the button pressed. When called from
    // a worker, `stopRequested` is that job's stop flag: once it is set the
    // call must return promptly without waiting for the user, answering No
    // to a question (Ok to a plain message), so a window that is waiting for
    // the worker to end can never deadlock against a question the worker
    // asked. Null when there is no such flag (calls from the window).
    virtual EMessageAnswer ShowMessageBox(const CMessageBox& box, const std::atomic<bool>* stopRequested) = 0;

    // Shorthands.
    void ShowMessage(const std::string& text, EMessageIcon icon, const std::atomic<bool>* stopRequested = nullptr);
    bool AskYesNo(const std::string& text, EMessageIcon icon, const std::atomic<bool>* stopRequested = nullptr);

    // --- Files and folders (any thread; real file system by default) -------
    virtual bool IsDirectory(const std::string& path);
    virtual bool Exists(const std::string& path);
    // Every entry of `folder` except "." and "..", in the order the file
    // system returns them. 0, or the system's error number (and no entries)
    // when it cannot be listed.
    virtual int ListFolderEntries(const std::string& folder, std::vector<CFolderEntry>& entries);
    // Creates one folder; true when it exists as a folder afterwards.
    virtual bool CreateFolder(const std::string& path);
    // Proves that a new file can be made in `folder`: creates one under a
    // unique hidden name and removes it again, so the folder is left exactly
    // as it was and no file of the user's can stand in the probe's way.
    // 0 when that succeeded, otherwise the system's error number.
    virtual int ProbeWritableFolder(const std::string& folder);

    // --- Screen -------------------------------------------------------------
    // The primary screen's size; {0, 0} when there is no screen.
    virtual CScreenSize GetScreenSize() = 0;
    // The primary screen's work area (without task bars and docks).
    virtual CScreenRect GetWorkArea() = 0;

    // --- Settings (per user; failures are ignored) --------------------------
    virtual std::string ReadSettingString(const std::string& section, const std::string& key,
                                          const std::string& defaultValue) = 0;
    virtual void WriteSettingString(const std::string& section, const std::string& key, const std::string& value) = 0;
    virtual int ReadSettingInt(const std::string& section, const std::string& key, int defaultValue) = 0;
    virtual void WriteSettingInt(const std::string& section, const std::string& key, int value) = 0;
    // The machine-wide record: writes `value` under `group`/`key` only when
    // no value is there yet. Needs rights a user may not have; a failure is
    // ignored.
    virtual void WriteMachineSettingOnce(const std::string& group, const std::string& key, const std::string& value)
    {
        (void)group, (void)key, (void)value;
    }

    // --- Desktop -------------------------------------------------------------
    // Shows the help's table of contents; the viewer reports its own errors.
    virtual void ShowHelp(const std::string& helpFile) = 0;
    // Opens a file-manager window on `folder` without waiting for it.
    virtual bool OpenFolderInFileManager(const std::string& folder) = 0;
    // The chosen folder's full path, or nothing when cancelled.
    virtual std::optional<std::string> BrowseForFolder(const std::string& title, const std::string& startFolder) = 0;
    // The chosen files' full paths in the dialog's order, or nothing when cancelled.
    virtual std::optional<std::vector<std::string>> ChooseFiles(const CFileDialogRequest& request) = 0;
    // Shows the "Add Folder Options" dialog (window thread). Cancel leaves
    // `question` as it was; the other answers store the controls into it.
    virtual EFolderOptionsAnswer AskFolderOptions(CFolderOptionsQuestion& question)
    {
        (void)question;
        return EFolderOptionsAnswer::No;
    }
};
