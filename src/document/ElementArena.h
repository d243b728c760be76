// Memory for the elements of one document. Elements are taken in the order
// the reader meets them from a few large blocks (the larger ones mapped in
// huge pages), so that a walk over the tree reads memory front to back and
// misses the address translation caches less often than it does across
// separately allocated nodes. An element given back (discarded by the element
// callback) is kept on a list of its size for the next element of that size;
// once every element is given back, the blocks are reused from the start.
//
// Every block handed out is preceded by an 8-byte header naming its arena and
// its size, so that freeing needs only the pointer. Blocks of elements made without a
// document come from operator new with the same header and no arena.
//
// The arena lives until its document and every element taken from it are
// gone; its mapped slabs are then kept for the arenas of later documents: up
// to 4 MiB as they are, and up to 1 GiB more with their pages lazily freed, so
// that the system takes those back whenever it runs short of memory
// (ReleaseKeptSlabs gives all of them back). Like the document, an arena is
// used by one thread at a time.
#ifndef NYXML_SRC_DOCUMENT_ELEMENTARENA_H
#define NYXML_SRC_DOCUMENT_ELEMENTARENA_H

#include "platform/Memory.h"

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace NyXmlLib9 {

class CElementArena {
public:
    // Blocks larger than this (an element with very many attributes) come
    // from operator new.
    static const size_t kLargestBlock = 2048;

    // A new arena held by its document.
    static CElementArena* Create();
    // The document lets go: the arena is freed now or with its last element.
    void ReleaseOwner();

    // An 8-byte-aligned block of at least `bytes` bytes. Raises
    // std::bad_alloc when memory is refused.
    void* Allocate(size_t bytes);
    // The same from operator new, for elements without an arena.
    static void* AllocateUnowned(size_t bytes);
    // Gives back a block of either kind; null is ignored.
    static void Free(void* block);

    // Memory for the other large buffers of a reading or writing, from the
    // same slabs: from `bytes` = kKeptBlockMinimum on, the smallest kept slab
    // that is large enough, else a new block of at least `bytes` bytes;
    // below, a block of the thread's pool. GiveBackBlock keeps a mapped block
    // for later documents as an arena's slab is kept, and gives any other
    // back to the pool.
    static const size_t kKeptBlockMinimum = size_t(1) << 20;
    static Platform::ByteBlock TakeBlock(size_t bytes);
    static void GiveBackBlock(Platform::ByteBlock block);

    // Frees the slabs kept for later documents; any thread may call it.
    static void ReleaseKeptSlabs();
    // Bytes of the slabs kept for later documents as they are, and of those
    // kept with their pages lazily freed.
    static size_t GetKeptBytes();
    static size_t GetLazilyKeptBytes();
    // Where the slabs kept with lazily freed pages are (for tests).
    static std::vector<std::pair<const void*, size_t>> GetLazilyKeptSlabs();

    // A tree whose every block is in its document's arena goes with the
    // arena whole, without a visit to each element. Whatever can make that
    // wrong calls NoteOutsideMemory: a block of operator new for a tree, a
    // string or list a node makes and owns, an element taken out of its tree.
    // Any thread may call it; it only counts, process-wide.
    static void NoteOutsideMemory();
    // Starts a tree: from now on the arena can tell whether it alone holds it.
    void StartTree();
    // Whether every block of the arena belongs to the tree begun by StartTree
    // and holds nothing outside the arena: no block was handed out before,
    // and nothing anywhere called NoteOutsideMemory since.
    bool HoldsItsTreeAlone() const;
    // Forgets every block handed out, as if each had been given back.
    void ForgetAll();

    // Memory the arena holds from the system, in bytes (for tests).
    size_t GetReservedBytes() const;
    // Blocks handed out and not given back.
    size_t GetLiveBlocks() const { return m_live; }

private:
    struct Header;
    struct Slab;
    struct FreeBlock {
        FreeBlock* next;
    };
    static const size_t kHeader = 8;
    static const size_t kClasses = (kLargestBlock + kHeader) / 8 + 1;

    CElementArena() = default;
    ~CElementArena();
    static void* operator new(size_t size);
    static void operator delete(void* arena, size_t size);
    CElementArena(const CElementArena&) = delete;
    CElementArena& operator=(const CElementArena&) = delete;

    // Moves the cursor to the next slab (reused or new) with room for `bytes`.
    void NextSlab(size_t bytes);
    // Every block is back: the slabs are reused from the first one.
    void Rewind();
    void GiveBack(Header* header);

    FreeBlock* m_free[kClasses] = {};
    unsigned char* m_cursor = nullptr;
    unsigned char* m_end = nullptr;
    Slab* m_first = nullptr;    // slabs in the order they were made
    Slab* m_current = nullptr;  // the slab the cursor is in
    size_t m_live = 0;
    // NoteOutsideMemory's count when the tree began, or UINT64_MAX when the
    // arena still had blocks out then.
    uint64_t m_treeStart = UINT64_MAX;
    bool m_ownerGone = false;
    bool m_unowned = false;  // every block from operator new
};

}  // namespace NyXmlLib9

#endif
