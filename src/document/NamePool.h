// Element and attribute names shared by all nodes of one document: a name is
// stored once however often it occurs, and the reader finds the split form of
// a raw "uri|local" name with one hash lookup and no allocation.
#ifndef NYXML_SRC_DOCUMENT_NAMEPOOL_H
#define NYXML_SRC_DOCUMENT_NAMEPOOL_H

#include "foundation/SeededHash.h"
#include "platform/Memory.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

namespace NyXmlLib9 {

class CNamePool {
public:
    // Past this many distinct strings the pool stops growing and callers keep
    // their own copies, so hostile input cannot make it the largest structure.
    static const size_t kMaxStrings = 1u << 16;

    CNamePool();
    CNamePool(const CNamePool&) = delete;
    CNamePool& operator=(const CNamePool&) = delete;
    ~CNamePool();

    // The pooled copy of text, or null when the pool is full.
    const std::wstring* Intern(const std::wstring& text);

    struct SplitName {
        const std::wstring* namespaceURI;
        const std::wstring* localName;
    };
    // Pooled parts of a raw 16-bit name split at its first separator (a name
    // without one is all local name); false when the pool is full.
    bool Split(const uint16_t* raw, uint16_t separator, SplitName& out);

    void Clear();

    // The empty name, which every element starts with: a plain reference,
    // without the guard of a local static (one element at a time adds up).
    static const std::wstring& Empty() { return s_empty; }

private:
    static const std::wstring s_empty;

    struct Slot {
        uint64_t hash = 0;
        uint16_t* key = nullptr;  // owned copy of the raw name; null in a free slot
        uint32_t length = 0;
        SplitName split{nullptr, nullptr};
    };

    void Grow();

    std::unordered_set<std::wstring, CSeededWStringHash> m_strings;
    using Slots = std::vector<Slot, Platform::ThreadBlockAllocator<Slot>>;
    Slots m_slots;  // open addressing, power-of-two size; of the thread's pool
    size_t m_used = 0;
    uint64_t m_k0 = 0, m_k1 = 0;  // the key of the slots' hash
};

}  // namespace NyXmlLib9

#endif
