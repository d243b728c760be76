// CDateTime: adding durations, moving to UTC, and the XSD partial order.
#include <nyxml/datetime.h>
#include <nyxml/foundation.h>

#include "values/DateTimeInternal.h"

namespace NyXmlLib9 {

using namespace DateTimeDetail;

namespace {

typedef __int128 Wide;  // holds any sum of a 64-bit component and a carry

// Days in 400 Gregorian years; the calendar repeats with this period.
const int64_t kDaysPer400Years = 146097;

bool DayInMonth(int64_t year, int month, int64_t day) { return day >= 1 && day <= DaysInMonth(year, month); }

void StepMonth(int64_t& year, int& month, int direction) {
    month += direction;
    if (month == 0) {
        month = 12;
        --year;
    } else if (month == 13) {
        month = 1;
        ++year;
    }
}

// Walks n days from (year, month, day) one month at a time. From a real
// calendar position whole 400-year cycles are skipped first, which lands on the
// same month and day, so the walk takes at most a few thousand steps.
void WalkDays(int64_t& year, int& month, int64_t& day, int64_t n) {
    while (n != 0) {
        if ((n >= kDaysPer400Years || n <= -kDaysPer400Years) && DayInMonth(year, month, day)) {
            const int64_t cycles = n / kDaysPer400Years;
            year += 400 * cycles;
            n -= cycles * kDaysPer400Years;
            continue;
        }
        if (n < 0) {
            if (day - 1 < -n) {
                StepMonth(year, month, -1);
                n += day;
                day = DaysInMonth(year, month);
            } else {
                day += n;
                n = 0;
            }
        } else {
            const int length = DaysInMonth(year, month);
            if (day + n > length) {
                n = n + day - length - 1;
                day = 1;
                StepMonth(year, month, +1);
            } else {
                day += n;
                n = 0;
            }
        }
    }
}

// Adds s * amount to value + carry; keeps the remainder modulo `base` and
// leaves the floor quotient in carry.
int64_t AddUnit(Wide& carry, int64_t value, int s, uint64_t amount, int64_t base) {
    Wide q, r;
    FloorDivMod<Wide>(carry + value + Wide(s) * Wide(amount), base, q, r);
    carry = q;
    return static_cast<int64_t>(r);
}

CDateTime WithZone(const CDateTime& value, short hour) {
    CDateTime copy(value);
    copy.SetTimeZone(hour, 0);
    return copy.GetNormalized();
}

}  // namespace

Fields DateTimeAccess::AddSpan(const CDateTime& dt, const CDateTimeSpan& span) {
    const int s = span.IsNegative() ? -1 : 1;
    int64_t q, r;
    FloorDivMod<int64_t>(static_cast<int64_t>(dt.m_month) - 1 + s * static_cast<int64_t>(span.GetMonths()), 12, q, r);
    int month = static_cast<int>(r) + 1;
    int64_t year = dt.m_year + s * static_cast<int64_t>(span.GetYears()) + q;

    Wide carry = 0;
    Fields f{};
    f.nano = AddUnit(carry, dt.m_nanoSecond, s, span.GetNanoSeconds(), 1000);
    f.micro = AddUnit(carry, dt.m_microSecond, s, span.GetMicroSeconds(), 1000);
    f.milli = AddUnit(carry, dt.m_milliSecond, s, span.GetMilliSeconds(), 1000);
    f.second = AddUnit(carry, dt.m_second, s, span.GetSeconds(), 60);
    f.minute = AddUnit(carry, dt.m_minute, s, span.GetMinutes(), 60);
    f.hour = AddUnit(carry, dt.m_hour, s, span.GetHours(), 24);
    // |carry| is at most about 2^64 / 1440 (minutes turned into days): it fits 64 bits.
    const int64_t days = static_cast<int64_t>(carry + Wide(s) * Wide(span.GetDays()));

    int64_t day = dt.m_day;
    WalkDays(year, month, day, days);
    f.year = year;
    f.month = month;
    f.day = day;
    return f;
}

// Never fails: the result is not validated, and a year beyond the 16 bits of
// its field keeps the low 16 bits, as the field holds it.
void CDateTime::AddDateTimeSpan(const CDateTimeSpan& span) {
    const Fields f = DateTimeAccess::AddSpan(*this, span);
    m_year = static_cast<short>(static_cast<uint16_t>(static_cast<uint64_t>(f.year)));
    m_month = static_cast<unsigned char>(f.month);
    m_day = static_cast<unsigned char>(f.day);
    m_hour = static_cast<unsigned char>(f.hour);
    m_minute = static_cast<unsigned char>(f.minute);
    m_second = static_cast<unsigned char>(f.second);
    m_milliSecond = static_cast<unsigned short>(f.milli);
    m_microSecond = static_cast<unsigned short>(f.micro);
    m_nanoSecond = static_cast<unsigned short>(f.nano);
}

CDateTime CDateTime::operator+(const CDateTimeSpan& span) const {
    CDateTime result(*this);
    result.AddDateTimeSpan(span);
    return result;
}

CDateTime& CDateTime::operator+=(const CDateTimeSpan& span) {
    AddDateTimeSpan(span);
    return *this;
}

CDateTime CDateTime::operator-(const CDateTimeSpan& span) const {
    CDateTime result(*this);
    result.AddDateTimeSpan(span.GetAsNegative());
    return result;
}

CDateTime& CDateTime::operator-=(const CDateTimeSpan& span) {
    AddDateTimeSpan(span.GetAsNegative());
    return *this;
}

CDateTimeSpan CDateTime::operator-(const CDateTime&) const { return CDateTimeSpan(); }

CDateTime CDateTime::GetNormalized() const {
    CDateTime copy(*this);
    if (!m_offsetGiven) return copy;
    const unsigned zoneHours = static_cast<unsigned>(m_zoneHour < 0 ? -m_zoneHour : m_zoneHour);
    CDateTimeSpan offset(zoneHours, m_zoneMinute, 0);
    if (m_zoneHour >= 0) offset.Negate();
    try {
        copy.AddDateTimeSpan(offset);
        copy.SetTimeZone(0, 0);
    } catch (CNyInvalidValueException&) {
        return *this;
    }
    return copy;
}

// ---- order ----

CDateTime::DTCompareResult DateTimeAccess::FieldCompare(const CDateTime& a, const CDateTime& b) {
    // Seconds and their fraction compare as one exact count of nanoseconds.
    auto realSecond = [](const CDateTime& v) {
        return ((static_cast<int64_t>(v.m_second) * 1000 + v.m_milliSecond) * 1000 + v.m_microSecond) * 1000 +
               v.m_nanoSecond;
    };
    const bool presentA[6] = {UsesYear(a.m_type), UsesMonth(a.m_type), UsesDay(a.m_type),
                              UsesTime(a.m_type), UsesTime(a.m_type),  UsesTime(a.m_type)};
    const bool presentB[6] = {UsesYear(b.m_type), UsesMonth(b.m_type), UsesDay(b.m_type),
                              UsesTime(b.m_type), UsesTime(b.m_type),  UsesTime(b.m_type)};
    const int64_t valueA[6] = {a.m_year, a.m_month, a.m_day, a.m_hour, a.m_minute, realSecond(a)};
    const int64_t valueB[6] = {b.m_year, b.m_month, b.m_day, b.m_hour, b.m_minute, realSecond(b)};
    for (int i = 0; i < 6; ++i) {
        if (presentA[i] != presentB[i]) return CDateTime::DTCompare_Indeterminate;
        if (!presentA[i] || valueA[i] == valueB[i]) continue;
        return valueA[i] < valueB[i] ? CDateTime::DTCompare_Less : CDateTime::DTCompare_Greater;
    }
    return CDateTime::DTCompare_Equal;
}

CDateTime::DTCompareResult CDateTime::CompareTo(const CDateTime& other) const {
    const CDateTime p = m_offsetGiven ? GetNormalized() : *this;
    const CDateTime q = other.m_offsetGiven ? other.GetNormalized() : other;
    if (p.m_zoned == q.m_zoned) return DateTimeAccess::FieldCompare(p, q);
    try {
        if (p.m_zoned) {
            if (DateTimeAccess::FieldCompare(p, WithZone(q, 14)) == DTCompare_Less) return DTCompare_Less;
            if (DateTimeAccess::FieldCompare(p, WithZone(q, -14)) == DTCompare_Greater) return DTCompare_Greater;
            return DTCompare_Indeterminate;
        }
        if (DateTimeAccess::FieldCompare(WithZone(p, 14), q) == DTCompare_Greater) return DTCompare_Greater;
        if (DateTimeAccess::FieldCompare(WithZone(p, -14), q) == DTCompare_Less) return DTCompare_Less;
        return DTCompare_Indeterminate;
    } catch (CNyInvalidValueException&) {
        return DTCompare_Indeterminate;
    }
}

bool CDateTime::operator<=(const CDateTime& other) const {
    const DTCompareResult r = CompareTo(other);
    return r == DTCompare_Less || r == DTCompare_Equal;
}

bool CDateTime::operator>=(const CDateTime& other) const {
    const DTCompareResult r = CompareTo(other);
    return r == DTCompare_Greater || r == DTCompare_Equal;
}

}  // namespace NyXmlLib9
