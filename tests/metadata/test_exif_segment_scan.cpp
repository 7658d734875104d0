// The segment scan: which APP1 segment is handed over, and every way a file
// can end the scan without one.
#include "exif_block_builder.h"
#include "exif_block_reader.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using namespace exif_test;

namespace {

struct CScanResult {
    bool found = false;
    int length = -1;
    std::vector<std::uint8_t> segment;  // buffer[0 .. length)
};

CScanResult Scan(const std::vector<std::uint8_t>& file, std::size_t bufferSize = ExifBlockReader::kPipelineBufferSize)
{
    std::vector<std::uint8_t> buffer(bufferSize);
    CScanResult result;
    ExifBlockReader reader;
    result.found = reader.ReadExifBlock(std::span<const std::uint8_t>(file), buffer.data(), buffer.size(),
                                        result.length);
    if (result.found)
        result.segment.assign(buffer.begin(), buffer.begin() + result.length);
    return result;
}

std::vector<std::uint8_t> SimpleExifBlock(bool intel)
{
    CTiffData tiff(intel);
    tiff.AppendDirectory({Entry(kTagMake, kAscii, 4, 0x41424300)});
    return MakeBlock(tiff.Bytes());
}

class CTempFile {
public:
    explicit CTempFile(const std::vector<std::uint8_t>& bytes)
    {
        path = std::filesystem::temp_directory_path() /
               ("framira_exif_" + std::to_string(::getpid()) + "_" + std::to_string(counter++) + ".jpg");
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    ~CTempFile()
    {
        std::error_code error;
        std::filesystem::remove(path, error);
    }
    std::filesystem::path path;

private:
    static inline int counter = 0;
};

} // namespace

TEST(ExifSegmentScan, ReturnsTheFirstApp1SegmentExactlyAsStored)
{
    for (bool intel : {true, false}) {
        const auto block = SimpleExifBlock(intel);
        const auto jpeg = Jpeg({Segment(0xE0, Payload("JFIF\0\x01\x01")), App1FromBlock(block)});
        const CScanResult result = Scan(jpeg);
        ASSERT_TRUE(result.found);
        EXPECT_EQ(result.length, static_cast<int>(block.size()));
        EXPECT_EQ(result.segment, block);
    }
}

TEST(ExifSegmentScan, FileThatIsNotAJpegHasNoBlock)
{
    const std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0xFF, 0xE1, 0x00, 0x04, 1, 2};
    const CScanResult result = Scan(png);
    EXPECT_FALSE(result.found);
    EXPECT_EQ(result.length, 0);
    EXPECT_FALSE(Scan({}).found);
    EXPECT_FALSE(Scan({0xFF}).found);
}

TEST(ExifSegmentScan, ImageDataBeforeAnyApp1MeansNoBlock)
{
    const CScanResult noApp1 = Scan(Jpeg({Segment(0xE0, Payload("JFIF")), Segment(0xDB, Payload("qqqq"))}));
    EXPECT_FALSE(noApp1.found);
    EXPECT_EQ(noApp1.length, 0);

    // An APP1 segment behind the start of scan is image data, not a block.
    auto behindScan = Jpeg({});
    behindScan.resize(behindScan.size() - 2);
    const auto app1 = App1FromBlock(SimpleExifBlock(true));
    behindScan.insert(behindScan.end(), app1.begin(), app1.end());
    EXPECT_FALSE(Scan(behindScan).found);

    // End of image (given a length, as the scan reads one for every marker).
    EXPECT_FALSE(Scan({0xFF, 0xD8, 0xFF, 0xD9, 0x00, 0x02, 0xFF, 0xE1, 0x00, 0x02}).found);
}

TEST(ExifSegmentScan, NonExifApp1IsReturnedAndLaterExifIgnored)
{
    const auto xmp = Payload(std::string("http://ns.adobe.com/xap/1.0/\0<x:xmpmeta/>", 42));
    const auto exifBlock = SimpleExifBlock(false);
    const CScanResult result = Scan(Jpeg({Segment(0xE1, xmp), App1FromBlock(exifBlock)}));
    ASSERT_TRUE(result.found);
    EXPECT_EQ(result.length, static_cast<int>(xmp.size() + 2));
    EXPECT_EQ(std::vector<std::uint8_t>(result.segment.begin() + 2, result.segment.end()), xmp);
}

TEST(ExifSegmentScan, SixFillBytesAreAcceptedSevenAreNot)
{
    const auto block = SimpleExifBlock(true);
    auto withFill = [&](int count) {
        std::vector<std::uint8_t> bytes = {0xFF, 0xD8};
        bytes.insert(bytes.end(), static_cast<std::size_t>(count), 0xFF);
        bytes.push_back(0xE1);
        bytes.insert(bytes.end(), block.begin(), block.end());
        return bytes;
    };
    EXPECT_TRUE(Scan(withFill(6)).found);
    const CScanResult seven = Scan(withFill(7));
    EXPECT_FALSE(seven.found);
    EXPECT_EQ(seven.length, 0);
}

TEST(ExifSegmentScan, MarkerWithoutPrefixIsTakenAsItStands)
{
    // After the APP0 segment the next byte is 0xE1 without a 0xFF before it.
    const auto block = SimpleExifBlock(true);
    std::vector<std::uint8_t> bytes = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x04, 'a', 'b', 0xE1};
    bytes.insert(bytes.end(), block.begin(), block.end());
    const CScanResult result = Scan(bytes);
    ASSERT_TRUE(result.found);
    EXPECT_EQ(result.segment, block);
}

TEST(ExifSegmentScan, TruncatedOrBadLengthsMeanNoBlock)
{
    const auto block = SimpleExifBlock(true);
    auto jpeg = Jpeg({App1FromBlock(block)});
    // Ends inside the APP1 payload.
    const std::vector<std::uint8_t> truncated(jpeg.begin(), jpeg.begin() + 2 + 2 + static_cast<long>(block.size()) - 1);
    const CScanResult inPayload = Scan(truncated);
    EXPECT_FALSE(inPayload.found);
    EXPECT_EQ(inPayload.length, 0);
    // Ends inside a length field, or gives a length below 2.
    EXPECT_FALSE(Scan({0xFF, 0xD8, 0xFF, 0xE1, 0x00}).found);
    EXPECT_FALSE(Scan({0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x01, 'E', 'x'}).found);
    EXPECT_FALSE(Scan({0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x00}).found);
}

TEST(ExifSegmentScan, EmptyApp1SegmentIsABlockOfLengthTwo)
{
    const CScanResult result = Scan({0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x02, 0xFF, 0xDA});
    ASSERT_TRUE(result.found);
    EXPECT_EQ(result.length, 2);
}

TEST(ExifSegmentScan, LargestSegmentFitsExactlyAndASmallBufferIsNeverOverrun)
{
    std::string big(65533, 'x');
    big.replace(0, 6, std::string("Exif\0\0", 6));
    const auto jpeg = Jpeg({Segment(0xE0, Payload(std::string(3000, 'j'))), Segment(0xE1, Payload(big))});
    const CScanResult full = Scan(jpeg, ExifBlockReader::kLargestSegment);
    ASSERT_TRUE(full.found);
    EXPECT_EQ(full.length, 65535);

    // A buffer too small for the APP0 segment skips it; one too small for
    // the APP1 segment cannot hand it over.
    const CScanResult small = Scan(Jpeg({Segment(0xE0, Payload(std::string(3000, 'j'))),
                                         App1FromBlock(SimpleExifBlock(true))}),
                                   1000);
    EXPECT_TRUE(small.found);
    EXPECT_FALSE(Scan(jpeg, 1000).found);
}

TEST(ExifSegmentScan, ReadsFromAnOpenFileAndFromAPath)
{
    const auto block = SimpleExifBlock(false);
    const CTempFile file(Jpeg({App1FromBlock(block)}));

    std::FILE* stream = std::fopen(file.path.c_str(), "rb");
    ASSERT_NE(stream, nullptr);
    std::vector<std::uint8_t> buffer(ExifBlockReader::kPipelineBufferSize);
    int length = -1;
    ExifBlockReader reader;
    EXPECT_TRUE(reader.ReadExifBlock(stream, buffer.data(), buffer.size(), length));
    std::fclose(stream);
    EXPECT_EQ(length, static_cast<int>(block.size()));

    std::vector<std::uint8_t> fromPath;
    EXPECT_TRUE(ExifBlockReader().ReadExifBlock(file.path, fromPath));
    EXPECT_EQ(fromPath, block);

    std::vector<std::uint8_t> missing = {1, 2, 3};
    EXPECT_FALSE(ExifBlockReader().ReadExifBlock(file.path.string() + ".missing", missing));
    EXPECT_TRUE(missing.empty());
}
