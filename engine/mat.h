// The mat around the print: bevel tables, core colour, bevel band and the
// synthesised mat texture. Internal to the engine; the frame maker
// (frame_maker_auto_algorithm.cpp) is the only caller.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace framira {

// Intensities 0..1 of the 14-pixel band, one core-layer (A) and one
// mount-layer (B) table per side.
struct CBevelTables {
    float topA[14][65];
    float topB[14][65];
    float bottomA[14][65];
    float bottomB[14][65];
    float leftA[37][14];
    float leftB[37][14];
    float rightA[37][14];
    float rightB[37][14];
};

long FillMattingMountAndCoreColorStructures(CBevelTables& tables);

// Core colour of a picture (planes of width × height floats), 0..1 per channel.
long CreateCoreColors(const float* r, const float* g, const float* b, int width, int height,
                      float& outR, float& outG, float& outB);

// Draws the band around a pw × ph print centred on the W × H mat planes.
// mountColor is the parameter record's byte triple.
long ApplyMattingAndMountColorAndCoreColor(const CBevelTables& tables, const uint8_t mountColor[3],
                                           int pw, int ph, float* const mat[3], int W, int H,
                                           float coreR, float coreG, float coreB);

// The six textures prepared at the output size W × H by Init(1).
struct CMatTextures {
    const uint16_t* firstWave0;  // from the sources' firstWave[0]
    const uint16_t* firstWave1;  // from firstWave[1]
    const uint16_t* secondWave0; // from secondWave[0]
    const uint16_t* secondWave1; // from secondWave[1]
    const uint8_t* shade0;       // from vignetting[0]; read (and needed) only for ph >= pw
    const uint8_t* shade1;       // from vignetting[1]
};

// Builds the mat surface from the picture stretched to W × H.
// Returns 0, or 1 when working memory could not be obtained.
long CreateDitheredMat(const CMatTextures& textures, const float* const picture[3],
                       float* const mat[3], int W, int H, int pw, int ph);
// Something else reading the picture beside the mat (the core colour): the
// mat calls wait(context) once, before it first writes over the picture.
struct CPictureReaders {
    void (*wait)(void* context) = nullptr;
    void* context = nullptr;
};

// Memory of the caller's that nothing reads while the mat is made: the mat's
// working memory is laid in it where it fits, rather than in pages never
// touched before.
struct CSpareFloats {
    float* data = nullptr;
    size_t count = 0;
};

// A rectangle of the mat nobody reads once it is made (where the print goes):
// columns left .. right - 1 of rows top .. bottom - 1. Empty by default.
struct CUnreadRect {
    int left = 0, top = 0, right = 0, bottom = 0;
};

// The same mat built over the picture: the picture's planes (three distinct
// ones) become the mat's, and only one working plane and under a quarter
// of another are taken besides.
// Inside `unread` the mat's last per-sample stages are left out, so the
// samples there are unfinished; everywhere else they are the same.
long CreateDitheredMatOverPicture(const CMatTextures& textures, float* const planes[3], int W, int H,
                                  int pw, int ph, const CPictureReaders& readers = {},
                                  CSpareFloats spare = {}, CUnreadRect unread = {});

// The built-in texture sources, kTextureSourceWidth × kTextureSourceHeight
// samples each, row after row, identical bytes on every machine.
constexpr int kTextureSourceWidth = 1600;
constexpr int kTextureSourceHeight = 1200;
struct CTextureSources {
    std::vector<uint16_t> firstWave[2];
    std::vector<uint16_t> secondWave[2];
    std::vector<uint8_t> vignetting[2];
};
// The sources are 19 MB and only read while textures are resampled to an
// output size, so they are not kept for the life of the process: made when
// nobody holds them, shared by everyone who holds them at the time (safe from
// any thread), and freed when the last holder lets go. Null when the memory
// for them could not be obtained.
std::shared_ptr<const CTextureSources> AcquireTextureSources() noexcept;

} // namespace framira
