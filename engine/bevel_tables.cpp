// The constant shading of the 14-pixel bevel band. Each side has a core-layer
// table (A: how strongly the core colour shows) and a mount-layer table (B: how
// strongly the mount colour shows). Every entry is an integer n / 255. Most of
// each table repeats its straight profile across the band; only the ends, where
// one side turns into the next at a corner, carry their own values, and those
// are written over the straight profile below.
#include "mat.h"

#include <cstddef>
#include <initializer_list>

namespace framira {
namespace {


// Straight profiles, listed along the band's depth in table order.
constexpr unsigned char kTopAStraight[14] = {130, 169, 169, 169, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
constexpr unsigned char kTopBStraight[14] = {0, 0, 0, 0, 168, 217, 229, 240, 247, 252, 255, 255, 242, 217};
constexpr unsigned char kBottomAStraight[14] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 58, 255, 255, 255, 255};
constexpr unsigned char kBottomBStraight[14] = {51, 142, 217, 242, 255, 255, 255, 255, 252, 249, 103, 103, 103, 133};
constexpr unsigned char kLeftAStraight[14] = {199, 218, 218, 218, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
constexpr unsigned char kLeftBStraight[14] = {0, 0, 0, 0, 201, 229, 240, 247, 252, 255, 255, 242, 217, 178};
constexpr unsigned char kRightAStraight[14] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 19, 255, 255, 255, 255};
constexpr unsigned char kRightBStraight[14] = {71, 174, 242, 255, 255, 255, 255, 252, 247, 241, 28, 28, 28, 31};

// Top and bottom tables: 14 rows (depth) × 65 columns (along the side).
using HorizontalTable = float[14][65];
// Left and right tables: 37 rows (along the side) × 14 columns (depth).
using VerticalTable = float[37][14];

void FillHorizontal(HorizontalTable& table, const unsigned char (&straight)[14])
{
    for (int row = 0; row < 14; ++row)
        for (int col = 0; col < 65; ++col)
            table[row][col] = straight[row] / 255.0f;
}

void FillVertical(VerticalTable& table, const unsigned char (&straight)[14])
{
    for (int row = 0; row < 37; ++row)
        for (int col = 0; col < 14; ++col)
            table[row][col] = straight[col] / 255.0f;
}

// Writes `values` into one row of a table, starting at column `firstCol`.
template <size_t Cols>
void PatchRow(float (&row)[Cols], size_t firstCol, std::initializer_list<int> values)
{
    size_t col = firstCol;
    for (int v : values)
        if (col < Cols)
            row[col++] = static_cast<float>(v) / 255.0f;
}

template <size_t Rows, size_t Cols>
void PatchRows(float (&table)[Rows][Cols], size_t firstRow, size_t lastRow, size_t firstCol,
               std::initializer_list<int> values)
{
    for (size_t row = firstRow; row <= lastRow && row < Rows; ++row)
        PatchRow(table[row], firstCol, values);
}

void PatchTopA(HorizontalTable& t)
{
    // Left end: the top bevel meets the left bevel on a diagonal.
    PatchRows(t, 0, 0, 0, {151, 138, 130, 130, 130});
    PatchRows(t, 1, 1, 0, {193, 196, 179, 169, 169});
    PatchRows(t, 2, 2, 0, {199, 212, 196, 179, 169});
    PatchRows(t, 3, 3, 0, {199, 218, 212, 196, 179});
    PatchRows(t, 4, 4, 0, {199, 218, 218, 212, 0});
    PatchRows(t, 5, 13, 0, {199, 218, 218, 218, 0});
    // Right end: the top bevel meets the brighter right bevel.
    PatchRows(t, 0, 0, 60, {130, 130, 130, 147, 199});
    PatchRows(t, 1, 1, 60, {169, 169, 187, 224, 255});
    PatchRows(t, 2, 2, 60, {169, 187, 224, 255, 255});
    PatchRows(t, 3, 3, 60, {187, 224, 255, 255, 255});
    PatchRows(t, 4, 4, 60, {0, 255, 255, 255, 255});
    PatchRows(t, 5, 13, 60, {19, 255, 255, 255, 255});
}

void PatchTopB(HorizontalTable& t)
{
    PatchRows(t, 0, 3, 0, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    PatchRows(t, 4, 4, 0, {0, 0, 0, 0, 164, 163, 166, 167, 168, 168, 168, 168, 168, 168, 168, 168, 168});
    PatchRows(t, 5, 5, 0, {0, 0, 0, 0, 186, 206, 211, 214, 216, 217, 217, 217, 217, 217, 217, 217, 217});
    PatchRows(t, 6, 6, 0, {0, 0, 0, 0, 191, 214, 220, 225, 228, 229, 229, 229, 229, 229, 229, 229, 229});
    PatchRows(t, 7, 7, 0, {0, 0, 0, 0, 196, 220, 228, 234, 238, 240, 240, 240, 240, 240, 240, 240, 240});
    PatchRows(t, 8, 8, 0, {0, 0, 0, 0, 198, 225, 234, 240, 245, 247, 247, 247, 247, 247, 247, 247, 247});
    PatchRows(t, 9, 9, 0, {0, 0, 0, 0, 200, 228, 238, 245, 250, 252, 252, 252, 252, 252, 252, 252, 252});
    PatchRows(t, 10, 11, 0, {0, 0, 0, 0, 201, 229, 240, 247, 252, 255, 255, 255, 255, 255, 255, 255, 255});
    PatchRows(t, 12, 12, 0, {0, 0, 0, 0, 201, 229, 240, 247, 252, 255, 255, 254, 253, 250, 247, 245, 243});
    PatchRows(t, 13, 13, 0, {0, 0, 0, 0, 201, 229, 240, 247, 252, 255, 255, 253, 248, 241, 231, 224, 219});

    PatchRows(t, 0, 0, 48, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    PatchRows(t, 1, 1, 48, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 12});
    PatchRows(t, 2, 2, 48, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 5, 31});
    PatchRows(t, 3, 3, 48, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 5, 28, 31});
    PatchRows(t, 4, 4, 48, {168, 168, 168, 168, 168, 168, 168, 168, 168, 168, 168, 167, 186, 5, 28, 28, 31});
    PatchRows(t, 5, 5, 48, {217, 217, 217, 217, 217, 217, 217, 217, 217, 217, 216, 214, 214, 28, 28, 28, 31});
    PatchRows(t, 6, 6, 48, {229, 229, 229, 229, 229, 229, 229, 229, 229, 229, 228, 225, 223, 28, 28, 28, 31});
    PatchRows(t, 7, 7, 48, {240, 240, 240, 240, 240, 240, 240, 240, 240, 240, 238, 234, 230, 28, 28, 28, 31});
    PatchRows(t, 8, 8, 48, {247, 247, 247, 247, 247, 247, 247, 247, 247, 247, 245, 240, 236, 28, 28, 28, 31});
    PatchRows(t, 9, 9, 48, {252, 252, 252, 252, 252, 252, 252, 252, 252, 252, 250, 245, 239, 28, 28, 28, 31});
    PatchRows(t, 10, 11, 48, {255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 252, 247, 241, 28, 28, 28, 31});
    PatchRows(t, 12, 12, 48, {243, 245, 247, 250, 253, 254, 255, 255, 255, 255, 252, 247, 241, 28, 28, 28, 31});
    PatchRows(t, 13, 13, 48, {219, 224, 231, 241, 248, 253, 255, 255, 255, 255, 252, 247, 241, 28, 28, 28, 31});
}

void PatchBottomA(HorizontalTable& t)
{
    PatchRows(t, 0, 8, 0, {199, 218, 218, 218, 0});
    PatchRows(t, 9, 9, 0, {199, 218, 218, 237, 23});
    PatchRows(t, 10, 10, 0, {199, 218, 237, 255, 255});
    PatchRows(t, 11, 11, 0, {199, 237, 255, 255, 255});
    PatchRows(t, 12, 12, 0, {217, 255, 255, 255, 255});
    PatchRows(t, 13, 13, 0, {255, 255, 255, 255, 255});

    PatchRows(t, 0, 8, 60, {19, 255, 255, 255, 255});
    PatchRows(t, 9, 9, 60, {52, 255, 255, 255, 255});
    PatchRows(t, 10, 13, 60, {255, 255, 255, 255, 255});
}

void PatchBottomB(HorizontalTable& t)
{
    PatchRows(t, 0, 0, 0, {0, 0, 0, 0, 201, 229, 240, 247, 252, 255, 255, 247, 231, 207, 149, 84, 54});
    PatchRows(t, 1, 1, 0, {0, 0, 0, 0, 201, 229, 240, 247, 252, 255, 255, 250, 241, 226, 196, 164, 146});
    PatchRows(t, 2, 2, 0, {0, 0, 0, 0, 201, 229, 240, 247, 252, 255, 255, 253, 248, 241, 231, 224, 219});
    PatchRows(t, 3, 3, 0, {0, 0, 0, 0, 201, 229, 240, 247, 252, 255, 255, 254, 253, 250, 247, 245, 243});
    PatchRows(t, 4, 7, 0, {0, 0, 0, 0, 201, 229, 240, 247, 252, 255, 255, 255, 255, 255, 255, 255, 255});
    PatchRows(t, 8, 8, 0, {0, 0, 0, 0, 200, 228, 238, 245, 250, 252, 252, 252, 252, 252, 252, 252, 252});
    PatchRows(t, 9, 9, 0, {0, 0, 0, 0, 218, 232, 239, 243, 247, 249, 249, 249, 249, 249, 249, 249, 249});
    PatchRows(t, 10, 10, 0, {0, 0, 0, 31, 82, 103, 103, 103, 103, 103, 103, 103, 103, 103, 103, 103, 103});
    PatchRows(t, 11, 11, 0, {0, 0, 31, 82, 103, 103, 103, 103, 103, 103, 103, 103, 103, 103, 103, 103, 103});
    PatchRows(t, 12, 12, 0, {0, 31, 82, 103, 103, 103, 103, 103, 103, 103, 103, 103, 103, 103, 103, 103, 103});
    PatchRows(t, 13, 13, 0, {43, 118, 133, 133, 133, 133, 133, 133, 133, 133, 133, 133, 133, 133, 133, 133, 133});

    PatchRows(t, 0, 0, 48, {54, 61, 70, 114, 197, 247, 255, 255, 255, 255, 252, 247, 241, 28, 28, 28, 31});
    PatchRows(t, 1, 1, 48, {146, 154, 166, 192, 229, 250, 255, 255, 255, 255, 252, 247, 241, 28, 28, 28, 31});
    PatchRows(t, 2, 2, 48, {219, 224, 231, 241, 248, 253, 255, 255, 255, 255, 252, 247, 241, 28, 28, 28, 31});
    PatchRows(t, 3, 3, 48, {243, 245, 247, 250, 253, 254, 255, 255, 255, 255, 252, 247, 241, 28, 28, 28, 31});
    PatchRows(t, 4, 7, 48, {255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 252, 247, 241, 28, 28, 28, 31});
    PatchRows(t, 8, 8, 48, {252, 252, 252, 252, 252, 252, 252, 252, 252, 252, 250, 245, 239, 28, 28, 28, 31});
    PatchRows(t, 9, 9, 48, {249, 249, 249, 249, 249, 249, 249, 249, 249, 249, 247, 243, 238, 45, 28, 28, 31});
    PatchRows(t, 10, 10, 48, {103, 103, 103, 103, 103, 103, 103, 103, 103, 103, 103, 103, 96, 75, 45, 28, 31});
    PatchRows(t, 11, 11, 48, {103, 103, 103, 103, 103, 103, 103, 103, 103, 103, 103, 103, 103, 96, 75, 45, 31});
    PatchRows(t, 12, 12, 48, {103, 103, 103, 103, 103, 103, 103, 103, 103, 103, 103, 103, 103, 103, 96, 75, 49});
    PatchRows(t, 13, 13, 48, {133, 133, 133, 133, 133, 133, 133, 133, 133, 133, 133, 133, 133, 133, 133, 130, 116});
}

void PatchLeftB(VerticalTable& t)
{
    // The bevel's inner edge curves where the left side meets top and bottom;
    // the bottom end mirrors the top end.
    PatchRows(t, 0, 0, 0, {0, 0, 0, 0, 201, 229, 240, 247, 252, 255, 255, 250, 241, 226});
    PatchRows(t, 1, 1, 0, {0, 0, 0, 0, 201, 229, 240, 247, 252, 255, 255, 247, 231, 207});
    PatchRows(t, 2, 2, 0, {0, 0, 0, 0, 201, 229, 240, 247, 252, 255, 255, 245, 224, 193});
    PatchRows(t, 3, 3, 0, {0, 0, 0, 0, 201, 229, 240, 247, 252, 255, 255, 243, 219, 183});
    PatchRows(t, 35, 35, 0, {0, 0, 0, 0, 201, 229, 240, 247, 252, 255, 255, 243, 219, 183});
    PatchRows(t, 36, 36, 0, {0, 0, 0, 0, 201, 229, 240, 247, 252, 255, 255, 245, 224, 193});
}

void PatchRightB(VerticalTable& t)
{
    PatchRows(t, 0, 0, 0, {192, 229, 250, 255, 255, 255, 255, 252, 247, 241, 28, 28, 28, 31});
    PatchRows(t, 1, 1, 0, {114, 197, 247, 255, 255, 255, 255, 252, 247, 241, 28, 28, 28, 31});
    PatchRows(t, 2, 2, 0, {77, 179, 245, 255, 255, 255, 255, 252, 247, 241, 28, 28, 28, 31});
    PatchRows(t, 3, 3, 0, {73, 175, 243, 255, 255, 255, 255, 252, 247, 241, 28, 28, 28, 31});
    PatchRows(t, 35, 35, 0, {73, 175, 243, 255, 255, 255, 255, 252, 247, 241, 28, 28, 28, 31});
    PatchRows(t, 36, 36, 0, {77, 179, 245, 255, 255, 255, 255, 252, 247, 241, 28, 28, 28, 31});
}

} // namespace

long FillMattingMountAndCoreColorStructures(CBevelTables& tables)
{
    FillHorizontal(tables.topA, kTopAStraight);
    FillHorizontal(tables.topB, kTopBStraight);
    FillHorizontal(tables.bottomA, kBottomAStraight);
    FillHorizontal(tables.bottomB, kBottomBStraight);
    FillVertical(tables.leftA, kLeftAStraight);
    FillVertical(tables.leftB, kLeftBStraight);
    FillVertical(tables.rightA, kRightAStraight);
    FillVertical(tables.rightB, kRightBStraight);

    PatchTopA(tables.topA);
    PatchTopB(tables.topB);
    PatchBottomA(tables.bottomA);
    PatchBottomB(tables.bottomB);
    PatchLeftB(tables.leftB);
    PatchRightB(tables.rightB);
    return 0;
}

} // namespace framira
