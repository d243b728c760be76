// The process-wide number of decimal places: a negative setting counts as 0.
#include <nyxml/decimal.h>

#include "TestSupport.h"

using namespace NyXmlLib9;

TEST(DecimalPlaces, NegativeSettingKeepsNoPlaces) {
    struct Restore {
        int places = CDecimal::GetMaxDecimalPlaces();
        ~Restore() { CDecimal::SetMaxDecimalPlaces(places); }
    } restore;
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
