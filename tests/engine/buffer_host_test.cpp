// Region copies of the built-in host, by selector and sample size.
#include "framira_framework.h"
#include "host_sample_bits.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

class BufferHostTest : public ::testing::Test {
protected:
    void TearDown() override { framira::SetHostSampleBits(8); }
};

// A 4 × 3 image whose sample at (x, y, c) is 100 y + 10 x + c.
template <typename T>
std::vector<T> NumberedImage(int width, int height)
{
    std::vector<T> samples(static_cast<size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < 3; ++c) {
                samples[(static_cast<size_t>(y) * width + x) * 3 + c] = static_cast<T>(100 * y + 10 * x + c);
            }
        }
    }
    return samples;
}

TEST_F(BufferHostTest, GreenChannelOfASubRectangleAndBack)
{
    framira::SetHostSampleBits(8);
    std::vector<uint8_t> samples = NumberedImage<uint8_t>(4, 3);
    CAImageBuffer image{samples.data(), 3, 4};
    CABufferHost host;
    CARect rect(1, 3, 1, 3);
    uint8_t green[4] = {};
    ASSERT_EQ(host.GetRegion(&image, rect, green, 1), 0);
    EXPECT_EQ(green[0], 111);
    EXPECT_EQ(green[1], 121);
    EXPECT_EQ(green[2], 211);
    EXPECT_EQ(green[3], 221);

    const std::vector<uint8_t> original = samples;
    for (uint8_t& s : samples) {
        s = 0;
    }
    ASSERT_EQ(host.PutRegion(&image, rect, green, 1), 0);
    for (size_t i = 0; i < samples.size(); ++i) {
        const size_t pixel = i / 3;
        const int x = static_cast<int>(pixel % 4);
        const int y = static_cast<int>(pixel / 4);
        const bool inside = i % 3 == 1 && x >= 1 && x < 3 && y >= 1 && y < 3;
        EXPECT_EQ(samples[i], inside ? original[i] : 0) << "sample " << i;
    }
}

TEST_F(BufferHostTest, SelectorSixCopiesThreePlanesAndOddSelectorsReadRed)
{
    framira::SetHostSampleBits(8);
    std::vector<uint8_t> samples = NumberedImage<uint8_t>(4, 3);
    CAImageBuffer image{samples.data(), 3, 4};
    CABufferHost host;
    CARect rect(2, 4, 0, 1);
    uint8_t planes[6] = {};
    ASSERT_EQ(host.GetRegion(&image, rect, planes, 6), 0);
    const uint8_t expected[6] = {20, 30, 21, 31, 22, 32};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(planes[i], expected[i]);
    }
    for (int selector : {3, 4, 7, 12}) {
        uint8_t red[2] = {};
        ASSERT_EQ(host.GetRegion(&image, rect, red, selector), 0);
        EXPECT_EQ(red[0], 20);
        EXPECT_EQ(red[1], 30);
    }
    for (uint8_t& s : planes) {
        s = static_cast<uint8_t>(s + 1);
    }
    ASSERT_EQ(host.PutRegion(&image, rect, planes, 6), 0);
    EXPECT_EQ(samples[(0 * 4 + 3) * 3 + 2], 33);
    EXPECT_EQ(samples[(0 * 4 + 2) * 3 + 0], 21);
}

TEST_F(BufferHostTest, SixteenBitWordsWhenTheRunIsNotEightBit)
{
    framira::SetHostSampleBits(16);
    std::vector<uint16_t> samples = NumberedImage<uint16_t>(4, 3);
    samples[(2 * 4 + 3) * 3 + 2] = 60000;
    CAImageBuffer image{samples.data(), 3, 4};
    CABufferHost host;
    CARect rect(3, 4, 2, 3);
    uint16_t blue = 0;
    ASSERT_EQ(host.GetRegion(&image, rect, &blue, 2), 0);
    EXPECT_EQ(blue, 60000);
}

TEST_F(BufferHostTest, RefusesWhatWouldLeaveTheImage)
{
    framira::SetHostSampleBits(8);
    std::vector<uint8_t> samples = NumberedImage<uint8_t>(4, 3);
    CAImageBuffer image{samples.data(), 3, 4};
    CABufferHost host;
    uint8_t buffer[64] = {};
    CARect tooWide(0, 5, 0, 1);
    CARect negative(-1, 2, 0, 1);
    CARect inverted(3, 1, 0, 1);
    CARect fine(0, 1, 0, 1);
    EXPECT_NE(host.GetRegion(&image, tooWide, buffer, 0), 0);
    EXPECT_NE(host.GetRegion(&image, negative, buffer, 0), 0);
    EXPECT_NE(host.PutRegion(&image, inverted, buffer, 0), 0);
    EXPECT_NE(host.GetRegion(nullptr, fine, buffer, 0), 0);
    EXPECT_NE(host.GetRegion(&image, fine, nullptr, 0), 0);
    EXPECT_NE(host.GetRegion(&image, fine, buffer, 5), 0);
    EXPECT_NE(host.PutRegion(&image, fine, buffer, 3), 0);
    CAImageBuffer noPixels{nullptr, 3, 4};
    EXPECT_NE(host.GetRegion(&noPixels, fine, buffer, 0), 0);
    EXPECT_EQ(host.AllocateMemory(100), nullptr);
    EXPECT_EQ(host.HostQuery(), 0);
}

} // namespace
