// Mapped byte blocks: mmap, mremap and munmap, with a huge-page hint.
#include "platform/Memory.h"

#include <sys/mman.h>

#include <cstdint>

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

}  // namespace Platform
}  // namespace NyXmlLib9
