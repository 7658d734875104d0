// Fuzz target for the JPEG header info, the reader and the source-parameter
// read of the writer with source. Any input must end in a result code:
// no crash, no out-of-bounds access, no leak, no runaway allocation.
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "jpeg_reader.h"
#include "jpeg_source.h"
#include "reader_fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    int cols = 0, rows = 0, planes = 0, adobe = 0;
    const int info = ReadJpegInfo(data, size, cols, rows, planes, &adobe);

    // A few bytes may claim a picture of up to the pixel limit, which the
    // reader then completes with filler: correct, but too slow to fuzz.
    if (info == kImageSuccess && static_cast<long long>(cols) * rows > kFuzzMaxPixels)
        return 0;
    CImage image;
    const int read = ReadJpegFile(data, size, image);
    CheckReadResult(image, read);
    // The reader and the info call agree.
    if (read == kImageSuccess)
        RequireFuzz(info == kImageSuccess && image.cols == cols && image.rows == rows && image.planes == planes);

    if (size > 0) {
        std::FILE* file = ::fmemopen(const_cast<uint8_t*>(data), size, "rb");
        if (file != nullptr) {
            JpegSourceParameters parameters;
            ReadJpegSourceParameters(file, parameters);
            std::fclose(file);
        }
    }
    return 0;
}
