#include "source_reading.h"

#include "color_profile.h"
#include "file_bytes.h"
#include "file_type.h"
#include "format_readers.h"
#include "orientation.h"
#include "rgb_target.h"
#include "jpeg_reader.h"
#include "picture_reading.h"
#include "png_chunks.h"
#include "read_problem.h"
#include "source_metadata.h"

#include <cstdio>
#include <cstring>
#include <vector>


namespace {

template <typename Read>
CSourcePicture ReadWith(const std::string& sourcePath, Read read)
{
    std::vector<std::uint8_t> file;
    if (const int loaded = ReadFileBytes(sourcePath, file); loaded != kImageSuccess) {
        CSourcePicture failed;
        failed.path = sourcePath;
        failed.result = ToImageResult(loaded);
        failed.reason = DescribeUnloadableFile(sourcePath, loaded);
        return failed;
    }
    CSourcePicture source = read(file);
    source.path = sourcePath;
    if (source.result == EImageResult::Success)
        AddSourceMetadata(source, file);
    return source;  // the file's bytes go here
}

} // namespace

CSourcePicture ReadSource(const std::string& sourcePath)
{
    return ReadWith(sourcePath, [](std::span<const std::uint8_t> file) { return ReadSourcePicture(file); });
}

CSourcePicture ReadSourceFactsFile(const std::string& sourcePath)
{
    return ReadWith(sourcePath, [](std::span<const std::uint8_t> file) { return ReadSourceFacts(file); });
}

namespace {

// A PNG without a colour profile or a turn of its own, read from its file
// as it decodes: what lies beside its pixels is read from its chunks without
// the image data, and let go before the samples are made.
bool ReadPngInterleaved(const std::string& sourcePath, const std::function<std::uint8_t*(std::size_t)>& take,
                        CSourcePicture& source)
{
    CSourcePicture facts;
    {
        std::vector<std::uint8_t> besidePixels;
        if (!ReadPngWithoutImageData(sourcePath, besidePixels))
            return false;
        facts = ReadSourceFacts(besidePixels);
        facts.path = sourcePath;
        AddSourceMetadata(facts, besidePixels);
    }
    if (!facts.iccProfile.empty() || (IsValidOrientation(facts.orientation) && facts.orientation != 1))
        return false;
    TakeReadProblem();
    if (ReadPngRgbFile(sourcePath, facts.image, CRgbTarget{take, 1, 0, {}}) != kImageSuccess) {
        TakeReadProblem();
        return false;
    }
    source = std::move(facts);
    return true;
}

} // namespace

bool ReadSourceInterleaved(const std::string& sourcePath, const std::function<std::uint8_t*(std::size_t)>& take,
                           CSourcePicture& source)
{
    // A PNG, known by its signature, is never read whole.
    static constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::uint8_t head[sizeof kPngSignature] = {};
    if (std::FILE* file = std::fopen(sourcePath.c_str(), "rb")) {
        const std::size_t got = std::fread(head, 1, sizeof head, file);
        std::fclose(file);
        if (got == sizeof head && std::memcmp(head, kPngSignature, sizeof head) == 0)
            return ReadPngInterleaved(sourcePath, take, source);
    }
    std::vector<std::uint8_t> file;
    if (ReadFileBytes(sourcePath, file) != kImageSuccess || DetectFileTypeOfFile(file) != kFileTypeJpeg)
        return false;
    CSourcePicture facts = ReadSourceFacts(file);
    if (!facts.hasJpegCoding)
        return false;
    facts.path = sourcePath;
    AddSourceMetadata(facts, file);
    // Which profiles change the picture, as the plane conversion decides: an
    // RGB one for colour, none for grey here (a grey one takes the planes).
    const int components = facts.jpegCoding.numComponents;
    const int profileChannels = ProfileColorChannels(facts.iccProfile);
    if ((components != 1 && components != 3) || (components == 1 && profileChannels == 1))
        return false;
    TakeReadProblem();
    std::uint8_t* samples = nullptr;
    const CRgbTarget target{[&](std::size_t bytes) { return samples = take(bytes); }, facts.orientation, 0, {}};
    if (ReadJpegRgbBytes(file, facts.image, target) != kImageSuccess) {
        TakeReadProblem();
        return false;
    }
    // A profile that cannot be used leaves the samples as read; no memory
    // for the conversion is told by the plane reading.
    if (components == 3 && profileChannels == 3 &&
        ConvertRgbSamplesToSrgb(samples, facts.image.cols, facts.image.rows, facts.iccProfile) == kImageOutOfMemory)
        return false;
    source = std::move(facts);
    return true;
}
