// Arbitrary bytes through the bitmap info reader and reader.
#include "memory_readers.h"
#include "reader_fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const CByteSpan bytes(data, size);
    int cols = 0, rows = 0, planes = 0;
    // Bilevel rows hold eight pixels a byte, so the size check lets a small
    // input describe millions of pixels; those only slow the fuzzer down.
    if (ReadBitmapInfoBytes(bytes, cols, rows, planes) == kImageSuccess &&
        static_cast<long long>(cols) * rows > kFuzzMaxPixels)
        return 0;
    CImage image;
    CheckReadResult(image, ReadBitmapBytes(bytes, image));
    return 0;
}
