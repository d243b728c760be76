// CXmlWriter: open elements and their namespace scopes. A child shares its
// parent's scope until it changes it; a scope of its own holds only the
// declarations it adds, and one index per document element finds the
// innermost declaration of a URI, so that neither memory nor time grows with
// the depth of nested scopes.
#include <nyxml/writer.h>

#include "foundation/SeededHash.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <unordered_map>
#include <vector>

namespace NyXmlLib9 {

const wchar_t* const CXmlWriter::kXmlNamespace = L"http://www.w3.org/XML/1998/namespace";
const wchar_t* const CXmlWriter::kXsiNamespace = L"http://www.w3.org/2001/XMLSchema-instance";

// ---- CXmlWriterContext ----

namespace {

// The n-th generated prefix: AA ... ZZ, then AAA ... ZZZ, and so on.
std::wstring GeneratedPrefix(uint64_t n) {
    size_t length = 2;
    uint64_t count = 26 * 26;
    while (n >= count) {
        n -= count;
        ++length;
        count *= 26;
    }
    std::wstring prefix(length, L'A');
    for (size_t i = length; i-- > 0; n /= 26) prefix[i] = static_cast<wchar_t>(L'A' + n % 26);
    return prefix;
}

// The index of a generated prefix, or -1 for any other text.
int64_t GeneratedIndex(const std::wstring& prefix) {
    if (prefix.size() < 2 || prefix.size() > 12) return -1;
    uint64_t n = 0, offset = 0, count = 26 * 26;
    for (size_t length = 2; length < prefix.size(); ++length, count *= 26) offset += count;
    for (wchar_t c : prefix) {
        if (c < L'A' || c > L'Z') return -1;
        n = n * 26 + static_cast<uint64_t>(c - L'A');
    }
    return static_cast<int64_t>(offset + n);
}

}  // namespace

struct CXmlWriter::CXmlWriterContext::NamespaceIndex {
    // URI -> the entries of the open scopes that declare it, innermost last.
    // A URI whose declarations all closed keeps its (empty) place, so that
    // declaring it again, as documents do element after element, allocates
    // nothing.
    std::unordered_map<std::wstring, std::vector<const NamespaceMap::value_type*>, CSeededWStringHash> uris;
    // Prefix -> how many URIs it is the innermost prefix of (a prefix that
    // only a hidden declaration gives is free again); a prefix at zero keeps
    // its place as well.
    std::unordered_map<std::wstring, uint32_t, CSeededWStringHash> prefixes;
    // Every generated prefix below this index is in use.
    uint64_t firstFree = 0;

    void AddPrefix(const std::wstring& prefix) { ++prefixes[prefix]; }
    bool InUse(const std::wstring& prefix) const {
        auto it = prefixes.find(prefix);
        return it != prefixes.end() && it->second != 0;
    }
    void RemovePrefix(const std::wstring& prefix) {
        auto it = prefixes.find(prefix);
        if (it == prefixes.end() || it->second == 0) return;
        if (--it->second == 0) {
            int64_t n = GeneratedIndex(prefix);
            if (n >= 0 && static_cast<uint64_t>(n) < firstFree) firstFree = static_cast<uint64_t>(n);
        }
    }
};

CXmlWriter::CXmlWriterContext::CXmlWriterContext()
    : CInstanceMonitor("CXmlWriterContext"), m_childCount(0), m_startTagOpen(false), m_depth(0), m_names(nullptr),
      m_namesCapacity(0), m_localLength(0), m_namespaceLength(0), m_prefixLength(0), m_made(0),
      m_namespaceKey(nullptr), m_parent(nullptr),
      m_namespaceMap(nullptr), m_index(nullptr), m_ownsIndex(false), m_inherits(false), m_ownsMap(false), m_scope(this), m_recentNext(0),
      m_endTagLength(0) {
    ForgetRecent();
}

CXmlWriter::CXmlWriterContext::~CXmlWriterContext() {
    ReleaseScope();
    delete[] m_names;
    // Ancestors are freed along the chain rather than recursively, so that a
    // writer dropped deep inside a document cannot exhaust the stack.
    CXmlWriterContext* ancestor = m_parent;
    m_parent = nullptr;
    while (ancestor) {
        CXmlWriterContext* next = ancestor->m_parent;
        ancestor->m_parent = nullptr;
        delete ancestor;
        ancestor = next;
    }
}

void CXmlWriter::CXmlWriterContext::GrowNames(size_t length, size_t keep) {
    if (length > UINT32_MAX) throw std::length_error("CXmlWriterContext: names longer than 4 GiB - 1 characters");
    size_t capacity = std::max<size_t>(std::max<size_t>(length, 2 * static_cast<size_t>(m_namesCapacity)), 64);
    capacity = std::min<size_t>(capacity, UINT32_MAX);
    wchar_t* grown = new wchar_t[capacity];
    if (keep) std::memcpy(grown, m_names, keep * sizeof(wchar_t));
    delete[] m_names;
    m_names = grown;
    m_namesCapacity = static_cast<uint32_t>(capacity);
}

void CXmlWriter::CXmlWriterContext::ReleaseScope() {
    // Only a context with a scope of its own has a map and remembered entries.
    if (m_namespaceMap) {
        ForgetRecent();
        if (m_index) {
            // Scopes close innermost first: this scope's entries are the last
            // of their URIs.
            for (const auto& entry : *m_namespaceMap) {
                auto it = m_index->uris.find(entry.first);
                if (it == m_index->uris.end() || it->second.empty() || it->second.back() != &entry) continue;
                m_index->RemovePrefix(entry.second);
                it->second.pop_back();
                if (!it->second.empty()) m_index->AddPrefix(it->second.back()->second);
            }
        }
        if (m_ownsMap) delete m_namespaceMap;
        m_namespaceMap = nullptr;
    }
    m_ownsMap = false;
    if (m_ownsIndex) delete m_index;
    m_index = nullptr;
    m_ownsIndex = false;
}

void CXmlWriter::CXmlWriterContext::IndexEntry(const NamespaceMap::value_type& entry) {
    if (!m_index) return;
    auto& declarations = m_index->uris[entry.first];
    // Room first, so that the push below cannot fail after the counts changed.
    if (declarations.size() == declarations.capacity())
        declarations.reserve(std::max<size_t>(4, 2 * declarations.capacity()));
    m_index->AddPrefix(entry.second);
    if (!declarations.empty()) m_index->RemovePrefix(declarations.back()->second);
    declarations.push_back(&entry);
}

const CXmlWriter::NamespaceMap& CXmlWriter::CXmlWriterContext::GetEffectiveNamespaces() const {
    // Outermost scope first, so that inner declarations overwrite outer ones.
    std::vector<const NamespaceMap*> maps;
    for (const CXmlWriterContext* c = this; c; c = c->m_parent)
        if (!c->m_inherits && c->m_namespaceMap) maps.push_back(c->m_namespaceMap);
    m_effective.clear();
    for (auto it = maps.rbegin(); it != maps.rend(); ++it)
        for (const auto& entry : **it) m_effective[entry.first] = entry.second;
    return m_effective;
}

void CXmlWriter::CXmlWriterContext::ForgetRecent() {
    for (const NamespaceMap::value_type*& entry : m_recent) entry = nullptr;
    m_recentNext = 0;
}

void CXmlWriter::CXmlWriterContext::Remember(const NamespaceMap::value_type* entry) const {
    m_recent[m_recentNext] = entry;
    m_recentNext = (m_recentNext + 1) % kRecentCount;
}

// Called on the context that owns the scope in effect: the innermost
// declaration of the URI in any open scope.
const CXmlWriter::NamespaceMap::value_type* CXmlWriter::CXmlWriterContext::FindEntryInMap(
    const std::wstring& namespaceURI) const {
    if (!m_index) return nullptr;
    auto it = m_index->uris.find(namespaceURI);
    if (it == m_index->uris.end() || it->second.empty()) return nullptr;
    const NamespaceMap::value_type* entry = it->second.back();
    Remember(entry);
    return entry;
}

void CXmlWriter::CXmlWriterContext::MakeOwnScope() {
    if (!m_inherits) return;
    std::unique_ptr<NamespaceMap> own(new NamespaceMap);
    m_defaultNamespace = m_scope->m_defaultNamespace;
    ForgetRecent();
    m_namespaceMap = own.release();
    m_ownsMap = true;
    m_inherits = false;
    m_scope = this;
}

void CXmlWriter::CXmlWriterContext::AddNamespace(const std::wstring& prefix, const std::wstring& namespaceURI) {
    MakeOwnScope();
    // Entries remembered for lookups may now be hidden by this one.
    ForgetRecent();
    auto found = m_namespaceMap->find(namespaceURI);
    if (found != m_namespaceMap->end()) {
        if (m_index) {
            m_index->AddPrefix(prefix);
            m_index->RemovePrefix(found->second);
        }
        found->second = prefix;
        return;
    }
    auto slot = m_namespaceMap->emplace(namespaceURI, prefix).first;
    try {
        IndexEntry(*slot);
    } catch (...) {
        m_namespaceMap->erase(slot);
        throw;
    }
}

void CXmlWriter::CXmlWriterContext::SetDefaultNamespace(const std::wstring& namespaceURI) {
    MakeOwnScope();
    m_defaultNamespace = namespaceURI;
}

const std::wstring& CXmlWriter::CXmlWriterContext::GeneratePrefix(const std::wstring& namespaceURI) {
    return GenerateEntry(namespaceURI).second;
}

const CXmlWriter::NamespaceMap::value_type& CXmlWriter::CXmlWriterContext::GenerateEntry(
    const std::wstring& namespaceURI) {
    // The first generated prefix no open scope uses.
    std::wstring candidate;
    uint64_t n = m_index ? m_index->firstFree : 0;
    for (;; ++n) {
        candidate = GeneratedPrefix(n);
        if (!m_index || !m_index->InUse(candidate)) break;
    }
    AddNamespace(candidate, namespaceURI);
    if (m_index) m_index->firstFree = n + 1;
    const NamespaceMap::value_type& entry = *m_namespaceMap->find(namespaceURI);
    Remember(&entry);
    return entry;
}

// ---- CXmlWriter ----

CXmlWriter::CXmlWriter() : CInstanceMonitor("CXmlWriter"), m_current(nullptr) {
    m_rootNamespaces[kXmlNamespace] = L"xml";
}

CXmlWriter::~CXmlWriter() {
    delete m_current;
    for (CXmlWriterContext* spare : m_spare) delete spare;
}

CXmlWriter::CXmlWriterContext* CXmlWriter::NewContext() { return new CXmlWriterContext; }

CXmlWriter::CXmlWriterContext* CXmlWriter::OpenNewContext(const std::wstring& localName,
                                                          const std::wstring& namespaceURI, bool copyNamespace) {
    std::unique_ptr<CXmlWriterContext> context;
    if (m_spare.empty()) {
        context.reset(NewContext());
    } else {
        context.reset(m_spare.back());
        m_spare.pop_back();
    }
    CXmlWriterContext* c = context.get();
    c->m_childCount = 0;
    c->m_startTagOpen = true;
    c->SetNames(localName, namespaceURI, copyNamespace);
    if (m_current) {
        c->m_depth = m_current->m_depth + 1;
        c->m_inherits = true;
        c->m_scope = m_current->m_scope;
        c->m_index = m_current->m_index;
    } else {
        c->m_depth = 0;
        c->ForgetRecent();
        c->m_namespaceMap = new NamespaceMap(m_rootNamespaces);
        c->m_ownsMap = true;
        c->m_defaultNamespace = m_defaultNamespace;
        c->m_inherits = false;
        c->m_scope = c;
        c->m_index = new CXmlWriterContext::NamespaceIndex;
        c->m_ownsIndex = true;
        for (const auto& entry : *c->m_namespaceMap) c->IndexEntry(entry);
    }
    c->m_parent = m_current;
    m_current = context.release();
    return m_current;
}

void CXmlWriter::CloseContextFully() {
    CXmlWriterContext* closed = m_current;
    if (!closed) return;
    m_current = closed->m_parent;
    closed->m_parent = nullptr;
    closed->ReleaseScope();
    closed->m_inherits = false;
    closed->m_scope = closed;
    try {
        m_spare.push_back(closed);
    } catch (...) {
        delete closed;
    }
}

void CXmlWriter::StartDocument() {}

void CXmlWriter::EndDocument() {
    if (m_current) throw CNyException(L"An Element has not been closed.");
}

void CXmlWriter::SetDefaultNamespace(const std::wstring& namespaceURI) {
    if (m_current)
        m_current->SetDefaultNamespace(namespaceURI);
    else
        m_defaultNamespace = namespaceURI;
}

void CXmlWriter::AddNamespace(const std::wstring& prefix, const std::wstring& namespaceURI) {
    if (m_current)
        m_current->AddNamespace(prefix, namespaceURI);
    else
        m_rootNamespaces[namespaceURI] = prefix;
}

}  // namespace NyXmlLib9
