#include <nyxml/document.h>

#include "TestSupport.h"
#include "TreeDump.h"

#include <string>
#include <vector>

using namespace NyXmlLib9;
using nyxml_test::DumpTree;

namespace {

std::vector<std::wstring> g_seen;

bool DiscardItems(CXmlElement* e) {
    g_seen.push_back(e->GetLocalName());
    return e->GetLocalName() == L"item";
}

bool DiscardEverything(CXmlElement* e) {
    g_seen.push_back(DumpTree(e));
    return true;
}

}  // namespace

TEST(ElementCallback, MillionDiscardedItemsLeaveEmptyRoot) {
    std::string xml = "<r>";
    xml.reserve(1000000 * 8 + 10);
    for (int i = 0; i < 1000000; ++i) xml += "<item/>";
    xml += "</r>";
    g_seen.clear();
    CXmlDocument d(&DiscardItems);
    d.LoadXml(xml.c_str());
    ASSERT_NE(nullptr, d.GetDocumentElement());
    EXPECT_EQ(nullptr, d.GetDocumentElement()->GetFirstElement());
    EXPECT_EQ(1000001u, g_seen.size());
    EXPECT_EQ(L"r", g_seen.back());
}

TEST(ElementCallback, SeesCompleteElementsInEndOrder) {
    g_seen.clear();
    CXmlDocument d(&DiscardEverything);
    d.LoadXml("<r><a x='1'>t<b/>u</a><c/></r>");
    ASSERT_EQ(4u, g_seen.size());
    EXPECT_EQ(L"{}b[]\"\"()", g_seen[0]);
    EXPECT_EQ(L"{}a[{}x=1;]\"tu\"()", g_seen[1]);  // b was already discarded
    EXPECT_EQ(L"{}c[]\"\"()", g_seen[2]);
    EXPECT_EQ(L"{}r[]\"\"()", g_seen[3]);
    // The document element always stays, whatever the callback answers.
    EXPECT_EQ(L"{}r[]\"\"()", DumpTree(d.GetDocumentElement()));
}

// Elements carry their attributes in their own allocation: discarded ones
// with attributes (and with more than the reader could pool) are freed whole,
// kept ones keep every attribute.
TEST(ElementCallback, DiscardedAndKeptElementsWithAttributes) {
    g_seen.clear();
    CXmlDocument d(&DiscardItems);
    std::string xml = "<r a='1' b='2'>";
    for (int i = 0; i < 2000; ++i) {
        std::string n = std::to_string(i);
        xml += "<item x='" + n + "' y='" + n + "' z" + n + "='v'/><keep k" + n + "='" + n + "' m='m'/>";
    }
    xml += "</r>";
    d.LoadXml(xml.c_str());
    const CXmlElement* r = d.GetDocumentElement();
    ASSERT_EQ(2u, r->GetAttributes().size());
    EXPECT_EQ(L"2", r->GetAttribute(L"b", L""));
    int kept = 0;
    for (const CXmlElement* c = r->GetFirstElement(); c; c = c->GetNextSiblingElement(), ++kept) {
        ASSERT_EQ(L"keep", c->GetLocalName());
        ASSERT_EQ(2u, c->GetAttributes().size());
        std::wstring n = std::to_wstring(kept);
        EXPECT_EQ(n, c->GetAttribute(L"k" + n, L""));
        EXPECT_EQ(L"m", c->GetAttributes()[1]->GetValue());
    }
    EXPECT_EQ(2000, kept);
}
