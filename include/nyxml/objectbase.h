// The base of every bindable object: reference counting, the element name, the
// public reading and writing entry points and the helpers generated code calls.
#ifndef NYXML_OBJECTBASE_H
#define NYXML_OBJECTBASE_H

#include <nyxml/binarydata.h>
#include <nyxml/context.h>
#include <nyxml/export.h>
#include <nyxml/foundation.h>
#include <nyxml/types.h>

#include <atomic>
#include <cstdint>
#include <string>

namespace NyXmlLib9Data {
class CElementInfo;
class CAttributeInfo;
}  // namespace NyXmlLib9Data

namespace NyXmlLib9 {

class CXmlObjectBase;
class CXmlCollectionBase;
class CXmlDocument;
class CXmlElement;
class CXmlWriter;
class CXmlTextWriter;
class CElement;


// Observer of collection changes.
class NYXML_API IEventSink {
public:
    enum MsgType : int32_t {
        MsgType_Change = 0,          // after every completed change
        MsgType_Add = 1,             // before an item is added
        MsgType_AddComplete = 2,     // after an item was added
        MsgType_Remove = 3,          // before an item is removed
        MsgType_RemoveComplete = 4,  // after an item was removed
    };
    virtual void OnEvent(CXmlObjectBase* sender, MsgType type, void* data) = 0;

protected:
    ~IEventSink() = default;
};

// The root of every bindable object: an intrusive reference count, the element
// name, the entry points and the protected hooks. A copy (copy constructor)
// starts without owners, its reference count at 0 whatever the source's, and
// an assignment keeps the target's own count: the count belongs to the object
// and its holders, not to the value it carries. This is kept on purpose.
class NYXML_API CXmlObjectBase : public IEventSink {
public:
    CXmlObjectBase();
    CXmlObjectBase(const CXmlObjectBase& other);
    CXmlObjectBase& operator=(const CXmlObjectBase& other);

    void OnEvent(CXmlObjectBase* source, MsgType type, void* data) override;
    virtual CXmlObjectBase* GetBase() = 0;
    const CXmlObjectBase* GetBase() const;

    // ---- writing ----
    virtual void ToXmlFile(const wchar_t* fileName, bool writeDeclaration, bool formatted, XmlEncoding encoding,
                           EOLType eol, const CXmlSerializationContext& ctx, CompressionType compression) const;
    virtual void ToFastInfosetFile(const wchar_t* fileName, FInfoDecl declaration, const CXmlSerializationContext& ctx,
                                   CompressionType compression) const;
    virtual std::wstring ToXml(bool writeDeclaration, bool formatted, EOLType eol,
                               const CXmlSerializationContext& ctx) const;
    virtual CBinaryData ToXmlStream(bool writeDeclaration, bool formatted, XmlEncoding encoding, EOLType eol,
                                    const CXmlSerializationContext& ctx, CompressionType compression) const;
    virtual CBinaryData ToFastInfosetStream(FInfoDecl declaration, const CXmlSerializationContext& ctx,
                                            CompressionType compression) const;

    // ---- reading ----
    virtual void FromXmlFile(const wchar_t* fileName, const CXmlSerializationContext& ctx);
    virtual void FromXml(const wchar_t* xml, const CXmlSerializationContext& ctx);
    virtual void FromXml(const char* xml, const CXmlSerializationContext& ctx);
    virtual void FromXmlStream(const CBinaryData& data, const CXmlSerializationContext& ctx);
    virtual void FromXmlStream(unsigned char* const data, uint32_t length, const CXmlSerializationContext& ctx);
    virtual void FromXmlElement(const CElement* element, const CXmlSerializationContext& ctx);
    virtual void FromXmlElement(const CXmlElement* element, const CXmlSerializationContext& ctx);

    virtual ~CXmlObjectBase();

    // Convenience forms with the default context and the usual choices.
    std::wstring ToXml(bool writeDeclaration = false, bool formatted = true, EOLType eol = EOL_LF) const;
    void FromXml(const wchar_t* xml) { FromXml(xml, CXmlSerializationContext::GetDefaultContext()); }
    void FromXml(const char* xml) { FromXml(xml, CXmlSerializationContext::GetDefaultContext()); }

    virtual std::wstring GetNamespace() = 0;

    int32_t AddRef();
    int32_t Release();
    // Current count, for diagnostics and tests.
    int32_t GetRefCount() const { return m_refCount.load(); }

    std::wstring GetElementName() const { return *m_elementName; }
    // The element name without a copy.
    const std::wstring& ElementName() const { return *m_elementName; }

    // The wildcard namespace rule of xs:any: the first token of `allowed` that
    // accepts the namespace decides.
    static bool IsNamespaceValid(const wchar_t* namespaceUri, const wchar_t* allowed, const wchar_t* targetNamespace);

protected:
    virtual std::wstring GetTargetNamespace() = 0;
    virtual void AttributesToXml_Int(CXmlWriter* writer, const CXmlSerializationContext& ctx) const;
    virtual void ToXml_Int(CXmlWriter* writer, bool isDocumentRoot, const wchar_t* namespaceUri,
                           const CXmlSerializationContext& ctx, bool flag) const = 0;
    virtual CXmlElement* FromXml_Int(CXmlElement* element, CXmlElement* firstChild, const CXmlSerializationContext& ctx,
                                     bool flag) = 0;

    void SetElementName(const wchar_t* name);
    static void SetElementName(CXmlObjectBase* object, const wchar_t* name);

    // Dispatchers through which classes that are not objects reach the hooks.
    static void ToXml_Int(const CXmlObjectBase* object, CXmlWriter* writer, bool isDocumentRoot,
                          const wchar_t* namespaceUri, const CXmlSerializationContext& ctx, bool flag);
    static CXmlElement* FromXml_Int(CXmlObjectBase* object, CXmlElement* element, CXmlElement* firstChild,
                                    const CXmlSerializationContext& ctx);
    static void AttributesToXml_Int(const CXmlObjectBase* object, CXmlWriter* writer,
                                    const CXmlSerializationContext& ctx);
    static std::wstring GetTargetNamespace(const CXmlObjectBase* object);

    // Reads this object from the document element of a loaded input: the
    // element and its children. Untyped elements read the element itself.
    virtual void ReadRoot(CXmlElement* root, const CXmlSerializationContext& ctx);

    void TestNamespace(const wchar_t* namespaceUri, const wchar_t* allowed, const wchar_t* targetNamespace) const;
    bool DoesElementNameMatch(const CXmlSerializationContext& ctx, const CXmlElement* element, const wchar_t* name,
                              const wchar_t* namespaceUri) const;

    static void Throw_IfPropertyIsNull(CXmlObjectBase* value, const wchar_t* propertyName);
    static void Throw_IfElementNameDiffers(CXmlObjectBase* value, const wchar_t* expectedName);

    static void Choice_SelectElement(const wchar_t* elementName, CXmlObjectBase* value, std::wstring& selected);
    static void Choice_CollectionChanged(const wchar_t* elementName, int32_t count, std::wstring& selected);
    static void Choice_SetElementValid(bool valid, const wchar_t* elementName, std::wstring& selected);
    static void Choice_Read_Collection(CXmlCollectionBase* collection, CXmlElement* element, CXmlElement*& cursor,
                                       int32_t& count, const CXmlSerializationContext& ctx);

    static void FireOnCollectionChangeEvent(IEventSink* sink, CXmlCollectionBase* collection);
    static void FireOnCollectionAddEvent(IEventSink* sink, CXmlCollectionBase* collection, void* item);
    static void FireOnCollectionAddCompleteEvent(IEventSink* sink, CXmlCollectionBase* collection, void* item);
    static void FireOnCollectionRemoveEvent(IEventSink* sink, CXmlCollectionBase* collection, int index);
    static void FireOnCollectionRemoveCompleteEvent(IEventSink* sink, CXmlCollectionBase* collection, int index);

private:
    // The metadata reaches the hooks of the objects it reads and writes.
    friend class NyXmlLib9Data::CElementInfo;
    friend class NyXmlLib9Data::CAttributeInfo;

    void WriteDocument(CXmlTextWriter* writer, bool writeDeclaration, const CXmlSerializationContext& ctx) const;
    void SetSharedElementName(const std::wstring* shared);
    void SetOwnElementName(const wchar_t* name, size_t length);

    // The element name: a copy shared by the process (the names generated
    // classes give their objects), or one of the object's own on the heap.
    // Every object pays a pointer for its name, not a whole string.
    const std::wstring* m_elementName;
    std::atomic<int32_t> m_refCount;
    bool m_ownsElementName;
};

}  // namespace NyXmlLib9

#endif
