// CDateTime as a value: construction, typed setters and their type lock, field
// accessors and their type checks, zones, formats, and the conversions to and
// from time_t, SYSTEMTIME and FILETIME.
#include <nyxml/datetime.h>

#include "TestSupport.h"
#include "platform/Time.h"
#include "values/DateTimeInternal.h"

#include <cstdlib>
#include <ctime>
#include <functional>
#include <string>

using namespace NyXmlLib9;
using nyxml_test::ScopedTimeZone;
using nyxml_test::Utf8;

namespace {

// Sets TZ for the lifetime of a scope, restoring the previous setting after.
const CDateTime::DTType kAllTypes[] = {CDateTime::dt_unset, CDateTime::dt_dateTime,   CDateTime::dt_date,
                                       CDateTime::dt_gYearMonth, CDateTime::dt_gYear, CDateTime::dt_time,
                                       CDateTime::dt_gDay,  CDateTime::dt_gMonth,     CDateTime::dt_gMonthDay};

const wchar_t* const kTypeNames[] = {L"yearZero", L"dateTime", L"date",   L"gYearMonth", L"gYear",
                                     L"time",     L"gDay",     L"gMonth", L"gMonthDay"};

CDateTime Parse(const wchar_t* text) {
    CDateTime value;
    if (std::wcschr(text, L'T'))
        value.ParseXSDDateTime(text);
    else if (text[0] != L'-' && std::wcslen(text) >= 8 && text[2] == L':')
        value.ParseXSDTime(text);
    else
        value.ParseXSDDate(text);
    return value;
}

}  // namespace

TEST(DateTimeValue, TypeNames) {
    for (int i = 0; i <= 8; ++i) EXPECT_EQ(kTypeNames[i], CDateTime(kAllTypes[i]).GetTypeAsString());
    EXPECT_EQ(L"", CDateTime(static_cast<CDateTime::DTType>(9)).GetTypeAsString());
}

TEST(DateTimeValue, TypedButEmptyValues) {
    // Every field 0 means "not set" except for a time, where it is midnight.
    for (int i = 1; i <= 8; ++i) {
        SCOPED_TRACE(Utf8(kTypeNames[i]));
        CDateTime value(kAllTypes[i]);
        if (kAllTypes[i] == CDateTime::dt_time)
            EXPECT_EQ(L"00:00:00", value.ToString());
        else
            EXPECT_NY_THROW(value.ToString(), CNyInvalidValueException, L"Date Not Set");
    }
}

TEST(DateTimeValue, FormatArgument) {
    CDateTime value(2001, 10, 26);
    EXPECT_EQ(L"2001-10-26", value.ToString(L"s"));
    EXPECT_EQ(L"", value.ToString(nullptr));
    EXPECT_EQ(L"", value.ToString(L"G"));
    EXPECT_EQ(L"Unknown Format: ", value.ToString(L""));
    EXPECT_EQ(L"Unknown Format: yyyy-MM-dd", value.ToString(L"yyyy-MM-dd"));
    EXPECT_EQ(L"Unknown Format: S", value.ToString(L"S"));
}

TEST(DateTimeValue, TypedSetters) {
    struct Case {
        std::function<void(CDateTime&)> set;
        CDateTime::DTType type;
        const wchar_t* printed;
    } cases[] = {
        {[](CDateTime& v) { v.SetDateTime(2001, 10, 26, 21, 32, 52); }, CDateTime::dt_dateTime,
         L"2001-10-26T21:32:52"},
        {[](CDateTime& v) { v.SetDateTime(-44, 3, 15, 1, 2, 3, 4, 5, 6); }, CDateTime::dt_dateTime,
         L"-0044-03-15T01:02:03.004005006"},
        {[](CDateTime& v) { v.SetDate(2001, 10, 26); }, CDateTime::dt_date, L"2001-10-26"},
        {[](CDateTime& v) { v.SetTime(1, 2, 3); }, CDateTime::dt_time, L"01:02:03"},
        {[](CDateTime& v) { v.SetTime(1, 2, 3, 100, 0, 0); }, CDateTime::dt_time, L"01:02:03.1"},
        {[](CDateTime& v) { v.SetFracTime(1, 2, 3); }, CDateTime::dt_time, L"00:00:00.001002003"},
        {[](CDateTime& v) { v.SetGYear(1); }, CDateTime::dt_gYear, L"0001"},
        {[](CDateTime& v) { v.SetGYearMonth(-2001, 12); }, CDateTime::dt_gYearMonth, L"-2001-12"},
        {[](CDateTime& v) { v.SetGMonth(7); }, CDateTime::dt_gMonth, L"--07"},
        {[](CDateTime& v) { v.SetGMonthDay(2, 29); }, CDateTime::dt_gMonthDay, L"--02-29"},
        {[](CDateTime& v) { v.SetGDay(31); }, CDateTime::dt_gDay, L"---31"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Utf8(c.printed));
        CDateTime value;
        c.set(value);
        EXPECT_EQ(c.type, value.GetType());
        EXPECT_EQ(c.printed, value.ToString());
        // The same setter again on a value of that type is allowed and clears the zone.
        value.SetUTC();
        c.set(value);
        EXPECT_FALSE(value.IsUTC());
        // A setter of another type is refused.
        if (c.type != CDateTime::dt_date)
            EXPECT_NY_THROW(value.SetDate(2001, 1, 1), CNyInvalidStateException,
                            std::wstring(L"Failed to copy CDateTime. Invalid Date Type: date, expected: ") +
                                kTypeNames[c.type] + L".");
    }
}

TEST(DateTimeValue, AssigningAnotherTypeIsRefused) {
    CDateTime date(2001, 10, 26);
    SYSTEMTIME st{2001, 10, 5, 26, 1, 2, 3, 4};
    EXPECT_NY_THROW(date = st, CNyInvalidStateException,
                    L"Failed to copy CDateTime. Invalid Date Type: dateTime, expected: date.");
    EXPECT_NY_THROW(date = int64_t(0), CNyInvalidStateException,
                    L"Failed to copy CDateTime. Invalid Date Type: dateTime, expected: date.");
    CDateTime typed(CDateTime::dt_gDay);
    EXPECT_NY_THROW(typed.SetGMonth(1), CNyInvalidStateException,
                    L"Failed to copy CDateTime. Invalid Date Type: gMonth, expected: gDay.");
    typed.SetGDay(3);
    EXPECT_EQ(L"---03", typed.ToString());
}

TEST(DateTimeValue, ConstructorsFromPartsLeaveInvalidValuesCleared) {
    EXPECT_EQ(L"2001-10-26", CDateTime(2001, 10, 26).ToString());
    EXPECT_EQ(L"2001-10-26T01:02:03", CDateTime(2001, 10, 26, 1, 2, 3).ToString());
    EXPECT_EQ(L"2001-10-26T01:02:03.5", CDateTime(2001, 10, 26, 1, 2, 3, 500, 0, 0).ToString());
    CDateTime invalid[] = {CDateTime(2001, 2, 29), CDateTime(0, 1, 1), CDateTime(2001, 13, 1),
                           CDateTime(2001, 1, 1, 24, 0, 0), CDateTime(2001, 1, 1, 0, 0, 0, 0, 0, 1000)};
    for (const CDateTime& value : invalid) {
        EXPECT_EQ(CDateTime::dt_unset, value.GetType());
        EXPECT_NY_THROW(value.ToString(), CNyInvalidValueException, L"Date Not Set");
    }
}

// Every accessor on every type: allowed exactly for the types that use the field.
TEST(DateTimeValue, FieldAccessorTypeChecks) {
    struct Accessor {
        const wchar_t* name;
        unsigned usedBy;  // bit per type
        std::function<void(CDateTime&)> get;
        std::function<void(CDateTime&)> set;
    };
    const unsigned Y = 1u << CDateTime::dt_dateTime | 1u << CDateTime::dt_date | 1u << CDateTime::dt_gYearMonth |
                       1u << CDateTime::dt_gYear;
    const unsigned M = 1u << CDateTime::dt_dateTime | 1u << CDateTime::dt_date | 1u << CDateTime::dt_gYearMonth |
                       1u << CDateTime::dt_gMonthDay | 1u << CDateTime::dt_gMonth;
    const unsigned D = 1u << CDateTime::dt_dateTime | 1u << CDateTime::dt_date | 1u << CDateTime::dt_gMonthDay |
                       1u << CDateTime::dt_gDay;
    const unsigned T = 1u << CDateTime::dt_dateTime | 1u << CDateTime::dt_time;
    const unsigned DT = 1u << CDateTime::dt_dateTime | 1u << CDateTime::dt_date;
    const Accessor accessors[] = {
        {L"GetYear", Y, [](CDateTime& v) { v.GetYear(); }, [](CDateTime& v) { v.SetYear(5); }},
        {L"GetMonth", M, [](CDateTime& v) { v.GetMonth(); }, [](CDateTime& v) { v.SetMonth(5); }},
        {L"GetDay", D, [](CDateTime& v) { v.GetDay(); }, [](CDateTime& v) { v.SetDay(5); }},
        {L"GetHour", T, [](CDateTime& v) { v.GetHour(); }, [](CDateTime& v) { v.SetHour(5); }},
        {L"GetMinute", T, [](CDateTime& v) { v.GetMinute(); }, [](CDateTime& v) { v.SetMinute(5); }},
        {L"GetSecond", T, [](CDateTime& v) { v.GetSecond(); }, [](CDateTime& v) { v.SetSecond(5); }},
        {L"GetMilliSecond", T, [](CDateTime& v) { v.GetMilliSecond(); }, [](CDateTime& v) { v.SetMilliSecond(5); }},
        {L"GetMicroSecond", T, [](CDateTime& v) { v.GetMicroSecond(); }, [](CDateTime& v) { v.SetMicroSecond(5); }},
        {L"GetNanoSecond", T, [](CDateTime& v) { v.GetNanoSecond(); }, [](CDateTime& v) { v.SetNanoSecond(5); }},
        {L"GetRealSecond", T, [](CDateTime& v) { v.GetRealSecond(); }, nullptr},
        {L"GetDayOfWeek", DT, [](CDateTime& v) { v.GetDayOfWeek(); }, nullptr},
        {L"GetDayOfYear", DT, [](CDateTime& v) { v.GetDayOfYear(); }, nullptr},
    };
    ScopedTimeZone utc("UTC");
    for (const Accessor& a : accessors) {
        for (int t = 0; t <= 8; ++t) {
            SCOPED_TRACE(Utf8(a.name) + " on " + Utf8(kTypeNames[t]));
            CDateTime value(kAllTypes[t]);
            if (t == CDateTime::dt_dateTime || t == CDateTime::dt_date) {
                value.SetYear(2001);
                value.SetMonth(1);
                value.SetDay(1);
            }
            const std::wstring message =
                std::wstring(L"Failed to ") + a.name + L". Invalid Date Type: " + kTypeNames[t] + L".";
            if (a.usedBy & (1u << t)) {
                a.get(value);
                if (a.set) a.set(value);
            } else {
                EXPECT_NY_THROW(a.get(value), CNyInvalidStateException, message);
                if (a.set) EXPECT_NY_THROW(a.set(value), CNyInvalidStateException, message);
            }
        }
    }
}

TEST(DateTimeValue, FieldSettersDoNotValidate) {
    CDateTime value(2001, 10, 26, 1, 2, 3);
    value.SetMonth(13);
    value.SetDay(99);
    value.SetHour(200);
    value.SetMilliSecond(1500);
    EXPECT_EQ(13, value.GetMonth());
    EXPECT_EQ(99, value.GetDay());
    EXPECT_EQ(L"2001-13-99T200:02:03.15", value.ToString());
    value.SetYear(0);
    EXPECT_EQ(L"0000-13-99T200:02:03.15", value.ToString());
    value.SetYear(-32768);
    EXPECT_EQ(L"-32768-13-99T200:02:03.15", value.ToString());
    EXPECT_NY_THROW(value.GetDayOfYear(), CNyInvalidValueException, L"Invalid Month [13] (1 <= month <= 12)");
}

// The conversions a value of each type allows through SetDateTime(source, type).
TEST(DateTimeValue, TypedCopyConversions) {
    const wchar_t* sources[] = {L"", L"2001-10-26T21:32:52.5+02:00", L"2001-10-26", L"2001-10", L"2001",
                                L"21:32:52", L"---26", L"--10", L"--10-26"};
    // allowed[from][to]
    const char* allowed[9] = {"100000000", "111111111", "101110111", "100110010", "100010000",
                              "100001000", "100000100", "100000010", "100000111"};
    for (int from = 1; from <= 8; ++from) {
        CDateTime source = Parse(sources[from]);
        for (int to = 0; to <= 8; ++to) {
            SCOPED_TRACE(Utf8(kTypeNames[from]) + " -> " + Utf8(kTypeNames[to]));
            CDateTime target;
            if (allowed[from][to] == '1') {
                target.SetDateTime(source, kAllTypes[to]);
                EXPECT_EQ(kAllTypes[to], target.GetType());
                EXPECT_EQ(source.IsUTC(), target.IsUTC());
            } else {
                EXPECT_NY_THROW(target.SetDateTime(source, kAllTypes[to]), CNyInvalidValueException,
                                std::wstring(L"Attempting to set a CDateTime of type ") + kTypeNames[to] +
                                    L" using an XmlDateTime of type " + kTypeNames[from] +
                                    L". The source CDateTime does not contian enough data to allow the conversion.");
            }
        }
    }
    // Fields the target does not use are kept, and the zone is copied unchanged.
    CDateTime source(L"2001-10-26T21:32:52.5+02:00");
    CDateTime day;
    day.SetDateTime(source, CDateTime::dt_gDay);
    EXPECT_EQ(L"---26+02:00", day.ToString());
    CDateTime date;
    date.SetDateTime(source, CDateTime::dt_date);
    EXPECT_EQ(L"2001-10-26+02:00", date.ToString());
    CDateTime unknown(static_cast<CDateTime::DTType>(42));
    EXPECT_NY_THROW(date.SetDateTime(unknown, CDateTime::dt_date), CNyInvalidValueException,
                    L"Unknown date type 42.");
}

TEST(DateTimeValue, ForTypeMessagesOfTheValidation) {
    using DateTimeDetail::Fields;
    using DateTimeDetail::ValidateFields;
    struct Case {
        CDateTime::DTType type;
        Fields fields;
        const wchar_t* message;
    } cases[] = {
        {CDateTime::dt_unset, Fields{2001, 1, 1, 0, 0, 0, 0, 0, 0}, L"Invalid Year Zero"},
        {CDateTime::dt_gYear, Fields{2001, 3, 0, 0, 0, 0, 0, 0, 0}, L"Invalid Month [3] for type gYear"},
        {CDateTime::dt_gMonth, Fields{2001, 3, 0, 0, 0, 0, 0, 0, 0}, L"Invalid Year [2001] for type gMonth"},
        {CDateTime::dt_gYearMonth, Fields{2001, 3, 4, 0, 0, 0, 0, 0, 0}, L"Invalid Day [4] for type gYearMonth"},
        {CDateTime::dt_date, Fields{2001, 3, 4, 5, 0, 0, 0, 0, 0}, L"Invalid Hour [5] for type date"},
        {CDateTime::dt_gDay, Fields{0, 0, 4, 0, 6, 0, 0, 0, 0}, L"Invalid Minute [6] for type gDay"},
        {CDateTime::dt_gMonthDay, Fields{0, 1, 4, 0, 0, 7, 0, 0, 0}, L"Invalid Second [7] for type gMonthDay"},
        {CDateTime::dt_date, Fields{2001, 3, 4, 0, 0, 0, 8, 0, 0}, L"Invalid Milli-Second [8] for type date"},
        {CDateTime::dt_date, Fields{2001, 3, 4, 0, 0, 0, 0, 9, 0}, L"Invalid Micro-Second [9] for type date"},
        {CDateTime::dt_date, Fields{2001, 3, 4, 0, 0, 0, 0, 0, 10}, L"Invalid Nano-Second [10] for type date"},
        // Month is checked before the year, the year before the day.
        {CDateTime::dt_date, Fields{0, 13, 40, 0, 0, 0, 0, 0, 0}, L"Invalid Month [13] (1 <= month <= 12)"},
        {CDateTime::dt_date, Fields{0, 12, 40, 0, 0, 0, 0, 0, 0},
         L"Invalid Year [0] (-9999 <= year <= 9999 && year != 0)"},
        // Time fields: the "for type" checks come first, then the ranges.
        {CDateTime::dt_gYear, Fields{1, 0, 0, 0, 0, 99, 0, 0, 0}, L"Invalid Second [99] for type gYear"},
        {CDateTime::dt_time, Fields{0, 0, 0, 23, 59, 59, 999, 999, 1000},
         L"Invalid Nano-Second [1000] (0 <= nano <= 999)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Utf8(c.message));
        EXPECT_NY_THROW(ValidateFields(c.type, c.fields), CNyInvalidValueException, c.message);
    }
}

// ---- time_t ----

TEST(DateTimeConversion, FromTimeT) {
    EXPECT_EQ(L"1970-01-01T00:00:00", CDateTime(int64_t(0)).ToString());
    EXPECT_EQ(L"2001-09-09T01:46:40", CDateTime(int64_t(1000000000)).ToString());
    EXPECT_EQ(L"1969-12-31T23:59:59", CDateTime(int64_t(-1)).ToString());
    EXPECT_EQ(L"9999-12-31T23:59:59", CDateTime(int64_t(253402300799)).ToString());
    EXPECT_EQ(L"0001-01-01T00:00:00", CDateTime(int64_t(-62135596800)).ToString());
    EXPECT_FALSE(CDateTime(int64_t(1000000000)).IsUTC());
    // Years outside -9999..9999 leave the constructed value cleared; assignment throws.
    EXPECT_EQ(CDateTime::dt_unset, CDateTime(int64_t(253402300800)).GetType());
    CDateTime value;
    EXPECT_NY_THROW(value = int64_t(253402300800), CNyInvalidValueException,
                    L"Invalid Year [10000] (-9999 <= year <= 9999 && year != 0)");
    EXPECT_NY_THROW(value = int64_t(-62135596801), CNyInvalidValueException,
                    L"Invalid Year [0] (-9999 <= year <= 9999 && year != 0)");
    EXPECT_EQ(CDateTime::dt_unset, CDateTime(INT64_MAX).GetType());
    EXPECT_EQ(CDateTime::dt_unset, CDateTime(INT64_MIN).GetType());
}

TEST(DateTimeConversion, GetTime) {
    EXPECT_EQ(0, CDateTime(L"1970-01-01T00:00:00").GetTime());
    EXPECT_EQ(1004054400, CDateTime(2001, 10, 26).GetTime());  // a date counts as midnight
    EXPECT_EQ(1004090400, CDateTime(L"2001-10-26T10:00:00").GetTime());
    EXPECT_EQ(1004083200, CDateTime(L"2001-10-26T10:00:00+02:00").GetTime());
    EXPECT_EQ(1004083200, CDateTime(L"2001-10-26T08:00:00Z").GetTime());
    EXPECT_EQ(1004090400, CDateTime(L"2001-10-26T10:00:00.999").GetTime());  // fractions dropped
    EXPECT_EQ(-62135596800, CDateTime(1, 1, 1).GetTime());
    CDateTime value;
    value.ParseXSDDate(L"2001-10");
    EXPECT_NY_THROW(value.GetTime(), CNyInvalidValueException,
                    L"Failed to GetTime, Date Status must be dateTime or date. Invalid Date Type: gYearMonth.");
    value.ParseXSDTime(L"10:00:00");
    EXPECT_NY_THROW(value.GetTime(), CNyInvalidValueException,
                    L"Failed to GetTime, Date Status must be dateTime or date. Invalid Date Type: time.");
}

// GetTime against the C library's timegm over every day of a few years, including
// negative ones, where the stored year is used as a plain number.
TEST(DateTimeConversion, GetTimeMatchesTimegmEveryDay) {
    for (int year : {-401, -400, -100, -5, -1, 1, 1600, 1900, 1969, 1970, 2000, 2038, 9999}) {
        for (int month = 1; month <= 12; ++month) {
            const int length = DateTimeDetail::DaysInMonth(year, month);
            for (int day = 1; day <= length; ++day) {
                CDateTime value(static_cast<short>(year), static_cast<unsigned char>(month),
                                static_cast<unsigned char>(day), 13, 14, 15);
                std::tm t{};
                t.tm_year = year - 1900;
                t.tm_mon = month - 1;
                t.tm_mday = day;
                t.tm_hour = 13;
                t.tm_min = 14;
                t.tm_sec = 15;
                int64_t expected = 0;
                ASSERT_TRUE(Platform::MkGmTime64(t, expected));
                ASSERT_EQ(expected, value.GetTime()) << year << "-" << month << "-" << day;
                ASSERT_EQ(value.ToString(), CDateTime(value.GetTime()).ToString());
            }
        }
    }
}

// ---- SYSTEMTIME and FILETIME ----

TEST(DateTimeConversion, FromSystemTime) {
    SYSTEMTIME st{2001, 10, 0, 26, 21, 32, 52, 125};
    CDateTime value(st);
    EXPECT_EQ(L"2001-10-26T21:32:52.125", value.ToString());
    EXPECT_FALSE(value.IsUTC());
    SYSTEMTIME bad[] = {{2001, 13, 0, 1, 0, 0, 0, 0}, {2001, 2, 0, 29, 0, 0, 0, 0}, {40000, 1, 0, 1, 0, 0, 0, 0},
                        {2001, 1, 0, 1, 0, 0, 0, 1000}, {0, 1, 0, 1, 0, 0, 0, 0}, {2001, 300, 0, 1, 0, 0, 0, 0}};
    // The messages of such values are checked with the failed setters.
    for (const SYSTEMTIME& s : bad) EXPECT_EQ(CDateTime::dt_unset, CDateTime(s).GetType());
}

TEST(DateTimeConversion, AsSystemTime) {
    ScopedTimeZone utc("UTC");
    SYSTEMTIME st = CDateTime(L"2001-10-26T21:32:52.125456+05:00").GetAsSystemTime();
    EXPECT_EQ(2001, st.wYear);
    EXPECT_EQ(10, st.wMonth);
    EXPECT_EQ(26, st.wDay);
    EXPECT_EQ(21, st.wHour);  // not moved to UTC
    EXPECT_EQ(32, st.wMinute);
    EXPECT_EQ(52, st.wSecond);
    EXPECT_EQ(125, st.wMilliseconds);
    EXPECT_EQ(5, st.wDayOfWeek);  // Friday, counted from Sunday = 0
    EXPECT_NY_THROW(CDateTime(2001, 10, 26).GetAsSystemTime(), CNyInvalidValueException,
                    L"Failed to GetAsSystemTime, Date Status must be dateTime. Invalid Date Type: date.");
    CDateTime round(st);
    EXPECT_EQ(L"2001-10-26T21:32:52.125", round.ToString());
}

TEST(DateTimeConversion, FromFileTime) {
    FILETIME zero{0, 0};
    EXPECT_EQ(L"1601-01-01T00:00:00", CDateTime(zero).ToString());
    const uint64_t epoch = 116444736000000000ull + 1234567;  // plus 0.1234567 s
    FILETIME unix{static_cast<uint32_t>(epoch), static_cast<uint32_t>(epoch >> 32)};
    EXPECT_EQ(L"1970-01-01T00:00:00.123", CDateTime(unix).ToString());
    FILETIME negative{0, 0x80000000u};
    EXPECT_EQ(CDateTime::dt_unset, CDateTime(negative).GetType());
    CDateTime value;
    EXPECT_NY_THROW(value = negative, CNyInvalidValueException, L"Failed to convert FILETIME to SYSTEMTIME");
    FILETIME far{0xFFFFFFFFu, 0x7FFFFFFFu};  // year 30828
    EXPECT_EQ(CDateTime::dt_unset, CDateTime(far).GetType());
    EXPECT_NY_THROW(value = far, CNyInvalidValueException,
                    L"Invalid Year [30828] (-9999 <= year <= 9999 && year != 0)");
}

TEST(DateTimeConversion, TickCountIsTheLocalClock) {
    ScopedTimeZone utc("UTC");
    // Brackets with the clock the library reads: time() may read a coarser clock that lags it by a tick.
    const auto seconds = [] {
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        return static_cast<int64_t>(now.tv_sec);
    };
    const int64_t before = seconds();
    CDateTime now = CDateTime::GetTickCount();
    const int64_t after = seconds();
    EXPECT_EQ(CDateTime::dt_dateTime, now.GetType());
    EXPECT_FALSE(now.IsUTC());
    EXPECT_GE(now.GetTime(), before);
    EXPECT_LE(now.GetTime(), after);
    EXPECT_LE(now.GetMilliSecond(), 999);
}

TEST(DateTimeArithmetic, DifferenceIsAZeroDuration) {
    CDateTimeSpan span = CDateTime(2001, 10, 26) - CDateTime(2001, 1, 1);
    EXPECT_EQ(L"P", span.ToString());
    EXPECT_FALSE(span.IsNegative());
}
