#include "source_metadata.h"

#include "color_profile.h"
#include "embedded_data.h"
#include "exif_block_edit.h"
#include "exif_block_reader.h"
#include "file_type.h"
#include "foreign_metadata.h"
#include "image.h"
#include "jpeg_metadata.h"
#include "jpeg_thumbnail.h"
#include "orientation.h"
#include "output_path.h"

#include <filesystem>

namespace {

constexpr int kApp1 = 0xE1;
constexpr int kApp13 = 0xED;

// The EXIF payload of the source, tidied as the EXIF reader tidies it;
// untouched when its values are not apart, where tidying one would change
// another.
std::vector<std::uint8_t> TidyExif(std::vector<std::uint8_t> payload)
{
    if (payload.empty() || payload.size() + 2 > ExifBlockReader::kLargestSegment || !ExifPartsApart(payload))
        return payload;
    std::vector<std::uint8_t> block(payload.size() + 2);
    block[0] = std::uint8_t((payload.size() + 2) >> 8);
    block[1] = std::uint8_t(payload.size() + 2);
    std::copy(payload.begin(), payload.end(), block.begin() + 2);
    ExifBlockReader reader;
    reader.ParseExifBlock(block.data(), block.size());
    return std::vector<std::uint8_t>(block.begin() + 2, block.end());
}

// The EXIF payload with the output's values and thumbnail; false when the
// block cannot say them without changing another of its values.
bool FitExifToOutput(std::vector<std::uint8_t>& exif, const CImage& output, bool addThumbnail)
{
    if (!SetExifOutputValues(exif, output.cols, output.rows))
        return false;
    std::vector<std::uint8_t> thumbnail;
    if ((HasExifThumbnail(exif) || addThumbnail) && ExifPartsApart(exif))
        thumbnail = MakeJpegThumbnail(output);
    ReplaceExifThumbnail(exif, thumbnail, std::size_t(kMaxApp1Payload), addThumbnail);
    return true;
}

// Formats whose metadata Exiv2 reads for us. A camera RAW file's EXIF sits
// in a TIFF structure Exiv2 opens like a TIFF's.
bool HasForeignMetadata(int fileType)
{
    return fileType == kFileTypeTiff || fileType == kFileTypePng || fileType == kFileTypePhotoshop ||
           fileType == kFileTypeCameraRaw;
}

// What a HEIF/AVIF or WebP file carries beside its pixels; nothing for the
// other formats, whose data is read elsewhere (a camera RAW file has no
// profile to give and is already upright).
CEmbeddedData ReadNewFormatData(const std::filesystem::path& path, int fileType)
{
    CEmbeddedData data;
    if (fileType == kFileTypeHeif || fileType == kFileTypeWebp) {
        if (!ReadEmbeddedData(path, data))
            return {};
    }
    return data;
}

// A payload of one APP1 segment: the signature and the data, or nothing
// when the two do not fit in one.
std::vector<std::uint8_t> App1Payload(const char* signature, std::size_t size, const std::vector<std::uint8_t>& data)
{
    if (data.empty() || size + data.size() > std::size_t(kMaxApp1Payload))
        return {};
    std::vector<std::uint8_t> payload(signature, signature + size);
    payload.insert(payload.end(), data.begin(), data.end());
    return payload;
}

std::vector<std::uint8_t> ExifPayload(const std::vector<std::uint8_t>& tiffBlock)
{
    return App1Payload("Exif\0\0", 6, tiffBlock);
}

} // namespace

int ReadSourceOrientation(const std::string& sourcePath)
{
    const std::filesystem::path path(sourcePath);
    const int fileType = DetectFileType(path);
    if (fileType == kFileTypeJpeg)
        return ReadExifOrientation(ReadJpegMetadata(path).exif);
    if (fileType == kFileTypeCameraRaw)
        return 0;  // LibRaw has turned the picture already
    if (HasForeignMetadata(fileType))
        return ReadForeignMetadata(path).orientation;
    // A HEIF decoder applies the file's own rotation and mirroring; a WebP
    // decoder leaves the EXIF Orientation to us, as a JPEG's is.
    const CEmbeddedData data = ReadNewFormatData(path, fileType);
    if (data.orientationApplied)
        return 0;
    return ReadExifOrientation(ExifPayload(data.exifBlock));
}

bool MakePictureRight(CImage& image, const std::string& sourcePath, EPlaneModel model)
{
    // A profile that cannot be used leaves the picture as it was read. A
    // HEIF colour description by code points ("nclx") stands for the profile
    // it describes; one that describes sRGB or BT.709 leaves the picture
    // alone, as does none at all. Inks have no colour without some press,
    // so CMYK without a usable profile goes through the default one.
    const std::filesystem::path path(sourcePath);
    std::vector<std::uint8_t> profile = ReadEmbeddedProfile(path);
    if (profile.empty()) {
        CEmbeddedData data = ReadNewFormatData(path, DetectFileType(path));
        profile = data.iccProfile.empty() ? MakeCodePointProfile(data.nclxPrimaries, data.nclxTransfer)
                                          : std::move(data.iccProfile);
    }
    const bool inks = model == EPlaneModel::Cmyk || model == EPlaneModel::CmykInverted;
    const bool inverted = model == EPlaneModel::CmykInverted;
    int converted = kImageBadArgument;
    if (!profile.empty() && inks == (ProfileColorChannels(profile) == 4))
        converted = ConvertToSrgb(image, profile, inverted);
    if (inks && converted == kImageBadArgument)
        converted = ConvertToSrgb(image, DefaultCmykProfile(), inverted);
    if (converted == kImageOutOfMemory)
        return false;
    const int orientation = ReadSourceOrientation(sourcePath);
    return ApplyOrientation(image, orientation) != kImageOutOfMemory;
}

COutputMetadata GatherOutputMetadata(const std::string& sourcePath, const CImage& output)
{
    COutputMetadata gathered;
    const std::filesystem::path path(sourcePath);
    const std::string extension = SplitSourceName(sourcePath).extension;
    const int fileType = DetectFileType(path);
    CJpegMetadata source;
    bool addThumbnail = false;
    // Only a JPEG by name and content lends its segments (and its coding).
    if ((extension == ".jpg" || extension == ".jpeg") && fileType == kFileTypeJpeg) {
        source = ReadJpegMetadata(path);
        gathered.fromJpeg = true;
    } else if (HasForeignMetadata(fileType)) {
        CForeignMetadata foreign = ReadForeignMetadata(path);
        source = std::move(foreign.segments);
        addThumbnail = foreign.hadThumbnail;
    } else if (fileType == kFileTypeHeif || fileType == kFileTypeWebp) {
        const CEmbeddedData data = ReadNewFormatData(path, fileType);
        source.exif = ExifPayload(data.exifBlock);
        source.xmp = App1Payload(kXmpSignature, kXmpSignatureSize, data.xmpPacket);
    }
    if (!source.exif.empty()) {
        std::vector<std::uint8_t> exif = TidyExif(std::move(source.exif));
        if (FitExifToOutput(exif, output, addThumbnail))
            gathered.segments.push_back({kApp1, std::move(exif)});
    }
    if (!source.xmp.empty()) {
        SetXmpOrientationToNormal(source.xmp);
        gathered.segments.push_back({kApp1, std::move(source.xmp)});
    }
    if (!source.iptc.empty()) {
        RemovePhotoshopThumbnails(source.iptc);
        gathered.segments.push_back({kApp13, std::move(source.iptc)});
    }
    return gathered;
}
