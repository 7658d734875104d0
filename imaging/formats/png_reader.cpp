// PNG reader through libpng: palettes, small grey depths and transparency
// expanded to full samples, alpha kept as the last plane, no gamma.
#include "file_bytes.h"
#include "format_readers.h"
#include "image.h"
#include "memory_readers.h"
#include "read_problem.h"
#include "rgb_target.h"
#include "reader_support.h"

#include <algorithm>
#include <climits>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <png.h>
#include <string>

namespace {
// zlib cannot inflate by much more than about 1032 to 1, so decoded rows
// far beyond that for the bytes at hand come from a hostile header.
constexpr std::uintmax_t kMaxInflateRatio = 1100;
constexpr std::uintmax_t kSizeAllowance = 4096;
constexpr png_alloc_size_t kMaxChunkBytes = 16 * 1024 * 1024;
constexpr std::size_t kMessageLength = 160;

// Where libpng reads from (an open file, or a byte span), and what its
// callbacks learnt on the way.
struct CPngSource {
    std::FILE* file = nullptr;
    CByteSpan bytes;
    std::size_t position = 0;
    std::uintmax_t size = 0;  // of the file or span, for the size check
    bool endedEarly = false;  // libpng asked for more than the data holds
    char error[kMessageLength] = {};   // libpng's text of the error that ended a call
    char damage[kMessageLength] = {};  // the first warning about damaged data
};

void KeepMessage(char (&to)[kMessageLength], png_const_charp message)
{
    std::snprintf(to, sizeof to, "%s", message != nullptr ? message : "");
}

void ReadData(png_structp png, png_bytep out, png_size_t count)
{
    auto* source = static_cast<CPngSource*>(png_get_io_ptr(png));
    if (source->file != nullptr) {
        if (std::fread(out, 1, count, source->file) != count) {
            source->endedEarly = std::feof(source->file) != 0;
            png_error(png, source->endedEarly ? "unexpected end of data" : "read error");
        }
        return;
    }
    if (count > source->bytes.size() - source->position) {
        source->endedEarly = true;
        png_error(png, "unexpected end of data");
    }
    std::memcpy(out, source->bytes.data() + source->position, count);
    source->position += count;
}

[[noreturn]] void JumpOnError(png_structp png, png_const_charp message)
{
    KeepMessage(static_cast<CPngSource*>(png_get_error_ptr(png))->error, message);
    png_longjmp(png, 1);
}

// Once the pixel data is being read, a checksum that does not match in a
// critical chunk ("IDAT: CRC error") is only warned about and the data used;
// that warning is what says the picture may be damaged. Warnings about
// ancillary chunks concern data that is not used.
void NoteWarning(png_structp png, png_const_charp message)
{
    auto* source = static_cast<CPngSource*>(png_get_error_ptr(png));
    if (message == nullptr || source->damage[0] != '\0' || std::strstr(message, "CRC error") == nullptr)
        return;
    if (message[0] >= 'A' && message[0] <= 'Z')
        KeepMessage(source->damage, message);
}

// Owns libpng's structures for one call.
class CPngReadStruct {
public:
    explicit CPngReadStruct(CPngSource& source)
    {
        png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &source, JumpOnError, NoteWarning);
        if (png == nullptr)
            return;
        info = png_create_info_struct(png);
        // libpng reads text, profile and similar chunks whole into a buffer
        // it allocates and clears first, so a forged length field costs
        // hundreds of megabytes and seconds. None of them is used here:
        // skipping them reads their bytes through without buffering.
        static constexpr png_byte kUnusedChunks[] = "tEXt\0zTXt\0iTXt\0iCCP\0sPLT\0eXIf\0pCAL\0sCAL";
        png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kUnusedChunks, 8);
        png_set_chunk_malloc_max(png, kMaxChunkBytes);
        // libpng's own size limit (a million pixels a side) would refuse some
        // pictures within this library's pixel limit and call the rest
        // damaged; the pixel limit is applied to the header instead.
        png_set_user_limits(png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
    }
    ~CPngReadStruct() { png_destroy_read_struct(&png, info != nullptr ? &info : nullptr, nullptr); }
    CPngReadStruct(const CPngReadStruct&) = delete;
    CPngReadStruct& operator=(const CPngReadStruct&) = delete;
    bool IsValid() const { return png != nullptr && info != nullptr; }

    png_structp png = nullptr;
    png_infop info = nullptr;
};

void AttachSource(png_structp png, CPngSource& source)
{
    png_set_read_fn(png, &source, ReadData);
}

// The decoded rows' shape, after the expansions.
struct CPngLayout {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int depth = 0;
    int channels = 0;
    int passes = 1;
    png_size_t rowBytes = 0;
};

// libpng reads the pixel data in pieces of this many bytes, and a file cut
// off loses what the piece it ends in would have decoded to: the pieces are
// kept small (libpng's own are 8 KiB).
constexpr std::size_t kDataPieceBytes = 256;

bool IsPlausibleRaster(const CPngLayout& layout, std::uintmax_t sourceSize)
{
    if (layout.height == 0 || layout.rowBytes == 0 || layout.rowBytes > SIZE_MAX / layout.height)
        return false;
    const std::uintmax_t total = static_cast<std::uintmax_t>(layout.rowBytes) * layout.height;
    return sourceSize >= UINTMAX_MAX / kMaxInflateRatio - kSizeAllowance ||
           total <= (sourceSize + kSizeAllowance) * kMaxInflateRatio;
}

// The guarded functions below hold only trivially destructible locals: a
// libpng error returns through setjmp, and then the result is one fixed code.

int StartPngRead(png_structp png, png_infop info, CPngSource* source, CPngLayout* layout)
{
    if (setjmp(png_jmpbuf(png)))
        return kImageCannotOpen;
    AttachSource(png, *source);
    png_read_info(png, info);
    png_uint_32 width = 0, height = 0;
    int depth = 0, colourType = 0;
    png_get_IHDR(png, info, &width, &height, &depth, &colourType, nullptr, nullptr, nullptr);
    if (ExceedsPixelLimit(width, height))
        return kImageOutOfMemory;

    png_set_packing(png);
    if (colourType == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(png);
    if (colourType == PNG_COLOR_TYPE_GRAY && depth < 8)
        png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS))
        png_set_tRNS_to_alpha(png);
    // Interlaced files come as full-width rows in display order, pass after
    // pass, each pass setting its own pixels.
    layout->passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    png_get_IHDR(png, info, &width, &height, &depth, &colourType, nullptr, nullptr, nullptr);
    layout->width = width;
    layout->height = height;
    layout->depth = depth;
    layout->channels = png_get_channels(png, info);
    layout->rowBytes = png_get_rowbytes(png, info);
    png_set_compression_buffer_size(png, kDataPieceBytes);
    // From here on a checksum that does not match is warned about and the
    // data used, so that the picture is read as far as its data is sound.
    png_set_crc_action(png, PNG_CRC_WARN_USE, PNG_CRC_DEFAULT);
    return kImageSuccess;
}

// The pixels of a decoded row that its pass set (all of them in a file that
// is not interlaced) to the planes.
void StoreRow(const png_byte* row, const CPngLayout& layout, png_uint_32 y, png_uint_32 firstCol,
              png_uint_32 colStep, CImage& image)
{
    const std::size_t cols = layout.width;
    const std::size_t n = static_cast<std::size_t>(layout.channels);
    const std::size_t at = static_cast<std::size_t>(y) * cols;
    for (std::size_t p = 0; p < n; ++p) {
        if (layout.depth == 8) {
            std::uint8_t* out = image.plane[p] + at;
            for (std::size_t c = firstCol; c < cols; c += colStep)
                out[c] = row[c * n + p];
        } else {
            // PNG stores 16-bit samples big-endian.
            std::uint16_t* out = reinterpret_cast<std::uint16_t*>(image.plane[p]) + at;
            for (std::size_t c = firstCol; c < cols; c += colStep) {
                const png_byte* s = row + (c * n + p) * 2;
                out[c] = static_cast<std::uint16_t>((s[0] << 8) | s[1]);
            }
        }
    }
}

// A sample as a full-scale value of its depth.
inline std::uint32_t SampleAt(const png_byte* row, std::size_t index, bool words)
{
    return words ? (std::uint32_t(row[2 * index]) << 8) | row[2 * index + 1] : row[index];
}

// value over white with coverage alpha, at full scale `max`, rounded.
inline std::uint32_t OverWhite(std::uint32_t value, std::uint32_t alpha, std::uint64_t max)
{
    return std::uint32_t((std::uint64_t(value) * alpha + max * (max - alpha) + max / 2) / max);
}

// The pixels of a decoded row that its pass set, as the engine takes them:
// 8-bit R, G, B, grey spread to all three, transparency laid over white at
// the file's depth, 16-bit samples by their high byte. The same bytes as the
// planes give once made three and narrowed.
void StoreRowRgb(const png_byte* row, const CPngLayout& layout, png_uint_32 y, png_uint_32 firstCol,
                 png_uint_32 colStep, std::uint8_t* block)
{
    const std::size_t cols = layout.width;
    const std::size_t n = static_cast<std::size_t>(layout.channels);
    const bool words = layout.depth == 16;
    const std::uint64_t max = words ? 65535 : 255;
    const int shift = words ? 8 : 0;
    std::uint8_t* out = block + static_cast<std::size_t>(y) * cols * 3;
    for (std::size_t c = firstCol; c < cols; c += colStep) {
        const std::size_t at = c * n;
        std::uint32_t rgb[3];
        if (n <= 2) {
            const std::uint32_t grey = SampleAt(row, at, words);
            rgb[0] = rgb[1] = rgb[2] = n == 1 ? grey : OverWhite(grey, SampleAt(row, at + 1, words), max);
        } else {
            for (std::size_t k = 0; k < 3; ++k)
                rgb[k] = SampleAt(row, at + k, words);
            if (n == 4) {
                const std::uint32_t alpha = SampleAt(row, at + 3, words);
                for (std::uint32_t& v : rgb)
                    v = OverWhite(v, alpha, max);
            }
        }
        for (std::size_t k = 0; k < 3; ++k)
            out[c * 3 + k] = static_cast<std::uint8_t>(rgb[k] >> shift);
    }
}

// Reads the rows one at a time straight into the planes (or the block of
// interleaved samples, when there is one), so that nothing but those and one
// row is ever held, and a file that breaks off keeps the rows read before.
// `rowsStored` counts them.
int ReadPngRows(png_structp png, const CPngLayout* layout, png_bytep row, CImage* image, std::uint8_t* block,
                std::size_t* rowsStored)
{
    if (setjmp(png_jmpbuf(png)))
        return kImageBadArgument;
    const bool adam7 = layout->passes > 1;
    for (int pass = 0; pass < layout->passes; ++pass) {
        const png_uint_32 firstCol = adam7 ? PNG_PASS_START_COL(pass) : 0;
        const png_uint_32 colStep = adam7 ? PNG_PASS_COL_OFFSET(pass) : 1;
        for (png_uint_32 y = 0; y < layout->height; ++y) {
            if (adam7 && (!PNG_ROW_IN_INTERLACE_PASS(y, pass) || firstCol >= layout->width)) {
                png_read_row(png, nullptr, nullptr);  // a row the pass leaves alone
                continue;
            }
            png_read_row(png, row, nullptr);
            if (block != nullptr)
                StoreRowRgb(row, *layout, y, firstCol, colStep, block);
            else
                StoreRow(row, *layout, y, firstCol, colStep, *image);
            ++*rowsStored;
        }
    }
    return kImageSuccess;
}

// The chunks after the pixel data, up to the end marker.
int FinishPngRead(png_structp png)
{
    if (setjmp(png_jmpbuf(png)))
        return kImageBadArgument;
    png_read_end(png, nullptr);
    return kImageSuccess;
}

int ReadPng(CPngSource& source, CImage& image, const CRgbTarget* rgb = nullptr)
{
    CPngReadStruct reader(source);
    if (!reader.IsValid())
        return kImageOutOfMemory;
    CPngLayout layout;
    if (const int started = StartPngRead(reader.png, reader.info, &source, &layout); started != kImageSuccess)
        return started;
    if ((layout.depth != 8 && layout.depth != 16) || layout.channels < 1 || layout.channels > 4 ||
        layout.width > INT_MAX || layout.height > INT_MAX || !IsPlausibleRaster(layout, source.size))
        return kImageCannotOpen;
    const std::unique_ptr<png_byte[]> row(new (std::nothrow) png_byte[layout.rowBytes]);
    if (!row)
        return kImageOutOfMemory;
    std::uint8_t* block = nullptr;
    if (rgb != nullptr) {
        image.cols = static_cast<int>(layout.width);
        image.rows = static_cast<int>(layout.height);
        image.planes = 0;
        image.sampleType = kSampleByte;
        image.damage.clear();
        block = rgb->take ? rgb->take(image.PixelCount() * 3) : nullptr;
        if (block == nullptr)
            return kImageOutOfMemory;
        // What the planes' zero fill becomes where no row lands: black, or
        // white where the zero coverage lets the white through.
        const int unset = layout.channels % 2 == 0 ? 255 : 0;
        std::memset(block, unset, image.PixelCount() * 3);
    } else if (const int result = SetUpImage(image, static_cast<int>(layout.width), static_cast<int>(layout.height),
                                             layout.channels, layout.depth == 16 ? kSampleWord : kSampleByte);
               result != kImageSuccess) {
        return result;
    }

    std::size_t rowsStored = 0;
    if (ReadPngRows(reader.png, &layout, row.get(), &image, block, &rowsStored) != kImageSuccess) {
        if (rowsStored == 0)
            return RefuseUnrecoverable();
        image.damage = source.endedEarly ? std::string(kDataEndsEarly) : DamagedData(source.error);
        return kImageSuccess;
    }
    // After the last row only a cut counts: the picture itself is whole.
    if (FinishPngRead(reader.png) != kImageSuccess && source.endedEarly)
        image.damage = kDataEndsEarly;
    else if (source.damage[0] != '\0')
        image.damage = DamagedData(source.damage);
    return kImageSuccess;
}

int DecodePngHeader(png_structp png, png_infop info, CPngSource* source, png_uint_32* header)
{
    if (setjmp(png_jmpbuf(png)))
        return kImageCannotOpen;
    AttachSource(png, *source);
    png_read_info(png, info);
    header[0] = png_get_image_width(png, info);
    header[1] = png_get_image_height(png, info);
    header[2] = png_get_channels(png, info);
    return kImageSuccess;
}

int ReadPngHeader(CPngSource& source, int& cols, int& rows, int& planes)
{
    cols = rows = planes = 0;
    CPngReadStruct reader(source);
    if (!reader.IsValid())
        return kImageOutOfMemory;
    png_uint_32 header[3] = {0, 0, 0};
    if (const int result = DecodePngHeader(reader.png, reader.info, &source, header); result != kImageSuccess)
        return result;
    if (header[0] > INT_MAX || header[1] > INT_MAX)
        return kImageCannotOpen;
    cols = static_cast<int>(header[0]);
    rows = static_cast<int>(header[1]);
    planes = static_cast<int>(header[2]);
    return kImageSuccess;
}
} // namespace

int ReadPngInfoBytes(CByteSpan bytes, int& cols, int& rows, int& planes)
{
    CPngSource source;
    source.bytes = bytes;
    source.size = bytes.size();
    return ReadPngHeader(source, cols, rows, planes);
}

int ReadPngBytes(CByteSpan bytes, CImage& image)
{
    CPngSource source;
    source.bytes = bytes;
    source.size = bytes.size();
    return FinishRead(image, ReadPng(source, image));
}

int ReadPngInfo(const std::filesystem::path& path, int& cols, int& rows, int& planes)
{
    cols = rows = planes = 0;
    const CInputFile file = OpenForReading(path);
    if (!file)
        return kImageCannotOpen;
    CPngSource source;
    source.file = file.get();
    return ReadPngHeader(source, cols, rows, planes);
}

int ReadPngFile(const std::filesystem::path& path, CImage& image)
{
    const CInputFile file = OpenForReading(path);
    if (!file)
        return FinishRead(image, kImageCannotOpen);
    CPngSource source;
    source.file = file.get();
    // Without a known size the inflate-ratio check is left out.
    std::error_code ec;
    source.size = std::filesystem::file_size(path, ec);
    if (ec)
        source.size = UINTMAX_MAX;
    return FinishRead(image, ReadPng(source, image));
}

int ReadPngRgbFile(const std::filesystem::path& path, CImage& facts, const CRgbTarget& target)
{
    facts = CImage();
    const CInputFile file = OpenForReading(path);
    if (!file)
        return kImageCannotOpen;
    CPngSource source;
    source.file = file.get();
    std::error_code ec;
    source.size = std::filesystem::file_size(path, ec);
    if (ec)
        source.size = UINTMAX_MAX;
    const int result = ReadPng(source, facts, &target);
    if (result != kImageSuccess)
        facts.damage.clear();
    return result;
}
