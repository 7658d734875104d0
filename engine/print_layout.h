// Print sizing and placement on the mat. Internal to the engine.
#pragma once

namespace framira {

struct CPrintSize {
    int width;
    int height;
};

// The print for a w × h picture on a W × H mat: scaled by the smallest of
// 1.7065 H / (w + h), (0.95 W - 28) / w and (0.9817 H - 28) / h, or empty
// when that scale is not positive.
CPrintSize CalculatePrintWidthAndHeight(int W, int H, int w, int h);

struct CPrintOrigin {
    int x;
    int y;
};

// Top-left corner of a centred pw × ph print; an odd spare pixel goes to the
// left and top margins.
CPrintOrigin PrintOrigin(int W, int H, int pw, int ph);

} // namespace framira
