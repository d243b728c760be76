#include <nyxml/metadata.h>

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

// ---- CAttributeInfo ----

CAttributeInfo::CAttributeInfo(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex, bool optional,
                               const wchar_t* defaultValue)
    : m_name(Str(name)), m_namespace(Str(namespaceUri)), m_propertyIndex(propertyIndex), m_optional(optional),
      m_defaultValue(Str(defaultValue)) {}

CAttributeInfo::~CAttributeInfo() = default;

void CAttributeInfo::Validate(const CXmlSerializationContext&, bool found) const {
    if (!m_optional && !found)
        throw CNyValidationException(FormatString(L"Failed to find the required Attribute [%s]", m_name.c_str()));
}

void CAttributeInfo::CheckValue(const NyVariant&) const {}

bool CAttributeInfo::IsThisAttribute(const CXmlSerializationContext& ctx, CXmlAttribute* attribute) const {
    if (!attribute || !SameText(attribute->GetLocalName(), m_name)) return false;
    return ctx.GetIgnoreNamespaces() || SameText(attribute->GetNamespaceURI(), m_namespace);
}

void CAttributeInfo::AccessProperty(CXmlGeneratedClass* object, bool read, NyVariant& value) const {
    object->AccessProperty(m_propertyIndex, read, value);
}

void CAttributeInfo::ReadProperty(const CXmlGeneratedClass* object, NyVariant& value) const {
    object->ReadProperty(m_propertyIndex, value);
}

std::wstring CAttributeInfo::GetTargetNamespace(const CXmlObjectBase* object) {
    return const_cast<CXmlObjectBase*>(object)->GetTargetNamespace();
}

void CAttributeInfo::TestNamespace(const std::wstring& ns, const std::wstring& rule,
                                   const std::wstring& targetNamespace) {
    if (!CXmlObjectBase::IsNamespaceValid(ns.c_str(), rule.c_str(), targetNamespace.c_str()))
        throw CNyInvalidNamespaceException(
            FormatString(L"Invalid namespace [%s]. The namespace must be one of [%s] where the target namespace is [%s]",
                         ns.c_str(), rule.c_str(), targetNamespace.c_str()));
}

void CAttributeInfo::ToXml_Int(const CXmlObjectBase* object, CXmlWriter* writer, bool isDocumentRoot,
                               const wchar_t* namespaceUri, const CXmlSerializationContext& ctx) {
    object->ToXml_Int(writer, isDocumentRoot, namespaceUri, ctx, false);
}

bool CAttributeInfo::ShouldWrite(const CXmlSerializationContext& ctx, const NyVariant&,
                                 const std::wstring& text) const {
    return !(m_optional && !m_defaultValue.empty() && ctx.GetNoOptionalAttributeDefaultOutput() &&
             text == m_defaultValue);
}

// ---- CAttributeInfoPrimitive ----

CAttributeInfoPrimitive::CAttributeInfoPrimitive(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex,
                                                 bool optional, ItemType type, const wchar_t* format,
                                                 CWhitespaceUtils::WhitespaceRule whitespace,
                                                 const CPrimitiveRestrictions& restrictions,
                                                 const wchar_t* defaultValue)
    : CAttributeInfo(name, namespaceUri, propertyIndex, optional, defaultValue), m_restrictions(restrictions),
      m_type(type), m_format(format), m_whitespace(whitespace) {}

void CAttributeInfoPrimitive::CheckRestriction(NyVariant value) const { CheckValue(value); }

void CAttributeInfoPrimitive::CheckValue(const NyVariant& value) const {
    CheckFacets(GetName(), value, m_type, m_restrictions);
}

void CAttributeInfoPrimitive::AttributeToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                                             CXmlWriter* writer) const {
    NyVariant value;
    ReadProperty(object, value);
    if (IsOptional() && !value.IsValid()) return;
    std::wstring text = value.ToString(m_format);
    if (!ShouldWrite(ctx, value, text)) return;
    CheckFacets(GetName(), value, m_type, m_restrictions);
    writer->WriteAttribute(GetName(), GetNamespace(), text, value.GetTypeAsEnum());
}

bool CAttributeInfoPrimitive::AttributeFromXml(const CXmlSerializationContext&, CXmlGeneratedClass* object,
                                               CXmlAttribute* attribute) {
    // Primitive attributes always compare both names, whatever the context.
    if (!attribute || !SameText(attribute->GetLocalName(), GetName()) ||
        !SameText(attribute->GetNamespaceURI(), GetNamespace()))
        return false;
    NyVariant value;
    // A string kept as it is is made straight from the tree's value.
    if (m_type == ItemType_string && m_whitespace == CWhitespaceUtils::WhitespaceRule_Preserve)
        value.SetString(WhitespaceDetail::Preserved(CXmlTreeAccess::ValueData(attribute),
                                                    CXmlTreeAccess::ValueLength(attribute)));
    else
        value.FromString(CXmlTreeAccess::ValueInScratch(attribute), m_type, m_whitespace);
    AccessProperty(object, false, value);
    return true;
}

// ---- CAttributeInfoEnum ----

CAttributeInfoEnum::CAttributeInfoEnum(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex,
                                       bool optional, EnumToTextFunction toText, EnumFromTextFunction fromText,
                                       const wchar_t* defaultValue)
    : CAttributeInfo(name, namespaceUri, propertyIndex, optional, defaultValue), m_toText(toText),
      m_fromText(fromText) {}

void CAttributeInfoEnum::AttributeToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                                        CXmlWriter* writer) const {
    NyVariant value;
    ReadProperty(object, value);
    if (IsOptional() && !value.IsValid()) return;
    std::wstring text = Str(m_toText(value.GetI4()));
    if (!ShouldWrite(ctx, value, text)) return;
    writer->WriteAttribute(GetName(), GetNamespace(), text, ItemType_string);
}

bool CAttributeInfoEnum::AttributeFromXml(const CXmlSerializationContext& ctx, CXmlGeneratedClass* object,
                                          CXmlAttribute* attribute) {
    if (!IsThisAttribute(ctx, attribute)) return false;
    NyVariant value;
    value.SetI4(m_fromText(CXmlTreeAccess::ValueData(attribute)));
    AccessProperty(object, false, value);
    return true;
}

// ---- CAttributeInfoAny ----

CAttributeInfoAny::CAttributeInfoAny(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex,
                                     bool optional, const wchar_t* namespaceRule, const wchar_t* targetNamespace,
                                     const wchar_t* defaultValue)
    : CAttributeInfo(name, namespaceUri, propertyIndex, optional, defaultValue), m_namespaceRule(Str(namespaceRule)),
      m_targetNamespace(Str(targetNamespace)) {}

void CAttributeInfoAny::AttributeToXml(const CXmlSerializationContext& ctx, const CXmlGeneratedClass* object,
                                       CXmlWriter* writer) const {
    NyVariant value;
    ReadProperty(object, value);
    CXmlObjectBase* held = value.PeekXmlObject();
    if (!held) held = value.PeekXmlCollection();
    if (!held) return;
    std::wstring target = GetTargetNamespace(object);
    ToXml_Int(held, writer, false, target.c_str(), ctx);
}

bool CAttributeInfoAny::AttributeFromXml(const CXmlSerializationContext&, CXmlGeneratedClass* object,
                                         CXmlAttribute* attribute) {
    TestNamespace(attribute->GetNamespaceURI(), m_namespaceRule, m_targetNamespace);
    NyVariant value;
    ReadProperty(object, value);
    CXmlObjectBase* held = value.PeekXmlObject();
    if (!held) held = value.PeekXmlCollection();
    CAttributeCol* attributes = dynamic_cast<CAttributeCol*>(held);
    if (!attributes) throw CNyException(L"Serialization Data Error : The collection should be a CAttributeCol, it was not!");
    attributes->Add(attribute->GetLocalName().c_str(), CXmlTreeAccess::ValueData(attribute),
                    attribute->GetNamespaceURI().c_str());
    return true;
}

void CAttributeInfoAny::Validate(const CXmlSerializationContext&, bool) const {}

}  // namespace NyXmlLib9Data
