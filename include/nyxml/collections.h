// Collections of bindable objects with occurrence bounds and change events.
#ifndef NYXML_COLLECTIONS_H
#define NYXML_COLLECTIONS_H

#include <nyxml/export.h>
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

    const std::wstring& NamespaceField() const { return m_namespace; }
    void SetNamespaceField(const std::wstring& ns) { m_namespace = ns; }

private:
    void Notify(MsgType type, void* data);

    std::wstring m_namespace;
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

    void AttributesToXml_Int(CXmlWriter* writer, const CXmlSerializationContext& ctx) const override;

private:
    // Links a new node before `before` (null: at the end), with the add events.
    void Insert(CNode* before, CXmlObjectBase* item);
    void Link(CNode* before, CXmlObjectBase* item);
    void CopyItemsFrom(const CXmlCollection& other);

    CNode* m_head;
    CNode* m_tail;
    int32_t m_count;
};

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
