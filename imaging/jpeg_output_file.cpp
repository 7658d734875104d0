// Temporary-then-rename output for the JPEG writers (see jpeg_output_file.h).
#include "jpeg_output_file.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <string>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

namespace {
std::atomic<unsigned> temporaryCounter{0};
// Enough of the target's name to tell what the temporary file is for. A whole
// name near the 255-byte limit plus the suffix would not fit, and a target
// that is itself a valid name must not fail for its temporary's sake.
constexpr std::size_t kNameInTemporary = 64;
}

CJpegOutputFile::CJpegOutputFile(std::filesystem::path target_) : target(std::move(target_)) {}

CJpegOutputFile::~CJpegOutputFile()
{
    Discard();
}

bool CJpegOutputFile::Open()
{
    Discard();
    const std::filesystem::path folder = target.parent_path();
    const std::string fullName = target.filename().string();
    if (fullName.empty())
        return false;
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
            return false;
        }
        stream = ::fdopen(fd, "wb");
        if (stream == nullptr) {
            ::close(fd);
            ::unlink(path.c_str());
            return false;
        }
        temporary = path;
        return true;
    }
    return false;
}

bool CJpegOutputFile::Commit()
{
    if (stream == nullptr)
        return false;
    const bool written = std::fflush(stream) == 0 && !std::ferror(stream);
    const bool closed = std::fclose(stream) == 0;
    stream = nullptr;
    if (!written || !closed) {
        Discard();
        return false;
    }
    std::error_code error;
    std::filesystem::rename(temporary, target, error);
    if (error) {
        Discard();
        return false;
    }
    temporary.clear();
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
