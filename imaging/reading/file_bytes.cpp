#include "file_bytes.h"

#include "image.h"

#include <new>

int ReadFileBytes(const std::filesystem::path& path, std::vector<std::uint8_t>& bytes, std::size_t maxBytes)
{
    bytes.clear();
    const CInputFile file = OpenForReading(path);
    if (!file)
        return kImageCannotOpen;

    // The size is only a hint for the first allocation; the loop below reads
    // until the end whatever the file turns out to hold.
    std::error_code ec;
    const std::uintmax_t hint = std::filesystem::file_size(path, ec);
    if (!ec && hint > kMaxFileBytes && maxBytes > kMaxFileBytes)
        return kImageOutOfMemory;
    try {
        std::size_t want = ec ? std::size_t{1} << 16 : static_cast<std::size_t>(hint);
        if (want > maxBytes)
            want = maxBytes;
        bytes.resize(want);
        std::size_t filled = 0;
        for (;;) {
            filled += std::fread(bytes.data() + filled, 1, bytes.size() - filled, file.get());
            if (filled < bytes.size() || filled >= maxBytes)
                break;  // the end of the file (or an error), or all that was asked for
            // The size hint is normally exact: look for one more byte before
            // growing, rather than doubling and copying the whole file to
            // learn that it has ended.
            const int next = std::fgetc(file.get());
            if (next == EOF)
                break;
            if (filled >= kMaxFileBytes) {
                bytes.clear();
                return kImageOutOfMemory;
            }
            std::size_t grown = filled < (std::size_t{1} << 16) ? std::size_t{1} << 16 : filled * 2;
            if (grown > maxBytes)
                grown = maxBytes;
            bytes.resize(grown);
            bytes[filled++] = static_cast<std::uint8_t>(next);
        }
        if (std::ferror(file.get())) {
            bytes.clear();
            return kImageCannotOpen;
        }
        bytes.resize(filled);
    } catch (const std::bad_alloc&) {
        bytes.clear();
        bytes.shrink_to_fit();
        return kImageOutOfMemory;
    }
    return kImageSuccess;
}
