#include "jpeg_metadata.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

bool StartsWith(std::span<const std::uint8_t> payload, const void* signature, std::size_t size)
{
    return payload.size() >= size && std::memcmp(payload.data(), signature, size) == 0;
}

} // namespace

CJpegMetadata ReadJpegMetadata(std::span<const std::uint8_t> file)
{
    CJpegMetadata found;
    if (file.size() < 2 || file[0] != 0xFF || file[1] != 0xD8)
        return found;
    std::size_t at = 2;
    for (;;) {
        // Fill bytes may come before a marker code.
        while (at < file.size() && file[at] == 0xFF)
            ++at;
        if (at + 3 > file.size())
            break;
        const std::uint8_t code = file[at];
        if (code == 0xD9 || code == 0xDA)
            break;
        const std::size_t length = std::size_t(file[at + 1]) << 8 | file[at + 2];
        if (length < 2 || file.size() - (at + 1) < length)
            break;
        const std::span<const std::uint8_t> payload = file.subspan(at + 3, length - 2);
        if (code == 0xE1 && found.exif.empty() && StartsWith(payload, "Exif\0\0", 6))
            found.exif.assign(payload.begin(), payload.end());
        else if (code == 0xE1 && found.xmp.empty() && StartsWith(payload, kXmpSignature, kXmpSignatureSize))
            found.xmp.assign(payload.begin(), payload.end());
        else if (code == 0xED && found.iptc.empty() && StartsWith(payload, kIptcSignature, kIptcSignatureSize))
            found.iptc.assign(payload.begin(), payload.end());
        at += 1 + length;
    }
    return found;
}

void SetXmpOrientationToNormal(std::vector<std::uint8_t>& payload)
{
    static constexpr char kName[] = "tiff:Orientation";
    const std::size_t nameSize = sizeof kName - 1;
    auto at = payload.begin();
    for (;;) {
        at = std::search(at, payload.end(), kName, kName + nameSize);
        if (at == payload.end())
            return;
        at += long(nameSize);
        // tiff:Orientation="6", tiff:Orientation='6' or <tiff:Orientation>6<
        auto value = at;
        while (value != payload.end() && (*value == ' ' || *value == '\t' || *value == '\n' || *value == '\r'))
            ++value;
        if (value != payload.end() && *value == '=') {
            ++value;
            while (value != payload.end() && (*value == ' ' || *value == '\t' || *value == '\n' || *value == '\r'))
                ++value;
            if (value == payload.end() || (*value != '"' && *value != '\''))
                continue;
            ++value;
        } else if (value != payload.end() && *value == '>') {
            ++value;
        } else {
            continue;
        }
        if (payload.end() - value >= 2 && *value >= '2' && *value <= '8' && (value[1] == '"' || value[1] == '\'' || value[1] == '<'))
            *value = '1';
    }
}

void RemovePhotoshopThumbnails(std::vector<std::uint8_t>& payload)
{
    if (!StartsWith(payload, kIptcSignature, kIptcSignatureSize))
        return;
    std::vector<std::uint8_t> kept(payload.begin(), payload.begin() + long(kIptcSignatureSize));
    std::size_t at = kIptcSignatureSize;
    while (at < payload.size()) {
        // "8BIM", id, a Pascal name padded to even length, size, data padded to even length.
        if (payload.size() - at < 7 || std::memcmp(payload.data() + at, "8BIM", 4) != 0)
            return;
        const unsigned id = unsigned(payload[at + 4]) << 8 | payload[at + 5];
        const std::size_t nameBytes = (std::size_t(payload[at + 6]) + 2) & ~std::size_t{1};
        const std::size_t sizeAt = at + 6 + nameBytes;
        if (sizeAt > payload.size() || payload.size() - sizeAt < 4)
            return;
        const std::size_t size = std::size_t(payload[sizeAt]) << 24 | std::size_t(payload[sizeAt + 1]) << 16 |
                                 std::size_t(payload[sizeAt + 2]) << 8 | payload[sizeAt + 3];
        const std::size_t end = sizeAt + 4 + size + (size & 1);
        if (payload.size() - (sizeAt + 4) < size)
            return;
        const std::size_t stored = std::min(end, payload.size());  // the last pad byte may be missing
        if (id != 1033 && id != 1036)
            kept.insert(kept.end(), payload.begin() + long(at), payload.begin() + long(stored));
        at = stored;
    }
    payload = std::move(kept);
}

CJpegMetadata ReadJpegMetadata(const std::filesystem::path& path)
{
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file)
        return {};
    // Metadata lives before the image data; 1 MiB covers any run of
    // segments that could precede it many times over.
    std::vector<std::uint8_t> head(std::size_t{1} << 20);
    head.resize(std::fread(head.data(), 1, head.size(), file.get()));
    return ReadJpegMetadata(head);
}
