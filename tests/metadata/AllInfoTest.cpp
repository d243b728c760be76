// All-group members: any order, each at most once, completeness checked by
// Validate after the reading loop.
#include "TestClasses.h"

namespace GroupTest {
namespace {

std::wstring Mandatory(const wchar_t* element) {
    return FormatString(L"Failed to find the mandatory element [%s]", element);
}

// <al> m1 & m2 </al>, m2 mandatory or optional.
template <bool SecondMandatory>
struct PairSchemaT : SchemaBase {
    static constexpr const wchar_t* kElementName = SecondMandatory ? L"al" : L"alo";
    enum { M1, M2 };
    static std::vector<SlotDef> Slots() { return {ValueSlot(), ValueSlot()}; }
    static CParentElementInfo* Parent() {
        return ElementParent(XmlElementGroupType_All, kElementName, kNamespace, true);
    }
    static CElementInfo** Elements() {
        CElementInfo* second = nullptr;
        if (SecondMandatory)
            second = new CElementInfoAllPrimMnd(L"m2", kNamespace, M2, ItemType_string, nullptr, kPreserve, NoFacets());
        else
            second = new CElementInfoAllPrimOpt(L"m2", kNamespace, M2, ItemType_string, nullptr, kPreserve, NoFacets());
        return ElementArray(
            new CElementInfoAllPrimMnd(L"m1", kNamespace, M1, ItemType_string, nullptr, kPreserve, NoFacets()), second);
    }
};
typedef PairSchemaT<true> PairSchema;
typedef TGroupClass<PairSchemaT<true>> CPair;

struct PairRow {
    const wchar_t* xml;
    unsigned options;
    const wchar_t* m1;
    const wchar_t* m2;
    std::wstring error;
};

template <class T>
void CheckPair(const PairRow& row) {
    SCOPED_TRACE(nyxml_test::Utf8(row.xml) + " options " + std::to_string(row.options));
    T object;
    if (!ReadsOrFails(object, row.xml, row.options, row.error)) return;
    EXPECT_EQ(row.m1, object.Text(PairSchema::M1));
    EXPECT_EQ(row.m2, object.Text(PairSchema::M2));
}

TEST(AllMembers, AnyOrderEachOnce) {
    const PairRow rows[] = {
        {L"<al><m1>a</m1><m2>b</m2></al>", Opt_None, L"a", L"b", L""},
        {L"<al><m2>b</m2><m1>a</m1></al>", Opt_None, L"a", L"b", L""},
        {L"<al><m2>b</m2></al>", Opt_None, L"", L"", Chain({ReadWrap(L"al"), Mandatory(L"m1")})},
        {L"<al><m1>a</m1></al>", Opt_None, L"", L"", Chain({ReadWrap(L"al"), Mandatory(L"m2")})},
        {L"<al/>", Opt_None, L"", L"", Chain({ReadWrap(L"al"), Mandatory(L"m1")})},
        // No option makes a missing member of an all-group acceptable.
        {L"<al><m2>b</m2></al>", Opt_IgnoreMissingMandatory, L"", L"", Chain({ReadWrap(L"al"), Mandatory(L"m1")})},
        {L"<al><m2>b</m2></al>", Opt_IgnoreUnknown, L"", L"", Chain({ReadWrap(L"al"), Mandatory(L"m1")})},
        // A repeated member stops the loop: what follows it is never offered.
        {L"<al><m1>a</m1><m1>b</m1><m2>c</m2></al>", Opt_None, L"", L"", Chain({ReadWrap(L"al"), Mandatory(L"m2")})},
        // Unknown elements are not skipped, even when they may be.
        {L"<al><x/><m1>a</m1><m2>b</m2></al>", Opt_IgnoreUnknown, L"", L"", Chain({ReadWrap(L"al"), Mandatory(L"m1")})},
        {L"<al><m1>a</m1><m2>b</m2><x/></al>", Opt_None, L"", L"", Chain({ReadWrap(L"al"), Leftover(L"al", L"x")})},
        {L"<al><m1>a</m1><m2>b</m2><x/><m1>c</m1></al>", Opt_IgnoreUnknown, L"a", L"b", L""},
    };
    for (const PairRow& row : rows) CheckPair<CPair>(row);
}

// <alk> every kind, mandatory and optional, in any order </alk>
struct KindsSchema : ElementSchema<KindsSchema, XmlElementGroupType_All> {
    static constexpr const wchar_t* kElementName = L"alk";
    enum { P, O, E, F, C, D, U, W };
    static std::vector<SlotDef> Slots() {
        return {ValueSlot(),
                ValueSlot(),
                ValueSlot(),
                ValueSlot(),
                HeldSlot(Held<ChildSchema>(L"c")),
                ObjectSlot(),
                HeldSlot(HeldElement(L"u", L"##any", L"")),
                ObjectSlot()};
    }
    static CElementInfo** Elements() {
        return ElementArray(
            new CElementInfoAllPrimMnd(L"p", kNamespace, P, ItemType_i4, nullptr, kCollapse, NoFacets()),
            new CElementInfoAllPrimOpt(L"o", kNamespace, O, ItemType_boolean, nullptr, kCollapse, NoFacets()),
            new CElementInfoAllEnumMnd(L"e", kNamespace, E, &ColorToText, &ColorFromText),
            new CElementInfoAllEnumOpt(L"f", kNamespace, F, &ColorToText, &ColorFromText),
            new CElementInfoAllClsMnd(L"c", kNamespace, C, XmlElementType_Element, &Create<ChildSchema>, 60, true),
            new CElementInfoAllClsOpt(L"d", kNamespace, D, XmlElementType_Element, &Create<ChildSchema>, 61),
            new CElementInfoAllUntpdMnd(L"u", L"##any", U, L"##any", L""),
            new CElementInfoAllUntpdOpt(L"w", L"##any", W, L"##any", L""));
    }
};
typedef TGroupClass<KindsSchema> CKinds;

TEST(AllMembers, EveryKindInAnyOrderRoundTrips) {
    const wchar_t written[] =
        L"<alk><p>3</p><o>true</o><e>blue</e><f>red</f><c><v>1</v></c><d><v>2</v></d><u>x</u><w a=\"1\"/></alk>";
    Calls() = CallLog();
    CKinds k;
    Read(k, L"<alk><w a='1'/><d><v>2</v></d><u>x</u><c><v>1</v></c><f>red</f><e>blue</e><o>1</o><p>3</p></alk>");
    EXPECT_EQ(3, k.Get(KindsSchema::P).GetI4());
    EXPECT_TRUE(k.Get(KindsSchema::O).GetBoolean());
    EXPECT_EQ(2, k.Get(KindsSchema::E).GetI4());
    EXPECT_EQ(0, k.Get(KindsSchema::F).GetI4());
    EXPECT_EQ(L"1", k.Child(KindsSchema::C)->Text(ChildSchema::V));
    EXPECT_EQ(L"2", k.Child(KindsSchema::D)->Text(ChildSchema::V));
    EXPECT_EQ(L"x", k.ObjectAs<CElement>(KindsSchema::U)->GetText());
    EXPECT_EQ(L"w", k.ObjectAs<CElement>(KindsSchema::W)->GetName());
    EXPECT_EQ(1, Calls().createCalls);
    EXPECT_EQ(61, Calls().lastClassId);
    EXPECT_EQ(L"d", Calls().lastName);
    // Written in the order of the members.
    EXPECT_EQ(written, Write(k));
    CKinds back;
    Read(back, written);
    EXPECT_EQ(written, Write(back));
}

TEST(AllMembers, MissingRepeatedOrWrongKinds) {
    struct Row {
        const wchar_t* body;
        std::wstring error;
    };
    const Row rows[] = {
        {L"<o>1</o><e>red</e><c><v/></c><u/>", Chain({ReadWrap(L"alk"), Mandatory(L"p")})},
        {L"<p>1</p><c><v/></c><u/>", Chain({ReadWrap(L"alk"), Mandatory(L"e")})},
        {L"<p>1</p><e>red</e><u/>", Chain({ReadWrap(L"alk"), Mandatory(L"c")})},
        {L"<p>1</p><e>red</e><c><v/></c>", Chain({ReadWrap(L"alk"), Mandatory(L"u")})},
        // A named wildcard does not take another name.
        {L"<p>1</p><e>red</e><c><v/></c><uu/>", Chain({ReadWrap(L"alk"), Mandatory(L"u")})},
        {L"<p>1</p><e>red</e><c><v/></c><u/><w/><w/>", Chain({ReadWrap(L"alk"), Leftover(L"alk", L"w")})},
        {L"<p>1</p><e>red</e><c><v/></c><u/><d><v/></d><d><v/></d>", Chain({ReadWrap(L"alk"), Leftover(L"alk", L"d")})},
        {L"<p>1</p><e>red</e><c><v/></c><u/><f>red</f><f>red</f>", Chain({ReadWrap(L"alk"), Leftover(L"alk", L"f")})},
        {L"<p>x</p><e>red</e><c><v/></c><u/>",
         Chain({ReadWrap(L"alk"), L"The value [x] can not be converted to a i4"})},
        {L"<p>1</p><e>red</e><c><w>2</w></c><u/>", Chain({ReadWrap(L"alk"), ReadWrap(L"c"), Required(L"v")})},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(nyxml_test::Utf8(row.body));
        CKinds k;
        const std::wstring xml = L"<alk>" + std::wstring(row.body) + L"</alk>";
        EXPECT_TRUE(IsThrown<CNyValidationException>(Catch([&] { Read(k, xml.c_str()); }), row.error));
    }
}

// ---- class members: the required flag and the child's type ----

template <XmlElementType ChildType>
struct ChildOfType {
    typedef GroupSchemaT<ChildType> Schema;
};
template <>
struct ChildOfType<XmlElementType_Element> {
    typedef ChildSchema Schema;
};

// <alc> g (mandatory class member) & s? </alc>
template <XmlElementType ChildType, bool Required>
struct ClassMemberSchemaT : SchemaBase {
    static constexpr const wchar_t* kElementName = L"alc";
    typedef typename ChildOfType<ChildType>::Schema Child;
    enum { G, S };
    static std::vector<SlotDef> Slots() { return {HeldSlot(Held<Child>(L"g")), ValueSlot()}; }
    static CParentElementInfo* Parent() {
        return ElementParent(XmlElementGroupType_All, kElementName, kNamespace, false);
    }
    static CElementInfo** Elements() {
        return ElementArray(
            new CElementInfoAllClsMnd(L"g", kNamespace, G, ChildType, &Create<Child>, 62, Required),
            new CElementInfoAllPrimOpt(L"s", kNamespace, S, ItemType_string, nullptr, kPreserve, NoFacets()));
    }
};

template <XmlElementType ChildType, bool Required>
Thrown ReadClassMember(const wchar_t* xml) {
    TGroupClass<ClassMemberSchemaT<ChildType, Required>> alc;
    return Catch([&] { Read(alc, xml); });
}

TEST(AllMembers, AbsentClassMemberPassesUnlessRequiredOrTypeOne) {
    const std::wstring missing = Chain({ReadWrap(L"alc"), Mandatory(L"g")});
    for (const wchar_t* xml : {L"<alc><s>x</s></alc>", L"<alc/>"}) {
        SCOPED_TRACE(nyxml_test::Utf8(xml));
        EXPECT_TRUE(NothingThrown(ReadClassMember<XmlElementType_Element, false>(xml)));
        EXPECT_TRUE(IsThrown<CNyValidationException>(ReadClassMember<XmlElementType_Element, true>(xml), missing));
        EXPECT_TRUE(IsThrown<CNyValidationException>(ReadClassMember<XmlElementType_NoElement, false>(xml), missing));
        EXPECT_TRUE(IsThrown<CNyValidationException>(ReadClassMember<XmlElementType_NoElement, true>(xml), missing));
        EXPECT_TRUE(NothingThrown(ReadClassMember<XmlElementType_NoElementNoAttributes, false>(xml)));
        EXPECT_TRUE(IsThrown<CNyValidationException>(ReadClassMember<XmlElementType_NoElementNoAttributes, true>(xml),
                                                     missing));
    }
}

// <alp> opt (optional group of type 1) & s? </alp>
struct OptionalGroupSchema : SchemaBase {
    static constexpr const wchar_t* kElementName = L"alp";
    enum { OPT, S };
    static std::vector<SlotDef> Slots() { return {ObjectSlot(), ValueSlot()}; }
    static CParentElementInfo* Parent() {
        return ElementParent(XmlElementGroupType_All, kElementName, kNamespace, false);
    }
    static CElementInfo** Elements() {
        return ElementArray(
            new CElementInfoAllClsOpt(L"opt", kNamespace, OPT, XmlElementType_NoElement, &Create<Group1Schema>, 63),
            new CElementInfoAllPrimOpt(L"s", kNamespace, S, ItemType_string, nullptr, kPreserve, NoFacets()));
    }
};
typedef TGroupClass<OptionalGroupSchema> COptionalGroup;

TEST(AllMembers, OptionalGroupIsKeptOnlyWhenItConsumed) {
    struct Row {
        const wchar_t* xml;
        int creates;
        bool kept;
        const wchar_t* s;
    };
    const Row rows[] = {
        {L"<alp><g1>a</g1><s>x</s></alp>", 1, true, L"x"},
        {L"<alp><s>x</s><g1>a</g1></alp>", 2, true, L"x"},  // tried in each pass until it read
        {L"<alp><s>x</s></alp>", 1, false, L"x"},
        {L"<alp/>", 0, false, L"(unset)"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(nyxml_test::Utf8(row.xml));
        Calls() = CallLog();
        COptionalGroup alp;
        Read(alp, row.xml);
        EXPECT_EQ(row.creates, Calls().createCalls);
        EXPECT_EQ(row.kept ? 1 : 0, alp.ObjectStores());
        EXPECT_EQ(row.kept, alp.Child(OptionalGroupSchema::OPT) != nullptr);
        EXPECT_EQ(row.s, alp.Text(OptionalGroupSchema::S));
    }
}

// ---- an all-group without element of its own ----

template <XmlElementType Type>
struct AllGroupSchemaT : SchemaBase {
    static constexpr const wchar_t* kElementName = L"AllGroup";
    enum { M1, M2 };
    static std::vector<SlotDef> Slots() { return {ValueSlot(), ValueSlot()}; }
    static CParentElementInfo* Parent() {
        return new CParentElementInfo(XmlElementGroupType_All, Type, kElementName, kNamespace, -1, false, false);
    }
    static CElementInfo** Elements() {
        return ElementArray(
            new CElementInfoAllPrimMnd(L"m1", kNamespace, M1, ItemType_string, nullptr, kPreserve, NoFacets()),
            new CElementInfoAllPrimMnd(L"m2", kNamespace, M2, ItemType_string, nullptr, kPreserve, NoFacets()));
    }
};

// <ha> grp (the all-group as a mandatory member), m2? </ha>
template <XmlElementType Type, bool MustConsume>
struct AllHolderSchemaT : SchemaBase {
    static constexpr const wchar_t* kElementName = L"ha";
    typedef AllGroupSchemaT<Type> Group;
    enum { GRP, M2 };
    static std::vector<SlotDef> Slots() { return {HeldSlot(Held<Group>(L"grp")), ValueSlot()}; }
    static CParentElementInfo* Parent() {
        return ElementParent(XmlElementGroupType_Sequence, kElementName, kNamespace, true);
    }
    static CElementInfo** Elements() {
        return ElementArray(
            new CElementInfoSeqClsMnd(L"grp", kNamespace, GRP, Type, &Create<Group>, 2, MustConsume),
            new CElementInfoSeqPrimOpt(L"m2", kNamespace, M2, ItemType_string, nullptr, kPreserve, NoFacets()));
    }
};

struct AllGroupRow {
    const wchar_t* xml;
    bool mustConsume;
    const wchar_t* grpM1;
    const wchar_t* grpM2;
    const wchar_t* m2;
    std::wstring error;
};

template <XmlElementType Type, bool MustConsume>
void CheckAllGroup(const AllGroupRow& row) {
    typedef AllHolderSchemaT<Type, MustConsume> Schema;
    TGroupClass<Schema> ha;
    if (!ReadsOrFails(ha, row.xml, Opt_None, row.error)) return;
    CBagClass* grp = ha.Child(Schema::GRP);
    ASSERT_NE(nullptr, grp);
    EXPECT_EQ(row.grpM1, grp->Text(Schema::Group::M1));
    EXPECT_EQ(row.grpM2, grp->Text(Schema::Group::M2));
    EXPECT_EQ(row.m2, ha.Text(Schema::M2));
}

template <XmlElementType Type>
void CheckAllGroup(const AllGroupRow& row) {
    if (row.mustConsume)
        CheckAllGroup<Type, true>(row);
    else
        CheckAllGroup<Type, false>(row);
}

TEST(AllMembers, IncompleteGroupWithoutElementReportsNoMatch) {
    const wchar_t* u = L"(unset)";
    const AllGroupRow rows[] = {
        {L"<ha><m2>b</m2><m1>a</m1></ha>", true, L"a", L"b", u, L""},
        // The group read m2 but is incomplete: it hands the cursor back unchanged, so the holder reads m2 again.
        {L"<ha><m2>b</m2></ha>", false, u, L"b", L"b", L""},
        {L"<ha><m2>b</m2></ha>", true, L"", L"", L"", Chain({ReadWrap(L"ha"), Required(L"grp")})},
        {L"<ha/>", true, L"", L"", L"", Chain({ReadWrap(L"ha"), Required(L"grp")})},
        {L"<ha/>", false, u, u, u, L""},
        // A complete group hands on what follows it, leftovers included.
        {L"<ha><m1>a</m1><m2>b</m2><x/></ha>", true, L"", L"", L"", Chain({ReadWrap(L"ha"), Leftover(L"ha", L"x")})},
        {L"<ha><m1>a</m1><m2>b</m2><m2>c</m2></ha>", true, L"a", L"b", L"c", L""},
    };
    for (const AllGroupRow& row : rows) {
        SCOPED_TRACE(nyxml_test::Utf8(row.xml) + (row.mustConsume ? " must consume" : ""));
        {
            SCOPED_TRACE("type 1");
            CheckAllGroup<XmlElementType_NoElement>(row);
        }
        {
            SCOPED_TRACE("type 2");
            CheckAllGroup<XmlElementType_NoElementNoAttributes>(row);
        }
    }
}

// ---- abstract members ----

template <bool Mandatory>
struct AbstractSchemaT : SchemaBase {
    static constexpr const wchar_t* kElementName = Mandatory ? L"ala" : L"alb";
    static std::vector<SlotDef> Slots() { return {ObjectSlot()}; }
    static CParentElementInfo* Parent() {
        return ElementParent(XmlElementGroupType_All, kElementName, kNamespace, true);
    }
    static CElementInfo** Elements() {
        if (Mandatory)
            return ElementArray(
                new CElementInfoAllAbsClsMnd(L"a", kNamespace, 0, XmlElementType_Element, &CPartyFactory::Create, 0));
        return ElementArray(
            new CElementInfoAllAbsClsOpt(L"a", kNamespace, 0, XmlElementType_Element, &CPartyFactory::Create));
    }
};
typedef TGroupClass<AbstractSchemaT<true>> CAbstractMandatory;
typedef TGroupClass<AbstractSchemaT<false>> CAbstractOptional;

// The message ends with a support contact of the library's choosing.
void ExpectNotImplemented(const Thrown& thrown, const wchar_t* element, const std::wstring& prefix) {
    EXPECT_EQ(typeid(CNyValidationException).name(), thrown.type);
    const std::wstring first = ReadWrap(element) + L"\n";
    ASSERT_EQ(first, thrown.full.substr(0, first.size())) << nyxml_test::Utf8(thrown.full);
    const std::wstring inner = thrown.full.substr(first.size());
    EXPECT_EQ(prefix, inner.substr(0, prefix.size())) << nyxml_test::Utf8(inner);
    EXPECT_GT(inner.size(), prefix.size());
    EXPECT_EQ(std::wstring::npos, inner.find(L'\n'));
}

TEST(AllMembers, AbstractMembersCannotBeRead) {
    const std::wstring mandatoryPrefix =
        L"CElementInfoAllAbsClsMnd::ElementFromXml, has not been implemented fully, contact ";
    const std::wstring optionalPrefix =
        L"CElementInfoAllAbsClsOpt::ElementFromXml, has not been implemented fully, contact ";
    CAbstractMandatory ala;
    ExpectNotImplemented(Catch([&] { Read(ala, L"<ala><a/></ala>"); }), L"ala", mandatoryPrefix);
    ExpectNotImplemented(Catch([&] { Read(ala, L"<ala><x/></ala>"); }), L"ala", mandatoryPrefix);
    EXPECT_TRUE(IsThrown<CNyValidationException>(Catch([&] { Read(ala, L"<ala/>"); }),
                                                 Chain({ReadWrap(L"ala"), Mandatory(L"a")})));
    CAbstractOptional alb;
    ExpectNotImplemented(Catch([&] { Read(alb, L"<alb><a/></alb>"); }), L"alb", optionalPrefix);
    Read(alb, L"<alb/>");
    EXPECT_EQ(nullptr, alb.Object(0));
}

TEST(AllMembers, AbstractMembersAreWritten) {
    CAbstractMandatory ala;
    CSmartPtr<CPerson> person(new CPerson);
    person->SetText(PersonSchema::NAME, L"n");
    ala.SetObject(0, person, L"a");
    EXPECT_EQ(
        L"<ala><a xmlns:AA=\"http://www.w3.org/2001/XMLSchema-instance\" AA:type=\"Person\"><name>n</name></a>"
        L"</ala>",
        Write(ala));
    CAbstractOptional alb;
    EXPECT_EQ(L"<alb/>", Write(alb));
}

// ---- collections ----

// <alcol> m & pc{0,1} & cc{1,} & ac </alcol>
struct CollectionsSchema : ElementSchema<CollectionsSchema, XmlElementGroupType_All> {
    static constexpr const wchar_t* kElementName = L"alcol";
    enum { M, PC, CC, AC };
    static std::vector<SlotDef> Slots() {
        return {ValueSlot(), CollectionSlot(MakeCollection<CValueCol>(L"pc", L"", 0, 1, ItemType_i4, nullptr, nullptr)),
                CollectionSlot(MakeCollection<CObjectCol>(L"cc", L"", 1, -1, &Create<ChildSchema>, 64)),
                CollectionSlot(MakeCollection<CAbsObjectCol>(L"ac", L"", 0, -1, &CPartyFactory::Create))};
    }
    static CElementInfo** Elements() {
        return ElementArray(
            new CElementInfoAllPrimMnd(L"m", kNamespace, M, ItemType_string, nullptr, kPreserve, NoFacets()),
            new CElementInfoAllPrimCol(L"pc", kNamespace, PC),
            new CElementInfoAllClsCol(L"cc", kNamespace, CC, XmlElementType_Element),
            new CElementInfoAllAbsClsCol(L"ac", kNamespace, AC, XmlElementType_Element));
    }
};
typedef TGroupClass<CollectionsSchema> CCollections;

TEST(AllMembers, CollectionsReadEveryRunWithoutCountCheck) {
    CCollections alcol;
    // pc{0,1} gets two items and cc{1,} none: reading does not check counts.
    Read(alcol,
         L"<alcol xmlns:xsi='http://www.w3.org/2001/XMLSchema-instance'><pc>1</pc><m>x</m><pc>2</pc>"
         L"<ac xsi:type='Person'><name>p</name></ac></alcol>");
    EXPECT_EQ(L"x", alcol.Text(CollectionsSchema::M));
    EXPECT_EQ(L"1|2", alcol.CollectionAs<CValueCol>(CollectionsSchema::PC)->Joined());
    EXPECT_EQ(0, alcol.CollectionAs<CObjectCol>(CollectionsSchema::CC)->GetCount());
    EXPECT_EQ(1, alcol.CollectionAs<CAbsObjectCol>(CollectionsSchema::AC)->GetCount());
    // Writing does.
    EXPECT_TRUE(IsThrown<CNyValidationException>(Catch([&] { Write(alcol); }),
                                                 Chain({WriteWrap(L"alcol"), MaxCount(L"pc", 1)})));
    EXPECT_EQ(
        L"<alcol><m>x</m><pc>1</pc><pc>2</pc><ac xmlns:AA=\"http://www.w3.org/2001/XMLSchema-instance\" "
        L"AA:type=\"Person\"><name>p</name></ac></alcol>",
        Write(alcol, Opt_IgnoreCounts));
    alcol.CollectionAs<CValueCol>(CollectionsSchema::PC)->Remove(1);
    EXPECT_TRUE(IsThrown<CNyValidationException>(Catch([&] { Write(alcol); }),
                                                 Chain({WriteWrap(L"alcol"), MinCount(L"cc", 1)})));
    alcol.CollectionAs<CObjectCol>(CollectionsSchema::CC)->Add()->SetText(ChildSchema::V, L"v");
    const std::wstring written = Write(alcol);
    EXPECT_EQ(
        L"<alcol><m>x</m><pc>1</pc><cc><v>v</v></cc><ac xmlns:AA=\"http://www.w3.org/2001/XMLSchema-instance\" "
        L"AA:type=\"Person\"><name>p</name></ac></alcol>",
        written);
    CCollections back;
    Read(back, written.c_str());
    EXPECT_EQ(written, Write(back));
}

// <alu> m & ec (an enumeration collection) & uc (a wildcard collection named uc) </alu>
struct WildCollectionSchema : ElementSchema<WildCollectionSchema, XmlElementGroupType_All> {
    static constexpr const wchar_t* kElementName = L"alu";
    enum { M, UC, EC };
    static std::vector<SlotDef> Slots() {
        return {
            ValueSlot(), CollectionSlot(MakeCollection<CElementCol>(L"", L"##any", L"", 0, -1)),
            CollectionSlot(MakeCollection<CValueCol>(L"ec", L"", 0, -1, ItemType_i4, &ColorToText, &ColorFromText))};
    }
    static CElementInfo** Elements() {
        return ElementArray(
            new CElementInfoAllPrimMnd(L"m", kNamespace, M, ItemType_string, nullptr, kPreserve, NoFacets()),
            new CElementInfoAllEnumCol(L"ec", kNamespace, EC), new CElementInfoAllUntpdCol(L"uc", L"##any", UC));
    }
};
typedef TGroupClass<WildCollectionSchema> CWildCollection;

std::wstring Names(const CElementCol* elements) {
    std::wstring all;
    for (CElementCol::iterator i = elements->begin(); i != elements->end(); ++i) {
        if (!all.empty()) all += L'|';
        all += (*i)->GetName();
    }
    return all;
}

TEST(AllMembers, WildcardCollectionTakesAnyNameEnumerationCollectionNothing) {
    struct Row {
        const wchar_t* xml;
        const wchar_t* uc;
        std::wstring error;
    };
    const Row rows[] = {
        {L"<alu><m>x</m><zz/><uc/><yy/></alu>", L"zz|uc|yy", L""},
        // The wildcard collection also takes m when it meets it first.
        {L"<alu><zz/><m>x</m></alu>", L"", Chain({ReadWrap(L"alu"), Mandatory(L"m")})},
        // ec is offered its element before uc, and leaves it.
        {L"<alu><m>x</m><ec>red</ec></alu>", L"ec", L""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(nyxml_test::Utf8(row.xml));
        CWildCollection alu;
        if (!ReadsOrFails(alu, row.xml, Opt_None, row.error)) continue;
        EXPECT_EQ(row.uc, Names(alu.CollectionAs<CElementCol>(WildCollectionSchema::UC)));
        EXPECT_EQ(0, alu.CollectionAs<CValueCol>(WildCollectionSchema::EC)->GetCount());
    }
    // The enumeration collection writes nothing either.
    CWildCollection alu;
    alu.SetText(WildCollectionSchema::M, L"x");
    alu.CollectionAs<CValueCol>(WildCollectionSchema::EC)->AddFromString(L"red");
    EXPECT_EQ(L"<alu><m>x</m></alu>", Write(alu));
}

// ---- namespaces ----

struct SpacedSchema {
    static constexpr const wchar_t* kElementName = L"r";
    static constexpr const wchar_t* kNamespace = L"urn:g";
    enum { M1, M2 };
    static std::vector<SlotDef> Slots() { return {ValueSlot(), ValueSlot()}; }
    static CParentElementInfo* Parent() {
        return ElementParent(XmlElementGroupType_All, kElementName, kNamespace, true);
    }
    static CElementInfo** Elements() {
        return ElementArray(
            new CElementInfoAllPrimMnd(L"m1", kNamespace, M1, ItemType_string, nullptr, kPreserve, NoFacets()),
            new CElementInfoAllPrimOpt(L"m2", kNamespace, M2, ItemType_string, nullptr, kPreserve, NoFacets()));
    }
    static CAttributeInfo** Attributes() { return AttributeArray(); }
};

TEST(AllMembers, NamespacesMatchUnlessIgnored) {
    const PairRow rows[] = {
        {L"<r xmlns='urn:g'><m2>b</m2><m1>a</m1></r>", Opt_None, L"a", L"b", L""},
        {L"<r><m2>b</m2><m1>a</m1></r>", Opt_None, L"", L"", Chain({ReadWrap(L"r"), Mandatory(L"m1")})},
        {L"<r><m2>b</m2><m1>a</m1></r>", Opt_IgnoreNamespaces, L"a", L"b", L""},
        {L"<r><m2>b</m2><m1>a</m1></r>", Opt_NoNamespacesSchema, L"a", L"b", L""},
        {L"<r xmlns='urn:g'><m1>a</m1><m2 xmlns='urn:h'>b</m2></r>", Opt_None, L"", L"",
         Chain({ReadWrap(L"r"), Leftover(L"r", L"m2")})},
        {L"<r xmlns='urn:g'><m1>a</m1><m2 xmlns='urn:h'>b</m2></r>", Opt_IgnoreNamespaces, L"a", L"b", L""},
    };
    for (const PairRow& row : rows) CheckPair<TGroupClass<SpacedSchema>>(row);
}

}  // namespace
}  // namespace GroupTest
