// Arbitrary bytes through the greymap and pixmap readers. The first byte
// picks the kind, so that one corpus reaches both headers.
#include "memory_readers.h"
#include "reader_fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const int planesWanted = (data[0] & 1) ? 3 : 1;
    const CByteSpan bytes(data + 1, size - 1);
    int cols = 0, rows = 0, planes = 0;
    ReadPnmInfoBytes(bytes, planesWanted, cols, rows, planes);
    CImage image;
    CheckReadResult(image, ReadPnmBytes(bytes, planesWanted, image));
    return 0;
}
