// The purchase-order classes end to end: the sample document read, checked,
// written and read again, also as Fast Infoset through every entry point, with
// the algorithm and alphabet encodings and with the vocabulary nyxml generate
// emits; broken documents and values that break facets.
#include "po.h"

#include "TestClasses.h"
#include "TestSupport.h"

#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace NyXmlLib9;
using namespace ExamplePO;
using GroupTest::Chain;
using nyxml_test::Utf8;
using nyxml_test::Compact;

namespace {

const wchar_t kTargetNamespace[] = L"urn:example:po";

const CXmlSerializationContext& Default() { return CXmlSerializationContext::GetDefaultContext(); }

std::wstring SamplePath() {
    std::string path = std::string(NYXML_SOURCE_DIR) + "/samples/po.xml";
    return std::wstring(path.begin(), path.end());
}

CSmartPtr<CPurchaseOrders> ReadSample() {
    CSmartPtr<CPurchaseOrders> orders(new CPurchaseOrders);
    orders->FromXmlFile(SamplePath().c_str(), Default());
    return orders;
}


// A small order document; `order` replaces the content of the one order.
const wchar_t* kMinimalOrder =
    L"<po:shipTo><po:name>N</po:name><po:street>S</po:street><po:city>C</po:city><po:zip>12345</po:zip>"
    L"</po:shipTo>"
    L"<po:createdBy>me</po:createdBy><po:createdAt>2026-01-02T03:04:05Z</po:createdAt>"
    L"<po:items><po:item partNum='123-AB'><po:productName>P</po:productName><po:quantity>1</po:quantity>"
    L"<po:price>1.5</po:price></po:item></po:items>"
    L"<po:invoice>x</po:invoice>";

std::wstring Document(const std::wstring& orderAttributes, const std::wstring& order) {
    return L"<po:purchaseOrders xmlns:po='urn:example:po' xmlns:xsi='http://www.w3.org/2001/XMLSchema-instance' "
           L"xmlns:ext='urn:example:extension'><po:order" +
           orderAttributes + L">" + order + L"</po:order></po:purchaseOrders>";
}

// The minimal order with one piece of text replaced.
std::wstring Replaced(const std::wstring& from, const std::wstring& to) {
    std::wstring order = kMinimalOrder;
    size_t at = order.find(from);
    EXPECT_NE(std::wstring::npos, at) << Utf8(from);
    if (at != std::wstring::npos) order.replace(at, from.size(), to);
    return Document(L"", order);
}

const std::wstring kOrderChain = L"CNyValidationException: Failed to process the element [purchaseOrders]\n"
                                 L"CNyValidationException: Failed to process the element [order]\n";

}  // namespace

TEST(PurchaseOrder, WritesAndReadsBackTheSame) {
    CSmartPtr<CPurchaseOrders> orders = ReadSample();
    for (bool formatted : {false, true}) {
        SCOPED_TRACE(formatted);
        std::wstring xml = orders->ToXml(true, formatted, EOL_LF, Default());
        CSmartPtr<CPurchaseOrders> again(new CPurchaseOrders);
        again->FromXml(xml.c_str(), Default());
        EXPECT_EQ(xml, again->ToXml(true, formatted, EOL_LF, Default()));
        EXPECT_EQ(Compact(*orders), Compact(*again));
    }
    // Through bytes, compressed.
    CBinaryData bytes = orders->ToXmlStream(true, true, XmlEncoding_UTF8, EOL_CRLF, Default(), Compression_GZip);
    CSmartPtr<CPurchaseOrders> fromBytes(new CPurchaseOrders);
    fromBytes->FromXmlStream(bytes, Default());
    EXPECT_EQ(Compact(*orders), Compact(*fromBytes));
    // Reading into an object that already holds orders starts afresh.
    fromBytes->FromXmlFile(SamplePath().c_str(), Default());
    EXPECT_EQ(2, fromBytes->GetOrder()->GetCount());
    EXPECT_EQ(Compact(*orders), Compact(*fromBytes));
    // A member object held elsewhere too is left to its holder when its
    // parent reads again.
    CSmartPtr<CPurchaseOrder> order(new CPurchaseOrder);
    std::wstring one = L"<po:order xmlns:po='urn:example:po'>" + std::wstring(kMinimalOrder) + L"</po:order>";
    std::wstring withCountry = one;
    withCountry.replace(withCountry.find(L"<po:shipTo>"), 11, L"<po:shipTo country='DE'>");
    order->FromXml(withCountry.c_str(), Default());
    CSmartPtr<CAddress> held = order->GetShipTo();
    order->FromXml(one.c_str(), Default());
    EXPECT_EQ(L"DE", held->GetCountry());
    EXPECT_EQ(L"US", order->GetShipTo()->GetCountry());
}

TEST(PurchaseOrder, WrittenFormKeepsEveryPart) {
    CSmartPtr<CPurchaseOrders> orders = ReadSample();
    std::wstring xml = Compact(*orders);
    for (const wchar_t* part :
         {L"<AA:purchaseOrders xmlns:AA=\"urn:example:po\"><AA:order orderDate=\"2026-11-30\" status=\"open\" "
          L"xmlns:AB=\"urn:example:extension\" AB:channel=\"web\"><AA:shipTo country=\"DE\"><AA:name>",
          L"<AA:comment lang=\"en\">Please deliver before noon.</AA:comment><AA:createdBy>web-shop</AA:createdBy>"
          L"<AA:createdAt>2026-11-30T09:15:00+01:00</AA:createdAt><AA:items>",
          L"<AA:item partNum=\"926-AA\"><AA:productName>Baby Monitor</AA:productName><AA:quantity>2</AA:quantity>"
          L"<AA:price>39.98</AA:price><AA:shipDate>2026-12-02</AA:shipDate></AA:item></AA:items><AA:card>",
          L"xsi:type=\"AA:Person\"", L"AC:nil=\"true\"/>",
          L"<AB:tracking carrier=\"DHL\">JJD000390007827</AB:tracking></AA:order>",
          L"<AA:invoice dueDays=\"30\">Invoice to head office</AA:invoice>",
          L"<AA:giftNote>Happy birthday, Bob!</AA:giftNote></AA:order></AA:purchaseOrders>"}) {
        std::wstring text = part;
        if (text == L"xsi:type=\"AA:Person\"") {
            EXPECT_NE(std::wstring::npos, xml.find(L"type=\"AA:Person\""));
            EXPECT_NE(std::wstring::npos, xml.find(L"type=\"AA:Company\""));
            continue;
        }
        EXPECT_NE(std::wstring::npos, xml.find(text)) << Utf8(text);
    }
    // Without xsi:type the derived classes cannot be told apart, but still write.
    CXmlSerializationContext noType;
    noType.SetWriteTypeAttribute(false);
    EXPECT_EQ(std::wstring::npos, Compact(*orders, noType).find(L"type="));
    // Defaults left out on request: dueDays is 30, the default.
    CXmlSerializationContext elide;
    elide.SetNoOptionalAttributeDefaultOutput(true);
    std::wstring elided = Compact(*orders, elide);
    EXPECT_NE(std::wstring::npos, elided.find(L"<AA:invoice>Invoice to head office</AA:invoice>"));
    EXPECT_NE(std::wstring::npos, elided.find(L"status=\"shipped\""));
    EXPECT_EQ(std::wstring::npos, elided.find(L"status=\"open\""));
}

TEST(PurchaseOrder, WrongEnumerationAndConversion) {
    CSmartPtr<CPurchaseOrders> orders(new CPurchaseOrders);
    EXPECT_EQ(kOrderChain + L"CNyInvalidValueException: Invalid value [lost] for the enumeration OrderStatus",
              Chain([&] { orders->FromXml(Document(L" status='lost'", kMinimalOrder).c_str(), Default()); }));
    EXPECT_EQ(kOrderChain +
                  L"CNyValidationException: Failed to process the element [items]\n"
                  L"CNyValidationException: Failed to process the element [item]\n"
                  L"CNyInvalidValueException: The value [abc] can not be converted to a i4",
              Chain([&] {
                  orders->FromXml(Replaced(L"<po:quantity>1<", L"<po:quantity>abc<").c_str(), Default());
              }));
    EXPECT_EQ(kOrderChain + L"CNyInvalidValueException: Invalid Month [13] (1 <= month <= 12)",
              Chain([&] { orders->FromXml(Document(L" orderDate='2026-13-01'", kMinimalOrder).c_str(), Default()); }));
}

TEST(PurchaseOrder, FacetViolationsFailOnReadingAndWriting) {
    // The generated classes check facets when they read, as the library does
    // when it writes; a value set through the accessors is caught on writing.
    // The chain of a write that fails in the element `first`, in `second` below it
    // when given, and in the attributes when `attribute`.
    auto below = [](const wchar_t* first, const wchar_t* second, bool attribute, const std::wstring& violation) {
        std::wstring chain;
        for (const wchar_t* element : {first, second})
            if (element)
                chain += FormatString(L"CNyValidationException: Failed to convert the element [%s] to XML\n", element);
        if (attribute) chain += L"CNyException: Failed to convert attributes to XML\n";
        return chain + L"CNyException: " + violation;
    };
    struct Case {
        const wchar_t* what;
        const wchar_t* from;
        const wchar_t* to;
        std::function<void(CPurchaseOrder&)> set;
        std::wstring chain;  // below the order, on writing; empty: the value is valid
    } cases[] = {
        {L"zip too short", L"<po:zip>12345</po:zip>", L"<po:zip>1234</po:zip>",
         [](CPurchaseOrder& o) { o.GetShipTo()->SetZip(L"1234"); },
         below(L"shipTo", nullptr, false, L"Invalid Value for zip [1234]")},
        {L"zip with letters", L"<po:zip>12345</po:zip>", L"<po:zip>1234a</po:zip>",
         [](CPurchaseOrder& o) { o.GetShipTo()->SetZip(L"1234a"); },
         below(L"shipTo", nullptr, false, L"Invalid Value for zip [1234a]")},
        {L"empty name", L"<po:name>N</po:name>", L"<po:name></po:name>",
         [](CPurchaseOrder& o) { o.GetShipTo()->SetName(L""); },
         below(L"shipTo", nullptr, false, L"Invalid Value for name []")},
        {L"partNum pattern", L"partNum='123-AB'", L"partNum='123-ab'",
         [](CPurchaseOrder& o) { o.GetItems()->GetItem()->Item(0)->SetPartNum(L"123-ab"); },
         below(L"items", L"item", true, L"Invalid Value for partNum [123-ab]")},
        {L"partNum longer", L"partNum='123-AB'", L"partNum='1234-AB'",
         [](CPurchaseOrder& o) { o.GetItems()->GetItem()->Item(0)->SetPartNum(L"1234-AB"); },
         below(L"items", L"item", true, L"Invalid Value for partNum [1234-AB]")},
        {L"quantity 0", L"<po:quantity>1<", L"<po:quantity>0<",
         [](CPurchaseOrder& o) { o.GetItems()->GetItem()->Item(0)->SetQuantity(0); },
         below(L"items", L"item", false, L"Invalid Value for quantity [0]")},
        {L"quantity 100", L"<po:quantity>1<", L"<po:quantity>100<",
         [](CPurchaseOrder& o) { o.GetItems()->GetItem()->Item(0)->SetQuantity(100); },
         below(L"items", L"item", false, L"Invalid Value for quantity [100]")},
        {L"quantity 99", L"<po:quantity>1<", L"<po:quantity>99<", nullptr, L""},
        {L"quantity 1", L"<po:quantity>1<", L"<po:quantity> 1 <", nullptr, L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Utf8(c.what));
        CSmartPtr<CPurchaseOrders> orders(new CPurchaseOrders);
        if (c.chain.empty()) {
            orders->FromXml(Replaced(c.from, c.to).c_str(), Default());
            ASSERT_EQ(1, orders->GetOrder()->GetCount());
            std::wstring xml = Compact(*orders);
            CSmartPtr<CPurchaseOrders> again(new CPurchaseOrders);
            again->FromXml(xml.c_str(), Default());
            EXPECT_EQ(xml, Compact(*again));
            continue;
        }
        std::wstring read = Chain([&] { orders->FromXml(Replaced(c.from, c.to).c_str(), Default()); });
        const std::wstring violation = c.chain.substr(c.chain.rfind(L"CNyException: "));
        EXPECT_EQ(0u, read.find(L"CNyValidationException: Failed to process the element [purchaseOrders]")) << Utf8(read);
        EXPECT_EQ(read.size() - violation.size(), read.rfind(violation)) << Utf8(read);
        orders->FromXml(Replaced(c.from, c.from).c_str(), Default());
        ASSERT_EQ(1, orders->GetOrder()->GetCount());
        c.set(*orders->GetOrder()->Item(0));
        EXPECT_EQ(std::wstring(L"CNyValidationException: Failed to convert the element [purchaseOrders] to XML\n"
                               L"CNyValidationException: Failed to convert the element [order] to XML\n") +
                      c.chain,
                  Chain([&] { Compact(*orders); }));
    }
}

// ---- a mandatory abstract member, in a small class of its own ----

namespace {

using GroupTest::CTestMetadata;
using GroupTest::CTestObject;

struct ContactHolder {
    ContactHolder()
        : md(new NyXmlLib9Data::CParentElementInfo(NyXmlLib9Data::XmlElementGroupType_Sequence,
                                                   NyXmlLib9Data::XmlElementType_Element, L"Holder",
                                                   kTargetNamespace, -1, true, false),
             {new NyXmlLib9Data::CElementInfoSeqAbsClsMnd(L"contact", kTargetNamespace, 0,
                                                           NyXmlLib9Data::XmlElementType_Element,
                                                           &CPartyFactory::Create)},
             {}),
          object(new CTestObject(&md, L"holder", kTargetNamespace, kTargetNamespace)) {}
    CTestMetadata md;
    CSmartPtr<CTestObject> object;
};

}  // namespace

TEST(PurchaseOrder, FirstUseOnSeveralThreadsBuildsTheMetadataOnce) {
    std::wstring expected = Compact(*ReadSample());
    ExamplePO::CleanMetaData();
    std::vector<std::wstring> results(4);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < results.size(); ++i)
        threads.emplace_back([&results, i] {
            try {
                results[i] = Compact(*ReadSample());
            } catch (const CNyException& e) {
                results[i] = e.GetFullMessage();
            }
        });
    for (std::thread& t : threads) t.join();
    for (const std::wstring& r : results) EXPECT_EQ(expected, r);
}

// Fast Infoset through bytes and files, plain, compressed, with the suggested
// encodings and with a vocabulary filled by hand.
TEST(FastInfosetPurchaseOrder, WrittenAndReadBackEqual) {
    CSmartPtr<CPurchaseOrders> orders = ReadSample();
    CXmlSerializationContext suggested;
    suggested.GetFIContext().SetSuggestedValues();
    // The date-time alphabet has no '+': an offset cannot be written with it.
    EXPECT_NY_THROW(orders->ToFastInfosetStream(FInfoDecl_None, suggested, Compression_None), CNyValidationException,
                    L"Failed to convert the element [purchaseOrders] to XML");
    std::wstring text = Compact(*orders);
    for (size_t at; (at = text.find(L"+01:00")) != std::wstring::npos;) text.replace(at, 6, L"Z");
    orders->FromXml(text.c_str(), Default());
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

// Documents written with the generated vocabulary name no element by literal
// text, are smaller, and read back equal.
TEST(PurchaseOrderVocabulary, DocumentsCarryNoLiteralNames) {
    CSmartPtr<CPurchaseOrders> orders = ReadSample();
    const std::wstring expected = Compact(*orders);

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
    EXPECT_EQ(Utf8(expected), Utf8(Compact(*back)));
    // Without the vocabulary the indexes name nothing.
    CSmartPtr<CPurchaseOrders> lost(new CPurchaseOrders);
    EXPECT_NY_THROW(lost->FromXmlStream(with, plain), CNyException,
                    L"Failed to parse FastInfoset. Index [2] refers to no entry of its table.");
}
