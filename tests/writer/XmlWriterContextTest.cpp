// CXmlWriter::CXmlWriterContext: the names and prefix of the open elements,
// read back through the getters while contexts are reused from element to
// element, with names of every length; and the remembered namespace lookups
// after a scope changes.
#include <nyxml/writer.h>

#include "TestSupport.h"

#include <string>
#include <vector>

using namespace NyXmlLib9;

namespace {

struct Open {
    std::wstring name, ns, prefix;
};

// Checks every open element, innermost first, against what was opened.
void ExpectOpen(const CXmlTextWriter& writer, const std::vector<Open>& open) {
    const CXmlWriter::CXmlWriterContext* context = writer.GetCurrentElement();
    for (auto it = open.rbegin(); it != open.rend(); ++it) {
        ASSERT_NE(nullptr, context);
        EXPECT_EQ(it->name, context->GetLocalName());
        EXPECT_EQ(it->ns, context->GetNamespaceURI());
        EXPECT_EQ(it->prefix, context->GetPrefix());
        EXPECT_EQ(it->name, std::wstring(context->GetLocalNameData(), context->GetLocalNameLength()));
        EXPECT_EQ(it->prefix, std::wstring(context->GetPrefixData(), context->GetPrefixLength()));
        context = context->GetParent();
    }
    EXPECT_EQ(nullptr, context);
}

}  // namespace

TEST(CXmlWriterContextNames, GettersFollowReusedContextsAndEveryNameLength) {
    CTextStream stream;
    CXmlTextWriter writer(&stream);
    writer.SetFormatted(false);
    writer.StartDocument();
    std::vector<Open> open;
    writer.StartElement(L"root", L"");
    open.push_back({L"root", L"", L""});
    for (size_t length = 1; length <= 150; length += 7) {
        SCOPED_TRACE(length);
        std::wstring name(length, L'n'), ns = L"urn:" + std::wstring(length, L'u');
        // Strings read before the next element stay valid while it is open.
        const std::wstring& rootName = writer.GetCurrentElement()->GetLocalName();
        writer.StartElement(name, ns);
        open.push_back({name, ns, L"AA"});
        writer.StartElement(L"x" + name, L"");
        open.push_back({L"x" + name, L"", L""});
        ExpectOpen(writer, open);
        EXPECT_EQ(L"root", rootName);
        writer.EndElement();
        writer.EndElement();
        open.resize(1);
        ExpectOpen(writer, open);
    }
    writer.EndElement();
    writer.EndDocument();
    std::wstring text = stream.GetBuffer().GetString();
    std::wstring name(148, L'n');
    EXPECT_NE(std::wstring::npos,
              text.find(L"<AA:" + name + L" xmlns:AA=\"urn:" + std::wstring(148, L'u') + L"\"><x" + name + L"/></AA:" +
                        name + L">"));
}

TEST(CXmlWriterContextNames, SetPrefixReplacesOnlyThePrefix) {
    CTextStream stream;
    CXmlTextWriter writer(&stream);
    writer.StartDocument();
    writer.StartElement(L"e", L"urn:e");
    CXmlWriter::CXmlWriterContext* context = writer.GetCurrentElement();
    EXPECT_EQ(L"AA", context->GetPrefix());
    context->SetPrefix(std::wstring(100, L'p'));
    EXPECT_EQ(std::wstring(100, L'p'), context->GetPrefix());
    EXPECT_EQ(L"e", context->GetLocalName());
    EXPECT_EQ(L"urn:e", context->GetNamespaceURI());
    context->SetPrefix(L"");
    EXPECT_EQ(L"", context->GetPrefix());
    EXPECT_EQ(0u, context->GetPrefixLength());
    // The end tag is written with the prefix the context holds.
    context->SetPrefix(L"AA");
    writer.WriteText(L"t", ItemType_string);
    writer.EndElement();
    writer.EndDocument();
    EXPECT_EQ(L"<AA:e xmlns:AA=\"urn:e\">t</AA:e>\n", std::wstring(stream.GetBuffer().GetString()));
}

TEST(CXmlWriterContextNames, RememberedPrefixesFollowScopeChanges) {
    // The same namespace looked up again and again while the scope that
    // answers changes: added inside an element, redeclared, left behind.
    CTextStream stream;
    CXmlTextWriter writer(&stream);
    writer.SetFormatted(false);
    writer.StartDocument();
    writer.AddNamespace(L"r", L"urn:a");
    writer.StartElement(L"root", L"urn:a");
    writer.StartElement(L"c1", L"urn:a");
    writer.AddNamespace(L"in", L"urn:a");  // this element's own scope from now on
    writer.StartElement(L"g", L"urn:a");
    writer.WriteAttribute(L"at", L"urn:a", L"1", ItemType_string);
    writer.EndElement();
    writer.AddNamespace(L"again", L"urn:a");  // the same entry, changed in place
    writer.StartElement(L"g", L"urn:a");
    writer.EndElement();
    writer.EndElement();
    writer.StartElement(L"c2", L"urn:a");  // back in the root's scope
    writer.WriteAttribute(L"at", L"urn:b", L"2", ItemType_string);
    writer.StartElement(L"g", L"urn:b");  // the prefix made for the attribute
    writer.EndElement();
    writer.EndElement();
    writer.StartElement(L"c3", L"urn:b");  // made inside c2 only: a new one here
    writer.EndElement();
    writer.EndElement();
    writer.EndDocument();
    EXPECT_EQ(L"<r:root xmlns:r=\"urn:a\"><r:c1><in:g in:at=\"1\"/><again:g/></r:c1>"
              L"<r:c2 xmlns:AA=\"urn:b\" AA:at=\"2\"><AA:g/></r:c2><AA:c3 xmlns:AA=\"urn:b\"/></r:root>",
              std::wstring(stream.GetBuffer().GetString()));
}
