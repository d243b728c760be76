// CDateTimeSpan: the duration lexical form as written, its state machine and
// messages, sign handling, and the order through reference dates.
#include <nyxml/datetime.h>

#include "TestSupport.h"

#include <chrono>
#include <string>
#include <nyxml/foundation.h>

using namespace NyXmlLib9;
using nyxml_test::Utf8;

namespace {

const wchar_t* const kForm = L"] expected [-]P[nY][nM][nD][T[nH][nM][nS.ff]]";

std::wstring FormMessage(const std::wstring& text) { return L"Invalid XSD Duration [" + text + kForm; }

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

TEST(DateTimeSpan, MalformedForms) {
    const wchar_t* texts[] = {L"P",      L"PT",      L"1D",    L"P1H",    L"PT1D",   L"P1S",    L"-P",
                              L"+P1D",   L"-",       L"P1",    L"PT1",    L"P1D1M",  L"P1DT",   L"P1M1M",
                              L"PT1H1H", L"PT1M1H",  L"P1DD",  L"P1X",    L"p1D",    L"P1d",    L" P1D",
                              L"P1D ",   L"P-1D",    L"PT1.5X", L"PT1.5M", L"P1.5D",  L"P.5S",   L"PT1.5S1S",
                              L"PT1.5SS", L"PT1.5S1M", L"PTT",  L"P1DT1HT", L"--P1D", L"P1D.5S",
                              // A fraction needs its designator.
                              L"PT1.5",   L"PT1M2.5", L"PT1.0", L"-PT0.000000001"};
    for (const wchar_t* text : texts) {
        SCOPED_TRACE(Utf8(text));
        CDateTimeSpan span;
        EXPECT_NY_THROW(span.ParseXSDDuration(text), CNyInvalidValueException, FormMessage(text));
    }
    CDateTimeSpan span;
    EXPECT_NY_THROW(span.ParseXSDDuration(nullptr), CNyInvalidValueException, L"Invalid XSD Duration (Null String)");
    EXPECT_NY_THROW(span.ParseXSDDuration(L""), CNyInvalidValueException, L"Invalid XSD Duration (Empty String)");
    EXPECT_NY_THROW(span.ParseXSDDuration(L"PT1.1234567891S"), CNyInvalidValueException,
                    L"Invalid XSD Duration [PT1.1234567891S] Fraction part too long");
}

TEST(DateTimeSpan, HugeDigitRuns) {
    const auto start = std::chrono::steady_clock::now();
    // Digits accumulate modulo 2^64 and the field keeps its low bits: 10^100000
    // is a multiple of 2^64, and leading zeros change nothing.
    const std::wstring power = L"1" + std::wstring(100000, L'0');
    const std::wstring five = std::wstring(100000, L'0') + L"5";
    const std::wstring dayText = L"P" + power + L"D";
    EXPECT_EQ(0u, Span(dayText.c_str()).GetDays());
    const std::wstring minuteText = L"PT" + five + L"M";
    EXPECT_EQ(5u, Span(minuteText.c_str()).GetMinutes());
    // 2^64 + 7 wraps to 7; 2^32 + 9 months keep 9.
    EXPECT_EQ(7u, Span(L"PT18446744073709551623S").GetSeconds());
    EXPECT_EQ(9u, Span(L"P4294967305M").GetMonths());
    EXPECT_EQ(3, Span(L"P65539Y").GetYears());
    // A long fraction fails at its tenth digit, a long run before a bad designator at the end.
    const std::wstring fraction = L"PT1." + std::wstring(100000, L'1') + L"S";
    CDateTimeSpan span;
    EXPECT_NY_THROW(span.ParseXSDDuration(fraction.c_str()), CNyInvalidValueException,
                    L"Invalid XSD Duration [" + fraction + L"] Fraction part too long");
    const std::wstring bad = L"P" + power + L"X";
    EXPECT_NY_THROW(span.ParseXSDDuration(bad.c_str()), CNyInvalidValueException, FormMessage(bad));
    EXPECT_LT(nyxml_test::Since(start), 1.0);
}

TEST(DateTimeSpan, ConstructorsAndSetters) {
    EXPECT_EQ(L"P", CDateTimeSpan().ToString());
    EXPECT_EQ(L"PT1H2M3S", CDateTimeSpan(1, 2, 3).ToString());
    EXPECT_EQ(L"P1Y2M3DT4H5M6S", CDateTimeSpan(1, 2, 3, 4, 5, 6).ToString());
    EXPECT_EQ(L"P1Y2M3DT4H5M6.007008009S", CDateTimeSpan(1, 2, 3, 4, 5, 6, 7, 8, 9).ToString());
    EXPECT_EQ(L"PT0.00000001S", CDateTimeSpan(0, 0, 0, 0, 0, 0, 0, 0, 10).ToString());

    CDateTimeSpan span(1, 2, 3, 4, 5, 6, 7, 8, 9);
    span.Negate();
    span.SetDateTimeSpan(7, 8, 9);
    EXPECT_FALSE(span.IsNegative());
    EXPECT_EQ(L"PT7H8M9S", span.ToString());
    span.Negate();
    span.SetDateTimeSpan(1, 2, 3, 0, 0, 0);
    EXPECT_FALSE(span.IsNegative());
    EXPECT_EQ(L"P1Y2M3D", span.ToString());
    span.SetDateTimeSpan(0, 0, 0, 0, 0, 0, 1, 0, 0);
    EXPECT_EQ(L"PT0.001S", span.ToString());

    span.SetYears(9);
    span.SetMonths(8);
    span.SetDays(7);
    span.SetHours(6);
    span.SetMinutes(5);
    span.SetSeconds(4);
    span.SetMilliSeconds(3);
    span.SetMicroSeconds(2);
    span.SetNanoSeconds(1);
    EXPECT_EQ(L"P9Y8M7DT6H5M4.003002001S", span.ToString());
    span.SetMilliSeconds(1500);  // unchecked; printed with its digits
    span.SetMicroSeconds(0);
    span.SetNanoSeconds(0);
    EXPECT_EQ(1500, span.GetMilliSeconds());
    EXPECT_EQ(L"P9Y8M7DT6H5M4.15S", span.ToString());

    CDateTimeSpan copy(span);
    EXPECT_EQ(span.ToString(), copy.ToString());
    CDateTimeSpan assigned;
    assigned = Span(L"-PT1S");
    EXPECT_EQ(L"-PT1S", assigned.ToString());
}

TEST(DateTimeSpanCompare, Cases) {
    struct Case {
        const wchar_t* a;
        const wchar_t* b;
        CDateTime::DTCompareResult expected;
    } cases[] = {
        {L"PT1H", L"PT2H", CDateTime::DTCompare_Less},
        {L"P1D", L"PT24H", CDateTime::DTCompare_Equal},
        {L"P1M", L"P30D", CDateTime::DTCompare_Indeterminate},
        {L"P1M", L"P27D", CDateTime::DTCompare_Greater},
        {L"P1M", L"P32D", CDateTime::DTCompare_Less},
        {L"P1Y", L"P12M", CDateTime::DTCompare_Equal},
        {L"P1Y", L"P365D", CDateTime::DTCompare_Indeterminate},
        {L"P1Y", L"P364D", CDateTime::DTCompare_Greater},
        {L"P1Y", L"P367D", CDateTime::DTCompare_Less},
        {L"PT90M", L"PT1H30M", CDateTime::DTCompare_Equal},
        {L"-P1D", L"PT0S", CDateTime::DTCompare_Less},
        {L"-P1D", L"-PT24H", CDateTime::DTCompare_Equal},
        {L"-P2D", L"-P1D", CDateTime::DTCompare_Less},
        {L"PT0.000000001S", L"PT0S", CDateTime::DTCompare_Greater},
        {L"P", L"-P", CDateTime::DTCompare_Equal},
        // Sums whose year passes 16 bits still compare.
        {L"P4294967295D", L"P1D", CDateTime::DTCompare_Greater},
        {L"P65535Y", L"P65534Y", CDateTime::DTCompare_Greater},
        {L"P30000Y", L"P40000Y", CDateTime::DTCompare_Less},
        {L"-P65535Y", L"P1D", CDateTime::DTCompare_Less},
        {L"PT18446744073709551615S", L"PT18446744073709551614S", CDateTime::DTCompare_Greater},
        {L"PT18446744073709551615M", L"PT18446744073709551615M", CDateTime::DTCompare_Equal},
        {L"P4294967295D", L"PT6184752904800M", CDateTime::DTCompare_Equal},
        {L"P4294967295M", L"P4294967294M", CDateTime::DTCompare_Greater},
        {L"P65535Y", L"P786420M", CDateTime::DTCompare_Equal},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Utf8(c.a) + " vs " + Utf8(c.b));
        CDateTimeSpan a, b;
        if (std::wstring(c.a) == L"P") a = CDateTimeSpan(); else a.ParseXSDDuration(c.a);
        if (std::wstring(c.b) == L"-P") b = CDateTimeSpan().GetAsNegative(); else b.ParseXSDDuration(c.b);
        EXPECT_STREQ(ResultName(c.expected), ResultName(a.CompareTo(b)));
    }
}

// Adding a duration never fails: a year beyond 16 bits keeps its low 16 bits.
TEST(DurationRange, HugeAdditionsWrapTheYear) {
    // Full years from a proleptic-calendar computation in Python: 67536,
    // 584554051254, -35073242953231, 11761222 and 491968, each kept modulo 2^16.
    struct Case {
        const wchar_t* span;
        const wchar_t* sum;
    } cases[] = {
        {L"P65535Y", L"2000-01-01T00:00:00"},
        {L"PT18446744073709551615S", L"-2378-11-09T07:00:15"},
        {L"-PT18446744073709551615M", L"2545-09-04T11:45:00"},
        {L"P4294967295D", L"30278-01-20T00:00:00"},
        {L"PT4294967295H", L"-32320-07-18T15:00:00"},
        {L"P10000000D", L"29380-01-27T00:00:00"},
    };
    const CDateTime base(L"2001-01-01T00:00:00");
    for (const Case& c : cases) {
        SCOPED_TRACE(Utf8(c.span));
        CDateTime sum = base;
        sum.AddDateTimeSpan(Span(c.span));
        EXPECT_EQ(c.sum, sum.ToString());
    }
}
