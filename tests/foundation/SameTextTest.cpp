#include "foundation/TextInternal.h"

#include <gtest/gtest.h>

#include <string>

using namespace NyXmlLib9;

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
