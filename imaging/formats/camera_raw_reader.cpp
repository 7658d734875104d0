// Camera RAW reader through LibRaw (its thread-safe build): rendered with the
// camera's own white balance into sRGB, 16-bit samples, the camera's
// orientation applied.
#include "embedded_data.h"
#include "file_bytes.h"
#include "format_readers.h"
#include "image.h"
#include "memory_readers.h"
#include "read_problem.h"
#include "reader_support.h"

#include <chrono>
#include <climits>
#include <cstring>
#include <libraw/libraw.h>
#include <memory>

namespace {
// A rendering that takes longer than this is given up rather than holding
// the batch (LibRaw asks between its stages).
constexpr auto kMaxRenderTime = std::chrono::seconds(120);
// LibRaw's own allocation ceiling for the undecoded sensor data.
constexpr unsigned kMaxRawMemoryMb = 1024;

struct CLibRawClose {
    void operator()(libraw_data_t* raw) const { libraw_close(raw); }
};
using CLibRaw = std::unique_ptr<libraw_data_t, CLibRawClose>;

struct CProcessedImageFree {
    void operator()(libraw_processed_image_t* image) const { libraw_dcraw_clear_mem(image); }
};

using CClock = std::chrono::steady_clock;

// LibRaw goes on past sensor data it cannot decode, or that the file cuts
// off, and says so here (an offset of -1: the file ended).
struct CRawDataErrors {
    bool endedEarly = false;
    bool undecodable = false;
};

void NoteRawDataError(void* data, const char*, const int offset)
{
    auto* errors = static_cast<CRawDataErrors*>(data);
    (offset < 0 ? errors->endedEarly : errors->undecodable) = true;
}

int StopWhenLate(void* data, LibRaw_progress, int, int)
{
    const auto* deadline = static_cast<const CClock::time_point*>(data);
    return CClock::now() > *deadline ? 1 : 0;
}

// Notes why LibRaw refused the file; returns the result code to give.
int NoteRawError(int code)
{
    switch (code) {
    case LIBRAW_FILE_UNSUPPORTED:
        NoteReadProblem(EReadProblem::Unsupported, "unknown camera RAW");
        return kImageCannotOpen;
    case LIBRAW_UNSUFFICIENT_MEMORY:
    case LIBRAW_MEMPOOL_OVERFLOW:
        NoteReadProblem(EReadProblem::OutOfMemory);
        return kImageOutOfMemory;
    case LIBRAW_TOO_BIG:
        NoteReadProblem(EReadProblem::TooLarge);
        return kImageOutOfMemory;
    case LIBRAW_CANCELLED_BY_CALLBACK:
        NoteReadProblem(EReadProblem::Unsupported, "camera RAW that takes too long to render");
        return kImageCannotOpen;
    default:
        NoteReadProblem(EReadProblem::Damaged);
        return kImageBadArgument;
    }
}

// Opens `bytes` (which must outlive the handle) and checks the picture's size.
int OpenRaw(CByteSpan bytes, CLibRaw& raw)
{
    // No callbacks: LibRaw's default ones print to stderr.
    raw.reset(libraw_init(LIBRAW_OPIONS_NO_MEMERR_CALLBACK | LIBRAW_OPIONS_NO_DATAERR_CALLBACK));
    if (!raw)
        return kImageOutOfMemory;
    raw->params.max_raw_memory_mb = kMaxRawMemoryMb;
    // LibRaw takes a writable pointer but only reads from the buffer.
    const int code = libraw_open_buffer(raw.get(), const_cast<std::uint8_t*>(bytes.data()), bytes.size());
    if (code != LIBRAW_SUCCESS)
        return NoteRawError(code);
    const std::size_t cols = raw->sizes.width;
    const std::size_t rows = raw->sizes.height;
    if (cols == 0 || rows == 0) {
        NoteReadProblem(EReadProblem::Damaged);
        return kImageBadArgument;
    }
    if (cols * rows > CImage::kMaxPixels) {
        NoteTooLarge(cols, rows);
        return kImageOutOfMemory;
    }
    return kImageSuccess;
}

int ReadRaw(CByteSpan bytes, CImage& image)
{
    CLibRaw raw;
    if (const int result = OpenRaw(bytes, raw); result != kImageSuccess)
        return result;
    CClock::time_point deadline = CClock::now() + kMaxRenderTime;
    libraw_set_progress_handler(raw.get(), StopWhenLate, &deadline);
    CRawDataErrors dataErrors;
    libraw_set_dataerror_handler(raw.get(), NoteRawDataError, &dataErrors);
    raw->params.output_bps = 16;
    raw->params.use_camera_wb = 1;
    raw->params.output_color = 1;  // sRGB
    if (const int code = libraw_unpack(raw.get()); code != LIBRAW_SUCCESS)
        return NoteRawError(code);
    if (const int code = libraw_dcraw_process(raw.get()); code != LIBRAW_SUCCESS)
        return NoteRawError(code);
    int code = LIBRAW_SUCCESS;
    const std::unique_ptr<libraw_processed_image_t, CProcessedImageFree> rendered(
        libraw_dcraw_make_mem_image(raw.get(), &code));
    if (!rendered || code != LIBRAW_SUCCESS)
        return NoteRawError(code != LIBRAW_SUCCESS ? code : LIBRAW_UNSUFFICIENT_MEMORY);
    const std::size_t cols = rendered->width;
    const std::size_t rows = rendered->height;
    const std::size_t channels = rendered->colors;
    if (rendered->type != LIBRAW_IMAGE_BITMAP || rendered->bits != 16 || (channels != 1 && channels != 3) ||
        cols == 0 || rows == 0 || cols * rows > CImage::kMaxPixels ||
        static_cast<std::size_t>(rendered->data_size) < cols * rows * channels * 2) {
        NoteReadProblem(EReadProblem::Damaged);
        return kImageBadArgument;
    }
    const int result = SetUpImage(image, static_cast<int>(cols), static_cast<int>(rows), static_cast<int>(channels),
                                  kSampleWord);
    if (result != kImageSuccess)
        return result;
    if (dataErrors.endedEarly)
        image.damage = kDataEndsEarly;
    else if (dataErrors.undecodable)
        image.damage = DamagedData("sensor data does not decode");
    // LibRaw's 16-bit samples are in host order.
    const std::uint8_t* in = rendered->data;
    for (std::size_t i = 0; i < cols * rows; ++i) {
        for (std::size_t p = 0; p < channels; ++p) {
            std::uint16_t sample = 0;
            std::memcpy(&sample, in + (i * channels + p) * 2, 2);
            reinterpret_cast<std::uint16_t*>(image.plane[p])[i] = sample;
        }
    }
    return kImageSuccess;
}
} // namespace

int ReadCameraRawInfoBytes(CByteSpan bytes, int& cols, int& rows, int& planes)
{
    cols = rows = planes = 0;
    CLibRaw raw;
    if (const int result = OpenRaw(bytes, raw); result != kImageSuccess)
        return result;
    // The rendered picture is turned by the camera's orientation.
    const bool turned = (raw->sizes.flip & 4) != 0;
    cols = turned ? raw->sizes.height : raw->sizes.width;
    rows = turned ? raw->sizes.width : raw->sizes.height;
    planes = raw->idata.colors == 1 ? 1 : 3;
    return kImageSuccess;
}

int ReadCameraRawBytes(CByteSpan bytes, CImage& image)
{
    return FinishRead(image, ReadRaw(bytes, image));
}

int ReadCameraRawInfo(const std::filesystem::path& path, int& cols, int& rows, int& planes)
{
    cols = rows = planes = 0;
    std::vector<std::uint8_t> bytes;
    if (const int result = ReadFileBytes(path, bytes); result != kImageSuccess)
        return result;
    return ReadCameraRawInfoBytes(bytes, cols, rows, planes);
}

int ReadCameraRawFile(const std::filesystem::path& path, CImage& image)
{
    std::vector<std::uint8_t> bytes;
    if (const int result = ReadFileBytes(path, bytes); result != kImageSuccess)
        return FinishRead(image, result);
    return ReadCameraRawBytes(bytes, image);
}
