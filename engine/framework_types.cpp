// The framework's value types: rectangles, image descriptions and the
// parameter records. Defined out of line so the library exports them.
#include "framira_framework.h"

#include <cstring>

CARect::CARect() : right(0), left(0), top(0), bottom(0) {}
CARect::CARect(int32_t a, int32_t b) : right(a), left(0), top(0), bottom(b) {}
CARect::CARect(int32_t l, int32_t r, int32_t t, int32_t b) : right(r), left(l), top(t), bottom(b) {}
CARect::CARect(const CARect& other) = default;
CARect& CARect::operator=(const CARect& other) = default;

// Edges may come from anywhere; the differences are taken in 64 bits so an
// absurd rectangle wraps instead of overflowing.
int32_t CARect::width() const { return static_cast<int32_t>(static_cast<int64_t>(right) - left); }
int32_t CARect::height() const { return static_cast<int32_t>(static_cast<int64_t>(bottom) - top); }
int32_t CARect::size() const { return static_cast<int32_t>(static_cast<int64_t>(width()) * height()); }

bool CARect::operator==(const CARect& other) const { return width() == other.width() && height() == other.height(); }
bool CARect::operator!=(const CARect& other) const { return !(*this == other); }
bool CARect::operator<(const CARect& other) const { return size() < other.size(); }
bool CARect::operator<=(const CARect& other) const { return size() <= other.size(); }
bool CARect::operator>(const CARect& other) const { return size() > other.size(); }
bool CARect::operator>=(const CARect& other) const { return size() >= other.size(); }

CAImageInfo::CAImageInfo()
    : width(0), height(0), channels(3), bits(8), extra1(0), extra2(4), image(nullptr), parms(nullptr)
{
}
CAImageInfo::CAImageInfo(const CAImageInfo& other) = default;
CAImageInfo& CAImageInfo::operator=(const CAImageInfo& other) = default;

CAFrameMakerAutoParms::CAFrameMakerAutoParms()
    : fixedCoreColor(0), coreColor{64, 64, 64}, mountColor{240, 232, 216}
{
}
CAFrameMakerAutoParms::CAFrameMakerAutoParms(const CAFrameMakerAutoParms& other) = default;
CAFrameMakerAutoParms& CAFrameMakerAutoParms::operator=(const CAFrameMakerAutoParms& other) = default;

CAAdjustImageParms::CAAdjustImageParms() : mode(1) {}
CAAdjustImageParms::CAAdjustImageParms(const CAAdjustImageParms& other) = default;
CAAdjustImageParms& CAAdjustImageParms::operator=(const CAAdjustImageParms& other) = default;
