// The C interface of libFramira.so: the seven entry points, the query of the
// kernel level, the preparation ahead of a run, the buffer record that
// crosses the library boundary and the screen-resolution presets.
//
// One picture at a time: Specklo_Init once (creates the engine), then
// Framira_Run per picture. The engine keeps no lock; call it from one thread.
#pragma once

#include "framira_export.h"

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// A caller's pixel buffer as the engine sees it: interleaved R, G, B samples,
// rows top to bottom without gaps (pitch = width × 3 samples). Field order is
// fixed: pointer, height, width. The engine never frees `data`.
typedef struct CAImageBuffer {
    void* data;
    int32_t height;
    int32_t width;
} CAImageBuffer;

// One row of the preset table: 60 bytes, name NUL-padded ASCII.
typedef struct CAResolutionPreset {
    int32_t width;
    int32_t height;
    char name[52];
} CAResolutionPreset;

// Creates the engine on the first call; every call re-describes the input.
// 0 on success, -1 when the engine could not be created.
FRAMIRA_API int32_t Specklo_Init(int32_t width, int32_t height, int32_t reserved);
FRAMIRA_API int32_t Specklo_Allocate(void);
FRAMIRA_API int32_t Specklo_Detect(void);
FRAMIRA_API int32_t Specklo_CreateMap(void);
// Leaves the engine alive: its prepared textures and planes stay cached.
// Waits for a preparation Framira_Prepare started.
FRAMIRA_API int32_t Specklo_End(void);
FRAMIRA_API const char* Specklo_Version(void);

// The vector instructions the engine's pixel kernels use in this process:
// "avx512", "avx2" or "baseline" (static text, never null). The widest the
// processor supports, unless the environment variable FRAMIRA_SIMD (read once,
// on first use) asks for a lower one; a level the processor lacks falls back
// to the widest it has. Every level gives the same output bytes.
FRAMIRA_API const char* Framira_KernelLevel(void);

// Starts making, on a thread of the engine's own, what a run at this output
// size (the same three arguments as Framira_Run's last three) needs whatever
// the picture: the mat's textures. Returns at once; the run waits for them if
// they are not ready yet, and makes them itself without this call. Nothing
// happens for a size already prepared or unusable, nor when the engine is
// told to use one thread (FRAMIRA_THREADS=1). Call it before decoding
// the first picture of a size, from the thread that calls Framira_Run.
// Specklo_End waits for the preparation to finish.
FRAMIRA_API void Framira_Prepare(int32_t presetIndex, int32_t customWidth, int32_t customHeight);

// The engine keeps the large blocks of a run for the next one (a batch of
// one size frames in the same memory, never more than an eighth beyond the
// most one run needed); this gives them back to the system. Call it when no
// picture follows soon, as at the end of a job.
FRAMIRA_API void Framira_ReleaseMemory(void);

// Frames one picture into `output` (outputWidth × outputHeight × 3 bytes of
// 8-bit RGB, the preset's size; presetIndex 0 uses customWidth × customHeight).
// bitsPerSample 16 means 16-bit words, converted to 8 bits in place; anything
// else means 8-bit samples. strength, reservedScale and sourcePath are not read.
// Returns 0 when the output was written; 1 for bad arguments or missing
// memory, -1 when the engine does not exist or failed at construction. On a
// result other than 0, part of the output may have been written: it is not
// a framed picture.
FRAMIRA_API int32_t Framira_Run(void* input, unsigned char* output, float strength, int32_t bitsPerSample,
                                int32_t width, int32_t height, float reservedScale, const void* sourcePath,
                                int32_t presetIndex, int32_t customWidth, int32_t customHeight);

// Hands Framira_RunRows the picture's rows as the run needs them, in order
// from the top, each once, kFramiraRowPiece (128) rows at a time and fewer
// at the end: `count` rows from row `first`, as interleaved
// 8-bit R, G, B samples (width × 3 bytes per row, no gaps). Returns where they
// lie, valid until the next call or the end of the run, or null to abandon
// the run. Once every row has been read it is called once more with `first`
// the height and `count` 0 (its result is not used): the rows may go. Called
// on the thread that called Framira_RunRows; it must not throw or jump out.
typedef const unsigned char* (*FramiraRowReader)(void* context, int32_t first, int32_t count);

// Framira_Run for an 8-bit picture read through `reader` rather than held
// whole: the same output bytes, with the picture's memory down to what the
// reader keeps (a caller can decode the next rows while the engine works on
// these). Returns 1 when the reader abandons the run (the output is then not
// the framed picture), otherwise as Framira_Run.
FRAMIRA_API int32_t Framira_RunRows(FramiraRowReader reader, void* context, unsigned char* output, int32_t width,
                                    int32_t height, int32_t presetIndex, int32_t customWidth, int32_t customHeight);

#ifdef __cplusplus
} // extern "C"

// The screen-resolution presets, shared by the engine and the application.
// Row 0 stands for the caller's own size; row 16 ("END") closes the list.
inline constexpr int kFramiraPresetCount = 17;
inline constexpr CAResolutionPreset kFramiraPresets[kFramiraPresetCount] = {
    {1, 1, "Current"},      {480, 320, "HVGA"},    {1280, 854, "PB-G4"},   {640, 480, "VGA"},
    {768, 576, "PAL"},      {800, 600, "SVGA"},    {1024, 768, "XGA"},     {1600, 1200, "UXGA"},
    {1280, 1024, "SXGA"},   {2560, 2048, "QSXGA"}, {1366, 768, "WXGA"},    {1280, 720, "HDTV"},
    {1920, 1080, "HDTV"},   {1680, 1050, "WSXGA+"}, {2560, 1600, "WQXGA"}, {1600, 1024, "WSXGA"},
    {1280, 1024, "END"},
};
static_assert(sizeof(CAResolutionPreset) == 60, "preset rows are 60 bytes");

// The rows Framira_RunRows asks its reader for at a time.
inline constexpr int kFramiraRowPiece = 128;
#endif
