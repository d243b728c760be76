// CBigInteger against results computed with Python's integers
// (tests/tools/gen_decimal_cases.py).
#include <nyxml/biginteger.h>
#include <nyxml/decimal.h>

#include "DecimalCases.h"
#include "TestSupport.h"

#include <cstdlib>

using namespace NyXmlLib9;
using nyxml_test::DecimalCase;
using nyxml_test::Utf8;
using nyxml_test::Wide;

namespace {

const std::vector<DecimalCase>& Cases() {
    static const std::vector<DecimalCase> cases = nyxml_test::LoadDecimalCases("biginteger_cases.txt");
    return cases;
}

template <class Check>
void ForEachCase(const std::string& op, size_t atLeast, Check check) {
    nyxml_test::ForEachDecimalCase(Cases(), op, atLeast, check);
}

CBigInteger Big(const std::string& text) { return CBigInteger(Wide(text).c_str()); }

}  // namespace

TEST(CBigIntegerDifferential, Parse) {
    ForEachCase("parse", 500, [](const std::vector<std::string>& f) { EXPECT_EQ(f[2], Utf8(Big(f[1]).ToString())); });
}

TEST(CBigIntegerDifferential, AddSubtractMultiply) {
    for (const char* op : {"add", "sub", "mul"}) {
        ForEachCase(op, 400, [op](const std::vector<std::string>& f) {
            const CBigInteger a = Big(f[1]);
            const CBigInteger b = Big(f[2]);
            const std::string name(op);
            CBigInteger compound(a);
            CBigInteger result;
            if (name == "add") {
                result = a + b;
                compound += b;
            } else if (name == "sub") {
                result = a - b;
                compound -= b;
            } else {
                result = a * b;
                compound *= b;
            }
            EXPECT_EQ(f[3], Utf8(result.ToString()));
            EXPECT_EQ(f[3], Utf8(compound.ToString()));
        });
    }
}

TEST(CBigIntegerDifferential, TruncatingDivisionAndRemainder) {
    for (const char* op : {"div", "mod"}) {
        ForEachCase(op, 390, [op](const std::vector<std::string>& f) {
            const CBigInteger a = Big(f[1]);
            const CBigInteger b = Big(f[2]);
            const bool quotient = std::string(op) == "div";
            CBigInteger compound(a);
            if (quotient) {
                compound /= b;
            } else {
                compound %= b;
            }
            EXPECT_EQ(f[3], Utf8((quotient ? a / b : a % b).ToString()));
            EXPECT_EQ(f[3], Utf8(compound.ToString()));
            // The identity that ties quotient and remainder together.
            EXPECT_TRUE(a / b * b + a % b == a);
        });
    }
}

TEST(CBigIntegerDifferential, Comparison) {
    ForEachCase("cmp", 300, [](const std::vector<std::string>& f) {
        const CBigInteger a = Big(f[1]);
        const CBigInteger b = Big(f[2]);
        const int expected = std::stoi(f[3]);
        EXPECT_EQ(expected == 0, a == b);
        EXPECT_EQ(expected != 0, a != b);
        EXPECT_EQ(expected < 0, a < b);
        EXPECT_EQ(expected > 0, a > b);
        EXPECT_EQ(expected <= 0, a <= b);
        EXPECT_EQ(expected >= 0, a >= b);
    });
}

TEST(CBigIntegerDifferential, MachineIntegers) {
    ForEachCase("int", 200, [](const std::vector<std::string>& f) {
        const CBigInteger v = Big(f[1]);
        if (f[2] == "OUT") {
            EXPECT_NY_THROW((void)static_cast<int>(v), CNyInvalidValueException, L"ERROR: Value out of bound of int.");
        } else {
            EXPECT_EQ(std::stoi(f[2]), static_cast<int>(v));
        }
    });
    ForEachCase("int64", 200, [](const std::vector<std::string>& f) {
        const CBigInteger v = Big(f[1]);
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
        EXPECT_EQ(f[2], Utf8(Big(f[1]).SquareRoot().ToString()));
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
