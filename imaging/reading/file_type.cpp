// Recognition of image files by their first bytes, header info, and the
// file constructor's dispatch to the reader of each format.
#include "file_type.h"

#include "embedded_data.h"
#include "file_bytes.h"
#include "format_readers.h"
#include "image.h"
#include "jpeg_reader.h"
#include "memory_readers.h"
#include "read_problem.h"

#include <array>
#include <cstring>

namespace {
bool StartsWith(const std::uint8_t* bytes, std::size_t size, std::size_t at, const char* text)
{
    const std::size_t length = std::strlen(text);
    return size >= at + length && std::memcmp(bytes + at, text, length) == 0;
}

int DetectContainer(const std::uint8_t* bytes, std::size_t size)
{
    if (StartsWith(bytes, size, 0, "RIFF") && StartsWith(bytes, size, 8, "WEBP"))
        return kFileTypeWebp;
    if (StartsWith(bytes, size, 4, "ftyp") && size >= 12) {
        static constexpr std::array<const char*, 12> kHeifBrands = {
            "heic", "heix", "hevc", "hevx", "heim", "heis", "hevm", "hevs", "mif1", "msf1", "avif", "avis"};
        for (const char* brand : kHeifBrands) {
            if (StartsWith(bytes, size, 8, brand))
                return kFileTypeHeif;
        }
        if (StartsWith(bytes, size, 8, "crx "))
            return kFileTypeCameraRaw;  // Canon CR3
    }
    if (StartsWith(bytes, size, 0, "FUJIFILMCCD-RAW") || StartsWith(bytes, size, 0, "IIRO") ||
        StartsWith(bytes, size, 0, "IIRS") || StartsWith(bytes, size, 0, "MMOR") ||
        (StartsWith(bytes, size, 0, "IIU") && size >= 4 && bytes[3] == 0))
        return kFileTypeCameraRaw;  // Fujifilm, Olympus, Panasonic
    if (StartsWith(bytes, size, 0, "II*") && StartsWith(bytes, size, 8, "CR"))
        return kFileTypeCameraRaw;  // Canon CR2
    return kFileTypeUnknown;
}

// Whether the first directory of a TIFF-structured file describes a camera's
// sensor data rather than a finished picture.
bool IsCameraTiff(const std::uint8_t* bytes, std::size_t size)
{
    if (size < 8)
        return false;
    const bool big = bytes[0] == 'M';
    const auto u16 = [&](std::size_t at) {
        return big ? static_cast<unsigned>((bytes[at] << 8) | bytes[at + 1])
                   : static_cast<unsigned>(bytes[at] | (bytes[at + 1] << 8));
    };
    const std::size_t offset = (std::size_t{u16(big ? 4 : 6)} << 16) | u16(big ? 6 : 4);
    if (u16(2) != 42 || offset < 8 || offset > size - 2)
        return false;
    const std::size_t count = std::min<std::size_t>(u16(offset), (size - offset - 2) / 12);
    bool make = false;
    bool subImages = false;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t entry = offset + 2 + i * 12;
        switch (u16(entry)) {
        case 50706: return true;  // DNGVersion
        case 262:                 // PhotometricInterpretation: colour filter array
            if (u16(entry + 8) == 32803)
                return true;
            break;
        case 271: make = true; break;
        case 330: subImages = true; break;
        default: break;
        }
    }
    return make && subImages;
}
} // namespace

int DetectFileType(const std::uint8_t* bytes, std::size_t size)
{
    if (bytes == nullptr || size < 2)
        return kFileTypeUnknown;
    if (const int container = DetectContainer(bytes, size); container != kFileTypeUnknown)
        return container;
    const std::uint8_t a = bytes[0];
    const std::uint8_t b = bytes[1];
    if (a == 'B' && b == 'M')
        return kFileTypeBitmap;
    if ((a == 'I' && b == 'I') || (a == 'M' && b == 'M'))
        return IsCameraTiff(bytes, size) ? kFileTypeCameraRaw : kFileTypeTiff;
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
    std::array<std::uint8_t, 4096> head{};
    const std::size_t got = std::fread(head.data(), 1, head.size(), file.get());
    const int type = DetectFileType(head.data(), got);
    if (type != kFileTypeTiff || got < 8)
        return type;
    // The first directory lies beyond the bytes read: look at it where it is,
    // behind a header that points straight at it.
    const bool big = head[0] == 'M';
    const std::uint32_t offset = big ? (std::uint32_t{head[4]} << 24) | (std::uint32_t{head[5]} << 16) |
                                           (std::uint32_t{head[6]} << 8) | head[7]
                                     : (std::uint32_t{head[7]} << 24) | (std::uint32_t{head[6]} << 16) |
                                           (std::uint32_t{head[5]} << 8) | head[4];
    if (offset + std::size_t{2} <= got || std::fseek(file.get(), static_cast<long>(offset), SEEK_SET) != 0)
        return type;
    std::array<std::uint8_t, 8 + 2 + 12 * 256> directory{};
    std::memcpy(directory.data(), head.data(), 4);
    directory[big ? 7 : 4] = 8;
    const std::size_t read = std::fread(directory.data() + 8, 1, directory.size() - 8, file.get());
    return IsCameraTiff(directory.data(), 8 + read) ? kFileTypeCameraRaw : type;
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
    case kFileTypeHeif: result = ReadHeifInfo(path, cols, rows, planes); break;
    case kFileTypeWebp: result = ReadWebpInfo(path, cols, rows, planes); break;
    case kFileTypeCameraRaw: result = ReadCameraRawInfo(path, cols, rows, planes); break;
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
    case kFileTypeHeif: return ReadHeifFile(path, *this);
    case kFileTypeWebp: return ReadWebpFile(path, *this);
    case kFileTypeCameraRaw: return ReadCameraRawFile(path, *this);
    default: return kImageCannotOpen;  // raw scanner data is recognised but never read
    }
}

bool ReadEmbeddedData(const std::filesystem::path& path, CEmbeddedData& data)
{
    data = CEmbeddedData{};
    const int type = DetectFileType(path);
    if (type == kFileTypeCameraRaw) {
        data.orientationApplied = true;
        return true;
    }
    if (type != kFileTypeHeif && type != kFileTypeWebp)
        return false;
    std::vector<std::uint8_t> bytes;
    if (ReadFileBytes(path, bytes) != kImageSuccess)
        return false;
    return type == kFileTypeHeif ? ReadHeifEmbeddedBytes(bytes, data) : ReadWebpEmbeddedBytes(bytes, data);
}
