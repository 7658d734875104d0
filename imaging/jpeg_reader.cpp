// JPEG header info and decoding into a CImage (libjpeg API 62).
//
// How much a file may make us commit: a JPEG spends at least two bits per
// 8x8 block of each component in a Huffman-coded scan (one DC code, one
// end-of-block code), which caps an honest file at about 256 pixels per
// byte for greyscale and fewer for colour. We accept up to 1024 pixels per
// file byte, four times that bound (room for arithmetic coding), with a
// floor of one megapixel so that small truncated files still decode with
// filler as libjpeg intends, and never more than CImage::kMaxPixels. A
// header claiming more is refused before anything is allocated. libjpeg's
// own whole-image buffers (progressive and multi-scan files) are capped by
// its memory manager. Every scan of a progressive file walks the whole
// coefficient buffer, so a file of a few kilobytes of empty scans could keep
// the decoder busy for minutes; real progressive files use about ten scans,
// and more than kMaxScans ends the read as corrupt.
#include "jpeg_reader.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <system_error>

#include <jerror.h>

#include "file_bytes.h"
#include "image.h"
#include "jpeg_error.h"
#include "read_problem.h"

namespace {
constexpr std::uint64_t kPixelsPerFileByte = 1024;
constexpr std::uint64_t kPixelFloor = std::uint64_t{1} << 20;
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
    std::uint64_t sourceBytes;  // for the memory rule
    CImage* image;              // null: header only
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

bool SizeIsHonest(std::uint64_t width, std::uint64_t height, std::uint64_t sourceBytes)
{
    const std::uint64_t pixels = width * height;
    const std::uint64_t allowed = std::max(kPixelFloor, sourceBytes * kPixelsPerFileByte);
    return pixels > 0 && pixels <= CImage::kMaxPixels && pixels <= allowed;
}

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
    // The output size is known without starting the decoder (which, for a
    // progressive file, would read the whole file).
    jpeg_calc_output_dimensions(cinfo);
    if (std::uint64_t{cinfo->output_width} * cinfo->output_height > CImage::kMaxPixels)
        NoteTooLarge(cinfo->output_width, cinfo->output_height);
    if (!SizeIsHonest(cinfo->output_width, cinfo->output_height, job->sourceBytes) ||
        cinfo->output_components < 1 || cinfo->output_components > 4) {
        jpeg_destroy_decompress(cinfo);
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

    jpeg_start_decompress(cinfo);
    image->cols = static_cast<int>(cinfo->output_width);
    image->rows = static_cast<int>(cinfo->output_height);
    image->planes = cinfo->output_components;
    image->sampleType = kSampleByte;
    image->quality = 75;
    image->resolution = cinfo->density_unit != 0 ? cinfo->X_density : 0;
    image->subsampling = SubsamplingCodeOf(cinfo->comp_info[0].h_samp_factor, cinfo->comp_info[0].v_samp_factor);
    const int allocated = image->AllocatePlanes();
    if (allocated != kImageSuccess) {
        jpeg_destroy_decompress(cinfo);
        job->result = allocated;
        return;
    }
    const int components = cinfo->output_components;
    const JDIMENSION width = cinfo->output_width;
    JSAMPARRAY row = (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                                 width * static_cast<JDIMENSION>(components), 1);
    while (cinfo->output_scanline < cinfo->output_height) {
        const std::size_t y = cinfo->output_scanline;
        if (jpeg_read_scanlines(cinfo, row, 1) != 1)
            break;  // cannot happen with a file or memory source; never spin
        const JSAMPLE* samples = row[0];
        for (int p = 0; p < components; ++p) {
            std::uint8_t* dst = image->plane[p] + y * width;
            for (JDIMENSION c = 0; c < width; ++c)
                dst[c] = samples[static_cast<std::size_t>(c) * components + p];
        }
    }
    if (cinfo->output_scanline < cinfo->output_height) {
        jpeg_destroy_decompress(cinfo);
        return;
    }
    jpeg_finish_decompress(cinfo);
    jpeg_destroy_decompress(cinfo);
    job->result = kImageSuccess;
}

int Read(std::FILE* file, const std::uint8_t* data, std::size_t size, std::uint64_t sourceBytes, CImage* image,
         int& cols, int& rows, int& planes, int* adobeFlag)
{
    cols = rows = planes = 0;
    auto job = std::make_unique<JpegReadJob>();
    job->file = file;
    job->data = data;
    job->size = size;
    job->sourceBytes = sourceBytes;
    job->image = image;
    RunRead(job.get());
    if (job->result != kImageSuccess) {
        if (image != nullptr)
            image->FreePlanes();
        return job->result;
    }
    cols = job->cols;
    rows = job->rows;
    planes = job->planes;
    if (adobeFlag != nullptr)
        *adobeFlag = job->adobe;
    return kImageSuccess;
}

std::uint64_t FileBytes(const std::filesystem::path& path)
{
    std::error_code error;
    const auto bytes = std::filesystem::file_size(path, error);
    return error ? 0 : static_cast<std::uint64_t>(bytes);
}

int ReadPath(const std::filesystem::path& path, CImage* image, int& cols, int& rows, int& planes, int* adobeFlag)
{
    cols = rows = planes = 0;
    const CInputFile file = OpenForReading(path);
    if (!file)
        return kImageCannotOpen;
    return Read(file.get(), nullptr, 0, FileBytes(path), image, cols, rows, planes, adobeFlag);
}
} // namespace

int ReadJpegInfo(const std::filesystem::path& path, int& cols, int& rows, int& planes, int* adobeFlag)
{
    return ReadPath(path, nullptr, cols, rows, planes, adobeFlag);
}

int ReadJpegInfo(const std::uint8_t* data, std::size_t size, int& cols, int& rows, int& planes, int* adobeFlag)
{
    return Read(nullptr, data, size, size, nullptr, cols, rows, planes, adobeFlag);
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
    return Read(nullptr, data, size, size, &image, cols, rows, planes, nullptr);
}
