#include <nyxml/biginteger.h>
#include <nyxml/decimal.h>

#include "DecimalCases.h"
#include "TestSupport.h"

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstdint>
#include <limits>

using namespace NyXmlLib9;
using nyxml_test::MaxPlacesScope;
using nyxml_test::Utf8;

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

TEST(CDecimalParse, KeepsTheMaximumPlacesRoundingTheLast) {
    EXPECT_EQ(30, CDecimal::GetMaxDecimalPlaces());
    // 35 fraction digits: the 31st is 5, so the 30th goes up.
    EXPECT_EQ("0.111111111111111111111111111112", Dec(L"0.11111111111111111111111111111155555"));
    EXPECT_EQ("0.111111111111111111111111111111", Dec(L"0.11111111111111111111111111111149999"));
    EXPECT_EQ("-0.111111111111111111111111111112", Dec(L"-0.11111111111111111111111111111155555"));
    // Rounding carries through the fraction into the whole part.
    EXPECT_EQ("1", Dec(L"0.999999999999999999999999999999999"));
    EXPECT_EQ("-2", Dec(L"-1.9999999999999999999999999999995"));
    // A trailing zero produced by rounding is dropped.
    EXPECT_EQ("0.12345678901234567890123456789", Dec(L"0.1234567890123456789012345678901"));
}

TEST(CDecimalParse, ExponentsApplyBeforeTheRounding) {
    // The exponent moves the point of the exact digits; only then are places dropped.
    EXPECT_EQ("12.345678901234567890123456789012", Dec(L".123456789012345678901234567890123456e2"));
    EXPECT_EQ("0.000000000000000000000000000001", Dec(L"5e-31"));
    EXPECT_EQ("0", Dec(L"4.9e-31"));
    EXPECT_EQ("-0.000000000000000000000000000001", Dec(L"-0.5e-30"));
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

TEST(CDecimalFormat, RoundedToFixedPlaces) {
    struct Row {
        const wchar_t* text;
        int places;
        const char* expected;
    } rows[] = {
        {L"1.005", 2, "1.01"},   {L"-1.005", 2, "-1.01"},  {L"1", 2, "1.00"},       {L"4.6", 0, "5."},
        {L"-0.4", 0, "-0."},     {L"0", 3, "0.000"},       {L"-0.001", 2, "-0.00"}, {L"0.995", 2, "1.00"},
        {L"9.9999", 3, "10.000"}, {L"123.456", 5, "123.45600"}, {L"1.5", 0, "2."}, {L"-2.5", 0, "-3."},
        {L"-0", 1, "0.0"},       {L"0.5", 1, "0.5"},       {L"0.04", 1, "0.0"},     {L"0.05", 1, "0.1"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(Utf8(row.text) + " " + std::to_string(row.places));
        EXPECT_EQ(row.expected, Utf8(CDecimal(row.text).ToString(row.places)));
    }
    EXPECT_EQ("0.5" + std::string(39, '0'), Utf8(CDecimal(L"0.5").ToString(40)));
    EXPECT_NY_THROW(CDecimal(1).ToString(-1), CNyInvalidParamException,
                    L"The number of decimal places must not be negative [-1]");
}

// Every value k / 1000 for |k| <= 2500 at 0 to 4 places, against integer rounding.
TEST(CDecimalFormat, RoundedFormExhaustiveOverThousandths) {
    for (int k = -2500; k <= 2500; ++k) {
        const CDecimal value = CDecimal(k) / CDecimal(1000);
        for (int n = 0; n <= 4; ++n) {
            int64_t scale = 1;
            for (int i = 0; i < n; ++i) scale *= 10;
            const int64_t units = (std::llabs(k) * scale * 2 + 1000) / 2000;  // halves away from zero
            std::string digits = std::to_string(units);
            if (digits.size() <= static_cast<size_t>(n)) digits.insert(0, n + 1 - digits.size(), '0');
            std::string expected = (k < 0 ? "-" : "") + digits.substr(0, digits.size() - n) + "." +
                                   digits.substr(digits.size() - n);
            ASSERT_EQ(expected, Utf8(value.ToString(n))) << k << " at " << n;
        }
    }
}

TEST(CDecimalArithmetic, DivisionKeepsThirtyPlaces) {
    EXPECT_EQ(L"0.333333333333333333333333333333", (CDecimal(1) / CDecimal(3)).ToString());
    EXPECT_EQ(L"0.666666666666666666666666666667", (CDecimal(2) / CDecimal(3)).ToString());
    EXPECT_EQ(L"-0.666666666666666666666666666667", (CDecimal(-2) / CDecimal(3)).ToString());
    EXPECT_EQ(L"0.5", (CDecimal(L"1.5") / CDecimal(3)).ToString());
    EXPECT_EQ(L"-250", (CDecimal(L"-1") / CDecimal(L"0.004")).ToString());
    EXPECT_EQ(L"0", (CDecimal(0) / CDecimal(L"-7")).ToString());
    EXPECT_EQ(L"0", (CDecimal(L"1e-29") / CDecimal(L"1e3")).ToString());
}

TEST(CDecimalArithmetic, DivisionByZero) {
    EXPECT_NY_THROW(CDecimal(1) / CDecimal(0), CNyInvalidValueException, L"ERROR: Overflow in operator/.");
    CDecimal d(L"2.5");
    EXPECT_NY_THROW(d /= CDecimal(L"-0.000"), CNyInvalidValueException, L"ERROR: Overflow in operator/.");
    EXPECT_EQ(L"2.5", d.ToString());
}

TEST(CDecimalArithmetic, ExactSumsAndProducts) {
    struct Row {
        const wchar_t* a;
        const wchar_t* b;
        const char* sum;
        const char* difference;
        const char* product;
    } rows[] = {
        {L"0.1", L"0.2", "0.3", "-0.1", "0.02"},
        {L"1.5", L"1.5", "3", "0", "2.25"},
        {L"-0.5", L"1", "0.5", "-1.5", "-0.5"},
        {L"0.999", L"0.001", "1", "0.998", "0.000999"},
        {L"-1.25", L"-0.75", "-2", "-0.5", "0.9375"},
        {L"999999999.999999999", L"0.000000001", "1000000000", "999999999.999999998", "0.999999999999999999"},
        {L"-0.000000001", L"1000000000", "999999999.999999999", "-1000000000.000000001", "-1"},
        {L"123456789012345678901234567890", L"-0.1", "123456789012345678901234567889.9",
         "123456789012345678901234567890.1", "-12345678901234567890123456789"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(Utf8(row.a) + " " + Utf8(row.b));
        const CDecimal a(row.a);
        const CDecimal b(row.b);
        EXPECT_EQ(row.sum, Utf8((a + b).ToString()));
        EXPECT_EQ(row.difference, Utf8((a - b).ToString()));
        EXPECT_EQ(row.product, Utf8((a * b).ToString()));
    }
}

TEST(CDecimalArithmetic, ProductsRoundToTheMaximumPlaces) {
    EXPECT_EQ(L"0.000000000000000000000000000001",
              (CDecimal(L"0.000000000000001") * CDecimal(L"0.000000000000001")).ToString());
    EXPECT_EQ(L"0", (CDecimal(L"0.0000000000000005") * CDecimal(L"0.0000000000000005")).ToString());
    EXPECT_EQ(L"-0.000000000000000000000000000001",
              (CDecimal(L"-0.00000000000000075") * CDecimal(L"0.00000000000000075")).ToString());
}

TEST(CDecimalArithmetic, OperandsMayBeTheSameObject) {
    CDecimal d(L"1.5");
    d += d;
    EXPECT_EQ(L"3", d.ToString());
    d *= d;
    EXPECT_EQ(L"9", d.ToString());
    d /= d;
    EXPECT_EQ(L"1", d.ToString());
    d -= d;
    EXPECT_EQ(L"0", d.ToString());
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

TEST(CDecimalComparison, NumericOrder) {
    const wchar_t* ascending[] = {L"-1e40", L"-2", L"-1.1", L"-1.01", L"-1", L"-0.0001", L"0",
                                  L"0.000000000000000000000000000001", L"0.1", L"0.10001", L"1", L"1.5",
                                  L"2", L"123456789012345678901234567890.5"};
    const size_t count = sizeof ascending / sizeof ascending[0];
    for (size_t i = 0; i < count; ++i) {
        for (size_t j = 0; j < count; ++j) {
            SCOPED_TRACE(Utf8(ascending[i]) + " vs " + Utf8(ascending[j]));
            const CDecimal a(ascending[i]);
            const CDecimal b(ascending[j]);
            EXPECT_EQ(i == j, a == b);
            EXPECT_EQ(i != j, a != b);
            EXPECT_EQ(i < j, a < b);
            EXPECT_EQ(i > j, a > b);
            EXPECT_EQ(i <= j, a <= b);
            EXPECT_EQ(i >= j, a >= b);
        }
    }
    EXPECT_TRUE(CDecimal(L"1.50") == CDecimal(L"1.5"));
    EXPECT_TRUE(CDecimal(L"-0.000") == CDecimal(0));
    EXPECT_TRUE(CDecimal(L"0.5") == CDecimal(0.5));
}

TEST(CDecimalConversion, ToLong) {
    EXPECT_EQ(2147483647, CDecimal(L"2147483647.4").ToLong());
    EXPECT_NY_THROW(CDecimal(L"2147483647.5").ToLong(), CNyOverFlowException,
                    L"The Decimal value if to large to fit into a LONG");
    EXPECT_EQ(INT32_MIN, CDecimal(L"-2147483648.4").ToLong());
    EXPECT_NY_THROW(CDecimal(L"-2147483648.5").ToLong(), CNyOverFlowException,
                    L"The Decimal value if to large to fit into a LONG");
    EXPECT_EQ(3, CDecimal(L"2.5").ToLong());
    EXPECT_EQ(-3, CDecimal(L"-2.5").ToLong());
    EXPECT_EQ(0, CDecimal(L"-0.4").ToLong());
}

TEST(CDecimalConversion, ToLongLongRoundsToOnePlaceThenDropsIt) {
    EXPECT_EQ(3, CDecimal(L"2.96").ToLongLong());
    EXPECT_EQ(2, CDecimal(L"2.94").ToLongLong());
    EXPECT_EQ(3, CDecimal(L"2.95").ToLongLong());
    EXPECT_EQ(2, CDecimal(L"2.5").ToLongLong());
    EXPECT_EQ(-3, CDecimal(L"-2.96").ToLongLong());
    EXPECT_EQ(-2, CDecimal(L"-2.94").ToLongLong());
    EXPECT_EQ(INT64_MAX, CDecimal(L"9223372036854775807.94").ToLongLong());
    EXPECT_NY_THROW(CDecimal(L"9223372036854775807.95").ToLongLong(), CNyOverFlowException,
                    L"The Decimal value if to large to fit into a LONGLONG");
    EXPECT_EQ(INT64_MIN, CDecimal(L"-9223372036854775808.94").ToLongLong());
    EXPECT_NY_THROW(CDecimal(L"-9223372036854775809").ToLongLong(), CNyOverFlowException,
                    L"The Decimal value if to large to fit into a LONGLONG");
}

TEST(CDecimalConversion, ToDouble) {
    EXPECT_EQ(0.1, CDecimal(L"0.1").ToDouble());
    EXPECT_EQ(-2.5, CDecimal(L"-2.5").ToDouble());
    EXPECT_EQ(1.7e308, CDecimal(L"1.7E+308").ToDouble());
    EXPECT_EQ(-1.7e308, CDecimal(L"-1.7E+308").ToDouble());
    EXPECT_EQ(1.7e308, CDecimal(L"1.7E+308").operator+(CDecimal(L"0.9")).ToDouble());
    for (const wchar_t* text : {L"1.7000000000000000001E+308", L"-1.7000000000000000001E+308", L"1e400"}) {
        SCOPED_TRACE(Utf8(text));
        EXPECT_NY_THROW(CDecimal(text).ToDouble(), CNyOverFlowException,
                        L"The Decimal value if to large to fit into a Double");
    }
}

TEST(CDecimalConversion, ToDoubleBelowTheNormalRange) {
    MaxPlacesScope scope;
    CDecimal::SetMaxDecimalPlaces(400);
    EXPECT_EQ(std::strtod("1e-320", nullptr), CDecimal(L"1e-320").ToDouble());
    EXPECT_EQ(std::strtod("-2.5e-310", nullptr), CDecimal(L"-2.5e-310").ToDouble());
    EXPECT_EQ(0.0, CDecimal(L"1e-390").ToDouble());
}

// Text conversions must not follow a locale whose decimal point is a comma.
TEST(CDecimalConversion, IndependentOfTheNumericLocale) {
    const char* names[] = {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8", "de_DE", "fr_FR"};
    std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    const char* found = nullptr;
    for (const char* name : names) {
        if (std::setlocale(LC_NUMERIC, name) != nullptr) {
            found = name;
            break;
        }
    }
    if (found == nullptr) GTEST_SKIP() << "no locale with a decimal comma is installed";
    EXPECT_EQ(L"0.1", CDecimal(0.1).ToString());
    EXPECT_EQ(-12.25, CDecimal(L"-12.25").ToDouble());
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(CDecimalConversion, ToBigInteger) {
    EXPECT_EQ(L"3", CDecimal(L"2.5").ToBigInteger().ToString());
    EXPECT_EQ(L"-3", CDecimal(L"-2.5").ToBigInteger().ToString());
    EXPECT_EQ(L"0", CDecimal(L"-0.4").ToBigInteger().ToString());
    EXPECT_EQ(L"100000000000000000000", CDecimal(L"99999999999999999999.5").ToBigInteger().ToString());
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

TEST(CDecimalConstruction, CopiesAreIndependent) {
    CDecimal a(L"1.25");
    CDecimal b(a);
    b += CDecimal(1);
    EXPECT_EQ(L"1.25", a.ToString());
    EXPECT_EQ(L"2.25", b.ToString());
    a = b;
    b.Negate();
    EXPECT_EQ(L"2.25", a.ToString());
    CDecimal moved(std::move(b));
    EXPECT_EQ(L"-2.25", moved.ToString());
}
