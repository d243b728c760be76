// The purchase-order classes end to end: the sample document read, checked,
// written and read again; broken documents and values that break facets.
#include "po.h"

#include "TestClasses.h"
#include "TestSupport.h"

#include <functional>
#include <thread>
#include <vector>

using namespace NyXmlLib9;
using namespace ExamplePO;
using testclasses::Chain;
using nyxml_test::Utf8;

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

std::wstring Compact(const CXmlObjectBase& object, const CXmlSerializationContext& ctx = Default()) {
    return object.ToXml(false, false, EOL_LF, ctx);
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

TEST(PurchaseOrder, ReadsTheSample) {
    CSmartPtr<CPurchaseOrders> orders = ReadSample();
    EXPECT_EQ(L"purchaseOrders", orders->GetElementName());
    ASSERT_EQ(2, orders->GetOrder()->GetCount());

    CSmartPtr<CPurchaseOrder> first = orders->GetOrder()->Item(0);
    EXPECT_EQ(L"order", first->GetElementName());
    ASSERT_TRUE(first->HasOrderDate());
    EXPECT_EQ(L"2026-11-30", first->GetOrderDate().ToString());
    EXPECT_EQ(OrderStatus_open, first->GetStatus());
    ASSERT_EQ(1, first->GetAnyAttributes()->GetCount());
    EXPECT_EQ(L"channel", first->GetAnyAttributes()->Item(0)->GetName());
    EXPECT_EQ(L"web", first->GetAnyAttributes()->Item(0)->GetValue());
    EXPECT_EQ(L"urn:example:extension", first->GetAnyAttributes()->Item(0)->GetNamespaceURI());
    EXPECT_EQ(L"Alice Example", first->GetShipTo()->GetName());
    EXPECT_EQ(L"Hauptstra\u00dfe 12", first->GetShipTo()->GetStreet());
    EXPECT_EQ(L"Berlin", first->GetShipTo()->GetCity());
    EXPECT_EQ(L"10115", first->GetShipTo()->GetZip());
    EXPECT_EQ(L"DE", first->GetShipTo()->GetCountry());
    ASSERT_TRUE(first->GetBillTo());
    EXPECT_EQ(L"Example GmbH", first->GetBillTo()->GetName());
    EXPECT_EQ(L"10117", first->GetBillTo()->GetZip());
    EXPECT_EQ(L"billTo", first->GetBillTo()->GetElementName());
    ASSERT_TRUE(first->GetComment());
    EXPECT_EQ(L"Please deliver before noon.", first->GetComment()->GetText());
    EXPECT_EQ(L"en", first->GetComment()->GetLang());
    EXPECT_EQ(L"web-shop", first->GetAuditInfo()->GetCreatedBy());
    EXPECT_EQ(L"2026-11-30T09:15:00+01:00", first->GetAuditInfo()->GetCreatedAt().ToString());

    CSmartPtr<CItemCol> items = first->GetItems()->GetItem();
    ASSERT_EQ(2, items->GetCount());
    EXPECT_EQ(L"872-AA", items->Item(0)->GetPartNum());
    EXPECT_EQ(L"Lawnmower", items->Item(0)->GetProductName());
    EXPECT_EQ(1, items->Item(0)->GetQuantity());
    EXPECT_EQ(L"148.95", items->Item(0)->GetPrice().ToString());
    ASSERT_TRUE(items->Item(0)->GetComment());
    EXPECT_EQ(L"Bitte best\u00e4tigen", items->Item(0)->GetComment()->GetText());
    EXPECT_FALSE(items->Item(0)->HasShipDate());
    EXPECT_EQ(L"926-AA", items->Item(1)->GetPartNum());
    EXPECT_EQ(2, items->Item(1)->GetQuantity());
    EXPECT_EQ(L"39.98", items->Item(1)->GetPrice().ToString());
    EXPECT_FALSE(items->Item(1)->GetComment());
    ASSERT_TRUE(items->Item(1)->HasShipDate());
    EXPECT_EQ(L"2026-12-02", items->Item(1)->GetShipDate().ToString());

    EXPECT_EQ(L"card", first->GetPayment()->GetSelectedElement());
    ASSERT_TRUE(first->GetPayment()->GetCard());
    EXPECT_FALSE(first->GetPayment()->GetInvoice());
    EXPECT_EQ(L"4111111111111111", first->GetPayment()->GetCard()->GetNumber());
    EXPECT_EQ(L"2028-09", first->GetPayment()->GetCard()->GetExpiry().ToString());
    ASSERT_TRUE(first->GetDelivery());
    EXPECT_TRUE(first->GetDelivery()->HasSignature());
    EXPECT_TRUE(first->GetDelivery()->GetSignature());
    EXPECT_EQ(L"09:00:00", first->GetDelivery()->GetWindow().ToString());
    EXPECT_EQ(L"Leave with the neighbour", first->GetDelivery()->GetInstructions());
    CPerson* person = dynamic_cast<CPerson*>(first->GetContact().Get());
    ASSERT_NE(nullptr, person);
    EXPECT_EQ(L"contact", person->GetElementName());
    EXPECT_EQ(L"Alice Example", person->GetName());
    EXPECT_EQ(L"+49 30 1234567", person->GetPhone());
    ASSERT_TRUE(first->GetGiftNote());
    EXPECT_TRUE(first->GetGiftNote()->IsNil());
    ASSERT_TRUE(first->GetAny());
    EXPECT_EQ(L"tracking", first->GetAny()->GetName());
    EXPECT_EQ(L"urn:example:extension", first->GetAny()->GetNamespaceURI());
    EXPECT_EQ(L"JJD000390007827", first->GetAny()->GetText());
    ASSERT_EQ(1, first->GetAny()->GetAttributes()->GetCount());
    EXPECT_EQ(L"DHL", first->GetAny()->GetAttributes()->Item(0)->GetValue());

    CSmartPtr<CPurchaseOrder> second = orders->GetOrder()->Item(1);
    EXPECT_EQ(OrderStatus_shipped, second->GetStatus());
    EXPECT_EQ(0, second->GetAnyAttributes()->GetCount());
    EXPECT_EQ(L"US", second->GetShipTo()->GetCountry());
    EXPECT_FALSE(second->GetBillTo());
    EXPECT_FALSE(second->GetComment());
    EXPECT_EQ(L"phone", second->GetAuditInfo()->GetCreatedBy());
    ASSERT_EQ(1, second->GetItems()->GetItem()->GetCount());
    EXPECT_EQ(L"89", second->GetItems()->GetItem()->Item(0)->GetPrice().ToString());
    EXPECT_EQ(L"invoice", second->GetPayment()->GetSelectedElement());
    ASSERT_TRUE(second->GetPayment()->GetInvoice());
    EXPECT_EQ(30, second->GetPayment()->GetInvoice()->GetDueDays());
    EXPECT_EQ(L"Invoice to head office", second->GetPayment()->GetInvoice()->GetText());
    ASSERT_TRUE(second->GetDelivery());
    EXPECT_FALSE(second->GetDelivery()->HasSignature());
    EXPECT_FALSE(second->GetDelivery()->HasWindow());
    EXPECT_EQ(L"Ring twice", second->GetDelivery()->GetInstructions());
    CCompany* company = dynamic_cast<CCompany*>(second->GetContact().Get());
    ASSERT_NE(nullptr, company);
    EXPECT_EQ(L"Smith & Sons Ltd.", company->GetName());
    EXPECT_EQ(L"US-998877", company->GetVatId());
    ASSERT_TRUE(second->GetGiftNote());
    EXPECT_FALSE(second->GetGiftNote()->IsNil());
    EXPECT_EQ(L"Happy birthday, Bob!", second->GetGiftNote()->GetText());
    EXPECT_FALSE(second->GetAny());
}

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

TEST(PurchaseOrder, ChangedValuesAreWritten) {
    CSmartPtr<CPurchaseOrders> orders = ReadSample();
    CSmartPtr<CPurchaseOrder> first = orders->GetOrder()->Item(0);
    first->SetStatus(OrderStatus_cancelled);
    CSmartPtr<CItem> item = first->GetItems()->GetItem()->Add();
    item->SetPartNum(L"123-XY");
    item->SetProductName(L"Garden hose");
    item->SetQuantity(3);
    item->SetPrice(CDecimal(L"12.50"));
    first->GetGiftNote()->SetNil(false);
    first->GetGiftNote()->SetText(L"Enjoy");
    first->SetAny(nullptr);
    first->GetAnyAttributes()->Clear();
    std::wstring xml = Compact(*orders);
    CSmartPtr<CPurchaseOrders> again(new CPurchaseOrders);
    again->FromXml(xml.c_str(), Default());
    CSmartPtr<CPurchaseOrder> back = again->GetOrder()->Item(0);
    EXPECT_EQ(OrderStatus_cancelled, back->GetStatus());
    ASSERT_EQ(3, back->GetItems()->GetItem()->GetCount());
    CSmartPtr<CItem> hose = back->GetItems()->GetItem()->Item(2);
    EXPECT_EQ(L"123-XY", hose->GetPartNum());
    EXPECT_EQ(L"Garden hose", hose->GetProductName());
    EXPECT_EQ(3, hose->GetQuantity());
    EXPECT_EQ(L"12.5", hose->GetPrice().ToString());
    EXPECT_FALSE(back->GetGiftNote()->IsNil());
    EXPECT_EQ(L"Enjoy", back->GetGiftNote()->GetText());
    EXPECT_FALSE(back->GetAny());
    EXPECT_EQ(0, back->GetAnyAttributes()->GetCount());
}

TEST(PurchaseOrder, MissingMandatoryElements) {
    struct Case {
        const wchar_t* what;
        const wchar_t* from;
        const wchar_t* to;
        const wchar_t* chain;
    } cases[] = {
        {L"zip", L"<po:zip>12345</po:zip>", L"",
         L"CNyValidationException: Failed to process the element [shipTo]\n"
         L"CNyValidationException: Failed to find a required element [zip]"},
        {L"shipTo", L"<po:shipTo><po:name>N</po:name><po:street>S</po:street><po:city>C</po:city>"
                    L"<po:zip>12345</po:zip></po:shipTo>",
         L"", L"CNyValidationException: Failed to find a required element [shipTo]"},
        {L"items", L"<po:items><po:item partNum='123-AB'><po:productName>P</po:productName>"
                   L"<po:quantity>1</po:quantity><po:price>1.5</po:price></po:item></po:items>",
         L"", L"CNyValidationException: Failed to find a required element [items]"},
        {L"createdAt", L"<po:createdAt>2026-01-02T03:04:05Z</po:createdAt>", L"",
         L"CNyValidationException: Failed to find a required element [AuditInfo]"},
        {L"item", L"<po:item partNum='123-AB'><po:productName>P</po:productName><po:quantity>1</po:quantity>"
                  L"<po:price>1.5</po:price></po:item>",
         L"",
         L"CNyValidationException: Failed to process the element [items]\n"
         L"CNyValidationException: The Minimum number of [item] elements allowed in this collection is 1"},
        {L"partNum", L" partNum='123-AB'", L"",
         L"CNyValidationException: Failed to process the element [items]\n"
         L"CNyValidationException: Failed to process the element [item]\n"
         L"CNyValidationException: Failed to find the required Attribute [partNum]"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Utf8(c.what));
        std::wstring xml = Replaced(c.from, c.to);
        CSmartPtr<CPurchaseOrders> orders(new CPurchaseOrders);
        std::wstring chain = Chain([&] { orders->FromXml(xml.c_str(), Default()); });
        if (c.chain) {
            EXPECT_EQ(kOrderChain + c.chain, chain);
        } else {
            EXPECT_EQ(0u, chain.find(kOrderChain)) << Utf8(chain);
        }
        // The failing order was not added.
        EXPECT_EQ(0, orders->GetOrder()->GetCount());
    }
}

TEST(PurchaseOrder, MissingMandatoryElementsUnderIgnoreOptions) {
    CXmlSerializationContext lenient;
    lenient.SetIgnoreMissingMandatoryElements(true);
    CSmartPtr<CPurchaseOrders> orders(new CPurchaseOrders);
    orders->FromXml(Replaced(L"<po:zip>12345</po:zip>", L"").c_str(), lenient);
    ASSERT_EQ(1, orders->GetOrder()->GetCount());
    EXPECT_EQ(L"", orders->GetOrder()->Item(0)->GetShipTo()->GetZip());
    EXPECT_EQ(L"C", orders->GetOrder()->Item(0)->GetShipTo()->GetCity());
}

TEST(PurchaseOrder, LeftoverElements) {
    std::wstring xml = Replaced(L"<po:zip>12345</po:zip>", L"<po:zip>12345</po:zip><po:extra/>");
    CSmartPtr<CPurchaseOrders> orders(new CPurchaseOrders);
    EXPECT_EQ(kOrderChain +
                  L"CNyValidationException: Failed to process the element [shipTo]\n"
                  L"CNyValidationException: Failed read all the elements held within the element [shipTo]. The "
                  L"unexpected element [extra] remains un processed",
              Chain([&] { orders->FromXml(xml.c_str(), Default()); }));
    CXmlSerializationContext skip;
    skip.SetIgnoreUnknownElements(true);
    orders->FromXml(xml.c_str(), skip);
    ASSERT_EQ(1, orders->GetOrder()->GetCount());
    EXPECT_EQ(L"12345", orders->GetOrder()->Item(0)->GetShipTo()->GetZip());
    // An unknown element between two members is skipped under the same option.
    std::wstring between = Replaced(L"<po:city>", L"<po:unknown>u</po:unknown><po:city>");
    EXPECT_EQ(kOrderChain +
                  L"CNyValidationException: Failed to process the element [shipTo]\n"
                  L"CNyValidationException: Failed to find a required element [city]",
              Chain([&] { orders->FromXml(between.c_str(), Default()); }));
    orders->FromXml(between.c_str(), skip);
    EXPECT_EQ(L"C", orders->GetOrder()->Item(0)->GetShipTo()->GetCity());
    // A second document element child after the orders.
    std::wstring trailing = Document(L"", kMinimalOrder);
    trailing.insert(trailing.size() - std::wstring(L"</po:purchaseOrders>").size(), L"<po:trailer/>");
    EXPECT_EQ(L"CNyValidationException: Failed to process the element [purchaseOrders]\n"
              L"CNyValidationException: Failed read all the elements held within the element [purchaseOrders]. The "
              L"unexpected element [trailer] remains un processed",
              Chain([&] { orders->FromXml(trailing.c_str(), Default()); }));
    EXPECT_EQ(1, orders->GetOrder()->GetCount());  // the order before it was read
}

TEST(PurchaseOrder, WrongNil) {
    struct Case {
        const wchar_t* what;
        std::wstring xml;
        const wchar_t* chain;
    } cases[] = {
        {L"nil yes", Document(L"", std::wstring(kMinimalOrder) + L"<po:giftNote xsi:nil='yes'/>"),
         L"CNyValidationException: Failed to process the element [giftNote]\n"
         L"CNyValidationException: Unexpected Value for Attribute [nil] found."},
        {L"nil on an address", Replaced(L"<po:shipTo>", L"<po:shipTo xsi:nil='true'>"),
         L"CNyValidationException: Failed to process the element [shipTo]\n"
         L"CNyValidationException: Unexpected Attribute [nil] found."},
        {L"nil on the order", Document(L" xsi:nil='false'", kMinimalOrder),
         L"CNyValidationException: Unexpected Attribute [nil] found."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Utf8(c.what));
        CSmartPtr<CPurchaseOrders> orders(new CPurchaseOrders);
        EXPECT_EQ(kOrderChain + c.chain, Chain([&] { orders->FromXml(c.xml.c_str(), Default()); }));
    }
    // TRUE is nil: the gift note's text is not read.
    CSmartPtr<CPurchaseOrders> orders(new CPurchaseOrders);
    orders->FromXml(Document(L"", std::wstring(kMinimalOrder) + L"<po:giftNote xsi:nil='TRUE'>ignored</po:giftNote>")
                        .c_str(),
                    Default());
    CSmartPtr<CGiftNote> note = orders->GetOrder()->Item(0)->GetGiftNote();
    ASSERT_TRUE(note);
    EXPECT_TRUE(note->IsNil());
    EXPECT_EQ(L"", note->GetText());
}

TEST(PurchaseOrder, UnknownAttributes) {
    std::wstring onAddress = Replaced(L"<po:shipTo>", L"<po:shipTo foo='1'>");
    CSmartPtr<CPurchaseOrders> orders(new CPurchaseOrders);
    EXPECT_EQ(kOrderChain +
                  L"CNyValidationException: Failed to process the element [shipTo]\n"
                  L"CNyValidationException: Unexpected Attribute [foo] found.",
              Chain([&] { orders->FromXml(onAddress.c_str(), Default()); }));
    CXmlSerializationContext lenient;
    lenient.SetIgnoreUnknownAttributes(true);
    orders->FromXml(onAddress.c_str(), lenient);
    EXPECT_EQ(1, orders->GetOrder()->GetCount());
    // On the order, attributes of other namespaces go to its wildcard; one of
    // the order's own namespace is refused there.
    orders->FromXml(Document(L" ext:a='1' foo='2'", kMinimalOrder).c_str(), Default());
    CSmartPtr<CAttributeCol> any = orders->GetOrder()->Item(0)->GetAnyAttributes();
    ASSERT_EQ(2, any->GetCount());
    EXPECT_EQ(L"a", any->Item(0)->GetName());
    EXPECT_EQ(L"foo", any->Item(1)->GetName());
    EXPECT_EQ(L"", any->Item(1)->GetNamespaceURI());
    EXPECT_EQ(kOrderChain + L"CNyInvalidNamespaceException: Invalid namespace [urn:example:po]. The namespace must be "
                            L"one of [##other] where the target namespace is [urn:example:po]",
              Chain([&] { orders->FromXml(Document(L" po:bad='1'", kMinimalOrder).c_str(), Default()); }));
    // Even when unknown attributes are ignored: the wildcard takes it first.
    EXPECT_THROW(orders->FromXml(Document(L" po:bad='1'", kMinimalOrder).c_str(), lenient),
                 CNyValidationException);
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
    struct Case {
        const wchar_t* what;
        const wchar_t* from;
        const wchar_t* to;
        std::function<void(CPurchaseOrder&)> set;
        const wchar_t* chain;  // below the order, on writing
    } cases[] = {
        {L"zip too short", L"<po:zip>12345</po:zip>", L"<po:zip>1234</po:zip>",
         [](CPurchaseOrder& o) { o.GetShipTo()->SetZip(L"1234"); },
         L"CNyValidationException: Failed to convert the element [shipTo] to XML\n"
         L"CNyException: Invalid Value for zip [1234]"},
        {L"zip with letters", L"<po:zip>12345</po:zip>", L"<po:zip>1234a</po:zip>",
         [](CPurchaseOrder& o) { o.GetShipTo()->SetZip(L"1234a"); },
         L"CNyValidationException: Failed to convert the element [shipTo] to XML\n"
         L"CNyException: Invalid Value for zip [1234a]"},
        {L"empty name", L"<po:name>N</po:name>", L"<po:name></po:name>",
         [](CPurchaseOrder& o) { o.GetShipTo()->SetName(L""); },
         L"CNyValidationException: Failed to convert the element [shipTo] to XML\n"
         L"CNyException: Invalid Value for name []"},
        {L"partNum pattern", L"partNum='123-AB'", L"partNum='123-ab'",
         [](CPurchaseOrder& o) { o.GetItems()->GetItem()->Item(0)->SetPartNum(L"123-ab"); },
         L"CNyValidationException: Failed to convert the element [items] to XML\n"
         L"CNyValidationException: Failed to convert the element [item] to XML\n"
         L"CNyException: Failed to convert attributes to XML\n"
         L"CNyException: Invalid Value for partNum [123-ab]"},
        {L"partNum longer", L"partNum='123-AB'", L"partNum='1234-AB'",
         [](CPurchaseOrder& o) { o.GetItems()->GetItem()->Item(0)->SetPartNum(L"1234-AB"); },
         L"CNyValidationException: Failed to convert the element [items] to XML\n"
         L"CNyValidationException: Failed to convert the element [item] to XML\n"
         L"CNyException: Failed to convert attributes to XML\n"
         L"CNyException: Invalid Value for partNum [1234-AB]"},
        {L"quantity 0", L"<po:quantity>1<", L"<po:quantity>0<",
         [](CPurchaseOrder& o) { o.GetItems()->GetItem()->Item(0)->SetQuantity(0); },
         L"CNyValidationException: Failed to convert the element [items] to XML\n"
         L"CNyValidationException: Failed to convert the element [item] to XML\n"
         L"CNyException: Invalid Value for quantity [0]"},
        {L"quantity 100", L"<po:quantity>1<", L"<po:quantity>100<",
         [](CPurchaseOrder& o) { o.GetItems()->GetItem()->Item(0)->SetQuantity(100); },
         L"CNyValidationException: Failed to convert the element [items] to XML\n"
         L"CNyValidationException: Failed to convert the element [item] to XML\n"
         L"CNyException: Invalid Value for quantity [100]"},
        {L"quantity 99", L"<po:quantity>1<", L"<po:quantity>99<", nullptr, nullptr},
        {L"quantity 1", L"<po:quantity>1<", L"<po:quantity> 1 <", nullptr, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Utf8(c.what));
        CSmartPtr<CPurchaseOrders> orders(new CPurchaseOrders);
        if (!c.chain) {
            orders->FromXml(Replaced(c.from, c.to).c_str(), Default());
            ASSERT_EQ(1, orders->GetOrder()->GetCount());
            std::wstring xml = Compact(*orders);
            CSmartPtr<CPurchaseOrders> again(new CPurchaseOrders);
            again->FromXml(xml.c_str(), Default());
            EXPECT_EQ(xml, Compact(*again));
            continue;
        }
        std::wstring read = Chain([&] { orders->FromXml(Replaced(c.from, c.to).c_str(), Default()); });
        std::wstring violation = c.chain;
        violation = violation.substr(violation.rfind(L"CNyException: "));
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

TEST(PurchaseOrder, ValuesBeforeAFailureStay) {
    // The second order fails in its items: the first order is kept, and the
    // second is not added; inside an order, what came before stays read.
    std::wstring good = kMinimalOrder;
    std::wstring bad = Replaced(L"<po:price>1.5</po:price>", L"<po:price>1.5.5</po:price>");
    size_t open = bad.find(L"<po:order>");
    ASSERT_NE(std::wstring::npos, open);
    std::wstring both = bad;
    both.insert(open, L"<po:order>" + good + L"</po:order>");
    CSmartPtr<CPurchaseOrders> orders(new CPurchaseOrders);
    EXPECT_THROW(orders->FromXml(both.c_str(), Default()), CNyValidationException);
    EXPECT_EQ(1, orders->GetOrder()->GetCount());

    // An order read directly keeps its address and audit when its items fail.
    CXmlDocument document;
    document.LoadXml(bad.c_str());
    CXmlElement* orderElement = document.GetDocumentElement()->GetFirstElement();
    CSmartPtr<CPurchaseOrder> order(new CPurchaseOrder);
    EXPECT_THROW(order->FromXmlElement(orderElement, Default()), CNyValidationException);
    EXPECT_EQ(L"N", order->GetShipTo()->GetName());
    EXPECT_EQ(L"12345", order->GetShipTo()->GetZip());
    EXPECT_EQ(L"me", order->GetAuditInfo()->GetCreatedBy());
    EXPECT_EQ(0, order->GetItems()->GetItem()->GetCount());
    EXPECT_EQ(L"", order->GetPayment()->GetSelectedElement());
}

TEST(PurchaseOrder, PaymentChoiceAndContactSubstitution) {
    CSmartPtr<CPurchaseOrders> orders(new CPurchaseOrders);
    // No payment at all: the choice without element reports no match, the
    // mandatory member that must consume fails.
    std::wstring noPayment = Replaced(L"<po:invoice>x</po:invoice>", L"");
    EXPECT_EQ(kOrderChain + L"CNyValidationException: Failed to find a required element [Payment]",
              Chain([&] { orders->FromXml(noPayment.c_str(), Default()); }));
    // An unknown xsi:type: the optional contact is not read, and its element is
    // left for the members after it.
    std::wstring robot = Document(L"", std::wstring(kMinimalOrder) +
                                           L"<po:contact xsi:type='po:Robot'><po:name>R2</po:name></po:contact>");
    EXPECT_EQ(kOrderChain + L"CNyValidationException: Failed read all the elements held within the element [order]. "
                            L"The unexpected element [contact] remains un processed",
              Chain([&] { orders->FromXml(robot.c_str(), Default()); }));
    // A known one in another spelling of the namespace prefix.
    std::wstring person = Document(L"", std::wstring(kMinimalOrder) +
                                            L"<po:contact xmlns:q='urn:example:po' xsi:type='q:Person'>"
                                            L"<po:name>Q</po:name></po:contact>");
    orders->FromXml(person.c_str(), Default());
    ASSERT_EQ(1, orders->GetOrder()->GetCount());
    EXPECT_NE(nullptr, dynamic_cast<CPerson*>(orders->GetOrder()->Item(0)->GetContact().Get()));
}

// ---- a mandatory abstract member, in a small class of its own ----

namespace {

using testclasses::CTestMetadata;
using testclasses::CTestObject;

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

std::wstring HolderDocument(const std::wstring& contact) {
    return L"<po:holder xmlns:po='urn:example:po' xmlns:xsi='http://www.w3.org/2001/XMLSchema-instance'>" + contact +
           L"</po:holder>";
}

}  // namespace

TEST(PurchaseOrder, MandatoryAbstractMemberWithoutSubstitution) {
    ContactHolder h;
    const std::wstring kNoSubstitution =
        L"CNyValidationException: Failed to process the element [holder]\n"
        L"CNyValidationException: Failed to find a suitable substitution element for [contact]";
    struct Case {
        const wchar_t* what;
        const wchar_t* contact;
    } cases[] = {
        {L"unknown type", L"<po:contact xsi:type='po:Robot'><po:name>R</po:name></po:contact>"},
        {L"no type", L"<po:contact><po:name>R</po:name></po:contact>"},
        {L"type in another namespace", L"<po:contact xmlns:o='urn:other' xsi:type='o:Person'/>"},
        {L"other element", L"<po:other xsi:type='po:Person'><po:name>R</po:name></po:other>"},
        {L"no element", L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Utf8(c.what));
        EXPECT_EQ(kNoSubstitution, Chain([&] { h.object->FromXml(HolderDocument(c.contact).c_str(), Default()); }));
        EXPECT_FALSE(h.object->Has(0));
    }
    // The ignore options do not apply to it.
    CXmlSerializationContext skip;
    skip.SetIgnoreUnknownElements(true);
    EXPECT_EQ(kNoSubstitution,
              Chain([&] { h.object->FromXml(HolderDocument(L"<po:contact/>").c_str(), skip); }));
    CXmlSerializationContext missing;
    missing.SetIgnoreMissingMandatoryElements(true);
    EXPECT_EQ(kNoSubstitution, Chain([&] { h.object->FromXml(HolderDocument(L"").c_str(), missing); }));
}

TEST(PurchaseOrder, MandatoryAbstractMemberWithSubstitution) {
    ContactHolder h;
    h.object->FromXml(
        HolderDocument(L"<po:contact xsi:type='po:Company'><po:name>C</po:name><po:vatId>V</po:vatId></po:contact>")
            .c_str(),
        Default());
    CCompany* company = h.object->GetObject<CCompany>(0);
    ASSERT_NE(nullptr, company);
    EXPECT_EQ(L"C", company->GetName());
    EXPECT_EQ(L"V", company->GetVatId());
    EXPECT_EQ(L"contact", company->GetElementName());
    EXPECT_EQ(1, company->GetRefCount());  // held once, by the holder's property
    // Writes back with its xsi:type and reads again.
    std::wstring xml = Compact(*h.object);
    EXPECT_EQ(L"<AA:holder xmlns:AA=\"urn:example:po\"><AA:contact "
              L"xmlns:AB=\"http://www.w3.org/2001/XMLSchema-instance\" AB:type=\"AA:Company\"><AA:name>C</AA:name>"
              L"<AA:vatId>V</AA:vatId></AA:contact></AA:holder>",
              xml);
    ContactHolder again;
    again.object->FromXml(xml.c_str(), Default());
    EXPECT_EQ(xml, Compact(*again.object));
    // A failure inside the substituted class is wrapped by both classes.
    EXPECT_EQ(L"CNyValidationException: Failed to process the element [holder]\n"
              L"CNyValidationException: Failed to process the element [contact]\n"
              L"CNyValidationException: Failed to find a required element [vatId]",
              Chain([&] {
                  h.object->FromXml(
                      HolderDocument(L"<po:contact xsi:type='po:Company'><po:name>C</po:name></po:contact>").c_str(),
                      Default());
              }));
}

TEST(PurchaseOrder, MetadataIsBuiltAgainAfterCleaning) {
    CSmartPtr<CPurchaseOrders> orders = ReadSample();
    std::wstring before = Compact(*orders);
    ExamplePO::CleanMetaData();
    EXPECT_EQ(before, Compact(*orders));
    ExamplePO::CleanMetaData();
    CSmartPtr<CPurchaseOrders> again = ReadSample();
    EXPECT_EQ(before, Compact(*again));
}

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
