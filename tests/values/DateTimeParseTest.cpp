// Lexical forms of CDateTime: every date kind, times, zones, dateTime, the
// messages of malformed input, range validation, and printing back.
#include <nyxml/datetime.h>

#include "TestSupport.h"

#include <string>
#include <nyxml/foundation.h>

using namespace NyXmlLib9;
using nyxml_test::Utf8;

namespace {

std::wstring DateFormMessage(const std::wstring& text) {
    return L"Invalid XSD Date [" + text + L"] expected CCYY-MM-DD[Z|[+|-]hh:mm]";
}

std::wstring TimeFormMessage(const std::wstring& text) {
    return L"Invalid XSD Time [" + text + L"] expected hh:mm:ss[.ff]";
}

CDateTime Date(const wchar_t* text) {
    CDateTime value;
    value.ParseXSDDate(text);
    return value;
}

}  // namespace

TEST(DateTimeParse, MalformedDatesGiveTheFormMessage) {
    const wchar_t* texts[] = {L"01-10-26",    L"20011-10-26", L"2001-1-26",  L"2001/10/26",  L"2001-10-2",
                              L"200",         L"2001-",       L"-",          L"--",          L"--1",
                              L"--1a",        L"--10-",       L"--1a--",     L"----26",      L"---2a",
                              L"--x0xx",      L"--10-26-",    L"+2001",      L"2001-10-26Z+02:00",
                              L"2001-10-26 ", L" 2001-10-26", L"Z",          L"--10-26:",    L"x:",
                              L"2001-10-26-", L"2001-10-26+02:0"};
    for (const wchar_t* text : texts) {
        SCOPED_TRACE(Utf8(text));
        CDateTime value;
        EXPECT_NY_THROW(value.ParseXSDDate(text), CNyInvalidValueException, DateFormMessage(text));
    }
}

// Each parser's messages: null and empty text, zones, field ranges, and the
// date part and time part of a dateTime failing with their own text.
TEST(DateTimeParse, FailuresCarryTheirExactMessage) {
    struct Case {
        void (CDateTime::*parse)(const wchar_t*);
        const wchar_t* text;
        std::wstring message;
    } cases[] = {
        {&CDateTime::ParseXSDDate, nullptr, L"Invalid Date (Null String)"},
        {&CDateTime::ParseXSDDate, L"", L"Invalid Date (Empty String)"},
        {&CDateTime::ParseXSDDate, L"2001-10-26T10:00:00", L"Invalid Date ('T' not allowed)"},
        {&CDateTime::ParseXSDDate, L"T", L"Invalid Date ('T' not allowed)"},
        {&CDateTime::ParseXSDDate, L"2001-10-26+02:00Z", L"Invalid Date (Bad Zone value)"},
        {&CDateTime::ParseXSDDate, L"2001-10-26+02-00", DateFormMessage(L"2001-10-26+02-00")},
        {&CDateTime::ParseXSDDate, L"2001-10-26+25:00", L"Invalid TimeZone [25:0]"},
        {&CDateTime::ParseXSDDate, L"2001-10-26-25:00", L"Invalid TimeZone [-25:0]"},
        {&CDateTime::ParseXSDDate, L"2001-10-26+02:60", L"Invalid TimeZone [2:60]"},
        {&CDateTime::ParseXSDDate, L"2001-10-26-02:99", L"Invalid TimeZone [-2:99]"},
        {&CDateTime::ParseXSDDate, L"2001-10-26+0a:00", L"Invalid XSD Time Zone [+0a:00]"},
        {&CDateTime::ParseXSDDate, L"2001-10-26+02:0x", L"Invalid XSD Time Zone [+02:0x]"},
        // The six characters before the end are the zone only when they start with a sign.
        {&CDateTime::ParseXSDDate, L"2001-10-26+02;00:", DateFormMessage(L"2001-10-26+02;00:")},
        {&CDateTime::ParseXSDTime, nullptr, L"Invalid Time (Null String)"},
        {&CDateTime::ParseXSDTime, L"", L"Invalid XSD Time (Empty String)"},
        {&CDateTime::ParseXSDTime, L"12:00:00.1234567891", L"Invalid XSD Time [12:00:00.1234567891] Fraction part too long"},
        {&CDateTime::ParseXSDTime, L"12:00:00+5", L"Invalid XSD Time Zone [+5]"},
        {&CDateTime::ParseXSDTime, L"12:00:00+05:00:00", L"Invalid XSD Time Zone [+05:00:00]"},
        {&CDateTime::ParseXSDDateTime, nullptr, L"Invalid DateTime (Null String)"},
        {&CDateTime::ParseXSDDateTime, L"", L"Invalid XSD DateTime []"},
        {&CDateTime::ParseXSDDateTime, L"2001-10-26", L"Invalid XSD DateTime [2001-10-26]"},
        {&CDateTime::ParseXSDDateTime, L"2001-10T10:00:00", L"Invalid XSD DateTime [2001-10T10:00:00] expected CCYY-MM-DDThh:mm:ss[.ff]"},
        {&CDateTime::ParseXSDDateTime, L"--10-26T10:00:00", L"Invalid XSD DateTime [--10-26T10:00:00] expected CCYY-MM-DDThh:mm:ss[.ff]"},
        {&CDateTime::ParseXSDDateTime, L"01-10-26T10:00:00", DateFormMessage(L"01-10-26")},
        {&CDateTime::ParseXSDDateTime, L"T10:00:00", L"Invalid Date (Empty String)"},
        {&CDateTime::ParseXSDDateTime, L"2001-10-26T", L"Invalid XSD Time (Empty String)"},
        {&CDateTime::ParseXSDDateTime, L"2001-10-26T24:00:00", TimeFormMessage(L"24:00:00")},
        {&CDateTime::ParseXSDDateTime, L"2001-10-26T21:32:52.1234567891", L"Invalid XSD Time [21:32:52.1234567891] Fraction part too long"},
        {&CDateTime::ParseXSDDateTime, L"2001-02-29T10:00:00", L"Invalid Day [29] (1 <= day <= days in month"},
        {&CDateTime::ParseXSDDate, L"2001-13-01", L"Invalid Month [13] (1 <= month <= 12)"},
        {&CDateTime::ParseXSDDate, L"2001-00", L"Invalid Month [0] (1 <= month <= 12)"},
        {&CDateTime::ParseXSDDate, L"--00", L"Invalid Month [0] (1 <= month <= 12)"},
        {&CDateTime::ParseXSDDate, L"2001-02-29", L"Invalid Day [29] (1 <= day <= days in month"},
        {&CDateTime::ParseXSDDate, L"1900-02-29", L"Invalid Day [29] (1 <= day <= days in month"},
        {&CDateTime::ParseXSDDate, L"2001-04-00", L"Invalid Day [0] (1 <= day <= days in month"},
        {&CDateTime::ParseXSDDate, L"--02-30", L"Invalid Day [30] (1 <= day <= days in month)"},
        {&CDateTime::ParseXSDDate, L"--04-31", L"Invalid Day [31] (1 <= day <= days in month)"},
        {&CDateTime::ParseXSDDate, L"---32", L"Invalid Day [32] (1 <= day <= 31)"},
        {&CDateTime::ParseXSDDate, L"---00", L"Invalid Day [0] (1 <= day <= 31)"},
        {&CDateTime::ParseXSDDate, L"-0100-02-29", L"Invalid Day [29] (1 <= day <= days in month"},
        {&CDateTime::ParseXSDDate, L"--1x--", L"Invalid XSD Date [--1x--] expected CCYY-MM-DD[Z|[+|-]hh:mm]"},
        {&CDateTime::ParseXSDDate, L"--13ab", L"Invalid Month [13] (1 <= month <= 12)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text ? Utf8(c.text) : "null");
        CDateTime value;
        EXPECT_NY_THROW((value.*c.parse)(c.text), CNyInvalidValueException, c.message);
    }
}

TEST(DateTimeParse, DateZones) {
    CDateTime utc = Date(L"2001-10-26Z");
    EXPECT_TRUE(utc.IsUTC());
    EXPECT_FALSE(utc.HasTimeZone());
    EXPECT_NY_THROW(utc.GetZoneHour(), CNyInvalidStateException, L"TimeZone is not been used");
    EXPECT_NY_THROW(utc.GetZoneMinute(), CNyInvalidStateException, L"TimeZone is not been used");

    CDateTime plus = Date(L"2001-10-26+02:00");
    EXPECT_TRUE(plus.IsUTC());
    EXPECT_TRUE(plus.HasTimeZone());
    EXPECT_EQ(2, plus.GetZoneHour());
    EXPECT_EQ(0, plus.GetZoneMinute());

    CDateTime minus = Date(L"--10-26-05:30");
    EXPECT_EQ(-5, minus.GetZoneHour());
    EXPECT_EQ(30, minus.GetZoneMinute());

    CDateTime unzoned = Date(L"2001-10-26");
    EXPECT_FALSE(unzoned.IsUTC());
    EXPECT_NY_THROW(unzoned.GetZoneHour(), CNyInvalidStateException, L"TimeZone is not been used");
}

TEST(DateTimeParse, ZoneEdgeValues) {
    struct Case {
        const wchar_t* text;
        const wchar_t* printed;
    } cases[] = {
        {L"2001-10-26+24:00", L"2001-10-26+00:00"},  // 24 hours read as 0
        {L"2001-10-26-24:00", L"2001-10-26+00:00"},
        {L"2001-10-26-00:30", L"2001-10-26+00:30"},  // the sign lives in the hours
        {L"2001-10-26-00:00", L"2001-10-26+00:00"},
        {L"2001-10-26+23:59", L"2001-10-26+23:59"},
        {L"2001-10-26-23:59", L"2001-10-26-23:59"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Utf8(c.text));
        EXPECT_EQ(c.printed, Date(c.text).ToString());
    }
}

TEST(DateTimeParse, MalformedTimes) {
    const wchar_t* texts[] = {L"24:00:00", L"23:60:00", L"23:59:60", L"1:00:00", L"12:00",
                              L"12-00-00", L"12:00:0",  L"ab:cd:ef", L"99:99:99", L" 12:00:00"};
    for (const wchar_t* text : texts) {
        SCOPED_TRACE(Utf8(text));
        CDateTime value;
        EXPECT_NY_THROW(value.ParseXSDTime(text), CNyInvalidValueException, TimeFormMessage(text));
    }
}

TEST(DateTimeValidate, YearBounds) {
    for (const wchar_t* text : {L"0000-01-01", L"-0000-01-01", L"0000", L"0000-01"}) {
        SCOPED_TRACE(Utf8(text));
        CDateTime value;
        EXPECT_NY_THROW(value.ParseXSDDate(text), CNyInvalidValueException,
                        L"Invalid Year [0] (-9999 <= year <= 9999 && year != 0)");
    }
    EXPECT_EQ(-9999, Date(L"-9999-01-01").GetYear());
    EXPECT_EQ(9999, Date(L"9999-12-31").GetYear());
    EXPECT_EQ(L"-0044-03-15", Date(L"-0044-03-15").ToString());
    CDateTime value;
    EXPECT_NY_THROW(value.SetDate(10000, 1, 1), CNyInvalidValueException,
                    L"Invalid Year [10000] (-9999 <= year <= 9999 && year != 0)");
    EXPECT_NY_THROW(value.SetDate(-10000, 1, 1), CNyInvalidValueException,
                    L"Invalid Year [-10000] (-9999 <= year <= 9999 && year != 0)");
}

TEST(DateTimeValidate, LeapDays) {
    EXPECT_EQ(L"2000-02-29", Date(L"2000-02-29").ToString());
    EXPECT_EQ(L"--02-29", Date(L"--02-29").ToString());
    EXPECT_EQ(L"-0004-02-29", Date(L"-0004-02-29").ToString());  // the year as stored: -4 is a leap year
    EXPECT_EQ(L"-0400-02-29", Date(L"-0400-02-29").ToString());
}

TEST(DateTimeValidate, GMonthDayAllowsTheTwentyNinthOfFebruaryOnly) {
    for (int month = 1; month <= 12; ++month) {
        static const int kMax[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        for (int day = 1; day <= 31; ++day) {
            CDateTime value;
            if (day <= kMax[month - 1]) {
                value.SetGMonthDay(static_cast<unsigned char>(month), static_cast<unsigned char>(day));
                EXPECT_EQ(day, value.GetDay());
            } else {
                EXPECT_NY_THROW(value.SetGMonthDay(static_cast<unsigned char>(month), static_cast<unsigned char>(day)),
                                CNyInvalidValueException,
                                L"Invalid Day [" + std::to_wstring(day) + L"] (1 <= day <= days in month)");
            }
        }
    }
}

TEST(DateTimeValidate, TimeFieldRanges) {
    CDateTime value;
    EXPECT_NY_THROW(value.SetTime(24, 0, 0), CNyInvalidValueException, L"Invalid Hour [24] (0 <= hour <= 23)");
    EXPECT_NY_THROW(value.SetTime(0, 60, 0), CNyInvalidValueException, L"Invalid Minute [60] (0 <= minute <= 59)");
    EXPECT_NY_THROW(value.SetTime(0, 0, 60), CNyInvalidValueException, L"Invalid Second [60] (0 <= second <= 59)");
    EXPECT_NY_THROW(value.SetTime(0, 0, 0, 1000, 0, 0), CNyInvalidValueException,
                    L"Invalid Milli-Second [1000] (0 <= milli <= 999)");
    EXPECT_NY_THROW(value.SetTime(0, 0, 0, 0, 1000, 0), CNyInvalidValueException,
                    L"Invalid Micro-Second [1000] (0 <= micro <= 999)");
    EXPECT_NY_THROW(value.SetFracTime(0, 0, 1000), CNyInvalidValueException,
                    L"Invalid Nano-Second [1000] (0 <= nano <= 999)");
    value.SetTime(23, 59, 59, 999, 999, 999);
    EXPECT_EQ(L"23:59:59.999999999", value.ToString());
}

TEST(DateTimeParse, HugeInputsFailQuickly) {
    std::wstring digits(100000, L'1');
    CDateTime value;
    EXPECT_NY_THROW(value.ParseXSDDate(digits.c_str()), CNyInvalidValueException, DateFormMessage(digits));
    std::wstring fraction = L"12:00:00." + digits;
    EXPECT_NY_THROW(value.ParseXSDTime(fraction.c_str()), CNyInvalidValueException,
                    L"Invalid XSD Time [" + fraction + L"] Fraction part too long");
    std::wstring colons = std::wstring(100000, L':') + L"Z";
    EXPECT_NY_THROW(value.ParseXSDDate(colons.c_str()), CNyInvalidValueException, L"Invalid Date (Bad Zone value)");
    std::wstring dateTime = L"2001-10-26T12:00:00" + std::wstring(100000, L'0');
    EXPECT_EQ(L"2001-10-26T12:00:00", CDateTime(dateTime.c_str()).ToString());  // trailing text is no zone
    std::wstring longZone = L"2001-10-26T12:00:00+" + digits;
    EXPECT_NY_THROW(value.ParseXSDDateTime(longZone.c_str()), CNyInvalidValueException,
                    L"Invalid XSD Time Zone [+" + digits + L"]");
}

// Lexical forms at the edges of the date and duration grammars, and what a
// failed setter leaves behind.
TEST(DateTimeForms, ZoneOnTheDatePartAndLooseMonthForm) {
    struct Case {
        bool dateTime;
        const wchar_t* text;
        CDateTime::DTType type;
        const wchar_t* printed;
    } cases[] = {
        // A zone on the date part of a dateTime is kept; one after the time replaces it.
        {true, L"2001-10-26ZT10:00:00", CDateTime::dt_dateTime, L"2001-10-26T10:00:00Z"},
        {true, L"2001-10-26+02:00T10:00:00", CDateTime::dt_dateTime, L"2001-10-26T10:00:00+02:00"},
        {true, L"2001-10-26ZT10:00:00-05:00", CDateTime::dt_dateTime, L"2001-10-26T10:00:00-05:00"},
        // Of "--MM--" only the month digits are read.
        {false, L"--10--", CDateTime::dt_gMonth, L"--10"},
        {false, L"--10ab", CDateTime::dt_gMonth, L"--10"},
        {false, L"--1299Z", CDateTime::dt_gMonth, L"--12Z"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Utf8(c.text));
        CDateTime value;
        if (c.dateTime) {
            value.ParseXSDDateTime(c.text);
        } else {
            value.ParseXSDDate(c.text);
        }
        EXPECT_EQ(c.type, value.GetType());
        EXPECT_EQ(c.printed, value.ToString());
    }
}

// A duration's fraction needs its designator (see the malformed forms), but the
// text may still end right after the ".".
TEST(DateTimeForms, DurationMayEndAfterTheFractionPoint) {
    CDateTimeSpan span;
    span.ParseXSDDuration(L"PT1H2.");
    EXPECT_EQ(L"PT1H2S", span.ToString());
    span.ParseXSDDuration(L"PT1.5S");
    EXPECT_EQ(L"PT1.5S", span.ToString());
}

TEST(DateTimeForms, FailedSettersKeepWhatTheyStored) {
    CDateTime date;
    EXPECT_NY_THROW(date.SetDate(2001, 2, 30), CNyInvalidValueException,
                    L"Invalid Day [30] (1 <= day <= days in month");
    EXPECT_EQ(CDateTime::dt_date, date.GetType());
    EXPECT_EQ(2001, date.GetYear());
    EXPECT_EQ(2, date.GetMonth());
    EXPECT_EQ(30, date.GetDay());

    CDateTime time;
    EXPECT_NY_THROW(time.SetTime(10, 61, 0), CNyInvalidValueException, L"Invalid Minute [61] (0 <= minute <= 59)");
    EXPECT_EQ(61, time.GetMinute());

    // SYSTEMTIME and time_t values are quoted as the 16- and 8-bit fields hold them.
    struct Case {
        SYSTEMTIME st;
        const wchar_t* message;
    } cases[] = {
        {{40000, 1, 0, 1, 0, 0, 0, 0}, L"Invalid Year [-25536] (-9999 <= year <= 9999 && year != 0)"},
        {{2001, 300, 0, 1, 0, 0, 0, 0}, L"Invalid Month [44] (1 <= month <= 12)"},
        {{2001, 1, 0, 1, 280, 0, 0, 0}, L"Invalid Hour [24] (0 <= hour <= 23)"},
        {{2001, 1, 0, 1, 0, 0, 0, 1000}, L"Invalid Milli-Second [1000] (0 <= milli <= 999)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Utf8(c.message));
        CDateTime value;
        EXPECT_NY_THROW(value = c.st, CNyInvalidValueException, c.message);
        EXPECT_EQ(CDateTime::dt_unset, CDateTime(c.st).GetType());  // a constructor leaves it cleared
    }
    // Day 257 is held as 1: a valid date.
    EXPECT_EQ(L"2001-01-01T00:00:00", CDateTime(SYSTEMTIME{2001, 1, 0, 257, 0, 0, 0, 0}).ToString());
    CDateTime fromTime;
    EXPECT_NY_THROW(fromTime = int64_t(1200110860800), CNyInvalidValueException,  // 40000-01-01T00:00:00
                    L"Invalid Year [-25536] (-9999 <= year <= 9999 && year != 0)");
    EXPECT_EQ(-25536, fromTime.GetYear());
    EXPECT_EQ(CDateTime::dt_unset, CDateTime(int64_t(1200110860800)).GetType());
}
