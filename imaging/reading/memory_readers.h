#pragma once
// In-memory cores of the readers in format_readers.h. Each file entry loads
// (or opens) the file and calls the core with the file's bytes; the fuzz
// targets and tests call the cores directly. Result codes and outputs are
// those of the file entries: 0 success, 1 bad data, 2 not handled or
// unreadable, 3 out of memory. A reader that fails leaves the image with no
// planes, even when it had allocated them.

#include <cstdint>
#include <span>

class CImage;
struct CEmbeddedData;

using CByteSpan = std::span<const std::uint8_t>;

int ReadBitmapInfoBytes(CByteSpan bytes, int& cols, int& rows, int& planes);
int ReadBitmapBytes(CByteSpan bytes, CImage& image);

int ReadGifInfoBytes(CByteSpan bytes, int& cols, int& rows, int& planes);
int ReadGifBytes(CByteSpan bytes, CImage& image);

// Greymap (planes 1, "P5") and pixmap (planes 3, "P6").
int ReadPnmInfoBytes(CByteSpan bytes, int planesWanted, int& cols, int& rows, int& planes);
int ReadPnmBytes(CByteSpan bytes, int planesWanted, CImage& image);

int ReadPhotoshopInfoBytes(CByteSpan bytes, int& cols, int& rows, int& planes);
int ReadPhotoshopBytes(CByteSpan bytes, CImage& image);

int ReadTiffInfoBytes(CByteSpan bytes, int& cols, int& rows, int& planes);
int ReadTiffBytes(CByteSpan bytes, CImage& image);

int ReadPngInfoBytes(CByteSpan bytes, int& cols, int& rows, int& planes);
int ReadPngBytes(CByteSpan bytes, CImage& image);

int ReadHeifInfoBytes(CByteSpan bytes, int& cols, int& rows, int& planes);
int ReadHeifBytes(CByteSpan bytes, CImage& image);
bool ReadHeifEmbeddedBytes(CByteSpan bytes, CEmbeddedData& data);
// Decodes and takes what lies beside the pixels from one parse of the file;
// `data` is filled only when the pixels are read.
int ReadHeifSourceBytes(CByteSpan bytes, CImage& image, CEmbeddedData& data);

int ReadWebpInfoBytes(CByteSpan bytes, int& cols, int& rows, int& planes);
int ReadWebpBytes(CByteSpan bytes, CImage& image);
bool ReadWebpEmbeddedBytes(CByteSpan bytes, CEmbeddedData& data);

int ReadCameraRawInfoBytes(CByteSpan bytes, int& cols, int& rows, int& planes);
int ReadCameraRawBytes(CByteSpan bytes, CImage& image);
