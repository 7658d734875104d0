#include "reader_support.h"

int SetUpImage(CImage& image, int cols, int rows, int planes, int sampleType)
{
    image.cols = cols;
    image.rows = rows;
    image.planes = planes;
    image.sampleType = sampleType;
    return image.AllocatePlanes();
}
