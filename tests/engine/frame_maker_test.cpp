// The frame maker driven directly: flags, caches, failure paths and what
// Process writes. Assertions about pixels look only inside the print, away
// from the band, so they hold whatever the mat looks like.
#include "framira_framework.h"

#include "frame_maker_timing.h"
#include "host_sample_bits.h"
#include "print_layout.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <vector>

namespace {

class FrameMakerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        framira::SetHostSampleBits(8);
        framira::SetFrameMakerStageTimes(&times);
    }
    void TearDown() override { framira::SetFrameMakerStageTimes(nullptr); }

    // Describes a width × height picture and an outputWidth × outputHeight
    // output the way the entry points do, and runs Init 0 and 1.
    long Describe(CFrameMakerAutoEngine& engine, int width, int height, int outputWidth, int outputHeight)
    {
        picture.assign(static_cast<size_t>(width) * height * 3, 0);
        output.assign(outputWidth > 0 && outputHeight > 0 ? static_cast<size_t>(outputWidth) * outputHeight * 3 : 0, 0xCD);
        input = CAImageBuffer{picture.data(), height, width};
        target = CAImageBuffer{output.data(), outputHeight, outputWidth};
        engine.width = width;
        engine.height = height;
        engine.bits = 8;
        engine.image = &input;
        engine.parms = &target;
        const long first = engine.Init(0);
        if (first != 0) {
            return first;
        }
        engine.width = outputWidth;
        engine.height = outputHeight;
        return engine.Init(1);
    }

    void Fill(uint8_t r, uint8_t g, uint8_t b)
    {
        for (size_t i = 0; i < picture.size(); i += 3) {
            picture[i] = r;
            picture[i + 1] = g;
            picture[i + 2] = b;
        }
    }

    framira::CFrameMakerStageTimes times;
    std::vector<uint8_t> picture;
    std::vector<uint8_t> output;
    CAImageBuffer input{};
    CAImageBuffer target{};
};

TEST_F(FrameMakerTest, VersionAndRelease)
{
    CFrameMakerAutoEngine engine;
    EXPECT_EQ(engine.Version(), 1);
    EXPECT_EQ(engine.Release(), 0);
}

TEST_F(FrameMakerTest, TexturesArePreparedOncePerOutputSize)
{
    CFrameMakerAutoEngine engine;
    ASSERT_EQ(Describe(engine, 40, 30, 96, 64), 0);
    ASSERT_EQ(Describe(engine, 50, 20, 96, 64), 0);
    EXPECT_EQ(times.texturePreparations, 1);
    ASSERT_EQ(Describe(engine, 50, 20, 80, 64), 0);
    EXPECT_EQ(times.texturePreparations, 2);
    ASSERT_EQ(Describe(engine, 50, 20, 96, 64), 0);
    EXPECT_EQ(times.texturePreparations, 3);
}

TEST_F(FrameMakerTest, OutputPhaseBeforeInputPhaseLeavesNothingPrepared)
{
    CFrameMakerAutoEngine engine;
    engine.width = 96;
    engine.height = 64;
    EXPECT_EQ(engine.Init(1), 0);
    EXPECT_EQ(engine.Init(5), 0);
    EXPECT_EQ(times.texturePreparations, 0);
    CARect source(10, 10);
    CARect destination(96, 64);
    EXPECT_EQ(engine.Process(source, destination, CAProcessFull), 1);
}

TEST_F(FrameMakerTest, InputPlanesAreKeptPerPixelCount)
{
    CFrameMakerAutoEngine engine;
    ASSERT_EQ(Describe(engine, 40, 30, 96, 64), 0);
    CARect landscape(40, 30);
    ASSERT_EQ(engine.Analyze(landscape), 0);
    ASSERT_EQ(Describe(engine, 30, 40, 96, 64), 0);
    CARect portrait(30, 40);
    ASSERT_EQ(engine.Analyze(portrait), 0);
    EXPECT_EQ(times.inputPlaneAllocations, 1);
    // Portrait planes of the same count serve Process as well.
    CARect destination(96, 64);
    EXPECT_EQ(engine.Process(portrait, destination, CAProcessFull), 0);

    ASSERT_EQ(Describe(engine, 50, 30, 96, 64), 0);
    CARect wider(50, 30);
    ASSERT_EQ(engine.Analyze(wider), 0);
    EXPECT_EQ(times.inputPlaneAllocations, 2);
}

TEST_F(FrameMakerTest, AFirstOnePixelPictureStillGetsPlanes)
{
    CFrameMakerAutoEngine engine;
    ASSERT_EQ(Describe(engine, 1, 1, 96, 64), 0);
    Fill(10, 20, 30);
    CARect source(1, 1);
    ASSERT_EQ(engine.Analyze(source), 0);
    CARect destination(96, 64);
    EXPECT_EQ(engine.Process(source, destination, CAProcessFull), 0);
}

TEST_F(FrameMakerTest, FailedAnalyzeForgetsThePlanes)
{
    CFrameMakerAutoEngine engine;
    ASSERT_EQ(Describe(engine, 40, 30, 96, 64), 0);
    CARect source(40, 30);
    ASSERT_EQ(engine.Analyze(source), 0);
    CARect outside(1, 41, 0, 30); // same count, one column past the edge
    EXPECT_NE(engine.Analyze(outside), 0);
    CARect destination(96, 64);
    EXPECT_EQ(engine.Process(source, destination, CAProcessFull), 1);
    ASSERT_EQ(engine.Analyze(source), 0);
    EXPECT_EQ(times.inputPlaneAllocations, 2);
    CARect empty(0, 0);
    EXPECT_EQ(engine.Analyze(empty), 1);
}

// The print goes out before the mat, and the mat around it after: every
// byte of the output must be written once (whatever the buffer held), the
// print whole at its corner and none of the mat over it.
TEST_F(FrameMakerTest, ProcessWritesThePrintAtItsCornerAndTheMatAllAround)
{
    struct CCase {
        int w, h, W, H;
        int pw, ph, x0, y0;
    };
    const CCase cases[] = {
        // s = min(1.7065 × 320 / 500, (456 - 28) / 300, (314.144 - 28) / 200) = 1.0922.
        {300, 200, 480, 320, 328, 218, 76, 51},
        {200, 300, 480, 320, 191, 286, 145, 17},  // turned: the height term wins
        {301, 199, 97, 65, 54, 36, 22, 15},       // odd sides: the spare pixel goes left and up
        {100, 100, 30, 29, 0, 0, 15, 15},         // no print at all
    };
    for (const CCase& c : cases) {
        CFrameMakerAutoEngine engine;
        ASSERT_EQ(Describe(engine, c.w, c.h, c.W, c.H), 0);
        Fill(200, 100, 50);
        CARect source(c.w, c.h);
        ASSERT_EQ(engine.Analyze(source), 0);
        std::vector<uint8_t> outputs[2];
        for (const uint8_t before : {0x00, 0xFF}) {
            output.assign(output.size(), before);
            CARect destination(c.W, c.H);
            ASSERT_EQ(engine.Process(source, destination, CAProcessFull), 0);
            outputs[before & 1] = output;
        }
        ASSERT_EQ(outputs[0], outputs[1]) << c.W << "x" << c.H << ": bytes left unwritten";
        const framira::CPrintSize print = framira::CalculatePrintWidthAndHeight(c.W, c.H, c.w, c.h);
        const framira::CPrintOrigin origin = framira::PrintOrigin(c.W, c.H, print.width, print.height);
        ASSERT_EQ(print.width, c.pw);
        ASSERT_EQ(print.height, c.ph);
        ASSERT_EQ(origin.x, c.x0);
        ASSERT_EQ(origin.y, c.y0);
        for (int y = c.y0; y < c.y0 + c.ph; ++y) {
            for (int x = c.x0; x < c.x0 + c.pw; ++x) {
                const uint8_t* pixel = &output[(static_cast<size_t>(y) * c.W + x) * 3];
                ASSERT_EQ(pixel[0], 200) << x << "," << y << " on " << c.W << "x" << c.H;
                ASSERT_EQ(pixel[1], 100);
                ASSERT_EQ(pixel[2], 50);
            }
        }
        // The mat is not the picture's flat colour, so a print laid over it
        // in the wrong place would show here.
        const uint8_t* corner = &output[0];
        EXPECT_FALSE(corner[0] == 200 && corner[1] == 100 && corner[2] == 50);
    }
}

TEST_F(FrameMakerTest, ProcessRefusesAnotherSizeThanPrepared)
{
    CFrameMakerAutoEngine engine;
    ASSERT_EQ(Describe(engine, 40, 30, 96, 64), 0);
    CARect source(40, 30);
    ASSERT_EQ(engine.Analyze(source), 0);
    const std::vector<uint8_t> before = output;
    CARect larger(200, 100);
    EXPECT_EQ(engine.Process(source, larger, CAProcessFull), 1);
    CARect otherPicture(41, 30);
    CARect destination(96, 64);
    EXPECT_EQ(engine.Process(otherPicture, destination, CAProcessFull), 1);
    // Edges as far apart as they go: sides of almost 2^32 each.
    CARect absurd(INT32_MIN, INT32_MAX, INT32_MIN, INT32_MAX);
    EXPECT_EQ(engine.Process(absurd, destination, CAProcessFull), 1);
    EXPECT_EQ(output, before);
}

TEST_F(FrameMakerTest, TinyOutputsAreAllMat)
{
    CFrameMakerAutoEngine engine;
    ASSERT_EQ(Describe(engine, 100, 100, 30, 29), 0);
    CARect source(100, 100);
    ASSERT_EQ(engine.Analyze(source), 0);
    CARect destination(30, 29);
    EXPECT_EQ(engine.Process(source, destination, CAProcessFull), 0);
    ASSERT_EQ(Describe(engine, 100, 100, 1, 1), 0);
    ASSERT_EQ(engine.Analyze(source), 0);
    CARect single(1, 1);
    EXPECT_EQ(engine.Process(source, single, CAProcessFull), 0);
}

TEST_F(FrameMakerTest, NonPositiveOutputSizeFailsInit)
{
    CFrameMakerAutoEngine engine;
    EXPECT_EQ(Describe(engine, 10, 10, 0, 10), 1);
    EXPECT_EQ(Describe(engine, 10, 10, 10, -3), 1);
    // -1 × -1 is what "nothing prepared" looks like inside; it must not pass.
    EXPECT_EQ(Describe(engine, 10, 10, -1, -1), 1);
    CARect source(10, 10);
    CARect destination(0, -1, 0, -1);
    EXPECT_EQ(engine.Process(source, destination, CAProcessFull), 1);
    EXPECT_EQ(Describe(engine, 10, 10, 10, 10), 0);
}

} // namespace
