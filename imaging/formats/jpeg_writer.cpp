// The plain JPEG writer and the writer that follows a source JPEG.
#include "jpeg_writer.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <system_error>

#include "file_bytes.h"
#include "image.h"
#include "jpeg_error.h"
#include "jpeg_output_file.h"
#include "jpeg_source.h"

namespace {
struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
using SampleBuffer = std::unique_ptr<std::uint8_t, FreeDeleter>;

// Everything the guarded encode touches, owned by the caller.
struct JpegWriteJob {
    jpeg_compress_struct cinfo;
    JpegErrorManager error;
    std::FILE* out;
    const std::uint8_t* pixels;  // rows x cols x planes, interleaved
    int cols, rows, planes, quality, resolution;
    int subsampling;              // plain parameters
    const JpegSourceParameters* source;  // null: the plain parameters
    J_COLOR_SPACE colorSpace;
    bool jfifMarker, adobeMarker;
    const char* comment;
    const std::uint8_t* payload;
    int payloadLength;            // < 0: no APP1 segment
    const std::vector<CMarkerSegment>* segments;  // after the APP1 segment; may be null
    bool ok;
};

void SetDensity(j_compress_ptr cinfo, int resolution)
{
    if (resolution != 0) {
        cinfo->density_unit = 1;
        cinfo->X_density = static_cast<UINT16>(resolution);
        cinfo->Y_density = static_cast<UINT16>(resolution);
    } else {
        cinfo->density_unit = 0;
        cinfo->X_density = 1;
        cinfo->Y_density = 1;
    }
}

void SetPlainSampling(j_compress_ptr cinfo, int subsampling)
{
    int h = 0, v = 0;
    switch (subsampling) {
    case kSubsampling444: h = 1; v = 1; break;
    case kSubsampling422: h = 2; v = 1; break;
    case kSubsampling420: h = 2; v = 2; break;
    default: return;  // libjpeg's defaults stay
    }
    cinfo->comp_info[0].h_samp_factor = h;
    cinfo->comp_info[0].v_samp_factor = v;
    for (int i = 1; i < 3; ++i) {
        cinfo->comp_info[i].h_samp_factor = 1;
        cinfo->comp_info[i].v_samp_factor = 1;
    }
}

void FollowSource(j_compress_ptr cinfo, const JpegWriteJob& job)
{
    const JpegSourceParameters& source = *job.source;
    cinfo->jpeg_color_space = job.colorSpace;
    cinfo->write_JFIF_header = job.jfifMarker ? TRUE : FALSE;
    cinfo->write_Adobe_marker = job.adobeMarker ? TRUE : FALSE;
    SetDensity(cinfo, job.resolution);
    jpeg_set_quality(cinfo, job.quality, TRUE);
    // Component ids and sampling; the table numbers stay as set for RGB input.
    cinfo->num_components = source.numComponents;
    for (int i = 0; i < source.numComponents; ++i) {
        cinfo->comp_info[i].component_id = source.componentId[i];
        cinfo->comp_info[i].h_samp_factor = source.hSampFactor[i];
        cinfo->comp_info[i].v_samp_factor = source.vSampFactor[i];
    }
    cinfo->JFIF_major_version = source.jfifMajor;
    cinfo->JFIF_minor_version = source.jfifMinor;
    cinfo->density_unit = source.densityUnit;
    cinfo->X_density = source.xDensity;
    cinfo->Y_density = source.yDensity;
    cinfo->data_precision = source.dataPrecision;
}

// The only function here that calls setjmp: plain locals only.
void RunWrite(JpegWriteJob* job)
{
    j_compress_ptr cinfo = &job->cinfo;
    cinfo->err = InstallJpegErrorManager(job->error);
    job->ok = false;
    if (setjmp(job->error.jump)) {
        jpeg_destroy_compress(cinfo);
        return;
    }
    jpeg_create_compress(cinfo);
    jpeg_stdio_dest(cinfo, job->out);
    cinfo->image_width = static_cast<JDIMENSION>(job->cols);
    cinfo->image_height = static_cast<JDIMENSION>(job->rows);
    cinfo->input_components = job->planes;
    cinfo->in_color_space = job->planes == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(cinfo);
    if (job->source != nullptr) {
        FollowSource(cinfo, *job);
    } else {
        if (job->planes > 1)
            SetPlainSampling(cinfo, job->subsampling);
        SetDensity(cinfo, job->resolution);
        jpeg_set_quality(cinfo, job->quality, TRUE);
    }
    jpeg_start_compress(cinfo, TRUE);
    jpeg_write_marker(cinfo, JPEG_COM, reinterpret_cast<const JOCTET*>(job->comment),
                      static_cast<unsigned>(std::strlen(job->comment) + 1));
    if (job->payloadLength >= 0)
        jpeg_write_marker(cinfo, JPEG_APP0 + 1, job->payload, static_cast<unsigned>(job->payloadLength));
    if (job->segments != nullptr)
        for (const CMarkerSegment& segment : *job->segments)
            jpeg_write_marker(cinfo, segment.marker, segment.payload.data(),
                              static_cast<unsigned>(segment.payload.size()));
    if (!WriteJpegRows(cinfo, job->pixels, static_cast<std::size_t>(job->cols) * static_cast<std::size_t>(job->planes))) {
        jpeg_destroy_compress(cinfo);
        return;
    }
    jpeg_finish_compress(cinfo);
    jpeg_destroy_compress(cinfo);
    job->ok = true;
}

bool IsWritable(const CImage& image)
{
    return (image.planes == 1 || image.planes == 3) && image.PixelCount() != 0 && image.HasAllPlanes();
}

bool IsWritable(const CInterleavedPicture& picture)
{
    return (picture.planes == 1 || picture.planes == 3) && picture.cols > 0 && picture.rows > 0 &&
           picture.samples != nullptr;
}

// The interleaved view of samples Interleave made from `image`.
CInterleavedPicture ViewOf(const CImage& image, const std::uint8_t* samples)
{
    return CInterleavedPicture{samples, image.cols, image.rows, image.planes, image.resolution};
}

// The whole raster as interleaved bytes: 16-bit samples give their high
// byte, float samples the display-range scaling.
SampleBuffer Interleave(const CImage& image)
{
    const std::size_t pixels = image.PixelCount();
    const std::size_t planes = static_cast<std::size_t>(image.planes);
    SampleBuffer buffer(static_cast<std::uint8_t*>(std::malloc(pixels * planes)));
    if (!buffer)
        return buffer;
    std::uint8_t* out = buffer.get();
    for (std::size_t p = 0; p < planes; ++p) {
        const int index = static_cast<int>(p);
        if (image.sampleType == kSampleByte) {
            const std::uint8_t* src = image.plane[p];
            for (std::size_t i = 0; i < pixels; ++i)
                out[i * planes + p] = src[i];
        } else {
            for (std::size_t i = 0; i < pixels; ++i)
                out[i * planes + p] = image.SampleAsByte(index, i);
        }
    }
    return buffer;
}

int Encode(JpegWriteJob& job, const std::filesystem::path& path)
{
    CJpegOutputFile output(path);
    if (!output.Open())
        return kImageCannotOpen;
    job.out = output.Stream();
    RunWrite(&job);
    if (!job.ok) {
        output.NoteStreamFailure();
        return kImageBadArgument;  // the temporary file goes with `output`
    }
    return output.Commit() ? kImageSuccess : kImageCannotOpen;
}

// The output colour space and markers that follow the source. False when the
// RGB (or grey) buffer cannot be turned into the source's colour space.
bool ChooseColorSpace(const JpegSourceParameters& source, int planes, JpegWriteJob& job)
{
    // What jpeg_set_defaults leaves for grey or RGB input.
    job.jfifMarker = true;
    job.adobeMarker = false;
    if (source.numComponents == 1) {
        job.colorSpace = JCS_GRAYSCALE;
        return true;
    }
    if (source.numComponents != 3 || planes != 3)
        return false;
    if (source.sawAdobe) {
        job.colorSpace = source.adobeTransform != 0 ? JCS_YCbCr : JCS_RGB;
        job.jfifMarker = false;
        job.adobeMarker = true;
    } else if (source.sawJfif) {
        job.colorSpace = JCS_YCbCr;
    } else if (source.componentId[0] == 'R' && source.componentId[1] == 'G' && source.componentId[2] == 'B') {
        // RGB samples under a JFIF marker would be decoded as YCbCr (JFIF
        // means YCbCr to every decoder, libjpeg included), so the output
        // carries no marker, like its source; the ids then say RGB.
        job.colorSpace = JCS_RGB;
        job.jfifMarker = false;
    } else {
        job.colorSpace = JCS_YCbCr;
    }
    return true;
}

bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b)
{
    std::error_code error;
    return std::filesystem::equivalent(a, b, error) && !error;
}

// What both writers set alike: the pixels, the picture's facts and the COM text.
std::unique_ptr<JpegWriteJob> MakeWriteJob(const CInterleavedPicture& picture, int quality, const char* comment)
{
    auto job = std::make_unique<JpegWriteJob>();
    job->pixels = picture.samples;
    job->cols = picture.cols;
    job->rows = picture.rows;
    job->planes = picture.planes;
    job->quality = quality;
    job->resolution = picture.resolution;
    job->comment = comment;
    return job;
}

bool SegmentsFit(const std::vector<CMarkerSegment>* segments)
{
    if (segments != nullptr)
        for (const CMarkerSegment& segment : *segments)
            if (segment.payload.size() > std::size_t(kMaxApp1Payload) || segment.marker < JPEG_APP0 ||
                segment.marker > JPEG_COM)
                return false;
    return true;
}

bool PayloadFits(const std::uint8_t* payload, const int* payloadLength)
{
    return payloadLength == nullptr ||
           (*payloadLength >= 0 && *payloadLength <= kMaxApp1Payload && (*payloadLength == 0 || payload != nullptr));
}

} // namespace

int WriteJpegFile(const CImage& image, const std::filesystem::path& path, int quality, int subsampling,
                  const std::vector<CMarkerSegment>* segments)
{
    if (!IsWritable(image) || !SegmentsFit(segments))
        return kImageBadArgument;
    SampleBuffer pixels = Interleave(image);
    if (!pixels)
        return kImageOutOfMemory;
    return WriteJpegFile(ViewOf(image, pixels.get()), path, quality, subsampling, segments);
}

int WriteJpegFile(const CInterleavedPicture& picture, const std::filesystem::path& path, int quality,
                  int subsampling, const std::vector<CMarkerSegment>* segments)
{
    if (!IsWritable(picture) || !SegmentsFit(segments))
        return kImageBadArgument;
    auto job = MakeWriteJob(picture, quality, kPlainJpegComment);
    job->subsampling = subsampling;
    job->payloadLength = -1;
    job->segments = segments;
    return Encode(*job, path);
}

int WriteJpegFileWithCoding(const CImage& image, const std::filesystem::path& path, const CJpegCoding& source,
                            const std::filesystem::path& sourcePath, int quality, const std::uint8_t* payload,
                            const int* payloadLength, bool* usedFallback,
                            const std::vector<CMarkerSegment>* segments)
{
    if (usedFallback != nullptr)
        *usedFallback = false;
    if (!IsWritable(image) || !SegmentsFit(segments) || !PayloadFits(payload, payloadLength))
        return kImageBadArgument;
    SampleBuffer pixels = Interleave(image);
    if (!pixels)
        return kImageOutOfMemory;
    return WriteJpegFileWithCoding(ViewOf(image, pixels.get()), path, source, sourcePath, quality, payload,
                                   payloadLength, usedFallback, segments);
}

int WriteJpegFileWithCoding(const CInterleavedPicture& picture, const std::filesystem::path& path,
                            const CJpegCoding& source, const std::filesystem::path& sourcePath, int quality,
                            const std::uint8_t* payload, const int* payloadLength, bool* usedFallback,
                            const std::vector<CMarkerSegment>* segments)
{
    if (usedFallback != nullptr)
        *usedFallback = false;
    if (!IsWritable(picture) || !SegmentsFit(segments) || !PayloadFits(payload, payloadLength))
        return kImageBadArgument;
    // The source is never replaced, not even by a complete file.
    if (SameFile(path, sourcePath))
        return kImageCannotOpen;

    auto job = MakeWriteJob(picture, quality, kSourceJpegComment);
    job->payload = payload;
    job->payloadLength = payloadLength != nullptr ? *payloadLength : -1;
    job->segments = segments;
    if (ChooseColorSpace(source, picture.planes, *job)) {
        job->source = &source;
    } else {
        // CMYK, YCCK and other component counts cannot take an RGB buffer:
        // write with the plain writer's parameters and keep the APP1 segment.
        job->subsampling = SubsamplingCodeOf(source.hSampFactor[0], source.vSampFactor[0]);
        if (usedFallback != nullptr)
            *usedFallback = true;
    }
    return Encode(*job, path);
}

int WriteJpegFileWithSource(const CImage& image, const std::filesystem::path& path,
                            const std::filesystem::path& sourcePath, int quality, const std::uint8_t* payload,
                            const int* payloadLength, bool* usedFallback,
                            const std::vector<CMarkerSegment>* segments)
{
    if (usedFallback != nullptr)
        *usedFallback = false;
    // The arguments are checked by the writer it hands over to.
    JpegSourceParameters source;
    {
        const CInputFile file = OpenForReading(sourcePath);
        if (!file)
            return kImageCannotOpen;
        if (ReadJpegSourceParameters(file.get(), source) != 0)
            return kImageBadArgument;
    }
    return WriteJpegFileWithCoding(image, path, source, sourcePath, quality, payload, payloadLength, usedFallback,
                                   segments);
}

int CImage::WriteJPEG(const std::filesystem::path& path, int quality_, int subsampling_) const
{
    return WriteJpegFile(*this, path, quality_, subsampling_);
}

int CImage::WriteJPEGWithSource(const std::filesystem::path& path, const std::filesystem::path& sourcePath,
                                int quality_, const std::uint8_t* payload, const int* payloadLength) const
{
    return WriteJpegFileWithSource(*this, path, sourcePath, quality_, payload, payloadLength);
}
