// Attribute infos: name matching, reading, validation and writing of
// primitive, enumeration and wildcard attributes.
#include <nyxml/untyped.h>

#include "TestClasses.h"
#include "TestSupport.h"

using namespace GroupTest;
using nyxml_test::Utf8;
using nyxml_test::Compact;

namespace {


CParentElementInfo* Parent(bool failIfUnknown = true) {
    return new CParentElementInfo(XmlElementGroupType_Sequence, XmlElementType_Element, L"R", L"", -1,
                                  failIfUnknown, false);
}

CAttributeInfoPrimitive* Prim(const wchar_t* name, const wchar_t* ns, int index, bool optional, ItemType type,
                              const wchar_t* defaultValue = nullptr,
                              const CPrimitiveRestrictions& facets = CPrimitiveRestrictions(),
                              const wchar_t* format = nullptr) {
    return new CAttributeInfoPrimitive(name, ns, index, optional, type, format, kCollapse, facets, defaultValue);
}

CAttributeInfoEnum* Enum(const wchar_t* name, const wchar_t* ns, int index, bool optional,
                         const wchar_t* defaultValue = nullptr) {
    return new CAttributeInfoEnum(name, ns, index, optional, &ColorToText, &ColorFromText, defaultValue);
}

// The attribute of a parsed element with this local name and namespace.
CXmlAttribute* FindAttribute(CXmlElement* element, const wchar_t* name, const wchar_t* ns) {
    for (CXmlAttribute* a : element->GetAttributes())
        if (a->GetLocalName() == name && a->GetNamespaceURI() == ns) return a;
    return nullptr;
}

const CXmlSerializationContext& Default() { return CXmlSerializationContext::GetDefaultContext(); }


}  // namespace

// ---- name matching ----

TEST(AttributeInfo, IsThisAttributeComparesLocalNameAndNamespace) {
    CXmlDocument document;
    CXmlElement* root =
        Parse(document, L"<r xmlns:p='urn:p' xmlns:q='urn:q' a='1' p:a='2' b='3' p:A='4'/>");
    CAttributeInfoPrimitive info(L"a", L"urn:p", 0, true, ItemType_string, nullptr, kCollapse,
                                 CPrimitiveRestrictions(), nullptr);
    CXmlSerializationContext strict;
    CXmlSerializationContext loose;
    loose.SetIgnoreNamespaces(true);
    CXmlSerializationContext noNamespaces;
    noNamespaces.SetSchemaType(SchemaType_NoNamespaces);
    struct Case {
        const wchar_t* name;
        const wchar_t* ns;
        bool strict, loose;
    } cases[] = {
        {L"a", L"", false, true},
        {L"a", L"urn:p", true, true},
        {L"b", L"", false, false},
        {L"A", L"urn:p", false, false},  // case-sensitive
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Utf8(std::wstring(c.ns) + L"|" + c.name));
        CXmlAttribute* attribute = FindAttribute(root, c.name, c.ns);
        ASSERT_NE(nullptr, attribute);
        EXPECT_EQ(c.strict, info.IsThisAttribute(strict, attribute));
        EXPECT_EQ(c.loose, info.IsThisAttribute(loose, attribute));
        EXPECT_EQ(c.loose, info.IsThisAttribute(noNamespaces, attribute));
    }
    EXPECT_FALSE(info.IsThisAttribute(loose, nullptr));
}

// ---- reading ----

TEST(AttributeInfo, WildcardNeedsAnAttributeCollection) {
    CTestMetadata md(Parent(), {}, {});
    CSmartPtr<CTestObject> object(new CTestObject(&md, L"R"));
    CXmlDocument document;
    CXmlElement* root = Parse(document, L"<r xmlns:o='urn:o' o:b='2'/>");
    CXmlAttribute* attribute = FindAttribute(root, L"b", L"urn:o");
    CAttributeInfoAny info(L"AnyAttribute", L"", 5, true, L"##any", L"urn:t", nullptr);
    const wchar_t* kMessage = L"Serialization Data Error : The collection should be a CAttributeCol, it was not!";
    // Nothing held, an element collection held, an object held.
    EXPECT_NY_THROW(info.AttributeFromXml(Default(), object, attribute), CNyException, kMessage);
    object->SetCollection(5, new CElementCol(L"", L"##any", L""));
    EXPECT_NY_THROW(info.AttributeFromXml(Default(), object, attribute), CNyException, kMessage);
    object->SetObject(5, new CElement(L"e"));
    EXPECT_NY_THROW(info.AttributeFromXml(Default(), object, attribute), CNyException, kMessage);
    // A rejected namespace is reported first.
    CAttributeInfoAny local(L"AnyAttribute", L"", 5, true, L"##local", L"urn:t", nullptr);
    EXPECT_NY_THROW(local.AttributeFromXml(Default(), object, attribute), CNyInvalidNamespaceException,
                    L"Invalid namespace [urn:o]. The namespace must be one of [##local] where the target namespace "
                    L"is [urn:t]");
}

// ---- validation ----

TEST(AttributeInfo, MissingRequiredAttributeThroughTheEngine) {
    CTestMetadata md(Parent(), {}, {Prim(L"id", L"", 0, false, ItemType_i4), Enum(L"color", L"", 1, true)});
    CSmartPtr<CTestObject> object(new CTestObject(&md, L"R"));
    object->FromXml(L"<r id='1'/>", Default());
    EXPECT_EQ(1, object->Get(0).GetI4());
    EXPECT_FALSE(object->Has(1));
    EXPECT_EQ(L"CNyValidationException: Failed to process the element [r]\n"
              L"CNyValidationException: Failed to find the required Attribute [id]",
              Chain([&] { object->FromXml(L"<r color='red'/>", Default()); }));
    EXPECT_EQ(0, object->Get(1).GetI4());  // red
    // An attribute of the same name in another namespace is not it.
    EXPECT_EQ(L"CNyValidationException: Failed to process the element [r]\n"
              L"CNyValidationException: Unexpected Attribute [id] found.",
              Chain([&] { object->FromXml(L"<r xmlns:p='urn:p' p:id='1'/>", Default()); }));
}

// ---- writing ----

TEST(AttributeInfo, FacetViolationFailsOnWriting) {
    struct Case {
        const wchar_t* what;
        ItemType type;
        CPrimitiveRestrictions facets;
        const wchar_t* good;
        const wchar_t* bad;
        const wchar_t* message;
    } cases[] = {
        {L"maxLength", ItemType_string, CPrimitiveRestrictions(nullptr, -1, 3, nullptr, nullptr, nullptr, nullptr, -1),
         L"abc", L"abcd", L"Invalid Value for a [abcd]"},
        {L"pattern", ItemType_string,
         CPrimitiveRestrictions(L"\\d{3}-[A-Z]{2}", -1, -1, nullptr, nullptr, nullptr, nullptr, -1), L"872-AA",
         L"872-aa", L"Invalid Value for a [872-aa]"},
        {L"maxInclusive", ItemType_i4, CPrimitiveRestrictions(nullptr, -1, -1, nullptr, L"10", nullptr, nullptr, -1),
         L"10", L"11", L"Invalid Value for a [11]"},
        {L"minExclusive", ItemType_decimal,
         CPrimitiveRestrictions(nullptr, -1, -1, nullptr, nullptr, L"0", nullptr, -1), L"0.01", L"0",
         L"Invalid Value for a [0]"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Utf8(c.what));
        CTestMetadata md(Parent(), {}, {Prim(L"a", L"", 0, true, c.type, nullptr, c.facets)});
        CSmartPtr<CTestObject> object(new CTestObject(&md, L"r"));
        object->values[0].FromString(c.good, c.type, kPreserve);
        EXPECT_EQ(std::wstring(L"<r a=\"") + c.good + L"\"/>", Compact(*object, Default()));
        object->FromXml((std::wstring(L"<r a='") + c.bad + L"'/>").c_str(), Default());  // read: no check
        EXPECT_EQ(c.bad, object->Get(0).ToString(nullptr));
        EXPECT_EQ(std::wstring(L"CNyValidationException: Failed to convert the element [r] to XML\n"
                               L"CNyException: Failed to convert attributes to XML\nCNyException: ") +
                      c.message,
                  Chain([&] { Compact(*object, Default()); }));
        // Nothing of the attribute reached the writer.
        CRecordingWriter writer;
        EXPECT_THROW(object->WriteAttributes(&writer, Default()), CNyException);
        EXPECT_EQ(L"", writer.Joined());
    }
}

TEST(AttributeInfo, RequiredEnumerationWithoutValuePassesTheStoredInteger) {
    // The cleared variant holds 0, which the generated function names.
    CTestMetadata md(Parent(), {}, {Enum(L"color", L"", 0, false)});
    CSmartPtr<CTestObject> object(new CTestObject(&md, L"r"));
    EXPECT_EQ(L"<r color=\"red\"/>", Compact(*object, Default()));
    object->SetI4(0, 7);
    EXPECT_EQ(L"CNyValidationException: Failed to convert the element [r] to XML\n"
              L"CNyException: Failed to convert attributes to XML\n"
              L"CNyInvalidValueException: Invalid value [7] for the enumeration Color",
              Chain([&] { Compact(*object, Default()); }));
}

TEST(AttributeInfo, WildcardWritesItsCollection) {
    CTestMetadata md(Parent(), {},
                     {Prim(L"id", L"", 0, true, ItemType_i4),
                      new CAttributeInfoAny(L"AnyAttribute", L"", 1, true, L"##other", L"urn:t", nullptr)});
    CSmartPtr<CTestObject> object(new CTestObject(&md, L"r", L"urn:t", L"urn:t"));
    CSmartPtr<CAttributeCol> attributes(new CAttributeCol(L"", L"##other", L"urn:t"));
    object->SetI4(0, 3);
    object->SetCollection(1, attributes);
    EXPECT_EQ(L"<AA:r xmlns:AA=\"urn:t\" id=\"3\"/>", Compact(*object, Default()));
    attributes->Add(L"x", L"1", L"urn:o");
    attributes->Add(L"y", L"2 & 3", L"");
    CRecordingWriter writer;
    object->WriteAttributes(&writer, Default());
    EXPECT_EQ(L"attr {}id=3 #5 | attr {urn:o}x=1 #23 | attr {}y=2 & 3 #23", writer.Joined());
    std::wstring xml = Compact(*object, Default());
    EXPECT_EQ(L"<AA:r xmlns:AA=\"urn:t\" id=\"3\" xmlns:AB=\"urn:o\" AB:x=\"1\" y=\"2 &amp; 3\"/>", xml);
    // And it reads back.
    CSmartPtr<CTestObject> back(new CTestObject(&md, L"r", L"urn:t", L"urn:t"));
    back->initial[1].SetXmlCollection(new CAttributeCol(L"", L"##other", L"urn:t"));
    back->FromXml(xml.c_str(), Default());
    EXPECT_EQ(xml, Compact(*back, Default()));
    // An empty property writes nothing.
    object->values.erase(1);
    EXPECT_EQ(L"<AA:r xmlns:AA=\"urn:t\" id=\"3\"/>", Compact(*object, Default()));
}
