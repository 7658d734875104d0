// A whole frame through the engine's C entry point: a uniformly coloured,
// saturated picture framed at 1920 × 1080 shows its own colour in the bevel's
// core layer, the mount colour in the strip, and the colour-mixed picture
// colour on the mat; the same input gives the same bytes.
#include "framira.h"
#include "mat_texture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace framira {
namespace {

constexpr int kPresetHdtv = 12; // 1920 × 1080
constexpr int W = 1920, H = 1080;

std::vector<unsigned char> FrameUniform(const unsigned char rgb[3])
{
    const int w = 300, h = 200; // print 1106 × 737 at (407, 172)
    std::vector<unsigned char> input(static_cast<size_t>(w) * h * 3);
    for (size_t i = 0; i < input.size(); ++i)
        input[i] = rgb[i % 3];
    std::vector<unsigned char> output(18000000);
    EXPECT_EQ(Specklo_Init(w, h, 0), 0);
    EXPECT_EQ(Specklo_Allocate(), 0);
    EXPECT_EQ(Framira_Run(input.data(), output.data(), 0.0f, 8, w, h, 0.0f, nullptr, kPresetHdtv, 0, 0), 0);
    output.resize(static_cast<size_t>(W) * H * 3);
    return output;
}

int Sample(const std::vector<unsigned char>& out, int x, int y, int k)
{
    return out[(static_cast<size_t>(y) * W + static_cast<size_t>(x)) * 3 + static_cast<size_t>(k)];
}

TEST(FramedPicture, UniformSaturatedPictureShowsItsColourOnBandAndMat)
{
    const unsigned char colour[3] = {204, 51, 26};
    const std::vector<unsigned char> out = FrameUniform(colour);
    const unsigned char mount[3] = {240, 232, 216};
    const int bandTop = 172 - 14;
    for (int k = 0; k < 3; ++k) {
        SCOPED_TRACE(k);
        // The print itself.
        EXPECT_NEAR(Sample(out, 960, 540, k), colour[k], 1);
        // Straight top band: row 0 is 130/255 of the core colour (= the
        // picture's colour), row 10 the mount colour.
        EXPECT_NEAR(Sample(out, 960, bandTop, k), 130.0 * colour[k] / 255.0, 1.0);
        EXPECT_EQ(Sample(out, 960, bandTop + 10, k), mount[k]);
        EXPECT_NEAR(Sample(out, 960, bandTop + 1, k), 169.0 * colour[k] / 255.0, 1.0);
    }
    // The mat: MixChannels of the colour, shaded towards its square by the
    // frame mask. Beside the print the mask is nearly fully lit, and one
    // shade fraction explains all three channels.
    const float c[3] = {colour[0] / 255.0f, colour[1] / 255.0f, colour[2] / 255.0f};
    float mixed[3];
    {
        const float* in[3] = {&c[0], &c[1], &c[2]};
        float* mix[3] = {&mixed[0], &mixed[1], &mixed[2]};
        MixChannels(in, mix, 1);
    }
    const double lit = (Sample(out, 300, 540, 0) / 255.0 - mixed[0] * mixed[0]) / (mixed[0] - mixed[0] * mixed[0]);
    EXPECT_GT(lit, 0.9);
    EXPECT_LE(lit, 1.01);
    for (int k = 0; k < 3; ++k) {
        const double expected = 255.0 * (mixed[k] * lit + mixed[k] * mixed[k] * (1.0 - lit));
        EXPECT_NEAR(Sample(out, 300, 540, k), expected, 1.0) << k;
    }
    // Darker towards the corner.
    EXPECT_LT(Sample(out, 0, 0, 0), Sample(out, 300, 540, 0));
}

TEST(FramedPicture, SameInputGivesSameBytes)
{
    // A colourful gradient framed at 480 × 320, twice.
    const int w = 160, h = 120;
    std::vector<unsigned char> input(static_cast<size_t>(w) * h * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            unsigned char* p = &input[(static_cast<size_t>(y) * w + x) * 3];
            p[0] = static_cast<unsigned char>(x * 255 / (w - 1));
            p[1] = static_cast<unsigned char>(y * 255 / (h - 1));
            p[2] = static_cast<unsigned char>((x + y) % 64 < 32 ? 220 : 40);
        }
    auto frame = [&] {
        std::vector<unsigned char> copy = input, output(18000000);
        EXPECT_EQ(Specklo_Init(w, h, 0), 0);
        EXPECT_EQ(Framira_Run(copy.data(), output.data(), 0.0f, 8, w, h, 0.0f, nullptr, 1, 0, 0), 0);
        output.resize(480 * 320 * 3);
        return output;
    };
    const std::vector<unsigned char> first = frame();
    EXPECT_EQ(first, frame());
}

} // namespace
} // namespace framira
