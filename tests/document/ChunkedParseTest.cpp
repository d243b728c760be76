// Feeds documents to the text reader in many chunk sizes and expects the same
// tree as a single-chunk parse.
#include <nyxml/document.h>

#include "TestSupport.h"
#include "TreeDump.h"
#include "document/ExpatReader.h"
#include "document/TreeAccess.h"

using namespace NyXmlLib9;
using nyxml_test::DumpTree;

namespace {

const char* const kDocuments[] = {
    "<?xml version='1.0' encoding='UTF-8'?>\n<r xmlns='urn:r' xmlns:p='urn:p' a='1'>\r\n"
    "  <p:x p:y='&lt;v&gt;'>caf\xc3\xa9 \xf0\x9f\x98\x80 &amp; &#x20AC;</p:x>\r\n"
    "  <![CDATA[raw <text>]]><!-- c --><?pi data?>\n  <e/>tail</r>",
    "<a>" "\xe2\x82\xac\xe2\x82\xac\xe2\x82\xac" "<b c='&#13;&#10;'>\r\r\n</b></a>",
};

std::wstring ParseInChunks(const std::string& xml, size_t chunk) {
    CXmlDocument d;
    CExpatReader reader(&d);
    reader.Initialise();
    const unsigned char* p = reinterpret_cast<const unsigned char*>(xml.data());
    size_t left = xml.size();
    while (left > chunk) {
        reader.ParseBytes(p, static_cast<uint32_t>(chunk), false);
        p += chunk;
        left -= chunk;
    }
    reader.ParseBytes(p, static_cast<uint32_t>(left), true);
    return DumpTree(d.GetDocumentElement());
}

}  // namespace

TEST(ChunkedParse, EveryChunkSizeGivesTheSameTree) {
    for (const char* doc : kDocuments) {
        std::string xml = doc;
        CXmlDocument whole;
        whole.LoadXml(xml.c_str());
        std::wstring expected = DumpTree(whole.GetDocumentElement());
        for (size_t chunk = 1; chunk <= xml.size(); ++chunk) {
            SCOPED_TRACE(chunk);
            EXPECT_EQ(expected, ParseInChunks(xml, chunk));
        }
    }
}

TEST(ChunkedParse, ErrorInLaterChunkKeepsLineNumber) {
    CXmlDocument d;
    CExpatReader reader(&d);
    reader.Initialise();
    std::string first = "<a>\n<b>\n";
    std::string second = "</c>";
    reader.ParseBytes(reinterpret_cast<const unsigned char*>(first.data()), static_cast<uint32_t>(first.size()), false);
    EXPECT_NY_THROW(reader.ParseBytes(reinterpret_cast<const unsigned char*>(second.data()),
                                      static_cast<uint32_t>(second.size()), true),
                    CNyException, L"mismatched tag at line 3");
}

TEST(AppendTextExcludingCR, StopsAtLengthOrNul) {
    CXmlDocument d;
    d.LoadXml("<a/>");
    CXmlElement* a = d.GetDocumentElement();
    CXmlTreeAccess::AppendTextExcludingCR(a, L"ab\rc\r", 5);
    EXPECT_EQ(L"abc", a->GetText());
    CXmlTreeAccess::AppendTextExcludingCR(a, L"de", 1);
    EXPECT_EQ(L"abcd", a->GetText());
    const wchar_t withNul[] = {L'x', 0, L'y'};
    CXmlTreeAccess::AppendTextExcludingCR(a, withNul, 3);
    EXPECT_EQ(L"abcdx", a->GetText());
}

TEST(AppendTextExcludingCR, ManySmallPiecesAccumulate) {
    CXmlDocument d;
    d.LoadXml("<a/>");
    CXmlElement* a = d.GetDocumentElement();
    for (int i = 0; i < 100000; ++i) CXmlTreeAccess::AppendText(a, L"xy", 2);
    EXPECT_EQ(200000u, a->GetText().size());
    EXPECT_LE(a->GetText().capacity(), 4 * a->GetText().size());
}

TEST(TreeBuilding, RemoveLastChildElement) {
    CXmlDocument d;
    d.LoadXml("<r><a/><b/><c/></r>");
    CXmlElement* r = d.GetDocumentElement();
    CXmlElement* c = CXmlTreeAccess::RemoveLastChildElement(r);
    ASSERT_NE(nullptr, c);
    EXPECT_EQ(L"c", c->GetLocalName());
    EXPECT_EQ(nullptr, c->GetNextSiblingElement());
    delete c;
    delete CXmlTreeAccess::RemoveLastChildElement(r);
    delete CXmlTreeAccess::RemoveLastChildElement(r);
    EXPECT_EQ(nullptr, CXmlTreeAccess::RemoveLastChildElement(r));
    EXPECT_EQ(nullptr, r->GetFirstElement());
    // Children can be appended again afterwards.
    CXmlElement* n = CXmlTreeAccess::CreateNewChildElement(r);
    CXmlTreeAccess::SetElementName(n, L"n");
    EXPECT_EQ(L"{}r[]\"\"({}n[]\"\"())", DumpTree(r));
}
