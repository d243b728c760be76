// The bounds and the conversions must already work while other static objects
// of a program are being constructed.
#include <nyxml/biginteger.h>
#include <nyxml/decimal.h>

#include "TestSupport.h"

using namespace NyXmlLib9;

namespace {

// Everything it records is computed by its constructor, during static
// initialisation of the test program.
struct EarlyUser {
    std::wstring maxLong;
    std::wstring minLongLong;
    std::wstring maxDouble;
    std::wstring longOverflow;
    std::wstring intOverflow;
    std::wstring doubleOverflow;
    std::wstring third;
    int32_t converted = 0;

    EarlyUser() {
        maxLong = CBigInteger::MAX_LONG.ToString();
        minLongLong = CBigInteger::MIN_LONGLONG.ToString();
        maxDouble = CBigInteger::MAX_DOUBLE.ToString();
        try {
            CDecimal(L"2147483647.5").ToLong();
        } catch (const CNyException& e) {
            longOverflow = e.GetMessage();
        }
        try {
            (void)static_cast<int>(CBigInteger(L"2147483648"));
        } catch (const CNyException& e) {
            intOverflow = e.GetMessage();
        }
        try {
            (CDecimal(L"1.8e308")).ToDouble();
        } catch (const CNyException& e) {
            doubleOverflow = e.GetMessage();
        }
        third = (CDecimal(1) / CDecimal(3)).ToString();
        converted = CDecimal(L"-2147483648.4").ToLong();
    }
};

const EarlyUser early;

}  // namespace

TEST(CBigIntegerConstants, ReadyDuringStaticInitialisation) {
    EXPECT_EQ(L"2147483647", early.maxLong);
    EXPECT_EQ(L"-9223372036854775808", early.minLongLong);
    EXPECT_EQ(L"17" + std::wstring(307, L'0'), early.maxDouble);
    EXPECT_EQ(L"The Decimal value if to large to fit into a LONG", early.longOverflow);
    EXPECT_EQ(L"ERROR: Value out of bound of int.", early.intOverflow);
    EXPECT_EQ(L"The Decimal value if to large to fit into a Double", early.doubleOverflow);
    EXPECT_EQ(L"0.333333333333333333333333333333", early.third);
    EXPECT_EQ(INT32_MIN, early.converted);
}
