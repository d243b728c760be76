// CStringBuffer: chunks of a fixed size (plus one spare character for a
// terminator) that are never moved while the text grows.
#include <nyxml/writer.h>

#include "platform/Memory.h"

#include <algorithm>
#include <cwchar>
#include <memory>
#include <stdexcept>

namespace NyXmlLib9 {

namespace {

// A long text would otherwise take a fresh heap block, and a page fault per
// 4 KiB, for every chunk: past kSlabAfter chunks, chunks of the buffer's own
// size are cut from mapped slabs instead (backed by huge pages where the
// system allows). A slab chunk that is let go is kept for reuse; the slabs
// are returned when the buffer is cleared.
const size_t kSlabAfter = 16;
const size_t kSlabBytes = size_t(2) << 20;

class ChunkSlabs {
public:
    explicit ChunkSlabs(size_t chunkBytes) : m_chunkBytes(chunkBytes) {}
    ChunkSlabs(const ChunkSlabs&) = delete;
    ChunkSlabs& operator=(const ChunkSlabs&) = delete;
    ~ChunkSlabs() {
        for (unsigned char* slab : m_slabs) Platform::UnmapBlock(slab, Platform::MappedCapacity(kSlabBytes));
    }

    // Chunks that fit a slab at least eight times are worth cutting from one.
    static bool Suits(size_t chunkBytes) { return chunkBytes <= kSlabBytes / 8; }

    wchar_t* Take() {
        if (!m_free.empty()) {
            wchar_t* chunk = m_free.back();
            m_free.pop_back();
            return chunk;
        }
        if (m_left < m_chunkBytes) {
            // Room in both lists first, so that a failure leaves them consistent.
            m_slabs.reserve(m_slabs.size() + 1);
            m_free.reserve(m_free.size() + Platform::MappedCapacity(kSlabBytes) / m_chunkBytes * (m_slabs.size() + 1));
            unsigned char* slab = Platform::MapBlock(kSlabBytes);
            m_slabs.insert(std::upper_bound(m_slabs.begin(), m_slabs.end(), slab), slab);
            m_next = slab;
            m_left = Platform::MappedCapacity(kSlabBytes);
        }
        wchar_t* chunk = reinterpret_cast<wchar_t*>(m_next);
        m_next += m_chunkBytes;
        m_left -= m_chunkBytes;
        return chunk;
    }

    bool Owns(const wchar_t* chunk) const {
        const unsigned char* p = reinterpret_cast<const unsigned char*>(chunk);
        auto it = std::upper_bound(m_slabs.begin(), m_slabs.end(), p);
        if (it == m_slabs.begin()) return false;
        --it;
        return p < *it + Platform::MappedCapacity(kSlabBytes);
    }

    // Room for every chunk of every slab is reserved by Take: never allocates.
    void Give(wchar_t* chunk) { m_free.push_back(chunk); }

private:
    size_t m_chunkBytes;
    std::vector<unsigned char*> m_slabs;  // by address
    std::vector<wchar_t*> m_free;
    unsigned char* m_next = nullptr;
    size_t m_left = 0;
};

}  // namespace

wchar_t* CStringBuffer::NewChunk() {
    size_t chunkBytes = (static_cast<size_t>(m_chunkSize) + 1) * sizeof(wchar_t);
    if (!m_slabs && m_chunks.size() >= kSlabAfter && ChunkSlabs::Suits(chunkBytes))
        m_slabs = new ChunkSlabs(chunkBytes);
    if (m_slabs) return static_cast<ChunkSlabs*>(m_slabs)->Take();
    return new wchar_t[static_cast<size_t>(m_chunkSize) + 1];
}

void CStringBuffer::FreeChunk(wchar_t* chunk) {
    ChunkSlabs* slabs = static_cast<ChunkSlabs*>(m_slabs);
    if (slabs && slabs->Owns(chunk))
        slabs->Give(chunk);
    else
        delete[] chunk;
}

CStringBuffer::CStringBuffer(uint32_t chunkSize)
    : m_slabs(nullptr), m_chunkSize(chunkSize ? std::min<uint32_t>(chunkSize, UINT32_MAX - 1) : 1), m_used(0),
      m_capacity(0), m_current(nullptr), m_total(0) {
    m_spareChunks.reserve(4);  // so that Empty never allocates
}

CStringBuffer::~CStringBuffer() { Clear(); }

void CStringBuffer::Append(const wchar_t* text) {
    if (text) Append(text, std::wcslen(text));
}

void CStringBuffer::AppendSlow(const wchar_t* text, size_t length) {
    if (length > UINT32_MAX - m_total) throw std::length_error("CStringBuffer: more than 4 GiB - 1 characters");
    while (length > 0) {
        if (m_used == m_capacity) AddChunk();
        uint32_t n = static_cast<uint32_t>(std::min<size_t>(length, m_capacity - m_used));
        std::memcpy(m_current + m_used, text, n * sizeof(wchar_t));
        m_used += n;
        m_total += n;
        text += n;
        length -= n;
    }
}

void CStringBuffer::AddChunk() {
    // Room for the new entries first (growing geometrically), so that the
    // two lists cannot be left with different lengths.
    if (m_chunks.size() == m_chunks.capacity()) m_chunks.reserve(2 * m_chunks.size() + 8);
    if (m_chunkLengths.size() == m_chunkLengths.capacity()) m_chunkLengths.reserve(2 * m_chunkLengths.size() + 8);
    // One spare character terminates a lone chunk (GetString writes it).
    // The chunk is not zero-filled: only the characters before `used` and that
    // terminator are ever read, and filling it would touch the memory twice.
    wchar_t* chunk;
    if (!m_spareChunks.empty()) {
        chunk = m_spareChunks.back();
        m_spareChunks.pop_back();
    } else {
        chunk = NewChunk();
    }
    chunk[0] = L'\0';
    m_chunks.push_back(chunk);
    m_chunkLengths.push_back(m_chunkSize);
    m_current = chunk;
    m_used = 0;
    m_capacity = m_chunkSize;
}

const wchar_t* CStringBuffer::GetString() {
    if (m_chunks.empty()) return L"";
    if (m_chunks.size() > 1) {
        std::unique_ptr<wchar_t[]> joined(new wchar_t[static_cast<size_t>(m_total) + 1]);
        wchar_t* out = joined.get();
        for (size_t i = 0; i < m_chunks.size(); ++i) {
            uint32_t used = 0;
            const wchar_t* chunk = GetChunk(i, used);
            std::memcpy(out, chunk, used * sizeof(wchar_t));
            out += used;
        }
        for (wchar_t* chunk : m_chunks) FreeChunk(chunk);
        m_chunks.assign(1, joined.release());
        m_chunkLengths.assign(1, m_total);
        m_current = m_chunks[0];
        m_used = m_capacity = m_total;
    }
    m_current[m_used] = L'\0';
    return m_current;
}

const wchar_t* CStringBuffer::GetChunk(size_t index, uint32_t& used) const {
    used = index + 1 == m_chunks.size() ? m_used : m_chunkLengths[index];
    return m_chunks[index];
}

void CStringBuffer::Clear() {
    for (wchar_t* chunk : m_chunks) FreeChunk(chunk);
    for (wchar_t* chunk : m_spareChunks) FreeChunk(chunk);
    delete static_cast<ChunkSlabs*>(m_slabs);
    m_slabs = nullptr;
    m_spareChunks.clear();
    m_chunks.clear();
    m_chunkLengths.clear();
    m_current = nullptr;
    m_used = m_capacity = m_total = 0;
}

void CStringBuffer::Reset() {
    if (m_chunks.size() != 1) {
        Clear();
        return;
    }
    std::fill_n(m_chunks[0], static_cast<size_t>(m_chunkLengths[0]) + 1, L'\0');
    m_used = m_total = 0;
}

void CStringBuffer::Empty() {
    if (m_chunks.empty()) {
        m_total = 0;
        return;
    }
    // A streaming writer empties the buffer every few thousand characters:
    // the chunks are kept for the next piece instead of being freed.
    for (size_t i = 1; i < m_chunks.size(); ++i) {
        if (m_chunkLengths[i] == m_chunkSize && m_spareChunks.size() < 4) {
            m_spareChunks.push_back(m_chunks[i]);
        } else {
            FreeChunk(m_chunks[i]);
        }
    }
    m_chunks.resize(1);
    m_chunkLengths.resize(1);
    m_current = m_chunks[0];
    m_capacity = m_chunkLengths[0];
    m_used = m_total = 0;
}

}  // namespace NyXmlLib9
