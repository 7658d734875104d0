// A JPEG decoded straight into the engine's form must give the engine the
// very samples the plane decode and its conversions give, and tell the same
// size, damage and facts; a file the direct decode does not take must come
// out of the plane decode unchanged.
#include "test_pipeline_support.h"

#include "color_profile.h"
#include "picture_stream.h"
#include "sample_buffer.h"

#include <lcms2.h>
#include <png.h>

using namespace pipeline_test;
using test_support::CScratchFolder;

namespace {

struct CJpegCase {
    const char* name;
    int components;      // 1 grey, 3 colour, 4 CMYK
    bool progressive;
    int orientation;     // 0: no EXIF block
    int profile;         // 0 none, 1 sRGB, 2 wide-gamut RGB, 3 grey
    double keep;         // the share of the file kept (a cut copy)
    bool direct;         // the direct decode takes it
};

// Samples that differ from pixel to pixel and channel to channel, so a
// turn, a mirror or a swapped channel shows.
std::vector<std::uint8_t> EncodeJpeg(int cols, int rows, int components, bool progressive)
{
    jpeg_compress_struct c{};
    jpeg_error_mgr error{};
    c.err = jpeg_std_error(&error);
    jpeg_create_compress(&c);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buffer, &size);
    c.image_width = JDIMENSION(cols);
    c.image_height = JDIMENSION(rows);
    c.input_components = components;
    c.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 3 ? JCS_RGB : JCS_CMYK;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 92, TRUE);
    if (progressive)
        jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    std::vector<JSAMPLE> row(std::size_t(cols) * std::size_t(components));
    while (c.next_scanline < c.image_height) {
        const int y = int(c.next_scanline);
        for (int x = 0; x < cols; ++x)
            for (int k = 0; k < components; ++k)
                row[std::size_t(x * components + k)] = JSAMPLE((x * (3 + k) + y * (5 + 2 * k) + (x * y) % 37) & 255);
        JSAMPROW pointer = row.data();
        jpeg_write_scanlines(&c, &pointer, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::vector<std::uint8_t> bytes(buffer, buffer + size);
    std::free(buffer);
    return bytes;
}

void AddSegment(std::vector<std::uint8_t>& segments, std::uint8_t marker, const std::vector<std::uint8_t>& payload)
{
    const std::size_t length = payload.size() + 2;
    segments.insert(segments.end(), {0xFF, marker, std::uint8_t(length >> 8), std::uint8_t(length)});
    segments.insert(segments.end(), payload.begin(), payload.end());
}

std::vector<std::uint8_t> OrientationPayload(int orientation)
{
    return {'E', 'x', 'i', 'f', 0, 0, 'M', 'M', 0, 42, 0, 0, 0, 8, 0, 1,
            0x01, 0x12, 0, 3, 0, 0, 0, 1, 0, std::uint8_t(orientation), 0, 0, 0, 0, 0, 0};
}

std::vector<std::uint8_t> SavedProfile(cmsHPROFILE profile)
{
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    std::vector<std::uint8_t> bytes(size);
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    return bytes;
}

std::vector<std::uint8_t> ProfileOfKind(int kind)
{
    switch (kind) {
    case 1: return SavedProfile(cmsCreate_sRGBProfile());
    case 2: return MakeCodePointProfile(9, 13);  // BT.2020 primaries
    case 3: {
        cmsToneCurve* gamma = cmsBuildGamma(nullptr, 2.2);
        std::vector<std::uint8_t> grey = SavedProfile(cmsCreateGrayProfile(cmsD50_xyY(), gamma));
        cmsFreeToneCurve(gamma);
        return grey;
    }
    default: return {};
    }
}

std::vector<std::uint8_t> MakeFile(const CJpegCase& c, int cols = 37, int rows = 21)
{
    std::vector<std::uint8_t> bytes = EncodeJpeg(cols, rows, c.components, c.progressive);
    std::vector<std::uint8_t> segments;
    if (c.orientation != 0)
        AddSegment(segments, 0xE1, OrientationPayload(c.orientation));
    if (const std::vector<std::uint8_t> profile = ProfileOfKind(c.profile); !profile.empty()) {
        std::vector<std::uint8_t> payload = {'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0, 1, 1};
        payload.insert(payload.end(), profile.begin(), profile.end());
        AddSegment(segments, 0xE2, payload);
    }
    bytes.insert(bytes.begin() + 2, segments.begin(), segments.end());
    bytes.resize(std::size_t(double(bytes.size()) * c.keep));
    return bytes;
}

struct CPngCase {
    const char* name;
    int colourType;  // PNG_COLOR_TYPE_*
    int depth;
    bool interlaced;
    bool profile;
    double keep;
    bool direct;
    bool metadata = false;  // an EXIF chunk and an XMP packet beside the pixels
};

// Samples over the whole range, transparency from clear to opaque.
std::vector<std::uint8_t> EncodePng(const CPngCase& c, int cols, int rows)
{
    std::vector<std::uint8_t> bytes;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(
        png, &bytes,
        [](png_structp p, png_bytep data, png_size_t size) {
            auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(p));
            out->insert(out->end(), data, data + size);
        },
        nullptr);
    png_set_IHDR(png, info, png_uint_32(cols), png_uint_32(rows), c.depth, c.colourType,
                 c.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    const std::vector<std::uint8_t> profile = c.profile ? ProfileOfKind(2) : std::vector<std::uint8_t>{};
    if (c.profile)
        png_set_iCCP(png, info, "wide", 0, profile.data(), png_uint_32(profile.size()));
    // A small EXIF block (orientation 1, a maker) and an XMP packet.
    png_byte exif[] = {'M', 'M', 0, 42, 0, 0, 0, 8, 0, 2, 0x01, 0x0F, 0, 2, 0, 0, 0, 4, 'A', 'c', 'm', 0,
                       0x01, 0x12, 0, 3, 0, 0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0};
    char xmpKey[] = "XML:com.adobe.xmp";
    char xmpText[] = "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">"
                     "<rdf:Description xmlns:dc=\"http://purl.org/dc/elements/1.1/\" dc:format=\"image/png\"/>"
                     "</rdf:RDF></x:xmpmeta>";
    png_text xmp{};
    xmp.compression = PNG_ITXT_COMPRESSION_NONE;
    xmp.key = xmpKey;
    xmp.text = xmpText;
    if (c.metadata) {
        png_set_eXIf_1(png, info, png_uint_32(sizeof exif), exif);
        png_set_text(png, info, &xmp, 1);
    }
    png_write_info(png, info);
    const int channels = png_get_channels(png, info);
    const std::size_t rowBytes = std::size_t(cols) * std::size_t(channels) * std::size_t(c.depth / 8);
    std::vector<std::vector<png_byte>> image(static_cast<std::size_t>(rows), std::vector<png_byte>(rowBytes));
    std::vector<png_bytep> pointers;
    for (int y = 0; y < rows; ++y) {
        for (std::size_t i = 0; i < rowBytes; ++i)
            image[std::size_t(y)][i] = png_byte((i * 29 + std::size_t(y) * 53 + i * std::size_t(y)) & 255);
        pointers.push_back(image[std::size_t(y)].data());
    }
    png_write_image(png, pointers.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    bytes.resize(std::size_t(double(bytes.size()) * c.keep));
    return bytes;
}

std::vector<std::uint8_t> EngineSamples(const CDecodedPicture& picture)
{
    const CImage& image = *picture.image;
    if (image.planes == 0)
        return {picture.samples.Bytes(), picture.samples.Bytes() + image.PixelCount() * 3};
    std::vector<std::uint8_t> samples(image.PixelCount() * 3);
    if (image.sampleType == kSampleByte) {
        EXPECT_EQ(image.ToInterleaved8(samples.data(), samples.size()), kImageSuccess);
        return samples;
    }
    // The engine takes 16-bit samples by their high byte.
    std::vector<std::uint16_t> words(samples.size());
    EXPECT_EQ(image.ToInterleaved16(words.data(), words.size()), kImageSuccess);
    for (std::size_t i = 0; i < words.size(); ++i)
        samples[i] = std::uint8_t(words[i] >> 8);
    return samples;
}

} // namespace

TEST(DirectDecode, GivesTheEngineWhatThePlaneDecodeGives)
{
    const CJpegCase cases[] = {
        {"baseline", 3, false, 0, 0, 1.0, true},
        {"progressive", 3, true, 1, 0, 1.0, true},
        {"grey", 1, false, 0, 0, 1.0, true},
        {"grey turned", 1, true, 6, 0, 1.0, true},
        {"cmyk", 4, false, 0, 0, 1.0, false},
        {"srgb profile", 3, false, 0, 1, 1.0, true},
        {"wide profile", 3, false, 0, 2, 1.0, true},
        {"grey profile on grey", 1, false, 0, 3, 1.0, false},
        {"grey profile on colour", 3, false, 0, 3, 1.0, true},
        {"orientation 2", 3, false, 2, 0, 1.0, true},
        {"orientation 3", 3, false, 3, 0, 1.0, true},
        {"orientation 4", 3, false, 4, 0, 1.0, true},
        {"orientation 5", 3, false, 5, 0, 1.0, true},
        {"orientation 6 with profile", 3, false, 6, 2, 1.0, true},
        {"orientation 7", 3, true, 7, 0, 1.0, true},
        {"orientation 8", 3, false, 8, 0, 1.0, true},
        {"cut short", 3, false, 6, 0, 0.6, true},
        {"cut short progressive", 3, true, 0, 0, 0.5, true},
        {"header only", 3, false, 0, 0, 0.05, false},
    };
    CScratchFolder folder;
    CSampleBufferPool pool;
    for (const CJpegCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = folder / (std::string(c.name) + ".jpg");
        WriteBytes(path, MakeFile(c));
        const CDecodedPicture planes = DecodePicture(path);
        CDecodedPicture direct = DecodePicture(path, pool);
        ASSERT_EQ(planes.image != nullptr, direct.image != nullptr);
        EXPECT_EQ(direct.failure.reason, planes.failure.reason);
        if (!planes.image)
            continue;
        EXPECT_EQ(direct.image->planes == 0, c.direct);
        EXPECT_EQ(direct.image->cols, planes.image->cols);
        EXPECT_EQ(direct.image->rows, planes.image->rows);
        EXPECT_EQ(direct.image->damage, planes.image->damage);
        EXPECT_EQ(planes.image->damage.empty(), c.keep == 1.0);
        EXPECT_EQ(direct.image->subsampling, planes.image->subsampling);
        EXPECT_EQ(direct.source.orientation, planes.source.orientation);
        EXPECT_EQ(direct.source.metadata.exif, planes.source.metadata.exif);
        EXPECT_EQ(direct.source.hasJpegCoding, planes.source.hasJpegCoding);
        EXPECT_TRUE(EngineSamples(direct) == EngineSamples(planes));
        // The block goes back for the next picture, as the job hands it on.
        if (direct.image->planes == 0)
            pool.Give(std::move(direct.samples));
    }
}

TEST(DirectDecode, GivesTheEngineWhatThePlaneDecodeGivesForPng)
{
    const CPngCase cases[] = {
        {"rgb", PNG_COLOR_TYPE_RGB, 8, false, false, 1.0, true},
        {"rgb16", PNG_COLOR_TYPE_RGB, 16, false, false, 1.0, true},
        {"rgba16", PNG_COLOR_TYPE_RGBA, 16, false, false, 1.0, true},
        {"rgba8", PNG_COLOR_TYPE_RGBA, 8, false, false, 1.0, true},
        {"grey alpha16", PNG_COLOR_TYPE_GRAY_ALPHA, 16, false, false, 1.0, true},
        {"grey8", PNG_COLOR_TYPE_GRAY, 8, false, false, 1.0, true},
        {"interlaced rgba cut", PNG_COLOR_TYPE_RGBA, 8, true, false, 0.7, true},
        {"rgba16 cut", PNG_COLOR_TYPE_RGBA, 16, false, false, 0.6, true},
        {"with profile", PNG_COLOR_TYPE_RGB, 16, false, true, 1.0, false},
        {"with metadata", PNG_COLOR_TYPE_RGB, 8, false, false, 1.0, true, true},
        {"with metadata cut", PNG_COLOR_TYPE_RGBA, 8, false, false, 0.5, true, true},
    };
    CScratchFolder folder;
    CSampleBufferPool pool;
    for (const CPngCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = folder / (std::string(c.name) + ".png");
        WriteBytes(path, EncodePng(c, 29, 23));
        const CDecodedPicture planes = DecodePicture(path);
        const CDecodedPicture direct = DecodePicture(path, pool);
        ASSERT_NE(planes.image, nullptr);
        ASSERT_NE(direct.image, nullptr);
        EXPECT_EQ(direct.image->planes == 0, c.direct);
        EXPECT_EQ(direct.image->cols, planes.image->cols);
        EXPECT_EQ(direct.image->rows, planes.image->rows);
        EXPECT_EQ(direct.image->damage, planes.image->damage);
        EXPECT_EQ(planes.image->damage.empty(), c.keep == 1.0);
        EXPECT_TRUE(EngineSamples(direct) == EngineSamples(planes));
        // What the output carries is read from the chunks beside the pixels.
        EXPECT_EQ(direct.source.metadata.exif, planes.source.metadata.exif);
        EXPECT_EQ(direct.source.metadata.xmp, planes.source.metadata.xmp);
        EXPECT_EQ(direct.source.metadata.exif.empty(), !c.metadata || c.keep < 1.0);
        EXPECT_EQ(direct.source.orientation, planes.source.orientation);
    }
}

// A picture streamed in pieces gives the engine, piece by piece, the samples
// the direct decode gives whole, with the same facts; a file that needs a
// turn or a conversion is not streamed, and a damaged one withholds its last
// piece (the job then reads it the usual way).
TEST(DirectDecode, StreamHandsOverWhatTheDirectDecodeGives)
{
    struct CStreamCase {
        CJpegCase file;
        bool streams;
        bool clean;
    };
    const CStreamCase cases[] = {
        {{"baseline", 3, false, 0, 0, 1.0, true}, true, true},
        {{"progressive", 3, true, 1, 0, 1.0, true}, true, true},
        {{"grey", 1, false, 0, 0, 1.0, true}, true, true},
        {{"turned", 3, false, 6, 0, 1.0, true}, false, true},
        {{"profile", 3, false, 0, 1, 1.0, true}, false, true},
        {{"cmyk", 4, false, 0, 0, 1.0, false}, false, true},
        {{"cut short", 3, false, 0, 0, 0.6, true}, true, false},
        {{"header only", 3, false, 0, 0, 0.02, false}, false, false},
    };
    constexpr int kPiece = 64;
    CScratchFolder folder;
    CSampleBufferPool pool;
    for (const CStreamCase& c : cases) {
        SCOPED_TRACE(c.file.name);
        const std::string path = folder / (std::string(c.file.name) + ".jpg");
        WriteBytes(path, MakeFile(c.file, 45, 3 * kPiece + 7));
        std::unique_ptr<CPictureStream> stream = CPictureStream::Open(path, kPiece);
        ASSERT_EQ(stream != nullptr, c.streams);
        if (!stream)
            continue;
        CSourcePicture source = stream->TakeSource();
        const CDecodedPicture direct = DecodePicture(path, pool);
        ASSERT_NE(direct.image, nullptr);
        EXPECT_EQ(source.image.cols, direct.image->cols);
        EXPECT_EQ(source.image.rows, direct.image->rows);
        EXPECT_EQ(source.image.subsampling, direct.image->subsampling);
        EXPECT_EQ(source.metadata.exif, direct.source.metadata.exif);
        const std::vector<std::uint8_t> whole = EngineSamples(direct);
        const std::size_t rowBytes = std::size_t(source.image.cols) * 3;
        bool same = true;
        int first = 0;
        for (; first < source.image.rows; first += kPiece) {
            const int count = std::min(kPiece, source.image.rows - first);
            const unsigned char* rows = CPictureStream::Read(stream.get(), first, count);
            if (rows == nullptr)
                break;
            same = same && std::equal(rows, rows + count * rowBytes, whole.begin() + std::ptrdiff_t(first * rowBytes));
        }
        EXPECT_TRUE(same);
        EXPECT_EQ(first >= source.image.rows, c.clean);
        EXPECT_EQ(stream->Failed(), !c.clean);
    }
    // Asked out of order, the stream gives up rather than hand wrong rows;
    // dropped half way, it stops its decoding.
    const std::string path = folder / "baseline.jpg";
    std::unique_ptr<CPictureStream> stream = CPictureStream::Open(path, kPiece);
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(CPictureStream::Read(stream.get(), kPiece, kPiece), nullptr);
    EXPECT_TRUE(stream->Failed());
    stream = CPictureStream::Open(path, kPiece);
    ASSERT_NE(CPictureStream::Read(stream.get(), 0, kPiece), nullptr);
    stream.reset();
}
