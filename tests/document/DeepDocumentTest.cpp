// Documents nested far deeper than any stack would allow a recursive walk:
// loaded, reloaded and destroyed without recursion on the depth.
#include <nyxml/document.h>

#include "TestSupport.h"

#include <string>

using namespace NyXmlLib9;

namespace {

const int kDepth = 300000;

std::string Nested(int depth, const std::string& name) {
    std::string xml;
    xml.reserve(depth * (2 * name.size() + 5) + 1);
    for (int i = 0; i < depth; ++i) xml += "<" + name + ">";
    xml += "x";
    for (int i = 0; i < depth; ++i) xml += "</" + name + ">";
    return xml;
}

}  // namespace

TEST(DeepDocument, ThreeHundredThousandLevelsLoadReloadAndDestroy) {
    const std::string xml = Nested(kDepth, "a");
    {
        CXmlDocument document;
        document.LoadXml(xml.c_str());
        int depth = 0;
        const CXmlElement* innermost = nullptr;
        for (const CXmlElement* e = document.GetDocumentElement(); e; e = e->GetFirstElement()) {
            ++depth;
            innermost = e;
        }
        EXPECT_EQ(kDepth, depth);
        ASSERT_NE(nullptr, innermost);
        EXPECT_EQ(L"x", innermost->GetText());
        // A second load empties the first tree.
        document.LoadXml(xml.c_str());
        EXPECT_EQ(L"a", document.GetDocumentElement()->GetLocalName());
    }
    // Siblings and nesting mixed: every level has a sibling that nests again.
    std::string comb;
    for (int i = 0; i < kDepth / 2; ++i) comb += "<b><c><d/></c>";
    for (int i = 0; i < kDepth / 2; ++i) comb += "</b>";
    CXmlDocument document;
    document.LoadXml(comb.c_str());
    EXPECT_EQ(L"c", document.GetDocumentElement()->GetFirstElement()->GetLocalName());
}
