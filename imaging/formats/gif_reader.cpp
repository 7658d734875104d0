// GIF reader (GIF87a and GIF89a): the first image of the file, as RGB, with
// an alpha plane when its graphic control extension names a transparent
// colour.
#include "byte_reader.h"
#include "file_bytes.h"
#include "format_readers.h"
#include "gif_lzw.h"
#include "image.h"
#include "memory_readers.h"
#include "read_problem.h"
#include "reader_support.h"

#include <cstring>
#include <string>
#include <vector>

namespace {
constexpr std::uint8_t kExtensionIntroducer = 0x21;  // '!'
constexpr std::uint8_t kGraphicControlLabel = 0xF9;
constexpr std::uint8_t kTransparentFlag = 0x01;
constexpr std::uint8_t kImageSeparator = 0x2C;       // ','
constexpr std::uint8_t kColourTableFlag = 0x80;
constexpr std::uint8_t kInterlaceFlag = 0x40;
// Every LZW code (at least 3 bits) yields at most 4096 indices; an image
// larger than its data could ever describe is refused before allocation.
constexpr std::size_t kMaxIndicesPerByte = 8 * 4096 / 3 + 1;

struct CGifImage {
    int cols = 0;
    int rows = 0;
    CPalette palette;
    std::vector<std::uint8_t> indices;  // rows x cols, display order
    int transparentIndex = -1;          // none
    std::string damage;                 // as CImage::damage
};

// 2^(n+1) entries over the current ones (a local table overwrites the
// global entries it covers; entries neither table sets stay 0).
void ReadColourTable(CByteReader& in, std::uint8_t flags, CPalette& palette)
{
    const std::size_t entries = std::size_t{2} << (flags & 7);
    for (std::size_t i = 0; i < entries; ++i) {
        palette.red[i] = in.ReadU8();
        palette.green[i] = in.ReadU8();
        palette.blue[i] = in.ReadU8();
    }
}

// Skips data sub-blocks up to and including the zero-length terminator.
void SkipSubBlocks(CByteReader& in)
{
    for (;;) {
        const std::uint8_t length = in.ReadU8();
        if (length == 0 || in.Failed())
            return;
        in.Skip(length);
    }
}

// Rows of an interlaced image arrive in four passes; data row k goes to
// display row order[k].
std::vector<std::size_t> InterlacedRowOrder(std::size_t rows)
{
    std::vector<std::size_t> order;
    order.reserve(rows);
    constexpr std::size_t kStart[4] = {0, 4, 2, 1};
    constexpr std::size_t kStep[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
        for (std::size_t r = kStart[pass]; r < rows; r += kStep[pass])
            order.push_back(r);
    }
    return order;
}

int DecodeImage(CByteReader& in, CGifImage& image)
{
    in.Skip(4);  // left, top
    const std::uint16_t width = in.ReadU16LE();
    const std::uint16_t height = in.ReadU16LE();
    const std::uint8_t flags = in.ReadU8();
    if (flags & kColourTableFlag)
        ReadColourTable(in, flags, image.palette);
    const int minCodeSize = in.ReadU8();
    if (in.Failed() || width == 0 || height == 0)
        return kImageBadArgument;

    // The data sub-blocks, joined; a file cut short ends them where it ends.
    std::vector<std::uint8_t> data;
    for (;;) {
        const std::uint8_t length = in.ReadU8();
        if (length == 0 || in.Failed())
            break;
        const CByteSpan block = in.Take(length);
        data.insert(data.end(), block.begin(), block.end());
    }
    // A file ends with a trailer (or goes on with more blocks): one that
    // stops inside the image's data, or right after it, was cut.
    const bool cut = in.Failed() || in.Remaining() == 0;

    const std::size_t count = std::size_t{width} * height;
    if (count > CImage::kMaxPixels) {
        NoteTooLarge(width, height);
        return kImageBadArgument;
    }
    if (count / kMaxIndicesPerByte > data.size())
        return kImageBadArgument;
    image.cols = width;
    image.rows = height;
    // Indices the data does not reach are 0.
    std::vector<std::uint8_t> decoded(count, 0);
    std::size_t produced = 0;
    const CGifLzwResult decodedAs = DecodeGifLzw(minCodeSize, data, decoded, produced);
    if (produced == 0) {
        NoteReadProblem(EReadProblem::Damaged);
        return kImageBadArgument;
    }
    if (decodedAs == CGifLzwResult::invalid)
        image.damage = DamagedData("invalid LZW code");
    else if (cut || decodedAs == CGifLzwResult::endedEarly)
        image.damage = kDataEndsEarly;

    if (!(flags & kInterlaceFlag)) {
        image.indices = std::move(decoded);
        return kImageSuccess;
    }
    image.indices.assign(count, 0);
    const std::vector<std::size_t> order = InterlacedRowOrder(height);
    for (std::size_t k = 0; k < order.size(); ++k)
        std::memcpy(&image.indices[order[k] * width], &decoded[k * width], width);
    return kImageSuccess;
}

// Reads the header and walks the blocks up to the first image, which it
// decodes. Blocks after it are never looked at.
int DecodeFirstImage(CByteSpan bytes, CGifImage& image)
{
    CByteReader in(bytes);
    // Read as one block: GCC 12 at -O3 misjudges a byte loop into this array.
    const auto taken = in.Take(6);
    char signature[6] = {};
    if (!taken.empty())
        std::memcpy(signature, taken.data(), taken.size());
    const bool is89a = std::memcmp(signature, "GIF89a", 6) == 0;
    if (!is89a && std::memcmp(signature, "GIF87a", 6) != 0)
        return kImageBadArgument;

    in.Skip(4);  // logical screen width and height
    const std::uint8_t flags = in.ReadU8();
    in.Skip(1);  // background colour index
    const std::uint8_t aspect = in.ReadU8();
    if (in.Failed() || (aspect != 0 && !is89a))
        return kImageBadArgument;
    if (flags & kColourTableFlag)
        ReadColourTable(in, flags, image.palette);

    for (;;) {
        const std::uint8_t block = in.ReadU8();
        if (in.Failed())
            return kImageBadArgument;
        if (block == kExtensionIntroducer) {
            // Only the graphic control extension matters (the last one
            // before the image applies to it); every other kind is skipped.
            const std::uint8_t label = in.ReadU8();
            if (label == kGraphicControlLabel) {
                const std::uint8_t length = in.ReadU8();
                const CByteSpan fields = in.Take(length);
                if (length >= 4 && fields.size() == length)
                    image.transparentIndex = (fields[0] & kTransparentFlag) ? fields[3] : -1;
            }
            SkipSubBlocks(in);
        } else if (block == kImageSeparator) {
            return DecodeImage(in, image);
        } else {
            return kImageBadArgument;  // the trailer (';') or an unknown block before any image
        }
    }
}

int ReadGifCore(CByteSpan bytes, CImage& image)
{
    CGifImage gif;
    try {
        if (const int result = DecodeFirstImage(bytes, gif); result != kImageSuccess)
            return result;
    } catch (const std::bad_alloc&) {
        return kImageOutOfMemory;
    }
    const bool transparent = gif.transparentIndex >= 0;
    if (const int result = SetUpImage(image, gif.cols, gif.rows, transparent ? 4 : 3, kSampleByte);
        result != kImageSuccess)
        return result;
    image.damage = std::move(gif.damage);
    const std::size_t count = gif.indices.size();
    std::uint8_t* red = image.plane[0];
    std::uint8_t* green = image.plane[1];
    std::uint8_t* blue = image.plane[2];
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t index = gif.indices[i];
        red[i] = gif.palette.red[index];
        green[i] = gif.palette.green[index];
        blue[i] = gif.palette.blue[index];
    }
    if (transparent) {
        std::uint8_t* alpha = image.plane[3];
        for (std::size_t i = 0; i < count; ++i)
            alpha[i] = gif.indices[i] == gif.transparentIndex ? 0 : 255;
    }
    return kImageSuccess;
}
} // namespace

int ReadGifInfoBytes(CByteSpan bytes, int& cols, int& rows, int& planes)
{
    cols = rows = planes = 0;
    CGifImage gif;
    try {
        if (DecodeFirstImage(bytes, gif) != kImageSuccess)
            return kImageCannotOpen;
    } catch (const std::bad_alloc&) {
        return kImageCannotOpen;
    }
    cols = gif.cols;
    rows = gif.rows;
    planes = 3;
    return kImageSuccess;
}

int ReadGifBytes(CByteSpan bytes, CImage& image)
{
    return FinishRead(image, ReadGifCore(bytes, image));
}

int ReadGifInfo(const std::filesystem::path& path, int& cols, int& rows, int& planes)
{
    cols = rows = planes = 0;
    std::vector<std::uint8_t> bytes;
    if (ReadFileBytes(path, bytes) != kImageSuccess)
        return kImageCannotOpen;
    return ReadGifInfoBytes(bytes, cols, rows, planes);
}

int ReadGifFile(const std::filesystem::path& path, CImage& image)
{
    std::vector<std::uint8_t> bytes;
    if (ReadFileBytes(path, bytes) != kImageSuccess)
        return FinishRead(image, kImageCannotOpen);
    return ReadGifBytes(bytes, image);
}
