#include "png_chunks.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

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

bool ReadPngWithoutImageData(const std::string& path, std::vector<std::uint8_t>& skeleton)
{
    skeleton.clear();
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!file)
        return false;
    skeleton.resize(8);
    skeleton.resize(std::fread(skeleton.data(), 1, 8, file.get()));
    bool imageDataWritten = false;
    for (std::uint8_t head[8]; skeleton.size() >= 8 && std::fread(head, 1, 8, file.get()) == 8;) {
        const std::uint32_t length = std::uint32_t(head[0]) << 24 | std::uint32_t(head[1]) << 16 |
                                     std::uint32_t(head[2]) << 8 | head[3];
        if (std::memcmp(head + 4, "IDAT", 4) == 0) {
            if (!imageDataWritten) {
                imageDataWritten = true;
                const std::uint32_t crc = std::uint32_t(::crc32(::crc32(0, nullptr, 0), head + 4, 4));
                const std::uint8_t empty[12] = {0, 0, 0, 0, 'I', 'D', 'A', 'T', std::uint8_t(crc >> 24),
                                                std::uint8_t(crc >> 16), std::uint8_t(crc >> 8), std::uint8_t(crc)};
                skeleton.insert(skeleton.end(), empty, empty + sizeof empty);
            }
            // Lengths beyond 2^31 are no PNG's; fseek takes a long.
            if (length > 0x7FFFFFFFu || std::fseek(file.get(), long(length) + 4, SEEK_CUR) != 0)
                break;
            continue;
        }
        skeleton.insert(skeleton.end(), head, head + 8);
        // The chunk's data and CRC, as far as the file goes; read in pieces
        // so a length that lies costs no more memory than the file holds.
        std::uint64_t left = std::uint64_t(length) + 4;
        std::uint8_t piece[65536];
        while (left > 0) {
            const std::size_t want = std::size_t(std::min<std::uint64_t>(left, sizeof piece));
            const std::size_t got = std::fread(piece, 1, want, file.get());
            skeleton.insert(skeleton.end(), piece, piece + got);
            if (got < want)
                return true;
            left -= got;
        }
        if (std::memcmp(head + 4, "IEND", 4) == 0)
            break;
    }
    return true;
}
