#include "source_reading.h"

#include "file_bytes.h"
#include "picture_reading.h"
#include "source_metadata.h"

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
