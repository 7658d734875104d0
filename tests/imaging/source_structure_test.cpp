// The one TIFF structure reader and the one PNG chunk walk: whatever the
// offsets and lengths in a file say, nothing is read outside its bytes, a
// directory cut short keeps only what lies inside, and a chunk cut short is
// told apart from one that is whole.
#include "png_chunks.h"
#include "tiff_structure.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& b, std::size_t at, unsigned v, bool intel)
{
    if (b.size() < at + 2)
        b.resize(at + 2);
    b[at + (intel ? 0 : 1)] = std::uint8_t(v);
    b[at + (intel ? 1 : 0)] = std::uint8_t(v >> 8);
}

void Put32(Bytes& b, std::size_t at, std::uint32_t v, bool intel)
{
    if (b.size() < at + 4)
        b.resize(at + 4);
    for (int i = 0; i < 4; ++i)
        b[at + std::size_t(intel ? i : 3 - i)] = std::uint8_t(v >> (8 * i));
}

// A TIFF header pointing at `directory`, whose count says `declared` and
// which holds `stored` entries of tag 262 + i (SHORT, one value i), then
// `tail` more bytes.
Bytes MakeTiff(bool intel, std::uint32_t directory, unsigned declared, unsigned stored, std::size_t tail = 0)
{
    Bytes b = {std::uint8_t(intel ? 'I' : 'M'), std::uint8_t(intel ? 'I' : 'M')};
    Put16(b, 2, 42, intel);
    Put32(b, 4, directory, intel);
    b.resize(std::max<std::size_t>(b.size(), directory));
    Put16(b, directory, declared, intel);
    for (unsigned i = 0; i < stored; ++i) {
        const std::size_t entry = directory + 2 + 12 * i;
        Put16(b, entry, 262 + i, intel);
        Put16(b, entry + 2, 3, intel);
        Put32(b, entry + 4, 1, intel);
        Put32(b, entry + 8, 0, intel);
        Put16(b, entry + 8, i, intel);
    }
    b.resize(b.size() + tail);
    return b;
}

} // namespace

TEST(TiffStructure, DirectoriesAreBelievedOnlyAsFarAsTheBytesGo)
{
    struct Case {
        const char* what;
        Bytes tiff;
        std::size_t directory;
        bool valid;
        std::size_t declared, inside, whole;  // DeclaredEntries, EntriesInside, EntryCount
    };
    const Case cases[] = {
        {"whole directory, little-endian", MakeTiff(true, 8, 3, 3, 4), 8, true, 3, 3, 3},
        {"whole directory, big-endian", MakeTiff(false, 8, 3, 3, 4), 8, true, 3, 3, 3},
        {"count claims more than stored", MakeTiff(true, 8, 200, 2), 8, true, 200, 2, 0},
        {"count claims the maximum", MakeTiff(false, 8, 0xFFFF, 1), 8, true, 0xFFFF, 1, 0},
        {"directory offset past the end", MakeTiff(true, 8, 1, 1), 4000, true, 0, 0, 0},
        {"directory offset at the very end", MakeTiff(true, 8, 1, 1), 22, true, 0, 0, 0},
        {"directory offset wraps", MakeTiff(true, 8, 1, 1), std::size_t(-3), true, 0, 0, 0},
        {"directory at offset 0 is never whole", MakeTiff(true, 8, 1, 1), 0, true, 0x4949, 1, 0},
        {"no byte order mark", Bytes{'X', 'X', 42, 0, 8, 0, 0, 0, 0, 0}, 8, false, 0, 0, 0},
        {"shorter than a header", Bytes{'I', 'I', 42, 0}, 4, false, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const CTiffStructure tiff(c.tiff);
        ASSERT_EQ(tiff.Valid(), c.valid);
        EXPECT_EQ(tiff.DeclaredEntries(c.directory), c.declared);
        EXPECT_EQ(tiff.EntriesInside(c.directory), c.inside);
        EXPECT_EQ(tiff.EntryCount(c.directory), c.whole);
        EXPECT_EQ(tiff.DirectoryFits(c.directory), c.whole != 0);
        // Every entry said to be inside reads back as it was written.
        for (std::size_t i = 0; c.directory == 8 && i < tiff.EntriesInside(c.directory); ++i) {
            const std::size_t entry = tiff.EntryPosition(c.directory, i);
            EXPECT_EQ(tiff.Tag(entry), 262 + i);
            EXPECT_EQ(tiff.ReadShort(entry), i);
        }
    }
}

TEST(TiffStructure, ReadsOutsideTheBytesGiveZeroAndWritesThereChangeNothing)
{
    Bytes bytes = MakeTiff(true, 8, 1, 1);
    const Bytes before = bytes;
    const CTiffStructure tiff(bytes);
    for (const std::size_t at : {bytes.size() - 1, bytes.size(), std::size_t(-1), std::size_t(-4)}) {
        SCOPED_TRACE(at);
        EXPECT_EQ(tiff.Read16(at), 0u);
        EXPECT_EQ(tiff.Read32(at), 0u);
        tiff.Write16(at, 0xFFFF);
        tiff.Write32(at, 0xFFFFFFFF);
    }
    EXPECT_EQ(tiff.Read32(bytes.size() - 3), 0u);
    tiff.Write32(bytes.size() - 3, 0xFFFFFFFF);
    EXPECT_EQ(bytes, before);
    // A value that claims to lie out of line past the end is not inside.
    Put16(bytes, 10 + 2, 4, true);  // LONG
    Put32(bytes, 10 + 4, 0x40000000, true);
    const CTiffStructure changed(bytes);
    const std::size_t entry = changed.EntryPosition(8, 0);
    EXPECT_GT(changed.ValueBytes(entry), 4u);
    EXPECT_FALSE(changed.Has(std::size_t(changed.ValuePosition(entry)), changed.ValueBytes(entry)));
}

TEST(TiffStructure, ExifPayloadsNeedTheirSignatureAndMagic)
{
    Bytes tiff = MakeTiff(false, 8, 1, 1, 4);
    Bytes payload = {'E', 'x', 'i', 'f', 0, 0};
    payload.insert(payload.end(), tiff.begin(), tiff.end());
    EXPECT_TRUE(ExifTiffStructure(payload).Valid());
    EXPECT_EQ(ExifTiffStructure(payload).EntryCount(8), 1u);

    Bytes noSignature = payload;
    noSignature[3] = 'F';
    Bytes badMagic = payload;
    badMagic[6 + 3] = 43;  // BigTIFF
    const Bytes cut(payload.begin(), payload.begin() + 6 + 7);
    for (const Bytes* bad : std::initializer_list<const Bytes*>{&noSignature, &badMagic, &cut})
        EXPECT_FALSE(ExifTiffStructure(*bad).Valid());
}

namespace {

void AddChunk(Bytes& png, const char* type, const Bytes& data, std::uint32_t declared)
{
    Put32(png, png.size(), declared, false);
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    png.insert(png.end(), 4, 0);  // CRC, unchecked here
}

Bytes PngStart()
{
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    AddChunk(png, "IHDR", Bytes(13, 1), 13);
    return png;
}

} // namespace

TEST(PngChunks, OneWalkFindsTheProfileBeforeTheImageDataAndTheExifAnywhere)
{
    const Bytes profile = {'p', 0, 0, 1, 2, 3};
    const Bytes exif = {'M', 'M', 0, 42, 0, 0, 0, 8};
    struct Case {
        const char* what;
        Bytes png;
        bool iccp, iccpComplete, exifFound, exifComplete;
    };
    std::vector<Case> cases;
    {
        Bytes png = PngStart();
        AddChunk(png, "iCCP", profile, 6);
        AddChunk(png, "IDAT", Bytes(5, 0), 5);
        AddChunk(png, "eXIf", exif, 8);
        AddChunk(png, "IEND", {}, 0);
        cases.push_back({"profile before, EXIF after the image data", png, true, true, true, true});
    }
    {
        Bytes png = PngStart();
        AddChunk(png, "IDAT", Bytes(5, 0), 5);
        AddChunk(png, "iCCP", profile, 6);
        AddChunk(png, "IEND", {}, 0);
        AddChunk(png, "eXIf", exif, 8);
        cases.push_back({"profile after the image data, EXIF after the end", png, false, false, false, false});
    }
    {
        Bytes png = PngStart();
        AddChunk(png, "iCCP", profile, 0x7FFFFFF0);
        cases.push_back({"profile longer than the file", png, true, false, false, false});
    }
    {
        Bytes png = PngStart();
        AddChunk(png, "eXIf", exif, 0xFFFFFFFF);
        AddChunk(png, "iCCP", profile, 6);
        cases.push_back({"EXIF longer than the file hides what follows", png, false, false, true, false});
    }
    {
        Bytes png = PngStart();
        png.resize(png.size() - 7);
        cases.push_back({"first chunk cut short", png, false, false, false, false});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const CPngChunks chunks = FindPngChunks(c.png);
        EXPECT_EQ(chunks.iccp.found, c.iccp);
        EXPECT_EQ(chunks.iccp.complete, c.iccpComplete);
        EXPECT_EQ(chunks.exif.found, c.exifFound);
        EXPECT_EQ(chunks.exif.complete, c.exifComplete);
        if (chunks.iccp.complete) {
            EXPECT_EQ(Bytes(chunks.iccp.data.begin(), chunks.iccp.data.end()), profile);
        }
        if (chunks.exif.complete) {
            EXPECT_EQ(Bytes(chunks.exif.data.begin(), chunks.exif.data.end()), exif);
        }
    }
}
