// Namespace scopes of the writer under documents built to grow them: many
// nested scopes each declaring a new prefix, and many prefixes on one element.
// Memory and time stay in proportion to the document; the generated prefixes
// go on past ZZ with three letters.
#include <nyxml/document.h>
#include <nyxml/untyped.h>

#include "TestSupport.h"

#include <chrono>
#include <string>

using namespace NyXmlLib9;

namespace {

double Since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

TEST(WriterNamespaceScopes, FiveThousandNestedScopesEachWithANewNamespace) {
    const int depth = 5000;
    std::wstring xml;
    for (int i = 0; i < depth; ++i)
        xml += L"<p" + std::to_wstring(i) + L":e xmlns:p" + std::to_wstring(i) + L"='urn:s" + std::to_wstring(i) + L"'>";
    for (int i = depth - 1; i >= 0; --i) xml += L"</p" + std::to_wstring(i) + L":e>";
    auto start = std::chrono::steady_clock::now();
    CSmartPtr<CElement> root(new CElement(L"e"));
    root->FromXml(xml.c_str());
    std::wstring written = root->ToXml(false, false, EOL_LF);
    EXPECT_LT(Since(start), 2.0);
    // Each level declares the first prefix its ancestors do not use.
    for (const wchar_t* expected :
         {L"<AA:e xmlns:AA=\"urn:s0\"><AB:e xmlns:AB=\"urn:s1\">", L"<ZZ:e xmlns:ZZ=\"urn:s675\"><AAA:e xmlns:AAA=\"urn:s676\">",
          L"<AZZ:e xmlns:AZZ=\"urn:s1351\"><BAA:e xmlns:BAA=\"urn:s1352\">"}) {
        SCOPED_TRACE(nyxml_test::Utf8(expected));
        EXPECT_NE(std::wstring::npos, written.find(expected));
    }
    CXmlDocument document;
    document.LoadXml(written.c_str());
    int level = 0;
    for (const CXmlElement* e = document.GetDocumentElement(); e; e = e->GetFirstElement(), ++level)
        if (e->GetNamespaceURI() != L"urn:s" + std::to_wstring(level)) ADD_FAILURE() << "level " << level;
    EXPECT_EQ(depth, level);
}

TEST(WriterNamespaceScopes, TwentyThousandPrefixesOnOneElementAndReuseAfterAScopeCloses) {
    const int count = 20000;
    CSmartPtr<CElement> root(new CElement(L"r"));
    for (int i = 0; i < count; ++i)
        root->GetAttributes()->Add(L"a", L"v", (L"urn:a" + std::to_wstring(i)).c_str());
    auto start = std::chrono::steady_clock::now();
    std::wstring written = root->ToXml(false, false, EOL_LF);
    EXPECT_LT(Since(start), 2.0);
    CXmlDocument document;
    document.LoadXml(written.c_str());
    const auto& attributes = document.GetDocumentElement()->GetAttributes();
    ASSERT_EQ(size_t(count), attributes.size());
    for (int i = 0; i < count; ++i)
        if (attributes[i]->GetNamespaceURI() != L"urn:a" + std::to_wstring(i)) ADD_FAILURE() << "attribute " << i;

    // A prefix is free again once the scope that declared it has closed.
    CSmartPtr<CElement> siblings(new CElement(L"r"));
    siblings->FromXml(L"<r><a xmlns='urn:1'><b xmlns='urn:2'/></a><c xmlns='urn:3'/></r>");
    EXPECT_EQ(L"<r><AA:a xmlns:AA=\"urn:1\"><AB:b xmlns:AB=\"urn:2\"/></AA:a><AA:c xmlns:AA=\"urn:3\"/></r>",
              siblings->ToXml(false, false, EOL_LF));
}
