#pragma once
// The coding parameters of a source JPEG that the writer with source follows,
// read from its header only (no pixels are decoded).

#include <cstdint>
#include <cstdio>

#include <jpeglib.h>

struct JpegSourceParameters {
    int numComponents = 0;
    int componentId[MAX_COMPONENTS] = {};
    int hSampFactor[MAX_COMPONENTS] = {};
    int vSampFactor[MAX_COMPONENTS] = {};
    bool sawJfif = false;
    std::uint8_t jfifMajor = 1;
    std::uint8_t jfifMinor = 1;
    std::uint8_t densityUnit = 0;
    std::uint16_t xDensity = 1;
    std::uint16_t yDensity = 1;
    bool sawAdobe = false;
    int adobeTransform = 0;
    int dataPrecision = 8;
};

// 0 on success; 1 when the file is not a JPEG whose header libjpeg accepts.
int ReadJpegSourceParameters(std::FILE* file, JpegSourceParameters& parameters);
