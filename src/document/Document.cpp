#include <nyxml/document.h>

#include "document/ElementArena.h"
#include "document/ExpatReader.h"
#include "document/NamePool.h"
#include "document/TreeAccess.h"
#include "foundation/TextInternal.h"
#include "fastinfoset/FastInfosetReader.h"
#include "platform/File.h"

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cwchar>
#include <cstring>
#include <memory>
#include <new>

namespace NyXmlLib9 {

namespace {

bool g_asyncFromXmlFile = false;

const wchar_t kXsiNamespace[] = L"http://www.w3.org/2001/XMLSchema-instance";
const wchar_t kXmlnsNamespace[] = L"http://www.w3.org/2000/xmlns/";

bool IsInstanceOrXmlnsNamespace(const std::wstring& ns) {
    // Most attributes have no namespace at all: decided by the length.
    return !ns.empty() && (SameText(ns, kXsiNamespace) || SameText(ns, kXmlnsNamespace));
}

}  // namespace

void AsyncFromXmlFile(bool async) { g_asyncFromXmlFile = async; }

bool GetAsyncFromXmlFile() { return g_asyncFromXmlFile; }

// ---- CXmlAttribute ----

namespace {

const std::wstring* OwnedCopy(const std::wstring& s) {
    if (s.empty()) return &CNamePool::Empty();
    CElementArena::NoteOutsideMemory();
    return new std::wstring(s);
}

// What a tree makes when first asked (a text or value string, an attribute
// list): several threads may read one tree, and the first one stored wins.
template <typename T>
const T& Publish(std::atomic<T*>& slot, T* made) {
    T* expected = nullptr;
    if (slot.compare_exchange_strong(expected, made, std::memory_order_acq_rel)) return *made;
    delete made;
    return *expected;
}

// A text or value kept as units, as a string made at the first call.
const std::wstring& LazyString(std::atomic<std::wstring*>& slot, const wchar_t* units, size_t length) {
    if (std::wstring* made = slot.load(std::memory_order_acquire)) return *made;
    if (length == 0) return CNamePool::Empty();
    CElementArena::NoteOutsideMemory();
    return Publish(slot, new std::wstring(units, length));
}

}  // namespace

CXmlAttribute::CXmlAttribute(const std::wstring& localName, const std::wstring& value,
                             const std::wstring& namespaceURI)
    : m_localName(OwnedCopy(localName)), m_namespaceURI(&CNamePool::Empty()), m_valueData(L""),
      m_valueString(nullptr), m_valueLength(0), m_ownsLocalName(!localName.empty()), m_ownsNamespace(false) {
    try {
        m_namespaceURI = OwnedCopy(namespaceURI);
        m_ownsNamespace = !namespaceURI.empty();
        if (value.size() >= UINT32_MAX) throw std::bad_alloc();
        CElementArena::NoteOutsideMemory();
        std::wstring* own = new std::wstring(value);
        m_valueString.store(own, std::memory_order_relaxed);
        m_valueData = own->c_str();
        m_valueLength = static_cast<uint32_t>(own->size());
    } catch (...) {
        ReleaseNames();
        throw;
    }
}

CXmlAttribute::CXmlAttribute(const std::wstring* localName, bool ownsLocalName, const std::wstring* namespaceURI,
                             bool ownsNamespace, const wchar_t* value, uint32_t valueLength)
    : m_localName(localName), m_namespaceURI(namespaceURI), m_valueData(value), m_valueString(nullptr),
      m_valueLength(valueLength), m_ownsLocalName(ownsLocalName), m_ownsNamespace(ownsNamespace) {}

// A copy owns its names and value: it may outlive the document whose pool
// and memory held them.
CXmlAttribute::CXmlAttribute(const CXmlAttribute& other)
    : CXmlAttribute(*other.m_localName, std::wstring(other.m_valueData, other.m_valueLength),
                    *other.m_namespaceURI) {}

CXmlAttribute& CXmlAttribute::operator=(const CXmlAttribute& other) {
    if (this == &other) return *this;
    CXmlAttribute copy(other);
    ReleaseNames();
    m_localName = copy.m_localName;
    m_namespaceURI = copy.m_namespaceURI;
    m_ownsLocalName = copy.m_ownsLocalName;
    m_ownsNamespace = copy.m_ownsNamespace;
    copy.m_ownsLocalName = copy.m_ownsNamespace = false;
    std::swap(m_valueData, copy.m_valueData);
    std::swap(m_valueLength, copy.m_valueLength);
    std::wstring* mine = m_valueString.load(std::memory_order_relaxed);
    m_valueString.store(copy.m_valueString.load(std::memory_order_relaxed), std::memory_order_relaxed);
    copy.m_valueString.store(mine, std::memory_order_relaxed);
    return *this;
}

const std::wstring& CXmlAttribute::GetValue() const { return LazyString(m_valueString, m_valueData, m_valueLength); }

CXmlAttribute::~CXmlAttribute() {
    ReleaseNames();
    delete m_valueString.load(std::memory_order_relaxed);
}

void CXmlAttribute::ReleaseNames() {
    if (m_ownsLocalName) delete m_localName;
    if (m_ownsNamespace) delete m_namespaceURI;
    m_ownsLocalName = m_ownsNamespace = false;
}

bool CXmlAttribute::IsNamespaceAttribute() const {
    if (!IsInstanceOrXmlnsNamespace(*m_namespaceURI)) return false;
    const std::wstring& n = *m_localName;
    return SameText(n, L"xmlns") || SameText(n, L"type") || SameText(n, L"schemaLocation") ||
           SameText(n, L"noNamespaceSchemaLocation");
}

bool CXmlAttribute::IsNilAttribute() const {
    return IsInstanceOrXmlnsNamespace(*m_namespaceURI) && SameText(*m_localName, L"nil");
}

// ---- CXmlElement ----

CXmlElement::CXmlElement(const CXmlDocument* document)
    : m_document(document), m_nextSibling(nullptr), m_prevSibling(nullptr), m_firstChild(nullptr),
      m_lastChild(nullptr), m_attributeList(nullptr), m_textData(nullptr), m_textLength(0), m_textCapacity(0),
      m_textString(nullptr),
      m_localName(&CNamePool::Empty()), m_namespaceURI(&CNamePool::Empty()),
      m_blockCount(0), m_blockRoom(0), m_ownsLocalName(false), m_ownsNamespace(false), m_textInBlock(false) {}

CXmlElement::~CXmlElement() {
    // The descendants are freed without recursion, so that no depth of
    // nesting can exhaust the stack: before an element is deleted its own
    // children are spliced into the chain still to be freed, in its place.
    CXmlElement* pending = m_firstChild;
    m_firstChild = m_lastChild = nullptr;
    while (pending) {
        CXmlElement* element = pending;
        if (element->m_firstChild) {
            element->m_lastChild->m_nextSibling = element->m_nextSibling;
            pending = element->m_firstChild;
            element->m_firstChild = element->m_lastChild = nullptr;
        } else {
            pending = element->m_nextSibling;
        }
        delete element;
    }
    for (uint32_t i = 0; i < m_blockCount; ++i) AttributeBlock()[i].~CXmlAttribute();
    if (std::vector<CXmlAttribute*>* list = m_attributeList.load(std::memory_order_relaxed)) {
        for (size_t i = m_blockCount; i < list->size(); ++i) delete (*list)[i];
        delete list;
    }
    if (m_ownsLocalName) delete m_localName;
    if (m_ownsNamespace) delete m_namespaceURI;
    ReleaseText();
}

void CXmlElement::AssignName(const std::wstring*& slot, bool& owned, const std::wstring& value) {
    const std::wstring* pooled = nullptr;
    if (m_document && m_document->m_namePool)
        pooled = static_cast<CNamePool*>(m_document->m_namePool)->Intern(value);
    const std::wstring* next = pooled ? pooled : OwnedCopy(value);
    if (owned) delete slot;
    slot = next;
    owned = !pooled && !value.empty();
}

void CXmlElement::SetElementName(const std::wstring& name) { AssignName(m_localName, m_ownsLocalName, name); }

void CXmlElement::SetNamespace(const std::wstring& namespaceURI) {
    AssignName(m_namespaceURI, m_ownsNamespace, namespaceURI);
}

const std::wstring& CXmlElement::GetAttribute(const std::wstring& localName, const std::wstring& namespaceURI) const {
    for (size_t i = 0, n = AttributeCount(); i < n; ++i) {
        const CXmlAttribute* a = AttributeAt(i);
        if (*a->m_localName == localName && *a->m_namespaceURI == namespaceURI) return a->GetValue();
    }
    return CNamePool::Empty();
}

const std::vector<CXmlAttribute*>& CXmlElement::GetAttributes() const {
    if (const std::vector<CXmlAttribute*>* list = m_attributeList.load(std::memory_order_acquire)) return *list;
    if (m_blockCount == 0) {
        static const std::vector<CXmlAttribute*>* const kNone = new std::vector<CXmlAttribute*>();
        return *kNone;
    }
    return MakeAttributeList();
}

const std::vector<CXmlAttribute*>& CXmlElement::MakeAttributeList() const {
    CElementArena::NoteOutsideMemory();
    auto* made = new std::vector<CXmlAttribute*>(m_blockCount);
    for (uint32_t i = 0; i < m_blockCount; ++i) (*made)[i] = AttributeBlock() + i;
    return Publish(m_attributeList, made);
}

void* CXmlElement::operator new(size_t size) { return CElementArena::AllocateUnowned(size); }

void CXmlElement::operator delete(void* p) { CElementArena::Free(p); }

void* CXmlElement::operator new(size_t size, AttributeRoom room) {
    size_t bytes = size + room.bytes;
    if (bytes < size) throw std::bad_alloc();
    if (!room.arena) return CElementArena::AllocateUnowned(bytes);
    return static_cast<CElementArena*>(room.arena)->Allocate(bytes);
}

void CXmlElement::operator delete(void* p, AttributeRoom) { CElementArena::Free(p); }

CXmlElement* CXmlElement::NewElement(const CXmlDocument* document, size_t attributes, size_t valueUnits,
                                     size_t textUnits) {
    void* arena = document ? document->m_elementArena : nullptr;
    // The element, its attributes, their values and its first text are read
    // together: one block. Very many attributes are made one by one instead.
    if (attributes > UINT16_MAX || valueUnits > (SIZE_MAX / 2) / sizeof(wchar_t)) attributes = valueUnits = 0;
    if (attributes == 0) valueUnits = 0;
    if (textUnits >= UINT32_MAX) textUnits = 0;
    static_assert(sizeof(CXmlElement) % alignof(CXmlAttribute) == 0, "attributes follow the element aligned");
    static_assert(sizeof(CXmlAttribute) % alignof(wchar_t) == 0, "values follow the attributes aligned");
#if defined(__GLIBCXX__) && __SIZEOF_POINTER__ == 8
    // With its 8-byte arena header an element takes 112 bytes.
    static_assert(sizeof(CXmlElement) == 104, "an element and its header take less than two cache lines");
#endif
    size_t room = attributes * sizeof(CXmlAttribute) + valueUnits * sizeof(wchar_t);
    if (textUnits) room += (textUnits + 1) * sizeof(wchar_t);
    CXmlElement* element = new (AttributeRoom{room, arena}) CXmlElement(document);
    element->m_blockRoom = static_cast<uint16_t>(attributes);
    if (textUnits) {
        element->m_textData = element->ValueRoom() + valueUnits;
        element->m_textCapacity = static_cast<uint32_t>(textUnits);
        element->m_textInBlock = true;
    }
    return element;
}

CXmlElement* CXmlElement::CreateNewChildElement() { return CreateNewChildElement(0); }

CXmlElement* CXmlElement::CreateNewChildElement(size_t attributes, size_t valueUnits, size_t textUnits) {
    CXmlElement* child = NewElement(m_document, attributes, valueUnits, textUnits);
    if (m_lastChild) {
        m_lastChild->m_nextSibling = child;
        child->m_prevSibling = m_lastChild;
    } else {
        m_firstChild = child;
    }
    m_lastChild = child;
    return child;
}

CXmlAttribute* CXmlElement::ReserveAttributeBlock(size_t count) {
    // Only a fresh element made with room for these attributes.
    if (m_blockCount != 0 || m_attributeList.load(std::memory_order_relaxed) || count == 0 || count > m_blockRoom)
        return nullptr;
    return AttributeBlock();
}

void CXmlElement::AddAttribute(const std::wstring& localName, const std::wstring& value,
                               const std::wstring& namespaceURI) {
    // Building a tree is writing it: no thread reads the list meanwhile.
    std::vector<CXmlAttribute*>* list = m_attributeList.load(std::memory_order_relaxed);
    if (!list) list = const_cast<std::vector<CXmlAttribute*>*>(&MakeAttributeList());
    // Room first (growing geometrically: an element may have very many
    // attributes), so that the push cannot fail once the attribute exists.
    if (list->size() == list->capacity()) list->reserve(std::max<size_t>(8, 2 * list->capacity()));
    list->push_back(new CXmlAttribute(localName, value, namespaceURI));
}

// Texts live in blocks of the document's memory, next to the elements read
// with them, rather than in strings of their own: a tree then costs one
// allocation per element instead of two, and goes with its blocks.
wchar_t* CXmlElement::NewTextBlock(size_t units) const {
    size_t bytes = (units + 1) * sizeof(wchar_t);
    return static_cast<wchar_t*>(m_document ? static_cast<CElementArena*>(m_document->m_elementArena)->Allocate(bytes)
                                            : CElementArena::AllocateUnowned(bytes));
}

const std::wstring& CXmlElement::GetText() const { return LazyString(m_textString, m_textData, m_textLength); }

wchar_t* CXmlElement::ReserveText(size_t extra) {
    size_t needed = size_t(m_textLength) + extra;
    if (needed > m_textCapacity) {
        if (needed >= UINT32_MAX) throw std::bad_alloc();
        size_t grown = m_textLength == 0 ? needed : std::max(2 * size_t(m_textCapacity), needed);
        if (grown >= UINT32_MAX) grown = needed;
        wchar_t* block = NewTextBlock(grown);
        if (m_textLength) std::memcpy(block, m_textData, m_textLength * sizeof(wchar_t));
        if (!m_textInBlock) CElementArena::Free(m_textData);
        m_textInBlock = false;
        m_textData = block;
        m_textCapacity = static_cast<uint32_t>(grown);
    }
    return m_textData + m_textLength;
}

void CXmlElement::CommitText(size_t written) {
    if (written == 0) return;
    m_textLength += static_cast<uint32_t>(written);
    m_textData[m_textLength] = L'\0';
    DropTextString();
}

void CXmlElement::AppendTextUnits(const wchar_t* text, size_t length) {
    if (length == 0) return;
    // memcpy rather than wmemcpy, which glibc only forwards to it.
    std::memcpy(ReserveText(length), text, length * sizeof(wchar_t));
    CommitText(length);
}

void CXmlElement::TrimText() {
    // Room in the element's own block goes with the element: nothing to give back.
    if (m_textInBlock || m_textCapacity - m_textLength <= m_textLength / 8 + 4) return;
    if (m_textLength == 0) {
        ReleaseText();
        return;
    }
    wchar_t* block = NewTextBlock(m_textLength);
    std::memcpy(block, m_textData, (size_t(m_textLength) + 1) * sizeof(wchar_t));
    CElementArena::Free(m_textData);
    m_textData = block;
    m_textCapacity = m_textLength;
}

void CXmlElement::ReleaseText() {
    if (!m_textInBlock) CElementArena::Free(m_textData);
    m_textInBlock = false;
    m_textData = nullptr;
    m_textLength = m_textCapacity = 0;
    DropTextString();
}

// Changing a text is writing the element: no thread reads it meanwhile, so
// a plain load tells whether there is a string to drop.
void CXmlElement::DropTextString() {
    if (m_textString.load(std::memory_order_relaxed)) delete m_textString.exchange(nullptr, std::memory_order_acq_rel);
}

const std::wstring& CXmlTreeAccess::TextInScratch(const CXmlElement* e) {
    if (std::wstring* made = e->m_textString.load(std::memory_order_acquire)) return *made;
    // A rare long text does not leave its room behind in the thread.
    const size_t kKept = 4096;
    thread_local std::wstring scratch;
    if (scratch.capacity() > kKept && e->m_textLength <= kKept) std::wstring().swap(scratch);
    scratch.assign(TextData(e), e->m_textLength);
    return scratch;
}

const std::wstring& CXmlTreeAccess::ValueInScratch(const CXmlAttribute* a) {
    if (std::wstring* made = a->m_valueString.load(std::memory_order_acquire)) return *made;
    const size_t kKept = 4096;
    thread_local std::wstring scratch;
    if (scratch.capacity() > kKept && a->m_valueLength <= kKept) std::wstring().swap(scratch);
    scratch.assign(a->m_valueData, a->m_valueLength);
    return scratch;
}

void CXmlElement::AppendText(const wchar_t* text) {
    if (text) AppendText(text, static_cast<int>(std::wcslen(text)));
}

void CXmlElement::AppendText(const wchar_t* text, int length) {
    if (!text || length <= 0) return;
    AppendTextUnits(text, static_cast<size_t>(length));
}

CXmlElement* CXmlElement::RemoveLastChildElement() {
    CXmlElement* last = m_lastChild;
    if (!last) return nullptr;
    // Out of its tree, the element outlives it.
    CElementArena::NoteOutsideMemory();
    m_lastChild = last->m_prevSibling;
    if (m_lastChild)
        m_lastChild->m_nextSibling = nullptr;
    else
        m_firstChild = nullptr;
    last->m_prevSibling = nullptr;
    last->m_nextSibling = nullptr;
    return last;
}

// ---- CXmlDocument ----

CXmlDocument::CXmlDocument() : CXmlDocument(nullptr, CXmlSerializationContext::GetDefaultContext()) {}

CXmlDocument::CXmlDocument(const CXmlSerializationContext& context) : CXmlDocument(nullptr, context) {}

CXmlDocument::CXmlDocument(ElementCallback callback)
    : CXmlDocument(callback, CXmlSerializationContext::GetDefaultContext()) {}

CXmlDocument::CXmlDocument(ElementCallback callback, const CXmlSerializationContext& context)
    : m_asyncIo(nullptr), m_filePosition(0), m_fileHandle(-1), m_documentElement(nullptr), m_input(nullptr),
      m_inputLength(0), m_schemaType(context.GetSchemaType()), m_callback(callback), m_context(&context),
      m_namePool(new CNamePool), m_elementArena(nullptr) {
    try {
        m_elementArena = CElementArena::Create();
    } catch (...) {
        delete static_cast<CNamePool*>(m_namePool);
        throw;
    }
}

CXmlDocument::~CXmlDocument() {
    CXmlDocument::Cleanup();
    delete static_cast<CNamePool*>(m_namePool);
    static_cast<CElementArena*>(m_elementArena)->ReleaseOwner();
}

void CXmlDocument::Cleanup() {
    CElementArena* arena = static_cast<CElementArena*>(m_elementArena);
    // A tree that holds nothing outside the arena, with nothing of the arena
    // outside the tree, goes with the arena: no element need be visited.
    if (m_documentElement && arena->HoldsItsTreeAlone())
        arena->ForgetAll();
    else
        delete m_documentElement;
    m_documentElement = nullptr;
    m_openElements.clear();
    m_namespaceAliases.clear();
    static_cast<CNamePool*>(m_namePool)->Clear();
    ReleaseInput();
    arena->StartTree();
}

void CXmlDocument::ReleaseInput() {
    std::free(m_input);
    m_input = nullptr;
    m_inputLength = 0;
}

std::wstring CXmlDocument::LookupNamespaceFromAlias(const wchar_t* prefix) const {
    auto it = m_namespaceAliases.find(prefix ? prefix : L"");
    return it == m_namespaceAliases.end() ? std::wstring() : it->second;
}

void CXmlDocument::SetNamespaceAlias(const std::wstring& prefix, const std::wstring& namespaceURI) {
    m_namespaceAliases[prefix] = namespaceURI;
}

CXmlElement* CXmlDocument::AddDocElement(const wchar_t* namespaceURI, const wchar_t* localName) {
    return OpenElement(namespaceURI ? namespaceURI : L"", localName ? localName : L"");
}

CXmlElement* CXmlDocument::AddChildElement(const wchar_t* namespaceURI, const wchar_t* localName) {
    return OpenElement(namespaceURI ? namespaceURI : L"", localName ? localName : L"");
}

CXmlElement* CXmlDocument::OpenElement(const std::wstring& namespaceURI, const std::wstring& localName) {
    CXmlElement* element = OpenElement();
    element->SetNamespace(namespaceURI);
    element->SetElementName(localName);
    return element;
}

CXmlElement* CXmlDocument::OpenElement(size_t attributes, size_t valueUnits, size_t textUnits) {
    if (m_openElements.size() == m_openElements.capacity()) m_openElements.reserve(m_openElements.size() * 2 + 16);
    CXmlElement* element;
    if (!m_documentElement) {
        element = CXmlElement::NewElement(this, attributes, valueUnits, textUnits);
        m_documentElement = element;
    } else {
        CXmlElement* parent = TopElement();
        // A second top-level element never reaches here: the text reader
        // rejects it. Other callers append to the document element.
        element = (parent ? parent : m_documentElement)->CreateNewChildElement(attributes, valueUnits, textUnits);
    }
    m_openElements.push_back(element);
    return element;
}

void CXmlDocument::EndElement() {
    if (m_openElements.empty()) return;
    CXmlElement* element = m_openElements.back();
    m_openElements.pop_back();
    if (!m_callback) return;
    bool discard = m_callback(element);
    if (discard && element != m_documentElement && !m_openElements.empty()) {
        CXmlElement* parent = m_openElements.back();
        if (parent->m_lastChild == element) delete parent->RemoveLastChildElement();
    }
}

void CXmlDocument::AddElementAttribute(CXmlElement* element, const std::wstring& localName,
                                       const std::wstring& value, const std::wstring& namespaceURI) {
    element->AddAttribute(localName, value, namespaceURI);
}

void CXmlDocument::AppendTextExcludingCR(CXmlElement* element, const wchar_t* text, uint32_t length) {
    if (!element || !text || length == 0) return;
    const wchar_t* end = text;
    while (static_cast<uint32_t>(end - text) < length && *end) ++end;
    wchar_t* out = element->ReserveText(static_cast<size_t>(end - text));
    size_t n = 0;
    for (const wchar_t* p = text; p < end; ++p) {
        out[n] = *p;
        n += *p != L'\r';
    }
    element->CommitText(n);
}

void CXmlDocument::AppendTextExcludingCR(CXmlElement* element, const wchar_t* text) {
    AppendTextExcludingCR(element, text, UINT32_MAX);
}

void CXmlDocument::LoadXml(const wchar_t* text) {
    Cleanup();
    size_t length = text ? std::wcslen(text) : 0;
    // Units above U+FFFF become surrogate pairs, so count them twice.
    size_t units = length;
    for (size_t i = 0; i < length; ++i)
        if (static_cast<uint32_t>(text[i]) > 0xFFFF && static_cast<uint32_t>(text[i]) <= 0x10FFFF) ++units;
    uint64_t size = (static_cast<uint64_t>(units) + 1) * 2;
    if (static_cast<uint32_t>(size) == 0 || size > UINT32_MAX) throw CNyException(L"XML String is empty!");
    m_input = static_cast<unsigned char*>(std::malloc(size));
    if (!m_input) throw std::bad_alloc();
    unsigned char* out = m_input;
    *out++ = 0xFF;
    *out++ = 0xFE;
    auto put = [&out](uint32_t unit) {
        *out++ = static_cast<unsigned char>(unit);
        *out++ = static_cast<unsigned char>(unit >> 8);
    };
    for (size_t i = 0; i < length; ++i) {
        uint32_t c = static_cast<uint32_t>(text[i]);
        if (c <= 0xFFFF) {
            put(c);
        } else if (c <= 0x10FFFF) {
            put(0xD800 + ((c - 0x10000) >> 10));
            put(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            put(0xFFFD);
        }
    }
    m_inputLength = static_cast<uint32_t>(out - m_input);
    ParseText(m_input, m_inputLength);
}

void CXmlDocument::LoadXml(const char* text) {
    Cleanup();
    size_t length = text ? std::strlen(text) : 0;
    if (length == 0 || length > UINT32_MAX) throw CNyException(L"XML String is empty!");
    ParseText(reinterpret_cast<const unsigned char*>(text), static_cast<uint32_t>(length));
}

void CXmlDocument::LoadXmlStream(unsigned char* const bytes, uint32_t length) {
    Cleanup();
    if (length == 0 || !bytes) throw CNyException(L"XML Stream is empty!");
    m_input = static_cast<unsigned char*>(std::malloc(length));
    if (!m_input) throw std::bad_alloc();
    std::memcpy(m_input, bytes, length);
    m_inputLength = length;
    Parse(m_input, m_inputLength);
}

// The tree keeps copies of all it needs, so the document's own buffer goes as
// soon as the reader is done with it rather than at the next load.
void CXmlDocument::ParseText(const unsigned char* bytes, uint32_t length) {
    try {
        CExpatReader reader(this);
        reader.Initialise();
        reader.ParseBytes(bytes, length, true);
    } catch (...) {
        ReleaseInput();
        throw;
    }
    ReleaseInput();
}

namespace {

// Whether the bytes start as zlib would accept a gzip or zlib stream: the
// gzip magic, or a zlib header (deflate, a window of at most 32 KiB, a check
// that divides by 31). Other input (XML text, Fast Infoset) fails there, so
// it is told apart without setting up an inflater.
bool StartsLikeACompressedStream(const unsigned char* bytes, uint32_t length) {
    if (length < 2) return false;
    if (bytes[0] == 0x1F && bytes[1] == 0x8B) return true;
    return (bytes[0] & 0x0F) == 8 && (bytes[0] >> 4) <= 7 && ((bytes[0] << 8) | bytes[1]) % 31 == 0;
}

}  // namespace

// Makes the inflated form of the bytes the document's buffer when they are a
// complete zlib or gzip stream; leaves everything untouched otherwise.
bool CXmlDocument::Inflate(const unsigned char* bytes, uint32_t length) {
    if (!StartsLikeACompressedStream(bytes, length)) return false;
    const size_t kPiece = 65536;
    z_stream zs;
    std::memset(&zs, 0, sizeof zs);
    if (inflateInit2(&zs, 15 + 32) != Z_OK) return false;
    size_t capacity = std::max<size_t>(2 * kPiece, 8192);
    unsigned char* out = static_cast<unsigned char*>(std::malloc(capacity));
    if (!out) {
        inflateEnd(&zs);
        throw std::bad_alloc();
    }
    size_t produced = 0;
    zs.next_in = const_cast<unsigned char*>(bytes);
    zs.avail_in = length;
    int status;
    do {
        if (capacity - produced < kPiece) {
            size_t grown = capacity * 2;
            unsigned char* bigger = static_cast<unsigned char*>(std::realloc(out, grown));
            if (!bigger) {
                std::free(out);
                inflateEnd(&zs);
                throw std::bad_alloc();
            }
            out = bigger;
            capacity = grown;
        }
        zs.next_out = out + produced;
        zs.avail_out = static_cast<uInt>(kPiece);
        status = inflate(&zs, Z_NO_FLUSH);
        produced += kPiece - zs.avail_out;
        // Past 4 GiB the document cannot be parsed: stop inflating at once.
    } while (status == Z_OK && produced <= UINT32_MAX);
    inflateEnd(&zs);
    if (status != Z_STREAM_END || produced > UINT32_MAX) {
        std::free(out);
        return false;
    }
    std::free(m_input);
    m_input = out;
    m_inputLength = static_cast<uint32_t>(produced);
    return true;
}

void CXmlDocument::Parse(const unsigned char* bytes, uint32_t length) {
    bool fastInfoset;
    try {
        if (Inflate(bytes, length)) {
            bytes = m_input;
            length = m_inputLength;
        }
        fastInfoset = ReadFastInfosetDocument(this, bytes, length, m_context->GetFIContext());
    } catch (...) {
        ReleaseInput();
        throw;
    }
    if (fastInfoset)
        ReleaseInput();
    else
        ParseText(bytes, length);
}

void CXmlDocument::Load(const wchar_t* fileName) {
    Cleanup();
    if (g_asyncFromXmlFile)
        AsyncLoad(fileName);
    else
        SyncLoad(fileName);
}

void CXmlDocument::SyncLoad(const wchar_t* fileName) {
    const wchar_t* name = fileName ? fileName : L"";
    Platform::File file;
    if (!file.OpenRead(name))
        throw CNyException(FormatString(L"Failed to open the file [%s] Error [0x%08x]", name, file.Error()));
    uint64_t size = 0;
    if (!file.Size(size))
        throw CNyException(FormatString(L"Failed to get the size of the file [%s] Error [0x%08x]", name, file.Error()));
    if (size > UINT32_MAX)
        throw CNyException(FormatString(L"Failed to get the size of the file [%s] Error [0x%08x]", name, EFBIG));
    m_input = static_cast<unsigned char*>(std::malloc(size ? size : 1));
    if (!m_input) throw std::bad_alloc();
    size_t got = 0;
    if (!file.Read(m_input, static_cast<size_t>(size), got) || got != size) {
        uint32_t error = file.Error();
        ReleaseInput();
        throw CNyException(
            FormatString(L"Failed to read the contents of the file [%s] Error [0x%08x]", name, error));
    }
    m_inputLength = static_cast<uint32_t>(size);
    file.Close();
    Parse(m_input, m_inputLength);
}

void CXmlDocument::AsyncLoad(const wchar_t* fileName) {
    const wchar_t* name = fileName ? fileName : L"";
    Platform::File file;
    if (!file.OpenRead(name))
        throw CNyException(FormatString(L"Failed to open the file [%s] Error [0x%08x]", name, file.Error()));
    Platform::AsyncIo io(file.Descriptor());
    m_fileName = name;
    m_fileHandle = file.Descriptor();
    m_asyncIo = &io;
    m_filePosition = 0;
    struct Reset {
        CXmlDocument* d;
        ~Reset() {
            d->m_asyncIo = nullptr;
            d->m_fileHandle = -1;
            d->m_fileName.clear();
        }
    } reset{this};

    m_input = static_cast<unsigned char*>(std::malloc(kChunkSize));
    if (!m_input) throw std::bad_alloc();
    bool atEnd = ReadChunkFromFile(m_input);
    size_t got = 0;
    // Only a real end of file (nothing to read) fails here; a read that fails
    // otherwise counts as zero bytes, and the parser reports the empty input.
    bool failed = !atEnd && !io.Wait(got);
    if (failed) got = 0;
    if (atEnd || (got == 0 && !failed)) {
        ReleaseInput();
        throw CNyException(FormatString(L"Failed to read the contents of the file [%s] Error [0x%08x]", name,
                                        Platform::kErrorHandleEof));
    }
    m_filePosition += got;
    m_inputLength = static_cast<uint32_t>(got);
    AsyncParse(got < kChunkSize);
}

bool CXmlDocument::ReadChunkFromFile(unsigned char* buffer) {
    Platform::AsyncIo* io = static_cast<Platform::AsyncIo*>(m_asyncIo);
    if (!io->StartRead(buffer, kChunkSize, m_filePosition))
        throw CNyException(FormatString(L"Failed to read the contents of the file. Error [0x%08x]", io->Error()));
    return false;
}

void CXmlDocument::AsyncParse(bool last) {
    Platform::AsyncIo* io = static_cast<Platform::AsyncIo*>(m_asyncIo);
    unsigned char* spare = nullptr;
    try {
        CExpatReader reader(this);
        reader.Initialise();
        spare = static_cast<unsigned char*>(std::malloc(kChunkSize));
        if (!spare) throw std::bad_alloc();
        for (;;) {
            if (last) {
                reader.Parse(true);
                if (!m_documentElement) throw CNyException(L"Invalid or empty XML document");
                std::free(spare);
                ReleaseInput();
                return;
            }
            bool atEnd = ReadChunkFromFile(spare);
            reader.Parse(false);
            size_t got = 0;
            if (!atEnd && !io->Wait(got)) got = 0;
            std::swap(m_input, spare);
            m_filePosition += got;
            m_inputLength = static_cast<uint32_t>(got);
            last = got < kChunkSize;
        }
    } catch (const CNyException& e) {
        CNyException copy(e);
        // Wait for a read still in flight before its buffer goes.
        size_t ignored;
        if (io->InFlight()) io->Wait(ignored);
        Cleanup();
        std::free(spare);
        throw copy;
    } catch (...) {
        size_t ignored;
        if (io->InFlight()) io->Wait(ignored);
        Cleanup();
        std::free(spare);
        throw;
    }
}

void CXmlDocument::ReleaseKeptMemory() { CElementArena::ReleaseKeptSlabs(); }

}  // namespace NyXmlLib9
