// Untyped elements nested to any depth: read, copied, written, emptied and
// released without recursion on the depth.
#include <nyxml/document.h>
#include <nyxml/untyped.h>

#include "TestSupport.h"

#include <string>

using namespace NyXmlLib9;

namespace {

// Far deeper than recursion over the levels could go on an 8 MiB stack.
const int kDepth = 100000;

std::wstring Nested(int depth) {
    std::wstring xml;
    for (int i = 0; i < depth; ++i) xml += L"<a k=\"v\">";
    xml += L"x";
    for (int i = 0; i < depth; ++i) xml += L"</a>";
    return xml;
}

int Depth(CElement* e) {
    int depth = 0;
    CSmartPtr<CElement> current(e);
    while (current) {
        ++depth;
        CSmartPtr<CElementCol> children = current->GetChildElements();
        current = children->GetCount() ? children->Item(0).Get() : nullptr;
    }
    return depth;
}

}  // namespace

TEST(DeepUntyped, ReadCloneWriteAndReleaseAHundredThousandLevels) {
    const std::wstring xml = Nested(kDepth);
    CSmartPtr<CElement> root(new CElement(L"a"));
    root->FromXml(xml.c_str());
    EXPECT_EQ(kDepth, Depth(root));
    CSmartPtr<CElement> copy = root->Clone();
    root = nullptr;
    EXPECT_EQ(kDepth, Depth(copy));
    EXPECT_TRUE(xml == copy->ToXml(false, false, EOL_LF));
    // The copy of an element made from a bindable object copies its whole tree.
    CSmartPtr<CElement> fromObject(new CElement(copy.Get(), L""));
    EXPECT_EQ(kDepth, Depth(fromObject));
    // Emptying the children of the root releases the whole chain below it.
    copy->GetChildElements()->Clear();
    EXPECT_EQ(L"<a k=\"v\"/>", copy->ToXml(false, false, EOL_LF));
}

TEST(DeepUntyped, BuiltByTheApplicationAndReleased) {
    CSmartPtr<CElement> root(new CElement(L"r", L"urn:r"));
    CSmartPtr<CElement> current = root;
    for (int i = 0; i < kDepth; ++i) current = current->GetChildElements()->Add(L"c");
    current->SetText(L"end");
    EXPECT_EQ(kDepth + 1, Depth(root));
}
