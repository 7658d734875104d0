// Placeholder until the mat colours and texture land: a blank mat.
#include "mat.h"

#include <vector>

namespace framira {

long FillMattingMountAndCoreColorStructures(CBevelTables& tables)
{
    tables = CBevelTables{};
    return 0;
}

long CreateCoreColors(const float*, const float*, const float*, int, int, float& outR, float& outG, float& outB)
{
    outR = outG = outB = 0.25f;
    return 0;
}

long ApplyMattingAndMountColorAndCoreColor(const CBevelTables&, const uint8_t[3], int, int, float* const[3], int, int,
                                           float, float, float)
{
    return 0;
}

long CreateDitheredMat(const CMatTextures&, const float* const[3], float* const[3], int, int, int, int)
{
    return 0;
}

namespace {
template <typename T>
const T* Blank()
{
    static const std::vector<T> data(static_cast<size_t>(kTextureSourceWidth) * kTextureSourceHeight);
    return data.data();
}
} // namespace

const uint16_t* FirstWaveImage0() { return Blank<uint16_t>(); }
const uint16_t* FirstWaveImage1() { return Blank<uint16_t>(); }
const uint16_t* SecondWaveImage0() { return Blank<uint16_t>(); }
const uint16_t* SecondWaveImage1() { return Blank<uint16_t>(); }
const uint8_t* VignettingImage0() { return Blank<uint8_t>(); }
const uint8_t* VignettingImage1() { return Blank<uint8_t>(); }

} // namespace framira
