// Members of a choice: each optional or a collection; the engine stops at the
// first member that reads (or writes) something.
#include <nyxml/metadata.h>

#include <nyxml/collections.h>
#include <nyxml/document.h>
#include <nyxml/untyped.h>

namespace NyXmlLib9Data {

using namespace NyXmlLib9;

namespace {

void Consume(CXmlElement** cursor) { *cursor = (*cursor)->GetNextSiblingElement(); }

}  // namespace

bool CElementInfoChoice::Validate(const CXmlSerializationContext&, const CXmlGeneratedClass*, bool, bool) const {
    ThrowNotImplemented();
}

bool CElementInfoChoice::AllowsEmptyChoice(const CXmlGeneratedClass*) const { return true; }

// ---- collections ----

CElementInfoChoiceCol::CElementInfoChoiceCol(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex)
    : CElementInfoChoice(name, namespaceUri, propertyIndex) {}

bool CElementInfoChoiceCol::AllowsEmptyChoice(const CXmlGeneratedClass* object) const {
    return HeldCollection(object)->GetMinOccurs() == 0;
}

bool CElementInfoChoiceCol::ElementToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                                         CXmlWriter* writer) const {
    // Unlike the other groups, a choice does not check the count before writing.
    return ElementToXmlCol(ctx, object, writer);
}

bool CElementInfoChoiceCol::ElementFromXml(const CXmlSerializationContext& ctx, CXmlGeneratedClass* object,
                                           CXmlElement* element, CXmlElement** cursor, const wchar_t*,
                                           XmlElementType elementType) {
    CXmlCollectionBase* collection = HeldCollection(object);
    CXmlElement* next = ReadCollection(ctx, collection, element, *cursor, IsUntypedCollection());
    if (next == *cursor) return false;
    if (elementType != XmlElementType_Element) {
        if (!collection->IsValidCount(ctx)) return false;
        *cursor = next;
        return true;
    }
    *cursor = next;
    collection->ValidateCount(ctx);
    return true;
}

CElementInfoChoiceClsCol::CElementInfoChoiceClsCol(const wchar_t* name, const wchar_t* namespaceUri,
                                                   int propertyIndex, XmlElementType childType)
    : CElementInfoChoiceCol(name, namespaceUri, propertyIndex), m_childType(childType) {}

void CElementInfoChoiceClsCol::PseudoChildAttributeToXml(const CXmlSerializationContext& ctx,
                                                         const CXmlGeneratedClass* object,
                                                         CXmlWriter* writer) const {
    ChildAttributesToXml(ctx, object, writer, m_childType);
}

CElementInfoChoiceAbsClsCol::CElementInfoChoiceAbsClsCol(const wchar_t* name, const wchar_t* namespaceUri,
                                                         int propertyIndex, XmlElementType childType)
    : CElementInfoChoiceCol(name, namespaceUri, propertyIndex), m_childType(childType) {}

void CElementInfoChoiceAbsClsCol::PseudoChildAttributeToXml(const CXmlSerializationContext& ctx,
                                                            const CXmlGeneratedClass* object,
                                                            CXmlWriter* writer) const {
    ChildAttributesToXml(ctx, object, writer, m_childType);
}

// ---- primitives and enumerations ----

CElementInfoChoicePrimOpt::CElementInfoChoicePrimOpt(const wchar_t* name, const wchar_t* namespaceUri,
                                                     int propertyIndex, ItemType type, const wchar_t* format,
                                                     CWhitespaceUtils::WhitespaceRule whitespace,
                                                     const CPrimitiveRestrictions& restrictions)
    : CElementInfoChoice(name, namespaceUri, propertyIndex, type, format, whitespace, restrictions) {}

bool CElementInfoChoicePrimOpt::ElementToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                                             CXmlWriter* writer) const {
    return ElementToXmlPrim(ctx, object, writer);
}

bool CElementInfoChoicePrimOpt::ElementFromXml(const CXmlSerializationContext& ctx, CXmlGeneratedClass* object,
                                               CXmlElement*, CXmlElement** cursor, const wchar_t*, XmlElementType) {
    if (!IsThisElement(ctx, *cursor)) return false;
    ReadPrimitive(object, *cursor);
    Consume(cursor);
    return true;
}

CElementInfoChoiceEnumOpt::CElementInfoChoiceEnumOpt(const wchar_t* name, const wchar_t* namespaceUri,
                                                     int propertyIndex, EnumToTextFunction toText,
                                                     EnumFromTextFunction fromText)
    : CElementInfoChoice(name, namespaceUri, propertyIndex), m_toText(toText), m_fromText(fromText) {}

bool CElementInfoChoiceEnumOpt::ElementToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                                             CXmlWriter* writer) const {
    return ElementToXmlEnum(ctx, object, writer, m_toText);
}

bool CElementInfoChoiceEnumOpt::ElementFromXml(const CXmlSerializationContext& ctx, CXmlGeneratedClass* object,
                                               CXmlElement*, CXmlElement** cursor, const wchar_t*, XmlElementType) {
    if (!IsThisElement(ctx, *cursor)) return false;
    ReadEnum(object, *cursor, m_fromText);
    Consume(cursor);
    return true;
}

// ---- classes ----

CElementInfoChoiceClsOpt::CElementInfoChoiceClsOpt(const wchar_t* name, const wchar_t* namespaceUri,
                                                   int propertyIndex, XmlElementType childType,
                                                   CreateObjectFunction create, int classId)
    : CElementInfoChoice(name, namespaceUri, propertyIndex), m_childType(childType), m_create(create),
      m_classId(classId) {}

bool CElementInfoChoiceClsOpt::ElementToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                                            CXmlWriter* writer) const {
    // A child whose own content is a choice may be empty inside a choice.
    return ElementToXmlCls(ctx, object, writer, true);
}

void CElementInfoChoiceClsOpt::PseudoChildAttributeToXml(const CXmlSerializationContext& ctx,
                                                         const CXmlGeneratedClass* object,
                                                         CXmlWriter* writer) const {
    ChildAttributesToXml(ctx, object, writer, m_childType);
}

bool CElementInfoChoiceClsOpt::ElementFromXml(const CXmlSerializationContext& ctx, CXmlGeneratedClass* object,
                                              CXmlElement* element, CXmlElement** cursor, const wchar_t*,
                                              XmlElementType) {
    CXmlElement* current = *cursor;
    if (m_childType == XmlElementType_Element) {
        if (!IsThisElement(ctx, current)) return false;
        CSmartPtr<CXmlObjectBase> child = m_create(m_classId, ElementName().c_str());
        StoreObject(object, child);
        FromXml_Int(child, current, current->GetFirstElement(), ctx, true);
        Consume(cursor);
        return true;
    }
    if (!current) return false;
    CSmartPtr<CXmlObjectBase> child = m_create(m_classId, ElementName().c_str());
    StoreObject(object, child);
    CXmlElement* next = FromXml_Int(child, element, current, ctx, false);
    if (next == current) {
        StoreObject(object, nullptr);
        return false;
    }
    *cursor = next;
    return true;
}

CElementInfoChoiceAbsClsOpt::CElementInfoChoiceAbsClsOpt(const wchar_t* name, const wchar_t* namespaceUri,
                                                         int propertyIndex, XmlElementType childType,
                                                         CreateFromElementFunction create)
    : CElementInfoChoice(name, namespaceUri, propertyIndex), m_childType(childType), m_create(create) {}

bool CElementInfoChoiceAbsClsOpt::ElementToXml(const CXmlSerializationContext& ctx,
                                               const CXmlGeneratedClass* object, CXmlWriter* writer) const {
    return ElementToXmlCls(ctx, object, writer, false);
}

void CElementInfoChoiceAbsClsOpt::PseudoChildAttributeToXml(const CXmlSerializationContext& ctx,
                                                            const CXmlGeneratedClass* object,
                                                            CXmlWriter* writer) const {
    ChildAttributesToXml(ctx, object, writer, m_childType);
}

bool CElementInfoChoiceAbsClsOpt::ElementFromXml(const CXmlSerializationContext& ctx, CXmlGeneratedClass* object,
                                                 CXmlElement*, CXmlElement** cursor, const wchar_t*,
                                                 XmlElementType) {
    CXmlElement* current = *cursor;
    if (!IsThisElement(ctx, current)) return false;
    CSmartPtr<CXmlObjectBase> child = m_create(current);
    StoreObject(object, child);
    if (!child) return false;
    FromXml_Int(child, current, current->GetFirstElement(), ctx, false);
    Consume(cursor);
    return true;
}

// ---- wildcards ----

CElementInfoChoiceUntpdOpt::CElementInfoChoiceUntpdOpt(const wchar_t* name, const wchar_t* namespaceUri,
                                                       int propertyIndex, const wchar_t* allowedNamespaces,
                                                       const wchar_t* targetNamespace)
    : CElementInfoChoice(name, namespaceUri, propertyIndex),
      m_allowed(allowedNamespaces ? allowedNamespaces : L""), m_target(targetNamespace ? targetNamespace : L"") {}

bool CElementInfoChoiceUntpdOpt::ElementToXml(const CXmlSerializationContext& ctx,
                                              const CXmlGeneratedClass* object, CXmlWriter* writer) const {
    return ElementToXmlCls(ctx, object, writer, false);
}

bool CElementInfoChoiceUntpdOpt::ElementFromXml(const CXmlSerializationContext& ctx, CXmlGeneratedClass* object,
                                                CXmlElement* element, CXmlElement** cursor,
                                                const wchar_t* classNamespace, XmlElementType) {
    CSmartPtr<CElement> read = ReadUntypedElement(ctx, element, cursor, m_allowed, m_target, classNamespace);
    if (!read) return false;
    StoreObject(object, read.Get());
    return true;
}

}  // namespace NyXmlLib9Data
