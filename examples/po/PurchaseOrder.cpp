// Metadata and property accessors of the purchase-order classes.
#include "PurchaseOrder.h"

namespace ExamplePO {

using namespace NyXmlLib9;
using namespace NyXmlLib9Data;

const wchar_t kTargetNamespace[] = L"urn:example:po";

namespace {

const CWhitespaceUtils::WhitespaceRule kPreserve = CWhitespaceUtils::WhitespaceRule_Preserve;
const CWhitespaceUtils::WhitespaceRule kCollapse = CWhitespaceUtils::WhitespaceRule_Collapse;

// Facets of the schema's simple types.
const CPrimitiveRestrictions& NoFacets() {
    static const CPrimitiveRestrictions none;
    return none;
}
const CPrimitiveRestrictions& ZipFacets() {
    static const CPrimitiveRestrictions facets(L"\\d{5}", -1, -1, nullptr, nullptr, nullptr, nullptr, -1);
    return facets;
}
const CPrimitiveRestrictions& SkuFacets() {
    static const CPrimitiveRestrictions facets(L"\\d{3}-[A-Z]{2}", -1, -1, nullptr, nullptr, nullptr, nullptr, -1);
    return facets;
}
const CPrimitiveRestrictions& QuantityFacets() {
    static const CPrimitiveRestrictions facets(nullptr, -1, -1, L"1", nullptr, nullptr, L"100", -1);
    return facets;
}
const CPrimitiveRestrictions& CardNumberFacets() {
    static const CPrimitiveRestrictions facets(L"\\d{16}", -1, -1, nullptr, nullptr, nullptr, nullptr, -1);
    return facets;
}
const CPrimitiveRestrictions& NameFacets() {
    static const CPrimitiveRestrictions facets(nullptr, 1, 100, nullptr, nullptr, nullptr, nullptr, -1);
    return facets;
}

// A typed object held in a property, from the variant the library passes.
template <class T>
T* ObjectOf(const NyVariant& value) {
    return dynamic_cast<T*>(value.PeekXmlObject());
}

// Reads or writes an optional primitive property kept as value + flag.
template <class T, class Set, class Get>
void AccessOptional(bool read, NyVariant& value, T& field, bool& has, Set set, Get get) {
    if (read) {
        if (has)
            (value.*set)(field);
        else
            value.Clear();
    } else {
        has = value.IsValid();
        if (has) field = (value.*get)();
    }
}

void AccessString(bool read, NyVariant& value, std::wstring& field, bool& has) {
    if (read) {
        if (has)
            value.SetString(field);
        else
            value.Clear();
    } else {
        has = value.IsValid();
        if (has) value.TakeString(field);  // no copy of the text read
    }
}

void AccessObject(bool read, NyVariant& value, CXmlObjectBase* held) {
    if (read) value.SetXmlObject(held);
}

}  // namespace

// Defines the static metadata of a class and its three getters; the class
// supplies BuildMetaData.
#define PO_METADATA_STORAGE(Class)                                                \
    std::atomic<bool> Class::ms_built(false);                                     \
    CParentElementInfo* Class::ms_parentInfo = nullptr;                           \
    CElementInfo** Class::ms_elementInfo = nullptr;                               \
    CAttributeInfo** Class::ms_attributeInfo = nullptr;                           \
    CParentElementInfo* Class::GetClassInfo() {                                   \
        BuildMetaData();                                                          \
        return ms_parentInfo;                                                     \
    }                                                                             \
    CElementInfo** Class::GetClassElementInfo() {                                 \
        BuildMetaData();                                                          \
        return ms_elementInfo;                                                    \
    }                                                                             \
    CAttributeInfo** Class::GetClassAttributeInfo() {                             \
        BuildMetaData();                                                          \
        return ms_attributeInfo;                                                  \
    }                                                                             \
    void Class::CleanMetaData() {                                                 \
        CNYLock lock(m_csInit);                                                   \
        CXmlGeneratedClass::CleanMetaData(ms_parentInfo, ms_elementInfo, ms_attributeInfo); \
        ms_built = false;                                                         \
    }

// Opens and closes the body of BuildMetaData: built once, under m_csInit.
#define PO_BUILD_BEGIN(Class)                                                     \
    void Class::BuildMetaData() {                                                 \
        if (ms_built.load(std::memory_order_acquire)) return;                    \
        CNYLock lock(m_csInit);                                                   \
        if (ms_built.load(std::memory_order_relaxed)) return;
#define PO_BUILD_END()                                                            \
    ms_built.store(true, std::memory_order_release);                             \
    }

// ---- enumerations ----

const wchar_t* OrderStatusToString(int value) {
    switch (value) {
        case OrderStatus_open: return L"open";
        case OrderStatus_shipped: return L"shipped";
        case OrderStatus_cancelled: return L"cancelled";
    }
    throw CNyInvalidValueException(FormatString(L"Invalid value [%d] for the enumeration OrderStatus", value));
}

int OrderStatusFromString(const wchar_t* text) {
    std::wstring t = CWhitespaceUtils::Collapse(text ? text : L"");
    if (t == L"open") return OrderStatus_open;
    if (t == L"shipped") return OrderStatus_shipped;
    if (t == L"cancelled") return OrderStatus_cancelled;
    throw CNyInvalidValueException(FormatString(L"Invalid value [%s] for the enumeration OrderStatus", t.c_str()));
}

// ---- creation ----

CSmartPtr<CXmlObjectBase> CreateObject(int classId, const wchar_t* elementName) {
    CSmartPtr<CXmlObjectBase> object;
    switch (classId) {
        case ClassId_Address: object = new CAddress; break;
        case ClassId_Comment: object = new CComment; break;
        case ClassId_AuditInfo: object = new CAuditInfo; break;
        case ClassId_Item: object = new CItem; break;
        case ClassId_Items: object = new CItems; break;
        case ClassId_Card: object = new CCard; break;
        case ClassId_Invoice: object = new CInvoice; break;
        case ClassId_Payment: object = new CPayment; break;
        case ClassId_Delivery: object = new CDelivery; break;
        case ClassId_GiftNote: object = new CGiftNote; break;
        case ClassId_PurchaseOrder: object = new CPurchaseOrder; break;
        case ClassId_PurchaseOrders: object = new CPurchaseOrders; break;
        default: return object;
    }
    CXmlGeneratedClass* generated = static_cast<CXmlGeneratedClass*>(object.Get());
    struct Namer : CXmlObjectBase {
        using CXmlObjectBase::SetElementName;
    };
    Namer::SetElementName(generated, elementName);
    return object;
}

CSmartPtr<CXmlObjectBase> CPartyFactory::Create(CXmlElement* element) {
    if (GetElementTypeNamespaceUri(element) != kTargetNamespace) return CSmartPtr<CXmlObjectBase>();
    std::wstring type = GetElementType(element);
    if (type == L"Person") return CSmartPtr<CXmlObjectBase>(new CPerson);
    if (type == L"Company") return CSmartPtr<CXmlObjectBase>(new CCompany);
    return CSmartPtr<CXmlObjectBase>();  // Party itself is abstract
}

void CleanMetaData() {
    CAddress::CleanMetaData();
    CComment::CleanMetaData();
    CAuditInfo::CleanMetaData();
    CItem::CleanMetaData();
    CItems::CleanMetaData();
    CCard::CleanMetaData();
    CInvoice::CleanMetaData();
    CPayment::CleanMetaData();
    CDelivery::CleanMetaData();
    CPerson::CleanMetaData();
    CCompany::CleanMetaData();
    CGiftNote::CleanMetaData();
    CPurchaseOrder::CleanMetaData();
    CPurchaseOrders::CleanMetaData();
}

// ---- Address ----

PO_METADATA_STORAGE(CAddress)
PO_BUILD_BEGIN(CAddress)
ms_parentInfo = new CParentElementInfo(XmlElementGroupType_Sequence, XmlElementType_Element, L"Address",
                                       kTargetNamespace, -1, true, false);
ms_elementInfo = new CElementInfo* [5] {
    new CElementInfoSeqPrimMnd(L"name", kTargetNamespace, PROP_NAME, ItemType_string, nullptr, kPreserve,
                               NameFacets()),
        new CElementInfoSeqPrimMnd(L"street", kTargetNamespace, PROP_STREET, ItemType_string, nullptr, kPreserve,
                                   NoFacets()),
        new CElementInfoSeqPrimMnd(L"city", kTargetNamespace, PROP_CITY, ItemType_string, nullptr, kPreserve,
                                   NoFacets()),
        new CElementInfoSeqPrimMnd(L"zip", kTargetNamespace, PROP_ZIP, ItemType_string, nullptr, kCollapse,
                                   ZipFacets()),
        nullptr
};
ms_attributeInfo = new CAttributeInfo* [2] {
    new CAttributeInfoPrimitive(L"country", L"", PROP_COUNTRY, true, ItemType_string, nullptr, kCollapse, NoFacets(),
                                L"US"),
        nullptr
};
PO_BUILD_END()

CAddress::CAddress() { Init(); }

void CAddress::Init() {
    m_country.clear();
    m_hasCountry = false;
    m_name.clear();
    m_street.clear();
    m_city.clear();
    m_zip.clear();
}

void CAddress::AccessProperty(int propertyIndex, bool read, NyVariant& value) {
    bool always = true;
    switch (propertyIndex) {
        case PROP_COUNTRY: AccessString(read, value, m_country, m_hasCountry); break;
        case PROP_NAME: AccessString(read, value, m_name, always); break;
        case PROP_STREET: AccessString(read, value, m_street, always); break;
        case PROP_CITY: AccessString(read, value, m_city, always); break;
        case PROP_ZIP: AccessString(read, value, m_zip, always); break;
    }
}

// ---- Comment ----

PO_METADATA_STORAGE(CComment)
PO_BUILD_BEGIN(CComment)
ms_parentInfo = new CParentElementInfo(XmlElementGroupType_Sequence, XmlElementType_Element, L"Comment",
                                       kTargetNamespace, PROP_TEXT, true, false);
ms_elementInfo = new CElementInfo* [1] { nullptr };
ms_attributeInfo = new CAttributeInfo* [2] {
    new CAttributeInfoPrimitive(L"lang", L"", PROP_LANG, true, ItemType_string, nullptr, kCollapse, NoFacets(),
                                nullptr),
        nullptr
};
PO_BUILD_END()

CComment::CComment() { Init(); }

void CComment::Init() {
    m_text.clear();
    m_lang.clear();
    m_hasLang = false;
}

void CComment::AccessProperty(int propertyIndex, bool read, NyVariant& value) {
    bool always = true;
    switch (propertyIndex) {
        case PROP_LANG: AccessString(read, value, m_lang, m_hasLang); break;
        case PROP_TEXT: AccessString(read, value, m_text, always); break;
    }
}

// ---- AuditInfo ----

PO_METADATA_STORAGE(CAuditInfo)
PO_BUILD_BEGIN(CAuditInfo)
// Without an element of its own, the group sees its holder's attributes: it
// must not reject those it does not know.
ms_parentInfo = new CParentElementInfo(XmlElementGroupType_Sequence, XmlElementType_NoElement, L"AuditInfo",
                                       kTargetNamespace, -1, false, false);
ms_elementInfo = new CElementInfo* [3] {
    new CElementInfoSeqPrimMnd(L"createdBy", kTargetNamespace, PROP_CREATEDBY, ItemType_string, nullptr, kPreserve,
                               NoFacets()),
        new CElementInfoSeqPrimMnd(L"createdAt", kTargetNamespace, PROP_CREATEDAT, ItemType_datetime, nullptr,
                                   kCollapse, NoFacets()),
        nullptr
};
ms_attributeInfo = new CAttributeInfo* [1] { nullptr };
PO_BUILD_END()

CAuditInfo::CAuditInfo() { Init(); }

void CAuditInfo::Init() {
    m_createdBy.clear();
    m_hasCreatedBy = false;
    m_hasCreatedAt = false;
}

void CAuditInfo::AccessProperty(int propertyIndex, bool read, NyVariant& value) {
    switch (propertyIndex) {
        case PROP_CREATEDBY: AccessString(read, value, m_createdBy, m_hasCreatedBy); break;
        case PROP_CREATEDAT:
            AccessOptional(read, value, m_createdAt, m_hasCreatedAt, &NyVariant::SetDateTime, &NyVariant::GetDateTime);
            break;
    }
}

// ---- Item ----

PO_METADATA_STORAGE(CItem)
PO_BUILD_BEGIN(CItem)
ms_parentInfo = new CParentElementInfo(XmlElementGroupType_Sequence, XmlElementType_Element, L"Item",
                                       kTargetNamespace, -1, true, false);
ms_elementInfo = new CElementInfo* [6] {
    new CElementInfoSeqPrimMnd(L"productName", kTargetNamespace, PROP_PRODUCTNAME, ItemType_string, nullptr,
                               kPreserve, NameFacets()),
        new CElementInfoSeqPrimMnd(L"quantity", kTargetNamespace, PROP_QUANTITY, ItemType_i4, nullptr, kCollapse,
                                   QuantityFacets()),
        new CElementInfoSeqPrimMnd(L"price", kTargetNamespace, PROP_PRICE, ItemType_decimal, nullptr, kCollapse,
                                   NoFacets()),
        new CElementInfoSeqClsOpt(L"comment", kTargetNamespace, PROP_COMMENT, XmlElementType_Element, &CreateObject,
                                  ClassId_Comment),
        new CElementInfoSeqPrimOpt(L"shipDate", kTargetNamespace, PROP_SHIPDATE, ItemType_date, nullptr, kCollapse,
                                   NoFacets()),
        nullptr
};
ms_attributeInfo = new CAttributeInfo* [2] {
    new CAttributeInfoPrimitive(L"partNum", L"", PROP_PARTNUM, false, ItemType_string, nullptr, kCollapse,
                                SkuFacets(), nullptr),
        nullptr
};
PO_BUILD_END()

CItem::CItem() { Init(); }

void CItem::Init() {
    m_partNum.clear();
    m_productName.clear();
    m_hasPartNum = m_hasProductName = m_hasQuantity = m_hasPrice = m_hasShipDate = false;
    m_quantity = 0;
    m_comment = nullptr;
}

void CItem::SetComment(CComment* value) {
    if (value) SetElementName(value, L"comment");
    m_comment = value;
}

void CItem::AccessProperty(int propertyIndex, bool read, NyVariant& value) {
    switch (propertyIndex) {
        case PROP_PARTNUM: AccessString(read, value, m_partNum, m_hasPartNum); break;
        case PROP_PRODUCTNAME: AccessString(read, value, m_productName, m_hasProductName); break;
        case PROP_QUANTITY:
            AccessOptional(read, value, m_quantity, m_hasQuantity, &NyVariant::SetI4, &NyVariant::GetI4);
            break;
        case PROP_PRICE:
            if (read) {
                if (m_hasPrice)
                    value.SetDecimal(m_price);
                else
                    value.Clear();
            } else {
                m_hasPrice = value.IsValid();
                if (m_hasPrice) value.TakeDecimal(m_price);
            }
            break;
        case PROP_COMMENT:
            if (read)
                AccessObject(read, value, m_comment);
            else
                m_comment = ObjectOf<CComment>(value);
            break;
        case PROP_SHIPDATE:
            AccessOptional(read, value, m_shipDate, m_hasShipDate, &NyVariant::SetDate, &NyVariant::GetDate);
            break;
    }
}

CItemCol::CItemCol()
    : CXmlTypedObjectCollection<CItem>(L"item", kTargetNamespace, 1, -1, &CreateObject, ClassId_Item) {}

// ---- Items ----

PO_METADATA_STORAGE(CItems)
PO_BUILD_BEGIN(CItems)
ms_parentInfo = new CParentElementInfo(XmlElementGroupType_Sequence, XmlElementType_Element, L"Items",
                                       kTargetNamespace, -1, true, false);
ms_elementInfo = new CElementInfo* [2] {
    new CElementInfoSeqClsCol(L"item", kTargetNamespace, PROP_ITEM, XmlElementType_Element), nullptr
};
ms_attributeInfo = new CAttributeInfo* [1] { nullptr };
PO_BUILD_END()

CItems::CItems() : m_item(new CItemCol) { Init(); }

void CItems::Init() { m_item->Clear(); }

void CItems::AccessProperty(int propertyIndex, bool read, NyVariant& value) {
    if (propertyIndex == PROP_ITEM && read) value.SetXmlCollection(m_item);
}

// ---- Card ----

PO_METADATA_STORAGE(CCard)
PO_BUILD_BEGIN(CCard)
ms_parentInfo = new CParentElementInfo(XmlElementGroupType_Sequence, XmlElementType_Element, L"Card",
                                       kTargetNamespace, -1, true, false);
ms_elementInfo = new CElementInfo* [3] {
    new CElementInfoSeqPrimMnd(L"number", kTargetNamespace, PROP_NUMBER, ItemType_string, nullptr, kCollapse,
                               CardNumberFacets()),
        new CElementInfoSeqPrimMnd(L"expiry", kTargetNamespace, PROP_EXPIRY, ItemType_yearMonth, nullptr, kCollapse,
                                   NoFacets()),
        nullptr
};
ms_attributeInfo = new CAttributeInfo* [1] { nullptr };
PO_BUILD_END()

CCard::CCard() { Init(); }

void CCard::Init() {
    m_number.clear();
    m_hasNumber = m_hasExpiry = false;
}

void CCard::AccessProperty(int propertyIndex, bool read, NyVariant& value) {
    switch (propertyIndex) {
        case PROP_NUMBER: AccessString(read, value, m_number, m_hasNumber); break;
        case PROP_EXPIRY:
            AccessOptional(read, value, m_expiry, m_hasExpiry, &NyVariant::SetYearMonth, &NyVariant::GetYearMonth);
            break;
    }
}

// ---- Invoice ----

PO_METADATA_STORAGE(CInvoice)
PO_BUILD_BEGIN(CInvoice)
ms_parentInfo = new CParentElementInfo(XmlElementGroupType_Sequence, XmlElementType_Element, L"Invoice",
                                       kTargetNamespace, PROP_TEXT, true, false);
ms_elementInfo = new CElementInfo* [1] { nullptr };
ms_attributeInfo = new CAttributeInfo* [2] {
    new CAttributeInfoPrimitive(L"dueDays", L"", PROP_DUEDAYS, true, ItemType_i4, nullptr, kCollapse, NoFacets(),
                                L"30"),
        nullptr
};
PO_BUILD_END()

CInvoice::CInvoice() { Init(); }

void CInvoice::Init() {
    m_text.clear();
    m_dueDays = 30;
}

void CInvoice::AccessProperty(int propertyIndex, bool read, NyVariant& value) {
    switch (propertyIndex) {
        case PROP_DUEDAYS:
            if (read)
                value.SetI4(m_dueDays);
            else
                m_dueDays = value.IsValid() ? value.GetI4() : 30;
            break;
        case PROP_TEXT: {
            bool always = true;
            AccessString(read, value, m_text, always);
            break;
        }
    }
}

// ---- Payment ----

PO_METADATA_STORAGE(CPayment)
PO_BUILD_BEGIN(CPayment)
ms_parentInfo = new CParentElementInfo(XmlElementGroupType_Choice, XmlElementType_NoElementNoAttributes,
                                       L"Payment", kTargetNamespace, -1, false, false);
ms_elementInfo = new CElementInfo* [3] {
    new CElementInfoChoiceClsOpt(L"card", kTargetNamespace, PROP_CARD, XmlElementType_Element, &CreateObject,
                                 ClassId_Card),
        new CElementInfoChoiceClsOpt(L"invoice", kTargetNamespace, PROP_INVOICE, XmlElementType_Element,
                                     &CreateObject, ClassId_Invoice),
        nullptr
};
ms_attributeInfo = new CAttributeInfo* [1] { nullptr };
PO_BUILD_END()

CPayment::CPayment() { Init(); }

void CPayment::Init() {
    m_card = nullptr;
    m_invoice = nullptr;
    m_selected.clear();
}

void CPayment::SetCard(CCard* value) {
    Choice_SelectElement(L"card", value, m_selected);
    if (value) SetElementName(value, L"card");
    m_card = value;
}

void CPayment::SetInvoice(CInvoice* value) {
    Choice_SelectElement(L"invoice", value, m_selected);
    if (value) SetElementName(value, L"invoice");
    m_invoice = value;
}

void CPayment::AccessProperty(int propertyIndex, bool read, NyVariant& value) {
    switch (propertyIndex) {
        case PROP_CARD:
            if (read)
                AccessObject(read, value, m_card);
            else
                SetCard(ObjectOf<CCard>(value));
            break;
        case PROP_INVOICE:
            if (read)
                AccessObject(read, value, m_invoice);
            else
                SetInvoice(ObjectOf<CInvoice>(value));
            break;
    }
}

// ---- Delivery ----

PO_METADATA_STORAGE(CDelivery)
PO_BUILD_BEGIN(CDelivery)
ms_parentInfo = new CParentElementInfo(XmlElementGroupType_All, XmlElementType_Element, L"Delivery",
                                       kTargetNamespace, -1, true, false);
ms_elementInfo = new CElementInfo* [4] {
    new CElementInfoAllPrimOpt(L"signature", kTargetNamespace, PROP_SIGNATURE, ItemType_boolean, nullptr, kCollapse,
                               NoFacets()),
        new CElementInfoAllPrimOpt(L"window", kTargetNamespace, PROP_WINDOW, ItemType_time, nullptr, kCollapse,
                                   NoFacets()),
        new CElementInfoAllPrimMnd(L"instructions", kTargetNamespace, PROP_INSTRUCTIONS, ItemType_string, nullptr,
                                   kPreserve, NoFacets()),
        nullptr
};
ms_attributeInfo = new CAttributeInfo* [1] { nullptr };
PO_BUILD_END()

CDelivery::CDelivery() { Init(); }

void CDelivery::Init() {
    m_hasSignature = m_hasWindow = m_hasInstructions = false;
    m_instructions.clear();
}

void CDelivery::AccessProperty(int propertyIndex, bool read, NyVariant& value) {
    switch (propertyIndex) {
        case PROP_SIGNATURE:
            AccessOptional(read, value, m_signature, m_hasSignature, &NyVariant::SetBoolean, &NyVariant::GetBoolean);
            break;
        case PROP_WINDOW:
            AccessOptional(read, value, m_window, m_hasWindow, &NyVariant::SetTime, &NyVariant::GetTime);
            break;
        case PROP_INSTRUCTIONS: AccessString(read, value, m_instructions, m_hasInstructions); break;
    }
}

// ---- Party, Person, Company ----

bool CParty::AccessPartyProperty(int propertyIndex, bool read, NyVariant& value) {
    if (propertyIndex != PROP_NAME) return false;
    AccessString(read, value, m_name, m_hasName);
    return true;
}

PO_METADATA_STORAGE(CPerson)
PO_BUILD_BEGIN(CPerson)
ms_parentInfo = new CParentElementInfo(XmlElementGroupType_Sequence, XmlElementType_Element, L"Person",
                                       kTargetNamespace, -1, true, true);
ms_elementInfo = new CElementInfo* [3] {
    new CElementInfoSeqPrimMnd(L"name", kTargetNamespace, PROP_NAME, ItemType_string, nullptr, kPreserve,
                               NameFacets()),
        new CElementInfoSeqPrimOpt(L"phone", kTargetNamespace, PROP_PHONE, ItemType_string, nullptr, kPreserve,
                                   NoFacets()),
        nullptr
};
ms_attributeInfo = new CAttributeInfo* [1] { nullptr };
PO_BUILD_END()

CPerson::CPerson() { Init(); }

void CPerson::Init() {
    InitParty();
    m_phone.clear();
    m_hasPhone = false;
}

void CPerson::AccessProperty(int propertyIndex, bool read, NyVariant& value) {
    if (AccessPartyProperty(propertyIndex, read, value)) return;
    if (propertyIndex == PROP_PHONE) AccessString(read, value, m_phone, m_hasPhone);
}

PO_METADATA_STORAGE(CCompany)
PO_BUILD_BEGIN(CCompany)
ms_parentInfo = new CParentElementInfo(XmlElementGroupType_Sequence, XmlElementType_Element, L"Company",
                                       kTargetNamespace, -1, true, true);
ms_elementInfo = new CElementInfo* [3] {
    new CElementInfoSeqPrimMnd(L"name", kTargetNamespace, PROP_NAME, ItemType_string, nullptr, kPreserve,
                               NameFacets()),
        new CElementInfoSeqPrimMnd(L"vatId", kTargetNamespace, PROP_VATID, ItemType_string, nullptr, kCollapse,
                                   NoFacets()),
        nullptr
};
ms_attributeInfo = new CAttributeInfo* [1] { nullptr };
PO_BUILD_END()

CCompany::CCompany() { Init(); }

void CCompany::Init() {
    InitParty();
    m_vatId.clear();
    m_hasVatId = false;
}

void CCompany::AccessProperty(int propertyIndex, bool read, NyVariant& value) {
    if (AccessPartyProperty(propertyIndex, read, value)) return;
    if (propertyIndex == PROP_VATID) AccessString(read, value, m_vatId, m_hasVatId);
}

// ---- GiftNote ----

PO_METADATA_STORAGE(CGiftNote)
PO_BUILD_BEGIN(CGiftNote)
ms_parentInfo = new CParentElementInfo(XmlElementGroupType_Sequence, XmlElementType_Element, L"GiftNote",
                                       kTargetNamespace, PROP_TEXT, true, false);
ms_elementInfo = new CElementInfo* [1] { nullptr };
ms_attributeInfo = new CAttributeInfo* [1] { nullptr };
PO_BUILD_END()

CGiftNote::CGiftNote() { Init(); }

void CGiftNote::Init() {
    m_text.clear();
    m_nil = false;
}

void CGiftNote::AccessProperty(int propertyIndex, bool read, NyVariant& value) {
    if (propertyIndex != PROP_TEXT) return;
    bool always = true;
    AccessString(read, value, m_text, always);
}

// ---- PurchaseOrder ----

PO_METADATA_STORAGE(CPurchaseOrder)
PO_BUILD_BEGIN(CPurchaseOrder)
ms_parentInfo = new CParentElementInfo(XmlElementGroupType_Sequence, XmlElementType_Element, L"order",
                                       kTargetNamespace, -1, true, false);
ms_elementInfo = new CElementInfo* [11] {
    new CElementInfoSeqClsMnd(L"shipTo", kTargetNamespace, PROP_SHIPTO, XmlElementType_Element, &CreateObject,
                              ClassId_Address, false),
        new CElementInfoSeqClsOpt(L"billTo", kTargetNamespace, PROP_BILLTO, XmlElementType_Element, &CreateObject,
                                  ClassId_Address),
        new CElementInfoSeqClsOpt(L"comment", kTargetNamespace, PROP_COMMENT, XmlElementType_Element, &CreateObject,
                                  ClassId_Comment),
        new CElementInfoSeqClsMnd(L"AuditInfo", kTargetNamespace, PROP_AUDIT, XmlElementType_NoElement,
                                  &CreateObject, ClassId_AuditInfo, true),
        new CElementInfoSeqClsMnd(L"items", kTargetNamespace, PROP_ITEMS, XmlElementType_Element, &CreateObject,
                                  ClassId_Items, false),
        new CElementInfoSeqClsMnd(L"Payment", kTargetNamespace, PROP_PAYMENT, XmlElementType_NoElementNoAttributes,
                                  &CreateObject, ClassId_Payment, true),
        new CElementInfoSeqClsOpt(L"delivery", kTargetNamespace, PROP_DELIVERY, XmlElementType_Element,
                                  &CreateObject, ClassId_Delivery),
        new CElementInfoSeqAbsClsOpt(L"contact", kTargetNamespace, PROP_CONTACT, XmlElementType_Element,
                                     &CPartyFactory::Create),
        new CElementInfoSeqClsOpt(L"giftNote", kTargetNamespace, PROP_GIFTNOTE, XmlElementType_Element,
                                  &CreateObject, ClassId_GiftNote),
        new CElementInfoSeqUntpdOpt(L"AnyElement", L"##other", PROP_EXTENSION, L"##other", kTargetNamespace),
        nullptr
};
ms_attributeInfo = new CAttributeInfo* [4] {
    new CAttributeInfoPrimitive(L"orderDate", L"", PROP_ORDERDATE, true, ItemType_date, nullptr, kCollapse,
                                NoFacets(), nullptr),
        new CAttributeInfoEnum(L"status", L"", PROP_STATUS, true, &OrderStatusToString, &OrderStatusFromString,
                               L"open"),
        new CAttributeInfoAny(L"AnyAttribute", L"", PROP_ANYATTRIBUTES, true, L"##other", kTargetNamespace, nullptr),
        nullptr
};
PO_BUILD_END()

CPurchaseOrder::CPurchaseOrder() : m_anyAttributes(new CAttributeCol(L"", L"##other", kTargetNamespace)) { Init(); }

void CPurchaseOrder::Init() {
    m_hasOrderDate = false;
    m_status = OrderStatus_open;
    m_hasStatus = false;
    m_anyAttributes->Clear();
    // Mandatory members hold their objects before anything is read into them.
    m_shipTo = nullptr;
    SetShipTo(new CAddress);
    m_billTo = nullptr;
    m_comment = nullptr;
    m_audit = new CAuditInfo;
    m_items = new CItems;
    SetElementName(m_items, L"items");
    m_payment = new CPayment;
    m_delivery = nullptr;
    m_contact = nullptr;
    m_giftNote = nullptr;
    m_extension = nullptr;
}

void CPurchaseOrder::SetShipTo(CAddress* value) {
    Throw_IfPropertyIsNull(value, L"shipTo");
    SetElementName(value, L"shipTo");
    m_shipTo = value;
}

void CPurchaseOrder::SetBillTo(CAddress* value) {
    if (value) SetElementName(value, L"billTo");
    m_billTo = value;
}

void CPurchaseOrder::SetComment(CComment* value) {
    if (value) SetElementName(value, L"comment");
    m_comment = value;
}

void CPurchaseOrder::SetDelivery(CDelivery* value) {
    if (value) SetElementName(value, L"delivery");
    m_delivery = value;
}

void CPurchaseOrder::SetContact(CParty* value) {
    if (value) SetElementName(value, L"contact");
    m_contact = value;
}

void CPurchaseOrder::SetGiftNote(CGiftNote* value) {
    if (value) SetElementName(value, L"giftNote");
    m_giftNote = value;
}

void CPurchaseOrder::AccessProperty(int propertyIndex, bool read, NyVariant& value) {
    switch (propertyIndex) {
        case PROP_ORDERDATE:
            AccessOptional(read, value, m_orderDate, m_hasOrderDate, &NyVariant::SetDate, &NyVariant::GetDate);
            break;
        case PROP_STATUS:
            if (read) {
                if (m_hasStatus)
                    value.SetI4(m_status);
                else
                    value.Clear();
            } else {
                m_hasStatus = value.IsValid();
                m_status = m_hasStatus ? static_cast<OrderStatus>(value.GetI4()) : OrderStatus_open;
            }
            break;
        case PROP_ANYATTRIBUTES:
            if (read) value.SetXmlCollection(m_anyAttributes);
            break;
        case PROP_SHIPTO:
            if (read)
                AccessObject(read, value, m_shipTo);
            else
                SetShipTo(ObjectOf<CAddress>(value));
            break;
        case PROP_BILLTO:
            if (read)
                AccessObject(read, value, m_billTo);
            else
                m_billTo = ObjectOf<CAddress>(value);
            break;
        case PROP_COMMENT:
            if (read)
                AccessObject(read, value, m_comment);
            else
                m_comment = ObjectOf<CComment>(value);
            break;
        case PROP_AUDIT:
            if (read) AccessObject(read, value, m_audit);
            break;
        case PROP_ITEMS:
            if (read) AccessObject(read, value, m_items);
            break;
        case PROP_PAYMENT:
            if (read) AccessObject(read, value, m_payment);
            break;
        case PROP_DELIVERY:
            if (read)
                AccessObject(read, value, m_delivery);
            else
                m_delivery = ObjectOf<CDelivery>(value);
            break;
        case PROP_CONTACT:
            if (read)
                AccessObject(read, value, m_contact);
            else
                m_contact = ObjectOf<CParty>(value);
            break;
        case PROP_GIFTNOTE:
            if (read)
                AccessObject(read, value, m_giftNote);
            else
                m_giftNote = ObjectOf<CGiftNote>(value);
            break;
        case PROP_EXTENSION:
            if (read)
                AccessObject(read, value, m_extension);
            else
                m_extension = ObjectOf<CElement>(value);
            break;
    }
}

COrderCol::COrderCol()
    : CXmlTypedObjectCollection<CPurchaseOrder>(L"order", kTargetNamespace, 1, -1, &CreateObject,
                                                ClassId_PurchaseOrder) {}

// ---- PurchaseOrders ----

PO_METADATA_STORAGE(CPurchaseOrders)
PO_BUILD_BEGIN(CPurchaseOrders)
ms_parentInfo = new CParentElementInfo(XmlElementGroupType_Sequence, XmlElementType_Element, L"purchaseOrders",
                                       kTargetNamespace, -1, true, false);
ms_elementInfo = new CElementInfo* [2] {
    new CElementInfoSeqClsCol(L"order", kTargetNamespace, PROP_ORDER, XmlElementType_Element), nullptr
};
ms_attributeInfo = new CAttributeInfo* [1] { nullptr };
PO_BUILD_END()

CPurchaseOrders::CPurchaseOrders() : m_order(new COrderCol) {
    SetElementName(L"purchaseOrders");
    Init();
}

void CPurchaseOrders::Init() { m_order->Clear(); }

void CPurchaseOrders::AccessProperty(int propertyIndex, bool read, NyVariant& value) {
    if (propertyIndex == PROP_ORDER && read) value.SetXmlCollection(m_order);
}

}  // namespace ExamplePO
