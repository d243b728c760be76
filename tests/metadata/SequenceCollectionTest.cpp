// Collection members of a sequence: primitive, enumeration, class, abstract
// class and wildcard collections; occurrence bounds when reading and writing.
#include "GroupTestClasses.h"

namespace GroupTest {
namespace {

// <cols> pc* ec* cc* ac* uc* any* </cols>
struct ColsSchema : ElementSchema<ColsSchema, XmlElementGroupType_Sequence> {
    static constexpr const wchar_t* kElementName = L"cols";
    enum { PC, EC, CC, AC, UC, ANY };
    static std::vector<SlotDef> Slots() {
        return {CollectionSlot(MakeCollection<CValueCol>(L"pc", L"", 0, -1, ItemType_i4, nullptr, nullptr)),
                CollectionSlot(MakeCollection<CValueCol>(L"ec", L"", 0, -1, ItemType_i4, &ColorToText, &ColorFromText)),
                CollectionSlot(MakeCollection<CObjectCol>(L"cc", L"", 0, -1, &Create<ChildSchema>, 31)),
                CollectionSlot(MakeCollection<CAbsObjectCol>(L"ac", L"", 0, -1, &CPartyFactory::Create)),
                CollectionSlot(MakeCollection<CElementCol>(L"", L"##any", L"", 0, -1)),
                CollectionSlot(MakeCollection<CElementCol>(L"", L"##any", L"", 0, -1))};
    }
    static CElementInfo** Elements() {
        return ElementArray(new CElementInfoSeqPrimCol(L"pc", kNamespace, PC),
                            new CElementInfoSeqEnumCol(L"ec", kNamespace, EC),
                            new CElementInfoSeqClsCol(L"cc", kNamespace, CC, XmlElementType_Element),
                            new CElementInfoSeqAbsClsCol(L"ac", kNamespace, AC, XmlElementType_Element),
                            new CElementInfoSeqUntpdCol(L"uc", L"##any", UC),
                            new CElementInfoSeqUntpdCol(L"AnyElement", L"##any", ANY));
    }
};
typedef TGroupClass<ColsSchema> CCols;

TEST(SequenceCollections, EmptyCollectionsReadAndWriteNothing) {
    CCols cols;
    Read(cols, L"<cols/>");
    for (int i = ColsSchema::PC; i <= ColsSchema::ANY; ++i)
        EXPECT_EQ(0, cols.CollectionAs<CXmlCollectionBase>(i)->GetCount());
    EXPECT_EQ(L"<cols/>", Write(cols));
}

// <mins> pc{1,2} cc{0,1} </mins>
struct BoundsSchema : ElementSchema<BoundsSchema, XmlElementGroupType_Sequence> {
    static constexpr const wchar_t* kElementName = L"mins";
    enum { PC, CC };
    static std::vector<SlotDef> Slots() {
        return {CollectionSlot(MakeCollection<CValueCol>(L"pc", L"", 1, 2, ItemType_i4, nullptr, nullptr)),
                CollectionSlot(MakeCollection<CObjectCol>(L"cc", L"", 0, 1, &Create<ChildSchema>, 32))};
    }
    static CElementInfo** Elements() {
        return ElementArray(new CElementInfoSeqPrimCol(L"pc", kNamespace, PC),
                            new CElementInfoSeqClsCol(L"cc", kNamespace, CC, XmlElementType_Element));
    }
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
