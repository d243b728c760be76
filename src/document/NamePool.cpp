#include "document/NamePool.h"

#include "foundation/SeededHash.h"

#include <cstring>

namespace NyXmlLib9 {

namespace {

// The whole name goes into a keyed hash: names built to share a hash, or to
// share their ends, cost what any other names cost.
uint64_t Hash(const uint16_t* s, size_t length, uint64_t k0, uint64_t k1) {
    return SeededHash(s, length * sizeof(uint16_t), k0, k1);
}

std::wstring Widen(const uint16_t* s, size_t length) {
    std::wstring out(length, L'\0');
    for (size_t i = 0; i < length; ++i) out[i] = static_cast<wchar_t>(s[i]);
    return out;
}

}  // namespace

CNamePool::CNamePool() : m_slots(256) { SeededHashKey(m_k0, m_k1); }

CNamePool::~CNamePool() { Clear(); }

const std::wstring CNamePool::s_empty;

void CNamePool::Clear() {
    for (Slot& s : m_slots) delete[] s.key;
    m_slots.assign(256, Slot());
    m_used = 0;
    m_strings.clear();
}

const std::wstring* CNamePool::Intern(const std::wstring& text) {
    if (text.empty()) return &Empty();
    auto it = m_strings.find(text);
    if (it != m_strings.end()) return &*it;
    if (m_strings.size() >= kMaxStrings) return nullptr;
    return &*m_strings.insert(text).first;
}

void CNamePool::Grow() {
    Slots old;
    old.swap(m_slots);
    m_slots.resize(old.size() * 2);
    size_t mask = m_slots.size() - 1;
    for (Slot& s : old) {
        if (!s.key) continue;
        size_t i = s.hash & mask;
        while (m_slots[i].key) i = (i + 1) & mask;
        m_slots[i] = s;
    }
}

bool CNamePool::Split(const uint16_t* raw, uint16_t separator, SplitName& out) {
    size_t length = 0;
    while (raw[length]) ++length;
    uint64_t h = Hash(raw, length, m_k0, m_k1);
    size_t mask = m_slots.size() - 1;
    size_t i = h & mask;
    while (m_slots[i].key) {
        const Slot& s = m_slots[i];
        if (s.hash == h && s.length == length && std::memcmp(s.key, raw, length * sizeof(uint16_t)) == 0) {
            out = s.split;
            return true;
        }
        i = (i + 1) & mask;
    }
    size_t cut = 0;
    while (cut < length && raw[cut] != separator) ++cut;
    const std::wstring* ns;
    const std::wstring* local;
    if (cut < length) {
        ns = Intern(Widen(raw, cut));
        local = Intern(Widen(raw + cut + 1, length - cut - 1));
    } else {
        ns = &Empty();
        local = Intern(Widen(raw, length));
    }
    if (!ns || !local || m_used >= kMaxStrings) return false;
    if ((m_used + 1) * 2 > m_slots.size()) {
        Grow();
        mask = m_slots.size() - 1;
        i = h & mask;
        while (m_slots[i].key) i = (i + 1) & mask;
    }
    Slot& s = m_slots[i];
    s.key = new uint16_t[length + 1];
    std::memcpy(s.key, raw, (length + 1) * sizeof(uint16_t));
    s.hash = h;
    s.length = static_cast<uint32_t>(length);
    s.split = SplitName{ns, local};
    ++m_used;
    out = s.split;
    return true;
}

}  // namespace NyXmlLib9
