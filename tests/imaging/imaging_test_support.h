#pragma once
// Shared helpers of the image library tests: scratch folders, JPEG files made
// directly with libjpeg, a marker-segment walker and external tool runners.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "image.h"

namespace imgtest {

using Bytes = std::vector<std::uint8_t>;

// A fresh folder under the system's temporary folder, removed afterwards.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    const std::filesystem::path& Path() const { return path; }
    std::filesystem::path operator/(const std::string& name) const { return path / name; }

private:
    std::filesystem::path path;
};

Bytes ReadBytes(const std::filesystem::path& path);
void WriteBytes(const std::filesystem::path& path, const Bytes& bytes);

// What a test JPEG looks like. Samples come from Pattern().
struct JpegRecipe {
    int width = 16;
    int height = 16;
    int components = 3;                      // 1, 3 or 4
    J_COLOR_SPACE inSpace = JCS_RGB;         // JCS_GRAYSCALE, JCS_RGB, JCS_CMYK
    J_COLOR_SPACE jpegSpace = JCS_UNKNOWN;   // JCS_UNKNOWN: libjpeg's default
    int hSamp0 = 2, vSamp0 = 2;              // component 0 sampling
    bool jfif = true;
    bool adobe = false;
    int densityUnit = 0, xDensity = 1, yDensity = 1;
    bool progressive = false;
    std::vector<int> componentIds;           // empty: libjpeg's ids
    int quality = 90;
    Bytes app1;                              // written after APP0 when not empty
};

std::uint8_t Pattern(int x, int y, int c);
Bytes MakeJpeg(const JpegRecipe& recipe);

// A 3-plane (or 1-plane) 8-bit image filled with Pattern().
CImage MakePatternImage(int cols, int rows, int planes);

struct Segment {
    int marker;      // 0xE0 for APP0, ...
    Bytes data;      // after the length field
};
// SOI, then every marker segment up to and including the first SOS.
std::vector<Segment> ReadSegments(const Bytes& file);
const Segment* FindSegment(const std::vector<Segment>& segments, int marker);

// Runs a shell command, returns its standard output; exit status in *status.
std::string RunCommand(const std::string& command, int* status = nullptr);
bool HaveTool(const std::string& name);
std::string Quote(const std::filesystem::path& path);

// A binary PNM as written by djpeg: planes 1 (P5) or 3 (P6), 8-bit.
struct Pnm {
    int width = 0, height = 0, planes = 0;
    Bytes samples;  // interleaved
};
bool ParsePnm(const Bytes& file, Pnm& pnm);

} // namespace imgtest
