// The shared record, the two interfaces and the algorithm base with its
// numeric helpers.
#include "framira_framework.h"

#include <cmath>

CAAlgorithmBase::CAAlgorithmBase() = default;
CAAlgorithmBase::CAAlgorithmBase(const CAAlgorithmBase& other) : CAImageInfo(other) {}
CAAlgorithmBase& CAAlgorithmBase::operator=(const CAAlgorithmBase& other)
{
    CAImageInfo::operator=(other);
    return *this;
}
CAAlgorithmBase::~CAAlgorithmBase() = default;

// Copies take the shared record from the source; the virtual base is built by
// the most derived class, so assignment copies the fields explicitly.
CAAlgorithmInterface::CAAlgorithmInterface() = default;
CAAlgorithmInterface::CAAlgorithmInterface(const CAAlgorithmInterface& other) : CAAlgorithmBase(other) {}
CAAlgorithmInterface& CAAlgorithmInterface::operator=(const CAAlgorithmInterface& other)
{
    CAImageInfo::operator=(other);
    return *this;
}
CAAlgorithmInterface::~CAAlgorithmInterface() = default;

CAHostInterface::CAHostInterface() = default;
CAHostInterface::CAHostInterface(const CAHostInterface& other) : CAAlgorithmBase(other) {}
CAHostInterface& CAHostInterface::operator=(const CAHostInterface& other)
{
    CAImageInfo::operator=(other);
    return *this;
}
CAHostInterface::~CAHostInterface() = default;

CAAlgorithm::CAAlgorithm() = default;
CAAlgorithm::CAAlgorithm(const CAAlgorithm& other)
    : CAAlgorithmBase(other), CAAlgorithmInterface(other), CAHostInterface(other)
{
}
CAAlgorithm& CAAlgorithm::operator=(const CAAlgorithm& other)
{
    CAImageInfo::operator=(other);
    return *this;
}
CAAlgorithm::~CAAlgorithm() = default;

int CAAlgorithm::RoundToInt(float x)
{
    // The default rounding mode rounds halves to even; lrintf also keeps an
    // out-of-range value from becoming an undefined float-to-int cast.
    return static_cast<int>(std::lrintf(x));
}

void CAAlgorithm::ApplyLUT(float* value, const float* lut, short n)
{
    if (value == nullptr || lut == nullptr || n <= 0) {
        return;
    }
    const float v = *value;
    if (v <= 0.0f) {
        *value = lut[0];
        return;
    }
    if (v >= 1.0f) {
        *value = lut[n - 1];
        return;
    }
    const float x = v * static_cast<float>(n - 1);
    const int i = static_cast<int>(std::floor(x));
    const int j = i + 1 < n - 1 ? i + 1 : n - 1;
    const float result = lut[i] + (lut[j] - lut[i]) * (x - static_cast<float>(i));
    *value = result < 0.0f ? 0.0f : result;
}
