#include "binding/SharedNames.h"

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

}  // namespace

const std::wstring* SharedElementName(const wchar_t* name) {
    // Measured and hashed in one pass; a long name is not shared.
    uint32_t hash = 2166136261u;
    size_t length = 0;
    for (; name[length] != L'\0'; ++length) {
        if (length == kSharedNameLength) return nullptr;
        hash = (hash ^ static_cast<uint32_t>(name[length])) * 16777619u;
    }
    thread_local const std::wstring* recent[kRecentSlots];
    const std::wstring*& slot = recent[hash & (kRecentSlots - 1)];
    if (slot && slot->size() == length && std::wmemcmp(slot->data(), name, length) == 0) return slot;
    const std::wstring* shared = Table().Find(name, length);
    if (shared) slot = shared;
    return shared;
}

}  // namespace NyXmlLib9
