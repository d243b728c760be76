// CClassfactoryBase: the local name and namespace of an element's xsi:type.
#include <nyxml/document.h>
#include <nyxml/generated.h>

#include "TestSupport.h"

using namespace NyXmlLib9;
using nyxml_test::Utf8;

namespace {

struct Factory : CClassfactoryBase {
    using CClassfactoryBase::GetElementType;
    using CClassfactoryBase::GetElementTypeNamespaceUri;
};

const wchar_t kXsi[] = L"xmlns:xsi='http://www.w3.org/2001/XMLSchema-instance'";

// The first element named `name` in document order.
CXmlElement* Find(CXmlElement* element, const std::wstring& name) {
    for (; element; element = element->GetNextSiblingElement()) {
        if (element->GetLocalName() == name) return element;
        if (CXmlElement* found = Find(element->GetFirstElement(), name)) return found;
    }
    return nullptr;
}

}  // namespace

TEST(ClassFactory, TypeAndNamespaceOfOneElement) {
    struct Case {
        const wchar_t* element;  // the root element's start tag, after its name
        const wchar_t* type;
        const wchar_t* ns;
    } cases[] = {
        {L"xmlns='urn:e' xmlns:p='urn:p' xsi:type='p:Derived'", L"Derived", L"urn:p"},
        {L"xmlns='urn:e' xsi:type='Derived'", L"Derived", L"urn:e"},
        {L"xmlns='urn:e' xsi:type='q:Derived'", L"Derived", L"urn:e"},  // q is not declared
        {L"xmlns='urn:e'", L"", L"urn:e"},
        {L"", L"", L""},
        {L"xmlns='urn:e' xsi:type=''", L"", L"urn:e"},
        {L"xmlns:p='urn:p' xsi:type='p:a:b'", L"a:b", L"urn:p"},  // split at the first colon
        {L"xmlns:p='urn:p' xsi:type='p:'", L"", L"urn:p"},
        {L"xmlns='urn:e' xmlns:p='urn:p' type='p:Derived'", L"", L"urn:e"},  // not in the xsi namespace
        {L"xmlns='urn:e' xmlns:p='urn:p' p:type='p:Derived'", L"", L"urn:e"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Utf8(c.element));
        CXmlDocument document;
        std::wstring xml = std::wstring(L"<e ") + kXsi + L" " + c.element + L"/>";
        document.LoadXml(xml.c_str());
        CXmlElement* e = document.GetDocumentElement();
        EXPECT_EQ(c.type, Factory::GetElementType(e));
        EXPECT_EQ(c.ns, Factory::GetElementTypeNamespaceUri(e));
    }
}
