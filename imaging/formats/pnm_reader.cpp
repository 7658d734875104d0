// Binary greymap ("P5") and pixmap ("P6") reader: 8- and 16-bit samples,
// scaled to their full range by the file's maximum value.
#include "byte_reader.h"
#include "file_bytes.h"
#include "format_readers.h"
#include "image.h"
#include "memory_readers.h"
#include "read_problem.h"
#include "reader_support.h"

#include <climits>

namespace {
// Header prefix an info call loads: far more than any real header needs.
constexpr std::size_t kInfoPrefix = 64 * 1024;

struct CPnmHeader {
    int width = 0;
    int height = 0;
    int maxValue = 0;
    std::size_t dataOffset = 0;
};

bool IsScanfSpace(std::uint8_t c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The header is matched like the scanf pattern "P5 %d %d %d%c": a blank
// matches any run of whitespace (also none), each number skips leading
// whitespace and takes an optional sign and digits, and the single
// character after the maximum value is consumed whatever it is. Wherever
// whitespace may stand before a number, so may comments (a number sign to
// the end of the line), as GIMP and other writers put them there. A number
// too large for an int fails instead of wrapping.
class CPnmHeaderScanner {
public:
    explicit CPnmHeaderScanner(CByteSpan bytes) : bytes(bytes) {}

    bool Parse(char kind, CPnmHeader& header)
    {
        if (!MatchChar('P') || !MatchChar(static_cast<std::uint8_t>(kind)))
            return false;
        if (!ReadInt(header.width) || !ReadInt(header.height) || !ReadInt(header.maxValue))
            return false;
        if (position >= bytes.size())
            return false;
        header.dataOffset = position + 1;
        return true;
    }

private:
    bool MatchChar(std::uint8_t c)
    {
        if (position >= bytes.size() || bytes[position] != c)
            return false;
        ++position;
        return true;
    }
    bool ReadInt(int& value)
    {
        while (position < bytes.size()) {
            if (IsScanfSpace(bytes[position])) {
                ++position;
            } else if (bytes[position] == '#') {
                while (position < bytes.size() && bytes[position] != '\n' && bytes[position] != '\r')
                    ++position;
            } else {
                break;
            }
        }
        bool negative = false;
        if (position < bytes.size() && (bytes[position] == '+' || bytes[position] == '-'))
            negative = bytes[position++] == '-';
        long long magnitude = 0;
        std::size_t digits = 0;
        while (position < bytes.size() && bytes[position] >= '0' && bytes[position] <= '9') {
            magnitude = magnitude * 10 + (bytes[position++] - '0');
            if (magnitude > static_cast<long long>(INT_MAX) + 1)
                return false;
            ++digits;
        }
        if (digits == 0)
            return false;
        const long long signedValue = negative ? -magnitude : magnitude;
        if (signedValue > INT_MAX)
            return false;
        value = static_cast<int>(signedValue);
        return true;
    }

    CByteSpan bytes;
    std::size_t position = 0;
};

// Scales a sample from 0 .. maximum to 0 .. full, rounded, so that a
// maximum equal to the full scale leaves every sample as it is. Samples
// above the maximum (which the format forbids) are taken as the maximum.
class CSampleScale {
public:
    CSampleScale(std::uint32_t maximum, std::uint32_t full) : maximum(maximum), full(full) {}
    std::uint32_t operator()(std::uint32_t v) const
    {
        if (maximum == full)
            return v;
        if (v >= maximum)
            return full;
        return (v * full + maximum / 2) / maximum;
    }

private:
    std::uint32_t maximum;
    std::uint32_t full;
};

char KindOf(int planesWanted)
{
    return planesWanted == 1 ? '5' : '6';
}

bool ParseHeader(CByteSpan bytes, int planesWanted, CPnmHeader& header)
{
    CPnmHeaderScanner scanner(bytes);
    return scanner.Parse(KindOf(planesWanted), header) && header.width > 0 && header.height > 0;
}

int ReadPnmCore(CByteSpan bytes, int planesWanted, CImage& image)
{
    if (planesWanted != 1 && planesWanted != 3)
        return kImageBadArgument;
    CPnmHeader header;
    if (!ParseHeader(bytes, planesWanted, header))
        return kImageBadArgument;

    // The format allows maxima of 1 to 65535; a maximum of 256 or more
    // means 16-bit samples.
    if (header.maxValue < 1 || header.maxValue > 65535) {
        NoteReadProblem(EReadProblem::Damaged);
        return kImageBadArgument;
    }
    const bool wide = header.maxValue >= 256;
    const std::size_t sampleBytes = wide ? 2 : 1;
    if (ExceedsPixelLimit(static_cast<std::uint64_t>(header.width), static_cast<std::uint64_t>(header.height)))
        return kImageBadArgument;
    std::size_t declared = 0;
    if (!MultiplySizes(static_cast<std::size_t>(header.width), static_cast<std::size_t>(header.height),
                       static_cast<std::size_t>(planesWanted) * sampleBytes, declared))
        return kImageBadArgument;
    const std::size_t available = header.dataOffset <= bytes.size() ? bytes.size() - header.dataOffset : 0;
    if (!IsPlausibleSize(declared, available))
        return kImageBadArgument;
    const std::size_t pixelBytes = static_cast<std::size_t>(planesWanted) * sampleBytes;
    if (available < pixelBytes)
        return RefuseUnrecoverable();

    if (const int result = SetUpImage(image, header.width, header.height, planesWanted, wide ? kSampleWord : kSampleByte);
        result != kImageSuccess)
        return result;

    // A short file fills as many whole pixels as it holds; the rest keep
    // the zeros of the fresh planes.
    const std::size_t count = std::min(image.PixelCount(), available / pixelBytes);
    if (count < image.PixelCount())
        image.damage = kDataEndsEarly;
    const std::uint8_t* data = bytes.data() + header.dataOffset;
    const CSampleScale scale(static_cast<std::uint32_t>(header.maxValue), wide ? 65535u : 255u);
    if (!wide) {
        for (int p = 0; p < planesWanted; ++p) {
            std::uint8_t* out = image.plane[p];
            for (std::size_t i = 0; i < count; ++i)
                out[i] = static_cast<std::uint8_t>(scale(data[i * pixelBytes + static_cast<std::size_t>(p)]));
        }
    } else {
        // 16-bit samples are stored most significant byte first.
        for (int p = 0; p < planesWanted; ++p) {
            auto* out = reinterpret_cast<std::uint16_t*>(image.plane[p]);
            for (std::size_t i = 0; i < count; ++i) {
                const std::uint8_t* s = data + i * pixelBytes + 2 * static_cast<std::size_t>(p);
                out[i] = static_cast<std::uint16_t>(scale(static_cast<std::uint32_t>((s[0] << 8) | s[1])));
            }
        }
    }
    return kImageSuccess;
}

int ReadPnmInfoFile(const std::filesystem::path& path, int planesWanted, int& cols, int& rows, int& planes)
{
    cols = rows = planes = 0;
    std::vector<std::uint8_t> bytes;
    if (const int result = ReadFileBytes(path, bytes, kInfoPrefix); result != kImageSuccess)
        return result;
    return ReadPnmInfoBytes(bytes, planesWanted, cols, rows, planes);
}

int ReadPnmFile(const std::filesystem::path& path, int planesWanted, CImage& image)
{
    std::vector<std::uint8_t> bytes;
    if (const int result = ReadFileBytes(path, bytes); result != kImageSuccess)
        return FinishRead(image, result);
    return ReadPnmBytes(bytes, planesWanted, image);
}
} // namespace

int ReadPnmInfoBytes(CByteSpan bytes, int planesWanted, int& cols, int& rows, int& planes)
{
    cols = rows = planes = 0;
    CPnmHeader header;
    if ((planesWanted != 1 && planesWanted != 3) || !ParseHeader(bytes, planesWanted, header))
        return kImageBadArgument;
    cols = header.width;
    rows = header.height;
    planes = planesWanted;
    return kImageSuccess;
}

int ReadPnmBytes(CByteSpan bytes, int planesWanted, CImage& image)
{
    return FinishRead(image, ReadPnmCore(bytes, planesWanted, image));
}

int ReadGreymapInfo(const std::filesystem::path& path, int& cols, int& rows, int& planes)
{
    return ReadPnmInfoFile(path, 1, cols, rows, planes);
}
int ReadGreymapFile(const std::filesystem::path& path, CImage& image)
{
    return ReadPnmFile(path, 1, image);
}
int ReadPixmapInfo(const std::filesystem::path& path, int& cols, int& rows, int& planes)
{
    return ReadPnmInfoFile(path, 3, cols, rows, planes);
}
int ReadPixmapFile(const std::filesystem::path& path, CImage& image)
{
    return ReadPnmFile(path, 3, image);
}
