#include <nyxml/document.h>

#include "TestSupport.h"
#include "TreeDump.h"

using namespace NyXmlLib9;
using nyxml_test::DumpTree;
using nyxml_test::Utf8;

namespace {

const CXmlElement* Child(const CXmlElement* e, int index) {
    const CXmlElement* c = e->GetFirstElement();
    while (c && index-- > 0) c = c->GetNextSiblingElement();
    return c;
}

}  // namespace

// Loads documents and compares their trees: text, line ends, references,
// comments, attribute order, namespaces, CDATA and UTF-8 input.
TEST(CXmlDocument, LoadedTrees) {
    struct Case {
        const char* xml;
        bool namespaces;
        bool stripCData;
        const wchar_t* tree;
    } cases[] = {
        {"<a>x<b/>y</a>", true, true, L"{}a[]\"xy\"({}b[]\"\"())"},
        // Carriage returns are dropped, as XML line-end handling does, also from references.
        {"<a>\r\n</a>", true, true, L"{}a[]\"\n\"()"},
        {"<a>&#13;&#10;</a>", true, true, L"{}a[]\"\n\"()"},
        {"<a>\r</a>", true, true, L"{}a[]\"\n\"()"},
        {"<a>&#13;\n</a>", true, true, L"{}a[]\"\n\"()"},
        {"<a>1&#13;2</a>", true, true, L"{}a[]\"12\"()"},
        {"<a>\n\t<b>\n\t\t<c/>\n\t</b>\n</a>", true, true, L"{}a[]\"\n\t\n\"({}b[]\"\n\t\t\n\t\"({}c[]\"\"()))"},
        {"<?xml version='1.0'?><!DOCTYPE a><!--c--><?pi x?><a>one<!-- two -->three<?p q?>four</a><!--e-->", true,
         true, L"{}a[]\"onethreefour\"()"},
        {"<a v='&lt;&amp;&#x41;&quot;'>&gt;&#65;&apos;</a>", true, true, L"{}a[{}v=<&A\";]\">A'\"()"},
        {"<a z='1' y='2' x='3'/>", true, true, L"{}a[{}z=1;{}y=2;{}x=3;]\"\"()"},
        // An unprefixed attribute has no namespace, whatever the default namespace.
        {"<p:a xmlns:p='urn:x' xmlns='urn:d' c='1' p:e='2'><b/><p:c/></p:a>", true, true,
         L"{urn:x}a[{}c=1;{urn:x}e=2;]\"\"({urn:d}b[]\"\"(){urn:x}c[]\"\"())"},
        {"<r xmlns='urn:d'><a xmlns=''/></r>", true, true, L"{urn:d}r[]\"\"({}a[]\"\"())"},
        {"<p:a xmlns:p='urn:x' p:c='1'/>", false, true, L"{}p:a[{}xmlns:p=urn:x;{}p:c=1;]\"\"()"},
        {"<a>x<![CDATA[a<b]]>y</a>", true, true, L"{}a[]\"xa<by\"()"},
        {"<a>x<![CDATA[a<b\r\n]]>y<![CDATA[]]></a>", true, false, L"{}a[]\"x<![CDATA[a<b\n]]>y<![CDATA[]]>\"()"},
        {"<a>caf\xc3\xa9 \xf0\x9f\x98\x80</a>", true, true, L"{}a[]\"caf\u00e9 \xD83D\xDE00\"()"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.xml);
        CXmlSerializationContext context;
        if (!c.namespaces) context.SetSchemaType(SchemaType_NoNamespaces);
        context.SetStripCDATA(c.stripCData);
        CXmlDocument d(context);
        d.LoadXml(c.xml);
        EXPECT_EQ(c.tree, DumpTree(d.GetDocumentElement()));
        EXPECT_EQ(&d, d.GetDocumentElement()->GetDocument());
    }
}

TEST(CXmlDocument, AliasMapIsLastWinsAndGoesWithTheTree) {
    CXmlDocument d;
    EXPECT_EQ(nullptr, d.GetDocumentElement());
    EXPECT_EQ(L"", d.LookupNamespaceFromAlias(L"p"));
    d.LoadXml("<r xmlns='urn:d'><a xmlns:p='urn:first'><p:x/></a><b xmlns:p='urn:second'/><c xmlns:p='urn:third'/></r>");
    EXPECT_EQ(L"urn:third", d.LookupNamespaceFromAlias(L"p"));
    EXPECT_EQ(L"urn:d", d.LookupNamespaceFromAlias(L""));
    EXPECT_EQ(L"", d.LookupNamespaceFromAlias(L"q"));
    // Undeclaring the default namespace records an empty URI.
    d.LoadXml("<r xmlns='urn:d'><a xmlns=''/></r>");
    EXPECT_EQ(L"", d.LookupNamespaceFromAlias(L""));
    // A reload releases the earlier tree and its aliases; a failed load leaves nothing of it.
    d.LoadXml("<c/>");
    EXPECT_EQ(L"{}c[]\"\"()", DumpTree(d.GetDocumentElement()));
    EXPECT_EQ(L"", d.LookupNamespaceFromAlias(L"p"));
    EXPECT_THROW(d.LoadXml("<x>"), CNyException);
    d.LoadXml("<d/>");
    EXPECT_EQ(L"d", d.GetDocumentElement()->GetLocalName());
}

// Text arrives in pieces (around references, children and CDATA markers, and
// at the ends of the parser's buffers); each element gets all of its own, in
// order, whether short or long.
TEST(CXmlDocument, TextInManyPiecesGoesToItsOwnElement) {
    for (size_t length : {size_t(5), size_t(20000), size_t(70000)}) {
        SCOPED_TRACE(length);
        std::string a(length, 'a'), b(length, 'b');
        std::string xml = "<r>" + a + "&amp;<x>" + b + "&lt;" + a + "</x>" + b + "\r\n<y/><z>" + a + "</z>&#x4E2D;" +
                          "<![CDATA[" + b + "]]></r>";
        for (bool strip : {true, false}) {
            SCOPED_TRACE(strip);
            CXmlSerializationContext context;
            context.SetStripCDATA(strip);
            CXmlDocument d(context);
            d.LoadXml(xml.c_str());
            const CXmlElement* r = d.GetDocumentElement();
            ASSERT_NE(nullptr, r);
            std::wstring wa(length, L'a'), wb(length, L'b');
            std::wstring cdata = strip ? wb : L"<![CDATA[" + wb + L"]]>";
            EXPECT_TRUE(r->GetText() == wa + L"&" + wb + L"\n\x4E2D" + cdata);
            EXPECT_TRUE(Child(r, 0)->GetText() == wb + L"<" + wa);
            EXPECT_EQ(L"", Child(r, 1)->GetText());
            EXPECT_TRUE(Child(r, 2)->GetText() == wa);
        }
    }
}

TEST(CXmlAttribute, NamespaceAndNilAttributes) {
    CXmlDocument d;
    d.LoadXml(
        "<a xmlns:xsi='http://www.w3.org/2001/XMLSchema-instance' xsi:type='t' xsi:nil='true'"
        " xsi:schemaLocation='s' xsi:noNamespaceSchemaLocation='n' xsi:other='o' type='plain' nil='x'"
        " xmlns:q='urn:q' q:type='q'/>");
    struct Expect {
        const wchar_t* name;
        const wchar_t* ns;
        bool namespaceAttribute;
        bool nilAttribute;
    } expected[] = {
        {L"type", L"http://www.w3.org/2001/XMLSchema-instance", true, false},
        {L"nil", L"http://www.w3.org/2001/XMLSchema-instance", false, true},
        {L"schemaLocation", L"http://www.w3.org/2001/XMLSchema-instance", true, false},
        {L"noNamespaceSchemaLocation", L"http://www.w3.org/2001/XMLSchema-instance", true, false},
        {L"other", L"http://www.w3.org/2001/XMLSchema-instance", false, false},
        {L"type", L"", false, false},
        {L"nil", L"", false, false},
        {L"type", L"urn:q", false, false},
    };
    const auto& attrs = d.GetDocumentElement()->GetAttributes();
    ASSERT_EQ(8u, attrs.size());
    for (size_t i = 0; i < attrs.size(); ++i) {
        SCOPED_TRACE(Utf8(attrs[i]->GetLocalName()));
        EXPECT_EQ(expected[i].name, attrs[i]->GetLocalName());
        EXPECT_EQ(expected[i].ns, attrs[i]->GetNamespaceURI());
        EXPECT_EQ(expected[i].namespaceAttribute, attrs[i]->IsNamespaceAttribute());
        EXPECT_EQ(expected[i].nilAttribute, attrs[i]->IsNilAttribute());
    }
}

TEST(CXmlDocument, WideStringAboveBmpIsAccepted) {
    std::wstring xml = L"<a>";
    xml += static_cast<wchar_t>(0x1F600);  // an astral literal as Linux stores it
    xml += static_cast<wchar_t>(0xD83D);   // and the same character as a surrogate pair
    xml += static_cast<wchar_t>(0xDE00);
    xml += L"</a>";
    CXmlDocument d;
    d.LoadXml(xml.c_str());
    std::wstring expected = {static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDE00),
                             static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDE00)};
    EXPECT_EQ(expected, d.GetDocumentElement()->GetText());
}
