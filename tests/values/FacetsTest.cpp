// CPrimitiveRestrictions and the facet check: lengths, bounds per item type,
// the order of the checks, the messages, and the dispatch over a variant.
#include <nyxml/conversions.h>
#include <nyxml/facets.h>

#include "TestSupport.h"

#include "values/FacetsCheck.h"

#include <limits>
#include <string>

using NyXmlLib9::CBigInteger;
using NyXmlLib9::CBinaryData;
using NyXmlLib9::CConversions;
using NyXmlLib9::CDateTime;
using NyXmlLib9::CDateTimeSpan;
using NyXmlLib9::CDecimal;
using NyXmlLib9::CFacetCheck;
using NyXmlLib9::CNyException;
using NyXmlLib9::CNyInvalidValueException;
using NyXmlLib9::CPrimitiveRestrictions;
using NyXmlLib9::CWhitespaceUtils;
using NyXmlLib9::FormatString;
using NyXmlLib9::ItemType;

namespace {

const CWhitespaceUtils::WhitespaceRule kNone = CWhitespaceUtils::WhitespaceRule_None;

struct Bounds {
    const wchar_t* minInclusive;
    const wchar_t* maxInclusive;
    const wchar_t* minExclusive;
    const wchar_t* maxExclusive;
};

CPrimitiveRestrictions WithBounds(const Bounds& b) {
    return CPrimitiveRestrictions(L"", -1, -1, b.minInclusive, b.maxInclusive, b.minExclusive, b.maxExclusive, -1);
}

CPrimitiveRestrictions WithLengths(int minLength, int maxLength, int length, const wchar_t* pattern = L"") {
    return CPrimitiveRestrictions(pattern, minLength, maxLength, L"", L"", L"", L"", length);
}

std::wstring Invalid(const std::wstring& name, const std::wstring& value) {
    return L"Invalid Value for " + name + L" [" + value + L"]";
}

CBinaryData Bytes(uint32_t count) {
    CBinaryData data;
    for (uint32_t i = 0; i < count; ++i) data.Append(static_cast<unsigned char>(0xA0 + i));
    return data;
}

}  // namespace

TEST(FacetCheckBinary, LengthsOnBytesQuotedAsHex) {
    const CBinaryData three = Bytes(3);
    CPrimitiveRestrictions exact = WithLengths(3, 3, 3);
    const CPrimitiveRestrictions& alias = exact;
    exact = alias;  // self-assignment keeps the facets
    CFacetCheck::CheckBinary(L"blob", three, exact);
    EXPECT_NY_THROW(CFacetCheck::CheckBinary(L"blob", three, WithLengths(4, -1, -1)), CNyException,
                    Invalid(L"blob", L"A0A1A2"));
    EXPECT_NY_THROW(CFacetCheck::CheckBinary(L"blob", three, WithLengths(-1, 2, -1)), CNyException,
                    Invalid(L"blob", L"A0A1A2"));
    EXPECT_NY_THROW(CFacetCheck::CheckBinary(L"blob", three, WithLengths(-1, -1, 2)), CNyException,
                    Invalid(L"blob", L"A0A1A2"));
    CFacetCheck::CheckBinary(L"blob", CBinaryData(), WithLengths(-1, 0, -1));
    EXPECT_NY_THROW(CFacetCheck::CheckBinary(L"blob", CBinaryData(), WithLengths(1, -1, -1)), CNyException,
                    Invalid(L"blob", L""));
}

TEST(FacetCheckInteger, EachBoundAtItsEdge) {
    // value, bounds, passes
    const struct {
        int64_t value;
        Bounds bounds;
        bool passes;
    } cases[] = {
        {5, {L"5", L"", L"", L""}, true},   {4, {L"5", L"", L"", L""}, false},
        {5, {L"", L"5", L"", L""}, true},   {6, {L"", L"5", L"", L""}, false},
        {6, {L"", L"", L"5", L""}, true},   {5, {L"", L"", L"5", L""}, false},
        {4, {L"", L"", L"", L"5"}, true},   {5, {L"", L"", L"", L"5"}, false},
        {7, {L"1", L"10", L"2", L"9"}, true}, {-3, {L" -3 ", L"", L"", L""}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        const CPrimitiveRestrictions facets = WithBounds(c.bounds);
        if (c.passes) {
            CFacetCheck::CheckInteger(L"n", NyXmlLib9::ItemType_i4, c.value, facets);
        } else {
            EXPECT_NY_THROW(CFacetCheck::CheckInteger(L"n", NyXmlLib9::ItemType_i4, c.value, facets), CNyException,
                            Invalid(L"n", std::to_wstring(c.value)));
        }
    }
}

TEST(FacetCheckInteger, BoundsUseTheTypesOwnConversion) {
    // The first failing bound stops the check, so a later bad bound is never read.
    const CPrimitiveRestrictions badMax = WithBounds({L"10", L"abc", L"", L""});
    EXPECT_NY_THROW(CFacetCheck::CheckInteger(L"n", NyXmlLib9::ItemType_i4, 5, badMax), CNyException,
                    Invalid(L"n", L"5"));
    EXPECT_NY_THROW(CFacetCheck::CheckInteger(L"n", NyXmlLib9::ItemType_i4, 20, badMax), CNyInvalidValueException,
                    L"The value [abc] can not be converted to a i4");
    EXPECT_NY_THROW(CFacetCheck::CheckInteger(L"n", NyXmlLib9::ItemType_i1, 5, WithBounds({L"200", L"", L"", L""})),
                    CNyInvalidValueException, L"The value [200] is to large to fit in a i1");
    EXPECT_NY_THROW(CFacetCheck::CheckInteger(L"n", NyXmlLib9::ItemType_ui2, 5, WithBounds({L"", L"70000", L"", L""})),
                    CNyInvalidValueException, L"The value [70000] is to large to fit in a ui2");
    // ui4 compares unsigned; its message keeps the %d of the format.
    CFacetCheck::CheckInteger(L"n", NyXmlLib9::ItemType_ui4, 3000000000u, WithBounds({L"2147483648", L"", L"", L""}));
    EXPECT_NY_THROW(CFacetCheck::CheckInteger(L"n", NyXmlLib9::ItemType_ui4, 3000000000u,
                                              WithBounds({L"", L"5", L"", L""})),
                    CNyException, Invalid(L"n", L"-1294967296"));
    // year, month and day read their bounds as date-family texts.
    CFacetCheck::CheckInteger(L"y", NyXmlLib9::ItemType_year, 2000, WithBounds({L"1999", L"2000-12-31", L"", L""}));
    EXPECT_NY_THROW(CFacetCheck::CheckInteger(L"y", NyXmlLib9::ItemType_year, 2001,
                                              WithBounds({L"", L"2000", L"", L""})),
                    CNyException, Invalid(L"y", L"2001"));
    EXPECT_NY_THROW(CFacetCheck::CheckInteger(L"m", NyXmlLib9::ItemType_month, 6, WithBounds({L"--07", L"", L"", L""})),
                    CNyException, Invalid(L"m", L"6"));
    EXPECT_NY_THROW(CFacetCheck::CheckInteger(L"d", NyXmlLib9::ItemType_day, 6, WithBounds({L"", L"", L"", L"---06"})),
                    CNyException, Invalid(L"d", L"6"));
    EXPECT_NY_THROW(CFacetCheck::CheckInteger(L"m", NyXmlLib9::ItemType_month, 6, WithBounds({L"7", L"", L"", L""})),
                    CNyInvalidValueException, L"Invalid XSD Date [7] expected CCYY-MM-DD[Z|[+|-]hh:mm]");
    EXPECT_NY_THROW(CFacetCheck::CheckInteger(L"n", NyXmlLib9::ItemType_string, 6, WithBounds({L"7", L"", L"", L""})),
                    CNyInvalidValueException, L"unknown type [string]");
}

TEST(FacetCheckInteger, SixtyFourBits) {
    CFacetCheck::CheckI8(L"n", INT64_MIN, WithBounds({L"-9223372036854775808", L"", L"", L""}));
    EXPECT_NY_THROW(CFacetCheck::CheckI8(L"n", INT64_MAX, WithBounds({L"", L"", L"", L"9223372036854775807"})),
                    CNyException, Invalid(L"n", L"9223372036854775807"));
    CFacetCheck::CheckUI8(L"n", UINT64_MAX, WithBounds({L"", L"18446744073709551615", L"", L""}));
    EXPECT_NY_THROW(CFacetCheck::CheckUI8(L"n", 10000000000000000000ULL, WithBounds({L"", L"", L"", L"5"})),
                    CNyException, Invalid(L"n", L"10000000000000000000"));
    EXPECT_NY_THROW(CFacetCheck::CheckI8(L"n", 1, WithBounds({L"9223372036854775808", L"", L"", L""})),
                    CNyInvalidValueException, L"The value [9223372036854775808] is to large to fit in a i8");
}

TEST(FacetCheckReal, BoundsAndNotANumber) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    CFacetCheck::CheckReal(L"x", NyXmlLib9::ItemType_r8, 1.5, WithBounds({L"1.5", L"1.5", L"1", L"2"}));
    EXPECT_NY_THROW(CFacetCheck::CheckReal(L"x", NyXmlLib9::ItemType_r8, 1.5, WithBounds({L"", L"", L"1.5", L""})),
                    CNyException, L"Invalid Value for x [1.500000]");
    EXPECT_NY_THROW(CFacetCheck::CheckReal(L"x", NyXmlLib9::ItemType_r8, -2e10, WithBounds({L"0", L"", L"", L""})),
                    CNyException, L"Invalid Value for x [-20000000000.000000]");
    // Not-a-number fails every set bound, and nothing without bounds.
    CFacetCheck::CheckReal(L"x", NyXmlLib9::ItemType_r8, nan, CPrimitiveRestrictions());
    for (const Bounds& b : {Bounds{L"-INF", L"", L"", L""}, Bounds{L"", L"INF", L"", L""},
                            Bounds{L"", L"", L"-INF", L""}, Bounds{L"", L"", L"", L"INF"}}) {
        EXPECT_NY_THROW(CFacetCheck::CheckReal(L"x", NyXmlLib9::ItemType_r8, nan, WithBounds(b)), CNyException,
                        FormatString(L"Invalid Value for %s [%f]", L"x", nan));
    }
    // A NaN bound (or an empty-looking "NaN") fails every value.
    EXPECT_NY_THROW(CFacetCheck::CheckReal(L"x", NyXmlLib9::ItemType_r8, 0, WithBounds({L"NaN", L"", L"", L""})),
                    CNyException, L"Invalid Value for x [0.000000]");
    CFacetCheck::CheckReal(L"x", NyXmlLib9::ItemType_r8, 1e308, WithBounds({L"", L"INF", L"-INF", L""}));
    // r4 bounds are narrowed to float: 0.1f equals an r4 bound of 0.1 but exceeds an r8 one.
    const double tenth = 0.1f;
    CFacetCheck::CheckReal(L"x", NyXmlLib9::ItemType_r4, tenth, WithBounds({L"", L"0.1", L"", L""}));
    EXPECT_NY_THROW(CFacetCheck::CheckReal(L"x", NyXmlLib9::ItemType_r8, tenth, WithBounds({L"", L"0.1", L"", L""})),
                    CNyException, L"Invalid Value for x [0.100000]");
    EXPECT_NY_THROW(CFacetCheck::CheckReal(L"x", NyXmlLib9::ItemType_r4, 1, WithBounds({L"", L"one", L"", L""})),
                    CNyInvalidValueException, L"The value [one] can not be converted to a r4");
}

TEST(FacetCheckDuration, PartialOrder) {
    const CDateTimeSpan oneMonth = CConversions::durationFromString(L"P1M", kNone);
    // P1M against 30 days is indeterminate: it passes every bound.
    CFacetCheck::CheckDuration(L"d", oneMonth, WithBounds({L"P30D", L"P30D", L"P30D", L"P30D"}));
    CFacetCheck::CheckDuration(L"d", oneMonth, WithBounds({L"P28D", L"P31D", L"P27D", L"P32D"}));
    for (const Bounds& b : {Bounds{L"", L"P27D", L"", L""}, Bounds{L"", L"", L"P1M", L""},
                            Bounds{L"", L"", L"", L"P1M"}, Bounds{L"P32D", L"", L"", L""}}) {
        EXPECT_NY_THROW(CFacetCheck::CheckDuration(L"d", oneMonth, WithBounds(b)), CNyException, Invalid(L"d", L"P1M"));
    }
    EXPECT_NY_THROW(CFacetCheck::CheckDuration(L"d", oneMonth, WithBounds({L"1M", L"", L"", L""})),
                    CNyInvalidValueException,
                    L"Invalid XSD Duration [1M] expected [-]P[nY][nM][nD][T[nH][nM][nS.ff]]");
}

TEST(FacetCheckDateTime, PartialOrderAndOwnTypeBounds) {
    const CDateTime unzoned = CConversions::datetimeFromString(L"2001-01-01T00:00:00", kNone);
    // Within fourteen hours of a zoned bound the order is indeterminate: it passes.
    CFacetCheck::CheckDateTime(L"when", NyXmlLib9::ItemType_datetime, unzoned,
                               WithBounds({L"", L"2000-12-31T20:00:00Z", L"", L""}));
    EXPECT_NY_THROW(CFacetCheck::CheckDateTime(L"when", NyXmlLib9::ItemType_datetime, unzoned,
                                               WithBounds({L"", L"2000-12-31T00:00:00Z", L"", L""})),
                    CNyException, Invalid(L"when", L"2001-01-01T00:00:00"));
    const CDateTime zoned = CConversions::datetimeFromString(L"2001-01-01T00:00:00Z", kNone);
    CFacetCheck::CheckDateTime(L"when", NyXmlLib9::ItemType_datetime, zoned,
                               WithBounds({L"2001-01-01T00:00:00Z", L"2001-01-01T01:00:00+01:00", L"", L""}));
    EXPECT_NY_THROW(CFacetCheck::CheckDateTime(L"when", NyXmlLib9::ItemType_datetime, zoned,
                                               WithBounds({L"", L"", L"2001-01-01T01:00:00+01:00", L""})),
                    CNyException, Invalid(L"when", L"2001-01-01T00:00:00Z"));
    // Each date type reads its bounds with its own conversion.
    EXPECT_NY_THROW(CFacetCheck::CheckDateTime(L"when", NyXmlLib9::ItemType_datetime, zoned,
                                               WithBounds({L"2001-01-01", L"", L"", L""})),
                    CNyInvalidValueException, L"Invalid XSD DateTime [2001-01-01]");
    const CDateTime date = CConversions::dateFromString(L"2001-06-15", kNone);
    CFacetCheck::CheckDateTime(L"day", NyXmlLib9::ItemType_date, date, WithBounds({L" 2001-06-15 ", L"", L"", L""}));
    EXPECT_NY_THROW(CFacetCheck::CheckDateTime(L"day", NyXmlLib9::ItemType_date, date,
                                               WithBounds({L"", L"", L"", L"2001-06-15"})),
                    CNyException, Invalid(L"day", L"2001-06-15"));
    const CDateTime time = CConversions::timeFromString(L"12:00:00", kNone);
    EXPECT_NY_THROW(CFacetCheck::CheckDateTime(L"t", NyXmlLib9::ItemType_time, time,
                                               WithBounds({L"13:00:00", L"", L"", L""})),
                    CNyException, Invalid(L"t", L"12:00:00"));
    const CDateTime yearMonth = CConversions::yearMonthFromString(L"2001-06", kNone);
    EXPECT_NY_THROW(CFacetCheck::CheckDateTime(L"ym", NyXmlLib9::ItemType_yearMonth, yearMonth,
                                               WithBounds({L"", L"2001-05", L"", L""})),
                    CNyException, Invalid(L"ym", L"2001-06"));
    const CDateTime monthDay = CConversions::monthDayFromString(L"--06-15", kNone);
    CFacetCheck::CheckDateTime(L"md", NyXmlLib9::ItemType_monthDay, monthDay,
                               WithBounds({L"--06-15", L"--12-31", L"--06-14", L"--06-16"}));
}

TEST(FacetCheckExact, DecimalsAndBigIntegers) {
    const CDecimal d = CConversions::decimalFromString(L"10.25", kNone);
    CFacetCheck::CheckDecimal(L"amount", d, WithBounds({L"10.25", L"10.2500", L"10.2499999999", L"1E2"}));
    EXPECT_NY_THROW(CFacetCheck::CheckDecimal(L"amount", d, WithBounds({L"", L"", L"", L"10.25"})), CNyException,
                    Invalid(L"amount", L"10.25"));
    EXPECT_NY_THROW(CFacetCheck::CheckDecimal(L"amount", d, WithBounds({L"", L"", L"", L"x"})),
                    CNyInvalidValueException,
                    L"The string representing a Decimal, contained an invalid char at position 0 [x]");
    const CBigInteger big = CConversions::integerFromString(L"-100000000000000000000000000000", kNone);
    CFacetCheck::CheckBigInteger(L"n", big, WithBounds({L"-100000000000000000000000000000", L"0", L"", L""}));
    EXPECT_NY_THROW(CFacetCheck::CheckBigInteger(L"n", big, WithBounds({L"", L"", L"-100000000000000000000000000000", L""})),
                    CNyException, Invalid(L"n", L"-100000000000000000000000000000"));
}

namespace {

// Stands in for the property variant: the getters the facet check reads, by item type.
struct FakeVariant {
    ItemType tag = NyXmlLib9::ItemType_none;
    int64_t whole = 0;
    double real = 0;
    std::wstring text;
    CBinaryData binary;
    CDateTime date;
    CDateTimeSpan span;
    CDecimal decimal;
    CBigInteger integer;

    CBinaryData GetHexBinary() const { return binary; }
    CBinaryData GetBase64Binary() const { return binary; }
    char GetI1() const { return static_cast<char>(whole); }
    short GetI2() const { return static_cast<short>(whole); }
    int32_t GetI4() const { return static_cast<int32_t>(whole); }
    int64_t GetI8() const { return whole; }
    unsigned char GetUI1() const { return static_cast<unsigned char>(whole); }
    unsigned short GetUI2() const { return static_cast<unsigned short>(whole); }
    uint32_t GetUI4() const { return static_cast<uint32_t>(whole); }
    uint64_t GetUI8() const { return static_cast<uint64_t>(whole); }
    float GetR4() const { return static_cast<float>(real); }
    double GetR8() const { return real; }
    CDateTimeSpan GetDuration() const { return span; }
    CDateTime GetYearMonth() const { return date; }
    CDateTime GetMonthDay() const { return date; }
    unsigned short GetYear() const { return static_cast<unsigned short>(whole); }
    unsigned char GetMonth() const { return static_cast<unsigned char>(whole); }
    unsigned char GetDay() const { return static_cast<unsigned char>(whole); }
    CDateTime GetDate() const { return date; }
    CDateTime GetDateTime() const { return date; }
    CDateTime GetTime() const { return date; }
    std::wstring GetString() const { return text; }
    CDecimal GetDecimal() const { return decimal; }
    CBigInteger GetInteger() const { return integer; }
    std::wstring GetType() const {
        if (tag == NyXmlLib9::ItemType_char) return L"char";
        if (tag == NyXmlLib9::ItemType_boolean) return L"boolean";
        throw CNyException(FormatString(L"Invalid Type %d", static_cast<int>(tag)));
    }
};

}  // namespace

TEST(FacetCheckDispatch, EachItemTypeReachesItsCheck) {
    FakeVariant v;
    v.whole = 5;
    const CPrimitiveRestrictions above5 = WithBounds({L"", L"", L"5", L""});
    const ItemType wholeTypes[] = {NyXmlLib9::ItemType_i1,  NyXmlLib9::ItemType_i2,  NyXmlLib9::ItemType_i4,
                                   NyXmlLib9::ItemType_ui1, NyXmlLib9::ItemType_ui2, NyXmlLib9::ItemType_ui4,
                                   NyXmlLib9::ItemType_i8,  NyXmlLib9::ItemType_ui8};
    for (ItemType type : wholeTypes) {
        SCOPED_TRACE(static_cast<int>(type));
        EXPECT_NY_THROW(CFacetCheck::Check(L"el", v, type, above5), CNyException, Invalid(L"el", L"5"));
    }
    v.whole = 2001;
    EXPECT_NY_THROW(CFacetCheck::Check(L"el", v, NyXmlLib9::ItemType_year, WithBounds({L"", L"", L"", L"2001"})),
                    CNyException, Invalid(L"el", L"2001"));
    v.whole = 3;
    EXPECT_NY_THROW(CFacetCheck::Check(L"el", v, NyXmlLib9::ItemType_month, WithBounds({L"--04", L"", L"", L""})),
                    CNyException, Invalid(L"el", L"3"));
    EXPECT_NY_THROW(CFacetCheck::Check(L"el", v, NyXmlLib9::ItemType_day, WithBounds({L"---04", L"", L"", L""})),
                    CNyException, Invalid(L"el", L"3"));
    v.real = 0.5;
    EXPECT_NY_THROW(CFacetCheck::Check(L"el", v, NyXmlLib9::ItemType_r4, WithBounds({L"1", L"", L"", L""})),
                    CNyException, L"Invalid Value for el [0.500000]");
    EXPECT_NY_THROW(CFacetCheck::Check(L"el", v, NyXmlLib9::ItemType_r8, WithBounds({L"1", L"", L"", L""})),
                    CNyException, L"Invalid Value for el [0.500000]");
    v.text = L"abc";
    EXPECT_NY_THROW(CFacetCheck::Check(L"el", v, NyXmlLib9::ItemType_string, WithLengths(-1, 2, -1)), CNyException,
                    Invalid(L"el", L"abc"));
    v.binary = Bytes(1);
    EXPECT_NY_THROW(CFacetCheck::Check(L"el", v, NyXmlLib9::ItemType_hexBinary, WithLengths(2, -1, -1)),
                    CNyException, Invalid(L"el", L"A0"));
    EXPECT_NY_THROW(CFacetCheck::Check(L"el", v, NyXmlLib9::ItemType_base64Binary, WithLengths(2, -1, -1)),
                    CNyException, Invalid(L"el", L"A0"));
    v.span = CConversions::durationFromString(L"PT1H", kNone);
    EXPECT_NY_THROW(CFacetCheck::Check(L"el", v, NyXmlLib9::ItemType_duration, WithBounds({L"PT2H", L"", L"", L""})),
                    CNyException, Invalid(L"el", L"PT1H"));
    const struct {
        ItemType type;
        const wchar_t* value;
        const wchar_t* bound;
    } dates[] = {{NyXmlLib9::ItemType_date, L"2001-01-01", L"2001-01-02"},
                 {NyXmlLib9::ItemType_datetime, L"2001-01-01T00:00:00Z", L"2001-01-02T00:00:00Z"},
                 {NyXmlLib9::ItemType_time, L"01:00:00", L"02:00:00"},
                 {NyXmlLib9::ItemType_yearMonth, L"2001-01", L"2001-02"},
                 {NyXmlLib9::ItemType_monthDay, L"--01-01", L"--01-02"}};
    for (const auto& d : dates) {
        SCOPED_TRACE(nyxml_test::Utf8(d.value));
        v.date = d.type == NyXmlLib9::ItemType_datetime ? CConversions::datetimeFromString(d.value, kNone)
                 : d.type == NyXmlLib9::ItemType_time   ? CConversions::timeFromString(d.value, kNone)
                                                        : CConversions::dateFromString(d.value, kNone);
        EXPECT_NY_THROW(CFacetCheck::Check(L"el", v, d.type, WithBounds({d.bound, L"", L"", L""})), CNyException,
                        Invalid(L"el", d.value));
    }
    v.decimal = CDecimal(L"1.5");
    EXPECT_NY_THROW(CFacetCheck::Check(L"el", v, NyXmlLib9::ItemType_decimal, WithBounds({L"2", L"", L"", L""})),
                    CNyException, Invalid(L"el", L"1.5"));
    v.integer = CBigInteger(7);
    EXPECT_NY_THROW(CFacetCheck::Check(L"el", v, NyXmlLib9::ItemType_integer, WithBounds({L"8", L"", L"", L""})),
                    CNyException, Invalid(L"el", L"7"));
}
