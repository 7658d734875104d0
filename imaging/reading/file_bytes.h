#pragma once
// Opening input files, and whole-file (or file-prefix) loading for the
// readers that decode from memory.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <memory>
#include <vector>

struct CFileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using CInputFile = std::unique_ptr<std::FILE, CFileCloser>;

// The file opened for binary reading, or null when it cannot be opened.
inline CInputFile OpenForReading(const std::filesystem::path& path)
{
    return CInputFile(std::fopen(path.c_str(), "rb"));
}

// Reads the file, or its first maxBytes bytes, into `bytes`. Returns 0, or
// 2 (kImageCannotOpen) when the file cannot be opened or read, or 3 when the
// buffer cannot be allocated. Files larger than kMaxFileBytes give 3 rather
// than being committed to memory.
int ReadFileBytes(const std::filesystem::path& path, std::vector<std::uint8_t>& bytes,
                  std::size_t maxBytes = std::numeric_limits<std::size_t>::max());

// No reader loads a file larger than this (the largest raster a CImage may
// hold, 2^28 pixels, as 3 float planes is 3 GiB).
inline constexpr std::uintmax_t kMaxFileBytes = std::uintmax_t{4} << 30;
