// Recognition of image files by their first bytes, header info, and the
// file constructor's dispatch to the reader of each format.
#include "file_type.h"

#include "file_bytes.h"
#include "format_readers.h"
#include "image.h"
#include "jpeg_reader.h"
#include "read_problem.h"

int DetectFileType(const std::uint8_t* bytes, std::size_t size)
{
    if (bytes == nullptr || size < 2)
        return kFileTypeUnknown;
    const std::uint8_t a = bytes[0];
    const std::uint8_t b = bytes[1];
    if (a == 'B' && b == 'M')
        return kFileTypeBitmap;
    if ((a == 'I' && b == 'I') || (a == 'M' && b == 'M'))
        return kFileTypeTiff;
    if (a == 0xFF && b == 0xD8)
        return kFileTypeJpeg;
    if (a == 0x89 && b == 'P')
        return kFileTypePng;
    if (a == 'G' && b == 'I')
        return kFileTypeGif;
    if (a == '%' && b == 'A')
        return kFileTypeRaw;
    if (a == '8' && b == 'B')
        return kFileTypePhotoshop;
    if (a == 'P' && b == '5')
        return kFileTypeGreymap;
    if (a == 'P' && b == '6')
        return kFileTypePixmap;
    return kFileTypeUnknown;
}

int DetectFileType(const std::filesystem::path& path)
{
    const CInputFile file = OpenForReading(path);
    if (!file)
        return kFileTypeUnknown;
    std::uint8_t head[4] = {};
    const std::size_t got = std::fread(head, 1, sizeof head, file.get());
    return DetectFileType(head, got);
}

namespace {
int ReadInfo(const std::filesystem::path& path, int& cols, int& rows, int& planes, int* adobeFlag)
{
    cols = rows = planes = 0;
    const int type = DetectFileType(path);
    int result = kImageCannotOpen;
    switch (type) {
    case kFileTypeJpeg: result = ReadJpegInfo(path, cols, rows, planes, adobeFlag); break;
    case kFileTypeBitmap: result = ReadBitmapInfo(path, cols, rows, planes); break;
    case kFileTypeTiff: result = ReadTiffInfo(path, cols, rows, planes); break;
    case kFileTypePng: result = ReadPngInfo(path, cols, rows, planes); break;
    case kFileTypeGif: result = ReadGifInfo(path, cols, rows, planes); break;
    case kFileTypePhotoshop: result = ReadPhotoshopInfo(path, cols, rows, planes); break;
    case kFileTypeGreymap: result = ReadGreymapInfo(path, cols, rows, planes); break;
    case kFileTypePixmap: result = ReadPixmapInfo(path, cols, rows, planes); break;
    default: break;  // raw scanner data and unknown files: 0 x 0 x 0
    }
    // A reader that failed part-way must not leave half a size behind.
    if (result != kImageSuccess)
        cols = rows = planes = 0;
    return type;
}
} // namespace

int GetImageInfo(const std::filesystem::path& path, int& cols, int& rows, int& planes)
{
    return ReadInfo(path, cols, rows, planes, nullptr);
}

int GetImageInfo(const std::filesystem::path& path, int& cols, int& rows, int& planes, int& adobeFlag)
{
    return ReadInfo(path, cols, rows, planes, &adobeFlag);
}

int CImage::ReadFile(const std::filesystem::path& path, int fileType)
{
    *this = CImage();
    ClearReadProblem();
    if (fileType == kFileTypeUnknown)
        fileType = DetectFileType(path);
    switch (fileType) {
    case kFileTypeJpeg: return ReadJpegFile(path, *this);
    case kFileTypeBitmap: return ReadBitmapFile(path, *this);
    case kFileTypeTiff: return ReadTiffFile(path, *this);
    case kFileTypePng: return ReadPngFile(path, *this);
    case kFileTypeGif: return ReadGifFile(path, *this);
    case kFileTypePhotoshop: return ReadPhotoshopFile(path, *this);
    case kFileTypeGreymap: return ReadGreymapFile(path, *this);
    case kFileTypePixmap: return ReadPixmapFile(path, *this);
    default: return kImageCannotOpen;  // raw scanner data is recognised but never read
    }
}
