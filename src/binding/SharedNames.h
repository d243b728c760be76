// Element names shared by the whole process. Generated classes give every
// object the same few names ("shipTo", "item", ...): an object points at one
// shared copy instead of holding its own, which saves an allocation per object.
#ifndef NYXML_SRC_BINDING_SHAREDNAMES_H
#define NYXML_SRC_BINDING_SHAREDNAMES_H

#include "foundation/SeededHash.h"

#include <cstddef>
#include <mutex>
#include <string>
#include <unordered_set>

namespace NyXmlLib9 {

// A set of names that are never freed, up to a number of names and a length
// of each; safe to use from several threads.
class CSharedNameTable {
public:
    CSharedNameTable(size_t maxNames, size_t maxLength) : m_maxNames(maxNames), m_maxLength(maxLength) {}
    CSharedNameTable(const CSharedNameTable&) = delete;
    CSharedNameTable& operator=(const CSharedNameTable&) = delete;

    // The shared copy of the first `length` units of name, or null when the
    // name is too long or the table is full and does not hold it.
    const std::wstring* Find(const wchar_t* name, size_t length);
    size_t GetMaxLength() const { return m_maxLength; }

private:
    std::mutex m_lock;
    std::unordered_set<std::wstring, CSeededWStringHash> m_names;  // nodes: a name never moves
    size_t m_maxNames;
    size_t m_maxLength;
};

// The process-wide shared copy of a NUL-terminated name (4096 names of up to
// 128 units at most), or null; names found recently by the calling thread are
// found again without a lock.
const std::wstring* SharedElementName(const wchar_t* name);
// The same for a text of a given length, which may hold NUL units.
const std::wstring* SharedName(const wchar_t* text, size_t length);
// The shared empty text, never freed.
const std::wstring& SharedEmptyName();

}  // namespace NyXmlLib9

#endif
