// The engine that reads and writes generated classes from their metadata.
#include <nyxml/generated.h>

#include <nyxml/collections.h>
#include <nyxml/document.h>
#include <nyxml/metadata.h>
#include <nyxml/untyped.h>
#include <nyxml/writer.h>

#include "document/TreeAccess.h"
#include "foundation/TextInternal.h"

#include <cstdint>
#include <cwchar>
#include <cwctype>
#include <string_view>
#include <typeinfo>
#include <vector>

namespace NyXmlLib9 {

using namespace NyXmlLib9Data;

CNYCriticalSection CXmlGeneratedClass::m_csInit;

namespace {

// The object as an INillable, or null. A dynamic cast that fails searches the
// whole class hierarchy, and most classes are not nillable: the answer is kept
// per class (by its type) in a small table of the calling thread, so the cast
// is made only for classes that are nillable.
INillable* AsNillable(CXmlGeneratedClass* object) {
    struct Known {
        const std::type_info* type;
        bool nillable;
    };
    thread_local Known known[16];
    const std::type_info* type = &typeid(*object);
    Known& entry = known[(reinterpret_cast<uintptr_t>(type) >> 4) & 15];
    if (entry.type == type) return entry.nillable ? dynamic_cast<INillable*>(object) : nullptr;
    INillable* nillable = dynamic_cast<INillable*>(object);
    entry.type = type;
    entry.nillable = nillable != nullptr;
    return nillable;
}

// Nesting of generated classes being read or written on this thread, and
// whether the limit was hit: that one exception passes every level unwrapped,
// so that it stays one clear message and is not copied once per level.
thread_local int32_t t_depth = 0;
thread_local bool t_depthExceeded = false;

[[noreturn]] void ThrowDepthExceeded(const CXmlSerializationContext& ctx, const std::wstring& elementName) {
    t_depthExceeded = true;
    throw CNyValidationException(
        FormatString(L"The element [%s] is nested deeper than the maximum depth [%d] of the serialization context "
                     L"(CXmlSerializationContext::SetMaxDepth)",
                     elementName.c_str(), ctx.GetMaxDepth()));
}

// One level of nesting, entered after the check against the limit.
class CDepthGuard {
public:
    CDepthGuard() { ++t_depth; }
    ~CDepthGuard() {
        if (--t_depth == 0) t_depthExceeded = false;
    }
    CDepthGuard(const CDepthGuard&) = delete;
    CDepthGuard& operator=(const CDepthGuard&) = delete;
};

}  // namespace

CXmlGeneratedClass::CXmlGeneratedClass() = default;
CXmlGeneratedClass::CXmlGeneratedClass(const CXmlGeneratedClass& other) = default;
CXmlGeneratedClass& CXmlGeneratedClass::operator=(const CXmlGeneratedClass& other) = default;
CXmlGeneratedClass::~CXmlGeneratedClass() = default;

void CXmlGeneratedClass::ReadProperty(int propertyIndex, NyVariant& value) const {
    const_cast<CXmlGeneratedClass*>(this)->AccessProperty(propertyIndex, true, value);
}

CParentElementInfo* CXmlGeneratedClass::GetClassInfo() const {
    return const_cast<CXmlGeneratedClass*>(this)->GetClassInfo();
}

CElementInfo** CXmlGeneratedClass::GetClassElementInfo() const {
    return const_cast<CXmlGeneratedClass*>(this)->GetClassElementInfo();
}

CAttributeInfo** CXmlGeneratedClass::GetClassAttributeInfo() const {
    return const_cast<CXmlGeneratedClass*>(this)->GetClassAttributeInfo();
}

int CXmlGeneratedClass::GetClassElementInfoCount() const {
    int n = 0;
    for (CElementInfo** e = GetClassElementInfo(); e && *e; ++e) ++n;
    return n;
}

bool CXmlGeneratedClass::IsElementInList(const CXmlSerializationContext& ctx, CXmlElement* element) const {
    if (!element) return false;
    for (CElementInfo** e = GetClassElementInfo(); e && *e; ++e)
        if (ctx.NamesMatch(element->GetLocalName(), element->GetNamespaceURI(), (*e)->ElementName(),
                           (*e)->ElementNamespace()))
            return true;
    return false;
}

bool CXmlGeneratedClass::DoesElementContainOptionalElements() const {
    for (CElementInfo** e = GetClassElementInfo(); e && *e; ++e)
        if ((*e)->AllowsEmptyChoice(this)) return true;
    return false;
}

void CXmlGeneratedClass::CleanMetaData(CParentElementInfo*& parent, CElementInfo**& elements,
                                       CAttributeInfo**& attributes) {
    delete parent;
    parent = nullptr;
    if (elements) {
        for (CElementInfo** e = elements; *e; ++e) {
            delete *e;
            *e = nullptr;
        }
        delete[] elements;
        elements = nullptr;
    }
    if (attributes) {
        for (CAttributeInfo** a = attributes; *a; ++a) {
            delete *a;
            *a = nullptr;
        }
        delete[] attributes;
        attributes = nullptr;
    }
}

// ---- writing ----

void CXmlGeneratedClass::ToXml_Int(CXmlWriter* writer, bool isDocumentRoot, const wchar_t* namespaceUri,
                                   const CXmlSerializationContext& ctx, bool flag) const {
    if (t_depth >= ctx.GetMaxDepth()) ThrowDepthExceeded(ctx, GetElementName());
    CDepthGuard depth;
    try {
        WriteContent(writer, isDocumentRoot, namespaceUri, ctx, flag);
    } catch (const CNyException& e) {
        if (t_depthExceeded) throw;
        throw CNyValidationException(
            FormatString(L"Failed to convert the element [%s] to XML", GetElementName().c_str()), e);
    }
}

namespace {

// The namespace a member hands down, as the string the writer takes. A
// document's elements keep to a few namespaces: the thread's last string is
// reused while the text is the same, instead of a string made and freed for
// every element. The writer copies what it keeps during the call.
const std::wstring& NamespaceString(const wchar_t* namespaceUri) {
    thread_local std::wstring last;
    const wchar_t* text = namespaceUri ? namespaceUri : L"";
    if (std::wcscmp(last.c_str(), text) != 0) last.assign(text);
    return last;
}

}  // namespace

void CXmlGeneratedClass::WriteContent(CXmlWriter* writer, bool isDocumentRoot, const wchar_t* namespaceUri,
                                      const CXmlSerializationContext& ctx, bool flag) const {
    const CParentElementInfo* info = GetClassInfo();
    const bool ownElement = info->GetElementType() == XmlElementType_Element;
    if (ownElement) {
        if (isDocumentRoot) {
            for (const std::wstring& pi : ctx.GetProcessingInstructions()) writer->WriteProcessingInstruction(pi);
            const CNamespaceAliasMap& aliases = ctx.GetNamespaceAliases();
            for (int i = 0; i < aliases.GetNamespaceCount(); ++i) {
                std::wstring ns = aliases.GetNamespaceAt(i);
                writer->AddNamespace(aliases.GetAliasFromNamespace(ns.c_str()), ns);
            }
            std::wstring defaultNamespace = ctx.GetDefaultNamespaceURI();
            if (!defaultNamespace.empty()) writer->SetDefaultNamespace(defaultNamespace);
        }
        writer->StartElement(ElementName(), NamespaceString(namespaceUri));
        if (isDocumentRoot) {
            // Created here when missing, so contexts copied after a write share it.
            CSmartPtr<CAttributeCol> extra = ctx.GetAdditionalRootAttributes();
            CXmlObjectBase::ToXml_Int(extra.Get(), writer, false, namespaceUri, ctx, flag);
        }
        AttributesToXml_Int(writer, ctx);
        if (isDocumentRoot) {
            std::wstring schema = ctx.GetInLineSchema();
            if (!schema.empty()) writer->WriteInLineSchema(schema);
        }
    }
    INillable* nillable = AsNillable(const_cast<CXmlGeneratedClass*>(this));
    if (nillable && nillable->IsNil()) {
        writer->WriteXsiNil();
    } else {
        CElementInfo** elements = GetClassElementInfo();
        switch (info->GetElementGroupType()) {
            case XmlElementGroupType_Sequence: ProcessElementSeqToXml(ctx, elements, writer); break;
            case XmlElementGroupType_All: ProcessElementAllToXml(ctx, elements, writer); break;
            case XmlElementGroupType_Choice: ProcessElementChoiceToXml(ctx, elements, writer, flag); break;
            default: throw CNyException(L"Unknown XML Group Type");
        }
        int textIndex = info->GetElementTextPropertyIndex();
        if (textIndex != -1) {
            NyVariant text;
            ReadProperty(textIndex, text);
            writer->WriteText(text.ToString(nullptr), text.GetTypeAsEnum());
        }
    }
    if (ownElement) writer->EndElement();
}

void CXmlGeneratedClass::AttributesToXml_Int(CXmlWriter* writer, const CXmlSerializationContext& ctx) const {
    try {
        const CParentElementInfo* info = GetClassInfo();
        if (ctx.GetWriteTypeAttribute() && info->GetHasBaseClasses() && ElementName() != info->ElementName())
            writer->WriteXsiType(info->ElementNamespace(), info->ElementName(), ItemType_string);
        ProcessAttributesToXml(ctx, GetClassElementInfo(), GetClassAttributeInfo(), writer);
    } catch (const CNyException& e) {
        throw CNyException(L"Failed to convert attributes to XML", e);
    }
}

void CXmlGeneratedClass::ProcessAttributesToXml(const CXmlSerializationContext& ctx, CElementInfo** elements,
                                                CAttributeInfo** attributes, CXmlWriter* writer) const {
    for (CAttributeInfo** a = attributes; a && *a; ++a) (*a)->AttributeToXml(ctx, this, writer);
    for (CElementInfo** e = elements; e && *e; ++e) (*e)->PseudoChildAttributeToXml(ctx, this, writer);
}

void CXmlGeneratedClass::ProcessElementSeqToXml(const CXmlSerializationContext& ctx, CElementInfo** elements,
                                                CXmlWriter* writer) const {
    for (CElementInfo** e = elements; e && *e; ++e) (*e)->ElementToXml(ctx, this, writer);
}

void CXmlGeneratedClass::ProcessElementAllToXml(const CXmlSerializationContext& ctx, CElementInfo** elements,
                                                CXmlWriter* writer) const {
    ProcessElementSeqToXml(ctx, elements, writer);
}

void CXmlGeneratedClass::ProcessElementChoiceToXml(const CXmlSerializationContext& ctx, CElementInfo** elements,
                                                   CXmlWriter* writer, bool flag) const {
    for (CElementInfo** e = elements; e && *e; ++e)
        if ((*e)->ElementToXml(ctx, this, writer)) return;
    if (!DoesElementContainOptionalElements() && !flag && !ctx.GetIgnoreMissingChoice())
        throw CNyValidationException(
            L"This element is a choice, and as such must have at one (and only one) valid item, currently there are "
            L"none set");
}

// ---- reading ----

CXmlElement* CXmlGeneratedClass::FromXml_Int(CXmlElement* element, CXmlElement* firstChild,
                                             const CXmlSerializationContext& ctx, bool flag) {
    if (t_depth >= ctx.GetMaxDepth()) ThrowDepthExceeded(ctx, element ? element->GetLocalName() : GetElementName());
    CDepthGuard depth;
    try {
        return ReadContent(element, firstChild, ctx, flag);
    } catch (const CNyException& e) {
        if (t_depthExceeded) throw;
        throw CNyValidationException(
            FormatString(L"Failed to process the element [%s]", element ? element->GetLocalName().c_str() : L""), e);
    }
}

CXmlElement* CXmlGeneratedClass::ReadContent(CXmlElement* element, CXmlElement* firstChild,
                                             const CXmlSerializationContext& ctx, bool flag) {
    Init();
    const CParentElementInfo* info = GetClassInfo();
    const XmlElementType elementType = info->GetElementType();
    if (elementType == XmlElementType_Element && element && ElementName() != element->GetLocalName())
        SetElementName(element->GetLocalName().c_str());
    if (element) ProcessAttributesFromXml(ctx, element, info->GetFromXmlFailIfAttributeUnknown());
    INillable* nillable = AsNillable(this);
    if (nillable && nillable->IsNil()) return firstChild;
    CXmlElement* next;
    switch (info->GetElementGroupType()) {
        case XmlElementGroupType_Sequence: next = ProcessElementSeqFromXml(ctx, element, firstChild, elementType); break;
        case XmlElementGroupType_Choice:
            next = ProcessElementChoiceFromXml(ctx, element, firstChild, elementType, flag);
            break;
        case XmlElementGroupType_All: next = ProcessElementAllFromXml(ctx, element, firstChild, elementType); break;
        default: throw CNyException(L"Unknow Group Type");
    }
    int textIndex = info->GetElementTextPropertyIndex();
    if (textIndex != -1 && element) {
        NyVariant text;
        text.SetString(CXmlTreeAccess::TextInScratch(element));
        AccessProperty(textIndex, false, text);
    }
    return next;
}

namespace {

bool EqualsIgnoringCase(const std::wstring& a, const wchar_t* b) {
    size_t n = std::wcslen(b);
    if (a.size() != n) return false;
    for (size_t i = 0; i < n; ++i)
        if (std::towlower(a[i]) != std::towlower(b[i])) return false;
    return true;
}

// One flag per attribute or member of a class, cleared: on the stack for the
// handful that most classes have.
class MemberFlags {
public:
    explicit MemberFlags(size_t count)
        : m_many(count > sizeof m_few ? count : 0, 0), m_flags(count > sizeof m_few ? m_many.data() : m_few) {}
    MemberFlags(const MemberFlags&) = delete;
    MemberFlags& operator=(const MemberFlags&) = delete;
    char& operator[](size_t i) { return m_flags[i]; }

private:
    char m_few[32] = {};
    std::vector<char> m_many;
    char* m_flags;
};

// The class namespace handed to the element infos: the class's constant when
// it has one, else a copy of GetNamespace().
class ClassNamespace {
public:
    explicit ClassNamespace(CXmlGeneratedClass* object) : m_text(object->GetNamespaceConstant()) {
        if (!m_text) {
            m_copy = object->GetNamespace();
            m_text = m_copy.c_str();
        }
    }
    const wchar_t* c_str() const { return m_text; }

private:
    std::wstring m_copy;
    const wchar_t* m_text;
};

[[noreturn]] void ThrowLeftover(const CXmlElement* element, const CXmlElement* current) {
    throw CNyValidationException(
        FormatString(L"Failed read all the elements held within the element [%s]. The unexpected element [%s] "
                     L"remains un processed",
                     element ? element->GetLocalName().c_str() : L"", current->GetLocalName().c_str()));
}

}  // namespace

void CXmlGeneratedClass::ProcessAttributesFromXml(const CXmlSerializationContext& ctx, CXmlElement* element,
                                                  bool failIfUnknown) {
    CAttributeInfo** infos = GetClassAttributeInfo();
    size_t count = 0;
    for (CAttributeInfo** a = infos; a && *a; ++a) ++count;
    MemberFlags seen(count);
    INillable* nillable = nullptr;
    bool nillableKnown = false;
    for (size_t index = 0, n = CXmlTreeAccess::AttributeCount(element); index < n; ++index) {
        CXmlAttribute* attribute = CXmlTreeAccess::Attribute(element, index);
        if (attribute->IsNamespaceAttribute()) continue;
        if (attribute->IsNilAttribute()) {
            if (!nillableKnown) {
                nillable = AsNillable(this);
                nillableKnown = true;
            }
            if (!nillable)
                throw CNyValidationException(
                    FormatString(L"Unexpected Attribute [%s] found.", attribute->GetLocalName().c_str()));
            const std::wstring& nil = CXmlTreeAccess::ValueInScratch(attribute);
            if (EqualsIgnoringCase(nil, L"true"))
                nillable->SetNil(true);
            else if (EqualsIgnoringCase(nil, L"false"))
                nillable->SetNil(false);
            else
                throw CNyValidationException(
                    FormatString(L"Unexpected Value for Attribute [%s] found.", attribute->GetLocalName().c_str()));
            continue;
        }
        bool claimed = false;
        for (size_t i = 0; i < count && !claimed; ++i) {
            if (infos[i]->AttributeFromXml(ctx, this, attribute)) {
                seen[i] = 1;
                claimed = true;
            }
        }
        if (!claimed && failIfUnknown && !ctx.GetIgnoreUnknownAttributes())
            throw CNyValidationException(
                FormatString(L"Unexpected Attribute [%s] found.", attribute->GetLocalName().c_str()));
    }
    for (size_t i = 0; i < count; ++i) infos[i]->Validate(ctx, seen[i] != 0);
}

CXmlElement* CXmlGeneratedClass::ProcessElementSeqFromXml(const CXmlSerializationContext& ctx, CXmlElement* element,
                                                          CXmlElement* cursor, int32_t elementType) {
    CElementInfo** elements = GetClassElementInfo();
    const ClassNamespace ns(this);
    const XmlElementType type = static_cast<XmlElementType>(elementType);
    CXmlElement* current = cursor;
    for (CElementInfo** e = elements; e && *e;) {
        if ((*e)->ElementFromXml(ctx, this, element, &current, ns.c_str(), type)) {
            ++e;
            continue;
        }
        if (!ctx.GetIgnoreUnknownElements() || !current) return cursor;
        current = current->GetNextSiblingElement();  // skip it and offer the next one to the same member
    }
    if (elementType != XmlElementType_Element) return current;
    if (current && !ctx.GetIgnoreUnknownElements()) ThrowLeftover(element, current);
    return current;
}

CXmlElement* CXmlGeneratedClass::ProcessElementChoiceFromXml(const CXmlSerializationContext& ctx,
                                                             CXmlElement* element, CXmlElement* cursor,
                                                             int32_t elementType, bool flag) {
    CElementInfo** elements = GetClassElementInfo();
    const ClassNamespace ns(this);
    const XmlElementType type = static_cast<XmlElementType>(elementType);
    const bool ignoreUnknown = ctx.GetIgnoreUnknownElements();
    CXmlElement* current = cursor;
    bool matched = false;
    for (;;) {
        for (CElementInfo** e = elements; e && *e && !matched; ++e)
            matched = (*e)->ElementFromXml(ctx, this, element, &current, ns.c_str(), type);
        if (current) {
            if (!ignoreUnknown) break;
            if (!matched && elementType == XmlElementType_Element) current = current->GetNextSiblingElement();
        }
        if (!(ignoreUnknown && !matched && current && elementType == XmlElementType_Element)) break;
    }
    if (!matched && !flag) {
        if (elementType == XmlElementType_NoElement) return ignoreUnknown ? cursor : current;
        if (elementType == XmlElementType_NoElementNoAttributes) return current;
        if (!DoesElementContainOptionalElements() && !ctx.GetIgnoreMissingChoice())
            throw CNyValidationException(FormatString(
                L"No child elements within the element [%s] were populated. The element represents a choice, so one "
                L"and only one element should be populated. The element contained no sutable child elements",
                element ? element->GetLocalName().c_str() : L""));
    }
    if (elementType != XmlElementType_Element) return current;
    if (current && !ignoreUnknown) ThrowLeftover(element, current);
    return current;
}

CXmlElement* CXmlGeneratedClass::ProcessElementAllFromXml(const CXmlSerializationContext& ctx, CXmlElement* element,
                                                          CXmlElement* cursor, int32_t elementType) {
    CElementInfo** elements = GetClassElementInfo();
    const ClassNamespace ns(this);
    const XmlElementType type = static_cast<XmlElementType>(elementType);
    const int n = GetClassElementInfoCount();
    MemberFlags done(static_cast<size_t>(n));
    CXmlElement* current = cursor;
    bool changed = true;
    while (current && changed) {
        CXmlElement* before = current;
        for (int i = 0; i < n; ++i)
            if (!done[i]) done[i] = elements[i]->ElementFromXml(ctx, this, element, &current, ns.c_str(), type);
        changed = current != before;
    }
    for (int i = 0; i < n; ++i)
        if (!elements[i]->Validate(ctx, this, done[i] != 0, elementType == XmlElementType_Element)) return cursor;
    if (elementType != XmlElementType_Element || !current || ctx.GetIgnoreUnknownElements()) return current;
    ThrowLeftover(element, current);
}

// ---- CClassfactoryBase ----

CClassfactoryBase::~CClassfactoryBase() = default;

namespace {

// The element's xsi:type value where the tree keeps it, without making the
// attribute's string; empty without one.
std::wstring_view XsiTypeValue(const CXmlElement* element) {
    static const wchar_t kXsi[] = L"http://www.w3.org/2001/XMLSchema-instance";
    for (size_t i = 0, n = CXmlTreeAccess::AttributeCount(element); i < n; ++i) {
        const CXmlAttribute* a = CXmlTreeAccess::Attribute(element, i);
        if (SameText(a->GetLocalName(), L"type") && SameText(a->GetNamespaceURI(), kXsi))
            return std::wstring_view(CXmlTreeAccess::ValueData(a), CXmlTreeAccess::ValueLength(a));
    }
    return std::wstring_view();
}

}  // namespace

namespace {

// The local part of an xsi:type value.
std::wstring_view TypeLocalPart(std::wstring_view value) {
    size_t colon = value.find(L':');
    return colon == std::wstring_view::npos ? value : value.substr(colon + 1);
}

// The namespace of the type an xsi:type value names: its prefix resolved
// through the document, else the element's own namespace.
const std::wstring& TypeNamespace(const CXmlElement* element, std::wstring_view value) {
    size_t colon = value.find(L':');
    if (colon != std::wstring_view::npos && element->GetDocument()) {
        const std::wstring* ns = CXmlTreeAccess::NamespaceOfAlias(element->GetDocument(), value.substr(0, colon));
        if (ns && !ns->empty()) return *ns;
    }
    return element->GetNamespaceURI();
}

}  // namespace

std::wstring CClassfactoryBase::GetElementType(CXmlElement* element) {
    if (!element) return std::wstring();
    return std::wstring(TypeLocalPart(XsiTypeValue(element)));
}

std::wstring CClassfactoryBase::GetElementTypeNamespaceUri(CXmlElement* element) {
    if (!element) return std::wstring();
    return TypeNamespace(element, XsiTypeValue(element));
}

CClassfactoryBase::ElementTypeName CClassfactoryBase::ElementTypeOf(CXmlElement* element) {
    if (!element) return ElementTypeName{std::wstring_view(), nullptr};
    std::wstring_view value = XsiTypeValue(element);
    return ElementTypeName{TypeLocalPart(value), &TypeNamespace(element, value)};
}

bool CClassfactoryBase::ElementTypeName::Is(const wchar_t* type, const wchar_t* ns) const {
    return !localName.empty() && localName == std::wstring_view(type ? type : L"") && namespaceUri &&
           *namespaceUri == (ns ? ns : L"");
}

}  // namespace NyXmlLib9
