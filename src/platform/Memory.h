// Large byte blocks taken from the system directly: mapped anonymous pages,
// backed by huge pages where the system allows it, grown by remapping instead
// of copying. Writing a large output into fresh memory otherwise costs one
// page fault per 4 KiB, which for big documents costs more than encoding them.
#ifndef NYXML_SRC_PLATFORM_MEMORY_H
#define NYXML_SRC_PLATFORM_MEMORY_H

#include <cstddef>

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

}  // namespace Platform
}  // namespace NyXmlLib9

#endif
