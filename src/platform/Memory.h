// Large byte blocks taken from the system directly: mapped anonymous pages,
// backed by huge pages where the system allows it, grown by remapping instead
// of copying. Writing a large output into fresh memory otherwise costs one
// page fault per 4 KiB, which for big documents costs more than encoding them.
// Also the thread's pool of smaller blocks, and a hint to the heap as object
// graphs are freed.
#ifndef NYXML_SRC_PLATFORM_MEMORY_H
#define NYXML_SRC_PLATFORM_MEMORY_H

#include <cstddef>
#include <cstdint>

#include <new>

namespace NyXmlLib9 {
namespace Platform {

// Blocks of at least this size are worth mapping; smaller ones come from new[].
const size_t kMappedBlockMinimum = size_t(1) << 20;

// The capacity actually obtained for a request of `bytes` (at least
// kMappedBlockMinimum): whole huge pages.
size_t MappedCapacity(size_t bytes);

// A mapped block of exactly MappedCapacity(bytes) bytes, zero-filled on first
// touch. Raises std::bad_alloc when the system refuses.
unsigned char* MapBlock(size_t bytes);

// Grows a mapped block of `capacity` bytes to MappedCapacity(bytes), keeping
// its contents; the block may move. Raises std::bad_alloc, leaving the block
// as it was, when the system refuses.
unsigned char* RemapBlock(unsigned char* block, size_t capacity, size_t bytes);

// Returns a mapped block of `capacity` bytes to the system.
void UnmapBlock(unsigned char* block, size_t capacity);

// Lets the system take back the pages of a mapped block whenever it runs short
// of memory, the block staying mapped: until the system does, touching a page
// again costs no page fault (its contents are then what they were, or zeros
// once the page was taken). False where the system cannot do this; the block
// is then as it was.
bool LetPagesGo(unsigned char* block, size_t capacity);

// A block of bytes: from new[] below kMappedBlockMinimum, mapped pages from
// there on. The capacity is kept in 32 bits (a mapping of 4 GiB says
// UINT32_MAX, which the system rounds up to the same pages).
struct ByteBlock {
    unsigned char* bytes = nullptr;
    uint32_t capacity = 0;
    bool mapped = false;
};

// A block of at least `bytes` bytes (and at least one), up to UINT32_MAX.
ByteBlock NewByteBlock(uint64_t bytes);
// Makes room for `bytes` bytes, keeping the first `used`: a mapped block
// grows by remapping (no copy), a new[] block is copied into a new block.
// When memory is refused (std::bad_alloc) the block stays as it was.
void GrowByteBlock(ByteBlock& block, uint32_t used, uint64_t bytes);
void FreeByteBlock(ByteBlock& block);

// Blocks of 1 KiB to 1 MiB, in powers of two, kept per thread (up to
// 8 MiB) for the buffers and tables of the thread's next readings and
// writings: the reader's tables, a document's name pool and first slabs, a
// writer's state and tables. Documents read or written one after the other
// then neither ask glibc for these blocks nor give them back, which may
// return the top of the heap to the system only to fault it in again.
namespace ThreadBlocks {
const size_t kSmallest = size_t(1) << 10;
const size_t kLargest = size_t(1) << 20;
// A block of at least `bytes` bytes: a kept one or a new one up to
// kLargest, of operator new beyond; `capacity` receives its size.
unsigned char* Take(size_t bytes, size_t& capacity);
// Gives back a block taken for `bytes` bytes (or its whole capacity): kept
// while there is room, else freed.
void Give(unsigned char* block, size_t bytes);
}  // namespace ThreadBlocks

// Called once for every object of a graph freed. glibc puts small blocks
// freed in per-size lists and merges them only at the next request for a
// large block: a graph of a million objects freed at once leaves a million
// blocks, cold by then, for the next document's first buffer to walk. After
// every kObjectsPerMerge objects this asks for and frees one large block, so
// that the heap merges the blocks freed since while they are still in cache.
// Elsewhere it does nothing.
const unsigned kObjectsPerMerge = 1024;
void NoteObjectFreed();

// An allocator for the tables of a reading: arrays of 1 KiB and more are
// blocks of the thread's pool.
template <typename T>
struct ThreadBlockAllocator {
    using value_type = T;
    ThreadBlockAllocator() = default;
    template <typename U>
    ThreadBlockAllocator(const ThreadBlockAllocator<U>&) {}
    T* allocate(size_t n) {
        if (n > SIZE_MAX / sizeof(T)) throw std::bad_alloc();
        const size_t bytes = n * sizeof(T);
        if (bytes < ThreadBlocks::kSmallest) return static_cast<T*>(::operator new(bytes));
        size_t capacity;
        return reinterpret_cast<T*>(ThreadBlocks::Take(bytes, capacity));
    }
    void deallocate(T* p, size_t n) {
        const size_t bytes = n * sizeof(T);
        if (bytes < ThreadBlocks::kSmallest)
            ::operator delete(p);
        else
            ThreadBlocks::Give(reinterpret_cast<unsigned char*>(p), bytes);
    }
    template <typename U>
    bool operator==(const ThreadBlockAllocator<U>&) const {
        return true;
    }
    template <typename U>
    bool operator!=(const ThreadBlockAllocator<U>&) const {
        return false;
    }
};

}  // namespace Platform
}  // namespace NyXmlLib9

#endif
