#include <nyxml/primitivecols.h>

#include <nyxml/conversions.h>
#include <nyxml/variant.h>
#include <nyxml/writer.h>

#include <type_traits>

#include "metadata/FacetBridge.h"

namespace NyXmlLib9 {

// ---- conversions of each item type ----

#define NYXML_TRAITS_CONVERSIONS(Traits, Name, Setter)                                                         \
    std::wstring Traits::ToText(const Value& value, const wchar_t*) { return CConversions::Name##ToString(value); } \
    Traits::Value Traits::FromText(const std::wstring& text, CWhitespaceUtils::WhitespaceRule rule) {          \
        return CConversions::Name##FromString(text, rule);                                                    \
    }                                                                                                          \
    void Traits::ToVariant(NyVariant& variant, const Value& value) { variant.Setter(value); }

NYXML_TRAITS_CONVERSIONS(ChexBinaryTraits, hexBinary, SetHexBinary)
NYXML_TRAITS_CONVERSIONS(Cbase64BinaryTraits, base64Binary, SetBase64Binary)
NYXML_TRAITS_CONVERSIONS(Ci1Traits, i1, SetI1)
NYXML_TRAITS_CONVERSIONS(Ci2Traits, i2, SetI2)
NYXML_TRAITS_CONVERSIONS(Ci4Traits, i4, SetI4)
NYXML_TRAITS_CONVERSIONS(Ci8Traits, i8, SetI8)
NYXML_TRAITS_CONVERSIONS(Cui1Traits, ui1, SetUI1)
NYXML_TRAITS_CONVERSIONS(Cui2Traits, ui2, SetUI2)
NYXML_TRAITS_CONVERSIONS(Cui4Traits, ui4, SetUI4)
NYXML_TRAITS_CONVERSIONS(Cui8Traits, ui8, SetUI8)
NYXML_TRAITS_CONVERSIONS(CdurationTraits, duration, SetDuration)
NYXML_TRAITS_CONVERSIONS(CyearTraits, year, SetYear)
NYXML_TRAITS_CONVERSIONS(CmonthTraits, month, SetMonth)
NYXML_TRAITS_CONVERSIONS(CdayTraits, day, SetDay)
NYXML_TRAITS_CONVERSIONS(CstringTraits, string, SetString)
NYXML_TRAITS_CONVERSIONS(CbooleanTraits, boolean, SetBoolean)
NYXML_TRAITS_CONVERSIONS(CintegerTraits, integer, SetInteger)

#undef NYXML_TRAITS_CONVERSIONS

// Floating point and decimals take the collection's number format.
std::wstring Cr4Traits::ToText(const Value& value, const wchar_t* format) {
    return CConversions::r4ToString(value, format);
}
Cr4Traits::Value Cr4Traits::FromText(const std::wstring& text, CWhitespaceUtils::WhitespaceRule rule) {
    return CConversions::r4FromString(text, rule);
}
void Cr4Traits::ToVariant(NyVariant& variant, const Value& value) { variant.SetR4(value); }

std::wstring Cr8Traits::ToText(const Value& value, const wchar_t* format) {
    return CConversions::r8ToString(value, format);
}
Cr8Traits::Value Cr8Traits::FromText(const std::wstring& text, CWhitespaceUtils::WhitespaceRule rule) {
    return CConversions::r8FromString(text, rule);
}
void Cr8Traits::ToVariant(NyVariant& variant, const Value& value) { variant.SetR8(value); }

std::wstring CdecimalTraits::ToText(const Value& value, const wchar_t* format) {
    return CConversions::decimalToString(value, format);
}
CdecimalTraits::Value CdecimalTraits::FromText(const std::wstring& text, CWhitespaceUtils::WhitespaceRule rule) {
    return CConversions::decimalFromString(text, rule);
}
void CdecimalTraits::ToVariant(NyVariant& variant, const Value& value) { variant.SetDecimal(value); }

// The date kinds convert through their collection (CdatetimeBaseCol).
std::wstring CdatetimeBaseTraits::ToText(const Value& value, const wchar_t*) { return CConversions::dateToString(value); }
CdatetimeBaseTraits::Value CdatetimeBaseTraits::FromText(const std::wstring& text,
                                                         CWhitespaceUtils::WhitespaceRule rule) {
    return CConversions::datetimeFromString(text, rule);
}
void CdatetimeBaseTraits::ToVariant(NyVariant& variant, const Value& value) { variant.SetDateTime(value); }

// ---- the collection ----

template <class Traits>
CXmlPrimitiveCollection<Traits>::CXmlPrimitiveCollection(
    const wchar_t* elementName, const wchar_t* namespaceUri, int minOccurs, int maxOccurs, const wchar_t* pattern,
    int minLength, int maxLength, const wchar_t* minInclusive, const wchar_t* maxInclusive,
    const wchar_t* minExclusive, const wchar_t* maxExclusive, int length,
    CWhitespaceUtils::WhitespaceRule whitespace, const wchar_t* format)
    : CXmlPrimitiveCollection(Traits::kType, elementName, namespaceUri, minOccurs, maxOccurs, pattern, minLength,
                              maxLength, minInclusive, maxInclusive, minExclusive, maxExclusive, length, whitespace,
                              format) {}

template <class Traits>
CXmlPrimitiveCollection<Traits>::CXmlPrimitiveCollection(
    ItemType itemType, const wchar_t* elementName, const wchar_t* namespaceUri, int minOccurs, int maxOccurs,
    const wchar_t* pattern, int minLength, int maxLength, const wchar_t* minInclusive, const wchar_t* maxInclusive,
    const wchar_t* minExclusive, const wchar_t* maxExclusive, int length,
    CWhitespaceUtils::WhitespaceRule whitespace, const wchar_t* format)
    : CXmlTypeCollection(itemType, elementName, namespaceUri, minOccurs, maxOccurs, pattern, minLength, maxLength,
                         minInclusive, maxInclusive, minExclusive, maxExclusive, length, whitespace, format) {}

template <class Traits>
CXmlPrimitiveCollection<Traits>::CXmlPrimitiveCollection(const CXmlPrimitiveCollection& other)
    : CXmlTypeCollection(other), CInstanceMonitor(), m_items(other.m_items) {}

template <class Traits>
CXmlPrimitiveCollection<Traits>& CXmlPrimitiveCollection<Traits>::operator=(const CXmlPrimitiveCollection& other) {
    if (this != &other) {
        CXmlTypeCollection::operator=(other);
        m_items = other.m_items;
    }
    return *this;
}

template <class Traits>
CXmlPrimitiveCollection<Traits>::~CXmlPrimitiveCollection() = default;

template <class Traits>
void CXmlPrimitiveCollection<Traits>::CheckKind(const Value&) const {}

template <class Traits>
std::wstring CXmlPrimitiveCollection<Traits>::ItemToText(const Value& value) const {
    return Traits::ToText(value, GetFormat());
}

template <class Traits>
typename CXmlPrimitiveCollection<Traits>::Value CXmlPrimitiveCollection<Traits>::ItemFromText(
    const std::wstring& text) const {
    return Traits::FromText(text, GetWhitespace());
}

template <class Traits>
void CXmlPrimitiveCollection<Traits>::CheckFacets(const Value& value) const {
    if (GetRestrictions().IsEmpty()) return;
    NyVariant variant;
    Traits::ToVariant(variant, value);
    NyXmlLib9::CheckFacets(GetElementName(), variant, GetItemType(), GetRestrictions());
}

template <class Traits>
void CXmlPrimitiveCollection<Traits>::AddAt(int index, const Value& value) {
    if constexpr (std::is_same<Traits, CdatetimeBaseTraits>::value) {
        // The date and time collections check the value (its kind, then its
        // facets) before a listener hears of it, and the index last.
        CheckKind(value);
        CheckFacets(value);
        FireOnCollectionAdd(const_cast<Value*>(&value));
        if (index < 0 || index > GetCount()) throw CNyInvalidParamException(L"Index out of range");
    } else {
        FireOnCollectionAdd(const_cast<Value*>(&value));
        if (index < 0 || index > GetCount()) throw CNyInvalidParamException(L"Index out of range");
        CheckFacets(value);
    }
    m_items.insert(m_items.begin() + index, value);
    FireOnCollectionAddComplete(const_cast<Value*>(&value));
    FireOnCollectionChange();
}

template <class Traits>
typename CXmlPrimitiveCollection<Traits>::Value CXmlPrimitiveCollection<Traits>::Item(int index) const {
    if (index < 0 || index > GetCount() - 1)
        throw CNyInvalidParamException(FormatString(L"Index %d is out of range, use 0 - %d", index, GetCount() - 1));
    return m_items[static_cast<size_t>(index)];
}

template <class Traits>
void CXmlPrimitiveCollection<Traits>::Remove(int index) {
    FireOnCollectionRemove(index);
    if (index < 0 || index > GetCount() - 1)
        throw CNyInvalidParamException(FormatString(L"Index %d is out of range, use 0 - %d", index, GetCount() - 1));
    m_items.erase(m_items.begin() + index);
    FireOnCollectionRemoveComplete(index);
    FireOnCollectionChange();
}

template <class Traits>
void CXmlPrimitiveCollection<Traits>::Clear() {
    while (GetCount() > 0) Remove(0);
}

template <class Traits>
void CXmlPrimitiveCollection<Traits>::AddFromString(std::wstring text) {
    Value value = ItemFromText(text);
    AddAt(GetCount(), value);
}

template <class Traits>
void CXmlPrimitiveCollection<Traits>::ToXml_Int(CXmlWriter* writer, bool, const wchar_t*,
                                                const CXmlSerializationContext& ctx, bool) const {
    ValidateCount(ctx);
    const std::wstring name = GetElementName();
    const std::wstring& ns = NamespaceField();
    for (const Value& item : m_items) {
        writer->StartElement(name, ns);
        writer->WriteText(ItemToText(item), TextItemType());
        writer->EndElement();
    }
}

template class CXmlPrimitiveCollection<ChexBinaryTraits>;
template class CXmlPrimitiveCollection<Cbase64BinaryTraits>;
template class CXmlPrimitiveCollection<Ci1Traits>;
template class CXmlPrimitiveCollection<Ci2Traits>;
template class CXmlPrimitiveCollection<Ci4Traits>;
template class CXmlPrimitiveCollection<Ci8Traits>;
template class CXmlPrimitiveCollection<Cui1Traits>;
template class CXmlPrimitiveCollection<Cui2Traits>;
template class CXmlPrimitiveCollection<Cui4Traits>;
template class CXmlPrimitiveCollection<Cui8Traits>;
template class CXmlPrimitiveCollection<Cr4Traits>;
template class CXmlPrimitiveCollection<Cr8Traits>;
template class CXmlPrimitiveCollection<CdurationTraits>;
template class CXmlPrimitiveCollection<CyearTraits>;
template class CXmlPrimitiveCollection<CmonthTraits>;
template class CXmlPrimitiveCollection<CdayTraits>;
template class CXmlPrimitiveCollection<CstringTraits>;
template class CXmlPrimitiveCollection<CbooleanTraits>;
template class CXmlPrimitiveCollection<CdecimalTraits>;
template class CXmlPrimitiveCollection<CintegerTraits>;
template class CXmlPrimitiveCollection<CdatetimeBaseTraits>;

ChexBinaryCol::~ChexBinaryCol() = default;
Cbase64BinaryCol::~Cbase64BinaryCol() = default;
Ci1Col::~Ci1Col() = default;
Ci2Col::~Ci2Col() = default;
Ci4Col::~Ci4Col() = default;
Ci8Col::~Ci8Col() = default;
Cui1Col::~Cui1Col() = default;
Cui2Col::~Cui2Col() = default;
Cui4Col::~Cui4Col() = default;
Cui8Col::~Cui8Col() = default;
Cr4Col::~Cr4Col() = default;
Cr8Col::~Cr8Col() = default;
CdurationCol::~CdurationCol() = default;
CyearCol::~CyearCol() = default;
CmonthCol::~CmonthCol() = default;
CdayCol::~CdayCol() = default;
CstringCol::~CstringCol() = default;
CbooleanCol::~CbooleanCol() = default;
CdecimalCol::~CdecimalCol() = default;
CintegerCol::~CintegerCol() = default;

// ---- date and time collections ----

CdatetimeBaseCol::CdatetimeBaseCol(ItemType itemType, const wchar_t* elementName, const wchar_t* namespaceUri,
                                   int minOccurs, int maxOccurs, const wchar_t* pattern, int minLength, int maxLength,
                                   const wchar_t* minInclusive, const wchar_t* maxInclusive,
                                   const wchar_t* minExclusive, const wchar_t* maxExclusive, int length,
                                   CWhitespaceUtils::WhitespaceRule whitespace, const wchar_t* format)
    : CXmlPrimitiveCollection<CdatetimeBaseTraits>(itemType, elementName, namespaceUri, minOccurs, maxOccurs,
                                                   pattern, minLength, maxLength, minInclusive, maxInclusive,
                                                   minExclusive, maxExclusive, length, whitespace, format) {}

CdatetimeBaseCol::~CdatetimeBaseCol() = default;

void CdatetimeBaseCol::CheckKind(const CDateTime& value) const {
    if (value.GetType() != Kind())
        throw CNyInvalidParamException(
            FormatString(L"Dates added to this collection must be of type %s", KindName()));
}

std::wstring CdatetimeBaseCol::ItemToText(const CDateTime& value) const {
    switch (GetItemType()) {
        case ItemType_yearMonth: return CConversions::yearMonthToString(value);
        case ItemType_monthDay: return CConversions::monthDayToString(value);
        case ItemType_date: return CConversions::dateToString(value);
        case ItemType_time: return CConversions::timeToString(value);
        default: return CConversions::datetimeToString(value);
    }
}

CDateTime CdatetimeBaseCol::ItemFromText(const std::wstring& text) const {
    switch (GetItemType()) {
        case ItemType_yearMonth: return CConversions::yearMonthFromString(text, GetWhitespace());
        case ItemType_monthDay: return CConversions::monthDayFromString(text, GetWhitespace());
        case ItemType_date: return CConversions::dateFromString(text, GetWhitespace());
        case ItemType_time: return CConversions::timeFromString(text, GetWhitespace());
        default: return CConversions::datetimeFromString(text, GetWhitespace());
    }
}

#define NYXML_DATE_COLLECTION(Name, Type, DateKind, KindText)                                                  \
    Name::Name(const wchar_t* elementName, const wchar_t* namespaceUri, int minOccurs, int maxOccurs,          \
               const wchar_t* pattern, int minLength, int maxLength, const wchar_t* minInclusive,              \
               const wchar_t* maxInclusive, const wchar_t* minExclusive, const wchar_t* maxExclusive,          \
               int length, CWhitespaceUtils::WhitespaceRule whitespace, const wchar_t* format)                 \
        : CdatetimeBaseCol(Type, elementName, namespaceUri, minOccurs, maxOccurs, pattern, minLength,          \
                           maxLength, minInclusive, maxInclusive, minExclusive, maxExclusive, length,          \
                           whitespace, format) {}                                                              \
    Name::~Name() = default;                                                                                   \
    CDateTime::DTType Name::Kind() const { return DateKind; }                                                  \
    const wchar_t* Name::KindName() const { return KindText; }

NYXML_DATE_COLLECTION(CyearMonthCol, ItemType_yearMonth, CDateTime::dt_gYearMonth, L"dt_gYearMonth")
NYXML_DATE_COLLECTION(CmonthDayCol, ItemType_monthDay, CDateTime::dt_gMonthDay, L"dt_gMonthDay")
NYXML_DATE_COLLECTION(CdateCol, ItemType_date, CDateTime::dt_date, L"dt_date")
NYXML_DATE_COLLECTION(CdatetimeCol, ItemType_datetime, CDateTime::dt_dateTime, L"dt_dateTime")
NYXML_DATE_COLLECTION(CtimeCol, ItemType_time, CDateTime::dt_time, L"dt_time")

#undef NYXML_DATE_COLLECTION

}  // namespace NyXmlLib9
