// The generated-class engine reading: Init, the element name, xsi:nil,
// unknown attributes, the group algorithms, element text and the messages
// that wrap failures.
#include <nyxml/untyped.h>

#include "TestClasses.h"
#include "TestSupport.h"

#include <string>
#include <thread>
#include <vector>

using namespace testclasses;
using nyxml_test::Utf8;

namespace {

const CWhitespaceUtils::WhitespaceRule kCollapse = CWhitespaceUtils::WhitespaceRule_Collapse;

const CXmlSerializationContext& Default() { return CXmlSerializationContext::GetDefaultContext(); }

CParentElementInfo* Parent(const wchar_t* name, XmlElementGroupType group = XmlElementGroupType_Sequence,
                           XmlElementType type = XmlElementType_Element, int textIndex = -1,
                           bool failIfUnknown = true) {
    return new CParentElementInfo(group, type, name, L"", textIndex, failIfUnknown, false);
}

CAttributeInfo* Attr(const wchar_t* name, int index, ItemType type = ItemType_i4) {
    return new CAttributeInfoPrimitive(name, L"", index, true, type, nullptr, kCollapse, CPrimitiveRestrictions(),
                                       nullptr);
}

const wchar_t* kLeftover =
    L"Failed read all the elements held within the element [%s]. The unexpected element [%s] remains un processed";

std::wstring Leftover(const wchar_t* element, const wchar_t* current) {
    return FormatString(kLeftover, element, current);
}

// The chain of a failure inside the class read from the element [r].
std::wstring InR(const std::wstring& message) {
    return L"CNyValidationException: Failed to process the element [r]\nCNyValidationException: " + message;
}

// A class of three probes a (mandatory), b (optional), c (mandatory).
struct ProbeClass {
    explicit ProbeClass(XmlElementGroupType group, XmlElementType type = XmlElementType_Element)
        : md(Parent(L"R", group, type),
             {new CProbeInfo(L"a", L"", 0, &log, true), new CProbeInfo(L"b", L"", 1, &log, false),
              new CProbeInfo(L"c", L"", 2, &log, true)},
             {}),
          object(new CTestObject(&md, L"R", L"urn:class")) {}

    // Reads the document element's children; the name of the element returned.
    std::wstring Read(const wchar_t* xml, const CXmlSerializationContext& ctx, bool flag = false) {
        log.clear();
        CXmlElement* root = Parse(document, xml);
        CXmlElement* next = object->Read(root, root->GetFirstElement(), ctx, flag);
        return next ? next->GetLocalName() : L"(null)";
    }
    std::wstring Values() const {
        return object->GetString(0) + L"," + object->GetString(1) + L"," + object->GetString(2);
    }

    std::vector<std::wstring> log;
    CTestMetadata md;
    CSmartPtr<CTestObject> object;
    CXmlDocument document;
};

}  // namespace

// ---- the steps around the content ----

TEST(EngineRead, InitFirstAndTheElementNameFromTheDocument) {
    CTestMetadata md(Parent(L"R"), {}, {Attr(L"a", 0)});
    CSmartPtr<CTestObject> object(new CTestObject(&md, L"before"));
    object->initial[7].SetString(L"from Init");
    object->SetString(8, L"stale");
    object->FromXml(L"<renamed a='1'/>", Default());
    EXPECT_EQ(1, object->initCount);
    EXPECT_EQ(L"renamed", object->GetElementName());
    EXPECT_EQ(L"from Init", object->GetString(7));
    EXPECT_FALSE(object->Has(8));
    EXPECT_EQ(1, object->Get(0).GetI4());
    // Init runs even when the read fails at once.
    EXPECT_THROW(object->FromXml(L"<again a='x'/>", Default()), CNyValidationException);
    EXPECT_EQ(2, object->initCount);
    EXPECT_EQ(L"again", object->GetElementName());
    EXPECT_FALSE(object->Has(0));
}

TEST(EngineRead, ClassesWithoutElementKeepTheirName) {
    CTestMetadata md(Parent(L"G", XmlElementGroupType_Sequence, XmlElementType_NoElement, -1, false), {}, {});
    CSmartPtr<CTestObject> object(new CTestObject(&md, L"G"));
    CXmlDocument document;
    CXmlElement* root = Parse(document, L"<holder><x/></holder>");
    EXPECT_EQ(root->GetFirstElement(), object->Read(root, root->GetFirstElement(), Default(), false));
    EXPECT_EQ(L"G", object->GetElementName());
    EXPECT_EQ(1, object->initCount);
}

TEST(EngineRead, NilValues) {
    struct Case {
        const wchar_t* value;
        int nil;  // 1 true, 0 false, -1 rejected
    } cases[] = {
        {L"true", 1}, {L"TRUE", 1}, {L"True", 1}, {L"tRuE", 1}, {L"false", 0}, {L"FALSE", 0}, {L"False", 0},
        {L"yes", -1}, {L"1", -1},   {L"0", -1},   {L"", -1},    {L" true", -1}, {L"truex", -1},
    };
    CTestMetadata md(Parent(L"N", XmlElementGroupType_Sequence, XmlElementType_Element, 1),
                     {new CElementInfoSeqPrimMnd(L"v", L"", 0, ItemType_i4, nullptr, kCollapse,
                                                 CPrimitiveRestrictions())},
                     {Attr(L"a", 2)});
    for (const Case& c : cases) {
        SCOPED_TRACE(Utf8(c.value));
        CSmartPtr<CNillableTestObject> object(new CNillableTestObject(&md, L"n"));
        object->nil = c.nil != 1;  // Init resets it
        std::wstring xml = std::wstring(L"<n xmlns:xsi='http://www.w3.org/2001/XMLSchema-instance' a='3' xsi:nil='") +
                           c.value + L"'>text<v>4</v></n>";
        if (c.nil < 0) {
            EXPECT_EQ(L"CNyValidationException: Failed to process the element [n]\n"
                      L"CNyValidationException: Unexpected Value for Attribute [nil] found.",
                      Chain([&] { object->FromXml(xml.c_str(), Default()); }));
            continue;
        }
        CXmlDocument document;
        CXmlElement* root = Parse(document, xml.c_str());
        CXmlElement* next = object->Read(root, root->GetFirstElement(), Default(), false);
        EXPECT_EQ(c.nil == 1, object->nil);
        EXPECT_EQ(1, object->setNilCount);
        EXPECT_EQ(3, object->Get(2).GetI4());  // attributes are read either way
        if (c.nil == 1) {
            // Nothing of the content: not the member, not the text.
            EXPECT_EQ(root->GetFirstElement(), next);
            EXPECT_FALSE(object->Has(0));
            EXPECT_FALSE(object->Has(1));
        } else {
            EXPECT_EQ(nullptr, next);
            EXPECT_EQ(4, object->Get(0).GetI4());
            EXPECT_EQ(L"text", object->GetString(1));
        }
    }
}

TEST(EngineRead, NilContentIsNotChecked) {
    // A nil element with content that would be wrong is not looked at.
    CTestMetadata md(Parent(L"N"),
                     {new CElementInfoSeqPrimMnd(L"v", L"", 0, ItemType_i4, nullptr, kCollapse,
                                                 CPrimitiveRestrictions())},
                     {});
    CSmartPtr<CNillableTestObject> object(new CNillableTestObject(&md, L"n"));
    object->FromXml(L"<n xmlns:xsi='http://www.w3.org/2001/XMLSchema-instance' xsi:nil='true'><x/><v>bad</v></n>",
                    Default());
    EXPECT_TRUE(object->nil);
    EXPECT_EQ(L"CNyValidationException: Failed to process the element [n]\n"
              L"CNyValidationException: Failed to find a required element [v]",
              Chain([&] { object->FromXml(L"<n/>", Default()); }));
    EXPECT_FALSE(object->nil);
}

TEST(EngineRead, NilOnAClassThatIsNotNillable) {
    CTestMetadata md(Parent(L"R", XmlElementGroupType_Sequence, XmlElementType_Element, -1, false), {}, {});
    CSmartPtr<CTestObject> object(new CTestObject(&md, L"r"));
    for (const wchar_t* value : {L"true", L"false", L"yes"}) {
        SCOPED_TRACE(Utf8(value));
        CXmlSerializationContext lenient;
        lenient.SetIgnoreUnknownAttributes(true);
        std::wstring xml =
            std::wstring(L"<r xmlns:xsi='http://www.w3.org/2001/XMLSchema-instance' xsi:nil='") + value + L"'/>";
        // Neither the unknown-attribute options nor the class's flag let it pass.
        EXPECT_EQ(L"CNyValidationException: Failed to process the element [r]\n"
                  L"CNyValidationException: Unexpected Attribute [nil] found.",
                  Chain([&] { object->FromXml(xml.c_str(), lenient); }));
    }
}

TEST(EngineRead, NillableAndOtherClassesTakeTurnsOnSeveralThreads) {
    // Whether a class is nillable is remembered per class and thread: classes
    // read in turn, on two threads, still each get their own answer.
    auto readInTurns = [] {
        CTestMetadata nillableMd(Parent(L"N"), {}, {});
        CTestMetadata plainMd(Parent(L"R", XmlElementGroupType_Sequence, XmlElementType_Element, -1, false), {}, {});
        CSmartPtr<CNillableTestObject> nillable(new CNillableTestObject(&nillableMd, L"n"));
        CSmartPtr<CTestObject> plain(new CTestObject(&plainMd, L"r"));
        std::vector<std::wstring> seen;
        for (int round = 0; round < 3; ++round) {
            nillable->FromXml(L"<n xmlns:xsi='http://www.w3.org/2001/XMLSchema-instance' xsi:nil='true'/>", Default());
            seen.push_back(nillable->nil ? L"nil" : L"not nil");
            seen.push_back(Chain([&] {
                plain->FromXml(L"<r xmlns:xsi='http://www.w3.org/2001/XMLSchema-instance' xsi:nil='true'/>",
                               Default());
            }));
            nillable->FromXml(L"<n xmlns:xsi='http://www.w3.org/2001/XMLSchema-instance' xsi:nil='false'/>", Default());
            seen.push_back(nillable->nil ? L"nil" : L"not nil");
        }
        return seen;
    };
    std::vector<std::wstring> expected;
    for (int round = 0; round < 3; ++round) {
        expected.push_back(L"nil");
        expected.push_back(L"CNyValidationException: Failed to process the element [r]\n"
                           L"CNyValidationException: Unexpected Attribute [nil] found.");
        expected.push_back(L"not nil");
    }
    EXPECT_EQ(expected, readInTurns());
    std::vector<std::wstring> onOtherThread;
    std::thread other([&] { onOtherThread = readInTurns(); });
    other.join();
    EXPECT_EQ(expected, onOtherThread);
}

TEST(EngineRead, UnknownAttributes) {
    for (int mask = 0; mask < 4; ++mask) {
        const bool failIfUnknown = mask & 1, ignore = mask & 2;
        SCOPED_TRACE(mask);
        CTestMetadata md(Parent(L"R", XmlElementGroupType_Sequence, XmlElementType_Element, -1, failIfUnknown), {},
                         {Attr(L"known", 0)});
        CSmartPtr<CTestObject> object(new CTestObject(&md, L"r"));
        CXmlSerializationContext ctx;
        ctx.SetIgnoreUnknownAttributes(ignore);
        const wchar_t* xml = L"<r known='1' other='2' known2='3'/>";
        if (failIfUnknown && !ignore) {
            EXPECT_EQ(L"CNyValidationException: Failed to process the element [r]\n"
                      L"CNyValidationException: Unexpected Attribute [other] found.",
                      Chain([&] { object->FromXml(xml, ctx); }));
        } else {
            object->FromXml(xml, ctx);
            EXPECT_EQ(std::vector<int>{0}, object->stores);
        }
        EXPECT_EQ(1, object->Get(0).GetI4());
    }
}

TEST(EngineRead, NamespaceDeclarationsAndSchemaAttributesAreNeverUnknown) {
    CTestMetadata md(Parent(L"R"), {}, {});
    CSmartPtr<CTestObject> object(new CTestObject(&md, L"r"));
    object->FromXml(L"<r xmlns='urn:d' xmlns:p='urn:p' xmlns:xsi='http://www.w3.org/2001/XMLSchema-instance' "
                    L"xsi:type='p:T' xsi:schemaLocation='urn:d d.xsd' xsi:noNamespaceSchemaLocation='n.xsd'/>",
                    Default());
    EXPECT_TRUE(object->stores.empty());
    EXPECT_EQ(L"CNyValidationException: Failed to process the element [r]\n"
              L"CNyValidationException: Unexpected Attribute [other] found.",
              Chain([&] {
                  object->FromXml(L"<r xmlns:xsi='http://www.w3.org/2001/XMLSchema-instance' xsi:other='1'/>",
                                  Default());
              }));
}

TEST(EngineRead, ElementTextProperty) {
    const wchar_t* xml = L"<c lang='en'> Some  text &amp; more </c>";
    {
        CTestMetadata md(Parent(L"C"), {}, {Attr(L"lang", 0, ItemType_string)});
        CSmartPtr<CTestObject> object(new CTestObject(&md, L"c"));
        object->FromXml(xml, Default());
        EXPECT_EQ(std::vector<int>{0}, object->stores);  // the text is ignored
    }
    CTestMetadata md(Parent(L"C", XmlElementGroupType_Sequence, XmlElementType_Element, 4),
                     {}, {Attr(L"lang", 0, ItemType_string)});
    CSmartPtr<CTestObject> object(new CTestObject(&md, L"c"));
    object->FromXml(xml, Default());
    EXPECT_EQ((std::vector<int>{0, 4}), object->stores);
    EXPECT_EQ(ItemType_string, object->Get(4).GetTypeAsEnum());
    EXPECT_EQ(L" Some  text & more ", object->GetString(4));
    // Written back unchanged.
    EXPECT_EQ(L"<c lang=\"en\"> Some  text &amp; more </c>", object->ToXml(false, false, EOL_LF, Default()));
    object->FromXml(L"<c/>", Default());
    EXPECT_EQ(L"", object->GetString(4));
}

TEST(EngineRead, UnknownGroupType) {
    CTestMetadata md(Parent(L"R", static_cast<XmlElementGroupType>(5)), {}, {Attr(L"a", 0)});
    CSmartPtr<CTestObject> object(new CTestObject(&md, L"r"));
    EXPECT_EQ(L"CNyValidationException: Failed to process the element [r]\nCNyException: Unknow Group Type",
              Chain([&] { object->FromXml(L"<r a='1'/>", Default()); }));
    EXPECT_EQ(1, object->Get(0).GetI4());  // attributes came first
}

TEST(EngineRead, FailuresAreWrappedAtEveryClassBoundary) {
    CTestMetadata innerMd(Parent(L"Inner"),
                          {new CElementInfoSeqPrimMnd(L"n", L"", 0, ItemType_i4, nullptr, kCollapse,
                                                      CPrimitiveRestrictions())},
                          {});
    CTestMetadata outerMd(Parent(L"Outer"),
                          {new CElementInfoSeqClsMnd(L"inner", L"", 0, XmlElementType_Element, nullptr, 0, false)},
                          {});
    CSmartPtr<CTestObject> outer(new CTestObject(&outerMd, L"outer"));
    CSmartPtr<CTestObject> inner(new CTestObject(&innerMd, L"inner"));
    outer->initial[0].SetXmlObject(inner);
    EXPECT_EQ(L"CNyValidationException: Failed to process the element [outer]\n"
              L"CNyValidationException: Failed to process the element [inner]\n"
              L"CNyInvalidValueException: The value [12x] can not be converted to a i4",
              Chain([&] { outer->FromXml(L"<outer><inner><n>12x</n></inner></outer>", Default()); }));
    EXPECT_EQ(L"CNyValidationException: Failed to process the element [outer]\n"
              L"CNyValidationException: Failed to process the element [inner]\n"
              L"CNyValidationException: " +
                  Leftover(L"inner", L"extra"),
              Chain([&] { outer->FromXml(L"<outer><inner><n>1</n><extra/></inner></outer>", Default()); }));
    outer->FromXml(L"<outer><inner><n>12</n></inner></outer>", Default());
    EXPECT_EQ(12, inner->Get(0).GetI4());
    EXPECT_EQ(L"inner", inner->GetElementName());
}

// ---- the group algorithms, with probes ----

TEST(EngineRead, SequenceReadsInOrder) {
    ProbeClass p(XmlElementGroupType_Sequence);
    EXPECT_EQ(L"(null)", p.Read(L"<r><a>1</a><c>3</c></r>", Default()));
    EXPECT_EQ(L"1,(unset),3", p.Values());
    EXPECT_EQ(L"read a at a in r ns=urn:class type=0 | read b at c in r ns=urn:class type=0 | "
              L"read c at c in r ns=urn:class type=0",
              JoinedLines(p.log));
}

TEST(EngineRead, SequenceMemberThatFailsStopsTheSequence) {
    // A member returning false ends the sequence: the cursor comes back
    // unchanged and nothing more is read; the member reports its own errors.
    ProbeClass p(XmlElementGroupType_Sequence);
    EXPECT_EQ(L"a", p.Read(L"<r><a>1</a><x/><c>3</c></r>", Default()));
    EXPECT_EQ(L"1,(unset),(unset)", p.Values());
    EXPECT_EQ(L"read a at a in r ns=urn:class type=0 | read b at x in r ns=urn:class type=0 | "
              L"read c at x in r ns=urn:class type=0",
              JoinedLines(p.log));
    // With IgnoreUnknownElements the element is skipped and the member tried again.
    CXmlSerializationContext skip;
    skip.SetIgnoreUnknownElements(true);
    EXPECT_EQ(L"(null)", p.Read(L"<r><a>1</a><x/><y/><c>3</c></r>", skip));
    EXPECT_EQ(L"1,(unset),3", p.Values());
    EXPECT_EQ(L"read a at a in r ns=urn:class type=0 | read b at x in r ns=urn:class type=0 | "
              L"read c at x in r ns=urn:class type=0 | read c at y in r ns=urn:class type=0 | "
              L"read c at c in r ns=urn:class type=0",
              JoinedLines(p.log));
    // Running out of elements ends it too.
    EXPECT_EQ(L"a", p.Read(L"<r><a>1</a><x/></r>", skip));
}

TEST(EngineRead, SequenceLeftovers) {
    ProbeClass p(XmlElementGroupType_Sequence);
    EXPECT_EQ(InR(Leftover(L"r", L"extra")),
              Chain([&] { p.Read(L"<r><a>1</a><c>3</c><extra/><more/></r>", Default()); }));
    EXPECT_EQ(L"1,(unset),3", p.Values());  // what was read stays
    CXmlSerializationContext skip;
    skip.SetIgnoreUnknownElements(true);
    EXPECT_EQ(L"extra", p.Read(L"<r><a>1</a><c>3</c><extra/></r>", skip));
    // Through the entry point the message is wrapped.
    EXPECT_EQ(InR(Leftover(L"r", L"extra")),
              Chain([&] { p.object->FromXml(L"<r><a>1</a><c>3</c><extra/></r>", Default()); }));
}

TEST(EngineRead, SequenceWithoutElementLeavesTheRestToItsHolder) {
    ProbeClass p(XmlElementGroupType_Sequence, XmlElementType_NoElement);
    EXPECT_EQ(L"extra", p.Read(L"<holder><a>1</a><c>3</c><extra/></holder>", Default()));
    EXPECT_EQ(L"read a at a in holder ns=urn:class type=1 | read b at c in holder ns=urn:class type=1 | "
              L"read c at c in holder ns=urn:class type=1",
              JoinedLines(p.log));
    EXPECT_EQ(L"R", p.object->GetElementName());
}

TEST(EngineRead, ChoiceTakesTheFirstMemberThatReads) {
    ProbeClass p(XmlElementGroupType_Choice);
    // Probe b is optional and returns true without reading: it is the match,
    // and the element it left is a leftover.
    for (bool flag : {false, true}) {
        EXPECT_EQ(InR(Leftover(L"r", L"x")),
                  Chain([&] { p.Read(L"<r><x/></r>", Default(), flag); }));
        EXPECT_EQ(L"read a at x in r ns=urn:class type=0 | read b at x in r ns=urn:class type=0", JoinedLines(p.log));
    }
    EXPECT_EQ(L"(null)", p.Read(L"<r><a>1</a></r>", Default()));
    EXPECT_EQ(L"read a at a in r ns=urn:class type=0", JoinedLines(p.log));
}

TEST(EngineRead, ChoiceWithNothingMatching) {
    std::vector<std::wstring> log;
    CTestMetadata md(Parent(L"R", XmlElementGroupType_Choice),
                     {new CProbeInfo(L"a", L"", 0, &log, true), new CProbeInfo(L"b", L"", 1, &log, true)}, {});
    CSmartPtr<CTestObject> object(new CTestObject(&md, L"r"));
    CXmlDocument document;
    CXmlElement* root = Parse(document, L"<r><x/><b>2</b></r>");
    CXmlElement* x = root->GetFirstElement();
    const std::wstring kNone =
        L"No child elements within the element [r] were populated. The element represents a choice, so one and "
        L"only one element should be populated. The element contained no sutable child elements";
    EXPECT_EQ(InR(kNone), Chain([&] { object->Read(root, x, Default(), false); }));
    // Allowed to be empty: the leftover is reported instead.
    CXmlSerializationContext missing;
    missing.SetIgnoreMissingChoice(true);
    EXPECT_EQ(InR(Leftover(L"r", L"x")),
              Chain([&] { object->Read(root, x, missing, false); }));
    EXPECT_EQ(InR(Leftover(L"r", L"x")),
              Chain([&] { object->Read(root, x, Default(), true); }));
    // IgnoreUnknownElements skips x and finds b.
    CXmlSerializationContext skip;
    skip.SetIgnoreUnknownElements(true);
    log.clear();
    EXPECT_EQ(nullptr, object->Read(root, x, skip, false));
    EXPECT_EQ(L"2", object->GetString(1));
    EXPECT_EQ(L"read a at x in r ns= type=0 | read b at x in r ns= type=0 | read a at b in r ns= type=0 | "
              L"read b at b in r ns= type=0",
              JoinedLines(log));
    // An empty element.
    CXmlDocument empty;
    CXmlElement* emptyRoot = Parse(empty, L"<r/>");
    EXPECT_EQ(InR(kNone), Chain([&] { object->Read(emptyRoot, nullptr, Default(), false); }));
    EXPECT_EQ(nullptr, object->Read(emptyRoot, nullptr, missing, false));
    EXPECT_EQ(InR(kNone), Chain([&] { object->Read(emptyRoot, nullptr, skip, false); }));
}

TEST(EngineRead, ChoiceWithoutElement) {
    std::vector<std::wstring> log;
    for (XmlElementType type : {XmlElementType_NoElement, XmlElementType_NoElementNoAttributes}) {
        SCOPED_TRACE(type);
        CTestMetadata md(Parent(L"R", XmlElementGroupType_Choice, type, -1, false),
                         {new CProbeInfo(L"a", L"", 0, &log, true), new CProbeInfo(L"b", L"", 1, &log, true)}, {});
        CSmartPtr<CTestObject> object(new CTestObject(&md, L"R"));
        CXmlDocument document;
        CXmlElement* root = Parse(document, L"<h><x/><b>2</b></h>");
        CXmlElement* x = root->GetFirstElement();
        // Nothing matched: no error, the holder goes on.
        EXPECT_EQ(x, object->Read(root, x, Default(), false));
        CXmlSerializationContext skip;
        skip.SetIgnoreUnknownElements(true);
        // No skipping without an element of its own.
        EXPECT_EQ(x, object->Read(root, x, skip, false));
        EXPECT_FALSE(object->Has(1));
        EXPECT_EQ(nullptr, object->Read(root, x->GetNextSiblingElement(), Default(), false));
        EXPECT_EQ(L"2", object->GetString(1));
    }
}

namespace {

// A member that moves the cursor past elements named "junk" and still
// reports no match, as members that skip unknown elements do.
class CJunkSkipper : public CProbeInfo {
public:
    using CProbeInfo::CProbeInfo;
    bool ElementFromXml(const CXmlSerializationContext&, CXmlGeneratedClass*, CXmlElement*, CXmlElement** cursor,
                        const wchar_t*, XmlElementType) override {
        while (*cursor && (*cursor)->GetLocalName() == L"junk") *cursor = (*cursor)->GetNextSiblingElement();
        return false;
    }
};

}  // namespace

TEST(EngineRead, ChoiceWithoutElementWhereAMemberMovedTheCursor) {
    // Without a match, a class without element of type 1 hands back where the
    // members left the cursor, or the cursor it was given when unknown
    // elements are ignored; type 2 always where the members left it.
    std::vector<std::wstring> log;
    CXmlSerializationContext skip;
    skip.SetIgnoreUnknownElements(true);
    struct Case {
        XmlElementType type;
        const CXmlSerializationContext* ctx;
        const wchar_t* next;
    } cases[] = {
        {XmlElementType_NoElement, &Default(), L"x"},
        {XmlElementType_NoElement, &skip, L"junk"},
        {XmlElementType_NoElementNoAttributes, &Default(), L"x"},
        {XmlElementType_NoElementNoAttributes, &skip, L"x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.type) + (c.ctx == &skip ? " skip" : ""));
        CTestMetadata md(Parent(L"R", XmlElementGroupType_Choice, c.type, -1, false),
                         {new CJunkSkipper(L"j", L"", 0, &log, true), new CProbeInfo(L"b", L"", 1, &log, true)}, {});
        CSmartPtr<CTestObject> object(new CTestObject(&md, L"R"));
        CXmlDocument document;
        CXmlElement* root = Parse(document, L"<h><junk/><junk/><x/></h>");
        CXmlElement* next = object->Read(root, root->GetFirstElement(), *c.ctx, false);
        ASSERT_NE(nullptr, next);
        EXPECT_EQ(c.next, next->GetLocalName());
        if (std::wstring(c.next) == L"junk") {
            EXPECT_EQ(root->GetFirstElement(), next);
        }
    }
}

TEST(EngineRead, AllReadsInAnyOrder) {
    ProbeClass p(XmlElementGroupType_All);
    EXPECT_EQ(L"(null)", p.Read(L"<r><c>3</c><a>1</a></r>", Default()));
    EXPECT_EQ(L"1,(unset),3", p.Values());
    EXPECT_EQ(L"read a at c in r ns=urn:class type=0 | read b at c in r ns=urn:class type=0 | "
              L"read c at c in r ns=urn:class type=0 | read a at a in r ns=urn:class type=0 | "
              L"validate a found strict | validate b found strict | validate c found strict",
              JoinedLines(p.log));
}

TEST(EngineRead, AllWithAMissingMember) {
    // A member whose validation fails makes the group return the cursor unchanged.
    ProbeClass p(XmlElementGroupType_All);
    EXPECT_EQ(L"a", p.Read(L"<r><a>1</a></r>", Default()));
    EXPECT_EQ(L"read a at a in r ns=urn:class type=0 | read b at (end) in r ns=urn:class type=0 | "
              L"read c at (end) in r ns=urn:class type=0 | validate a found strict | validate b found strict | "
              L"validate c missing strict",
              JoinedLines(p.log));
    // An unknown element stops the passes before c: c is missing, not x a leftover.
    EXPECT_EQ(L"a", p.Read(L"<r><a>1</a><x/><c>3</c></r>", Default()));
    EXPECT_EQ(InR(Leftover(L"r", L"x")),
              Chain([&] { p.Read(L"<r><a>1</a><c>3</c><x/></r>", Default()); }));
    CXmlSerializationContext skip;
    skip.SetIgnoreUnknownElements(true);
    EXPECT_EQ(L"x", p.Read(L"<r><a>1</a><c>3</c><x/></r>", skip));
}

TEST(EngineRead, AllWithoutElement) {
    ProbeClass p(XmlElementGroupType_All, XmlElementType_NoElement);
    EXPECT_EQ(L"x", p.Read(L"<h><c>3</c><a>1</a><x/></h>", Default()));
    EXPECT_EQ(L"read a at c in h ns=urn:class type=1 | read b at c in h ns=urn:class type=1 | "
              L"read c at c in h ns=urn:class type=1 | read a at a in h ns=urn:class type=1 | "
              L"validate a found | validate b found | validate c found",
              JoinedLines(p.log));
}

TEST(EngineRead, AttributesOfTheHolderReachAClassWithoutElement) {
    // A class without element sees its holder's attributes: with the
    // fail-if-unknown flag set it rejects those it does not know.
    CTestMetadata groupMd(Parent(L"G", XmlElementGroupType_Sequence, XmlElementType_NoElement, -1, true), {},
                          {Attr(L"ga", 0)});
    CTestMetadata holderMd(Parent(L"H", XmlElementGroupType_Sequence, XmlElementType_Element, -1, false),
                           {new CElementInfoSeqClsMnd(L"G", L"", 1, XmlElementType_NoElement, nullptr, 0, false)},
                           {Attr(L"ha", 0)});
    CSmartPtr<CTestObject> group(new CTestObject(&groupMd, L"G"));
    CSmartPtr<CTestObject> holder(new CTestObject(&holderMd, L"h"));
    holder->initial[1].SetXmlObject(group);
    EXPECT_EQ(L"CNyValidationException: Failed to process the element [h]\n"
              L"CNyValidationException: Failed to process the element [h]\n"
              L"CNyValidationException: Unexpected Attribute [ha] found.",
              Chain([&] { holder->FromXml(L"<h ha='1' ga='2'/>", Default()); }));
    CXmlSerializationContext lenient;
    lenient.SetIgnoreUnknownAttributes(true);
    holder->FromXml(L"<h ha='1' ga='2'/>", lenient);
    EXPECT_EQ(1, holder->Get(0).GetI4());
    EXPECT_EQ(2, group->Get(0).GetI4());
    EXPECT_EQ(L"<h ha=\"1\" ga=\"2\"/>", holder->ToXml(false, false, EOL_LF, Default()));
}
