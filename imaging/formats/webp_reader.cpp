// WebP reader through libwebp: lossy and lossless stills, alpha kept as the
// last plane. Animations are refused rather than reduced to a frame.
#include "embedded_data.h"
#include "file_bytes.h"
#include "format_readers.h"
#include "image.h"
#include "memory_readers.h"
#include "read_problem.h"
#include "reader_support.h"

#include <algorithm>
#include <memory>
#include <new>
#include <webp/decode.h>
#include <webp/demux.h>

namespace {
struct CWebpDecoderDelete {
    void operator()(WebPIDecoder* decoder) const { WebPIDelete(decoder); }
};

int ReadFeatures(CByteSpan bytes, WebPBitstreamFeatures& features)
{
    const VP8StatusCode status = WebPGetFeatures(bytes.data(), bytes.size(), &features);
    if (status != VP8_STATUS_OK || features.width <= 0 || features.height <= 0) {
        NoteReadProblem(status == VP8_STATUS_UNSUPPORTED_FEATURE ? EReadProblem::Unsupported : EReadProblem::Damaged);
        return kImageBadArgument;
    }
    if (features.has_animation) {
        NoteReadProblem(EReadProblem::Unsupported, "animated WebP");
        return kImageCannotOpen;
    }
    return kImageSuccess;
}

int ReadWebp(CByteSpan bytes, CImage& image)
{
    WebPBitstreamFeatures features{};
    if (const int result = ReadFeatures(bytes, features); result != kImageSuccess)
        return result;
    const std::size_t cols = static_cast<std::size_t>(features.width);
    const std::size_t rows = static_cast<std::size_t>(features.height);
    if (cols * rows > CImage::kMaxPixels) {
        NoteTooLarge(cols, rows);
        return kImageOutOfMemory;
    }
    const std::size_t channels = features.has_alpha ? 4 : 3;
    const std::size_t stride = cols * channels;
    std::unique_ptr<std::uint8_t[]> pixels(new (std::nothrow) std::uint8_t[stride * rows]);
    if (!pixels)
        return kImageOutOfMemory;
    // The incremental decoder tells how many rows it finished, so a file cut
    // short (or broken part-way) keeps the rows above the break.
    const std::unique_ptr<WebPIDecoder, CWebpDecoderDelete> decoder(WebPINewRGB(
        features.has_alpha ? MODE_RGBA : MODE_RGB, pixels.get(), stride * rows, static_cast<int>(stride)));
    if (!decoder)
        return kImageOutOfMemory;
    const VP8StatusCode status = WebPIUpdate(decoder.get(), bytes.data(), bytes.size());
    int rowsDone = 0;
    if (status != VP8_STATUS_OK && WebPIDecGetRGB(decoder.get(), &rowsDone, nullptr, nullptr, nullptr) == nullptr)
        rowsDone = 0;
    if (status != VP8_STATUS_OK && rowsDone <= 0) {
        NoteReadProblem(status == VP8_STATUS_OUT_OF_MEMORY ? EReadProblem::OutOfMemory : EReadProblem::Damaged);
        return kImageBadArgument;
    }
    const int result = SetUpImage(image, features.width, features.height, static_cast<int>(channels), kSampleByte);
    if (result != kImageSuccess)
        return result;
    if (status == VP8_STATUS_SUSPENDED || status == VP8_STATUS_NOT_ENOUGH_DATA)
        image.damage = kDataEndsEarly;
    else if (status != VP8_STATUS_OK)
        image.damage = DamagedData("the WebP data does not decode");
    // Rows below the last finished one stay 0, whatever the decoder left there.
    const std::size_t rowsKept = status == VP8_STATUS_OK ? rows : std::min(rows, static_cast<std::size_t>(rowsDone));
    for (std::size_t y = 0; y < rowsKept; ++y) {
        const std::uint8_t* in = pixels.get() + y * stride;
        for (std::size_t p = 0; p < channels; ++p) {
            std::uint8_t* out = image.plane[p] + y * cols;
            for (std::size_t c = 0; c < cols; ++c)
                out[c] = in[c * channels + p];
        }
    }
    return kImageSuccess;
}

void CopyChunk(WebPDemuxer* demux, const char* fourcc, std::vector<std::uint8_t>& out)
{
    WebPChunkIterator chunk;
    if (WebPDemuxGetChunk(demux, fourcc, 1, &chunk)) {
        out.assign(chunk.chunk.bytes, chunk.chunk.bytes + chunk.chunk.size);
        WebPDemuxReleaseChunkIterator(&chunk);
    }
}
} // namespace

int ReadWebpInfoBytes(CByteSpan bytes, int& cols, int& rows, int& planes)
{
    cols = rows = planes = 0;
    WebPBitstreamFeatures features{};
    if (const int result = ReadFeatures(bytes, features); result != kImageSuccess)
        return result;
    cols = features.width;
    rows = features.height;
    planes = features.has_alpha ? 4 : 3;
    return kImageSuccess;
}

int ReadWebpBytes(CByteSpan bytes, CImage& image)
{
    return FinishRead(image, ReadWebp(bytes, image));
}

bool ReadWebpEmbeddedBytes(CByteSpan bytes, CEmbeddedData& data)
{
    data = CEmbeddedData{};
    const WebPData input{bytes.data(), bytes.size()};
    WebPDemuxer* demux = WebPDemux(&input);
    if (demux == nullptr)
        return false;
    CopyChunk(demux, "ICCP", data.iccProfile);
    CopyChunk(demux, "EXIF", data.exifBlock);
    CopyChunk(demux, "XMP ", data.xmpPacket);
    WebPDemuxDelete(demux);
    // Some writers keep the JPEG APP1 prefix in front of the TIFF header.
    static constexpr std::uint8_t kExifPrefix[] = {'E', 'x', 'i', 'f', 0, 0};
    if (data.exifBlock.size() > sizeof kExifPrefix &&
        std::equal(std::begin(kExifPrefix), std::end(kExifPrefix), data.exifBlock.begin()))
        data.exifBlock.erase(data.exifBlock.begin(), data.exifBlock.begin() + sizeof kExifPrefix);
    return true;
}

int ReadWebpInfo(const std::filesystem::path& path, int& cols, int& rows, int& planes)
{
    cols = rows = planes = 0;
    std::vector<std::uint8_t> bytes;
    if (const int result = ReadFileBytes(path, bytes); result != kImageSuccess)
        return result;
    return ReadWebpInfoBytes(bytes, cols, rows, planes);
}

int ReadWebpFile(const std::filesystem::path& path, CImage& image)
{
    std::vector<std::uint8_t> bytes;
    if (const int result = ReadFileBytes(path, bytes); result != kImageSuccess)
        return FinishRead(image, result);
    return ReadWebpBytes(bytes, image);
}
