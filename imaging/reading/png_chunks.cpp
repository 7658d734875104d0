#include "png_chunks.h"

#include <cstring>

CPngChunks FindPngChunks(std::span<const std::uint8_t> file)
{
    CPngChunks chunks;
    bool imageData = false;  // an IDAT has been passed: a profile after it counts for nothing
    std::uint64_t at = 8;
    while (at <= file.size() && file.size() - at >= 8) {
        const std::uint8_t* head = file.data() + at;
        const std::uint32_t length = std::uint32_t(head[0]) << 24 | std::uint32_t(head[1]) << 16 |
                                     std::uint32_t(head[2]) << 8 | head[3];
        const char* type = reinterpret_cast<const char*>(head + 4);
        if (std::memcmp(type, "IEND", 4) == 0)
            break;
        if (std::memcmp(type, "IDAT", 4) == 0)
            imageData = true;
        CPngChunk* wanted = nullptr;
        if (std::memcmp(type, "iCCP", 4) == 0 && !imageData && !chunks.iccp.found)
            wanted = &chunks.iccp;
        else if (std::memcmp(type, "eXIf", 4) == 0 && !chunks.exif.found)
            wanted = &chunks.exif;
        if (wanted != nullptr) {
            wanted->found = true;
            wanted->length = length;
            if (file.size() - (at + 8) >= length) {
                wanted->complete = true;
                wanted->data = file.subspan(static_cast<std::size_t>(at + 8), length);
            }
        }
        if ((chunks.exif.found && !chunks.exif.complete) || (chunks.iccp.found && chunks.exif.found))
            break;  // nothing more to find, or nothing readable behind a cut chunk
        at += 12 + std::uint64_t(length);
    }
    return chunks;
}
