#include "source_metadata.h"

#include "exif_block_edit.h"
#include "exif_block_reader.h"
#include "file_type.h"
#include "foreign_metadata.h"
#include "image.h"
#include "jpeg_metadata.h"
#include "jpeg_thumbnail.h"
#include "output_path.h"
#include "source_reading.h"

#include <algorithm>

namespace {

constexpr int kApp1 = 0xE1;
constexpr int kApp13 = 0xED;

// Metadata lives before a JPEG's image data; 1 MiB covers any run of
// segments that could precede it many times over.
constexpr std::size_t kJpegMetadataReach = std::size_t{1} << 20;

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
bool FitExifToOutput(std::vector<std::uint8_t>& exif, const CInterleavedPicture& output, bool addThumbnail)
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

void AddSourceMetadata(CSourcePicture& source, std::span<const std::uint8_t> file)
{
    CSourceMetadata& metadata = source.metadata;
    metadata = CSourceMetadata{};
    source.orientation = 0;
    if (source.fileType == kFileTypeJpeg) {
        CJpegMetadata segments = ReadJpegMetadata(file.first(std::min(file.size(), kJpegMetadataReach)));
        source.orientation = ReadExifOrientation(segments.exif);
        // Only a JPEG by name and content lends its segments (and its coding).
        const std::string extension = SplitSourceName(source.path).extension;
        if (extension == ".jpg" || extension == ".jpeg") {
            metadata.lendsJpegSegments = true;
            metadata.exif = std::move(segments.exif);
            metadata.xmp = std::move(segments.xmp);
            metadata.iptc = std::move(segments.iptc);
        }
    } else if (HasForeignMetadata(source.fileType)) {
        CForeignMetadata foreign = ReadForeignMetadata(file, source.pngExifChunk ? &source.exifBlock : nullptr);
        // LibRaw has turned a camera RAW picture already.
        source.orientation = source.fileType == kFileTypeCameraRaw ? 0 : foreign.orientation;
        metadata.exif = std::move(foreign.segments.exif);
        metadata.xmp = std::move(foreign.segments.xmp);
        metadata.iptc = std::move(foreign.segments.iptc);
        metadata.hadThumbnail = foreign.hadThumbnail;
    } else if (source.fileType == kFileTypeHeif || source.fileType == kFileTypeWebp) {
        // A HEIF decoder applies the file's own rotation and mirroring; a
        // WebP decoder leaves the EXIF Orientation to us, as a JPEG's is.
        metadata.exif = ExifPayload(source.exifBlock);
        metadata.xmp = App1Payload(kXmpSignature, kXmpSignatureSize, source.xmpPacket);
        if (!source.orientationApplied)
            source.orientation = ReadExifOrientation(metadata.exif);
    }
}

int ReadSourceOrientation(const std::string& sourcePath)
{
    return ReadSourceFactsFile(sourcePath).orientation;
}

COutputMetadata GatherOutputMetadata(const CSourcePicture& source, const CInterleavedPicture& output)
{
    COutputMetadata gathered;
    const CSourceMetadata& metadata = source.metadata;
    gathered.fromJpeg = metadata.lendsJpegSegments;
    if (!metadata.exif.empty()) {
        std::vector<std::uint8_t> exif = TidyExif(metadata.exif);
        if (FitExifToOutput(exif, output, metadata.hadThumbnail))
            gathered.segments.push_back({kApp1, std::move(exif)});
    }
    if (!metadata.xmp.empty()) {
        std::vector<std::uint8_t> xmp = metadata.xmp;
        SetXmpOrientationToNormal(xmp);
        gathered.segments.push_back({kApp1, std::move(xmp)});
    }
    if (!metadata.iptc.empty()) {
        std::vector<std::uint8_t> iptc = metadata.iptc;
        RemovePhotoshopThumbnails(iptc);
        gathered.segments.push_back({kApp13, std::move(iptc)});
    }
    return gathered;
}
