// XSD date, time and duration values, and the Windows-style time records that
// their conversions exchange.
#ifndef NYXML_DATETIME_H
#define NYXML_DATETIME_H

#include <nyxml/export.h>

#include <cstdint>
#include <string>

namespace NyXmlLib9 {

// Broken-down calendar time with the Windows field layout; wDayOfWeek counts
// from 0 = Sunday.
struct SYSTEMTIME {
    uint16_t wYear;
    uint16_t wMonth;
    uint16_t wDayOfWeek;
    uint16_t wDay;
    uint16_t wHour;
    uint16_t wMinute;
    uint16_t wSecond;
    uint16_t wMilliseconds;
};

// 100-nanosecond ticks since 1601-01-01T00:00:00 UTC, in two 32-bit halves.
struct FILETIME {
    uint32_t dwLowDateTime;
    uint32_t dwHighDateTime;
};

class CDateTimeSpan;
struct DateTimeAccess;

// One value of any of the eight XSD date/time types; the type tag says which
// fields are meaningful. Fields a type does not use are 0.
class NYXML_API CDateTime {
public:
    enum DTType : int32_t {
        dt_unset = 0,
        dt_dateTime = 1,
        dt_date = 2,
        dt_gYearMonth = 3,
        dt_gYear = 4,
        dt_time = 5,
        dt_gDay = 6,
        dt_gMonth = 7,
        dt_gMonthDay = 8
    };

    enum DTCompareResult : int32_t {
        DTCompare_Equal = 0,
        DTCompare_Less = 1,
        DTCompare_Greater = 2,
        DTCompare_Indeterminate = 3
    };

    CDateTime();
    CDateTime(DTType type);
    CDateTime(const wchar_t* text);
    // The constructors below never throw CNyInvalidValueException: on invalid
    // input the value is left cleared.
    CDateTime(const int64_t& time);  // a time_t, read as UTC
    CDateTime(const SYSTEMTIME& time);
    CDateTime(const FILETIME& time);
    CDateTime(short year, unsigned char month, unsigned char day);
    CDateTime(short year, unsigned char month, unsigned char day, unsigned char hour, unsigned char minute,
              unsigned char second);
    CDateTime(short year, unsigned char month, unsigned char day, unsigned char hour, unsigned char minute,
              unsigned char second, unsigned short milliSecond, unsigned short microSecond,
              unsigned short nanoSecond);
    CDateTime(const CDateTime& other);
    CDateTime& operator=(const CDateTime& other);
    virtual ~CDateTime();

    // Set the value as a dateTime; the value must be unset or a dateTime already.
    CDateTime& operator=(const SYSTEMTIME& time);
    CDateTime& operator=(const FILETIME& time);
    CDateTime& operator=(const int64_t& time);

    // The current local wall-clock time as an unzoned dateTime.
    static CDateTime GetTickCount();

    // Typed setters: the value must be unset or of the type set; the zone is
    // cleared and the result validated.
    void SetDateTime(short year, unsigned char month, unsigned char day, unsigned char hour, unsigned char minute,
                     unsigned char second);
    void SetDateTime(short year, unsigned char month, unsigned char day, unsigned char hour, unsigned char minute,
                     unsigned char second, unsigned short milliSecond, unsigned short microSecond,
                     unsigned short nanoSecond);
    // Copies every field and the zone of a source whose type can become `type`.
    void SetDateTime(const CDateTime& source, DTType type);
    void SetDate(short year, unsigned char month, unsigned char day);
    void SetTime(unsigned char hour, unsigned char minute, unsigned char second);
    void SetTime(unsigned char hour, unsigned char minute, unsigned char second, unsigned short milliSecond,
                 unsigned short microSecond, unsigned short nanoSecond);
    void SetFracTime(unsigned short milliSecond, unsigned short microSecond, unsigned short nanoSecond);
    void SetGYear(short year);
    void SetGYearMonth(short year, unsigned char month);
    void SetGMonth(unsigned char month);
    void SetGMonthDay(unsigned char month, unsigned char day);
    void SetGDay(unsigned char day);

    // Field accessors; each throws CNyInvalidStateException when the value's
    // type does not use the field. The setters store without validating.
    short GetYear() const;
    void SetYear(short year);
    unsigned char GetMonth() const;
    void SetMonth(unsigned char month);
    unsigned char GetDay() const;
    void SetDay(unsigned char day);
    unsigned char GetHour() const;
    void SetHour(unsigned char hour);
    unsigned char GetMinute() const;
    void SetMinute(unsigned char minute);
    unsigned char GetSecond() const;
    void SetSecond(unsigned char second);
    unsigned short GetMilliSecond() const;
    void SetMilliSecond(unsigned short milliSecond);
    unsigned short GetMicroSecond() const;
    void SetMicroSecond(unsigned short microSecond);
    unsigned short GetNanoSecond() const;
    void SetNanoSecond(unsigned short nanoSecond);
    double GetRealSecond() const;
    // 1 = Sunday .. 7 = Saturday, the local-time weekday of GetTime().
    unsigned char GetDayOfWeek() const;
    unsigned short GetDayOfYear() const;

    DTType GetType() const { return m_type; }
    std::wstring GetTypeAsString() const;
    bool IsUTC() const { return m_zoned; }
    bool HasTimeZone() const { return m_offsetGiven; }
    short GetZoneHour() const;
    unsigned char GetZoneMinute() const;
    void SetTimeZone(short hour, unsigned char minute);
    void SetUTC();

    // Seconds since 1970-01-01T00:00:00 of the normalized fields read as UTC.
    int64_t GetTime() const;
    SYSTEMTIME GetAsSystemTime() const;
    // A copy moved to UTC when the value carries an explicit offset.
    CDateTime GetNormalized() const;

    void ParseXSDDateTime(const wchar_t* text);
    void ParseXSDDate(const wchar_t* text);
    void ParseXSDTime(const wchar_t* text);

    // The XSD lexical form (format "s").
    std::wstring ToString() const;
    std::wstring ToString(const wchar_t* format) const;

    // The XSD partial order; unzoned values are tried at +14:00 and -14:00.
    DTCompareResult CompareTo(const CDateTime& other) const;
    bool operator==(const CDateTime& other) const { return CompareTo(other) == DTCompare_Equal; }
    bool operator!=(const CDateTime& other) const { return CompareTo(other) != DTCompare_Equal; }
    bool operator<(const CDateTime& other) const { return CompareTo(other) == DTCompare_Less; }
    bool operator<=(const CDateTime& other) const;
    bool operator>(const CDateTime& other) const { return CompareTo(other) == DTCompare_Greater; }
    bool operator>=(const CDateTime& other) const;

    // Adds a duration with the XSD algorithm (floor division, months first,
    // days walked month by month). The result is not validated.
    void AddDateTimeSpan(const CDateTimeSpan& span);
    CDateTime operator+(const CDateTimeSpan& span) const;
    CDateTime& operator+=(const CDateTimeSpan& span);
    // Subtracts the span's magnitude, whatever its sign.
    CDateTime operator-(const CDateTimeSpan& span) const;
    CDateTime& operator-=(const CDateTimeSpan& span);
    // No difference algorithm is defined: always a zero duration.
    CDateTimeSpan operator-(const CDateTime& other) const;

private:
    friend struct DateTimeAccess;

    void Clear();
    void SetXSDDate(const wchar_t* text);
    void SetXSDTime(const wchar_t* text);
    void SetZone(const wchar_t* zone);
    void Validate() const;
    static bool CheckConversion(DTType from, DTType to);

    DTType m_type;
    short m_year;
    unsigned char m_month;
    unsigned char m_day;
    unsigned char m_hour;
    unsigned char m_minute;
    unsigned char m_second;
    unsigned short m_milliSecond;
    unsigned short m_microSecond;
    unsigned short m_nanoSecond;
    bool m_zoned;        // a zone designator is present: "Z" or an offset
    bool m_offsetGiven;  // the zone is an explicit offset
    short m_zoneHour;    // carries the sign of the offset
    unsigned char m_zoneMinute;
};

// One XSD duration: a sign and the components exactly as written (nothing is
// normalised: 90 minutes stay 90 minutes).
class NYXML_API CDateTimeSpan {
public:
    CDateTimeSpan();
    CDateTimeSpan(uint32_t hours, uint64_t minutes, uint64_t seconds);
    CDateTimeSpan(unsigned short years, uint32_t months, uint32_t days, uint32_t hours, uint64_t minutes,
                  uint64_t seconds);
    CDateTimeSpan(unsigned short years, uint32_t months, uint32_t days, uint32_t hours, uint64_t minutes,
                  uint64_t seconds, unsigned short milliSeconds, unsigned short microSeconds,
                  unsigned short nanoSeconds);
    CDateTimeSpan(const CDateTimeSpan& other);
    CDateTimeSpan& operator=(const CDateTimeSpan& other);
    virtual ~CDateTimeSpan();

    // Each replaces every component (those not given become 0) and makes the
    // value positive.
    void SetDateTimeSpan(uint32_t hours, uint64_t minutes, uint64_t seconds);
    void SetDateTimeSpan(unsigned short years, uint32_t months, uint32_t days, uint32_t hours, uint64_t minutes,
                         uint64_t seconds);
    void SetDateTimeSpan(unsigned short years, uint32_t months, uint32_t days, uint32_t hours, uint64_t minutes,
                         uint64_t seconds, unsigned short milliSeconds, unsigned short microSeconds,
                         unsigned short nanoSeconds);

    unsigned short GetYears() const { return m_years; }
    uint32_t GetMonths() const { return m_months; }
    uint32_t GetDays() const { return m_days; }
    uint32_t GetHours() const { return m_hours; }
    uint64_t GetMinutes() const { return m_minutes; }
    uint64_t GetSeconds() const { return m_seconds; }
    unsigned short GetMilliSeconds() const { return m_milliSeconds; }
    unsigned short GetMicroSeconds() const { return m_microSeconds; }
    unsigned short GetNanoSeconds() const { return m_nanoSeconds; }
    // Unchecked: a fraction part above 999 is stored as given.
    void SetYears(unsigned short years) { m_years = years; }
    void SetMonths(uint32_t months) { m_months = months; }
    void SetDays(uint32_t days) { m_days = days; }
    void SetHours(uint32_t hours) { m_hours = hours; }
    void SetMinutes(uint64_t minutes) { m_minutes = minutes; }
    void SetSeconds(uint64_t seconds) { m_seconds = seconds; }
    void SetMilliSeconds(unsigned short milliSeconds) { m_milliSeconds = milliSeconds; }
    void SetMicroSeconds(unsigned short microSeconds) { m_microSeconds = microSeconds; }
    void SetNanoSeconds(unsigned short nanoSeconds) { m_nanoSeconds = nanoSeconds; }

    bool IsNegative() const { return m_negative; }
    void Negate() { m_negative = !m_negative; }
    // A copy whose sign is negative, whatever the sign of this value.
    CDateTimeSpan GetAsNegative() const;

    // "[-]P[nY][nM][nD][T[nH][nM][nS.ff]]"
    void ParseXSDDuration(const wchar_t* text);
    std::wstring ToString() const;

    // The XSD duration order, decided by adding both to four reference dates.
    CDateTime::DTCompareResult CompareTo(const CDateTimeSpan& other) const;
    bool operator==(const CDateTimeSpan& other) const { return CompareTo(other) == CDateTime::DTCompare_Equal; }
    bool operator!=(const CDateTimeSpan& other) const { return CompareTo(other) != CDateTime::DTCompare_Equal; }
    bool operator<(const CDateTimeSpan& other) const { return CompareTo(other) == CDateTime::DTCompare_Less; }
    bool operator>(const CDateTimeSpan& other) const { return CompareTo(other) == CDateTime::DTCompare_Greater; }

private:
    void Clear();
    // Reads up to nine fraction digits from p; returns the first character after them.
    const wchar_t* ParseFraction(const wchar_t* text, const wchar_t* p);

    unsigned short m_years;
    uint32_t m_months;
    uint32_t m_days;
    uint32_t m_hours;
    uint64_t m_minutes;
    uint64_t m_seconds;
    unsigned short m_milliSeconds;
    unsigned short m_microSeconds;
    unsigned short m_nanoSeconds;
    bool m_negative;
};

}  // namespace NyXmlLib9

#endif
