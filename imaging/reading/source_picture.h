#pragma once
// One source picture as everything downstream needs it, read from the
// file's bytes in one go: the pixels, what the file is, and what it carries
// beside its pixels (colour profile, orientation, metadata blocks, the facts
// that say what its planes mean, a JPEG's coding). Once the record is made
// the file's bytes are let go: nothing later goes back to the file.

#include "image.h"

#include <cstdint>
#include <string>
#include <vector>

// The result codes of the image library as one type. The int codes
// (kImage*) stay for the entries that have always returned them; new entries
// return this.
enum class EImageResult {
    Success = kImageSuccess,
    BadData = kImageBadArgument,       // bad data in a file, or a bad argument
    CannotOpen = kImageCannotOpen,     // cannot be opened or read, or a format not handled
    OutOfMemory = kImageOutOfMemory,
};

inline EImageResult ToImageResult(int code)
{
    switch (code) {
    case kImageSuccess: return EImageResult::Success;
    case kImageCannotOpen: return EImageResult::CannotOpen;
    case kImageOutOfMemory: return EImageResult::OutOfMemory;
    default: return EImageResult::BadData;
    }
}
inline int ToImageCode(EImageResult result)
{
    return static_cast<int>(result);
}
// A short phrase for a result: "bad data", "cannot be opened", ...
const char* DescribeImageResult(EImageResult result);

// libjpeg's MAX_COMPONENTS: a JPEG has at most this many components.
inline constexpr int kMaxJpegComponents = 10;

// The coding parameters of a source JPEG that the writer with source
// follows, from the header the decoder read.
struct CJpegCoding {
    int numComponents = 0;
    int componentId[kMaxJpegComponents] = {};
    int hSampFactor[kMaxJpegComponents] = {};
    int vSampFactor[kMaxJpegComponents] = {};
    bool sawJfif = false;
    std::uint8_t jfifMajor = 1;
    std::uint8_t jfifMinor = 1;
    std::uint8_t densityUnit = 0;
    std::uint16_t xDensity = 1;
    std::uint16_t yDensity = 1;
    bool sawAdobe = false;
    int adobeTransform = 0;
    int dataPrecision = 8;
};

// The metadata of a source as a JPEG carries it, ready for the output:
// APP1 and APP13 payloads. The metadata layer fills these (and the
// orientation) from the same bytes the pixels came from.
struct CSourceMetadata {
    std::vector<std::uint8_t> exif;  // "Exif" and two NUL bytes, then the TIFF data; empty when none
    std::vector<std::uint8_t> xmp;   // XMP namespace name, NUL, packet; empty when none
    std::vector<std::uint8_t> iptc;  // "Photoshop 3.0", NUL, resources; empty when none
    bool lendsJpegSegments = false;  // a JPEG by name and content: its segments and coding go over
    bool hadThumbnail = false;       // the source's EXIF data held a thumbnail (not carried)
};

struct CSourcePicture {
    std::string path;  // where it was read from; empty for bytes given directly
    int fileType = 0;  // kFileType* of the content

    // --- The pixels, or why there are none ------------------------------------
    CImage image;  // no planes when the read failed; `damage` says what was recovered
    EImageResult result = EImageResult::CannotOpen;
    std::string reason;  // the short phrase of a failed read ("damaged file", ...)

    // --- Colour -----------------------------------------------------------------
    std::vector<std::uint8_t> iccProfile;  // embedded profile; empty when none or unusable
    // A HEIF/AVIF colour description by code points; 0 when none.
    int nclxPrimaries = 0;
    int nclxTransfer = 0;

    // --- Turning upright ---------------------------------------------------------
    int orientation = 0;              // EXIF Orientation 1 to 8 still to apply; 0 none
    bool orientationApplied = false;  // the decoder has turned the picture already

    // --- What the planes mean ------------------------------------------------------
    bool adobeMarker = false;  // a JPEG with an Adobe APP14 marker (inverted CMYK)
    int tiffPhotometric = -1;  // PhotometricInterpretation of a TIFF's first directory; -1 none
    int photoshopMode = -1;    // colour mode of a Photoshop document (4 CMYK); -1 none

    // --- A JPEG source's coding, for the writer that follows it ----------------------
    bool hasJpegCoding = false;
    CJpegCoding jpegCoding;

    // --- Blocks that formats without JPEG segments carry -------------------------------
    // (HEIF/AVIF, WebP, a PNG's eXIf chunk): the EXIF TIFF data (from its
    // header), the XMP packet. The metadata layer makes them payloads.
    std::vector<std::uint8_t> exifBlock;
    std::vector<std::uint8_t> xmpPacket;
    bool pngExifChunk = false;  // a PNG's eXIf chunk small enough to carry (exifBlock, even when empty)

    CSourceMetadata metadata;

    bool HasPixels() const { return image.planes != 0; }
};
