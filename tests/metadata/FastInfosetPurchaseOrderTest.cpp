// The purchase-order classes written as Fast Infoset and read back, through
// every entry point, with the algorithm and alphabet encodings and with a
// generated vocabulary.
#include "po.h"

#include "TestSupport.h"

#include <unistd.h>

using namespace NyXmlLib9;
using namespace ExamplePO;
using nyxml_test::Utf8;

namespace {

std::wstring SamplePath() {
    std::string path = std::string(NYXML_SOURCE_DIR) + "/samples/po.xml";
    return std::wstring(path.begin(), path.end());
}

std::wstring Compact(const CXmlObjectBase& object) {
    return object.ToXml(false, false, EOL_LF, CXmlSerializationContext::GetDefaultContext());
}

}  // namespace

TEST(FastInfosetPurchaseOrder, WrittenAndReadBackEqual) {
    CSmartPtr<CPurchaseOrders> orders(new CPurchaseOrders);
    orders->FromXmlFile(SamplePath().c_str(), CXmlSerializationContext::GetDefaultContext());
    CXmlSerializationContext suggested;
    suggested.GetFIContext().SetSuggestedValues();
    // The date-time alphabet has no '+': an offset cannot be written with it.
    EXPECT_NY_THROW(orders->ToFastInfosetStream(FInfoDecl_None, suggested, Compression_None), CNyValidationException,
                    L"Failed to convert the element [purchaseOrders] to XML");
    std::wstring text = Compact(*orders);
    for (size_t at; (at = text.find(L"+01:00")) != std::wstring::npos;) text.replace(at, 6, L"Z");
    orders->FromXml(text.c_str(), CXmlSerializationContext::GetDefaultContext());
    const std::wstring expected = Compact(*orders);

    CXmlSerializationContext plain, generated;
    generated.GetFIContext().SetSuggestedValues();
    generated.GetFIContext().SetUseGeneratedVocabulary(true);
    CFIVocabulary* v = generated.GetFIContext().GetVocabulary();
    v->AddElement(L"", L"urn:example:po", L"order");
    v->AddElement(L"", L"urn:example:po", L"item");
    v->AddAttribute(L"", L"", L"partNum");
    v->AddElementValue(L"1");
    const CXmlSerializationContext* contexts[] = {&plain, &suggested, &generated};
    size_t plainSize = 0;
    for (const CXmlSerializationContext* ctx : contexts) {
        for (CompressionType compression : {Compression_None, Compression_GZip, Compression_ZLib}) {
            SCOPED_TRACE(static_cast<int>(compression));
            CBinaryData bytes = orders->ToFastInfosetStream(FInfoDecl_V10, *ctx, compression);
            if (ctx == &plain && compression == Compression_None) plainSize = bytes.GetLength();
            CSmartPtr<CPurchaseOrders> back(new CPurchaseOrders);
            back->FromXmlStream(bytes, *ctx);
            EXPECT_EQ(Utf8(expected), Utf8(Compact(*back)));
        }
    }
    // The binary form is smaller than the text.
    EXPECT_LT(plainSize, orders->ToXmlStream(false, false, XmlEncoding_UTF8, EOL_LF, plain, Compression_None).GetLength());

    nyxml_test::TempDir dir;
    std::wstring file = dir.WidePath("po.fi.gz");
    orders->ToFastInfosetFile(file.c_str(), FInfoDecl_None, suggested, Compression_GZip);
    CSmartPtr<CPurchaseOrders> fromFile(new CPurchaseOrders);
    fromFile->FromXmlFile(file.c_str(), suggested);
    EXPECT_EQ(Utf8(expected), Utf8(Compact(*fromFile)));
    std::wstring zlib = dir.WidePath("po.fi.z");
    EXPECT_NY_THROW(orders->ToFastInfosetFile(zlib.c_str(), FInfoDecl_None, suggested, Compression_ZLib), CNyException,
                    L"ZLIB Compression only available for To Stream methods.");
    EXPECT_EQ(-1, access(dir.Path("po.fi.z").c_str(), F_OK));
}
