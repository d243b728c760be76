#include "document/ElementArena.h"

#include "platform/Memory.h"

#include <atomic>
#include <mutex>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define NYXML_POISON(p, n) ASAN_POISON_MEMORY_REGION((p), (n))
#define NYXML_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION((p), (n))
#else
// Blocks given back are marked unreadable for the address sanitizer, so that
// a use after free is still found although the memory stays in the arena.
#define NYXML_POISON(p, n) ((void)(p), (void)(n))
#define NYXML_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

namespace NyXmlLib9 {

// Before every block: the arena's address with the block's size class (in
// 8-byte units, header included) in the top 16 bits, or zero for a block of
// operator new. While a block waits on a free list it holds the next block of
// the list instead.
struct CElementArena::Header {
    union {
        uint64_t tag;
        Header* next;
    };
};

// At the start of every slab; blocks follow it.
struct CElementArena::Slab {
    Slab* next;
    Platform::ByteBlock block;
};

namespace {

const int kClassShift = 48;
const uint64_t kAddressMask = (uint64_t(1) << kClassShift) - 1;

const size_t kFirstSlab = size_t(16) << 10;
const size_t kLargestSlab = size_t(32) << 20;
const size_t kSlabHeader = (sizeof(void*) + sizeof(Platform::ByteBlock) + 15) & ~size_t(15);

// Mapped slabs of arenas that are gone are kept for the next documents: a
// program that loads one document after another then reuses pages it has
// already touched instead of faulting in fresh ones, which the system must
// clear first (a fifth of the time a large tree takes to read from Fast
// Infoset and free). The first 4 MiB kept stay as they are. The pages of the
// slabs beyond are lazily freed: the system takes them back as soon as it
// runs short of memory, and until then the next tree reuses them without a
// fault. At most 1 GiB of slabs is kept; beyond that, and where the system
// cannot free pages lazily, slabs go back to it with their arena.
const size_t kReadySlabBytes = size_t(4) << 20;
const size_t kKeptSlabBytes = size_t(1) << 30;

struct KeptSlab {
    Platform::ByteBlock block;
    bool lazy = false;  // its pages may be taken back by the system
};

struct KeptSlabs {
    std::mutex lock;
    // Every mapped slab is at least one huge page.
    KeptSlab slabs[kKeptSlabBytes / (size_t(2) << 20)];
    size_t count = 0;
    size_t readyBytes = 0;
    size_t lazyBytes = 0;
};

KeptSlabs& Kept() {
    // Never destroyed: arenas may be freed during the exit of the process.
    static KeptSlabs* kept = new KeptSlabs;
    return *kept;
}

// A kept slab, or one with nothing in it.
Platform::ByteBlock TakeKeptSlab() {
    KeptSlabs& kept = Kept();
    std::lock_guard<std::mutex> hold(kept.lock);
    if (kept.count == 0) return Platform::ByteBlock();
    const KeptSlab& slab = kept.slabs[--kept.count];
    (slab.lazy ? kept.lazyBytes : kept.readyBytes) -= slab.block.capacity;
    return slab.block;
}

// Keeps a mapped slab if there is room, frees it otherwise; a smaller block
// goes back to the thread's pool.
void KeepOrFreeSlab(Platform::ByteBlock block) {
    if (!block.mapped) {
        Platform::ThreadBlocks::Give(block.bytes, block.capacity);
        return;
    }
    {
        KeptSlabs& kept = Kept();
        std::lock_guard<std::mutex> hold(kept.lock);
        if (kept.readyBytes + kept.lazyBytes + block.capacity <= kKeptSlabBytes) {
            KeptSlab& slab = kept.slabs[kept.count];
            slab.block = block;
            slab.lazy = kept.readyBytes + block.capacity > kReadySlabBytes;
            if (!slab.lazy || Platform::LetPagesGo(block.bytes, block.capacity)) {
                (slab.lazy ? kept.lazyBytes : kept.readyBytes) += block.capacity;
                ++kept.count;
                return;
            }
        }
    }
    Platform::FreeByteBlock(block);
}

}  // namespace

Platform::ByteBlock CElementArena::TakeBlock(size_t bytes) {
    if (bytes >= kKeptBlockMinimum) {
        // The smallest kept slab that is large enough.
        KeptSlabs& kept = Kept();
        std::lock_guard<std::mutex> hold(kept.lock);
        size_t best = kept.count;
        for (size_t i = 0; i < kept.count; ++i)
            if (kept.slabs[i].block.capacity >= bytes &&
                (best == kept.count || kept.slabs[i].block.capacity < kept.slabs[best].block.capacity))
                best = i;
        if (best != kept.count) {
            const KeptSlab slab = kept.slabs[best];
            kept.slabs[best] = kept.slabs[--kept.count];
            (slab.lazy ? kept.lazyBytes : kept.readyBytes) -= slab.block.capacity;
            return slab.block;
        }
    }
    if (bytes >= Platform::kMappedBlockMinimum) return Platform::NewByteBlock(bytes);
    size_t capacity;
    Platform::ByteBlock block;
    block.bytes = Platform::ThreadBlocks::Take(bytes ? bytes : 1, capacity);
    block.capacity = static_cast<uint32_t>(capacity);
    return block;
}

void CElementArena::GiveBackBlock(Platform::ByteBlock block) { KeepOrFreeSlab(block); }

void CElementArena::ReleaseKeptSlabs() {
    KeptSlabs& kept = Kept();
    std::lock_guard<std::mutex> hold(kept.lock);
    while (kept.count > 0) Platform::FreeByteBlock(kept.slabs[--kept.count].block);
    kept.readyBytes = kept.lazyBytes = 0;
}

size_t CElementArena::GetKeptBytes() {
    KeptSlabs& kept = Kept();
    std::lock_guard<std::mutex> hold(kept.lock);
    return kept.readyBytes;
}

size_t CElementArena::GetLazilyKeptBytes() {
    KeptSlabs& kept = Kept();
    std::lock_guard<std::mutex> hold(kept.lock);
    return kept.lazyBytes;
}

std::vector<std::pair<const void*, size_t>> CElementArena::GetLazilyKeptSlabs() {
    KeptSlabs& kept = Kept();
    std::lock_guard<std::mutex> hold(kept.lock);
    std::vector<std::pair<const void*, size_t>> slabs;
    for (size_t i = 0; i < kept.count; ++i)
        if (kept.slabs[i].lazy) slabs.emplace_back(kept.slabs[i].block.bytes, kept.slabs[i].block.capacity);
    return slabs;
}

CElementArena* CElementArena::Create() {
    CElementArena* arena = new CElementArena();
    // An address beyond 48 bits (never seen on the systems of today) leaves
    // no room for the size class: such an arena hands out blocks of operator
    // new.
    arena->m_unowned = (reinterpret_cast<uintptr_t>(arena) & ~kAddressMask) != 0;
    arena->StartTree();
    return arena;
}

// An arena is some 2 KiB: it comes from the thread's pool, as its first
// slabs do.
void* CElementArena::operator new(size_t size) {
    size_t capacity;
    return Platform::ThreadBlocks::Take(size, capacity);
}

void CElementArena::operator delete(void* arena, size_t size) {
    Platform::ThreadBlocks::Give(static_cast<unsigned char*>(arena), size);
}

CElementArena::~CElementArena() {
    Slab* slab = m_first;
    while (slab) {
        Slab* next = slab->next;
        Platform::ByteBlock block = slab->block;
        NYXML_UNPOISON(block.bytes, block.capacity);
        KeepOrFreeSlab(block);
        slab = next;
    }
}

void CElementArena::ReleaseOwner() {
    m_ownerGone = true;
    if (m_live == 0) delete this;
}

size_t CElementArena::GetReservedBytes() const {
    size_t bytes = 0;
    for (const Slab* slab = m_first; slab; slab = slab->next) bytes += slab->block.capacity;
    return bytes;
}

void* CElementArena::Allocate(size_t bytes) {
    static_assert(sizeof(Header) == kHeader, "blocks stay 8-byte aligned");
    if (bytes > kLargestBlock || m_unowned) return AllocateUnowned(bytes);
    uint64_t sizeClass = (bytes + kHeader + 7) / 8;
    Header* header;
    if (m_free[sizeClass]) {
        header = reinterpret_cast<Header*>(m_free[sizeClass]);
        m_free[sizeClass] = reinterpret_cast<FreeBlock*>(header->next);
    } else {
        size_t size = size_t(sizeClass) * 8;
        if (static_cast<size_t>(m_end - m_cursor) < size) NextSlab(size);
        header = reinterpret_cast<Header*>(m_cursor);
        m_cursor += size;
        NYXML_UNPOISON(header, kHeader);
    }
    header->tag = reinterpret_cast<uintptr_t>(this) | sizeClass << kClassShift;
    NYXML_UNPOISON(header + 1, size_t(sizeClass) * 8 - kHeader);
    ++m_live;
    return header + 1;
}

namespace {

std::atomic<uint64_t> g_outsideMemory{0};

}  // namespace

void CElementArena::NoteOutsideMemory() { g_outsideMemory.fetch_add(1, std::memory_order_relaxed); }

void CElementArena::StartTree() {
    m_treeStart = m_live == 0 ? g_outsideMemory.load(std::memory_order_relaxed) : UINT64_MAX;
}

bool CElementArena::HoldsItsTreeAlone() const {
    return m_treeStart != UINT64_MAX && m_treeStart == g_outsideMemory.load(std::memory_order_relaxed);
}

void CElementArena::ForgetAll() {
    for (Slab* slab = m_first; slab; slab = slab->next)
        NYXML_POISON(slab->block.bytes + kSlabHeader, slab->block.capacity - kSlabHeader);
    m_live = 0;
    Rewind();
}

void* CElementArena::AllocateUnowned(size_t bytes) {
    NoteOutsideMemory();
    if (bytes > SIZE_MAX - kHeader) throw std::bad_alloc();
    Header* header = static_cast<Header*>(::operator new(bytes + kHeader));
    header->tag = 0;
    return header + 1;
}

void CElementArena::Free(void* block) {
    if (!block) return;
    Header* header = static_cast<Header*>(block) - 1;
    if (header->tag == 0) {
        ::operator delete(header);
        return;
    }
    reinterpret_cast<CElementArena*>(static_cast<uintptr_t>(header->tag & kAddressMask))->GiveBack(header);
}

void CElementArena::GiveBack(Header* header) {
    size_t sizeClass = static_cast<size_t>(header->tag >> kClassShift);
    NYXML_POISON(header + 1, sizeClass * 8 - kHeader);
    header->next = reinterpret_cast<Header*>(m_free[sizeClass]);
    m_free[sizeClass] = reinterpret_cast<FreeBlock*>(header);
    if (--m_live != 0) return;
    if (m_ownerGone)
        delete this;
    else
        Rewind();
}

void CElementArena::Rewind() {
    for (FreeBlock*& list : m_free) list = nullptr;
    m_current = m_first;
    if (m_first) {
        m_cursor = m_first->block.bytes + kSlabHeader;
        m_end = m_first->block.bytes + m_first->block.capacity;
    }
}

void CElementArena::NextSlab(size_t bytes) {
    // A slab made before and rewound over is used again first.
    if (m_current && m_current->next) {
        m_current = m_current->next;
        m_cursor = m_current->block.bytes + kSlabHeader;
        m_end = m_current->block.bytes + m_current->block.capacity;
        if (static_cast<size_t>(m_end - m_cursor) >= bytes) return;
    }
    // Each new slab doubles the last (fewer, larger ones for large
    // documents); from 1 MiB on they are mapped pages.
    size_t size = m_current ? m_current->block.capacity * size_t(2) : kFirstSlab;
    if (size > kLargestSlab) size = kLargestSlab;
    if (size < bytes + kSlabHeader) size = bytes + kSlabHeader;
    Platform::ByteBlock block;
    if (size >= Platform::kMappedBlockMinimum) block = TakeKeptSlab();
    if (!block.bytes) block = TakeBlock(size);
    Slab* slab = reinterpret_cast<Slab*>(block.bytes);
    slab->next = nullptr;
    slab->block = block;
    NYXML_POISON(block.bytes + kSlabHeader, block.capacity - kSlabHeader);
    // Appended after the last slab: the chain keeps the order of making.
    if (!m_first) {
        m_first = slab;
    } else {
        Slab* last = m_current;
        while (last->next) last = last->next;
        last->next = slab;
    }
    m_current = slab;
    m_cursor = block.bytes + kSlabHeader;
    m_end = block.bytes + block.capacity;
}

}  // namespace NyXmlLib9
