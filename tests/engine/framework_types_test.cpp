// Rectangles, image descriptions, parameter records and the algorithm base's
// numeric helpers.
#include "framira_framework.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(CARectTest, ConstructorsPlaceEdges)
{
    const CARect empty;
    EXPECT_EQ(empty.right, 0);
    EXPECT_EQ(empty.left, 0);
    EXPECT_EQ(empty.top, 0);
    EXPECT_EQ(empty.bottom, 0);

    const CARect origin(2, 3);
    EXPECT_EQ(origin.right, 2);
    EXPECT_EQ(origin.bottom, 3);
    EXPECT_EQ(origin.left, 0);
    EXPECT_EQ(origin.top, 0);
    EXPECT_EQ(origin.width(), 2);
    EXPECT_EQ(origin.height(), 3);
    EXPECT_EQ(origin.size(), 6);

    // Four arguments are left, right, top, bottom.
    const CARect placed(1, 4, 2, 7);
    EXPECT_EQ(placed.left, 1);
    EXPECT_EQ(placed.right, 4);
    EXPECT_EQ(placed.top, 2);
    EXPECT_EQ(placed.bottom, 7);
    EXPECT_EQ(placed.width(), 3);
    EXPECT_EQ(placed.height(), 5);
}

TEST(CARectTest, FieldOrderIsRightLeftTopBottom)
{
    const CARect rect(10, 20, 30, 40);
    int32_t fields[4];
    static_assert(sizeof(CARect) == sizeof(fields));
    std::memcpy(fields, &rect, sizeof fields);
    EXPECT_EQ(fields[0], 20);
    EXPECT_EQ(fields[1], 10);
    EXPECT_EQ(fields[2], 30);
    EXPECT_EQ(fields[3], 40);
}

TEST(CARectTest, EqualityIgnoresPlacementOrderingComparesAreas)
{
    EXPECT_TRUE(CARect(0, 5, 0, 3) == CARect(10, 15, 20, 23));
    EXPECT_FALSE(CARect(0, 5, 0, 3) != CARect(10, 15, 20, 23));
    const CARect tall(2, 8);
    const CARect square(4, 4);
    EXPECT_FALSE(tall == square);
    EXPECT_TRUE(tall != square);
    EXPECT_FALSE(tall < square);
    EXPECT_FALSE(square < tall);
    EXPECT_TRUE(tall <= square);
    EXPECT_TRUE(tall >= square);
    EXPECT_TRUE(CARect(3, 3) < CARect(2, 5));
    EXPECT_TRUE(CARect(2, 5) > CARect(3, 3));
    EXPECT_FALSE(CARect(2, 5) > CARect(2, 5));

    CARect copy;
    copy = CARect(1, 4, 2, 7);
    EXPECT_EQ(copy.left, 1);
    EXPECT_EQ(copy.bottom, 7);
}

TEST(CAImageInfoTest, DefaultsAndCopy)
{
    const CAImageInfo info;
    EXPECT_EQ(info.width, 0);
    EXPECT_EQ(info.height, 0);
    EXPECT_EQ(info.channels, 3);
    EXPECT_EQ(info.bits, 8);
    EXPECT_EQ(info.extra1, 0);
    EXPECT_EQ(info.extra2, 4);
    EXPECT_EQ(info.image, nullptr);
    EXPECT_EQ(info.parms, nullptr);

    int marker = 0;
    CAImageInfo source;
    source.width = 7;
    source.extra2 = 9;
    source.image = &marker;
    CAImageInfo target;
    target = source;
    EXPECT_EQ(target.width, 7);
    EXPECT_EQ(target.extra2, 9);
    EXPECT_EQ(target.image, &marker);
}

TEST(CAParmsTest, FrameMakerAndAdjustDefaults)
{
    const CAFrameMakerAutoParms parms;
    static_assert(sizeof(CAFrameMakerAutoParms) == 7);
    EXPECT_EQ(parms.fixedCoreColor, 0);
    EXPECT_EQ(parms.coreColor[0], 64);
    EXPECT_EQ(parms.coreColor[1], 64);
    EXPECT_EQ(parms.coreColor[2], 64);
    EXPECT_EQ(parms.mountColor[0], 240);
    EXPECT_EQ(parms.mountColor[1], 232);
    EXPECT_EQ(parms.mountColor[2], 216);
    EXPECT_EQ(CAAdjustImageParms().mode, 1);
}

// Exposes the protected helpers.
class CHelperProbe : public CAAlgorithm {
public:
    using CAAlgorithm::ApplyLUT;
    using CAAlgorithm::RoundToInt;
};

TEST(CAAlgorithmTest, RoundToIntRoundsHalvesToEven)
{
    EXPECT_EQ(CHelperProbe::RoundToInt(2.5f), 2);
    EXPECT_EQ(CHelperProbe::RoundToInt(3.5f), 4);
    EXPECT_EQ(CHelperProbe::RoundToInt(-1.5f), -2);
    EXPECT_EQ(CHelperProbe::RoundToInt(-2.5f), -2);
    EXPECT_EQ(CHelperProbe::RoundToInt(2.4999f), 2);
    EXPECT_EQ(CHelperProbe::RoundToInt(2.5001f), 3);
}

TEST(CAAlgorithmTest, ApplyLUTInterpolatesAndClampsAtEnds)
{
    const float lut[3] = {0.0f, 10.0f, 20.0f};
    const auto look = [&](float v) {
        CHelperProbe::ApplyLUT(&v, lut, 3);
        return v;
    };
    EXPECT_FLOAT_EQ(look(0.25f), 5.0f);
    EXPECT_FLOAT_EQ(look(1.0f), 20.0f);
    EXPECT_FLOAT_EQ(look(-3.0f), 0.0f);
    EXPECT_FLOAT_EQ(look(0.75f), 15.0f);
    EXPECT_FLOAT_EQ(look(7.0f), 20.0f);

    // A falling table may interpolate below zero; the result stops at 0.
    const float falling[2] = {1.0f, -1.0f};
    float v = 0.9f;
    CHelperProbe::ApplyLUT(&v, falling, 2);
    EXPECT_EQ(v, 0.0f);
}

} // namespace
