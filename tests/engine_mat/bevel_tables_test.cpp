// The bevel tables: straight profiles everywhere except the listed corner ends.
#include "mat.h"

#include <gtest/gtest.h>

namespace framira {
namespace {

class BevelTablesTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(FillMattingMountAndCoreColorStructures(t), 0); }
    static float N(int n) { return static_cast<float>(n) / 255.0f; }
    CBevelTables t{};
};

TEST_F(BevelTablesTest, StraightPartsHoldTheirProfileAlongTheDepth)
{
    const int topA[14] = {130, 169, 169, 169, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    const int topB[14] = {0, 0, 0, 0, 168, 217, 229, 240, 247, 252, 255, 255, 242, 217};
    const int bottomA[14] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 58, 255, 255, 255, 255};
    const int bottomB[14] = {51, 142, 217, 242, 255, 255, 255, 255, 252, 249, 103, 103, 103, 133};
    const int leftA[14] = {199, 218, 218, 218, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    const int leftB[14] = {0, 0, 0, 0, 201, 229, 240, 247, 252, 255, 255, 242, 217, 178};
    const int rightA[14] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 19, 255, 255, 255, 255};
    const int rightB[14] = {71, 174, 242, 255, 255, 255, 255, 252, 247, 241, 28, 28, 28, 31};
    for (int d = 0; d < 14; ++d) {
        SCOPED_TRACE(d);
        // Columns 17 … 47 of the horizontal tables are straight in every row.
        for (int col = 17; col <= 47; ++col) {
            EXPECT_EQ(t.topA[d][col], N(topA[d]));
            EXPECT_EQ(t.topB[d][col], N(topB[d]));
            EXPECT_EQ(t.bottomA[d][col], N(bottomA[d]));
            EXPECT_EQ(t.bottomB[d][col], N(bottomB[d]));
        }
        for (int row = 4; row <= 34; ++row) {
            EXPECT_EQ(t.leftB[row][d], N(leftB[d]));
            EXPECT_EQ(t.rightB[row][d], N(rightB[d]));
        }
        // The core layer of the sides has no ends of its own.
        for (int row = 0; row < 37; ++row) {
            EXPECT_EQ(t.leftA[row][d], N(leftA[d]));
            EXPECT_EQ(t.rightA[row][d], N(rightA[d]));
        }
    }
}

TEST_F(BevelTablesTest, TopEndsBlendIntoTheSides)
{
    const int topALeftRow0[5] = {151, 138, 130, 130, 130};
    const int topARightRow3[5] = {187, 224, 255, 255, 255};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(t.topA[0][i], N(topALeftRow0[i]));
        EXPECT_EQ(t.topA[3][60 + i], N(topARightRow3[i]));
    }
    EXPECT_EQ(t.topA[4][3], N(212));
    EXPECT_EQ(t.topA[13][2], N(218));
    EXPECT_EQ(t.topA[13][4], N(0));
    EXPECT_EQ(t.topA[4][60], N(0));
    EXPECT_EQ(t.topA[9][60], N(19));
    EXPECT_EQ(t.topA[9][5], N(0)); // column 5 is straight again

    EXPECT_EQ(t.topB[4][4], N(164));
    EXPECT_EQ(t.topB[13][16], N(219));
    EXPECT_EQ(t.topB[1][64], N(12));
    EXPECT_EQ(t.topB[1][63], N(0));
    EXPECT_EQ(t.topB[2][63], N(5));
    EXPECT_EQ(t.topB[3][62], N(5));
    EXPECT_EQ(t.topB[4][60], N(186));
    EXPECT_EQ(t.topB[12][48], N(243));
    EXPECT_EQ(t.topB[11][64], N(31));
}

TEST_F(BevelTablesTest, BottomEndsBlendIntoTheSides)
{
    const int bottomALeftRow10[5] = {199, 218, 237, 255, 255};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(t.bottomA[10][i], N(bottomALeftRow10[i]));
    EXPECT_EQ(t.bottomA[8][4], N(0));
    EXPECT_EQ(t.bottomA[9][4], N(23));
    EXPECT_EQ(t.bottomA[12][0], N(217));
    EXPECT_EQ(t.bottomA[9][60], N(52));
    EXPECT_EQ(t.bottomA[3][60], N(19));
    EXPECT_EQ(t.bottomA[13][60], N(255));

    EXPECT_EQ(t.bottomB[0][16], N(54));
    EXPECT_EQ(t.bottomB[13][0], N(43));
    EXPECT_EQ(t.bottomB[10][3], N(31));
    EXPECT_EQ(t.bottomB[0][48], N(54));
    EXPECT_EQ(t.bottomB[9][61], N(45));
    EXPECT_EQ(t.bottomB[12][64], N(49));
    EXPECT_EQ(t.bottomB[13][64], N(116));
}

TEST_F(BevelTablesTest, SideMountEndsAreMirroredTopToBottom)
{
    EXPECT_EQ(t.leftB[0][13], N(226));
    EXPECT_EQ(t.leftB[3][12], N(219));
    EXPECT_EQ(t.rightB[0][0], N(192));
    EXPECT_EQ(t.rightB[1][1], N(197));
    for (int d = 0; d < 14; ++d) {
        EXPECT_EQ(t.leftB[35][d], t.leftB[3][d]);
        EXPECT_EQ(t.leftB[36][d], t.leftB[2][d]);
        EXPECT_EQ(t.rightB[35][d], t.rightB[3][d]);
        EXPECT_EQ(t.rightB[36][d], t.rightB[2][d]);
    }
}

} // namespace
} // namespace framira
