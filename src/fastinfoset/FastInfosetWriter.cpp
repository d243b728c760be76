#include <nyxml/fastinfoset.h>
#include <nyxml/foundation.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <map>
#include <new>
#include <set>
#include <stdexcept>
#include <utility>

#include <vector>

#include "document/ElementArena.h"
#include "fastinfoset/FastInfosetUtf.h"
#include "foundation/SeededHash.h"
#include "foundation/TextInternal.h"
#include "platform/Memory.h"
#include "values/BinaryDataAccess.h"

namespace NyXmlLib9 {

const wchar_t* const CFastInfosetWriter::kDefaultExternalVocabularyURI = L"urn:nyxml:fastinfoset:generated-vocabulary";

const char* CFastInfosetWriter::DeclarationText(FInfoDecl declaration) {
    static const char* const kDeclarations[] = {
        nullptr,
        "<?xml encoding='finf'?>",
        "<?xml encoding='finf' standalone='yes'?>",
        "<?xml encoding='finf' standalone='no'?>",
        "<?xml version='1.0' encoding='finf'?>",
        "<?xml version='1.0' encoding='finf' standalone='yes'?>",
        "<?xml version='1.0' encoding='finf' standalone='no'?>",
        "<?xml version='1.1' encoding='finf'?>",
        "<?xml version='1.1' encoding='finf' standalone='yes'?>",
        "<?xml version='1.1' encoding='finf' standalone='no'?>",
    };
    if (declaration < 1 || declaration > 9) return nullptr;
    return kDeclarations[declaration];
}

namespace {

// The key of the process (see SeededHash): which texts share a slot cannot
// be known in advance, so no document can pile its values into one run of
// slots.
uint64_t TextHashKey() {
    static const uint64_t key = [] {
        uint64_t k0, k1;
        SeededHashKey(k0, k1);
        return k0 ^ (k1 * 0x9E3779B97F4A7C15ull);
    }();
    return key;
}

uint64_t HashText(uint64_t key, const wchar_t* s, size_t n) {
    // Two characters a step.
    uint64_t h = key ^ (n * 0x9E3779B97F4A7C15ull);
    size_t i = 0;
    for (; i + 2 <= n; i += 2) {
        uint64_t pair = static_cast<uint32_t>(s[i]) | (static_cast<uint64_t>(static_cast<uint32_t>(s[i + 1])) << 32);
        h = (h ^ pair) * 0x9FB21C651E98DF25ull;
        h ^= h >> 31;
    }
    if (i < n) {
        h = (h ^ static_cast<uint32_t>(s[i])) * 0x9FB21C651E98DF25ull;
        h ^= h >> 31;
    }
    return h | 1;  // 0 marks a free slot
}

// Open addressing by the high half of the hash (a slot's `tag`); a free
// slot has index 0. Shared by the string and value tables.
template <typename Slot>
void InsertByTag(std::vector<Slot>& slots, const Slot& slot) {
    size_t mask = slots.size() - 1;
    size_t i = slot.tag & mask;
    while (slots[i].index) i = (i + 1) & mask;
    slots[i] = slot;
}

template <typename Slot>
void GrowByTag(std::vector<Slot>& slots) {
    std::vector<Slot> old(slots.size() * 2);
    old.swap(slots);
    for (const Slot& slot : old)
        if (slot.index) InsertByTag(slots, slot);
}

// One vocabulary table as the writer needs it: the index of a string, with
// the strings kept one after the other in one buffer. An entry's index is the
// table's size after it was added; a table holds at most 2^20 entries.
class StringIndex {
public:
    StringIndex() : m_key(TextHashKey()), m_slots(64), m_count(0) {}
    // The index of a string (0: not in the table); `start` receives where
    // the table keeps its text.
    uint32_t Find(const wchar_t* s, size_t n, uint64_t h, uint32_t* start = nullptr) const {
        size_t mask = m_slots.size() - 1;
        uint32_t tag = Tag(h);
        for (size_t i = tag & mask;; i = (i + 1) & mask) {
            const Slot& slot = m_slots[i];
            if (slot.index == 0) return 0;
            if (slot.tag == tag && slot.length == n && SameChars(m_data.data() + slot.start, s, n)) {
                if (start) *start = slot.start;
                return slot.index;
            }
        }
    }
    // The text of a string found or added, by where it starts.
    const wchar_t* Text(uint32_t start) const { return m_data.data() + start; }
    uint32_t Find(const std::wstring& s) const { return Find(s.data(), s.size(), Hash(s.data(), s.size())); }
    // Documents keep using a few prefixes and namespaces, in turn: the last
    // ones found are compared first, without hashing. Returns the index (0:
    // not in the table) and where the table keeps the text.
    uint32_t FindRecent(const wchar_t* s, size_t n, uint32_t& start) {
        for (const Recent& r : m_recent)
            if (r.index && r.length == n && SameChars(m_data.data() + r.start, s, n)) {
                start = r.start;
                return r.index;
            }
        uint32_t index = Find(s, n, Hash(s, n), &start);
        if (index) {
            m_recent[m_recentNext] = Recent{start, static_cast<uint32_t>(n), index};
            m_recentNext = (m_recentNext + 1) % kRecentCount;
        }
        return index;
    }
    uint64_t Hash(const wchar_t* s, size_t n) const { return HashText(m_key, s, n); }
    // Adds a string that the caller did not find as the next entry; returns
    // where its text starts, or kNotKept when the entry will never be found.
    static const uint32_t kNotKept = UINT32_MAX;
    uint32_t Add(const wchar_t* s, size_t n, uint64_t h) {
        if (m_count >= CFIVocabulary::kMaxTableSize) return kNotKept;
        ++m_count;
        // Past 4 Gi characters of table text an entry takes its place but is never found.
        if (n > UINT32_MAX - 1 || m_data.size() > UINT32_MAX - 1 - n) return kNotKept;
        if ((m_used + 1) * 2 > m_slots.size()) Grow();
        uint32_t start = static_cast<uint32_t>(m_data.size());
        Insert(Slot{Tag(h), start, static_cast<uint32_t>(n), m_count});
        m_data.append(s, n);
        ++m_used;
        return start;
    }
    // An entry of a given vocabulary, which may repeat an earlier one (that keeps its index).
    void Add(const std::wstring& s) {
        uint64_t h = Hash(s.data(), s.size());
        if (Find(s.data(), s.size(), h)) {
            if (m_count < CFIVocabulary::kMaxTableSize) ++m_count;
            return;
        }
        Add(s.data(), s.size(), h);
    }
    uint32_t Count() const { return m_count; }

private:
    // Sixteen bytes: the high half of the hash (which also gives the slot, so
    // that growing needs no text), where the text is, the index.
    struct Slot {
        uint32_t tag = 0;
        uint32_t start = 0;
        uint32_t length = 0;
        uint32_t index = 0;
    };
    static uint32_t Tag(uint64_t h) { return static_cast<uint32_t>(h >> 32); }
    void Insert(const Slot& slot) { InsertByTag(m_slots, slot); }
    void Grow() { GrowByTag(m_slots); }
    struct Recent {
        uint32_t start, length, index;
    };
    static const size_t kRecentCount = 4;
    uint64_t m_key;
    std::vector<Slot> m_slots;
    std::wstring m_data;
    size_t m_used = 0;
    uint32_t m_count;
    Recent m_recent[kRecentCount] = {};
    size_t m_recentNext = 0;
};

// Memory for the tables of a writing: blocks of the thread's pool, and from
// 1 MiB on blocks taken like the slabs that documents keep for the next
// ones, so that a large table costs no fresh pages for every document
// written after the first.
class KeptMemory {
public:
    KeptMemory() = default;
    explicit KeptMemory(size_t bytes) : m_block(CElementArena::TakeBlock(bytes)) {}
    KeptMemory(const KeptMemory&) = delete;
    KeptMemory& operator=(const KeptMemory&) = delete;
    ~KeptMemory() {
        if (m_block.bytes) CElementArena::GiveBackBlock(m_block);
    }
    void swap(KeptMemory& other) { std::swap(m_block, other.m_block); }
    unsigned char* Bytes() const { return m_block.bytes; }
    size_t Capacity() const { return m_block.capacity; }

private:
    Platform::ByteBlock m_block;
};

// A zero-filled array of words in such memory.
class KeptWords {
public:
    explicit KeptWords(size_t n) : m_memory(n * sizeof(uint64_t)), m_size(n) {
        m_words = reinterpret_cast<uint64_t*>(m_memory.Bytes());
        std::memset(m_words, 0, n * sizeof(uint64_t));
    }
    void swap(KeptWords& other) {
        m_memory.swap(other.m_memory);
        std::swap(m_words, other.m_words);
        std::swap(m_size, other.m_size);
    }
    size_t size() const { return m_size; }
    uint64_t& operator[](size_t i) { return m_words[i]; }
    const uint64_t& operator[](size_t i) const { return m_words[i]; }
    const uint64_t* begin() const { return m_words; }
    const uint64_t* end() const { return m_words + m_size; }

private:
    KeptMemory m_memory;
    uint64_t* m_words = nullptr;
    size_t m_size = 0;
};

// A growing array of plain values in such memory, doubling as a vector does.
template <typename T>
class KeptArray {
public:
    size_t size() const { return m_size; }
    const T* data() const { return m_items; }
    const T& operator[](size_t i) const { return m_items[i]; }
    void push_back(const T& item) { append(&item, 1); }
    void append(const T* items, size_t n) {
        if (m_memory.Capacity() / sizeof(T) - m_size < n) Grow(n);
        if (n) std::memcpy(m_items + m_size, items, n * sizeof(T));
        m_size += n;
    }

private:
    void Grow(size_t n) {
        size_t wanted = std::max<size_t>(64, 2 * (m_memory.Capacity() / sizeof(T)));
        if (wanted - m_size < n) wanted = m_size + n;
        if (wanted > SIZE_MAX / sizeof(T)) throw std::bad_alloc();
        KeptMemory grown(wanted * sizeof(T));
        if (m_size) std::memcpy(grown.Bytes(), m_items, m_size * sizeof(T));
        m_memory.swap(grown);
        m_items = reinterpret_cast<T*>(m_memory.Bytes());
    }
    KeptMemory m_memory;
    T* m_items = nullptr;
    size_t m_size = 0;
};

// The attribute-value or character-chunk table: with many distinct values a
// lookup seldom finds its slot in the cache, so a slot is one word and a
// value of up to five ASCII characters (most of those the tables take) is
// held by its slot alone, with its index; a longer one is kept by its slot's
// entry, one after the other in one buffer. A new value is told apart by a
// small filter or, failing that, by its slots alone; a short value found
// again by its slot alone. An entry's index is the table's size after it was
// added; a table holds at most 2^20 entries.
// A value as the value tables look it up: its hash and, for a value of one
// to eight ASCII characters, its octets packed in one word (taken once, for
// the lookup, the slot added after it and the octets written).
struct ValueKey {
    uint64_t hash = 0;
    uint64_t packed = 0;
    uint32_t shortLength = 0;  // 0: not packed
    uint32_t known = 0;        // the index, when the caller knew it without the table (see NameMemo)
};

class ValueIndex {
public:
    ValueIndex() : m_key(TextHashKey()), m_slots(64) {}
    // A value of up to eight ASCII characters (most of those the tables
    // take) is hashed from its packed octets in a few steps, without a loop.
    ValueKey Key(const wchar_t* s, size_t n) const {
        ValueKey k = Packed(s, n);
        Hash(k, s, n);
        return k;
    }
    // The key without its hash yet: a value known without the table needs none.
    static ValueKey Packed(const wchar_t* s, size_t n) {
        ValueKey k;
        if (Pack(s, n, k.packed))
            k.shortLength = static_cast<uint32_t>(n);
        else
            k.packed = 0;
        return k;
    }
    void Hash(ValueKey& k, const wchar_t* s, size_t n) const {
        k.hash = k.shortLength ? PackedHash(k.packed, k.shortLength) : HashText(m_key, s, n);
    }
    // The rest of a lookup that the caller did not settle: the hash, and
    // the slot asked for when the table may hold the value (a new value,
    // which the filter tells apart, would only take a line fill buffer).
    void Prepare(ValueKey& k, const wchar_t* s, size_t n) const {
        if (k.known) return;
        Hash(k, s, n);
        const uint32_t tag = Tag(k.hash);
        if (MayHold(tag)) __builtin_prefetch(&m_slots[tag & (m_slots.size() - 1)]);
    }
    // The index of the value (0: not in the table); `k` is its Key.
    uint32_t Find(const wchar_t* s, size_t n, const ValueKey& k) {
        if (k.known) return k.known;
        const uint32_t tag = Tag(k.hash);
        // Most new values are told apart by the filter alone.
        if (!MayHold(tag)) return 0;
        if (m_pendingCount) InsertPending();
        const bool held = HeldBySlot(k);
        const uint64_t want = held ? SlotKey(k) : LongKey(k);
        const size_t mask = m_slots.size() - 1;
        for (size_t i = tag & mask;; i = (i + 1) & mask) {
            const uint64_t slot = m_slots[i];
            if (slot == 0) return 0;
            if ((slot & kKeyMask) != want) continue;
            // A short value is told by its slot alone; a longer one by its entry.
            if (held) return static_cast<uint32_t>(slot & kRefMask);
            const Entry& entry = m_entries[(slot & kRefMask) - 1];
            if (entry.length == n && SameChars(m_data.data() + entry.start, s, n)) return entry.index;
        }
    }
    // Adds a value that the caller did not find as the next entry. Its slot
    // is taken later, with those of the next few new values: their slots
    // are asked for now and are in the cache by then.
    void Add(const wchar_t* s, size_t n, const ValueKey& k) {
        if (m_count >= CFIVocabulary::kMaxTableSize) return;
        ++m_count;
        uint64_t slot;
        if (HeldBySlot(k)) {
            slot = SlotKey(k) | m_count;
        } else if (n > UINT32_MAX || m_data.size() > UINT32_MAX - n) {
            // Past 4 Gi characters of table text an entry takes its place but is never found.
            return;
        } else {
            m_entries.push_back(Entry{static_cast<uint32_t>(m_data.size()), static_cast<uint32_t>(n), m_count});
            m_data.append(s, n);
            slot = LongKey(k) | m_entries.size();
        }
        if ((m_used + m_pendingCount + 1) * 2 > m_slots.size()) Grow();
        const uint32_t tag = Tag(k.hash);
        m_filter[tag & (m_filter.size() - 1)] |= FilterBits(tag);
        __builtin_prefetch(&m_slots[tag & (m_slots.size() - 1)], 1);
        m_pendingTags[m_pendingCount] = tag;
        m_pending[m_pendingCount++] = slot;
        if (m_pendingCount == kPending) InsertPending();
    }
    // An entry of a given vocabulary, which may repeat an earlier one (that keeps its index).
    void Add(const std::wstring& s) {
        const ValueKey k = Key(s.data(), s.size());
        if (Find(s.data(), s.size(), k)) {
            if (m_count < CFIVocabulary::kMaxTableSize) ++m_count;
            return;
        }
        Add(s.data(), s.size(), k);
    }

private:
    // A slot is one word, 0 when free: the index (a value held by the slot)
    // or the entry number counted from 1 (a longer value) in the low 21
    // bits; above them the key: a held value's length (1 to 5) and octets,
    // or, for a longer value, a length of 0 and the high 40 bits of its hash.
    // The high half of the hash, which gives the slot, is the same for both
    // (growing needs no value).
    static const int kLengthShift = 21, kOctetsShift = 24;
    static const uint64_t kRefMask = (uint64_t(1) << kLengthShift) - 1, kKeyMask = ~kRefMask;
    static const uint32_t kHeldLength = 5;
    static_assert(CFIVocabulary::kMaxTableSize <= kRefMask, "an index fits below the key");
    static_assert(kOctetsShift + 8 * kHeldLength <= 64, "a held value's octets fit above its length");
    static bool HeldBySlot(const ValueKey& k) { return k.shortLength != 0 && k.shortLength <= kHeldLength; }
    static uint64_t SlotKey(const ValueKey& k) {
        return (k.packed << kOctetsShift) | (static_cast<uint64_t>(k.shortLength) << kLengthShift);
    }
    static uint64_t LongKey(const ValueKey& k) { return k.hash >> kOctetsShift << kOctetsShift; }
    // The hash of a value of one to eight ASCII characters, from its octets.
    uint64_t PackedHash(uint64_t packed, uint64_t n) const {
        uint64_t h = (packed ^ m_key ^ (n * 0x9E3779B97F4A7C15ull)) * 0x9FB21C651E98DF25ull;
        h ^= h >> 29;
        h *= 0xBF58476D1CE4E5B9ull;
        h ^= h >> 32;
        return h | 1;
    }
    // The tag of a slot's value, from the slot alone.
    uint32_t TagOf(uint64_t slot) const {
        const uint64_t length = (slot >> kLengthShift) & 7;
        return length ? Tag(PackedHash(slot >> kOctetsShift, length)) : static_cast<uint32_t>(slot >> 32);
    }
    // Where a longer value is kept, and its index.
    struct Entry {
        uint32_t start, length, index;
    };
    static uint32_t Tag(uint64_t h) { return static_cast<uint32_t>(h >> 32); }
    // The characters of a value of one to eight ASCII characters, one octet each.
    static bool Pack(const wchar_t* s, size_t n, uint64_t& packed) {
        return n != 0 && n <= 8 && FastInfosetUtf::PackAscii(s, n, packed);
    }
    void Insert(uint64_t slot, uint32_t tag) {
        const size_t mask = m_slots.size() - 1;
        size_t i = tag & mask;
        while (m_slots[i]) i = (i + 1) & mask;
        m_slots[i] = slot;
    }
    void InsertPending() {
        for (size_t i = 0; i < m_pendingCount; ++i) Insert(m_pending[i], m_pendingTags[i]);
        m_used += m_pendingCount;
        m_pendingCount = 0;
    }
    void Grow() {
        InsertPending();
        KeptWords old(m_slots.size() * 2);
        old.swap(m_slots);
        KeptWords filter(m_slots.size() / kSlotsPerFilterWord);
        filter.swap(m_filter);
        for (uint64_t slot : old) {
            if (!slot) continue;
            const uint32_t tag = TagOf(slot);
            Insert(slot, tag);
            m_filter[tag & (m_filter.size() - 1)] |= FilterBits(tag);
        }
    }
    // A filter of the values the table holds: two bits of one word per
    // value, chosen by its tag (four bits a slot, so at most half full it
    // answers "maybe" for about one new value in twenty). It is small enough
    // to stay in the cache where the slots do not, so that a new value, the
    // common case with many distinct values, costs no slot lookup.
    static const size_t kSlotsPerFilterWord = 16;
    static uint64_t FilterBits(uint32_t tag) {
        return (uint64_t(1) << ((tag >> 20) & 63)) | (uint64_t(1) << ((tag >> 26) & 63));
    }
    bool MayHold(uint32_t tag) const {
        const uint64_t bits = FilterBits(tag);
        return (m_filter[tag & (m_filter.size() - 1)] & bits) == bits;
    }
    uint64_t m_key;
    KeptWords m_slots;
    KeptWords m_filter{64 / kSlotsPerFilterWord};
    KeptArray<Entry> m_entries;
    KeptArray<wchar_t> m_data;
    uint32_t m_count = 0;
    size_t m_used = 0;
    // New values whose slots are not taken yet, with their tags.
    static const size_t kPending = 16;
    uint64_t m_pending[kPending];
    uint32_t m_pendingTags[kPending];
    size_t m_pendingCount = 0;
};

// The element-name or attribute-name table: qualified names by the indexes
// of their parts.
class NameIndex {
public:
    NameIndex() : m_slots(64), m_count(0) {}
    static uint64_t Key(uint32_t prefix, uint32_t ns, uint32_t local) {
        return (static_cast<uint64_t>(prefix) << 42) | (static_cast<uint64_t>(ns) << 21) | local;
    }
    uint32_t Find(uint64_t key) const {
        size_t mask = m_slots.size() - 1;
        for (size_t i = Mix(key) & mask;; i = (i + 1) & mask) {
            if (m_slots[i].index == 0) return 0;
            if (m_slots[i].key == key) return m_slots[i].index;
        }
    }
    // `findable` is false when a part is missing from its (full) table: the
    // name takes its place in the table but is never found.
    // Returns the index by which the name is found from now on (0: none).
    uint32_t Add(uint64_t key, bool findable) {
        if (m_count >= CFIVocabulary::kMaxTableSize) return 0;
        ++m_count;
        if (!findable) return 0;
        if (uint32_t earlier = Find(key)) return earlier;
        if ((m_used + 1) * 2 > m_slots.size()) {
            std::vector<Slot> old(m_slots.size() * 2);
            old.swap(m_slots);
            for (const Slot& slot : old)
                if (slot.index) Insert(slot);
        }
        Insert(Slot{key, m_count});
        ++m_used;
        return m_count;
    }

private:
    struct Slot {
        uint64_t key = 0;
        uint32_t index = 0;
    };
    static uint64_t Mix(uint64_t k) {
        k ^= k >> 33;
        k *= 0xFF51AFD7ED558CCDull;
        return k ^ (k >> 33);
    }
    void Insert(const Slot& slot) {
        size_t mask = m_slots.size() - 1;
        size_t i = Mix(slot.key) & mask;
        while (m_slots[i].index) i = (i + 1) & mask;
        m_slots[i] = slot;
    }
    std::vector<Slot> m_slots;
    size_t m_used = 0;
    uint32_t m_count;
};

}  // namespace

struct CFastInfosetWriter::Impl {
    // A writer's state is some 70 KiB: it comes from the thread's pool
    // (platform/Memory.h), so that writing document after document neither asks glibc for
    // a large block nor gives one back, which makes it merge every small
    // block freed before and may return the top of the heap to the system,
    // only to fault it in again for the next document.
    static void* operator new(size_t size) {
        size_t capacity;
        return Platform::ThreadBlocks::Take(size, capacity);
    }
    static void operator delete(void* p, size_t size) {
        if (p) Platform::ThreadBlocks::Give(static_cast<unsigned char*>(p), size);
    }
    // Per open element: its attribute list is still open, it has attributes.
    static constexpr unsigned char kAttributesOpen = 1, kHasAttributes = 2;

    CFastInfosetWriter* writer;
    CBinaryStream* stream;
    const CFastInfosetContext* options;
    // The tables of the document, started from the given vocabulary.
    StringIndex prefixes, namespaceNames, localNames;
    ValueIndex attributeValues, characterChunks;
    NameIndex elementNames, attributeNames;
    // Names by the caller's string that held them: the binding passes the
    // same name strings for every element, so that a name met again is known
    // by the address of its text, checked against the table's copy, without
    // hashing it or searching the tables. The address is a key only: it is
    // never read through.
    // `nsKey`, when set, is the key of an entry of the document element's
    // namespace map, or of a generated declaration, whose text the namespace
    // part was checked against: that key is one string that does not change
    // while the document element is open, so that a namespace found through
    // the same entry again needs no second comparison.
    // One cache line each: a name met again costs one line of memo.
    struct alignas(64) NameMemo {
        const void* key = nullptr;
        const std::wstring* nsKey = nullptr;
        uint64_t valuePacked = 0;  // see `value`
        uint32_t length = 0, start = 0, prefix = 0, prefixStart = 0, prefixLength = 0, ns = 0, nsStart = 0,
                 nsLength = 0, name = 0;
        // A short value an element of this name held (a character chunk) or
        // an attribute of this name had (an attribute value), with its index:
        // the index | its length << 24 | a count << 28 (0: none). The value
        // found most often stays: each time it comes back its count goes up,
        // each other value found takes one off, and only at zero does the
        // other value take its place (a quantity of 1 between other
        // quantities keeps its place). A value's index never changes, so
        // that this stays true whatever name the entry holds later.
        uint32_t value = 0;
    };
    static_assert(sizeof(NameMemo) == 64, "a memo entry is one cache line");
    static const uint32_t kValueIndex = 0xFFFFFF, kValueLengthShift = 24, kValueCountShift = 28;
    static_assert(CFIVocabulary::kMaxTableSize <= kValueIndex, "an index fits below a value's length");
    static bool HoldsValue(const NameMemo& memo, const ValueKey& k) {
        return ((memo.value >> kValueLengthShift) & 0xF) == k.shortLength && memo.valuePacked == k.packed;
    }
    static void RecallValue(const NameMemo* memo, ValueKey& k) {
        if (memo && k.shortLength && HoldsValue(*memo, k)) k.known = memo->value & kValueIndex;
    }
    // After a short value was found: counts it, or another value down.
    static void KeepValue(NameMemo* memo, const ValueKey& k, uint32_t index) {
        if (!memo || !k.shortLength) return;
        const uint32_t count = memo->value >> kValueCountShift;
        if (memo->value && HoldsValue(*memo, k)) {
            if (count < 3) memo->value += 1u << kValueCountShift;
        } else if (memo->value && count > 0) {
            memo->value -= 1u << kValueCountShift;
        } else {
            memo->valuePacked = k.packed;
            memo->value = index | (k.shortLength << kValueLengthShift) | (1u << kValueCountShift);
        }
    }
    // The memo of the element whose name went out last, for its text.
    NameMemo* textMemo = nullptr;
    // Two ways of 256 sets: the few dozen names of a document seldom push
    // each other out (three names in one set would, element after element).
    static const int kMemoBits = 8;
    static const size_t kMemoSets = size_t(1) << kMemoBits;
    NameMemo elementMemo[2 * kMemoSets], attributeMemo[2 * kMemoSets];
    const void* pendingKey = nullptr;
    // The pending element's namespace as the key of a document-element map
    // entry (see NameMemo), or null.
    const std::wstring* pendingNsKey = nullptr;
    std::vector<std::wstring> alphabets;
    // The octets: a block of the thread's pool while small (handed out
    // as a copy of just the octets written), then mapped pages that grow
    // without a copy (see platform/Memory.h) and are handed out whole; `out`
    // and `capacity` repeat the block's fields.
    Platform::ByteBlock block;
    bool pooledBlock = false;
    unsigned char* out = nullptr;
    size_t used = 0;
    size_t capacity = 0;
    bool pending = false;
    // The pending element's name is already written, from octet `head` on:
    // a name met before (an index) goes out when the element starts, and so
    // does each attribute met before, until one is not (that one and the
    // rest wait in `attributes`). Neither enters anything in the prefix or
    // namespace tables, so that namespace attributes that an attribute
    // needs later can still be put in front of the name.
    bool eager = false;
    size_t head = 0;
    // The prefix in scope that the pending element's name took when it
    // opened (null: none yet).
    const std::wstring* pendingPrefix = nullptr;
    bool terminator = false;
    std::vector<unsigned char> state;
    // How many of the last generated declarations (see `declared`) belong
    // to the pending element and are not written yet.
    size_t declarationCount = 0;
    // Prefixes this writer generated and declared, by namespace: one prefix
    // never stands for two namespaces in a document, so that the document's
    // prefix map (last declaration wins) resolves every one of them.
    CXmlWriter::NamespaceMap generated;
    std::set<std::wstring> generatedPrefixes;
    // The generated declarations of the open elements, innermost last: an
    // entry of `generated` (its nodes never move) and the element that
    // declares it. They are kept here rather than in the elements' scopes:
    // a scope of its own costs an element a map, an index entry and their
    // release, and a document that types one element in each record would
    // pay that record after record.
    struct Declared {
        const CXmlWriter::NamespaceMap::value_type* entry;
        const CXmlWriter::CXmlWriterContext* element;
    };
    std::vector<Declared> declared;
    // The entry of `generated` declared last.
    const CXmlWriter::NamespaceMap::value_type* lastGenerated = nullptr;
    // Attributes of the pending element: its octets are written when the
    // attribute list closes, so that every prefix its attributes need is
    // declared on it. Entries are reused from element to element.
    struct QueuedAttribute {
        std::wstring localName, ns, prefix, value;
        ItemType type;
        ValueKey valueKey;
        const void* key;
    };
    std::vector<QueuedAttribute> attributes;
    size_t attributeCount = 0;
    // The encoding of each value type, taken from the options when the
    // writer starts: every value asks for its own.
    CFastInfosetContext::EncodedCharacterString encodings[CFastInfosetContext::kEncodingCount];
    std::vector<unsigned char> packed;
    CFastInfosetBinaryData algorithmData;
    // The value of an xsi:type attribute with a prefix.
    std::wstring typeValue;

    Impl(CFastInfosetWriter* w, CBinaryStream* s, const CFastInfosetContext* o, const CFIVocabulary* v)
        : writer(w), stream(s), options(o) {
        for (int type = 0; type < CFastInfosetContext::kEncodingCount; ++type)
            encodings[type] = o->GetEncoding(static_cast<ItemType>(type));
        CFIVocabulary initial;
        const CFIVocabulary& source = v ? *v : initial;
        for (const std::wstring& x : source.GetPrefixNamesTable()) prefixes.Add(x);
        for (const std::wstring& x : source.GetNamespaceNamesTable()) namespaceNames.Add(x);
        for (const std::wstring& x : source.GetLocalNamesTable()) localNames.Add(x);
        for (const std::wstring& x : source.GetAttributeValuesTable()) attributeValues.Add(x);
        for (const std::wstring& x : source.GetCharacterChunksTable()) characterChunks.Add(x);
        for (const CFIVocabulary::CQNameParts& q : source.GetElementNamesTable())
            elementNames.Add(NameIndex::Key(q.PrefixIndex, q.NamespaceNameIndex, q.LocalNameIndex), true);
        for (const CFIVocabulary::CQNameParts& q : source.GetAttributeNamesTable())
            attributeNames.Add(NameIndex::Key(q.PrefixIndex, q.NamespaceNameIndex, q.LocalNameIndex), true);
        alphabets = source.GetRestrictedAlphabets();
    }
    ~Impl() { ReleaseBlock(); }
    void ReleaseBlock() {
        if (pooledBlock)
            Platform::ThreadBlocks::Give(block.bytes, block.capacity);
        else
            Platform::FreeByteBlock(block);
        block = Platform::ByteBlock();
        pooledBlock = false;
    }

    // The entry in scope for the URI, or null: a generated declaration of an
    // open element, unless a scope of the elements declares the URI deeper.
    const CXmlWriter::NamespaceMap::value_type* FindEntry(const CXmlWriter::CXmlWriterContext* c,
                                                          const std::wstring& ns) const {
        for (auto d = declared.rbegin(); d != declared.rend(); ++d) {
            if (!CXmlWriter::CXmlWriterContext::SameText(d->entry->first, ns)) continue;
            if (c->m_scope->m_parent && DeclaredFrom(c, ns, d->element->m_depth)) break;
            return d->entry;
        }
        return c->FindEntry(ns);
    }
    const std::wstring* FindPrefix(const CXmlWriter::CXmlWriterContext* c, const std::wstring& ns) const {
        const CXmlWriter::NamespaceMap::value_type* entry = FindEntry(c, ns);
        return entry ? &entry->second : nullptr;
    }
    // Whether a scope of the elements from depth `depth` inwards declares the URI.
    static bool DeclaredFrom(const CXmlWriter::CXmlWriterContext* c, const std::wstring& ns, int32_t depth) {
        for (const CXmlWriter::CXmlWriterContext* s = c->m_scope; s && s->m_depth >= depth;
             s = s->m_parent ? s->m_parent->m_scope : nullptr)
            if (s->m_namespaceMap && s->m_namespaceMap->count(ns)) return true;
        return false;
    }
    // The generated declarations of an element that closes.
    void CloseDeclarations(const CXmlWriter::CXmlWriterContext* c) {
        while (!declared.empty() && declared.back().element == c) declared.pop_back();
    }
    // A prefix for a namespace that has none in scope, declared on the
    // pending element.
    const std::wstring& DeclaredPrefix(CXmlWriter::CXmlWriterContext* c, const std::wstring& ns) {
        // A document mostly declares the same namespace again.
        if (!lastGenerated || !CXmlWriter::CXmlWriterContext::SameText(lastGenerated->first, ns))
            lastGenerated = &*GeneratedEntry(c, ns);
        declared.push_back(Declared{lastGenerated, c});
        ++declarationCount;
        return lastGenerated->second;
    }
    // The namespace's entry of `generated`, made the first time: the first
    // prefix of two or more capitals that no other namespace took and no
    // declaration in scope gives.
    CXmlWriter::NamespaceMap::iterator GeneratedEntry(CXmlWriter::CXmlWriterContext* c, const std::wstring& ns) {
        auto known = generated.find(ns);
        if (known == generated.end()) {
            std::wstring prefix;
            const CXmlWriter::NamespaceMap& scope = c->GetEffectiveNamespaces();
            for (uint32_t n = 0;; ++n) {
                prefix.clear();
                uint32_t v = n;
                do {
                    prefix.insert(prefix.begin(), static_cast<wchar_t>(L'A' + v % 26));
                    v /= 26;
                } while (v || prefix.size() < 2);
                if (generatedPrefixes.count(prefix)) continue;
                bool taken = false;
                for (const auto& entry : scope) taken = taken || entry.second == prefix;
                if (!taken) break;
            }
            generatedPrefixes.insert(prefix);
            known = generated.emplace(ns, prefix).first;
        }
        return known;
    }
    // The namespace attributes of the pending element's generated prefixes.
    void PutPendingDeclarations() {
        for (size_t i = declared.size() - declarationCount; i < declared.size(); ++i)
            PutDeclaration(declared[i].entry->second, declared[i].entry->first);
        declarationCount = 0;
    }

    // ---- octets ----
    unsigned char* Room(size_t n) {
        if (capacity - used < n) Grow(n);
        return out + used;
    }
    void Grow(size_t n) {
        if (n > UINT32_MAX - used) throw std::length_error("CFastInfosetWriter: more than 4 GiB - 1 bytes");
        // Growing fourfold, as the text streams do: small blocks are copied,
        // and from a mebibyte on the block is mapped and grows by remapping.
        uint64_t wanted = capacity ? 4 * static_cast<uint64_t>(capacity) : 65536;
        while (wanted - used < n) wanted *= 2;
        if (wanted > UINT32_MAX) wanted = UINT32_MAX;
        if (wanted < Platform::kMappedBlockMinimum) {
            size_t room;
            unsigned char* grown = Platform::ThreadBlocks::Take(static_cast<size_t>(wanted), room);
            if (used) std::memcpy(grown, out, used);
            ReleaseBlock();
            block.bytes = grown;
            block.capacity = static_cast<uint32_t>(room);
            pooledBlock = true;
        } else if (pooledBlock) {
            Platform::ByteBlock mapped = Platform::NewByteBlock(wanted);
            if (used) std::memcpy(mapped.bytes, out, used);
            ReleaseBlock();
            block = mapped;
        } else {
            Platform::GrowByteBlock(block, static_cast<uint32_t>(used), wanted);
        }
        out = block.bytes;
        capacity = block.capacity;
    }
    [[gnu::always_inline]] void Put(unsigned char b) {
        if (used == capacity) Grow(1);
        out[used++] = b;
    }
    void Put(const unsigned char* bytes, size_t n) {
        std::memcpy(Room(n), bytes, n);
        used += n;
    }
    void Put32(uint32_t v) {
        unsigned char* p = Room(4);
        p[0] = static_cast<unsigned char>(v >> 24);
        p[1] = static_cast<unsigned char>(v >> 16);
        p[2] = static_cast<unsigned char>(v >> 8);
        p[3] = static_cast<unsigned char>(v);
        used += 4;
    }
    void Flush() {
        if (!used) return;
        CBinaryData& data = stream->GetData();
        if (pending && eager) {
            // The octets of an element still taking attributes stay.
            data.Append(out, static_cast<uint32_t>(head));
            used -= head;
            std::memmove(out, out + head, used);
            head = 0;
            return;
        }
        if (data.IsEmpty() && !pooledBlock) {
            Platform::ByteBlock adopted = block;
            block = Platform::ByteBlock();
            out = nullptr;
            capacity = 0;
            CBinaryDataAccess::AdoptBlock(data, adopted, static_cast<uint32_t>(used));
        } else {
            data.Append(out, static_cast<uint32_t>(used));
        }
        used = 0;
    }

    // ---- integers and lengths ----
    // Index from the 2nd bit; `o` holds bit 1.
    // The one-octet forms, the common case, are written in line.
    [[gnu::always_inline]] void PutIndex2(unsigned char o, uint32_t i) {
        if (i <= 64)
            Put(static_cast<unsigned char>(o | (i - 1)));
        else
            PutLongIndex2(o, i);
    }
    [[gnu::noinline]] void PutLongIndex2(unsigned char o, uint32_t i) {
        if (i <= 8256) {
            uint32_t v = i - 65;
            Put(static_cast<unsigned char>(o | 0x40 | (v >> 8)));
            Put(static_cast<unsigned char>(v));
        } else {
            uint32_t v = i - 8257;
            Put(static_cast<unsigned char>(o | 0x60 | (v >> 16)));
            Put(static_cast<unsigned char>(v >> 8));
            Put(static_cast<unsigned char>(v));
        }
    }
    // Index from the 3rd bit (`o` holds bits 1-2) or the 4th bit (bits 1-3),
    // with `Free` = 6 or 5 bits left in the first octet: '0' and Free-1 bits,
    // '100' and Free-3 bits plus an octet, '101' and Free-3 bits plus two
    // octets, or '11' and zeros plus three octets.
    template <int Free>
    [[gnu::always_inline]] void PutIndexFrom(unsigned char o, uint32_t i) {
        if (i <= (1u << (Free - 1)))
            Put(static_cast<unsigned char>(o | (i - 1)));
        else
            PutLongIndexFrom<Free>(o, i);
    }
    template <int Free>
    [[gnu::noinline]] void PutLongIndexFrom(unsigned char o, uint32_t i) {
        const uint32_t one = 1u << (Free - 1), two = one + (1u << (Free + 5)), three = two + (1u << (Free + 13));
        if (i <= two) {
            uint32_t v = i - one - 1;
            Put(static_cast<unsigned char>(o | (1u << (Free - 1)) | (v >> 8)));
            Put(static_cast<unsigned char>(v));
        } else {
            const bool last = i > three;
            uint32_t v = i - (last ? three : two) - 1;
            Put(static_cast<unsigned char>(o | (last ? 3u << (Free - 2) : (5u << (Free - 3)) | (v >> 16))));
            if (last) Put(static_cast<unsigned char>(v >> 16));
            Put(static_cast<unsigned char>(v >> 8));
            Put(static_cast<unsigned char>(v));
        }
    }
    [[gnu::always_inline]] void PutIndex3(unsigned char o, uint32_t i) { PutIndexFrom<6>(o, i); }
    [[gnu::always_inline]] void PutIndex4(unsigned char o, uint32_t i) { PutIndexFrom<5>(o, i); }
    // Octet-string lengths from the 2nd, 5th or 7th bit, with `Free` = 7, 4
    // or 2 bits left in the octet: '0' and Free-1 bits, '10' and zeros plus
    // an octet, or '11' and zeros plus four octets.
    template <int Free>
    void PutLengthFrom(unsigned char o, size_t n) {
        const size_t small = size_t(1) << (Free - 1);
        if (n <= small) {
            Put(static_cast<unsigned char>(o | (n - 1)));
        } else if (n <= small + 256) {
            Put(static_cast<unsigned char>(o | small));
            Put(static_cast<unsigned char>(n - small - 1));
        } else {
            Put(static_cast<unsigned char>(o | (3u << (Free - 2))));
            Put32(static_cast<uint32_t>(n - small - 257));
        }
    }
    void PutLength2(unsigned char o, size_t n) { PutLengthFrom<7>(o, n); }
    void PutLength5(unsigned char o, size_t n) { PutLengthFrom<4>(o, n); }
    void PutLength7(unsigned char o, size_t n) { PutLengthFrom<2>(o, n); }
    void CheckLength(size_t n) {
        if (n > UINT32_MAX - 400) throw CNyException(L"Failed to write FastInfoset. The string is too long.");
    }
    void PutUtf8(const std::wstring& s, size_t n) {
        FastInfosetUtf::EncodeUtf8(s.data(), s.size(), Room(n));
        used += n;
    }

    // Identifying string from the 1st bit: an index of its table, or a
    // literal that joins the table. Returns the string's index (0 when the
    // full table could not take it).
    uint32_t PutIdentifying(const wchar_t* s, size_t n, StringIndex& table) {
        uint32_t start;
        if (uint32_t index = table.FindRecent(s, n, start)) {
            PutIndex2(0x80, index);
            return index;
        }
        PutLiteral(s, n);
        uint32_t before = table.Count();
        table.Add(s, n, table.Hash(s, n));
        return table.Count() != before ? table.Count() : 0;
    }
    uint32_t PutIdentifying(const std::wstring& s, StringIndex& table) {
        return PutIdentifying(s.data(), s.size(), table);
    }
    void PutLiteral(const std::wstring& s) { PutLiteral(s.data(), s.size()); }
    void PutLiteral(const wchar_t* s, size_t length) {
        size_t n = FastInfosetUtf::Utf8Length(s, length);
        if (n == 0) throw CNyException(L"Failed to write FastInfoset. A name or URI is empty.");
        CheckLength(n);
        PutLength2(0x00, n);
        FastInfosetUtf::EncodeUtf8(s, length, Room(n));
        used += n;
    }

    // ---- encoded character strings ----
    CFastInfosetContext::EncodedCharacterString EncodingOf(ItemType type) const {
        if (type < 0 || type >= CFastInfosetContext::kEncodingCount) return CFastInfosetContext::EncodedCharacterString();
        return encodings[type];
    }
    // Packs the text with restricted alphabet `index` into `packed`.
    void Pack(const std::wstring& text, int32_t index) {
        if (index != 1 && index != 2)
            throw CNyException(FormatString(L"Failed to write FastInfoset. Invalid Restricted Alphabet value [%d]", index));
        if (static_cast<size_t>(index) > alphabets.size())
            throw CNyException(FormatString(L"Failed to write FastInfoset. Invalid Restricted Alphabet value [%d]", index));
        const std::wstring& alphabet = alphabets[index - 1];
        size_t n = alphabet.size();
        if (n < 2 || n > (1u << 20))
            throw CNyException(
                L"Failed to write FastInfoset. Invalid Restricted Alphabet. Alphabet must contain between 2 and 2^20 "
                L"characters.");
        int k = 2;
        while ((static_cast<size_t>(1) << k) <= n) ++k;
        if (k != 4 && k != 8)
            throw CNyException(L"Failed to write FastInfoset. Unsupported Feature in AppendRestrictedAlphabetString.");
        packed.clear();
        bool high = true;
        for (wchar_t c : text) {
            size_t position = alphabet.find(c);
            if (position == std::wstring::npos)
                throw CNyException(L"Failed to write FastInfoset. Invalid character not found for Restricted Alphabet.");
            if (k == 8) {
                packed.push_back(static_cast<unsigned char>(position));
            } else if (high) {
                packed.push_back(static_cast<unsigned char>(position << 4));
                high = false;
            } else {
                packed.back() |= static_cast<unsigned char>(position);
                high = true;
            }
        }
        if (k == 4 && !high) packed.back() |= 0x0F;
    }
    // The octets of the text under algorithm `index`; false when they are
    // empty (a length of zero cannot be written: the text goes as UTF-8).
    bool Encode(const std::wstring& text, int32_t index) {
        if (index < 1 || index > 10)
            throw CNyException(FormatString(L"Failed to write FastInfoset. Invalid Encoding Algorithm value [%d]", index));
        algorithmData.SetAsEncodedString(static_cast<unsigned long>(index), text.c_str());
        return !algorithmData.IsEmpty();
    }
    // A value from the 3rd bit (attribute values), `o` holding bits 1-2; or
    // from the 5th bit (character chunks), `o` holding bits 1-4. The common
    // case is written in line: a text of up to 64 characters as UTF-8.
    [[gnu::always_inline]] bool PutPlain(unsigned char o, const std::wstring& text, ItemType type, bool chunk) {
        const size_t n = text.size();
        if (n > 64 || n == 0 || EncodingOf(type).Encoding != 0 || options->GetDefaultStringEncoding() == 1)
            return false;
        // Mostly ASCII: one octet a character, so the length is known before
        // the octets are written and they go straight to their place.
        unsigned char* start = Room(10 + 4 * n);
        const size_t shortest = chunk ? 2 : 8;  // the longest length that fits in the first octet
        if (n <= shortest) {
            if (FastInfosetUtf::PutAscii(text.data(), n, start + 1)) {
                start[0] = static_cast<unsigned char>(o | (n - 1));
                used += 1 + n;
                return true;
            }
        } else if (FastInfosetUtf::PutAscii(text.data(), n, start + 2)) {
            start[0] = static_cast<unsigned char>(o | (chunk ? 0x02 : 0x08));
            start[1] = static_cast<unsigned char>(n - shortest - 1);
            used += 2 + n;
            return true;
        }
        // Any other: at most four octets a character, 256 in all, so the
        // length takes one or two octets; encoded after two, moved back by
        // one if one.
        unsigned char* end = FastInfosetUtf::EncodeUtf8(text.data(), n, start + 2);
        size_t u = static_cast<size_t>(end - (start + 2));
        if (u <= shortest) {
            // At most eight octets: moved as one block (the room asked for
            // covers it).
            start[0] = static_cast<unsigned char>(o | (u - 1));
            uint64_t octets;
            std::memcpy(&octets, start + 2, 8);
            std::memcpy(start + 1, &octets, 8);
            used += 1 + u;
        } else {
            start[0] = static_cast<unsigned char>(o | (chunk ? 0x02 : 0x08));
            start[1] = static_cast<unsigned char>(u - shortest - 1);
            used += 2 + u;
        }
        return true;
    }
    // A value of one to eight ASCII characters, as PutPlain writes it, from
    // the octets its key already holds; false for any other.
    [[gnu::always_inline]] bool PutPacked(unsigned char o, const ValueKey& k, ItemType type, bool chunk) {
        if (!k.shortLength || EncodingOf(type).Encoding != 0 || options->GetDefaultStringEncoding() == 1) return false;
        const size_t n = k.shortLength, shortest = chunk ? 2 : 8;
        unsigned char* start = Room(10);
        size_t head = 1;
        if (n <= shortest) {
            start[0] = static_cast<unsigned char>(o | (n - 1));
        } else {
            start[0] = static_cast<unsigned char>(o | (chunk ? 0x02 : 0x08));
            start[1] = static_cast<unsigned char>(n - shortest - 1);
            head = 2;
        }
        FastInfosetUtf::StorePacked(start + head, k.packed);
        used += head + n;
        return true;
    }
    [[gnu::always_inline]] void PutValue(unsigned char o, const std::wstring& text, ItemType type, bool chunk) {
        if (!PutPlain(o, text, type, chunk)) PutEncoded(o, text, type, chunk);
    }
    // Any value (the same octets as PutPlain for the texts it takes).
    void PutEncoded(unsigned char o, const std::wstring& text, ItemType type, bool chunk) {
        CFastInfosetContext::EncodedCharacterString e = EncodingOf(type);
        const unsigned char* bytes = nullptr;
        size_t n = 0;
        unsigned char discriminant = 0;
        if (e.Encoding == 1) {
            Pack(text, e.Index);
            bytes = packed.data();
            n = packed.size();
            discriminant = 2;
        } else if (e.Encoding == 2) {
            if (Encode(text, e.Index)) {
                bytes = algorithmData.GetData();
                n = algorithmData.GetLength();
                discriminant = 3;
            } else {
                e.Encoding = 0;
            }
        } else if (e.Encoding != 0) {
            throw CNyException(chunk ? L"Failed to write FastInfoset. Unknown encoding in EncodedCharacterStringBit7."
                                     : L"Failed to write FastInfoset. Unknown encoding in EncodedCharacterStringBit5.");
        }
        if (e.Encoding == 0) {
            if (options->GetDefaultStringEncoding() == 1)
                throw CNyException(L"Failed to write FastInfoset. Unsupported Feature UTF16BE in EncodedCharacterStringBit5.");
            size_t u = FastInfosetUtf::Utf8Length(text.data(), text.size());
            CheckLength(u);
            if (chunk)
                PutLength7(o, u);
            else
                PutLength5(o, u);
            PutUtf8(text, u);
            return;
        }
        if (n == 0) {
            // An empty packed text (no characters): not written by callers.
            throw CNyException(L"Failed to write FastInfoset. Invalid character not found for Restricted Alphabet.");
        }
        CheckLength(n);
        uint32_t field = static_cast<uint32_t>(e.Index - 1);
        if (chunk) {
            Put(static_cast<unsigned char>(o | (discriminant << 2) | (field >> 6)));
            PutLength7(static_cast<unsigned char>((field & 0x3F) << 2), n);
        } else {
            Put(static_cast<unsigned char>(o | (discriminant << 4) | (field >> 4)));
            PutLength5(static_cast<unsigned char>((field & 0x0F) << 4), n);
        }
        Put(bytes, n);
    }

    // ---- elements ----
    void CloseAttributes() {
        unsigned char& s = state.back();
        if (s & kAttributesOpen) {
            s = static_cast<unsigned char>(s & ~kAttributesOpen);
            if (s & kHasAttributes) Put(0xF0);
        }
    }
    // Writes the octets of the pending element.
    void WritePending() {
        pending = false;
        if (eager) {
            eager = false;
            if (declarationCount) PutDeclarationsBeforeName();
            for (size_t i = 0; i < attributeCount; ++i) {
                const QueuedAttribute& a = attributes[i];
                PutAttribute(a.localName, a.ns, a.prefix, a.value, a.type, a.valueKey, a.key);
            }
            attributeCount = 0;
            return;
        }
        const bool hasAttributes = attributeCount != 0;
        CXmlWriter::CXmlWriterContext* c = writer->m_current;
        const std::wstring& ns = c->GetNamespaceURI();
        const std::wstring* prefix = nullptr;
        if (pendingPrefix) {
            prefix = pendingPrefix;
        } else if (!ns.empty() && ns != c->GetEffectiveDefaultNamespace()) {
            prefix = FindPrefix(c, ns);
            // A prefix of its own, declared on the element that needs it.
            if (!prefix) prefix = &DeclaredPrefix(c, ns);
            c->SetPrefix(*prefix);
        }
        unsigned char first = hasAttributes ? 0x40 : 0x00;
        bool root = c->GetParent() == nullptr;
        bool rootDeclarations = false;
        if (root) {
            rootDeclarations = !writer->m_defaultNamespace.empty();
            for (const auto& entry : writer->m_rootNamespaces)
                if (entry.first != CXmlWriter::kXmlNamespace) rootDeclarations = true;
        }
        if (rootDeclarations || declarationCount) {
            Put(static_cast<unsigned char>(first | 0x38));
            if (root) {
                if (!writer->m_defaultNamespace.empty()) {
                    Put(0xCD);
                    PutIdentifying(writer->m_defaultNamespace, namespaceNames);
                }
                for (const auto& entry : writer->m_rootNamespaces) {
                    if (entry.first == CXmlWriter::kXmlNamespace) continue;
                    PutDeclaration(entry.second, entry.first);
                }
            }
            PutPendingDeclarations();
            Put(0xF0);
            first = 0;
        }
        PutQName(first, true, prefix, ns, c->GetLocalNameData(), c->GetLocalNameLength(), pendingKey,
                 pendingPrefix && &ns == pendingNsKey ? pendingNsKey : nullptr);
        for (size_t i = 0; i < attributeCount; ++i) {
            const QueuedAttribute& a = attributes[i];
            PutAttribute(a.localName, a.ns, a.prefix, a.value, a.type, a.valueKey, a.key);
        }
        attributeCount = 0;
    }
    // The namespace attributes of an element whose name is already written,
    // put in front of it; its first octet then only holds the name.
    void PutDeclarationsBeforeName() {
        const size_t mark = used;
        Put(static_cast<unsigned char>(0x38 | (out[head] & 0x40)));
        PutPendingDeclarations();
        Put(0xF0);
        std::rotate(out + head, out + mark, out + used);
        out[head + (used - mark)] &= static_cast<unsigned char>(~0x40);
    }
    // A qualified name: an index of its table, or a literal name whose parts
    // are indexes or literals, entered in the table. Element names start on
    // the 3rd bit (`o` holds bits 1-2), attribute names on the 2nd.
    // A name met again is written in line: its index, once each of its
    // parts is checked against the table's copy (no hashing, no search).
    // `nsKey`: see NameMemo.
    [[gnu::always_inline]] void PutQName(unsigned char o, bool element, const std::wstring* prefix,
                                         const std::wstring& ns, const wchar_t* local, size_t localLength,
                                         const void* key, const std::wstring* nsKey = nullptr) {
        NameMemo* set = MemoSet(element ? elementMemo : attributeMemo, key, localLength);
        if (!PutKnownQName(o, element, prefix, ns, local, localLength, key, MemoIn(set, key, localLength), nsKey))
            PutNewQName(o, element, prefix, ns, local, localLength, key, set, nsKey);
    }
    // Whether the namespace part of a remembered name is `ns`: known without
    // comparing when `ns` is the entry key the memo was checked against.
    [[gnu::always_inline]] bool SameNamespace(NameMemo& memo, const std::wstring& ns, const std::wstring* nsKey) {
        if (ns.empty()) return !memo.ns;
        if (!memo.ns) return false;
        if (nsKey && memo.nsKey == nsKey) return true;
        if (memo.nsLength != ns.size() || !SameChars(namespaceNames.Text(memo.nsStart), ns.data(), ns.size()))
            return false;
        memo.nsKey = nsKey;
        return true;
    }
    // The index of a name met before, if it is one (nothing written otherwise).
    [[gnu::always_inline]] bool PutKnownQName(unsigned char o, bool element, const std::wstring* prefix,
                                              const std::wstring& ns, const wchar_t* local, size_t localLength,
                                              const void* key, NameMemo& memo, const std::wstring* nsKey) {
        if (memo.key == key && key && memo.name && memo.length == localLength &&
            SameChars(localNames.Text(memo.start), local, localLength) &&
            (prefix ? memo.prefix && memo.prefixLength == prefix->size() &&
                          SameChars(prefixes.Text(memo.prefixStart), prefix->data(), prefix->size())
                    : !memo.prefix) &&
            SameNamespace(memo, ns, nsKey)) {
            if (element)
                PutIndex3(o, memo.name);
            else
                PutIndex2(o, memo.name);
            return true;
        }
        return false;
    }
    // Any other name: found in the tables, or written as a literal name whose
    // parts are indexes or literals, entered in the table.
    [[gnu::noinline]] void PutNewQName(unsigned char o, bool element, const std::wstring* prefix,
                                       const std::wstring& ns, const wchar_t* local, size_t localLength,
                                       const void* key, NameMemo* memo, const std::wstring* nsKey) {
        const uint32_t kNotKept = StringIndex::kNotKept;
        uint32_t ip = 0, in = 0, localStart = kNotKept, prefixStart = kNotKept, nsStart = kNotKept;
        const uint64_t hl = localNames.Hash(local, localLength);
        uint32_t il = localNames.Find(local, localLength, hl, &localStart);
        if (prefix) ip = prefixes.FindRecent(prefix->data(), prefix->size(), prefixStart);
        if (!ns.empty()) in = namespaceNames.FindRecent(ns.data(), ns.size(), nsStart);
        NameIndex& names = element ? elementNames : attributeNames;
        if (il && (!prefix || ip) && (ns.empty() || in)) {
            if (uint32_t index = names.Find(NameIndex::Key(ip, in, il))) {
                if (element)
                    PutIndex3(o, index);
                else
                    PutIndex2(o, index);
                Remember(memo, key, localLength, localStart, prefixStart, prefix ? prefix->size() : 0, nsStart,
                         ns.size(), il, ip, in, index, nsKey);
                return;
            }
        }
        unsigned char bits = static_cast<unsigned char>((prefix ? 2 : 0) | (ns.empty() ? 0 : 1));
        Put(static_cast<unsigned char>(o | (element ? 0x3C : 0x78) | bits));
        bool findable = true;
        if (prefix) {
            if (!ip)
                ip = PutNewPart(prefix->data(), prefix->size(), prefixes.Hash(prefix->data(), prefix->size()),
                                prefixes, &prefixStart);
            else
                PutIndex2(0x80, ip);
            findable = findable && ip;
        }
        if (!ns.empty()) {
            if (!in)
                in = PutNewPart(ns.data(), ns.size(), namespaceNames.Hash(ns.data(), ns.size()), namespaceNames,
                                &nsStart);
            else
                PutIndex2(0x80, in);
            findable = findable && in;
        }
        if (!il) il = PutNewPart(local, localLength, hl, localNames, &localStart);
        else PutIndex2(0x80, il);
        findable = findable && il;
        uint32_t index = names.Add(NameIndex::Key(ip, in, il), findable);
        Remember(memo, key, localLength, localStart, prefixStart, prefix ? prefix->size() : 0, nsStart, ns.size(), il,
                 ip, in, index, nsKey);
    }
    void ForgetNamespaceKeys() {
        for (NameMemo& memo : elementMemo) memo.nsKey = nullptr;
        for (NameMemo& memo : attributeMemo) memo.nsKey = nullptr;
        pendingNsKey = nullptr;
    }
    static NameMemo* MemoSet(NameMemo* memos, const void* key, size_t length) {
        uint64_t k = (static_cast<uint64_t>(reinterpret_cast<uintptr_t>(key)) >> 3) ^ length;
        return memos + 2 * static_cast<size_t>((k * 0x9E3779B97F4A7C15ull) >> (64 - kMemoBits));
    }
    // The entry of the set that may hold the name.
    static NameMemo& MemoIn(NameMemo* set, const void* key, size_t length) {
        return set[0].key == key && set[0].length == length ? set[0] : set[1];
    }
    // Keeps a name whose parts are all found where the tables keep them;
    // any other leaves the slot unusable.
    static void Remember(NameMemo* set, const void* key, size_t length, uint32_t localStart, uint32_t prefixStart,
                         size_t prefixLength, uint32_t nsStart, size_t nsLength, uint32_t local, uint32_t prefix,
                         uint32_t ns, uint32_t name, const std::wstring* nsKey) {
        const uint32_t kNotKept = StringIndex::kNotKept;
        // The entry of the same string, or the first, whose name moves to the second.
        NameMemo* entry = &set[0];
        if (set[1].key == key && set[1].length == length)
            entry = &set[1];
        else if (!(set[0].key == key && set[0].length == length))
            set[1] = set[0];
        NameMemo& memo = *entry;
        memo.name = 0;
        if (!key || !local || !name || localStart == kNotKept || (prefix && prefixStart == kNotKept) ||
            (ns && nsStart == kNotKept))
            return;
        memo.key = key;
        memo.length = static_cast<uint32_t>(length);
        memo.start = localStart;
        memo.prefix = prefix;
        memo.prefixStart = prefixStart;
        memo.prefixLength = static_cast<uint32_t>(prefixLength);
        memo.ns = ns;
        memo.nsStart = nsStart;
        memo.nsLength = static_cast<uint32_t>(nsLength);
        memo.nsKey = ns ? nsKey : nullptr;
        memo.name = name;
    }
    // A literal part that joins its table; returns its index (0: the full
    // table could not take it) and, in `start`, where the table keeps it.
    uint32_t PutNewPart(const wchar_t* s, size_t n, uint64_t h, StringIndex& table, uint32_t* start) {
        PutLiteral(s, n);
        uint32_t before = table.Count();
        uint32_t kept = table.Add(s, n, h);
        if (start) *start = kept;
        return table.Count() != before ? table.Count() : 0;
    }

    void PutDeclaration(const std::wstring& prefix, const std::wstring& ns) {
        Put(static_cast<unsigned char>(0xCC | (prefix.empty() ? 0 : 2) | (ns.empty() ? 0 : 1)));
        if (!prefix.empty()) PutIdentifying(prefix, prefixes);
        if (!ns.empty()) PutIdentifying(ns, namespaceNames);
    }
    // Before content: the pending element, a pending terminator, the open
    // attribute list of the current element.
    void BeginContent() {
        if (pending) {
            if (eager && !declarationCount && !attributeCount)
                pending = eager = false;
            else
                WritePending();
        }
        if (terminator) {
            Put(0xF0);
            terminator = false;
        }
        if (!state.empty()) CloseAttributes();
    }

    void Attribute(const std::wstring& localName, const std::wstring& ns, const std::wstring& value, ItemType type) {
        if (state.empty() || !pending || !(state.back() & kAttributesOpen))
            throw CNyException(L"Attributes must be added before elements");
        CXmlWriter::CXmlWriterContext* c = writer->m_current;
        const std::wstring* prefix = nullptr;
        if (!ns.empty()) {
            prefix = FindPrefix(c, ns);
            if (!prefix) prefix = &DeclaredPrefix(c, ns);
        }
        // Values that go through an alphabet or an algorithm are converted
        // now, so that a bad one fails in this call; the octets are dropped.
        if (!value.empty() && EncodingOf(type).Encoding != 0) {
            size_t mark = used;
            PutEncoded(0x00, value, type, false);
            used = mark;
        }
        if (eager && attributeCount == 0) {
            out[head] |= 0x40;  // the element has attributes
            const void* key = localName.data();
            NameMemo& memo = MemoIn(MemoSet(attributeMemo, key, localName.size()), key, localName.size());
            if (PutKnownQName(0x00, false, prefix, ns, localName.data(), localName.size(), key, memo, nullptr)) {
                ValueKey k;
                if (!value.empty() && value.size() < options->GetAttributeMaxAddLength()) {
                    k = ValueIndex::Packed(value.data(), value.size());
                    RecallValue(&memo, k);
                    attributeValues.Prepare(k, value.data(), value.size());
                }
                PutAttributeValue(value, type, k, &memo);
                state.back() |= kHasAttributes;
                return;
            }
        }
        if (attributeCount == attributes.size()) attributes.emplace_back();
        QueuedAttribute& a = attributes[attributeCount++];
        a.localName = localName;
        a.key = localName.data();
        a.ns = ns;
        if (prefix)
            a.prefix = *prefix;
        else
            a.prefix.clear();
        a.value = value;
        a.type = type;
        a.valueKey = ValueKey();
        if (!value.empty() && value.size() < options->GetAttributeMaxAddLength()) {
            a.valueKey = ValueIndex::Packed(value.data(), value.size());
            attributeValues.Prepare(a.valueKey, value.data(), value.size());
        }
        state.back() |= kHasAttributes;
    }

    // `k` is the key of a value the table may hold.
    void PutAttribute(const std::wstring& localName, const std::wstring& ns, const std::wstring& p,
                      const std::wstring& value, ItemType type, const ValueKey& k, const void* key) {
        PutQName(0x00, false, p.empty() ? nullptr : &p, ns, localName.data(), localName.size(), key);
        PutAttributeValue(value, type, k);
    }
    // `memo`: the attribute name's, when at hand.
    void PutAttributeValue(const std::wstring& value, ItemType type, const ValueKey& k, NameMemo* memo = nullptr) {
        if (value.empty()) {
            Put(0xFF);
            return;
        }
        if (value.size() >= options->GetAttributeMaxAddLength()) {
            PutValue(0x00, value, type, false);
            return;
        }
        if (uint32_t index = attributeValues.Find(value.data(), value.size(), k)) {
            KeepValue(memo, k, index);
            PutIndex2(0x80, index);
            return;
        }
        if (!PutPacked(0x40, k, type, false)) PutValue(0x40, value, type, false);
        attributeValues.Add(value.data(), value.size(), k);
    }

    void Text(const std::wstring& text, ItemType type) {
        const bool indexed = !text.empty() && text.size() < options->GetElementMaxAddLength();
        NameMemo* memo = textMemo;
        textMemo = nullptr;
        ValueKey k;
        if (indexed) {
            k = ValueIndex::Packed(text.data(), text.size());
            RecallValue(memo, k);
            characterChunks.Prepare(k, text.data(), text.size());
        }
        BeginContent();
        if (text.empty()) return;
        if (!indexed) {
            // Never looked up: too long to join the table.
            PutValue(0x80, text, type, true);
            return;
        }
        if (uint32_t index = characterChunks.Find(text.data(), text.size(), k)) {
            KeepValue(memo, k, index);
            PutIndex4(0xA0, index);
            return;
        }
        if (!PutPacked(0x90, k, type, true)) PutValue(0x90, text, type, true);
        characterChunks.Add(text.data(), text.size(), k);
    }
};

CFastInfosetWriter::CFastInfosetWriter(CBinaryStream* stream, const CFastInfosetContext* options,
                                       const CFIVocabulary* vocabulary)
    : m_impl(new Impl(this, stream, options, vocabulary)) {}

CFastInfosetWriter::~CFastInfosetWriter() { delete m_impl; }

void CFastInfosetWriter::WriteDocumentHeader(FInfoDecl declaration) {
    if (const char* text = DeclarationText(declaration))
        m_impl->Put(reinterpret_cast<const unsigned char*>(text), std::strlen(text));
    static const unsigned char kIdentification[] = {0xE0, 0x00, 0x00, 0x01};
    m_impl->Put(kIdentification, 4);
    if (m_impl->options->GetUseGeneratedVocabulary()) {
        m_impl->Put(0x20);
        m_impl->Put(0x10);
        m_impl->Put(0x00);
        std::wstring uri = m_impl->options->GetExternalVocabularyURI();
        if (uri.empty()) uri = kDefaultExternalVocabularyURI;
        m_impl->PutLiteral(uri);
    } else {
        m_impl->Put(0x00);
    }
}

void CFastInfosetWriter::WriteDocumentEnd() {
    m_impl->Put(m_impl->terminator ? 0xFF : 0xF0);
    m_impl->terminator = false;
}

void CFastInfosetWriter::Flush() { m_impl->Flush(); }

void CFastInfosetWriter::StartDocument() {}

void CFastInfosetWriter::EndDocument() {
    CXmlWriter::EndDocument();
    Flush();
}

void CFastInfosetWriter::WriteComment(const std::wstring&) {}

void CFastInfosetWriter::WriteProcessingInstruction(const std::wstring&) {
    if (m_impl->pending) {
        m_impl->WritePending();
        m_impl->CloseAttributes();
    }
}

void CFastInfosetWriter::WriteInLineSchema(const std::wstring&) {}

void CFastInfosetWriter::StartElement(const std::wstring& localName, const std::wstring& namespaceURI) {
    m_impl->BeginContent();
    // As the text writer does: a URI with a prefix in scope is not copied,
    // the context refers to the map entry that gives the prefix.
    CXmlWriterContext* c = OpenContext(localName, namespaceURI, false);
    const std::wstring* prefix = nullptr;
    const std::wstring* nsKey = nullptr;
    // Whether the name's prefix is settled: none (no namespace, or the
    // default one) or one in scope.
    bool settled = true;
    if (!namespaceURI.empty()) {
        const NamespaceMap::value_type* entry = nullptr;
        if (!CXmlWriterContext::SameText(namespaceURI, c->GetEffectiveDefaultNamespace())) {
            entry = m_impl->FindEntry(c, namespaceURI);
            settled = entry != nullptr;
        }
        if (entry) {
            c->UseEntry(*entry);
            prefix = &entry->second;
            // With no scope open below the document element's, the entry is
            // one of its map or a generated one, whose key stays while the
            // document element is open (its text was just compared with the URI).
            if (!c->m_scope->m_parent) nsKey = &entry->first;
        } else {
            c->CopyNamespace(namespaceURI);
        }
    }
    m_impl->pendingPrefix = prefix;
    m_impl->pendingNsKey = nsKey;
    m_impl->pendingKey = localName.data();
    m_impl->state.push_back(static_cast<unsigned char>(Impl::kAttributesOpen));
    m_impl->pending = true;
    // Below the document element, a name whose prefix is settled goes out now
    // when it was met before.
    m_impl->eager = false;
    m_impl->textMemo = nullptr;
    if (c->GetParent() && settled) {
        const size_t head = m_impl->used;
        Impl::NameMemo& memo = Impl::MemoIn(Impl::MemoSet(m_impl->elementMemo, localName.data(), localName.size()),
                                                  localName.data(), localName.size());
        if (m_impl->PutKnownQName(0x00, true, prefix, namespaceURI, localName.data(), localName.size(),
                                  localName.data(), memo, nsKey)) {
            m_impl->eager = true;
            m_impl->head = head;
            m_impl->textMemo = &memo;
        }
    }
}

void CFastInfosetWriter::WriteText(const std::wstring& text, ItemType type) {
    if (!m_current) throw CNyException(L"There is no open element to end.");
    m_impl->Text(text, type);
}

void CFastInfosetWriter::EndElement() {
    if (!m_current) throw CNyException(L"There is no open element to end.");
    m_impl->textMemo = nullptr;
    if (m_impl->pending) m_impl->WritePending();
    m_impl->CloseAttributes();
    if (m_impl->terminator) {
        m_impl->Put(0xFF);
        m_impl->terminator = false;
    } else {
        m_impl->terminator = true;
    }
    m_impl->state.pop_back();
    m_impl->CloseDeclarations(m_current);
    // The document element's map goes with it: its keys are no longer known.
    if (!m_current->GetParent()) m_impl->ForgetNamespaceKeys();
    CloseContext();
}

void CFastInfosetWriter::WriteAttribute(const std::wstring& localName, const std::wstring& namespaceURI,
                                        const std::wstring& value, ItemType type) {
    m_impl->Attribute(localName, namespaceURI, value, type);
}

void CFastInfosetWriter::WriteXsiType(const std::wstring& typeNamespaceURI, const std::wstring& typeName,
                                      ItemType type) {
    static const std::wstring kType(L"type");
    static const std::wstring kXsi(kXsiNamespace);
    if (!m_current) throw CNyException(L"Attributes must be added before elements");
    if (typeNamespaceURI.empty() || typeNamespaceURI == m_current->GetEffectiveDefaultNamespace()) {
        m_impl->Attribute(kType, kXsi, typeName, type);
        return;
    }
    const std::wstring* prefix = m_impl->FindPrefix(m_current, typeNamespaceURI);
    if (!prefix) {
        // Declared on the element by a namespace attribute, which Fast Infoset
        // allows only before the element's name: the element must still be
        // waiting for the end of its attributes.
        if (!m_impl->pending) throw CNyException(L"Attributes must be added before elements");
        prefix = &m_impl->DeclaredPrefix(m_current, typeNamespaceURI);
    }
    // Made in a string the writer keeps (the attribute copies what it keeps).
    std::wstring& value = m_impl->typeValue;
    value.assign(*prefix).append(1, L':').append(typeName);
    m_impl->Attribute(kType, kXsi, value, type);
}

void CFastInfosetWriter::WriteXsiNil() {
    static const std::wstring kNil(L"nil");
    static const std::wstring kXsi(kXsiNamespace);
    static const std::wstring kTrue(L"true");
    m_impl->Attribute(kNil, kXsi, kTrue, ItemType_boolean);
}

}  // namespace NyXmlLib9
