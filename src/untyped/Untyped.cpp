#include <nyxml/untyped.h>

#include <nyxml/document.h>
#include <nyxml/writer.h>

namespace NyXmlLib9 {

namespace {

const wchar_t kAny[] = L"##any";

const wchar_t* Str(const wchar_t* s) { return s ? s : L""; }

// The first blank-separated token of a restriction when it is a URI rather
// than one of the ## keywords; empty otherwise.
std::wstring FirstUriToken(const std::wstring& restriction) {
    std::wstring token = restriction.substr(0, restriction.find(L' '));
    if (token.size() < 2 || token[0] == L'#' || token[1] == L'#') return std::wstring();
    return token;
}

}  // namespace

// ---- CAttribute ----

CAttribute::CAttribute(const wchar_t* name, const wchar_t* value, const wchar_t* namespaceUri)
    : m_name(Str(name)), m_value(Str(value)), m_namespace(Str(namespaceUri)) {
    SetElementName(name);
}

CAttribute::CAttribute(const CAttribute& other)
    : CXmlObjectBase(other), CInstanceMonitor(), m_name(other.m_name), m_value(other.m_value),
      m_namespace(other.m_namespace) {}

CAttribute& CAttribute::operator=(const CAttribute& other) {
    if (this != &other) {
        m_name = other.m_name;
        m_value = other.m_value;
        m_namespace = other.m_namespace;
    }
    return *this;
}

CAttribute::~CAttribute() = default;

CSmartPtr<CAttribute> CAttribute::Clone() const {
    return CSmartPtr<CAttribute>(new CAttribute(m_name.c_str(), m_value.c_str(), m_namespace.c_str()));
}

void CAttribute::ToXml_Int(CXmlWriter* writer, bool, const wchar_t*, const CXmlSerializationContext&, bool) const {
    writer->WriteAttribute(m_name, m_namespace, m_value, ItemType_string);
}

CXmlElement* CAttribute::FromXml_Int(CXmlElement*, CXmlElement*, const CXmlSerializationContext&, bool) {
    throw CNyException(L"This should be done by the collection");
}

// ---- CAttributeCol ----

CAttributeCol::CAttributeCol(const wchar_t* namespaceUri, const wchar_t* namespaceRestriction,
                             const wchar_t* targetNamespace)
    : CXmlCollection(L"", namespaceUri, 0, -1), m_restriction(Str(namespaceRestriction)),
      m_targetNamespace(Str(targetNamespace)) {
    if (NamespaceField().empty()) SetNamespaceField(FirstUriToken(m_restriction));
}

CAttributeCol::CAttributeCol(const CAttributeCol& other)
    : CXmlCollection(other), CInstanceMonitor(), m_restriction(other.m_restriction),
      m_targetNamespace(other.m_targetNamespace) {}

CAttributeCol& CAttributeCol::operator=(const CAttributeCol& other) {
    if (this != &other) {
        CXmlCollection::operator=(other);
        m_restriction = other.m_restriction;
        m_targetNamespace = other.m_targetNamespace;
    }
    return *this;
}

CAttributeCol::~CAttributeCol() = default;

CSmartPtr<CAttribute> CAttributeCol::Add(const wchar_t* name, const wchar_t* value, const wchar_t* namespaceUri) {
    TestNamespace(Str(namespaceUri), m_restriction.c_str(), m_targetNamespace.c_str());
    return Add(new CAttribute(name, value, namespaceUri));
}

CSmartPtr<CAttribute> CAttributeCol::Add(const wchar_t* name, const wchar_t* value) {
    std::wstring ns = NamespaceField();
    return Add(name, value, ns.c_str());
}

CSmartPtr<CAttribute> CAttributeCol::Add(const wchar_t* name) { return Add(name, L""); }

CSmartPtr<CAttribute> CAttributeCol::Add(CAttribute* attribute) {
    CSmartPtr<CAttribute> held(attribute);
    AppendItem(attribute);
    return held;
}

CSmartPtr<CAttribute> CAttributeCol::Item(int index) const {
    return CSmartPtr<CAttribute>(static_cast<CAttribute*>(GetItemAt(index)));
}

void CAttributeCol::AddBefore(const CAttribute* existing, CAttribute* attribute) {
    CSmartPtr<CAttribute> held(attribute);
    AddBeforeItem(existing, attribute);
}

void CAttributeCol::AddAfter(const CAttribute* existing, CAttribute* attribute) {
    CSmartPtr<CAttribute> held(attribute);
    AddAfterItem(existing, attribute);
}

CSmartPtr<CAttributeCol> CAttributeCol::Clone() const {
    CSmartPtr<CAttributeCol> copy(
        new CAttributeCol(NamespaceField().c_str(), m_restriction.c_str(), m_targetNamespace.c_str()));
    for (iterator it = begin(); it != end(); ++it) copy->Add((*it)->Clone().Get());
    return copy;
}

void CAttributeCol::ToXml_Int(CXmlWriter* writer, bool, const wchar_t*, const CXmlSerializationContext& ctx,
                              bool) const {
    for (iterator it = begin(); it != end(); ++it)
        if (*it) CXmlObjectBase::ToXml_Int(*it, writer, false, nullptr, ctx, false);
}

CXmlElement* CAttributeCol::FromXml_Int(CXmlElement* element, CXmlElement* firstChild,
                                        const CXmlSerializationContext&, bool) {
    if (!element) return firstChild;
    for (const CXmlAttribute* a : element->GetAttributes()) {
        if (!IsNamespaceValid(a->GetNamespaceURI().c_str(), m_restriction.c_str(), m_targetNamespace.c_str()))
            throw CNyInvalidNamespaceException(FormatString(
                L"Invalid Attribute [%s]. The attributes namespace is Inappropriate.", a->GetLocalName().c_str()));
        Add(a->GetLocalName().c_str(), a->GetValue().c_str(), a->GetNamespaceURI().c_str());
    }
    return firstChild;
}

// ---- CElement ----

CElement::CElement(const wchar_t* name) { Init(name, L"", kAny, L""); }

CElement::CElement(const wchar_t* name, const wchar_t* namespaceUri) {
    std::wstring ns = Str(namespaceUri);
    if (ns == L"##any" || ns == L"##other" || ns == L"##local" || ns == L"##targetNamespace")
        throw CNyInvalidNamespaceException(FormatString(L"Invalid Namespace [%s]", ns.c_str()));
    Init(name, ns.c_str(), ns.c_str(), L"");
}

CElement::CElement(const wchar_t* name, const wchar_t* namespaceUri, const wchar_t* namespaceRestriction,
                   const wchar_t* targetNamespace) {
    Init(name, namespaceUri, namespaceRestriction, targetNamespace);
}

CElement::CElement(CXmlObjectBase* object, const wchar_t* defaultNamespace) {
    Init(L"", L"", kAny, L"");
    m_defaultNamespace = Str(defaultNamespace);
    CXmlSerializationContext ctx;
    ctx.SetDefaultNamespaceURI(m_defaultNamespace.c_str());
    CBinaryData bytes = object->ToXmlStream(false, false, XmlEncoding_UTF8, EOL_LF, ctx, Compression_None);
    CXmlDocument document;
    document.LoadXmlStream(const_cast<unsigned char*>(bytes.GetData()), bytes.GetLength());
    CopyXmlElement(document.GetDocumentElement());
}

CElement::CElement(const CElement& other)
    : CXmlObjectBase(other), CInstanceMonitor(), m_name(other.m_name), m_text(other.m_text),
      m_namespace(other.m_namespace), m_restriction(other.m_restriction),
      m_targetNamespace(other.m_targetNamespace), m_attributes(other.m_attributes), m_children(other.m_children),
      m_defaultNamespace(other.m_defaultNamespace) {}

CElement& CElement::operator=(const CElement& other) {
    if (this != &other) {
        m_name = other.m_name;
        m_text = other.m_text;
        m_namespace = other.m_namespace;
        m_restriction = other.m_restriction;
        m_targetNamespace = other.m_targetNamespace;
        m_attributes = other.m_attributes;
        m_children = other.m_children;
        m_defaultNamespace = other.m_defaultNamespace;
    }
    return *this;
}

CElement::~CElement() = default;

void CElement::Init(const wchar_t* name, const wchar_t* namespaceUri, const wchar_t* namespaceRestriction,
                    const wchar_t* targetNamespace) {
    if (!name) throw CNyInvalidNamespaceException(L"Element Name must have a value");
    if (!namespaceRestriction) throw CNyInvalidNamespaceException(L"Namespace Restriction must have a value");
    if (!targetNamespace) throw CNyInvalidNamespaceException(L"Target Namespace must have a value");
    TestNamespace(Str(namespaceUri), namespaceRestriction, targetNamespace);
    m_name = name;
    m_namespace = Str(namespaceUri);
    m_restriction = namespaceRestriction;
    m_targetNamespace = targetNamespace;
    m_text.clear();
    SetElementName(name);
    m_attributes = new CAttributeCol(m_namespace.c_str(), kAny, m_targetNamespace.c_str());
    m_children = new CElementCol(m_namespace.c_str(), kAny, m_targetNamespace.c_str());
}

void CElement::SetNamespaceRestrictions(const wchar_t* restriction, const wchar_t* targetNamespace) {
    try {
        TestNamespace(m_namespace.c_str(), Str(restriction), Str(targetNamespace));
    } catch (const CNyException& e) {
        throw CNyInvalidNamespaceException(
            FormatString(L"The namespace %s in the class %s is invalid against restriction %s", m_namespace.c_str(),
                         m_name.c_str(), Str(restriction)),
            e);
    }
    m_restriction = Str(restriction);
    m_targetNamespace = Str(targetNamespace);
}

CSmartPtr<CElement> CElement::Clone() const {
    CSmartPtr<CElement> copy(
        new CElement(m_name.c_str(), m_namespace.c_str(), m_restriction.c_str(), m_targetNamespace.c_str()));
    copy->m_attributes = m_attributes->Clone();
    copy->m_children = m_children->Clone();
    copy->m_text = m_text;
    copy->m_defaultNamespace = m_defaultNamespace;
    return copy;
}

void CElement::FromXml(const wchar_t* xml) { FromXml(xml, CXmlSerializationContext::GetDefaultContext()); }

void CElement::ReadRoot(CXmlElement* root, const CXmlSerializationContext& ctx) {
    FromXml_Int(root, root, ctx, false);
}

void CElement::ToXml_Int(CXmlWriter* writer, bool, const wchar_t*, const CXmlSerializationContext& ctx,
                         bool) const {
    writer->StartElement(m_name, m_namespace);
    CXmlObjectBase::ToXml_Int(m_attributes, writer, false, nullptr, ctx, false);
    CXmlObjectBase::ToXml_Int(m_children, writer, false, nullptr, ctx, false);
    writer->WriteText(m_text, ItemType_string);
    writer->EndElement();
}

CXmlElement* CElement::FromXml_Int(CXmlElement*, CXmlElement* current, const CXmlSerializationContext& ctx, bool) {
    if (!current) return nullptr;
    if (!IsNamespaceValid(current->GetNamespaceURI().c_str(), m_restriction.c_str(), m_targetNamespace.c_str()))
        return current;
    CXmlObjectBase::FromXml_Int(m_attributes, current, nullptr, ctx);
    CXmlElement* left = CXmlObjectBase::FromXml_Int(m_children, current, current->GetFirstElement(), ctx);
    if (left)
        throw CNyValidationException(FormatString(L"Invalid Element [%s] found in element [%s]",
                                                  left->GetLocalName().c_str(), m_name.c_str()));
    m_text = current->GetText();
    m_name = current->GetLocalName();
    m_namespace = current->GetNamespaceURI();
    SetElementName(m_name.c_str());
    return current->GetNextSiblingElement();
}

void CElement::CopyXmlElement(CXmlElement* element) {
    if (!element) return;
    m_name = element->GetLocalName();
    m_namespace = element->GetNamespaceURI();
    m_text = element->GetText();
    SetElementName(m_name.c_str());
    m_attributes->Clear();
    m_children->Clear();
    for (const CXmlAttribute* a : element->GetAttributes()) {
        m_attributes->Add(a->GetLocalName().c_str(), a->GetValue().c_str(), a->GetNamespaceURI().c_str());
        if (a->GetLocalName() == L"xmlns") m_defaultNamespace = a->GetValue();
    }
    for (CXmlElement* c = element->GetFirstElement(); c; c = c->GetNextSiblingElement()) {
        CSmartPtr<CElement> child(new CElement(c->GetLocalName().c_str()));
        child->CopyXmlElement(c);
        m_children->Add(child.Get());
    }
}

// ---- CElementCol ----

CElementCol::CElementCol(const wchar_t* namespaceUri, const wchar_t* namespaceRestriction,
                         const wchar_t* targetNamespace, int, int)
    : CXmlCollection(L"", namespaceUri, 0, -1), m_elementNamespace(Str(namespaceUri)), m_elementRestriction(kAny),
      m_targetNamespace(Str(targetNamespace)) {
    if (m_elementNamespace.empty()) m_elementNamespace = FirstUriToken(Str(namespaceRestriction));
}

CElementCol::CElementCol(const CElementCol& other)
    : CXmlCollection(other), CInstanceMonitor(), m_elementNamespace(other.m_elementNamespace),
      m_elementRestriction(other.m_elementRestriction), m_targetNamespace(other.m_targetNamespace) {}

CElementCol& CElementCol::operator=(const CElementCol& other) {
    if (this != &other) {
        CXmlCollection::operator=(other);
        m_elementNamespace = other.m_elementNamespace;
        m_elementRestriction = other.m_elementRestriction;
        m_targetNamespace = other.m_targetNamespace;
    }
    return *this;
}

CElementCol::~CElementCol() = default;

CSmartPtr<CElement> CElementCol::Add(const wchar_t* name, const wchar_t* namespaceUri) {
    TestNamespace(Str(namespaceUri), kAny, m_targetNamespace.c_str());
    return Add(new CElement(name, namespaceUri, kAny, m_targetNamespace.c_str()));
}

CSmartPtr<CElement> CElementCol::Add(const wchar_t* name) {
    if (m_elementNamespace.empty()) throw CNyInvalidStateException(L"A Namespace has not been set for this Collection");
    return Add(new CElement(name, m_elementNamespace.c_str(), kAny, m_targetNamespace.c_str()));
}

CSmartPtr<CElement> CElementCol::Add(CElement* element) {
    CSmartPtr<CElement> held(element);
    if (element) TestNamespace(element->m_namespace.c_str(), kAny, m_targetNamespace.c_str());
    AppendItem(element);
    return held;
}

CSmartPtr<CElement> CElementCol::Item(int index) const {
    return CSmartPtr<CElement>(static_cast<CElement*>(GetItemAt(index)));
}

void CElementCol::AddBefore(const CElement* existing, CElement* element) {
    CSmartPtr<CElement> held(element);
    AddBeforeItem(existing, element);
}

void CElementCol::AddAfter(const CElement* existing, CElement* element) {
    CSmartPtr<CElement> held(element);
    AddAfterItem(existing, element);
}

CSmartPtr<CElementCol> CElementCol::Clone() const {
    CSmartPtr<CElementCol> copy(
        new CElementCol(NamespaceField().c_str(), m_elementRestriction.c_str(), m_targetNamespace.c_str()));
    copy->m_elementNamespace = m_elementNamespace;
    for (iterator it = begin(); it != end(); ++it) copy->Add((*it)->Clone().Get());
    return copy;
}

void CElementCol::ToXml_Int(CXmlWriter* writer, bool, const wchar_t*, const CXmlSerializationContext& ctx,
                            bool) const {
    ValidateCount(ctx);
    for (iterator it = begin(); it != end(); ++it)
        if (*it) CXmlObjectBase::ToXml_Int(*it, writer, false, nullptr, ctx, false);
}

CXmlElement* CElementCol::ReadRun(CXmlElement* current, const std::wstring* localName,
                                  const std::wstring* namespaceUri, const CXmlSerializationContext& ctx) {
    while (current) {
        if (localName && (current->GetLocalName() != *localName || current->GetNamespaceURI() != *namespaceUri))
            return current;
        CSmartPtr<CElement> element(new CElement(current->GetLocalName().c_str(),
                                                 current->GetNamespaceURI().c_str(), kAny, m_targetNamespace.c_str()));
        CXmlElement* next = CXmlObjectBase::FromXml_Int(element, nullptr, current, ctx);
        if (next == current) return current;
        Add(element.Get());
        current = next;
    }
    return nullptr;
}

CXmlElement* CElementCol::FromXml_Int(CXmlElement*, CXmlElement* firstChild, const CXmlSerializationContext& ctx,
                                      bool) {
    return ReadRun(firstChild, nullptr, nullptr, ctx);
}

CXmlElement* CElementCol::FromXmlLockElementName_Int(std::wstring localName, std::wstring namespaceUri,
                                                     CXmlElement*, CXmlElement* firstElement,
                                                     const CXmlSerializationContext& ctx) {
    return ReadRun(firstElement, &localName, &namespaceUri, ctx);
}

}  // namespace NyXmlLib9
