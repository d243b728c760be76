// Choice members: the first member that reads (or writes) something is the
// choice; empty choices, leftovers, collections, nested choices and groups.
#include "TestClasses.h"

namespace GroupTest {
namespace {

std::wstring NoChild(const wchar_t* element) {
    return FormatString(
        L"No child elements within the element [%s] were populated. The element represents a choice, "
        L"so one and only one element should be populated. The element contained no sutable child "
        L"elements",
        element);
}
const wchar_t kNoneSet[] =
    L"This element is a choice, and as such must have at one (and only one) valid item, currently there are none set";

// <ch> s | e | c | a | u </ch>, every member optional.
struct ChoiceSchema : ElementSchema<ChoiceSchema, XmlElementGroupType_Choice> {
    static constexpr const wchar_t* kElementName = L"ch";
    enum { S, E, C, A, U, COUNT };
    static std::vector<SlotDef> Slots() {
        return {ValueSlot(), ValueSlot(), ObjectSlot(), ObjectSlot(), ObjectSlot()};
    }
    static CElementInfo** Elements() {
        return ElementArray(
            new CElementInfoChoicePrimOpt(L"s", kNamespace, S, ItemType_string, nullptr, kPreserve, NoFacets()),
            new CElementInfoChoiceEnumOpt(L"e", kNamespace, E, &ColorToText, &ColorFromText),
            new CElementInfoChoiceClsOpt(L"c", kNamespace, C, XmlElementType_Element, &Create<ChildSchema>, 41),
            new CElementInfoChoiceAbsClsOpt(L"a", kNamespace, A, XmlElementType_Element, &CPartyFactory::Create),
            new CElementInfoChoiceUntpdOpt(L"u", L"##any", U, L"##any", L""));
    }
};
typedef TGroupClass<ChoiceSchema> CChoice;

// Which member of a choice object is set; -1 for none, -2 for more than one.
int Selected(const CBagClass& object, int count) {
    int selected = -1;
    for (int i = 0; i < count; ++i) {
        const NyVariant& v = object.Get(i);
        bool set = v.PeekXmlObject() != nullptr || (v.IsValid() && v.GetTypeAsEnum() != ItemType_object);
        if (set) selected = selected == -1 ? i : -2;
    }
    return selected;
}

TEST(ChoiceMembers, FirstMemberThatReadsIsTheChoice) {
    struct Row {
        const wchar_t* body;
        unsigned options;
        int selected;
        std::wstring error;
    };
    const Row rows[] = {
        {L"<s>x</s>", Opt_None, ChoiceSchema::S, L""},
        {L"<e>blue</e>", Opt_None, ChoiceSchema::E, L""},
        {L"<c><v>q</v></c>", Opt_None, ChoiceSchema::C, L""},
        {L"<a xsi:type='Company'><name>n</name><vat>v</vat></a>", Opt_None, ChoiceSchema::A, L""},
        {L"<u>t</u>", Opt_None, ChoiceSchema::U, L""},
        // Optional members make an empty choice acceptable.
        {L"", Opt_None, -1, L""},
        {L"<x/>", Opt_None, -1, Chain({ReadWrap(L"ch"), Leftover(L"ch", L"x")})},
        {L"<x/>", Opt_IgnoreUnknown, -1, L""},
        {L"<x/><y/><s>y</s>", Opt_IgnoreUnknown, ChoiceSchema::S, L""},
        {L"<x/><y/><s>y</s>", Opt_None, -1, Chain({ReadWrap(L"ch"), Leftover(L"ch", L"x")})},
        {L"<x/><y/><s>y</s>", Opt_IgnoreMissingChoice, -1, Chain({ReadWrap(L"ch"), Leftover(L"ch", L"x")})},
        // One member only: a second element is left over.
        {L"<s>x</s><e>red</e>", Opt_None, -1, Chain({ReadWrap(L"ch"), Leftover(L"ch", L"e")})},
        {L"<s>x</s><e>red</e>", Opt_IgnoreUnknown, ChoiceSchema::S, L""},
        {L"<s>x</s><s>y</s>", Opt_None, -1, Chain({ReadWrap(L"ch"), Leftover(L"ch", L"s")})},
        {L"<s>x</s><x/>", Opt_IgnoreUnknown, ChoiceSchema::S, L""},
        // The factory refuses, the wildcard takes only its name: nothing matches.
        {L"<a><name>n</name></a>", Opt_None, -1, Chain({ReadWrap(L"ch"), Leftover(L"ch", L"a")})},
        {L"<a><name>n</name></a>", Opt_IgnoreUnknown, -1, L""},
        {L"<w/>", Opt_None, -1, Chain({ReadWrap(L"ch"), Leftover(L"ch", L"w")})},
        {L"<c><w>1</w></c>", Opt_None, -1, Chain({ReadWrap(L"ch"), ReadWrap(L"c"), Required(L"v")})},
        {L"<e>pink</e>", Opt_None, -1, Chain({ReadWrap(L"ch"), L"Invalid value [pink] for the enumeration Color"})},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(nyxml_test::Utf8(row.body) + " options " + std::to_string(row.options));
        CChoice ch;
        const std::wstring xml =
            L"<ch xmlns:xsi='http://www.w3.org/2001/XMLSchema-instance'>" + std::wstring(row.body) + L"</ch>";
        if (!ReadsOrFails(ch, xml.c_str(), row.options, row.error)) continue;
        EXPECT_EQ(row.selected, Selected(ch, ChoiceSchema::COUNT));
    }
}

TEST(ChoiceMembers, EachChoiceRoundTrips) {
    const std::wstring rows[] = {
        L"<ch><s>x</s></ch>",
        L"<ch><e>green</e></ch>",
        L"<ch><c><v>q</v><w>4</w></c></ch>",
        L"<ch><a xmlns:AA=\"http://www.w3.org/2001/XMLSchema-instance\" AA:type=\"Person\"><name>n</name></a></ch>",
        L"<ch><u k=\"1\"><i/>t</u></ch>",
        L"<ch/>",
    };
    for (const std::wstring& xml : rows) {
        SCOPED_TRACE(nyxml_test::Utf8(xml));
        CChoice ch;
        Read(ch, xml.c_str());
        EXPECT_EQ(xml, Write(ch));
    }
}

// ---- wildcards ----

// <chu> u (named, from another namespace than urn:t) | any </chu>
struct WildChoiceSchema : ElementSchema<WildChoiceSchema, XmlElementGroupType_Choice> {
    static constexpr const wchar_t* kElementName = L"chu";
    enum { U, ANY, COUNT };
    static std::vector<SlotDef> Slots() { return {ObjectSlot(), ObjectSlot()}; }
    static CElementInfo** Elements() {
        return ElementArray(new CElementInfoChoiceUntpdOpt(L"u", L"##other", U, L"##other", L"urn:t"),
                            new CElementInfoChoiceUntpdOpt(L"AnyElement", L"##any", ANY, L"##any", L"urn:t"));
    }
};
typedef TGroupClass<WildChoiceSchema> CWildChoice;

TEST(ChoiceMembers, WildcardsTakeTheirNameFromAllowedNamespaces) {
    struct Row {
        const wchar_t* xml;
        int selected;
        const wchar_t* name;
    };
    const Row rows[] = {
        {L"<chu><u xmlns='urn:o'/></chu>", WildChoiceSchema::U, L"u"},
        {L"<chu><u xmlns='urn:t'/></chu>", WildChoiceSchema::ANY, L"u"},
        {L"<chu><v xmlns='urn:o'/></chu>", WildChoiceSchema::ANY, L"v"},
        {L"<chu/>", -1, L""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(nyxml_test::Utf8(row.xml));
        CWildChoice chu;
        Read(chu, row.xml);
        ASSERT_EQ(row.selected, Selected(chu, WildChoiceSchema::COUNT));
        if (row.selected >= 0) {
            EXPECT_EQ(row.name, chu.ObjectAs<CElement>(row.selected)->GetName());
        }
    }
}

// ---- collections ----

// <chc> pc{1,3} | cc{1,2} </chc>: nothing optional.
template <int PcMin>
struct CollectionChoiceSchemaT : SchemaBase {
    static constexpr const wchar_t* kElementName = PcMin ? L"chc" : L"chc0";
    enum { PC, CC };
    static std::vector<SlotDef> Slots() {
        return {CollectionSlot(MakeCollection<CValueCol>(L"pc", L"", PcMin, 3, ItemType_i4, nullptr, nullptr)),
                CollectionSlot(MakeCollection<CObjectCol>(L"cc", L"", 1, 2, &Create<ChildSchema>, 42))};
    }
    static CParentElementInfo* Parent() {
        return ElementParent(XmlElementGroupType_Choice, kElementName, kNamespace, true);
    }
    static CElementInfo** Elements() {
        return ElementArray(new CElementInfoChoicePrimCol(L"pc", kNamespace, PC),
                            new CElementInfoChoiceClsCol(L"cc", kNamespace, CC, XmlElementType_Element));
    }
};
typedef CollectionChoiceSchemaT<1> CollectionChoiceSchema;
typedef TGroupClass<CollectionChoiceSchema> CCollectionChoice;

// <chk> ec{1,} | ac{1,} | uc | any </chk>: the remaining collection kinds.
struct MoreCollectionsSchema : ElementSchema<MoreCollectionsSchema, XmlElementGroupType_Choice> {
    static constexpr const wchar_t* kElementName = L"chk";
    enum { EC, AC, UC, ANY };
    static std::vector<SlotDef> Slots() {
        return {CollectionSlot(MakeCollection<CValueCol>(L"ec", L"", 1, -1, ItemType_i4, &ColorToText, &ColorFromText)),
                CollectionSlot(MakeCollection<CAbsObjectCol>(L"ac", L"", 1, -1, &CPartyFactory::Create)),
                CollectionSlot(MakeCollection<CElementCol>(L"", L"##any", L"", 0, -1)),
                CollectionSlot(MakeCollection<CElementCol>(L"", L"##any", L"", 0, -1))};
    }
    static CElementInfo** Elements() {
        return ElementArray(new CElementInfoChoiceEnumCol(L"ec", kNamespace, EC),
                            new CElementInfoChoiceAbsClsCol(L"ac", kNamespace, AC, XmlElementType_Element),
                            new CElementInfoChoiceUntpdCol(L"uc", L"##any", UC),
                            new CElementInfoChoiceUntpdCol(L"AnyElement", L"##any", ANY));
    }
};
typedef TGroupClass<MoreCollectionsSchema> CMoreCollections;

TEST(ChoiceMembers, EveryCollectionKindRoundTrips) {
    struct Row {
        std::wstring xml;
        int selected;
        int count;
    };
    const std::wstring type = L"xmlns:AA=\"http://www.w3.org/2001/XMLSchema-instance\" AA:type=";
    const Row rows[] = {
        {L"<chk><ec>red</ec><ec>green</ec></chk>", MoreCollectionsSchema::EC, 2},
        {L"<chk><ac " + type + L"\"Person\"><name>p</name></ac><ac " + type +
             L"\"Company\"><name>c</name>"
             L"<vat>v</vat></ac></chk>",
         MoreCollectionsSchema::AC, 2},
        {L"<chk><uc>1</uc><uc>2</uc></chk>", MoreCollectionsSchema::UC, 2},
        {L"<chk><x/><y a=\"1\">t</y></chk>", MoreCollectionsSchema::ANY, 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(nyxml_test::Utf8(row.xml));
        CMoreCollections chk;
        Read(chk, row.xml.c_str());
        for (int i = MoreCollectionsSchema::EC; i <= MoreCollectionsSchema::ANY; ++i)
            EXPECT_EQ(i == row.selected ? row.count : 0, chk.CollectionAs<CXmlCollectionBase>(i)->GetCount()) << i;
        EXPECT_EQ(row.xml, Write(chk));
    }
    CMoreCollections chk;
    EXPECT_TRUE(IsThrown<CNyValidationException>(Catch([&] { Read(chk, L"<chk><uc>1</uc><v/></chk>"); }),
                                                 Chain({ReadWrap(L"chk"), Leftover(L"chk", L"v")})));
}

// ---- a choice class inside a choice ----

// <oc> in (class member whose class is the collection choice) | s </oc>, and the same member in a sequence <os>.
template <XmlElementGroupType Group>
struct OuterSchemaT : SchemaBase {
    static constexpr const wchar_t* kElementName = Group == XmlElementGroupType_Choice ? L"oc" : L"os";
    enum { IN };
    static std::vector<SlotDef> Slots() { return {ObjectSlot()}; }
    static CParentElementInfo* Parent() {
        return new CParentElementInfo(Group, XmlElementType_Element, kElementName, kNamespace, -1, true, false);
    }
    static CElementInfo** Elements() {
        if (Group == XmlElementGroupType_Choice)
            return ElementArray(new CElementInfoChoiceClsOpt(L"in", kNamespace, IN, XmlElementType_Element,
                                                             &Create<CollectionChoiceSchema>, 43));
        return ElementArray(new CElementInfoSeqClsOpt(L"in", kNamespace, IN, XmlElementType_Element,
                                                      &Create<CollectionChoiceSchema>, 43));
    }
};
typedef TGroupClass<OuterSchemaT<XmlElementGroupType_Choice>> COuterChoice;
typedef TGroupClass<OuterSchemaT<XmlElementGroupType_Sequence>> COuterSequence;

TEST(ChoiceMembers, ChoiceClassInsideAChoiceMayBeEmpty) {
    COuterChoice oc;
    Read(oc, L"<oc><in/></oc>");
    ASSERT_NE(nullptr, oc.Child(0));
    EXPECT_EQ(L"<oc><in/></oc>", Write(oc));
    // Being inside a choice does not excuse leftovers.
    EXPECT_TRUE(IsThrown<CNyValidationException>(Catch([&] { Read(oc, L"<oc><in><x/></in></oc>"); }),
                                                 Chain({ReadWrap(L"oc"), ReadWrap(L"in"), Leftover(L"in", L"x")})));

    COuterSequence os;
    EXPECT_TRUE(IsThrown<CNyValidationException>(Catch([&] { Read(os, L"<os><in/></os>"); }),
                                                 Chain({ReadWrap(L"os"), ReadWrap(L"in"), NoChild(L"in")})));
    CSmartPtr<CCollectionChoice> empty(new CCollectionChoice);
    os.SetObject(0, empty, L"in");
    EXPECT_TRUE(IsThrown<CNyValidationException>(Catch([&] { Write(os); }),
                                                 Chain({WriteWrap(L"os"), WriteWrap(L"in"), kNoneSet})));
    EXPECT_EQ(L"<os><in/></os>", Write(os, Opt_IgnoreMissingChoice));
}

// ---- classes without element ----

// <chg> g (a group of type 1) | s </chg>
struct GroupChoiceSchema : SchemaBase {
    static constexpr const wchar_t* kElementName = L"chg";
    enum { G, S, COUNT };
    static std::vector<SlotDef> Slots() { return {ObjectSlot(), ValueSlot()}; }
    static CParentElementInfo* Parent() {
        return ElementParent(XmlElementGroupType_Choice, kElementName, kNamespace, false);
    }
    static CElementInfo** Elements() {
        return ElementArray(
            new CElementInfoChoiceClsOpt(L"g", kNamespace, G, XmlElementType_NoElement, &Create<Group1Schema>, 51),
            new CElementInfoChoicePrimOpt(L"s", kNamespace, S, ItemType_string, nullptr, kPreserve, NoFacets()));
    }
};
typedef TGroupClass<GroupChoiceSchema> CGroupChoice;

TEST(ChoiceMembers, GroupMemberIsKeptOnlyWhenItConsumed) {
    struct Row {
        const wchar_t* xml;
        int creates;
        int stores;
        int selected;
    };
    const Row rows[] = {
        {L"<chg code='K'><g1>a</g1><g2>b</g2></chg>", 1, 1, GroupChoiceSchema::G},
        {L"<chg><s>x</s></chg>", 1, 2, GroupChoiceSchema::S},  // stored, then set back to empty
        {L"<chg/>", 0, 0, -1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(nyxml_test::Utf8(row.xml));
        Calls() = CallLog();
        CGroupChoice chg;
        Read(chg, row.xml);
        EXPECT_EQ(row.creates, Calls().createCalls);
        if (row.creates) {
            EXPECT_EQ(51, Calls().lastClassId);
        }
        EXPECT_EQ(row.stores, chg.ObjectStores());
        EXPECT_EQ(row.selected, Selected(chg, GroupChoiceSchema::COUNT));
    }
    CGroupChoice chg;
    Read(chg, L"<chg code='K'><g1>a</g1></chg>");
    EXPECT_EQ(L"K", chg.Child(GroupChoiceSchema::G)->Text(Group1Schema::CODE));
    EXPECT_EQ(L"<chg code=\"K\"><g1>a</g1></chg>", Write(chg));
}

// A choice group without element of its own: s | c, or a collection pc{2,} | s.
template <XmlElementType Type, bool WithCollection>
struct ChoiceGroupSchemaT : SchemaBase {
    static constexpr const wchar_t* kElementName = L"ChoiceGroup";
    enum { FIRST, S };
    static std::vector<SlotDef> Slots() {
        if (WithCollection)
            return {CollectionSlot(MakeCollection<CValueCol>(L"pc", L"", 2, -1, ItemType_i4, nullptr, nullptr)),
                    ValueSlot()};
        return {ObjectSlot(), ValueSlot()};
    }
    static CParentElementInfo* Parent() {
        return new CParentElementInfo(XmlElementGroupType_Choice, Type, kElementName, kNamespace, -1, false, false);
    }
    static CElementInfo** Elements() {
        CElementInfo* first = nullptr;
        if (WithCollection)
            first = new CElementInfoChoicePrimCol(L"pc", kNamespace, FIRST);
        else
            first =
                new CElementInfoChoiceClsOpt(L"c", kNamespace, FIRST, XmlElementType_Element, &Create<ChildSchema>, 1);
        return ElementArray(
            first, new CElementInfoChoicePrimOpt(L"s", kNamespace, S, ItemType_string, nullptr, kPreserve, NoFacets()));
    }
};

// <hc> grp (mandatory choice group) t? </hc>
template <XmlElementType Type, bool WithCollection, bool MustConsume>
struct ChoiceHolderSchemaT : SchemaBase {
    static constexpr const wchar_t* kElementName = L"hc";
    typedef ChoiceGroupSchemaT<Type, WithCollection> Group;
    enum { GRP, T };
    static std::vector<SlotDef> Slots() { return {HeldSlot(Held<Group>(L"grp")), ValueSlot()}; }
    static CParentElementInfo* Parent() {
        return ElementParent(XmlElementGroupType_Sequence, kElementName, kNamespace, true);
    }
    static CElementInfo** Elements() {
        return ElementArray(
            new CElementInfoSeqClsMnd(L"grp", kNamespace, GRP, Type, &Create<Group>, 2, MustConsume),
            new CElementInfoSeqPrimOpt(L"t", kNamespace, T, ItemType_string, nullptr, kPreserve, NoFacets()));
    }
};

struct ChoiceGroupRow {
    const wchar_t* xml;
    unsigned options;
    const wchar_t* s;  // the group's s
    const wchar_t* t;
    std::wstring error;
};

template <XmlElementType Type>
void CheckChoiceGroup(const ChoiceGroupRow& row) {
    typedef ChoiceHolderSchemaT<Type, false, true> Schema;
    TGroupClass<Schema> hc;
    if (!ReadsOrFails(hc, row.xml, row.options, row.error)) return;
    ASSERT_NE(nullptr, hc.Child(Schema::GRP));
    EXPECT_EQ(row.s, hc.Child(Schema::GRP)->Text(Schema::Group::S));
    EXPECT_EQ(row.t, hc.Text(Schema::T));
}

TEST(ChoiceMembers, ChoiceGroupsReportAMissToTheirHolder) {
    const std::wstring missing = Chain({ReadWrap(L"hc"), Required(L"grp")});
    const ChoiceGroupRow rows[] = {
        {L"<hc><s>x</s><t>z</t></hc>", Opt_None, L"x", L"z", L""},
        {L"<hc><c><v>1</v></c><t>z</t></hc>", Opt_None, L"(unset)", L"z", L""},
        {L"<hc><t>z</t></hc>", Opt_None, L"", L"", missing},
        {L"<hc/>", Opt_None, L"", L"", missing},
        {L"<hc/>", Opt_IgnoreMissingChoice, L"", L"", missing},
        // A group hands back what follows its one member; the holder decides about it.
        {L"<hc><s>x</s><s>y</s></hc>", Opt_None, L"", L"", Chain({ReadWrap(L"hc"), Leftover(L"hc", L"s")})},
        {L"<hc><s>x</s><s>y</s></hc>", Opt_IgnoreUnknown, L"x", L"(unset)", L""},
        // A choice group does not skip unknown elements.
        {L"<hc><x/><s>x</s></hc>", Opt_IgnoreUnknown, L"", L"", missing},
    };
    for (const ChoiceGroupRow& row : rows) {
        SCOPED_TRACE(nyxml_test::Utf8(row.xml) + " options " + std::to_string(row.options));
        {
            SCOPED_TRACE("type 1");
            CheckChoiceGroup<XmlElementType_NoElement>(row);
        }
        {
            SCOPED_TRACE("type 2");
            CheckChoiceGroup<XmlElementType_NoElementNoAttributes>(row);
        }
    }
}

TEST(ChoiceMembers, CollectionInAGroupMustHaveAValidCount) {
    typedef ChoiceHolderSchemaT<XmlElementType_NoElement, true, true> Strict;
    typedef ChoiceHolderSchemaT<XmlElementType_NoElement, true, false> Loose;
    TGroupClass<Strict> strict;
    Read(strict, L"<hc><pc>1</pc><pc>2</pc><t>z</t></hc>");
    EXPECT_EQ(L"1|2", strict.Child(Strict::GRP)->CollectionAs<CValueCol>(Strict::Group::FIRST)->Joined());
    EXPECT_EQ(L"z", strict.Text(Strict::T));
    // One item where two are needed: the member reports no match and leaves the cursor.
    EXPECT_TRUE(IsThrown<CNyValidationException>(Catch([&] { Read(strict, L"<hc><pc>1</pc><t>z</t></hc>"); }),
                                                 Chain({ReadWrap(L"hc"), Required(L"grp")})));
    TGroupClass<Loose> loose;
    EXPECT_TRUE(IsThrown<CNyValidationException>(Catch([&] { Read(loose, L"<hc><pc>1</pc><t>z</t></hc>"); }),
                                                 Chain({ReadWrap(L"hc"), Leftover(L"hc", L"pc")})));
    Read(loose, L"<hc><pc>1</pc><t>z</t></hc>", Opt_IgnoreCounts);
    EXPECT_EQ(L"1", loose.Child(Loose::GRP)->CollectionAs<CValueCol>(Loose::Group::FIRST)->Joined());
    EXPECT_EQ(L"z", loose.Text(Loose::T));
}

// ---- namespaces ----

TEST(ChoiceMembers, ValidateIsNotPartOfChoices) {
    CXmlSerializationContext ctx;
    CChoice ch;
    CMoreCollections chk;
    for (CBagClass* object : {static_cast<CBagClass*>(&ch), static_cast<CBagClass*>(&chk)}) {
        for (CElementInfo** info = object->GetClassElementInfo(); *info; ++info) {
            SCOPED_TRACE(nyxml_test::Utf8((*info)->GetElementName()));
            EXPECT_NY_THROW((*info)->Validate(ctx, object, false, true), CNyException,
                            L"Not implemented, should never be called");
        }
    }
}

}  // namespace
}  // namespace GroupTest
