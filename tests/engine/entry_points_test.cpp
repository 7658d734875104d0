// The C entry points: output sizes from the preset table, 16-bit input,
// instance reuse, diagnostics and refusal of bad arguments.
#include "framira.h"

#include "frame_maker_timing.h"
#include "mat_texture.h"
#include "output_size.h"
#include "texture_preparation.h"
#include "work_pool.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

class EntryPointsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(Specklo_Init(64, 48, 12), 0);
        framira::SetFrameMakerStageTimes(&times);
    }
    void TearDown() override { framira::SetFrameMakerStageTimes(nullptr); }

    // A small gradient picture of 8-bit samples.
    static std::vector<uint8_t> Picture(int width, int height)
    {
        std::vector<uint8_t> samples(static_cast<size_t>(width) * height * 3);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                uint8_t* p = &samples[(static_cast<size_t>(y) * width + x) * 3];
                p[0] = static_cast<uint8_t>(x * 255 / width);
                p[1] = static_cast<uint8_t>(y * 255 / height);
                p[2] = static_cast<uint8_t>((x + y) % 256);
            }
        }
        return samples;
    }

    // Runs with an output buffer one kilobyte larger than needed and checks
    // that exactly outputWidth × outputHeight × 3 bytes were written.
    void ExpectOutputSize(int preset, int customWidth, int customHeight, int outputWidth, int outputHeight)
    {
        std::vector<uint8_t> picture = Picture(32, 24);
        const size_t needed = static_cast<size_t>(outputWidth) * outputHeight * 3;
        std::vector<uint8_t> output(needed + 1024, 0xCD);
        ASSERT_EQ(Framira_Run(picture.data(), output.data(), 1.75f, 8, 32, 24, 1.0f, nullptr, preset, customWidth,
                              customHeight),
                  0);
        for (size_t i = needed; i < output.size(); ++i) {
            ASSERT_EQ(output[i], 0xCD) << "byte " << i << " past the output";
        }
        bool lastRowWritten = false;
        for (size_t i = needed - static_cast<size_t>(outputWidth) * 3; i < needed; ++i) {
            lastRowWritten = lastRowWritten || output[i] != 0xCD;
        }
        EXPECT_TRUE(lastRowWritten);
    }

    framira::CFrameMakerStageTimes times;
};

TEST_F(EntryPointsTest, PresetTableRows)
{
    static_assert(sizeof(kFramiraPresets) == 17 * 60);
    EXPECT_STREQ(kFramiraPresets[0].name, "Current");
    EXPECT_EQ(kFramiraPresets[0].width, 1);
    EXPECT_STREQ(kFramiraPresets[11].name, "HDTV");
    EXPECT_STREQ(kFramiraPresets[12].name, "HDTV");
    EXPECT_EQ(kFramiraPresets[11].width, 1280);
    EXPECT_EQ(kFramiraPresets[11].height, 720);
    EXPECT_EQ(kFramiraPresets[12].width, 1920);
    EXPECT_EQ(kFramiraPresets[12].height, 1080);
    EXPECT_STREQ(kFramiraPresets[16].name, "END");
    for (const CAResolutionPreset& row : kFramiraPresets) {
        EXPECT_GE(row.width, row.height) << row.name;
        EXPECT_LE(row.width, 2560);
        // NUL-padded: nothing after the terminator.
        for (size_t i = std::strlen(row.name); i < sizeof row.name; ++i) {
            EXPECT_EQ(row.name[i], '\0');
        }
    }
}

TEST_F(EntryPointsTest, TrivialEntriesAndVersion)
{
    EXPECT_STREQ(Specklo_Version(), "1.0.1");
    EXPECT_EQ(Specklo_Allocate(), 0);
    EXPECT_EQ(Specklo_Detect(), 0);
    EXPECT_EQ(Specklo_CreateMap(), 0);
    EXPECT_EQ(Specklo_End(), 0);
    EXPECT_EQ(Specklo_Init(1, 1, 0), 0);
}

TEST(OutputSizeTest, CustomSizeOnlyForPresetZero)
{
    int32_t width = 0;
    int32_t height = 0;
    ASSERT_TRUE(framira::ResolveOutputSize(0, 1024, 600, width, height));
    EXPECT_EQ(width, 1024);
    EXPECT_EQ(height, 600);
    ASSERT_TRUE(framira::ResolveOutputSize(7, 1024, 600, width, height));
    EXPECT_EQ(width, 1600);
    EXPECT_EQ(height, 1200);
    ASSERT_TRUE(framira::ResolveOutputSize(11, 0, 0, width, height));
    EXPECT_EQ(width, 1280);
    EXPECT_EQ(height, 720);
    ASSERT_TRUE(framira::ResolveOutputSize(16, 0, 0, width, height));
    EXPECT_EQ(width, 1280);
    EXPECT_EQ(height, 1024);
    EXPECT_FALSE(framira::ResolveOutputSize(17, 10, 10, width, height));
    EXPECT_FALSE(framira::ResolveOutputSize(-1, 10, 10, width, height));
    EXPECT_FALSE(framira::ResolveOutputSize(0, 0, 10, width, height));
    EXPECT_FALSE(framira::ResolveOutputSize(0, 30000, 30000, width, height));
}

TEST_F(EntryPointsTest, RunWritesExactlyTheOutputSize)
{
    ExpectOutputSize(0, 200, 120, 200, 120);
    ExpectOutputSize(1, 1024, 600, 480, 320);
}

TEST_F(EntryPointsTest, SixteenBitInputIsNarrowedInPlace)
{
    const uint16_t words[6] = {0x1234, 0xAB01, 0x00FF, 0xFFFF, 0x8000, 0x0077};
    std::vector<uint16_t> input(words, words + 6);
    std::vector<uint8_t> output(64 * 48 * 3);
    ASSERT_EQ(Framira_Run(input.data(), output.data(), 0.0f, 16, 2, 1, 0.0f, nullptr, 0, 64, 48), 0);
    const uint8_t expected[6] = {0x12, 0xAB, 0x00, 0xFF, 0x80, 0x00};
    EXPECT_EQ(std::memcmp(input.data(), expected, 6), 0);
}

TEST_F(EntryPointsTest, SixteenBitPictureFramesLikeItsHighBytes)
{
    const std::vector<uint8_t> bytes = Picture(40, 30);
    std::vector<uint16_t> words(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) {
        words[i] = static_cast<uint16_t>(bytes[i] << 8 | (i * 37) % 256);
    }
    std::vector<uint8_t> eight = bytes;
    std::vector<uint8_t> fromEight(96 * 64 * 3);
    std::vector<uint8_t> fromSixteen(96 * 64 * 3);
    ASSERT_EQ(Framira_Run(eight.data(), fromEight.data(), 0.0f, 8, 40, 30, 0.0f, nullptr, 0, 96, 64), 0);
    ASSERT_EQ(Framira_Run(words.data(), fromSixteen.data(), 0.0f, 16, 40, 30, 0.0f, nullptr, 0, 96, 64), 0);
    EXPECT_EQ(fromEight, fromSixteen);
}

TEST_F(EntryPointsTest, UnreadArgumentsDoNotMatter)
{
    std::vector<uint8_t> picture = Picture(40, 30);
    std::vector<uint8_t> first(96 * 64 * 3);
    std::vector<uint8_t> second(96 * 64 * 3, 1);
    const char path[] = "/some/where.jpg";
    ASSERT_EQ(Framira_Run(picture.data(), first.data(), 1.75f, 8, 40, 30, 1.0f, path, 0, 96, 64), 0);
    ASSERT_EQ(Framira_Run(picture.data(), second.data(), -7.0f, 8, 40, 30, 123.0f, nullptr, 0, 96, 64), 0);
    EXPECT_EQ(first, second);
}

TEST_F(EntryPointsTest, EndAndInitReuseTheTexturesOfTheLastSize)
{
    std::vector<uint8_t> picture = Picture(40, 30);
    std::vector<uint8_t> output(120 * 80 * 3);
    ASSERT_EQ(Framira_Run(picture.data(), output.data(), 0.0f, 8, 40, 30, 0.0f, nullptr, 0, 120, 80), 0);
    const int prepared = times.texturePreparations;
    EXPECT_EQ(Specklo_End(), 0);
    EXPECT_EQ(Specklo_Init(40, 30, 12), 0);
    EXPECT_EQ(Specklo_Allocate(), 0);
    ASSERT_EQ(Framira_Run(picture.data(), output.data(), 0.0f, 8, 40, 30, 0.0f, nullptr, 0, 120, 80), 0);
    EXPECT_EQ(times.texturePreparations, prepared);
}

// A job framing every picture at two sizes makes each size's textures once:
// the set of the size left waits for the next picture, instead of being
// dropped for the one the engine is coming back to.
TEST_F(EntryPointsTest, TwoSizesInTurnMakeEachSizesTexturesOnce)
{
    framira::SetWorkThreadCount(2);
    // Made ahead first, which replaces whatever an earlier test left waiting.
    const int made = framira::TextureSetsMade();
    Framira_Prepare(0, 104, 72);
    EXPECT_EQ(Specklo_End(), 0);
    std::vector<uint8_t> picture = Picture(40, 30);
    std::vector<uint8_t> output(136 * 88 * 3);
    for (int run = 0; run < 6; ++run) {
        const bool first = run % 2 == 0;
        ASSERT_EQ(Framira_Run(picture.data(), output.data(), 0.0f, 8, 40, 30, 0.0f, nullptr, 0, first ? 104 : 136,
                              first ? 72 : 88),
                  0);
    }
    EXPECT_EQ(framira::TextureSetsMade() - made, 2);
    framira::SetWorkThreadCount(0);
}

// The same when the run begins while its size is still being made ahead: the
// picture is resampled meanwhile, and the set of the size left is given back
// only once the new one is taken, so coming back to it makes nothing.
TEST_F(EntryPointsTest, ASizeStillBeingMadeAheadKeepsTheSetOfTheSizeLeft)
{
    framira::SetWorkThreadCount(2);
    std::vector<uint8_t> picture = Picture(40, 30);
    std::vector<uint8_t> output(144 * 96 * 3);
    const auto run = [&](int width, int height) {
        return Framira_Run(picture.data(), output.data(), 0.0f, 8, 40, 30, 0.0f, nullptr, 0, width, height);
    };
    // Sizes of their own, so no set an earlier test left counts.
    Framira_Prepare(0, 112, 80);
    EXPECT_EQ(Specklo_End(), 0);
    ASSERT_EQ(run(112, 80), 0);
    const int made = framira::TextureSetsMade();
    Framira_Prepare(0, 144, 96);
    ASSERT_EQ(run(144, 96), 0);
    ASSERT_EQ(run(112, 80), 0);
    EXPECT_EQ(framira::TextureSetsMade() - made, 1);
    framira::SetWorkThreadCount(0);
}

// A run whose mat gets no memory fails, whether its textures were still being
// made ahead and whatever the core colour's thread is doing beside the mat;
// the next run at that size gives the bytes of a run that never failed.
TEST_F(EntryPointsTest, ARunFailingAtTheMatLeavesTheNextRunItsBytes)
{
    struct CCase {
        int width;
        int height;
        bool madeAhead;
        int threads;
    };
    const CCase cases[] = {
        {152, 100, true, 2},
        {160, 104, false, 2},
        {168, 108, true, 1},
    };
    std::vector<uint8_t> picture = Picture(40, 30);
    for (const CCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        framira::SetWorkThreadCount(c.threads);
        std::vector<uint8_t> output(static_cast<size_t>(c.width) * c.height * 3);
        const auto run = [&] {
            return Framira_Run(picture.data(), output.data(), 0.0f, 8, 40, 30, 0.0f, nullptr, 0, c.width, c.height);
        };
        if (c.madeAhead) {
            Framira_Prepare(0, c.width, c.height);
        }
        framira::SetMatPlaneAllocationLimitForTesting(0);
        EXPECT_NE(run(), 0);
        framira::SetMatPlaneAllocationLimitForTesting(-1);
        ASSERT_EQ(run(), 0);
        const std::vector<uint8_t> afterFailure = output;
        ASSERT_EQ(run(), 0);
        EXPECT_EQ(afterFailure, output);
    }
    framira::SetWorkThreadCount(0);
}

TEST_F(EntryPointsTest, DiagnosticLines)
{
    std::vector<uint8_t> picture = Picture(40, 30);
    std::vector<uint8_t> output(96 * 64 * 3);
    testing::internal::CaptureStdout();
    ASSERT_EQ(Framira_Run(picture.data(), output.data(), 0.0f, 8, 40, 30, 0.0f, nullptr, 0, 96, 64), 0);
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(printed, "\n Analysis complete \n\n Processing complete \n");
}

TEST_F(EntryPointsTest, BadArgumentsFailWithoutTouchingTheBuffers)
{
    std::vector<uint8_t> picture = Picture(40, 30);
    const std::vector<uint8_t> pictureBefore = picture;
    std::vector<uint8_t> output(96 * 64 * 3, 0xCD);
    const std::vector<uint8_t> outputBefore = output;
    const auto run = [&](void* in, unsigned char* out, int bits, int w, int h, int preset, int cw, int ch) {
        return Framira_Run(in, out, 0.0f, bits, w, h, 0.0f, nullptr, preset, cw, ch);
    };
    EXPECT_NE(run(nullptr, output.data(), 8, 40, 30, 0, 96, 64), 0);
    EXPECT_NE(run(picture.data(), nullptr, 8, 40, 30, 0, 96, 64), 0);
    EXPECT_NE(run(picture.data(), output.data(), 8, 0, 30, 0, 96, 64), 0);
    EXPECT_NE(run(picture.data(), output.data(), 8, 40, -1, 0, 96, 64), 0);
    EXPECT_NE(run(picture.data(), output.data(), 8, 40, 30, 0, 0, 64), 0);
    EXPECT_NE(run(picture.data(), output.data(), 8, 40, 30, 0, 96, -64), 0);
    EXPECT_NE(run(picture.data(), output.data(), 8, 40, 30, -1, 96, 64), 0);
    EXPECT_NE(run(picture.data(), output.data(), 8, 40, 30, 17, 96, 64), 0);
    // Products that do not fit 32 bits.
    EXPECT_NE(run(picture.data(), output.data(), 8, 65536, 65536, 0, 96, 64), 0);
    EXPECT_NE(run(picture.data(), output.data(), 8, 40000, 20000, 0, 96, 64), 0);
    EXPECT_NE(run(picture.data(), output.data(), 16, 20000, 20000, 0, 96, 64), 0);
    EXPECT_NE(run(picture.data(), output.data(), 8, 40, 30, 0, 50000, 50000), 0);
    EXPECT_NE(run(picture.data(), output.data(), 8, INT_MAX, 1, 0, 96, 64), 0);
    EXPECT_EQ(picture, pictureBefore);
    EXPECT_EQ(output, outputBefore);
    // The engine is still usable afterwards.
    EXPECT_EQ(run(picture.data(), output.data(), 8, 40, 30, 0, 96, 64), 0);
}

} // namespace
