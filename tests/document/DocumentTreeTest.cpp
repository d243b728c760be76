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

int CountChildren(const CXmlElement* e) {
    int n = 0;
    for (const CXmlElement* c = e->GetFirstElement(); c; c = c->GetNextSiblingElement()) ++n;
    return n;
}

}  // namespace

TEST(CXmlDocument, EmptyAfterConstruction) {
    CXmlDocument d;
    EXPECT_EQ(nullptr, d.GetDocumentElement());
    EXPECT_EQ(L"", d.LookupNamespaceFromAlias(L"p"));
}

TEST(CXmlDocument, TextAroundChildIsConcatenated) {
    CXmlDocument d;
    d.LoadXml(L"<a>x<b/>y</a>");
    const CXmlElement* a = d.GetDocumentElement();
    ASSERT_NE(nullptr, a);
    EXPECT_EQ(L"xy", a->GetText());
    ASSERT_EQ(1, CountChildren(a));
    EXPECT_EQ(L"b", Child(a, 0)->GetLocalName());
    EXPECT_EQ(L"", Child(a, 0)->GetText());
    EXPECT_EQ(a->GetDocument(), &d);
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

TEST(CXmlDocument, CarriageReturnsAreDropped) {
    const char* inputs[] = {"<a>\r\n</a>", "<a>&#13;&#10;</a>", "<a>\r</a>", "<a>&#13;\n</a>"};
    for (const char* input : inputs) {
        SCOPED_TRACE(input);
        CXmlDocument d;
        d.LoadXml(input);
        EXPECT_EQ(L"\n", d.GetDocumentElement()->GetText());
    }
    CXmlDocument d;
    d.LoadXml("<a>1&#13;2</a>");
    EXPECT_EQ(L"12", d.GetDocumentElement()->GetText());
}

TEST(CXmlDocument, IndentationIsKeptAsText) {
    CXmlDocument d;
    d.LoadXml("<a>\n\t<b>\n\t\t<c/>\n\t</b>\n</a>");
    EXPECT_EQ(L"\n\t\n", d.GetDocumentElement()->GetText());
    EXPECT_EQ(L"\n\t\t\n\t", Child(d.GetDocumentElement(), 0)->GetText());
}

TEST(CXmlDocument, CommentsAndProcessingInstructionsLeaveNoTrace) {
    CXmlDocument d;
    d.LoadXml("<?xml version='1.0'?><!DOCTYPE a><!--c--><?pi x?><a>one<!-- two -->three<?p q?>four</a><!--e-->");
    EXPECT_EQ(L"{}a[]\"onethreefour\"()", DumpTree(d.GetDocumentElement()));
}

TEST(CXmlDocument, EntityAndCharacterReferencesAreResolved) {
    CXmlDocument d;
    d.LoadXml(L"<a v='&lt;&amp;&#x41;&quot;'>&gt;&#65;&apos;</a>");
    EXPECT_EQ(L"<&A\"", d.GetDocumentElement()->GetAttribute(L"v", L""));
    EXPECT_EQ(L">A'", d.GetDocumentElement()->GetText());
}

TEST(CXmlDocument, AttributesInDocumentOrder) {
    CXmlDocument d;
    d.LoadXml("<a z='1' y='2' x='3'/>");
    const auto& attrs = d.GetDocumentElement()->GetAttributes();
    ASSERT_EQ(3u, attrs.size());
    EXPECT_EQ(L"z", attrs[0]->GetLocalName());
    EXPECT_EQ(L"y", attrs[1]->GetLocalName());
    EXPECT_EQ(L"x", attrs[2]->GetLocalName());
    EXPECT_EQ(L"3", attrs[2]->GetValue());
}

TEST(CXmlDocument, GetAttributeAbsentAndEmptyReadTheSame) {
    CXmlDocument d;
    d.LoadXml("<r><a b=''/><a/><a b='v' xmlns:p='urn:p' p:b='w'/></r>");
    const CXmlElement* r = d.GetDocumentElement();
    EXPECT_EQ(L"", Child(r, 0)->GetAttribute(L"b", L""));
    EXPECT_EQ(L"", Child(r, 1)->GetAttribute(L"b", L""));
    EXPECT_EQ(L"v", Child(r, 2)->GetAttribute(L"b", L""));
    EXPECT_EQ(L"w", Child(r, 2)->GetAttribute(L"b", L"urn:p"));
    EXPECT_EQ(L"", Child(r, 2)->GetAttribute(L"B", L""));
}

TEST(CXmlDocument, NamespacesAreResolved) {
    CXmlDocument d;
    d.LoadXml("<p:a xmlns:p='urn:x' xmlns='urn:d' c='1' p:e='2'><b/><p:c/></p:a>");
    const CXmlElement* a = d.GetDocumentElement();
    EXPECT_EQ(L"urn:x", a->GetNamespaceURI());
    EXPECT_EQ(L"a", a->GetLocalName());
    // An unprefixed attribute has no namespace, whatever the default namespace.
    ASSERT_EQ(2u, a->GetAttributes().size());
    EXPECT_EQ(L"", a->GetAttributes()[0]->GetNamespaceURI());
    EXPECT_EQ(L"urn:x", a->GetAttributes()[1]->GetNamespaceURI());
    EXPECT_EQ(L"urn:d", Child(a, 0)->GetNamespaceURI());
    EXPECT_EQ(L"urn:x", Child(a, 1)->GetNamespaceURI());
    EXPECT_EQ(L"urn:x", d.LookupNamespaceFromAlias(L"p"));
    EXPECT_EQ(L"urn:d", d.LookupNamespaceFromAlias(L""));
    EXPECT_EQ(L"", d.LookupNamespaceFromAlias(L"q"));
}

TEST(CXmlDocument, AliasMapIsLastWins) {
    CXmlDocument d;
    d.LoadXml("<r><a xmlns:p='urn:first'><p:x/></a><b xmlns:p='urn:second'/><c xmlns:p='urn:third'/></r>");
    EXPECT_EQ(L"urn:third", d.LookupNamespaceFromAlias(L"p"));
    // Undeclaring the default namespace records an empty URI.
    d.LoadXml("<r xmlns='urn:d'><a xmlns=''/></r>");
    EXPECT_EQ(L"", d.LookupNamespaceFromAlias(L""));
    EXPECT_EQ(L"", Child(d.GetDocumentElement(), 0)->GetNamespaceURI());
}

TEST(CXmlDocument, WithoutNamespaceProcessing) {
    CXmlSerializationContext ctx;
    ctx.SetSchemaType(SchemaType_NoNamespaces);
    CXmlDocument d(ctx);
    d.LoadXml("<p:a xmlns:p='urn:x' p:c='1'/>");
    const CXmlElement* a = d.GetDocumentElement();
    EXPECT_EQ(L"", a->GetNamespaceURI());
    EXPECT_EQ(L"p:a", a->GetLocalName());
    ASSERT_EQ(2u, a->GetAttributes().size());
    EXPECT_EQ(L"xmlns:p", a->GetAttributes()[0]->GetLocalName());
    EXPECT_EQ(L"urn:x", a->GetAttributes()[0]->GetValue());
    EXPECT_EQ(L"p:c", a->GetAttributes()[1]->GetLocalName());
    EXPECT_EQ(L"", d.LookupNamespaceFromAlias(L"p"));
}

TEST(CXmlDocument, SchemaTypeIsCopiedAtConstruction) {
    CXmlSerializationContext ctx;
    CXmlDocument d(ctx);
    ctx.SetSchemaType(SchemaType_NoNamespaces);
    d.LoadXml("<p:a xmlns:p='urn:x'/>");
    EXPECT_EQ(L"urn:x", d.GetDocumentElement()->GetNamespaceURI());
}

TEST(CXmlDocument, CDataStrippedByDefault) {
    CXmlDocument d;
    d.LoadXml("<a>x<![CDATA[a<b]]>y</a>");
    EXPECT_EQ(L"xa<by", d.GetDocumentElement()->GetText());
}

TEST(CXmlDocument, CDataMarkersKeptWhenNotStripping) {
    CXmlSerializationContext ctx;
    ctx.SetStripCDATA(false);
    CXmlDocument d(ctx);
    d.LoadXml("<a>x<![CDATA[a<b\r\n]]>y<![CDATA[]]></a>");
    EXPECT_EQ(L"x<![CDATA[a<b\n]]>y<![CDATA[]]>", d.GetDocumentElement()->GetText());
}

TEST(CXmlDocument, ReloadReleasesPreviousTree) {
    CXmlDocument d;
    d.LoadXml("<a xmlns:p='urn:p'><b/></a>");
    d.LoadXml("<c/>");
    EXPECT_EQ(L"{}c[]\"\"()", DumpTree(d.GetDocumentElement()));
    EXPECT_EQ(L"", d.LookupNamespaceFromAlias(L"p"));
    // A failed load leaves nothing of the earlier one.
    EXPECT_THROW(d.LoadXml("<x>"), CNyException);
    d.LoadXml("<d/>");
    EXPECT_EQ(L"d", d.GetDocumentElement()->GetLocalName());
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

TEST(CXmlAttribute, XmlnsAttributesWithoutNamespaceProcessing) {
    CXmlSerializationContext ctx;
    ctx.SetSchemaType(SchemaType_NoNamespaces);
    CXmlDocument d(ctx);
    d.LoadXml("<a xmlns='urn:d'/>");
    const CXmlAttribute* a = d.GetDocumentElement()->GetAttributes().at(0);
    EXPECT_EQ(L"xmlns", a->GetLocalName());
    // Without a namespace the attribute is not one of the reserved ones.
    EXPECT_FALSE(a->IsNamespaceAttribute());
}

TEST(CXmlDocument, DeepNestingLoadsAndFrees) {
    std::string xml;
    const int depth = 20000;
    for (int i = 0; i < depth; ++i) xml += "<e>";
    for (int i = 0; i < depth; ++i) xml += "</e>";
    CXmlDocument d;
    d.LoadXml(xml.c_str());
    int n = 0;
    for (const CXmlElement* e = d.GetDocumentElement(); e; e = e->GetFirstElement()) ++n;
    EXPECT_EQ(depth, n);
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

TEST(CXmlDocument, NarrowUtf8TextBecomesUtf16Units) {
    CXmlDocument d;
    d.LoadXml("<a>caf\xc3\xa9 \xf0\x9f\x98\x80</a>");
    std::wstring expected = L"caf\u00e9 ";
    expected += static_cast<wchar_t>(0xD83D);
    expected += static_cast<wchar_t>(0xDE00);
    EXPECT_EQ(expected, d.GetDocumentElement()->GetText());
}
