// The format dispatch and the source record: one read of a file's bytes,
// handed to the reader of its format and to the parsers of what lies beside
// the pixels.
#include "picture_reading.h"

#include "embedded_data.h"
#include "embedded_profile.h"
#include "file_bytes.h"
#include "file_type.h"
#include "image.h"
#include "jpeg_reader.h"
#include "memory_readers.h"
#include "png_chunks.h"
#include "read_problem.h"

#include <system_error>
#include <vector>

namespace {

// The most a JPEG marker segment carries: an EXIF block larger than this
// cannot travel into the output.
constexpr std::size_t kMaxSegmentPayload = 65533;

int ReadInfoBytes(std::span<const std::uint8_t> file, int type, int& cols, int& rows, int& planes, int* adobeFlag)
{
    switch (type) {
    case kFileTypeJpeg: return ReadJpegInfo(file.data(), file.size(), cols, rows, planes, adobeFlag);
    case kFileTypeBitmap: return ReadBitmapInfoBytes(file, cols, rows, planes);
    case kFileTypeTiff: return ReadTiffInfoBytes(file, cols, rows, planes);
    case kFileTypePng: return ReadPngInfoBytes(file, cols, rows, planes);
    case kFileTypeGif: return ReadGifInfoBytes(file, cols, rows, planes);
    case kFileTypePhotoshop: return ReadPhotoshopInfoBytes(file, cols, rows, planes);
    case kFileTypeGreymap: return ReadPnmInfoBytes(file, 1, cols, rows, planes);
    case kFileTypePixmap: return ReadPnmInfoBytes(file, 3, cols, rows, planes);
    case kFileTypeHeif: return ReadHeifInfoBytes(file, cols, rows, planes);
    case kFileTypeWebp: return ReadWebpInfoBytes(file, cols, rows, planes);
    case kFileTypeCameraRaw: return ReadCameraRawInfoBytes(file, cols, rows, planes);
    default: return kImageCannotOpen;  // raw scanner data and unknown files: 0 x 0 x 0
    }
}

int ReadInfo(const std::filesystem::path& path, int& cols, int& rows, int& planes, int* adobeFlag)
{
    cols = rows = planes = 0;
    std::vector<std::uint8_t> file;
    if (ReadFileBytes(path, file) != kImageSuccess)
        return kFileTypeUnknown;
    const int type = DetectFileTypeOfFile(file);
    // A reader that failed part-way must not leave half a size behind.
    if (ReadInfoBytes(file, type, cols, rows, planes, adobeFlag) != kImageSuccess)
        cols = rows = planes = 0;
    return type;
}

// The first bytes of a file no reader takes, where they name a format the
// user may expect to work.
std::string UnreadVariantOf(std::span<const std::uint8_t> file)
{
    if (file.size() < 2 || file[0] != 'P')
        return {};
    switch (file[1]) {
    case '1': case '4': return "1-bit PBM";
    case '2': case '3': return "plain-text greymap/pixmap";
    case '7': return "PAM";
    default: return {};
    }
}

// Why a file gave no picture when its reader gave only its code: what the
// bytes and that code can tell.
CReadNote DiagnoseFailure(std::span<const std::uint8_t> file, int type, int result)
{
    if (file.empty())
        return {EReadProblem::Empty, {}};  // a copy that never got its data: no format to name
    if (type == kFileTypeUnknown) {
        std::string variant = UnreadVariantOf(file);
        return {variant.empty() ? EReadProblem::UnknownFormat : EReadProblem::Unsupported, std::move(variant)};
    }
    if (type == kFileTypeRaw)
        return {EReadProblem::Unsupported, "raw scanner data"};
    return {result == kImageOutOfMemory ? EReadProblem::OutOfMemory : EReadProblem::Damaged, {}};
}

// The reason of a failed read: the reader's own note, else the diagnosis.
std::string FailureReason(std::span<const std::uint8_t> file, int type, int result)
{
    CReadNote note = TakeReadProblem();
    if (note.kind == EReadProblem::None)
        note = DiagnoseFailure(file, type, result);
    return DescribeReadProblem(note);
}

// What HEIF/AVIF and WebP carry beside their pixels, into the record.
void TakeEmbedded(CEmbeddedData data, CSourcePicture& source)
{
    source.iccProfile = std::move(data.iccProfile);
    source.nclxPrimaries = data.nclxPrimaries;
    source.nclxTransfer = data.nclxTransfer;
    source.exifBlock = std::move(data.exifBlock);
    source.xmpPacket = std::move(data.xmpPacket);
    source.orientationApplied = data.orientationApplied;
}

// Everything beside the pixels of a picture that was read.
void ReadBesidePixels(std::span<const std::uint8_t> file, CSourcePicture& source)
{
    switch (source.fileType) {
    case kFileTypePng: {
        // One walk over the chunks for the profile and the EXIF block.
        const CPngChunks chunks = FindPngChunks(file);
        source.iccProfile = InflatePngProfile(chunks.iccp);
        if (chunks.exif.complete && chunks.exif.length + std::size_t{6} <= kMaxSegmentPayload) {
            source.exifBlock.assign(chunks.exif.data.begin(), chunks.exif.data.end());
            source.pngExifChunk = true;
        }
        return;
    }
    case kFileTypeJpeg:
    case kFileTypeTiff:
    case kFileTypePhotoshop: source.iccProfile = ReadEmbeddedProfile(file, source.fileType); break;
    default: break;
    }
    switch (source.fileType) {
    case kFileTypeTiff: source.tiffPhotometric = ReadTiffPhotometric(file); break;
    case kFileTypePhotoshop: source.photoshopMode = ReadPhotoshopMode(file); break;
    case kFileTypeCameraRaw: source.orientationApplied = true; break;  // LibRaw has turned it
    case kFileTypeWebp: {
        CEmbeddedData data;
        if (ReadWebpEmbeddedBytes(file, data))
            TakeEmbedded(std::move(data), source);
        break;
    }
    default: break;
    }
}

} // namespace

const char* DescribeImageResult(EImageResult result)
{
    switch (result) {
    case EImageResult::Success: return "done";
    case EImageResult::BadData: return "bad data";
    case EImageResult::CannotOpen: return "cannot be opened";
    case EImageResult::OutOfMemory: return "not enough memory";
    }
    return "bad data";
}

int ReadPictureBytes(std::span<const std::uint8_t> file, int fileType, CImage& image)
{
    image = CImage();
    if (fileType == kFileTypeUnknown)
        fileType = DetectFileTypeOfFile(file);
    switch (fileType) {
    case kFileTypeJpeg: return ReadJpegFile(file.data(), file.size(), image);
    case kFileTypeBitmap: return ReadBitmapBytes(file, image);
    case kFileTypeTiff: return ReadTiffBytes(file, image);
    case kFileTypePng: return ReadPngBytes(file, image);
    case kFileTypeGif: return ReadGifBytes(file, image);
    case kFileTypePhotoshop: return ReadPhotoshopBytes(file, image);
    case kFileTypeGreymap: return ReadPnmBytes(file, 1, image);
    case kFileTypePixmap: return ReadPnmBytes(file, 3, image);
    case kFileTypeHeif: return ReadHeifBytes(file, image);
    case kFileTypeWebp: return ReadWebpBytes(file, image);
    case kFileTypeCameraRaw: return ReadCameraRawBytes(file, image);
    default: return kImageCannotOpen;  // raw scanner data is recognised but never read
    }
}

CSourcePicture ReadSourcePicture(std::span<const std::uint8_t> file)
{
    CSourcePicture source;
    source.fileType = DetectFileTypeOfFile(file);
    TakeReadProblem();
    int result = kImageCannotOpen;
    if (source.fileType == kFileTypeJpeg) {
        // The decoder's header gives the coding and the Adobe marker too.
        result = ReadJpegBytes(file, source.image, source.jpegCoding, source.adobeMarker);
        source.hasJpegCoding = result == kImageSuccess;
    } else if (source.fileType == kFileTypeHeif) {
        CEmbeddedData data;
        result = ReadHeifSourceBytes(file, source.image, data);
        if (result == kImageSuccess)
            TakeEmbedded(std::move(data), source);
    } else {
        result = ReadPictureBytes(file, source.fileType, source.image);
    }
    if (!source.HasPixels()) {
        source.reason = FailureReason(file, source.fileType, result);
        source.result = result == kImageSuccess ? EImageResult::BadData : ToImageResult(result);
        return source;
    }
    source.result = ToImageResult(result);
    ReadBesidePixels(file, source);
    return source;
}

CSourcePicture ReadSourceFacts(std::span<const std::uint8_t> file)
{
    CSourcePicture source;
    source.fileType = DetectFileTypeOfFile(file);
    source.result = EImageResult::Success;
    if (source.fileType == kFileTypeJpeg) {
        source.hasJpegCoding = ReadJpegHeaderBytes(file, source.jpegCoding, source.adobeMarker) == kImageSuccess;
    } else if (source.fileType == kFileTypeHeif) {
        CEmbeddedData data;
        if (ReadHeifEmbeddedBytes(file, data))
            TakeEmbedded(std::move(data), source);
    }
    ReadBesidePixels(file, source);
    TakeReadProblem();  // a header read notes nothing anyone asked for
    return source;
}

std::string DescribeUnloadableFile(const std::filesystem::path& path, int loaded)
{
    if (loaded == kImageOutOfMemory)
        return DescribeReadProblem({EReadProblem::OutOfMemory, {}});
    // Opened but not read (a folder): nothing in it names a format.
    if (OpenForReading(path))
        return DescribeReadProblem({EReadProblem::UnknownFormat, {}});
    return DescribeReadProblem({EReadProblem::CannotOpen, {}});
}

int ReadPictureFile(const std::filesystem::path& path, CImage& image, std::string& reason)
{
    reason.clear();
    image = CImage();
    std::vector<std::uint8_t> file;
    if (const int loaded = ReadFileBytes(path, file); loaded != kImageSuccess) {
        reason = DescribeUnloadableFile(path, loaded);
        return loaded;
    }
    TakeReadProblem();
    const int type = DetectFileTypeOfFile(file);
    const int result = ReadPictureBytes(file, type, image);
    if (image.planes != 0)
        return result;
    reason = FailureReason(file, type, result);
    return result == kImageSuccess ? kImageBadArgument : result;
}

int GetImageInfo(const std::filesystem::path& path, int& cols, int& rows, int& planes)
{
    return ReadInfo(path, cols, rows, planes, nullptr);
}

int GetImageInfo(const std::filesystem::path& path, int& cols, int& rows, int& planes, int& adobeFlag)
{
    return ReadInfo(path, cols, rows, planes, &adobeFlag);
}

int CImage::ReadFile(const std::filesystem::path& path, int fileType)
{
    *this = CImage();
    TakeReadProblem();
    std::vector<std::uint8_t> file;
    if (const int loaded = ReadFileBytes(path, file); loaded != kImageSuccess)
        return loaded;
    return ReadPictureBytes(file, fileType, *this);
}

bool ReadEmbeddedData(const std::filesystem::path& path, CEmbeddedData& data)
{
    data = CEmbeddedData{};
    std::vector<std::uint8_t> file;
    if (ReadFileBytes(path, file) != kImageSuccess)
        return false;
    const int type = DetectFileTypeOfFile(file);
    if (type == kFileTypeCameraRaw) {
        data.orientationApplied = true;
        return true;
    }
    if (type == kFileTypeHeif)
        return ReadHeifEmbeddedBytes(file, data);
    if (type == kFileTypeWebp)
        return ReadWebpEmbeddedBytes(file, data);
    return false;
}
