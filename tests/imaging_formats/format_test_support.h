#pragma once
// Helpers for the format reader tests: little byte writers and a scratch
// folder that disappears with the test.

#include "image.h"
#include "memory_readers.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

using CBytes = std::vector<std::uint8_t>;

inline void PutU8(CBytes& b, unsigned v) { b.push_back(static_cast<std::uint8_t>(v)); }
inline void PutU16LE(CBytes& b, unsigned v) { PutU8(b, v & 0xFF); PutU8(b, (v >> 8) & 0xFF); }
inline void PutU32LE(CBytes& b, std::uint32_t v) { PutU16LE(b, v & 0xFFFF); PutU16LE(b, v >> 16); }
inline void PutU16BE(CBytes& b, unsigned v) { PutU8(b, (v >> 8) & 0xFF); PutU8(b, v & 0xFF); }
inline void PutU32BE(CBytes& b, std::uint32_t v) { PutU16BE(b, v >> 16); PutU16BE(b, v & 0xFFFF); }
inline void PutText(CBytes& b, const std::string& s)
{
    // Byte by byte: GCC 12 misreads a range insert into an empty vector as an overflow.
    for (const char c : s)
        PutU8(b, static_cast<unsigned char>(c));
}

class CScratchFolder {
public:
    CScratchFolder()
    {
        static int counter = 0;
        path = std::filesystem::temp_directory_path() /
               ("framira_formats_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
        std::filesystem::create_directories(path);
    }
    ~CScratchFolder()
    {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    CScratchFolder(const CScratchFolder&) = delete;
    CScratchFolder& operator=(const CScratchFolder&) = delete;

    std::filesystem::path Write(const std::string& name, const CBytes& bytes) const
    {
        const auto file = path / name;
        std::ofstream out(file, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return file;
    }
    CBytes Read(const std::filesystem::path& file) const
    {
        std::ifstream in(file, std::ios::binary);
        return CBytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }

    std::filesystem::path path;
};

// One sample of plane p at (col, row), as an int.
inline int Sample8(const CImage& image, int p, int col, int row)
{
    return image.plane[p][static_cast<std::size_t>(row) * static_cast<std::size_t>(image.cols) + static_cast<std::size_t>(col)];
}
inline int Sample16(const CImage& image, int p, int col, int row)
{
    return reinterpret_cast<const std::uint16_t*>(image.plane[p])[static_cast<std::size_t>(row) * static_cast<std::size_t>(image.cols) + static_cast<std::size_t>(col)];
}
inline float SampleFloat(const CImage& image, int p, int col, int row)
{
    return reinterpret_cast<const float*>(image.plane[p])[static_cast<std::size_t>(row) * static_cast<std::size_t>(image.cols) + static_cast<std::size_t>(col)];
}
