// The pattern facet: translation into PCRE2 syntax, whole-value matching with
// the first-match rule, patterns from real schemas, bad and hostile patterns,
// and the compile-once cache shared by copies and threads.
#include <nyxml/facets.h>

#include "TestSupport.h"

#include "values/FacetsCheck.h"
#include "values/PatternInternal.h"

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>
#include <nyxml/variant.h>

using NyXmlLib9::CFacetCheck;
using NyXmlLib9::CNyException;
using NyXmlLib9::CPrimitiveRestrictions;
using NyXmlLib9::PatternDetail::TranslatePattern;
using namespace NyXmlLib9;
using nyxml_test::Since;

namespace {

CPrimitiveRestrictions Pattern(const std::wstring& pattern) {
    return CPrimitiveRestrictions(pattern.c_str(), -1, -1, L"", L"", L"", L"", -1);
}

std::wstring Invalid(const std::wstring& name, const std::wstring& value) {
    return L"Invalid Value for " + name + L" [" + value + L"]";
}

struct PatternCase {
    const wchar_t* pattern;
    std::vector<std::wstring> accepted;
    std::vector<std::wstring> rejected;
};

void RunCases(const std::vector<PatternCase>& cases) {
    for (const PatternCase& c : cases) {
        SCOPED_TRACE(nyxml_test::Utf8(c.pattern));
        const CPrimitiveRestrictions facets = Pattern(c.pattern);
        for (const std::wstring& value : c.accepted) {
            try {
                CFacetCheck::CheckString(L"v", value, facets);
            } catch (const CNyException& error) {
                ADD_FAILURE() << "rejected " << nyxml_test::Utf8(value) << ": " << nyxml_test::Utf8(error.GetFullMessage());
            }
        }
        for (const std::wstring& value : c.rejected) {
            SCOPED_TRACE("rejects " + nyxml_test::Utf8(value));
            EXPECT_NY_THROW(CFacetCheck::CheckString(L"v", value, facets), CNyException, Invalid(L"v", value));
        }
    }
}

}  // namespace

TEST(PatternTranslation, ReplacesTheXsdEscapes) {
    const struct {
        const char* xsd;
        const char* pcre;
    } cases[] = {
        {"\\i", "([^\\W\\d]|:)"},
        {"\\I", "([\\W\\d])"},
        {"\\c", "(\\w|\\.|-|:)"},
        {"\\C", "([^\\w\\.\\-\\:])"},
        {"\\i\\c*", "([^\\W\\d]|:)(\\w|\\.|-|:)*"},
        {"\\p{IsBasicLatin}", "[\\000-\\177]"},
        {"\\p{IsLatin-1Supplement}", "[\\200-\\377]"},
        {"\\p{IsLatinExtended-A}", "[\\400-\\577]"},
        {"\\p{IsLatinExtended-B}", "[\\x{180}-\\x{24F}]"},
        // An escaped backslash is not the start of an escape.
        {"\\\\i", "\\\\i"},
        {"\\\\\\i", "\\\\([^\\W\\d]|:)"},
        {"a\\\\c\\\\", "a\\\\c\\\\"},
        // No look at the context: inside a class too.
        {"[\\i]", "[([^\\W\\d]|:)]"},
        // Everything else passes unchanged.
        {"\\p{IsGreek}\\P{IsBasicLatin}[a-z-[aeiou]]\\d\\w", "\\p{IsGreek}\\P{IsBasicLatin}[a-z-[aeiou]]\\d\\w"},
        {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.xsd);
        EXPECT_EQ(c.pcre, TranslatePattern(c.xsd));
    }
}

TEST(PatternMatching, TextBeyondTheBasicPlane) {
    const std::wstring pair = {static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDE00)};
    const std::wstring astral(1, static_cast<wchar_t>(0x1F600));
    const std::wstring lone(1, static_cast<wchar_t>(0xD800));
    // A surrogate pair (or an element above U+FFFF) is one character to the pattern.
    RunCases({
        {L".", {pair, astral, lone, L"\x00E9"}, {L"ab", L""}},
        {L".{2}", {pair + L"x", L"xy"}, {pair}},
        {L"\\x{1F600}", {pair, astral}, {L"x"}},
    });
}

TEST(PatternErrors, InvalidPatternsRaiseAtEveryCheck) {
    const struct {
        const wchar_t* pattern;
        const wchar_t* error;
    } cases[] = {
        {L"(", L"missing closing parenthesis"},
        {L"[a-", L"missing terminating ] for character class"},
        {L"a{2,1}", L"numbers out of order in {} quantifier"},
        {L"*a", L"quantifier does not follow a repeatable item"},
        {L"\\p{IsGreek}", L"unknown property after \\P or \\p"},
        {L"[z-a]", L"range out of order in character class"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(nyxml_test::Utf8(c.pattern));
        const CPrimitiveRestrictions facets = Pattern(c.pattern);
        const std::wstring expected = std::wstring(L"Invalid Regular Expression: ") + c.pattern + L" Error: '" +
                                      c.error + L"'\nInvalid Value for v [abc]";
        for (int i = 0; i < 2; ++i)
            EXPECT_NY_THROW(CFacetCheck::CheckString(L"v", L"abc", facets), CNyException, expected);
        // Length facets come first and still reject on their own.
        const CPrimitiveRestrictions withLength(c.pattern, 5, -1, L"", L"", L"", L"", -1);
        EXPECT_NY_THROW(CFacetCheck::CheckString(L"v", L"abc", withLength), CNyException, Invalid(L"v", L"abc"));
    }
}

// A compiled pattern is shared by the threads that check it from the first
// check on, and by copies of its facets made on those threads.
TEST(PatternCache, SharedByThreadsAndByCopies) {
    const CPrimitiveRestrictions facets = Pattern(L"[A-Z]{2}\\d{4}");
    std::atomic<int> failures{0};
    std::atomic<bool> go{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&, t] {
            while (!go.load()) std::this_thread::yield();
            for (int i = 0; i < 500; ++i) {
                const CPrimitiveRestrictions copy(facets);
                const CPrimitiveRestrictions& used = (i + t) % 2 ? copy : facets;
                try {
                    CFacetCheck::CheckString(L"v", L"AB1234", used);
                } catch (...) {
                    ++failures;
                }
                try {
                    CFacetCheck::CheckString(L"v", (t % 2) ? L"ab1234" : L"AB123", used);
                    ++failures;  // should have been rejected
                } catch (const CNyException&) {
                }
            }
        });
    }
    go = true;
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(0, failures.load());
}

// Patterns that match in linear time accept values of any length; patterns
// that backtrack catastrophically still end in an exception on long values.
namespace {

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
    // The thread's matcher is still usable afterwards.
    CFacetCheck::CheckString(L"v", L"abc1", Pattern(L"([a-z]+)+[0-9]"));
}

// Lexical values and patterns built to hurt: exponents far out of range,
// a million digits, quantifiers too large to compile, nesting too deep and
// backtracking without end. Each ends in a value or one exception, quickly.
namespace {


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
