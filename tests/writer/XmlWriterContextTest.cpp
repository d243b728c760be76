// CXmlWriter::CXmlWriterContext: the remembered namespace lookups after a
// scope changes (the names of open elements are checked by the byte and
// model comparisons of the writer).
#include <nyxml/writer.h>

#include "TestSupport.h"

#include <string>
#include <vector>

using namespace NyXmlLib9;

namespace {

}  // namespace

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
