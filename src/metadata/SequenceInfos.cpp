// Members of a sequence: read and written in order.
#include <nyxml/metadata.h>

#include <nyxml/collections.h>
#include <nyxml/document.h>
#include <nyxml/untyped.h>

namespace NyXmlLib9Data {

using namespace NyXmlLib9;

namespace {

void Consume(CXmlElement** cursor) { *cursor = (*cursor)->GetNextSiblingElement(); }

}  // namespace

bool CElementInfoSeq::Validate(const CXmlSerializationContext&, const CXmlGeneratedClass*, bool, bool) const {
    ThrowNotImplemented();
}

bool CElementInfoSeq::Search(const CXmlSerializationContext& ctx, CXmlElement** cursor) const {
    for (;;) {
        if (*cursor && IsThisElement(ctx, *cursor)) return true;
        if (ctx.GetIgnoreMissingMandatoryElements()) return false;
        if (!ctx.GetIgnoreUnknownElements() || !*cursor) ThrowRequired();
        Consume(cursor);  // skip an unknown element
    }
}

// ---- collections ----

CElementInfoSeqCol::CElementInfoSeqCol(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex)
    : CElementInfoSeq(name, namespaceUri, propertyIndex) {}

bool CElementInfoSeqCol::ElementToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                                      CXmlWriter* writer) const {
    if (!ctx.GetIgnoreInvalidCollectionCounts()) HeldCollection(object)->ValidateCount(ctx);
    return ElementToXmlCol(ctx, object, writer);
}

bool CElementInfoSeqCol::ElementFromXml(const CXmlSerializationContext& ctx, CXmlGeneratedClass* object,
                                        CXmlElement* element, CXmlElement** cursor, const wchar_t*,
                                        XmlElementType elementType) {
    CXmlCollectionBase* collection = HeldCollection(object);
    *cursor = ReadCollection(ctx, collection, element, *cursor, IsUntypedCollection());
    if (elementType == XmlElementType_Element) {
        collection->ValidateCount(ctx);
        return true;
    }
    return collection->IsValidCount(ctx);
}

CElementInfoSeqClsCol::CElementInfoSeqClsCol(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex,
                                             XmlElementType childType)
    : CElementInfoSeqCol(name, namespaceUri, propertyIndex), m_childType(childType) {}

void CElementInfoSeqClsCol::PseudoChildAttributeToXml(const CXmlSerializationContext& ctx,
                                                      const CXmlGeneratedClass* object, CXmlWriter* writer) const {
    ChildAttributesToXml(ctx, object, writer, m_childType);
}

CElementInfoSeqAbsClsCol::CElementInfoSeqAbsClsCol(const wchar_t* name, const wchar_t* namespaceUri,
                                                   int propertyIndex, XmlElementType childType)
    : CElementInfoSeqCol(name, namespaceUri, propertyIndex), m_childType(childType) {}

void CElementInfoSeqAbsClsCol::PseudoChildAttributeToXml(const CXmlSerializationContext& ctx,
                                                         const CXmlGeneratedClass* object,
                                                         CXmlWriter* writer) const {
    ChildAttributesToXml(ctx, object, writer, m_childType);
}

// ---- primitives ----

CElementInfoSeqPrimMnd::CElementInfoSeqPrimMnd(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex,
                                               ItemType type, const wchar_t* format,
                                               CWhitespaceUtils::WhitespaceRule whitespace,
                                               const CPrimitiveRestrictions& restrictions)
    : CElementInfoSeq(name, namespaceUri, propertyIndex, type, format, whitespace, restrictions) {}

bool CElementInfoSeqPrimMnd::ElementToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                                          CXmlWriter* writer) const {
    return ElementToXmlPrim(ctx, object, writer);
}

bool CElementInfoSeqPrimMnd::ElementFromXml(const CXmlSerializationContext& ctx, CXmlGeneratedClass* object,
                                            CXmlElement*, CXmlElement** cursor, const wchar_t*,
                                            XmlElementType elementType) {
    if (elementType == XmlElementType_Element) {
        if (!Search(ctx, cursor)) return true;
    } else {
        while (*cursor && !IsThisElement(ctx, *cursor)) {
            if (!ctx.GetIgnoreUnknownElements()) return false;
            Consume(cursor);
        }
        if (!*cursor) return false;
    }
    ReadPrimitive(object, *cursor);
    Consume(cursor);
    return true;
}

CElementInfoSeqPrimOpt::CElementInfoSeqPrimOpt(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex,
                                               ItemType type, const wchar_t* format,
                                               CWhitespaceUtils::WhitespaceRule whitespace,
                                               const CPrimitiveRestrictions& restrictions)
    : CElementInfoSeq(name, namespaceUri, propertyIndex, type, format, whitespace, restrictions) {}

bool CElementInfoSeqPrimOpt::ElementToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                                          CXmlWriter* writer) const {
    return ElementToXmlPrimOpt(ctx, object, writer);
}

bool CElementInfoSeqPrimOpt::ElementFromXml(const CXmlSerializationContext& ctx, CXmlGeneratedClass* object,
                                            CXmlElement*, CXmlElement** cursor, const wchar_t*, XmlElementType) {
    if (IsThisElement(ctx, *cursor)) {
        ReadPrimitive(object, *cursor);
        Consume(cursor);
    }
    return true;
}

// ---- enumerations ----

CElementInfoSeqEnumMnd::CElementInfoSeqEnumMnd(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex,
                                               EnumToTextFunction toText, EnumFromTextFunction fromText)
    : CElementInfoSeq(name, namespaceUri, propertyIndex), m_toText(toText), m_fromText(fromText) {}

bool CElementInfoSeqEnumMnd::ElementToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                                          CXmlWriter* writer) const {
    return ElementToXmlEnum(ctx, object, writer, m_toText);
}

bool CElementInfoSeqEnumMnd::ElementFromXml(const CXmlSerializationContext& ctx, CXmlGeneratedClass* object,
                                            CXmlElement*, CXmlElement** cursor, const wchar_t*,
                                            XmlElementType elementType) {
    if (elementType == XmlElementType_Element) {
        if (!Search(ctx, cursor)) return true;
    } else if (!IsThisElement(ctx, *cursor)) {
        return false;
    }
    ReadEnum(object, *cursor, m_fromText);
    Consume(cursor);
    return true;
}

CElementInfoSeqEnumOpt::CElementInfoSeqEnumOpt(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex,
                                               EnumToTextFunction toText, EnumFromTextFunction fromText)
    : CElementInfoSeq(name, namespaceUri, propertyIndex), m_toText(toText), m_fromText(fromText) {}

bool CElementInfoSeqEnumOpt::ElementToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                                          CXmlWriter* writer) const {
    return ElementToXmlEnumOpt(ctx, object, writer, m_toText);
}

bool CElementInfoSeqEnumOpt::ElementFromXml(const CXmlSerializationContext& ctx, CXmlGeneratedClass* object,
                                            CXmlElement*, CXmlElement** cursor, const wchar_t*, XmlElementType) {
    if (IsThisElement(ctx, *cursor)) {
        ReadEnum(object, *cursor, m_fromText);
        Consume(cursor);
    }
    return true;
}

// ---- classes ----

CElementInfoSeqClsMnd::CElementInfoSeqClsMnd(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex,
                                             XmlElementType childType, CreateObjectFunction create, int classId,
                                             bool mustConsume)
    : CElementInfoSeq(name, namespaceUri, propertyIndex), m_childType(childType), m_create(create),
      m_classId(classId), m_mustConsume(mustConsume) {}

bool CElementInfoSeqClsMnd::ElementToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                                         CXmlWriter* writer) const {
    return ElementToXmlCls(ctx, object, writer, false);
}

void CElementInfoSeqClsMnd::PseudoChildAttributeToXml(const CXmlSerializationContext& ctx,
                                                      const CXmlGeneratedClass* object, CXmlWriter* writer) const {
    ChildAttributesToXml(ctx, object, writer, m_childType);
}

namespace {

CXmlObjectBase* RequireHeld(CXmlObjectBase* child, const std::wstring& name) {
    // A mandatory class member holds its object before reading starts.
    if (!child)
        throw CNyException(FormatString(L"The mandatory element [%s] has no object to read into", name.c_str()));
    return child;
}

}  // namespace

bool CElementInfoSeqClsMnd::ElementFromXml(const CXmlSerializationContext& ctx, CXmlGeneratedClass* object,
                                           CXmlElement* element, CXmlElement** cursor, const wchar_t*,
                                           XmlElementType elementType) {
    const bool ownElement = elementType == XmlElementType_Element;
    if (m_childType == XmlElementType_Element) {
        if (ownElement) {
            if (!Search(ctx, cursor)) return true;
        } else if (!IsThisElement(ctx, *cursor)) {
            return false;
        }
        CXmlObjectBase* child = RequireHeld(HeldObject(object), ElementName());
        FromXml_Int(child, *cursor, (*cursor)->GetFirstElement(), ctx, false);
        Consume(cursor);
        return true;
    }
    CXmlElement* current = *cursor;
    if (!m_mustConsume) {
        CXmlObjectBase* child = RequireHeld(HeldObject(object), ElementName());
        CXmlElement* next = FromXml_Int(child, element, current, ctx, false);
        if (current && next == current && ctx.GetIgnoreUnknownElements() && ownElement) return false;
        *cursor = next;
        return true;
    }
    if (!current) {
        if (!ownElement) return false;
        ThrowRequired();
    }
    CXmlObjectBase* child = RequireHeld(HeldObject(object), ElementName());
    CXmlElement* next = FromXml_Int(child, element, current, ctx, false);
    if (next != current) {
        *cursor = next;
        return true;
    }
    if (!ownElement) return false;
    ThrowRequired();
}

CElementInfoSeqClsOpt::CElementInfoSeqClsOpt(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex,
                                             XmlElementType childType, CreateObjectFunction create, int classId)
    : CElementInfoSeq(name, namespaceUri, propertyIndex), m_childType(childType), m_create(create),
      m_classId(classId) {}

bool CElementInfoSeqClsOpt::ElementToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                                         CXmlWriter* writer) const {
    return ElementToXmlCls(ctx, object, writer, false);
}

void CElementInfoSeqClsOpt::PseudoChildAttributeToXml(const CXmlSerializationContext& ctx,
                                                      const CXmlGeneratedClass* object, CXmlWriter* writer) const {
    ChildAttributesToXml(ctx, object, writer, m_childType);
}

bool CElementInfoSeqClsOpt::ElementFromXml(const CXmlSerializationContext& ctx, CXmlGeneratedClass* object,
                                           CXmlElement* element, CXmlElement** cursor, const wchar_t*,
                                           XmlElementType) {
    CXmlElement* current = *cursor;
    if (m_childType == XmlElementType_Element) {
        if (IsThisElement(ctx, current)) {
            CSmartPtr<CXmlObjectBase> child = m_create(m_classId, ElementName().c_str());
            FromXml_Int(child, current, current->GetFirstElement(), ctx, false);
            Consume(cursor);
            StoreObject(object, child);
        }
        return true;
    }
    if (current) {
        CSmartPtr<CXmlObjectBase> child = m_create(m_classId, ElementName().c_str());
        CXmlElement* next = FromXml_Int(child, element, current, ctx, false);
        if (next != current) StoreObject(object, child);
        *cursor = next;
    }
    return true;
}

// ---- abstract classes ----

CElementInfoSeqAbsClsMnd::CElementInfoSeqAbsClsMnd(const wchar_t* name, const wchar_t* namespaceUri,
                                                   int propertyIndex, XmlElementType childType,
                                                   CreateFromElementFunction create)
    : CElementInfoSeq(name, namespaceUri, propertyIndex), m_childType(childType), m_create(create) {}

bool CElementInfoSeqAbsClsMnd::ElementToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                                            CXmlWriter* writer) const {
    return ElementToXmlCls(ctx, object, writer, false);
}

void CElementInfoSeqAbsClsMnd::PseudoChildAttributeToXml(const CXmlSerializationContext& ctx,
                                                         const CXmlGeneratedClass* object,
                                                         CXmlWriter* writer) const {
    ChildAttributesToXml(ctx, object, writer, m_childType);
}

bool CElementInfoSeqAbsClsMnd::ElementFromXml(const CXmlSerializationContext& ctx, CXmlGeneratedClass* object,
                                              CXmlElement*, CXmlElement** cursor, const wchar_t*,
                                              XmlElementType elementType) {
    CXmlElement* current = *cursor;
    CSmartPtr<CXmlObjectBase> child;
    if (IsThisElement(ctx, current)) child = m_create(current);
    if (!child) {
        if (elementType != XmlElementType_Element) return false;
        throw CNyValidationException(
            FormatString(L"Failed to find a suitable substitution element for [%s]", ElementName().c_str()));
    }
    FromXml_Int(child, current, current->GetFirstElement(), ctx, false);
    StoreObject(object, child);
    Consume(cursor);
    return true;
}

CElementInfoSeqAbsClsOpt::CElementInfoSeqAbsClsOpt(const wchar_t* name, const wchar_t* namespaceUri,
                                                   int propertyIndex, XmlElementType childType,
                                                   CreateFromElementFunction create)
    : CElementInfoSeq(name, namespaceUri, propertyIndex), m_childType(childType), m_create(create) {}

bool CElementInfoSeqAbsClsOpt::ElementToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                                            CXmlWriter* writer) const {
    return ElementToXmlCls(ctx, object, writer, false);
}

void CElementInfoSeqAbsClsOpt::PseudoChildAttributeToXml(const CXmlSerializationContext& ctx,
                                                         const CXmlGeneratedClass* object,
                                                         CXmlWriter* writer) const {
    ChildAttributesToXml(ctx, object, writer, m_childType);
}

bool CElementInfoSeqAbsClsOpt::ElementFromXml(const CXmlSerializationContext& ctx, CXmlGeneratedClass* object,
                                              CXmlElement*, CXmlElement** cursor, const wchar_t*, XmlElementType) {
    CXmlElement* current = *cursor;
    if (!current) return true;
    // No name check: the factory decides.
    CSmartPtr<CXmlObjectBase> child = m_create(current);
    if (child) {
        FromXml_Int(child, current, current->GetFirstElement(), ctx, false);
        StoreObject(object, child);
        Consume(cursor);
    }
    return true;
}

// ---- wildcards ----

CElementInfoSeqUntpdMnd::CElementInfoSeqUntpdMnd(const wchar_t* name, const wchar_t* namespaceUri,
                                                 int propertyIndex, const wchar_t* allowedNamespaces,
                                                 const wchar_t* targetNamespace)
    : CElementInfoSeq(name, namespaceUri, propertyIndex), m_allowed(allowedNamespaces ? allowedNamespaces : L""),
      m_target(targetNamespace ? targetNamespace : L"") {}

bool CElementInfoSeqUntpdMnd::ElementToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                                           CXmlWriter* writer) const {
    return ElementToXmlCls(ctx, object, writer, false);
}

bool CElementInfoSeqUntpdMnd::ElementFromXml(const CXmlSerializationContext& ctx, CXmlGeneratedClass* object,
                                             CXmlElement* element, CXmlElement** cursor, const wchar_t*,
                                             XmlElementType elementType) {
    CXmlElement* current = *cursor;
    if (!current) {
        // Only a class with its own element raises; a group lets its holder decide.
        if (elementType != XmlElementType_Element) return false;
        ThrowRequired();
    }
    CXmlObjectBase* child = RequireHeld(HeldObject(object), ElementName());
    CXmlElement* next = current;
    if (IsAnyElementName() || current->GetLocalName() == ElementName())
        next = FromXml_Int(child, element, current, ctx, false);
    if (next == current) {
        if (elementType != XmlElementType_Element) return false;
        throw CNyValidationException(
            FormatString(L"Failed to find the required element from namespace [%s]", ElementNamespace().c_str()));
    }
    *cursor = next;
    return true;
}

CElementInfoSeqUntpdOpt::CElementInfoSeqUntpdOpt(const wchar_t* name, const wchar_t* namespaceUri,
                                                 int propertyIndex, const wchar_t* allowedNamespaces,
                                                 const wchar_t* targetNamespace)
    : CElementInfoSeq(name, namespaceUri, propertyIndex), m_allowed(allowedNamespaces ? allowedNamespaces : L""),
      m_target(targetNamespace ? targetNamespace : L"") {}

bool CElementInfoSeqUntpdOpt::ElementToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                                           CXmlWriter* writer) const {
    return ElementToXmlCls(ctx, object, writer, false);
}

bool CElementInfoSeqUntpdOpt::ElementFromXml(const CXmlSerializationContext& ctx, CXmlGeneratedClass* object,
                                             CXmlElement* element, CXmlElement** cursor,
                                             const wchar_t* classNamespace, XmlElementType) {
    CSmartPtr<CElement> read = ReadUntypedElement(ctx, element, cursor, m_allowed, m_target, classNamespace);
    if (read) StoreObject(object, read.Get());
    return true;
}

}  // namespace NyXmlLib9Data
