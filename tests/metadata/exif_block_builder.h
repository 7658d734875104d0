#pragma once
// Builds EXIF blocks and small JPEG byte streams in code, in either byte
// order, for the reader's tests.

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace exif_test {

struct CEntry {
    std::uint16_t tag = 0;
    std::uint16_t format = 0;
    std::uint32_t count = 0;
    std::uint32_t value = 0;              // written in the block's byte order
    bool rawBytes = false;                // write `bytes` instead of `value`
    std::array<std::uint8_t, 4> bytes{};  // an inline value, exactly as stored
};

inline CEntry Entry(std::uint16_t tag, std::uint16_t format, std::uint32_t count, std::uint32_t value)
{
    return CEntry{tag, format, count, value, false, {}};
}

inline CEntry InlineEntry(std::uint16_t tag, std::uint16_t format, std::uint32_t count, const std::string& text)
{
    CEntry entry{tag, format, count, 0, true, {}};
    for (std::size_t i = 0; i < text.size() && i < 4; ++i)
        entry.bytes[i] = static_cast<std::uint8_t>(text[i]);
    return entry;
}

inline constexpr std::uint16_t kAscii = 2;
inline constexpr std::uint16_t kLong = 4;
inline constexpr std::uint16_t kUndefined = 7;
inline constexpr std::uint16_t kTagExif = 0x8769;
inline constexpr std::uint16_t kTagInterop = 0xA005;
inline constexpr std::uint16_t kTagUserComment = 0x9286;
inline constexpr std::uint16_t kTagMakerNote = 0x927C;
inline constexpr std::uint16_t kTagMake = 0x010F;

// The TIFF data of a block: header at 0, first directory offset at 4.
class CTiffData {
public:
    explicit CTiffData(bool intel) : intel(intel)
    {
        bytes = {static_cast<std::uint8_t>(intel ? 'I' : 'M'), static_cast<std::uint8_t>(intel ? 'I' : 'M')};
        Append16(42);
        Append32(8);
    }

    std::size_t Size() const { return bytes.size(); }
    const std::vector<std::uint8_t>& Bytes() const { return bytes; }

    void Set16(std::size_t at, std::uint16_t v)
    {
        if (intel) {
            bytes[at] = static_cast<std::uint8_t>(v);
            bytes[at + 1] = static_cast<std::uint8_t>(v >> 8);
        } else {
            bytes[at] = static_cast<std::uint8_t>(v >> 8);
            bytes[at + 1] = static_cast<std::uint8_t>(v);
        }
    }
    void Set32(std::size_t at, std::uint32_t v)
    {
        for (int i = 0; i < 4; ++i) {
            const int shift = intel ? 8 * i : 8 * (3 - i);
            bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> shift);
        }
    }
    void Append16(std::uint16_t v)
    {
        bytes.resize(bytes.size() + 2);
        Set16(bytes.size() - 2, v);
    }
    void Append32(std::uint32_t v)
    {
        bytes.resize(bytes.size() + 4);
        Set32(bytes.size() - 4, v);
    }
    std::size_t AppendBytes(const std::string& text)
    {
        const std::size_t at = bytes.size();
        bytes.insert(bytes.end(), text.begin(), text.end());
        return at;
    }
    // Appends a directory; returns its offset. `withNext` false leaves out
    // the next-directory link (a directory that ends the data early).
    std::size_t AppendDirectory(const std::vector<CEntry>& entries, std::uint32_t next = 0, bool withNext = true)
    {
        const std::size_t at = bytes.size();
        Append16(static_cast<std::uint16_t>(entries.size()));
        for (const CEntry& entry : entries) {
            Append16(entry.tag);
            Append16(entry.format);
            Append32(entry.count);
            if (entry.rawBytes)
                bytes.insert(bytes.end(), entry.bytes.begin(), entry.bytes.end());
            else
                Append32(entry.value);
        }
        if (withNext)
            Append32(next);
        return at;
    }
    // Where the value field of entry `index` of the directory at `directory` lies.
    static std::size_t ValueField(std::size_t directory, std::size_t index) { return directory + 2 + 12 * index + 8; }
    static std::size_t NextField(std::size_t directory, std::size_t entryCount) { return directory + 2 + 12 * entryCount; }

private:
    bool intel;
    std::vector<std::uint8_t> bytes;
};

// The block as the reader hands it over: 2 length bytes, "Exif\0\0", the TIFF data.
inline std::vector<std::uint8_t> MakeBlock(const std::vector<std::uint8_t>& tiff, const std::string& magic = std::string("Exif\0\0", 6))
{
    const std::size_t length = 2 + magic.size() + tiff.size();
    // Reserved first: GCC 12 misreads inserts into a two-byte vector as overflows.
    std::vector<std::uint8_t> block;
    block.reserve(length);
    block.push_back(static_cast<std::uint8_t>(length >> 8));
    block.push_back(static_cast<std::uint8_t>(length));
    block.insert(block.end(), magic.begin(), magic.end());
    block.insert(block.end(), tiff.begin(), tiff.end());
    return block;
}

// A segment: marker prefix, code, then the stored length and payload.
inline std::vector<std::uint8_t> Segment(std::uint8_t code, const std::vector<std::uint8_t>& payload)
{
    const std::size_t length = payload.size() + 2;
    std::vector<std::uint8_t> bytes = {0xFF, code, static_cast<std::uint8_t>(length >> 8),
                                       static_cast<std::uint8_t>(length)};
    bytes.insert(bytes.end(), payload.begin(), payload.end());
    return bytes;
}

inline std::vector<std::uint8_t> Payload(const std::string& text)
{
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

// SOI, the given segments, then a start of scan with a little image data.
inline std::vector<std::uint8_t> Jpeg(const std::vector<std::vector<std::uint8_t>>& segments)
{
    std::vector<std::uint8_t> bytes = {0xFF, 0xD8};
    for (const auto& segment : segments)
        bytes.insert(bytes.end(), segment.begin(), segment.end());
    const auto scan = Segment(0xDA, {0x01, 0x01, 0x00, 0x00, 0x3F, 0x00});
    bytes.insert(bytes.end(), scan.begin(), scan.end());
    bytes.insert(bytes.end(), {0x12, 0x34, 0xFF, 0xD9});
    return bytes;
}

// An APP1 segment carrying `block` (which starts with its own length bytes).
inline std::vector<std::uint8_t> App1FromBlock(const std::vector<std::uint8_t>& block)
{
    std::vector<std::uint8_t> bytes = {0xFF, 0xE1};
    bytes.insert(bytes.end(), block.begin(), block.end());
    return bytes;
}

// An entry as a reader takes it: its type, count and value bytes, inline or
// where its offset leads (`readable` false when that lies past the data).
struct CReadEntry {
    std::uint16_t format = 0;
    std::uint32_t count = 0;
    std::vector<std::uint8_t> value;
    bool readable = true;
    bool operator==(const CReadEntry&) const = default;
};

// What a reader finds in an APP1 payload ("Exif\0\0" and TIFF data): the
// entries of IFD0 (keyed by tag) and of the Exif directory (keyed by tag +
// 0x10000), and IFD0's link to the next directory.
struct CReadBlock {
    std::map<std::uint32_t, CReadEntry> entries;
    std::uint32_t ifd0Link = 0;
};

inline CReadBlock ReadBlock(const std::vector<std::uint8_t>& payload)
{
    static constexpr std::uint32_t kSizes[13] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};
    CReadBlock found;
    if (payload.size() < 14)
        return found;
    const std::uint8_t* tiff = payload.data() + 6;
    const std::size_t size = payload.size() - 6;
    const bool intel = tiff[0] == 'I';
    auto read = [&](std::size_t at, int bytes) {
        std::uint32_t v = 0;
        for (int i = 0; i < bytes && at + std::size_t(i) < size; ++i)
            v |= std::uint32_t(tiff[at + std::size_t(i)]) << (8 * (intel ? i : bytes - 1 - i));
        return v;
    };
    auto directory = [&](std::size_t at, std::uint32_t keyBase) {
        const std::size_t count = read(at, 2);
        for (std::size_t i = 0; i < count && at + 2 + 12 * i + 12 <= size; ++i) {
            const std::size_t entry = at + 2 + 12 * i;
            CReadEntry e{std::uint16_t(read(entry + 2, 2)), read(entry + 4, 4), {}, true};
            const std::uint64_t bytes = std::uint64_t(e.count) * (e.format <= 12 ? kSizes[e.format] : 0);
            const std::size_t from = bytes <= 4 ? entry + 8 : read(entry + 8, 4);
            if (from + bytes <= size)
                e.value.assign(tiff + from, tiff + from + bytes);
            else
                e.readable = false;
            found.entries[keyBase + read(entry, 2)] = e;
        }
        return at + 2 + 12 * count;
    };
    const std::size_t ifd0 = read(4, 4);
    found.ifd0Link = read(directory(ifd0, 0), 4);
    if (const auto exif = found.entries.find(kTagExif); exif != found.entries.end() && exif->second.value.size() == 4) {
        std::uint32_t at = 0;
        for (int i = 0; i < 4; ++i)
            at |= std::uint32_t(exif->second.value[std::size_t(i)]) << (8 * (intel ? i : 3 - i));
        directory(at, 0x10000);
    }
    return found;
}

} // namespace exif_test
