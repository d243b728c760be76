// Writing a document element creates the context's root attribute collection,
// so a context copied after a write shares it with its source.
#include <nyxml/untyped.h>

#include "TestClasses.h"
#include "TestSupport.h"

#include <thread>
#include <vector>

using namespace testclasses;

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
