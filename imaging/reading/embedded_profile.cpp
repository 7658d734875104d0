#include "embedded_profile.h"

#include "file_type.h"
#include "png_chunks.h"
#include "tiff_structure.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <map>

namespace {

using CBytes = std::span<const std::uint8_t>;

std::uint32_t Big32(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | std::uint32_t(p[3]);
}

bool Inside(CBytes file, std::uint64_t at, std::uint64_t size)
{
    return at <= file.size() && file.size() - at >= size;
}

std::vector<std::uint8_t> CopyAt(CBytes file, std::uint64_t at, std::uint64_t size)
{
    if (size == 0 || size > kMaxProfileBytes || !Inside(file, at, size))
        return {};
    const auto begin = file.begin() + static_cast<std::ptrdiff_t>(at);
    return std::vector<std::uint8_t>(begin, begin + static_cast<std::ptrdiff_t>(size));
}

// APP2 segments "ICC_PROFILE\0", sequence number, count, then a piece.
std::vector<std::uint8_t> JpegProfile(CBytes file)
{
    static constexpr char kSignature[] = "ICC_PROFILE";  // with its NUL: 12 bytes
    std::map<int, CBytes> pieces;
    int count = 0;
    std::uint64_t at = 2;
    std::uint64_t total = 0;
    while (at < file.size()) {
        if (file[at] == 0xFF) {  // a fill byte or a marker prefix
            ++at;
            continue;
        }
        const std::uint8_t code = file[at];
        if (code == 0xD9 || code == 0xDA || !Inside(file, at + 1, 2))
            break;
        const std::uint32_t length = std::uint32_t(file[at + 1]) << 8 | file[at + 2];
        if (length < 2)
            break;
        if (code == 0xE2 && length >= 2 + 14) {
            if (!Inside(file, at + 3, 14))
                break;
            const std::uint8_t* signature = file.data() + at + 3;
            if (std::memcmp(signature, kSignature, 12) == 0) {
                const int sequence = signature[12];
                if (count != 0 && count != signature[13])
                    return {};  // pieces that disagree about their number
                count = signature[13];
                total += length - 16;
                if (sequence < 1 || sequence > count || pieces.count(sequence) != 0 || total > kMaxProfileBytes)
                    return {};
                if (!Inside(file, at + 17, length - 16))
                    return {};
                pieces[sequence] = file.subspan(static_cast<std::size_t>(at + 17), length - 16);
            }
        }
        at += 1 + length;
    }
    if (count == 0 || int(pieces.size()) != count)
        return {};
    std::vector<std::uint8_t> profile;
    for (const auto& piece : pieces)  // in sequence order
        profile.insert(profile.end(), piece.second.begin(), piece.second.end());
    return profile;
}

// Tag 34675 (UNDEFINED bytes) of the first directory.
std::vector<std::uint8_t> TiffProfile(CBytes file)
{
    const CTiffStructure tiff(file);
    if (!tiff.Valid() || tiff.Magic() != 42)
        return {};
    const std::size_t directory = tiff.FirstDirectory();
    if (!tiff.Has(directory, 2))
        return {};
    const std::size_t count = tiff.EntriesInside(directory);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t entry = tiff.EntryPosition(directory, i);
        // CIE L*a*b* samples mean the same whatever profile rides along (the
        // reader has made them sRGB already); applying one would distort them.
        const std::uint32_t photometric = tiff.Read16(entry + 8);
        if (tiff.Tag(entry) == 262 && photometric >= 8 && photometric <= 10)
            return {};
        const std::uint32_t type = tiff.Type(entry);
        if (tiff.Tag(entry) == 34675 && (type == 7 || type == 1) && tiff.Count(entry) > 4)
            return CopyAt(file, tiff.Read32(entry + 8), tiff.Count(entry));
    }
    return {};
}

} // namespace

std::vector<std::uint8_t> InflatePngProfile(const CPngChunk& chunk)
{
    if (!chunk.found || !chunk.complete || chunk.length == 0 || chunk.length > kMaxProfileBytes)
        return {};
    const auto nul = std::find(chunk.data.begin(), chunk.data.end(), std::uint8_t(0));
    if (nul == chunk.data.end() || chunk.data.end() - nul < 2 || nul[1] != 0)
        return {};
    z_stream z{};
    if (inflateInit(&z) != Z_OK)
        return {};
    std::vector<std::uint8_t> profile;
    std::uint8_t buffer[16384];
    z.next_in = const_cast<Bytef*>(&*(nul + 2));
    z.avail_in = uInt(chunk.data.end() - (nul + 2));
    int status = Z_OK;
    while (status == Z_OK && profile.size() <= kMaxProfileBytes) {
        z.next_out = buffer;
        z.avail_out = sizeof buffer;
        status = inflate(&z, Z_NO_FLUSH);
        profile.insert(profile.end(), buffer, buffer + (sizeof buffer - z.avail_out));
        if (status == Z_OK && z.avail_in == 0 && z.avail_out != 0)
            break;  // the stream stops short
    }
    inflateEnd(&z);
    if (status != Z_STREAM_END || profile.size() > kMaxProfileBytes)
        return {};
    return profile;
}

namespace {

// Image resource 1039 of a Photoshop document.
std::vector<std::uint8_t> PhotoshopProfile(CBytes file)
{
    if (!Inside(file, 26, 4))
        return {};
    std::uint64_t at = 26 + 4 + std::uint64_t(Big32(file.data() + 26));  // after the colour mode data
    if (!Inside(file, at, 4))
        return {};
    const std::uint64_t end = at + 4 + Big32(file.data() + at);
    at += 4;
    while (at + 12 <= end) {
        if (!Inside(file, at, 7) || std::memcmp(file.data() + at, "8BIM", 4) != 0)
            return {};
        const std::uint32_t id = std::uint32_t(file[at + 4]) << 8 | file[at + 5];
        const std::uint64_t nameBytes = (std::uint64_t(file[at + 6]) + 2) & ~std::uint64_t{1};  // length byte, text, even
        if (!Inside(file, at + 6 + nameBytes, 4))
            return {};
        const std::uint32_t size = Big32(file.data() + at + 6 + nameBytes);
        const std::uint64_t data = at + 6 + nameBytes + 4;
        if (id == 0x040F)
            return data + size <= end ? CopyAt(file, data, size) : std::vector<std::uint8_t>{};
        at = data + ((std::uint64_t(size) + 1) & ~std::uint64_t{1});
    }
    return {};
}

} // namespace

std::vector<std::uint8_t> ReadEmbeddedProfile(std::span<const std::uint8_t> file, int fileType)
{
    switch (fileType) {
    case kFileTypeJpeg: return JpegProfile(file);
    case kFileTypeTiff: return TiffProfile(file);
    case kFileTypePng: return InflatePngProfile(FindPngChunks(file).iccp);
    case kFileTypePhotoshop: return PhotoshopProfile(file);
    default: return {};
    }
}

int ReadTiffPhotometric(std::span<const std::uint8_t> file)
{
    const CTiffStructure tiff(file);
    if (!tiff.Valid())
        return -1;
    const std::size_t directory = tiff.FirstDirectory();
    if (!tiff.Has(directory, 2))
        return -1;
    const std::size_t count = tiff.EntriesInside(directory);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t entry = tiff.EntryPosition(directory, i);
        if (tiff.Tag(entry) == 262)
            return int(tiff.Read16(entry + 8));  // a SHORT value sits at the start of the value field
    }
    return -1;
}

int ReadPhotoshopMode(std::span<const std::uint8_t> file)
{
    if (!Inside(file, 24, 2))
        return -1;
    return file[24] << 8 | file[25];
}
