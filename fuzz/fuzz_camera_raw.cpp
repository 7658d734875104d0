// Arbitrary bytes through the camera RAW info reader and, for pictures of a
// sensible size, the reader: the library is not ours, the glue around it is.
#include "image.h"
#include "memory_readers.h"
#include "reader_fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const CByteSpan bytes(data, size);
    int cols = 0, rows = 0, planes = 0;
    if (ReadCameraRawInfoBytes(bytes, cols, rows, planes) != kImageSuccess)
        return 0;
    if (static_cast<long long>(cols) * rows > kFuzzMaxPixels)
        return 0;
    CImage image;
    CheckReadResult(image, ReadCameraRawBytes(bytes, image));
    return 0;
}
