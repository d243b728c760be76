#include <nyxml/document.h>
#include <nyxml/untyped.h>

#include "TestSupport.h"
#include <string>

using namespace NyXmlLib9;
using nyxml_test::Utf8;

namespace {

std::wstring Compact(const CXmlObjectBase& o) { return o.ToXml(false, false, EOL_LF); }

}  // namespace

TEST(CElement, KeywordIsNotANamespace) {
    for (const wchar_t* keyword : {L"##any", L"##other", L"##local", L"##targetNamespace"}) {
        SCOPED_TRACE(Utf8(keyword));
        EXPECT_NY_THROW(CElement(L"a", keyword), CNyInvalidNamespaceException,
                        std::wstring(L"Invalid Namespace [") + keyword + L"]");
    }
    EXPECT_NO_THROW(CElement(L"a", L"##else"));
}

TEST(CElement, InitRejectsNullsAndForeignNamespaces) {
    EXPECT_NY_THROW(CElement(nullptr, L"", L"##any", L""), CNyInvalidNamespaceException,
                    L"Element Name must have a value");
    EXPECT_NY_THROW(CElement(L"a", L"", nullptr, L""), CNyInvalidNamespaceException,
                    L"Namespace Restriction must have a value");
    EXPECT_NY_THROW(CElement(L"a", L"", L"##any", nullptr), CNyInvalidNamespaceException,
                    L"Target Namespace must have a value");
    EXPECT_NY_THROW(CElement(L"a", L"urn:x", L"##local", L"urn:t"), CNyInvalidNamespaceException,
                    L"Invalid namespace [urn:x]. The namespace must be one of [##local] where the target namespace "
                    L"is [urn:t]");
}

TEST(CElement, ReadsTwoLevelsAndTwoNamespaces) {
    const wchar_t* xml =
        L"<r xmlns='urn:r' xmlns:p='urn:p' a='1' p:b='2'><c p:d='3'><p:e>t</p:e></c><f/></r>";
    CSmartPtr<CElement> e(new CElement(L"r", L"urn:r", L"##any", L""));
    e->FromXml(xml);
    EXPECT_EQ(L"r", e->GetName());
    EXPECT_EQ(L"urn:r", e->GetNamespaceURI());
    ASSERT_EQ(2, e->GetAttributes()->GetCount());
    EXPECT_EQ(L"urn:p", e->GetAttributes()->Item(1)->GetNamespaceURI());
    ASSERT_EQ(2, e->GetChildElements()->GetCount());
    CSmartPtr<CElement> c = e->GetChildElements()->Item(0);
    EXPECT_EQ(L"c", c->GetName());
    EXPECT_EQ(L"urn:r", c->GetNamespaceURI());
    EXPECT_EQ(L"3", c->GetAttributes()->Item(0)->GetValue());
    CSmartPtr<CElement> pe = c->GetChildElements()->Item(0);
    EXPECT_EQ(L"urn:p", pe->GetNamespaceURI());
    EXPECT_EQ(L"t", pe->GetText());
    // Written and read again, the same names, namespaces, values and text.
    CSmartPtr<CElement> again(new CElement(L"r", L"urn:r", L"##any", L""));
    again->FromXml(Compact(*e).c_str());
    EXPECT_EQ(Compact(*e), Compact(*again));
}

TEST(CElement, AttributeOutsideRestrictionFails) {
    CSmartPtr<CElement> e(new CElement(L"a"));
    CSmartPtr<CAttributeCol> attrs = e->GetAttributes();
    CXmlDocument d;
    d.LoadXml("<a xmlns:q='urn:q' q:z='1'/>");
    CSmartPtr<CAttributeCol> local(new CAttributeCol(L"", L"##local", L""));
    // The protected reading hook, through a member pointer taken in a derived class.
    struct Access : CAttributeCol {
        static auto Hook() { return &Access::FromXml_Int; }
    };
    CAttributeCol* col = local.Get();
    EXPECT_NY_THROW((col->*Access::Hook())(d.GetDocumentElement(), nullptr,
                                           CXmlSerializationContext::GetDefaultContext(), false),
                    CNyInvalidNamespaceException, L"Invalid Attribute [z]. The attributes namespace is Inappropriate.");
}

TEST(CElement, CopySharesCollectionsCloneDoesNot) {
    CSmartPtr<CElement> source(new CElement(L"a"));
    source->GetAttributes()->Add(L"one", L"1");
    CElement copy(*source);
    CSmartPtr<CElement> clone = source->Clone();
    source->GetAttributes()->Add(L"two", L"2");
    source->GetChildElements()->Add(L"c", L"urn:c");
    EXPECT_EQ(2, copy.GetAttributes()->GetCount());
    EXPECT_EQ(1, copy.GetChildElements()->GetCount());
    EXPECT_EQ(1, clone->GetAttributes()->GetCount());
    EXPECT_EQ(0, clone->GetChildElements()->GetCount());
}

TEST(CElement, SetNamespaceRestrictionsWrapsTheCause) {
    CSmartPtr<CElement> e(new CElement(L"a", L"urn:a"));
    try {
        e->SetNamespaceRestrictions(L"##local", L"urn:t");
        FAIL() << "no exception";
    } catch (CNyInvalidNamespaceException& ex) {
        EXPECT_EQ(L"The namespace urn:a in the class a is invalid against restriction ##local\n"
                  L"Invalid namespace [urn:a]. The namespace must be one of [##local] where the target namespace is "
                  L"[urn:t]",
                  ex.GetFullMessage());
    }
    EXPECT_EQ(L"urn:a", e->GetNamespaceRestriction());
    e->SetNamespaceRestrictions(L"##other", L"urn:t");
    EXPECT_EQ(L"##other", e->GetNamespaceRestriction());
}

TEST(CAttributeCol, NamespaceFromRestriction) {
    CSmartPtr<CAttributeCol> uris(new CAttributeCol(L"", L"urn:a urn:b", L""));
    EXPECT_EQ(L"urn:a", uris->GetNamespace());
    EXPECT_EQ(L"urn:a", uris->Add(L"x", L"1")->GetNamespaceURI());
    CSmartPtr<CAttributeCol> any(new CAttributeCol(L"", L"##any", L""));
    EXPECT_EQ(L"", any->GetNamespace());
    CSmartPtr<CAttributeCol> shortToken(new CAttributeCol(L"", L"u", L""));
    EXPECT_EQ(L"", shortToken->GetNamespace());
    CSmartPtr<CAttributeCol> given(new CAttributeCol(L"urn:g", L"urn:a", L""));
    EXPECT_EQ(L"urn:g", given->GetNamespace());
}

TEST(CAttributeCol, AddChecksTheRestriction) {
    CSmartPtr<CAttributeCol> col(new CAttributeCol(L"", L"urn:a", L"urn:t"));
    EXPECT_NY_THROW(col->Add(L"x", L"1", L"urn:b"), CNyInvalidNamespaceException,
                    L"Invalid namespace [urn:b]. The namespace must be one of [urn:a] where the target namespace is "
                    L"[urn:t]");
    EXPECT_EQ(0, col->GetCount());
    col->Add(L"y");
    EXPECT_EQ(L"", col->Item(0)->GetValue());
    EXPECT_NY_THROW(col->Item(1), CNyInvalidParamException, L"Index 1 is out of range, use 0 - 0");
}

TEST(CAttribute, ReadingAloneIsRefused) {
    CSmartPtr<CAttributeCol> col(new CAttributeCol(L"", L"##any", L""));
    CSmartPtr<CAttribute> a = col->Add(L"n", L"v");
    EXPECT_NY_THROW(a->FromXml(L"<x/>"), CNyException, L"This should be done by the collection");
    CSmartPtr<CAttribute> clone = a->Clone();
    EXPECT_EQ(L"n", clone->GetName());
    EXPECT_EQ(L"v", clone->GetValue());
}

TEST(CElementCol, AddForms) {
    CSmartPtr<CElementCol> noNamespace(new CElementCol(L"", L"##any", L""));
    EXPECT_NY_THROW(noNamespace->Add(L"a"), CNyInvalidStateException,
                    L"A Namespace has not been set for this Collection");
    CSmartPtr<CElementCol> col(new CElementCol(L"urn:e", L"##any", L"urn:t"));
    EXPECT_EQ(L"urn:e", col->Add(L"a")->GetNamespaceURI());
    EXPECT_EQ(L"urn:x", col->Add(L"b", L"urn:x")->GetNamespaceURI());
    EXPECT_EQ(2, col->GetCount());
    EXPECT_EQ(L"urn:t", col->GetNamespace());
}

// Untyped elements nested to any depth: read, copied, written, emptied and
// released without recursion on the depth.
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
