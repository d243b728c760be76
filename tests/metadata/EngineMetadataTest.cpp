// The metadata base classes and the engine's helpers over them: parent and
// element infos, CleanMetaData, IsElementInList, GetAnyDefaultNamespace,
// CheckRestriction.
#include <nyxml/untyped.h>

#include "TestClasses.h"
#include "TestSupport.h"
#include <thread>
#include <vector>
#include <nyxml/document.h>
#include <nyxml/generated.h>

using namespace GroupTest;
using nyxml_test::Utf8;
using namespace NyXmlLib9;

namespace {


const CXmlSerializationContext& Default() { return CXmlSerializationContext::GetDefaultContext(); }

// An optional string member, for CleanMetaData to free.
class CCountedInfo : public CElementInfoSeqPrimOpt {
public:
    CCountedInfo(const wchar_t* name, const wchar_t* ns)
        : CElementInfoSeqPrimOpt(name, ns, 0, ItemType_string, nullptr, kCollapse, CPrimitiveRestrictions()) {}
};

}  // namespace

// Element and attribute infos check a value against their facets.
TEST(ElementInfo, CheckRestriction) {
    const CPrimitiveRestrictions range(nullptr, -1, -1, L"1", nullptr, nullptr, L"100", -1);
    CElementInfoSeqPrimMnd element(L"quantity", L"", 0, ItemType_i4, nullptr, kCollapse, range);
    CAttributeInfoPrimitive attribute(L"quantity", L"", 0, false, ItemType_i4, nullptr, kCollapse, range, nullptr);
    NyVariant v;
    auto checkRange = [&v](const auto& info) {
        for (int32_t value : {1, 50, 99}) {
            v.SetI4(value);
            info.CheckRestriction(v);
        }
        for (int32_t value : {0, 100, -5}) {
            v.SetI4(value);
            EXPECT_NY_THROW(info.CheckRestriction(v), CNyException,
                            FormatString(L"Invalid Value for quantity [%d]", value));
        }
    };
    checkRange(element);
    checkRange(attribute);
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

// Writing a document element creates the context's root attribute collection,
// so a context copied after a write shares it with its source.
TEST(RootAttributes, FirstWriteCreatesTheSharedCollection) {
    CTestMetadata md(new CParentElementInfo(XmlElementGroupType_Sequence, XmlElementType_Element, L"R", L"urn:t", -1,
                                            true, false),
                     {}, {});
    CSmartPtr<CTestObject> object(new CTestObject(&md, L"r", L"urn:t", L"urn:t"));
    CXmlSerializationContext source;
    ASSERT_EQ(nullptr, source.PeekAdditionalRootAttributes());
    EXPECT_EQ(L"<AA:r xmlns:AA=\"urn:t\"/>", object->ToXml(false, false, EOL_LF, source));
    CAttributeCol* created = source.PeekAdditionalRootAttributes();
    ASSERT_NE(nullptr, created);
    EXPECT_EQ(L"##any", created->GetNamespaceRestriction());

    CXmlSerializationContext copy(source);
    EXPECT_EQ(created, copy.PeekAdditionalRootAttributes());
    source.GetAdditionalRootAttributes()->Add(L"extra", L"1");
    EXPECT_EQ(L"<AA:r xmlns:AA=\"urn:t\" extra=\"1\"/>", object->ToXml(false, false, EOL_LF, copy));

    // Writes below the document element leave a new context as it is.
    CXmlSerializationContext untouched;
    CRecordingWriter writer;
    object->Write(&writer, false, L"urn:t", untouched, false);
    EXPECT_EQ(nullptr, untouched.PeekAdditionalRootAttributes());

    // Several threads writing through one new context all see one collection.
    CXmlSerializationContext shared;
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i)
        threads.emplace_back([&] {
            for (int k = 0; k < 50; ++k) object->ToXml(false, false, EOL_LF, shared);
        });
    for (std::thread& t : threads) t.join();
    CSmartPtr<CAttributeCol> one = shared.GetAdditionalRootAttributes();
    EXPECT_EQ(one.Get(), shared.PeekAdditionalRootAttributes());
    EXPECT_EQ(0, one->GetCount());
}

// CClassfactoryBase: the local name and namespace of an element's xsi:type.
namespace {

struct Factory : CClassfactoryBase {
    using CClassfactoryBase::GetElementType;
    using CClassfactoryBase::GetElementTypeNamespaceUri;
    using CClassfactoryBase::ElementTypeName;
    using CClassfactoryBase::ElementTypeOf;
};

const wchar_t kXsi[] = L"xmlns:xsi='http://www.w3.org/2001/XMLSchema-instance'";

// The first element named `name` in document order.
CXmlElement* Find(CXmlElement* element, const std::wstring& name) {
    for (; element; element = element->GetNextSiblingElement()) {
        if (element->GetLocalName() == name) return element;
        if (CXmlElement* found = Find(element->GetFirstElement(), name)) return found;
    }
    return nullptr;
}

}  // namespace

TEST(ClassFactory, TypeAndNamespaceOfOneElement) {
    struct Case {
        const wchar_t* element;  // the root element's start tag, after its name
        const wchar_t* type;
        const wchar_t* ns;
    } cases[] = {
        {L"xmlns='urn:e' xmlns:p='urn:p' xsi:type='p:Derived'", L"Derived", L"urn:p"},
        {L"xmlns='urn:e' xsi:type='Derived'", L"Derived", L"urn:e"},
        {L"xmlns='urn:e' xsi:type='q:Derived'", L"Derived", L"urn:e"},  // q is not declared
        {L"xmlns='urn:e'", L"", L"urn:e"},
        {L"", L"", L""},
        {L"xmlns='urn:e' xsi:type=''", L"", L"urn:e"},
        {L"xmlns:p='urn:p' xsi:type='p:a:b'", L"a:b", L"urn:p"},  // split at the first colon
        {L"xmlns:p='urn:p' xsi:type='p:'", L"", L"urn:p"},
        {L"xmlns='urn:e' xmlns:p='urn:p' type='p:Derived'", L"", L"urn:e"},  // not in the xsi namespace
        {L"xmlns='urn:e' xmlns:p='urn:p' p:type='p:Derived'", L"", L"urn:e"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Utf8(c.element));
        CXmlDocument document;
        std::wstring xml = std::wstring(L"<e ") + kXsi + L" " + c.element + L"/>";
        document.LoadXml(xml.c_str());
        CXmlElement* e = document.GetDocumentElement();
        EXPECT_EQ(c.type, Factory::GetElementType(e));
        EXPECT_EQ(c.ns, Factory::GetElementTypeNamespaceUri(e));
        // The form without strings, as generated factories ask.
        const Factory::ElementTypeName name = Factory::ElementTypeOf(e);
        EXPECT_EQ(std::wstring_view(c.type), name.localName);
        ASSERT_NE(nullptr, name.namespaceUri);
        EXPECT_EQ(c.ns, *name.namespaceUri);
        EXPECT_EQ(*c.type != 0, name.Is(c.type, c.ns));
        EXPECT_FALSE(name.Is(c.type, L"urn:other"));
        EXPECT_FALSE(name.Is(L"Other", c.ns));
    }
}
