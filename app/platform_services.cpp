#include "platform_services.h"

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

std::string NotificationName(int message)
{
    switch (message) {
    case UWM_STATUS: return "UWM_STATUS";
    case UWM_DONE: return "UWM_DONE";
    case UWM_STOPPED: return "UWM_STOPPED";
    case UWM_PICTURE: return "UWM_PICTURE";
    case UWM_PICTURE_DONE: return "UWM_PICTURE_DONE";
    default: return "WM_USER+" + std::to_string(message - kWmUser);
    }
}

void CPlatformServices::ShowMessage(const std::string& text, EMessageIcon icon, const std::atomic<bool>* stopRequested)
{
    ShowMessageBox(CMessageBox{text, {}, EMessageButtons::Ok, icon}, stopRequested);
}

bool CPlatformServices::AskYesNo(const std::string& text, EMessageIcon icon, const std::atomic<bool>* stopRequested)
{
    return ShowMessageBox(CMessageBox{text, {}, EMessageButtons::YesNo, icon}, stopRequested) == EMessageAnswer::Yes;
}

bool CPlatformServices::IsDirectory(const std::string& path)
{
    std::error_code error;
    return !path.empty() && fs::is_directory(fs::path(path), error);
}

bool CPlatformServices::Exists(const std::string& path)
{
    std::error_code error;
    return !path.empty() && fs::exists(fs::path(path), error);
}

bool CPlatformServices::CanOpenForReading(const std::string& path)
{
    if (path.empty() || IsDirectory(path))
        return false;
    // Non-blocking, so a named pipe without a writer answers at once instead
    // of holding the worker (and a window waiting for it) for ever.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

bool CPlatformServices::ListFolder(const std::string& folder, std::vector<CFolderEntry>& entries)
{
    entries.clear();
    std::error_code error;
    fs::directory_iterator it(fs::path(folder), error);
    if (error)
        return false;
    for (; it != fs::directory_iterator(); it.increment(error)) {
        if (error)
            break;
        std::error_code typeError;
        entries.push_back(CFolderEntry{it->path().filename().string(), it->is_directory(typeError),
                                       it->is_symlink(typeError)});
    }
    return !error;
}

bool CPlatformServices::CreateFolder(const std::string& path)
{
    std::error_code error;
    fs::create_directory(fs::path(path), error);
    return IsDirectory(path);
}

bool CPlatformServices::ProbeWritableFile(const std::string& path)
{
    // No O_TRUNC: a file the user already keeps under this name must not lose
    // a single byte to the probe. O_NONBLOCK: a named pipe without a reader
    // fails at once rather than waiting for one.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}
