// A source is read once: the record made with its pixels carries all its
// output needs, so framing and writing never go back to the file.
#include "test_pipeline_support.h"

#include "source_reading.h"
#include "test_platform_services.h"

#include <filesystem>

using namespace pipeline_test;

namespace {

struct CRecordJob {
    CRecordJob(const std::string& outputFolder)
    {
        job.engine = engine.Calls();
        SetUpPipelineJob(job, platform, outputFolder);
    }
    CFakeEngine engine;
    CTestPlatformServices platform;
    CBatchWorker job;
};

} // namespace

TEST(SourceRecord, OutputsWrittenFromTheRecordAloneMatchThoseReadFromTheFile)
{
    // Each source lends its output something from beside its pixels: a
    // JPEG its EXIF block and its coding, a CMYK JPEG the plane model of its
    // Adobe marker, a TIFF its own metadata.
    const std::uint8_t cmyk[4] = {10, 200, 30, 40};
    const struct {
        const char* name;
        void (*write)(const std::string& path, const std::uint8_t* cmyk);
    } sources[] = {
        {"exif.jpg", [](const std::string& p, const std::uint8_t*) { WriteJpegWithExif(p, 48, 32, MakeExifPayload()); }},
        {"adobe.jpg", [](const std::string& p, const std::uint8_t* c) { WriteCmykJpeg(p, 40, 24, c, true); }},
        {"plain.jpg", [](const std::string& p, const std::uint8_t*) { WriteJpeg(p, 30, 20, 1); }},
    };
    CScratchFolder in, fromFile, fromRecord;
    for (const auto& source : sources) {
        SCOPED_TRACE(source.name);
        const std::string path = in / source.name;
        source.write(path, cmyk);

        CRecordJob reading(fromFile.path.string());
        ASSERT_EQ(FramePicture(reading.job, path), EJobResult::PictureWritten);

        // Decoded, then the file is gone before anything is written.
        CDecodedPicture decoded = DecodePicture(path);
        ASSERT_NE(decoded.image, nullptr);
        EXPECT_EQ(decoded.source.path, path);
        EXPECT_TRUE(decoded.source.iccProfile.empty()) << "the profile has been applied and let go";
        const std::string moved = in / (std::string(source.name) + ".away");
        std::filesystem::rename(path, moved);
        CRecordJob record(fromRecord.path.string());
        ASSERT_TRUE(record.job.AcceptPicture(std::move(decoded)));
        ASSERT_EQ(record.job.RunAndSave(record.job.inputImage->cols, record.job.inputImage->rows, path),
                  EJobResult::PictureWritten);
        std::filesystem::rename(moved, path);

        const std::string output = std::string(source.name);
        EXPECT_EQ(ReadBytes(fromRecord / output), ReadBytes(fromFile / output));
        EXPECT_EQ(record.engine.runs.back().firstSamples, reading.engine.runs.back().firstSamples);
    }
}

TEST(SourceRecord, AFileThatGivesNoPictureSaysWhyInItsRecord)
{
    CScratchFolder in;
    const struct {
        const char* name;
        std::vector<std::uint8_t> bytes;
        const char* reason;
    } cases[] = {
        {"empty.jpg", {}, "empty file"},
        {"text.jpg", {'h', 'e', 'l', 'l', 'o'}, "unknown format"},
        {"plain.pgm", {'P', '2', '\n', '1', ' ', '1', '\n', '2', '5', '5', '\n', '0'}, "unsupported variant (plain-text greymap/pixmap)"},
        {"cut.jpg", {0xFF, 0xD8, 0xFF}, "damaged file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes(in / c.name, c.bytes);
        const CSourcePicture source = ReadSource(in / c.name);
        EXPECT_FALSE(source.HasPixels());
        EXPECT_NE(source.result, EImageResult::Success);
        EXPECT_EQ(source.reason, c.reason);
    }
    const CSourcePicture missing = ReadSource(in / "missing.jpg");
    EXPECT_EQ(missing.result, EImageResult::CannotOpen);
    EXPECT_EQ(missing.reason, "cannot be opened");
}
