// Sequence members of every content kind in a class with its own element:
// matching, skipping, missing members, leftovers, the ignore options and round trips.
#include "TestClasses.h"

#include <cwchar>

namespace GroupTest {
namespace {

// <r> m1 (mandatory string), m2 (optional i4), m3 (mandatory string) </r>
struct TrioSchema : ElementSchema<TrioSchema, XmlElementGroupType_Sequence> {
    static constexpr const wchar_t* kElementName = L"r";
    enum { M1, M2, M3 };
    static std::vector<SlotDef> Slots() { return {ValueSlot(), ValueSlot(), ValueSlot()}; }
    static CElementInfo** Elements() {
        return ElementArray(
            new CElementInfoSeqPrimMnd(L"m1", kNamespace, M1, ItemType_string, nullptr, kPreserve, NoFacets()),
            new CElementInfoSeqPrimOpt(L"m2", kNamespace, M2, ItemType_i4, nullptr, kCollapse, NoFacets()),
            new CElementInfoSeqPrimMnd(L"m3", kNamespace, M3, ItemType_string, nullptr, kPreserve, NoFacets()));
    }
};
typedef TGroupClass<TrioSchema> CTrio;

struct TrioRow {
    const wchar_t* xml;
    unsigned options;
    const wchar_t* m1;
    const wchar_t* m2;
    const wchar_t* m3;
    std::wstring error;  // the whole chain; empty when the read succeeds
};

TEST(SequenceMembers, MandatoryOptionalMandatoryUnderEveryOption) {
    const wchar_t* u = L"(unset)";
    const TrioRow rows[] = {
        {L"<r><m1>a</m1><m3>c</m3></r>", Opt_None, L"a", u, L"c", L""},
        {L"<r><m1>a</m1><m2> 7 </m2><m3>c</m3></r>", Opt_None, L"a", L"7", L"c", L""},
        {L"<r><m1>a</m1><x/><m3>c</m3></r>", Opt_None, L"", L"", L"", Chain({ReadWrap(L"r"), Required(L"m3")})},
        {L"<r><m1>a</m1><x/><m3>c</m3></r>", Opt_IgnoreUnknown, L"a", u, L"c", L""},
        {L"<r><m1>a</m1><x/><m3>c</m3></r>", Opt_IgnoreMissingMandatory, L"", L"", L"",
         Chain({ReadWrap(L"r"), Leftover(L"r", L"x")})},
        {L"<r><m1>a</m1></r>", Opt_None, L"", L"", L"", Chain({ReadWrap(L"r"), Required(L"m3")})},
        {L"<r><m1>a</m1></r>", Opt_IgnoreUnknown, L"", L"", L"", Chain({ReadWrap(L"r"), Required(L"m3")})},
        {L"<r><m1>a</m1></r>", Opt_IgnoreMissingMandatory, L"a", u, u, L""},
        {L"<r/>", Opt_None, L"", L"", L"", Chain({ReadWrap(L"r"), Required(L"m1")})},
        {L"<r/>", Opt_IgnoreMissingMandatory, u, u, u, L""},
        {L"<r><m1>a</m1><m3>c</m3><x/></r>", Opt_None, L"", L"", L"", Chain({ReadWrap(L"r"), Leftover(L"r", L"x")})},
        {L"<r><m1>a</m1><m3>c</m3><x/><y/></r>", Opt_IgnoreUnknown, L"a", u, L"c", L""},
        {L"<r><x/><m1>a</m1><y/><m2>1</m2><z/><m3>c</m3></r>", Opt_IgnoreUnknown, L"a", u, L"c", L""},
        {L"<r><x/><m1>a</m1><m2>1</m2><m3>c</m3></r>", Opt_IgnoreUnknown, L"a", L"1", L"c", L""},
        // Out of order: the search for m1 skips m3, so nothing is left for m3.
        {L"<r><m3>c</m3><m1>a</m1></r>", Opt_None, L"", L"", L"", Chain({ReadWrap(L"r"), Required(L"m1")})},
        {L"<r><m3>c</m3><m1>a</m1></r>", Opt_IgnoreUnknown, L"", L"", L"", Chain({ReadWrap(L"r"), Required(L"m3")})},
        {L"<r><m3>c</m3><m1>a</m1></r>", Opt_IgnoreMissingMandatory, L"", L"", L"",
         Chain({ReadWrap(L"r"), Leftover(L"r", L"m1")})},
        {L"<r><m1>a</m1><m2>1</m2><m2>2</m2><m3>c</m3></r>", Opt_None, L"", L"", L"",
         Chain({ReadWrap(L"r"), Required(L"m3")})},
        {L"<r><m1>a</m1><m2>1</m2><m2>2</m2><m3>c</m3></r>", Opt_IgnoreUnknown, L"a", L"1", L"c", L""},
        // Text and comments between the members do not count as elements.
        {L"<r>t<m1>a</m1><!-- c --><m3>c</m3>u</r>", Opt_None, L"a", u, L"c", L""},
        {L"<r><m1>a</m1><m2>x</m2><m3>c</m3></r>", Opt_None, L"", L"", L"",
         Chain({ReadWrap(L"r"), L"The value [x] can not be converted to a i4"})},
        {L"<r><m1>a</m1><m2>99999999999</m2><m3>c</m3></r>", Opt_None, L"", L"", L"",
         Chain({ReadWrap(L"r"), L"The value [99999999999] is to large to fit in a i4"})},
    };
    for (const TrioRow& row : rows) {
        SCOPED_TRACE(nyxml_test::Utf8(row.xml) + " options " + std::to_string(row.options));
        CTrio r;
        if (!ReadsOrFails(r, row.xml, row.options, row.error)) continue;
        EXPECT_EQ(row.m1, r.Text(TrioSchema::M1));
        EXPECT_EQ(row.m2, r.Text(TrioSchema::M2));
        EXPECT_EQ(row.m3, r.Text(TrioSchema::M3));
    }
}

// ---- every content kind, mandatory and optional ----

// <k> p e c a u (mandatory) with o f d b (optional) between them, then any element.
struct KindsSchema : ElementSchema<KindsSchema, XmlElementGroupType_Sequence> {
    static constexpr const wchar_t* kElementName = L"k";
    enum { P, O, E, F, C, D, A, B, U, ANY };
    static std::vector<SlotDef> Slots() {
        return {ValueSlot(),
                ValueSlot(),
                ValueSlot(),
                ValueSlot(),
                HeldSlot(Held<ChildSchema>(L"c")),
                ObjectSlot(),
                ObjectSlot(),
                ObjectSlot(),
                HeldSlot(HeldElement(L"u", L"##any", L"")),
                ObjectSlot()};
    }
    static CElementInfo** Elements() {
        return ElementArray(
            new CElementInfoSeqPrimMnd(L"p", kNamespace, P, ItemType_i4, nullptr, kCollapse, NoFacets()),
            new CElementInfoSeqPrimOpt(L"o", kNamespace, O, ItemType_boolean, nullptr, kCollapse, NoFacets()),
            new CElementInfoSeqEnumMnd(L"e", kNamespace, E, &ColorToText, &ColorFromText),
            new CElementInfoSeqEnumOpt(L"f", kNamespace, F, &ColorToText, &ColorFromText),
            new CElementInfoSeqClsMnd(L"c", kNamespace, C, XmlElementType_Element, &Create<ChildSchema>, 11, false),
            new CElementInfoSeqClsOpt(L"d", kNamespace, D, XmlElementType_Element, &Create<ChildSchema>, 12),
            new CElementInfoSeqAbsClsMnd(L"a", kNamespace, A, XmlElementType_Element, &CPartyFactory::Create),
            new CElementInfoSeqAbsClsOpt(L"b", kNamespace, B, XmlElementType_Element, &CPartyFactory::Create),
            new CElementInfoSeqUntpdMnd(L"u", L"##any", U, L"##any", L""),
            new CElementInfoSeqUntpdOpt(L"AnyElement", L"##any", ANY, L"##any", L""));
    }
};
typedef TGroupClass<KindsSchema> CKinds;

const wchar_t kXsi[] = L" xmlns:xsi='http://www.w3.org/2001/XMLSchema-instance'";

std::wstring KindsXml(const std::wstring& body) { return L"<k" + std::wstring(kXsi) + L">" + body + L"</k>"; }

TEST(SequenceMembers, EveryKindRoundTrips) {
    const std::wstring written =
        L"<k><p>5</p><o>false</o><e>green</e><f>red</f><c><v>x</v><w>3</w></c><d><v>y</v></d>"
        L"<a xmlns:AA=\"http://www.w3.org/2001/XMLSchema-instance\" AA:type=\"Person\"><name>n</name></a>"
        L"<b xmlns:AA=\"http://www.w3.org/2001/XMLSchema-instance\" AA:type=\"Company\"><name>m</name>"
        L"<vat>v</vat></b><u q=\"1\"><i/>t</u><AA:z xmlns:AA=\"urn:z\">zz</AA:z></k>";
    CKinds first;
    Read(first, KindsXml(L"<p>5</p><o>0</o><e>green</e><f>red</f><c><v>x</v><w>3</w></c><d><v>y</v></d>"
                         L"<a xsi:type='Person'><name>n</name></a><b xsi:type='Company'><name>m</name>"
                         L"<vat>v</vat></b><u q='1'>t<i/></u><z xmlns='urn:z'>zz</z>")
                    .c_str());
    EXPECT_EQ(written, Write(first));
    CKinds second;
    Read(second, written.c_str());
    EXPECT_EQ(written, Write(second));
}

struct KindsErrorRow {
    std::wstring body;
    unsigned options;
    std::wstring error;
};

TEST(SequenceMembers, MissingOrUnacceptableMandatoryKinds) {
    const std::wstring person = L"<a xsi:type='Person'><name>n</name></a>";
    const std::wstring substitution = L"Failed to find a suitable substitution element for [a]";
    const KindsErrorRow rows[] = {
        {L"<e>green</e><c><v>x</v></c>" + person + L"<u/>", Opt_None, Chain({ReadWrap(L"k"), Required(L"p")})},
        {L"<p>5</p><c><v>x</v></c>" + person + L"<u/>", Opt_None, Chain({ReadWrap(L"k"), Required(L"e")})},
        {L"<p>5</p><e>green</e>" + person + L"<u/>", Opt_None, Chain({ReadWrap(L"k"), Required(L"c")})},
        {L"<p>5</p><e>green</e><c><v>x</v></c><u/>", Opt_None, Chain({ReadWrap(L"k"), substitution})},
        // The factory refuses an element without xsi:type.
        {L"<p>5</p><e>green</e><c><v>x</v></c><a><name>n</name></a><u/>", Opt_None,
         Chain({ReadWrap(L"k"), substitution})},
        // The ignore options do not help an abstract member.
        {L"<p>5</p><e>green</e><c><v>x</v></c><x/>" + person + L"<u/>", Opt_IgnoreUnknown,
         Chain({ReadWrap(L"k"), substitution})},
        {L"<p>5</p><e>green</e><c><v>x</v></c><u/>", Opt_IgnoreMissingMandatory, Chain({ReadWrap(L"k"), substitution})},
        {L"<p>5</p><e>green</e><c><v>x</v></c>" + person, Opt_None, Chain({ReadWrap(L"k"), Required(L"u")})},
        {L"<p>5</p><e>green</e><c><v>x</v></c>" + person, Opt_IgnoreUnknown, Chain({ReadWrap(L"k"), Required(L"u")})},
        // A named wildcard member takes only its name.
        {L"<p>5</p><e>green</e><c><v>x</v></c>" + person + L"<w/>", Opt_None,
         Chain({ReadWrap(L"k"), L"Failed to find the required element from namespace [##any]"})},
        // Failures inside a child are wrapped by every class on the way out.
        {L"<p>5</p><e>green</e><c><w>3</w></c>" + person + L"<u/>", Opt_None,
         Chain({ReadWrap(L"k"), ReadWrap(L"c"), Required(L"v")})},
        {L"<p>5</p><e>green</e><c><v>x</v></c><a xsi:type='Person'/><u/>", Opt_None,
         Chain({ReadWrap(L"k"), ReadWrap(L"a"), Required(L"name")})},
        // The wildcard after u takes one element of any name; a second one is left over.
        {L"<p>5</p><e>green</e><c><v>x</v></c>" + person + L"<u/><x1/><x2/>", Opt_None,
         Chain({ReadWrap(L"k"), Leftover(L"k", L"x2")})},
        // A mandatory wildcard neither searches nor counts as present when missing.
        {L"<p>5</p><e>green</e><c><v>x</v></c>" + person, Opt_IgnoreMissingMandatory,
         Chain({ReadWrap(L"k"), Required(L"u")})},
        {L"<p>5</p><e>green</e><c><v>x</v></c>" + person + L"<x/><u/>", Opt_IgnoreUnknown,
         Chain({ReadWrap(L"k"), L"Failed to find the required element from namespace [##any]"})},
        {L"<p>5</p><e>green</e><c><v>x</v></c><d><v>1</v><w>z</w></d>" + person + L"<u/>", Opt_None,
         Chain({ReadWrap(L"k"), ReadWrap(L"d"), L"The value [z] can not be converted to a i4"})},
        {L"<p>5</p><e>pink</e><c><v>x</v></c>" + person + L"<u/>", Opt_None,
         Chain({ReadWrap(L"k"), L"Invalid value [pink] for the enumeration Color"})},
        {L"<p>5</p><o>yes</o><e>red</e><c><v>x</v></c>" + person + L"<u/>", Opt_None,
         Chain({ReadWrap(L"k"),
                L"A Boolean Value read from an XML document was invalid [yes]. Valid values are "
                L"'true', 'false', '1', or '0'"})},
    };
    for (const KindsErrorRow& row : rows) {
        SCOPED_TRACE(nyxml_test::Utf8(row.body) + " options " + std::to_string(row.options));
        CKinds k;
        EXPECT_TRUE(IsThrown<CNyValidationException>(Catch([&] { Read(k, KindsXml(row.body).c_str(), row.options); }),
                                                     row.error));
    }
}

TEST(SequenceMembers, IgnoredMissingMandatoryKindsLeaveTheirProperties) {
    CKinds k;
    // The abstract and wildcard members cannot be treated as present; the others can.
    Read(k, KindsXml(L"<a xsi:type='Person'><name>n</name></a><u/>").c_str(), Opt_IgnoreMissingMandatory);
    EXPECT_EQ(L"(unset)", k.Text(KindsSchema::P));
    EXPECT_EQ(L"(unset)", k.Text(KindsSchema::E));
    ASSERT_NE(nullptr, k.Child(KindsSchema::C));
    EXPECT_EQ(L"(unset)", k.Child(KindsSchema::C)->Text(ChildSchema::V));
    EXPECT_NE(nullptr, k.ObjectAs<CPerson>(KindsSchema::A));
    ASSERT_NE(nullptr, k.ObjectAs<CElement>(KindsSchema::U));
    EXPECT_EQ(L"u", k.ObjectAs<CElement>(KindsSchema::U)->GetName());
}

// ---- writing ----

// <f> s (string of at most 3 characters), e (enumeration) </f>
struct FacetSchema : ElementSchema<FacetSchema, XmlElementGroupType_Sequence> {
    static constexpr const wchar_t* kElementName = L"f";
    enum { S, E };
    static std::vector<SlotDef> Slots() { return {ValueSlot(), ValueSlot()}; }
    static CElementInfo** Elements() {
        return ElementArray(
            new CElementInfoSeqPrimOpt(L"s", kNamespace, S, ItemType_string, nullptr, kPreserve, MaxLength3()),
            new CElementInfoSeqEnumOpt(L"e", kNamespace, E, &ColorToText, &ColorFromText));
    }
};
typedef TGroupClass<FacetSchema> CFacet;

TEST(SequenceMembers, EnumerationTextComesFromTheGeneratedFunction) {
    CFacet f;
    for (int value = 0; value < 3; ++value) {
        f.SetI4(FacetSchema::E, value);
        EXPECT_EQ(L"<f><e>" + std::wstring(ColorToText(value)) + L"</e></f>", Write(f));
    }
    f.SetI4(FacetSchema::E, 7);
    EXPECT_TRUE(IsThrown<CNyValidationException>(
        Catch([&] { Write(f); }), Chain({WriteWrap(L"f"), L"Invalid value [7] for the enumeration Color"})));
}

TEST(SequenceMembers, ValidateIsNotPartOfSequences) {
    CKinds k;
    CXmlSerializationContext ctx;
    int n = 0;
    for (CElementInfo** info = k.GetClassElementInfo(); *info; ++info, ++n) {
        SCOPED_TRACE(nyxml_test::Utf8((*info)->GetElementName()));
        EXPECT_NY_THROW((*info)->Validate(ctx, &k, true, true), CNyException,
                        L"Not implemented, should never be called");
    }
    EXPECT_EQ(10, n);
}

// Collection members of a sequence: primitive, enumeration, class, abstract
// class and wildcard collections; occurrence bounds when reading and writing.

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
