// Files cut short or spoilt, in every format the side readers take, read
// through the dispatch as a job reads them: what can be recovered is kept and
// the picture says it is damaged; what cannot is refused with a reason. Also
// headers that claim more pixels than a picture may have, and an empty file.
#include "format_writers.h"
#include "read_problem.h"
#include "picture_reading.h"

#include <webp/encode.h>
#include <zlib.h>

namespace {
constexpr int kCols = 40;
constexpr int kRows = 30;

// Samples that do not compress, so that a cut keeps its share of the picture.
std::uint8_t Noise(unsigned i)
{
    std::uint32_t x = i * 0x9E3779B1u;
    x = (x ^ (x >> 15)) * 0x85EBCA77u;
    return static_cast<std::uint8_t>((x ^ (x >> 13)) >> 24);
}

CBytes NoiseBytes(std::size_t count)
{
    CBytes b(count);
    for (std::size_t i = 0; i < count; ++i)
        b[i] = Noise(static_cast<unsigned>(i));
    return b;
}

CBytes Pnm(char kind, int cols, int rows, std::size_t samples)
{
    CBytes b;
    PutText(b, std::string("P") + kind + "\n" + std::to_string(cols) + " " + std::to_string(rows) + "\n255\n");
    const CBytes pixels = NoiseBytes(samples);
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

CBytes Bitmap(int cols, int rows)
{
    CBitmapRecipe s;
    s.width = cols;
    s.height = rows;
    s.pixels = NoiseBytes(static_cast<std::size_t>(kCols) * kRows * 3);
    return MakeBitmap(s);
}

CBytes Gif(int cols, int rows)
{
    CGifRecipe s;
    s.width = cols;
    s.height = rows;
    s.minCodeSize = 8;
    s.globalTable = NoiseBytes(256 * 3);
    s.indices = NoiseBytes(static_cast<std::size_t>(kCols) * kRows);
    return MakeGif(s);
}

CBytes Photoshop(unsigned cols, unsigned rows)
{
    CPhotoshopRecipe s;
    s.cols = cols;
    s.rows = rows;
    s.data = NoiseBytes(static_cast<std::size_t>(kCols) * kRows * 3);
    return MakePhotoshop(s);
}

CBytes Png(const CScratchFolder& folder, bool interlaced)
{
    CPngRecipe s;
    s.width = kCols;
    s.height = kRows;
    s.interlaced = interlaced;
    s.rows = NoiseBytes(static_cast<std::size_t>(kCols) * kRows * 3);
    return folder.Read(WritePng(folder, "made.png", s));
}

// A PNG whose header claims cols x rows, its checksum kept right.
CBytes HugePng(const CScratchFolder& folder, std::uint32_t cols, std::uint32_t rows)
{
    CBytes b = Png(folder, false);
    for (int k = 0; k < 4; ++k) {
        b[16 + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(cols >> (24 - 8 * k));
        b[20 + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(rows >> (24 - 8 * k));
    }
    const uLong crc = crc32(0L, b.data() + 12, 17);
    for (int k = 0; k < 4; ++k)
        b[29 + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(crc >> (24 - 8 * k));
    return b;
}

// A greyscale TIFF laid out as many writers do and libtiff does not: the
// directory first, the strips after it, so a cut leaves the directory whole.
// Deflate strips are zlib streams of their rows.
CBytes DirectoryFirstTiff(std::uint32_t cols, std::uint32_t rows, bool deflate)
{
    constexpr std::uint32_t kRowsPerStrip = 8;
    const std::uint32_t strips = (rows + kRowsPerStrip - 1) / kRowsPerStrip;
    const CBytes pixels = NoiseBytes(static_cast<std::size_t>(kCols) * kRows);
    std::vector<CBytes> data;
    for (std::uint32_t k = 0; k < strips; ++k) {
        const std::size_t from = std::min<std::size_t>(pixels.size(), std::size_t{k} * kRowsPerStrip * cols);
        const std::size_t to = std::min<std::size_t>(pixels.size(), from + std::size_t{kRowsPerStrip} * cols);
        CBytes strip(pixels.begin() + static_cast<std::ptrdiff_t>(from),
                     pixels.begin() + static_cast<std::ptrdiff_t>(to));
        if (deflate) {
            uLongf size = compressBound(static_cast<uLong>(strip.size()));
            CBytes packed(size);
            compress2(packed.data(), &size, strip.data(), static_cast<uLong>(strip.size()), 6);
            packed.resize(size);
            strip = packed;
        }
        data.push_back(strip);
    }
    const std::uint32_t entries = 9;
    const std::uint32_t arrays = 8 + 2 + entries * 12 + 4;
    std::uint32_t at = arrays + 8 * strips;
    CBytes b;
    PutText(b, "II");
    PutU16LE(b, 42);
    PutU32LE(b, 8);
    PutU16LE(b, entries);
    const auto entry = [&](unsigned tag, unsigned type, std::uint32_t count, std::uint32_t value) {
        PutU16LE(b, tag);
        PutU16LE(b, type);
        PutU32LE(b, count);
        PutU32LE(b, value);
    };
    entry(256, 4, 1, cols);
    entry(257, 4, 1, rows);
    entry(258, 3, 1, 8);
    entry(259, 3, 1, deflate ? 8 : 1);
    entry(262, 3, 1, 1);
    entry(273, 4, strips, arrays);
    entry(277, 3, 1, 1);
    entry(278, 4, 1, kRowsPerStrip);
    entry(279, 4, strips, arrays + 4 * strips);
    PutU32LE(b, 0);
    for (const CBytes& strip : data) {
        PutU32LE(b, at);
        at += static_cast<std::uint32_t>(strip.size());
    }
    for (const CBytes& strip : data)
        PutU32LE(b, static_cast<std::uint32_t>(strip.size()));
    for (const CBytes& strip : data)
        b.insert(b.end(), strip.begin(), strip.end());
    return b;
}

CBytes LibtiffRgb(const CScratchFolder& folder)
{
    CTiffRecipe s;
    s.width = kCols;
    s.height = kRows;
    s.rowsPerStrip = 8;
    s.compression = COMPRESSION_LZW;
    return folder.Read(WriteTiff(folder, "made.tif", s, [](int x, int y, int p) {
        return static_cast<unsigned>(Noise(static_cast<unsigned>((y * kCols + x) * 3 + p)));
    }));
}

CBytes Webp(bool lossless)
{
    const CBytes pixels = NoiseBytes(static_cast<std::size_t>(kCols) * kRows * 3);
    std::uint8_t* encoded = nullptr;
    const std::size_t size = lossless ? WebPEncodeLosslessRGB(pixels.data(), kCols, kRows, kCols * 3, &encoded)
                                      : WebPEncodeRGB(pixels.data(), kCols, kRows, kCols * 3, 90.0f, &encoded);
    CBytes b(encoded, encoded + size);
    WebPFree(encoded);
    return b;
}

// The first `share` of the bytes after the first `keep`.
std::function<void(CBytes&)> Cut(std::size_t keep, double share)
{
    return [=](CBytes& b) {
        b.resize(keep + static_cast<std::size_t>(static_cast<double>(b.size() - keep) * share));
    };
}

// Bytes from..to overwritten with ones.
std::function<void(CBytes&)> Spoil(std::size_t from, std::size_t to)
{
    return [=](CBytes& b) {
        for (std::size_t i = from; i < to && i < b.size(); ++i)
            b[i] = 0xFF;
    };
}

const std::string kTooLarge = "too large (70000 x 70000, more than 268,435,456 pixels)";
} // namespace

TEST(DamagedInput, RecoveredWhereReadableRefusedWithReasonElse)
{
    CScratchFolder folder;
    const struct {
        const char* name;
        std::function<CBytes()> make;
        std::function<void(CBytes&)> spoil;  // none: the file as made
        std::string damage;  // what a recovered picture says (a prefix), or empty
        std::string refusal; // why it is refused instead, or empty
    } cases[] = {
        {"cut.pgm", [] { return Pnm('5', kCols, kRows, kCols * kRows); }, Cut(16, 0.6), "data ends early", ""},
        {"cut.ppm", [] { return Pnm('6', kCols, kRows, kCols * kRows * 3); }, Cut(16, 0.6), "data ends early", ""},
        {"cut.bmp", [] { return Bitmap(kCols, kRows); }, Cut(54, 0.6), "data ends early", ""},
        {"cut.gif", [] { return Gif(kCols, kRows); }, Cut(800, 0.6), "data ends early", ""},
        {"cut.psd", [] { return Photoshop(kCols, kRows); }, Cut(40, 0.6), "data ends early", ""},
        {"cut.png", [&] { return Png(folder, false); }, Cut(60, 0.6), "data ends early", ""},
        {"cut_interlaced.png", [&] { return Png(folder, true); }, Cut(60, 0.8), "data ends early", ""},
        {"cut.tif", [] { return DirectoryFirstTiff(kCols, kRows, false); }, Cut(200, 0.6), "data ends early", ""},
        {"cut_deflate.tif", [] { return DirectoryFirstTiff(kCols, kRows, true); }, Cut(200, 0.5), "data ends early",
         ""},
        {"cut_lossless.webp", [] { return Webp(true); }, Cut(40, 0.7), "data ends early", ""},
        {"cut_lossy.webp", [] { return Webp(false); }, Cut(40, 0.6), "data ends early", ""},
        // A code far beyond the table half-way through the image data; a
        // checksum that no longer matches; the first strip's zlib header.
        {"spoilt.gif", [] { return Gif(kCols, kRows); }, Spoil(1500, 1508), "damaged data (invalid LZW code)", ""},
        {"spoilt.png", [&] { return Png(folder, false); }, Spoil(2000, 2004), "damaged data (", ""},
        {"spoilt.tif", [] { return DirectoryFirstTiff(kCols, kRows, true); }, Spoil(154, 156),
         "damaged data (a strip does not decode)", ""},
        // Cut before any pixel, or with the directory that says where they are.
        {"header_only.ppm", [] { return Pnm('6', kCols, kRows, 0); }, nullptr, "", "damaged file"},
        {"header_only.png", [&] { return Png(folder, false); }, Cut(33, 0.0), "", "damaged file"},
        {"directory_last.tif", [&] { return LibtiffRgb(folder); }, Cut(0, 0.7), "", "damaged file"},
        // Sizes beyond the pixel limit, over data far too short for them.
        {"huge.ppm", [] { return Pnm('6', 70000, 70000, 100); }, nullptr, "", kTooLarge},
        {"huge.pgm", [] { return Pnm('5', 70000, 70000, 100); }, nullptr, "", kTooLarge},
        {"huge.bmp", [] { return Bitmap(70000, 70000); }, nullptr, "", kTooLarge},
        {"huge.gif", [] { return Gif(65535, 65535); }, nullptr, "",
         "too large (65535 x 65535, more than 268,435,456 pixels)"},
        {"huge.psd", [] { return Photoshop(70000, 70000); }, nullptr, "", kTooLarge},
        {"huge.png", [&] { return HugePng(folder, 70000, 70000); }, nullptr, "", kTooLarge},
        {"huge.tif", [] { return DirectoryFirstTiff(70000, 70000, false); }, nullptr, "", kTooLarge},
        {"empty.jpg", [] { return CBytes{}; }, nullptr, "", "empty file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CBytes bytes = c.make();
        std::string reason;
        CImage whole;
        if (c.spoil) {
            ReadPictureFile(folder.Write("whole", bytes), whole, reason);
            ASSERT_NE(whole.planes, 0) << reason;
            EXPECT_EQ(whole.damage, "");
            c.spoil(bytes);
        }
        CImage image;
        ReadPictureFile(folder.Write(c.name, bytes), image, reason);
        if (!c.refusal.empty()) {
            EXPECT_EQ(image.planes, 0);
            EXPECT_EQ(reason, c.refusal);
            continue;
        }
        ASSERT_NE(image.planes, 0) << reason;
        EXPECT_TRUE(image.damage.starts_with(c.damage)) << image.damage;
        // Something of the picture itself came through, not only a frame of zeros.
        ASSERT_EQ(image.planes * image.cols * image.rows, whole.planes * whole.cols * whole.rows);
        std::size_t kept = 0;
        for (std::size_t i = 0; i < image.PixelCount(); ++i)
            kept += image.plane[0][i] != 0 && image.plane[0][i] == whole.plane[0][i];
        EXPECT_GT(kept, image.PixelCount() / 10);
    }
}
