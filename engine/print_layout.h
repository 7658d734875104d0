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

// Copies the ph rows of the three print planes into the mat planes at
// (x0, y0 + row).
void CopyPrintOntoMatting(const float* const print[3], int pw, int ph, float* const mat[3], int W, int x0, int y0);

// Places the print centred on the mat: 1 when it does not fit, else 0.
long CreateMatting(const float* const print[3], int pw, int ph, float* const mat[3], int W, int H);

} // namespace framira
