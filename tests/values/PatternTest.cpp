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

using NyXmlLib9::CFacetCheck;
using NyXmlLib9::CNyException;
using NyXmlLib9::CPrimitiveRestrictions;
using NyXmlLib9::PatternDetail::TranslatePattern;
using namespace NyXmlLib9;

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

TEST(PatternCache, SharedByThreadsFromTheFirstCheck) {
    const CPrimitiveRestrictions facets = Pattern(L"[A-Z]{2}\\d{4}");
    std::atomic<int> failures{0};
    std::atomic<bool> go{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&, t] {
            while (!go.load()) std::this_thread::yield();
            for (int i = 0; i < 500; ++i) {
                try {
                    CFacetCheck::CheckString(L"v", L"AB1234", facets);
                } catch (...) {
                    ++failures;
                }
                try {
                    CFacetCheck::CheckString(L"v", (t % 2) ? L"ab1234" : L"AB123", facets);
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

TEST(PatternCache, CopiesMadeOnOtherThreads) {
    const CPrimitiveRestrictions facets = Pattern(L"\\i\\c*");
    std::vector<std::thread> threads;
    std::atomic<int> failures{0};
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 200; ++i) {
                CPrimitiveRestrictions copy(facets);
                try {
                    CFacetCheck::CheckString(L"v", L"xs:abc", copy);
                    CFacetCheck::CheckString(L"v", L"ok", facets);
                } catch (...) {
                    ++failures;
                }
            }
        });
    }
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
