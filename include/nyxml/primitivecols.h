// Collections of primitive values: one class per XSD item type, each holding
// its items by value, checking every added value against the facets and
// writing each item as one element.
#ifndef NYXML_PRIMITIVECOLS_H
#define NYXML_PRIMITIVECOLS_H

#include <nyxml/binarydata.h>
#include <nyxml/biginteger.h>
#include <nyxml/collections.h>
#include <nyxml/datetime.h>
#include <nyxml/decimal.h>
#include <nyxml/export.h>
#include <nyxml/facets.h>
#include <nyxml/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace NyXmlLib9 {

struct NyVariant;

// What a collection of one item type needs to know of it; the conversions are
// defined with the collections.
#define NYXML_PRIMITIVE_TRAITS(Name, ValueType, Type)                                                 \
    struct Name {                                                                                     \
        typedef ValueType Value;                                                                      \
        static const ItemType kType = Type;                                                           \
        static std::wstring ToText(const Value& value, const wchar_t* format);                        \
        static Value FromText(const std::wstring& text, CWhitespaceUtils::WhitespaceRule rule);       \
        static void ToVariant(NyVariant& variant, const Value& value);                                \
    }

NYXML_PRIMITIVE_TRAITS(ChexBinaryTraits, CBinaryData, ItemType_hexBinary);
NYXML_PRIMITIVE_TRAITS(Cbase64BinaryTraits, CBinaryData, ItemType_base64Binary);
NYXML_PRIMITIVE_TRAITS(Ci1Traits, int8_t, ItemType_i1);
NYXML_PRIMITIVE_TRAITS(Ci2Traits, int16_t, ItemType_i2);
NYXML_PRIMITIVE_TRAITS(Ci4Traits, int32_t, ItemType_i4);
NYXML_PRIMITIVE_TRAITS(Ci8Traits, int64_t, ItemType_i8);
NYXML_PRIMITIVE_TRAITS(Cui1Traits, uint8_t, ItemType_ui1);
NYXML_PRIMITIVE_TRAITS(Cui2Traits, uint16_t, ItemType_ui2);
NYXML_PRIMITIVE_TRAITS(Cui4Traits, uint32_t, ItemType_ui4);
NYXML_PRIMITIVE_TRAITS(Cui8Traits, uint64_t, ItemType_ui8);
NYXML_PRIMITIVE_TRAITS(Cr4Traits, float, ItemType_r4);
NYXML_PRIMITIVE_TRAITS(Cr8Traits, double, ItemType_r8);
NYXML_PRIMITIVE_TRAITS(CdurationTraits, CDateTimeSpan, ItemType_duration);
NYXML_PRIMITIVE_TRAITS(CyearTraits, uint16_t, ItemType_year);
NYXML_PRIMITIVE_TRAITS(CmonthTraits, uint8_t, ItemType_month);
NYXML_PRIMITIVE_TRAITS(CdayTraits, uint8_t, ItemType_day);
NYXML_PRIMITIVE_TRAITS(CstringTraits, std::wstring, ItemType_string);
NYXML_PRIMITIVE_TRAITS(CbooleanTraits, bool, ItemType_boolean);
NYXML_PRIMITIVE_TRAITS(CdecimalTraits, CDecimal, ItemType_decimal);
NYXML_PRIMITIVE_TRAITS(CintegerTraits, CBigInteger, ItemType_integer);
NYXML_PRIMITIVE_TRAITS(CdatetimeBaseTraits, CDateTime, ItemType_datetime);

#undef NYXML_PRIMITIVE_TRAITS

template <class Traits>
class CXmlPrimitiveCollection : public CXmlTypeCollection, private CInstanceMonitor {
public:
    typedef typename Traits::Value Value;
    typedef typename std::vector<Value>::const_iterator const_iterator;

    // Facet arguments in their order, then the whitespace rule and the number format.
    CXmlPrimitiveCollection(const wchar_t* elementName, const wchar_t* namespaceUri, int minOccurs, int maxOccurs,
                            const wchar_t* pattern = nullptr, int minLength = -1, int maxLength = -1,
                            const wchar_t* minInclusive = nullptr, const wchar_t* maxInclusive = nullptr,
                            const wchar_t* minExclusive = nullptr, const wchar_t* maxExclusive = nullptr,
                            int length = -1,
                            CWhitespaceUtils::WhitespaceRule whitespace = CWhitespaceUtils::WhitespaceRule_Collapse,
                            const wchar_t* format = nullptr);
    CXmlPrimitiveCollection(const CXmlPrimitiveCollection& other);
    CXmlPrimitiveCollection& operator=(const CXmlPrimitiveCollection& other);
    ~CXmlPrimitiveCollection() override;

    CXmlObjectBase* GetBase() override { return this; }

    void Add(const Value& value) { AddAt(GetCount(), value); }
    // Tells the listeners, checks the index and the facets, inserts before index
    // (the date and time collections check the kind and the facets first).
    virtual void AddAt(int index, const Value& value);
    Value Item(int index) const;
    void Remove(int index) override;
    void Clear() override;
    int GetCount() const override { return static_cast<int>(m_items.size()); }
    void AddFromString(std::wstring text) override;

    const_iterator begin() const { return m_items.begin(); }
    const_iterator end() const { return m_items.end(); }

protected:
    // For collections whose item type differs from their storage's (the date kinds).
    CXmlPrimitiveCollection(ItemType itemType, const wchar_t* elementName, const wchar_t* namespaceUri, int minOccurs,
                            int maxOccurs, const wchar_t* pattern, int minLength, int maxLength,
                            const wchar_t* minInclusive, const wchar_t* maxInclusive, const wchar_t* minExclusive,
                            const wchar_t* maxExclusive, int length, CWhitespaceUtils::WhitespaceRule whitespace,
                            const wchar_t* format);

    void ToXml_Int(CXmlWriter* writer, bool isDocumentRoot, const wchar_t* namespaceUri,
                   const CXmlSerializationContext& ctx, bool flag) const override;
    // Hooks of the date and time collections.
    virtual void CheckKind(const Value& value) const;
    virtual std::wstring ItemToText(const Value& value) const;
    virtual Value ItemFromText(const std::wstring& text) const;
    virtual ItemType TextItemType() const { return Traits::kType; }

private:
    void CheckFacets(const Value& value) const;

    std::vector<Value> m_items;
};

extern template class NYXML_API CXmlPrimitiveCollection<ChexBinaryTraits>;
extern template class NYXML_API CXmlPrimitiveCollection<Cbase64BinaryTraits>;
extern template class NYXML_API CXmlPrimitiveCollection<Ci1Traits>;
extern template class NYXML_API CXmlPrimitiveCollection<Ci2Traits>;
extern template class NYXML_API CXmlPrimitiveCollection<Ci4Traits>;
extern template class NYXML_API CXmlPrimitiveCollection<Ci8Traits>;
extern template class NYXML_API CXmlPrimitiveCollection<Cui1Traits>;
extern template class NYXML_API CXmlPrimitiveCollection<Cui2Traits>;
extern template class NYXML_API CXmlPrimitiveCollection<Cui4Traits>;
extern template class NYXML_API CXmlPrimitiveCollection<Cui8Traits>;
extern template class NYXML_API CXmlPrimitiveCollection<Cr4Traits>;
extern template class NYXML_API CXmlPrimitiveCollection<Cr8Traits>;
extern template class NYXML_API CXmlPrimitiveCollection<CdurationTraits>;
extern template class NYXML_API CXmlPrimitiveCollection<CyearTraits>;
extern template class NYXML_API CXmlPrimitiveCollection<CmonthTraits>;
extern template class NYXML_API CXmlPrimitiveCollection<CdayTraits>;
extern template class NYXML_API CXmlPrimitiveCollection<CstringTraits>;
extern template class NYXML_API CXmlPrimitiveCollection<CbooleanTraits>;
extern template class NYXML_API CXmlPrimitiveCollection<CdecimalTraits>;
extern template class NYXML_API CXmlPrimitiveCollection<CintegerTraits>;
extern template class NYXML_API CXmlPrimitiveCollection<CdatetimeBaseTraits>;

#define NYXML_PRIMITIVE_COLLECTION(Name, Traits)                                        \
    class NYXML_API Name : public CXmlPrimitiveCollection<Traits> {                     \
    public:                                                                             \
        using CXmlPrimitiveCollection<Traits>::CXmlPrimitiveCollection;                 \
        Name(const Name& other) = default;                                              \
        Name& operator=(const Name& other) = default;                                   \
        ~Name() override;                                                               \
    }

NYXML_PRIMITIVE_COLLECTION(ChexBinaryCol, ChexBinaryTraits);
NYXML_PRIMITIVE_COLLECTION(Cbase64BinaryCol, Cbase64BinaryTraits);
NYXML_PRIMITIVE_COLLECTION(Ci1Col, Ci1Traits);
NYXML_PRIMITIVE_COLLECTION(Ci2Col, Ci2Traits);
NYXML_PRIMITIVE_COLLECTION(Ci4Col, Ci4Traits);
NYXML_PRIMITIVE_COLLECTION(Ci8Col, Ci8Traits);
NYXML_PRIMITIVE_COLLECTION(Cui1Col, Cui1Traits);
NYXML_PRIMITIVE_COLLECTION(Cui2Col, Cui2Traits);
NYXML_PRIMITIVE_COLLECTION(Cui4Col, Cui4Traits);
NYXML_PRIMITIVE_COLLECTION(Cui8Col, Cui8Traits);
NYXML_PRIMITIVE_COLLECTION(Cr4Col, Cr4Traits);
NYXML_PRIMITIVE_COLLECTION(Cr8Col, Cr8Traits);
NYXML_PRIMITIVE_COLLECTION(CdurationCol, CdurationTraits);
NYXML_PRIMITIVE_COLLECTION(CyearCol, CyearTraits);
NYXML_PRIMITIVE_COLLECTION(CmonthCol, CmonthTraits);
NYXML_PRIMITIVE_COLLECTION(CdayCol, CdayTraits);
NYXML_PRIMITIVE_COLLECTION(CstringCol, CstringTraits);
NYXML_PRIMITIVE_COLLECTION(CbooleanCol, CbooleanTraits);
NYXML_PRIMITIVE_COLLECTION(CdecimalCol, CdecimalTraits);
NYXML_PRIMITIVE_COLLECTION(CintegerCol, CintegerTraits);

#undef NYXML_PRIMITIVE_COLLECTION

// The operations shared by the five date and time collections; each adds the
// check of the value's date kind and its own conversion.
class NYXML_API CdatetimeBaseCol : public CXmlPrimitiveCollection<CdatetimeBaseTraits> {
public:
    ~CdatetimeBaseCol() override;

protected:
    CdatetimeBaseCol(ItemType itemType, const wchar_t* elementName, const wchar_t* namespaceUri, int minOccurs,
                     int maxOccurs, const wchar_t* pattern, int minLength, int maxLength, const wchar_t* minInclusive,
                     const wchar_t* maxInclusive, const wchar_t* minExclusive, const wchar_t* maxExclusive,
                     int length, CWhitespaceUtils::WhitespaceRule whitespace, const wchar_t* format);

    void CheckKind(const CDateTime& value) const override;
    std::wstring ItemToText(const CDateTime& value) const override;
    CDateTime ItemFromText(const std::wstring& text) const override;
    ItemType TextItemType() const override { return ItemType_datetime; }
    virtual CDateTime::DTType Kind() const = 0;
    virtual const wchar_t* KindName() const = 0;
};

#define NYXML_DATE_COLLECTION(Name)                                    \
    class NYXML_API Name : public CdatetimeBaseCol {                   \
    public:                                                            \
        Name(const wchar_t* elementName, const wchar_t* namespaceUri, int minOccurs, int maxOccurs,                  \
             const wchar_t* pattern = nullptr, int minLength = -1, int maxLength = -1,                              \
             const wchar_t* minInclusive = nullptr, const wchar_t* maxInclusive = nullptr,                          \
             const wchar_t* minExclusive = nullptr, const wchar_t* maxExclusive = nullptr, int length = -1,         \
             CWhitespaceUtils::WhitespaceRule whitespace = CWhitespaceUtils::WhitespaceRule_Collapse,             \
             const wchar_t* format = nullptr);                                                                       \
        ~Name() override;                                              \
                                                                       \
    protected:                                                         \
        CDateTime::DTType Kind() const override;                       \
        const wchar_t* KindName() const override;                      \
    }

NYXML_DATE_COLLECTION(CyearMonthCol);
NYXML_DATE_COLLECTION(CmonthDayCol);
NYXML_DATE_COLLECTION(CdateCol);
NYXML_DATE_COLLECTION(CdatetimeCol);
NYXML_DATE_COLLECTION(CtimeCol);

#undef NYXML_DATE_COLLECTION

}  // namespace NyXmlLib9

#endif
