// Pictures framed upright and outputs whose metadata describes them: the
// orientation of camera files, the values and thumbnail of the carried EXIF
// block, the XMP and IPTC segments of a JPEG source.
#include "test_pipeline_support.h"

#include "../metadata/exif_block_builder.h"
#include "jpeg_reader.h"

using namespace pipeline_test;
using namespace exif_test;

namespace {

constexpr std::uint16_t kShort = 3;

struct CRgb {
    std::uint8_t r, g, b;
    bool operator==(const CRgb&) const = default;
};
constexpr CRgb kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255}, kWhite{255, 255, 255};

// A landscape picture stored with a colour in each quarter.
CImage MakeQuarters(int cols, int rows)
{
    CImage image(cols, rows, 3, kSampleByte);
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < cols; ++x) {
            const CRgb c = y < rows / 2 ? (x < cols / 2 ? kRed : kGreen) : (x < cols / 2 ? kBlue : kWhite);
            const std::size_t i = std::size_t(y) * cols + x;
            image.plane[0][i] = c.r;
            image.plane[1][i] = c.g;
            image.plane[2][i] = c.b;
        }
    return image;
}

// Splices marker segments in right after a JPEG file's start of image.
void InsertSegments(const std::string& path, const std::vector<std::vector<std::uint8_t>>& segments)
{
    std::vector<std::uint8_t> bytes = ReadBytes(path);
    std::vector<std::uint8_t> inserted;
    for (const auto& s : segments)
        inserted.insert(inserted.end(), s.begin(), s.end());
    bytes.insert(bytes.begin() + 2, inserted.begin(), inserted.end());
    WriteBytes(path, bytes);
}

// A camera's EXIF payload: IFD0 with size, Orientation, Make and the Exif
// pointer; an Exif directory with the pixel size; IFD1 with a thumbnail.
struct CCameraExif {
    std::vector<std::uint8_t> payload;
    std::size_t orientationField, widthField, heightField, pixelXField, pixelYField, ifd0Link, ifd1;
};

CCameraExif MakeCameraExif(int orientation, int cols, int rows, bool intel)
{
    CTiffData t(intel);
    const std::vector<CEntry> ifd0 = {Entry(0x0100, kLong, 1, std::uint32_t(cols)),
                                      Entry(0x0101, kShort, 1, 0),
                                      InlineEntry(kTagMake, kAscii, 4, std::string("Acm\0", 4)),
                                      Entry(0x0112, kShort, 1, 0),
                                      Entry(kTagExif, kLong, 1, 0)};
    const std::size_t d0 = t.AppendDirectory(ifd0);
    t.Set16(CTiffData::ValueField(d0, 1), std::uint16_t(rows));
    t.Set16(CTiffData::ValueField(d0, 3), std::uint16_t(orientation));
    const std::size_t exif = t.AppendDirectory({Entry(0xA002, kShort, 1, 0), Entry(0xA003, kLong, 1, std::uint32_t(rows))});
    t.Set16(CTiffData::ValueField(exif, 0), std::uint16_t(cols));
    t.Set32(CTiffData::ValueField(d0, 4), std::uint32_t(exif));
    const std::size_t d1 = t.AppendDirectory({Entry(0x0103, kShort, 1, 0), Entry(0x0201, kLong, 1, 0),
                                              Entry(0x0202, kLong, 1, 0)});
    t.Set16(CTiffData::ValueField(d1, 0), 6);
    t.Set32(CTiffData::NextField(d0, ifd0.size()), std::uint32_t(d1));
    const std::size_t thumb = t.AppendBytes("\xFF\xD8 the source's own thumbnail \xFF\xD9");
    t.Set32(CTiffData::ValueField(d1, 1), std::uint32_t(thumb));
    t.Set32(CTiffData::ValueField(d1, 2), std::uint32_t(t.Size() - thumb));
    CCameraExif made;
    made.payload = Payload(std::string("Exif\0\0", 6));
    made.payload.insert(made.payload.end(), t.Bytes().begin(), t.Bytes().end());
    made.widthField = 6 + CTiffData::ValueField(d0, 0);
    made.heightField = 6 + CTiffData::ValueField(d0, 1);
    made.orientationField = 6 + CTiffData::ValueField(d0, 3);
    made.pixelXField = 6 + CTiffData::ValueField(exif, 0);
    made.pixelYField = 6 + CTiffData::ValueField(exif, 1);
    made.ifd0Link = 6 + CTiffData::NextField(d0, ifd0.size());
    made.ifd1 = 6 + d1;
    return made;
}

// The APP1 payloads and APP13 payloads of a JPEG file, in file order.
std::vector<std::pair<int, std::vector<std::uint8_t>>> ReadAppSegments(const std::string& path)
{
    std::vector<std::pair<int, std::vector<std::uint8_t>>> found;
    const std::vector<std::uint8_t> d = ReadBytes(path);
    for (std::size_t i = 2; i + 4 <= d.size() && d[i] == 0xFF && d[i + 1] != 0xDA;) {
        const std::size_t length = std::size_t(d[i + 2]) << 8 | d[i + 3];
        if (d[i + 1] == 0xE1 || d[i + 1] == 0xED)
            found.push_back({d[i + 1], std::vector<std::uint8_t>(d.begin() + long(i + 4), d.begin() + long(i + 2 + length))});
        i += 2 + length;
    }
    return found;
}

CRgb PixelOf(const CImage& image, int x, int y)
{
    const std::size_t i = std::size_t(y) * image.cols + x;
    return {image.plane[0][i], image.plane[1][i], image.plane[2][i]};
}

bool Near(CRgb a, CRgb b)
{
    return std::abs(a.r - b.r) < 24 && std::abs(a.g - b.g) < 24 && std::abs(a.b - b.b) < 24;
}

class UprightOutputTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        job.engine = engine.Calls();
        SetUpPipelineJob(job, platform, out.path.string());
    }
    CScratchFolder in, out;
    CFakeEngine engine;
    CTestPlatformServices platform;
    CBatchWorker job;
};

TEST_F(UprightOutputTest, EveryOrientationFramesUprightAndTheBlockChangesOnlyItsValues)
{
    // Where the stored quarters (red, green / blue, white) show once upright.
    const struct {
        int orientation;
        CRgb topLeft, topRight, bottomLeft, bottomRight;
    } cases[] = {
        {1, kRed, kGreen, kBlue, kWhite},  {2, kGreen, kRed, kWhite, kBlue}, {3, kWhite, kBlue, kGreen, kRed},
        {4, kBlue, kWhite, kRed, kGreen},  {5, kRed, kBlue, kGreen, kWhite}, {6, kBlue, kRed, kWhite, kGreen},
        {7, kWhite, kGreen, kBlue, kRed},  {8, kGreen, kWhite, kRed, kBlue}, {9, kRed, kGreen, kBlue, kWhite},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.orientation);
        const bool intel = c.orientation % 2 == 0;
        const std::string source = in / ("o" + std::to_string(c.orientation) + ".jpg");
        ASSERT_EQ(WriteJpegFile(MakeQuarters(64, 32), source, 95, kSubsampling444), 0);
        const CCameraExif exif = MakeCameraExif(c.orientation, 64, 32, intel);
        InsertSegments(source, {Segment(0xE1, exif.payload)});

        ASSERT_EQ(FramePicture(job, source), EJobResult::PictureWritten);
        // The job lets its planes go once the engine has its copy: the same
        // decode again, which the engine must have been given.
        const CDecodedPicture decoded = DecodePicture(source);
        ASSERT_NE(decoded.image, nullptr);
        const CImage& upright = *decoded.image;
        EXPECT_EQ(engine.runs.back().firstSamples,
                  (std::vector<std::uint8_t>{upright.plane[0][0], upright.plane[1][0], upright.plane[2][0],
                                             upright.plane[0][1], upright.plane[1][1], upright.plane[2][1]}));
        const bool turned = c.orientation >= 5 && c.orientation <= 8;
        EXPECT_EQ(upright.cols, turned ? 32 : 64);
        EXPECT_EQ(upright.rows, turned ? 64 : 32);
        EXPECT_EQ(engine.runs.back().width, upright.cols);
        const int r = upright.cols - 3, b = upright.rows - 3;
        EXPECT_TRUE(Near(PixelOf(upright, 2, 2), c.topLeft));
        EXPECT_TRUE(Near(PixelOf(upright, r, 2), c.topRight));
        EXPECT_TRUE(Near(PixelOf(upright, 2, b), c.bottomLeft));
        EXPECT_TRUE(Near(PixelOf(upright, r, b), c.bottomRight));

        // The block: the source's bytes up to its thumbnail directory, with
        // Orientation 1 (whatever it was) and the output's size; then a
        // thumbnail of the output.
        const auto segments = ReadAppSegments(out / ("o" + std::to_string(c.orientation) + ".jpg"));
        ASSERT_EQ(segments.size(), 1u);
        const std::vector<std::uint8_t>& written = segments[0].second;
        std::vector<std::uint8_t> expected(exif.payload.begin(), exif.payload.begin() + long(exif.ifd1));
        auto put = [&](std::size_t at, std::uint32_t v, bool wide) {
            CTiffData field(intel);  // borrows its byte order
            field.Set32(4, v);
            if (wide)
                std::copy_n(field.Bytes().begin() + 4, 4, expected.begin() + long(at));
            else {
                field.Set16(0, std::uint16_t(v));
                std::copy_n(field.Bytes().begin(), 2, expected.begin() + long(at));
            }
        };
        put(exif.widthField, 480, true);
        put(exif.heightField, 320, false);
        put(exif.pixelXField, 480, false);
        put(exif.pixelYField, 320, true);
        put(exif.orientationField, 1, false);
        ASSERT_GT(written.size(), exif.ifd1);
        std::copy_n(written.begin() + long(exif.ifd0Link), 4, expected.begin() + long(exif.ifd0Link));
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), written.begin()));

        // The thumbnail is the output's (480 x 320 at 160 wide), not the source's.
        const std::string text(written.begin(), written.end());
        EXPECT_EQ(text.find("source's own thumbnail"), std::string::npos);
        const std::size_t soi = text.find("\xFF\xD8", exif.ifd1);
        ASSERT_NE(soi, std::string::npos);
        int cols = 0, rows = 0, planes = 0;
        ASSERT_EQ(ReadJpegInfo(written.data() + soi, written.size() - soi, cols, rows, planes, nullptr), 0);
        EXPECT_EQ(cols, 160);
        EXPECT_EQ(rows, 107);
    }
}

} // namespace

namespace {

// exiftool's short answer for `tags` of `path`, one value a line.
std::string ExifTool(const std::string& arguments)
{
    return CommandOutput("exiftool -q -q " + arguments);
}

TEST_F(UprightOutputTest, CameraDataSurvivesFromTiffAndFromAJpegWhoseXmpComesFirst)
{
    if (std::system("exiftool -ver >/dev/null 2>&1") != 0 || std::system("convert -version >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "exiftool and ImageMagick are needed";
    job.presetIndex = 11;  // 1280 x 720
    const std::string tags = "-Make=Acme -DateTimeOriginal='2024:05:06 07:08:09' -GPSLatitude=48.5 "
                             "-GPSLatitudeRef=N -XMP-dc:Title=Tree -IPTC:Keywords=tree ";
    const std::string tiff = in / "scan.tif";
    ASSERT_EQ(std::system(("convert -size 48x32 xc:teal '" + tiff + "'").c_str()), 0);
    const std::string jpeg = in / "phone.jpg";
    WriteJpeg(jpeg, 48, 32);
    const std::string thumb = in / "thumb.jpg";
    WriteJpeg(thumb, 40, 30);
    // (A TIFF has no place for an EXIF thumbnail: exiftool leaves it out.)
    ExifTool("-overwrite_original " + tags + "'-ThumbnailImage<=" + thumb + "' '" + jpeg + "' '" + tiff + "'");
    // Put the XMP segment in front of the EXIF segment.
    std::vector<std::uint8_t> exif, xmp;
    for (const auto& [marker, payload] : ReadAppSegments(jpeg))
        if (marker == 0xE1)
            (payload[0] == 'E' ? exif : xmp) = payload;
    ASSERT_FALSE(exif.empty() || xmp.empty());
    std::vector<std::uint8_t> bytes = ReadBytes(jpeg);
    std::vector<std::uint8_t> plain = {0xFF, 0xD8};
    for (std::size_t i = 2; i + 4 <= bytes.size();) {  // drop every APP1 segment
        const std::size_t length = std::size_t(bytes[i + 2]) << 8 | bytes[i + 3];
        if (bytes[i + 1] == 0xDA) {
            plain.insert(plain.end(), bytes.begin() + long(i), bytes.end());
            break;
        }
        if (bytes[i + 1] != 0xE1)
            plain.insert(plain.end(), bytes.begin() + long(i), bytes.begin() + long(i + 2 + length));
        i += 2 + length;
    }
    WriteBytes(jpeg, plain);
    InsertSegments(jpeg, {Segment(0xE1, xmp), Segment(0xE1, exif)});

    ASSERT_EQ(FramePicture(job, tiff), EJobResult::PictureWritten);
    ASSERT_EQ(FramePicture(job, jpeg), EJobResult::PictureWritten);
    const std::string values = "Acme\n2024:05:06 07:08:09\n48.5\nTree\ntree\n";
    EXPECT_EQ(ExifTool("-s3 -n -Make -DateTimeOriginal -GPSLatitude -Title -Keywords '" + (out / "scan.jpg") + "' '" +
                       (out / "phone.jpg") + "'"),
              values + values);
    // The thumbnail shows the 16:9 output, not the source.
    const std::string extracted = out / "thumb.jpg";
    ASSERT_EQ(std::system(("exiftool -q -b -ThumbnailImage '" + (out / "phone.jpg") + "' > '" + extracted + "'").c_str()), 0);
    int cols = 0, rows = 0, planes = 0;
    ASSERT_EQ(ReadJpegInfo(fs::path(extracted), cols, rows, planes, nullptr), 0);
    EXPECT_EQ(cols, 160);
    EXPECT_EQ(rows, 90);
}

} // namespace

namespace {

// A SHORT entry (or two) with its value where a reader of either byte order
// looks for it.
CEntry ShortEntry(std::uint16_t tag, bool intel, std::uint32_t count, std::uint16_t first, std::uint16_t second = 0)
{
    const std::uint32_t value = intel ? std::uint32_t(first) | std::uint32_t(second) << 16
                                      : std::uint32_t(first) << 16 | second;
    return Entry(tag, kShort, count, value);
}

// An uncompressed RGB TIFF of `image` whose IFD0 holds only what a reader
// needs, the given Orientation entry and, when `withMake`, a Make tag.
void WriteTaggedTiff(const std::string& path, const CImage& image, const CEntry& orientation, bool withMake, bool intel)
{
    CTiffData t(intel);
    const std::uint32_t bytes = std::uint32_t(image.cols * image.rows * 3);
    const CEntry all[] = {ShortEntry(0x0100, intel, 1, std::uint16_t(image.cols)),
                          ShortEntry(0x0101, intel, 1, std::uint16_t(image.rows)),
                          Entry(0x0102, kShort, 3, 0),  // BitsPerSample, set below
                          ShortEntry(0x0103, intel, 1, 1),
                          ShortEntry(0x0106, intel, 1, 2),
                          InlineEntry(kTagMake, kAscii, 4, std::string("Acm\0", 4)),
                          Entry(0x0111, kLong, 1, 0),  // StripOffsets, set below
                          orientation,
                          ShortEntry(0x0115, intel, 1, 3),
                          ShortEntry(0x0116, intel, 1, std::uint16_t(image.rows)),
                          Entry(0x0117, kLong, 1, bytes),
                          ShortEntry(0x011C, intel, 1, 1)};
    std::vector<CEntry> entries;
    entries.reserve(std::size(all));  // reserved first: GCC 12 misreads the copies as overflows
    for (const CEntry& entry : all)
        if (withMake || entry.tag != kTagMake)
            entries.push_back(entry);
    const std::size_t d0 = t.AppendDirectory(entries);
    const std::size_t bits = t.Size();
    for (int i = 0; i < 3; ++i)
        t.Append16(8);
    t.Set32(CTiffData::ValueField(d0, 2), std::uint32_t(bits));
    t.Set32(CTiffData::ValueField(d0, withMake ? 6 : 5), std::uint32_t(t.Size()));
    std::string pixels;
    for (int i = 0; i < image.cols * image.rows; ++i)
        for (int p = 0; p < 3; ++p)
            pixels += char(image.plane[p][std::size_t(i)]);
    t.AppendBytes(pixels);
    WriteBytes(path, t.Bytes());
}

// The EXIF payload of a framed output; empty when it has none.
std::vector<std::uint8_t> OutputExif(const std::string& path)
{
    for (auto& [marker, payload] : ReadAppSegments(path))
        if (marker == 0xE1 && payload.size() > 6 && std::equal(payload.begin(), payload.begin() + 6, "Exif\0\0"))
            return payload;
    return {};
}

TEST_F(UprightOutputTest, OrientationAloneTurnsThePictureAndAMalformedOneTurnsNothing)
{
    const bool tools = std::system("convert -version >/dev/null 2>&1") == 0 &&
                       std::system("exiftool -ver >/dev/null 2>&1") == 0;
    enum EKind { kJpeg, kTiff, kTool };
    const struct {
        const char* name;
        EKind kind;
        CEntry orientation;  // written in Intel order; kTool files get Orientation 6 alone
        bool make, turned, carried;
    } cases[] = {
        // The only tag of a file. A block of it alone is carried only as the
        // file holds it (PNG, WebP); Exiv2's findings need more to be worth one.
        {"alone-tiff.tif", kTiff, ShortEntry(0x0112, true, 1, 6), false, true, false},
        {"alone-png.png", kTool, {}, false, true, true},
        {"alone-psd.psd", kTool, {}, false, true, false},
        {"alone-webp.webp", kTool, {}, false, true, true},
        // Values and types no reader turns by: carried as SHORT 1.
        {"zero.jpg", kJpeg, ShortEntry(0x0112, true, 1, 0), true, false, true},
        {"nine-tiff.tif", kTiff, ShortEntry(0x0112, true, 1, 9), true, false, true},
        {"long.jpg", kJpeg, Entry(0x0112, kLong, 1, 6), true, false, true},
        {"long-tiff.tif", kTiff, Entry(0x0112, kLong, 1, 6), true, false, true},
        {"ascii.jpg", kJpeg, InlineEntry(0x0112, kAscii, 2, std::string("6\0", 2)), true, false, true},
        {"none.jpg", kJpeg, ShortEntry(0x0112, true, 0, 6), true, false, true},
        {"two.jpg", kJpeg, ShortEntry(0x0112, true, 2, 6, 6), true, false, true},
        {"three.jpg", kJpeg, Entry(0x0112, kShort, 3, 0), true, false, true},  // stored out of line
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string source = in / c.name;
        const CImage quarters = MakeQuarters(64, 32);
        if (c.kind == kTiff) {
            WriteTaggedTiff(source, quarters, c.orientation, c.make, true);
        } else if (c.kind == kJpeg) {
            ASSERT_EQ(WriteJpegFile(quarters, source, 95, kSubsampling444), 0);
            CTiffData t(true);
            const std::size_t d0 =
                t.AppendDirectory({InlineEntry(kTagMake, kAscii, 4, std::string("Acm\0", 4)), c.orientation});
            if (c.orientation.count > 2)
                t.Set32(CTiffData::ValueField(d0, 1), std::uint32_t(t.AppendBytes(std::string("\6\0\6\0\6\0", 6))));
            std::vector<std::uint8_t> payload = Payload(std::string("Exif\0\0", 6));
            payload.insert(payload.end(), t.Bytes().begin(), t.Bytes().end());
            InsertSegments(source, {Segment(0xE1, payload)});
        } else if (!tools) {
            continue;
        } else {
            ASSERT_EQ(std::system(("convert -size 64x32 xc:teal '" + source + "' && exiftool -q -q -overwrite_original "
                                   "-Orientation#=6 -XResolution= -YResolution= -ResolutionUnit= "
                                   "-YCbCrPositioning= '" + source + "'").c_str()),
                      0);
        }

        ASSERT_EQ(FramePicture(job, source), EJobResult::PictureWritten);
        EXPECT_EQ(engine.runs.back().width, c.turned ? 32 : 64);
        const std::string output = out / (fs::path(c.name).stem().string() + ".jpg");
        const std::vector<std::uint8_t> exif = OutputExif(output);
        EXPECT_EQ(!exif.empty(), c.carried);
        if (exif.empty())
            continue;
        const bool intel = exif[6] == 'I';
        const CReadBlock block = ReadBlock(exif);
        ASSERT_EQ(block.entries.count(0x0112), 1u);
        EXPECT_EQ(block.entries.at(0x0112), (CReadEntry{kShort, 1, intel ? std::vector<std::uint8_t>{1, 0}
                                                                         : std::vector<std::uint8_t>{0, 1}, true}));
        EXPECT_EQ(block.entries.count(kTagMake) == 1 && block.entries.at(kTagMake).value == Payload(std::string("Acm\0", 4)),
                  c.make);
    }
}

// How a crafted block is bent out of a camera's layout.
enum class ELayout {
    WellFormed,
    Ifd1InIfd0Values,       // IFD1 is written inside ImageDescription's bytes
    Ifd1IsIfd0,             // IFD0 links back to itself
    ThumbnailInIfd0Values,  // the thumbnail "picture" is YResolution's value
    ExifOverIfd0Values,     // YResolution's value begins at PixelYDimension's
    ValuePastTheEnd,        // Make's value lies past the block
    CommentIsDescription,   // UserComment reads ImageDescription's bytes
    OrientationInAValue,    // ImageDescription's value covers the Orientation entry
};

// IFD0 (pixel size, ImageDescription, Make, Orientation, resolution, the
// Exif pointer), its values, the Exif directory (a date, the pixel size, a
// UserComment) and its values, IFD1 and its picture: in this order, then bent.
std::vector<std::uint8_t> MakeCraftedExif(ELayout layout, bool intel)
{
    constexpr std::uint16_t kRational = 5;
    CTiffData t(intel);
    const std::size_t d0 = t.AppendDirectory(
        {Entry(0x0100, kLong, 1, 64), ShortEntry(0x0101, intel, 1, 32), Entry(0x010E, kAscii, 32, 0),
         Entry(kTagMake, kAscii, 8, 0), ShortEntry(0x0112, intel, 1, layout == ELayout::OrientationInAValue ? 6 : 1),
         Entry(0x011A, kRational, 1, 0), Entry(0x011B, kRational, 1, 0), ShortEntry(0x0128, intel, 1, 2),
         Entry(kTagExif, kLong, 1, 0)});
    const std::size_t description = t.AppendBytes(std::string("ASCII\0\0\0Tree by the lake        ", 32));
    const std::size_t make = t.AppendBytes(std::string("Acme Co\0", 8));
    const std::size_t resolution = t.Size();
    for (int i = 0; i < 2; ++i) {
        t.Append32(72);
        t.Append32(1);
    }
    const std::size_t exif =
        t.AppendDirectory({Entry(0x9003, kAscii, 20, 0), ShortEntry(0xA002, intel, 1, 64), Entry(0xA003, kLong, 1, 32),
                           Entry(kTagUserComment, kUndefined, 12, 0)});
    const std::size_t date = t.AppendBytes(std::string("2024:05:06 07:08:09\0", 20));
    const std::size_t comment = t.AppendBytes(std::string("ASCII\0\0\0Note", 12));
    const std::size_t d1 = t.AppendDirectory({Entry(0x0201, kLong, 1, 0), Entry(0x0202, kLong, 1, 0)});
    const std::string picture = "\xFF\xD8 source thumbnail \xFF\xD9";
    const std::size_t thumb = t.AppendBytes(picture);
    auto field = [](std::size_t directory, std::size_t entry) { return CTiffData::ValueField(directory, entry); };
    t.Set32(field(d0, 2), std::uint32_t(description));
    t.Set32(field(d0, 3), std::uint32_t(make));
    t.Set32(field(d0, 5), std::uint32_t(resolution));
    t.Set32(field(d0, 6), std::uint32_t(resolution + 8));
    t.Set32(field(d0, 8), std::uint32_t(exif));
    t.Set32(field(exif, 0), std::uint32_t(date));
    t.Set32(field(exif, 3), std::uint32_t(comment));
    t.Set32(field(d1, 0), std::uint32_t(thumb));
    t.Set32(field(d1, 1), std::uint32_t(picture.size()));
    t.Set32(CTiffData::NextField(d0, 9), std::uint32_t(d1));
    switch (layout) {
    case ELayout::WellFormed: break;
    case ELayout::Ifd1InIfd0Values: t.Set32(CTiffData::NextField(d0, 9), std::uint32_t(description)); break;
    case ELayout::Ifd1IsIfd0: t.Set32(CTiffData::NextField(d0, 9), std::uint32_t(d0)); break;
    case ELayout::ThumbnailInIfd0Values:
        t.Set32(field(d1, 0), std::uint32_t(resolution + 8));
        t.Set32(field(d1, 1), 8);
        break;
    case ELayout::ExifOverIfd0Values: t.Set32(field(d0, 6), std::uint32_t(field(exif, 2))); break;
    case ELayout::ValuePastTheEnd: t.Set32(field(d0, 3), std::uint32_t(t.Size() + 64)); break;
    case ELayout::CommentIsDescription:
        t.Set32(field(exif, 3) - 4, 32);
        t.Set32(field(exif, 3), std::uint32_t(description));
        break;
    case ELayout::OrientationInAValue: t.Set32(field(d0, 2), std::uint32_t(d0 + 2 + 12 * 4)); break;
    }
    std::vector<std::uint8_t> payload = Payload(std::string("Exif\0\0", 6));
    payload.insert(payload.end(), t.Bytes().begin(), t.Bytes().end());
    if (layout == ELayout::Ifd1InIfd0Values)  // IFD1's entries (and link) as the description's text
        std::copy_n(payload.begin() + long(6 + d1), 30, payload.begin() + long(6 + description));
    return payload;
}

TEST_F(UprightOutputTest, CraftedExifLayoutsKeepEveryValueAndLoseAThumbnailThatCannotBeRebuilt)
{
    const struct {
        ELayout layout;
        bool carried, newThumbnail;
    } cases[] = {
        {ELayout::WellFormed, true, true},          {ELayout::Ifd1InIfd0Values, true, false},
        {ELayout::Ifd1IsIfd0, true, false},         {ELayout::ThumbnailInIfd0Values, true, false},
        {ELayout::ExifOverIfd0Values, true, false}, {ELayout::ValuePastTheEnd, true, false},
        {ELayout::CommentIsDescription, true, false},
        // Orientation 1 cannot be written without changing the description.
        {ELayout::OrientationInAValue, false, false},
    };
    for (const auto& c : cases) {
        const int index = int(c.layout);
        SCOPED_TRACE(index);
        const std::string source = in / ("crafted" + std::to_string(index) + ".jpg");
        ASSERT_EQ(WriteJpegFile(MakeQuarters(64, 32), source, 95, kSubsampling444), 0);
        const std::vector<std::uint8_t> payload = MakeCraftedExif(c.layout, index % 2 == 0);
        InsertSegments(source, {Segment(0xE1, payload)});

        ASSERT_EQ(FramePicture(job, source), EJobResult::PictureWritten);
        const std::vector<std::uint8_t> written = OutputExif(out / ("crafted" + std::to_string(index) + ".jpg"));
        ASSERT_EQ(!written.empty(), c.carried);
        if (!c.carried)
            continue;
        // Every value but the pixel size reads as it did.
        CReadBlock before = ReadBlock(payload), after = ReadBlock(written);
        for (const std::uint32_t size : {0x0100u, 0x0101u, 0x1A002u, 0x1A003u}) {
            before.entries.erase(size);
            after.entries.erase(size);
        }
        EXPECT_EQ(after.entries, before.entries);
        EXPECT_EQ(after.ifd0Link != 0, c.newThumbnail);
        if (c.newThumbnail) {
            const std::string text(written.begin(), written.end());
            EXPECT_EQ(text.find("source thumbnail"), std::string::npos);
        }
    }
}

} // namespace
