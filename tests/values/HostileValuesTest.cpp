// Lexical values and patterns built to hurt: exponents far out of range,
// a million digits, quantifiers too large to compile, nesting too deep and
// backtracking without end. Each ends in a value or one exception, quickly.
#include <nyxml/facets.h>
#include <nyxml/variant.h>

#include "TestSupport.h"
#include "values/FacetsCheck.h"

#include <chrono>
#include <string>

using namespace NyXmlLib9;

namespace {

double Since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The exception's class and whole message, its two ends shown when they differ.
void ExpectThrown(const CNyException& e, const std::type_info& type, const std::wstring& expected) {
    const std::wstring m = e.GetFullMessage();
    EXPECT_EQ(type.name(), std::string(typeid(e).name()));
    EXPECT_TRUE(m == expected) << nyxml_test::Utf8(m.substr(0, 100)) << " ... "
                               << nyxml_test::Utf8(m.substr(m.size() > 100 ? m.size() - 100 : 0));
}

}  // namespace

TEST(HostileValues, HugeExponentsAndAMillionDigits) {
    const std::wstring million(1000000, L'7');
    struct Case {
        const char* name;
        std::wstring text;
        ItemType type;
        std::wstring written;  // when the value reads
        std::wstring error;    // CNyInvalidValueException otherwise
    };
    const Case cases[] = {
        {"integer exponent", L"-1e999999999", ItemType_integer, L"",
         L"The string representing a Decimal, contained an exponent out of range [-1e999999999]"},
        {"decimal of a million digits", million, ItemType_decimal, million, L""},
        {"integer of a million digits", L"-" + million, ItemType_integer, L"-" + million, L""},
        {"double exponent", L"1E999999999", ItemType_r8, L"INF", L""},
        {"double of a million digits", million, ItemType_r8, L"INF", L""},
        {"double tiny exponent", L"-1E-999999999", ItemType_r8, L"-0", L""},
        {"float of a million digits", million, ItemType_r4, L"INF", L""},
        {"i8 of a million digits", million, ItemType_i8, L"",
         L"The value [" + million + L"] is to large to fit in a i8"},
        {"year of a million digits", million, ItemType_year, L"",
         L"Invalid XSD Date [" + million + L"] expected CCYY-MM-DD[Z|[+|-]hh:mm]"},
        {"time with a million fraction digits", L"00:00:00." + million, ItemType_time, L"",
         L"Invalid XSD Time [00:00:00." + million + L"] Fraction part too long"},
        {"base64 of a million characters", std::wstring(1000000, L'A'), ItemType_base64Binary,
         std::wstring(1000000, L'A'), L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto start = std::chrono::steady_clock::now();
        NyVariant value;
        try {
            value.FromString(c.text, c.type, CWhitespaceUtils::WhitespaceRule_Collapse);
            EXPECT_TRUE(c.error.empty());
            std::wstring written = value.ToString(nullptr);
            EXPECT_TRUE(written == c.written) << nyxml_test::Utf8(written.substr(0, 80));
        } catch (const CNyException& e) {
            ExpectThrown(e, typeid(CNyInvalidValueException), c.error);
        }
        EXPECT_LT(Since(start), 1.0);
    }
}

TEST(HostilePatterns, CompileAndMatchEndInAnAnswerOrOneException) {
    const std::wstring deep = std::wstring(100000, L'(') + L"a" + std::wstring(100000, L')');
    const std::wstring longValue(1000000, L'a');
    struct Case {
        const char* name;
        std::wstring pattern;
        std::wstring value;
        std::wstring error;  // empty: the value matches
    };
    const Case cases[] = {
        {"exponential backtracking", L"(a+)+b", std::wstring(40, L'a') + L"c",
         L"Invalid Value for v [" + std::wstring(40, L'a') + L"c]"},
        {"alternation backtracking", L"(a|a)*b", std::wstring(100000, L'a'),
         L"Invalid Value for v [" + std::wstring(100000, L'a') + L"]"},
        {"quantifier too large", L"a{1000000000}", L"a",
         L"Invalid Regular Expression: a{1000000000} Error: 'number too big in {} quantifier'\nInvalid Value for v [a]"},
        {"groups nested 100,000 deep", deep, L"a",
         L"Invalid Regular Expression: " + deep + L" Error: 'parentheses are too deeply nested'\nInvalid Value for v [a]"},
        {"class of 100,000 characters", L"[" + std::wstring(100000, L'b') + L"a]", L"a", L""},
        // The matching limits grow with the value, so a linear pattern accepts it.
        {"repeated group over a million characters", L"(\\c|\\s)*", longValue, L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto start = std::chrono::steady_clock::now();
        try {
            CPrimitiveRestrictions facets(c.pattern.c_str(), -1, -1, L"", L"", L"", L"", -1);
            CFacetCheck::CheckString(L"v", c.value, facets);
            EXPECT_TRUE(c.error.empty());
        } catch (const CNyException& e) {
            ExpectThrown(e, typeid(CNyException), c.error);
        }
        EXPECT_LT(Since(start), 2.0);
    }
}
