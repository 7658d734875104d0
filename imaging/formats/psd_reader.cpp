// Photoshop document reader: the merged image of greyscale, duotone, RGB and
// CMYK documents, 8 or 16 bits, raw or PackBits. RGB keeps its first four
// channels, greyscale and duotone their first two (grey and transparency);
// CMYK its four inks as stored (inverted: full scale is no ink), which the
// pipeline converts through the document's profile.
#include "byte_reader.h"
#include "file_bytes.h"
#include "format_readers.h"
#include "image.h"
#include "memory_readers.h"
#include "packbits.h"
#include "read_problem.h"
#include "reader_support.h"

#include <climits>
#include <new>
#include <string>
#include <vector>

namespace {
constexpr std::size_t kHeaderBytes = 26;
// PackBits turns every two input bytes into at most 128 output bytes.
constexpr std::size_t kPackBitsMaxExpansion = 64;

constexpr std::uint16_t kModeBitmap = 0;
constexpr std::uint16_t kModeGreyscale = 1;
constexpr std::uint16_t kModeIndexed = 2;
constexpr std::uint16_t kModeRgb = 3;
constexpr std::uint16_t kModeCmyk = 4;
constexpr std::uint16_t kModeMultichannel = 7;
constexpr std::uint16_t kModeDuotone = 8;
constexpr std::uint16_t kModeLab = 9;

struct CPhotoshopHeader {
    std::uint16_t version = 0;
    std::uint16_t channels = 0;
    std::uint32_t rows = 0;
    std::uint32_t cols = 0;
    std::uint16_t depth = 0;
    std::uint16_t mode = 0;
};

int ParsePhotoshopHeader(CByteReader& in, CPhotoshopHeader& header)
{
    if (in.ReadU8() != '8' || in.ReadU8() != 'B' || in.ReadU8() != 'P' || in.ReadU8() != 'S')
        return kImageBadArgument;
    header.version = in.ReadU16BE();
    in.Skip(6);
    header.channels = in.ReadU16BE();
    header.rows = in.ReadU32BE();
    header.cols = in.ReadU32BE();
    header.depth = in.ReadU16BE();
    header.mode = in.ReadU16BE();
    if (in.Failed() || header.rows > INT_MAX || header.cols > INT_MAX)
        return kImageBadArgument;
    return kImageSuccess;
}

bool SkipSection(CByteReader& in)
{
    const std::uint32_t length = in.ReadU32BE();
    return !in.Failed() && in.Skip(length);
}

// Writes one decoded row into the plane; 16-bit samples come big-endian.
void StoreRow(const std::uint8_t* row, std::size_t cols, bool wide, std::uint8_t* plane, std::size_t y)
{
    if (!wide) {
        std::uint8_t* out = plane + y * cols;
        for (std::size_t c = 0; c < cols; ++c)
            out[c] = row[c];
        return;
    }
    std::uint16_t* out = reinterpret_cast<std::uint16_t*>(plane) + y * cols;
    for (std::size_t c = 0; c < cols; ++c)
        out[c] = static_cast<std::uint16_t>((row[2 * c] << 8) | row[2 * c + 1]);
}

// Channels follow one another whole, so a file cut short keeps the rows of
// the channels before the cut; the rest stay 0. False when not one row was
// there.
bool ReadRawChannels(CByteReader& in, CImage& image, std::size_t rowBytes)
{
    const std::size_t cols = static_cast<std::size_t>(image.cols);
    const bool wide = image.sampleType == kSampleWord;
    for (int p = 0; p < image.planes; ++p) {
        for (std::size_t y = 0; y < static_cast<std::size_t>(image.rows); ++y) {
            const CByteSpan row = in.Take(rowBytes);
            if (row.size() != rowBytes) {
                image.damage = kDataEndsEarly;
                return p > 0 || y > 0;
            }
            StoreRow(row.data(), cols, wide, image.plane[p], y);
        }
    }
    return true;
}

// Every packed row has its own length in the count table, so a row that
// does not decode leaves only itself at 0. False when not one row decoded.
bool ReadPackBitsChannels(CByteReader& in, CImage& image, std::size_t rowBytes,
                          const std::vector<std::uint16_t>& counts)
{
    const std::size_t cols = static_cast<std::size_t>(image.cols);
    const std::size_t rows = static_cast<std::size_t>(image.rows);
    const bool wide = image.sampleType == kSampleWord;
    std::vector<std::uint8_t> row(rowBytes);
    bool stored = false;
    for (std::size_t p = 0; p < static_cast<std::size_t>(image.planes); ++p) {
        for (std::size_t y = 0; y < rows; ++y) {
            const CByteSpan packed = in.Take(counts[p * rows + y]);
            if (packed.size() != counts[p * rows + y]) {
                image.damage = kDataEndsEarly;
                return stored;
            }
            if (!DecodePackBits(packed, row)) {
                if (image.damage.empty())
                    image.damage = DamagedData("a PackBits row of the wrong length");
                continue;
            }
            StoreRow(row.data(), cols, wide, image.plane[p], y);
            stored = true;
        }
    }
    return stored;
}

// The name of a colour mode the reader does not decode.
std::string UnreadModeName(std::uint16_t mode)
{
    switch (mode) {
    case kModeBitmap: return "1-bit bitmap mode";
    case kModeIndexed: return "indexed colour";
    case kModeMultichannel: return "multichannel";
    case kModeLab: return "Lab colour";
    default: return "colour mode " + std::to_string(mode);
    }
}

int Refuse(std::string which)
{
    NoteReadProblem(EReadProblem::Unsupported, std::move(which));
    return kImageBadArgument;
}

// The planes a document's channels give: the colour channels and, for grey
// and RGB, the one after them (transparency or an extra channel, which the
// pipeline tells apart).
int PlanesOf(const CPhotoshopHeader& header)
{
    const int most = header.mode == kModeGreyscale || header.mode == kModeDuotone ? 2 : 4;
    return header.channels < most ? header.channels : most;
}

int ReadPhotoshopCore(CByteSpan bytes, CImage& image)
{
    CByteReader in(bytes);
    CPhotoshopHeader header;
    if (const int result = ParsePhotoshopHeader(in, header); result != kImageSuccess)
        return result;
    // Version 2 (large documents) widens the section lengths and row counts;
    // reading it as version 1 would misplace everything after the header.
    if (header.version == 2)
        return Refuse("large document format");
    if (header.version != 1)
        return kImageBadArgument;
    if (header.mode != kModeGreyscale && header.mode != kModeDuotone && header.mode != kModeRgb &&
        header.mode != kModeCmyk)
        return Refuse(UnreadModeName(header.mode));
    if (header.depth != 8 && header.depth != 16)
        return Refuse(std::to_string(header.depth) + "-bit channels");
    if (header.channels == 0 || header.rows == 0 || header.cols == 0)
        return kImageBadArgument;
    if (header.mode == kModeCmyk && header.channels < 4)
        return kImageBadArgument;
    if (ExceedsPixelLimit(header.cols, header.rows))
        return kImageOutOfMemory;
    if (!SkipSection(in) || !SkipSection(in) || !SkipSection(in))
        return kImageBadArgument;
    const std::uint16_t compression = in.ReadU16BE();
    if (in.Failed())
        return kImageBadArgument;
    if (compression > 1)
        return Refuse(compression == 2 || compression == 3 ? "ZIP compression"
                                                           : "compression " + std::to_string(compression));

    const int planes = PlanesOf(header);
    const std::size_t rows = header.rows;
    const std::size_t sampleBytes = header.depth / 8;
    std::size_t rowBytes = 0;
    std::size_t planeBytes = 0;
    std::size_t declared = 0;
    if (!MultiplySizes(header.cols, sampleBytes, rowBytes) || !MultiplySizes(rowBytes, rows, planeBytes) ||
        !MultiplySizes(planeBytes, static_cast<std::size_t>(planes), declared))
        return kImageBadArgument;

    // Check what the file holds before anything large is allocated: raw data
    // believable for its length (a cut file keeps the rows it holds), or the
    // PackBits count table and enough packed bytes.
    std::vector<std::uint16_t> counts;
    if (compression == 0) {
        if (!IsPlausibleSize(declared, in.Remaining()))
            return kImageBadArgument;
        if (in.Remaining() < rowBytes)
            return RefuseUnrecoverable();
    } else {
        std::size_t tableEntries = 0;
        if (!MultiplySizes(header.channels, rows, tableEntries) || tableEntries > in.Remaining() / 2)
            return kImageCannotOpen;
        counts.resize(tableEntries);
        std::size_t packedBytes = 0;
        for (std::size_t i = 0; i < tableEntries; ++i) {
            counts[i] = in.ReadU16BE();
            if (i < static_cast<std::size_t>(planes) * rows)
                packedBytes += counts[i] + std::size_t{1};
        }
        if (declared / kPackBitsMaxExpansion > packedBytes)
            return kImageBadArgument;
    }

    if (const int result = SetUpImage(image, static_cast<int>(header.cols), static_cast<int>(header.rows), planes,
                                      header.depth == 16 ? kSampleWord : kSampleByte);
        result != kImageSuccess)
        return result;
    const bool stored =
        compression == 0 ? ReadRawChannels(in, image, rowBytes) : ReadPackBitsChannels(in, image, rowBytes, counts);
    return stored ? kImageSuccess : RefuseUnrecoverable();
}
} // namespace

int ReadPhotoshopInfoBytes(CByteSpan bytes, int& cols, int& rows, int& planes)
{
    cols = rows = planes = 0;
    CByteReader in(bytes);
    CPhotoshopHeader header;
    if (const int result = ParsePhotoshopHeader(in, header); result != kImageSuccess)
        return result;
    cols = static_cast<int>(header.cols);
    rows = static_cast<int>(header.rows);
    planes = header.channels;
    return kImageSuccess;
}

int ReadPhotoshopBytes(CByteSpan bytes, CImage& image)
{
    // The count table and the row buffer are vectors; a picture too big for
    // memory is this file's failure, not the end of the caller's batch.
    try {
        return FinishRead(image, ReadPhotoshopCore(bytes, image));
    } catch (const std::bad_alloc&) {
        return FinishRead(image, kImageOutOfMemory);
    }
}

int ReadPhotoshopInfo(const std::filesystem::path& path, int& cols, int& rows, int& planes)
{
    cols = rows = planes = 0;
    std::vector<std::uint8_t> bytes;
    if (const int result = ReadFileBytes(path, bytes, kHeaderBytes); result != kImageSuccess)
        return result;
    return ReadPhotoshopInfoBytes(bytes, cols, rows, planes);
}

int ReadPhotoshopFile(const std::filesystem::path& path, CImage& image)
{
    std::vector<std::uint8_t> bytes;
    if (const int result = ReadFileBytes(path, bytes); result != kImageSuccess)
        return FinishRead(image, result);
    return ReadPhotoshopBytes(bytes, image);
}
