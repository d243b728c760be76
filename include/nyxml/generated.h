// The base of every generated schema class, the nil interface and the base of
// generated class factories.
#ifndef NYXML_GENERATED_H
#define NYXML_GENERATED_H

#include <nyxml/export.h>
#include <nyxml/objectbase.h>
#include <nyxml/variant.h>

#include <string>
#include <string_view>

namespace NyXmlLib9Data {
class CParentElementInfo;
class CElementInfo;
class CAttributeInfo;
}  // namespace NyXmlLib9Data

namespace NyXmlLib9 {

class CXmlElement;

// A class whose element may be nil derives from this too.
class NYXML_API INillable {
public:
    virtual bool IsNil() = 0;
    virtual void SetNil(bool nil) = 0;

protected:
    ~INillable() = default;
};

// Generated classes describe themselves with metadata; this class reads and
// writes them from it, reaching their data through AccessProperty.
class NYXML_API CXmlGeneratedClass : public CXmlObjectBase {
public:
    // Guards the one-time building of generated classes' metadata; the
    // library itself never takes it.
    static CNYCriticalSection m_csInit;

    // The single gateway to the class's properties: read true fills `value`
    // (empty when the property is unset), read false stores it.
    virtual void AccessProperty(int propertyIndex, bool read, NyVariant& value) = 0;
    virtual NyXmlLib9Data::CParentElementInfo* GetClassInfo() = 0;
    virtual NyXmlLib9Data::CElementInfo** GetClassElementInfo() = 0;
    virtual NyXmlLib9Data::CAttributeInfo** GetClassAttributeInfo() = 0;
    // Resets the object; called first on every read.
    virtual void Init() = 0;
    // GetNamespace() as a constant string, or null: reading an object asks for
    // its class namespace once per member group, and a string returned by
    // value would be copied each time. Generated classes return the literal
    // their GetNamespace() copies; a class that overrides GetNamespace() with
    // another value overrides this too (or leaves the null of the base).
    virtual const wchar_t* GetNamespaceConstant() const { return nullptr; }

    void ReadProperty(int propertyIndex, NyVariant& value) const;

    NyXmlLib9Data::CParentElementInfo* GetClassInfo() const;
    NyXmlLib9Data::CElementInfo** GetClassElementInfo() const;
    NyXmlLib9Data::CAttributeInfo** GetClassAttributeInfo() const;

protected:
    CXmlGeneratedClass();
    CXmlGeneratedClass(const CXmlGeneratedClass& other);
    CXmlGeneratedClass& operator=(const CXmlGeneratedClass& other);
    ~CXmlGeneratedClass() override;

    void AttributesToXml_Int(CXmlWriter* writer, const CXmlSerializationContext& ctx) const override;
    void ToXml_Int(CXmlWriter* writer, bool isDocumentRoot, const wchar_t* namespaceUri,
                   const CXmlSerializationContext& ctx, bool flag) const override;
    CXmlElement* FromXml_Int(CXmlElement* element, CXmlElement* firstChild, const CXmlSerializationContext& ctx,
                             bool flag) override;

    bool IsElementInList(const CXmlSerializationContext& ctx, CXmlElement* element) const;
    bool DoesElementContainOptionalElements() const;

    // Deletes a class's metadata and nulls the pointers; null entries are skipped.
    static void CleanMetaData(NyXmlLib9Data::CParentElementInfo*& parent, NyXmlLib9Data::CElementInfo**& elements,
                              NyXmlLib9Data::CAttributeInfo**& attributes);

    void ProcessAttributesToXml(const CXmlSerializationContext& ctx, NyXmlLib9Data::CElementInfo** elements,
                                NyXmlLib9Data::CAttributeInfo** attributes, CXmlWriter* writer) const;
    void ProcessElementSeqToXml(const CXmlSerializationContext& ctx, NyXmlLib9Data::CElementInfo** elements,
                                CXmlWriter* writer) const;
    void ProcessElementAllToXml(const CXmlSerializationContext& ctx, NyXmlLib9Data::CElementInfo** elements,
                                CXmlWriter* writer) const;
    void ProcessElementChoiceToXml(const CXmlSerializationContext& ctx, NyXmlLib9Data::CElementInfo** elements,
                                   CXmlWriter* writer, bool flag) const;
    void ProcessAttributesFromXml(const CXmlSerializationContext& ctx, CXmlElement* element, bool failIfUnknown);
    CXmlElement* ProcessElementSeqFromXml(const CXmlSerializationContext& ctx, CXmlElement* element,
                                          CXmlElement* cursor, int32_t elementType);
    CXmlElement* ProcessElementChoiceFromXml(const CXmlSerializationContext& ctx, CXmlElement* element,
                                             CXmlElement* cursor, int32_t elementType, bool flag);
    CXmlElement* ProcessElementAllFromXml(const CXmlSerializationContext& ctx, CXmlElement* element,
                                          CXmlElement* cursor, int32_t elementType);

private:
    int GetClassElementInfoCount() const;
    void WriteContent(CXmlWriter* writer, bool isDocumentRoot, const wchar_t* namespaceUri,
                      const CXmlSerializationContext& ctx, bool flag) const;
    CXmlElement* ReadContent(CXmlElement* element, CXmlElement* firstChild, const CXmlSerializationContext& ctx,
                             bool flag);
};

// Base of generated factories for abstract types and types with derived
// types: reads the xsi:type of an element.
class NYXML_API CClassfactoryBase {
public:
    CClassfactoryBase() = default;
    CClassfactoryBase(const CClassfactoryBase&) = default;
    CClassfactoryBase& operator=(const CClassfactoryBase&) = default;
    virtual ~CClassfactoryBase();

protected:
    // The local part of the element's xsi:type value; empty without one.
    static std::wstring GetElementType(CXmlElement* element);
    // The namespace of the type xsi:type names: its prefix resolved through the
    // document, else the element's own namespace.
    static std::wstring GetElementTypeNamespaceUri(CXmlElement* element);
    // Both answers in one reading of the attributes, without making strings:
    // views into the element's tree, valid while the tree is.
    struct NYXML_API ElementTypeName {
        std::wstring_view localName;       // empty without xsi:type
        const std::wstring* namespaceUri;  // null for an element without one
        bool Is(const wchar_t* type, const wchar_t* ns) const;
    };
    static ElementTypeName ElementTypeOf(CXmlElement* element);
};

}  // namespace NyXmlLib9

#endif
