#include <nyxml/biginteger.h>
#include <nyxml/decimal.h>

#include "TestSupport.h"

#include <cstdint>
#include <limits>
#include "DecimalCases.h"
#include <cstdlib>

using namespace NyXmlLib9;
using nyxml_test::Utf8;
using nyxml_test::DecimalCase;
using nyxml_test::Wide;

namespace {

std::string Big(const wchar_t* text) { return Utf8(CBigInteger(text).ToString()); }

// Exposes the protected digit operations.
class DigitProbe : public CBigInteger {
public:
    using CBigInteger::Digits;
    DigitProbe(int sign, const std::vector<wchar_t>& digits) : CBigInteger(sign, digits) {}
    using CBigInteger::Add;
    using CBigInteger::Build;
    using CBigInteger::BuildDouble;
    using CBigInteger::BuildDWORDLONG;
    using CBigInteger::Clean;
    using CBigInteger::Compare;
    using CBigInteger::Divide;
    using CBigInteger::Multiply;
    using CBigInteger::Pow10;
    using CBigInteger::Position;
    using CBigInteger::ShiftLeft;
    using CBigInteger::Subtract;
};

}  // namespace

TEST(CBigIntegerParse, PlainAndDecimalForms) {
    struct Row {
        const wchar_t* text;
        const char* expected;
    } rows[] = {
        {L"-000123", "-123"}, {L"   ", "0"},     {L"12.7", "13"},  {L"1e3", "1000"},  {L"+5", "5"},
        {L"1 2", "2"},        {L"- 5", "-5"},    {L" -7 ", "-7"},  {L"5-", "0"},      {L"", "0"},
        {L"-", "0"},          {L"-0", "0"},      {L"12.5", "13"},  {L"-12.5", "-13"}, {L"1e-1", "0"},
        {L"\t42\n", "42"},    {L"+-5", "5"},     {L"--5", "-5"},   {L"0001", "1"},    {L"12.49", "12"},
        {L"-1.5e1", "-15"},   {L"1 .5", "2"},    {L"99999999999999999999999999999999999999", "99999999999999999999999999999999999999"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(Utf8(row.text));
        EXPECT_EQ(row.expected, Big(row.text));
    }
}

TEST(CBigIntegerParse, InvalidTextKeepsTheOldValue) {
    EXPECT_NY_THROW(CBigInteger b(L"12x"), CNyInvalidValueException,
                    L"The string representing a Decimal, contained an invalid char at position 2 [12x]");
    CBigInteger b(5);
    EXPECT_NY_THROW(b.Parse(L"1,5"), CNyInvalidValueException,
                    L"The string representing a Decimal, contained an invalid char at position 1 [1,5]");
    EXPECT_NY_THROW(b.Parse(L"1e999999999"), CNyInvalidValueException,
                    L"The string representing a Decimal, contained an exponent out of range [1e999999999]");
    EXPECT_EQ(L"5", b.ToString());
    b.Parse(L"-17");
    EXPECT_EQ(L"-17", b.ToString());
}

TEST(CBigIntegerParse, MillionDigitRoundTrip) {
    std::wstring text = L"-";
    for (int i = 0; i < 1000000; ++i) text += static_cast<wchar_t>(L'1' + i % 9);
    CBigInteger b(text.c_str());
    EXPECT_TRUE(b.ToString() == text);
    // The same digits through the decimal form.
    CBigInteger viaDecimal((text + L".4").c_str());
    EXPECT_TRUE(viaDecimal == b);
}

TEST(CBigIntegerArithmetic, TruncatingDivision) {
    EXPECT_EQ(L"-3", (CBigInteger(-7) / CBigInteger(2)).ToString());
    EXPECT_EQ(L"-1", (CBigInteger(-7) % CBigInteger(2)).ToString());
    EXPECT_EQ(L"-3", (CBigInteger(7) / CBigInteger(-2)).ToString());
    EXPECT_EQ(L"1", (CBigInteger(7) % CBigInteger(-2)).ToString());
    EXPECT_EQ(L"3", (CBigInteger(-7) / CBigInteger(-2)).ToString());
    EXPECT_EQ(L"-1", (CBigInteger(-7) % CBigInteger(-2)).ToString());
    EXPECT_EQ(L"0", (CBigInteger(0) / CBigInteger(-5)).ToString());
    EXPECT_EQ(L"0", (CBigInteger(-6) % CBigInteger(3)).ToString());
}

TEST(CBigIntegerArithmetic, DivisionByZeroMessages) {
    const CBigInteger x(7);
    const CBigInteger zero;
    EXPECT_NY_THROW(x / zero, CNyInvalidValueException, L"ERROR: Overflow in operator/.");
    EXPECT_NY_THROW(x % zero, CNyInvalidValueException, L"ERROR: Overflow in operator%.");
    CBigInteger y(x);
    EXPECT_NY_THROW(y /= zero, CNyInvalidValueException, L"ERROR: Overflow in operator /=.");
    EXPECT_NY_THROW(y %= CBigInteger(L"-0"), CNyInvalidValueException, L"ERROR: Overflow in operator%=.");
    EXPECT_EQ(L"7", y.ToString());
    EXPECT_NY_THROW(CBigInteger(0) / zero, CNyInvalidValueException, L"ERROR: Overflow in operator/.");
}

// Operands whose estimated quotient word must be lowered twice before the
// multiply-and-subtract step (found by a search over patterned operands;
// quotients and remainders from Python's integers).
TEST(CBigIntegerArithmetic, QuotientEstimateCorrectedTwice) {
    struct Row {
        const wchar_t* a;
        const wchar_t* b;
        const wchar_t* quotient;
        const wchar_t* remainder;
    } rows[] = {
        {L"2000000002499999995000000001", L"1000000001999999999", L"1999999998", L"500000000999999999"},
        {L"216555410283444588175166885250000001", L"216555410499999999", L"999999998999999998",
         L"108277705249999999"},
        {L"500000000749999999000000001499999998", L"500000000999999999", L"999999999500000000",
         L"500000000999999998"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(Utf8(row.a));
        const CBigInteger a(row.a);
        const CBigInteger b(row.b);
        EXPECT_EQ(row.quotient, (a / b).ToString());
        EXPECT_EQ(row.remainder, (a % b).ToString());
    }
}

TEST(CBigIntegerArithmetic, SignOperations) {
    CBigInteger a(5);
    CBigInteger& same = -a;
    EXPECT_EQ(&a, &same);
    EXPECT_EQ(L"-5", a.ToString());
    EXPECT_EQ(L"5", a.GetAbs().ToString());
    EXPECT_EQ(L"5", a.GetNegative().ToString());
    EXPECT_EQ(L"-5", a.ToString());
    a.Abs();
    EXPECT_EQ(L"5", a.ToString());
    a.Negate();
    EXPECT_EQ(L"-5", a.ToString());
    CBigInteger zero;
    zero.Negate();
    EXPECT_EQ(L"0", zero.ToString());
    EXPECT_TRUE(zero == CBigInteger(0));
    EXPECT_FALSE(zero < CBigInteger(0));
    EXPECT_TRUE(CBigInteger(L"-0") == CBigInteger(L"0"));
}

TEST(CBigIntegerArithmetic, OperandsMayBeTheSameObject) {
    CBigInteger a(L"123456789123456789");
    a += a;
    EXPECT_EQ(L"246913578246913578", a.ToString());
    a *= a;
    EXPECT_EQ(L"60966315122694714062490483000762084", a.ToString());
    a %= a;
    EXPECT_EQ(L"0", a.ToString());
    CBigInteger b(-9);
    b /= b;
    EXPECT_EQ(L"1", b.ToString());
    b -= b;
    EXPECT_EQ(L"0", b.ToString());
}

TEST(CBigIntegerConversion, MachineIntegerBounds) {
    EXPECT_NY_THROW((void)static_cast<int>(CBigInteger(L"2147483648")), CNyInvalidValueException,
                    L"ERROR: Value out of bound of int.");
    EXPECT_NY_THROW((void)static_cast<int>(CBigInteger(L"-2147483649")), CNyInvalidValueException,
                    L"ERROR: Value out of bound of int.");
    EXPECT_EQ(INT32_MIN, static_cast<int>(CBigInteger(L"-2147483648")));
    EXPECT_EQ(INT32_MAX, static_cast<int>(CBigInteger(L"2147483647")));
    EXPECT_EQ(INT64_MAX, static_cast<int64_t>(CBigInteger(L"9223372036854775807")));
    EXPECT_EQ(INT64_MIN, static_cast<int64_t>(CBigInteger(L"-9223372036854775808")));
    EXPECT_NY_THROW((void)static_cast<int64_t>(CBigInteger(L"9223372036854775808")), CNyInvalidValueException,
                    L"ERROR: Value out of bound of LONGLONG.");
    EXPECT_NY_THROW((void)static_cast<int64_t>(CBigInteger(L"-9223372036854775809")), CNyInvalidValueException,
                    L"ERROR: Value out of bound of LONGLONG.");
    EXPECT_NY_THROW((void)static_cast<int64_t>(CBigInteger::Pow10(40)), CNyInvalidValueException,
                    L"ERROR: Value out of bound of LONGLONG.");
    EXPECT_EQ(0, static_cast<int>(CBigInteger(L"-0")));
    EXPECT_EQ(L"-9223372036854775808", CBigInteger(INT64_MIN).ToString());
}

TEST(CBigIntegerConversion, FromDouble) {
    struct Row {
        double value;
        const char* expected;
    } rows[] = {
        {2.5, "2"},   {-2.6, "-3"}, {2.6, "3"},   {0.5, "0"},   {-0.5, "0"},  {1.5, "1"},
        {-1.5, "-1"}, {0.0, "0"},   {-0.0, "0"},  {0.49, "0"},  {1e-300, "0"}, {123456.5000001, "123457"},
        {4503599627370495.5, "4503599627370495"}, {4503599627370497.0, "4503599627370497"},
        {9007199254740993.0, "9007199254740992"}, {18446744073709551616.0, "18446744073709551616"},
        {-1e20, "-100000000000000000000"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.value);
        EXPECT_EQ(row.expected, Utf8(CBigInteger(row.value).ToString()));
    }
    EXPECT_NY_THROW(CBigInteger(std::numeric_limits<double>::infinity()), CNyInvalidValueException,
                    L"The value [inf] can not be converted to an integer");
    EXPECT_NY_THROW(CBigInteger(-std::numeric_limits<double>::infinity()), CNyInvalidValueException,
                    L"The value [-inf] can not be converted to an integer");
}

TEST(CBigIntegerRoots, SquareRoot) {
    EXPECT_NY_THROW(CBigInteger(-1).SquareRoot(), CNyInvalidValueException,
                    L"ERROR: Negative Number in function SquareRoot().");
    EXPECT_EQ(L"0", CBigInteger(L"-0").SquareRoot().ToString());
    // Every n below 20000 against the defining inequality r^2 <= n < (r+1)^2.
    for (int n = 0; n < 20000; ++n) {
        const int r = static_cast<int>(CBigInteger(n).SquareRoot());
        ASSERT_TRUE(r * r <= n && n < (r + 1) * (r + 1)) << n << " gave " << r;
    }
    const CBigInteger root = CBigInteger::Pow10(500) + CBigInteger(7);
    const CBigInteger square = root * root;
    EXPECT_TRUE(square.SquareRoot() == root);
    EXPECT_TRUE((square - CBigInteger(1)).SquareRoot() == root - CBigInteger(1));
    EXPECT_TRUE((square + root + root).SquareRoot() == root);
}

TEST(CBigIntegerDigits, ProtectedOperations) {
    EXPECT_EQ(L"-123", DigitProbe(-1, {3, 2, 1}).ToString());
    EXPECT_EQ(L"1000000000", DigitProbe(1, {0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0}).ToString());
    EXPECT_EQ(L"0", DigitProbe(1, {}).ToString());
    EXPECT_NY_THROW(DigitProbe(1, {1, 10}), CNyInvalidParamException,
                    L"A digit of a CBigInteger must be between 0 and 9");

    DigitProbe::Digits a, b, q, r;
    DigitProbe::Build(L"12345678901234567890", 20, a);
    EXPECT_EQ(20u, DigitProbe::Position(a));
    DigitProbe::ShiftLeft(a, 5);
    EXPECT_EQ(25u, DigitProbe::Position(a));
    DigitProbe::BuildDWORDLONG(UINT64_MAX, b);
    EXPECT_EQ(1, DigitProbe::Compare(a, b));
    EXPECT_EQ(-1, DigitProbe::Compare(b, a));
    DigitProbe::Divide(a, b, q, r);
    DigitProbe::Digits back = DigitProbe::Multiply(q, b);
    DigitProbe::Add(back, r);
    EXPECT_EQ(0, DigitProbe::Compare(back, a));
    DigitProbe::Subtract(back, a);
    DigitProbe::Digits zero;
    DigitProbe::Build(0u, zero);
    EXPECT_EQ(0, DigitProbe::Compare(back, zero));
    EXPECT_NY_THROW(DigitProbe::Divide(a, zero, q, r), CNyInvalidValueException, L"ERROR: Overflow in operator/.");
    DigitProbe::Multiply(b, 7u);
    DigitProbe::Digits expected;
    DigitProbe::Build(L"129127208515966861305", 21, expected);
    EXPECT_EQ(0, DigitProbe::Compare(b, expected));
    DigitProbe::Digits padded{5, 0, 0};
    DigitProbe::Clean(padded);
    EXPECT_EQ(1u, padded.size());
    DigitProbe::Pow10(12, q);
    EXPECT_EQ(13u, DigitProbe::Position(q));
    DigitProbe::BuildDouble(-2.5, q);
    DigitProbe::Build(2u, r);
    EXPECT_EQ(0, DigitProbe::Compare(q, r));
    EXPECT_NY_THROW(DigitProbe::Build(L"12a", 3, q), CNyInvalidParamException,
                    L"A digit of a CBigInteger must be between 0 and 9");
}

// The word store against std::vector for every pair of sizes around the
// inline limit: copies, moves and swaps between inline and heap words, then
// growth across the limit and shrinking back, in place and by arithmetic.
TEST(CDigitWords, InlineAndHeapWordsBehaveAsAVector) {
    typedef std::vector<uint32_t> Model;
    const size_t kSizes[] = {0, 1, CDigitWords::kInlineWords, CDigitWords::kInlineWords + 1, 9};
    auto make = [](size_t n, uint32_t first) {
        CDigitWords w;
        for (size_t i = 0; i < n; ++i) w.push_back(first + static_cast<uint32_t>(i));
        return w;
    };
    auto model = [](const CDigitWords& w) { return Model(w.begin(), w.end()); };
    for (size_t m : kSizes) {
        for (size_t n : kSizes) {
            SCOPED_TRACE(testing::Message() << m << " and " << n << " words");
            const Model a = model(make(m, 100)), b = model(make(n, 200));
            CDigitWords x = make(m, 100), y = make(n, 200);
            x = y;
            EXPECT_EQ(b, model(x));
            x = make(m, 100);
            x.swap(y);
            EXPECT_TRUE(model(x) == b && model(y) == a);
            CDigitWords moved(std::move(x));
            EXPECT_TRUE(model(moved) == b && x.empty());
            y = std::move(moved);
            EXPECT_TRUE(model(y) == b && moved.empty());
            const CDigitWords copy(y);
            y.insert(y.begin(), m, 7);
            Model grown(m, 7);
            grown.insert(grown.end(), b.begin(), b.end());
            EXPECT_TRUE(model(y) == grown && model(copy) == b);
            y.erase(y.begin(), y.begin() + static_cast<ptrdiff_t>(m));
            y.resize(n + m, 9);
            y.resize(n);
            EXPECT_EQ(b, model(y));
            y.assign(copy.begin(), copy.begin() + static_cast<ptrdiff_t>(n / 2));
            EXPECT_EQ(Model(b.begin(), b.begin() + static_cast<ptrdiff_t>(n / 2)), model(y));
        }
    }
    // 10^36 is the first value of five words: arithmetic across the limit both ways.
    const CBigInteger limit(L"1000000000000000000000000000000000000");
    CBigInteger below = limit - CBigInteger(1);
    EXPECT_EQ(L"999999999999999999999999999999999999", below.ToString());
    below += CBigInteger(1);
    EXPECT_TRUE(below == limit);
    EXPECT_EQ(L"1", (limit / limit).ToString());
    EXPECT_EQ(L"1000000000000000000", CBigInteger(L"1000000000000000000000000000000000000").SquareRoot().ToString());
}

// CBigInteger against results computed with Python's integers
// (tests/tools/gen_decimal_cases.py).
namespace {

const std::vector<DecimalCase>& Cases() {
    static const std::vector<DecimalCase> cases = nyxml_test::LoadDecimalCases("biginteger_cases.txt");
    return cases;
}

template <class Check>
void ForEachCase(const std::string& op, size_t atLeast, Check check) {
    nyxml_test::ForEachDecimalCase(Cases(), op, atLeast, check);
}

CBigInteger BigOf(const std::string& text) { return CBigInteger(Wide(text).c_str()); }

}  // namespace

TEST(CBigIntegerDifferential, Parse) {
    ForEachCase("parse", 500, [](const std::vector<std::string>& f) { EXPECT_EQ(f[2], Utf8(BigOf(f[1]).ToString())); });
}

// Each operator and its compound assignment; quotient and remainder also
// checked against the identity that ties them together for every divisor.
TEST(CBigIntegerDifferential, Arithmetic) {
    typedef void (*Op)(CBigInteger& result, CBigInteger& compound, const CBigInteger& b);
    const std::pair<const char*, Op> ops[] = {
        {"add", [](CBigInteger& r, CBigInteger& c, const CBigInteger& b) { r = r + b, c += b; }},
        {"sub", [](CBigInteger& r, CBigInteger& c, const CBigInteger& b) { r = r - b, c -= b; }},
        {"mul", [](CBigInteger& r, CBigInteger& c, const CBigInteger& b) { r = r * b, c *= b; }},
        {"div", [](CBigInteger& r, CBigInteger& c, const CBigInteger& b) { r = r / b, c /= b; }},
        {"mod", [](CBigInteger& r, CBigInteger& c, const CBigInteger& b) { r = r % b, c %= b; }},
    };
    for (const auto& op : ops) {
        ForEachCase(op.first, 390, [&op](const std::vector<std::string>& f) {
            const CBigInteger a = BigOf(f[1]), b = BigOf(f[2]);
            CBigInteger result(a), compound(a);
            op.second(result, compound, b);
            EXPECT_EQ(f[3], Utf8(result.ToString()));
            EXPECT_EQ(f[3], Utf8(compound.ToString()));
            if (b != CBigInteger(0)) {
                EXPECT_TRUE(a / b * b + a % b == a);
            }
        });
    }
}

TEST(CBigIntegerDifferential, Comparison) {
    ForEachCase("cmp", 300, [](const std::vector<std::string>& f) {
        const CBigInteger a = BigOf(f[1]);
        const CBigInteger b = BigOf(f[2]);
        nyxml_test::ExpectOrder(std::stoi(f[3]), a, b);
    });
}

TEST(CBigIntegerDifferential, MachineIntegers) {
    ForEachCase("int", 200, [](const std::vector<std::string>& f) {
        const CBigInteger v = BigOf(f[1]);
        if (f[2] == "OUT") {
            EXPECT_NY_THROW((void)static_cast<int>(v), CNyInvalidValueException, L"ERROR: Value out of bound of int.");
        } else {
            EXPECT_EQ(std::stoi(f[2]), static_cast<int>(v));
        }
    });
    ForEachCase("int64", 200, [](const std::vector<std::string>& f) {
        const CBigInteger v = BigOf(f[1]);
        if (f[2] == "OUT") {
            EXPECT_NY_THROW((void)static_cast<int64_t>(v), CNyInvalidValueException,
                            L"ERROR: Value out of bound of LONGLONG.");
        } else {
            EXPECT_EQ(std::stoll(f[2]), static_cast<int64_t>(v));
            EXPECT_EQ(f[1], Utf8(CBigInteger(static_cast<int64_t>(v)).ToString()));
        }
    });
}

TEST(CBigIntegerDifferential, SquareRootAndPowersOfTen) {
    ForEachCase("sqrt", 200, [](const std::vector<std::string>& f) {
        EXPECT_EQ(f[2], Utf8(BigOf(f[1]).SquareRoot().ToString()));
    });
    ForEachCase("pow10", 30, [](const std::vector<std::string>& f) {
        EXPECT_EQ(f[2], Utf8(CBigInteger::Pow10(static_cast<unsigned>(std::stoul(f[1]))).ToString()));
    });
}

TEST(CBigIntegerDifferential, FromDouble) {
    ForEachCase("fromdouble", 300, [](const std::vector<std::string>& f) {
        EXPECT_EQ(f[2], Utf8(CBigInteger(std::strtod(f[1].c_str(), nullptr)).ToString()));
    });
}
