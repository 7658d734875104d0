// Making the textures ahead. The first picture of a process is decoded on
// one core while the other would idle; the sources (a few tens of
// milliseconds) and their resampling to the output size (as much again) fill
// that time on a thread the engine owns, and the run takes the result.
//
// One background thread at most, working through the sizes asked for in
// turn; one finished set (made ahead, or given back by the engine when it
// moved to another size) kept until a run takes it or a newer one replaces
// it. The engine's frame maker keeps the set it was handed for as long as the
// size stays, as before; a set is never shared, so nothing is read while it
// is written.
#include "texture_preparation.h"

#include "mat.h"
#include "output_size.h"
#include "plane_memory.h"
#include "sinc_resampler.h"
#include "texture_sources.h"
#include "work_pool.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <new>
#include <thread>
#include <utility>

namespace framira {

CTextureSet::CTextureSet(CTextureSet&& other) noexcept
{
    *this = std::move(other);
}

CTextureSet& CTextureSet::operator=(CTextureSet&& other) noexcept
{
    if (this != &other) {
        Free();
        width = std::exchange(other.width, -1);
        height = std::exchange(other.height, -1);
        for (int i = 0; i < 2; ++i) {
            firstWave[i] = std::exchange(other.firstWave[i], nullptr);
            secondWave[i] = std::exchange(other.secondWave[i], nullptr);
            vignetting[i] = std::exchange(other.vignetting[i], nullptr);
        }
    }
    return *this;
}

CTextureSet::~CTextureSet()
{
    Free();
}

void CTextureSet::Free()
{
    for (int i = 0; i < 2; ++i) {
        MemFree(std::exchange(firstWave[i], nullptr));
        MemFree(std::exchange(secondWave[i], nullptr));
        MemFree(std::exchange(vignetting[i], nullptr));
    }
    width = height = -1;
}

namespace {

template <typename T>
bool AllocatePlane(T*& plane, size_t count)
{
    size_t bytes = 0;
    if (!CheckedBytes(count, sizeof(T), bytes)) {
        return false;
    }
    plane = static_cast<T*>(MemMalloc(bytes));
    return plane != nullptr;
}

std::atomic<int> setsMade{0};

// The sources resampled to width × height; the same bytes on any thread.
// The pairs of built-in sources are made one after the other in the same two
// buffers, each pair side by side on the pool and resampled to the output
// size: a set never holds more than two sources (8 MB) besides itself,
// rather than all six (19 MB), and touches those pages once, not thrice.
// Every generator writes each of its samples, so the buffers start unfilled;
// they go back to the system afterwards rather than staying with the engine's
// planes.
class CSourcePair {
public:
    static constexpr size_t kSamples = static_cast<size_t>(kTextureSourceWidth) * kTextureSourceHeight;

    bool Obtain(int count = 2)
    {
        for (int i = 0; i < count; ++i) {
            auto& buffer = buffers[i];
            buffer.reset(new (std::nothrow) uint16_t[kSamples]);
            if (!buffer) {
                return false;
            }
        }
        return true;
    }

    // The sources `make` makes (one or two) resampled into `out`.
    template <typename T, int Count>
    int Resample(void (*const (&make)[Count])(T*), T* const (&out)[Count], int32_t width, int32_t height)
    {
        static_assert(sizeof(T) <= sizeof(uint16_t) && Count >= 1 && Count <= 2);
        T* made[Count];
        for (int i = 0; i < Count; ++i) {
            made[i] = reinterpret_cast<T*>(buffers[i].get());
        }
        std::atomic<bool> failed{false};
        ParallelFor(Count, 1, [&](size_t begin, size_t end) {
            for (size_t i = begin; i < end; ++i) {
                try {
                    make[i](made[i]);
                } catch (const std::bad_alloc&) {
                    failed = true;  // never out of a pool thread
                }
            }
        });
        if (failed) {
            return 1;
        }
        const T* sources[Count];
        for (int i = 0; i < Count; ++i) {
            sources[i] = made[i];
        }
        return ResamplePlanes<T>(sources, kTextureSourceWidth, kTextureSourceHeight, out, width, height, 0.0f, 0.0f,
                                 Count);
    }

private:
    std::unique_ptr<uint16_t[]> buffers[2];
};

// The edge shade (vignetting[0]) is left out: only portrait and square
// prints read it, and it is made when the first of them asks for it
// (MakeEdgeShade), so a job of landscape pictures never pays for it (8 MB
// and a resampling at 3840 × 2160).
int MakeTextureSet(int32_t width, int32_t height, CTextureSet& set)
{
    set.Free();
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    bool allocated = width > 0 && height > 0 && AllocatePlane(set.vignetting[1], count);
    for (int i = 0; i < 2; ++i) {
        allocated = allocated && AllocatePlane(set.firstWave[i], count) && AllocatePlane(set.secondWave[i], count);
    }
    CSourcePair sources;
    int result = allocated && sources.Obtain() ? 0 : 1;
    try {
        if (result == 0) {
            void (*const make[2])(uint16_t*) = {texture_sources::GenerateFirstWave0,
                                                texture_sources::GenerateFirstWave1};
            result = sources.Resample(make, set.firstWave, width, height);
        }
        if (result == 0) {
            void (*const make[2])(uint16_t*) = {texture_sources::GenerateSecondWave0,
                                                texture_sources::GenerateSecondWave1};
            result = sources.Resample(make, set.secondWave, width, height);
        }
        if (result == 0) {
            void (*const make[1])(uint8_t*) = {texture_sources::GenerateVignetting1};
            uint8_t* const out[1] = {set.vignetting[1]};
            result = sources.Resample(make, out, width, height);
        }
    } catch (const std::bad_alloc&) {
        result = 1;
    }
    if (result != 0) {
        set.Free();
        return result;
    }
    set.width = width;
    set.height = height;
    ++setsMade;
    return 0;
}

struct CSize {
    int32_t width = -1;
    int32_t height = -1;
    bool Is(int32_t w, int32_t h) const { return width == w && height == h; }
    bool Valid() const { return width > 0; }
};

class CTexturePreparer {
public:
    // The pool is made first so that it is destroyed after this object, whose
    // destructor waits for a thread that may be using it.
    CTexturePreparer() { TouchWorkPool(); }

    ~CTexturePreparer()
    {
        try {
            Finish();
        } catch (...) {
            // A wait refused by the system leaves nothing better to do here.
        }
    }

    void Start(int32_t width, int32_t height)
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (handed.Is(width, height) || working.Is(width, height) || wanted.Is(width, height) ||
            (ready.width == width && ready.height == height)) {
            return;
        }
        wanted = CSize{width, height};
        if (running) {
            return;  // the thread takes it up after its current size
        }
        if (worker.joinable()) {
            worker.join();  // it has said it is done and touches nothing more
        }
        try {
            worker = std::thread([this] { Work(); });
            running = true;
        } catch (...) {
            wanted = CSize{};  // no thread: the run makes the set itself
        }
    }

    int Obtain(int32_t width, int32_t height, CTextureSet& set)
    {
        {
            std::unique_lock<std::mutex> lock(mutex);
            if (wanted.Is(width, height)) {
                wanted = CSize{};  // not begun: quicker made here than queued
            }
            finished.wait(lock, [&] { return !working.Is(width, height); });
            if (ready.width == width && ready.height == height) {
                set = std::move(ready);
                handed = CSize{width, height};
                return 0;
            }
        }
        const int result = MakeTextureSet(width, height, set);
        std::lock_guard<std::mutex> lock(mutex);
        handed = result == 0 ? CSize{width, height} : CSize{};
        return result;
    }

    bool Underway(int32_t width, int32_t height)
    {
        std::lock_guard<std::mutex> lock(mutex);
        return working.Is(width, height) || wanted.Is(width, height);
    }

    void Keep(CTextureSet&& set)
    {
        CTextureSet dropped;
        std::lock_guard<std::mutex> lock(mutex);
        // A set made ahead waits for the size asked for. One given back
        // before (the size of the window's last job, say) makes way: kept,
        // it would leave a job at two sizes making one of them anew for
        // every picture.
        if (set.Empty() || (!ready.Empty() && !readyGivenBack) || working.Is(set.width, set.height)) {
            dropped = std::move(set);  // freed after the lock
            return;
        }
        if (wanted.Is(set.width, set.height)) {
            wanted = CSize{};
        }
        dropped = std::move(ready);
        ready = std::move(set);
        readyGivenBack = true;
    }

    void Finish()
    {
        std::unique_lock<std::mutex> lock(mutex);
        finished.wait(lock, [this] { return !running; });
        if (worker.joinable()) {
            worker.join();
        }
    }

private:
    void Work()
    {
        std::unique_lock<std::mutex> lock(mutex);
        while (wanted.Valid()) {
            working = std::exchange(wanted, CSize{});
            lock.unlock();
            CTextureSet made;
            // A failure leaves no set: the run tries again and reports it.
            try {
                MakeTextureSet(working.width, working.height, made);
            } catch (...) {
                made.Free();
            }
            lock.lock();
            if (!made.Empty()) {
                ready = std::move(made);
                readyGivenBack = false;
            }
            working = CSize{};
            finished.notify_all();
        }
        running = false;
        finished.notify_all();
    }

    std::mutex mutex;
    std::condition_variable finished;
    std::thread worker;
    bool running = false;
    CSize wanted;    // asked for, not begun
    CSize working;   // being made
    CSize handed;    // the engine holds this size's set
    CTextureSet ready;
    bool readyGivenBack = false;  // by the engine, rather than made ahead
};

CTexturePreparer& Preparer()
{
    static CTexturePreparer preparer;
    return preparer;
}

} // namespace

void StartTexturePreparation(int32_t width, int32_t height) noexcept
{
    // Told to use one thread (one task per core on a shared machine, say),
    // the engine keeps to it: the run makes the set itself.
    if (!SampleCountFits(width, height, 1) || WorkThreadCount() < 2) {
        return;
    }
    try {
        Preparer().Start(width, height);
    } catch (...) {
        // A lock that cannot be taken only means no head start.
    }
}

int ObtainTextureSet(int32_t width, int32_t height, CTextureSet& set) noexcept
{
    try {
        return Preparer().Obtain(width, height, set);
    } catch (...) {
        set.Free();
        return 1;
    }
}

bool TextureSetUnderway(int32_t width, int32_t height) noexcept
{
    try {
        return Preparer().Underway(width, height);
    } catch (...) {
        return false;
    }
}

void KeepTextureSet(CTextureSet&& set) noexcept
{
    try {
        Preparer().Keep(std::move(set));
    } catch (...) {
        set.Free();
    }
}

int TextureSetsMade() noexcept
{
    return setsMade.load();
}

void FinishTexturePreparation() noexcept
{
    try {
        Preparer().Finish();
    } catch (...) {
    }
}

int MakeEdgeShade(int32_t width, int32_t height, uint8_t*& shade) noexcept
{
    shade = nullptr;
    uint8_t* made = nullptr;
    int result = 1;
    try {
        CSourcePair source;
        if (width > 0 && height > 0 &&
            AllocatePlane(made, static_cast<size_t>(width) * static_cast<size_t>(height)) && source.Obtain(1)) {
            void (*const make[1])(uint8_t*) = {texture_sources::GenerateVignetting0};
            uint8_t* const out[1] = {made};
            result = source.Resample(make, out, width, height);
        }
    } catch (const std::bad_alloc&) {
        result = 1;
    }
    if (result != 0) {
        MemFree(made);
        return result;
    }
    shade = made;
    return 0;
}

} // namespace framira
