// Classes for the purchase-order schema (target namespace urn:example:po), in
// the shape the data-binding generator emits: each class holds its data,
// describes itself with metadata built once under m_csInit, and exchanges its
// properties with the library through one AccessProperty switch.
#ifndef EXAMPLES_PO_PURCHASEORDER_H
#define EXAMPLES_PO_PURCHASEORDER_H

#include <nyxml/nyxml.h>

#include <atomic>
#include <cstdint>
#include <string>

namespace ExamplePO {

using NyXmlLib9::CSmartPtr;

extern const wchar_t kTargetNamespace[];

// ---- enumerations ----

enum OrderStatus { OrderStatus_open = 0, OrderStatus_shipped = 1, OrderStatus_cancelled = 2 };
const wchar_t* OrderStatusToString(int value);
int OrderStatusFromString(const wchar_t* text);

// ---- class identifiers and the creation function the metadata carries ----

enum ClassId {
    ClassId_Address = 1,
    ClassId_Comment,
    ClassId_AuditInfo,
    ClassId_Item,
    ClassId_Items,
    ClassId_Card,
    ClassId_Invoice,
    ClassId_Payment,
    ClassId_Delivery,
    ClassId_GiftNote,
    ClassId_PurchaseOrder,
    ClassId_PurchaseOrders
};
CSmartPtr<NyXmlLib9::CXmlObjectBase> CreateObject(int classId, const wchar_t* elementName);

// Frees the metadata of every class of this schema.
void CleanMetaData();

// Declares the static metadata of a generated class and its contract
// operations; the matching definitions come from NYXML_PO_METADATA_DEFINE.
#define NYXML_PO_CLASS_CONTRACT(Class)                                                             \
public:                                                                                            \
    NyXmlLib9::CXmlObjectBase* GetBase() override { return this; }                                \
    std::wstring GetNamespace() override { return kTargetNamespace; }                              \
    void AccessProperty(int propertyIndex, bool read, NyXmlLib9::NyVariant& value) override;       \
    NyXmlLib9Data::CParentElementInfo* GetClassInfo() override;                                    \
    NyXmlLib9Data::CElementInfo** GetClassElementInfo() override;                                  \
    NyXmlLib9Data::CAttributeInfo** GetClassAttributeInfo() override;                              \
    void Init() override;                                                                          \
    static void CleanMetaData();                                                                   \
                                                                                                   \
protected:                                                                                         \
    std::wstring GetTargetNamespace() override { return kTargetNamespace; }                        \
                                                                                                   \
private:                                                                                           \
    static void BuildMetaData();                                                                   \
    static std::atomic<bool> ms_built;                                                             \
    static NyXmlLib9Data::CParentElementInfo* ms_parentInfo;                                       \
    static NyXmlLib9Data::CElementInfo** ms_elementInfo;                                           \
    static NyXmlLib9Data::CAttributeInfo** ms_attributeInfo

// ---- Address ----
class CAddress : public NyXmlLib9::CXmlGeneratedClass {
public:
    CAddress();
    std::wstring GetCountry() const { return m_country; }
    void SetCountry(const std::wstring& value) { m_country = value; }
    std::wstring GetName() const { return m_name; }
    void SetName(const std::wstring& value) { m_name = value; }
    std::wstring GetStreet() const { return m_street; }
    void SetStreet(const std::wstring& value) { m_street = value; }
    std::wstring GetCity() const { return m_city; }
    void SetCity(const std::wstring& value) { m_city = value; }
    std::wstring GetZip() const { return m_zip; }
    void SetZip(const std::wstring& value) { m_zip = value; }

    enum { PROP_COUNTRY, PROP_NAME, PROP_STREET, PROP_CITY, PROP_ZIP };
    NYXML_PO_CLASS_CONTRACT(CAddress);

private:
    std::wstring m_country;
    bool m_hasCountry = false;
    std::wstring m_name, m_street, m_city, m_zip;
};

// ---- Comment: text content with a language attribute ----
class CComment : public NyXmlLib9::CXmlGeneratedClass {
public:
    CComment();
    std::wstring GetText() const { return m_text; }
    void SetText(const std::wstring& value) { m_text = value; }
    std::wstring GetLang() const { return m_lang; }
    void SetLang(const std::wstring& value) {
        m_lang = value;
        m_hasLang = true;
    }
    bool HasLang() const { return m_hasLang; }

    enum { PROP_LANG, PROP_TEXT };
    NYXML_PO_CLASS_CONTRACT(CComment);

private:
    std::wstring m_text;
    std::wstring m_lang;
    bool m_hasLang = false;
};

// ---- AuditInfo: a group without an element of its own ----
class CAuditInfo : public NyXmlLib9::CXmlGeneratedClass {
public:
    CAuditInfo();
    std::wstring GetCreatedBy() const { return m_createdBy; }
    void SetCreatedBy(const std::wstring& value) { m_createdBy = value; }
    NyXmlLib9::CDateTime GetCreatedAt() const { return m_createdAt; }
    void SetCreatedAt(const NyXmlLib9::CDateTime& value) {
        m_createdAt = value;
        m_hasCreatedAt = true;
    }

    enum { PROP_CREATEDBY, PROP_CREATEDAT };
    NYXML_PO_CLASS_CONTRACT(CAuditInfo);

private:
    std::wstring m_createdBy;
    bool m_hasCreatedBy = false;
    NyXmlLib9::CDateTime m_createdAt;
    bool m_hasCreatedAt = false;
};

// ---- Item ----
class CItem : public NyXmlLib9::CXmlGeneratedClass {
public:
    CItem();
    std::wstring GetPartNum() const { return m_partNum; }
    void SetPartNum(const std::wstring& value) {
        m_partNum = value;
        m_hasPartNum = true;
    }
    std::wstring GetProductName() const { return m_productName; }
    void SetProductName(const std::wstring& value) {
        m_productName = value;
        m_hasProductName = true;
    }
    int32_t GetQuantity() const { return m_quantity; }
    void SetQuantity(int32_t value) {
        m_quantity = value;
        m_hasQuantity = true;
    }
    NyXmlLib9::CDecimal GetPrice() const { return m_price; }
    void SetPrice(const NyXmlLib9::CDecimal& value) {
        m_price = value;
        m_hasPrice = true;
    }
    CSmartPtr<CComment> GetComment() const { return m_comment; }
    void SetComment(CComment* value);
    bool HasShipDate() const { return m_hasShipDate; }
    NyXmlLib9::CDateTime GetShipDate() const { return m_shipDate; }
    void SetShipDate(const NyXmlLib9::CDateTime& value) {
        m_shipDate = value;
        m_hasShipDate = true;
    }
    void ClearShipDate() { m_hasShipDate = false; }

    enum { PROP_PARTNUM, PROP_PRODUCTNAME, PROP_QUANTITY, PROP_PRICE, PROP_COMMENT, PROP_SHIPDATE };
    NYXML_PO_CLASS_CONTRACT(CItem);

private:
    std::wstring m_partNum, m_productName;
    bool m_hasPartNum = false, m_hasProductName = false;
    int32_t m_quantity = 0;
    bool m_hasQuantity = false;
    NyXmlLib9::CDecimal m_price;
    bool m_hasPrice = false;
    CSmartPtr<CComment> m_comment;
    NyXmlLib9::CDateTime m_shipDate;
    bool m_hasShipDate = false;
};

class CItemCol : public NyXmlLib9::CXmlTypedObjectCollection<CItem> {
public:
    CItemCol();
};

// ---- Items ----
class CItems : public NyXmlLib9::CXmlGeneratedClass {
public:
    CItems();
    CSmartPtr<CItemCol> GetItem() const { return m_item; }

    enum { PROP_ITEM };
    NYXML_PO_CLASS_CONTRACT(CItems);

private:
    CSmartPtr<CItemCol> m_item;
};

// ---- Card and Invoice, the two ways to pay ----
class CCard : public NyXmlLib9::CXmlGeneratedClass {
public:
    CCard();
    std::wstring GetNumber() const { return m_number; }
    void SetNumber(const std::wstring& value) {
        m_number = value;
        m_hasNumber = true;
    }
    NyXmlLib9::CDateTime GetExpiry() const { return m_expiry; }
    void SetExpiry(const NyXmlLib9::CDateTime& value) {
        m_expiry = value;
        m_hasExpiry = true;
    }

    enum { PROP_NUMBER, PROP_EXPIRY };
    NYXML_PO_CLASS_CONTRACT(CCard);

private:
    std::wstring m_number;
    bool m_hasNumber = false;
    NyXmlLib9::CDateTime m_expiry;
    bool m_hasExpiry = false;
};

class CInvoice : public NyXmlLib9::CXmlGeneratedClass {
public:
    CInvoice();
    std::wstring GetText() const { return m_text; }
    void SetText(const std::wstring& value) { m_text = value; }
    int32_t GetDueDays() const { return m_dueDays; }
    void SetDueDays(int32_t value) { m_dueDays = value; }

    enum { PROP_DUEDAYS, PROP_TEXT };
    NYXML_PO_CLASS_CONTRACT(CInvoice);

private:
    std::wstring m_text;
    int32_t m_dueDays = 30;
};

// ---- Payment: a choice without an element of its own ----
class CPayment : public NyXmlLib9::CXmlGeneratedClass {
public:
    CPayment();
    CSmartPtr<CCard> GetCard() const { return m_card; }
    void SetCard(CCard* value);
    CSmartPtr<CInvoice> GetInvoice() const { return m_invoice; }
    void SetInvoice(CInvoice* value);
    // The element name of the member that is set, empty when none is.
    std::wstring GetSelectedElement() const { return m_selected; }

    enum { PROP_CARD, PROP_INVOICE };
    NYXML_PO_CLASS_CONTRACT(CPayment);

private:
    CSmartPtr<CCard> m_card;
    CSmartPtr<CInvoice> m_invoice;
    std::wstring m_selected;
};

// ---- Delivery: an all-group ----
class CDelivery : public NyXmlLib9::CXmlGeneratedClass {
public:
    CDelivery();
    bool HasSignature() const { return m_hasSignature; }
    bool GetSignature() const { return m_signature; }
    void SetSignature(bool value) {
        m_signature = value;
        m_hasSignature = true;
    }
    bool HasWindow() const { return m_hasWindow; }
    NyXmlLib9::CDateTime GetWindow() const { return m_window; }
    void SetWindow(const NyXmlLib9::CDateTime& value) {
        m_window = value;
        m_hasWindow = true;
    }
    std::wstring GetInstructions() const { return m_instructions; }
    void SetInstructions(const std::wstring& value) {
        m_instructions = value;
        m_hasInstructions = true;
    }

    enum { PROP_SIGNATURE, PROP_WINDOW, PROP_INSTRUCTIONS };
    NYXML_PO_CLASS_CONTRACT(CDelivery);

private:
    bool m_signature = false, m_hasSignature = false;
    NyXmlLib9::CDateTime m_window;
    bool m_hasWindow = false;
    std::wstring m_instructions;
    bool m_hasInstructions = false;
};

// ---- Party: an abstract type with two derived types ----
class CParty : public NyXmlLib9::CXmlGeneratedClass {
public:
    std::wstring GetName() const { return m_name; }
    void SetName(const std::wstring& value) {
        m_name = value;
        m_hasName = true;
    }

protected:
    CParty() = default;
    bool AccessPartyProperty(int propertyIndex, bool read, NyXmlLib9::NyVariant& value);
    void InitParty() {
        m_name.clear();
        m_hasName = false;
    }
    enum { PROP_NAME };

private:
    std::wstring m_name;
    bool m_hasName = false;
};

class CPerson : public CParty {
public:
    CPerson();
    std::wstring GetPhone() const { return m_phone; }
    void SetPhone(const std::wstring& value) {
        m_phone = value;
        m_hasPhone = true;
    }

    enum { PROP_PHONE = PROP_NAME + 1 };
    NYXML_PO_CLASS_CONTRACT(CPerson);

private:
    std::wstring m_phone;
    bool m_hasPhone = false;
};

class CCompany : public CParty {
public:
    CCompany();
    std::wstring GetVatId() const { return m_vatId; }
    void SetVatId(const std::wstring& value) {
        m_vatId = value;
        m_hasVatId = true;
    }

    enum { PROP_VATID = PROP_NAME + 1 };
    NYXML_PO_CLASS_CONTRACT(CCompany);

private:
    std::wstring m_vatId;
    bool m_hasVatId = false;
};

// Chooses the class of a Party element from its xsi:type.
class CPartyFactory : public NyXmlLib9::CClassfactoryBase {
public:
    static CSmartPtr<NyXmlLib9::CXmlObjectBase> Create(NyXmlLib9::CXmlElement* element);
};

// ---- GiftNote: text that may be nil ----
class CGiftNote : public NyXmlLib9::CXmlGeneratedClass, public NyXmlLib9::INillable {
public:
    CGiftNote();
    std::wstring GetText() const { return m_text; }
    void SetText(const std::wstring& value) { m_text = value; }
    bool IsNil() override { return m_nil; }
    void SetNil(bool nil) override { m_nil = nil; }

    enum { PROP_TEXT };
    NYXML_PO_CLASS_CONTRACT(CGiftNote);

private:
    std::wstring m_text;
    bool m_nil = false;
};

// ---- PurchaseOrder ----
class CPurchaseOrder : public NyXmlLib9::CXmlGeneratedClass {
public:
    CPurchaseOrder();
    bool HasOrderDate() const { return m_hasOrderDate; }
    NyXmlLib9::CDateTime GetOrderDate() const { return m_orderDate; }
    void SetOrderDate(const NyXmlLib9::CDateTime& value) {
        m_orderDate = value;
        m_hasOrderDate = true;
    }
    OrderStatus GetStatus() const { return m_status; }
    void SetStatus(OrderStatus value) {
        m_status = value;
        m_hasStatus = true;
    }
    CSmartPtr<NyXmlLib9::CAttributeCol> GetAnyAttributes() const { return m_anyAttributes; }
    CSmartPtr<CAddress> GetShipTo() const { return m_shipTo; }
    void SetShipTo(CAddress* value);
    CSmartPtr<CAddress> GetBillTo() const { return m_billTo; }
    void SetBillTo(CAddress* value);
    CSmartPtr<CComment> GetComment() const { return m_comment; }
    void SetComment(CComment* value);
    CSmartPtr<CAuditInfo> GetAudit() const { return m_audit; }
    CSmartPtr<CItems> GetItems() const { return m_items; }
    CSmartPtr<CPayment> GetPayment() const { return m_payment; }
    CSmartPtr<CDelivery> GetDelivery() const { return m_delivery; }
    void SetDelivery(CDelivery* value);
    CSmartPtr<CParty> GetContact() const { return m_contact; }
    void SetContact(CParty* value);
    CSmartPtr<CGiftNote> GetGiftNote() const { return m_giftNote; }
    void SetGiftNote(CGiftNote* value);
    CSmartPtr<NyXmlLib9::CElement> GetExtension() const { return m_extension; }
    void SetExtension(NyXmlLib9::CElement* value) { m_extension = value; }

    enum {
        PROP_ORDERDATE,
        PROP_STATUS,
        PROP_ANYATTRIBUTES,
        PROP_SHIPTO,
        PROP_BILLTO,
        PROP_COMMENT,
        PROP_AUDIT,
        PROP_ITEMS,
        PROP_PAYMENT,
        PROP_DELIVERY,
        PROP_CONTACT,
        PROP_GIFTNOTE,
        PROP_EXTENSION
    };
    NYXML_PO_CLASS_CONTRACT(CPurchaseOrder);

private:
    NyXmlLib9::CDateTime m_orderDate;
    bool m_hasOrderDate = false;
    OrderStatus m_status = OrderStatus_open;
    bool m_hasStatus = false;
    CSmartPtr<NyXmlLib9::CAttributeCol> m_anyAttributes;
    CSmartPtr<CAddress> m_shipTo, m_billTo;
    CSmartPtr<CComment> m_comment;
    CSmartPtr<CAuditInfo> m_audit;
    CSmartPtr<CItems> m_items;
    CSmartPtr<CPayment> m_payment;
    CSmartPtr<CDelivery> m_delivery;
    CSmartPtr<CParty> m_contact;
    CSmartPtr<CGiftNote> m_giftNote;
    CSmartPtr<NyXmlLib9::CElement> m_extension;
};

class COrderCol : public NyXmlLib9::CXmlTypedObjectCollection<CPurchaseOrder> {
public:
    COrderCol();
};

// ---- PurchaseOrders, the document element ----
class CPurchaseOrders : public NyXmlLib9::CXmlGeneratedClass {
public:
    CPurchaseOrders();
    CSmartPtr<COrderCol> GetOrder() const { return m_order; }

    enum { PROP_ORDER };
    NYXML_PO_CLASS_CONTRACT(CPurchaseOrders);

private:
    CSmartPtr<COrderCol> m_order;
};

#undef NYXML_PO_CLASS_CONTRACT

}  // namespace ExamplePO

#endif
