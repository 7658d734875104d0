#include "reader_support.h"

#include "read_problem.h"

int SetUpImage(CImage& image, int cols, int rows, int planes, int sampleType)
{
    image.cols = cols;
    image.rows = rows;
    image.planes = planes;
    image.sampleType = sampleType;
    image.damage.clear();
    return image.AllocatePlanes();
}

int RefuseUnrecoverable()
{
    NoteReadProblem(EReadProblem::Damaged);
    return kImageBadArgument;
}

bool ExceedsPixelLimit(std::uint64_t cols, std::uint64_t rows)
{
    if (rows == 0 || cols <= CImage::kMaxPixels / rows)
        return false;
    NoteTooLarge(static_cast<std::size_t>(cols), static_cast<std::size_t>(rows));
    return true;
}
