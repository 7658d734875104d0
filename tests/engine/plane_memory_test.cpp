// The engine's blocks: those it gives back are kept for its next run.
#include "plane_memory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

// A block the engine gave back and gets again must be what a fresh one is:
// zero-filled when asked so, whatever its last user left in it, and of the
// size asked even when other sizes were given back around it.
TEST(PlaneMemory, ReusedBlocksAreZeroFilledLikeFreshOnes)
{
    struct CCase {
        size_t bytes;
        bool lastForOverwrite;
    };
    for (const CCase c : {CCase{size_t{1} << 20, false}, CCase{(size_t{3} << 20) + 5, true},
                          CCase{size_t{1} << 19, false}, CCase{size_t{8} << 20, true}}) {
        SCOPED_TRACE(c.bytes);
        void* other = framira::MemMalloc(c.bytes + 4096);
        auto* block = static_cast<unsigned char*>(c.lastForOverwrite ? framira::MemMallocForOverwrite(c.bytes)
                                                                     : framira::MemMalloc(c.bytes));
        ASSERT_NE(block, nullptr);
        std::memset(block, 0xA5, c.bytes);
        framira::MemFree(block);
        framira::MemFree(other);
        auto* again = static_cast<unsigned char*>(framira::MemMalloc(c.bytes));
        ASSERT_NE(again, nullptr);
        EXPECT_EQ(std::count(again, again + c.bytes, 0), std::ptrdiff_t(c.bytes));
        again[c.bytes - 1] = 1;  // the whole size is there (the sanitizers check)
        framira::MemFree(again);
    }
    framira::MemReleaseCache();
}
