// Placeholder readers: every format but JPEG reads nothing until its own
// reader exists (the image keeps planes 0). Replaced file by file.
#include "format_readers.h"

#include "image.h"

namespace {
int NotHandled(int& cols, int& rows, int& planes)
{
    cols = rows = planes = 0;
    return kImageCannotOpen;
}
} // namespace

int ReadTiffInfo(const std::filesystem::path&, int& c, int& r, int& p) { return NotHandled(c, r, p); }
int ReadTiffFile(const std::filesystem::path&, CImage&) { return kImageCannotOpen; }
int ReadPngInfo(const std::filesystem::path&, int& c, int& r, int& p) { return NotHandled(c, r, p); }
int ReadPngFile(const std::filesystem::path&, CImage&) { return kImageCannotOpen; }
int ReadBitmapInfo(const std::filesystem::path&, int& c, int& r, int& p) { return NotHandled(c, r, p); }
int ReadBitmapFile(const std::filesystem::path&, CImage&) { return kImageCannotOpen; }
int ReadGifInfo(const std::filesystem::path&, int& c, int& r, int& p) { return NotHandled(c, r, p); }
int ReadGifFile(const std::filesystem::path&, CImage&) { return kImageCannotOpen; }
int ReadGreymapInfo(const std::filesystem::path&, int& c, int& r, int& p) { return NotHandled(c, r, p); }
int ReadGreymapFile(const std::filesystem::path&, CImage&) { return kImageCannotOpen; }
int ReadPixmapInfo(const std::filesystem::path&, int& c, int& r, int& p) { return NotHandled(c, r, p); }
int ReadPixmapFile(const std::filesystem::path&, CImage&) { return kImageCannotOpen; }
int ReadPhotoshopInfo(const std::filesystem::path&, int& c, int& r, int& p) { return NotHandled(c, r, p); }
int ReadPhotoshopFile(const std::filesystem::path&, CImage&) { return kImageCannotOpen; }
