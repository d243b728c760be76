#include <nyxml/biginteger.h>
#include <nyxml/decimal.h>

#include "DecimalCases.h"
#include "TestSupport.h"

#include <cmath>
#include <cstdlib>
#include <cstdint>
#include <limits>
#include <map>

using namespace NyXmlLib9;
using nyxml_test::MaxPlacesScope;
using nyxml_test::Utf8;
using nyxml_test::DecimalCase;
using nyxml_test::Wide;

namespace {

std::string Dec(const wchar_t* text) { return Utf8(CDecimal(text).ToString()); }

const wchar_t* const kInvalidChar = L"The string representing a Decimal, contained an invalid char at position %d [%s]";

std::wstring InvalidChar(int position, const std::wstring& text) {
    return FormatString(kInvalidChar, position, text.c_str());
}

std::wstring ExponentOutOfRange(const std::wstring& text) {
    return L"The string representing a Decimal, contained an exponent out of range [" + text + L"]";
}

}  // namespace

TEST(CDecimalParse, LexicalForms) {
    struct Row {
        const wchar_t* text;
        const char* expected;
    } rows[] = {
        {L"1.50", "1.5"},     {L"007", "7"},          {L"-0.000", "0"},    {L"1e3", "1000"},
        {L"1.5E-2", "0.015"}, {L" 1 . 5 ", "1.5"},    {L"\t1\r.\n5 ", "1.5"}, {L"", "0"},
        {L"-", "0"},          {L".", "0"},            {L".5", "0.5"},      {L"-.5", "-0.5"},
        {L"1.05", "1.05"},    {L"-0.5", "-0.5"},      {L"2", "2"},         {L"+2.", "2"},
        {L"1-2", "-12"},      {L"-1+2", "12"},        {L"1e", "1"},        {L"1.e1", "10"},
        {L"1e+2", "100"},     {L"12e-1", "1.2"},      {L"1E-0", "1"},      {L"1e-+2", "100"},
        {L"1 e - 2", "0.01"}, {L"0.000001e6", "1"},   {L"-0e5", "0"},      {L"120e-1", "12"},
        {L"00.0100", "0.01"}, {L"-00012.3400e1", "-123.4"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(Utf8(row.text));
        EXPECT_EQ(row.expected, Dec(row.text));
    }
}

TEST(CDecimalParse, InvalidCharactersNameTheirPosition) {
    struct Row {
        const wchar_t* text;
        int position;
    } rows[] = {
        {L"1,5", 1},  {L"abc", 0},   {L"1.2.3", 3}, {L"1.5-", 3},   {L"1e5.0", 3}, {L"1e5e", 3},
        {L"--1x", 3}, {L"1 5 x", 4}, {L"0x10", 1},  {L"NaN", 0},    {L"1\v", 1},   {L"\x0661", 0},
        {L"1.5+", 3}, {L"1E5E", 3},  {L"1.e.", 3},  {L"1\xFF10", 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(Utf8(row.text));
        EXPECT_NY_THROW(CDecimal d(row.text), CNyInvalidValueException, InvalidChar(row.position, row.text));
    }
    EXPECT_NY_THROW(CDecimal d(L"1,5"), CNyInvalidValueException,
                    L"The string representing a Decimal, contained an invalid char at position 1 [1,5]");
}

TEST(CDecimalParse, MaximumPlacesSetting) {
    MaxPlacesScope scope;
    CDecimal::SetMaxDecimalPlaces(2);
    EXPECT_EQ(2, CDecimal::GetMaxDecimalPlaces());
    EXPECT_EQ("1.01", Dec(L"1.005"));
    EXPECT_EQ("1", Dec(L"1.004"));
    EXPECT_EQ(L"0.33", (CDecimal(1) / CDecimal(3)).ToString());
    // The quotient is cut at four places, then rounded: 1/8 = 0.1250 gives 0.13.
    EXPECT_EQ(L"0.13", (CDecimal(1) / CDecimal(8)).ToString());
    EXPECT_EQ(L"0.01", (CDecimal(L"0.05") * CDecimal(L"0.1")).ToString());
    CDecimal::SetMaxDecimalPlaces(0);
    EXPECT_EQ("3", Dec(L"2.5"));
    EXPECT_EQ("-3", Dec(L"-2.5"));
    EXPECT_EQ("0", Dec(L"0.4"));
    EXPECT_EQ(L"1", (CDecimal(2) / CDecimal(3)).ToString());
    EXPECT_EQ(L"3.00", CDecimal(L"2.5e0").ToString(2));
    EXPECT_EQ(0, CDecimal::GetMaxDecimalPlaces());
}

TEST(CDecimalParse, MillionDigitRuns) {
    std::wstring whole;
    for (int i = 0; i < 1000000; ++i) whole += static_cast<wchar_t>(L'1' + i % 9);
    EXPECT_TRUE(CDecimal(whole.c_str()).ToString() == whole);
    EXPECT_TRUE(CDecimal((L"-" + whole + L".5").c_str()).ToString() == L"-" + whole + L".5");

    std::wstring thirds = L"0." + std::wstring(1000000, L'3');
    EXPECT_EQ("0.333333333333333333333333333333", Dec(thirds.c_str()));
    std::wstring tiny = L"0." + std::wstring(999999, L'0') + L"5";
    EXPECT_EQ("0", Dec(tiny.c_str()));
    // A million zero digits after the point leave nothing behind.
    EXPECT_EQ("7", Dec((L"7." + std::wstring(1000000, L'0')).c_str()));

    MaxPlacesScope scope;
    CDecimal::SetMaxDecimalPlaces(2000000);
    EXPECT_TRUE(CDecimal(tiny.c_str()).ToString() == tiny);
}

TEST(CDecimalParse, HugeExponents) {
    for (const wchar_t* text : {L"1e999999999", L"1e99999999999999999999999999999", L"1e1000001", L"0e1000001",
                                L"-1E+2000000"}) {
        SCOPED_TRACE(Utf8(text));
        EXPECT_NY_THROW(CDecimal d(text), CNyInvalidValueException, ExponentOutOfRange(text));
    }
    for (const wchar_t* text : {L"1e-999999999", L"1e-99999999999999999999999999999", L"-123456e-1000000000"}) {
        SCOPED_TRACE(Utf8(text));
        EXPECT_EQ("0", Dec(text));
    }
    // The largest exponent still accepted.
    std::wstring big = CDecimal(L"1e1000000").ToString();
    EXPECT_EQ(1000001u, big.size());
    EXPECT_TRUE(big == L"1" + std::wstring(1000000, L'0'));
    // A long run of digits brought back by a large negative exponent.
    std::wstring shifted = L"1" + std::wstring(1000000, L'0') + L"e-1000000";
    EXPECT_EQ("1", Dec(shifted.c_str()));
}

TEST(CDecimalArithmetic, DivisionByZero) {
    EXPECT_NY_THROW(CDecimal(1) / CDecimal(0), CNyInvalidValueException, L"ERROR: Overflow in operator/.");
    CDecimal d(L"2.5");
    EXPECT_NY_THROW(d /= CDecimal(L"-0.000"), CNyInvalidValueException, L"ERROR: Overflow in operator/.");
    EXPECT_EQ(L"2.5", d.ToString());
}

TEST(CDecimalArithmetic, IncrementAndDecrement) {
    CDecimal d(L"1.5");
    EXPECT_EQ(L"1.5", (d++).ToString());
    EXPECT_EQ(L"2.5", d.ToString());
    EXPECT_EQ(L"3.5", (++d).ToString());
    EXPECT_EQ(L"3.5", (d--).ToString());
    EXPECT_EQ(L"1.5", (--d).ToString());
    CDecimal n(L"-0.5");
    EXPECT_EQ(L"0.5", (++n).ToString());
    EXPECT_EQ(L"-0.5", (--n).ToString());
}

TEST(CDecimalArithmetic, Negation) {
    CDecimal d(L"1.5");
    EXPECT_EQ(L"-1.5", d.GetNegative().ToString());
    EXPECT_EQ(L"1.5", d.ToString());
    d.Negate();
    EXPECT_EQ(L"-1.5", d.ToString());
    CDecimal zero;
    zero.Negate();
    EXPECT_EQ(L"0", zero.ToString());
    EXPECT_EQ(L"0.00", zero.ToString(2));
    EXPECT_TRUE(zero == CDecimal(0));
}

TEST(CDecimalConstruction, FromMachineNumbers) {
    EXPECT_EQ(L"0", CDecimal().ToString());
    EXPECT_EQ(L"-2147483648", CDecimal(INT32_MIN).ToString());
    EXPECT_EQ(L"-9223372036854775808", CDecimal(INT64_MIN).ToString());
    EXPECT_EQ(L"9223372036854775807", CDecimal(INT64_MAX).ToString());
    EXPECT_EQ(L"-42", CDecimal(CBigInteger(L"-42")).ToString());
    // Doubles go through printf "%.13f".
    EXPECT_EQ(L"0.1", CDecimal(0.1).ToString());
    EXPECT_EQ(L"1.5", CDecimal(1.5).ToString());
    EXPECT_EQ(L"-2", CDecimal(-2.0).ToString());
    EXPECT_EQ(L"0", CDecimal(1e-14).ToString());
    EXPECT_EQ(L"0.0000000000001", CDecimal(6e-14).ToString());
    EXPECT_EQ(L"0", CDecimal(-0.0).ToString());
    EXPECT_EQ(309u, CDecimal(1e308).ToString().size());
}

TEST(CDecimalConstruction, NonFiniteDoublesAreRejected) {
    EXPECT_NY_THROW(CDecimal(std::numeric_limits<double>::infinity()), CNyInvalidValueException,
                    InvalidChar(0, L"inf"));
    EXPECT_NY_THROW(CDecimal(-std::numeric_limits<double>::infinity()), CNyInvalidValueException,
                    InvalidChar(1, L"-inf"));
    EXPECT_NY_THROW(CDecimal(std::fabs(std::nan(""))), CNyInvalidValueException, InvalidChar(0, L"nan"));
}

// The process-wide number of decimal places: a negative setting counts as 0.
TEST(DecimalPlaces, NegativeSettingKeepsNoPlaces) {
    MaxPlacesScope scope;
    const int settings[] = {-1, -30, INT32_MIN};
    for (int setting : settings) {
        SCOPED_TRACE(setting);
        CDecimal::SetMaxDecimalPlaces(setting);
        EXPECT_EQ(0, CDecimal::GetMaxDecimalPlaces());
        EXPECT_EQ(L"3", CDecimal(L"2.5").ToString());
        EXPECT_EQ(L"-3", CDecimal(L"-2.5").ToString());
        EXPECT_EQ(L"1", (CDecimal(2) / CDecimal(3)).ToString());
        EXPECT_EQ(L"0", (CDecimal(L"0.4") * CDecimal(L"1")).ToString());
    }
}

// CDecimal against results computed independently with Python's decimal
// module (tests/tools/gen_decimal_cases.py).
namespace {

const std::vector<DecimalCase>& Cases() {
    static const std::vector<DecimalCase> cases = nyxml_test::LoadDecimalCases("decimal_cases.txt");
    return cases;
}

template <class Check>
void ForEachCase(const std::string& op, size_t atLeast, Check check) {
    nyxml_test::ForEachDecimalCase(Cases(), op, atLeast, check);
}

}  // namespace

TEST(CDecimalDifferential, Parse) {
    ForEachCase("parse", 500, [](const std::vector<std::string>& f) {
        EXPECT_EQ(f[2], Utf8(CDecimal(Wide(f[1]).c_str()).ToString()));
    });
}

TEST(CDecimalDifferential, Arithmetic) {
    // Each operator and its compound assignment.
    typedef void (*Op)(CDecimal& result, CDecimal& compound, const CDecimal& b);
    const std::pair<const char*, Op> ops[] = {
        {"add", [](CDecimal& r, CDecimal& c, const CDecimal& b) { r = r + b, c += b; }},
        {"sub", [](CDecimal& r, CDecimal& c, const CDecimal& b) { r = r - b, c -= b; }},
        {"mul", [](CDecimal& r, CDecimal& c, const CDecimal& b) { r = r * b, c *= b; }},
        {"div", [](CDecimal& r, CDecimal& c, const CDecimal& b) { r = r / b, c /= b; }},
    };
    for (const auto& op : ops) {
        ForEachCase(op.first, 100, [&op](const std::vector<std::string>& f) {
            CDecimal result(Wide(f[1]).c_str()), compound(result);
            op.second(result, compound, CDecimal(Wide(f[2]).c_str()));
            EXPECT_EQ(f[3], Utf8(result.ToString()));
            EXPECT_EQ(f[3], Utf8(compound.ToString()));
        });
    }
}

TEST(CDecimalDifferential, Comparison) {
    ForEachCase("cmp", 300, [](const std::vector<std::string>& f) {
        const CDecimal a(Wide(f[1]).c_str());
        const CDecimal b(Wide(f[2]).c_str());
        nyxml_test::ExpectOrder(std::stoi(f[3]), a, b);
    });
}

TEST(CDecimalDifferential, RoundedForm) {
    ForEachCase("round", 400, [](const std::vector<std::string>& f) {
        EXPECT_EQ(f[3], Utf8(CDecimal(Wide(f[1]).c_str()).ToString(std::stoi(f[2]))));
    });
}

// ToLong, ToLongLong and ToDouble: the value, or the overflow of its type.
// Results are compared as long double, which holds every 64-bit integer exactly.
TEST(CDecimalDifferential, MachineNumbers) {
    struct Conversion {
        const char* op;
        const wchar_t* overflow;
        long double (*convert)(const CDecimal&);
        long double (*expected)(const std::string&);
    } conversions[] = {
        {"long", L"The Decimal value if to large to fit into a LONG",
         [](const CDecimal& d) -> long double { return d.ToLong(); },
         [](const std::string& t) -> long double { return std::stoll(t); }},
        {"longlong", L"The Decimal value if to large to fit into a LONGLONG",
         [](const CDecimal& d) -> long double { return d.ToLongLong(); },
         [](const std::string& t) -> long double { return std::stoll(t); }},
        {"double", L"The Decimal value if to large to fit into a Double",
         [](const CDecimal& d) -> long double { return d.ToDouble(); },
         [](const std::string& t) -> long double { return std::strtod(t.c_str(), nullptr); }},
    };
    for (const Conversion& c : conversions) {
        ForEachCase(c.op, 200, [&c](const std::vector<std::string>& f) {
            const CDecimal d(Wide(f[1]).c_str());
            if (f[2] == "OVERFLOW") {
                EXPECT_NY_THROW(c.convert(d), CNyOverFlowException, c.overflow);
            } else {
                EXPECT_EQ(c.expected(f[2]), c.convert(d));
            }
        });
    }
}

TEST(CDecimalDifferential, ToBigInteger) {
    ForEachCase("integer", 150, [](const std::vector<std::string>& f) {
        const CDecimal d(Wide(f[1]).c_str());
        EXPECT_EQ(f[2], Utf8(d.ToBigInteger().ToString()));
        EXPECT_EQ(f[2], Utf8(CBigInteger(d).ToString()));
    });
}

TEST(CDecimalDifferential, FromDouble) {
    ForEachCase("fromdouble", 200, [](const std::vector<std::string>& f) {
        EXPECT_EQ(f[2], Utf8(CDecimal(std::strtod(f[1].c_str(), nullptr)).ToString()));
    });
}
