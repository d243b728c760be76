// Patterns that match in linear time accept values of any length; patterns
// that backtrack catastrophically still end in an exception on long values.
#include <nyxml/facets.h>

#include "values/FacetsCheck.h"

#include "TestSupport.h"

#include <chrono>
#include <string>

using namespace NyXmlLib9;

namespace {

CPrimitiveRestrictions Pattern(const wchar_t* pattern) {
    return CPrimitiveRestrictions(pattern, -1, -1, nullptr, nullptr, nullptr, nullptr, -1);
}

std::wstring Repeat(const std::wstring& unit, size_t length) {
    std::wstring text;
    while (text.size() < length) text += unit;
    text.resize(length);
    return text;
}

}  // namespace

TEST(PatternLength, LinearPatternsAcceptMillionCharacterValues) {
    struct Case {
        const wchar_t* pattern;
        std::wstring value;
    } cases[] = {
        {L"\\c*", Repeat(L"a.b-c:d_9", 1000000)},
        {L"(x|y)*", Repeat(L"xy", 1000000)},
        {L"((\\w|\\.)(-|:)?)*", Repeat(L"ab.-c:", 1000000)},
        {L"(\u00e9|x)*", Repeat(L"\u00e9x", 600000)},  // two UTF-8 bytes per character
        {L"[a-z]*", Repeat(L"q", 2000000)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(nyxml_test::Utf8(c.pattern));
        const CPrimitiveRestrictions facets = Pattern(c.pattern);
        CFacetCheck::CheckString(L"v", c.value, facets);
        // The first match still has to reach the end.
        const std::wstring bad = c.value + L"!";
        EXPECT_NY_THROW(CFacetCheck::CheckString(L"v", bad, facets), CNyException,
                        L"Invalid Value for v [" + bad + L"]");
    }
}

TEST(PatternLength, CatastrophicBacktrackingOnLongValuesStillEnds) {
    struct Case {
        const wchar_t* pattern;
        std::wstring value;
    } cases[] = {
        {L"([a-z]+)+[0-9]", std::wstring(200000, L'a') + L"!"},
        {L"(a|aa)+$", std::wstring(1000000, L'a') + L"b"},
        {L"([a-z]+)+[0-9]", std::wstring(40, L'a') + L"!"},
    };
    const auto start = std::chrono::steady_clock::now();
    for (const Case& c : cases) {
        SCOPED_TRACE(nyxml_test::Utf8(c.pattern));
        EXPECT_NY_THROW(CFacetCheck::CheckString(L"v", c.value, Pattern(c.pattern)), CNyException,
                        L"Failed to match the Regular Expression: " + std::wstring(c.pattern) +
                            L" Error: 'match limit exceeded'\nInvalid Value for v [" + c.value + L"]");
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}
