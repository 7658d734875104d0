#include "plane_memory.h"

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

// Large blocks given back, kept for a request of the same size. On a miss,
// cached blocks are freed until what is in use, what is cached and the new
// block together stay within the most ever in use at once: the cache adds
// no memory to the engine's peak.
class CBlockCache {
public:
    // A cached block of exactly `bytes`, or null; the block counts as in
    // use either way (the caller allocates on null).
    void* Take(size_t bytes)
    {
        std::vector<void*> evicted;
        void* found = nullptr;
        {
            const std::lock_guard<std::mutex> lock(mutex);
            const auto match = std::find_if(blocks.begin(), blocks.end(),
                                            [bytes](void* block) { return SizeOf(block) == bytes; });
            if (match != blocks.end()) {
                found = *match;
                blocks.erase(match);
                cached -= bytes;
            } else {
                // Largest first: the fewest blocks freed.
                std::sort(blocks.begin(), blocks.end(),
                          [](void* a, void* b) { return SizeOf(a) < SizeOf(b); });
                while (!blocks.empty() && inUse + cached + bytes > mostInUse) {
                    cached -= SizeOf(blocks.back());
                    evicted.push_back(blocks.back());
                    blocks.pop_back();
                }
            }
            inUse += bytes;
            mostInUse = std::max(mostInUse, inUse);
        }
        for (void* block : evicted)
            std::free(static_cast<unsigned char*>(block) - kHeaderBytes);
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
        std::free(static_cast<unsigned char*>(block) - kHeaderBytes);
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
            std::free(static_cast<unsigned char*>(block) - kHeaderBytes);
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

void* Allocate(size_t bytes, bool zero)
{
    bytes = std::max<size_t>(bytes, 1);
    if (bytes > SIZE_MAX - kHeaderBytes)
        return nullptr;
    const bool cacheable = bytes >= kCachedFrom;
    if (cacheable) {
        if (void* block = Cache().Take(bytes)) {
            if (zero)
                std::memset(block, 0, bytes);
            return block;
        }
    }
    void* raw = zero ? std::calloc(bytes + kHeaderBytes, 1) : std::malloc(bytes + kHeaderBytes);
    if (raw == nullptr) {
        if (cacheable)
            Cache().Untake(bytes);
        return nullptr;
    }
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
