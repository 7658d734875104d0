#pragma once
// Turning and mirroring a picture's planes so that it stands as the camera
// meant it. Cameras and phones store a portrait as landscape pixels and note
// in the EXIF Orientation tag (values 1 to 8) where the stored first row and
// column belong; every later stage wants the upright picture.

class CImage;

// Values of the EXIF Orientation tag.
inline constexpr int kOrientationNormal = 1;
inline constexpr int kOrientationTransposed = 5;  // 5 to 8 swap width and height

// Whether `orientation` is one of the eight values a picture can carry.
inline bool IsValidOrientation(int orientation)
{
    return orientation >= 1 && orientation <= 8;
}

// Rearranges the planes of `image` (any plane count and sample type) so that
// it shows upright for the given Orientation value; 5 to 8 swap cols and
// rows. Values 1 and outside 1 to 8 leave the image as it is. Returns 0, 1
// (no raster) or 3 (out of memory; the image is then unchanged).
int ApplyOrientation(CImage& image, int orientation);
