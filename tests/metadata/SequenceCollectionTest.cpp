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

TEST(SequenceCollections, EveryKindReadsItsRunAndRoundTrips) {
    const std::wstring written =
        L"<cols><pc>1</pc><pc>2</pc><ec>red</ec><ec>blue</ec><cc><v>a</v></cc><cc><v>b</v><w>2</w></cc>"
        L"<ac xmlns:AA=\"http://www.w3.org/2001/XMLSchema-instance\" AA:type=\"Person\"><name>p</name></ac>"
        L"<ac xmlns:AA=\"http://www.w3.org/2001/XMLSchema-instance\" AA:type=\"Company\"><name>c</name>"
        L"<vat>v</vat></ac><uc>1</uc><uc a=\"x\">2</uc><x/><y>t</y></cols>";
    Calls() = CallLog();
    CCols cols;
    Read(cols,
         L"<cols xmlns:xsi='http://www.w3.org/2001/XMLSchema-instance'><pc>1</pc><pc> 2 </pc><ec>red</ec>"
         L"<ec>blue</ec><cc><v>a</v></cc><cc><v>b</v><w>2</w></cc><ac xsi:type='Person'><name>p</name></ac>"
         L"<ac xsi:type='Company'><name>c</name><vat>v</vat></ac><uc>1</uc><uc a='x'>2</uc><x/><y>t</y></cols>");
    EXPECT_EQ(L"1|2", cols.CollectionAs<CValueCol>(ColsSchema::PC)->Joined());
    EXPECT_EQ(L"red|blue", cols.CollectionAs<CValueCol>(ColsSchema::EC)->Joined());
    CObjectCol* cc = cols.CollectionAs<CObjectCol>(ColsSchema::CC);
    ASSERT_EQ(2, cc->GetCount());
    EXPECT_EQ(L"a", cc->Item(0)->Text(ChildSchema::V));
    EXPECT_EQ(L"2", cc->Item(1)->Text(ChildSchema::W));
    EXPECT_EQ(2, Calls().createCalls);
    EXPECT_EQ(31, Calls().lastClassId);
    EXPECT_EQ(L"cc", Calls().lastName);
    CAbsObjectCol* ac = cols.CollectionAs<CAbsObjectCol>(ColsSchema::AC);
    ASSERT_EQ(2, ac->GetCount());
    EXPECT_NE(nullptr, dynamic_cast<CPerson*>(ac->Item(0)));
    EXPECT_NE(nullptr, dynamic_cast<CCompany*>(ac->Item(1)));
    EXPECT_EQ(L"uc|uc", Names(cols.CollectionAs<CElementCol>(ColsSchema::UC)));
    EXPECT_EQ(L"x|y", Names(cols.CollectionAs<CElementCol>(ColsSchema::ANY)));
    EXPECT_EQ(written, Write(cols));
    CCols back;
    Read(back, written.c_str());
    EXPECT_EQ(written, Write(back));
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

TEST(SequenceCollections, ItemErrorsAreWrapped) {
    struct Row {
        const wchar_t* xml;
        std::wstring error;
    };
    const Row rows[] = {
        {L"<cols><pc>1</pc><pc>one</pc></cols>",
         Chain({ReadWrap(L"cols"), L"The value [one] can not be converted to a i4"})},
        {L"<cols><ec>red</ec><ec>pink</ec></cols>",
         Chain({ReadWrap(L"cols"), L"Invalid value [pink] for the enumeration Color"})},
        {L"<cols><cc><v>a</v></cc><cc/></cols>", Chain({ReadWrap(L"cols"), ReadWrap(L"cc"), Required(L"v")})},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(nyxml_test::Utf8(row.xml));
        CCols cols;
        EXPECT_TRUE(IsThrown<CNyValidationException>(Catch([&] { Read(cols, row.xml); }), row.error));
    }
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

TEST(SequenceCollections, BoundsAreCheckedAfterReadingUnlessIgnored) {
    struct Row {
        const wchar_t* xml;
        unsigned options;
        const wchar_t* pc;
        int cc;
        std::wstring error;
    };
    const Row rows[] = {
        {L"<mins/>", Opt_None, L"", 0, Chain({ReadWrap(L"mins"), MinCount(L"pc", 1)})},
        {L"<mins/>", Opt_IgnoreCounts, L"", 0, L""},
        {L"<mins/>", Opt_IgnoreMissingMandatory, L"", 0, Chain({ReadWrap(L"mins"), MinCount(L"pc", 1)})},
        {L"<mins><pc>1</pc></mins>", Opt_None, L"1", 0, L""},
        {L"<mins><pc>1</pc><pc>2</pc><pc>3</pc></mins>", Opt_None, L"", 0,
         Chain({ReadWrap(L"mins"), MaxCount(L"pc", 2)})},
        {L"<mins><pc>1</pc><pc>2</pc><pc>3</pc></mins>", Opt_IgnoreCounts, L"1|2|3", 0, L""},
        {L"<mins><pc>1</pc><cc><v/></cc><cc><v/></cc></mins>", Opt_None, L"", 0,
         Chain({ReadWrap(L"mins"), MaxCount(L"cc", 1)})},
        {L"<mins><pc>1</pc><cc><v/></cc><cc><v/></cc></mins>", Opt_IgnoreCounts, L"1", 2, L""},
        // Collections do not skip unknown elements.
        {L"<mins><x/><pc>1</pc></mins>", Opt_IgnoreUnknown, L"", 0, Chain({ReadWrap(L"mins"), MinCount(L"pc", 1)})},
        {L"<mins><x/><pc>1</pc></mins>", Opt_IgnoreCounts, L"", 0, Chain({ReadWrap(L"mins"), Leftover(L"mins", L"x")})},
        {L"<mins><x/><pc>1</pc></mins>", Opt_IgnoreCounts | Opt_IgnoreUnknown, L"", 0, L""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(nyxml_test::Utf8(row.xml) + " options " + std::to_string(row.options));
        CBounds b;
        Thrown thrown = Catch([&] { Read(b, row.xml, row.options); });
        if (!row.error.empty()) {
            EXPECT_TRUE(IsThrown<CNyValidationException>(thrown, row.error));
            continue;
        }
        ASSERT_TRUE(NothingThrown(thrown));
        EXPECT_EQ(row.pc, b.CollectionAs<CValueCol>(BoundsSchema::PC)->Joined());
        EXPECT_EQ(row.cc, b.CollectionAs<CObjectCol>(BoundsSchema::CC)->GetCount());
    }
}

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
