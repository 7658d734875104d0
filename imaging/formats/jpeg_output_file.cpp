// Temporary-then-rename output for the JPEG writers (see jpeg_output_file.h).
#include "jpeg_output_file.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <new>
#include <string>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

namespace {
std::atomic<unsigned> temporaryCounter{0};
thread_local int lastOutputError = 0;
// Links followed to the file they lead to before giving up on a chain that
// loops (the system's own limit for a path).
constexpr int kMaxLinkHops = 40;
constexpr std::size_t kStreamBufferBytes = std::size_t{1} << 20;

// The file a chain of symbolic links leads to; `path` itself when it is not
// a link (or does not exist yet). A loop gives the path unchanged, and the
// rename then replaces the link, which is the best a looping chain allows.
std::filesystem::path FollowLinks(const std::filesystem::path& path)
{
    std::filesystem::path current = path;
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        std::error_code error;
        if (!std::filesystem::is_symlink(current, error))
            return current;
        const std::filesystem::path next = std::filesystem::read_symlink(current, error);
        if (error)
            return current;
        current = next.is_absolute() ? next : current.parent_path() / next;
    }
    return path;
}

// Flushes a folder's entries to the disk. File systems that cannot do that
// for folders say so; the file itself is already safe then.
void SyncFolder(const std::filesystem::path& folder)
{
    const std::string name = folder.empty() ? std::string(".") : folder.string();
    const int fd = ::open(name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

// Enough of the target's name to tell what the temporary file is for. A whole
// name near the 255-byte limit plus the suffix would not fit, and a target
// that is itself a valid name must not fail for its temporary's sake.
constexpr std::size_t kNameInTemporary = 64;
}

CJpegOutputFile::CJpegOutputFile(std::filesystem::path target_) : target(FollowLinks(target_))
{
    lastOutputError = 0;
}

int LastJpegOutputError()
{
    return lastOutputError;
}

void CJpegOutputFile::Fail(int errorNumber)
{
    if (lastOutputError == 0)
        lastOutputError = errorNumber;
    Discard();
}

void CJpegOutputFile::NoteStreamFailure()
{
    if (stream != nullptr && std::ferror(stream) && errno != 0 && lastOutputError == 0)
        lastOutputError = errno;
}

CJpegOutputFile::~CJpegOutputFile()
{
    Discard();
}

bool CJpegOutputFile::Open()
{
    Discard();
    const std::filesystem::path folder = target.parent_path();
    const std::string fullName = target.filename().string();
    if (fullName.empty()) {
        lastOutputError = EISDIR;
        return false;
    }
    const std::string name = fullName.substr(0, kNameInTemporary);
    for (int attempt = 0; attempt < 100; ++attempt) {
        // Hidden, unique per process and call; O_EXCL never reuses a name.
        const std::string candidate = "." + name + "." + std::to_string(::getpid()) + "." +
                                      std::to_string(temporaryCounter.fetch_add(1)) + ".tmp";
        const std::filesystem::path path = folder.empty() ? std::filesystem::path(candidate) : folder / candidate;
        // 0666 and the process umask, as an ordinary new file would get.
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            lastOutputError = errno;
            return false;
        }
        stream = ::fdopen(fd, "wb");
        if (stream == nullptr) {
            lastOutputError = errno;
            ::close(fd);
            ::unlink(path.c_str());
            return false;
        }
        // The encoder hands over 4 KB at a time; a larger buffer writes a
        // picture in a few calls instead of hundreds.
        if (streamBuffer == nullptr)
            streamBuffer.reset(new (std::nothrow) char[kStreamBufferBytes]);
        if (streamBuffer != nullptr)
            std::setvbuf(stream, streamBuffer.get(), _IOFBF, kStreamBufferBytes);
        temporary = path;
        return true;
    }
    lastOutputError = EEXIST;
    return false;
}

bool CJpegOutputFile::Commit()
{
    if (stream == nullptr)
        return false;
    // A full disk often shows only here, when the buffered bytes or the
    // delayed allocation meet it.
    int error = 0;
    if (std::fflush(stream) != 0 || std::ferror(stream))
        error = errno ? errno : EIO;
    else if (::fsync(::fileno(stream)) != 0)
        error = errno;
    const int closed = std::fclose(stream);
    if (closed != 0 && error == 0)
        error = errno;
    stream = nullptr;
    if (error != 0) {
        Fail(error);
        return false;
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        Fail(errno);
        return false;
    }
    temporary.clear();
    SyncFolder(target.parent_path());
    return true;
}

void CJpegOutputFile::Discard()
{
    if (stream != nullptr) {
        std::fclose(stream);
        stream = nullptr;
    }
    if (!temporary.empty()) {
        ::unlink(temporary.c_str());
        temporary.clear();
    }
}
