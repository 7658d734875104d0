#pragma once
// The engine reads exactly three interleaved samples per pixel, 8 or 16 bits.
// Pictures arrive as 1 to 4 planes of 8-bit, 16-bit or float samples; these
// helpers bring every readable picture into that form before the export.

#include <string>

class CImage;
struct CSourcePicture;

// What the planes of a picture beyond the colour ones mean.
enum class EPlaneModel {
    Standard,       // 1 grey, 2 grey + alpha, 3 RGB, 4 RGB + alpha
    RgbPlusExtra,   // 4 planes: RGB already, the fourth is not transparency (a Photoshop channel)
    Cmyk,           // 4 planes of ink amounts (0 = no ink)
    CmykInverted,   // 4 planes of inverted ink amounts, as Adobe applications store them (0 = full ink)
};

// Decides the plane model of `image`, read from `source`, from its format:
// a 4-component JPEG is CMYK (inverted when it carries an Adobe marker), a
// 4-sample TIFF is CMYK when its photometric interpretation is "separated",
// a Photoshop document's four planes are inverted CMYK in CMYK mode and
// otherwise RGB and an extra channel that is not transparency; everything
// else is Standard.
EPlaneModel DetectPlaneModel(const CSourcePicture& source, const CImage& image);
// The same for a picture read from `path` some other way (reads the file
// once more, decoding nothing).
EPlaneModel DetectPlaneModel(const std::string& path, const CImage& image);

// Turns `image` into 3 planes of 8-bit (float and 8-bit pictures) or 16-bit
// samples: grey is copied to all three, transparency is laid over white,
// CMYK still left (no profile could be used) is converted to RGB by the
// plain formula, extra planes are dropped. An image that already
// has that form is left untouched. Returns the image library's codes (0 done,
// 1 no raster or an unusable plane count, 3 out of memory); on failure the
// image is unchanged.
int ConvertForEngine(CImage& image, EPlaneModel model);
