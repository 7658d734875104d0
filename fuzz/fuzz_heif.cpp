// Arbitrary bytes through the HEIF/AVIF info reader and, for pictures of a
// sensible size, the reader, then what the file carries beside its pixels
// (EXIF, XMP, an ICC profile or colour code points) and the conversion to
// sRGB it leads to: the library is not ours, the glue around it is.
#include "color_profile.h"
#include "embedded_data.h"
#include "image.h"
#include "memory_readers.h"
#include "reader_fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const CByteSpan bytes(data, size);
    int cols = 0, rows = 0, planes = 0;
    if (ReadHeifInfoBytes(bytes, cols, rows, planes) != kImageSuccess)
        return 0;
    CEmbeddedData embedded;
    if (ReadHeifEmbeddedBytes(bytes, embedded))
        RequireFuzz(embedded.orientationApplied);
    if (static_cast<long long>(cols) * rows > kFuzzMaxPixels)
        return 0;
    CImage image;
    const int result = ReadHeifBytes(bytes, image);
    CheckReadResult(image, result);
    if (result != kImageSuccess)
        return 0;
    const std::vector<std::uint8_t> profile = embedded.iccProfile.empty()
                                                  ? MakeCodePointProfile(embedded.nclxPrimaries, embedded.nclxTransfer)
                                                  : embedded.iccProfile;
    if (!profile.empty() && ProfileColorChannels(profile) == 3 && ConvertToSrgb(image, profile, false) == kImageSuccess)
        CheckReadResult(image, kImageSuccess);
    return 0;
}
