// The thread's pool of blocks that readings and writings share.
#include "platform/Memory.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>

using namespace NyXmlLib9;

// A request takes the smallest power of two from 1 KiB that holds it, up to
// 1 MiB; a block given back is the one the next request of its size gets.
// Beyond 1 MiB blocks are the exact size asked for and not kept.
TEST(PlatformThreadBlocks, SizesAndReuse) {
    struct Case {
        size_t bytes, capacity;
        bool kept;
    } cases[] = {
        {1, 1024, true},
        {1024, 1024, true},
        {1025, 2048, true},
        {300000, 524288, true},
        {size_t(1) << 20, size_t(1) << 20, true},
        {(size_t(1) << 20) + 1, (size_t(1) << 20) + 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        size_t capacity = 0;
        unsigned char* block = Platform::ThreadBlocks::Take(c.bytes, capacity);
        EXPECT_EQ(c.capacity, capacity);
        std::memset(block, 0xA5, capacity);  // all of the capacity is the caller's
        Platform::ThreadBlocks::Give(block, c.bytes);
        if (!c.kept) continue;
        size_t again = 0;
        unsigned char* reused = Platform::ThreadBlocks::Take(c.capacity, again);
        EXPECT_EQ(block, reused);
        EXPECT_EQ(c.capacity, again);
        Platform::ThreadBlocks::Give(reused, again);
    }
}
