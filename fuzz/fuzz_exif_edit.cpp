// Feeds arbitrary bytes to the edits an EXIF block (and an XMP or IPTC
// payload) gets on its way into a
// framed output, as a block and as the segments of a source file. Besides
// staying in bounds, an edited block never grows past the segment limit and
// keeps its length unless it got a new thumbnail.
#include "exif_block_edit.h"
#include "jpeg_metadata.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

namespace {
void Require(bool condition)
{
    if (!condition)
        std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::span<const std::uint8_t> input(data, size);
    const CJpegMetadata segments = ReadJpegMetadata(input);
    Require(segments.exif.size() <= size && segments.xmp.size() <= size && segments.iptc.size() <= size);

    // The input as a block, behind the EXIF header and as it is.
    for (int asIs = 0; asIs < 2; ++asIs) {
        static constexpr std::uint8_t kHeader[] = {'E', 'x', 'i', 'f', 0, 0};
        // Sized first: GCC 12 misreads inserts into a small vector as overreads.
        std::vector<std::uint8_t> block(size + (asIs == 0 ? sizeof kHeader : 0));
        if (asIs == 0)
            std::copy(kHeader, kHeader + sizeof kHeader, block.begin());
        if (size > 0)
            std::copy(input.begin(), input.end(), block.end() - long(size));
        const int orientation = ReadExifOrientation(block);
        Require(orientation >= 0 && orientation <= 8);
        HasExifThumbnail(block);
        const std::size_t before = block.size();
        const std::vector<std::uint8_t> unedited = block;
        // A block that cannot take the output's values is left as it was.
        Require(SetExifOutputValues(block, 1920, 1080) || block == unedited);
        Require(block.size() == before);
        const std::uint8_t thumbnail[] = {0xFF, 0xD8, 1, 2, 3, 4, 0xFF, 0xD9};
        const std::size_t limit = 65533;
        ReplaceExifThumbnail(block, thumbnail, limit, size % 2 == 0);
        Require(block.size() <= std::max(before, limit));
        ReplaceExifThumbnail(block, {}, limit);
    }
    {
        std::vector<std::uint8_t> xmp(input.begin(), input.end());
        SetXmpOrientationToNormal(xmp);
        Require(xmp.size() == size);
        std::vector<std::uint8_t> iptc(kIptcSignatureSize + size);
        std::copy(kIptcSignature, kIptcSignature + kIptcSignatureSize, iptc.begin());
        if (size > 0)
            std::copy(input.begin(), input.end(), iptc.end() - long(size));
        const std::size_t before = iptc.size();
        RemovePhotoshopThumbnails(iptc);
        Require(iptc.size() <= before);
    }
    return 0;
}
