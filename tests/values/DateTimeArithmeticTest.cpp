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

TEST(DateTimeAddition, HugeComponentsAreFastAndChecked) {
    const auto start = std::chrono::steady_clock::now();
    CDateTime base = Value(L"2001-01-01T00:00:00");
    CDateTime v = base;
    EXPECT_NY_THROW(v.AddDateTimeSpan(Span(L"PT18446744073709551615S")), CNyInvalidValueException,
                    L"Adding the duration [PT18446744073709551615S] gives the year [584554051254], out of range");
    EXPECT_EQ(L"2001-01-01T00:00:00", v.ToString());  // unchanged by the failure
    EXPECT_NY_THROW(v.AddDateTimeSpan(Span(L"-PT18446744073709551615M")), CNyInvalidValueException,
                    L"Adding the duration [-PT18446744073709551615M] gives the year [-35073242953231], out of range");
    EXPECT_NY_THROW(v.AddDateTimeSpan(Span(L"P4294967295D")), CNyInvalidValueException,
                    L"Adding the duration [P4294967295D] gives the year [11761222], out of range");
    EXPECT_NY_THROW(v.AddDateTimeSpan(Span(L"P65535Y")), CNyInvalidValueException,
                    L"Adding the duration [P65535Y] gives the year [67536], out of range");
    EXPECT_NY_THROW(v.AddDateTimeSpan(Span(L"PT4294967295H")), CNyInvalidValueException,
                    L"Adding the duration [PT4294967295H] gives the year [491968], out of range");
    // Large but representable (expected values from Python's proleptic calendar).
    EXPECT_EQ(L"29380-01-27T00:00:00", (base + Span(L"P10000000D")).ToString());
    EXPECT_EQ(L"-25379-12-07T00:00:00", (base - Span(L"P10000000D")).ToString());
    EXPECT_EQ(L"29380-01-27T00:00:00", (base + Span(L"PT14400000000M")).ToString());
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, 1.0);
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
