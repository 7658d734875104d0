#include "reader_support.h"

#include <cstring>

void ClearPlanes(CImage& image)
{
    const std::size_t bytes = image.PixelCount() * image.BytesPerSample();
    for (int p = 0; p < image.planes && p < 4; ++p) {
        if (image.plane[p] != nullptr)
            std::memset(image.plane[p], 0, bytes);
    }
}

int SetUpImage(CImage& image, int cols, int rows, int planes, int sampleType)
{
    image.cols = cols;
    image.rows = rows;
    image.planes = planes;
    image.sampleType = sampleType;
    return image.AllocatePlanes();
}
