// The plain JPEG writer and the writer with source: segments, parameters,
// the colour-space table, the APP1 segment and failure without leftovers.
#include <algorithm>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "image.h"
#include "imaging_test_support.h"
#include "jpeg_reader.h"
#include "jpeg_thumbnail.h"
#include "jpeg_output_file.h"
#include "jpeg_writer.h"
#include "source_picture.h"

#include <cerrno>

using namespace imgtest;

namespace {
struct Frame {
    int marker = 0;
    int width = 0, height = 0;
    struct Component {
        int id, h, v, table;
    };
    std::vector<Component> components;
};

Frame ParseFrame(const std::vector<Segment>& segments)
{
    Frame frame;
    for (const auto& s : segments) {
        if (s.marker < 0xC0 || s.marker > 0xCF || s.marker == 0xC4 || s.marker == 0xC8 || s.marker == 0xCC)
            continue;
        frame.marker = s.marker;
        frame.height = s.data[1] << 8 | s.data[2];
        frame.width = s.data[3] << 8 | s.data[4];
        for (int i = 0; i < s.data[5]; ++i)
            frame.components.push_back(
                {s.data[6 + i * 3], s.data[7 + i * 3] >> 4, s.data[7 + i * 3] & 15, s.data[8 + i * 3]});
        break;
    }
    return frame;
}

std::vector<int> Markers(const std::vector<Segment>& segments)
{
    std::vector<int> markers;
    for (const auto& s : segments)
        markers.push_back(s.marker);
    return markers;
}

Bytes Text(const char* text)
{
    return Bytes(text, text + std::strlen(text) + 1);  // with its zero byte
}

size_t FilesIn(const std::filesystem::path& folder)
{
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(folder),
                                             std::filesystem::directory_iterator()));
}

Bytes ExifLikePayload(size_t size)
{
    Bytes payload = {'E', 'x', 'i', 'f', 0, 0, 'M', 'M', 0, 42};
    while (payload.size() < size)
        payload.push_back(static_cast<uint8_t>(payload.size() * 13 + 1));
    payload.resize(size);
    return payload;
}
} // namespace

TEST(JpegPlainWriter, SegmentsAndParameters)
{
    ScratchFolder folder;
    CImage image = MakePatternImage(48, 32, 3);
    image.resolution = 300;
    ASSERT_EQ(image.WriteJPEG(folder / "out.jpg", 95, 1), kImageSuccess);
    const auto segments = ReadSegments(ReadBytes(folder / "out.jpg"));
    const std::vector<int> expected = {0xD8, 0xE0, 0xFE, 0xDB, 0xDB, 0xC0, 0xC4, 0xC4, 0xC4, 0xC4, 0xDA};
    EXPECT_EQ(Markers(segments), expected);
    const Bytes app0 = segments[1].data;
    ASSERT_EQ(app0.size(), 14u);
    EXPECT_EQ(std::memcmp(app0.data(), "JFIF\0", 5), 0);
    EXPECT_EQ(app0[5], 1);   // version 1.01
    EXPECT_EQ(app0[6], 1);
    EXPECT_EQ(app0[7], 1);   // dots per inch
    EXPECT_EQ(app0[8] << 8 | app0[9], 300);
    EXPECT_EQ(app0[10] << 8 | app0[11], 300);
    EXPECT_EQ(segments[2].data, Text("Brevant Inc."));
    // Quality 95: the standard tables at 10 percent.
    EXPECT_EQ(segments[3].data[1], 2);
    EXPECT_EQ(segments[3].data[2], 1);
    const Frame frame = ParseFrame(segments);
    EXPECT_EQ(frame.marker, 0xC0);  // baseline
    EXPECT_EQ(frame.width, 48);
    EXPECT_EQ(frame.height, 32);
    ASSERT_EQ(frame.components.size(), 3u);
    EXPECT_EQ(frame.components[0].h, 2);
    EXPECT_EQ(frame.components[0].v, 1);
    EXPECT_EQ(frame.components[1].h, 1);
    EXPECT_EQ(frame.components[2].v, 1);
}

TEST(JpegPlainWriter, SubsamplingCodesAndDensityWithoutResolution)
{
    ScratchFolder folder;
    CImage image = MakePatternImage(16, 16, 3);
    const int expected[][3] = {{0, 1, 1}, {1, 2, 1}, {2, 2, 2}, {7, 2, 2}, {-1, 2, 2}};
    for (const auto& e : expected) {
        ASSERT_EQ(image.WriteJPEG(folder / "s.jpg", 80, e[0]), kImageSuccess);
        const auto segments = ReadSegments(ReadBytes(folder / "s.jpg"));
        const Frame frame = ParseFrame(segments);
        EXPECT_EQ(frame.components[0].h, e[1]) << e[0];
        EXPECT_EQ(frame.components[0].v, e[2]) << e[0];
        const Bytes app0 = FindSegment(segments, 0xE0)->data;
        EXPECT_EQ(app0[7], 0);
        EXPECT_EQ(app0[8] << 8 | app0[9], 1);
    }
}

TEST(JpegPlainWriter, GreyscaleAndRoundTrip)
{
    ScratchFolder folder;
    CImage grey = MakePatternImage(20, 10, 1);
    ASSERT_EQ(grey.WriteJPEG(folder / "g.jpg", 100, 2), kImageSuccess);
    EXPECT_EQ(ParseFrame(ReadSegments(ReadBytes(folder / "g.jpg"))).components.size(), 1u);
    CImage back(folder / "g.jpg", 0);
    ASSERT_EQ(back.planes, 1);
    for (int i = 0; i < 200; ++i)
        EXPECT_NEAR(back.plane[0][i], grey.plane[0][i], 3) << i;
}

TEST(JpegPlainWriter, WordAndFloatSamplesWriteAsBytes)
{
    ScratchFolder folder;
    CImage words(16, 8, 1, kSampleWord);
    auto* w = reinterpret_cast<uint16_t*>(words.plane[0]);
    for (int i = 0; i < 128; ++i)
        w[i] = static_cast<uint16_t>((i + 40) << 8 | 0xFF);
    ASSERT_EQ(words.WriteJPEG(folder / "w.jpg", 100, 0), kImageSuccess);
    CImage back(folder / "w.jpg", 0);
    ASSERT_EQ(back.planes, 1);
    for (int i = 0; i < 128; ++i)
        EXPECT_NEAR(back.plane[0][i], i + 40, 2) << i;

    CImage floats(8, 8, 3, kSampleFloat);
    for (int p = 0; p < 3; ++p)
        for (int i = 0; i < 64; ++i)
            reinterpret_cast<float*>(floats.plane[p])[i] = 0.5f;
    ASSERT_EQ(floats.WriteJPEG(folder / "f.jpg", 100, 0), kImageSuccess);
    CImage backFloat(folder / "f.jpg", 0);
    ASSERT_EQ(backFloat.planes, 3);
    EXPECT_NEAR(backFloat.plane[1][20], 127, 1);
}

TEST(JpegPlainWriter, OnlyOneOrThreePlanes)
{
    ScratchFolder folder;
    for (int planes : {2, 4}) {
        CImage image(8, 8, planes, kSampleByte);
        EXPECT_EQ(image.WriteJPEG(folder / "x.jpg", 90, 2), kImageBadArgument);
    }
    CImage empty;
    EXPECT_EQ(empty.WriteJPEG(folder / "x.jpg", 90, 2), kImageBadArgument);
    EXPECT_EQ(FilesIn(folder.Path()), 0u);
}

// Samples handed over interleaved, as the frame engine leaves them, are
// written (and thumbnailed) to the very bytes of the same picture in planes,
// by both writers and whatever the coding followed.
TEST(JpegInterleavedWriter, SameBytesAsThePlanes)
{
    CJpegCoding jfif;
    jfif.numComponents = 3;
    jfif.sawJfif = true;
    for (int i = 0; i < 3; ++i) {
        jfif.componentId[i] = i + 1;
        jfif.hSampFactor[i] = jfif.vSampFactor[i] = 1;
    }
    jfif.hSampFactor[0] = 2;
    CJpegCoding adobeRgb = jfif;
    adobeRgb.sawJfif = false;
    adobeRgb.sawAdobe = true;
    adobeRgb.componentId[0] = 'R';
    adobeRgb.componentId[1] = 'G';
    adobeRgb.componentId[2] = 'B';
    CJpegCoding cmyk = jfif;
    cmyk.numComponents = 4;
    const std::vector<CMarkerSegment> segments = {{0xE1, ExifLikePayload(300)}};
    struct Row {
        const char* name;
        int planes, resolution, subsampling;
        const CJpegCoding* coding;  // null: the plain writer
    };
    const Row rows[] = {
        {"plain 4:4:4 at 300 dpi", 3, 300, kSubsampling444, nullptr},
        {"plain 4:2:0", 3, 0, kSubsampling420, nullptr},
        {"plain grey", 1, 72, kSubsampling420, nullptr},
        {"following a JFIF source", 3, 0, 0, &jfif},
        {"following an Adobe RGB source", 3, 0, 0, &adobeRgb},
        {"following a CMYK source (fallback)", 3, 0, 0, &cmyk},
    };
    ScratchFolder folder;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CImage image = MakePatternImage(37, 23, row.planes);
        image.resolution = row.resolution;
        Bytes samples(37 * 23 * static_cast<size_t>(row.planes));
        ASSERT_EQ(image.ToInterleaved8(samples.data(), samples.size()), kImageSuccess);
        const CInterleavedPicture view{samples.data(), 37, 23, row.planes, row.resolution};
        const auto planar = folder / "planar.jpg";
        const auto interleaved = folder / "interleaved.jpg";
        if (row.coding == nullptr) {
            ASSERT_EQ(WriteJpegFile(image, planar, 95, row.subsampling, &segments), kImageSuccess);
            ASSERT_EQ(WriteJpegFile(view, interleaved, 95, row.subsampling, &segments), kImageSuccess);
        } else {
            const auto source = folder / "source.jpg";
            ASSERT_EQ(WriteJpegFileWithCoding(image, planar, *row.coding, source, 95, nullptr, nullptr, nullptr,
                                              &segments),
                      kImageSuccess);
            ASSERT_EQ(WriteJpegFileWithCoding(view, interleaved, *row.coding, source, 95, nullptr, nullptr,
                                              nullptr, &segments),
                      kImageSuccess);
        }
        EXPECT_EQ(ReadBytes(interleaved), ReadBytes(planar));
    }
    // Thumbnails average whole blocks of a picture wider than they are.
    CImage wide = MakePatternImage(333, 211, 3);
    Bytes samples(333 * 211 * 3);
    ASSERT_EQ(wide.ToInterleaved8(samples.data(), samples.size()), kImageSuccess);
    const Bytes thumbnail = MakeJpegThumbnail(wide);
    EXPECT_FALSE(thumbnail.empty());
    EXPECT_EQ(MakeJpegThumbnail(CInterleavedPicture{samples.data(), 333, 211, 3, 0}), thumbnail);
    // No samples, or a layout no writer takes, is refused without a file.
    EXPECT_EQ(WriteJpegFile(CInterleavedPicture{nullptr, 37, 23, 3, 0}, folder / "x.jpg", 95, 0), kImageBadArgument);
    EXPECT_EQ(WriteJpegFile(CInterleavedPicture{samples.data(), 37, 23, 2, 0}, folder / "x.jpg", 95, 0),
              kImageBadArgument);
    EXPECT_FALSE(std::filesystem::exists(folder / "x.jpg"));
}

TEST(JpegWriterFailure, MissingFolderGivesTwoAndNoFile)
{
    ScratchFolder folder;
    CImage image = MakePatternImage(8, 8, 3);
    EXPECT_EQ(image.WriteJPEG(folder / "missing" / "x.jpg", 90, 2), kImageCannotOpen);
    EXPECT_FALSE(std::filesystem::exists(folder / "missing"));
    EXPECT_EQ(FilesIn(folder.Path()), 0u);
}

TEST(JpegWriterFailure, EncoderErrorLeavesExistingFileUntouched)
{
    ScratchFolder folder;
    const Bytes before = {'k', 'e', 'e', 'p'};
    WriteBytes(folder / "x.jpg", before);
    // Wider than JPEG allows: libjpeg refuses at the start of compression.
    CImage wide(70000, 1, 3, kSampleByte);
    ASSERT_EQ(wide.planes, 3);
    EXPECT_EQ(wide.WriteJPEG(folder / "x.jpg", 90, 2), kImageBadArgument);
    EXPECT_EQ(ReadBytes(folder / "x.jpg"), before);
    EXPECT_EQ(FilesIn(folder.Path()), 1u);  // no temporary file left
    const int length = 4;
    const Bytes source = MakeJpeg(JpegRecipe());
    WriteBytes(folder / "src.jpg", source);
    EXPECT_EQ(wide.WriteJPEGWithSource(folder / "x.jpg", folder / "src.jpg", 90, before.data(), &length),
              kImageBadArgument);
    EXPECT_EQ(ReadBytes(folder / "x.jpg"), before);
    EXPECT_EQ(FilesIn(folder.Path()), 2u);
}

TEST(JpegWriterFailure, SuccessReplacesAnExistingFile)
{
    ScratchFolder folder;
    WriteBytes(folder / "x.jpg", Bytes{'o', 'l', 'd'});
    CImage image = MakePatternImage(8, 8, 3);
    ASSERT_EQ(image.WriteJPEG(folder / "x.jpg", 90, 2), kImageSuccess);
    EXPECT_EQ(ReadSegments(ReadBytes(folder / "x.jpg")).size(), 11u);
    EXPECT_EQ(FilesIn(folder.Path()), 1u);
}

TEST(JpegWriterFailure, OutputThatIsALinkIsWrittenThrough)
{
    ScratchFolder folder;
    std::filesystem::create_directories(folder / "real");
    WriteBytes(folder / "real" / "x.jpg", Bytes{'o', 'l', 'd'});
    std::error_code error;
    std::filesystem::create_symlink("real/x.jpg", folder / "x.jpg", error);
    std::filesystem::create_symlink("real/new.jpg", folder / "dangling.jpg", error);
    if (error)
        GTEST_SKIP() << "symbolic links unavailable: " << error.message();
    CImage image = MakePatternImage(8, 8, 3);
    for (const char* name : {"x.jpg", "dangling.jpg"}) {
        ASSERT_EQ(image.WriteJPEG(folder / name, 90, 2), kImageSuccess) << name;
        EXPECT_TRUE(std::filesystem::is_symlink(folder / name)) << name;
    }
    EXPECT_EQ(ReadSegments(ReadBytes(folder / "real" / "x.jpg")).size(), 11u);
    EXPECT_EQ(ReadSegments(ReadBytes(folder / "real" / "new.jpg")).size(), 11u);
    EXPECT_EQ(FilesIn(folder / "real"), 2u);  // no temporary file left

    // A failure tells the system's reason.
    std::filesystem::create_directories(folder / "dir.jpg");
    EXPECT_NE(image.WriteJPEG(folder / "dir.jpg", 90, 2), kImageSuccess);
    EXPECT_EQ(LastJpegOutputError(), EISDIR);
    ASSERT_EQ(image.WriteJPEG(folder / "x.jpg", 90, 2), kImageSuccess);
    EXPECT_EQ(LastJpegOutputError(), 0);
}

TEST(JpegPlainWriter, NameNearTheLengthLimit)
{
    // 250 bytes: a valid name, too long to carry a temporary suffix whole.
    ScratchFolder folder;
    const auto path = folder / (std::string(246, 'n') + ".jpg");
    CImage image = MakePatternImage(8, 8, 3);
    ASSERT_EQ(image.WriteJPEG(path, 90, 2), kImageSuccess);
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(FilesIn(folder.Path()), 1u);
}

TEST(JpegPlainWriter, NonAsciiName)
{
    ScratchFolder folder;
    const auto path = folder / "\xC3\xA9t\xC3\xA9 \xF0\x9F\x93\xB7.jpg";
    CImage image = MakePatternImage(8, 8, 3);
    ASSERT_EQ(image.WriteJPEG(path, 90, 2), kImageSuccess);
    CImage back(path, 0);
    EXPECT_EQ(back.planes, 3);
}

class JpegSourceWriter : public testing::Test {
protected:
    // Writes a source file and the output of the writer with source; returns
    // the output's segments.
    std::vector<Segment> WriteFrom(const JpegRecipe& recipe, const Bytes* payload = nullptr, int planes = 3,
                                   bool* fallback = nullptr)
    {
        WriteBytes(folder / "src.jpg", MakeJpeg(recipe));
        CImage image = MakePatternImage(24, 16, planes);
        const int length = payload != nullptr ? static_cast<int>(payload->size()) : 0;
        result = WriteJpegFileWithSource(image, folder / "out.jpg", folder / "src.jpg", 95,
                                         payload != nullptr ? payload->data() : nullptr,
                                         payload != nullptr ? &length : nullptr, fallback);
        return ReadSegments(ReadBytes(folder / "out.jpg"));
    }

    ScratchFolder folder;
    int result = -1;
};

TEST_F(JpegSourceWriter, JfifSourceOrderAndApp1)
{
    JpegRecipe recipe;
    recipe.densityUnit = 1;
    recipe.xDensity = 240;
    recipe.yDensity = 180;
    recipe.hSamp0 = 2;
    recipe.vSamp0 = 1;
    const Bytes payload = ExifLikePayload(1000);
    const auto segments = WriteFrom(recipe, &payload);
    ASSERT_EQ(result, kImageSuccess);
    const std::vector<int> expected = {0xD8, 0xE0, 0xFE, 0xE1, 0xDB, 0xDB, 0xC0, 0xC4, 0xC4, 0xC4, 0xC4, 0xDA};
    EXPECT_EQ(Markers(segments), expected);
    EXPECT_EQ(segments[2].data, Text("Brevant, Inc."));
    EXPECT_EQ(segments[3].data, payload);
    const Bytes& app0 = segments[1].data;
    EXPECT_EQ(app0[7], 1);
    EXPECT_EQ(app0[8] << 8 | app0[9], 240);
    EXPECT_EQ(app0[10] << 8 | app0[11], 180);
    const Frame frame = ParseFrame(segments);
    EXPECT_EQ(frame.marker, 0xC0);
    EXPECT_EQ(frame.components[0].h, 2);
    EXPECT_EQ(frame.components[0].v, 1);
    EXPECT_EQ(frame.components[1].table, 1);
}

TEST_F(JpegSourceWriter, JfifVersionFollowsSource)
{
    Bytes source = MakeJpeg(JpegRecipe());
    source[11] = 1;  // APP0 version 1.02
    source[12] = 2;
    WriteBytes(folder / "src.jpg", source);
    CImage image = MakePatternImage(8, 8, 3);
    ASSERT_EQ(image.WriteJPEGWithSource(folder / "out.jpg", folder / "src.jpg", 90, nullptr, nullptr),
              kImageSuccess);
    const auto segments = ReadSegments(ReadBytes(folder / "out.jpg"));
    EXPECT_EQ(segments[1].data[5], 1);
    EXPECT_EQ(segments[1].data[6], 2);
    EXPECT_EQ(FindSegment(segments, 0xE1), nullptr);  // no length given: no APP1
}

TEST_F(JpegSourceWriter, EmptyAndOversizedPayloads)
{
    const int zero = 0;
    WriteBytes(folder / "src.jpg", MakeJpeg(JpegRecipe()));
    CImage image = MakePatternImage(8, 8, 3);
    ASSERT_EQ(image.WriteJPEGWithSource(folder / "out.jpg", folder / "src.jpg", 90, nullptr, &zero),
              kImageSuccess);
    const Bytes file = ReadBytes(folder / "out.jpg");
    const auto segments = ReadSegments(file);
    const Segment* app1 = FindSegment(segments, 0xE1);
    ASSERT_NE(app1, nullptr);
    EXPECT_TRUE(app1->data.empty());  // length field 2

    const Bytes largest = ExifLikePayload(65533);
    const int largestLength = 65533;
    ASSERT_EQ(image.WriteJPEGWithSource(folder / "big.jpg", folder / "src.jpg", 90, largest.data(),
                                        &largestLength),
              kImageSuccess);
    EXPECT_EQ(FindSegment(ReadSegments(ReadBytes(folder / "big.jpg")), 0xE1)->data, largest);
    const int tooLong = 65534;
    const int negative = -1;
    EXPECT_EQ(image.WriteJPEGWithSource(folder / "x.jpg", folder / "src.jpg", 90, largest.data(), &tooLong),
              kImageBadArgument);
    EXPECT_EQ(image.WriteJPEGWithSource(folder / "x.jpg", folder / "src.jpg", 90, largest.data(), &negative),
              kImageBadArgument);
    EXPECT_FALSE(std::filesystem::exists(folder / "x.jpg"));
}

TEST_F(JpegSourceWriter, ColourSpaceTable)
{
    struct Row {
        const char* name;
        JpegRecipe recipe;
        int components;      // in the output frame
        bool jfif, adobe;
        int adobeTransform;  // when adobe
        std::vector<int> ids;
    };
    JpegRecipe grey;
    grey.components = 1;
    grey.inSpace = JCS_GRAYSCALE;
    JpegRecipe adobeYcc;
    adobeYcc.jfif = false;
    adobeYcc.adobe = true;
    JpegRecipe adobeRgb = adobeYcc;
    adobeRgb.jpegSpace = JCS_RGB;
    JpegRecipe bare;
    bare.jfif = false;
    JpegRecipe bareRgb = bare;
    bareRgb.jpegSpace = JCS_RGB;
    bareRgb.componentIds = {'R', 'G', 'B'};
    JpegRecipe bareOdd = bare;
    bareOdd.componentIds = {7, 8, 9};
    const Row rows[] = {
        {"grey", grey, 1, true, false, 0, {1}},
        {"adobe ycc", adobeYcc, 3, false, true, 1, {1, 2, 3}},
        {"adobe rgb", adobeRgb, 3, false, true, 0, {'R', 'G', 'B'}},
        {"jfif", JpegRecipe(), 3, true, false, 0, {1, 2, 3}},
        {"bare RGB ids", bareRgb, 3, false, false, 0, {'R', 'G', 'B'}},
        {"bare other ids", bareOdd, 3, true, false, 0, {7, 8, 9}},
    };
    for (const Row& row : rows) {
        const auto segments = WriteFrom(row.recipe);
        ASSERT_EQ(result, kImageSuccess) << row.name;
        const Frame frame = ParseFrame(segments);
        ASSERT_EQ(frame.components.size(), static_cast<size_t>(row.components)) << row.name;
        for (size_t i = 0; i < row.ids.size(); ++i)
            EXPECT_EQ(frame.components[i].id, row.ids[i]) << row.name;
        EXPECT_EQ(FindSegment(segments, 0xE0) != nullptr, row.jfif) << row.name;
        const Segment* adobe = FindSegment(segments, 0xEE);
        ASSERT_EQ(adobe != nullptr, row.adobe) << row.name;
        if (adobe != nullptr) {
            EXPECT_EQ(adobe->data[11], row.adobeTransform) << row.name;
        }
        // The marker comes first, then the COM segment.
        EXPECT_EQ(segments[1 + row.jfif + row.adobe].marker, 0xFE) << row.name;
        CImage back(folder / "out.jpg", 0);
        EXPECT_EQ(back.planes, row.components == 1 ? 1 : 3) << row.name;
        if (back.planes == 3) {  // the colours survive whatever the colour space
            EXPECT_NEAR(back.plane[2][5 * 24 + 5], Pattern(5, 5, 2), 10) << row.name;
        }
    }
}

TEST_F(JpegSourceWriter, FourComponentSourceFallsBackAndKeepsApp1)
{
    JpegRecipe cmyk;
    cmyk.components = 4;
    cmyk.inSpace = JCS_CMYK;
    cmyk.jfif = false;
    cmyk.adobe = true;
    cmyk.hSamp0 = 2;
    cmyk.vSamp0 = 1;
    const Bytes payload = ExifLikePayload(100);
    bool fallback = false;
    const auto segments = WriteFrom(cmyk, &payload, 3, &fallback);
    ASSERT_EQ(result, kImageSuccess);
    EXPECT_TRUE(fallback);
    const std::vector<int> head = {0xD8, 0xE0, 0xFE, 0xE1};
    const std::vector<int> markers = Markers(segments);
    ASSERT_GE(markers.size(), 4u);
    EXPECT_EQ(std::vector<int>(markers.begin(), markers.begin() + 4), head);
    EXPECT_EQ(segments[3].data, payload);
    const Frame frame = ParseFrame(segments);
    ASSERT_EQ(frame.components.size(), 3u);
    EXPECT_EQ(frame.components[0].h, 2);  // the source's 2x1 as the plain code 1
    EXPECT_EQ(frame.components[0].v, 1);
    CImage back(folder / "out.jpg", 0);
    EXPECT_EQ(back.planes, 3);
}

TEST_F(JpegSourceWriter, GreyImageWithColourSourceFallsBack)
{
    bool fallback = false;
    const auto segments = WriteFrom(JpegRecipe(), nullptr, 1, &fallback);
    ASSERT_EQ(result, kImageSuccess);
    EXPECT_TRUE(fallback);
    EXPECT_EQ(ParseFrame(segments).components.size(), 1u);
}

TEST_F(JpegSourceWriter, SourceProblems)
{
    CImage image = MakePatternImage(8, 8, 3);
    EXPECT_EQ(image.WriteJPEGWithSource(folder / "out.jpg", folder / "none.jpg", 90, nullptr, nullptr),
              kImageCannotOpen);
    WriteBytes(folder / "notjpeg.jpg", Bytes{'B', 'M', 1, 2, 3});
    EXPECT_EQ(image.WriteJPEGWithSource(folder / "out.jpg", folder / "notjpeg.jpg", 90, nullptr, nullptr),
              kImageBadArgument);
    EXPECT_FALSE(std::filesystem::exists(folder / "out.jpg"));
    // The source itself is never the output.
    const Bytes source = MakeJpeg(JpegRecipe());
    WriteBytes(folder / "src.jpg", source);
    EXPECT_EQ(image.WriteJPEGWithSource(folder / "src.jpg", folder / "src.jpg", 90, nullptr, nullptr),
              kImageCannotOpen);
    EXPECT_EQ(ReadBytes(folder / "src.jpg"), source);
}

TEST_F(JpegSourceWriter, ReadAndWrittenBackKeepsApp1ByteForByte)
{
    JpegRecipe recipe;
    recipe.app1 = ExifLikePayload(5000);
    recipe.hSamp0 = 2;
    recipe.vSamp0 = 1;
    WriteBytes(folder / "photo.jpg", MakeJpeg(recipe));
    const Bytes sourceFile = ReadBytes(folder / "photo.jpg");
    const auto sourceSegments = ReadSegments(sourceFile);
    const Segment* sourceApp1 = FindSegment(sourceSegments, 0xE1);
    ASSERT_NE(sourceApp1, nullptr);

    CImage picture(folder / "photo.jpg", 0);
    ASSERT_EQ(picture.planes, 3);
    const int length = static_cast<int>(sourceApp1->data.size());
    ASSERT_EQ(picture.WriteJPEGWithSource(folder / "framed.jpg", folder / "photo.jpg", 95, sourceApp1->data.data(),
                                          &length),
              kImageSuccess);
    const Bytes out = ReadBytes(folder / "framed.jpg");
    const auto outSegments = ReadSegments(out);
    const Segment* outApp1 = FindSegment(outSegments, 0xE1);
    ASSERT_NE(outApp1, nullptr);
    EXPECT_EQ(outApp1->data, sourceApp1->data);
    // The whole segment, marker and length field included, appears verbatim.
    Bytes segment = {0xFF, 0xE1, static_cast<uint8_t>((length + 2) >> 8), static_cast<uint8_t>((length + 2) & 0xFF)};
    segment.insert(segment.end(), sourceApp1->data.begin(), sourceApp1->data.end());
    EXPECT_NE(std::search(sourceFile.begin(), sourceFile.end(), segment.begin(), segment.end()), sourceFile.end());
    EXPECT_NE(std::search(out.begin(), out.end(), segment.begin(), segment.end()), out.end());
    EXPECT_EQ(ReadBytes(folder / "photo.jpg"), sourceFile);  // the source is untouched
}

TEST(JpegPlainWriter, FourTwoTwoSourceKeepsItsSamplingThroughTheCode)
{
    ScratchFolder folder;
    JpegRecipe recipe;
    recipe.hSamp0 = 2;
    recipe.vSamp0 = 1;
    WriteBytes(folder / "src.jpg", MakeJpeg(recipe));
    CImage picture(folder / "src.jpg", 0);
    ASSERT_EQ(picture.subsampling, 1);
    ASSERT_EQ(picture.WriteJPEG(folder / "out.jpg", 95, picture.subsampling), kImageSuccess);
    const Frame frame = ParseFrame(ReadSegments(ReadBytes(folder / "out.jpg")));
    ASSERT_EQ(frame.components.size(), 3u);
    EXPECT_EQ(frame.components[0].h, 2);
    EXPECT_EQ(frame.components[0].v, 1);
    EXPECT_EQ(frame.components[1].h, 1);
    EXPECT_EQ(frame.components[1].v, 1);
    EXPECT_EQ(frame.components[2].h, 1);
    EXPECT_EQ(frame.components[2].v, 1);
}
