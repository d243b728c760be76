// Metadata that generated classes describe themselves with: the class's own
// element, one element info per element particle (sequence, choice and all
// families) and one attribute info per attribute.
#ifndef NYXML_METADATA_H
#define NYXML_METADATA_H

#include <nyxml/context.h>
#include <nyxml/export.h>
#include <nyxml/facets.h>
#include <nyxml/generated.h>
#include <nyxml/types.h>
#include <nyxml/variant.h>

#include <cstdint>
#include <string>

namespace NyXmlLib9 {
class CXmlAttribute;
class CXmlElement;
class CXmlWriter;
}  // namespace NyXmlLib9

namespace NyXmlLib9Data {

using NyXmlLib9::CPrimitiveRestrictions;
using NyXmlLib9::CSmartPtr;
using NyXmlLib9::CWhitespaceUtils;
using NyXmlLib9::CXmlAttribute;
using NyXmlLib9::CXmlElement;
using NyXmlLib9::CXmlGeneratedClass;
using NyXmlLib9::CXmlObjectBase;
using NyXmlLib9::CXmlSerializationContext;
using NyXmlLib9::CXmlWriter;
using NyXmlLib9::ItemType;
using NyXmlLib9::NyVariant;

enum XmlElementGroupType : int32_t {
    XmlElementGroupType_Sequence = 0,
    XmlElementGroupType_Choice = 1,
    XmlElementGroupType_All = 2
};

// 0: the class is written as an element of its own. 1: it has none; its
// content goes into its holder's element and its attributes are written
// there too. 2: as 1, but its attributes are not written by the holder.
enum XmlElementType : int32_t {
    XmlElementType_Element = 0,
    XmlElementType_NoElement = 1,
    XmlElementType_NoElementNoAttributes = 2
};

typedef CSmartPtr<CXmlObjectBase> (*CreateObjectFunction)(int classId, const wchar_t* elementName);
typedef CSmartPtr<CXmlObjectBase> (*CreateFromElementFunction)(CXmlElement* element);
typedef const wchar_t* (*EnumToTextFunction)(int value);
typedef int (*EnumFromTextFunction)(const wchar_t* text);

class NYXML_API CParentElementInfo {
public:
    CParentElementInfo(XmlElementGroupType groupType, XmlElementType elementType, const wchar_t* name,
                       const wchar_t* namespaceUri, int textPropertyIndex, bool failIfAttributeUnknown,
                       bool hasBaseClasses);
    CParentElementInfo(const CParentElementInfo& other) = default;
    CParentElementInfo& operator=(const CParentElementInfo& other) = default;
    virtual ~CParentElementInfo();

    XmlElementGroupType GetElementGroupType() const { return m_groupType; }
    XmlElementType GetElementType() const { return m_elementType; }
    std::wstring GetElementName() const { return m_name; }
    std::wstring GetElementNamespace() const { return m_namespace; }
    const std::wstring& ElementName() const { return m_name; }
    const std::wstring& ElementNamespace() const { return m_namespace; }
    int GetElementTextPropertyIndex() const { return m_textPropertyIndex; }
    bool GetFromXmlFailIfAttributeUnknown() const { return m_failIfAttributeUnknown; }
    bool GetHasBaseClasses() const { return m_hasBaseClasses; }

private:
    XmlElementGroupType m_groupType;
    XmlElementType m_elementType;
    std::wstring m_name;
    std::wstring m_namespace;
    int32_t m_textPropertyIndex;
    bool m_failIfAttributeUnknown;
    bool m_hasBaseClasses;
};

// ---------------------------------------------------------------- element infos

class NYXML_API CElementInfo {
public:
    CElementInfo(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex);
    CElementInfo(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex, ItemType type,
                 const wchar_t* format, CWhitespaceUtils::WhitespaceRule whitespace,
                 const CPrimitiveRestrictions& restrictions);
    CElementInfo(const CElementInfo& other) = default;
    CElementInfo& operator=(const CElementInfo& other) = default;
    virtual ~CElementInfo();

    // Writes the member; true when something was written.
    virtual bool ElementToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                              CXmlWriter* writer) const = 0;
    // Reads the member from the children of `element` from *cursor on, moving
    // *cursor past what it consumed; `elementType` is that of the class being read.
    virtual bool ElementFromXml(const CXmlSerializationContext& ctx, CXmlGeneratedClass* object,
                                CXmlElement* element, CXmlElement** cursor, const wchar_t* classNamespace,
                                XmlElementType elementType) = 0;
    // Whether an all-group is complete as far as this member goes.
    virtual bool Validate(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object, bool found,
                          bool strict) const = 0;
    // Writes the attributes of a child without element of its own on the holder's element.
    virtual void PseudoChildAttributeToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                                           CXmlWriter* writer) const;

    std::wstring GetElementName() const { return m_name; }
    std::wstring GetElementNamespace() const { return m_namespace; }
    const std::wstring& ElementName() const { return m_name; }
    const std::wstring& ElementNamespace() const { return m_namespace; }
    int GetPropertyIndex() const { return m_propertyIndex; }
    ItemType GetItemType() const { return m_type; }
    bool HasPrimitiveInformation() const { return m_hasPrimitiveInformation; }

    // Checks a primitive value against the member's facets.
    void CheckRestriction(const NyVariant& value) const;
    // Whether a class whose content is a choice may be empty because of this
    // member: an optional choice member, or a choice collection with minimum 0.
    virtual bool AllowsEmptyChoice(const CXmlGeneratedClass* object) const;

    // The namespace a new untyped element is created in for a wildcard member.
    static std::wstring GetAnyDefaultNamespace(const wchar_t* allowed, const wchar_t* classNamespace,
                                               const wchar_t* targetNamespace);

    static CXmlElement* FromXml_Int(CXmlObjectBase* object, CXmlElement* element, CXmlElement* firstChild,
                                    const CXmlSerializationContext& ctx, bool flag);

protected:
    void AccessProperty(CXmlGeneratedClass* object, bool read, NyVariant& value) const;
    void ReadProperty(const CXmlGeneratedClass* object, NyVariant& value) const;
    bool IsThisElement(const CXmlSerializationContext& ctx, const CXmlElement* element) const;
    void AttributesToXml_Int(const CXmlObjectBase* object, CXmlWriter* writer,
                             const CXmlSerializationContext& ctx) const;
    static void ToXml_Int(const CXmlObjectBase* object, CXmlWriter* writer, bool isDocumentRoot,
                          const wchar_t* namespaceUri, const CXmlSerializationContext& ctx, bool flag);

    bool ElementToXmlCls(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object, CXmlWriter* writer,
                         bool flag) const;
    bool ElementToXmlCol(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                         CXmlWriter* writer) const;
    bool ElementToXmlPrim(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                          CXmlWriter* writer) const;
    bool ElementToXmlPrimOpt(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                             CXmlWriter* writer) const;
    bool ElementToXmlEnum(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object, CXmlWriter* writer,
                          EnumToTextFunction toText) const;
    bool ElementToXmlEnumOpt(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                             CXmlWriter* writer, EnumToTextFunction toText) const;

    // Shared steps of the member families.
    // Converts the element's text with the member's type and stores it.
    void ReadPrimitive(CXmlGeneratedClass* object, const CXmlElement* element) const;
    // Converts the element's text with the generated function and stores it as i4.
    void ReadEnum(CXmlGeneratedClass* object, const CXmlElement* element, EnumFromTextFunction fromText) const;
    // The object or collection the property holds (no reference taken).
    CXmlObjectBase* HeldObject(const CXmlGeneratedClass* object) const;
    NyXmlLib9::CXmlCollectionBase* HeldCollection(const CXmlGeneratedClass* object) const;
    void StoreObject(CXmlGeneratedClass* object, CXmlObjectBase* value) const;
    // Writes the attributes of the held child (or collection) when childType is 1.
    void ChildAttributesToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                              CXmlWriter* writer, XmlElementType childType) const;
    // Reads consecutive elements into a collection member; returns what follows.
    CXmlElement* ReadCollection(const CXmlSerializationContext& ctx, NyXmlLib9::CXmlCollectionBase* collection,
                                CXmlElement* element, CXmlElement* current, bool untyped) const;
    // A new untyped element for a wildcard member reads `current` when the
    // member's name allows it; the element when it consumed something, else null.
    CSmartPtr<NyXmlLib9::CElement> ReadUntypedElement(const CXmlSerializationContext& ctx, CXmlElement* element,
                                                      CXmlElement** cursor, const std::wstring& allowed,
                                                      const std::wstring& target,
                                                      const wchar_t* classNamespace) const;
    bool IsAnyElementName() const { return m_name == L"AnyElement"; }

    [[noreturn]] void ThrowRequired() const;
    [[noreturn]] static void ThrowNotImplemented();

private:
    std::wstring m_name;
    std::wstring m_namespace;
    int32_t m_propertyIndex;
    CPrimitiveRestrictions m_restrictions;
    ItemType m_type;
    const wchar_t* m_format;
    CWhitespaceUtils::WhitespaceRule m_whitespace;
    bool m_hasPrimitiveInformation;
};

// ---- sequence members

class NYXML_API CElementInfoSeq : public CElementInfo {
public:
    using CElementInfo::CElementInfo;
    bool Validate(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object, bool found,
                  bool strict) const override;

protected:
    // Mandatory members of a class with its own element look for their element:
    // true when found at *cursor (possibly after skipping unknown elements),
    // false when the context lets a missing member pass.
    bool Search(const CXmlSerializationContext& ctx, CXmlElement** cursor) const;
};

class NYXML_API CElementInfoSeqNonCol : public CElementInfoSeq {
public:
    using CElementInfoSeq::CElementInfoSeq;
};

class NYXML_API CElementInfoSeqCol : public CElementInfoSeq {
public:
    CElementInfoSeqCol(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex);
    bool ElementToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                      CXmlWriter* writer) const override;
    bool ElementFromXml(const CXmlSerializationContext& ctx, CXmlGeneratedClass* object, CXmlElement* element,
                        CXmlElement** cursor, const wchar_t* classNamespace, XmlElementType elementType) override;

protected:
    virtual bool IsUntypedCollection() const { return false; }
};

class NYXML_API CElementInfoSeqPrimCol : public CElementInfoSeqCol {
public:
    using CElementInfoSeqCol::CElementInfoSeqCol;
};

class NYXML_API CElementInfoSeqEnumCol : public CElementInfoSeqCol {
public:
    using CElementInfoSeqCol::CElementInfoSeqCol;
};

class NYXML_API CElementInfoSeqUntpdCol : public CElementInfoSeqCol {
public:
    using CElementInfoSeqCol::CElementInfoSeqCol;

protected:
    bool IsUntypedCollection() const override { return true; }
};

class NYXML_API CElementInfoSeqClsCol : public CElementInfoSeqCol {
public:
    CElementInfoSeqClsCol(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex,
                          XmlElementType childType);
    void PseudoChildAttributeToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                                   CXmlWriter* writer) const override;

private:
    XmlElementType m_childType;
};

class NYXML_API CElementInfoSeqAbsClsCol : public CElementInfoSeqCol {
public:
    CElementInfoSeqAbsClsCol(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex,
                             XmlElementType childType);
    void PseudoChildAttributeToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                                   CXmlWriter* writer) const override;

private:
    XmlElementType m_childType;
};

class NYXML_API CElementInfoSeqPrimMnd : public CElementInfoSeq {
public:
    CElementInfoSeqPrimMnd(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex, ItemType type,
                           const wchar_t* format, CWhitespaceUtils::WhitespaceRule whitespace,
                           const CPrimitiveRestrictions& restrictions);
    bool ElementToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                      CXmlWriter* writer) const override;
    bool ElementFromXml(const CXmlSerializationContext& ctx, CXmlGeneratedClass* object, CXmlElement* element,
                        CXmlElement** cursor, const wchar_t* classNamespace, XmlElementType elementType) override;
};

class NYXML_API CElementInfoSeqPrimOpt : public CElementInfoSeq {
public:
    CElementInfoSeqPrimOpt(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex, ItemType type,
                           const wchar_t* format, CWhitespaceUtils::WhitespaceRule whitespace,
                           const CPrimitiveRestrictions& restrictions);
    bool ElementToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                      CXmlWriter* writer) const override;
    bool ElementFromXml(const CXmlSerializationContext& ctx, CXmlGeneratedClass* object, CXmlElement* element,
                        CXmlElement** cursor, const wchar_t* classNamespace, XmlElementType elementType) override;
};

class NYXML_API CElementInfoSeqEnumMnd : public CElementInfoSeq {
public:
    CElementInfoSeqEnumMnd(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex,
                           EnumToTextFunction toText, EnumFromTextFunction fromText);
    bool ElementToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                      CXmlWriter* writer) const override;
    bool ElementFromXml(const CXmlSerializationContext& ctx, CXmlGeneratedClass* object, CXmlElement* element,
                        CXmlElement** cursor, const wchar_t* classNamespace, XmlElementType elementType) override;

private:
    EnumToTextFunction m_toText;
    EnumFromTextFunction m_fromText;
};

class NYXML_API CElementInfoSeqEnumOpt : public CElementInfoSeq {
public:
    CElementInfoSeqEnumOpt(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex,
                           EnumToTextFunction toText, EnumFromTextFunction fromText);
    bool ElementToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                      CXmlWriter* writer) const override;
    bool ElementFromXml(const CXmlSerializationContext& ctx, CXmlGeneratedClass* object, CXmlElement* element,
                        CXmlElement** cursor, const wchar_t* classNamespace, XmlElementType elementType) override;

private:
    EnumToTextFunction m_toText;
    EnumFromTextFunction m_fromText;
};

class NYXML_API CElementInfoSeqClsMnd : public CElementInfoSeq {
public:
    CElementInfoSeqClsMnd(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex,
                          XmlElementType childType, CreateObjectFunction create, int classId, bool mustConsume);
    bool ElementToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                      CXmlWriter* writer) const override;
    bool ElementFromXml(const CXmlSerializationContext& ctx, CXmlGeneratedClass* object, CXmlElement* element,
                        CXmlElement** cursor, const wchar_t* classNamespace, XmlElementType elementType) override;
    void PseudoChildAttributeToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                                   CXmlWriter* writer) const override;

private:
    XmlElementType m_childType;
    // Kept as given: a mandatory member reads into the object it already holds.
    [[maybe_unused]] CreateObjectFunction m_create;
    [[maybe_unused]] int32_t m_classId;
    bool m_mustConsume;
};

class NYXML_API CElementInfoSeqClsOpt : public CElementInfoSeq {
public:
    CElementInfoSeqClsOpt(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex,
                          XmlElementType childType, CreateObjectFunction create, int classId);
    bool ElementToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                      CXmlWriter* writer) const override;
    bool ElementFromXml(const CXmlSerializationContext& ctx, CXmlGeneratedClass* object, CXmlElement* element,
                        CXmlElement** cursor, const wchar_t* classNamespace, XmlElementType elementType) override;
    void PseudoChildAttributeToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                                   CXmlWriter* writer) const override;

private:
    XmlElementType m_childType;
    CreateObjectFunction m_create;
    int32_t m_classId;
};

class NYXML_API CElementInfoSeqAbsClsMnd : public CElementInfoSeq {
public:
    CElementInfoSeqAbsClsMnd(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex,
                             XmlElementType childType, CreateFromElementFunction create);
    bool ElementToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                      CXmlWriter* writer) const override;
    bool ElementFromXml(const CXmlSerializationContext& ctx, CXmlGeneratedClass* object, CXmlElement* element,
                        CXmlElement** cursor, const wchar_t* classNamespace, XmlElementType elementType) override;
    void PseudoChildAttributeToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                                   CXmlWriter* writer) const override;

private:
    XmlElementType m_childType;
    CreateFromElementFunction m_create;
};

class NYXML_API CElementInfoSeqAbsClsOpt : public CElementInfoSeq {
public:
    CElementInfoSeqAbsClsOpt(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex,
                             XmlElementType childType, CreateFromElementFunction create);
    bool ElementToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                      CXmlWriter* writer) const override;
    bool ElementFromXml(const CXmlSerializationContext& ctx, CXmlGeneratedClass* object, CXmlElement* element,
                        CXmlElement** cursor, const wchar_t* classNamespace, XmlElementType elementType) override;
    void PseudoChildAttributeToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                                   CXmlWriter* writer) const override;

private:
    XmlElementType m_childType;
    CreateFromElementFunction m_create;
};

class NYXML_API CElementInfoSeqUntpdMnd : public CElementInfoSeq {
public:
    CElementInfoSeqUntpdMnd(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex,
                            const wchar_t* allowedNamespaces, const wchar_t* targetNamespace);
    bool ElementToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                      CXmlWriter* writer) const override;
    bool ElementFromXml(const CXmlSerializationContext& ctx, CXmlGeneratedClass* object, CXmlElement* element,
                        CXmlElement** cursor, const wchar_t* classNamespace, XmlElementType elementType) override;

private:
    std::wstring m_allowed;
    std::wstring m_target;
};

class NYXML_API CElementInfoSeqUntpdOpt : public CElementInfoSeq {
public:
    CElementInfoSeqUntpdOpt(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex,
                            const wchar_t* allowedNamespaces, const wchar_t* targetNamespace);
    bool ElementToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                      CXmlWriter* writer) const override;
    bool ElementFromXml(const CXmlSerializationContext& ctx, CXmlGeneratedClass* object, CXmlElement* element,
                        CXmlElement** cursor, const wchar_t* classNamespace, XmlElementType elementType) override;

private:
    std::wstring m_allowed;
    std::wstring m_target;
};

// ---- choice members: every member is optional or a collection

class NYXML_API CElementInfoChoice : public CElementInfo {
public:
    using CElementInfo::CElementInfo;
    bool Validate(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object, bool found,
                  bool strict) const override;
    bool AllowsEmptyChoice(const CXmlGeneratedClass* object) const override;
};

class NYXML_API CElementInfoChoiceCol : public CElementInfoChoice {
public:
    CElementInfoChoiceCol(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex);
    bool ElementToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                      CXmlWriter* writer) const override;
    bool ElementFromXml(const CXmlSerializationContext& ctx, CXmlGeneratedClass* object, CXmlElement* element,
                        CXmlElement** cursor, const wchar_t* classNamespace, XmlElementType elementType) override;
    bool AllowsEmptyChoice(const CXmlGeneratedClass* object) const override;

protected:
    virtual bool IsUntypedCollection() const { return false; }
};

class NYXML_API CElementInfoChoicePrimCol : public CElementInfoChoiceCol {
public:
    using CElementInfoChoiceCol::CElementInfoChoiceCol;
};

class NYXML_API CElementInfoChoiceEnumCol : public CElementInfoChoiceCol {
public:
    using CElementInfoChoiceCol::CElementInfoChoiceCol;
};

class NYXML_API CElementInfoChoiceUntpdCol : public CElementInfoChoiceCol {
public:
    using CElementInfoChoiceCol::CElementInfoChoiceCol;

protected:
    bool IsUntypedCollection() const override { return true; }
};

class NYXML_API CElementInfoChoiceClsCol : public CElementInfoChoiceCol {
public:
    CElementInfoChoiceClsCol(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex,
                             XmlElementType childType);
    void PseudoChildAttributeToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                                   CXmlWriter* writer) const override;

private:
    XmlElementType m_childType;
};

class NYXML_API CElementInfoChoiceAbsClsCol : public CElementInfoChoiceCol {
public:
    CElementInfoChoiceAbsClsCol(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex,
                                XmlElementType childType);
    void PseudoChildAttributeToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                                   CXmlWriter* writer) const override;

private:
    XmlElementType m_childType;
};

class NYXML_API CElementInfoChoicePrimOpt : public CElementInfoChoice {
public:
    CElementInfoChoicePrimOpt(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex, ItemType type,
                              const wchar_t* format, CWhitespaceUtils::WhitespaceRule whitespace,
                              const CPrimitiveRestrictions& restrictions);
    bool ElementToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                      CXmlWriter* writer) const override;
    bool ElementFromXml(const CXmlSerializationContext& ctx, CXmlGeneratedClass* object, CXmlElement* element,
                        CXmlElement** cursor, const wchar_t* classNamespace, XmlElementType elementType) override;
};

class NYXML_API CElementInfoChoiceEnumOpt : public CElementInfoChoice {
public:
    CElementInfoChoiceEnumOpt(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex,
                              EnumToTextFunction toText, EnumFromTextFunction fromText);
    bool ElementToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                      CXmlWriter* writer) const override;
    bool ElementFromXml(const CXmlSerializationContext& ctx, CXmlGeneratedClass* object, CXmlElement* element,
                        CXmlElement** cursor, const wchar_t* classNamespace, XmlElementType elementType) override;

private:
    EnumToTextFunction m_toText;
    EnumFromTextFunction m_fromText;
};

class NYXML_API CElementInfoChoiceClsOpt : public CElementInfoChoice {
public:
    CElementInfoChoiceClsOpt(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex,
                             XmlElementType childType, CreateObjectFunction create, int classId);
    bool ElementToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                      CXmlWriter* writer) const override;
    bool ElementFromXml(const CXmlSerializationContext& ctx, CXmlGeneratedClass* object, CXmlElement* element,
                        CXmlElement** cursor, const wchar_t* classNamespace, XmlElementType elementType) override;
    void PseudoChildAttributeToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                                   CXmlWriter* writer) const override;

private:
    XmlElementType m_childType;
    CreateObjectFunction m_create;
    int32_t m_classId;
};

class NYXML_API CElementInfoChoiceAbsClsOpt : public CElementInfoChoice {
public:
    CElementInfoChoiceAbsClsOpt(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex,
                                XmlElementType childType, CreateFromElementFunction create);
    bool ElementToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                      CXmlWriter* writer) const override;
    bool ElementFromXml(const CXmlSerializationContext& ctx, CXmlGeneratedClass* object, CXmlElement* element,
                        CXmlElement** cursor, const wchar_t* classNamespace, XmlElementType elementType) override;
    void PseudoChildAttributeToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                                   CXmlWriter* writer) const override;

private:
    XmlElementType m_childType;
    CreateFromElementFunction m_create;
};

class NYXML_API CElementInfoChoiceUntpdOpt : public CElementInfoChoice {
public:
    CElementInfoChoiceUntpdOpt(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex,
                               const wchar_t* allowedNamespaces, const wchar_t* targetNamespace);
    bool ElementToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                      CXmlWriter* writer) const override;
    bool ElementFromXml(const CXmlSerializationContext& ctx, CXmlGeneratedClass* object, CXmlElement* element,
                        CXmlElement** cursor, const wchar_t* classNamespace, XmlElementType elementType) override;

private:
    std::wstring m_allowed;
    std::wstring m_target;
};

// ---- all-group members: each at most once, in any order

class NYXML_API CElementInfoAll : public CElementInfo {
protected:
    using CElementInfo::CElementInfo;
    // Mandatory members: found passes; not found fails, and raises under strict.
    bool ValidateMandatory(bool found, bool strict) const;
};

class NYXML_API CElementInfoAllNonCol : public CElementInfoAll {
public:
    CElementInfoAllNonCol(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex)
        : CElementInfoAll(name, namespaceUri, propertyIndex) {}
};

// Collections in an all-group read what matches and never decide the group.
class NYXML_API CElementInfoAllCol : public CElementInfoAll {
public:
    CElementInfoAllCol(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex);
    bool ElementToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                      CXmlWriter* writer) const override;
    bool ElementFromXml(const CXmlSerializationContext& ctx, CXmlGeneratedClass* object, CXmlElement* element,
                        CXmlElement** cursor, const wchar_t* classNamespace, XmlElementType elementType) override;
    bool Validate(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object, bool found,
                  bool strict) const override;

protected:
    virtual bool IsUntypedCollection() const { return false; }
};

class NYXML_API CElementInfoAllPrimCol : public CElementInfoAllCol {
public:
    using CElementInfoAllCol::CElementInfoAllCol;
};

class NYXML_API CElementInfoAllUntpdCol : public CElementInfoAllCol {
public:
    using CElementInfoAllCol::CElementInfoAllCol;

protected:
    bool IsUntypedCollection() const override { return true; }
};

class NYXML_API CElementInfoAllClsCol : public CElementInfoAllCol {
public:
    CElementInfoAllClsCol(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex,
                          XmlElementType childType);
    void PseudoChildAttributeToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                                   CXmlWriter* writer) const override;

private:
    XmlElementType m_childType;
};

class NYXML_API CElementInfoAllAbsClsCol : public CElementInfoAllCol {
public:
    CElementInfoAllAbsClsCol(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex,
                             XmlElementType childType);
    void PseudoChildAttributeToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                                   CXmlWriter* writer) const override;

private:
    XmlElementType m_childType;
};

// Enumerations cannot repeat in an all-group; this member reads and writes nothing.
class NYXML_API CElementInfoAllEnumCol : public CElementInfoAll {
public:
    CElementInfoAllEnumCol(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex)
        : CElementInfoAll(name, namespaceUri, propertyIndex) {}
    bool ElementToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                      CXmlWriter* writer) const override;
    bool ElementFromXml(const CXmlSerializationContext& ctx, CXmlGeneratedClass* object, CXmlElement* element,
                        CXmlElement** cursor, const wchar_t* classNamespace, XmlElementType elementType) override;
    bool Validate(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object, bool found,
                  bool strict) const override;
};

class NYXML_API CElementInfoAllPrimMnd : public CElementInfoAll {
public:
    CElementInfoAllPrimMnd(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex, ItemType type,
                           const wchar_t* format, CWhitespaceUtils::WhitespaceRule whitespace,
                           const CPrimitiveRestrictions& restrictions);
    bool ElementToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                      CXmlWriter* writer) const override;
    bool ElementFromXml(const CXmlSerializationContext& ctx, CXmlGeneratedClass* object, CXmlElement* element,
                        CXmlElement** cursor, const wchar_t* classNamespace, XmlElementType elementType) override;
    bool Validate(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object, bool found,
                  bool strict) const override;
};

class NYXML_API CElementInfoAllPrimOpt : public CElementInfoAll {
public:
    CElementInfoAllPrimOpt(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex, ItemType type,
                           const wchar_t* format, CWhitespaceUtils::WhitespaceRule whitespace,
                           const CPrimitiveRestrictions& restrictions);
    bool ElementToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                      CXmlWriter* writer) const override;
    bool ElementFromXml(const CXmlSerializationContext& ctx, CXmlGeneratedClass* object, CXmlElement* element,
                        CXmlElement** cursor, const wchar_t* classNamespace, XmlElementType elementType) override;
    bool Validate(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object, bool found,
                  bool strict) const override;
};

class NYXML_API CElementInfoAllEnumMnd : public CElementInfoAll {
public:
    CElementInfoAllEnumMnd(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex,
                           EnumToTextFunction toText, EnumFromTextFunction fromText);
    bool ElementToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                      CXmlWriter* writer) const override;
    bool ElementFromXml(const CXmlSerializationContext& ctx, CXmlGeneratedClass* object, CXmlElement* element,
                        CXmlElement** cursor, const wchar_t* classNamespace, XmlElementType elementType) override;
    bool Validate(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object, bool found,
                  bool strict) const override;

private:
    EnumToTextFunction m_toText;
    EnumFromTextFunction m_fromText;
};

class NYXML_API CElementInfoAllEnumOpt : public CElementInfoAll {
public:
    CElementInfoAllEnumOpt(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex,
                           EnumToTextFunction toText, EnumFromTextFunction fromText);
    bool ElementToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                      CXmlWriter* writer) const override;
    bool ElementFromXml(const CXmlSerializationContext& ctx, CXmlGeneratedClass* object, CXmlElement* element,
                        CXmlElement** cursor, const wchar_t* classNamespace, XmlElementType elementType) override;
    bool Validate(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object, bool found,
                  bool strict) const override;

private:
    EnumToTextFunction m_toText;
    EnumFromTextFunction m_fromText;
};

class NYXML_API CElementInfoAllClsMnd : public CElementInfoAll {
public:
    CElementInfoAllClsMnd(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex,
                          XmlElementType childType, CreateObjectFunction create, int classId, bool required);
    bool ElementToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                      CXmlWriter* writer) const override;
    bool ElementFromXml(const CXmlSerializationContext& ctx, CXmlGeneratedClass* object, CXmlElement* element,
                        CXmlElement** cursor, const wchar_t* classNamespace, XmlElementType elementType) override;
    bool Validate(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object, bool found,
                  bool strict) const override;
    void PseudoChildAttributeToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                                   CXmlWriter* writer) const override;

private:
    XmlElementType m_childType;
    [[maybe_unused]] CreateObjectFunction m_create;
    [[maybe_unused]] int32_t m_classId;
    bool m_required;
};

class NYXML_API CElementInfoAllClsOpt : public CElementInfoAll {
public:
    CElementInfoAllClsOpt(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex,
                          XmlElementType childType, CreateObjectFunction create, int classId);
    bool ElementToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                      CXmlWriter* writer) const override;
    bool ElementFromXml(const CXmlSerializationContext& ctx, CXmlGeneratedClass* object, CXmlElement* element,
                        CXmlElement** cursor, const wchar_t* classNamespace, XmlElementType elementType) override;
    bool Validate(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object, bool found,
                  bool strict) const override;
    void PseudoChildAttributeToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                                   CXmlWriter* writer) const override;

private:
    XmlElementType m_childType;
    CreateObjectFunction m_create;
    int32_t m_classId;
};

class NYXML_API CElementInfoAllAbsClsMnd : public CElementInfoAll {
public:
    CElementInfoAllAbsClsMnd(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex,
                             XmlElementType childType, CreateFromElementFunction create, int reserved);
    bool ElementToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                      CXmlWriter* writer) const override;
    bool ElementFromXml(const CXmlSerializationContext& ctx, CXmlGeneratedClass* object, CXmlElement* element,
                        CXmlElement** cursor, const wchar_t* classNamespace, XmlElementType elementType) override;
    bool Validate(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object, bool found,
                  bool strict) const override;
    void PseudoChildAttributeToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                                   CXmlWriter* writer) const override;

private:
    XmlElementType m_childType;
    [[maybe_unused]] CreateFromElementFunction m_create;
};

class NYXML_API CElementInfoAllAbsClsOpt : public CElementInfoAll {
public:
    CElementInfoAllAbsClsOpt(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex,
                             XmlElementType childType, CreateFromElementFunction create);
    bool ElementToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                      CXmlWriter* writer) const override;
    void PseudoChildAttributeToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                                   CXmlWriter* writer) const override;
    bool ElementFromXml(const CXmlSerializationContext& ctx, CXmlGeneratedClass* object, CXmlElement* element,
                        CXmlElement** cursor, const wchar_t* classNamespace, XmlElementType elementType) override;
    bool Validate(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object, bool found,
                  bool strict) const override;

private:
    XmlElementType m_childType;
    [[maybe_unused]] CreateFromElementFunction m_create;
};

class NYXML_API CElementInfoAllUntpdMnd : public CElementInfoAll {
public:
    CElementInfoAllUntpdMnd(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex,
                            const wchar_t* allowedNamespaces, const wchar_t* targetNamespace);
    bool ElementToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                      CXmlWriter* writer) const override;
    bool ElementFromXml(const CXmlSerializationContext& ctx, CXmlGeneratedClass* object, CXmlElement* element,
                        CXmlElement** cursor, const wchar_t* classNamespace, XmlElementType elementType) override;
    bool Validate(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object, bool found,
                  bool strict) const override;

private:
    std::wstring m_allowed;
    std::wstring m_target;
};

class NYXML_API CElementInfoAllUntpdOpt : public CElementInfoAll {
public:
    CElementInfoAllUntpdOpt(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex,
                            const wchar_t* allowedNamespaces, const wchar_t* targetNamespace);
    bool ElementToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                      CXmlWriter* writer) const override;
    bool ElementFromXml(const CXmlSerializationContext& ctx, CXmlGeneratedClass* object, CXmlElement* element,
                        CXmlElement** cursor, const wchar_t* classNamespace, XmlElementType elementType) override;
    bool Validate(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object, bool found,
                  bool strict) const override;

private:
    std::wstring m_allowed;
    std::wstring m_target;
};

// -------------------------------------------------------------- attribute infos

class NYXML_API CAttributeInfo {
public:
    CAttributeInfo(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex, bool optional,
                   const wchar_t* defaultValue);
    CAttributeInfo(const CAttributeInfo& other) = default;
    CAttributeInfo& operator=(const CAttributeInfo& other) = default;
    virtual ~CAttributeInfo();

    virtual void AttributeToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                                CXmlWriter* writer) const = 0;
    // True when this info took the attribute.
    virtual bool AttributeFromXml(const CXmlSerializationContext& ctx, CXmlGeneratedClass* object,
                                  CXmlAttribute* attribute) = 0;
    virtual void Validate(const CXmlSerializationContext& ctx, bool found) const;
    // Checks a value stored into the property against the attribute's facets;
    // only primitive attributes have any. The generated property accessors
    // call it on every value they read.
    virtual void CheckValue(const NyVariant& value) const;

    const std::wstring& GetName() const { return m_name; }
    const std::wstring& GetNamespace() const { return m_namespace; }
    int GetPropertyIndex() const { return m_propertyIndex; }
    bool IsOptional() const { return m_optional; }
    const std::wstring& GetDefaultValue() const { return m_defaultValue; }

    bool IsThisAttribute(const CXmlSerializationContext& ctx, CXmlAttribute* attribute) const;
    void AccessProperty(CXmlGeneratedClass* object, bool read, NyVariant& value) const;
    void ReadProperty(const CXmlGeneratedClass* object, NyVariant& value) const;
    static std::wstring GetTargetNamespace(const CXmlObjectBase* object);
    static void TestNamespace(const std::wstring& ns, const std::wstring& rule, const std::wstring& targetNamespace);
    static void ToXml_Int(const CXmlObjectBase* object, CXmlWriter* writer, bool isDocumentRoot,
                          const wchar_t* namespaceUri, const CXmlSerializationContext& ctx);

protected:
    // Steps 2-4 of writing a named attribute: false when nothing is to be written.
    bool ShouldWrite(const CXmlSerializationContext& ctx, const NyVariant& value, const std::wstring& text) const;

private:
    std::wstring m_name;
    std::wstring m_namespace;
    int32_t m_propertyIndex;
    bool m_optional;
    std::wstring m_defaultValue;
};

class NYXML_API CAttributeInfoPrimitive : public CAttributeInfo {
public:
    CAttributeInfoPrimitive(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex, bool optional,
                            ItemType type, const wchar_t* format, CWhitespaceUtils::WhitespaceRule whitespace,
                            const CPrimitiveRestrictions& restrictions, const wchar_t* defaultValue);
    void AttributeToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                        CXmlWriter* writer) const override;
    bool AttributeFromXml(const CXmlSerializationContext& ctx, CXmlGeneratedClass* object,
                          CXmlAttribute* attribute) override;
    void CheckRestriction(NyVariant value) const;
    void CheckValue(const NyVariant& value) const override;

private:
    CPrimitiveRestrictions m_restrictions;
    ItemType m_type;
    const wchar_t* m_format;
    CWhitespaceUtils::WhitespaceRule m_whitespace;
};

class NYXML_API CAttributeInfoEnum : public CAttributeInfo {
public:
    CAttributeInfoEnum(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex, bool optional,
                       EnumToTextFunction toText, EnumFromTextFunction fromText, const wchar_t* defaultValue);
    void AttributeToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                        CXmlWriter* writer) const override;
    bool AttributeFromXml(const CXmlSerializationContext& ctx, CXmlGeneratedClass* object,
                          CXmlAttribute* attribute) override;

private:
    EnumToTextFunction m_toText;
    EnumFromTextFunction m_fromText;
};

class NYXML_API CAttributeInfoAny : public CAttributeInfo {
public:
    CAttributeInfoAny(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex, bool optional,
                      const wchar_t* namespaceRule, const wchar_t* targetNamespace, const wchar_t* defaultValue);
    void AttributeToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                        CXmlWriter* writer) const override;
    bool AttributeFromXml(const CXmlSerializationContext& ctx, CXmlGeneratedClass* object,
                          CXmlAttribute* attribute) override;
    void Validate(const CXmlSerializationContext& ctx, bool found) const override;

private:
    std::wstring m_namespaceRule;
    std::wstring m_targetNamespace;
};

}  // namespace NyXmlLib9Data

#endif
