// The facet checks per item type: lengths, bounds and the string pattern.
#include <nyxml/conversions.h>
#include <nyxml/foundation.h>

#include "values/FacetsCheck.h"
#include "values/PatternInternal.h"

namespace NyXmlLib9 {

namespace {

const CWhitespaceUtils::WhitespaceRule kBoundRule = CWhitespaceUtils::WhitespaceRule_Collapse;

// A value's place relative to a bound.
enum class Order { Less, Equal, Greater, Unordered };

template <class T>
Order TotalOrder(const T& value, const T& bound) {
    if (value < bound) return Order::Less;
    if (bound < value) return Order::Greater;
    return Order::Equal;
}

Order FromCompare(CDateTime::DTCompareResult result) {
    switch (result) {
    case CDateTime::DTCompare_Less: return Order::Less;
    case CDateTime::DTCompare_Greater: return Order::Greater;
    case CDateTime::DTCompare_Equal: return Order::Equal;
    default: return Order::Unordered;
    }
}

enum Bound { MinInclusive, MaxInclusive, MinExclusive, MaxExclusive };

bool Satisfies(Bound bound, Order order, bool unorderedPasses) {
    if (order == Order::Unordered) return unorderedPasses;
    switch (bound) {
    case MinInclusive: return order != Order::Less;
    case MaxInclusive: return order != Order::Greater;
    case MinExclusive: return order == Order::Greater;
    default: return order == Order::Less;
    }
}

// Checks the set bounds in the order minInclusive, maxInclusive,
// minExclusive, maxExclusive; `orderOf(text)` reads a bound and places the
// value against it.
template <class OrderOf>
bool BoundsHold(const CPrimitiveRestrictions& facets, OrderOf orderOf, bool unorderedPasses) {
    const std::wstring* const texts[4] = {&facets.GetMinInclusive(), &facets.GetMaxInclusive(),
                                          &facets.GetMinExclusive(), &facets.GetMaxExclusive()};
    for (int i = 0; i < 4; ++i)
        if (!texts[i]->empty() && !Satisfies(static_cast<Bound>(i), orderOf(*texts[i]), unorderedPasses)) return false;
    return true;
}

bool LengthsHold(const CPrimitiveRestrictions& facets, uint64_t length) {
    const int64_t minLength = facets.GetMinLength(), maxLength = facets.GetMaxLength(), exact = facets.GetLength();
    if (minLength >= 0 && length < static_cast<uint64_t>(minLength)) return false;
    if (maxLength >= 0 && length > static_cast<uint64_t>(maxLength)) return false;
    if (exact >= 0 && length != static_cast<uint64_t>(exact)) return false;
    return true;
}

// Length in UTF-16 code units: an element above U+FFFF counts as its pair.
uint64_t Utf16Length(const std::wstring& text) {
    uint64_t length = text.size();
    for (wchar_t c : text)
        if (static_cast<uint32_t>(c) > 0xFFFF) ++length;
    return length;
}

[[noreturn]] void ThrowInvalid(const wchar_t* name, const std::wstring& value) {
    throw CNyException(FormatString(L"Invalid Value for %s [%s]", name, value.c_str()));
}

const wchar_t* TypeName(ItemType type) {
    static const wchar_t* const kNames[] = {
        L"",         L"hexBinary", L"base64Binary", L"i1",    L"i2",     L"i4",       L"i8",      L"ui1",
        L"ui2",      L"ui4",       L"ui8",          L"r4",    L"r8",     L"duration", L"yearMonth", L"monthDay",
        L"year",     L"month",     L"day",          L"date",  L"datetime", L"time",   L"char",    L"string",
        L"boolean",  L"decimal",   L"integer"};
    return type > 0 && type <= ItemType_integer ? kNames[type] : L"";
}

int64_t IntegerBound(ItemType type, const std::wstring& text) {
    switch (type) {
    case ItemType_i1: return CConversions::i1FromString(text, kBoundRule);
    case ItemType_i2: return CConversions::i2FromString(text, kBoundRule);
    case ItemType_i4: return CConversions::i4FromString(text, kBoundRule);
    case ItemType_ui1: return CConversions::ui1FromString(text, kBoundRule);
    case ItemType_ui2: return CConversions::ui2FromString(text, kBoundRule);
    case ItemType_ui4: return CConversions::ui4FromString(text, kBoundRule);
    case ItemType_year: return CConversions::yearFromString(text, kBoundRule);
    case ItemType_month: return CConversions::monthFromString(text, kBoundRule);
    case ItemType_day: return CConversions::dayFromString(text, kBoundRule);
    default: CFacetCheck::ThrowUnknownType(TypeName(type));
    }
}

CDateTime DateBound(ItemType type, const std::wstring& text) {
    switch (type) {
    case ItemType_yearMonth: return CConversions::yearMonthFromString(text, kBoundRule);
    case ItemType_monthDay: return CConversions::monthDayFromString(text, kBoundRule);
    case ItemType_date: return CConversions::dateFromString(text, kBoundRule);
    case ItemType_datetime: return CConversions::datetimeFromString(text, kBoundRule);
    case ItemType_time: return CConversions::timeFromString(text, kBoundRule);
    default: CFacetCheck::ThrowUnknownType(TypeName(type));
    }
}

bool PatternMatches(CPatternCache& cache, const std::wstring& pattern, const wchar_t* name, const std::wstring& value) {
    try {
        return cache.Get(pattern).Matches(value);
    } catch (const CNyException& error) {
        throw CNyException(
            FormatString(L"%s\nInvalid Value for %s [%s]", error.GetFullMessage().c_str(), name, value.c_str()));
    }
}

}  // namespace

void CFacetCheck::ThrowUnknownType(const std::wstring& typeName) {
    throw CNyInvalidValueException(L"unknown type [" + typeName + L"]");
}

void CFacetCheck::CheckBinary(const wchar_t* name, const CBinaryData& value, const CPrimitiveRestrictions& facets) {
    if (!LengthsHold(facets, value.GetLength())) ThrowInvalid(name, value.GetAsHexString());
}

void CFacetCheck::CheckInteger(const wchar_t* name, ItemType type, int64_t value,
                               const CPrimitiveRestrictions& facets) {
    auto orderOf = [&](const std::wstring& text) { return TotalOrder(value, IntegerBound(type, text)); };
    // %d as the messages have always printed it: ui4 values above 2^31 - 1 show as negative.
    if (!BoundsHold(facets, orderOf, false))
        throw CNyException(FormatString(L"Invalid Value for %s [%d]", name, static_cast<int>(value)));
}

void CFacetCheck::CheckI8(const wchar_t* name, int64_t value, const CPrimitiveRestrictions& facets) {
    auto orderOf = [&](const std::wstring& text) { return TotalOrder(value, CConversions::i8FromString(text, kBoundRule)); };
    if (!BoundsHold(facets, orderOf, false)) ThrowInvalid(name, CConversions::i8ToString(value));
}

void CFacetCheck::CheckUI8(const wchar_t* name, uint64_t value, const CPrimitiveRestrictions& facets) {
    auto orderOf = [&](const std::wstring& text) {
        return TotalOrder(value, CConversions::ui8FromString(text, kBoundRule));
    };
    if (!BoundsHold(facets, orderOf, false)) ThrowInvalid(name, CConversions::ui8ToString(value));
}

void CFacetCheck::CheckReal(const wchar_t* name, ItemType type, double value, const CPrimitiveRestrictions& facets) {
    if (type != ItemType_r4 && type != ItemType_r8) ThrowUnknownType(TypeName(type));
    auto orderOf = [&](const std::wstring& text) {
        const double bound = type == ItemType_r4 ? CConversions::r4FromString(text, kBoundRule)
                                                 : CConversions::r8FromString(text, kBoundRule);
        // A not-a-number value or bound is unordered, and fails the bound.
        return value < bound ? Order::Less : value > bound ? Order::Greater : value == bound ? Order::Equal
                                                                                               : Order::Unordered;
    };
    if (!BoundsHold(facets, orderOf, false))
        throw CNyException(FormatString(L"Invalid Value for %s [%f]", name, value));
}

void CFacetCheck::CheckDuration(const wchar_t* name, const CDateTimeSpan& value,
                                const CPrimitiveRestrictions& facets) {
    auto orderOf = [&](const std::wstring& text) {
        return FromCompare(value.CompareTo(CConversions::durationFromString(text, kBoundRule)));
    };
    if (!BoundsHold(facets, orderOf, true)) ThrowInvalid(name, value.ToString());
}

void CFacetCheck::CheckDateTime(const wchar_t* name, ItemType type, const CDateTime& value,
                                const CPrimitiveRestrictions& facets) {
    auto orderOf = [&](const std::wstring& text) { return FromCompare(value.CompareTo(DateBound(type, text))); };
    if (!BoundsHold(facets, orderOf, true)) ThrowInvalid(name, value.ToString());
}

void CFacetCheck::CheckString(const wchar_t* name, const std::wstring& value, const CPrimitiveRestrictions& facets) {
    if (!LengthsHold(facets, Utf16Length(value))) ThrowInvalid(name, value);
    if (facets.m_patternCache && !PatternMatches(*facets.m_patternCache, facets.m_pattern, name, value))
        ThrowInvalid(name, value);
}

void CFacetCheck::CheckDecimal(const wchar_t* name, const CDecimal& value, const CPrimitiveRestrictions& facets) {
    auto orderOf = [&](const std::wstring& text) {
        return TotalOrder(value, CConversions::decimalFromString(text, kBoundRule));
    };
    if (!BoundsHold(facets, orderOf, false)) ThrowInvalid(name, value.ToString());
}

void CFacetCheck::CheckBigInteger(const wchar_t* name, const CBigInteger& value,
                                  const CPrimitiveRestrictions& facets) {
    auto orderOf = [&](const std::wstring& text) {
        return TotalOrder(value, CConversions::integerFromString(text, kBoundRule));
    };
    if (!BoundsHold(facets, orderOf, false)) ThrowInvalid(name, value.ToString());
}

}  // namespace NyXmlLib9
