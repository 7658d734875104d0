// JPEG header info and decoding into a CImage (libjpeg API 62).
//
// How much a file may make us commit: the one pixel limit of the image
// library, CImage::kMaxPixels, whatever the file's length. A file cut short
// (a half-copied memory card) is decoded as far as it goes and completed
// with filler, as libjpeg intends, and the image says so in its `damage`
// text; a header claiming more than the limit is refused (3) before
// anything is allocated. libjpeg's
// own whole-image buffers (progressive and multi-scan files) are capped by
// its memory manager. Every scan of a progressive file walks the whole
// coefficient buffer, so a file of a few kilobytes of empty scans could keep
// the decoder busy for minutes; real progressive files use about ten scans,
// and more than kMaxScans ends the read as corrupt.
#include "jpeg_reader.h"

#include <algorithm>
#include <cstring>
#include <cstdio>
#include <memory>
#include <string>

#include <jerror.h>

#include "file_bytes.h"
#include "image.h"
#include "jpeg_error.h"
#include "jpeg_source.h"
#include "orientation.h"
#include "read_problem.h"
#include "reader_support.h"

namespace {
constexpr int kMaxScans = 100;
constexpr long kMaxCodecMemory = 1L << 30;

// Everything the guarded decode touches lives here, in memory that the
// caller owns, so nothing depends on locals across the longjmp.
struct JpegReadJob {
    jpeg_decompress_struct cinfo;
    JpegErrorManager error;
    jpeg_progress_mgr progress;
    std::FILE* file;            // one of file or data
    const std::uint8_t* data;
    std::size_t size;
    CImage* image;              // null: header only
    const CRgbTarget* rgb;  // not null: the pixels go there, not into the image's planes
    CJpegCoding* coding;        // receives the header's coding when not null
    int cols, rows, planes, adobe;
    int result;
};

void StopEndlessScans(j_common_ptr common)
{
    auto* cinfo = reinterpret_cast<j_decompress_ptr>(common);
    if (cinfo->input_scan_number > kMaxScans) {
        common->err->msg_code = JERR_NOT_COMPILED;
        (*common->err->error_exit)(common);
    }
}

bool SizeWithinLimit(std::uint64_t width, std::uint64_t height)
{
    const std::uint64_t pixels = width * height;
    return pixels > 0 && pixels <= CImage::kMaxPixels;
}

// Puts decoded rows into an interleaved RGB block, each pixel where the
// upright picture shows it: the stored pixel (x, y) lands at base(y) +
// x × step, in pixels, so turning costs no pass of its own. Grey is spread
// to all three samples.
class CRgbRowPlacer {
public:
    CRgbRowPlacer() = default;
    CRgbRowPlacer(int storedCols, int storedRows, int orientation)
        : width(storedCols), height(storedRows), turn(IsValidOrientation(orientation) ? orientation : 1)
    {
    }
    int UprightCols() const { return turn >= kOrientationTransposed ? height : width; }
    int UprightRows() const { return turn >= kOrientationTransposed ? width : height; }
    void SetBlock(std::uint8_t* to) { block = to; }

    void Place(const std::uint8_t* samples, int components, std::size_t y) const
    {
        const std::ptrdiff_t W = width, H = height, Y = std::ptrdiff_t(y);
        const std::ptrdiff_t pitch = UprightCols();
        std::ptrdiff_t base = 0, step = 1;
        switch (turn) {
        case 2: base = Y * pitch + W - 1; step = -1; break;
        case 3: base = (H - 1 - Y) * pitch + W - 1; step = -1; break;
        case 4: base = (H - 1 - Y) * pitch; step = 1; break;
        case 5: base = Y; step = pitch; break;
        case 6: base = H - 1 - Y; step = pitch; break;
        case 7: base = (W - 1) * pitch + H - 1 - Y; step = -pitch; break;
        case 8: base = (W - 1) * pitch + Y; step = -pitch; break;
        default: base = Y * pitch; step = 1; break;
        }
        std::uint8_t* out = block + 3 * base;
        const std::ptrdiff_t stride = 3 * step;
        if (components == 3 && step == 1) {
            std::memcpy(out, samples, 3 * std::size_t(width));
        } else if (components == 3) {
            for (std::ptrdiff_t x = 0; x < W; ++x, out += stride, samples += 3) {
                out[0] = samples[0];
                out[1] = samples[1];
                out[2] = samples[2];
            }
        } else {
            for (std::ptrdiff_t x = 0; x < W; ++x, out += stride)
                out[0] = out[1] = out[2] = samples[x];
        }
    }

private:
    std::uint8_t* block = nullptr;
    int width = 0;
    int height = 0;
    int turn = 1;
};

// The only function here that calls setjmp: plain locals only.
void RunRead(JpegReadJob* job)
{
    j_decompress_ptr cinfo = &job->cinfo;
    cinfo->err = InstallJpegErrorManager(job->error);
    job->result = kImageBadArgument;
    if (setjmp(job->error.jump)) {
        jpeg_destroy_decompress(cinfo);
        return;
    }
    jpeg_create_decompress(cinfo);
    cinfo->mem->max_memory_to_use = kMaxCodecMemory;
    job->progress.progress_monitor = StopEndlessScans;
    cinfo->progress = &job->progress;
    if (job->file != nullptr)
        jpeg_stdio_src(cinfo, job->file);
    else
        jpeg_mem_src(cinfo, job->data, static_cast<unsigned long>(job->size));
    jpeg_read_header(cinfo, TRUE);
    if (job->coding != nullptr)
        FillJpegCoding(*cinfo, *job->coding);
    // The output size is known without starting the decoder (which, for a
    // progressive file, would read the whole file).
    jpeg_calc_output_dimensions(cinfo);
    if (std::uint64_t{cinfo->output_width} * cinfo->output_height > CImage::kMaxPixels)
        NoteTooLarge(cinfo->output_width, cinfo->output_height);
    if (cinfo->output_components < 1 || cinfo->output_components > 4) {
        jpeg_destroy_decompress(cinfo);
        return;
    }
    if (!SizeWithinLimit(cinfo->output_width, cinfo->output_height)) {
        jpeg_destroy_decompress(cinfo);
        job->result = kImageOutOfMemory;
        return;
    }
    job->cols = static_cast<int>(cinfo->output_width);
    job->rows = static_cast<int>(cinfo->output_height);
    job->planes = cinfo->output_components;
    job->adobe = cinfo->saw_Adobe_marker ? 1 : 0;
    CImage* image = job->image;
    if (image == nullptr) {
        jpeg_destroy_decompress(cinfo);
        job->result = kImageSuccess;
        return;
    }

    const CRgbTarget* rgb = job->rgb;
    if (rgb != nullptr && job->planes != 1 && job->planes != 3) {
        jpeg_destroy_decompress(cinfo);
        job->result = kImageCannotOpen;
        return;
    }
    jpeg_start_decompress(cinfo);
    image->cols = static_cast<int>(cinfo->output_width);
    image->rows = static_cast<int>(cinfo->output_height);
    image->planes = cinfo->output_components;
    image->sampleType = kSampleByte;
    image->quality = 75;
    image->resolution = cinfo->density_unit != 0 ? cinfo->X_density : 0;
    image->subsampling = SubsamplingCodeOf(cinfo->comp_info[0].h_samp_factor, cinfo->comp_info[0].v_samp_factor);
    CRgbRowPlacer placer;
    const bool pieces = rgb != nullptr && rgb->piece;
    if (pieces && (rgb->pieceRows <= 0 || (IsValidOrientation(rgb->orientation) && rgb->orientation != 1))) {
        jpeg_destroy_decompress(cinfo);
        return;
    }
    if (rgb != nullptr) {
        placer = CRgbRowPlacer(image->cols, image->rows, rgb->orientation);
        image->planes = 0;
        image->cols = placer.UprightCols();
        image->rows = placer.UprightRows();
        std::uint8_t* block = pieces ? nullptr : rgb->take ? rgb->take(image->PixelCount() * 3) : nullptr;
        if (block == nullptr && !pieces) {
            jpeg_destroy_decompress(cinfo);
            job->result = kImageOutOfMemory;
            return;
        }
        placer.SetBlock(block);
    } else if (const int allocated = image->AllocatePlanes(); allocated != kImageSuccess) {
        jpeg_destroy_decompress(cinfo);
        job->result = allocated;
        return;
    }
    const int components = cinfo->output_components;
    const JDIMENSION width = cinfo->output_width;
    JSAMPARRAY row = (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                                 width * static_cast<JDIMENSION>(components), 1);
    bool gaveUp = false;
    while (cinfo->output_scanline < cinfo->output_height) {
        const std::size_t y = cinfo->output_scanline;
        if (jpeg_read_scanlines(cinfo, row, 1) != 1)
            break;  // cannot happen with a file or memory source; never spin
        const JSAMPLE* samples = row[0];
        if (pieces) {
            const std::size_t inPiece = y % static_cast<std::size_t>(rgb->pieceRows);
            if (inPiece == 0) {
                std::uint8_t* to = rgb->piece(static_cast<int>(y));
                if (to == nullptr) {
                    gaveUp = true;  // the caller's choice: a failure, as a cut decode is
                    break;
                }
                placer.SetBlock(to);
            }
            placer.Place(samples, components, inPiece);
            continue;
        }
        if (rgb != nullptr) {
            placer.Place(samples, components, y);
            continue;
        }
        if (components == 3) {
            // One pass over the row for colour pictures (the compiler
            // shuffles whole vectors); other counts take the plain loop.
            std::uint8_t* r = image->plane[0] + y * width;
            std::uint8_t* g = image->plane[1] + y * width;
            std::uint8_t* b = image->plane[2] + y * width;
            for (JDIMENSION c = 0; c < width; ++c) {
                r[c] = samples[3 * std::size_t(c)];
                g[c] = samples[3 * std::size_t(c) + 1];
                b[c] = samples[3 * std::size_t(c) + 2];
            }
            continue;
        }
        for (int p = 0; p < components; ++p) {
            std::uint8_t* dst = image->plane[p] + y * width;
            for (JDIMENSION c = 0; c < width; ++c)
                dst[c] = samples[static_cast<std::size_t>(c) * components + p];
        }
    }
    if (gaveUp || cinfo->output_scanline < cinfo->output_height) {
        jpeg_destroy_decompress(cinfo);
        return;
    }
    jpeg_finish_decompress(cinfo);
    jpeg_destroy_decompress(cinfo);
    job->result = kImageSuccess;
}

int Read(std::FILE* file, const std::uint8_t* data, std::size_t size, CImage* image, int& cols, int& rows,
         int& planes, int* adobeFlag, CJpegCoding* coding = nullptr, const CRgbTarget* rgb = nullptr)
{
    cols = rows = planes = 0;
    if (image != nullptr)
        image->damage.clear();
    auto job = std::make_unique<JpegReadJob>();
    job->file = file;
    job->data = data;
    job->size = size;
    job->image = image;
    job->coding = coding;
    job->rgb = rgb;
    RunRead(job.get());
    if (job->result != kImageSuccess) {
        if (image != nullptr)
            image->FreePlanes();
        return job->result;
    }
    if (image != nullptr) {
        if (job->error.endedEarly)
            image->damage = kDataEndsEarly;
        else if (job->error.damage[0] != '\0')
            image->damage = DamagedData(job->error.damage);
    }
    cols = job->cols;
    rows = job->rows;
    planes = job->planes;
    if (adobeFlag != nullptr)
        *adobeFlag = job->adobe;
    return kImageSuccess;
}

int ReadPath(const std::filesystem::path& path, CImage* image, int& cols, int& rows, int& planes, int* adobeFlag)
{
    cols = rows = planes = 0;
    const CInputFile file = OpenForReading(path);
    if (!file)
        return kImageCannotOpen;
    return Read(file.get(), nullptr, 0, image, cols, rows, planes, adobeFlag);
}
} // namespace

int ReadJpegInfo(const std::filesystem::path& path, int& cols, int& rows, int& planes, int* adobeFlag)
{
    return ReadPath(path, nullptr, cols, rows, planes, adobeFlag);
}

int ReadJpegInfo(const std::uint8_t* data, std::size_t size, int& cols, int& rows, int& planes, int* adobeFlag)
{
    return Read(nullptr, data, size, nullptr, cols, rows, planes, adobeFlag);
}

int ReadJpegFile(const std::filesystem::path& path, CImage& image)
{
    image.FreePlanes();
    int cols = 0, rows = 0, planes = 0;
    return ReadPath(path, &image, cols, rows, planes, nullptr);
}

int ReadJpegFile(const std::uint8_t* data, std::size_t size, CImage& image)
{
    image.FreePlanes();
    int cols = 0, rows = 0, planes = 0;
    return Read(nullptr, data, size, &image, cols, rows, planes, nullptr);
}

int ReadJpegBytes(std::span<const std::uint8_t> bytes, CImage& image, CJpegCoding& coding, bool& adobeMarker)
{
    image.FreePlanes();
    coding = CJpegCoding{};
    int cols = 0, rows = 0, planes = 0, adobe = 0;
    const int result = Read(nullptr, bytes.data(), bytes.size(), &image, cols, rows, planes, &adobe, &coding);
    adobeMarker = result == kImageSuccess && adobe != 0;
    return result;
}

int ReadJpegHeaderBytes(std::span<const std::uint8_t> bytes, CJpegCoding& coding, bool& adobeMarker)
{
    coding = CJpegCoding{};
    int cols = 0, rows = 0, planes = 0, adobe = 0;
    const int result = Read(nullptr, bytes.data(), bytes.size(), nullptr, cols, rows, planes, &adobe, &coding);
    adobeMarker = result == kImageSuccess && adobe != 0;
    return result;
}

int ReadJpegRgbBytes(std::span<const std::uint8_t> bytes, CImage& facts, const CRgbTarget& target)
{
    facts = CImage();
    int cols = 0, rows = 0, planes = 0;
    return Read(nullptr, bytes.data(), bytes.size(), &facts, cols, rows, planes, nullptr, nullptr, &target);
}
