// Recognition of image files by their first bytes.
#include "file_type.h"

#include "file_bytes.h"
#include "tiff_structure.h"

#include <algorithm>
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
    const CTiffStructure tiff({bytes, size});
    if (!tiff.Valid() || tiff.Magic() != 42)
        return false;
    const std::size_t offset = tiff.FirstDirectory();
    if (offset < 8 || offset > size - 2)
        return false;
    const std::size_t count = tiff.EntriesInside(offset);
    bool make = false;
    bool subImages = false;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t entry = tiff.EntryPosition(offset, i);
        switch (tiff.Tag(entry)) {
        case 50706: return true;  // DNGVersion
        case 262:                 // PhotometricInterpretation: colour filter array
            if (tiff.Read16(entry + 8) == 32803)
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

int DetectFileTypeOfFile(std::span<const std::uint8_t> file)
{
    // The first bytes decide, as they do for a file of which only its head
    // has been read.
    const std::size_t got = std::min<std::size_t>(file.size(), kDetectionHeadBytes);
    const int type = DetectFileType(file.data(), got);
    if (type != kFileTypeTiff || got < 8)
        return type;
    // The first directory lies beyond the head: look at it where it is,
    // behind a header that points straight at it.
    const std::uint32_t offset = CTiffStructure(file).FirstDirectory();
    if (offset + std::size_t{2} <= got || offset > file.size())
        return type;
    std::array<std::uint8_t, 8 + 2 + 12 * 256> directory{};
    std::memcpy(directory.data(), file.data(), 4);
    directory[file[0] == 'M' ? 7 : 4] = 8;
    const std::size_t read = std::min(directory.size() - 8, file.size() - offset);
    std::memcpy(directory.data() + 8, file.data() + offset, read);
    return IsCameraTiff(directory.data(), 8 + read) ? kFileTypeCameraRaw : type;
}

int DetectFileType(const std::filesystem::path& path)
{
    const CInputFile file = OpenForReading(path);
    if (!file)
        return kFileTypeUnknown;
    std::array<std::uint8_t, kDetectionHeadBytes> head{};
    const std::size_t got = std::fread(head.data(), 1, head.size(), file.get());
    const int type = DetectFileType(head.data(), got);
    if (type != kFileTypeTiff || got < 8)
        return type;
    // A directory beyond the head is read where it is.
    const std::uint32_t offset = CTiffStructure({head.data(), got}).FirstDirectory();
    if (offset + std::size_t{2} <= got || std::fseek(file.get(), static_cast<long>(offset), SEEK_SET) != 0)
        return type;
    std::array<std::uint8_t, 8 + 2 + 12 * 256> directory{};
    std::memcpy(directory.data(), head.data(), 4);
    directory[head[0] == 'M' ? 7 : 4] = 8;
    const std::size_t read = std::fread(directory.data() + 8, 1, directory.size() - 8, file.get());
    return IsCameraTiff(directory.data(), 8 + read) ? kFileTypeCameraRaw : type;
}
