#include "binding/SharedNames.h"

#include <nyxml/foundation.h>

#include <cstdint>
#include <cwchar>

namespace NyXmlLib9 {

const std::wstring* CSharedNameTable::Find(const wchar_t* name, size_t length) {
    if (length > m_maxLength) return nullptr;
    std::wstring key(name, length);
    std::lock_guard<std::mutex> hold(m_lock);
    auto found = m_names.find(key);
    if (found != m_names.end()) return &*found;
    if (m_names.size() >= m_maxNames) return nullptr;
    return &*m_names.insert(std::move(key)).first;
}

namespace {

const size_t kSharedNames = 4096;
const size_t kSharedNameLength = 128;
const size_t kRecentSlots = 256;  // per thread, by hash of the name

CSharedNameTable& Table() {
    // Never destroyed: objects may outlive the end of main.
    static CSharedNameTable* table = new CSharedNameTable(kSharedNames, kSharedNameLength);
    return *table;
}

// The shared copy of a text whose hash is known, found again without the
// lock when the calling thread found it recently.
const std::wstring* SharedByHash(const wchar_t* name, size_t length, uint32_t hash) {
    thread_local const std::wstring* recent[kRecentSlots];
    const std::wstring*& slot = recent[hash & (kRecentSlots - 1)];
    if (slot && slot->size() == length && std::wmemcmp(slot->data(), name, length) == 0) return slot;
    const std::wstring* shared = Table().Find(name, length);
    if (shared) slot = shared;
    return shared;
}

}  // namespace

const std::wstring& SharedEmptyName() {
    static const std::wstring* empty = new std::wstring();
    return *empty;
}

const std::wstring* SharedElementName(const wchar_t* name) {
    // Measured and hashed in one pass; a long name is not shared.
    uint32_t hash = 2166136261u;
    size_t length = 0;
    for (; name[length] != L'\0'; ++length) {
        if (length == kSharedNameLength) return nullptr;
        hash = (hash ^ static_cast<uint32_t>(name[length])) * 16777619u;
    }
    return SharedByHash(name, length, hash);
}

const std::wstring* SharedName(const wchar_t* text, size_t length) {
    if (length > kSharedNameLength) return nullptr;
    uint32_t hash = 2166136261u;
    for (size_t i = 0; i < length; ++i) hash = (hash ^ static_cast<uint32_t>(text[i])) * 16777619u;
    return SharedByHash(text, length, hash);
}

void CSharedText::Set(const wchar_t* text, size_t length) {
    // The text may be this object's own copy: it is read before that goes.
    if (const std::wstring* shared = length ? SharedName(text, length) : &SharedEmptyName()) {
        m_text = shared;
        if (!m_own.empty()) std::wstring().swap(m_own);
        return;
    }
    m_own.assign(text, length);
    m_text = &m_own;
}

}  // namespace NyXmlLib9
