// CDateTime: construction, typed setters, field accessors, zones and the
// conversions to and from time_t, SYSTEMTIME and FILETIME.
#include <nyxml/datetime.h>
#include <nyxml/foundation.h>

#include "platform/Time.h"
#include "values/DateTimeInternal.h"

namespace NyXmlLib9 {

using namespace DateTimeDetail;

namespace {

// The message of a field accessor used on a type that lacks the field.
[[noreturn]] void ThrowFieldAccess(const wchar_t* operation, CDateTime::DTType type) {
    throw CNyInvalidStateException(
        FormatString(L"Failed to %s. Invalid Date Type: %s.", operation, TypeName(type)));
}

void RequireField(bool used, const wchar_t* operation, CDateTime::DTType type) {
    if (!used) ThrowFieldAccess(operation, type);
}

bool IsDateOrDateTime(CDateTime::DTType t) { return t == CDateTime::dt_dateTime || t == CDateTime::dt_date; }

Fields DateFields(int64_t year, int64_t month, int64_t day) { return Fields{year, month, day, 0, 0, 0, 0, 0, 0}; }

Fields TimeFields(int64_t hour, int64_t minute, int64_t second, int64_t milli, int64_t micro, int64_t nano) {
    return Fields{0, 0, 0, hour, minute, second, milli, micro, nano};
}

Fields SystemTimeFields(const SYSTEMTIME& st) {
    return Fields{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds, 0, 0};
}

// Days from 1970-01-01 to the given proleptic Gregorian date, the year taken
// as a plain integer (so the leap rule matches IsLeapYear).
int64_t DaysFromCivil(int64_t year, unsigned month, unsigned day) {
    year -= month <= 2;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const unsigned yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<int64_t>(dayOfEra) - 719468;
}

}  // namespace

// ---- construction ----

CDateTime::CDateTime() { Clear(); }

CDateTime::CDateTime(DTType type) {
    Clear();
    m_type = type;
}

CDateTime::CDateTime(const wchar_t* text) {
    Clear();
    ParseXSDDateTime(text);
}

CDateTime::CDateTime(const int64_t& time) {
    Clear();
    try {
        *this = time;
    } catch (CNyInvalidValueException&) {
        Clear();
    }
}

CDateTime::CDateTime(const SYSTEMTIME& time) {
    Clear();
    try {
        *this = time;
    } catch (CNyInvalidValueException&) {
        Clear();
    }
}

CDateTime::CDateTime(const FILETIME& time) {
    Clear();
    try {
        *this = time;
    } catch (CNyInvalidValueException&) {
        Clear();
    }
}

CDateTime::CDateTime(short year, unsigned char month, unsigned char day) {
    Clear();
    try {
        SetDate(year, month, day);
    } catch (CNyInvalidValueException&) {
        Clear();
    }
}

CDateTime::CDateTime(short year, unsigned char month, unsigned char day, unsigned char hour, unsigned char minute,
                     unsigned char second) {
    Clear();
    try {
        SetDateTime(year, month, day, hour, minute, second);
    } catch (CNyInvalidValueException&) {
        Clear();
    }
}

CDateTime::CDateTime(short year, unsigned char month, unsigned char day, unsigned char hour, unsigned char minute,
                     unsigned char second, unsigned short milliSecond, unsigned short microSecond,
                     unsigned short nanoSecond) {
    Clear();
    try {
        SetDateTime(year, month, day, hour, minute, second, milliSecond, microSecond, nanoSecond);
    } catch (CNyInvalidValueException&) {
        Clear();
    }
}

CDateTime::CDateTime(const CDateTime& other) = default;
CDateTime& CDateTime::operator=(const CDateTime& other) = default;
CDateTime::~CDateTime() = default;

void CDateTime::Clear() {
    m_type = dt_unset;
    m_year = 0;
    m_month = m_day = m_hour = m_minute = m_second = 0;
    m_milliSecond = m_microSecond = m_nanoSecond = 0;
    m_zoned = m_offsetGiven = false;
    m_zoneHour = 0;
    m_zoneMinute = 0;
}

// ---- conversions in ----

CDateTime& CDateTime::operator=(const SYSTEMTIME& time) {
    DateTimeAccess::SetAs(*this, dt_dateTime, SystemTimeFields(time));
    return *this;
}

CDateTime& CDateTime::operator=(const FILETIME& time) {
    SYSTEMTIME st{};
    if (!Platform::FileTimeToSystemTime(time, st))
        throw CNyInvalidValueException(L"Failed to convert FILETIME to SYSTEMTIME");
    return *this = st;
}

CDateTime& CDateTime::operator=(const int64_t& time) {
    std::tm t{};
    if (!Platform::GmTime64(time, t))
        throw CNyInvalidValueException(FormatString(L"Failed to convert the time_t value [%I64d] to a date", time));
    Fields f{static_cast<int64_t>(t.tm_year) + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec, 0, 0, 0};
    DateTimeAccess::SetAs(*this, dt_dateTime, f);
    return *this;
}

CDateTime CDateTime::GetTickCount() {
    SYSTEMTIME now{};
    Platform::GetLocalTime(now);
    CDateTime result;
    result = now;
    return result;
}

// ---- typed setters ----

void CDateTime::SetDateTime(short year, unsigned char month, unsigned char day, unsigned char hour,
                            unsigned char minute, unsigned char second) {
    SetDateTime(year, month, day, hour, minute, second, 0, 0, 0);
}

void CDateTime::SetDateTime(short year, unsigned char month, unsigned char day, unsigned char hour,
                            unsigned char minute, unsigned char second, unsigned short milliSecond,
                            unsigned short microSecond, unsigned short nanoSecond) {
    DateTimeAccess::SetAs(*this, dt_dateTime,
                          Fields{year, month, day, hour, minute, second, milliSecond, microSecond, nanoSecond});
}

void CDateTime::SetDateTime(const CDateTime& source, DTType type) {
    if (!CheckConversion(source.m_type, type))
        throw CNyInvalidValueException(FormatString(
            L"Attempting to set a CDateTime of type %s using an XmlDateTime of type %s. The source CDateTime "
            L"does not contian enough data to allow the conversion.",
            TypeName(type), TypeName(source.m_type)));
    *this = source;
    m_type = type;
}

void CDateTime::SetDate(short year, unsigned char month, unsigned char day) {
    DateTimeAccess::SetAs(*this, dt_date, DateFields(year, month, day));
}

void CDateTime::SetTime(unsigned char hour, unsigned char minute, unsigned char second) {
    DateTimeAccess::SetAs(*this, dt_time, TimeFields(hour, minute, second, 0, 0, 0));
}

void CDateTime::SetTime(unsigned char hour, unsigned char minute, unsigned char second, unsigned short milliSecond,
                        unsigned short microSecond, unsigned short nanoSecond) {
    DateTimeAccess::SetAs(*this, dt_time, TimeFields(hour, minute, second, milliSecond, microSecond, nanoSecond));
}

void CDateTime::SetFracTime(unsigned short milliSecond, unsigned short microSecond, unsigned short nanoSecond) {
    DateTimeAccess::SetAs(*this, dt_time, TimeFields(0, 0, 0, milliSecond, microSecond, nanoSecond));
}

void CDateTime::SetGYear(short year) { DateTimeAccess::SetAs(*this, dt_gYear, DateFields(year, 0, 0)); }

void CDateTime::SetGYearMonth(short year, unsigned char month) {
    DateTimeAccess::SetAs(*this, dt_gYearMonth, DateFields(year, month, 0));
}

void CDateTime::SetGMonth(unsigned char month) { DateTimeAccess::SetAs(*this, dt_gMonth, DateFields(0, month, 0)); }

void CDateTime::SetGMonthDay(unsigned char month, unsigned char day) {
    DateTimeAccess::SetAs(*this, dt_gMonthDay, DateFields(0, month, day));
}

void CDateTime::SetGDay(unsigned char day) { DateTimeAccess::SetAs(*this, dt_gDay, DateFields(0, 0, day)); }

bool CDateTime::CheckConversion(DTType from, DTType to) {
    if (from < dt_unset || from > dt_gMonthDay)
        throw CNyInvalidValueException(FormatString(L"Unknown date type %d.", static_cast<int>(from)));
    if (from == to || to == dt_unset) return true;
    switch (from) {
    case dt_dateTime:
        return to > dt_unset && to <= dt_gMonthDay;
    case dt_date:
        return to == dt_gYear || to == dt_gYearMonth || to == dt_gMonth || to == dt_gMonthDay || to == dt_gDay;
    case dt_gYearMonth:
        return to == dt_gYear || to == dt_gMonth;
    case dt_gMonthDay:
        return to == dt_gMonth || to == dt_gDay;
    default:
        return false;
    }
}

// ---- field accessors ----

short CDateTime::GetYear() const {
    RequireField(UsesYear(m_type), L"GetYear", m_type);
    return m_year;
}

void CDateTime::SetYear(short year) {
    RequireField(UsesYear(m_type), L"GetYear", m_type);
    m_year = year;
}

unsigned char CDateTime::GetMonth() const {
    RequireField(UsesMonth(m_type), L"GetMonth", m_type);
    return m_month;
}

void CDateTime::SetMonth(unsigned char month) {
    RequireField(UsesMonth(m_type), L"GetMonth", m_type);
    m_month = month;
}

unsigned char CDateTime::GetDay() const {
    RequireField(UsesDay(m_type), L"GetDay", m_type);
    return m_day;
}

void CDateTime::SetDay(unsigned char day) {
    RequireField(UsesDay(m_type), L"GetDay", m_type);
    m_day = day;
}

unsigned char CDateTime::GetHour() const {
    RequireField(UsesTime(m_type), L"GetHour", m_type);
    return m_hour;
}

void CDateTime::SetHour(unsigned char hour) {
    RequireField(UsesTime(m_type), L"GetHour", m_type);
    m_hour = hour;
}

unsigned char CDateTime::GetMinute() const {
    RequireField(UsesTime(m_type), L"GetMinute", m_type);
    return m_minute;
}

void CDateTime::SetMinute(unsigned char minute) {
    RequireField(UsesTime(m_type), L"GetMinute", m_type);
    m_minute = minute;
}

unsigned char CDateTime::GetSecond() const {
    RequireField(UsesTime(m_type), L"GetSecond", m_type);
    return m_second;
}

void CDateTime::SetSecond(unsigned char second) {
    RequireField(UsesTime(m_type), L"GetSecond", m_type);
    m_second = second;
}

unsigned short CDateTime::GetMilliSecond() const {
    RequireField(UsesTime(m_type), L"GetMilliSecond", m_type);
    return m_milliSecond;
}

void CDateTime::SetMilliSecond(unsigned short milliSecond) {
    RequireField(UsesTime(m_type), L"GetMilliSecond", m_type);
    m_milliSecond = milliSecond;
}

unsigned short CDateTime::GetMicroSecond() const {
    RequireField(UsesTime(m_type), L"GetMicroSecond", m_type);
    return m_microSecond;
}

void CDateTime::SetMicroSecond(unsigned short microSecond) {
    RequireField(UsesTime(m_type), L"GetMicroSecond", m_type);
    m_microSecond = microSecond;
}

unsigned short CDateTime::GetNanoSecond() const {
    RequireField(UsesTime(m_type), L"GetNanoSecond", m_type);
    return m_nanoSecond;
}

void CDateTime::SetNanoSecond(unsigned short nanoSecond) {
    RequireField(UsesTime(m_type), L"GetNanoSecond", m_type);
    m_nanoSecond = nanoSecond;
}

double CDateTime::GetRealSecond() const {
    RequireField(UsesTime(m_type), L"GetRealSecond", m_type);
    return m_second + m_milliSecond / 1e3 + m_microSecond / 1e6 + m_nanoSecond / 1e9;
}

unsigned char CDateTime::GetDayOfWeek() const {
    RequireField(IsDateOrDateTime(m_type), L"GetDayOfWeek", m_type);
    const int64_t time = GetTime();
    std::tm local{};
    if (Platform::LocalTime64(time, local)) return static_cast<unsigned char>(local.tm_wday + 1);
    // Out of the C library's range: the UTC weekday (1970-01-01 was a Thursday).
    int64_t days, seconds;
    FloorDivMod<int64_t>(time, 86400, days, seconds);
    int64_t week, weekday;
    FloorDivMod<int64_t>(days + 4, 7, week, weekday);
    return static_cast<unsigned char>(weekday + 1);
}

unsigned short CDateTime::GetDayOfYear() const {
    static const unsigned short kDaysBefore[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    RequireField(IsDateOrDateTime(m_type), L"GetDayOfYear", m_type);
    if (m_month < 1 || m_month > 12)
        throw CNyInvalidValueException(FormatString(L"Invalid Month [%d] (1 <= month <= 12)", m_month));
    unsigned result = kDaysBefore[m_month - 1] + m_day;
    if (m_month > 2 && IsLeapYear(m_year)) ++result;
    return static_cast<unsigned short>(result);
}

std::wstring CDateTime::GetTypeAsString() const { return TypeName(m_type); }

// ---- zones ----

short CDateTime::GetZoneHour() const {
    if (!m_offsetGiven) throw CNyInvalidStateException(L"TimeZone is not been used");
    return m_zoneHour;
}

unsigned char CDateTime::GetZoneMinute() const {
    if (!m_offsetGiven) throw CNyInvalidStateException(L"TimeZone is not been used");
    return m_zoneMinute;
}

void CDateTime::SetTimeZone(short hour, unsigned char minute) {
    if (hour < -23 || hour > 23 || minute >= 60)
        throw CNyInvalidValueException(FormatString(L"Invalid TimeZone [%d:%d]", hour, minute));
    m_zoned = m_offsetGiven = true;
    m_zoneHour = hour;
    m_zoneMinute = minute;
}

void CDateTime::SetUTC() {
    m_zoned = true;
    m_offsetGiven = false;
    m_zoneHour = 0;
    m_zoneMinute = 0;
}

// ---- conversions out ----

int64_t CDateTime::GetTime() const {
    const CDateTime normalized = GetNormalized();
    if (!IsDateOrDateTime(normalized.m_type))
        throw CNyInvalidValueException(
            FormatString(L"Failed to GetTime, Date Status must be dateTime or date. Invalid Date Type: %s.",
                         TypeName(normalized.m_type)));
    const int64_t days = DaysFromCivil(normalized.m_year, normalized.m_month, normalized.m_day);
    return days * 86400 + normalized.m_hour * 3600 + normalized.m_minute * 60 + normalized.m_second;
}

SYSTEMTIME CDateTime::GetAsSystemTime() const {
    if (m_type != dt_dateTime)
        throw CNyInvalidValueException(FormatString(
            L"Failed to GetAsSystemTime, Date Status must be dateTime. Invalid Date Type: %s.", TypeName(m_type)));
    SYSTEMTIME st{};
    st.wYear = static_cast<uint16_t>(m_year);
    st.wMonth = m_month;
    st.wDayOfWeek = static_cast<uint16_t>(GetDayOfWeek() - 1);
    st.wDay = m_day;
    st.wHour = m_hour;
    st.wMinute = m_minute;
    st.wSecond = m_second;
    st.wMilliseconds = m_milliSecond;
    return st;
}

// ---- field access for the other translation units ----

Fields DateTimeAccess::GetFields(const CDateTime& dt) {
    return Fields{dt.m_year,   dt.m_month,       dt.m_day,         dt.m_hour,      dt.m_minute,
                  dt.m_second, dt.m_milliSecond, dt.m_microSecond, dt.m_nanoSecond};
}

void DateTimeAccess::SetAs(CDateTime& dt, CDateTime::DTType type, const Fields& f) {
    if (dt.m_type != CDateTime::dt_unset && dt.m_type != type)
        throw CNyInvalidStateException(FormatString(L"Failed to copy CDateTime. Invalid Date Type: %s, expected: %s.",
                                                    TypeName(type), TypeName(dt.m_type)));
    // Stored first, in the widths the fields have, then validated: a failure
    // leaves the new fields set and its message quotes them as stored.
    dt.m_zoned = dt.m_offsetGiven = false;
    dt.m_zoneHour = 0;
    dt.m_zoneMinute = 0;
    dt.m_type = type;
    dt.m_year = static_cast<short>(f.year);
    dt.m_month = static_cast<unsigned char>(f.month);
    dt.m_day = static_cast<unsigned char>(f.day);
    dt.m_hour = static_cast<unsigned char>(f.hour);
    dt.m_minute = static_cast<unsigned char>(f.minute);
    dt.m_second = static_cast<unsigned char>(f.second);
    dt.m_milliSecond = static_cast<unsigned short>(f.milli);
    dt.m_microSecond = static_cast<unsigned short>(f.micro);
    dt.m_nanoSecond = static_cast<unsigned short>(f.nano);
    dt.Validate();
}

}  // namespace NyXmlLib9
