#include "plane_memory.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

namespace framira {

namespace {

// Every block carries its size just before it (the header keeps the C
// allocator's alignment), so that MemFree knows what it gives back.
constexpr size_t kHeaderBytes = 64;
constexpr size_t kCachedFrom = size_t{1} << 20;

size_t& SizeOf(void* block)
{
    return *reinterpret_cast<size_t*>(static_cast<unsigned char*>(block) - kHeaderBytes);
}

// The address sanitizer watches heap blocks of exactly the size asked, not
// mapped ones: its builds keep the C allocator, so a plane overrun is caught.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kMapLarge = false;
#else
constexpr bool kMapLarge = true;
#endif

// Large blocks are mapped from the system and unmapped when they go: the C
// library would otherwise keep them in a thread's heap once it has seen a
// large block freed, and the engine's footprint would depend on the order
// its threads freed memory. Mapped pages come zero-filled.
void* MapLarge(size_t bytes)
{
    void* raw = kMapLarge ? ::mmap(nullptr, bytes + kHeaderBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS,
                                   -1, 0)
                          : std::calloc(bytes + kHeaderBytes, 1);
    if (raw == MAP_FAILED || raw == nullptr)
        return nullptr;
    void* block = static_cast<unsigned char*>(raw) + kHeaderBytes;
    SizeOf(block) = bytes;
    return block;
}

void UnmapLarge(void* block)
{
    if (kMapLarge)
        ::munmap(static_cast<unsigned char*>(block) - kHeaderBytes, SizeOf(block) + kHeaderBytes);
    else
        std::free(static_cast<unsigned char*>(block) - kHeaderBytes);
}

// Large blocks given back, kept for a later request they hold. On a miss,
// cached blocks are freed until what is in use, what is cached and the new
// block together stay within an eighth more than the most ever in use at
// once. Without that eighth, a run's blocks that are never in use together
// (its resampling windows, its mat's planes) would push each other out and
// be mapped anew for every picture.
class CBlockCache {
public:
    // A cached block that holds `bytes`, or null; the block counts as in
    // use either way (the caller maps one on null).
    void* Take(size_t bytes)
    {
        std::vector<void*> evicted;
        void* found = nullptr;
        {
            const std::lock_guard<std::mutex> lock(mutex);
            // The smallest that holds it, at most twice its size: pictures
            // of a batch differ a little in their print's size, and a block
            // mapped anew costs a first touch of every page.
            auto match = blocks.end();
            for (auto b = blocks.begin(); b != blocks.end(); ++b) {
                const size_t size = SizeOf(*b);
                if (size >= bytes && size / 2 <= bytes && (match == blocks.end() || size < SizeOf(*match)))
                    match = b;
            }
            if (match != blocks.end()) {
                found = *match;
                blocks.erase(match);
                bytes = SizeOf(found);
                cached -= bytes;
            } else {
                // Largest first: the fewest blocks freed.
                std::sort(blocks.begin(), blocks.end(),
                          [](void* a, void* b) { return SizeOf(a) < SizeOf(b); });
                while (!blocks.empty() && inUse + cached + bytes > mostInUse + mostInUse / 8) {
                    cached -= SizeOf(blocks.back());
                    evicted.push_back(blocks.back());
                    blocks.pop_back();
                }
            }
            inUse += bytes;
            mostInUse = std::max(mostInUse, inUse);
        }
        for (void* block : evicted)
            UnmapLarge(block);
        return found;
    }

    // A block that could not be had after Take said none was cached.
    void Untake(size_t bytes)
    {
        const std::lock_guard<std::mutex> lock(mutex);
        inUse -= bytes;
    }

    void Give(void* block)
    {
        const std::lock_guard<std::mutex> lock(mutex);
        const size_t bytes = SizeOf(block);
        inUse -= bytes;
        try {
            blocks.push_back(block);
            cached += bytes;
            return;
        } catch (...) {
            // No room to note it: it goes back to the system instead.
        }
        UnmapLarge(block);
    }

    void Release()
    {
        std::vector<void*> all;
        {
            const std::lock_guard<std::mutex> lock(mutex);
            all.swap(blocks);
            cached = 0;
            mostInUse = inUse;
        }
        for (void* block : all)
            UnmapLarge(block);
    }

private:
    std::mutex mutex;
    std::vector<void*> blocks;
    size_t cached = 0;
    size_t inUse = 0;
    size_t mostInUse = 0;
};

// Never destroyed: blocks of objects destroyed at exit come back to it
// whatever the order of destruction.
CBlockCache& Cache()
{
    static CBlockCache* const cache = new CBlockCache;
    return *cache;
}

// A large size rounded up to one of eight steps per doubling, so that the
// blocks of pictures of slightly different sizes (a resampling window a few
// rows taller) are the same blocks. The pages past the request are never
// touched, so they cost no memory.
size_t RoundedUp(size_t bytes)
{
    const int shift = 63 - __builtin_clzll(static_cast<unsigned long long>(bytes)) - 3;
    const size_t step = size_t{1} << shift;
    return bytes > SIZE_MAX - step ? bytes : (bytes + step - 1) & ~(step - 1);
}

void* Allocate(size_t requested, bool zero)
{
    size_t bytes = std::max<size_t>(requested, 1);
    const bool cacheable = bytes >= kCachedFrom;
    if (cacheable && kMapLarge)
        bytes = RoundedUp(bytes);
    if (bytes > SIZE_MAX - kHeaderBytes)
        return nullptr;
    if (cacheable) {
        if (void* block = Cache().Take(bytes)) {
            if (zero)
                std::memset(block, 0, requested);
            return block;
        }
        void* block = MapLarge(bytes);
        if (block == nullptr)
            Cache().Untake(bytes);
        return block;
    }
    void* raw = zero ? std::calloc(bytes + kHeaderBytes, 1) : std::malloc(bytes + kHeaderBytes);
    if (raw == nullptr)
        return nullptr;
    void* block = static_cast<unsigned char*>(raw) + kHeaderBytes;
    SizeOf(block) = bytes;
    return block;
}

} // namespace

void* MemMalloc(size_t bytes)
{
    return Allocate(bytes, true);
}

void* MemMallocForOverwrite(size_t bytes)
{
    return Allocate(bytes, false);
}

void MemFree(void* block)
{
    if (block == nullptr)
        return;
    if (SizeOf(block) >= kCachedFrom)
        Cache().Give(block);
    else
        std::free(static_cast<unsigned char*>(block) - kHeaderBytes);
}

void MemReleaseCache()
{
    Cache().Release();
}

} // namespace framira
