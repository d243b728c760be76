// CDecimal against results computed independently with Python's decimal
// module (tests/tools/gen_decimal_cases.py).
#include <nyxml/biginteger.h>
#include <nyxml/decimal.h>

#include "DecimalCases.h"
#include "TestSupport.h"

#include <cstdlib>
#include <map>

using namespace NyXmlLib9;
using nyxml_test::DecimalCase;
using nyxml_test::Utf8;
using nyxml_test::Wide;

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
    std::map<std::string, int> seen;
    for (const char* op : {"add", "sub", "mul", "div"}) {
        ForEachCase(op, 100, [op](const std::vector<std::string>& f) {
            const CDecimal a(Wide(f[1]).c_str());
            const CDecimal b(Wide(f[2]).c_str());
            const std::string name(op);
            CDecimal result;
            CDecimal compound(a);
            if (name == "add") {
                result = a + b;
                compound += b;
            } else if (name == "sub") {
                result = a - b;
                compound -= b;
            } else if (name == "mul") {
                result = a * b;
                compound *= b;
            } else {
                result = a / b;
                compound /= b;
            }
            EXPECT_EQ(f[3], Utf8(result.ToString()));
            EXPECT_EQ(f[3], Utf8(compound.ToString()));
        });
    }
}

TEST(CDecimalDifferential, Comparison) {
    ForEachCase("cmp", 300, [](const std::vector<std::string>& f) {
        const CDecimal a(Wide(f[1]).c_str());
        const CDecimal b(Wide(f[2]).c_str());
        const int expected = std::stoi(f[3]);
        EXPECT_EQ(expected == 0, a == b);
        EXPECT_EQ(expected != 0, a != b);
        EXPECT_EQ(expected < 0, a < b);
        EXPECT_EQ(expected > 0, a > b);
        EXPECT_EQ(expected <= 0, a <= b);
        EXPECT_EQ(expected >= 0, a >= b);
    });
}

TEST(CDecimalDifferential, RoundedForm) {
    ForEachCase("round", 400, [](const std::vector<std::string>& f) {
        EXPECT_EQ(f[3], Utf8(CDecimal(Wide(f[1]).c_str()).ToString(std::stoi(f[2]))));
    });
}

TEST(CDecimalDifferential, ToLong) {
    ForEachCase("long", 200, [](const std::vector<std::string>& f) {
        const CDecimal d(Wide(f[1]).c_str());
        if (f[2] == "OVERFLOW") {
            EXPECT_NY_THROW(d.ToLong(), CNyOverFlowException, L"The Decimal value if to large to fit into a LONG");
        } else {
            EXPECT_EQ(std::stoll(f[2]), d.ToLong());
        }
    });
}

TEST(CDecimalDifferential, ToLongLong) {
    ForEachCase("longlong", 200, [](const std::vector<std::string>& f) {
        const CDecimal d(Wide(f[1]).c_str());
        if (f[2] == "OVERFLOW") {
            EXPECT_NY_THROW(d.ToLongLong(), CNyOverFlowException,
                            L"The Decimal value if to large to fit into a LONGLONG");
        } else {
            EXPECT_EQ(std::stoll(f[2]), d.ToLongLong());
        }
    });
}

TEST(CDecimalDifferential, ToDouble) {
    ForEachCase("double", 200, [](const std::vector<std::string>& f) {
        const CDecimal d(Wide(f[1]).c_str());
        if (f[2] == "OVERFLOW") {
            EXPECT_NY_THROW(d.ToDouble(), CNyOverFlowException, L"The Decimal value if to large to fit into a Double");
        } else {
            EXPECT_EQ(std::strtod(f[2].c_str(), nullptr), d.ToDouble());
        }
    });
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
