// Arbitrary bytes through the Tiff info reader and, for pictures of a
// sensible size, the reader (from memory, as the file entry would read them).
#include "memory_readers.h"
#include "reader_fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const CByteSpan bytes(data, size);
    int cols = 0, rows = 0, planes = 0;
    if (ReadTiffInfoBytes(bytes, cols, rows, planes) != kImageSuccess)
        return 0;
    if (static_cast<long long>(cols) * rows > kFuzzMaxPixels)
        return 0;
    CImage image;
    CheckReadResult(image, ReadTiffBytes(bytes, image));
    return 0;
}
