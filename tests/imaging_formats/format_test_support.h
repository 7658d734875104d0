#pragma once
// Helpers for the format reader tests: little byte writers and a scratch
// folder that disappears with the test.

#include "image.h"
#include "memory_readers.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
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

// Runs a shell command; true when it exits with status 0.
inline bool RunTool(const std::string& command)
{
    return std::system(("(" + command + ") >/dev/null 2>&1").c_str()) == 0;
}

inline bool HaveImageMagick()
{
    static const bool available = RunTool("convert -version");
    return available;
}

// The picture as ImageMagick decodes it, laid over white, as interleaved
// 8-bit RGB of cols x rows pixels; empty when ImageMagick fails.
inline CBytes DecodeWithImageMagick(const std::filesystem::path& file, int cols, int rows)
{
    // ImageMagick complains (and exits with 1) about run-length bitmaps that
    // end before their last row, yet decodes them: its output decides.
    const std::string out = file.string() + ".rgb";
    std::filesystem::remove(out);
    RunTool("convert '" + file.string() + "[0]' -background white -alpha remove -alpha off -depth 8 'rgb:" + out + "'");
    std::ifstream in(out, std::ios::binary);
    CBytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return bytes.size() == static_cast<std::size_t>(cols) * static_cast<std::size_t>(rows) * 3 ? bytes : CBytes{};
}

// An image as the pipeline sees it: grey copied to red, green and blue,
// transparency (the plane after the colours) laid over white, 16-bit
// samples rounded to 8 bits; interleaved RGB.
inline CBytes FlattenToRgb8(const CImage& image)
{
    const std::size_t n = image.PixelCount();
    const int colours = image.planes <= 2 ? 1 : 3;
    const bool alpha = image.planes == 2 || image.planes == 4;
    auto sample = [&](int p, std::size_t i) -> unsigned {
        if (image.sampleType == kSampleWord)
            return (reinterpret_cast<const std::uint16_t*>(image.plane[p])[i] + 128u) / 257u;
        return image.plane[p][i];
    };
    CBytes out(n * 3);
    for (std::size_t i = 0; i < n; ++i) {
        for (int k = 0; k < 3; ++k) {
            unsigned v = sample(colours == 1 ? 0 : k, i);
            if (alpha) {
                const unsigned a = sample(colours, i);
                v = (v * a + 255 * (255 - a) + 127) / 255;
            }
            out[i * 3 + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(v);
        }
    }
    return out;
}

// The largest difference between two equally long sample runs; 256 when
// their lengths differ.
inline int LargestDifference(const CBytes& a, const CBytes& b)
{
    if (a.size() != b.size() || a.empty())
        return 256;
    int largest = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        largest = std::max(largest, std::abs(int(a[i]) - int(b[i])));
    return largest;
}
