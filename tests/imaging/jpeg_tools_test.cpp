// The written files and the reader's pixels checked with tools that are not
// ours: djpeg (libjpeg-turbo-progs) and exiftool. Skipped when absent.
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "image.h"
#include "imaging_test_support.h"
#include "jpeg_reader.h"
#include "jpeg_writer.h"

using namespace imgtest;

namespace {
// "Exif\0\0", a big-endian TIFF header and one directory holding
// Orientation = 6, so exiftool has something real to decode.
Bytes SmallExifPayload()
{
    return {'E', 'x', 'i', 'f', 0, 0, 'M', 'M', 0, 42, 0, 0, 0, 8, 0, 1, 0x01, 0x12, 0, 3, 0, 0, 0, 1, 0, 6, 0, 0,
            0, 0, 0, 0};
}

// The bytes of exiftool's hex dump that follows `heading` in -v3 output.
Bytes HexDumpAfter(const std::string& text, const std::string& heading)
{
    Bytes bytes;
    const size_t at = text.find(heading);
    if (at == std::string::npos)
        return bytes;
    std::istringstream in(text.substr(at));
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) {
        const size_t colon = line.find(": ");
        if (line.size() < 6 || line[0] != ' ' || colon == std::string::npos || colon > 10)
            break;
        std::istringstream hex(line.substr(colon + 2, 48));
        std::string pair;
        while (hex >> pair && pair.size() == 2)
            bytes.push_back(static_cast<uint8_t>(std::stoi(pair, nullptr, 16)));
    }
    return bytes;
}

std::string Trim(std::string s)
{
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' '))
        s.pop_back();
    return s;
}

class JpegTools : public testing::Test {
protected:
    void RequireTool(const char* name)
    {
        if (!HaveTool(name))
            GTEST_SKIP() << name << " is not installed";
    }
    ScratchFolder folder;
};
} // namespace

TEST_F(JpegTools, DjpegSeesThePlainWritersParameters)
{
    RequireTool("djpeg");
    CImage image = MakePatternImage(40, 24, 3);
    image.resolution = 300;
    ASSERT_EQ(image.WriteJPEG(folder / "plain.jpg", 95, 1), kImageSuccess);
    const std::string verbose = RunCommand("djpeg -verbose " + Quote(folder / "plain.jpg") + " 2>&1 >/dev/null");
    EXPECT_NE(verbose.find("JFIF APP0 marker: version 1.01, density 300x300  1"), std::string::npos) << verbose;
    EXPECT_NE(verbose.find("Start Of Frame 0xc0: width=40, height=24, components=3"), std::string::npos);
    EXPECT_NE(verbose.find("Component 1: 2hx1v q=0"), std::string::npos);
    EXPECT_NE(verbose.find("Component 2: 1hx1v q=1"), std::string::npos);
    EXPECT_NE(verbose.find("Component 3: 1hx1v q=1"), std::string::npos);
    EXPECT_EQ(verbose.find("Corrupt"), std::string::npos);
}

TEST_F(JpegTools, ExiftoolSeesThePlainWritersSegments)
{
    RequireTool("exiftool");
    CImage image = MakePatternImage(16, 16, 3);
    ASSERT_EQ(image.WriteJPEG(folder / "plain.jpg", 95, 0), kImageSuccess);
    const std::string fields =
        RunCommand("exiftool -s -s -s -Comment -EncodingProcess -YCbCrSubSampling -ResolutionUnit " +
                   Quote(folder / "plain.jpg"));
    EXPECT_EQ(fields, "Brevant Inc.\nBaseline DCT, Huffman coding\nYCbCr4:4:4 (1 1)\nNone\n");
    const std::string segments = RunCommand("exiftool -v1 " + Quote(folder / "plain.jpg") + " | grep '^JPEG'");
    EXPECT_EQ(segments.find("JPEG APP0"), 0u) << segments;
    EXPECT_LT(segments.find("JPEG APP0"), segments.find("JPEG COM"));
    EXPECT_LT(segments.find("JPEG COM"), segments.find("JPEG DQT"));
    EXPECT_EQ(segments.find("JPEG APP1"), std::string::npos);
}

TEST_F(JpegTools, ExiftoolSeesTheSourceWritersSegments)
{
    RequireTool("exiftool");
    JpegRecipe recipe;
    recipe.densityUnit = 1;
    recipe.xDensity = 180;
    recipe.yDensity = 180;
    recipe.hSamp0 = 2;
    recipe.vSamp0 = 1;
    WriteBytes(folder / "src.jpg", MakeJpeg(recipe));
    const Bytes payload = SmallExifPayload();
    const int length = static_cast<int>(payload.size());
    CImage image = MakePatternImage(32, 16, 3);
    ASSERT_EQ(image.WriteJPEGWithSource(folder / "out.jpg", folder / "src.jpg", 95, payload.data(), &length),
              kImageSuccess);
    const std::string out = Quote(folder / "out.jpg");
    const std::string dump = RunCommand("exiftool -v3 " + out);
    std::string segments;
    std::istringstream lines(dump);
    for (std::string line; std::getline(lines, line);)
        if (line.rfind("JPEG ", 0) == 0)
            segments += line + "\n";
    const std::string expectedOrder = "JPEG APP0 (14 bytes):\nJPEG COM (14 bytes):\nJPEG APP1 (" +
                                      std::to_string(payload.size()) + " bytes):\nJPEG DQT (65 bytes):\n";
    EXPECT_EQ(segments.substr(0, expectedOrder.size()), expectedOrder) << segments;
    EXPECT_EQ(Trim(RunCommand("exiftool -s -s -s -n -Comment -Orientation -YCbCrSubSampling -XResolution "
                              "-ResolutionUnit " +
                              out)),
              "Brevant, Inc.\n6\n2 1\n180\n1");
    EXPECT_EQ(HexDumpAfter(dump, "JPEG APP1"), payload);
}

TEST_F(JpegTools, ReaderPixelsMatchDjpeg)
{
    RequireTool("djpeg");
    struct Case {
        const char* name;
        JpegRecipe recipe;
    };
    JpegRecipe s420;
    s420.width = 45;
    s420.height = 29;
    JpegRecipe s422 = s420;
    s422.hSamp0 = 2;
    s422.vSamp0 = 1;
    JpegRecipe s444 = s420;
    s444.hSamp0 = 1;
    s444.vSamp0 = 1;
    JpegRecipe grey = s420;
    grey.components = 1;
    grey.inSpace = JCS_GRAYSCALE;
    JpegRecipe progressive = s420;
    progressive.progressive = true;
    const Case cases[] = {
        {"4:2:0", s420}, {"4:2:2", s422}, {"4:4:4", s444}, {"grey", grey}, {"progressive", progressive}};
    for (const Case& c : cases) {
        const auto path = folder / (std::string("in-") + c.name + ".jpg");
        WriteBytes(path, MakeJpeg(c.recipe));
        const auto pnmPath = folder / "out.pnm";
        int status = 0;
        RunCommand("djpeg -pnm -outfile " + Quote(pnmPath) + " " + Quote(path), &status);
        ASSERT_EQ(status, 0) << c.name;
        Pnm pnm;
        ASSERT_TRUE(ParsePnm(ReadBytes(pnmPath), pnm)) << c.name;
        CImage image(path, 0);
        ASSERT_EQ(image.planes, pnm.planes) << c.name;
        ASSERT_EQ(image.cols, pnm.width) << c.name;
        ASSERT_EQ(image.rows, pnm.height) << c.name;
        Bytes ours(pnm.samples.size());
        ASSERT_EQ(image.ToInterleaved8(ours.data(), ours.size()), kImageSuccess);
        EXPECT_EQ(ours, pnm.samples) << c.name;
    }
}
