// Windows bitmap reader: uncompressed files of 1, 2, 4, 8, 16 (5-5-5), 24,
// 32, 48 and 96 bits per pixel, 16- and 32-bit files with bit fields (an
// alpha mask gives an alpha plane), and run-length encoded 4- and 8-bit
// files; bottom-up or top-down.
#include "byte_reader.h"
#include "file_bytes.h"
#include "format_readers.h"
#include "image.h"
#include "memory_readers.h"
#include "read_problem.h"
#include "reader_support.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace {
constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 40;
// What the header parse reads: both headers and the four bit-field masks.
constexpr std::size_t kHeaderPrefix = kFileHeaderSize + kInfoHeaderSize + 4 * 4;
// Headers of this length and more hold an alpha mask after the colour masks.
constexpr std::uint32_t kAlphaMaskHeaderSize = 56;

struct CBitmapHeader {
    std::uint32_t dataOffset = 0;
    std::uint32_t headerSize = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint16_t bitCount = 0;
    std::uint32_t compression = 0;
    std::uint32_t xPelsPerMeter = 0;
    std::uint32_t colorsUsed = 0;
    std::uint32_t masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha of a bit-field file
};

constexpr std::uint32_t kCompressionNone = 0;
constexpr std::uint32_t kCompressionRle8 = 1;
constexpr std::uint32_t kCompressionRle4 = 2;
constexpr std::uint32_t kCompressionBitFields = 3;
constexpr std::uint32_t kCompressionJpeg = 4;
constexpr std::uint32_t kCompressionPng = 5;
constexpr std::uint32_t kCompressionAlphaBitFields = 6;

// Reads the file header and the 40-byte information header. 1 for a wrong
// signature or a header cut short.
int ParseBitmapHeader(CByteSpan bytes, CBitmapHeader& header)
{
    CByteReader in(bytes);
    if (in.ReadU8() != 'B' || in.ReadU8() != 'M')
        return kImageBadArgument;
    in.Skip(8);  // file size, two reserved words
    header.dataOffset = in.ReadU32LE();
    header.headerSize = in.ReadU32LE();
    header.width = in.ReadI32LE();
    header.height = in.ReadI32LE();
    in.Skip(2);  // colour planes
    header.bitCount = in.ReadU16LE();
    header.compression = in.ReadU32LE();
    in.Skip(4);  // image size
    header.xPelsPerMeter = in.ReadU32LE();
    in.Skip(4);  // vertical pixels per metre
    header.colorsUsed = in.ReadU32LE();
    if (in.Failed())
        return kImageBadArgument;
    // Bit-field masks sit right after the 40-byte header, inside the longer
    // headers and after the short one alike. The alpha mask follows them in
    // headers long enough to hold it, and in the alpha bit-field form.
    const bool alphaForm = header.compression == kCompressionAlphaBitFields;
    if (header.compression == kCompressionBitFields || alphaForm) {
        in.Seek(kFileHeaderSize + kInfoHeaderSize);
        const bool withAlpha = alphaForm || header.headerSize >= kAlphaMaskHeaderSize;
        for (int k = 0; k < (withAlpha ? 4 : 3); ++k)
            header.masks[k] = in.ReadU32LE();
        if (in.Failed())
            return kImageBadArgument;
    }
    return kImageSuccess;
}

bool HasValidSize(const CBitmapHeader& header)
{
    return header.width > 0 && header.height != 0 && header.height != INT_MIN;
}

bool IsDecodedDepth(int bits)
{
    switch (bits) {
    case 1: case 2: case 4: case 8: case 16: case 24: case 32: case 48: case 96:
        return true;
    default:
        return false;
    }
}

// One colour channel of a 16- or 32-bit pixel: a contiguous run of bits,
// widened to 8 bits by repeating its top bits (5-bit 31 becomes 255).
struct CChannelBits {
    std::uint32_t mask = 0;
    int shift = 0;
    int width = 0;

    std::uint8_t Extract(std::uint32_t pixel) const
    {
        if (width == 0)
            return 0;
        const std::uint32_t v = (pixel & mask) >> shift;
        if (width >= 8)
            return static_cast<std::uint8_t>(v >> (width - 8));
        std::uint32_t wide = 0;
        int filled = 0;
        while (filled < 8) {
            wide = (wide << width) | v;
            filled += width;
        }
        return static_cast<std::uint8_t>(wide >> (filled - 8));
    }
};

// False for a mask whose bits are not one contiguous run.
bool MakeChannelBits(std::uint32_t mask, CChannelBits& bits)
{
    bits = CChannelBits{};
    if (mask == 0)
        return true;
    bits.mask = mask;
    bits.shift = std::countr_zero(mask);
    bits.width = std::popcount(mask);
    return (mask >> bits.shift) == (bits.width == 32 ? 0xFFFFFFFFu : (1u << bits.width) - 1);
}

// Entries the file does not hold stay 0. The palette follows the header,
// whatever its length (40, 108 and 124 bytes are common). It holds the
// header's count of colours used when that is set, and never reaches into
// the pixel data: many writers store only the colours a picture uses.
CPalette ReadPalette(CByteSpan bytes, const CBitmapHeader& header)
{
    CPalette palette;
    std::size_t entries = header.bitCount <= 8 ? std::size_t{1} << header.bitCount : 0;
    if (header.colorsUsed != 0 && header.colorsUsed < entries)
        entries = header.colorsUsed;
    const std::size_t start = kFileHeaderSize + header.headerSize;
    if (header.dataOffset > start && (header.dataOffset - start) / 4 < entries)
        entries = (header.dataOffset - start) / 4;
    CByteReader in(bytes);
    in.Seek(start);
    for (std::size_t i = 0; i < entries && in.Remaining() >= 4; ++i) {
        palette.blue[i] = in.ReadU8();
        palette.green[i] = in.ReadU8();
        palette.red[i] = in.ReadU8();
        in.Skip(1);
    }
    return palette;
}

struct CRowTarget {
    std::uint8_t* plane[4];  // the fourth: alpha, or null
    std::size_t offset;      // first sample of the image row
};

template <typename T>
T* PlaneAt(const CRowTarget& t, int p)
{
    return reinterpret_cast<T*>(t.plane[p]) + t.offset;
}

// Decodes the pixels whose bytes are all present in `row` (a short last row
// of a truncated file keeps its remaining samples at 0).
void DecodeRow(CByteSpan row, int bits, int cols, const CPalette& pal, const CChannelBits* channels,
               const CRowTarget& t)
{
    std::uint8_t* r = PlaneAt<std::uint8_t>(t, 0);
    std::uint8_t* g = PlaneAt<std::uint8_t>(t, 1);
    std::uint8_t* b = PlaneAt<std::uint8_t>(t, 2);
    const std::size_t size = row.size();
    const std::size_t n = static_cast<std::size_t>(cols);
    switch (bits) {
    case 1:
    case 4:
    case 8: {
        const std::size_t perByte = 8 / static_cast<std::size_t>(bits);
        const std::size_t count = std::min(n, size * perByte);
        const unsigned mask = (1u << bits) - 1;
        for (std::size_t c = 0; c < count; ++c) {
            const std::size_t shift = (perByte - 1 - c % perByte) * static_cast<std::size_t>(bits);
            const std::size_t index = (row[c / perByte] >> shift) & mask;
            r[c] = pal.red[index];
            g[c] = pal.green[index];
            b[c] = pal.blue[index];
        }
        break;
    }
    case 16:
    case 32: {
        const std::size_t step = static_cast<std::size_t>(bits) / 8;
        const std::size_t count = std::min(n, size / step);
        std::uint8_t* a = t.plane[3] != nullptr ? PlaneAt<std::uint8_t>(t, 3) : nullptr;
        for (std::size_t c = 0; c < count; ++c) {
            const std::uint8_t* px = &row[step * c];
            std::uint32_t v = px[0] | (px[1] << 8);
            if (step == 4)
                v |= (static_cast<std::uint32_t>(px[2]) << 16) | (static_cast<std::uint32_t>(px[3]) << 24);
            r[c] = channels[0].Extract(v);
            g[c] = channels[1].Extract(v);
            b[c] = channels[2].Extract(v);
            if (a != nullptr)
                a[c] = channels[3].Extract(v);
        }
        break;
    }
    case 24: {
        const std::size_t count = std::min(n, size / 3);
        for (std::size_t c = 0; c < count; ++c) {
            b[c] = row[3 * c];
            g[c] = row[3 * c + 1];
            r[c] = row[3 * c + 2];
        }
        break;
    }
    case 48: {
        std::uint16_t* r16 = PlaneAt<std::uint16_t>(t, 0);
        std::uint16_t* g16 = PlaneAt<std::uint16_t>(t, 1);
        std::uint16_t* b16 = PlaneAt<std::uint16_t>(t, 2);
        const std::size_t count = std::min(n, size / 6);
        for (std::size_t c = 0; c < count; ++c) {
            const std::uint8_t* px = &row[6 * c];
            b16[c] = static_cast<std::uint16_t>(px[0] | (px[1] << 8));
            g16[c] = static_cast<std::uint16_t>(px[2] | (px[3] << 8));
            r16[c] = static_cast<std::uint16_t>(px[4] | (px[5] << 8));
        }
        break;
    }
    case 96: {
        float* out[3] = {PlaneAt<float>(t, 2), PlaneAt<float>(t, 1), PlaneAt<float>(t, 0)};
        const std::size_t count = std::min(n, size / 12);
        for (std::size_t c = 0; c < count; ++c) {
            for (int k = 0; k < 3; ++k) {
                const std::uint8_t* v = &row[12 * c + 4 * static_cast<std::size_t>(k)];
                const std::uint32_t word = v[0] | (v[1] << 8) | (v[2] << 16) | (static_cast<std::uint32_t>(v[3]) << 24);
                out[k][c] = std::bit_cast<float>(word);
            }
        }
        break;
    }
    default:
        break;
    }
}

// Run-length encoded pixels (4 or 8 bits) as palette indices, one byte per
// pixel in file row order, `cols` being the padded row width: encoders
// (ImageMagick among them) encode the padding of each row as pixels. Every
// run and every delta is checked against that row and the image before
// anything is written: a code that reaches outside is damage, and decoding
// stops there rather than clipping it. Pixels the encoding skips keep index
// 0, and so do those after the point where the data ends or goes wrong.
struct CRleOutcome {
    enum { complete, endedEarly, invalid } end = complete;
    bool wroteAny = false;  // some run or literal was stored
    std::size_t x = 0;      // where decoding stopped
    std::size_t y = 0;
};

CRleOutcome DecodeRle(CByteReader& in, int bits, std::size_t cols, std::size_t rows, std::vector<std::uint8_t>& indices)
{
    CRleOutcome at;
    std::size_t& x = at.x;
    std::size_t& y = at.y;
    while (in.Remaining() >= 2) {
        const std::size_t count = in.ReadU8();
        const std::uint8_t code = in.ReadU8();
        if (count > 0) {
            // A run: `count` pixels of one index (or, at 4 bits, of two
            // alternating indices).
            if (y >= rows || count > cols - x) {
                at.end = CRleOutcome::invalid;
                return at;
            }
            std::uint8_t* out = &indices[y * cols + x];
            for (std::size_t i = 0; i < count; ++i)
                out[i] = bits == 8 ? code : (i % 2 == 0 ? code >> 4 : code & 0x0F);
            x += count;
            at.wroteAny = true;
        } else if (code == 0) {  // end of line
            x = 0;
            ++y;
        } else if (code == 1) {  // end of bitmap
            return at;
        } else if (code == 2) {  // delta: move right and down
            const std::size_t dx = in.ReadU8();
            const std::size_t dy = in.ReadU8();
            if (in.Failed())
                break;
            if (dx > cols - x || dy > rows - std::min(y, rows) || (dy == 0 && y >= rows)) {
                at.end = CRleOutcome::invalid;
                return at;
            }
            x += dx;
            y += dy;
        } else {  // absolute mode: `code` literal indices, padded to a 16-bit boundary
            const std::size_t literal = code;
            const std::size_t dataBytes = bits == 8 ? literal : (literal + 1) / 2;
            if (y >= rows || literal > cols - x) {
                at.end = CRleOutcome::invalid;
                return at;
            }
            const CByteSpan data = in.Take(dataBytes + (dataBytes & 1));
            std::uint8_t* out = &indices[y * cols + x];
            for (std::size_t i = 0; i < literal; ++i) {
                const std::size_t byte = bits == 8 ? i : i / 2;
                if (byte >= data.size())
                    break;
                out[i] = bits == 8 ? data[byte] : (i % 2 == 0 ? data[byte] >> 4 : data[byte] & 0x0F);
                at.wroteAny = true;
            }
            x += literal;
        }
    }
    // The data ran out before the end-of-bitmap code. Writers that leave that
    // code out after the last row lose nothing; anything shorter is a cut.
    at.end = CRleOutcome::endedEarly;
    return at;
}

int ReadRleBitmap(CByteSpan bytes, const CBitmapHeader& header, CImage& image)
{
    const std::size_t cols = static_cast<std::size_t>(image.cols);
    const std::size_t rows = static_cast<std::size_t>(image.rows);
    const std::size_t perByte = 8 / header.bitCount;
    const std::size_t paddedCols = (cols + 4 * perByte - 1) / (4 * perByte) * (4 * perByte);
    std::vector<std::uint8_t> indices;
    try {
        indices.assign(paddedCols * rows, 0);
    } catch (const std::bad_alloc&) {
        NoteReadProblem(EReadProblem::OutOfMemory);
        return kImageOutOfMemory;
    }
    CByteReader in(bytes);
    in.Seek(header.dataOffset);
    const CRleOutcome outcome = DecodeRle(in, header.bitCount, paddedCols, rows, indices);
    if (!outcome.wroteAny)
        return RefuseUnrecoverable();
    if (outcome.end == CRleOutcome::invalid)
        image.damage = DamagedData("run-length code outside the picture");
    else if (outcome.end == CRleOutcome::endedEarly && outcome.y < rows &&
             !(outcome.y + 1 == rows && outcome.x >= cols))
        image.damage = kDataEndsEarly;
    const CPalette palette = ReadPalette(bytes, header);
    for (std::size_t i = 0; i < rows; ++i) {
        const std::size_t y = header.height > 0 ? rows - 1 - i : i;
        const std::uint8_t* row = &indices[i * paddedCols];
        std::uint8_t* r = image.plane[0] + y * cols;
        std::uint8_t* g = image.plane[1] + y * cols;
        std::uint8_t* b = image.plane[2] + y * cols;
        for (std::size_t c = 0; c < cols; ++c) {
            r[c] = palette.red[row[c]];
            g[c] = palette.green[row[c]];
            b[c] = palette.blue[row[c]];
        }
    }
    return kImageSuccess;
}

// Says which variant a refused header asks for.
int RefuseVariant(std::string which)
{
    NoteReadProblem(EReadProblem::Unsupported, std::move(which));
    return kImageCannotOpen;
}

int ReadBitmapCore(CByteSpan bytes, CImage& image)
{
    CBitmapHeader header;
    if (const int result = ParseBitmapHeader(bytes, header); result != kImageSuccess)
        return result;
    // Core (OS/2) headers shorter than 40 bytes lay their fields out
    // differently; reading them as 40-byte headers would give nonsense.
    if (header.headerSize < kInfoHeaderSize)
        return RefuseVariant("OS/2 bitmap header");
    if (!IsDecodedDepth(header.bitCount))
        return RefuseVariant(std::to_string(header.bitCount) + " bits per pixel");
    // Embedded JPEG/PNG data are not decoded; bit fields are, for the depths
    // that carry them, and run lengths for theirs.
    const bool bitFields =
        header.compression == kCompressionBitFields || header.compression == kCompressionAlphaBitFields;
    const bool rle = (header.compression == kCompressionRle8 && header.bitCount == 8) ||
                     (header.compression == kCompressionRle4 && header.bitCount == 4);
    if (header.compression == kCompressionJpeg || header.compression == kCompressionPng)
        return RefuseVariant(header.compression == kCompressionJpeg ? "embedded JPEG" : "embedded PNG");
    if (header.compression != kCompressionNone && !rle &&
        !(bitFields && (header.bitCount == 16 || header.bitCount == 32)))
        return RefuseVariant("compression " + std::to_string(header.compression) + " at " +
                             std::to_string(header.bitCount) + " bits per pixel");
    // Without bit fields, 16-bit pixels are 5-5-5 and 32-bit pixels are
    // blue, green, red and an unused byte: only a declared alpha mask makes
    // transparency.
    const std::uint32_t defaults16[4] = {0x7C00, 0x03E0, 0x001F, 0};
    const std::uint32_t defaults32[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0};
    const std::uint32_t* masks = bitFields ? header.masks : header.bitCount == 16 ? defaults16 : defaults32;
    CChannelBits channels[4];
    for (int k = 0; k < 4; ++k) {
        if (!MakeChannelBits(masks[k], channels[k]))
            return RefuseVariant("scattered bit-field masks");
    }
    if (!HasValidSize(header))
        return kImageBadArgument;

    const int cols = header.width;
    const int rows = header.height < 0 ? -header.height : header.height;
    if (ExceedsPixelLimit(static_cast<std::uint64_t>(cols), static_cast<std::uint64_t>(rows)))
        return kImageBadArgument;
    const std::size_t stride =
        (static_cast<std::size_t>(cols) * header.bitCount + 31) / 32 * 4;
    std::size_t declared = 0;
    if (!MultiplySizes(stride, static_cast<std::size_t>(rows), declared))
        return kImageBadArgument;
    const std::size_t available = header.dataOffset < bytes.size() ? bytes.size() - header.dataOffset : 0;
    // Run lengths pack up to 255 pixels into two bytes.
    if (!IsPlausibleSize(rle ? declared / 128 : declared, available))
        return kImageBadArgument;
    if (available == 0)
        return RefuseUnrecoverable();

    const CPalette palette = ReadPalette(bytes, header);
    const int type = header.bitCount == 48 ? kSampleWord : header.bitCount == 96 ? kSampleFloat : kSampleByte;
    image.resolution = static_cast<int>(header.xPelsPerMeter * 0.0254 + 0.5);
    // Fresh planes are zero, which is what a truncated file's missing
    // samples read as.
    const bool alpha = (header.bitCount == 16 || header.bitCount == 32) && masks[3] != 0;
    if (const int result = SetUpImage(image, cols, rows, alpha ? 4 : 3, type); result != kImageSuccess)
        return result;
    if (rle)
        return ReadRleBitmap(bytes, header, image);

    // The last row needs its pixels, not its padding.
    if (available < declared - stride + (static_cast<std::size_t>(cols) * header.bitCount + 7) / 8)
        image.damage = kDataEndsEarly;
    CByteReader in(bytes);
    in.Seek(header.dataOffset);
    CRowTarget target{{image.plane[0], image.plane[1], image.plane[2], alpha ? image.plane[3] : nullptr}, 0};
    for (int i = 0; i < rows && in.Remaining() > 0; ++i) {
        const int y = header.height > 0 ? rows - 1 - i : i;
        target.offset = static_cast<std::size_t>(y) * static_cast<std::size_t>(cols);
        DecodeRow(in.Take(stride), header.bitCount, cols, palette, channels, target);
    }
    return kImageSuccess;
}
} // namespace

int ReadBitmapInfoBytes(CByteSpan bytes, int& cols, int& rows, int& planes)
{
    cols = rows = planes = 0;
    CBitmapHeader header;
    if (const int result = ParseBitmapHeader(bytes, header); result != kImageSuccess)
        return result;
    if (!HasValidSize(header))
        return kImageBadArgument;
    cols = header.width;
    rows = header.height < 0 ? -header.height : header.height;
    planes = 3;
    return kImageSuccess;
}

int ReadBitmapBytes(CByteSpan bytes, CImage& image)
{
    return FinishRead(image, ReadBitmapCore(bytes, image));
}

int ReadBitmapInfo(const std::filesystem::path& path, int& cols, int& rows, int& planes)
{
    cols = rows = planes = 0;
    std::vector<std::uint8_t> bytes;
    if (const int result = ReadFileBytes(path, bytes, kHeaderPrefix); result != kImageSuccess)
        return result;
    return ReadBitmapInfoBytes(bytes, cols, rows, planes);
}

int ReadBitmapFile(const std::filesystem::path& path, CImage& image)
{
    std::vector<std::uint8_t> bytes;
    if (const int result = ReadFileBytes(path, bytes); result != kImageSuccess)
        return FinishRead(image, result);
    return ReadBitmapBytes(bytes, image);
}
