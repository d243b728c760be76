#include <nyxml/untyped.h>

#include <nyxml/document.h>
#include <nyxml/writer.h>

#include "document/TreeAccess.h"

#include <string_view>
#include <utility>
#include <vector>

namespace NyXmlLib9 {

namespace {

const wchar_t kAny[] = L"##any";

const wchar_t* Str(const wchar_t* s) { return s ? s : L""; }

// The first blank-separated token of a restriction when it is a URI rather
// than one of the ## keywords; empty otherwise.
std::wstring_view FirstUriToken(std::wstring_view restriction) {
    std::wstring_view token = restriction.substr(0, restriction.find(L' '));
    if (token.size() < 2 || token[0] == L'#' || token[1] == L'#') return std::wstring_view();
    return token;
}

// Child collections whose release the outermost ~CElement on this thread has
// taken over; null when no element is being destroyed.
thread_local std::vector<CSmartPtr<CElementCol>>* t_releasing = nullptr;

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
    if (NamespaceField().empty()) {
        const std::wstring_view token = FirstUriToken(static_cast<const std::wstring&>(m_restriction));
        if (!token.empty()) SetNamespaceField(std::wstring(token));
    }
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
    for (size_t i = 0, n = CXmlTreeAccess::AttributeCount(element); i < n; ++i) {
        const CXmlAttribute* a = CXmlTreeAccess::Attribute(element, i);
        if (!IsNamespaceValid(a->GetNamespaceURI().c_str(), m_restriction.c_str(), m_targetNamespace.c_str()))
            throw CNyInvalidNamespaceException(FormatString(
                L"Invalid Attribute [%s]. The attributes namespace is Inappropriate.", a->GetLocalName().c_str()));
        Add(a->GetLocalName().c_str(), CXmlTreeAccess::ValueData(a), a->GetNamespaceURI().c_str());
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

// A tree of untyped elements is released without recursion, whatever its
// depth: the outermost destructor releases the child collections one after
// the other, and the destructors this causes hand their own collections to it
// instead of releasing them.
CElement::~CElement() {
    if (!m_children) return;
    if (t_releasing) {
        try {
            t_releasing->push_back(std::move(m_children));
            return;
        } catch (...) {
            // Without room to defer, the collection is released right here.
        }
        m_children = nullptr;
        return;
    }
    std::vector<CSmartPtr<CElementCol>> pending;
    t_releasing = &pending;
    pending.push_back(std::move(m_children));
    while (!pending.empty()) {
        CSmartPtr<CElementCol> collection(std::move(pending.back()));
        pending.pop_back();
    }
    t_releasing = nullptr;
}

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
    if (m_children) copy->m_children = m_children->Clone();
    copy->m_text = m_text;
    copy->m_defaultNamespace = m_defaultNamespace;
    return copy;
}

void CElement::FromXml(const wchar_t* xml) { FromXml(xml, CXmlSerializationContext::GetDefaultContext()); }

void CElement::ReadRoot(CXmlElement* root, const CXmlSerializationContext& ctx) {
    FromXml_Int(root, root, ctx, false);
}

// Untyped content may be nested to any depth: the subtree is written with a
// list of the elements still open instead of by recursion.
void CElement::ToXml_Int(CXmlWriter* writer, bool, const wchar_t*, const CXmlSerializationContext& ctx,
                         bool) const {
    struct Open {
        const CElement* element;
        CElementCol::iterator next;
    };
    std::vector<Open> open;
    auto start = [&](const CElement* e) {
        writer->StartElement(e->m_name, e->m_namespace);
        if (e->m_attributes) CXmlObjectBase::ToXml_Int(e->m_attributes, writer, false, nullptr, ctx, false);
        if (e->m_children) {
            e->m_children->ValidateCount(ctx);
            open.push_back(Open{e, e->m_children->begin()});
        } else {
            open.push_back(Open{e, CElementCol::iterator()});
        }
    };
    start(this);
    while (!open.empty()) {
        Open& top = open.back();
        if (top.next != CElementCol::iterator()) {
            const CElement* child = *top.next;
            ++top.next;
            if (child) start(child);
            continue;
        }
        writer->WriteText(top.element->m_text, ItemType_string);
        writer->EndElement();
        open.pop_back();
    }
}

// Reads the subtree with a list of pending pairs instead of recursion. Each
// child becomes an element accepting any namespace, added to its parent's
// children in document order.
CXmlElement* CElement::FromXml_Int(CXmlElement*, CXmlElement* current, const CXmlSerializationContext& ctx, bool) {
    if (!current) return nullptr;
    if (!IsNamespaceValid(current->GetNamespaceURI().c_str(), m_restriction.c_str(), m_targetNamespace.c_str()))
        return current;
    std::vector<std::pair<CXmlElement*, CElement*>> pending{{current, this}};
    while (!pending.empty()) {
        CXmlElement* from = pending.back().first;
        CElement* to = pending.back().second;
        pending.pop_back();
        CXmlObjectBase::FromXml_Int(to->m_attributes, from, nullptr, ctx);
        CElementCol* children = to->m_children;
        for (CXmlElement* c = from->GetFirstElement(); c; c = c->GetNextSiblingElement()) {
            CSmartPtr<CElement> child(new CElement(c->GetLocalName().c_str(), c->GetNamespaceURI().c_str(), kAny,
                                                   children->m_targetNamespace.c_str()));
            children->Add(child.Get());
            pending.emplace_back(c, child.Get());
        }
        to->m_text.assign(CXmlTreeAccess::TextData(from), CXmlTreeAccess::TextLength(from));
        to->m_name = from->GetLocalName();
        to->m_namespace = from->GetNamespaceURI();
        to->SetElementName(to->m_name.c_str());
    }
    return current->GetNextSiblingElement();
}

// Copies the whole subtree with a list of pending pairs instead of recursion.
void CElement::CopyXmlElement(CXmlElement* element) {
    if (!element) return;
    std::vector<std::pair<CXmlElement*, CElement*>> pending{{element, this}};
    while (!pending.empty()) {
        CXmlElement* from = pending.back().first;
        CElement* to = pending.back().second;
        pending.pop_back();
        to->m_name = from->GetLocalName();
        to->m_namespace = from->GetNamespaceURI();
        to->m_text.assign(CXmlTreeAccess::TextData(from), CXmlTreeAccess::TextLength(from));
        to->SetElementName(to->m_name.c_str());
        to->m_attributes->Clear();
        to->m_children->Clear();
        for (size_t i = 0, n = CXmlTreeAccess::AttributeCount(from); i < n; ++i) {
            const CXmlAttribute* a = CXmlTreeAccess::Attribute(from, i);
            const wchar_t* value = CXmlTreeAccess::ValueData(a);
            to->m_attributes->Add(a->GetLocalName().c_str(), value, a->GetNamespaceURI().c_str());
            if (a->GetLocalName() == L"xmlns")
                to->m_defaultNamespace.assign(value, CXmlTreeAccess::ValueLength(a));
        }
        for (CXmlElement* c = from->GetFirstElement(); c; c = c->GetNextSiblingElement()) {
            CSmartPtr<CElement> child(new CElement(c->GetLocalName().c_str()));
            to->m_children->Add(child.Get());
            pending.emplace_back(c, child.Get());
        }
    }
}

// ---- CElementCol ----

CElementCol::CElementCol(const wchar_t* namespaceUri, const wchar_t* namespaceRestriction,
                         const wchar_t* targetNamespace, int, int)
    : CXmlCollection(L"", namespaceUri, 0, -1), m_elementNamespace(Str(namespaceUri)), m_elementRestriction(kAny),
      m_targetNamespace(Str(targetNamespace)) {
    if (m_elementNamespace.empty()) m_elementNamespace = std::wstring(FirstUriToken(Str(namespaceRestriction)));
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

// Deep copy without recursion: each copied element gets an empty copy of its
// child collection, filled when the pair comes off the pending list.
CSmartPtr<CElementCol> CElementCol::Clone() const {
    auto emptyCopy = [](const CElementCol& of) {
        CSmartPtr<CElementCol> copy(new CElementCol(of.NamespaceField().c_str(), of.m_elementRestriction.c_str(),
                                                    of.m_targetNamespace.c_str()));
        copy->m_elementNamespace = of.m_elementNamespace;
        return copy;
    };
    CSmartPtr<CElementCol> root = emptyCopy(*this);
    std::vector<std::pair<const CElementCol*, CElementCol*>> pending{{this, root.Get()}};
    while (!pending.empty()) {
        const CElementCol* from = pending.back().first;
        CElementCol* to = pending.back().second;
        pending.pop_back();
        for (iterator it = from->begin(); it != from->end(); ++it) {
            const CElement* e = *it;
            if (!e) continue;
            CSmartPtr<CElement> copy(new CElement(e->m_name.c_str(), e->m_namespace.c_str(), e->m_restriction.c_str(),
                                                  e->m_targetNamespace.c_str()));
            copy->m_attributes = e->m_attributes->Clone();
            copy->m_text = e->m_text;
            copy->m_defaultNamespace = e->m_defaultNamespace;
            if (e->m_children) {
                copy->m_children = emptyCopy(*e->m_children);
                pending.emplace_back(e->m_children.Get(), copy->m_children.Get());
            }
            to->Add(copy.Get());
        }
    }
    return root;
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
