// Adding a duration never fails: a year beyond 16 bits keeps its low 16 bits.
// Durations whose sums pass those bits still compare exactly.
#include <nyxml/datetime.h>
#include <nyxml/foundation.h>

#include "TestSupport.h"

using namespace NyXmlLib9;
using nyxml_test::Utf8;

namespace {

CDateTimeSpan Span(const wchar_t* text) {
    CDateTimeSpan span;
    span.ParseXSDDuration(text);
    return span;
}

}  // namespace

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

TEST(DurationRange, LargeDurationsCompareExactly) {
    struct Case {
        const wchar_t* a;
        const wchar_t* b;
        CDateTime::DTCompareResult result;
    } cases[] = {
        {L"P65535Y", L"P65534Y", CDateTime::DTCompare_Greater},
        {L"P30000Y", L"P40000Y", CDateTime::DTCompare_Less},
        {L"-P65535Y", L"P1D", CDateTime::DTCompare_Less},
        {L"PT18446744073709551615S", L"PT18446744073709551614S", CDateTime::DTCompare_Greater},
        {L"PT18446744073709551615M", L"PT18446744073709551615M", CDateTime::DTCompare_Equal},
        {L"P4294967295D", L"PT6184752904800M", CDateTime::DTCompare_Equal},
        {L"P4294967295M", L"P4294967294M", CDateTime::DTCompare_Greater},
        {L"P65535Y", L"P786420M", CDateTime::DTCompare_Equal},
        {L"P1M", L"P30D", CDateTime::DTCompare_Indeterminate},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Utf8(c.a) + " vs " + Utf8(c.b));
        EXPECT_EQ(c.result, Span(c.a).CompareTo(Span(c.b)));
    }
}
