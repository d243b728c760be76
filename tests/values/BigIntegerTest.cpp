#include <nyxml/biginteger.h>
#include <nyxml/decimal.h>

#include "TestSupport.h"

using namespace NyXmlLib9;

TEST(CBigInteger, Smoke) {
    EXPECT_EQ(L"-123", CBigInteger(L"-000123").ToString());
}
