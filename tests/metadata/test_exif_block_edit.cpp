// The edits a carried EXIF block and XMP packet get, and the scan that finds
// the metadata segments of a source JPEG.
#include "exif_block_builder.h"
#include "exif_block_edit.h"
#include "jpeg_metadata.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

using namespace exif_test;

namespace {

std::vector<std::uint8_t> ExifPayload(const CTiffData& tiff)
{
    std::vector<std::uint8_t> payload = Payload(std::string("Exif\0\0", 6));
    payload.insert(payload.end(), tiff.Bytes().begin(), tiff.Bytes().end());
    return payload;
}

bool Contains(const std::vector<std::uint8_t>& bytes, const std::string& text)
{
    return std::search(bytes.begin(), bytes.end(), text.begin(), text.end()) != bytes.end();
}

TEST(ExifBlockEdit, ThumbnailIsReplacedClearedOrDroppedButNeverKept)
{
    const std::string oldPicture = "\xFF\xD8 old thumbnail \xFF\xD9";
    const std::vector<std::uint8_t> newPicture = {0xFF, 0xD8, 'n', 'e', 'w', 0xFF, 0xD9};
    // IFD1 in the middle of the block, before the Exif directory's values:
    // it cannot be cut off, so its picture is cleared in place.
    CTiffData middle(true);
    const std::size_t d0 = middle.AppendDirectory({Entry(kTagMake, kAscii, 4, 0), Entry(kTagExif, kLong, 1, 0)});
    const std::size_t d1 = middle.AppendDirectory({Entry(0x0201, kLong, 1, 0), Entry(0x0202, kLong, 1, 0)});
    const std::size_t picture = middle.AppendBytes(oldPicture);
    const std::size_t exif = middle.AppendDirectory({Entry(kTagUserComment, kUndefined, 12, 0)});
    const std::string commentText("ASCII\0\0\0tail", 12);
    const std::size_t comment = middle.AppendBytes(commentText);
    middle.Set32(CTiffData::NextField(d0, 2), std::uint32_t(d1));
    middle.Set32(CTiffData::ValueField(d0, 1), std::uint32_t(exif));
    middle.Set32(CTiffData::ValueField(d1, 0), std::uint32_t(picture));
    middle.Set32(CTiffData::ValueField(d1, 1), std::uint32_t(oldPicture.size()));
    middle.Set32(CTiffData::ValueField(exif, 0), std::uint32_t(comment));
    const std::vector<std::uint8_t> source = ExifPayload(middle);

    const struct {
        const char* name;
        std::size_t limit;
        bool expectNew;
    } cases[] = {{"replaced", 65533, true}, {"too large: dropped", source.size() + 4, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::uint8_t> block = source;
        ASSERT_TRUE(HasExifThumbnail(block));
        ASSERT_TRUE(ReplaceExifThumbnail(block, newPicture, c.limit));
        EXPECT_FALSE(Contains(block, "old thumbnail"));
        EXPECT_TRUE(Contains(block, commentText)) << "the Exif directory's value stays";
        EXPECT_EQ(HasExifThumbnail(block), c.expectNew);
        EXPECT_EQ(Contains(block, "new"), c.expectNew);
        EXPECT_LE(block.size(), std::max(source.size(), c.limit));
        // Nothing before the old IFD1 moved.
        EXPECT_TRUE(std::equal(source.begin(), source.begin() + long(6 + CTiffData::NextField(d0, 2)), block.begin()));
    }

    // A block without IFD1 gets none unless asked.
    CTiffData plain(false);
    plain.AppendDirectory({Entry(0x0112, 3, 1, 0x00060000)});
    std::vector<std::uint8_t> block = ExifPayload(plain);
    const std::vector<std::uint8_t> before = block;
    EXPECT_EQ(ReadExifOrientation(block), 6);
    EXPECT_TRUE(ReplaceExifThumbnail(block, newPicture, 65533));
    EXPECT_EQ(block, before);
    EXPECT_TRUE(ReplaceExifThumbnail(block, newPicture, 65533, true));
    EXPECT_TRUE(HasExifThumbnail(block));
}

TEST(ExifBlockEdit, XmpOrientationBecomesOneInPlace)
{
    const struct {
        std::string packet, expected;
    } cases[] = {
        {R"(<x tiff:Orientation="6" a="8"/>)", R"(<x tiff:Orientation="1" a="8"/>)"},
        {"<tiff:Orientation>8</tiff:Orientation>", "<tiff:Orientation>1</tiff:Orientation>"},
        {"tiff:Orientation = '3'", "tiff:Orientation = '1'"},
        {R"(tiff:Orientation="9" tiff:Orientation="12")", R"(tiff:Orientation="9" tiff:Orientation="12")"},
        {"tiff:Orientation", "tiff:Orientation"},
    };
    for (const auto& c : cases) {
        std::vector<std::uint8_t> payload = Payload(c.packet);
        SetXmpOrientationToNormal(payload);
        EXPECT_EQ(std::string(payload.begin(), payload.end()), c.expected);
    }
}

TEST(JpegMetadata, PhotoshopThumbnailsLeaveAndEverythingElseStays)
{
    auto resource = [](unsigned id, const std::string& name, const std::string& data) {
        std::string r = "8BIM";
        r += char(id >> 8);
        r += char(id & 0xFF);
        r += char(name.size());
        r += name;
        if (name.size() % 2 == 0)
            r += '\0';
        r += std::string{'\0', '\0', '\0', char(data.size())};
        r += data;
        if (data.size() % 2 == 1)
            r += '\0';
        return r;
    };
    const std::string head(kIptcSignature, kIptcSignatureSize);
    const std::string iptc = resource(1028, "", "iptc!"), other = resource(1005, "ab", "xy");
    std::vector<std::uint8_t> payload = Payload(head + iptc + resource(1036, "", "thumb") + other + resource(1033, "t", "old"));
    RemovePhotoshopThumbnails(payload);
    EXPECT_EQ(payload, Payload(head + iptc + other));
    // Cut short: left as it was.
    std::vector<std::uint8_t> cut = Payload(head + iptc + resource(1036, "", "thumb").substr(0, 9));
    const std::vector<std::uint8_t> before = cut;
    RemovePhotoshopThumbnails(cut);
    EXPECT_EQ(cut, before);
}

TEST(JpegMetadata, FindsEachKindWhereverItSitsBeforeTheImageData)
{
    const std::vector<std::uint8_t> xmp = Payload(std::string(kXmpSignature, kXmpSignatureSize) + "<x/>");
    const std::vector<std::uint8_t> exif = Payload(std::string("Exif\0\0MM", 8));
    const std::vector<std::uint8_t> iptc = Payload(std::string(kIptcSignature, kIptcSignatureSize) + "8BIM");
    const std::vector<std::uint8_t> file =
        Jpeg({Segment(0xE0, Payload("JFIF")), Segment(0xE1, xmp), Segment(0xE1, Payload("Exif-not")),
              Segment(0xED, iptc), Segment(0xE1, exif), Segment(0xE1, Payload(std::string("Exif\0\0II", 8)))});
    const CJpegMetadata found = ReadJpegMetadata(file);
    EXPECT_EQ(found.exif, exif);
    EXPECT_EQ(found.xmp, xmp);
    EXPECT_EQ(found.iptc, iptc);
    // Behind the start of scan nothing counts.
    std::vector<std::uint8_t> late = Jpeg({});
    const auto segment = Segment(0xE1, exif);
    late.insert(late.end() - 2, segment.begin(), segment.end());
    EXPECT_TRUE(ReadJpegMetadata(late).Empty());
}

} // namespace
