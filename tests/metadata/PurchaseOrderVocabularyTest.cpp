// The Fast Infoset vocabulary that nyxml generate emits for the purchase-order
// schema: documents written with it name no element by literal text, are
// smaller, and read back equal.
#include "po.h"

#include "TestSupport.h"

#include <string>

using namespace NyXmlLib9;
using namespace ExamplePO;
using nyxml_test::Utf8;

TEST(PurchaseOrderVocabulary, DocumentsCarryNoLiteralNames) {
    std::string path = std::string(NYXML_SOURCE_DIR) + "/samples/po.xml";
    CSmartPtr<CPurchaseOrders> orders(new CPurchaseOrders);
    orders->FromXmlFile(std::wstring(path.begin(), path.end()).c_str(), CXmlSerializationContext::GetDefaultContext());
    const std::wstring expected = orders->ToXml(false, false, EOL_LF, CXmlSerializationContext::GetDefaultContext());

    CXmlSerializationContext plain, writing, reading;
    UseFIVocabulary(writing);
    UseFIVocabulary(reading);  // filled again: the same tables in the same order
    const CFIVocabulary& v = *writing.GetFIContext().GetVocabulary();
    ASSERT_EQ(std::wstring(L"urn:example:po"), v.GetNamespaceNamesTable()[1]);
    EXPECT_TRUE(v.GetElementNamesMap().count(CFIVocabulary::QNameKey(L"", L"urn:example:po", L"purchaseOrders")));
    EXPECT_TRUE(v.GetAttributeNamesMap().count(CFIVocabulary::QNameKey(L"", L"", L"partNum")));
    EXPECT_TRUE(v.GetAttributeValuesMap().count(L"shipped"));

    EXPECT_EQ(std::wstring(L"urn:example:po"), writing.GetDefaultNamespaceURI());
    plain.SetDefaultNamespaceURI(L"urn:example:po");
    CBinaryData without = orders->ToFastInfosetStream(FInfoDecl_None, plain, Compression_None);
    CBinaryData with = orders->ToFastInfosetStream(FInfoDecl_None, writing, Compression_None);
    const std::string bytes(reinterpret_cast<const char*>(with.GetData()), with.GetLength());
    const std::string plainBytes(reinterpret_cast<const char*>(without.GetData()), without.GetLength());
    EXPECT_LT(with.GetLength() + 150, without.GetLength());
    EXPECT_NE(std::string::npos, bytes.find(Utf8(FIVocabularyURI())));
    ASSERT_GT(v.GetElementNamesTable().size(), 20u);
    size_t literalWithout = 0;
    for (const CFIVocabulary::CQNameParts& q : v.GetElementNamesTable()) {
        // A literal local name: its length less one, then its UTF-8 octets.
        std::string name = Utf8(v.GetLocalNamesTable()[q.LocalNameIndex - 1]);
        name.insert(name.begin(), static_cast<char>(name.size() - 1));
        SCOPED_TRACE(name);
        EXPECT_EQ(std::string::npos, bytes.find(name));
        literalWithout += plainBytes.find(name) != std::string::npos;
    }
    EXPECT_GT(literalWithout, 20u);  // the same search finds them in a document written without it
    CSmartPtr<CPurchaseOrders> back(new CPurchaseOrders);
    back->FromXmlStream(with, reading);
    EXPECT_EQ(Utf8(expected), Utf8(back->ToXml(false, false, EOL_LF, CXmlSerializationContext::GetDefaultContext())));
    // Without the vocabulary the indexes name nothing.
    CSmartPtr<CPurchaseOrders> lost(new CPurchaseOrders);
    EXPECT_NY_THROW(lost->FromXmlStream(with, plain), CNyException,
                    L"Failed to parse FastInfoset. Index [2] refers to no entry of its table.");
}
