#include "jpeg_thumbnail.h"

#include "image.h"
#include "jpeg_error.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace {

struct ThumbnailJob {
    jpeg_compress_struct cinfo;
    JpegErrorManager error;
    const std::uint8_t* pixels;
    int cols, rows;
    unsigned char* memory;
    unsigned long size;
    bool ok;
};

// The only function here that calls setjmp: plain locals only.
void RunEncode(ThumbnailJob* job)
{
    j_compress_ptr cinfo = &job->cinfo;
    cinfo->err = InstallJpegErrorManager(job->error);
    job->ok = false;
    if (setjmp(job->error.jump)) {
        jpeg_destroy_compress(cinfo);
        return;
    }
    jpeg_create_compress(cinfo);
    jpeg_mem_dest(cinfo, &job->memory, &job->size);
    cinfo->image_width = JDIMENSION(job->cols);
    cinfo->image_height = JDIMENSION(job->rows);
    cinfo->input_components = 3;
    cinfo->in_color_space = JCS_RGB;
    jpeg_set_defaults(cinfo);
    jpeg_set_quality(cinfo, kThumbnailQuality, TRUE);
    jpeg_start_compress(cinfo, TRUE);
    if (WriteJpegRows(cinfo, job->pixels, std::size_t(job->cols) * 3)) {
        jpeg_finish_compress(cinfo);
        job->ok = true;
    }
    jpeg_destroy_compress(cinfo);
}

// Reduced by averaging, then coded. sampleRow(p, y) is row y of channel p,
// whose samples lie `step` bytes apart.
template <typename SampleRow>
std::vector<std::uint8_t> MakeThumbnail(int pictureCols, int pictureRows, std::size_t step, SampleRow sampleRow)
{
    const int cols = std::min(kThumbnailWidth, pictureCols);
    const int rows = std::max(1, int((std::int64_t(pictureRows) * cols + pictureCols / 2) / pictureCols));

    // Each thumbnail pixel is the mean of the source pixels it covers.
    std::vector<std::uint8_t> pixels(std::size_t(cols) * std::size_t(rows) * 3);
    for (int y = 0; y < rows; ++y) {
        const int y0 = int(std::int64_t(y) * pictureRows / rows);
        const int y1 = std::max(y0 + 1, int(std::int64_t(y + 1) * pictureRows / rows));
        for (int x = 0; x < cols; ++x) {
            const int x0 = int(std::int64_t(x) * pictureCols / cols);
            const int x1 = std::max(x0 + 1, int(std::int64_t(x + 1) * pictureCols / cols));
            const std::uint64_t count = std::uint64_t(y1 - y0) * std::uint64_t(x1 - x0);
            for (int p = 0; p < 3; ++p) {
                std::uint64_t sum = 0;
                for (int sy = y0; sy < y1; ++sy) {
                    const std::uint8_t* row = sampleRow(p, sy);
                    for (int sx = x0; sx < x1; ++sx)
                        sum += row[std::size_t(sx) * step];
                }
                pixels[(std::size_t(y) * std::size_t(cols) + std::size_t(x)) * 3 + std::size_t(p)] =
                    std::uint8_t((sum + count / 2) / count);
            }
        }
    }

    auto job = std::make_unique<ThumbnailJob>();
    job->pixels = pixels.data();
    job->cols = cols;
    job->rows = rows;
    RunEncode(job.get());
    std::vector<std::uint8_t> jpeg;
    if (job->ok && job->memory != nullptr)
        jpeg.assign(job->memory, job->memory + job->size);
    std::free(job->memory);
    return jpeg;
}

} // namespace

std::vector<std::uint8_t> MakeJpegThumbnail(const CImage& picture)
{
    if (picture.planes != 3 || picture.sampleType != kSampleByte || !picture.HasAllPlanes() || picture.cols < 1 ||
        picture.rows < 1)
        return {};
    return MakeThumbnail(picture.cols, picture.rows, 1, [&picture](int p, int y) {
        return picture.plane[p] + std::size_t(y) * std::size_t(picture.cols);
    });
}

std::vector<std::uint8_t> MakeJpegThumbnail(const CInterleavedPicture& picture)
{
    if (picture.planes != 3 || picture.samples == nullptr || picture.cols < 1 || picture.rows < 1)
        return {};
    return MakeThumbnail(picture.cols, picture.rows, 3, [&picture](int p, int y) {
        return picture.samples + std::size_t(y) * std::size_t(picture.cols) * 3 + std::size_t(p);
    });
}
