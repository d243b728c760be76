// The facet check run after a value has been converted: one operation per
// family of item types, and a dispatcher over any variant-like value. Every
// violation names the element or attribute and the value in its message.
#ifndef NYXML_SRC_VALUES_FACETSCHECK_H
#define NYXML_SRC_VALUES_FACETSCHECK_H

#include <nyxml/biginteger.h>
#include <nyxml/binarydata.h>
#include <nyxml/datetime.h>
#include <nyxml/decimal.h>
#include <nyxml/facets.h>
#include <nyxml/types.h>

#include <cstdint>
#include <string>

namespace NyXmlLib9 {

// Bounds are read with the item type's own FromString under the collapse rule
// at every check; a bound that does not convert throws that conversion's
// CNyInvalidValueException. A violated facet throws CNyException
// "Invalid Value for <name> [<value>]".
class CFacetCheck {
public:
    // hexBinary and base64Binary: minLength, maxLength, length on the byte
    // count; the value is quoted as hex text.
    static void CheckBinary(const wchar_t* name, const CBinaryData& value, const CPrimitiveRestrictions& facets);
    // i1, i2, i4, ui1, ui2, ui4, year, month, day: bounds, printed with %d.
    static void CheckInteger(const wchar_t* name, ItemType type, int64_t value, const CPrimitiveRestrictions& facets);
    static void CheckI8(const wchar_t* name, int64_t value, const CPrimitiveRestrictions& facets);
    static void CheckUI8(const wchar_t* name, uint64_t value, const CPrimitiveRestrictions& facets);
    // r4 and r8: bounds, printed with %f; not-a-number fails every set bound.
    static void CheckReal(const wchar_t* name, ItemType type, double value, const CPrimitiveRestrictions& facets);
    // Partially ordered: an indeterminate comparison passes.
    static void CheckDuration(const wchar_t* name, const CDateTimeSpan& value, const CPrimitiveRestrictions& facets);
    // yearMonth, monthDay, date, datetime, time.
    static void CheckDateTime(const wchar_t* name, ItemType type, const CDateTime& value,
                              const CPrimitiveRestrictions& facets);
    // minLength, maxLength, length in UTF-16 units, then the pattern.
    static void CheckString(const wchar_t* name, const std::wstring& value, const CPrimitiveRestrictions& facets);
    static void CheckDecimal(const wchar_t* name, const CDecimal& value, const CPrimitiveRestrictions& facets);
    static void CheckBigInteger(const wchar_t* name, const CBigInteger& value, const CPrimitiveRestrictions& facets);
    // CNyInvalidValueException "unknown type [<typeName>]".
    [[noreturn]] static void ThrowUnknownType(const std::wstring& typeName);

    // The whole check on a variant (any class with the getters of NyVariant):
    // picks the getter and the operation by `type`; boolean is never checked;
    // char and any type outside 1 to 26 throw "unknown type [" + value.GetType() + "]".
    template <class Variant>
    static void Check(const wchar_t* name, const Variant& value, ItemType type, const CPrimitiveRestrictions& facets);
};

template <class Variant>
void CFacetCheck::Check(const wchar_t* name, const Variant& value, ItemType type,
                        const CPrimitiveRestrictions& facets) {
    switch (type) {
    case ItemType_hexBinary: return CheckBinary(name, value.GetHexBinary(), facets);
    case ItemType_base64Binary: return CheckBinary(name, value.GetBase64Binary(), facets);
    case ItemType_i1: return CheckInteger(name, type, static_cast<int8_t>(value.GetI1()), facets);
    case ItemType_i2: return CheckInteger(name, type, static_cast<int16_t>(value.GetI2()), facets);
    case ItemType_i4: return CheckInteger(name, type, static_cast<int32_t>(value.GetI4()), facets);
    case ItemType_i8: return CheckI8(name, static_cast<int64_t>(value.GetI8()), facets);
    case ItemType_ui1: return CheckInteger(name, type, static_cast<uint8_t>(value.GetUI1()), facets);
    case ItemType_ui2: return CheckInteger(name, type, static_cast<uint16_t>(value.GetUI2()), facets);
    case ItemType_ui4: return CheckInteger(name, type, static_cast<uint32_t>(value.GetUI4()), facets);
    case ItemType_ui8: return CheckUI8(name, static_cast<uint64_t>(value.GetUI8()), facets);
    case ItemType_r4: return CheckReal(name, type, static_cast<float>(value.GetR4()), facets);
    case ItemType_r8: return CheckReal(name, type, static_cast<double>(value.GetR8()), facets);
    case ItemType_duration: return CheckDuration(name, value.GetDuration(), facets);
    case ItemType_yearMonth: return CheckDateTime(name, type, value.GetYearMonth(), facets);
    case ItemType_monthDay: return CheckDateTime(name, type, value.GetMonthDay(), facets);
    case ItemType_year: return CheckInteger(name, type, static_cast<uint16_t>(value.GetYear()), facets);
    case ItemType_month: return CheckInteger(name, type, static_cast<uint8_t>(value.GetMonth()), facets);
    case ItemType_day: return CheckInteger(name, type, static_cast<uint8_t>(value.GetDay()), facets);
    case ItemType_date: return CheckDateTime(name, type, value.GetDate(), facets);
    case ItemType_datetime: return CheckDateTime(name, type, value.GetDateTime(), facets);
    case ItemType_time: return CheckDateTime(name, type, value.GetTime(), facets);
    case ItemType_string: return CheckString(name, value.GetString(), facets);
    case ItemType_boolean: return;
    case ItemType_decimal: return CheckDecimal(name, value.GetDecimal(), facets);
    case ItemType_integer: return CheckBigInteger(name, value.GetInteger(), facets);
    default: ThrowUnknownType(value.GetType());
    }
}

}  // namespace NyXmlLib9

#endif
