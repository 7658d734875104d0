// Scratch blocks kept between pictures: a batch frames picture after picture
// at one output size, and each would otherwise map fresh pages for the same
// planes and fault every one of them in again.
#include "plane_memory.h"

#include <cstddef>
#include <cstdlib>
#include <mutex>
#include <vector>

namespace framira {
namespace {

// Enough for every plane of one run at the largest output size; blocks
// beyond it are freed rather than kept.
constexpr size_t kKeptBytesLimit = size_t(320) << 20;
constexpr size_t kKeptBlocksLimit = 16;
// Smaller blocks are left to the allocator, which reuses them cheaply anyway.
constexpr size_t kSmallestKept = size_t(1) << 20;

struct CKeptBlock {
    void* block;
    size_t bytes;
};

// Frees what is still kept when the library unloads.
struct CKeptBlocks : std::vector<CKeptBlock> {
    ~CKeptBlocks()
    {
        for (const CKeptBlock& entry : *this) {
            std::free(entry.block);
        }
    }
};

std::mutex keptMutex;
CKeptBlocks kept;
size_t keptBytes = 0;

} // namespace

void* AcquireScratch(size_t bytes, size_t& capacity)
{
    if (bytes >= kSmallestKept) {
        std::lock_guard<std::mutex> lock(keptMutex);
        // The smallest kept block that is large enough, so a small plane does
        // not take a large one another plane of this run would need.
        size_t best = kept.size();
        for (size_t i = 0; i < kept.size(); ++i) {
            if (kept[i].bytes >= bytes && (best == kept.size() || kept[i].bytes < kept[best].bytes)) {
                best = i;
            }
        }
        if (best != kept.size()) {
            const CKeptBlock found = kept[best];
            kept.erase(kept.begin() + static_cast<std::ptrdiff_t>(best));
            keptBytes -= found.bytes;
            capacity = found.bytes;
            return found.block;
        }
    }
    capacity = bytes == 0 ? 1 : bytes;
    return std::malloc(capacity);
}

void ReleaseScratch(void* block, size_t capacity)
{
    if (block == nullptr) {
        return;
    }
    std::unique_lock<std::mutex> lock(keptMutex);
    if (capacity >= kSmallestKept && capacity <= kKeptBytesLimit && kept.size() < kKeptBlocksLimit) {
        try {
            kept.push_back(CKeptBlock{block, capacity});
            keptBytes += capacity;
            // The oldest blocks make room for the newest.
            while (keptBytes > kKeptBytesLimit) {
                keptBytes -= kept.front().bytes;
                std::free(kept.front().block);
                kept.erase(kept.begin());
            }
            return;
        } catch (...) {
        }
    }
    lock.unlock();
    std::free(block);
}

} // namespace framira
