// Feeds arbitrary bytes to the EXIF reader twice: as a whole source file
// (segment scan, then the walk of whatever APP1 segment it finds) and as a
// block handed straight to the walk, which reaches the directory code with
// far fewer wasted inputs. Besides staying in bounds, the walk may change a
// block in one way only: spaces becoming NUL bytes.
#include "exif_block_reader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

namespace {
void Require(bool condition)
{
    if (!condition)
        std::abort();
}

void CheckOnlySpacesCleared(const std::vector<std::uint8_t>& before, const std::vector<std::uint8_t>& after)
{
    Require(before.size() == after.size());
    for (std::size_t i = 0; i < before.size(); ++i)
        Require(before[i] == after[i] || (before[i] == 0x20 && after[i] == 0));
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::span<const std::uint8_t> input(data, size);

    int largeLength = -1;
    {
        // Exactly the largest segment, so that any overrun hits the heap
        // redzone under the address sanitizer.
        std::vector<std::uint8_t> buffer(ExifBlockReader::kLargestSegment);
        ExifBlockReader reader;
        const bool found = reader.ReadExifBlock(input, buffer.data(), buffer.size(), largeLength);
        if (found) {
            Require(largeLength >= 2 && static_cast<std::size_t>(largeLength) <= buffer.size());
            Require(((buffer[0] << 8) | buffer[1]) == largeLength);
        } else {
            Require(largeLength == 0);
        }
    }
    {
        // A buffer smaller than some segments: those are skipped, never
        // written past the end.
        std::vector<std::uint8_t> buffer(300);
        int length = -1;
        ExifBlockReader reader;
        if (reader.ReadExifBlock(input, buffer.data(), buffer.size(), length))
            Require(length == largeLength);
        else
            Require(length == 0);
    }

    if (size > 0) {
        std::vector<std::uint8_t> block(input.begin(), input.end());
        const std::vector<std::uint8_t> original = block;
        ExifBlockReader reader;
        reader.ParseExifBlock(block.data(), block.size());
        CheckOnlySpacesCleared(original, block);
    }
    return 0;
}
