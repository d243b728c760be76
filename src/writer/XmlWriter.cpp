// CXmlWriter: open elements and their namespace scopes. A child shares its
// parent's scope until it changes it, and then copies it (copy on write).
#include <nyxml/writer.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace NyXmlLib9 {

const wchar_t* const CXmlWriter::kXmlNamespace = L"http://www.w3.org/XML/1998/namespace";
const wchar_t* const CXmlWriter::kXsiNamespace = L"http://www.w3.org/2001/XMLSchema-instance";

// ---- CXmlWriterContext ----

CXmlWriter::CXmlWriterContext::CXmlWriterContext()
    : CInstanceMonitor("CXmlWriterContext"), m_childCount(0), m_startTagOpen(false), m_depth(0), m_names(nullptr),
      m_namesCapacity(0), m_localLength(0), m_namespaceLength(0), m_prefixLength(0), m_made(0),
      m_namespaceKey(nullptr), m_parent(nullptr),
      m_namespaceMap(nullptr), m_inherits(false), m_ownsMap(false), m_scope(this), m_recentNext(0),
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
        if (m_ownsMap) delete m_namespaceMap;
        m_namespaceMap = nullptr;
    }
    m_ownsMap = false;
}

void CXmlWriter::CXmlWriterContext::ForgetRecent() {
    for (const NamespaceMap::value_type*& entry : m_recent) entry = nullptr;
    m_recentNext = 0;
}

void CXmlWriter::CXmlWriterContext::Remember(const NamespaceMap::value_type* entry) const {
    m_recent[m_recentNext] = entry;
    m_recentNext = (m_recentNext + 1) % kRecentCount;
}

// Called on the context that owns the map in effect.
const CXmlWriter::NamespaceMap::value_type* CXmlWriter::CXmlWriterContext::FindEntryInMap(
    const std::wstring& namespaceURI) const {
    if (!m_namespaceMap) return nullptr;
    auto it = m_namespaceMap->find(namespaceURI);
    if (it == m_namespaceMap->end()) return nullptr;
    Remember(&*it);
    return &*it;
}

void CXmlWriter::CXmlWriterContext::MakeOwnScope() {
    if (!m_inherits) return;
    std::unique_ptr<NamespaceMap> copy(new NamespaceMap(*m_scope->m_namespaceMap));
    m_defaultNamespace = m_scope->m_defaultNamespace;
    ForgetRecent();
    m_namespaceMap = copy.release();
    m_ownsMap = true;
    m_inherits = false;
    m_scope = this;
}

void CXmlWriter::CXmlWriterContext::AddNamespace(const std::wstring& prefix, const std::wstring& namespaceURI) {
    MakeOwnScope();
    (*m_namespaceMap)[namespaceURI] = prefix;
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
    const NamespaceMap& map = GetEffectiveNamespaces();
    std::wstring candidate(2, L'A');
    for (uint32_t i = 0;; ++i) {
        candidate[0] = static_cast<wchar_t>(L'A' + i / 26);
        candidate[1] = static_cast<wchar_t>(L'A' + i % 26);
        bool taken = false;
        for (const auto& entry : map) {
            if (entry.second == candidate) {
                taken = true;
                break;
            }
        }
        if (!taken) break;
    }
    MakeOwnScope();
    auto slot = m_namespaceMap->emplace(namespaceURI, std::wstring()).first;
    slot->second = candidate;
    Remember(&*slot);
    return *slot;
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
    } else {
        c->m_depth = 0;
        c->ForgetRecent();
        c->m_namespaceMap = new NamespaceMap(m_rootNamespaces);
        c->m_ownsMap = true;
        c->m_defaultNamespace = m_defaultNamespace;
        c->m_inherits = false;
        c->m_scope = c;
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
