// The built-in host: region copies between CAImageBuffer records (interleaved
// R, G, B) and planar buffers.
#include "framira_framework.h"

#include "host_sample_bits.h"

#include <cstddef>

namespace framira {
namespace {
int hostSampleBits = 8;
}

int HostSampleBits() { return hostSampleBits; }
void SetHostSampleBits(int bits) { hostSampleBits = bits; }

} // namespace framira

namespace {

enum class CCopyDirection { OutOfImage, IntoImage };

// The channel a selector names, or -1 for all three (6) or none.
// 3, 4 and anything above 6 read channel R.
int ChannelForSelector(int selector, CCopyDirection direction)
{
    if (selector >= 0 && selector <= 2) {
        return selector;
    }
    if (selector == 6) {
        return -1;
    }
    if (direction == CCopyDirection::OutOfImage && selector != 5 && selector > 2) {
        return 0;
    }
    return -2;
}

bool RectInside(const CAImageBuffer& image, const CARect& rect)
{
    return rect.left >= 0 && rect.top >= 0 && rect.left <= rect.right && rect.top <= rect.bottom &&
           rect.right <= image.width && rect.bottom <= image.height;
}

template <typename T>
void CopyChannel(const CAImageBuffer& image, const CARect& rect, T* plane, int channel, CCopyDirection direction)
{
    T* pixels = static_cast<T*>(image.data);
    const size_t pitch = static_cast<size_t>(image.width) * 3;
    const size_t rowLength = static_cast<size_t>(rect.right - rect.left);
    for (int32_t y = rect.top; y < rect.bottom; ++y) {
        T* row = pixels + static_cast<size_t>(y) * pitch + static_cast<size_t>(rect.left) * 3 + channel;
        if (direction == CCopyDirection::OutOfImage) {
            for (size_t x = 0; x < rowLength; ++x) {
                plane[x] = row[x * 3];
            }
        } else {
            for (size_t x = 0; x < rowLength; ++x) {
                row[x * 3] = plane[x];
            }
        }
        plane += rowLength;
    }
}

template <typename T>
void CopyRegion(const CAImageBuffer& image, const CARect& rect, void* buffer, int channel, CCopyDirection direction)
{
    T* plane = static_cast<T*>(buffer);
    if (channel >= 0) {
        CopyChannel(image, rect, plane, channel, direction);
        return;
    }
    const size_t planeSize = static_cast<size_t>(rect.right - rect.left) * static_cast<size_t>(rect.bottom - rect.top);
    for (int c = 0; c < 3; ++c) {
        CopyChannel(image, rect, plane + planeSize * c, c, direction);
    }
}

// Refuses what would read or write outside the image: a null record, null
// pixels or buffer, or a rectangle not inside the image.
int CopyBetween(void* image, const CARect& rect, void* buffer, int selector, CCopyDirection direction)
{
    const int channel = ChannelForSelector(selector, direction);
    if (channel == -2 || image == nullptr || buffer == nullptr) {
        return 1;
    }
    const CAImageBuffer& record = *static_cast<const CAImageBuffer*>(image);
    if (record.data == nullptr || record.width < 0 || record.height < 0 || !RectInside(record, rect)) {
        return 1;
    }
    if (framira::HostSampleBits() == 8) {
        CopyRegion<uint8_t>(record, rect, buffer, channel, direction);
    } else {
        CopyRegion<uint16_t>(record, rect, buffer, channel, direction);
    }
    return 0;
}

} // namespace

CABufferHost::CABufferHost() = default;
CABufferHost::~CABufferHost() = default;

void* CABufferHost::AllocateMemory(long) { return nullptr; }
void CABufferHost::ReleaseMemory(void*) {}
void CABufferHost::HostReserved(void*, int) {}
int CABufferHost::HostQuery() { return 0; }

int CABufferHost::GetRegion(void* image, CARect& rect, void* buffer, int selector)
{
    return CopyBetween(image, rect, buffer, selector, CCopyDirection::OutOfImage);
}

int CABufferHost::PutRegion(void* image, CARect& rect, void* buffer, int selector)
{
    return CopyBetween(image, rect, buffer, selector, CCopyDirection::IntoImage);
}
