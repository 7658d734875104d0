// Arbitrary bytes through the GIF info reader and reader.
#include "memory_readers.h"
#include "reader_fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const CByteSpan bytes(data, size);
    int cols = 0, rows = 0, planes = 0;
    ReadGifInfoBytes(bytes, cols, rows, planes);
    CImage image;
    CheckReadResult(image, ReadGifBytes(bytes, image));
    return 0;
}
