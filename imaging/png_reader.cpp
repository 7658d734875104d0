// PNG reader through libpng: palettes, small grey depths and transparency
// expanded to full samples, alpha kept as the last plane, no gamma.
#include "file_bytes.h"
#include "format_readers.h"
#include "image.h"
#include "memory_readers.h"
#include "read_problem.h"
#include "reader_support.h"

#include <climits>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <png.h>
#include <vector>

namespace {
// zlib cannot inflate by much more than about 1032 to 1, so decoded rows
// far beyond that for the bytes at hand come from a hostile header.
constexpr std::uintmax_t kMaxInflateRatio = 1100;
constexpr std::uintmax_t kSizeAllowance = 4096;
constexpr png_alloc_size_t kMaxChunkBytes = 16 * 1024 * 1024;

// Where libpng reads from: an open file, or a byte span.
struct CPngSource {
    std::FILE* file = nullptr;
    CByteSpan bytes;
    std::size_t position = 0;
    std::uintmax_t size = 0;  // of the file or span, for the size check
};

void ReadFromSpan(png_structp png, png_bytep out, png_size_t count)
{
    auto* source = static_cast<CPngSource*>(png_get_io_ptr(png));
    if (count > source->bytes.size() - source->position)
        png_error(png, "unexpected end of data");
    std::memcpy(out, source->bytes.data() + source->position, count);
    source->position += count;
}

[[noreturn]] void JumpOnError(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void IgnoreWarning(png_structp, png_const_charp) {}

// Owns libpng's structures for one call.
class CPngReadStruct {
public:
    CPngReadStruct()
    {
        png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, JumpOnError, IgnoreWarning);
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
    if (source.file != nullptr)
        png_init_io(png, source.file);
    else
        png_set_read_fn(png, &source, ReadFromSpan);
}

// Receives the decoded rows; lives outside the setjmp frame so that a
// libpng error never jumps over its destructor.
struct CPngRows {
    std::unique_ptr<png_byte[]> data;
    std::vector<png_bytep> pointers;
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int depth = 0;
    int channels = 0;

    int Allocate(png_size_t rowBytes, std::uintmax_t sourceSize) noexcept
    {
        if (height == 0 || rowBytes == 0 || rowBytes > SIZE_MAX / height)
            return kImageBadArgument;
        const std::size_t total = rowBytes * height;
        if (sourceSize < UINTMAX_MAX / kMaxInflateRatio - kSizeAllowance &&
            total > (sourceSize + kSizeAllowance) * kMaxInflateRatio)
            return kImageBadArgument;
        try {
            data.reset(new png_byte[total]);
            pointers.resize(height);
        } catch (const std::bad_alloc&) {
            return kImageOutOfMemory;
        }
        for (png_uint_32 y = 0; y < height; ++y)
            pointers[y] = data.get() + static_cast<std::size_t>(y) * rowBytes;
        return kImageSuccess;
    }
};

// Only trivially destructible locals live here: a libpng error returns
// through setjmp, and then the result is the one fixed code.
int DecodePngRows(png_structp png, png_infop info, CPngSource* source, CPngRows* rows)
{
    if (setjmp(png_jmpbuf(png)))
        return kImageCannotOpen;
    AttachSource(png, *source);
    png_read_info(png, info);
    png_uint_32 width = 0, height = 0;
    int depth = 0, colourType = 0;
    png_get_IHDR(png, info, &width, &height, &depth, &colourType, nullptr, nullptr, nullptr);

    png_set_packing(png);
    if (colourType == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(png);
    if (colourType == PNG_COLOR_TYPE_GRAY && depth < 8)
        png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS))
        png_set_tRNS_to_alpha(png);
    // Interlaced files come out as whole rows in display order.
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    png_get_IHDR(png, info, &width, &height, &depth, &colourType, nullptr, nullptr, nullptr);

    if (std::uint64_t{width} * height > CImage::kMaxPixels) {
        NoteTooLarge(width, height);
        return kImageOutOfMemory;
    }
    rows->width = width;
    rows->height = height;
    rows->depth = depth;
    rows->channels = png_get_channels(png, info);
    const int allocated = rows->Allocate(png_get_rowbytes(png, info), source->size);
    if (allocated != kImageSuccess)
        return allocated;
    png_read_image(png, rows->pointers.data());
    return kImageSuccess;
}

int DealRows(const CPngRows& rows, CImage& image)
{
    if ((rows.depth != 8 && rows.depth != 16) || rows.channels < 1 || rows.channels > 4 ||
        rows.width > INT_MAX || rows.height > INT_MAX)
        return kImageCannotOpen;
    const int result = SetUpImage(image, static_cast<int>(rows.width), static_cast<int>(rows.height), rows.channels,
                                  rows.depth == 16 ? kSampleWord : kSampleByte);
    if (result != kImageSuccess)
        return result;
    const std::size_t cols = rows.width;
    const std::size_t n = static_cast<std::size_t>(rows.channels);
    for (std::size_t y = 0; y < rows.height; ++y) {
        const png_byte* in = rows.pointers[y];
        for (std::size_t p = 0; p < n; ++p) {
            if (rows.depth == 8) {
                std::uint8_t* out = image.plane[p] + y * cols;
                for (std::size_t c = 0; c < cols; ++c)
                    out[c] = in[c * n + p];
            } else {
                // PNG stores 16-bit samples big-endian.
                std::uint16_t* out = reinterpret_cast<std::uint16_t*>(image.plane[p]) + y * cols;
                for (std::size_t c = 0; c < cols; ++c) {
                    const png_byte* s = in + (c * n + p) * 2;
                    out[c] = static_cast<std::uint16_t>((s[0] << 8) | s[1]);
                }
            }
        }
    }
    return kImageSuccess;
}

int ReadPng(CPngSource& source, CImage& image)
{
    CPngReadStruct reader;
    if (!reader.IsValid())
        return kImageOutOfMemory;
    CPngRows rows;
    const int result = DecodePngRows(reader.png, reader.info, &source, &rows);
    if (result != kImageSuccess)
        return result;
    return DealRows(rows, image);
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
    CPngReadStruct reader;
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
