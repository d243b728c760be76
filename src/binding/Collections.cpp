#include <nyxml/collections.h>

#include <nyxml/document.h>

#include "document/TreeAccess.h"

#include <algorithm>

namespace NyXmlLib9 {

// ---- CXmlCollectionBase ----

CXmlCollectionBase::CXmlCollectionBase() : m_minOccurs(0), m_maxOccurs(-1) {}

CXmlCollectionBase::CXmlCollectionBase(const wchar_t* elementName, const wchar_t* namespaceUri, int minOccurs,
                                       int maxOccurs)
    : m_namespace(namespaceUri ? namespaceUri : L""), m_minOccurs(minOccurs), m_maxOccurs(maxOccurs) {
    SetElementName(elementName);
}

CXmlCollectionBase::CXmlCollectionBase(const CXmlCollectionBase& other) = default;
CXmlCollectionBase& CXmlCollectionBase::operator=(const CXmlCollectionBase& other) = default;
CXmlCollectionBase::~CXmlCollectionBase() = default;

std::wstring CXmlCollectionBase::GetTargetNamespace() {
    throw CNyException(
        L"CXmlCollectionBase::GetTargetNamespace Should not be used from within a Collection (program logic error)");
}

void CXmlCollectionBase::AddEventListener(IEventSink* listener) { m_listeners.push_back(listener); }

void CXmlCollectionBase::RemoveEventListener(IEventSink* listener) {
    m_listeners.erase(std::remove(m_listeners.begin(), m_listeners.end(), listener), m_listeners.end());
}

void CXmlCollectionBase::Notify(MsgType type, void* data) {
    if (m_listeners.empty()) return;
    // A copy: a listener may add or remove listeners while it is told.
    std::vector<IEventSink*> listeners = m_listeners;
    for (IEventSink* l : listeners) l->OnEvent(this, type, data);
}

void CXmlCollectionBase::FireOnCollectionChange() { Notify(MsgType_Change, nullptr); }
void CXmlCollectionBase::FireOnCollectionAdd(void* item) { Notify(MsgType_Add, item); }
void CXmlCollectionBase::FireOnCollectionAddComplete(void* item) { Notify(MsgType_AddComplete, item); }

void CXmlCollectionBase::FireOnCollectionRemove(int index) {
    int copy = index;
    Notify(MsgType_Remove, index == -1 ? nullptr : &copy);
}

void CXmlCollectionBase::FireOnCollectionRemoveComplete(int index) {
    int copy = index;
    Notify(MsgType_RemoveComplete, index == -1 ? nullptr : &copy);
}

void CXmlCollectionBase::ValidateCount(const CXmlSerializationContext& ctx) const {
    if (ctx.GetIgnoreInvalidCollectionCounts()) return;
    int count = GetCount();
    if (m_maxOccurs != -1 && count > m_maxOccurs)
        throw CNyValidationException(FormatString(L"The Maximum number of [%s] elements allowed in this collection is %d",
                                                  GetElementName().c_str(), m_maxOccurs));
    if (count < m_minOccurs)
        throw CNyValidationException(FormatString(L"The Minimum number of [%s] elements allowed in this collection is %d",
                                                  GetElementName().c_str(), m_minOccurs));
}

bool CXmlCollectionBase::IsValidCount(const CXmlSerializationContext& ctx) const {
    if (ctx.GetIgnoreInvalidCollectionCounts()) return true;
    int count = GetCount();
    if (m_maxOccurs != -1 && count > m_maxOccurs) return false;
    return count >= m_minOccurs;
}

// ---- CXmlCollection ----

CXmlCollection::CXmlCollection() : m_head(nullptr), m_tail(nullptr), m_count(0) {}

CXmlCollection::CXmlCollection(const wchar_t* elementName, const wchar_t* namespaceUri, int minOccurs, int maxOccurs)
    : CXmlCollectionBase(elementName, namespaceUri, minOccurs, maxOccurs), m_head(nullptr), m_tail(nullptr),
      m_count(0) {}

CXmlCollection::CXmlCollection(const CXmlCollection& other)
    : CXmlCollectionBase(other), m_head(nullptr), m_tail(nullptr), m_count(0) {
    CopyItemsFrom(other);
}

CXmlCollection& CXmlCollection::operator=(const CXmlCollection& other) {
    if (this == &other) return *this;
    // Hold the source's items while ours go: they may be the same objects.
    std::vector<CSmartPtr<CXmlObjectBase>> items;
    items.reserve(other.m_count);
    for (const CNode* n = other.m_head; n; n = n->next) items.emplace_back(n->item);
    Clear();
    CXmlCollectionBase::operator=(other);
    for (const auto& item : items) Link(nullptr, item.Get());
    return *this;
}

CXmlCollection::~CXmlCollection() { Clear(); }

void CXmlCollection::CopyItemsFrom(const CXmlCollection& other) {
    for (const CNode* n = other.m_head; n; n = n->next) Link(nullptr, n->item);
}

void CXmlCollection::Link(CNode* before, CXmlObjectBase* item) {
    CNode* node = new CNode{item, before, before ? before->prev : m_tail};
    if (item) item->AddRef();
    if (node->prev)
        node->prev->next = node;
    else
        m_head = node;
    if (before)
        before->prev = node;
    else
        m_tail = node;
    ++m_count;
}

void CXmlCollection::Insert(CNode* before, CXmlObjectBase* item) {
    Link(before, item);
    FireOnCollectionAddComplete(item);
    FireOnCollectionChange();
}

void CXmlCollection::AppendItem(CXmlObjectBase* item) {
    FireOnCollectionAdd(item);
    Insert(nullptr, item);
}

void CXmlCollection::PrependItem(CXmlObjectBase* item) {
    FireOnCollectionAdd(item);
    Insert(m_head, item);
}

void CXmlCollection::AddItemAt(int index, CXmlObjectBase* item) {
    if (index < 0 || index > m_count) throw CNyInvalidParamException(L"Index out of range");
    FireOnCollectionAdd(item);
    Insert(index == m_count ? nullptr : GetNodeAtIndex(index), item);
}

void CXmlCollection::AddAfterItem(const CXmlObjectBase* existing, CXmlObjectBase* item) {
    FireOnCollectionAdd(item);
    if (!existing) {
        Insert(m_head, item);
        return;
    }
    CNode* node = GetNodeForItem(existing);
    if (!node) throw CNyInvalidParamException(L"The object was not found in the collection");
    Insert(node->next, item);
}

void CXmlCollection::AddBeforeItem(const CXmlObjectBase* existing, CXmlObjectBase* item) {
    FireOnCollectionAdd(item);
    if (!existing) {
        Insert(nullptr, item);
        return;
    }
    CNode* node = GetNodeForItem(existing);
    if (!node) throw CNyInvalidParamException(L"The object was not found in the collection");
    Insert(node, item);
}

CXmlCollection::CNode* CXmlCollection::GetNodeAtIndex(int index) const {
    if (index < 0 || index > m_count - 1)
        throw CNyInvalidParamException(FormatString(L"Index %d is out of range, use 0 - %d", index, m_count - 1));
    CNode* node = m_head;
    while (index-- > 0) node = node->next;
    return node;
}

CXmlCollection::CNode* CXmlCollection::GetNodeForItem(const CXmlObjectBase* item) const {
    const CXmlObjectBase* wanted = item ? item->GetBase() : nullptr;
    for (CNode* n = m_head; n; n = n->next)
        if ((n->item ? n->item->GetBase() : nullptr) == wanted) return n;
    return nullptr;
}

void CXmlCollection::RemoveNode(CNode* node) {
    FireOnCollectionRemove(-1);
    if (node->prev)
        node->prev->next = node->next;
    else
        m_head = node->next;
    if (node->next)
        node->next->prev = node->prev;
    else
        m_tail = node->prev;
    --m_count;
    CXmlObjectBase* item = node->item;
    delete node;
    if (item) item->Release();
    FireOnCollectionRemoveComplete(-1);
    FireOnCollectionChange();
}

void CXmlCollection::Remove(int index) { RemoveNode(GetNodeAtIndex(index)); }

void CXmlCollection::Clear() {
    // The items of a large collection lie far apart and are cold by the time
    // it goes: while one is freed, the next one and the node after it are
    // asked for, so that their cache misses overlap with the work.
    while (m_count > 0) {
        if (const CNode* next = m_head->next) {
            if (next->next) __builtin_prefetch(next->next);
            if (next->item) __builtin_prefetch(next->item);
        }
        Remove(0);
    }
}

void CXmlCollection::AttributesToXml_Int(CXmlWriter* writer, const CXmlSerializationContext& ctx) const {
    for (const CNode* n = m_head; n; n = n->next)
        if (n->item) CXmlObjectBase::AttributesToXml_Int(n->item, writer, ctx);
}

// ---- CXmlTypeCollection ----

CXmlTypeCollection::CXmlTypeCollection(ItemType itemType, const wchar_t* elementName, const wchar_t* namespaceUri,
                                       int minOccurs, int maxOccurs, const wchar_t* pattern, int minLength,
                                       int maxLength, const wchar_t* minInclusive, const wchar_t* maxInclusive,
                                       const wchar_t* minExclusive, const wchar_t* maxExclusive, int length,
                                       CWhitespaceUtils::WhitespaceRule whitespace, const wchar_t* format)
    : CXmlCollectionBase(elementName, namespaceUri, minOccurs, maxOccurs),
      m_restrictions(pattern, minLength, maxLength, minInclusive, maxInclusive, minExclusive, maxExclusive, length),
      m_itemType(itemType), m_format(format), m_whitespace(whitespace) {}

CXmlTypeCollection::CXmlTypeCollection(const CXmlTypeCollection& other) = default;
CXmlTypeCollection& CXmlTypeCollection::operator=(const CXmlTypeCollection& other) = default;
CXmlTypeCollection::~CXmlTypeCollection() = default;

CXmlElement* CXmlTypeCollection::FromXml_Int(CXmlElement*, CXmlElement* current, const CXmlSerializationContext& ctx,
                                             bool) {
    const std::wstring& name = ElementName();
    while (current && DoesElementNameMatch(ctx, current, name.c_str(), NamespaceField().c_str())) {
        AddFromString(CXmlTreeAccess::TextInScratch(current));
        current = current->GetNextSiblingElement();
    }
    return current;
}

CXmlElement* XmlFirstChildElement(CXmlElement* element) { return element ? element->GetFirstElement() : nullptr; }

CXmlElement* XmlNextSiblingElement(CXmlElement* element) {
    return element ? element->GetNextSiblingElement() : nullptr;
}

}  // namespace NyXmlLib9
