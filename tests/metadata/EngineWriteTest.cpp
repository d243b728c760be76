// The generated-class engine writing: document-level items, element text,
// an empty choice, unknown group types and the messages that wrap failures.
// Members are written in the member tests and the purchase order.
#include <nyxml/untyped.h>

#include "TestClasses.h"
#include "TestSupport.h"

using namespace testclasses;
using nyxml_test::Utf8;

namespace {

const CWhitespaceUtils::WhitespaceRule kCollapse = CWhitespaceUtils::WhitespaceRule_Collapse;

const CXmlSerializationContext& Default() { return CXmlSerializationContext::GetDefaultContext(); }

CParentElementInfo* Parent(const wchar_t* name, XmlElementGroupType group = XmlElementGroupType_Sequence,
                           XmlElementType type = XmlElementType_Element, int textIndex = -1,
                           bool hasBaseClasses = false, const wchar_t* ns = L"urn:t") {
    return new CParentElementInfo(group, type, name, ns, textIndex, true, hasBaseClasses);
}

CElementInfo* PrimMnd(const wchar_t* name, int index, ItemType type = ItemType_i4,
                      const CPrimitiveRestrictions& facets = CPrimitiveRestrictions()) {
    return new CElementInfoSeqPrimMnd(name, L"urn:t", index, type, nullptr, kCollapse, facets);
}

CAttributeInfo* Attr(const wchar_t* name, int index, ItemType type = ItemType_i4) {
    return new CAttributeInfoPrimitive(name, L"", index, true, type, nullptr, kCollapse, CPrimitiveRestrictions(),
                                       nullptr);
}

std::wstring Record(const CTestObject& object, bool isDocumentRoot, const CXmlSerializationContext& ctx,
                    const wchar_t* ns = L"urn:t", bool flag = false) {
    CRecordingWriter writer;
    object.Write(&writer, isDocumentRoot, ns, ctx, flag);
    return writer.Joined();
}

}  // namespace

TEST(EngineWrite, DocumentRootItemsInOrder) {
    CTestMetadata md(Parent(L"R"), {PrimMnd(L"v", 0)}, {Attr(L"id", 1)});
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
        CTestMetadata md(Parent(L"C"), {}, {});
        CSmartPtr<CTestObject> object(new CTestObject(&md, L"c"));
        object->SetString(-1, L"hidden");
        object->SetString(0, L"hidden");
        EXPECT_EQ(L"start {urn:t}c | end", Record(*object, false, Default()));
    }
    CTestMetadata md(Parent(L"C", XmlElementGroupType_Sequence, XmlElementType_Element, 3), {PrimMnd(L"v", 0)},
                     {Attr(L"lang", 1, ItemType_string)});
    CSmartPtr<CTestObject> object(new CTestObject(&md, L"c"));
    object->SetString(1, L"en");
    object->SetString(3, L"a < b & \"c\"");
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
    CTestMetadata md(Parent(L"R", XmlElementGroupType_Choice),
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
    CTestMetadata md(Parent(L"R", static_cast<XmlElementGroupType>(3)), {}, {Attr(L"a", 0)});
    CSmartPtr<CTestObject> object(new CTestObject(&md, L"r"));
    object->SetI4(0, 1);
    CRecordingWriter writer;
    EXPECT_EQ(L"CNyValidationException: Failed to convert the element [r] to XML\n"
              L"CNyException: Unknown XML Group Type",
              Chain([&] { object->Write(&writer, false, L"", Default(), false); }));
    // The start tag and attributes were written before the failure.
    EXPECT_EQ(L"start {}r | attr {}a=1 #5", writer.Joined());
    CTestMetadata negative(Parent(L"R", static_cast<XmlElementGroupType>(-1)), {}, {});
    CSmartPtr<CTestObject> other(new CTestObject(&negative, L"q"));
    EXPECT_EQ(L"CNyValidationException: Failed to convert the element [q] to XML\n"
              L"CNyException: Unknown XML Group Type",
              Chain([&] { other->ToXml(false, false, EOL_LF, Default()); }));
}

TEST(EngineWrite, FailuresAreWrappedAtEveryClassBoundary) {
    CPrimitiveRestrictions upTo10(nullptr, -1, -1, nullptr, L"10", nullptr, nullptr, -1);
    CTestMetadata innerMd(Parent(L"Inner"), {PrimMnd(L"n", 0, ItemType_i4, upTo10)}, {Attr(L"a", 1)});
    CTestMetadata outerMd(Parent(L"Outer"),
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
