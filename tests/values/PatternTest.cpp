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

TEST(PatternErrors, DeepNestingIsRefusedByTheCompiler) {
    std::wstring pattern;
    for (int i = 0; i < 5000; ++i) pattern += L"(";
    pattern += L"a";
    for (int i = 0; i < 5000; ++i) pattern += L")";
    EXPECT_NY_THROW(CFacetCheck::CheckString(L"v", L"a", Pattern(pattern)), CNyException,
                    L"Invalid Regular Expression: " + pattern +
                        L" Error: 'parentheses are too deeply nested'\nInvalid Value for v [a]");
}

TEST(PatternErrors, CatastrophicBacktrackingEndsCleanly) {
    const std::wstring value = std::wstring(30, L'a') + L"c";
    // PCRE2 sees at once that no "b" is present: a plain rejection.
    auto start = std::chrono::steady_clock::now();
    EXPECT_NY_THROW(CFacetCheck::CheckString(L"v", value, Pattern(L"(a+)+b")), CNyException, Invalid(L"v", value));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    // Without a literal to look for, the match limit stops the 2^30 paths.
    const std::wstring hostile = std::wstring(30, L'a') + L"!";
    start = std::chrono::steady_clock::now();
    EXPECT_NY_THROW(CFacetCheck::CheckString(L"v", hostile, Pattern(L"([a-z]+)+[0-9]")), CNyException,
                    L"Failed to match the Regular Expression: ([a-z]+)+[0-9] Error: 'match limit exceeded'\n"
                    L"Invalid Value for v [" + hostile + L"]");
    EXPECT_NY_THROW(CFacetCheck::CheckString(L"v", std::wstring(60, L'a') + L"b", Pattern(L"(a|aa)+$")), CNyException,
                    L"Failed to match the Regular Expression: (a|aa)+$ Error: 'match limit exceeded'\n"
                    L"Invalid Value for v [" + std::wstring(60, L'a') + L"b]");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    // The thread's matcher is still usable afterwards.
    CFacetCheck::CheckString(L"v", L"abc1", Pattern(L"([a-z]+)+[0-9]"));
}

TEST(PatternMatching, LongValues) {
    const std::wstring value(1 << 20, L'x');
    CFacetCheck::CheckString(L"v", value, Pattern(L"[a-z]*"));
    CFacetCheck::CheckString(L"v", value.substr(0, 200000), Pattern(L"(x|y)*"));
    EXPECT_NY_THROW(CFacetCheck::CheckString(L"v", value + L"1", Pattern(L"[a-z]*")), CNyException,
                    Invalid(L"v", value + L"1"));
    CFacetCheck::CheckString(L"v", value, Pattern(L"(x|y)*"));  // a repeated group, too
    CFacetCheck::CheckString(L"v", L"short", Pattern(L"[a-z]*"));
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
