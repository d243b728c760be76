#include <nyxml/metadata.h>

#include <nyxml/collections.h>
#include <nyxml/document.h>
#include <nyxml/untyped.h>
#include <nyxml/writer.h>

#include "document/TreeAccess.h"
#include "values/WhitespaceInternal.h"
#include "foundation/TextInternal.h"
#include "metadata/FacetBridge.h"

namespace NyXmlLib9Data {

using namespace NyXmlLib9;

namespace {
const wchar_t* Str(const wchar_t* s) { return s ? s : L""; }
}  // namespace

// ---- CParentElementInfo ----

CParentElementInfo::CParentElementInfo(XmlElementGroupType groupType, XmlElementType elementType, const wchar_t* name,
                                       const wchar_t* namespaceUri, int textPropertyIndex, bool failIfAttributeUnknown,
                                       bool hasBaseClasses)
    : m_groupType(groupType), m_elementType(elementType), m_name(Str(name)), m_namespace(Str(namespaceUri)),
      m_textPropertyIndex(textPropertyIndex), m_failIfAttributeUnknown(failIfAttributeUnknown),
      m_hasBaseClasses(hasBaseClasses) {}

CParentElementInfo::~CParentElementInfo() = default;

// ---- CElementInfo ----

CElementInfo::CElementInfo(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex)
    : m_name(Str(name)), m_namespace(Str(namespaceUri)), m_propertyIndex(propertyIndex), m_type(ItemType_none),
      m_format(nullptr), m_whitespace(CWhitespaceUtils::WhitespaceRule_None), m_hasPrimitiveInformation(false) {}

CElementInfo::CElementInfo(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex, ItemType type,
                           const wchar_t* format, CWhitespaceUtils::WhitespaceRule whitespace,
                           const CPrimitiveRestrictions& restrictions)
    : m_name(Str(name)), m_namespace(Str(namespaceUri)), m_propertyIndex(propertyIndex),
      m_restrictions(restrictions), m_type(type), m_format(format), m_whitespace(whitespace),
      m_hasPrimitiveInformation(true) {}

CElementInfo::~CElementInfo() = default;

void CElementInfo::PseudoChildAttributeToXml(const CXmlSerializationContext&, const CXmlGeneratedClass*,
                                             CXmlWriter*) const {}

bool CElementInfo::AllowsEmptyChoice(const CXmlGeneratedClass*) const { return false; }

void CElementInfo::AccessProperty(CXmlGeneratedClass* object, bool read, NyVariant& value) const {
    object->AccessProperty(m_propertyIndex, read, value);
}

void CElementInfo::ReadProperty(const CXmlGeneratedClass* object, NyVariant& value) const {
    object->ReadProperty(m_propertyIndex, value);
}

bool CElementInfo::IsThisElement(const CXmlSerializationContext& ctx, const CXmlElement* element) const {
    if (!element) return false;
    // A tree read from a document lies in its blocks in document order, and
    // elements are matched in that order: asking for the lines a little ahead
    // has the next elements in cache by the time they are matched.
    __builtin_prefetch(reinterpret_cast<const char*>(element) + 512);
    if (!SameText(element->GetLocalName(), m_name)) return false;
    return ctx.GetIgnoreNamespaces() || SameText(element->GetNamespaceURI(), m_namespace);
}

void CElementInfo::CheckRestriction(const NyVariant& value) const {
    // The type is named by GetType, which itself fails for a variant without
    // a type name (empty, object, collection).
    if (!m_hasPrimitiveInformation) throw CNyException(L"Cannot CheckRestriction for type: " + value.GetType());
    CheckFacets(m_name, value, m_type, m_restrictions);
}

std::wstring CElementInfo::GetAnyDefaultNamespace(const wchar_t* allowed, const wchar_t* classNamespace,
                                                  const wchar_t* targetNamespace) {
    std::wstring rule = Str(allowed);
    // A list led by a keyword is decided by its first token.
    size_t blank = rule.find(L' ');
    if (blank != std::wstring::npos && rule.size() >= 3 && rule.compare(0, 2, L"##") == 0)
        rule = rule.substr(0, blank);
    if (rule == L"##any") return Str(classNamespace);
    if (rule == L"##other") return *Str(classNamespace) ? std::wstring() : std::wstring(L"DefaultNamespace");
    if (rule == L"##targetNamespace") return Str(targetNamespace);
    return std::wstring();
}

CXmlElement* CElementInfo::FromXml_Int(CXmlObjectBase* object, CXmlElement* element, CXmlElement* firstChild,
                                       const CXmlSerializationContext& ctx, bool flag) {
    return object->FromXml_Int(element, firstChild, ctx, flag);
}

void CElementInfo::AttributesToXml_Int(const CXmlObjectBase* object, CXmlWriter* writer,
                                       const CXmlSerializationContext& ctx) const {
    object->AttributesToXml_Int(writer, ctx);
}

void CElementInfo::ToXml_Int(const CXmlObjectBase* object, CXmlWriter* writer, bool isDocumentRoot,
                             const wchar_t* namespaceUri, const CXmlSerializationContext& ctx, bool flag) {
    object->ToXml_Int(writer, isDocumentRoot, namespaceUri, ctx, flag);
}

// ---- shared writing ----

bool CElementInfo::ElementToXmlCls(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                                   CXmlWriter* writer, bool flag) const {
    NyVariant value;
    ReadProperty(object, value);
    CXmlObjectBase* child = value.PeekXmlObject();
    if (!child) return false;
    ToXml_Int(child, writer, false, m_namespace.c_str(), ctx, flag);
    return true;
}

bool CElementInfo::ElementToXmlCol(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                                   CXmlWriter* writer) const {
    NyVariant value;
    ReadProperty(object, value);
    CXmlCollectionBase* collection = value.PeekXmlCollection();
    if (!collection || collection->GetCount() < 1) return false;
    ToXml_Int(collection, writer, false, m_namespace.c_str(), ctx, false);
    return true;
}

bool CElementInfo::ElementToXmlPrim(const CXmlSerializationContext&, const CXmlGeneratedClass* object,
                                    CXmlWriter* writer) const {
    NyVariant value;
    ReadProperty(object, value);
    if (!value.IsValid()) return false;
    CheckRestriction(value);
    writer->StartElement(m_name, m_namespace);
    writer->WriteText(value.ToString(m_format), value.GetTypeAsEnum());
    writer->EndElement();
    return true;
}

bool CElementInfo::ElementToXmlPrimOpt(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                                       CXmlWriter* writer) const {
    return ElementToXmlPrim(ctx, object, writer);
}

bool CElementInfo::ElementToXmlEnum(const CXmlSerializationContext&, const CXmlGeneratedClass* object,
                                    CXmlWriter* writer, EnumToTextFunction toText) const {
    NyVariant value;
    ReadProperty(object, value);
    if (!value.IsValid()) return false;
    writer->StartElement(m_name, m_namespace);
    writer->WriteText(Str(toText(value.GetI4())), ItemType_string);
    writer->EndElement();
    return true;
}

bool CElementInfo::ElementToXmlEnumOpt(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                                       CXmlWriter* writer, EnumToTextFunction toText) const {
    return ElementToXmlEnum(ctx, object, writer, toText);
}

// ---- shared reading ----

void CElementInfo::ReadPrimitive(CXmlGeneratedClass* object, const CXmlElement* element) const {
    NyVariant value;
    // A string kept as it is (xs:string) is made straight from the tree's
    // text, without a copy in the scratch string first.
    if (m_type == ItemType_string && m_whitespace == CWhitespaceUtils::WhitespaceRule_Preserve)
        value.SetString(WhitespaceDetail::Preserved(CXmlTreeAccess::TextData(element),
                                                    CXmlTreeAccess::TextLength(element)));
    else
        value.FromString(CXmlTreeAccess::TextInScratch(element), m_type, m_whitespace);
    AccessProperty(object, false, value);
}

void CElementInfo::ReadEnum(CXmlGeneratedClass* object, const CXmlElement* element,
                            EnumFromTextFunction fromText) const {
    NyVariant value;
    value.SetI4(fromText(CXmlTreeAccess::TextData(element)));
    AccessProperty(object, false, value);
}

CXmlObjectBase* CElementInfo::HeldObject(const CXmlGeneratedClass* object) const {
    NyVariant value;
    ReadProperty(object, value);
    // The generated object keeps its own reference: the pointer stays valid.
    return value.PeekXmlObject();
}

CXmlCollectionBase* CElementInfo::HeldCollection(const CXmlGeneratedClass* object) const {
    NyVariant value;
    ReadProperty(object, value);
    CXmlCollectionBase* collection = value.PeekXmlCollection();
    if (!collection)
        throw CNyException(FormatString(L"The collection property of the element [%s] holds no collection",
                                        m_name.c_str()));
    return collection;
}

void CElementInfo::StoreObject(CXmlGeneratedClass* object, CXmlObjectBase* child) const {
    NyVariant value;
    value.SetXmlObject(child);
    AccessProperty(object, false, value);
}

void CElementInfo::ChildAttributesToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                                        CXmlWriter* writer, XmlElementType childType) const {
    if (childType != XmlElementType_NoElement) return;
    NyVariant value;
    ReadProperty(object, value);
    if (CXmlObjectBase* child = value.PeekXmlObject()) AttributesToXml_Int(child, writer, ctx);
    if (CXmlCollectionBase* collection = value.PeekXmlCollection()) AttributesToXml_Int(collection, writer, ctx);
}

CXmlElement* CElementInfo::ReadCollection(const CXmlSerializationContext& ctx, CXmlCollectionBase* collection,
                                          CXmlElement* element, CXmlElement* current, bool untyped) const {
    if (untyped && !IsAnyElementName()) {
        // A named wildcard collection reads only elements of its name, in the
        // namespace of the element at hand.
        CElementCol* elements = dynamic_cast<CElementCol*>(collection);
        if (!elements)
            throw CNyException(L"Serialization Data Error : The collection should be a CElementCol, it was not!");
        std::wstring ns = current ? current->GetNamespaceURI() : std::wstring();
        return elements->FromXmlLockElementName_Int(m_name, ns, element, current, ctx);
    }
    return FromXml_Int(collection, element, current, ctx, false);
}

CSmartPtr<CElement> CElementInfo::ReadUntypedElement(const CXmlSerializationContext& ctx, CXmlElement* element,
                                                     CXmlElement** cursor, const std::wstring& allowed,
                                                     const std::wstring& target,
                                                     const wchar_t* classNamespace) const {
    CXmlElement* current = *cursor;
    if (!current) return CSmartPtr<CElement>();
    std::wstring ns = GetAnyDefaultNamespace(allowed.c_str(), classNamespace, target.c_str());
    CSmartPtr<CElement> untyped(new CElement(m_name.c_str(), ns.c_str(), allowed.c_str(), target.c_str()));
    if (!IsAnyElementName() && current->GetLocalName() != m_name) return CSmartPtr<CElement>();
    CXmlElement* next = FromXml_Int(untyped, element, current, ctx, false);
    if (next == current) return CSmartPtr<CElement>();
    *cursor = next;
    return untyped;
}

void CElementInfo::ThrowRequired() const {
    throw CNyValidationException(FormatString(L"Failed to find a required element [%s]", m_name.c_str()));
}

void CElementInfo::ThrowNotImplemented() { throw CNyException(L"Not implemented, should never be called"); }

}  // namespace NyXmlLib9Data
