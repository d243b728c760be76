// Shared pieces of the date, time and duration values: calendar rules, floor
// division, digit writers, and the access the parsers and arithmetic need to
// the fields of CDateTime.
#ifndef NYXML_SRC_VALUES_DATETIMEINTERNAL_H
#define NYXML_SRC_VALUES_DATETIMEINTERNAL_H

#include <nyxml/datetime.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace NyXmlLib9 {
namespace DateTimeDetail {

// The leap rule applied to the year as stored (so -4 and -400 are leap years).
inline bool IsLeapYear(int64_t year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

// Length of a month 1..12 of the given year.
int DaysInMonth(int64_t year, int month);
// Length of a month 1..12 with February counted as 29 days.
int MaxDaysInMonth(int month);

// The name GetTypeAsString gives a type; empty above 8.
const wchar_t* TypeName(CDateTime::DTType type);

// Which fields a type uses.
inline bool UsesYear(CDateTime::DTType t) {
    return t == CDateTime::dt_dateTime || t == CDateTime::dt_date || t == CDateTime::dt_gYearMonth ||
           t == CDateTime::dt_gYear;
}
inline bool UsesMonth(CDateTime::DTType t) {
    return t == CDateTime::dt_dateTime || t == CDateTime::dt_date || t == CDateTime::dt_gYearMonth ||
           t == CDateTime::dt_gMonthDay || t == CDateTime::dt_gMonth;
}
inline bool UsesDay(CDateTime::DTType t) {
    return t == CDateTime::dt_dateTime || t == CDateTime::dt_date || t == CDateTime::dt_gMonthDay ||
           t == CDateTime::dt_gDay;
}
inline bool UsesTime(CDateTime::DTType t) { return t == CDateTime::dt_dateTime || t == CDateTime::dt_time; }

inline bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// q = floor(x / n), r = x - q * n, for n > 0.
template <class T>
inline void FloorDivMod(T x, T n, T& q, T& r) {
    q = x / n;
    r = x % n;
    if (r < 0) {
        r += n;
        --q;
    }
}

// Writes value in decimal, zero-padded to at least minDigits; returns the end.
wchar_t* WriteUnsigned(wchar_t* out, uint64_t value, int minDigits);
// Writes "." and the three-digit fraction groups down to the last non-zero one,
// that last group without its trailing zeros; nothing if all three are 0.
wchar_t* WriteFraction(wchar_t* out, unsigned milli, unsigned micro, unsigned nano);

// Calendar fields in one wide type, for setters and checks alike.
struct Fields {
    int64_t year, month, day, hour, minute, second, milli, micro, nano;
};

// The checks of CDateTime::Validate on widened fields; throws CNyInvalidValueException.
void ValidateFields(CDateTime::DTType type, const Fields& f);

}  // namespace DateTimeDetail

// Field-level operations on CDateTime used by its own translation units.
struct DateTimeAccess {
    static DateTimeDetail::Fields GetFields(const CDateTime& dt);
    // Sets the value as `type`: type check, store (truncated to the field
    // widths), validation of what was stored.
    static void SetAs(CDateTime& dt, CDateTime::DTType type, const DateTimeDetail::Fields& f);
    // The date-family parse of text[0, length); `text` need not end there.
    static void ParseDatePart(CDateTime& dt, const wchar_t* text, size_t length);
    static void ParseZone(CDateTime& dt, const wchar_t* zone, size_t length);
    // The fields of dt plus span (XSD addition), the year not limited to 16 bits.
    static DateTimeDetail::Fields AddSpan(const CDateTime& dt, const CDateTimeSpan& span);
    // Compares the fields present in the types of both operands.
    static CDateTime::DTCompareResult FieldCompare(const CDateTime& a, const CDateTime& b);
};

}  // namespace NyXmlLib9

#endif
