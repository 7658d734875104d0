// Pictures straight from cameras and phones, through the job's own reading
// and writing: HEIC described by colour code points instead of a profile,
// HEIC turned by its own transform, and a DNG whose camera data must reach
// the output.
#include "dng_fixture.h"
#include "read_problem.h"
#include "source_metadata.h"
#include "test_pipeline_support.h"
#include "picture_reading.h"

#include <libheif/heif.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <memory>

using namespace pipeline_test;

// Under the leak sanitizer: the HEVC encoder these tests write HEIC with
// (through libheif) keeps a few kilobytes per picture to the end. The leak
// is the library's, and reading never reaches it.
// Visible, so the sanitizer runtime (a shared library under GCC) finds it.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions()
{
    return "leak:libx265.so\n";
}

namespace {

struct CHeifDelete {
    void operator()(heif_context* p) const { heif_context_free(p); }
    void operator()(heif_encoder* p) const { heif_encoder_release(p); }
    void operator()(heif_image* p) const { heif_image_release(p); }
    void operator()(heif_image_handle* p) const { heif_image_handle_release(p); }
    void operator()(heif_encoding_options* p) const { heif_encoding_options_free(p); }
    void operator()(heif_color_profile_nclx* p) const { heif_nclx_color_profile_free(p); }
};
template <typename T>
using CHeifPtr = std::unique_ptr<T, CHeifDelete>;

bool HaveHevcCoding()
{
    return heif_have_encoder_for_format(heif_compression_HEVC) != 0 &&
           heif_have_decoder_for_format(heif_compression_HEVC) != 0;
}

struct CHeicMaking {
    int primaries = 0;  // with `transfer`, an nclx colour box; none when 0
    int transfer = 0;
    heif_orientation orientation = heif_orientation_normal;  // irot/imir boxes
    std::vector<std::uint8_t> exif;                          // a TIFF structure; none when empty
};

// `rgb` (three 8-bit planes) coded as HEVC at a high quality.
bool WriteHeic(const std::string& path, const CImage& rgb, const CHeicMaking& making)
{
    const CHeifPtr<heif_context> context(heif_context_alloc());
    heif_encoder* encoderRaw = nullptr;
    if (!context || heif_context_get_encoder_for_format(context.get(), heif_compression_HEVC, &encoderRaw).code != 0)
        return false;
    const CHeifPtr<heif_encoder> encoder(encoderRaw);
    heif_encoder_set_lossy_quality(encoder.get(), 95);
    heif_image* imageRaw = nullptr;
    if (heif_image_create(rgb.cols, rgb.rows, heif_colorspace_RGB, heif_chroma_interleaved_RGB, &imageRaw).code != 0)
        return false;
    const CHeifPtr<heif_image> image(imageRaw);
    if (heif_image_add_plane(image.get(), heif_channel_interleaved, rgb.cols, rgb.rows, 8).code != 0)
        return false;
    int stride = 0;
    std::uint8_t* data = heif_image_get_plane(image.get(), heif_channel_interleaved, &stride);
    for (int y = 0; y < rgb.rows; ++y)
        for (int x = 0; x < rgb.cols; ++x)
            for (int p = 0; p < 3; ++p)
                data[y * stride + x * 3 + p] = rgb.plane[p][std::size_t(y) * std::size_t(rgb.cols) + std::size_t(x)];

    const CHeifPtr<heif_encoding_options> options(heif_encoding_options_alloc());
    const CHeifPtr<heif_color_profile_nclx> nclx(heif_nclx_color_profile_alloc());
    if (!options || !nclx)
        return false;
    options->image_orientation = making.orientation;
    if (making.primaries != 0) {
        if (heif_nclx_color_profile_set_color_primaries(nclx.get(), std::uint16_t(making.primaries)).code != 0 ||
            heif_nclx_color_profile_set_transfer_characteristics(nclx.get(), std::uint16_t(making.transfer)).code != 0)
            return false;
        nclx->matrix_coefficients = heif_matrix_coefficients_ITU_R_BT_601_6;
        nclx->full_range_flag = 1;
        // libheif 1.15 writes the image's own description into the colour box.
        if (heif_image_set_nclx_color_profile(image.get(), nclx.get()).code != 0)
            return false;
        options->output_nclx_profile = nclx.get();
        options->macOS_compatibility_workaround_no_nclx_profile = 0;  // else no colour box at all
    }
    heif_image_handle* handleRaw = nullptr;
    if (heif_context_encode_image(context.get(), image.get(), encoder.get(), options.get(), &handleRaw).code != 0)
        return false;
    const CHeifPtr<heif_image_handle> handle(handleRaw);
    if (!making.exif.empty() &&
        heif_context_add_exif_metadata(context.get(), handle.get(), making.exif.data(), int(making.exif.size())).code != 0)
        return false;
    return heif_context_write_to_file(context.get(), path.c_str()).code == 0;
}

CImage Filled(int cols, int rows, const std::array<int, 3>& rgb)
{
    CImage image(cols, rows, 3, kSampleByte);
    for (int p = 0; p < 3; ++p)
        std::memset(image.plane[p], rgb[std::size_t(p)], image.PixelCount());
    return image;
}

std::array<int, 3> SampleAt(const CImage& image, int x, int y)
{
    const std::size_t i = std::size_t(y) * std::size_t(image.cols) + std::size_t(x);
    return {image.plane[0][i], image.plane[1][i], image.plane[2][i]};
}

class CameraSourcesTest : public ::testing::Test {
protected:
    void SetUp() override { SetUpPipelineJob(job, platform, out.path.string()); }
    const CImage* Load(const std::string& path) { return job.LoadPicture(path) ? job.inputImage.get() : nullptr; }
    CScratchFolder in, out;
    CTestPlatformServices platform;
    CBatchWorker job;
};

TEST_F(CameraSourcesTest, HeicColourCodePointsComeOutAsSrgb)
{
    if (!HaveHevcCoding())
        GTEST_SKIP() << "libheif without HEVC coding";
    // Expected values worked out by hand: the primaries' matrix to sRGB's,
    // and for HDR the light divided by 203 cd/m² (with the roll-off above
    // 80 % of it). Pictures described as sRGB or BT.709 are left as read, and
    // BT.709's curve is read as sRGB's whatever the primaries.
    const struct {
        const char* what;
        int primaries, transfer;
        std::array<int, 3> patch;
        std::array<int, 3> expected;  // all 0: exactly as read
    } cases[] = {
        {"Display P3", 12, 13, {40, 170, 60}, {0, 173, 36}},
        {"BT.2020 grey, BT.709 curve", 9, 1, {128, 128, 128}, {128, 128, 128}},
        {"BT.2020 green, BT.709 curve", 9, 1, {40, 170, 60}, {0, 179, 25}},
        {"BT.2020 grey, PQ under reference white", 9, 16, {100, 100, 100}, {107, 107, 107}},
        {"BT.2020 grey, HLG reference white", 9, 18, {191, 191, 191}, {243, 243, 243}},
        {"sRGB", 1, 13, {40, 170, 60}, {}},
        {"BT.709", 1, 1, {40, 170, 60}, {}},
        {"unspecified", 2, 2, {40, 170, 60}, {}},
        {"no colour box", 0, 0, {40, 170, 60}, {}},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string source = in / ("coded" + std::to_string(++n) + ".heic");
        ASSERT_TRUE(WriteHeic(source, Filled(32, 32, c.patch), {c.primaries, c.transfer, heif_orientation_normal, {}}));
        CImage read;
        std::string reason;
        ReadPictureFile(source, read, reason);
        ASSERT_EQ(read.planes, 3) << reason;
        const CImage* loaded = Load(source);
        ASSERT_NE(loaded, nullptr);
        ASSERT_EQ(loaded->planes, 3);
        ASSERT_EQ(loaded->PixelCount(), read.PixelCount());
        if (c.expected == std::array<int, 3>{}) {
            for (int p = 0; p < 3; ++p)
                EXPECT_EQ(std::memcmp(loaded->plane[p], read.plane[p], read.PixelCount()), 0) << "plane " << p;
            continue;
        }
        const std::array<int, 3> got = SampleAt(*loaded, 16, 16);
        for (std::size_t p = 0; p < 3; ++p)
            EXPECT_NEAR(got[p], c.expected[p], 3) << "plane " << p;
    }
}

TEST_F(CameraSourcesTest, HeicTurnedByItsOwnTransformIsUprightOnce)
{
    if (!HaveHevcCoding())
        GTEST_SKIP() << "libheif without HEVC coding";
    // Quarters red, green / blue, white, stored landscape with a quarter turn
    // clockwise to show, and an EXIF Orientation 6 saying the same again.
    CImage picture = Filled(64, 32, {255, 255, 255});
    const std::array<int, 3> red{255, 0, 0}, green{0, 255, 0}, blue{0, 0, 255}, white{255, 255, 255};
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 64; ++x) {
            const std::array<int, 3>& colour = y < 16 ? (x < 32 ? red : green) : (x < 32 ? blue : white);
            for (int p = 0; p < 3; ++p)
                picture.plane[p][std::size_t(y) * 64 + std::size_t(x)] = std::uint8_t(colour[std::size_t(p)]);
        }
    const std::vector<std::uint8_t> exif = {'M', 'M', 0, 42, 0, 0, 0, 8, 0, 1,        // one entry
                                            0x01, 0x12, 0, 3, 0, 0, 0, 1, 0, 6, 0, 0,  // Orientation 6
                                            0, 0, 0, 0};
    const std::string source = in / "turned.heic";
    ASSERT_TRUE(WriteHeic(source, picture, {0, 0, heif_orientation_rotate_90_cw, exif}));
    ASSERT_EQ(ReadSourceOrientation(source), 0) << "the decoder's turn is the only one";
    const CImage* loaded = Load(source);
    ASSERT_NE(loaded, nullptr);
    ASSERT_EQ(loaded->cols, 32);
    ASSERT_EQ(loaded->rows, 64);
    const struct {
        int x, y;
        std::array<int, 3> colour;
    } corners[] = {{2, 2, blue}, {29, 2, red}, {29, 61, green}, {2, 61, white}};
    for (const auto& corner : corners) {
        const std::array<int, 3> got = SampleAt(*loaded, corner.x, corner.y);
        for (std::size_t p = 0; p < 3; ++p)
            EXPECT_NEAR(got[p], corner.colour[p], 12) << corner.x << "," << corner.y << " plane " << p;
    }
}

TEST_F(CameraSourcesTest, DngCameraDataReachesTheOutput)
{
    if (std::system("exiftool -ver >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "exiftool is needed";
    // The camera's names and date travel; the DNG's own tags stay behind (a
    // JPEG that says it is a DNG fools its readers), and with them what a raw
    // converter left in the main directory.
    const std::string source = in / "converted.dng";
    ASSERT_TRUE(test_support::WriteMosaicDng(
        source, 48, 32, {.orientation = 6, .dateTimeOriginal = "2024:05:06 07:08:09", .converterDataBytes = 20000}));
    ASSERT_EQ(FramePicture(job, source), EJobResult::PictureWritten);
    EXPECT_EQ(CommandOutput("exiftool -q -q -s3 -n -Make -Model -DateTimeOriginal -Orientation -DNGVersion -DNGPrivateData "
                     "-OriginalRawFileData '" + (out / "converted.jpg") + "'"),
              "Framira\nTest Sensor\n2024:05:06 07:08:09\n1\n");
}

} // namespace
