// The metadata base classes and the engine's helpers over them: parent and
// element infos, CleanMetaData, IsElementInList,
// DoesElementContainOptionalElements, GetAnyDefaultNamespace, CheckRestriction.
#include <nyxml/untyped.h>

#include "TestClasses.h"
#include "TestSupport.h"

#include <atomic>
#include <functional>
#include <thread>

using namespace testclasses;
using nyxml_test::Utf8;

namespace {

const CWhitespaceUtils::WhitespaceRule kCollapse = CWhitespaceUtils::WhitespaceRule_Collapse;

const CXmlSerializationContext& Default() { return CXmlSerializationContext::GetDefaultContext(); }

// Counts the infos destroyed, to watch CleanMetaData.
int g_destroyed = 0;

class CCountedInfo : public CElementInfoSeqPrimOpt {
public:
    CCountedInfo(const wchar_t* name, const wchar_t* ns)
        : CElementInfoSeqPrimOpt(name, ns, 0, ItemType_string, nullptr, kCollapse, CPrimitiveRestrictions()) {}
    ~CCountedInfo() override { ++g_destroyed; }
};

class CCountedAttribute : public CAttributeInfoPrimitive {
public:
    explicit CCountedAttribute(const wchar_t* name)
        : CAttributeInfoPrimitive(name, L"", 0, true, ItemType_string, nullptr, kCollapse, CPrimitiveRestrictions(),
                                  nullptr) {}
    ~CCountedAttribute() override { ++g_destroyed; }
};

class CCountedParent : public CParentElementInfo {
public:
    CCountedParent()
        : CParentElementInfo(XmlElementGroupType_Sequence, XmlElementType_Element, L"P", L"", -1, true, false) {}
    ~CCountedParent() override { ++g_destroyed; }
};

// Opens the protected parts of an element info.
class CInfoAccess : public CElementInfoSeqPrimMnd {
public:
    using CElementInfoSeqPrimMnd::CElementInfoSeqPrimMnd;
    using CElementInfo::AccessProperty;
    using CElementInfo::IsThisElement;
    using CElementInfo::ReadProperty;
};

CSmartPtr<CXmlObjectBase> CreateChoiceItem(int, const wchar_t* name);

}  // namespace

// ---- parent info ----

TEST(ParentElementInfo, FieldsAndCopies) {
    CParentElementInfo info(XmlElementGroupType_All, XmlElementType_NoElementNoAttributes, L"Name", L"urn:n", 4, true,
                            false);
    EXPECT_EQ(XmlElementGroupType_All, info.GetElementGroupType());
    EXPECT_EQ(XmlElementType_NoElementNoAttributes, info.GetElementType());
    EXPECT_EQ(L"Name", info.GetElementName());
    EXPECT_EQ(L"urn:n", info.GetElementNamespace());
    EXPECT_EQ(4, info.GetElementTextPropertyIndex());
    EXPECT_TRUE(info.GetFromXmlFailIfAttributeUnknown());
    EXPECT_FALSE(info.GetHasBaseClasses());
    CParentElementInfo copy(info);
    CParentElementInfo assigned(XmlElementGroupType_Sequence, XmlElementType_Element, nullptr, nullptr, -1, false,
                                true);
    EXPECT_EQ(L"", assigned.GetElementName());
    EXPECT_EQ(L"", assigned.GetElementNamespace());
    EXPECT_TRUE(assigned.GetHasBaseClasses());
    assigned = info;
    for (const CParentElementInfo* p : {&copy, &assigned}) {
        EXPECT_EQ(XmlElementGroupType_All, p->GetElementGroupType());
        EXPECT_EQ(XmlElementType_NoElementNoAttributes, p->GetElementType());
        EXPECT_EQ(L"Name", p->GetElementName());
        EXPECT_EQ(L"urn:n", p->GetElementNamespace());
        EXPECT_EQ(4, p->GetElementTextPropertyIndex());
        EXPECT_TRUE(p->GetFromXmlFailIfAttributeUnknown());
        EXPECT_FALSE(p->GetHasBaseClasses());
    }
}

// ---- element info base ----

TEST(ElementInfo, FieldsAndCopies) {
    CPrimitiveRestrictions facets(nullptr, 2, -1, nullptr, nullptr, nullptr, nullptr, -1);
    CInfoAccess info(L"n", L"urn:n", 7, ItemType_string, L"fmt", kCollapse, facets);
    EXPECT_EQ(L"n", info.GetElementName());
    EXPECT_EQ(L"urn:n", info.GetElementNamespace());
    EXPECT_EQ(7, info.GetPropertyIndex());
    EXPECT_EQ(ItemType_string, info.GetItemType());
    EXPECT_TRUE(info.HasPrimitiveInformation());
    CInfoAccess copy(info);
    CInfoAccess assigned(L"x", L"", 0, ItemType_i4, nullptr, kCollapse, CPrimitiveRestrictions());
    assigned = info;
    for (const CInfoAccess* i : {&copy, &assigned}) {
        EXPECT_EQ(L"n", i->GetElementName());
        EXPECT_EQ(L"urn:n", i->GetElementNamespace());
        EXPECT_EQ(7, i->GetPropertyIndex());
        EXPECT_EQ(ItemType_string, i->GetItemType());
        NyVariant shortText;
        shortText.SetString(L"a");
        EXPECT_NY_THROW(i->CheckRestriction(shortText), CNyException, L"Invalid Value for n [a]");
    }
    CElementInfoSeqClsCol plain(nullptr, nullptr, 3, XmlElementType_Element);
    EXPECT_FALSE(plain.HasPrimitiveInformation());
    EXPECT_EQ(L"", plain.GetElementName());
    EXPECT_EQ(L"", plain.GetElementNamespace());
    EXPECT_EQ(3, plain.GetPropertyIndex());
}

TEST(ElementInfo, IsThisElement) {
    CXmlDocument document;
    CXmlElement* root = Parse(document, L"<r xmlns:p='urn:p'><n/><p:n/><N/><p:m/></r>");
    CXmlElement* plainN = root->GetFirstElement();
    CXmlElement* prefixedN = plainN->GetNextSiblingElement();
    CXmlElement* upperN = prefixedN->GetNextSiblingElement();
    CXmlElement* prefixedM = upperN->GetNextSiblingElement();
    CInfoAccess info(L"n", L"urn:p", 0, ItemType_string, nullptr, kCollapse, CPrimitiveRestrictions());
    CXmlSerializationContext loose;
    loose.SetIgnoreNamespaces(true);
    CXmlSerializationContext noNamespaces;
    noNamespaces.SetSchemaType(SchemaType_NoNamespaces);
    EXPECT_FALSE(info.IsThisElement(Default(), plainN));
    EXPECT_TRUE(info.IsThisElement(Default(), prefixedN));
    EXPECT_FALSE(info.IsThisElement(Default(), upperN));
    EXPECT_FALSE(info.IsThisElement(Default(), prefixedM));
    EXPECT_FALSE(info.IsThisElement(Default(), nullptr));
    for (const CXmlSerializationContext* ctx : {&loose, &noNamespaces}) {
        EXPECT_TRUE(info.IsThisElement(*ctx, plainN));
        EXPECT_TRUE(info.IsThisElement(*ctx, prefixedN));
        EXPECT_FALSE(info.IsThisElement(*ctx, upperN));
        EXPECT_FALSE(info.IsThisElement(*ctx, prefixedM));
        EXPECT_FALSE(info.IsThisElement(*ctx, nullptr));
    }
}

TEST(ElementInfo, PropertyAccessGoesThroughTheObject) {
    CTestMetadata md(new CParentElementInfo(XmlElementGroupType_Sequence, XmlElementType_Element, L"R", L"", -1, true,
                                            false),
                     {}, {});
    CSmartPtr<CTestObject> object(new CTestObject(&md, L"r"));
    CInfoAccess info(L"n", L"", 5, ItemType_i4, nullptr, kCollapse, CPrimitiveRestrictions());
    NyVariant v;
    v.SetI4(-3);
    info.AccessProperty(object, false, v);
    EXPECT_EQ(std::vector<int>{5}, object->stores);
    NyVariant back;
    info.ReadProperty(object, back);
    EXPECT_EQ(-3, back.GetI4());
    NyVariant viaObject;
    object->ReadProperty(5, viaObject);
    EXPECT_EQ(-3, viaObject.GetI4());
    object->ReadProperty(6, viaObject);
    EXPECT_FALSE(viaObject.IsValid());
}

TEST(ElementInfo, CheckRestriction) {
    CInfoAccess quantity(L"quantity", L"", 0, ItemType_i4, nullptr, kCollapse,
                         CPrimitiveRestrictions(nullptr, -1, -1, L"1", nullptr, nullptr, L"100", -1));
    NyVariant v;
    for (int32_t value : {1, 50, 99}) {
        SCOPED_TRACE(value);
        v.SetI4(value);
        quantity.CheckRestriction(v);
    }
    for (int32_t value : {0, 100, -5}) {
        SCOPED_TRACE(value);
        v.SetI4(value);
        EXPECT_NY_THROW(quantity.CheckRestriction(v), CNyException,
                        FormatString(L"Invalid Value for quantity [%d]", value));
    }
    // Without primitive information there is nothing to check against.
    CElementInfoSeqClsCol plain(L"c", L"", 0, XmlElementType_Element);
    v.SetI4(1);
    EXPECT_NY_THROW(plain.CheckRestriction(v), CNyException, L"Cannot CheckRestriction for type: i4");
    v.SetString(L"s");
    EXPECT_NY_THROW(plain.CheckRestriction(v), CNyException, L"Cannot CheckRestriction for type: string");
    v.SetDecimal(CDecimal(L"1"));
    EXPECT_NY_THROW(plain.CheckRestriction(v), CNyException, L"Cannot CheckRestriction for type: decimal");
    // A variant without a type name fails in naming its type.
    v.Clear();
    EXPECT_NY_THROW(plain.CheckRestriction(v), CNyException, L"Invalid Type 0");
    v.SetXmlObject(nullptr);
    EXPECT_NY_THROW(plain.CheckRestriction(v), CNyException, L"Invalid Type 27");
    v.SetXmlCollection(nullptr);
    EXPECT_NY_THROW(plain.CheckRestriction(v), CNyException, L"Invalid Type 28");
}

TEST(ElementInfo, GetAnyDefaultNamespace) {
    struct Case {
        const wchar_t* allowed;
        const wchar_t* classNamespace;
        const wchar_t* result;
    } cases[] = {
        {L"##any", L"urn:c", L"urn:c"},
        {L"##any", L"", L""},
        {L"##other", L"", L"DefaultNamespace"},
        {L"##other", L"urn:c", L""},
        {L"##local", L"urn:c", L""},
        {L"##targetNamespace", L"urn:c", L"urn:t"},
        {L"##targetNamespace ##local", L"urn:c", L"urn:t"},
        {L"##other urn:a", L"", L"DefaultNamespace"},
        {L"##any urn:a", L"urn:c", L"urn:c"},
        {L"##local ##targetNamespace", L"urn:c", L""},
        {L"urn:a", L"urn:c", L""},
        {L"urn:a ##any", L"urn:c", L""},
        {L"", L"urn:c", L""},
        {L"##ANY", L"urn:c", L""},
        {L"##any ", L"urn:c", L"urn:c"},
        {L"## any", L"urn:c", L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Utf8(std::wstring(c.allowed) + L" / " + c.classNamespace));
        EXPECT_EQ(c.result, CElementInfo::GetAnyDefaultNamespace(c.allowed, c.classNamespace, L"urn:t"));
    }
    EXPECT_EQ(L"DefaultNamespace", CElementInfo::GetAnyDefaultNamespace(L"##other", L"", L"urn:t"));
    EXPECT_EQ(L"urn:t", CElementInfo::GetAnyDefaultNamespace(L"##targetNamespace ##local", L"urn:c", L"urn:t"));
}

// ---- CleanMetaData ----

TEST(GeneratedClass, CleanMetaDataDeletesEverythingAndNullsThePointers) {
    g_destroyed = 0;
    CParentElementInfo* parent = new CCountedParent;
    CElementInfo** elements = new CElementInfo*[3]{new CCountedInfo(L"a", L""), new CCountedInfo(L"b", L""), nullptr};
    CAttributeInfo** attributes = new CAttributeInfo*[2]{new CCountedAttribute(L"x"), nullptr};
    CTestObject::CleanMetaData(parent, elements, attributes);
    EXPECT_EQ(4, g_destroyed);
    EXPECT_EQ(nullptr, parent);
    EXPECT_EQ(nullptr, elements);
    EXPECT_EQ(nullptr, attributes);
    // Again, on what is left: nothing happens.
    CTestObject::CleanMetaData(parent, elements, attributes);
    EXPECT_EQ(4, g_destroyed);
    // Empty arrays and a missing parent.
    elements = new CElementInfo*[1]{nullptr};
    attributes = nullptr;
    CTestObject::CleanMetaData(parent, elements, attributes);
    EXPECT_EQ(nullptr, elements);
    EXPECT_EQ(4, g_destroyed);
}

TEST(GeneratedClass, CleanMetaDataNullsEachEntryBeforeFreeingTheArray) {
    // Entries are deleted in order: a destructor sees the earlier ones nulled.
    static CElementInfo** s_array = nullptr;
    static std::vector<int> s_nullsSeen;
    struct Watching : CCountedInfo {
        using CCountedInfo::CCountedInfo;
        ~Watching() override {
            int nulls = 0;
            for (int i = 0; i < 3; ++i) nulls += s_array[i] == nullptr;
            s_nullsSeen.push_back(nulls);
        }
    };
    CParentElementInfo* parent = nullptr;
    CAttributeInfo** attributes = nullptr;
    CElementInfo** elements = new CElementInfo*[4]{new Watching(L"a", L""), new Watching(L"b", L""),
                                                   new Watching(L"c", L""), nullptr};
    s_array = elements;
    s_nullsSeen.clear();
    CTestObject::CleanMetaData(parent, elements, attributes);
    EXPECT_EQ((std::vector<int>{0, 1, 2}), s_nullsSeen);
}

// ---- IsElementInList ----

TEST(GeneratedClass, IsElementInList) {
    CTestMetadata md(new CParentElementInfo(XmlElementGroupType_Sequence, XmlElementType_Element, L"R", L"", -1, true,
                                            false),
                     {new CElementInfoSeqPrimOpt(L"a", L"urn:a", 0, ItemType_i4, nullptr, kCollapse,
                                                 CPrimitiveRestrictions()),
                      new CElementInfoSeqClsCol(L"b", L"", 1, XmlElementType_Element)},
                     {});
    CSmartPtr<CTestObject> object(new CTestObject(&md, L"r"));
    CXmlDocument document;
    CXmlElement* root = Parse(document, L"<r xmlns:p='urn:a' xmlns:q='urn:q'><p:a/><a/><b/><q:b/><p:c/><A/></r>");
    CXmlSerializationContext loose;
    loose.SetIgnoreNamespaces(true);
    struct Case {
        bool strict, loose;
    } expected[] = {{true, true}, {false, true}, {true, true}, {false, true}, {false, false}, {false, false}};
    CXmlElement* e = root->GetFirstElement();
    for (const Case& c : expected) {
        ASSERT_NE(nullptr, e);
        SCOPED_TRACE(Utf8(e->GetNamespaceURI() + L"|" + e->GetLocalName()));
        EXPECT_EQ(c.strict, object->IsElementInList(Default(), e));
        EXPECT_EQ(c.loose, object->IsElementInList(loose, e));
        e = e->GetNextSiblingElement();
    }
    EXPECT_FALSE(object->IsElementInList(loose, nullptr));
    CTestMetadata empty(new CParentElementInfo(XmlElementGroupType_Sequence, XmlElementType_Element, L"R", L"", -1,
                                               true, false),
                        {}, {});
    CSmartPtr<CTestObject> none(new CTestObject(&empty, L"r"));
    EXPECT_FALSE(none->IsElementInList(loose, root->GetFirstElement()));
}

// ---- DoesElementContainOptionalElements ----

namespace {

CTestMetadata* g_itemMetadata = nullptr;

CSmartPtr<CXmlObjectBase> CreateChoiceItem(int, const wchar_t* name) {
    return CSmartPtr<CXmlObjectBase>(new CTestObject(g_itemMetadata, name));
}

const wchar_t* EnumToText(int) { return L"v"; }
int EnumFromText(const wchar_t*) { return 0; }
CSmartPtr<CXmlObjectBase> NoObject(CXmlElement*) { return CSmartPtr<CXmlObjectBase>(); }

}  // namespace

TEST(GeneratedClass, DoesElementContainOptionalElements) {
    CTestMetadata itemMd(new CParentElementInfo(XmlElementGroupType_Sequence, XmlElementType_Element, L"I", L"", -1,
                                                true, false),
                         {}, {});
    g_itemMetadata = &itemMd;
    const CPrimitiveRestrictions none;
    // Each case: the infos of a class and whether its content may be empty.
    struct Case {
        const wchar_t* what;
        std::function<std::vector<CElementInfo*>()> infos;
        bool optional;
    };
    // Collections with minimum 0 and 1 held in properties 10 and 11.
    Case cases[] = {
        {L"sequence members", [&] {
             return std::vector<CElementInfo*>{
                 new CElementInfoSeqPrimOpt(L"a", L"", 0, ItemType_i4, nullptr, kCollapse, none),
                 new CElementInfoSeqClsOpt(L"b", L"", 1, XmlElementType_Element, &CreateChoiceItem, 0)};
         },
         false},
        {L"choice primitive", [&] {
             return std::vector<CElementInfo*>{
                 new CElementInfoChoicePrimOpt(L"a", L"", 0, ItemType_i4, nullptr, kCollapse, none)};
         },
         true},
        {L"choice enumeration",
         [&] { return std::vector<CElementInfo*>{new CElementInfoChoiceEnumOpt(L"a", L"", 0, &EnumToText, &EnumFromText)}; },
         true},
        {L"choice class", [&] {
             return std::vector<CElementInfo*>{
                 new CElementInfoChoiceClsOpt(L"a", L"", 0, XmlElementType_Element, &CreateChoiceItem, 0)};
         },
         true},
        {L"choice abstract class", [&] {
             return std::vector<CElementInfo*>{
                 new CElementInfoChoiceAbsClsOpt(L"a", L"", 0, XmlElementType_Element, &NoObject)};
         },
         true},
        {L"choice wildcard", [&] {
             return std::vector<CElementInfo*>{new CElementInfoChoiceUntpdOpt(L"AnyElement", L"##any", 0, L"##any", L"")};
         },
         true},
        {L"choice class collection, minimum 1",
         [&] { return std::vector<CElementInfo*>{new CElementInfoChoiceClsCol(L"i", L"", 11, XmlElementType_Element)}; },
         false},
        {L"choice class collection, minimum 0",
         [&] { return std::vector<CElementInfo*>{new CElementInfoChoiceClsCol(L"i", L"", 10, XmlElementType_Element)}; },
         true},
        {L"choice abstract collection, minimum 0", [&] {
             return std::vector<CElementInfo*>{new CElementInfoChoiceAbsClsCol(L"i", L"", 10, XmlElementType_Element)};
         },
         true},
        {L"choice primitive collection, minimum 0",
         [&] { return std::vector<CElementInfo*>{new CElementInfoChoicePrimCol(L"i", L"", 10)}; }, true},
        {L"choice enumeration collection, minimum 1",
         [&] { return std::vector<CElementInfo*>{new CElementInfoChoiceEnumCol(L"i", L"", 11)}; }, false},
        {L"choice wildcard collection, minimum 0",
         [&] { return std::vector<CElementInfo*>{new CElementInfoChoiceUntpdCol(L"i", L"", 10)}; }, true},
        {L"minimum 1 then an optional member", [&] {
             return std::vector<CElementInfo*>{
                 new CElementInfoChoiceClsCol(L"i", L"", 11, XmlElementType_Element),
                 new CElementInfoChoicePrimOpt(L"a", L"", 0, ItemType_i4, nullptr, kCollapse, none)};
         },
         true},
        {L"all members", [&] {
             return std::vector<CElementInfo*>{
                 new CElementInfoAllPrimOpt(L"a", L"", 0, ItemType_i4, nullptr, kCollapse, none)};
         },
         false},
        {L"no members", [&] { return std::vector<CElementInfo*>{}; }, false},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(Utf8(c.what));
        std::vector<CElementInfo*> infos = c.infos();
        CTestMetadata md(new CParentElementInfo(XmlElementGroupType_Choice, XmlElementType_Element, L"R", L"", -1,
                                                true, false),
                         {}, {});
        // Rebuild the array with the case's infos.
        delete[] md.elements;
        md.elements = new CElementInfo*[infos.size() + 1];
        for (size_t i = 0; i < infos.size(); ++i) md.elements[i] = infos[i];
        md.elements[infos.size()] = nullptr;
        CSmartPtr<CTestObject> object(new CTestObject(&md, L"r"));
        object->SetCollection(10, new CTestObjectCol(L"i", L"", 0, -1, &CreateChoiceItem));
        object->SetCollection(11, new CTestObjectCol(L"i", L"", 1, -1, &CreateChoiceItem));
        EXPECT_EQ(c.optional, object->DoesElementContainOptionalElements());
        // The engine's empty-choice rule follows it.
        if (c.optional) {
            EXPECT_EQ(L"<r/>", object->ToXml(false, false, EOL_LF, Default()));
        } else {
            EXPECT_THROW(object->ToXml(false, false, EOL_LF, Default()), CNyValidationException);
        }
    }
    g_itemMetadata = nullptr;
}

// ---- the class itself ----

TEST(GeneratedClass, HasNoFieldsOfItsOwn) {
    EXPECT_EQ(sizeof(CXmlObjectBase), sizeof(CXmlGeneratedClass));
}

TEST(GeneratedClass, InitLockIsReentrantAndSharedByThreads) {
    CXmlGeneratedClass::m_csInit.Enter();
    CXmlGeneratedClass::m_csInit.Enter();  // re-entrant on one thread
    std::atomic<bool> entered(false);
    std::thread other([&entered] {
        CNYLock lock(CXmlGeneratedClass::m_csInit);
        entered = true;
    });
    CXmlGeneratedClass::m_csInit.Leave();
    EXPECT_FALSE(entered);  // still held once
    CXmlGeneratedClass::m_csInit.Leave();
    other.join();
    EXPECT_TRUE(entered);
}
