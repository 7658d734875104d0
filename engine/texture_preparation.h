// The six textures at an output size, made from the built-in sources either
// when a run needs them or ahead of it, on a thread of the engine's own while
// the caller decodes its first picture. Internal to the engine.
#pragma once

#include <cstdint>

namespace framira {

// Six planes of width × height samples (MemMalloc blocks), or none; the
// edge shade (vignetting[0]) only when a run has needed it (MakeEdgeShade).
struct CTextureSet {
    int32_t width = -1;
    int32_t height = -1;
    uint16_t* firstWave[2] = {nullptr, nullptr};
    uint16_t* secondWave[2] = {nullptr, nullptr};
    uint8_t* vignetting[2] = {nullptr, nullptr};

    CTextureSet() = default;
    CTextureSet(const CTextureSet&) = delete;
    CTextureSet& operator=(const CTextureSet&) = delete;
    CTextureSet(CTextureSet&& other) noexcept;
    CTextureSet& operator=(CTextureSet&& other) noexcept;
    ~CTextureSet();

    bool Empty() const { return firstWave[0] == nullptr; }
    void Free();
};

// Starts making the set for width × height in the background and returns at
// once. Nothing happens for an unusable size, a size already made or being
// made, or the size last handed to the engine. Never throws.
void StartTexturePreparation(int32_t width, int32_t height) noexcept;

// The set for width × height: the one made ahead when there is one (waiting
// for it if it is still being made), else made now on the calling thread.
// 0 on success; otherwise the resampler's failure code (1) and an empty set.
// The bytes are the same either way.
int ObtainTextureSet(int32_t width, int32_t height, CTextureSet& set) noexcept;

// True while the set for width × height is being made ahead, or waits to
// be: ObtainTextureSet would wait for it.
bool TextureSetUnderway(int32_t width, int32_t height) noexcept;

// Takes back the set of a size the engine leaves, so that switching back to
// it (a job framing every picture at two sizes) costs no resampling. One set
// at most: it replaces a set given back before, never one made ahead that is
// waiting to be taken.
void KeepTextureSet(CTextureSet&& set) noexcept;

// The edge shade of a set at width × height, which only portrait and square
// prints read: 0 and a MemMalloc block in `shade`, or 1 and null. The same
// bytes as if it had been made with the rest of the set. Never throws.
int MakeEdgeShade(int32_t width, int32_t height, uint8_t*& shade) noexcept;

// How many sets the process has made so far, ahead or not (taking a set
// kept or made ahead is not making one).
int TextureSetsMade() noexcept;

// Returns when no preparation is running: nothing of the engine's works on
// after this, until the next StartTexturePreparation.
void FinishTexturePreparation() noexcept;

} // namespace framira
