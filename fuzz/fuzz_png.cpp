// Arbitrary bytes through the Png info reader and, for pictures of a
// sensible size, the reader (from memory, as the file entry would read them).
#include "memory_readers.h"
#include "reader_fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const CByteSpan bytes(data, size);
    int cols = 0, rows = 0, planes = 0;
    if (ReadPngInfoBytes(bytes, cols, rows, planes) != kImageSuccess)
        return 0;
    if (static_cast<long long>(cols) * rows > kFuzzMaxPixels)
        return 0;
    CImage image;
    CheckReadResult(image, ReadPngBytes(bytes, image));
    return 0;
}
