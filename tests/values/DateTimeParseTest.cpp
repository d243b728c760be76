// Lexical forms of CDateTime: every date kind, times, zones, dateTime, the
// messages of malformed input, range validation, and printing back.
#include <nyxml/datetime.h>

#include "TestSupport.h"

#include <string>

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

TEST(DateTimeParse, DateSpecialMessages) {
    CDateTime value;
    EXPECT_NY_THROW(value.ParseXSDDate(nullptr), CNyInvalidValueException, L"Invalid Date (Null String)");
    EXPECT_NY_THROW(value.ParseXSDDate(L""), CNyInvalidValueException, L"Invalid Date (Empty String)");
    EXPECT_NY_THROW(value.ParseXSDDate(L"2001-10-26T10:00:00"), CNyInvalidValueException,
                    L"Invalid Date ('T' not allowed)");
    EXPECT_NY_THROW(value.ParseXSDDate(L"T"), CNyInvalidValueException, L"Invalid Date ('T' not allowed)");
    EXPECT_NY_THROW(value.ParseXSDDate(L"2001-10-26+02:00Z"), CNyInvalidValueException,
                    L"Invalid Date (Bad Zone value)");
    EXPECT_NY_THROW(value.ParseXSDDate(L"2001-10-26+02-00"), CNyInvalidValueException,
                    DateFormMessage(L"2001-10-26+02-00"));
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
    CDateTime value;
    EXPECT_NY_THROW(value.ParseXSDDate(L"2001-10-26+25:00"), CNyInvalidValueException, L"Invalid TimeZone [25:0]");
    EXPECT_NY_THROW(value.ParseXSDDate(L"2001-10-26-25:00"), CNyInvalidValueException, L"Invalid TimeZone [-25:0]");
    EXPECT_NY_THROW(value.ParseXSDDate(L"2001-10-26+02:60"), CNyInvalidValueException, L"Invalid TimeZone [2:60]");
    EXPECT_NY_THROW(value.ParseXSDDate(L"2001-10-26-02:99"), CNyInvalidValueException, L"Invalid TimeZone [-2:99]");
    EXPECT_NY_THROW(value.ParseXSDDate(L"2001-10-26+0a:00"), CNyInvalidValueException,
                    L"Invalid XSD Time Zone [+0a:00]");
    EXPECT_NY_THROW(value.ParseXSDDate(L"2001-10-26+02:0x"), CNyInvalidValueException,
                    L"Invalid XSD Time Zone [+02:0x]");
    // The six characters before the end are the zone only when they start with a sign.
    EXPECT_NY_THROW(value.ParseXSDDate(L"2001-10-26+02;00:"), CNyInvalidValueException,
                    DateFormMessage(L"2001-10-26+02;00:"));
}

TEST(DateTimeParse, MalformedTimes) {
    const wchar_t* texts[] = {L"24:00:00", L"23:60:00", L"23:59:60", L"1:00:00", L"12:00",
                              L"12-00-00", L"12:00:0",  L"ab:cd:ef", L"99:99:99", L" 12:00:00"};
    for (const wchar_t* text : texts) {
        SCOPED_TRACE(Utf8(text));
        CDateTime value;
        EXPECT_NY_THROW(value.ParseXSDTime(text), CNyInvalidValueException, TimeFormMessage(text));
    }
    CDateTime value;
    EXPECT_NY_THROW(value.ParseXSDTime(nullptr), CNyInvalidValueException, L"Invalid Time (Null String)");
    EXPECT_NY_THROW(value.ParseXSDTime(L""), CNyInvalidValueException, L"Invalid XSD Time (Empty String)");
    EXPECT_NY_THROW(value.ParseXSDTime(L"12:00:00.1234567891"), CNyInvalidValueException,
                    L"Invalid XSD Time [12:00:00.1234567891] Fraction part too long");
    EXPECT_NY_THROW(value.ParseXSDTime(L"12:00:00+5"), CNyInvalidValueException, L"Invalid XSD Time Zone [+5]");
    EXPECT_NY_THROW(value.ParseXSDTime(L"12:00:00+05:00:00"), CNyInvalidValueException,
                    L"Invalid XSD Time Zone [+05:00:00]");
}

TEST(DateTimeParse, MalformedDateTimes) {
    CDateTime value;
    EXPECT_NY_THROW(value.ParseXSDDateTime(nullptr), CNyInvalidValueException, L"Invalid DateTime (Null String)");
    EXPECT_NY_THROW(value.ParseXSDDateTime(L""), CNyInvalidValueException, L"Invalid XSD DateTime []");
    EXPECT_NY_THROW(value.ParseXSDDateTime(L"2001-10-26"), CNyInvalidValueException,
                    L"Invalid XSD DateTime [2001-10-26]");
    EXPECT_NY_THROW(value.ParseXSDDateTime(L"2001-10T10:00:00"), CNyInvalidValueException,
                    L"Invalid XSD DateTime [2001-10T10:00:00] expected CCYY-MM-DDThh:mm:ss[.ff]");
    EXPECT_NY_THROW(value.ParseXSDDateTime(L"--10-26T10:00:00"), CNyInvalidValueException,
                    L"Invalid XSD DateTime [--10-26T10:00:00] expected CCYY-MM-DDThh:mm:ss[.ff]");
    // Failures of the date part carry the date part's text, those of the time part its own.
    EXPECT_NY_THROW(value.ParseXSDDateTime(L"01-10-26T10:00:00"), CNyInvalidValueException,
                    DateFormMessage(L"01-10-26"));
    EXPECT_NY_THROW(value.ParseXSDDateTime(L"T10:00:00"), CNyInvalidValueException, L"Invalid Date (Empty String)");
    EXPECT_NY_THROW(value.ParseXSDDateTime(L"2001-10-26T"), CNyInvalidValueException,
                    L"Invalid XSD Time (Empty String)");
    EXPECT_NY_THROW(value.ParseXSDDateTime(L"2001-10-26T24:00:00"), CNyInvalidValueException,
                    TimeFormMessage(L"24:00:00"));
    EXPECT_NY_THROW(value.ParseXSDDateTime(L"2001-10-26T21:32:52.1234567891"), CNyInvalidValueException,
                    L"Invalid XSD Time [21:32:52.1234567891] Fraction part too long");
    EXPECT_NY_THROW(value.ParseXSDDateTime(L"2001-02-29T10:00:00"), CNyInvalidValueException,
                    L"Invalid Day [29] (1 <= day <= days in month");
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

TEST(DateTimeValidate, MonthsAndDays) {
    CDateTime value;
    EXPECT_NY_THROW(value.ParseXSDDate(L"2001-13-01"), CNyInvalidValueException,
                    L"Invalid Month [13] (1 <= month <= 12)");
    EXPECT_NY_THROW(value.ParseXSDDate(L"2001-00"), CNyInvalidValueException, L"Invalid Month [0] (1 <= month <= 12)");
    EXPECT_NY_THROW(value.ParseXSDDate(L"--00"), CNyInvalidValueException, L"Invalid Month [0] (1 <= month <= 12)");
    EXPECT_NY_THROW(value.ParseXSDDate(L"2001-02-29"), CNyInvalidValueException,
                    L"Invalid Day [29] (1 <= day <= days in month");
    EXPECT_NY_THROW(value.ParseXSDDate(L"1900-02-29"), CNyInvalidValueException,
                    L"Invalid Day [29] (1 <= day <= days in month");
    EXPECT_NY_THROW(value.ParseXSDDate(L"2001-04-00"), CNyInvalidValueException,
                    L"Invalid Day [0] (1 <= day <= days in month");
    EXPECT_NY_THROW(value.ParseXSDDate(L"--02-30"), CNyInvalidValueException,
                    L"Invalid Day [30] (1 <= day <= days in month)");
    EXPECT_NY_THROW(value.ParseXSDDate(L"--04-31"), CNyInvalidValueException,
                    L"Invalid Day [31] (1 <= day <= days in month)");
    EXPECT_NY_THROW(value.ParseXSDDate(L"---32"), CNyInvalidValueException, L"Invalid Day [32] (1 <= day <= 31)");
    EXPECT_NY_THROW(value.ParseXSDDate(L"---00"), CNyInvalidValueException, L"Invalid Day [0] (1 <= day <= 31)");
    EXPECT_EQ(L"2000-02-29", Date(L"2000-02-29").ToString());
    EXPECT_EQ(L"--02-29", Date(L"--02-29").ToString());
    EXPECT_EQ(L"-0004-02-29", Date(L"-0004-02-29").ToString());  // the year as stored: -4 is a leap year
    EXPECT_NY_THROW(value.ParseXSDDate(L"-0100-02-29"), CNyInvalidValueException,
                    L"Invalid Day [29] (1 <= day <= days in month");
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
