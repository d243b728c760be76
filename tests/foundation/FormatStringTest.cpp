#include <nyxml/foundation.h>

#include "TestSupport.h"

#include <climits>
#include <cstdint>
#include "foundation/TextInternal.h"
#include <gtest/gtest.h>
#include <string>

using namespace NyXmlLib9;

TEST(FormatString, Conversions) {
    std::wstring pair;
    pair += static_cast<wchar_t>(0xD83D);
    pair += static_cast<wchar_t>(0xDE00);
    struct Case {
        std::wstring expected;
        std::wstring actual;
    } cases[] = {
        {L"Index 5 is out of range, use 0 - 3", FormatString(L"Index %d is out of range, use 0 - %d", 5, 3)},
        // Strings: %s and %ls wide, %S and %hs narrow UTF-8 (a byte outside it reads as Latin-1).
        {L"[abc]", FormatString(L"[%s]", L"abc")},
        {L"[abc]", FormatString(L"[%ls]", L"abc")},
        {L"[abc]", FormatString(L"[%S]", "abc")},
        {L"[abc]", FormatString(L"[%hs]", "abc")},
        {L"(null)", FormatString(L"%s", static_cast<const wchar_t*>(nullptr))},
        {L"(null)", FormatString(L"%S", static_cast<const char*>(nullptr))},
        {L"caf\u00e9", FormatString(L"%S", "caf\xc3\xa9")},
        {L"a\u00ffb", FormatString(L"%S", "a\xff" "b")},
        {L"[" + pair + L"]", FormatString(L"[%s]", pair.c_str())},
        {L"x", FormatString(L"%c", L'x')},
        {L"y", FormatString(L"%C", 'y')},
        {L"z", FormatString(L"%hc", 'z')},
        {L"  q", FormatString(L"%3c", L'q')},
        {L"   ab", FormatString(L"%5s", L"ab")},
        {L"ab   |", FormatString(L"%-5s|", L"ab")},
        {L"abc", FormatString(L"%.3s", L"abcdef")},
        {L"  abc", FormatString(L"%*.*s", 5, 3, L"abcdef")},
        // Integers.
        {L"-42", FormatString(L"%d", -42)},
        {L"42", FormatString(L"%i", 42)},
        {L"4294967295", FormatString(L"%u", 0xFFFFFFFFu)},
        {L"0x0000002a", FormatString(L"0x%08x", 42)},
        {L"0x0000002A", FormatString(L"0x%08X", 42)},
        {L"07", FormatString(L"%02u", 7u)},
        {L"+5", FormatString(L"%+d", 5)},
        {L"17", FormatString(L"%o", 15)},
        {L"0xff", FormatString(L"%#x", 255)},
        {L"-9223372036854775808", FormatString(L"%I64d", static_cast<int64_t>(INT64_MIN))},
        {L"18446744073709551615", FormatString(L"%I64u", static_cast<uint64_t>(UINT64_MAX))},
        {L"123456789012", FormatString(L"%lld", 123456789012LL)},
        {L"100%", FormatString(L"%d%%", 100)},
        // Floats take three exponent digits.
        {L"1e+021", FormatString(L"%g", 1e21)},
        {L"1.5E-007", FormatString(L"%G", 1.5e-7)},
        {L"1.000000e+100", FormatString(L"%e", 1e100)},
        {L"3.141593", FormatString(L"%f", 3.14159265)},
        {L"3.1415927", FormatString(L"%.8g", 3.14159265)},
        {L"0.1000000000000", FormatString(L"%.13f", 0.1)},
        {L"1234567", FormatString(L"%.7g", 1234567.0)},
        {L"1.234568e+007", FormatString(L"%.7g", 12345678.0)},
        {L"  1e+021", FormatString(L"%8g", 1e21)},
        {L"-001e+021", FormatString(L"%09g", -1e21)},
    };
    for (const Case& c : cases) EXPECT_EQ(c.expected, c.actual);
}

TEST(FormatString, LongResultsAreWhole) {
    std::wstring s = FormatString(L"%f", 1e300);
    EXPECT_EQ(301u + 7u, s.size());
    EXPECT_EQ(L"1", s.substr(0, 1));
    EXPECT_EQ(L".000000", s.substr(s.size() - 7));
    std::wstring longText(200000, L'x');
    longText[12345] = L'y';
    EXPECT_EQ(L"Invalid value [" + longText + L"] end", FormatString(L"Invalid value [%s] end", longText.c_str()));
}

TEST(SameText, ComparesAStringWithATerminatedString) {
    struct Case {
        std::wstring text;
        const wchar_t* string;
        bool same;
    };
    const Case cases[] = {
        {L"", L"", true},
        {L"nil", L"nil", true},
        {L"nil", L"ni", false},       // the string ends first
        {L"ni", L"nil", false},       // the text ends first
        {L"", L"x", false},
        {L"x", L"", false},
        {L"type", L"typE", false},    // the last unit differs
        {L"http://www.w3.org/2001/XMLSchema-instance", L"http://www.w3.org/2001/XMLSchema-instance", true},
        {L"http://www.w3.org/2000/xmlns/", L"http://www.w3.org/2001/XMLSchema-instance", false},
        {std::wstring(L"a\0b", 3), L"a", false},  // a NUL inside the text is not the end of the string
        {std::wstring(L"a\0", 2), L"a", false},
        {std::wstring(L"\xD83D\xDE00", 2), L"\xD83D\xDE00", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
        EXPECT_EQ(c.same, SameText(c.text, c.string));
        EXPECT_EQ(c.same, c.text == c.string);  // the same answer as the plain comparison
    }
}
