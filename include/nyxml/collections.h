// Collections of bindable objects with occurrence bounds and change events.
#ifndef NYXML_COLLECTIONS_H
#define NYXML_COLLECTIONS_H

#include <nyxml/export.h>
#include <nyxml/facets.h>
#include <nyxml/objectbase.h>

#include <string>
#include <vector>

namespace NyXmlLib9 {

class NYXML_API CXmlCollectionBase : public CXmlObjectBase {
public:
    ~CXmlCollectionBase() override;

    CXmlObjectBase* GetBase() override { return this; }
    std::wstring GetNamespace() override { return m_namespace; }
    int32_t GetMinOccurs() const { return m_minOccurs; }
    int32_t GetMaxOccurs() const { return m_maxOccurs; }

    // Listeners are not owned; the same one may be added more than once.
    void AddEventListener(IEventSink* listener);
    // Removes every occurrence of the listener.
    void RemoveEventListener(IEventSink* listener);

    virtual int GetCount() const = 0;
    virtual void Clear() = 0;
    virtual void Remove(int index) = 0;
    // Throws CNyValidationException when the count breaks the bounds (unless
    // the context ignores collection counts).
    virtual void ValidateCount(const CXmlSerializationContext& ctx) const;
    virtual bool IsValidCount(const CXmlSerializationContext& ctx) const;

protected:
    CXmlCollectionBase();
    CXmlCollectionBase(const wchar_t* elementName, const wchar_t* namespaceUri, int minOccurs, int maxOccurs);
    CXmlCollectionBase(const CXmlCollectionBase& other);
    CXmlCollectionBase& operator=(const CXmlCollectionBase& other);

    std::wstring GetTargetNamespace() override;

    void FireOnCollectionChange();
    void FireOnCollectionAdd(void* item);
    void FireOnCollectionAddComplete(void* item);
    void FireOnCollectionRemove(int index);
    void FireOnCollectionRemoveComplete(int index);

public:
    const std::wstring& NamespaceField() const { return m_namespace; }

protected:
    void SetNamespaceField(const std::wstring& ns) { m_namespace = ns; }

private:
    void Notify(MsgType type, void* data);

    CSharedText m_namespace;
    std::vector<IEventSink*> m_listeners;
    int32_t m_minOccurs;
    int32_t m_maxOccurs;
};

// Walks the items of a collection in order.
template <class T>
class CNyIterator {
public:
    typedef T* value_type;
    explicit CNyIterator(const void* node = nullptr) : m_node(node) {}
    T* operator*() const;
    CNyIterator& operator++();
    bool operator==(const CNyIterator& other) const { return m_node == other.m_node; }
    bool operator!=(const CNyIterator& other) const { return m_node != other.m_node; }

private:
    const void* m_node;
};

// Ordered, reference-counted container of bindable objects: every node holds
// one reference to its item.
class NYXML_API CXmlCollection : public CXmlCollectionBase {
public:
    struct CNode {
        CXmlObjectBase* item;
        CNode* next;
        CNode* prev;
    };

    ~CXmlCollection() override;

    int GetCount() const override { return m_count; }
    void Clear() override;
    void Remove(int index) override;

    const CNode* GetHead() const { return m_head; }

protected:
    CXmlCollection();
    CXmlCollection(const wchar_t* elementName, const wchar_t* namespaceUri, int minOccurs, int maxOccurs);
    // Copies the base fields and takes new references to the same items.
    CXmlCollection(const CXmlCollection& other);
    CXmlCollection& operator=(const CXmlCollection& other);

    void AppendItem(CXmlObjectBase* item);
    void PrependItem(CXmlObjectBase* item);
    void AddItemAt(int index, CXmlObjectBase* item);
    void AddAfterItem(const CXmlObjectBase* existing, CXmlObjectBase* item);
    void AddBeforeItem(const CXmlObjectBase* existing, CXmlObjectBase* item);

    CNode* GetNodeAtIndex(int index) const;
    CNode* GetNodeForItem(const CXmlObjectBase* item) const;
    void RemoveNode(CNode* node);
    CXmlObjectBase* GetItemAt(int index) const { return GetNodeAtIndex(index)->item; }
    // Asks for the memory an item and what was made right after it (its own
    // objects and strings, when it was read from a document) start in.
    static void PrefetchItem(const CXmlObjectBase* item) {
        const char* at = reinterpret_cast<const char*>(item);
        for (int line = 0; line < kPrefetchLines; ++line) __builtin_prefetch(at + 64 * line);
    }

    void AttributesToXml_Int(CXmlWriter* writer, const CXmlSerializationContext& ctx) const override;

private:
    static const int kPrefetchLines = 32;
    // Links a new node before `before` (null: at the end), with the add events.
    void Insert(CNode* before, CXmlObjectBase* item);
    void Link(CNode* before, CXmlObjectBase* item);
    void CopyItemsFrom(const CXmlCollection& other);

    CNode* m_head;
    CNode* m_tail;
    int32_t m_count;
};

// Base of the collections of primitive values: the facets, item type, number
// format and whitespace rule of the items, and the reading of a run of elements.
class NYXML_API CXmlTypeCollection : public CXmlCollectionBase {
public:
    ~CXmlTypeCollection() override;

    // Parses one item from text and appends it.
    virtual void AddFromString(std::wstring text) = 0;

    const CPrimitiveRestrictions& GetRestrictions() const { return m_restrictions; }
    ItemType GetItemType() const { return m_itemType; }
    const wchar_t* GetFormat() const { return m_format; }
    CWhitespaceUtils::WhitespaceRule GetWhitespace() const { return m_whitespace; }

protected:
    CXmlTypeCollection(ItemType itemType, const wchar_t* elementName, const wchar_t* namespaceUri, int minOccurs,
                       int maxOccurs, const wchar_t* pattern, int minLength, int maxLength, const wchar_t* minInclusive,
                       const wchar_t* maxInclusive, const wchar_t* minExclusive, const wchar_t* maxExclusive,
                       int length, CWhitespaceUtils::WhitespaceRule whitespace, const wchar_t* format);
    CXmlTypeCollection(const CXmlTypeCollection& other);
    CXmlTypeCollection& operator=(const CXmlTypeCollection& other);

    // Passes the text of each element of the run that carries the collection's
    // name to AddFromString; returns the first element that does not.
    CXmlElement* FromXml_Int(CXmlElement* element, CXmlElement* firstChild, const CXmlSerializationContext& ctx,
                             bool flag) override;

private:
    CPrimitiveRestrictions m_restrictions;
    ItemType m_itemType;
    const wchar_t* m_format;
    CWhitespaceUtils::WhitespaceRule m_whitespace;
};

// Base of generated collections of one class: reads the run of elements that
// carry the collection's name into new items and writes each item as such an
// element. Generated code passes the function that creates an empty item.
template <class T>
class CXmlTypedObjectCollection : public CXmlCollection {
public:
    typedef CNyIterator<T> iterator;
    typedef CSmartPtr<CXmlObjectBase> (*CreateFunction)(int classId, const wchar_t* elementName);

    iterator begin() const { return iterator(GetHead()); }
    iterator end() const { return iterator(nullptr); }

    // Appends a new item named after the collection's element.
    CSmartPtr<T> Add() {
        CSmartPtr<CXmlObjectBase> item = m_create(m_classId, ElementName().c_str());
        SetElementName(item, ElementName().c_str());
        AppendItem(item);
        return CSmartPtr<T>(static_cast<T*>(item.Get()));
    }
    void Add(T* item) {
        CSmartPtr<T> held(item);
        AppendItem(item);
    }
    CSmartPtr<T> Item(int index) const { return CSmartPtr<T>(static_cast<T*>(GetItemAt(index))); }
    void Insert(int index, T* item) {
        CSmartPtr<T> held(item);
        AddItemAt(index, item);
    }

protected:
    CXmlTypedObjectCollection(const wchar_t* elementName, const wchar_t* namespaceUri, int minOccurs, int maxOccurs,
                              CreateFunction create, int classId)
        : CXmlCollection(elementName, namespaceUri, minOccurs, maxOccurs), m_create(create), m_classId(classId) {}

    // Items are written in the namespace the member gives (the collection's own without one).
    void ToXml_Int(CXmlWriter* writer, bool, const wchar_t* namespaceUri, const CXmlSerializationContext& ctx,
                   bool) const override {
        const wchar_t* ns = namespaceUri ? namespaceUri : NamespaceField().c_str();
        for (const CNode* n = GetHead(); n; n = n->next) {
            // An item read from a document was made just before the objects
            // and strings it holds: while one item is written, the memory
            // the next one starts is asked for, so that its cache misses
            // overlap with the writing.
            if (n->next && n->next->item) PrefetchItem(n->next->item);
            if (n->item) CXmlObjectBase::ToXml_Int(n->item, writer, false, ns, ctx, false);
        }
    }

    CXmlElement* FromXml_Int(CXmlElement*, CXmlElement* current, const CXmlSerializationContext& ctx,
                             bool) override {
        const std::wstring& name = ElementName();
        const std::wstring& ns = NamespaceField();
        while (current && DoesElementNameMatch(ctx, current, name.c_str(), ns.c_str())) {
            CSmartPtr<CXmlObjectBase> item = m_create(m_classId, name.c_str());
            CXmlObjectBase::FromXml_Int(item, current, FirstChildOf(current), ctx);
            AppendItem(item);
            current = NextSiblingOf(current);
        }
        return current;
    }

private:
    // Keep the tree's header out of this one.
    static CXmlElement* FirstChildOf(CXmlElement* element);
    static CXmlElement* NextSiblingOf(CXmlElement* element);

    CreateFunction m_create;
    int m_classId;
};

// Navigation helpers for the template above.
NYXML_API CXmlElement* XmlFirstChildElement(CXmlElement* element);
NYXML_API CXmlElement* XmlNextSiblingElement(CXmlElement* element);

template <class T>
CXmlElement* CXmlTypedObjectCollection<T>::FirstChildOf(CXmlElement* element) {
    return XmlFirstChildElement(element);
}

template <class T>
CXmlElement* CXmlTypedObjectCollection<T>::NextSiblingOf(CXmlElement* element) {
    return XmlNextSiblingElement(element);
}

template <class T>
T* CNyIterator<T>::operator*() const {
    const CXmlCollection::CNode* node = static_cast<const CXmlCollection::CNode*>(m_node);
    return node->item ? static_cast<T*>(node->item) : nullptr;
}

template <class T>
CNyIterator<T>& CNyIterator<T>::operator++() {
    m_node = static_cast<const CXmlCollection::CNode*>(m_node)->next;
    return *this;
}

}  // namespace NyXmlLib9

#endif
