#include "color_profile.h"

#include "file_bytes.h"
#include "file_type.h"
#include "image.h"

#include <lcms2.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <mutex>

namespace {

// --- Reading the profile ----------------------------------------------------

bool ReadAt(std::FILE* f, std::uint64_t offset, void* out, std::size_t size)
{
    return offset <= std::uint64_t(std::numeric_limits<long>::max()) && std::fseek(f, long(offset), SEEK_SET) == 0 &&
           std::fread(out, 1, size, f) == size;
}

std::uint32_t Big32(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | std::uint32_t(p[3]);
}

std::vector<std::uint8_t> ReadBytesAt(std::FILE* f, std::uint64_t offset, std::uint64_t size)
{
    if (size == 0 || size > kMaxProfileBytes)
        return {};
    std::vector<std::uint8_t> bytes(size);
    if (!ReadAt(f, offset, bytes.data(), bytes.size()))
        return {};
    return bytes;
}

// APP2 segments "ICC_PROFILE\0", sequence number, count, then a piece.
std::vector<std::uint8_t> ReadJpegProfile(std::FILE* f)
{
    static constexpr char kSignature[] = "ICC_PROFILE";  // with its NUL: 12 bytes
    std::map<int, std::vector<std::uint8_t>> pieces;
    int count = 0;
    std::uint64_t at = 2;
    std::uint64_t total = 0;
    for (;;) {
        std::uint8_t head[4];
        if (!ReadAt(f, at, head, 1))
            break;
        if (head[0] == 0xFF) {  // a fill byte or a marker prefix
            ++at;
            continue;
        }
        const std::uint8_t code = head[0];
        if (code == 0xD9 || code == 0xDA || !ReadAt(f, at + 1, head, 2))
            break;
        const std::uint32_t length = std::uint32_t(head[0]) << 8 | head[1];
        if (length < 2)
            break;
        if (code == 0xE2 && length >= 2 + 14) {
            std::uint8_t signature[14];
            if (!ReadAt(f, at + 3, signature, sizeof signature))
                break;
            if (std::memcmp(signature, kSignature, 12) == 0) {
                const int sequence = signature[12];
                if (count != 0 && count != signature[13])
                    return {};  // pieces that disagree about their number
                count = signature[13];
                total += length - 16;
                if (sequence < 1 || sequence > count || pieces.count(sequence) != 0 || total > kMaxProfileBytes)
                    return {};
                auto& piece = pieces[sequence];
                piece.resize(length - 16);
                if (!piece.empty() && !ReadAt(f, at + 17, piece.data(), piece.size()))
                    return {};
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
std::vector<std::uint8_t> ReadTiffProfile(std::FILE* f)
{
    std::uint8_t header[8];
    if (!ReadAt(f, 0, header, sizeof header))
        return {};
    const bool intel = header[0] == 'I';
    auto u16 = [&](const std::uint8_t* p) { return intel ? std::uint32_t(p[0] | p[1] << 8) : std::uint32_t(p[0] << 8 | p[1]); };
    auto u32 = [&](const std::uint8_t* p) {
        return intel ? std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24
                     : Big32(p);
    };
    if (u16(header + 2) != 42)
        return {};
    const std::uint64_t directory = u32(header + 4);
    std::uint8_t countBytes[2];
    if (!ReadAt(f, directory, countBytes, 2))
        return {};
    const std::uint32_t count = u16(countBytes);
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint8_t entry[12];
        if (!ReadAt(f, directory + 2 + 12 * std::uint64_t(i), entry, sizeof entry))
            return {};
        const std::uint32_t format = u16(entry + 2);
        if (u16(entry) == 34675 && (format == 7 || format == 1) && u32(entry + 4) > 4)
            return ReadBytesAt(f, u32(entry + 8), u32(entry + 4));
    }
    return {};
}

// The iCCP chunk: name, NUL, compression method 0, zlib stream.
std::vector<std::uint8_t> ReadPngProfile(std::FILE* f)
{
    std::uint64_t at = 8;
    for (;;) {
        std::uint8_t head[8];
        if (!ReadAt(f, at, head, sizeof head))
            return {};
        const std::uint32_t length = Big32(head);
        if (std::memcmp(head + 4, "IDAT", 4) == 0 || std::memcmp(head + 4, "IEND", 4) == 0)
            return {};
        if (std::memcmp(head + 4, "iCCP", 4) == 0) {
            const std::vector<std::uint8_t> chunk = ReadBytesAt(f, at + 8, length);
            const auto nul = std::find(chunk.begin(), chunk.end(), std::uint8_t(0));
            if (nul == chunk.end() || chunk.end() - nul < 2 || nul[1] != 0)
                return {};
            z_stream z{};
            if (inflateInit(&z) != Z_OK)
                return {};
            std::vector<std::uint8_t> profile;
            std::uint8_t buffer[16384];
            z.next_in = const_cast<Bytef*>(&*(nul + 2));
            z.avail_in = uInt(chunk.end() - (nul + 2));
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
        at += 12 + std::uint64_t(length);
    }
}

// Image resource 1039 of a Photoshop document.
std::vector<std::uint8_t> ReadPhotoshopProfile(std::FILE* f)
{
    std::uint8_t word[4];
    if (!ReadAt(f, 26, word, 4))
        return {};
    std::uint64_t at = 26 + 4 + std::uint64_t(Big32(word));  // after the colour mode data
    if (!ReadAt(f, at, word, 4))
        return {};
    const std::uint64_t end = at + 4 + Big32(word);
    at += 4;
    while (at + 12 <= end) {
        std::uint8_t head[7];
        if (!ReadAt(f, at, head, sizeof head) || std::memcmp(head, "8BIM", 4) != 0)
            return {};
        const std::uint32_t id = std::uint32_t(head[4]) << 8 | head[5];
        const std::uint64_t nameBytes = (std::uint64_t(head[6]) + 2) & ~std::uint64_t{1};  // length byte, text, even
        if (!ReadAt(f, at + 6 + nameBytes, word, 4))
            return {};
        const std::uint32_t size = Big32(word);
        const std::uint64_t data = at + 6 + nameBytes + 4;
        if (id == 0x040F)
            return data + size <= end ? ReadBytesAt(f, data, size) : std::vector<std::uint8_t>{};
        at = data + ((std::uint64_t(size) + 1) & ~std::uint64_t{1});
    }
    return {};
}

// --- Converting ---------------------------------------------------------------

void SilenceLittleCms()
{
    static std::once_flag once;
    std::call_once(once, [] { cmsSetLogErrorHandler([](cmsContext, cmsUInt32Number, const char*) {}); });
}

struct ProfileCloser {
    void operator()(void* p) const { cmsCloseProfile(p); }
};
struct TransformCloser {
    void operator()(void* t) const { cmsDeleteTransform(t); }
};
using CProfile = std::unique_ptr<void, ProfileCloser>;
using CTransform = std::unique_ptr<void, TransformCloser>;

template <typename T>
void Transform(cmsHTRANSFORM transform, const CImage& in, int channels, CImage& out)
{
    const std::size_t cols = std::size_t(in.cols);
    std::vector<T> source(cols * std::size_t(channels));
    std::vector<T> rgb(cols * 3);
    for (int y = 0; y < in.rows; ++y) {
        const std::size_t row = std::size_t(y) * cols;
        for (int c = 0; c < channels; ++c) {
            const T* plane = reinterpret_cast<const T*>(in.plane[c]) + row;
            for (std::size_t x = 0; x < cols; ++x)
                source[x * std::size_t(channels) + std::size_t(c)] = plane[x];
        }
        cmsDoTransform(transform, source.data(), rgb.data(), cmsUInt32Number(cols));
        for (int c = 0; c < 3; ++c) {
            T* plane = reinterpret_cast<T*>(out.plane[c]) + row;
            for (std::size_t x = 0; x < cols; ++x)
                plane[x] = rgb[x * 3 + std::size_t(c)];
        }
    }
}

} // namespace

std::vector<std::uint8_t> ReadEmbeddedProfile(const std::filesystem::path& path)
{
    const CInputFile file = OpenForReading(path);
    if (!file)
        return {};
    switch (DetectFileType(path)) {
    case kFileTypeJpeg: return ReadJpegProfile(file.get());
    case kFileTypeTiff: return ReadTiffProfile(file.get());
    case kFileTypePng: return ReadPngProfile(file.get());
    case kFileTypePhotoshop: return ReadPhotoshopProfile(file.get());
    default: return {};
    }
}

int ProfileColorChannels(std::span<const std::uint8_t> profile)
{
    if (profile.empty())
        return 0;
    SilenceLittleCms();
    const CProfile parsed(cmsOpenProfileFromMem(profile.data(), cmsUInt32Number(profile.size())));
    if (!parsed)
        return 0;
    switch (cmsGetColorSpace(parsed.get())) {
    case cmsSigGrayData: return 1;
    case cmsSigRgbData: return 3;
    case cmsSigCmykData: return 4;
    default: return 0;
    }
}

int ConvertToSrgb(CImage& image, std::span<const std::uint8_t> profile, bool invertedCmyk)
{
    if (profile.empty() || !image.HasAllPlanes() || image.PixelCount() == 0)
        return kImageBadArgument;
    const bool words = image.sampleType == kSampleWord;
    if (!words && image.sampleType != kSampleByte)
        return kImageBadArgument;
    SilenceLittleCms();
    const CProfile source(cmsOpenProfileFromMem(profile.data(), cmsUInt32Number(profile.size())));
    const CProfile srgb(cmsCreate_sRGBProfile());
    if (!source || !srgb)
        return kImageBadArgument;

    int channels = 0;
    cmsUInt32Number format = 0;
    switch (cmsGetColorSpace(source.get())) {
    case cmsSigGrayData:
        channels = 1;
        format = words ? TYPE_GRAY_16 : TYPE_GRAY_8;
        break;
    case cmsSigRgbData:
        channels = 3;
        format = words ? TYPE_RGB_16 : TYPE_RGB_8;
        break;
    case cmsSigCmykData:
        channels = 4;
        format = words ? (invertedCmyk ? TYPE_CMYK_16_REV : TYPE_CMYK_16) : (invertedCmyk ? TYPE_CMYK_8_REV : TYPE_CMYK_8);
        break;
    default:
        return kImageBadArgument;
    }
    // The picture's planes must be the profile's channels, plus at most one
    // transparency plane for grey and RGB.
    const int extra = image.planes - channels;
    if (extra < 0 || extra > (channels == 4 ? 0 : 1))
        return kImageBadArgument;

    const CTransform transform(cmsCreateTransform(source.get(), format, srgb.get(), words ? TYPE_RGB_16 : TYPE_RGB_8,
                                                  INTENT_PERCEPTUAL, 0));
    if (!transform)
        return kImageBadArgument;

    CImage rgb(image.cols, image.rows, 3 + extra, image.sampleType);
    if (rgb.planes != 3 + extra)
        return kImageOutOfMemory;
    if (words)
        Transform<std::uint16_t>(transform.get(), image, channels, rgb);
    else
        Transform<std::uint8_t>(transform.get(), image, channels, rgb);
    if (extra == 1)
        std::memcpy(rgb.plane[3], image.plane[channels], image.PixelCount() * image.BytesPerSample());
    rgb.displayMax = image.displayMax;
    rgb.displayMin = image.displayMin;
    rgb.quality = image.quality;
    rgb.resolution = image.resolution;
    rgb.subsampling = image.subsampling;
    image = std::move(rgb);
    return kImageSuccess;
}
