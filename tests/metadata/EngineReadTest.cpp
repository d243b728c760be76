// The generated-class engine reading: Init, the element name, xsi:nil,
// attributes that are never unknown, and the choice algorithm with probes.
// Sequence, all and choice members are read in SequenceInfoTest, AllInfoTest
// and ChoiceInfoTest.
#include <nyxml/untyped.h>

#include "TestClasses.h"
#include "TestSupport.h"

#include <string>
#include <thread>
#include <vector>

using namespace GroupTest;
using nyxml_test::Utf8;

namespace {

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

// The chain of a failure inside the class read from the element [r].
std::wstring InR(const std::wstring& message) {
    return L"CNyValidationException: Failed to process the element [r]\nCNyValidationException: " + message;
}

}  // namespace

// ---- the steps around the content ----

TEST(EngineRead, InitFirstAndTheElementNameFromTheDocument) {
    CTestMetadata md(Parent(L"R"), {}, {Attr(L"a", 0)});
    CSmartPtr<CTestObject> object(new CTestObject(&md, L"before"));
    object->initial[7].SetString(L"from Init");
    object->SetText(8, L"stale");
    object->FromXml(L"<renamed a='1'/>", Default());
    EXPECT_EQ(1, object->initCount);
    EXPECT_EQ(L"renamed", object->GetElementName());
    EXPECT_EQ(L"from Init", object->Text(7));
    EXPECT_FALSE(object->Has(8));
    EXPECT_EQ(1, object->Get(0).GetI4());
    // Init runs even when the read fails at once.
    EXPECT_THROW(object->FromXml(L"<again a='x'/>", Default()), CNyValidationException);
    EXPECT_EQ(2, object->initCount);
    EXPECT_EQ(L"again", object->GetElementName());
    EXPECT_FALSE(object->Has(0));
    // An attribute the class does not know passes when the context ignores them.
    CXmlSerializationContext lenient;
    lenient.SetIgnoreUnknownAttributes(true);
    object->FromXml(L"<r a='2' other='x'/>", lenient);
    EXPECT_EQ(2, object->Get(0).GetI4());
}

TEST(EngineRead, StringsKeepTheirTextWithoutCarriageReturns) {
    // A string keeps its text as it is, but for carriage returns: the tree
    // holds none in texts, but an attribute value may (from a reference).
    const struct {
        const wchar_t* xml;
        const wchar_t* read;
    } cases[] = {{L"one&#13;&#10;two", L"one\ntwo"}, {L"", L""}, {L"&#13;", L""}, {L" a&#9;b  c ", L" a\tb  c "}};
    CTestMetadata md(Parent(L"r"),
                     {new CElementInfoSeqPrimMnd(L"s", L"", 1, ItemType_string, nullptr, kPreserve,
                                                 CPrimitiveRestrictions())},
                     {new CAttributeInfoPrimitive(L"a", L"", 0, true, ItemType_string, nullptr, kPreserve,
                                                  CPrimitiveRestrictions(), nullptr)});
    for (const auto& c : cases) {
        SCOPED_TRACE(Utf8(c.xml));
        CSmartPtr<CTestObject> object(new CTestObject(&md, L"r"));
        object->FromXml((std::wstring(L"<r a='") + c.xml + L"'><s>" + c.xml + L"</s></r>").c_str(), Default());
        EXPECT_EQ(c.read, object->Get(0).GetString());
        EXPECT_EQ(c.read, object->Get(1).GetString());
    }
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
            EXPECT_EQ(L"text", object->Text(1));
        }
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

TEST(EngineRead, UnknownGroupType) {
    CTestMetadata md(Parent(L"R", static_cast<XmlElementGroupType>(5)), {}, {Attr(L"a", 0)});
    CSmartPtr<CTestObject> object(new CTestObject(&md, L"r"));
    EXPECT_EQ(L"CNyValidationException: Failed to process the element [r]\nCNyException: Unknow Group Type",
              Chain([&] { object->FromXml(L"<r a='1'/>", Default()); }));
    EXPECT_EQ(1, object->Get(0).GetI4());  // attributes came first
}

// ---- the group algorithms, with probes ----

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
    EXPECT_EQ(L"2", object->Text(1));
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


// The generated-class engine writing: document-level items, element text,
// an empty choice, unknown group types and the messages that wrap failures.
// Members are written in the member tests and the purchase order.
namespace {

CParentElementInfo* WrittenParent(const wchar_t* name, XmlElementGroupType group = XmlElementGroupType_Sequence,
                           XmlElementType type = XmlElementType_Element, int textIndex = -1,
                           bool hasBaseClasses = false, const wchar_t* ns = L"urn:t") {
    return new CParentElementInfo(group, type, name, ns, textIndex, true, hasBaseClasses);
}

CElementInfo* PrimMnd(const wchar_t* name, int index, ItemType type = ItemType_i4,
                      const CPrimitiveRestrictions& facets = CPrimitiveRestrictions()) {
    return new CElementInfoSeqPrimMnd(name, L"urn:t", index, type, nullptr, kCollapse, facets);
}

std::wstring Record(const CTestObject& object, bool isDocumentRoot, const CXmlSerializationContext& ctx,
                    const wchar_t* ns = L"urn:t", bool flag = false) {
    CRecordingWriter writer;
    object.Write(&writer, isDocumentRoot, ns, ctx, flag);
    return writer.Joined();
}

}  // namespace

TEST(EngineWrite, DocumentRootItemsInOrder) {
    CTestMetadata md(WrittenParent(L"R"), {PrimMnd(L"v", 0)}, {Attr(L"id", 1)});
    CSmartPtr<CTestObject> object(new CTestObject(&md, L"r", L"urn:t", L"urn:t"));
    object->SetI4(0, 5);
    object->SetI4(1, 9);
    CXmlSerializationContext ctx;
    ctx.GetProcessingInstructions().push_back(L"<?first a?>");
    ctx.GetProcessingInstructions().push_back(L"<?second b?>");
    ctx.GetNamespaceAliases().Add(L"zz", L"urn:b");
    ctx.GetNamespaceAliases().Add(L"yy", L"urn:a");  // written in URI order: urn:a first
    ctx.SetDefaultNamespaceURI(L"urn:d");
    ctx.GetAdditionalRootAttributes()->Add(L"extra", L"x", L"urn:x");
    ctx.SetInLineSchema(L"<xs:schema/>");
    EXPECT_EQ(L"pi <?first a?> | pi <?second b?> | alias yy=urn:a | alias zz=urn:b | default urn:d | "
              L"start {urn:t}r | attr {urn:x}extra=x #23 | attr {}id=9 #5 | schema <xs:schema/> | "
              L"start {urn:t}v | text 5 #5 | end | end",
              Record(*object, true, ctx));
    // None of them below the document element.
    EXPECT_EQ(L"start {urn:t}r | attr {}id=9 #5 | start {urn:t}v | text 5 #5 | end | end",
              Record(*object, false, ctx));
    // And the text form.
    EXPECT_EQ(L"<?first a?>\n\n<?second b?>\n\n<AA:r xmlns:AA=\"urn:t\" xmlns=\"urn:d\" xmlns:yy=\"urn:a\" "
              L"xmlns:zz=\"urn:b\" xmlns:AB=\"urn:x\" AB:extra=\"x\" id=\"9\" \n<xs:schema/>\n><AA:v>5</AA:v></AA:r>",
              object->ToXml(false, false, EOL_LF, ctx));
}

TEST(EngineWrite, ElementTextProperty) {
    {
        // No text property: a stored text is never written.
        CTestMetadata md(WrittenParent(L"C"), {}, {});
        CSmartPtr<CTestObject> object(new CTestObject(&md, L"c"));
        object->SetText(-1, L"hidden");
        object->SetText(0, L"hidden");
        EXPECT_EQ(L"start {urn:t}c | end", Record(*object, false, Default()));
    }
    CTestMetadata md(WrittenParent(L"C", XmlElementGroupType_Sequence, XmlElementType_Element, 3), {PrimMnd(L"v", 0)},
                     {Attr(L"lang", 1, ItemType_string)});
    CSmartPtr<CTestObject> object(new CTestObject(&md, L"c"));
    object->SetText(1, L"en");
    object->SetText(3, L"a < b & \"c\"");
    // The text comes after the members, passing the variant's type.
    object->SetI4(0, 1);
    EXPECT_EQ(L"start {urn:t}c | attr {}lang=en #23 | start {urn:t}v | text 1 #5 | end | text a < b & \"c\" #23 | end",
              Record(*object, false, Default()));
    object->values.erase(0);
    EXPECT_EQ(L"<c lang=\"en\">a &lt; b &amp; &quot;c&quot;</c>", object->ToXml(false, false, EOL_LF, Default()));
    object->SetI4(3, 42);
    EXPECT_EQ(L"start {urn:t}c | attr {}lang=en #23 | text 42 #5 | end", Record(*object, false, Default()));
    // A text property that holds nothing cannot be converted.
    object->values.erase(3);
    EXPECT_EQ(L"CNyValidationException: Failed to convert the element [c] to XML\n"
              L"CNyException: Invalid Type 0 to convert to string",
              Chain([&] { Record(*object, false, Default()); }));
}

TEST(EngineWrite, EmptyChoice) {
    const wchar_t* kMessage =
        L"This element is a choice, and as such must have at one (and only one) valid item, currently there are "
        L"none set";
    std::vector<std::wstring> log;
    CTestMetadata md(WrittenParent(L"R", XmlElementGroupType_Choice),
                     {new CProbeInfo(L"a", L"", 0, &log, false), new CProbeInfo(L"b", L"", 1, &log, false)}, {});
    CSmartPtr<CTestObject> object(new CTestObject(&md, L"r"));
    EXPECT_EQ(std::wstring(L"CNyValidationException: Failed to convert the element [r] to XML\n"
                           L"CNyValidationException: ") +
                  kMessage,
              Chain([&] { Record(*object, false, Default()); }));
    // Allowed by the option and by the flag of a choice inside a choice.
    CXmlSerializationContext ignore;
    ignore.SetIgnoreMissingChoice(true);
    EXPECT_EQ(L"start {urn:t}r | end", Record(*object, false, ignore));
    EXPECT_EQ(L"start {urn:t}r | end", Record(*object, false, Default(), L"urn:t", true));
    // The flag is not passed on by the entry points.
    EXPECT_THROW(object->ToXml(false, false, EOL_LF, Default()), CNyValidationException);
    EXPECT_EQ(L"<r/>", object->ToXml(false, false, EOL_LF, ignore));
}

TEST(EngineWrite, UnknownGroupType) {
    CTestMetadata md(WrittenParent(L"R", static_cast<XmlElementGroupType>(3)), {}, {Attr(L"a", 0)});
    CSmartPtr<CTestObject> object(new CTestObject(&md, L"r"));
    object->SetI4(0, 1);
    CRecordingWriter writer;
    EXPECT_EQ(L"CNyValidationException: Failed to convert the element [r] to XML\n"
              L"CNyException: Unknown XML Group Type",
              Chain([&] { object->Write(&writer, false, L"", Default(), false); }));
    // The start tag and attributes were written before the failure.
    EXPECT_EQ(L"start {}r | attr {}a=1 #5", writer.Joined());
    CTestMetadata negative(WrittenParent(L"R", static_cast<XmlElementGroupType>(-1)), {}, {});
    CSmartPtr<CTestObject> other(new CTestObject(&negative, L"q"));
    EXPECT_EQ(L"CNyValidationException: Failed to convert the element [q] to XML\n"
              L"CNyException: Unknown XML Group Type",
              Chain([&] { other->ToXml(false, false, EOL_LF, Default()); }));
}

TEST(EngineWrite, FailuresAreWrappedAtEveryClassBoundary) {
    CPrimitiveRestrictions upTo10(nullptr, -1, -1, nullptr, L"10", nullptr, nullptr, -1);
    CTestMetadata innerMd(WrittenParent(L"Inner"), {PrimMnd(L"n", 0, ItemType_i4, upTo10)}, {Attr(L"a", 1)});
    CTestMetadata outerMd(WrittenParent(L"Outer"),
                          {new CElementInfoSeqClsOpt(L"inner", L"urn:t", 0, XmlElementType_Element, nullptr, 0)}, {});
    CSmartPtr<CTestObject> inner(new CTestObject(&innerMd, L"inner"));
    CSmartPtr<CTestObject> outer(new CTestObject(&outerMd, L"outer"));
    outer->SetObject(0, inner);
    inner->SetI4(0, 11);
    EXPECT_EQ(L"CNyValidationException: Failed to convert the element [outer] to XML\n"
              L"CNyValidationException: Failed to convert the element [inner] to XML\n"
              L"CNyException: Invalid Value for n [11]",
              Chain([&] { outer->ToXml(false, false, EOL_LF, Default()); }));
    // An attribute failure adds its own link.
    inner->SetI4(0, 10);
    inner->values[1].SetXmlObject(nullptr);
    EXPECT_EQ(L"CNyValidationException: Failed to convert the element [outer] to XML\n"
              L"CNyValidationException: Failed to convert the element [inner] to XML\n"
              L"CNyException: Failed to convert attributes to XML\n"
              L"CNyException: Invalid Type 27 to convert to string",
              Chain([&] { outer->ToXml(false, false, EOL_LF, Default()); }));
    inner->values.erase(1);
    EXPECT_EQ(L"<outer><AA:inner xmlns:AA=\"urn:t\"><AA:n>10</AA:n></AA:inner></outer>",
              outer->ToXml(false, false, EOL_LF, Default()));
}
