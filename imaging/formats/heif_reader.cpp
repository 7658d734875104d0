// HEIF/HEIC and AVIF reader through libheif: the primary image, decoded to
// RGB with the file's own rotation and mirroring applied, alpha kept as the
// last plane, more than 8 bits as 16-bit samples.
#include "embedded_data.h"
#include "file_bytes.h"
#include "format_readers.h"
#include "image.h"
#include "memory_readers.h"
#include "read_problem.h"
#include "reader_support.h"

#include <climits>
#include <cstring>
#include <libheif/heif.h>
#include <memory>
#include <string>

namespace {
struct CHeifContextFree {
    void operator()(heif_context* context) const { heif_context_free(context); }
};
struct CHeifHandleRelease {
    void operator()(heif_image_handle* handle) const { heif_image_handle_release(handle); }
};
struct CHeifImageRelease {
    void operator()(heif_image* image) const { heif_image_release(image); }
};
struct CHeifOptionsFree {
    void operator()(heif_decoding_options* options) const { heif_decoding_options_free(options); }
};
struct CHeifNclxFree {
    void operator()(heif_color_profile_nclx* nclx) const { heif_nclx_color_profile_free(nclx); }
};
using CHeifContext = std::unique_ptr<heif_context, CHeifContextFree>;
using CHeifHandle = std::unique_ptr<heif_image_handle, CHeifHandleRelease>;
using CHeifImage = std::unique_ptr<heif_image, CHeifImageRelease>;

// libheif refuses larger sides while parsing and decoding, before it
// allocates: the longest side a picture may have here (16384 x 16384 is the
// largest raster), so a forged size costs at most what a real picture would.
// It is also the only bound on decoding time: libheif 1.15 cannot be told to
// stop a decode (its progress callbacks, for grid tiles only, return
// nothing), so the time is bounded by the size it is allowed to decode.
constexpr int kMaxSide = 16384;

// Notes why libheif refused the file; returns the result code to give.
int NoteHeifError(const heif_error& error)
{
    if (error.subcode == heif_suberror_Security_limit_exceeded) {
        NoteReadProblem(EReadProblem::TooLarge);
        return kImageOutOfMemory;
    }
    switch (error.code) {
    case heif_error_Unsupported_filetype:
    case heif_error_Unsupported_feature:
        NoteReadProblem(EReadProblem::Unsupported, std::string("HEIF: ") + error.message);
        return kImageCannotOpen;
    case heif_error_Decoder_plugin_error:
        NoteReadProblem(EReadProblem::Unsupported, "HEIF without a decoder for its coding");
        return kImageCannotOpen;
    case heif_error_Memory_allocation_error:
        NoteReadProblem(EReadProblem::OutOfMemory);
        return kImageOutOfMemory;
    default:
        NoteReadProblem(EReadProblem::Damaged);
        return kImageBadArgument;
    }
}

// The context (reading from `bytes`, which must outlive it) and its primary image.
int OpenPrimary(CByteSpan bytes, CHeifContext& context, CHeifHandle& handle)
{
    context.reset(heif_context_alloc());
    if (!context)
        return kImageOutOfMemory;
    heif_context_set_maximum_image_size_limit(context.get(), kMaxSide);
    heif_error error = heif_context_read_from_memory_without_copy(context.get(), bytes.data(), bytes.size(), nullptr);
    if (error.code != heif_error_Ok)
        return NoteHeifError(error);
    heif_image_handle* primary = nullptr;
    error = heif_context_get_primary_image_handle(context.get(), &primary);
    handle.reset(primary);
    if (error.code != heif_error_Ok || !handle)
        return NoteHeifError(error);
    return kImageSuccess;
}

// Widens a sample of `bits` bits to 16 by repeating its top bits below.
std::uint16_t WidenTo16(unsigned value, int bits)
{
    if (bits >= 16)
        return static_cast<std::uint16_t>(value);
    unsigned wide = value << (16 - bits);
    for (int shift = bits; shift < 16; shift += bits)
        wide |= (value << (16 - bits)) >> shift;
    return static_cast<std::uint16_t>(wide);
}

int DecodePrimary(heif_image_handle* handle, CImage& image)
{
    const int cols = heif_image_handle_get_width(handle);
    const int rows = heif_image_handle_get_height(handle);
    if (cols <= 0 || rows <= 0) {
        NoteReadProblem(EReadProblem::Damaged);
        return kImageBadArgument;
    }
    if (static_cast<std::uint64_t>(cols) * static_cast<std::uint64_t>(rows) > CImage::kMaxPixels) {
        NoteTooLarge(static_cast<std::size_t>(cols), static_cast<std::size_t>(rows));
        return kImageOutOfMemory;
    }
    const bool alpha = heif_image_handle_has_alpha_channel(handle) != 0;
    const bool deep = heif_image_handle_get_luma_bits_per_pixel(handle) > 8;
    const heif_chroma chroma = deep ? (alpha ? heif_chroma_interleaved_RRGGBBAA_LE : heif_chroma_interleaved_RRGGBB_LE)
                                    : (alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB);
    const std::unique_ptr<heif_decoding_options, CHeifOptionsFree> options(heif_decoding_options_alloc());
    if (!options)
        return kImageOutOfMemory;
    heif_image* decodedRaw = nullptr;
    const heif_error error = heif_decode_image(handle, &decodedRaw, heif_colorspace_RGB, chroma, options.get());
    const CHeifImage decoded(decodedRaw);
    if (error.code != heif_error_Ok || !decoded)
        return NoteHeifError(error);
    // The decoded size is the one that counts (transformations may swap sides).
    const int outCols = heif_image_get_width(decoded.get(), heif_channel_interleaved);
    const int outRows = heif_image_get_height(decoded.get(), heif_channel_interleaved);
    int stride = 0;
    const std::uint8_t* data = heif_image_get_plane_readonly(decoded.get(), heif_channel_interleaved, &stride);
    const int bits = heif_image_get_bits_per_pixel_range(decoded.get(), heif_channel_interleaved);
    if (data == nullptr || outCols <= 0 || outRows <= 0 || stride <= 0 || bits < 1 || bits > 16 ||
        static_cast<std::uint64_t>(outCols) * static_cast<std::uint64_t>(outRows) > CImage::kMaxPixels) {
        NoteReadProblem(EReadProblem::Damaged);
        return kImageBadArgument;
    }
    const std::size_t channels = alpha ? 4 : 3;
    const std::size_t sampleBytes = deep ? 2 : 1;
    if (static_cast<std::size_t>(stride) < static_cast<std::size_t>(outCols) * channels * sampleBytes) {
        NoteReadProblem(EReadProblem::Damaged);
        return kImageBadArgument;
    }
    const int result = SetUpImage(image, outCols, outRows, static_cast<int>(channels), deep ? kSampleWord : kSampleByte);
    if (result != kImageSuccess)
        return result;
    const std::size_t width = static_cast<std::size_t>(outCols);
    for (std::size_t y = 0; y < static_cast<std::size_t>(outRows); ++y) {
        const std::uint8_t* in = data + y * static_cast<std::size_t>(stride);
        for (std::size_t p = 0; p < channels; ++p) {
            if (!deep) {
                std::uint8_t* out = image.plane[p] + y * width;
                for (std::size_t c = 0; c < width; ++c)
                    out[c] = in[c * channels + p];
            } else {
                std::uint16_t* out = reinterpret_cast<std::uint16_t*>(image.plane[p]) + y * width;
                for (std::size_t c = 0; c < width; ++c) {
                    const std::uint8_t* s = in + (c * channels + p) * 2;
                    out[c] = WidenTo16(static_cast<unsigned>(s[0] | (s[1] << 8)), bits);
                }
            }
        }
    }
    return kImageSuccess;
}

int ReadHeif(CByteSpan bytes, CImage& image)
{
    CHeifContext context;
    CHeifHandle handle;
    if (const int result = OpenPrimary(bytes, context, handle); result != kImageSuccess)
        return result;
    return DecodePrimary(handle.get(), image);
}
} // namespace

int ReadHeifInfoBytes(CByteSpan bytes, int& cols, int& rows, int& planes)
{
    cols = rows = planes = 0;
    CHeifContext context;
    CHeifHandle handle;
    if (const int result = OpenPrimary(bytes, context, handle); result != kImageSuccess)
        return result;
    cols = heif_image_handle_get_width(handle.get());
    rows = heif_image_handle_get_height(handle.get());
    planes = heif_image_handle_has_alpha_channel(handle.get()) ? 4 : 3;
    return kImageSuccess;
}

int ReadHeifBytes(CByteSpan bytes, CImage& image)
{
    return FinishRead(image, ReadHeif(bytes, image));
}

namespace {
// What the primary image carries beside its pixels.
void FillEmbedded(heif_image_handle* h, CEmbeddedData& data)
{
    data = CEmbeddedData{};
    data.orientationApplied = true;
    const heif_color_profile_type type = heif_image_handle_get_color_profile_type(h);
    if (type == heif_color_profile_type_prof || type == heif_color_profile_type_rICC) {
        data.iccProfile.resize(heif_image_handle_get_raw_color_profile_size(h));
        if (heif_image_handle_get_raw_color_profile(h, data.iccProfile.data()).code != heif_error_Ok)
            data.iccProfile.clear();
    }
    // libheif hands over the description even when it refuses its values.
    heif_color_profile_nclx* nclxRaw = nullptr;
    const heif_error nclxError = heif_image_handle_get_nclx_color_profile(h, &nclxRaw);
    const std::unique_ptr<heif_color_profile_nclx, CHeifNclxFree> nclx(nclxRaw);
    if (nclxError.code == heif_error_Ok && nclx) {
        data.nclxPrimaries = static_cast<int>(nclx->color_primaries);
        data.nclxTransfer = static_cast<int>(nclx->transfer_characteristics);
    }
    for (const char* kind : {"Exif", "mime"}) {
        const int count = heif_image_handle_get_number_of_metadata_blocks(h, kind);
        if (count <= 0)
            continue;
        std::vector<heif_item_id> ids(static_cast<std::size_t>(count));
        heif_image_handle_get_list_of_metadata_block_IDs(h, kind, ids.data(), count);
        for (const heif_item_id id : ids) {
            std::vector<std::uint8_t> block(heif_image_handle_get_metadata_size(h, id));
            if (block.empty() || heif_image_handle_get_metadata(h, id, block.data()).code != heif_error_Ok)
                continue;
            if (std::strcmp(kind, "Exif") == 0 && data.exifBlock.empty() && block.size() > 4) {
                // The block starts with the offset of the TIFF header after those four bytes.
                const std::size_t offset = (std::size_t{block[0]} << 24) | (std::size_t{block[1]} << 16) |
                                           (std::size_t{block[2]} << 8) | block[3];
                if (offset < block.size() - 4)
                    data.exifBlock.assign(block.begin() + 4 + static_cast<std::ptrdiff_t>(offset), block.end());
            } else if (std::strcmp(kind, "mime") == 0 && data.xmpPacket.empty()) {
                const char* type = heif_image_handle_get_metadata_content_type(h, id);
                if (type != nullptr && std::strcmp(type, "application/rdf+xml") == 0)
                    data.xmpPacket = std::move(block);
            }
        }
    }
}
} // namespace

bool ReadHeifEmbeddedBytes(CByteSpan bytes, CEmbeddedData& data)
{
    data = CEmbeddedData{};
    data.orientationApplied = true;
    CHeifContext context;
    CHeifHandle handle;
    if (OpenPrimary(bytes, context, handle) != kImageSuccess)
        return false;
    FillEmbedded(handle.get(), data);
    return true;
}

int ReadHeifSourceBytes(CByteSpan bytes, CImage& image, CEmbeddedData& data)
{
    data = CEmbeddedData{};
    CHeifContext context;
    CHeifHandle handle;
    int result = OpenPrimary(bytes, context, handle);
    if (result == kImageSuccess)
        result = DecodePrimary(handle.get(), image);
    if (result == kImageSuccess)
        FillEmbedded(handle.get(), data);
    return FinishRead(image, result);
}

int ReadHeifInfo(const std::filesystem::path& path, int& cols, int& rows, int& planes)
{
    cols = rows = planes = 0;
    std::vector<std::uint8_t> bytes;
    if (const int result = ReadFileBytes(path, bytes); result != kImageSuccess)
        return result;
    return ReadHeifInfoBytes(bytes, cols, rows, planes);
}

int ReadHeifFile(const std::filesystem::path& path, CImage& image)
{
    std::vector<std::uint8_t> bytes;
    if (const int result = ReadFileBytes(path, bytes); result != kImageSuccess)
        return FinishRead(image, result);
    return ReadHeifBytes(bytes, image);
}
