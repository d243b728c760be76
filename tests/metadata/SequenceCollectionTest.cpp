// Collection members of a sequence: primitive, enumeration, class, abstract
// class and wildcard collections; occurrence bounds when reading and writing.
#include "GroupTestClasses.h"

namespace GroupTest {
namespace {

// <cols> pc* ec* cc* ac* uc* any* </cols>
struct ColsSchema {
    static constexpr const wchar_t* kElementName = L"cols";
    static constexpr const wchar_t* kNamespace = L"";
    enum { PC, EC, CC, AC, UC, ANY };
    static std::vector<SlotDef> Slots() {
        return {CollectionSlot(MakeCollection<CValueCol>(L"pc", L"", 0, -1, ItemType_i4, nullptr, nullptr)),
                CollectionSlot(MakeCollection<CValueCol>(L"ec", L"", 0, -1, ItemType_i4, &ColorToText, &ColorFromText)),
                CollectionSlot(MakeCollection<CObjectCol>(L"cc", L"", 0, -1, &Create<ChildSchema>, 31)),
                CollectionSlot(MakeCollection<CAbsObjectCol>(L"ac", L"", 0, -1, &CPartyFactory::Create)),
                CollectionSlot(MakeCollection<CElementCol>(L"", L"##any", L"", 0, -1)),
                CollectionSlot(MakeCollection<CElementCol>(L"", L"##any", L"", 0, -1))};
    }
    static CParentElementInfo* Parent() {
        return ElementParent(XmlElementGroupType_Sequence, kElementName, kNamespace, true);
    }
    static CElementInfo** Elements() {
        return ElementArray(new CElementInfoSeqPrimCol(L"pc", kNamespace, PC),
                            new CElementInfoSeqEnumCol(L"ec", kNamespace, EC),
                            new CElementInfoSeqClsCol(L"cc", kNamespace, CC, XmlElementType_Element),
                            new CElementInfoSeqAbsClsCol(L"ac", kNamespace, AC, XmlElementType_Element),
                            new CElementInfoSeqUntpdCol(L"uc", L"##any", UC),
                            new CElementInfoSeqUntpdCol(L"AnyElement", L"##any", ANY));
    }
    static CAttributeInfo** Attributes() { return AttributeArray(); }
};
typedef TGroupClass<ColsSchema> CCols;

// The names of the elements an untyped collection holds, joined by '|'.
std::wstring Names(const CElementCol* elements) {
    std::wstring all;
    for (CElementCol::iterator i = elements->begin(); i != elements->end(); ++i) {
        if (!all.empty()) all += L'|';
        all += (*i)->GetName();
    }
    return all;
}

TEST(SequenceCollections, EmptyCollectionsReadAndWriteNothing) {
    CCols cols;
    Read(cols, L"<cols/>");
    for (int i = ColsSchema::PC; i <= ColsSchema::ANY; ++i)
        EXPECT_EQ(0, cols.CollectionAs<CXmlCollectionBase>(i)->GetCount());
    EXPECT_EQ(L"<cols/>", Write(cols));
}

TEST(SequenceCollections, WhatEachCollectionLeavesGoesOnToTheNext) {
    struct Row {
        const wchar_t* xml;
        const wchar_t* pc;
        const wchar_t* uc;
        const wchar_t* any;
    };
    const Row rows[] = {
        // The second run of pc is not pc's any more: the wildcard at the end takes it.
        {L"<cols><pc>1</pc><ec>red</ec><pc>2</pc></cols>", L"1", L"", L"pc"},
        // A named wildcard collection reads its name in the namespace of the first element it meets.
        {L"<cols><uc xmlns='urn:a'>1</uc><uc xmlns='urn:a'>2</uc><uc xmlns='urn:b'>3</uc></cols>", L"", L"uc|uc",
         L"uc"},
        {L"<cols><uc xmlns='urn:b'>3</uc><uc>4</uc></cols>", L"", L"uc", L"uc"},
        {L"<cols><v/><uc>1</uc></cols>", L"", L"", L"v|uc"},
        // The factory refuses the second ac: the abstract run ends there.
        {L"<cols><ac xmlns:xsi='http://www.w3.org/2001/XMLSchema-instance' xsi:type='Person'><name>p</name></ac>"
         L"<ac/></cols>",
         L"", L"", L"ac"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(nyxml_test::Utf8(row.xml));
        CCols cols;
        Read(cols, row.xml);
        EXPECT_EQ(row.pc, cols.CollectionAs<CValueCol>(ColsSchema::PC)->Joined());
        EXPECT_EQ(row.uc, Names(cols.CollectionAs<CElementCol>(ColsSchema::UC)));
        EXPECT_EQ(row.any, Names(cols.CollectionAs<CElementCol>(ColsSchema::ANY)));
    }
    CCols cols;
    Read(cols, L"<cols><uc xmlns='urn:a'>1</uc><uc xmlns='urn:b'>3</uc></cols>");
    EXPECT_EQ(L"urn:a", cols.CollectionAs<CElementCol>(ColsSchema::UC)->Item(0)->GetNamespaceURI());
    EXPECT_EQ(L"urn:b", cols.CollectionAs<CElementCol>(ColsSchema::ANY)->Item(0)->GetNamespaceURI());
}

// <mins> pc{1,2} cc{0,1} </mins>
struct BoundsSchema {
    static constexpr const wchar_t* kElementName = L"mins";
    static constexpr const wchar_t* kNamespace = L"";
    enum { PC, CC };
    static std::vector<SlotDef> Slots() {
        return {CollectionSlot(MakeCollection<CValueCol>(L"pc", L"", 1, 2, ItemType_i4, nullptr, nullptr)),
                CollectionSlot(MakeCollection<CObjectCol>(L"cc", L"", 0, 1, &Create<ChildSchema>, 32))};
    }
    static CParentElementInfo* Parent() {
        return ElementParent(XmlElementGroupType_Sequence, kElementName, kNamespace, true);
    }
    static CElementInfo** Elements() {
        return ElementArray(new CElementInfoSeqPrimCol(L"pc", kNamespace, PC),
                            new CElementInfoSeqClsCol(L"cc", kNamespace, CC, XmlElementType_Element));
    }
    static CAttributeInfo** Attributes() { return AttributeArray(); }
};
typedef TGroupClass<BoundsSchema> CBounds;

TEST(SequenceCollections, BoundsAreCheckedBeforeWritingUnlessIgnored) {
    CBounds b;
    EXPECT_TRUE(
        IsThrown<CNyValidationException>(Catch([&] { Write(b); }), Chain({WriteWrap(L"mins"), MinCount(L"pc", 1)})));
    EXPECT_EQ(L"<mins/>", Write(b, Opt_IgnoreCounts));
    b.CollectionAs<CValueCol>(BoundsSchema::PC)->AddFromString(L"5");
    CObjectCol* cc = b.CollectionAs<CObjectCol>(BoundsSchema::CC);
    cc->Add()->SetText(ChildSchema::V, L"a");
    EXPECT_EQ(L"<mins><pc>5</pc><cc><v>a</v></cc></mins>", Write(b));
    // The class collection writes whatever it holds; the member checks the count first.
    cc->Add()->SetText(ChildSchema::V, L"b");
    EXPECT_TRUE(
        IsThrown<CNyValidationException>(Catch([&] { Write(b); }), Chain({WriteWrap(L"mins"), MaxCount(L"cc", 1)})));
    EXPECT_EQ(L"<mins><pc>5</pc><cc><v>a</v></cc><cc><v>b</v></cc></mins>", Write(b, Opt_IgnoreCounts));
}

}  // namespace
}  // namespace GroupTest
