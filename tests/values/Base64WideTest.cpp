// Base64 text whose elements lie above U+FFFF is read as UTF-16: each such
// element is its surrogate pair, and each unit is reduced to its low seven bits.
#include <nyxml/binarydata.h>

#include "TestSupport.h"

#include <string>

using namespace NyXmlLib9;
using nyxml_test::Utf8;

TEST(Base64Wide, ElementsAboveTheBmpAreTheirSurrogatePairs) {
    struct Case {
        std::wstring text;
        std::string bytes;
    } cases[] = {
        // U+20442 is D841 DC42: the units reduce to 'A' and 'B', twelve bits.
        {std::wstring(L"YWJj") + wchar_t(0x20442) + L"CD", std::string("abc\x00\x10\x83", 6)},
        // As the same text written as its two units.
        {std::wstring(L"YWJj") + wchar_t(0xD841) + wchar_t(0xDC42) + L"CD", std::string("abc\x00\x10\x83", 6)},
        // U+1F600 is D83D DE00: '=' (skipped), then an invalid unit.
        {std::wstring(L"YWJj") + wchar_t(0x1F600), ""},
        // U+10041 is D800 DC41: the first unit is invalid.
        {std::wstring(L"YW") + wchar_t(0x10041) + L"j", ""},
        // Beyond U+10FFFF there is no character.
        {std::wstring(L"YWJj") + wchar_t(0x110041), ""},
        // Several in one group of four, read one by one.
        {std::wstring(1, wchar_t(0x20442)) + wchar_t(0x20442), std::string("\x00\x10\x01", 3)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Utf8(c.text));
        CBinaryData data;
        data.SetAsBase64(c.text.c_str());
        EXPECT_EQ(c.bytes, std::string(reinterpret_cast<const char*>(data.GetData()), data.GetLength()));
    }
}

TEST(Base64Wide, LongAstralTextFitsItsBuffer) {
    // 30,000 elements give 60,000 six-bit units: 45,000 bytes, twice what the
    // element count alone would make room for.
    std::wstring text(30000, wchar_t(0x20442));
    CBinaryData data;
    data.SetAsBase64(text.c_str());
    ASSERT_EQ(45000u, data.GetLength());
    EXPECT_EQ(0x00, data.GetData()[0]);
    EXPECT_EQ(0x10, data.GetData()[1]);
    EXPECT_EQ(0x01, data.GetData()[44999]);
}
