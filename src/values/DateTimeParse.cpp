// CDateTime: the XSD lexical parsers (date family, time, zone, dateTime) and
// the validation of field ranges per type.
#include <nyxml/datetime.h>
#include <nyxml/foundation.h>

#include "values/DateTimeInternal.h"

#include <cwchar>

namespace NyXmlLib9 {

using namespace DateTimeDetail;

namespace DateTimeDetail {

int MaxDaysInMonth(int month) {
    static const int kDays[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return kDays[month - 1];
}

int DaysInMonth(int64_t year, int month) {
    return month == 2 && !IsLeapYear(year) ? 28 : MaxDaysInMonth(month);
}

const wchar_t* TypeName(CDateTime::DTType type) {
    static const wchar_t* const kNames[9] = {L"yearZero", L"dateTime", L"date",  L"gYearMonth", L"gYear",
                                             L"time",     L"gDay",     L"gMonth", L"gMonthDay"};
    return type >= 0 && type <= 8 ? kNames[type] : L"";
}

}  // namespace DateTimeDetail

namespace {

[[noreturn]] void ThrowInvalid(const std::wstring& message) { throw CNyInvalidValueException(message); }

[[noreturn]] void FailDate(const wchar_t* text, size_t length) {
    ThrowInvalid(FormatString(L"Invalid XSD Date [%s] expected CCYY-MM-DD[Z|[+|-]hh:mm]",
                              std::wstring(text, length).c_str()));
}

int Digit(wchar_t c) { return c - L'0'; }

// True when text[at..at+count) are all digits; the caller guarantees the range.
bool Digits(const wchar_t* text, size_t at, size_t count) {
    for (size_t i = at; i < at + count; ++i)
        if (!IsDigit(text[i])) return false;
    return true;
}

int Number(const wchar_t* text, size_t at, size_t count) {
    int value = 0;
    for (size_t i = at; i < at + count; ++i) value = value * 10 + Digit(text[i]);
    return value;
}

// "--MM", "--MM--", "---DD" and "--MM-DD", the zone already cut off. Of the
// six-character form only the month digits are read; its last two characters
// are not examined.
bool ParseMonthDayForms(Fields& f, CDateTime::DTType& type, const wchar_t* s, size_t length) {
    if ((length == 4 || length == 6) && Digits(s, 2, 2)) {
        f.month = Number(s, 2, 2);
        type = CDateTime::dt_gMonth;
        return true;
    }
    if (length == 5 && s[2] == L'-' && Digits(s, 3, 2)) {
        f.day = Number(s, 3, 2);
        type = CDateTime::dt_gDay;
        return true;
    }
    if (length == 7 && Digits(s, 2, 2) && s[4] == L'-' && Digits(s, 5, 2)) {
        f.month = Number(s, 2, 2);
        f.day = Number(s, 5, 2);
        type = CDateTime::dt_gMonthDay;
        return true;
    }
    return false;
}

// "[-]CCYY", "[-]CCYY-MM" and "[-]CCYY-MM-DD", the zone already cut off.
bool ParseYearForms(Fields& f, CDateTime::DTType& type, const wchar_t* s, size_t length) {
    const bool negative = length > 0 && s[0] == L'-';
    if (negative) {
        ++s;
        --length;
    }
    if (length != 4 && length != 7 && length != 10) return false;
    if (!Digits(s, 0, 4)) return false;
    f.year = Number(s, 0, 4);
    if (negative) f.year = -f.year;
    type = CDateTime::dt_gYear;
    if (length >= 7) {
        if (s[4] != L'-' || !Digits(s, 5, 2)) return false;
        f.month = Number(s, 5, 2);
        type = CDateTime::dt_gYearMonth;
    }
    if (length == 10) {
        if (s[7] != L'-' || !Digits(s, 8, 2)) return false;
        f.day = Number(s, 8, 2);
        type = CDateTime::dt_date;
    }
    return true;
}

}  // namespace

// ---- date family ----

void DateTimeAccess::ParseDatePart(CDateTime& dt, const wchar_t* s, size_t n) {
    if (!s) ThrowInvalid(L"Invalid Date (Null String)");
    if (n == 0) ThrowInvalid(L"Invalid Date (Empty String)");
    if (std::wmemchr(s, L'T', n)) ThrowInvalid(L"Invalid Date ('T' not allowed)");
    const bool hasColon = std::wmemchr(s, L':', n) != nullptr;
    size_t length = n;
    size_t zoneLength = 0;
    if (s[n - 1] == L'Z') {
        if (hasColon) ThrowInvalid(L"Invalid Date (Bad Zone value)");
        zoneLength = 1;
    } else if (hasColon) {
        if (n < 6) FailDate(s, n);
        zoneLength = 6;
    }
    length -= zoneLength;

    Fields f{};
    CDateTime::DTType type = CDateTime::dt_unset;
    const bool parsed = length >= 2 && s[0] == L'-' && s[1] == L'-' ? ParseMonthDayForms(f, type, s, length)
                                                                    : ParseYearForms(f, type, s, length);
    if (!parsed) FailDate(s, n);
    dt.m_type = type;
    dt.m_year = static_cast<short>(f.year);
    dt.m_month = static_cast<unsigned char>(f.month);
    dt.m_day = static_cast<unsigned char>(f.day);
    if (zoneLength) ParseZone(dt, s + length, zoneLength);
}

void CDateTime::SetXSDDate(const wchar_t* text) {
    DateTimeAccess::ParseDatePart(*this, text, text ? std::wcslen(text) : 0);
}

void CDateTime::ParseXSDDate(const wchar_t* text) {
    Clear();
    SetXSDDate(text);
    Validate();
}

// ---- zone ----

void DateTimeAccess::ParseZone(CDateTime& dt, const wchar_t* z, size_t length) {
    if (length == 0) return;
    if (z[0] == L'Z') {
        dt.SetUTC();
        return;
    }
    if (z[0] != L'+' && z[0] != L'-') return;  // not a zone designator: ignored
    if (length != 6 || !Digits(z, 1, 2) || z[3] != L':' || !Digits(z, 4, 2))
        ThrowInvalid(FormatString(L"Invalid XSD Time Zone [%s]", std::wstring(z, length).c_str()));
    int hour = Number(z, 1, 2);
    if (hour == 24) hour = 0;
    if (z[0] == L'-') hour = -hour;
    dt.SetTimeZone(static_cast<short>(hour), static_cast<unsigned char>(Number(z, 4, 2)));
}

void CDateTime::SetZone(const wchar_t* zone) { DateTimeAccess::ParseZone(*this, zone, std::wcslen(zone)); }

// ---- time ----

void CDateTime::SetXSDTime(const wchar_t* text) {
    if (!text) ThrowInvalid(L"Invalid Time (Null String)");
    if (!*text) ThrowInvalid(L"Invalid XSD Time (Empty String)");
    // Checked one position at a time, so a shorter text stops at its terminator.
    for (size_t i = 0; i < 8; ++i) {
        const bool ok = (i == 2 || i == 5) ? text[i] == L':' : IsDigit(text[i]);
        if (!ok) ThrowInvalid(FormatString(L"Invalid XSD Time [%s] expected hh:mm:ss[.ff]", text));
    }
    const int hour = Number(text, 0, 2), minute = Number(text, 3, 2), second = Number(text, 6, 2);
    if (hour >= 24 || minute >= 60 || second >= 60)
        ThrowInvalid(FormatString(L"Invalid XSD Time [%s] expected hh:mm:ss[.ff]", text));
    m_hour = static_cast<unsigned char>(hour);
    m_minute = static_cast<unsigned char>(minute);
    m_second = static_cast<unsigned char>(second);
    m_milliSecond = m_microSecond = m_nanoSecond = 0;

    const wchar_t* p = text + 8;
    if (*p == L'.') {
        unsigned short* const groups[3] = {&m_milliSecond, &m_microSecond, &m_nanoSecond};
        static const unsigned short kWeights[3] = {100, 10, 1};
        int count = 0;
        for (++p; IsDigit(*p); ++p, ++count) {
            if (count == 9) ThrowInvalid(FormatString(L"Invalid XSD Time [%s] Fraction part too long", text));
            *groups[count / 3] = static_cast<unsigned short>(*groups[count / 3] + Digit(*p) * kWeights[count % 3]);
        }
    }
    SetZone(p);
    m_type = dt_time;
}

void CDateTime::ParseXSDTime(const wchar_t* text) {
    Clear();
    SetXSDTime(text);
    Validate();
}

// ---- dateTime ----

void CDateTime::ParseXSDDateTime(const wchar_t* text) {
    if (!text) ThrowInvalid(L"Invalid DateTime (Null String)");
    const wchar_t* separator = std::wcschr(text, L'T');
    if (!separator) ThrowInvalid(FormatString(L"Invalid XSD DateTime [%s]", text));
    Clear();
    DateTimeAccess::ParseDatePart(*this, text, static_cast<size_t>(separator - text));
    // A zone written on the date part is kept unless the time part names one.
    if (m_type != dt_date)
        ThrowInvalid(FormatString(L"Invalid XSD DateTime [%s] expected CCYY-MM-DDThh:mm:ss[.ff]", text));
    SetXSDTime(separator + 1);
    m_type = dt_dateTime;
    Validate();
}

// ---- validation ----

void CDateTime::Validate() const { ValidateFields(m_type, DateTimeAccess::GetFields(*this)); }

namespace DateTimeDetail {
namespace {

void ValidateDay(CDateTime::DTType type, const Fields& f, const wchar_t* name) {
    switch (type) {
    case CDateTime::dt_date:
    case CDateTime::dt_dateTime:
        if (f.day < 1 || f.day > DaysInMonth(f.year, static_cast<int>(f.month)))
            ThrowInvalid(FormatString(L"Invalid Day [%I64d] (1 <= day <= days in month", f.day));
        break;
    case CDateTime::dt_gMonthDay:
        if (f.day < 1 || f.day > MaxDaysInMonth(static_cast<int>(f.month)))
            ThrowInvalid(FormatString(L"Invalid Day [%I64d] (1 <= day <= days in month)", f.day));
        break;
    case CDateTime::dt_gDay:
        if (f.day < 1 || f.day > 31) ThrowInvalid(FormatString(L"Invalid Day [%I64d] (1 <= day <= 31)", f.day));
        break;
    default:
        if (f.day != 0) ThrowInvalid(FormatString(L"Invalid Day [%I64d] for type %s", f.day, name));
    }
}

void ValidateTime(CDateTime::DTType type, const Fields& f, const wchar_t* name) {
    struct Check {
        int64_t value;
        int64_t max;
        const wchar_t* forType;
        const wchar_t* range;
    };
    const Check checks[6] = {
        {f.hour, 23, L"Invalid Hour [%I64d] for type %s", L"Invalid Hour [%I64d] (0 <= hour <= 23)"},
        {f.minute, 59, L"Invalid Minute [%I64d] for type %s", L"Invalid Minute [%I64d] (0 <= minute <= 59)"},
        {f.second, 59, L"Invalid Second [%I64d] for type %s", L"Invalid Second [%I64d] (0 <= second <= 59)"},
        {f.milli, 999, L"Invalid Milli-Second [%I64d] for type %s", L"Invalid Milli-Second [%I64d] (0 <= milli <= 999)"},
        {f.micro, 999, L"Invalid Micro-Second [%I64d] for type %s", L"Invalid Micro-Second [%I64d] (0 <= micro <= 999)"},
        {f.nano, 999, L"Invalid Nano-Second [%I64d] for type %s", L"Invalid Nano-Second [%I64d] (0 <= nano <= 999)"},
    };
    if (!UsesTime(type))
        for (const Check& c : checks)
            if (c.value != 0) ThrowInvalid(FormatString(c.forType, c.value, name));
    for (const Check& c : checks)
        if (c.value < 0 || c.value > c.max) ThrowInvalid(FormatString(c.range, c.value));
}

}  // namespace

void ValidateFields(CDateTime::DTType type, const Fields& f) {
    if (type == CDateTime::dt_unset) ThrowInvalid(L"Invalid Year Zero");
    const wchar_t* name = TypeName(type);
    if (UsesMonth(type)) {
        if (f.month < 1 || f.month > 12) ThrowInvalid(FormatString(L"Invalid Month [%I64d] (1 <= month <= 12)", f.month));
    } else if (f.month != 0) {
        ThrowInvalid(FormatString(L"Invalid Month [%I64d] for type %s", f.month, name));
    }
    if (UsesYear(type)) {
        if (f.year == 0 || f.year < -9999 || f.year > 9999)
            ThrowInvalid(
                FormatString(L"Invalid Year [%I64d] (%d <= year <= %d && year != 0)", f.year, -9999, 9999));
    } else if (f.year != 0) {
        ThrowInvalid(FormatString(L"Invalid Year [%I64d] for type %s", f.year, name));
    }
    ValidateDay(type, f, name);
    ValidateTime(type, f, name);
}

}  // namespace DateTimeDetail
}  // namespace NyXmlLib9
