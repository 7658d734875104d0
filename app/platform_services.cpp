#include "platform_services.h"

#include "output_path.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

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

int CPlatformServices::ListFolderEntries(const std::string& folder, std::vector<CFolderEntry>& entries)
{
    entries.clear();
    std::error_code error;
    fs::directory_iterator it(fs::path(folder), error);
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
        std::error_code typeError;
        entries.push_back(CFolderEntry{it->path().filename().string(), it->is_directory(typeError),
                                       it->is_symlink(typeError)});
    }
    if (!error)
        return 0;
    entries.clear();
    return error.value() != 0 ? error.value() : EIO;
}

bool CPlatformServices::CreateFolder(const std::string& path)
{
    std::error_code error;
    fs::create_directory(fs::path(path), error);
    return IsDirectory(path);
}

int CPlatformServices::ProbeWritableFolder(const std::string& folder)
{
    static std::atomic<unsigned> probeCounter{0};
    const std::string base = JoinPath(folder.empty() ? std::string(".") : folder, ".framira-write-test-") +
                             std::to_string(::getpid()) + "-";
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string path = base + std::to_string(probeCounter.fetch_add(1)) + ".tmp";
        // O_EXCL and O_NOFOLLOW: the probe is always a new file of its own,
        // never somebody's file or a link to one. O_NONBLOCK: nothing here
        // can make it wait.
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return errno;
        }
        ::close(fd);
        ::unlink(path.c_str());
        return 0;
    }
    return EEXIST;
}
