// CConversions: booleans, characters, strings, binary data, dates and their
// parts, durations, decimals and big integers.
#include <nyxml/conversions.h>

#include "TestSupport.h"

#include <cstdio>
#include <string>
#include <nyxml/facets.h>
#include "values/WhitespaceInternal.h"

using NyXmlLib9::CBigInteger;
using NyXmlLib9::CBinaryData;
using NyXmlLib9::CConversions;
using NyXmlLib9::CDateTime;
using NyXmlLib9::CDecimal;
using NyXmlLib9::CNyException;
using NyXmlLib9::CNyInvalidParamException;
using NyXmlLib9::CNyInvalidStateException;
using NyXmlLib9::CNyInvalidValueException;
using NyXmlLib9::CWhitespaceUtils;

namespace {

const CWhitespaceUtils::WhitespaceRule kNone = CWhitespaceUtils::WhitespaceRule_None;
const CWhitespaceUtils::WhitespaceRule kPreserve = CWhitespaceUtils::WhitespaceRule_Preserve;
const CWhitespaceUtils::WhitespaceRule kReplace = CWhitespaceUtils::WhitespaceRule_Replace;
const CWhitespaceUtils::WhitespaceRule kCollapse = CWhitespaceUtils::WhitespaceRule_Collapse;
const CWhitespaceUtils::WhitespaceRule kUnknown = static_cast<CWhitespaceUtils::WhitespaceRule>(7);

std::wstring BooleanMessage(const std::wstring& text) {
    return L"A Boolean Value read from an XML document was invalid [" + text +
           L"]. Valid values are 'true', 'false', '1', or '0'";
}

std::wstring CharMessage(const std::wstring& text) {
    return L"The value [" + text + L"] can not be a char as it is either empty of greater than 1 char long";
}

}  // namespace

TEST(ConversionsBoolean, AcceptsTheFourWordsInAnyCase) {
    const struct {
        const wchar_t* text;
        bool expected;
    } cases[] = {{L"true", true},  {L"TRUE", true},   {L"True", true},  {L"tRuE", true}, {L"1", true},
                 {L"false", false}, {L"False", false}, {L"FALSE", false}, {L"0", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(nyxml_test::Utf8(c.text));
        EXPECT_EQ(c.expected, CConversions::booleanFromString(c.text, kNone));
    }
    EXPECT_TRUE(CConversions::booleanFromString(L"  true \n", kCollapse));
    EXPECT_EQ(L"true", CConversions::booleanToString(true));
    EXPECT_EQ(L"false", CConversions::booleanToString(false));
}

TEST(ConversionsBoolean, RejectsEverythingElseQuotingTheOriginalText) {
    for (const wchar_t* text : {L"", L"yes", L"no", L"t", L"2", L"01", L"truee", L"true ", L" 1", L"-1", L"\x0131rue"}) {
        SCOPED_TRACE(nyxml_test::Utf8(text));
        EXPECT_NY_THROW(CConversions::booleanFromString(text, kNone), CNyInvalidValueException, BooleanMessage(text));
    }
    EXPECT_NY_THROW(CConversions::booleanFromString(L" yes ", kCollapse), CNyInvalidValueException,
                    BooleanMessage(L" yes "));
    EXPECT_NY_THROW(CConversions::booleanFromString(L"true", kUnknown), CNyException, L"Unknown WhitespaceRule");
}

TEST(ConversionsChar, ExactlyOneCodeUnit) {
    EXPECT_EQ(L'a', CConversions::charFromString(L"a", kNone));
    EXPECT_EQ(L' ', CConversions::charFromString(L" ", kNone));
    EXPECT_EQ(L' ', CConversions::charFromString(L"\t", kReplace));
    EXPECT_EQ(L'x', CConversions::charFromString(L" x ", kCollapse));
    EXPECT_EQ(static_cast<wchar_t>(0xFFFF), CConversions::charFromString(std::wstring(1, 0xFFFF), kNone));
    EXPECT_EQ(static_cast<wchar_t>(0xD800), CConversions::charFromString(std::wstring(1, 0xD800), kNone));
    EXPECT_NY_THROW(CConversions::charFromString(L"", kNone), CNyInvalidValueException, CharMessage(L""));
    EXPECT_NY_THROW(CConversions::charFromString(L"ab", kNone), CNyInvalidValueException, CharMessage(L"ab"));
    EXPECT_NY_THROW(CConversions::charFromString(L"  ", kCollapse), CNyInvalidValueException, CharMessage(L""));
    EXPECT_NY_THROW(CConversions::charFromString(L"a\r", kNone), CNyInvalidValueException, CharMessage(L"a\r"));
    EXPECT_EQ(L'a', CConversions::charFromString(L"a\r", kPreserve));
    const std::wstring pair = {static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDE00)};
    EXPECT_NY_THROW(CConversions::charFromString(pair, kNone), CNyInvalidValueException, CharMessage(pair));
    // An element above U+FFFF stands for two UTF-16 units.
    const std::wstring astral(1, static_cast<wchar_t>(0x1F600));
    EXPECT_NY_THROW(CConversions::charFromString(astral, kNone), CNyInvalidValueException, CharMessage(astral));
    EXPECT_EQ(L"a", CConversions::charToString(L'a'));
    EXPECT_EQ(L"", CConversions::charToString(0));
}

TEST(ConversionsString, OnlyTheWhitespaceRuleApplies) {
    const std::wstring text = L"  a \t\r\n b  ";
    EXPECT_EQ(text, CConversions::stringFromString(text, kNone));
    EXPECT_EQ(L"  a \t\n b  ", CConversions::stringFromString(text, kPreserve));
    EXPECT_EQ(L"  a    b  ", CConversions::stringFromString(text, kReplace));
    EXPECT_EQ(L"a b", CConversions::stringFromString(text, kCollapse));
    EXPECT_EQ(text, CConversions::stringToString(text));
    EXPECT_NY_THROW(CConversions::stringFromString(text, kUnknown), CNyException, L"Unknown WhitespaceRule");
}

TEST(ConversionsBinary, HexAndBase64) {
    const unsigned char bytes[] = {0x00, 0x1F, 0xAB, 0xFF};
    const CBinaryData data(const_cast<unsigned char*>(bytes), 4, false);
    EXPECT_EQ(L"001FABFF", CConversions::hexBinaryToString(data));
    EXPECT_EQ(L"AB+r/w==", CConversions::base64BinaryToString(data));
    EXPECT_TRUE(data == CConversions::hexBinaryFromString(L"001fabFF", kNone));
    EXPECT_TRUE(data == CConversions::hexBinaryFromString(L" 001FABFF\r\n", kCollapse));
    EXPECT_TRUE(data == CConversions::base64BinaryFromString(L"AB+r/w==", kNone));
    EXPECT_TRUE(data == CConversions::base64BinaryFromString(L"AB+r\r\n/w==", kPreserve));
    EXPECT_NY_THROW(CConversions::hexBinaryFromString(L"0G", kNone), CNyException,
                    L"Invalid char in hex string [G]");
    // The binary decoder raises its own CNyException; collapse leaves the inner blank.
    EXPECT_NY_THROW(CConversions::hexBinaryFromString(L"00 1F", kCollapse), CNyException,
                    L"Invalid char in hex string [ ]");
    EXPECT_EQ(0u, CConversions::base64BinaryFromString(L"AB*r", kNone).GetLength());
    EXPECT_NY_THROW(CConversions::hexBinaryFromString(L"00", kUnknown), CNyException, L"Unknown WhitespaceRule");
}

TEST(ConversionsDate, DateTimeAndTime) {
    const CDateTime dt = CConversions::datetimeFromString(L" 2001-02-03T04:05:06.5Z ", kCollapse);
    EXPECT_EQ(CDateTime::dt_dateTime, dt.GetType());
    EXPECT_EQ(L"2001-02-03T04:05:06.5Z", CConversions::datetimeToString(dt));
    const CDateTime t = CConversions::timeFromString(L"23:59:59.123456789-05:00", kNone);
    EXPECT_EQ(CDateTime::dt_time, t.GetType());
    EXPECT_EQ(L"23:59:59.123456789-05:00", CConversions::timeToString(t));
    EXPECT_NY_THROW(CConversions::datetimeFromString(L"2001-02-03", kNone), CNyInvalidValueException,
                    L"Invalid XSD DateTime [2001-02-03]");
    EXPECT_NY_THROW(CConversions::timeFromString(L"24:00:00", kNone), CNyInvalidValueException,
                    L"Invalid XSD Time [24:00:00] expected hh:mm:ss[.ff]");
    EXPECT_NY_THROW(CConversions::dateFromString(L"", kNone), CNyInvalidValueException,
                    L"Invalid Date (Empty String)");
    EXPECT_NY_THROW(CConversions::dateFromString(L"2001-02-03 ", kNone), CNyInvalidValueException,
                    L"Invalid XSD Date [2001-02-03 ] expected CCYY-MM-DD[Z|[+|-]hh:mm]");
    EXPECT_NY_THROW(CConversions::timeFromString(L"12:00:00", kUnknown), CNyException, L"Unknown WhitespaceRule");
}

TEST(ConversionsDateParts, Years) {
    EXPECT_EQ(L"5", CConversions::yearToString(5));
    EXPECT_EQ(L"2024", CConversions::yearToString(2024));
    EXPECT_EQ(L"65535", CConversions::yearToString(65535));
    EXPECT_EQ(2024, CConversions::yearFromString(L"2024", kNone));
    EXPECT_EQ(2024, CConversions::yearFromString(L"2024-06", kNone));
    EXPECT_EQ(2024, CConversions::yearFromString(L" 2024-06-11Z ", kCollapse));
    EXPECT_EQ(1, CConversions::yearFromString(L"0001", kNone));
    // A form without a year fails in GetYear; without a month or day likewise.
    EXPECT_NY_THROW(CConversions::yearFromString(L"--05", kNone), CNyInvalidStateException,
                    L"Failed to GetYear. Invalid Date Type: gMonth.");
    EXPECT_NY_THROW(CConversions::monthFromString(L"2001", kNone), CNyInvalidStateException,
                    L"Failed to GetMonth. Invalid Date Type: gYear.");
    EXPECT_NY_THROW(CConversions::dayFromString(L"2001-05", kNone), CNyInvalidStateException,
                    L"Failed to GetDay. Invalid Date Type: gYearMonth.");
    EXPECT_NY_THROW(CConversions::yearFromString(L"0000", kNone), CNyInvalidValueException,
                    L"Invalid Year [0] (-9999 <= year <= 9999 && year != 0)");
    EXPECT_NY_THROW(CConversions::yearFromString(L"5", kNone), CNyInvalidValueException,
                    L"Invalid XSD Date [5] expected CCYY-MM-DD[Z|[+|-]hh:mm]");
    EXPECT_NY_THROW(CConversions::dayFromString(L"5", kNone), CNyInvalidValueException,
                    L"Invalid XSD Date [5] expected CCYY-MM-DD[Z|[+|-]hh:mm]");
}

TEST(ConversionsDecimal, ParseAndPlaces) {
    const CDecimal value = CConversions::decimalFromString(L" 12.50 ", kCollapse);
    EXPECT_EQ(L"12.5", CConversions::decimalToString(value));
    EXPECT_EQ(L"12.5", CConversions::decimalToString(value, nullptr));
    EXPECT_EQ(L"12.500", CConversions::decimalToString(value, L"3"));
    EXPECT_EQ(L"13.", CConversions::decimalToString(value, L"0"));
    // _wtoi rules: blanks, sign, leading digits; 0 when there are none.
    EXPECT_EQ(L"12.50", CConversions::decimalToString(value, L"  +2xyz"));
    EXPECT_EQ(L"13.", CConversions::decimalToString(value, L"abc"));
    EXPECT_EQ(L"13.", CConversions::decimalToString(value, L""));
    EXPECT_NY_THROW(CConversions::decimalToString(value, L"-1"), CNyInvalidParamException,
                    L"The number of decimal places must not be negative [-1]");
    // A count beyond int is held to the int range, then refused as negative or allowed as huge.
    EXPECT_NY_THROW(CConversions::decimalToString(value, L"-99999999999999999999"), CNyInvalidParamException,
                    L"The number of decimal places must not be negative [-2147483648]");
    EXPECT_NY_THROW(CConversions::decimalFromString(L"1.2.3", kNone), CNyInvalidValueException,
                    L"The string representing a Decimal, contained an invalid char at position 3 [1.2.3]");
    EXPECT_NY_THROW(CConversions::decimalFromString(L"1", kUnknown), CNyException, L"Unknown WhitespaceRule");
}

TEST(ConversionsInteger, BigIntegers) {
    const std::wstring digits = L"-123456789012345678901234567890123456789";
    const CBigInteger value = CConversions::integerFromString(L"\t" + digits + L"\n", kCollapse);
    EXPECT_EQ(digits, CConversions::integerToString(value));
    EXPECT_EQ(L"0", CConversions::integerToString(CConversions::integerFromString(L"0", kNone)));
    EXPECT_NY_THROW(CConversions::integerFromString(L"1", kUnknown), CNyException, L"Unknown WhitespaceRule");
}

// CWhitespaceUtils: the preserve, replace and collapse rules and the dispatch on the rule value.
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
