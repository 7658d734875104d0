// Arbitrary bytes through the PNG info reader and, for pictures of a
// sensible size, the reader (from memory, as the file entry would read them).
// Chunk checksums are repaired first: otherwise libpng rejects almost every
// mutation at its first chunk and the decoder behind it is never reached.
#include "memory_readers.h"
#include "reader_fuzz_support.h"

#include <vector>
#include <zlib.h>

namespace {
void RepairChunkChecksums(std::vector<std::uint8_t>& bytes)
{
    std::size_t at = 8;  // after the signature
    while (at + 12 <= bytes.size()) {
        const std::uint32_t length = (std::uint32_t{bytes[at]} << 24) | (std::uint32_t{bytes[at + 1]} << 16) |
                                     (std::uint32_t{bytes[at + 2]} << 8) | bytes[at + 3];
        if (length > bytes.size() - at - 12)
            return;
        const uLong crc = crc32(0L, bytes.data() + at + 4, static_cast<uInt>(length + 4));
        std::uint8_t* out = bytes.data() + at + 8 + length;
        out[0] = static_cast<std::uint8_t>(crc >> 24);
        out[1] = static_cast<std::uint8_t>(crc >> 16);
        out[2] = static_cast<std::uint8_t>(crc >> 8);
        out[3] = static_cast<std::uint8_t>(crc);
        at += 12 + length;
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::uint8_t> input(data, data + size);
    RepairChunkChecksums(input);
    const CByteSpan bytes(input);
    int cols = 0, rows = 0, planes = 0;
    if (ReadPngInfoBytes(bytes, cols, rows, planes) != kImageSuccess)
        return 0;
    if (static_cast<long long>(cols) * rows > kFuzzMaxPixels)
        return 0;
    CImage image;
    CheckReadResult(image, ReadPngBytes(bytes, image));
    return 0;
}
