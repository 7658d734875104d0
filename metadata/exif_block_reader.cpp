#include "exif_block_reader.h"

#include "tiff_structure.h"

#include <cstring>
#include <memory>

namespace {

constexpr std::uint8_t kMarkerPrefix = 0xFF;
constexpr std::uint8_t kStartOfImage = 0xD8;
constexpr std::uint8_t kEndOfImage = 0xD9;
constexpr std::uint8_t kStartOfScan = 0xDA;
constexpr std::uint8_t kApp1 = 0xE1;

constexpr std::uint16_t kTagExifPointer = 0x8769;
constexpr std::uint16_t kTagInteropPointer = 0xA005;
constexpr std::uint16_t kTagUserComment = 0x9286;

constexpr std::size_t kTiffStart = 8;   // offsets inside the block count from here

class CFileByteSource {
public:
    explicit CFileByteSource(std::FILE* file) : file(file) {}
    bool ReadByte(std::uint8_t& byte)
    {
        const int c = std::fgetc(file);
        if (c == EOF)
            return false;
        byte = static_cast<std::uint8_t>(c);
        return true;
    }
    bool Read(std::uint8_t* to, std::size_t count) { return std::fread(to, 1, count, file) == count; }
    bool Skip(std::size_t count)
    {
        std::uint8_t scratch[512];
        while (count > 0) {
            const std::size_t step = count < sizeof scratch ? count : sizeof scratch;
            if (!Read(scratch, step))
                return false;
            count -= step;
        }
        return true;
    }

private:
    std::FILE* file;
};

class CMemoryByteSource {
public:
    explicit CMemoryByteSource(std::span<const std::uint8_t> bytes) : bytes(bytes) {}
    bool ReadByte(std::uint8_t& byte)
    {
        if (position >= bytes.size())
            return false;
        byte = bytes[position++];
        return true;
    }
    bool Read(std::uint8_t* to, std::size_t count)
    {
        if (bytes.size() - position < count) {
            position = bytes.size();
            return false;
        }
        if (count > 0)
            std::memcpy(to, bytes.data() + position, count);
        position += count;
        return true;
    }
    bool Skip(std::size_t count)
    {
        if (bytes.size() - position < count) {
            position = bytes.size();
            return false;
        }
        position += count;
        return true;
    }

private:
    std::span<const std::uint8_t> bytes;
    std::size_t position = 0;
};

// The segment scan, shared by the file and the in-memory forms.
template <typename Source>
bool ScanForApp1(ExifBlockReader& reader, Source& source, std::uint8_t* buffer, std::size_t bufferSize,
                 int& length)
{
    length = 0;
    if (buffer == nullptr || bufferSize < 2)
        return false;

    std::uint8_t first = 0;
    std::uint8_t second = 0;
    if (!source.ReadByte(first) || !source.ReadByte(second))
        return false;
    if (first != kMarkerPrefix || second != kStartOfImage)
        return false;

    for (;;) {
        std::uint8_t code = 0;
        int fillBytes = 0;
        for (;;) {
            if (!source.ReadByte(code))
                return false;
            if (code != kMarkerPrefix)
                break;
            if (++fillBytes > ExifBlockReader::kMaximumFillBytes)
                return false;
        }

        std::uint8_t high = 0;
        std::uint8_t low = 0;
        if (!source.ReadByte(high) || !source.ReadByte(low))
            return false;
        const std::size_t segmentLength = (std::size_t{high} << 8) | low;
        if (segmentLength < 2)
            return false;
        const std::size_t payloadLength = segmentLength - 2;

        if (segmentLength <= bufferSize) {
            buffer[0] = high;
            buffer[1] = low;
            if (!source.Read(buffer + 2, payloadLength))
                return false;
        } else {
            // Only a buffer smaller than the largest segment gets here: an
            // APP1 segment that does not fit cannot be handed over whole.
            if (code == kApp1 || !source.Skip(payloadLength))
                return false;
        }

        if (code == kEndOfImage || code == kStartOfScan)
            return false;
        if (code == kApp1) {
            length = static_cast<int>(segmentLength);
            if (payloadLength >= 4 && std::memcmp(buffer + 2, "Exif", 4) == 0)
                reader.ParseExifBlock(buffer, segmentLength);
            return true;
        }
    }
}

} // namespace

bool ExifBlockReader::ReadExifBlock(std::FILE* file, std::uint8_t* buffer, std::size_t bufferSize, int& length)
{
    length = 0;
    if (file == nullptr)
        return false;
    CFileByteSource source(file);
    return ScanForApp1(*this, source, buffer, bufferSize, length);
}

bool ExifBlockReader::ReadExifBlock(std::span<const std::uint8_t> file, std::uint8_t* buffer,
                                    std::size_t bufferSize, int& length)
{
    CMemoryByteSource source(file);
    return ScanForApp1(*this, source, buffer, bufferSize, length);
}

bool ExifBlockReader::ReadExifBlock(const std::filesystem::path& path, std::vector<std::uint8_t>& block)
{
    block.clear();
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file)
        return false;
    std::vector<std::uint8_t> buffer(kLargestSegment);
    int length = 0;
    if (!ReadExifBlock(file.get(), buffer.data(), buffer.size(), length))
        return false;
    buffer.resize(static_cast<std::size_t>(length));
    block = std::move(buffer);
    return true;
}

void ExifBlockReader::ParseExifBlock(std::uint8_t* buffer, std::size_t length)
{
    if (buffer == nullptr || length < kTiffStart + 8)
        return;
    if (std::memcmp(buffer + 2, "Exif\0\0", 6) != 0)
        return;
    if (buffer[8] == 'I' && buffer[9] == 'I')
        byteOrder = ByteOrder::Intel;
    else if (buffer[8] == 'M' && buffer[9] == 'M')
        byteOrder = ByteOrder::Motorola;
    else
        return;
    if (CTiffStructure({buffer + kTiffStart, length - kTiffStart}).Magic() != 42)
        return;
    entryVisitsLeft = kEntryVisitBudget;
    WalkExifDirectory(buffer + kTiffStart, length - kTiffStart,
                      CTiffStructure({buffer + kTiffStart, length - kTiffStart}).FirstDirectory(), 0);
}

void ExifBlockReader::WalkExifDirectory(std::uint8_t* tiff, std::size_t tiffSize, std::size_t directoryOffset,
                                        int depth)
{
    if (depth > kMaximumDepth || tiff == nullptr)
        return;
    const CTiffStructure view({tiff, tiffSize}, byteOrder == ByteOrder::Intel);
    if (!view.Has(directoryOffset, 2))
        return;

    const std::size_t entryCount = view.DeclaredEntries(directoryOffset);
    const std::size_t entriesEnd = view.EntryPosition(directoryOffset, entryCount);
    if (entriesEnd + 4 > tiffSize) {
        // A last directory whose next-directory link is cut short (or missing)
        // is common enough in the wild to be walked all the same.
        if (entriesEnd != tiffSize && entriesEnd + 2 != tiffSize)
            return;
    }

    for (std::size_t i = 0; i < entryCount; ++i) {
        if (entryVisitsLeft == 0)
            return;
        --entryVisitsLeft;

        const std::size_t entry = view.EntryPosition(directoryOffset, i);
        const std::uint32_t tag = view.Tag(entry);
        if (!CTiffStructure::KnownType(view.Type(entry)))
            continue;
        const std::uint64_t byteCount = view.ValueBytes(entry);
        const std::uint64_t valueAt = view.ValuePosition(entry);
        if (!view.Has(static_cast<std::size_t>(valueAt), byteCount))
            continue;

        if (tag == kTagExifPointer || tag == kTagInteropPointer) {
            const std::size_t target = view.Read32(entry + 8);
            if (target <= tiffSize)
                WalkExifDirectory(tiff, tiffSize, target, depth + 1);
        } else if (tag == kTagUserComment) {
            std::uint8_t* value = tiff + valueAt;
            for (std::uint64_t k = byteCount; k > 0 && value[k - 1] == 0x20; --k)
                value[k - 1] = 0;
        }
    }

    if (entriesEnd + 4 <= tiffSize) {
        const std::size_t next = view.Read32(entriesEnd);
        if (next != 0 && next <= tiffSize)
            WalkExifDirectory(tiff, tiffSize, next, depth + 1);
    }
}
