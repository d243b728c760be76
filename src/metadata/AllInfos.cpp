// Members of an all-group: each at most once, in any order. The engine offers
// elements to the members not yet done, then asks each whether the group is complete.
#include <nyxml/metadata.h>

#include <nyxml/collections.h>
#include <nyxml/document.h>
#include <nyxml/untyped.h>

namespace NyXmlLib9Data {

using namespace NyXmlLib9;

namespace {

void Consume(CXmlElement** cursor) { *cursor = (*cursor)->GetNextSiblingElement(); }

const wchar_t kSupportContact[] = L"support@nyxml.dev";

}  // namespace

bool CElementInfoAll::ValidateMandatory(bool found, bool strict) const {
    if (found) return true;
    if (!strict) return false;
    throw CNyValidationException(FormatString(L"Failed to find the mandatory element [%s]", ElementName().c_str()));
}

// ---- collections ----

CElementInfoAllCol::CElementInfoAllCol(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex)
    : CElementInfoAll(name, namespaceUri, propertyIndex) {}

bool CElementInfoAllCol::ElementToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                                      CXmlWriter* writer) const {
    if (!ctx.GetIgnoreInvalidCollectionCounts()) HeldCollection(object)->ValidateCount(ctx);
    return ElementToXmlCol(ctx, object, writer);
}

bool CElementInfoAllCol::ElementFromXml(const CXmlSerializationContext& ctx, CXmlGeneratedClass* object,
                                        CXmlElement* element, CXmlElement** cursor, const wchar_t*, XmlElementType) {
    // A wildcard collection here reads any element name; the count is not checked.
    *cursor = FromXml_Int(HeldCollection(object), element, *cursor, ctx, false);
    return false;
}

bool CElementInfoAllCol::Validate(const CXmlSerializationContext&, const CXmlGeneratedClass*, bool, bool) const {
    return true;
}

CElementInfoAllClsCol::CElementInfoAllClsCol(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex,
                                             XmlElementType childType)
    : CElementInfoAllCol(name, namespaceUri, propertyIndex), m_childType(childType) {}

void CElementInfoAllClsCol::PseudoChildAttributeToXml(const CXmlSerializationContext& ctx,
                                                      const CXmlGeneratedClass* object, CXmlWriter* writer) const {
    ChildAttributesToXml(ctx, object, writer, m_childType);
}

CElementInfoAllAbsClsCol::CElementInfoAllAbsClsCol(const wchar_t* name, const wchar_t* namespaceUri,
                                                   int propertyIndex, XmlElementType childType)
    : CElementInfoAllCol(name, namespaceUri, propertyIndex), m_childType(childType) {}

void CElementInfoAllAbsClsCol::PseudoChildAttributeToXml(const CXmlSerializationContext& ctx,
                                                         const CXmlGeneratedClass* object,
                                                         CXmlWriter* writer) const {
    ChildAttributesToXml(ctx, object, writer, m_childType);
}

bool CElementInfoAllEnumCol::ElementToXml(const CXmlSerializationContext&, const CXmlGeneratedClass*,
                                          CXmlWriter*) const {
    return false;
}

bool CElementInfoAllEnumCol::ElementFromXml(const CXmlSerializationContext&, CXmlGeneratedClass*, CXmlElement*,
                                            CXmlElement**, const wchar_t*, XmlElementType) {
    return false;
}

bool CElementInfoAllEnumCol::Validate(const CXmlSerializationContext&, const CXmlGeneratedClass*, bool, bool) const {
    return true;
}

// ---- primitives and enumerations ----

CElementInfoAllPrimMnd::CElementInfoAllPrimMnd(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex,
                                               ItemType type, const wchar_t* format,
                                               CWhitespaceUtils::WhitespaceRule whitespace,
                                               const CPrimitiveRestrictions& restrictions)
    : CElementInfoAll(name, namespaceUri, propertyIndex, type, format, whitespace, restrictions) {}

bool CElementInfoAllPrimMnd::ElementToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                                          CXmlWriter* writer) const {
    return ElementToXmlPrim(ctx, object, writer);
}

bool CElementInfoAllPrimMnd::ElementFromXml(const CXmlSerializationContext& ctx, CXmlGeneratedClass* object,
                                            CXmlElement*, CXmlElement** cursor, const wchar_t*, XmlElementType) {
    if (!IsThisElement(ctx, *cursor)) return false;
    ReadPrimitive(object, *cursor);
    Consume(cursor);
    return true;
}

bool CElementInfoAllPrimMnd::Validate(const CXmlSerializationContext&, const CXmlGeneratedClass*, bool found,
                                      bool strict) const {
    return ValidateMandatory(found, strict);
}

CElementInfoAllPrimOpt::CElementInfoAllPrimOpt(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex,
                                               ItemType type, const wchar_t* format,
                                               CWhitespaceUtils::WhitespaceRule whitespace,
                                               const CPrimitiveRestrictions& restrictions)
    : CElementInfoAll(name, namespaceUri, propertyIndex, type, format, whitespace, restrictions) {}

bool CElementInfoAllPrimOpt::ElementToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                                          CXmlWriter* writer) const {
    return ElementToXmlPrimOpt(ctx, object, writer);
}

bool CElementInfoAllPrimOpt::ElementFromXml(const CXmlSerializationContext& ctx, CXmlGeneratedClass* object,
                                            CXmlElement*, CXmlElement** cursor, const wchar_t*, XmlElementType) {
    if (!IsThisElement(ctx, *cursor)) return false;
    ReadPrimitive(object, *cursor);
    Consume(cursor);
    return true;
}

bool CElementInfoAllPrimOpt::Validate(const CXmlSerializationContext&, const CXmlGeneratedClass*, bool, bool) const {
    return true;
}

CElementInfoAllEnumMnd::CElementInfoAllEnumMnd(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex,
                                               EnumToTextFunction toText, EnumFromTextFunction fromText)
    : CElementInfoAll(name, namespaceUri, propertyIndex), m_toText(toText), m_fromText(fromText) {}

bool CElementInfoAllEnumMnd::ElementToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                                          CXmlWriter* writer) const {
    return ElementToXmlEnum(ctx, object, writer, m_toText);
}

bool CElementInfoAllEnumMnd::ElementFromXml(const CXmlSerializationContext& ctx, CXmlGeneratedClass* object,
                                            CXmlElement*, CXmlElement** cursor, const wchar_t*, XmlElementType) {
    if (!IsThisElement(ctx, *cursor)) return false;
    ReadEnum(object, *cursor, m_fromText);
    Consume(cursor);
    return true;
}

bool CElementInfoAllEnumMnd::Validate(const CXmlSerializationContext&, const CXmlGeneratedClass*, bool found,
                                      bool strict) const {
    return ValidateMandatory(found, strict);
}

CElementInfoAllEnumOpt::CElementInfoAllEnumOpt(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex,
                                               EnumToTextFunction toText, EnumFromTextFunction fromText)
    : CElementInfoAll(name, namespaceUri, propertyIndex), m_toText(toText), m_fromText(fromText) {}

bool CElementInfoAllEnumOpt::ElementToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                                          CXmlWriter* writer) const {
    return ElementToXmlEnumOpt(ctx, object, writer, m_toText);
}

bool CElementInfoAllEnumOpt::ElementFromXml(const CXmlSerializationContext& ctx, CXmlGeneratedClass* object,
                                            CXmlElement*, CXmlElement** cursor, const wchar_t*, XmlElementType) {
    if (!IsThisElement(ctx, *cursor)) return false;
    ReadEnum(object, *cursor, m_fromText);
    Consume(cursor);
    return true;
}

bool CElementInfoAllEnumOpt::Validate(const CXmlSerializationContext&, const CXmlGeneratedClass*, bool, bool) const {
    return true;
}

// ---- classes ----

CElementInfoAllClsMnd::CElementInfoAllClsMnd(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex,
                                             XmlElementType childType, CreateObjectFunction create, int classId,
                                             bool required)
    : CElementInfoAll(name, namespaceUri, propertyIndex), m_childType(childType), m_create(create),
      m_classId(classId), m_required(required) {}

bool CElementInfoAllClsMnd::ElementToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                                         CXmlWriter* writer) const {
    return ElementToXmlCls(ctx, object, writer, false);
}

void CElementInfoAllClsMnd::PseudoChildAttributeToXml(const CXmlSerializationContext& ctx,
                                                      const CXmlGeneratedClass* object, CXmlWriter* writer) const {
    ChildAttributesToXml(ctx, object, writer, m_childType);
}

bool CElementInfoAllClsMnd::ElementFromXml(const CXmlSerializationContext& ctx, CXmlGeneratedClass* object,
                                           CXmlElement* element, CXmlElement** cursor, const wchar_t*,
                                           XmlElementType) {
    CXmlObjectBase* child = HeldObject(object);
    if (!child)
        throw CNyException(
            FormatString(L"The mandatory element [%s] has no object to read into", ElementName().c_str()));
    CXmlElement* current = *cursor;
    if (m_childType == XmlElementType_Element) {
        if (!IsThisElement(ctx, current)) return false;
        FromXml_Int(child, current, current->GetFirstElement(), ctx, false);
        Consume(cursor);
        return true;
    }
    CXmlElement* next = FromXml_Int(child, element, current, ctx, false);
    *cursor = next;
    return next != current;
}

bool CElementInfoAllClsMnd::Validate(const CXmlSerializationContext&, const CXmlGeneratedClass*, bool found,
                                     bool strict) const {
    if (!found && strict && m_childType != XmlElementType_NoElement && !m_required) return true;
    return ValidateMandatory(found, strict);
}

CElementInfoAllClsOpt::CElementInfoAllClsOpt(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex,
                                             XmlElementType childType, CreateObjectFunction create, int classId)
    : CElementInfoAll(name, namespaceUri, propertyIndex), m_childType(childType), m_create(create),
      m_classId(classId) {}

bool CElementInfoAllClsOpt::ElementToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                                         CXmlWriter* writer) const {
    return ElementToXmlCls(ctx, object, writer, false);
}

void CElementInfoAllClsOpt::PseudoChildAttributeToXml(const CXmlSerializationContext& ctx,
                                                      const CXmlGeneratedClass* object, CXmlWriter* writer) const {
    ChildAttributesToXml(ctx, object, writer, m_childType);
}

bool CElementInfoAllClsOpt::ElementFromXml(const CXmlSerializationContext& ctx, CXmlGeneratedClass* object,
                                           CXmlElement* element, CXmlElement** cursor, const wchar_t*,
                                           XmlElementType) {
    CXmlElement* current = *cursor;
    if (m_childType == XmlElementType_Element) {
        if (!IsThisElement(ctx, current)) return false;
        CSmartPtr<CXmlObjectBase> child = m_create(m_classId, ElementName().c_str());
        FromXml_Int(child, current, current->GetFirstElement(), ctx, false);
        Consume(cursor);
        StoreObject(object, child);
        return true;
    }
    if (!current) return false;
    CSmartPtr<CXmlObjectBase> child = m_create(m_classId, ElementName().c_str());
    CXmlElement* next = FromXml_Int(child, element, current, ctx, false);
    *cursor = next;
    if (next == current) return false;
    StoreObject(object, child);
    return true;
}

bool CElementInfoAllClsOpt::Validate(const CXmlSerializationContext&, const CXmlGeneratedClass*, bool, bool) const {
    return true;
}

// ---- abstract classes: not readable in an all-group ----

CElementInfoAllAbsClsMnd::CElementInfoAllAbsClsMnd(const wchar_t* name, const wchar_t* namespaceUri,
                                                   int propertyIndex, XmlElementType childType,
                                                   CreateFromElementFunction create, int)
    : CElementInfoAll(name, namespaceUri, propertyIndex), m_childType(childType), m_create(create) {}

bool CElementInfoAllAbsClsMnd::ElementToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                                            CXmlWriter* writer) const {
    return ElementToXmlCls(ctx, object, writer, false);
}

void CElementInfoAllAbsClsMnd::PseudoChildAttributeToXml(const CXmlSerializationContext& ctx,
                                                         const CXmlGeneratedClass* object,
                                                         CXmlWriter* writer) const {
    ChildAttributesToXml(ctx, object, writer, m_childType);
}

bool CElementInfoAllAbsClsMnd::ElementFromXml(const CXmlSerializationContext&, CXmlGeneratedClass*, CXmlElement*,
                                              CXmlElement**, const wchar_t*, XmlElementType) {
    throw CNyException(
        std::wstring(L"CElementInfoAllAbsClsMnd::ElementFromXml, has not been implemented fully, contact ") +
        kSupportContact);
}

bool CElementInfoAllAbsClsMnd::Validate(const CXmlSerializationContext&, const CXmlGeneratedClass*, bool found,
                                        bool strict) const {
    return ValidateMandatory(found, strict);
}

CElementInfoAllAbsClsOpt::CElementInfoAllAbsClsOpt(const wchar_t* name, const wchar_t* namespaceUri,
                                                   int propertyIndex, XmlElementType childType,
                                                   CreateFromElementFunction create)
    : CElementInfoAll(name, namespaceUri, propertyIndex), m_childType(childType), m_create(create) {}

bool CElementInfoAllAbsClsOpt::ElementToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                                            CXmlWriter* writer) const {
    return ElementToXmlCls(ctx, object, writer, false);
}

void CElementInfoAllAbsClsOpt::PseudoChildAttributeToXml(const CXmlSerializationContext& ctx,
                                                         const CXmlGeneratedClass* object,
                                                         CXmlWriter* writer) const {
    ChildAttributesToXml(ctx, object, writer, m_childType);
}

bool CElementInfoAllAbsClsOpt::ElementFromXml(const CXmlSerializationContext&, CXmlGeneratedClass*, CXmlElement*,
                                              CXmlElement**, const wchar_t*, XmlElementType) {
    throw CNyException(
        std::wstring(L"CElementInfoAllAbsClsOpt::ElementFromXml, has not been implemented fully, contact ") +
        kSupportContact);
}

bool CElementInfoAllAbsClsOpt::Validate(const CXmlSerializationContext&, const CXmlGeneratedClass*, bool,
                                        bool) const {
    return true;
}

// ---- wildcards ----

CElementInfoAllUntpdMnd::CElementInfoAllUntpdMnd(const wchar_t* name, const wchar_t* namespaceUri,
                                                 int propertyIndex, const wchar_t* allowedNamespaces,
                                                 const wchar_t* targetNamespace)
    : CElementInfoAll(name, namespaceUri, propertyIndex), m_allowed(allowedNamespaces ? allowedNamespaces : L""),
      m_target(targetNamespace ? targetNamespace : L"") {}

bool CElementInfoAllUntpdMnd::ElementToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                                           CXmlWriter* writer) const {
    return ElementToXmlCls(ctx, object, writer, false);
}

bool CElementInfoAllUntpdMnd::ElementFromXml(const CXmlSerializationContext& ctx, CXmlGeneratedClass* object,
                                             CXmlElement* element, CXmlElement** cursor, const wchar_t*,
                                             XmlElementType) {
    CXmlElement* current = *cursor;
    if (!current) return false;
    CXmlObjectBase* child = HeldObject(object);
    if (!child)
        throw CNyException(
            FormatString(L"The mandatory element [%s] has no object to read into", ElementName().c_str()));
    CXmlElement* next = current;
    if (IsAnyElementName() || current->GetLocalName() == ElementName())
        next = FromXml_Int(child, element, current, ctx, false);
    if (next == current) return false;
    *cursor = next;
    return true;
}

bool CElementInfoAllUntpdMnd::Validate(const CXmlSerializationContext&, const CXmlGeneratedClass*, bool found,
                                       bool strict) const {
    return ValidateMandatory(found, strict);
}

CElementInfoAllUntpdOpt::CElementInfoAllUntpdOpt(const wchar_t* name, const wchar_t* namespaceUri,
                                                 int propertyIndex, const wchar_t* allowedNamespaces,
                                                 const wchar_t* targetNamespace)
    : CElementInfoAll(name, namespaceUri, propertyIndex), m_allowed(allowedNamespaces ? allowedNamespaces : L""),
      m_target(targetNamespace ? targetNamespace : L"") {}

bool CElementInfoAllUntpdOpt::ElementToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                                           CXmlWriter* writer) const {
    return ElementToXmlCls(ctx, object, writer, false);
}

bool CElementInfoAllUntpdOpt::ElementFromXml(const CXmlSerializationContext& ctx, CXmlGeneratedClass* object,
                                             CXmlElement* element, CXmlElement** cursor,
                                             const wchar_t* classNamespace, XmlElementType) {
    CSmartPtr<CElement> read = ReadUntypedElement(ctx, element, cursor, m_allowed, m_target, classNamespace);
    if (!read) return false;
    StoreObject(object, read.Get());
    return true;
}

bool CElementInfoAllUntpdOpt::Validate(const CXmlSerializationContext&, const CXmlGeneratedClass*, bool,
                                       bool) const {
    return true;
}

}  // namespace NyXmlLib9Data
