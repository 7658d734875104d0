#pragma once
// A tiny camera DNG written with libtiff, as a camera or a raw converter
// would store it: a 16-bit RGGB mosaic, uncompressed in one strip, with
// the camera's names and, when asked, an EXIF directory and the bulky
// data raw converters leave in the main directory.

#include <tiffio.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace test_support {

struct CDngExtras {
    int orientation = 1;
    std::string dateTimeOriginal;      // in an EXIF directory; none when empty
    // DNGPrivateData and an embedded original raw file (OriginalRawFileData)
    // of this size each, as raw converters leave them; none when 0.
    std::size_t converterDataBytes = 0;
};

// A mosaic of `cols` x `rows` with the same level in each channel.
inline bool WriteMosaicDng(const std::filesystem::path& path, int cols, int rows, const CDngExtras& extras = {})
{
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    if (tiff == nullptr)
        return false;
    const std::uint8_t version[4] = {1, 4, 0, 0};
    const std::uint16_t repeat[2] = {2, 2};
    const std::uint8_t pattern[4] = {0, 1, 1, 2};
    const float matrix[9] = {1.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 1.0f};
    const float neutral[3] = {1.0f, 1.0f, 1.0f};
    TIFFSetField(tiff, TIFFTAG_SUBFILETYPE, 0);
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, cols);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, rows);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 16);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, 32803);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, rows);
    TIFFSetField(tiff, TIFFTAG_MAKE, "Framira");
    TIFFSetField(tiff, TIFFTAG_MODEL, "Test Sensor");
    TIFFSetField(tiff, TIFFTAG_ORIENTATION, extras.orientation);
    TIFFSetField(tiff, TIFFTAG_DNGVERSION, version);
    TIFFSetField(tiff, TIFFTAG_UNIQUECAMERAMODEL, "Framira Test Sensor");
    TIFFSetField(tiff, TIFFTAG_CFAREPEATPATTERNDIM, repeat);
    TIFFSetField(tiff, TIFFTAG_CFAPATTERN, 4, pattern);
    TIFFSetField(tiff, TIFFTAG_COLORMATRIX1, 9, matrix);
    TIFFSetField(tiff, TIFFTAG_ASSHOTNEUTRAL, 3, neutral);
    // libtiff counts these in 16 bits.
    std::vector<std::uint8_t> converterData(std::min<std::size_t>(extras.converterDataBytes, 65535));
    for (std::size_t i = 0; i < converterData.size(); ++i)
        converterData[i] = std::uint8_t(i * 13);
    if (!converterData.empty()) {
        const auto count = static_cast<std::uint16_t>(converterData.size());
        TIFFSetField(tiff, TIFFTAG_DNGPRIVATEDATA, count, converterData.data());
        TIFFSetField(tiff, TIFFTAG_ORIGINALRAWFILEDATA, count, converterData.data());
    }
    const bool withExif = !extras.dateTimeOriginal.empty();
    if (withExif)
        TIFFSetField(tiff, TIFFTAG_EXIFIFD, std::uint64_t{0});  // placed once the EXIF directory is written
    std::vector<std::uint16_t> row(static_cast<std::size_t>(cols), 20000);
    bool written = true;
    for (int y = 0; y < rows && written; ++y)
        written = TIFFWriteScanline(tiff, row.data(), static_cast<std::uint32_t>(y), 0) == 1;
    if (written && withExif) {
        std::uint64_t exifOffset = 0;
        written = TIFFWriteDirectory(tiff) == 1 && TIFFCreateEXIFDirectory(tiff) == 0 &&
                  TIFFSetField(tiff, EXIFTAG_DATETIMEORIGINAL, extras.dateTimeOriginal.c_str()) == 1 &&
                  TIFFWriteCustomDirectory(tiff, &exifOffset) == 1 && TIFFSetDirectory(tiff, 0) == 1 &&
                  TIFFSetField(tiff, TIFFTAG_EXIFIFD, exifOffset) == 1 && TIFFWriteDirectory(tiff) == 1;
    }
    TIFFClose(tiff);
    return written;
}

} // namespace test_support
