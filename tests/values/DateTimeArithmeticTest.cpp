// Adding durations to CDateTime, moving values to UTC, and the XSD partial
// order with +14:00/-14:00 for unzoned values.
#include <nyxml/datetime.h>

#include "TestSupport.h"
#include "values/DateTimeInternal.h"

#include <chrono>
#include <string>

using namespace NyXmlLib9;
using nyxml_test::Utf8;

namespace {

CDateTime Value(const wchar_t* text) {
    CDateTime value;
    if (std::wcschr(text, L'T'))
        value.ParseXSDDateTime(text);
    else if (text[0] != L'-' && std::wcslen(text) >= 8 && text[2] == L':')
        value.ParseXSDTime(text);
    else
        value.ParseXSDDate(text);
    return value;
}

CDateTimeSpan Span(const wchar_t* text) {
    CDateTimeSpan span;
    span.ParseXSDDuration(text);
    return span;
}

const char* ResultName(CDateTime::DTCompareResult r) {
    switch (r) {
    case CDateTime::DTCompare_Equal:
        return "Equal";
    case CDateTime::DTCompare_Less:
        return "Less";
    case CDateTime::DTCompare_Greater:
        return "Greater";
    default:
        return "Indeterminate";
    }
}

}  // namespace

TEST(DateTimeAddition, DescribedCases) {
    EXPECT_EQ(L"2000-02-29", (Value(L"2000-03-01") - Span(L"P1D")).ToString());
    EXPECT_EQ(L"2002-01-01T00:00:00", (Value(L"2001-12-31T23:59:59") + Span(L"PT1S")).ToString());
    // Months are added without clamping the day; validation rejects the result later.
    CDateTime clamped = Value(L"2001-01-31") + Span(L"P1M");
    EXPECT_EQ(L"2001-02-31", clamped.ToString());
    CDateTime check;
    EXPECT_NY_THROW(check.ParseXSDDate(clamped.ToString().c_str()), CNyInvalidValueException,
                    L"Invalid Day [31] (1 <= day <= days in month");
}

TEST(DateTimeAddition, Table) {
    struct Case {
        const wchar_t* start;
        const wchar_t* span;
        const wchar_t* expected;
    } cases[] = {
        {L"2001-01-01T00:00:00", L"P1Y2M3DT4H5M6.789S", L"2002-03-04T04:05:06.789"},
        {L"2001-01-01T00:00:00", L"-P1Y2M3DT4H5M6.789S", L"1999-10-28T19:54:53.211"},
        {L"2001-01-01T00:00:00Z", L"PT90M", L"2001-01-01T01:30:00Z"},
        {L"2001-01-01T00:00:00+05:00", L"-PT1S", L"2000-12-31T23:59:59+05:00"},  // the zone is kept
        {L"2000-02-28", L"P1D", L"2000-02-29"},
        {L"2001-02-28", L"P1D", L"2001-03-01"},
        {L"2000-02-29", L"P1Y", L"2001-02-29"},     // no clamping
        {L"2000-01-31", L"P1M1D", L"2000-03-03"},   // "Feb 31" counts on from its day number
        {L"2000-03-31", L"-P1M", L"2000-02-31"},
        {L"2000-03-31", L"-P1M1D", L"2000-02-30"},
        {L"2000-03-31", L"-P1M31D", L"2000-01-31"},
        {L"2001-12-31T23:59:59.999999999", L"PT0.000000001S", L"2002-01-01T00:00:00"},
        {L"2001-01-01T00:00:00", L"-PT0.000000001S", L"2000-12-31T23:59:59.999999999"},
        {L"0001-01-01", L"-P1D", L"0000-12-31"},    // not validated: year 0 appears
        {L"-0001-12-31", L"P1D", L"0000-01-01"},
        {L"9999-12-31T23:59:59", L"PT1S", L"10000-01-01T00:00:00"},
        {L"2001-03-15", L"P12M", L"2002-03-15"},
        {L"2001-03-15", L"-P15M", L"1999-12-15"},
        {L"2001-03-15", L"P146097D", L"2401-03-15"},  // one 400-year cycle
        {L"2001-03-15", L"-P146097D", L"1601-03-15"},
        {L"2001-03-15", L"P292194D", L"2801-03-15"},
        {L"1999-12-31", L"P146097D", L"2399-12-31"},
        {L"1999-12-31", L"P146098D", L"2400-01-01"},
        {L"2000-02-29", L"-P146097D", L"1600-02-29"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Utf8(c.start) + " + " + Utf8(c.span));
        EXPECT_EQ(c.expected, (Value(c.start) + Span(c.span)).ToString());
    }
}

// A day the month lacks counts from its number (2001-02-29 is one day before
// 2001-03-02); whole 400-year cycles are skipped only from a real calendar day.
// Expected values from the literal month walk in tests/tools/gen_datetime_cases.py.
TEST(DateTimeAddition, LongWalkFromADayTheMonthLacks) {
    CDateTime feb29 = Value(L"2001-01-29") + Span(L"P1M");
    EXPECT_EQ(L"2001-02-29", feb29.ToString());
    EXPECT_EQ(L"2001-03-02", (feb29 + Span(L"P1D")).ToString());
    EXPECT_EQ(L"2001-02-28", (feb29 - Span(L"P1D")).ToString());
    EXPECT_EQ(L"2401-03-01", (feb29 + Span(L"P146097D")).ToString());
    EXPECT_EQ(L"2401-03-01", ((feb29 + Span(L"P1D")) + Span(L"P146096D")).ToString());
    EXPECT_EQ(L"1601-03-01", (feb29 - Span(L"P146097D")).ToString());
    EXPECT_EQ(L"1601-03-01", ((feb29 - Span(L"P1D")) - Span(L"P146096D")).ToString());
}

TEST(DateTimeAddition, SubtractionUsesTheMagnitude) {
    CDateTime start = Value(L"2001-01-10");
    EXPECT_EQ(L"2001-01-09", (start - Span(L"P1D")).ToString());
    EXPECT_EQ(L"2001-01-09", (start - Span(L"-P1D")).ToString());
    EXPECT_EQ(L"2001-01-09", (start + Span(L"-P1D")).ToString());
    CDateTime v = start;
    v += Span(L"P1M");
    EXPECT_EQ(L"2001-02-10", v.ToString());
    v -= Span(L"-P2M");
    EXPECT_EQ(L"2000-12-10", v.ToString());
}

// Walking day by day through several years (leap rules included) by adding one
// day in four spellings; each step must be the next calendar day.
TEST(DateTimeAddition, EveryDayOfSeveralYears) {
    const CDateTimeSpan steps[] = {Span(L"P1D"), Span(L"PT24H"), Span(L"PT1440M"), Span(L"PT86400S")};
    for (int startYear : {-401, -101, -5, 1899, 1999, 2099, 2399}) {
        int year = startYear, month = 1, day = 1;
        CDateTime values[4];
        for (CDateTime& v : values) v.SetDateTime(static_cast<short>(year), 1, 1, 12, 0, 0);
        for (int i = 0; i < 3 * 366; ++i) {
            // The next day, counted independently.
            if (++day > DateTimeDetail::DaysInMonth(year, month)) {
                day = 1;
                if (++month > 12) {
                    month = 1;
                    ++year;
                }
            }
            CDateTime expected(static_cast<short>(year), static_cast<unsigned char>(month),
                               static_cast<unsigned char>(day), 12, 0, 0);
            for (int k = 0; k < 4; ++k) {
                values[k] += steps[k];
                ASSERT_EQ(expected.ToString(), values[k].ToString()) << "step " << k;
            }
        }
        // And back again, one day at a time, to the start.
        for (int i = 0; i < 3 * 366; ++i) values[0] -= steps[0];
        EXPECT_EQ(CDateTime(static_cast<short>(startYear), 1, 1, 12, 0, 0).ToString(), values[0].ToString());
    }
}

TEST(DateTimeAddition, HugeComponentsAreFast) {
    const auto start = std::chrono::steady_clock::now();
    CDateTime base = Value(L"2001-01-01T00:00:00");
    CDateTime v = base;
    v.AddDateTimeSpan(Span(L"PT18446744073709551615S"));
    v.AddDateTimeSpan(Span(L"-PT18446744073709551615M"));
    // Large but representable (expected values from Python's proleptic calendar).
    EXPECT_EQ(L"29380-01-27T00:00:00", (base + Span(L"P10000000D")).ToString());
    EXPECT_EQ(L"-25379-12-07T00:00:00", (base - Span(L"P10000000D")).ToString());
    EXPECT_EQ(L"29380-01-27T00:00:00", (base + Span(L"PT14400000000M")).ToString());
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, 1.0);
}

TEST(DateTimeNormalize, MovesExplicitOffsetsToUtc) {
    struct Case {
        const wchar_t* value;
        const wchar_t* normalized;
    } cases[] = {
        {L"2001-10-26T10:00:00+02:00", L"2001-10-26T08:00:00+00:00"},
        {L"2001-10-26T10:00:00-02:30", L"2001-10-26T12:30:00+00:00"},
        {L"2001-01-01T01:00:00+05:00", L"2000-12-31T20:00:00+00:00"},
        {L"2000-12-31T23:00:00-01:00", L"2001-01-01T00:00:00+00:00"},
        {L"2000-03-01T00:00:00-00:30", L"2000-02-29T23:30:00+00:00"},  // -00:30 is read as +00:30
        {L"2001-10-26T10:00:00Z", L"2001-10-26T10:00:00Z"},
        {L"2001-10-26T10:00:00", L"2001-10-26T10:00:00"},
        {L"2001-10-26T10:00:00+00:00", L"2001-10-26T10:00:00+00:00"},
        {L"2001-10-26+02:00", L"2001-10-25+00:00"},  // a date moves by a day
        {L"10:00:00+02:00", L"08:00:00+00:00"},
        {L"01:00:00+02:00", L"23:00:00+00:00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Utf8(c.value));
        EXPECT_EQ(c.normalized, Value(c.value).GetNormalized().ToString());
    }
}

TEST(DateTimeCompare, DescribedCases) {
    EXPECT_EQ(CDateTime::DTCompare_Equal,
              Value(L"2001-10-26T10:00:00+02:00").CompareTo(Value(L"2001-10-26T08:00:00Z")));
    EXPECT_EQ(CDateTime::DTCompare_Indeterminate,
              Value(L"2001-10-26T10:00:00").CompareTo(Value(L"2001-10-26T10:00:00Z")));
    EXPECT_EQ(CDateTime::DTCompare_Less, Value(L"2001-10-26T10:00:00").CompareTo(Value(L"2001-10-27T10:00:00Z")));
    EXPECT_EQ(CDateTime::DTCompare_Indeterminate, Value(L"2001-10-26").CompareTo(Value(L"2001-10-26T10:00:00")));
    EXPECT_EQ(CDateTime::DTCompare_Less, Value(L"2001-10-26").CompareTo(Value(L"2001-10-27T10:00:00")));
}

TEST(DateTimeCompare, FourteenHourWindow) {
    struct Case {
        const wchar_t* a;
        const wchar_t* b;
        CDateTime::DTCompareResult expected;
    } cases[] = {
        // Unzoned against zoned: decided only outside +-14 hours.
        {L"2001-10-26T10:00:00", L"2001-10-26T23:59:59Z", CDateTime::DTCompare_Indeterminate},
        {L"2001-10-26T10:00:00", L"2001-10-27T00:00:00Z", CDateTime::DTCompare_Indeterminate},
        {L"2001-10-26T10:00:00", L"2001-10-27T00:00:01Z", CDateTime::DTCompare_Less},
        {L"2001-10-26T10:00:00", L"2001-10-25T20:00:00Z", CDateTime::DTCompare_Indeterminate},
        {L"2001-10-26T10:00:00", L"2001-10-25T19:59:59.999Z", CDateTime::DTCompare_Greater},
        {L"2001-10-27T00:00:01Z", L"2001-10-26T10:00:00", CDateTime::DTCompare_Greater},
        {L"2001-10-25T19:59:59Z", L"2001-10-26T10:00:00", CDateTime::DTCompare_Less},
        {L"2001-10-25T20:00:00Z", L"2001-10-26T10:00:00", CDateTime::DTCompare_Indeterminate},
        // Both unzoned or both zoned: plain order.
        {L"2001-10-26T10:00:00", L"2001-10-26T10:00:00.000000001", CDateTime::DTCompare_Less},
        {L"2001-10-26T10:00:00.5", L"2001-10-26T10:00:00.499999999", CDateTime::DTCompare_Greater},
        {L"2001-10-26T10:00:00Z", L"2001-10-26T10:00:00+00:00", CDateTime::DTCompare_Equal},
        {L"2001-10-26T00:00:00-14:00", L"2001-10-27T04:00:00+14:00", CDateTime::DTCompare_Equal},
        // Other kinds compare the fields they have.
        {L"2001-10", L"2001-11", CDateTime::DTCompare_Less},
        {L"--10-26", L"--10-26", CDateTime::DTCompare_Equal},
        {L"---26", L"---25", CDateTime::DTCompare_Greater},
        {L"2001", L"2001-10", CDateTime::DTCompare_Indeterminate},  // month present in one only
        {L"2001", L"2002-10", CDateTime::DTCompare_Less},           // decided by the year first
        {L"10:00:00", L"2001-10-26T10:00:00", CDateTime::DTCompare_Indeterminate},
        {L"10:00:00", L"11:00:00", CDateTime::DTCompare_Less},
        {L"10:00:00+01:00", L"09:00:00Z", CDateTime::DTCompare_Equal},
        {L"2001-10-26+02:00", L"2001-10-25Z", CDateTime::DTCompare_Equal},  // a normalized date keeps only its day
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Utf8(c.a) + " vs " + Utf8(c.b));
        EXPECT_STREQ(ResultName(c.expected), ResultName(Value(c.a).CompareTo(Value(c.b))));
    }
}

TEST(DateTimeCompare, Operators) {
    const CDateTime a = Value(L"2001-10-26T10:00:00Z"), b = Value(L"2001-10-26T11:00:00Z");
    const CDateTime unzoned = Value(L"2001-10-26T10:00:00");
    EXPECT_TRUE(a < b);
    EXPECT_TRUE(a <= b);
    EXPECT_FALSE(a > b);
    EXPECT_FALSE(a >= b);
    EXPECT_TRUE(a != b);
    EXPECT_FALSE(a == b);
    EXPECT_TRUE(a == Value(L"2001-10-26T12:00:00+02:00"));
    EXPECT_TRUE(a <= Value(L"2001-10-26T12:00:00+02:00"));
    EXPECT_TRUE(a >= Value(L"2001-10-26T12:00:00+02:00"));
    // Indeterminate is unequal and neither ordered way.
    EXPECT_TRUE(a != unzoned);
    EXPECT_FALSE(a == unzoned);
    EXPECT_FALSE(a < unzoned);
    EXPECT_FALSE(a <= unzoned);
    EXPECT_FALSE(a > unzoned);
    EXPECT_FALSE(a >= unzoned);
}

// The shifted +-14:00 values of extreme years leave the valid range but still compare.
TEST(DateTimeCompare, ExtremeYears) {
    EXPECT_EQ(CDateTime::DTCompare_Indeterminate,
              Value(L"9999-12-31T23:00:00Z").CompareTo(Value(L"9999-12-31T23:59:59")));
    EXPECT_EQ(CDateTime::DTCompare_Greater,
              Value(L"9999-12-31T23:00:00Z").CompareTo(Value(L"-9999-01-01T00:00:00")));
    EXPECT_EQ(CDateTime::DTCompare_Less, Value(L"-9999-01-01T00:00:00+14:00").CompareTo(Value(L"0001-01-01T00:00:00")));
}
