// Sequence members of every content kind in a class with its own element:
// matching, skipping, missing members, leftovers, the ignore options and round trips.
#include "GroupTestClasses.h"

#include <cwchar>

namespace GroupTest {
namespace {

// <r> m1 (mandatory string), m2 (optional i4), m3 (mandatory string) </r>
struct TrioSchema {
    static constexpr const wchar_t* kElementName = L"r";
    static constexpr const wchar_t* kNamespace = L"";
    enum { M1, M2, M3 };
    static std::vector<SlotDef> Slots() { return {ValueSlot(), ValueSlot(), ValueSlot()}; }
    static CParentElementInfo* Parent() {
        return ElementParent(XmlElementGroupType_Sequence, kElementName, kNamespace, true);
    }
    static CElementInfo** Elements() {
        return ElementArray(
            new CElementInfoSeqPrimMnd(L"m1", kNamespace, M1, ItemType_string, nullptr, kPreserve, NoFacets()),
            new CElementInfoSeqPrimOpt(L"m2", kNamespace, M2, ItemType_i4, nullptr, kCollapse, NoFacets()),
            new CElementInfoSeqPrimMnd(L"m3", kNamespace, M3, ItemType_string, nullptr, kPreserve, NoFacets()));
    }
    static CAttributeInfo** Attributes() { return AttributeArray(); }
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
        Thrown thrown = Catch([&] { Read(r, row.xml, row.options); });
        if (!row.error.empty()) {
            EXPECT_TRUE(IsThrown<CNyValidationException>(thrown, row.error));
            continue;
        }
        ASSERT_TRUE(NothingThrown(thrown));
        EXPECT_EQ(row.m1, r.Text(TrioSchema::M1));
        EXPECT_EQ(row.m2, r.Text(TrioSchema::M2));
        EXPECT_EQ(row.m3, r.Text(TrioSchema::M3));
    }
}

TEST(SequenceMembers, ReadingResetsTheObjectFirst) {
    CTrio r;
    r.SetText(TrioSchema::M1, L"old");
    r.SetI4(TrioSchema::M2, 9);
    Read(r, L"<r><m1>a</m1><m3>c</m3></r>");
    EXPECT_EQ(L"a", r.Text(TrioSchema::M1));
    EXPECT_EQ(L"(unset)", r.Text(TrioSchema::M2));
    EXPECT_EQ(L"c", r.Text(TrioSchema::M3));
}

TEST(SequenceMembers, UnsetMandatoryPrimitiveWritesNothing) {
    CTrio r;
    EXPECT_EQ(L"<r/>", Write(r));
    r.SetText(TrioSchema::M3, L"c");
    EXPECT_EQ(L"<r><m3>c</m3></r>", Write(r));
    r.SetI4(TrioSchema::M2, -4);
    r.SetText(TrioSchema::M1, L"");
    EXPECT_EQ(L"<r><m1/><m2>-4</m2><m3>c</m3></r>", Write(r));
}

// ---- every content kind, mandatory and optional ----

// <k> p e c a u (mandatory) with o f d b (optional) between them, then any element.
struct KindsSchema {
    static constexpr const wchar_t* kElementName = L"k";
    static constexpr const wchar_t* kNamespace = L"";
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
    static CParentElementInfo* Parent() {
        return ElementParent(XmlElementGroupType_Sequence, kElementName, kNamespace, true);
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
    static CAttributeInfo** Attributes() { return AttributeArray(); }
};
typedef TGroupClass<KindsSchema> CKinds;

const wchar_t kXsi[] = L" xmlns:xsi='http://www.w3.org/2001/XMLSchema-instance'";

std::wstring KindsXml(const std::wstring& body) { return L"<k" + std::wstring(kXsi) + L">" + body + L"</k>"; }

const wchar_t kMandatoryOnly[] = L"<p>5</p><e>green</e><c><v>x</v></c><a xsi:type='Person'><name>n</name></a><u/>";

TEST(SequenceMembers, EveryKindIsReadIntoItsProperty) {
    CKinds k;
    Calls() = CallLog();
    Read(k, KindsXml(L"<p>5</p><o>true</o><e>green</e><f>blue</f><c><v>x</v><w>3</w></c><d><v>y</v></d>"
                     L"<a xsi:type='Person'><name>n</name></a><b xsi:type='Company'><name>m</name><vat>v</vat></b>"
                     L"<u q='1'>t<i/></u><z xmlns='urn:z'>zz</z>")
                .c_str());
    EXPECT_EQ(5, k.Get(KindsSchema::P).GetI4());
    EXPECT_EQ(ItemType_i4, k.Get(KindsSchema::P).GetTypeAsEnum());
    EXPECT_TRUE(k.Get(KindsSchema::O).GetBoolean());
    EXPECT_EQ(ItemType_i4, k.Get(KindsSchema::E).GetTypeAsEnum());  // enumerations travel as i4
    EXPECT_EQ(1, k.Get(KindsSchema::E).GetI4());
    EXPECT_EQ(2, k.Get(KindsSchema::F).GetI4());
    ASSERT_NE(nullptr, k.Child(KindsSchema::C));
    EXPECT_EQ(L"x", k.Child(KindsSchema::C)->Text(ChildSchema::V));
    EXPECT_EQ(L"3", k.Child(KindsSchema::C)->Text(ChildSchema::W));
    ASSERT_NE(nullptr, k.Child(KindsSchema::D));
    EXPECT_EQ(L"y", k.Child(KindsSchema::D)->Text(ChildSchema::V));
    EXPECT_EQ(L"d", k.Child(KindsSchema::D)->GetElementName());
    ASSERT_NE(nullptr, k.ObjectAs<CPerson>(KindsSchema::A));
    EXPECT_EQ(L"n", k.Child(KindsSchema::A)->Text(PersonSchema::NAME));
    EXPECT_EQ(L"a", k.Child(KindsSchema::A)->GetElementName());
    ASSERT_NE(nullptr, k.ObjectAs<CCompany>(KindsSchema::B));
    EXPECT_EQ(L"v", k.Child(KindsSchema::B)->Text(CompanySchema::VAT));
    CElement* u = k.ObjectAs<CElement>(KindsSchema::U);
    ASSERT_NE(nullptr, u);
    EXPECT_EQ(L"u", u->GetName());
    EXPECT_EQ(L"t", u->GetText());
    EXPECT_EQ(1, u->GetAttributes()->GetCount());
    EXPECT_EQ(1, u->GetChildElements()->GetCount());
    CElement* any = k.ObjectAs<CElement>(KindsSchema::ANY);
    ASSERT_NE(nullptr, any);
    EXPECT_EQ(L"z", any->GetName());
    EXPECT_EQ(L"urn:z", any->GetNamespaceURI());
    EXPECT_EQ(L"zz", any->GetText());
    // Only the optional class member creates its object; the mandatory one reads into the held one.
    EXPECT_EQ(1, Calls().createCalls);
    EXPECT_EQ(12, Calls().lastClassId);
    EXPECT_EQ(L"d", Calls().lastName);
}

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

TEST(SequenceMembers, OptionalKindsMayAllBeAbsent) {
    CKinds k;
    Read(k, KindsXml(kMandatoryOnly).c_str());
    EXPECT_EQ(L"(unset)", k.Text(KindsSchema::O));
    EXPECT_EQ(L"(unset)", k.Text(KindsSchema::F));
    EXPECT_EQ(nullptr, k.Object(KindsSchema::D));
    EXPECT_EQ(nullptr, k.Object(KindsSchema::B));
    EXPECT_EQ(nullptr, k.Object(KindsSchema::ANY));
    EXPECT_EQ(
        L"<k><p>5</p><e>green</e><c><v>x</v></c>"
        L"<a xmlns:AA=\"http://www.w3.org/2001/XMLSchema-instance\" AA:type=\"Person\"><name>n</name></a>"
        L"<u/></k>",
        Write(k));
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

TEST(SequenceMembers, UnknownElementsAreSkippedBeforeEachMandatoryKind) {
    CKinds k;
    Read(k,
         KindsXml(L"<x/><p>5</p><x/><e>green</e><x/><c><v>x</v></c><a xsi:type='Person'><name>n</name></a>"
                  L"<u/>")
             .c_str(),
         Opt_IgnoreUnknown);
    EXPECT_EQ(5, k.Get(KindsSchema::P).GetI4());
    EXPECT_EQ(1, k.Get(KindsSchema::E).GetI4());
    EXPECT_EQ(L"x", k.Child(KindsSchema::C)->Text(ChildSchema::V));
    EXPECT_NE(nullptr, k.ObjectAs<CPerson>(KindsSchema::A));
    ASSERT_NE(nullptr, k.ObjectAs<CElement>(KindsSchema::U));
    EXPECT_EQ(nullptr, k.Object(KindsSchema::ANY));
}

// ---- abstract and wildcard members ----

// <s> b (optional abstract), w (optional wildcard named w), n (mandatory wildcard, any name) </s>
struct LooseSchema {
    static constexpr const wchar_t* kElementName = L"s";
    static constexpr const wchar_t* kNamespace = L"urn:t";
    enum { B, W, N };
    static std::vector<SlotDef> Slots() {
        return {ObjectSlot(), ObjectSlot(), HeldSlot(HeldElement(L"AnyElement", L"##other", L"urn:t"))};
    }
    static CParentElementInfo* Parent() {
        return ElementParent(XmlElementGroupType_Sequence, kElementName, kNamespace, true);
    }
    static CElementInfo** Elements() {
        return ElementArray(
            new CElementInfoSeqAbsClsOpt(L"b", kNamespace, B, XmlElementType_Element, &CPartyFactory::Create),
            new CElementInfoSeqUntpdOpt(L"w", L"##any", W, L"##any", L"urn:t"),
            new CElementInfoSeqUntpdMnd(L"AnyElement", L"##other", N, L"##other", L"urn:t"));
    }
    static CAttributeInfo** Attributes() { return AttributeArray(); }
};
typedef TGroupClass<LooseSchema> CLoose;

TEST(SequenceMembers, OptionalAbstractMemberLetsTheFactoryDecide) {
    CLoose s;
    Calls() = CallLog();
    // Any element name: the factory is asked, and xsi:type makes it a Person.
    Read(s,
         L"<s xmlns='urn:t' xmlns:xsi='http://www.w3.org/2001/XMLSchema-instance'>"
         L"<zz xsi:type='Person'><name xmlns=''>n</name></zz><o xmlns='urn:o'/></s>");
    EXPECT_EQ(1, Calls().factoryCalls);
    EXPECT_EQ(L"zz", Calls().lastFactoryElement);
    ASSERT_NE(nullptr, s.ObjectAs<CPerson>(LooseSchema::B));
    EXPECT_EQ(L"zz", s.Child(LooseSchema::B)->GetElementName());
    // Refused: the property stays empty and the element goes on to the next members.
    Calls() = CallLog();
    CLoose refused;
    Read(refused, L"<s xmlns='urn:t'><o xmlns='urn:o'/></s>");
    EXPECT_EQ(1, Calls().factoryCalls);
    EXPECT_EQ(nullptr, refused.Object(LooseSchema::B));
    EXPECT_EQ(0, refused.ObjectStores());
    ASSERT_NE(nullptr, refused.ObjectAs<CElement>(LooseSchema::N));
    EXPECT_EQ(L"o", refused.ObjectAs<CElement>(LooseSchema::N)->GetName());
}

TEST(SequenceMembers, WildcardNamesAndNamespaces) {
    struct Row {
        const wchar_t* xml;
        const wchar_t* w;  // name read into w, empty when unset
        const wchar_t* n;  // name read into n
        std::wstring error;
    };
    const std::wstring fromNamespace = L"Failed to find the required element from namespace [##other]";
    const Row rows[] = {
        {L"<s xmlns='urn:t'><w/><x xmlns='urn:o'/></s>", L"w", L"x", L""},
        {L"<s xmlns='urn:t'><w xmlns='urn:o'/></s>", L"w", L"", Chain({ReadWrap(L"s"), Required(L"AnyElement")})},
        // "AnyElement" takes any name, but only from another namespace than the target.
        {L"<s xmlns='urn:t'><x xmlns='urn:o'/></s>", L"", L"x", L""},
        {L"<s xmlns='urn:t'><x/></s>", L"", L"", Chain({ReadWrap(L"s"), fromNamespace})},
        {L"<s xmlns='urn:t'><w/><w/></s>", L"", L"", Chain({ReadWrap(L"s"), fromNamespace})},
        {L"<s xmlns='urn:t'><w/><w xmlns='urn:o'/></s>", L"w", L"w", L""},
        {L"<s xmlns='urn:t'><x xmlns='urn:o'/><y xmlns='urn:o'/></s>", L"", L"",
         Chain({ReadWrap(L"s"), Leftover(L"s", L"y")})},
        // The wildcard reads the whole element: children and attributes in any namespace.
        {L"<s xmlns='urn:t'><x xmlns='urn:o' a='1'><y xmlns='urn:t'/></x></s>", L"", L"x", L""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(nyxml_test::Utf8(row.xml));
        CLoose s;
        Thrown thrown = Catch([&] { Read(s, row.xml); });
        if (!row.error.empty()) {
            EXPECT_TRUE(IsThrown<CNyValidationException>(thrown, row.error));
            continue;
        }
        ASSERT_TRUE(NothingThrown(thrown));
        CElement* w = s.ObjectAs<CElement>(LooseSchema::W);
        EXPECT_EQ(row.w, w ? w->GetName() : std::wstring());
        CElement* n = s.ObjectAs<CElement>(LooseSchema::N);
        ASSERT_NE(nullptr, n);
        EXPECT_EQ(row.n, n->GetName());
    }
}

TEST(SequenceMembers, AnyDefaultNamespace) {
    struct Row {
        const wchar_t* allowed;
        const wchar_t* classNamespace;
        const wchar_t* target;
        const wchar_t* expected;
    };
    const Row rows[] = {
        {L"##any", L"urn:c", L"urn:t", L"urn:c"},
        {L"##other", L"", L"urn:t", L"DefaultNamespace"},
        {L"##other", L"urn:c", L"urn:t", L""},
        {L"##local", L"urn:c", L"urn:t", L""},
        {L"##targetNamespace", L"urn:c", L"urn:t", L"urn:t"},
        {L"##targetNamespace ##local", L"urn:c", L"urn:t", L"urn:t"},
        {L"##any ##local", L"urn:c", L"urn:t", L"urn:c"},
        {L"##other ##local", L"", L"urn:t", L"DefaultNamespace"},
        {L"urn:a urn:b", L"urn:c", L"urn:t", L""},
        {L"urn:a", L"urn:c", L"urn:t", L""},
        {L"", L"urn:c", L"urn:t", L""},
        {L"##anything", L"urn:c", L"urn:t", L""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(nyxml_test::Utf8(row.allowed));
        EXPECT_EQ(row.expected, CElementInfo::GetAnyDefaultNamespace(row.allowed, row.classNamespace, row.target));
    }
}

// ---- namespaces ----

// <r xmlns="urn:g"> m1 (mandatory), m2 (optional), c (optional class) </r>
struct SpacedSchema {
    static constexpr const wchar_t* kElementName = L"r";
    static constexpr const wchar_t* kNamespace = L"urn:g";
    enum { M1, M2, C };
    static std::vector<SlotDef> Slots() { return {ValueSlot(), ValueSlot(), ObjectSlot()}; }
    static CParentElementInfo* Parent() {
        return ElementParent(XmlElementGroupType_Sequence, kElementName, kNamespace, true);
    }
    static CElementInfo** Elements() {
        return ElementArray(
            new CElementInfoSeqPrimMnd(L"m1", kNamespace, M1, ItemType_string, nullptr, kPreserve, NoFacets()),
            new CElementInfoSeqPrimOpt(L"m2", kNamespace, M2, ItemType_string, nullptr, kPreserve, NoFacets()),
            new CElementInfoSeqClsOpt(L"c", kNamespace, C, XmlElementType_Element, &Create<ChildSchema>, 3));
    }
    static CAttributeInfo** Attributes() { return AttributeArray(); }
};
typedef TGroupClass<SpacedSchema> CSpaced;

TEST(SequenceMembers, NamespacesMatchUnlessIgnored) {
    struct Row {
        const wchar_t* xml;
        std::wstring compared;     // error with namespaces compared; empty when m1 and m2 are read
        std::wstring ignored;      // the same with IgnoreNamespaces
        std::wstring unprocessed;  // the same with schema type 2 (no namespace processing at all)
    };
    // Without namespace processing a declaration is a plain attribute, and prefixes stay in the names.
    const std::wstring xmlnsAttribute = Chain({ReadWrap(L"r"), L"Unexpected Attribute [xmlns] found."});
    const Row rows[] = {
        {L"<r><m1>a</m1><m2>b</m2></r>", Chain({ReadWrap(L"r"), Required(L"m1")}), L"", L""},
        {L"<r xmlns='urn:g'><m1>a</m1><m2 xmlns='urn:h'>b</m2></r>", Chain({ReadWrap(L"r"), Leftover(L"r", L"m2")}),
         L"", xmlnsAttribute},
        {L"<g:r xmlns:g='urn:g'><g:m1>a</g:m1><m2>b</m2></g:r>", Chain({ReadWrap(L"r"), Leftover(L"r", L"m2")}), L"",
         Chain({ReadWrap(L"g:r"), L"Unexpected Attribute [xmlns:g] found."})},
        {L"<r xmlns='urn:g'><m1>a</m1><m2>b</m2></r>", L"", L"", xmlnsAttribute},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(nyxml_test::Utf8(row.xml));
        const std::pair<unsigned, std::wstring> cases[] = {
            {Opt_None, row.compared}, {Opt_IgnoreNamespaces, row.ignored}, {Opt_NoNamespacesSchema, row.unprocessed}};
        for (const auto& c : cases) {
            SCOPED_TRACE("options " + std::to_string(c.first));
            CSpaced r;
            Thrown thrown = Catch([&] { Read(r, row.xml, c.first); });
            if (!c.second.empty()) {
                EXPECT_TRUE(IsThrown<CNyValidationException>(thrown, c.second));
                continue;
            }
            ASSERT_TRUE(NothingThrown(thrown));
            EXPECT_EQ(L"a", r.Text(SpacedSchema::M1));
            EXPECT_EQ(L"b", r.Text(SpacedSchema::M2));
        }
    }
}

TEST(SequenceMembers, MembersAreWrittenInTheirNamespace) {
    CSpaced r;
    r.SetText(SpacedSchema::M1, L"a");
    CSmartPtr<CChild> child(new CChild);
    child->SetText(ChildSchema::V, L"v");
    r.SetObject(SpacedSchema::C, child, L"c");
    const std::wstring written = Write(r);
    // The child class has no namespace; as member c it is written in the member's.
    EXPECT_EQ(L"<AA:r xmlns:AA=\"urn:g\"><AA:m1>a</AA:m1><AA:c><v>v</v></AA:c></AA:r>", written);
    CSpaced back;
    Read(back, written.c_str());
    EXPECT_EQ(L"a", back.Text(SpacedSchema::M1));
    ASSERT_NE(nullptr, back.Child(SpacedSchema::C));
    EXPECT_EQ(L"v", back.Child(SpacedSchema::C)->Text(ChildSchema::V));
}

// ---- writing ----

// <f> s (string of at most 3 characters), e (enumeration) </f>
struct FacetSchema {
    static constexpr const wchar_t* kElementName = L"f";
    static constexpr const wchar_t* kNamespace = L"";
    enum { S, E };
    static std::vector<SlotDef> Slots() { return {ValueSlot(), ValueSlot()}; }
    static CParentElementInfo* Parent() {
        return ElementParent(XmlElementGroupType_Sequence, kElementName, kNamespace, true);
    }
    static CElementInfo** Elements() {
        return ElementArray(
            new CElementInfoSeqPrimOpt(L"s", kNamespace, S, ItemType_string, nullptr, kPreserve, MaxLength3()),
            new CElementInfoSeqEnumOpt(L"e", kNamespace, E, &ColorToText, &ColorFromText));
    }
    static CAttributeInfo** Attributes() { return AttributeArray(); }
};
typedef TGroupClass<FacetSchema> CFacet;

TEST(SequenceMembers, FacetsAreCheckedWhenWrittenNotWhenRead) {
    CFacet f;
    Read(f, L"<f><s>abcd</s></f>");
    EXPECT_EQ(L"abcd", f.Text(FacetSchema::S));
    EXPECT_TRUE(IsThrown<CNyValidationException>(Catch([&] { Write(f); }),
                                                 Chain({WriteWrap(L"f"), L"Invalid Value for s [abcd]"})));
    f.SetText(FacetSchema::S, L"abc");
    EXPECT_EQ(L"<f><s>abc</s></f>", Write(f));
}

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

TEST(SequenceMembers, RestrictionsNeedPrimitiveInformation) {
    CElementInfo** infos = CFacet().GetClassElementInfo();
    NyVariant number;
    number.SetI4(3);
    EXPECT_NY_THROW(infos[1]->CheckRestriction(number), CNyException, L"Cannot CheckRestriction for type: i4");
    NyVariant text;
    text.SetString(L"abcd");
    EXPECT_NY_THROW(infos[0]->CheckRestriction(text), CNyException, L"Invalid Value for s [abcd]");
    text.SetString(L"abc");
    infos[0]->CheckRestriction(text);
}

// The format texts of the members below; the infos keep the pointers, not copies.
wchar_t g_realFormat[8] = L"%.2f";
wchar_t g_decimalFormat[4] = L"2";

// <t> collapsed, replaced and preserved strings, a formatted real and a rounded decimal </t>
struct TextSchema {
    static constexpr const wchar_t* kElementName = L"t";
    static constexpr const wchar_t* kNamespace = L"";
    enum { COLLAPSED, REPLACED, PRESERVED, REAL, DECIMAL };
    static std::vector<SlotDef> Slots() { return {ValueSlot(), ValueSlot(), ValueSlot(), ValueSlot(), ValueSlot()}; }
    static CParentElementInfo* Parent() {
        return ElementParent(XmlElementGroupType_Sequence, kElementName, kNamespace, true);
    }
    static CElementInfo** Elements() {
        return ElementArray(
            new CElementInfoSeqPrimOpt(L"c", kNamespace, COLLAPSED, ItemType_string, nullptr, kCollapse, NoFacets()),
            new CElementInfoSeqPrimOpt(L"r", kNamespace, REPLACED, ItemType_string, nullptr,
                                       CWhitespaceUtils::WhitespaceRule_Replace, NoFacets()),
            new CElementInfoSeqPrimOpt(L"p", kNamespace, PRESERVED, ItemType_string, nullptr, kPreserve, NoFacets()),
            new CElementInfoSeqPrimOpt(L"x", kNamespace, REAL, ItemType_r8, g_realFormat, kCollapse, NoFacets()),
            new CElementInfoSeqPrimOpt(L"d", kNamespace, DECIMAL, ItemType_decimal, g_decimalFormat, kCollapse,
                                       NoFacets()));
    }
    static CAttributeInfo** Attributes() { return AttributeArray(); }
};

TEST(SequenceMembers, WhitespaceRulesWhenReadFormatsWhenWritten) {
    TGroupClass<TextSchema> t;
    Read(t, L"<t><c> a \t b\n</c><r> a \t b\n</r><p> a \t b\n</p><x> 1.5 </x><d>4.567</d></t>");
    EXPECT_EQ(L"a b", t.Text(TextSchema::COLLAPSED));
    EXPECT_EQ(L" a   b ", t.Text(TextSchema::REPLACED));
    EXPECT_EQ(L" a \t b\n", t.Text(TextSchema::PRESERVED));
    EXPECT_EQ(1.5, t.Get(TextSchema::REAL).GetR8());
    EXPECT_EQ(L"<t><c>a b</c><r> a   b </r><p> a \t b\n</p><x>1.50</x><d>4.57</d></t>", Write(t));
    wcscpy(g_realFormat, L"%.3e");
    wcscpy(g_decimalFormat, L"0");
    EXPECT_EQ(L"<t><c>a b</c><r> a   b </r><p> a \t b\n</p><x>1.500e+000</x><d>5.</d></t>", Write(t));
    wcscpy(g_realFormat, L"%.2f");
    wcscpy(g_decimalFormat, L"2");
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

}  // namespace
}  // namespace GroupTest
