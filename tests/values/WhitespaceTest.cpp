// CWhitespaceUtils: the preserve, replace and collapse rules and the dispatch on the rule value.
#include <nyxml/facets.h>

#include "TestSupport.h"

#include "values/WhitespaceInternal.h"

#include <string>

using NyXmlLib9::CNyInvalidParamException;
using NyXmlLib9::CWhitespaceUtils;

namespace {

typedef CWhitespaceUtils::WhitespaceRule Rule;

// The rules written out the plain way, character by character, as a reference.
std::wstring ReferenceRule(Rule rule, const std::wstring& text) {
    if (rule == CWhitespaceUtils::WhitespaceRule_None) return text;
    std::wstring noCr;
    for (wchar_t c : text)
        if (c != L'\r') noCr += c;
    if (rule == CWhitespaceUtils::WhitespaceRule_Preserve) return noCr;
    std::wstring replaced;
    for (wchar_t c : noCr) replaced += (c == L'\t' || c == L'\n') ? L' ' : c;
    if (rule == CWhitespaceUtils::WhitespaceRule_Replace) return replaced;
    std::wstring collapsed;
    for (wchar_t c : replaced)
        if (!(c == L' ' && (collapsed.empty() || collapsed.back() == L' '))) collapsed += c;
    if (!collapsed.empty() && collapsed.back() == L' ') collapsed.pop_back();
    return collapsed;
}

}  // namespace

TEST(CWhitespaceUtils, EveryShortTextOverTheInterestingAlphabet) {
    // All texts of up to six characters over {a, space, tab, LF, CR}: 5^0 + ... + 5^6 of them.
    const wchar_t alphabet[] = {L'a', L' ', L'\t', L'\n', L'\r'};
    const Rule rules[] = {CWhitespaceUtils::WhitespaceRule_None, CWhitespaceUtils::WhitespaceRule_Preserve,
                          CWhitespaceUtils::WhitespaceRule_Replace, CWhitespaceUtils::WhitespaceRule_Collapse};
    int count = 0;
    for (int length = 0; length <= 6; ++length) {
        int total = 1;
        for (int i = 0; i < length; ++i) total *= 5;
        for (int n = 0; n < total; ++n) {
            std::wstring text;
            for (int i = 0, k = n; i < length; ++i, k /= 5) text += alphabet[k % 5];
            for (Rule rule : rules) {
                const std::wstring expected = ReferenceRule(rule, text);
                ASSERT_EQ(expected, CWhitespaceUtils::ApplyRule(rule, text)) << n << " rule " << rule;
                std::wstring storage;
                ASSERT_EQ(expected, NyXmlLib9::WhitespaceDetail::ApplyRuleInPlace(rule, text, storage));
            }
            ++count;
        }
    }
    EXPECT_EQ(19531, count);
}

TEST(CWhitespaceUtils, PreserveWithACount) {
    EXPECT_EQ(L"ab", CWhitespaceUtils::Preserve(L"a\rbcd", 3));
    EXPECT_EQ(L"", CWhitespaceUtils::Preserve(L"abc", 0));
    EXPECT_EQ(L"", CWhitespaceUtils::Preserve(nullptr, 0));
    EXPECT_EQ(std::wstring(L"a\0b", 3), CWhitespaceUtils::Preserve(L"a\0b", 3));
    EXPECT_NY_THROW(CWhitespaceUtils::Preserve(L"abc", -1), CNyInvalidParamException,
                    L"Invalid character count [-1]");
    EXPECT_NY_THROW(CWhitespaceUtils::Preserve(nullptr, 4), CNyInvalidParamException,
                    L"A null text can not hold 4 characters");
}
