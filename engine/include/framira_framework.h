// The algorithm framework of libFramira.so: an algorithm (what a host calls)
// and a host (what the algorithm calls back for memory and pixels) share one
// image description through a virtual base, so the host writes it once and
// both sides read it.
#pragma once

#include "framira.h"
#include "framira_export.h"

#include <cstdint>
#include <memory>

namespace framira {
struct CBevelTables;
struct CRowReader;
struct CTextureSet;
}

// A rectangle; right and bottom are exclusive. Field order is fixed.
class FRAMIRA_API CARect {
public:
    int32_t right;
    int32_t left;
    int32_t top;
    int32_t bottom;

    CARect();
    // A rectangle of width a and height b at the origin.
    CARect(int32_t a, int32_t b);
    CARect(int32_t left, int32_t right, int32_t top, int32_t bottom);
    CARect(const CARect& other);
    CARect& operator=(const CARect& other);

    int32_t width() const;
    int32_t height() const;
    int32_t size() const;

    // Equal when widths and heights match, wherever the rectangles lie.
    bool operator==(const CARect& other) const;
    bool operator!=(const CARect& other) const;
    // The ordering operators compare areas.
    bool operator<(const CARect& other) const;
    bool operator<=(const CARect& other) const;
    bool operator>(const CARect& other) const;
    bool operator>=(const CARect& other) const;
};

// Description of an image; `image` is the host's picture (a CAImageBuffer for
// the built-in host), `parms` the algorithm's parameter record (for the frame
// maker, the output CAImageBuffer).
class FRAMIRA_API CAImageInfo {
public:
    int32_t width;
    int32_t height;
    int32_t channels;
    int32_t bits;
    int32_t extra1;
    int32_t extra2;
    void* image;
    void* parms;

    CAImageInfo();
    CAImageInfo(const CAImageInfo& other);
    CAImageInfo& operator=(const CAImageInfo& other);
};

// The record both interfaces share.
class FRAMIRA_API CAAlgorithmBase : public CAImageInfo {
public:
    CAAlgorithmBase();
    CAAlgorithmBase(const CAAlgorithmBase& other);
    CAAlgorithmBase& operator=(const CAAlgorithmBase& other);
    virtual ~CAAlgorithmBase();
};

enum CAProcessType { CAProcessPreview = 0, CAProcessFull = 1 };

// What a host calls.
class FRAMIRA_API CAAlgorithmInterface : public virtual CAAlgorithmBase {
public:
    CAAlgorithmInterface();
    CAAlgorithmInterface(const CAAlgorithmInterface& other);
    CAAlgorithmInterface& operator=(const CAAlgorithmInterface& other);
    ~CAAlgorithmInterface() override;

    virtual long Init(int phase) = 0;
    virtual long Analyze(CARect& source) = 0;
    virtual long Process(CARect& source, CARect& destination, CAProcessType type) = 0;
    virtual long Version() = 0;
    virtual long Release() = 0;
};

// What an algorithm calls back.
class FRAMIRA_API CAHostInterface : public virtual CAAlgorithmBase {
public:
    CAHostInterface();
    CAHostInterface(const CAHostInterface& other);
    CAHostInterface& operator=(const CAHostInterface& other);
    ~CAHostInterface() override;

    virtual void* AllocateMemory(long size) = 0;
    virtual void ReleaseMemory(void* block) = 0;
    virtual void HostReserved(void* block, int value) = 0;
    // Copy a rectangle of one channel (selector 0..2) or of all three
    // (selector 6, plane after plane) out of / into the host image. 0 = success.
    virtual int GetRegion(void* image, CARect& rect, void* buffer, int selector) = 0;
    virtual int PutRegion(void* image, CARect& rect, void* buffer, int selector) = 0;
    virtual int HostQuery() = 0;
};

class FRAMIRA_API CAAlgorithm : public CAAlgorithmInterface, public CAHostInterface {
public:
    CAAlgorithm();
    CAAlgorithm(const CAAlgorithm& other);
    CAAlgorithm& operator=(const CAAlgorithm& other);
    ~CAAlgorithm() override;

protected:
    // Nearest integer, halves to the even neighbour.
    static int RoundToInt(float x);
    // Linear lookup of *value (0..1) in an n-entry table; never negative.
    static void ApplyLUT(float* value, const float* lut, short n);
};

// The frame maker's parameters: seven bytes.
class FRAMIRA_API CAFrameMakerAutoParms {
public:
    uint8_t fixedCoreColor;
    uint8_t coreColor[3];
    uint8_t mountColor[3];

    CAFrameMakerAutoParms();
    CAFrameMakerAutoParms(const CAFrameMakerAutoParms& other);
    CAFrameMakerAutoParms& operator=(const CAFrameMakerAutoParms& other);
};

class FRAMIRA_API CAAdjustImageParms {
public:
    int32_t mode;

    CAAdjustImageParms();
    CAAdjustImageParms(const CAAdjustImageParms& other);
    CAAdjustImageParms& operator=(const CAAdjustImageParms& other);
};

// Turns one picture into a framed picture of the output size: a print centred
// on a textured mat with a bevelled band around it. The host operations are
// left to the class that joins it with a host.
class FRAMIRA_API CFrameMakerAutoAlgorithm : public CAAlgorithm {
public:
    CFrameMakerAutoAlgorithm();
    ~CFrameMakerAutoAlgorithm() override;
    CFrameMakerAutoAlgorithm(const CFrameMakerAutoAlgorithm&) = delete;
    CFrameMakerAutoAlgorithm& operator=(const CFrameMakerAutoAlgorithm&) = delete;

    // 0 ok, -1 failed instance, 1 memory or resampling failure.
    long Init(int phase) override;
    // 0 ok, 1 memory, or the host's GetRegion result.
    long Analyze(CARect& source) override;
    // 0 ok, 1 failure. The type is not interpreted. The print reaches the
    // host (PutRegion) before the mat around it, so after a failure part of
    // the destination may be written.
    long Process(CARect& source, CARect& destination, CAProcessType type) override;
    long Version() override;
    long Release() override;

    // Analyze for a whole picture of interleaved 8-bit R, G, B samples that
    // stay valid and unchanged until Process has returned: they are read
    // where they lie instead of being copied. Same results as Analyze.
    // Internal to the library.
    FRAMIRA_HIDDEN long AnalyzeInPlace(const uint8_t* samples, int32_t width, int32_t height);
    // The same for a picture whose rows the reader hands over as Process
    // needs them, so it is never held whole. The reader must outlive Process.
    FRAMIRA_HIDDEN long AnalyzeRows(const framira::CRowReader& reader, int32_t width, int32_t height);

private:
    void ReleaseTextures();
    // Takes the set Init left to the engine's own thread; 0, or 1 when it
    // cannot be had. Nothing to do when none is pending.
    long TakePendingTextures();
    // Moves a set's planes into the engine's.
    void TakeTextures(framira::CTextureSet& set);
    // Gives back the set of the size left, which waited for a pending one.
    void SettlePendingTextures();
    // The picture is read from the caller's memory (AnalyzeInPlace,
    // AnalyzeRows): no planes of its own. 1 when there is none to read.
    long BorrowInput(bool present, int32_t width, int32_t height);
    void ReleaseInputPlanes();
    // Both resamplings of the picture, from its planes to float planes of
    // the two sizes, in one reading of it.
    int ResampleInput(int w, int h, float* const* stretched, int sw, int sh, float* const* print, int pw,
                      int ph) const;

    CAFrameMakerAutoParms parameters;
    bool inputDescribed = false;
    bool outputPrepared = false;
    bool failed = false;
    int32_t cachedOutputWidth = -1;
    int32_t cachedOutputHeight = -1;
    int32_t cachedInputWidth = -1;
    int32_t cachedInputHeight = -1;
    framira::CBevelTables* bevelTables = nullptr;
    uint16_t* firstWaveTexture[2] = {nullptr, nullptr};
    uint16_t* secondWaveTexture[2] = {nullptr, nullptr};
    uint8_t* vignettingTexture[2] = {nullptr, nullptr};
    // Init found the output size's textures still being made ahead: Process
    // takes them just before the mat, so the picture is resampled meanwhile.
    // The set of the size left waits here until then (see Init).
    bool texturesPending = false;
    std::unique_ptr<framira::CTextureSet> setLeft;
    // The picture's planes in the host's sample type (1, 2 or 4 bytes).
    void* inputPlanes[3] = {nullptr, nullptr, nullptr};
    int32_t inputSampleSize = 0;
    // Set by AnalyzeInPlace or AnalyzeRows instead of the planes.
    const uint8_t* borrowedSamples = nullptr;
    const framira::CRowReader* rowReader = nullptr;
    CAImageInfo inputInfo;
    CAImageInfo outputInfo;
};

// The built-in host: serves pixels from CAImageBuffer records. The sample size
// (8-bit or 16-bit) is the entry points' current bits-per-sample value.
class FRAMIRA_API CABufferHost : public CAHostInterface {
public:
    CABufferHost();
    ~CABufferHost() override;

    void* AllocateMemory(long size) override;
    void ReleaseMemory(void* block) override;
    void HostReserved(void* block, int value) override;
    // Non-zero when the image, buffer or rectangle is unusable (null, or the
    // rectangle not inside the image) or the selector is unknown.
    int GetRegion(void* image, CARect& rect, void* buffer, int selector) override;
    int PutRegion(void* image, CARect& rect, void* buffer, int selector) override;
    int HostQuery() override;
};

// The frame maker joined with the built-in host: what the entry points create.
class FRAMIRA_API CFrameMakerAutoEngine : public CFrameMakerAutoAlgorithm, public CABufferHost {
public:
    CFrameMakerAutoEngine();
    ~CFrameMakerAutoEngine() override;

    void* AllocateMemory(long size) override;
    void ReleaseMemory(void* block) override;
    void HostReserved(void* block, int value) override;
    int GetRegion(void* image, CARect& rect, void* buffer, int selector) override;
    int PutRegion(void* image, CARect& rect, void* buffer, int selector) override;
    int HostQuery() override;
};
