// Print sizing and placement: the worked examples and the degenerate mats.
#include "print_layout.h"

#include "../../app/output_size_limits.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

using framira::CalculatePrintWidthAndHeight;
using framira::PrintOrigin;

struct CLayoutCase {
    int W, H, w, h;
    int pw, ph, x0, y0;
};

TEST(PrintLayoutTest, WorkedExamples)
{
    const CLayoutCase cases[] = {
        {1920, 1080, 3000, 2000, 1106, 737, 407, 172}, // the sum-of-sides term wins
        {1920, 1080, 2000, 3000, 688, 1032, 616, 24},  // turned: the height term wins
        {800, 600, 1000, 1000, 512, 512, 144, 44},
        {480, 320, 4000, 3000, 312, 234, 84, 43},
    };
    for (const CLayoutCase& c : cases) {
        const framira::CPrintSize print = CalculatePrintWidthAndHeight(c.W, c.H, c.w, c.h);
        EXPECT_EQ(print.width, c.pw) << c.w << "x" << c.h << " on " << c.W << "x" << c.H;
        EXPECT_EQ(print.height, c.ph) << c.w << "x" << c.h << " on " << c.W << "x" << c.H;
        const framira::CPrintOrigin origin = PrintOrigin(c.W, c.H, print.width, print.height);
        EXPECT_EQ(origin.x, c.x0);
        EXPECT_EQ(origin.y, c.y0);
    }
}

TEST(PrintLayoutTest, SmallMatsGiveAnEmptyPrint)
{
    for (int W : {1, 10, 29}) {
        const framira::CPrintSize print = CalculatePrintWidthAndHeight(W, 600, 800, 600);
        EXPECT_EQ(print.width, 0) << W;
        EXPECT_EQ(print.height, 0) << W;
    }
    for (int H : {1, 28}) {
        const framira::CPrintSize print = CalculatePrintWidthAndHeight(800, H, 800, 600);
        EXPECT_EQ(print.width, 0) << H;
        EXPECT_EQ(print.height, 0) << H;
    }
    const framira::CPrintSize tiny = CalculatePrintWidthAndHeight(30, 29, 100, 100);
    EXPECT_EQ(tiny.width, 0);
    EXPECT_EQ(tiny.height, 0);
}

// The application decides from its own copy of the sizing whether a picture
// will show on an output at all (a job writes no output without it, and the
// command line refuses smaller sizes); it must agree with the engine.
TEST(PrintLayoutTest, TheApplicationsVisibilityCheckAgreesWithTheEngine)
{
    const std::pair<int, int> pictures[] = {{600, 400}, {400, 600}, {500, 500}, {1200, 400}, {400, 1200},
                                            {16, 9}, {1, 1}, {10000, 1}, {1, 10000}, {65535, 3}};
    for (int W = 1; W <= 72; ++W)
        for (int H = 1; H <= 72; ++H)
            for (const auto& [w, h] : pictures) {
                const framira::CPrintSize print = CalculatePrintWidthAndHeight(W, H, w, h);
                ASSERT_EQ(PrintShowsOnOutput(W, H, w, h), print.width > 0 && print.height > 0)
                    << w << "x" << h << " on " << W << "x" << H;
            }
    for (const auto& [w, h] : pictures) {
        const framira::CPrintSize print = CalculatePrintWidthAndHeight(1920, 1080, w, h);
        EXPECT_EQ(PrintShowsOnOutput(1920, 1080, w, h), print.width > 0 && print.height > 0) << w << "x" << h;
    }
    // The smallest output the command line accepts shows every usual shape.
    for (const auto& [w, h] : {std::pair{4000, 3000}, {3000, 4000}, {1920, 1080}, {1080, 1920}, {1000, 1000}})
        EXPECT_TRUE(PrintShowsOnOutput(kMinimumOutputWidth, kMinimumOutputHeight, w, h)) << w << "x" << h;
}

} // namespace
