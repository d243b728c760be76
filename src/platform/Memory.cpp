// Mapped byte blocks: mmap, mremap and munmap, with a huge-page hint.
#include "platform/Memory.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include <new>

namespace NyXmlLib9 {
namespace Platform {

namespace {

const size_t kHugePage = size_t(2) << 20;

void AskForHugePages(unsigned char* block, size_t capacity) {
#ifdef MADV_HUGEPAGE
    // Only a hint: where transparent huge pages are off the block simply
    // keeps small pages.
    madvise(block, capacity, MADV_HUGEPAGE);
#else
    (void)block;
    (void)capacity;
#endif
}

}  // namespace

size_t MappedCapacity(size_t bytes) {
    if (bytes < kMappedBlockMinimum) bytes = kMappedBlockMinimum;
    if (bytes > SIZE_MAX - kHugePage) throw std::bad_alloc();
    return (bytes + kHugePage - 1) & ~(kHugePage - 1);
}

unsigned char* MapBlock(size_t bytes) {
    size_t capacity = MappedCapacity(bytes);
    void* block = mmap(nullptr, capacity, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED) throw std::bad_alloc();
    AskForHugePages(static_cast<unsigned char*>(block), capacity);
    return static_cast<unsigned char*>(block);
}

unsigned char* RemapBlock(unsigned char* block, size_t capacity, size_t bytes) {
    size_t grown = MappedCapacity(bytes);
    if (grown <= capacity) return block;
    // The pages move with their contents: nothing is copied.
    void* moved = mremap(block, capacity, grown, MREMAP_MAYMOVE);
    if (moved == MAP_FAILED) throw std::bad_alloc();
    AskForHugePages(static_cast<unsigned char*>(moved), grown);
    return static_cast<unsigned char*>(moved);
}

void UnmapBlock(unsigned char* block, size_t capacity) {
    if (block) munmap(block, capacity);
}

bool LetPagesGo(unsigned char* block, size_t capacity) {
#ifdef MADV_FREE
    return madvise(block, capacity, MADV_FREE) == 0;
#else
    (void)block;
    (void)capacity;
    return false;
#endif
}

namespace {

uint32_t Capacity32(size_t capacity) { return capacity > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(capacity); }

}  // namespace

ByteBlock NewByteBlock(uint64_t bytes) {
    if (bytes > UINT32_MAX) throw std::bad_alloc();
    ByteBlock block;
    if (bytes >= kMappedBlockMinimum) {
        block.bytes = MapBlock(static_cast<size_t>(bytes));
        block.capacity = Capacity32(MappedCapacity(static_cast<size_t>(bytes)));
        block.mapped = true;
    } else {
        block.capacity = bytes ? static_cast<uint32_t>(bytes) : 1;
        block.bytes = new unsigned char[block.capacity];
    }
    return block;
}

void GrowByteBlock(ByteBlock& block, uint32_t used, uint64_t bytes) {
    if (bytes > UINT32_MAX) throw std::bad_alloc();
    if (block.mapped) {
        block.bytes = RemapBlock(block.bytes, block.capacity, static_cast<size_t>(bytes));
        block.capacity = Capacity32(MappedCapacity(static_cast<size_t>(bytes)));
        return;
    }
    ByteBlock grown = NewByteBlock(bytes);
    if (used) std::memcpy(grown.bytes, block.bytes, used);
    delete[] block.bytes;
    block = grown;
}

void FreeByteBlock(ByteBlock& block) {
    if (block.mapped)
        UnmapBlock(block.bytes, block.capacity);
    else
        delete[] block.bytes;
    block = ByteBlock();
}

void NoteObjectFreed() {
#if defined(__GLIBC__)
    thread_local unsigned freed = 0;
    if (++freed % kObjectsPerMerge != 0) return;
    // Beyond the largest size glibc's per-thread cache keeps (1032 bytes),
    // so the request reaches the heap, which merges its small-block lists
    // before it serves a large one.
    void* volatile block = std::malloc(2048);
    std::free(block);
#endif
}

namespace ThreadBlocks {

namespace {

const size_t kClasses = 11;
static_assert((kSmallest << (kClasses - 1)) == kLargest, "one class per power of two");
const size_t kKept = size_t(8) << 20;

struct FreeBlock {
    FreeBlock* next;
};

// Set as the thread ends: a block given back later (a reader or writer that
// outlives the thread's own objects) goes straight back to the heap.
thread_local bool t_listsGone = false;

struct Lists {
    FreeBlock* free[kClasses] = {};
    size_t kept = 0;
    ~Lists() {
        t_listsGone = true;
        for (FreeBlock* f : free)
            while (f) {
                FreeBlock* next = f->next;
                ::operator delete(f);
                f = next;
            }
    }
};

Lists& ThreadLists() {
    thread_local Lists lists;
    return lists;
}

size_t ClassOf(size_t bytes) {
    size_t k = 0;
    while (k < kClasses && (kSmallest << k) < bytes) ++k;
    return k;
}

}  // namespace

unsigned char* Take(size_t bytes, size_t& capacity) {
    const size_t k = ClassOf(bytes);
    capacity = k < kClasses ? kSmallest << k : bytes;
    if (k < kClasses && !t_listsGone) {
        Lists& lists = ThreadLists();
        if (FreeBlock* f = lists.free[k]) {
            lists.free[k] = f->next;
            lists.kept -= capacity;
            return reinterpret_cast<unsigned char*>(f);
        }
    }
    return static_cast<unsigned char*>(::operator new(capacity));
}

void Give(unsigned char* block, size_t bytes) {
    if (!block) return;
    const size_t k = ClassOf(bytes);
    if (k < kClasses && !t_listsGone) {
        Lists& lists = ThreadLists();
        const size_t capacity = kSmallest << k;
        if (lists.kept + capacity <= kKept) {
            FreeBlock* f = reinterpret_cast<FreeBlock*>(block);
            f->next = lists.free[k];
            lists.free[k] = f;
            lists.kept += capacity;
            return;
        }
    }
    ::operator delete(block);
}

}  // namespace ThreadBlocks

}  // namespace Platform
}  // namespace NyXmlLib9
