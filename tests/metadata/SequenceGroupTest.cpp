// Sequence members whose class has no element of its own (element types 1
// and 2): they read from and write into their holder's element, and report a
// miss to the holder instead of raising.
#include "TestClasses.h"
#include <pthread.h>
#include <algorithm>
#include <string>

using namespace GroupTest;

namespace GroupTest {
namespace {

// <h> grp (a group of type 1 or 2 as a mandatory member), t (optional) </h>.
// The holder takes its groups' attributes, so it does not reject unknown ones.
template <XmlElementType ChildType, bool MustConsume>
struct HolderSchemaT : SchemaBase {
    static constexpr const wchar_t* kElementName = L"h";
    typedef GroupSchemaT<ChildType> Group;
    enum { GRP, T };
    static std::vector<SlotDef> Slots() { return {HeldSlot(Held<Group>(L"grp")), ValueSlot()}; }
    static CParentElementInfo* Parent() {
        return ElementParent(XmlElementGroupType_Sequence, kElementName, kNamespace, false);
    }
    static CElementInfo** Elements() {
        return ElementArray(
            new CElementInfoSeqClsMnd(L"grp", kNamespace, GRP, ChildType, &Create<Group>, 20, MustConsume),
            new CElementInfoSeqPrimOpt(L"t", kNamespace, T, ItemType_string, nullptr, kPreserve, NoFacets()));
    }
};
typedef HolderSchemaT<XmlElementType_NoElement, true> HolderSchema;
typedef TGroupClass<HolderSchema> CHolder;
typedef TGroupClass<HolderSchemaT<XmlElementType_NoElement, false>> CLooseHolder;

struct HolderRow {
    const wchar_t* xml;
    unsigned options;
    bool mustConsume;
    const wchar_t* g1;
    const wchar_t* t;
    std::wstring error;
};

TEST(SequenceGroups, MandatoryGroupMustConsumeOrNot) {
    const wchar_t* u = L"(unset)";
    const std::wstring groupMissing = Chain({ReadWrap(L"h"), Required(L"grp")});
    const HolderRow rows[] = {
        {L"<h><g1>a</g1><t>z</t></h>", Opt_None, true, L"a", L"z", L""},
        {L"<h><g1>a</g1><t>z</t></h>", Opt_None, false, L"a", L"z", L""},
        {L"<h><t>z</t></h>", Opt_None, true, L"", L"", groupMissing},
        {L"<h/>", Opt_None, true, L"", L"", groupMissing},
        {L"<h><g2>b</g2><t>z</t></h>", Opt_None, true, L"", L"", groupMissing},
        // A group does not search for its members: the option about missing ones does not reach it.
        {L"<h><t>z</t></h>", Opt_IgnoreMissingMandatory, true, L"", L"", groupMissing},
        // Without mustConsume a group that reads nothing still counts as read.
        {L"<h><t>z</t></h>", Opt_None, false, u, L"z", L""},
        {L"<h/>", Opt_None, false, u, u, L""},
        // The group's primitive member skips unknown elements when told to.
        {L"<h><x/><g1>a</g1><t>z</t></h>", Opt_IgnoreUnknown, true, L"a", L"z", L""},
        {L"<h><x/><g1>a</g1><t>z</t></h>", Opt_None, true, L"", L"", groupMissing},
        // A group that used nothing hands the element back; the holder then skips it.
        {L"<h><t>z</t></h>", Opt_IgnoreUnknown, false, u, u, L""},
        {L"<h><g1>a</g1><x/><t>z</t></h>", Opt_None, true, L"", L"", Chain({ReadWrap(L"h"), Leftover(L"h", L"x")})},
        // The holder's optional t does not skip the x the group left, so t stays unset.
        {L"<h><g1>a</g1><x/><t>z</t></h>", Opt_IgnoreUnknown, true, L"a", u, L""},
    };
    for (const HolderRow& row : rows) {
        SCOPED_TRACE(nyxml_test::Utf8(row.xml) + " options " + std::to_string(row.options) +
                     (row.mustConsume ? " must consume" : ""));
        CSmartPtr<CBagClass> h;
        if (row.mustConsume)
            h = new CHolder;
        else
            h = new CLooseHolder;
        if (!ReadsOrFails(*h, row.xml, row.options, row.error)) continue;
        ASSERT_NE(nullptr, h->Child(HolderSchema::GRP));
        EXPECT_EQ(row.g1, h->Child(HolderSchema::GRP)->Text(Group1Schema::G1));
        EXPECT_EQ(row.t, h->Text(HolderSchema::T));
    }
}

// <ho> opt (an optional group of type 1), t (optional) </ho>
struct OptionalHolderSchema : SchemaBase {
    static constexpr const wchar_t* kElementName = L"ho";
    enum { OPT, T };
    static std::vector<SlotDef> Slots() { return {ObjectSlot(), ValueSlot()}; }
    static CParentElementInfo* Parent() {
        return ElementParent(XmlElementGroupType_Sequence, kElementName, kNamespace, false);
    }
    static CElementInfo** Elements() {
        return ElementArray(
            new CElementInfoSeqClsOpt(L"opt", kNamespace, OPT, XmlElementType_NoElement, &Create<Group1Schema>, 21),
            new CElementInfoSeqPrimOpt(L"t", kNamespace, T, ItemType_string, nullptr, kPreserve, NoFacets()));
    }
};
typedef TGroupClass<OptionalHolderSchema> COptionalHolder;

TEST(SequenceGroups, OptionalGroupIsKeptOnlyWhenItReadSomething) {
    struct Row {
        const wchar_t* xml;
        int creates;
        bool kept;
        const wchar_t* t;
    };
    const Row rows[] = {
        {L"<ho><g1>a</g1><t>z</t></ho>", 1, true, L"z"},
        {L"<ho><g1>a</g1><g2>b</g2></ho>", 1, true, L"(unset)"},
        {L"<ho><t>z</t></ho>", 1, false, L"z"},
        {L"<ho/>", 0, false, L"(unset)"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(nyxml_test::Utf8(row.xml));
        Calls() = CallLog();
        COptionalHolder h;
        Read(h, row.xml);
        EXPECT_EQ(row.creates, Calls().createCalls);
        if (row.creates) {
            EXPECT_EQ(21, Calls().lastClassId);
            EXPECT_EQ(L"opt", Calls().lastName);
        }
        EXPECT_EQ(row.kept ? 1 : 0, h.ObjectStores());
        EXPECT_EQ(row.kept, h.Child(OptionalHolderSchema::OPT) != nullptr);
        EXPECT_EQ(row.t, h.Text(OptionalHolderSchema::T));
    }
}

// A group of type 1 with one mandatory member of every kind that has one.
struct KindsGroupSchema : SchemaBase {
    static constexpr const wchar_t* kElementName = L"KindsGroup";
    enum { E, C, A, U, PC };
    static std::vector<SlotDef> Slots() {
        return {ValueSlot(), HeldSlot(Held<ChildSchema>(L"c")), ObjectSlot(),
                HeldSlot(HeldElement(L"u", L"##any", L"")),
                CollectionSlot(MakeCollection<CValueCol>(L"pc", L"", 1, 2, ItemType_i4, nullptr, nullptr))};
    }
    static CParentElementInfo* Parent() {
        return new CParentElementInfo(XmlElementGroupType_Sequence, XmlElementType_NoElement, kElementName, kNamespace,
                                      -1, false, false);
    }
    static CElementInfo** Elements() {
        return ElementArray(
            new CElementInfoSeqEnumMnd(L"e", kNamespace, E, &ColorToText, &ColorFromText),
            new CElementInfoSeqClsMnd(L"c", kNamespace, C, XmlElementType_Element, &Create<ChildSchema>, 1, false),
            new CElementInfoSeqAbsClsMnd(L"a", kNamespace, A, XmlElementType_Element, &CPartyFactory::Create),
            new CElementInfoSeqUntpdMnd(L"u", L"##any", U, L"##any", L""),
            new CElementInfoSeqPrimCol(L"pc", kNamespace, PC));
    }
};

struct KindsHolderSchema : SchemaBase {
    static constexpr const wchar_t* kElementName = L"hk";
    enum { GRP, T };
    static std::vector<SlotDef> Slots() { return {HeldSlot(Held<KindsGroupSchema>(L"grp")), ValueSlot()}; }
    static CParentElementInfo* Parent() {
        return ElementParent(XmlElementGroupType_Sequence, kElementName, kNamespace, false);
    }
    static CElementInfo** Elements() {
        return ElementArray(
            new CElementInfoSeqClsMnd(L"grp", kNamespace, GRP, XmlElementType_NoElement, &Create<KindsGroupSchema>, 2,
                                      true),
            new CElementInfoSeqPrimOpt(L"t", kNamespace, T, ItemType_string, nullptr, kPreserve, NoFacets()));
    }
};
typedef TGroupClass<KindsHolderSchema> CKindsHolder;

TEST(SequenceGroups, MembersOfAGroupReportAMissInsteadOfRaising) {
    const std::wstring e = L"<e>red</e>", c = L"<c><v>1</v></c>", a = L"<a xsi:type='Person'><name>n</name></a>",
                       u = L"<u/>", pc = L"<pc>1</pc>", t = L"<t>z</t>";
    struct Row {
        std::wstring body;
        bool read;
    };
    const Row rows[] = {
        {e + c + a + u + pc + t, true},
        {e + c + a + u + pc + L"<pc>2</pc>", true},
        {c + a + u + pc + t, false},                             // enumeration missing
        {e + L"<x/>" + c + a + u + pc + t, false},               // an unknown element first
        {e + a + u + pc + t, false},                             // class missing
        {e + c + L"<a><name>n</name></a>" + u + pc + t, false},  // no substitution
        {e + c + L"<b xsi:type='Person'><name>n</name></b>" + u + pc + t, false},
        {e + c + a + L"<w/>" + pc + t, false},                      // wildcard of another name
        {e + c + a + u + t, false},                                 // collection below its minimum
        {e + c + a + u + pc + L"<pc>2</pc><pc>3</pc>" + t, false},  // above its maximum
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(nyxml_test::Utf8(row.body));
        CKindsHolder h;
        const std::wstring xml = L"<hk xmlns:xsi='http://www.w3.org/2001/XMLSchema-instance'>" + row.body + L"</hk>";
        // Whatever the member, the group only reports that it did not match.
        ReadsOrFails(h, xml.c_str(), Opt_None, row.read ? L"" : Chain({ReadWrap(L"hk"), Required(L"grp")}));
    }
}

TEST(SequenceGroups, GroupOfEveryKindRoundTrips) {
    const std::wstring xml =
        L"<hk><e>blue</e><c><v>1</v></c><a xmlns:AA=\"http://www.w3.org/2001/XMLSchema-instance\" AA:type=\"Person\">"
        L"<name>n</name></a><u>x</u><pc>1</pc><pc>2</pc><t>z</t></hk>";
    CKindsHolder h;
    Read(h, xml.c_str());
    CBagClass* grp = h.Child(KindsHolderSchema::GRP);
    ASSERT_NE(nullptr, grp);
    EXPECT_EQ(2, grp->Get(KindsGroupSchema::E).GetI4());
    EXPECT_EQ(L"1|2", grp->CollectionAs<CValueCol>(KindsGroupSchema::PC)->Joined());
    EXPECT_EQ(xml, Write(h));
}

// ---- a group inside a group ----

// Outer (type 1): inner (Group1 as a mandatory member that must consume), o?
struct OuterGroupSchema : SchemaBase {
    static constexpr const wchar_t* kElementName = L"Outer";
    enum { INNER, O };
    static std::vector<SlotDef> Slots() { return {HeldSlot(Held<Group1Schema>(L"inner")), ValueSlot()}; }
    static CParentElementInfo* Parent() {
        return new CParentElementInfo(XmlElementGroupType_Sequence, XmlElementType_NoElement, kElementName, kNamespace,
                                      -1, false, false);
    }
    static CElementInfo** Elements() {
        return ElementArray(
            new CElementInfoSeqClsMnd(L"inner", kNamespace, INNER, XmlElementType_NoElement, &Create<Group1Schema>, 4,
                                      true),
            new CElementInfoSeqPrimOpt(L"o", kNamespace, O, ItemType_string, nullptr, kPreserve, NoFacets()));
    }
};

// <hn> outer t? </hn>
template <bool MustConsume>
struct NestedHolderSchemaT : SchemaBase {
    static constexpr const wchar_t* kElementName = L"hn";
    enum { OUTER, T };
    static std::vector<SlotDef> Slots() { return {HeldSlot(Held<OuterGroupSchema>(L"outer")), ValueSlot()}; }
    static CParentElementInfo* Parent() {
        return ElementParent(XmlElementGroupType_Sequence, kElementName, kNamespace, false);
    }
    static CElementInfo** Elements() {
        return ElementArray(
            new CElementInfoSeqClsMnd(L"outer", kNamespace, OUTER, XmlElementType_NoElement, &Create<OuterGroupSchema>,
                                      5, MustConsume),
            new CElementInfoSeqPrimOpt(L"t", kNamespace, T, ItemType_string, nullptr, kPreserve, NoFacets()));
    }
};
typedef NestedHolderSchemaT<true> NestedHolderSchema;
typedef TGroupClass<NestedHolderSchemaT<true>> CNestedHolder;
typedef TGroupClass<NestedHolderSchemaT<false>> CLooseNestedHolder;

TEST(SequenceGroups, GroupInsideAGroup) {
    const wchar_t xml[] = L"<hn code=\"K\"><g1>a</g1><o>b</o><t>c</t></hn>";
    CNestedHolder hn;
    Read(hn, xml);
    CBagClass* outer = hn.Child(NestedHolderSchema::OUTER);
    ASSERT_NE(nullptr, outer);
    CBagClass* inner = outer->Child(OuterGroupSchema::INNER);
    ASSERT_NE(nullptr, inner);
    EXPECT_EQ(L"a", inner->Text(Group1Schema::G1));
    EXPECT_EQ(L"K", inner->Text(Group1Schema::CODE));
    EXPECT_EQ(L"b", outer->Text(OuterGroupSchema::O));
    EXPECT_EQ(L"c", hn.Text(NestedHolderSchema::T));
    // The inner group's attribute travels up through the outer group to the holder's element.
    EXPECT_EQ(xml, Write(hn));

    // The inner group's miss is only the outer group's miss: the holder names the outer one.
    EXPECT_TRUE(IsThrown<CNyValidationException>(Catch([&] { Read(hn, L"<hn><o>b</o></hn>"); }),
                                                 Chain({ReadWrap(L"hn"), Required(L"outer")})));
    // At the end of the content the inner group reports a miss instead of raising.
    CLooseNestedHolder loose;
    Read(loose, L"<hn/>");
    ASSERT_NE(nullptr, loose.Child(NestedHolderSchema::OUTER));
    EXPECT_EQ(L"(unset)", loose.Child(NestedHolderSchema::OUTER)->Text(OuterGroupSchema::O));
}

// ---- attributes of children without element, per member class ----

enum MemberClass { Member_ClsMnd, Member_ClsOpt, Member_AbsClsMnd, Member_AbsClsOpt, Member_ClsCol, Member_AbsClsCol };

// <w> m (a member of the given class whose child has the given type) </w>
template <MemberClass Member, XmlElementType ChildType>
struct PseudoSchemaT : SchemaBase {
    static constexpr const wchar_t* kElementName = L"w";
    typedef GroupSchemaT<ChildType> Group;
    static std::vector<SlotDef> Slots() {
        if (Member == Member_ClsCol)
            return {CollectionSlot(MakeCollection<CObjectCol>(L"m", L"", 0, -1, &Create<Group>, 3))};
        if (Member == Member_AbsClsCol)
            return {CollectionSlot(MakeCollection<CAbsObjectCol>(L"m", L"", 0, -1, &CPartyFactory::Create))};
        return {ObjectSlot()};
    }
    static CParentElementInfo* Parent() {
        return ElementParent(XmlElementGroupType_Sequence, kElementName, kNamespace, false);
    }
    static CElementInfo** Elements() {
        switch (Member) {
            case Member_ClsMnd:
                return ElementArray(new CElementInfoSeqClsMnd(L"m", kNamespace, 0, ChildType, &Create<Group>, 3, true));
            case Member_ClsOpt:
                return ElementArray(new CElementInfoSeqClsOpt(L"m", kNamespace, 0, ChildType, &Create<Group>, 3));
            case Member_AbsClsMnd:
                return ElementArray(
                    new CElementInfoSeqAbsClsMnd(L"m", kNamespace, 0, ChildType, &CPartyFactory::Create));
            case Member_AbsClsOpt:
                return ElementArray(
                    new CElementInfoSeqAbsClsOpt(L"m", kNamespace, 0, ChildType, &CPartyFactory::Create));
            case Member_ClsCol: return ElementArray(new CElementInfoSeqClsCol(L"m", kNamespace, 0, ChildType));
            case Member_AbsClsCol: return ElementArray(new CElementInfoSeqAbsClsCol(L"m", kNamespace, 0, ChildType));
        }
        return ElementArray();
    }
};

template <MemberClass Member, XmlElementType ChildType>
std::wstring WriteWithGroupChild() {
    typedef PseudoSchemaT<Member, ChildType> Schema;
    TGroupClass<Schema> w;
    CSmartPtr<CBagClass> group(new TGroupClass<typename Schema::Group>);
    group->SetText(Schema::Group::G1, L"a");
    group->SetText(Schema::Group::CODE, L"K");
    if (Member == Member_ClsCol)
        w.template CollectionAs<CObjectCol>(0)->Add(group);
    else if (Member == Member_AbsClsCol)
        w.template CollectionAs<CAbsObjectCol>(0)->Add(group, L"m");
    else
        w.SetObject(0, group, L"m");
    return Write(w);
}

TEST(SequenceGroups, ChildAttributesGoOnTheHolderOnlyForTypeOne) {
    const std::wstring withAttribute = L"<w code=\"K\"><g1>a</g1></w>";
    const std::wstring without = L"<w><g1>a</g1></w>";
    EXPECT_EQ(withAttribute, (WriteWithGroupChild<Member_ClsMnd, XmlElementType_NoElement>()));
    EXPECT_EQ(without, (WriteWithGroupChild<Member_ClsMnd, XmlElementType_NoElementNoAttributes>()));
    EXPECT_EQ(withAttribute, (WriteWithGroupChild<Member_ClsOpt, XmlElementType_NoElement>()));
    EXPECT_EQ(without, (WriteWithGroupChild<Member_ClsOpt, XmlElementType_NoElementNoAttributes>()));
    EXPECT_EQ(withAttribute, (WriteWithGroupChild<Member_AbsClsMnd, XmlElementType_NoElement>()));
    EXPECT_EQ(without, (WriteWithGroupChild<Member_AbsClsMnd, XmlElementType_NoElementNoAttributes>()));
    EXPECT_EQ(withAttribute, (WriteWithGroupChild<Member_AbsClsOpt, XmlElementType_NoElement>()));
    EXPECT_EQ(without, (WriteWithGroupChild<Member_AbsClsOpt, XmlElementType_NoElementNoAttributes>()));
    EXPECT_EQ(withAttribute, (WriteWithGroupChild<Member_ClsCol, XmlElementType_NoElement>()));
    EXPECT_EQ(without, (WriteWithGroupChild<Member_ClsCol, XmlElementType_NoElementNoAttributes>()));
    EXPECT_EQ(withAttribute, (WriteWithGroupChild<Member_AbsClsCol, XmlElementType_NoElement>()));
    EXPECT_EQ(without, (WriteWithGroupChild<Member_AbsClsCol, XmlElementType_NoElementNoAttributes>()));
}

}  // namespace
}  // namespace GroupTest

// The serialization context's maximum depth: a class that contains itself,
// read and written at, beyond and far beyond the limit.
namespace {

// <n> n? </n>: an optional member of the class's own type.
struct NodeSchema : ElementSchema<NodeSchema, XmlElementGroupType_Sequence> {
    static constexpr const wchar_t* kElementName = L"n";
    enum { N };
    static std::vector<SlotDef> Slots() { return {ObjectSlot()}; }
    static CElementInfo** Elements() {
        return ElementArray(
            new CElementInfoSeqClsOpt(L"n", kNamespace, N, XmlElementType_Element, &Create<NodeSchema>, 1));
    }
};
typedef TGroupClass<NodeSchema> CNode;

std::wstring Nested(int depth) {
    std::wstring xml;
    for (int i = 1; i < depth; ++i) xml += L"<n>";
    xml += L"<n/>";
    for (int i = 1; i < depth; ++i) xml += L"</n>";
    return xml;
}

std::wstring TooDeep(int limit) {
    return FormatString(L"The element [n] is nested deeper than the maximum depth [%d] of the serialization context "
                        L"(CXmlSerializationContext::SetMaxDepth)",
                        limit);
}

// An object tree of `depth` nodes, each the only member of the one above.
CSmartPtr<CNode> Chain(int depth) {
    CSmartPtr<CNode> root(new CNode);
    CNode* current = root;
    for (int i = 1; i < depth; ++i) {
        CSmartPtr<CNode> child(new CNode);
        current->SetObject(NodeSchema::N, child, L"n");
        current = child;
    }
    return root;
}

}  // namespace

TEST(DepthLimit, ReadingAndWritingStopAtTheContextsLimit) {
    EXPECT_EQ(2000, CXmlSerializationContext().GetMaxDepth());
    struct Case {
        int limit;  // 0: the default context
        int depth;
        bool fits;
    };
    const Case cases[] = {
        {0, 2000, true}, {0, 2001, false}, {0, 300000, false}, {1, 1, true}, {1, 2, false}, {10, 10, true},
        {10, 11, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.limit) + " " + std::to_string(c.depth));
        CXmlSerializationContext ctx;
        if (c.limit) ctx.SetMaxDepth(c.limit);
        const int limit = ctx.GetMaxDepth();
        // A copy of the context keeps the limit.
        CXmlSerializationContext copy(ctx), assigned;
        assigned = ctx;
        EXPECT_EQ(limit, copy.GetMaxDepth());
        EXPECT_EQ(limit, assigned.GetMaxDepth());

        const std::wstring xml = Nested(c.depth);
        CNode read;
        Thrown thrown = Catch([&] { read.FromXml(xml.c_str(), ctx); });
        // Objects are freed by recursion of their own: the tree stops one past the limit.
        CSmartPtr<CNode> tree = Chain(std::min(c.depth, limit + 1));
        Thrown written = Catch([&] { tree->ToXml(false, false, EOL_LF, ctx); });
        if (c.fits) {
            EXPECT_EQ(L"", thrown.full);
            EXPECT_EQ(L"", written.full);
            EXPECT_TRUE(xml == read.ToXml(false, false, EOL_LF, ctx));
        } else {
            // One message, not one wrapper per level.
            EXPECT_EQ(typeid(CNyValidationException).name(), thrown.type);
            EXPECT_EQ(TooDeep(limit), thrown.full);
            EXPECT_EQ(typeid(CNyValidationException).name(), written.type);
            EXPECT_EQ(TooDeep(limit), written.full);
        }
    }
    // Other failures are still wrapped level by level after a limit was hit.
    CNode node;
    EXPECT_EQ(Chain({ReadWrap(L"n"), ReadWrap(L"n"), Leftover(L"n", L"x")}),
              Catch([&] { node.FromXml(L"<n><n><x/></n></n>"); }).full);
    EXPECT_NY_THROW(CXmlSerializationContext().SetMaxDepth(0), CNyInvalidParamException,
                    L"The maximum depth must be at least 1 [0]");
}

TEST(DepthLimit, RaisedOnAThreadWithALargerStack) {
    // 64 MiB of stack allow eight times the default depth with the same margin.
    struct Job {
        static void* Run(void* arg) {
            auto* result = static_cast<std::wstring*>(arg);
            CXmlSerializationContext ctx;
            ctx.SetMaxDepth(16000);
            CNode node;
            const std::wstring xml = Nested(16000);
            *result = Catch([&] { node.FromXml(xml.c_str(), ctx); }).full;
            if (result->empty() && node.ToXml(false, false, EOL_LF, ctx) != xml) *result = L"written differently";
            return nullptr;
        }
    };
    std::wstring result = L"not run";
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, 64u << 20);
    pthread_t thread;
    ASSERT_EQ(0, pthread_create(&thread, &attr, &Job::Run, &result));
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attr);
    EXPECT_EQ(L"", result);
}
