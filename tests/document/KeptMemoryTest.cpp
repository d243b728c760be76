// Memory the process keeps after the last document is gone: a few MiB of
// element slabs at most, all of it given back on request.
#include <nyxml/document.h>

#include "document/ElementArena.h"

#include "TestSupport.h"

#include <string>

using namespace NyXmlLib9;

TEST(KeptMemory, AtMostAFewMiBAndAllGivenBack) {
    std::string xml = "<r>";
    for (int i = 0; i < 200000; ++i) xml += "<item a=\"1\" b=\"2\"><x/>text</item>";
    xml += "</r>";
    const size_t limit = size_t(4) << 20;
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        {
            CXmlDocument d;
            d.LoadXml(xml.c_str());  // a tree of tens of MiB in mapped slabs
            ASSERT_NE(nullptr, d.GetDocumentElement());
        }
        const size_t kept = CElementArena::GetKeptBytes();
        EXPECT_GT(kept, 0u);
        EXPECT_LE(kept, limit);
        CXmlDocument::ReleaseKeptMemory();
        EXPECT_EQ(0u, CElementArena::GetKeptBytes());
    }
    // A document alive keeps its memory; the call does not touch it.
    CXmlDocument alive;
    alive.LoadXml(xml.c_str());
    CXmlDocument::ReleaseKeptMemory();
    EXPECT_EQ(L"item", alive.GetDocumentElement()->GetFirstElement()->GetLocalName());
}
