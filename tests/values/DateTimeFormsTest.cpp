// Lexical forms at the edges of the date and duration grammars, and what a
// failed setter leaves behind.
#include <nyxml/datetime.h>
#include <nyxml/foundation.h>

#include "TestSupport.h"

using namespace NyXmlLib9;
using nyxml_test::Utf8;

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
    CDateTime value;
    EXPECT_NY_THROW(value.ParseXSDDate(L"--1x--"), CNyInvalidValueException,
                    L"Invalid XSD Date [--1x--] expected CCYY-MM-DD[Z|[+|-]hh:mm]");
    EXPECT_NY_THROW(value.ParseXSDDate(L"--13ab"), CNyInvalidValueException, L"Invalid Month [13] (1 <= month <= 12)");
}

TEST(DateTimeForms, DurationFractionNeedsItsDesignator) {
    const wchar_t* rejected[] = {L"PT1.5", L"PT1M2.5", L"PT1.0", L"-PT0.000000001"};
    for (const wchar_t* text : rejected) {
        SCOPED_TRACE(Utf8(text));
        CDateTimeSpan span;
        EXPECT_NY_THROW(span.ParseXSDDuration(text), CNyInvalidValueException,
                        L"Invalid XSD Duration [" + std::wstring(text) +
                            L"] expected [-]P[nY][nM][nD][T[nH][nM][nS.ff]]");
    }
    // The text may still end right after the ".".
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
