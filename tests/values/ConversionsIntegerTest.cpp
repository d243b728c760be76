// CConversions: whole numbers of every width, read as the C runtime reads
// them, with explicit 32-bit range checks, and printed in decimal.
#include <nyxml/conversions.h>

#include "TestSupport.h"

#include <cstdint>
#include <limits>
#include <string>

using NyXmlLib9::CConversions;
using NyXmlLib9::CNyException;
using NyXmlLib9::CNyInvalidValueException;
using NyXmlLib9::CWhitespaceUtils;

namespace {

const CWhitespaceUtils::WhitespaceRule kNone = CWhitespaceUtils::WhitespaceRule_None;
const CWhitespaceUtils::WhitespaceRule kPreserve = CWhitespaceUtils::WhitespaceRule_Preserve;
const CWhitespaceUtils::WhitespaceRule kReplace = CWhitespaceUtils::WhitespaceRule_Replace;
const CWhitespaceUtils::WhitespaceRule kCollapse = CWhitespaceUtils::WhitespaceRule_Collapse;

std::wstring TooLarge(const std::wstring& text, const std::wstring& type) {
    return L"The value [" + text + L"] is to large to fit in a " + type;
}

std::wstring NotConverted(const std::wstring& text, const std::wstring& type) {
    return L"The value [" + text + L"] can not be converted to a " + type;
}

}  // namespace

TEST(ConversionsInteger, I4RangeErrorsComeBeforeSyntaxErrors) {
    const wchar_t* tooLarge[] = {L"2147483648", L"-2147483649", L"99999999999", L"4294967296",
                                 L"18446744073709551616", L"99999999999999999999999x", L"  +2147483648"};
    for (const wchar_t* text : tooLarge) {
        SCOPED_TRACE(nyxml_test::Utf8(text));
        EXPECT_NY_THROW(CConversions::i4FromString(text, kNone), CNyInvalidValueException, TooLarge(text, L"i4"));
    }
    const wchar_t* invalid[] = {L"abc", L"12 ", L"1.5", L"1e3", L"+", L"-", L" ", L"+-1", L"0x10", L"12a",
                                L"\x0661", L"--1"};
    for (const wchar_t* text : invalid) {
        SCOPED_TRACE(nyxml_test::Utf8(text));
        EXPECT_NY_THROW(CConversions::i4FromString(text, kNone), CNyInvalidValueException, NotConverted(text, L"i4"));
    }
}

TEST(ConversionsInteger, WhitespaceRuleIsAppliedFirst) {
    EXPECT_NY_THROW(CConversions::i4FromString(L"12 ", kNone), CNyInvalidValueException, NotConverted(L"12 ", L"i4"));
    EXPECT_EQ(12, CConversions::i4FromString(L"12 ", kCollapse));
    EXPECT_EQ(12, CConversions::i4FromString(L"\t12\r\n", kCollapse));
    EXPECT_EQ(12, CConversions::i4FromString(L"1\r2", kPreserve));
    // Replace keeps the trailing blank, and the message quotes the replaced text.
    EXPECT_NY_THROW(CConversions::i4FromString(L"12\t", kReplace), CNyInvalidValueException,
                    NotConverted(L"12 ", L"i4"));
    EXPECT_NY_THROW(CConversions::i4FromString(L"1 2", kCollapse), CNyInvalidValueException,
                    NotConverted(L"1 2", L"i4"));
    EXPECT_NY_THROW(CConversions::i4FromString(L"12", static_cast<CWhitespaceUtils::WhitespaceRule>(4)), CNyException,
                    L"Unknown WhitespaceRule");
    EXPECT_NY_THROW(CConversions::i8FromString(L"12", static_cast<CWhitespaceUtils::WhitespaceRule>(-1)), CNyException,
                    L"Unknown WhitespaceRule");
}

TEST(ConversionsInteger, I8Boundaries) {
    EXPECT_EQ(INT64_MAX, CConversions::i8FromString(L"9223372036854775807", kNone));
    EXPECT_EQ(INT64_MIN, CConversions::i8FromString(L"-9223372036854775808", kNone));
    EXPECT_EQ(0, CConversions::i8FromString(L"", kNone));
    EXPECT_EQ(-42, CConversions::i8FromString(L" \t-42", kNone));
    for (const wchar_t* text : {L"9223372036854775808", L"-9223372036854775809", L"18446744073709551616",
                                L"123456789012345678901234567890"}) {
        SCOPED_TRACE(nyxml_test::Utf8(text));
        EXPECT_NY_THROW(CConversions::i8FromString(text, kNone), CNyInvalidValueException, TooLarge(text, L"i8"));
    }
    EXPECT_NY_THROW(CConversions::i8FromString(L"1_000", kNone), CNyInvalidValueException,
                    NotConverted(L"1_000", L"i8"));
}

TEST(ConversionsInteger, UnsignedNegationWrapsAsTheRuntimeDoes) {
    EXPECT_EQ(4294967295u, CConversions::ui4FromString(L"-1", kNone));
    EXPECT_EQ(1u, CConversions::ui4FromString(L"-4294967295", kNone));
    EXPECT_EQ(4294967295u, CConversions::ui4FromString(L"4294967295", kNone));
    EXPECT_EQ(0u, CConversions::ui4FromString(L"", kNone));
    EXPECT_EQ(UINT64_MAX, CConversions::ui8FromString(L"-1", kNone));
    EXPECT_EQ(UINT64_MAX, CConversions::ui8FromString(L"18446744073709551615", kNone));
    EXPECT_EQ(1u, CConversions::ui8FromString(L"-18446744073709551615", kNone));
    for (const wchar_t* text : {L"4294967296", L"-4294967296", L"99999999999"}) {
        SCOPED_TRACE(nyxml_test::Utf8(text));
        EXPECT_NY_THROW(CConversions::ui4FromString(text, kNone), CNyInvalidValueException, TooLarge(text, L"ui4"));
    }
    for (const wchar_t* text : {L"18446744073709551616", L"-18446744073709551616"}) {
        SCOPED_TRACE(nyxml_test::Utf8(text));
        EXPECT_NY_THROW(CConversions::ui8FromString(text, kNone), CNyInvalidValueException, TooLarge(text, L"ui8"));
    }
    EXPECT_NY_THROW(CConversions::ui4FromString(L"x1", kNone), CNyInvalidValueException, NotConverted(L"x1", L"ui4"));
    EXPECT_NY_THROW(CConversions::ui8FromString(L"1 ", kNone), CNyInvalidValueException, NotConverted(L"1 ", L"ui8"));
}

TEST(ConversionsInteger, HugeTexts) {
    const std::wstring zeros(1 << 20, L'0');
    EXPECT_EQ(7, CConversions::i4FromString(zeros + L"7", kNone));
    EXPECT_EQ(-7, CConversions::i8FromString(L"-" + zeros + L"7", kNone));
    const std::wstring nines(1 << 20, L'9');
    EXPECT_NY_THROW(CConversions::i4FromString(nines, kNone), CNyInvalidValueException, TooLarge(nines, L"i4"));
    EXPECT_NY_THROW(CConversions::ui8FromString(nines + L"x", kNone), CNyInvalidValueException,
                    TooLarge(nines + L"x", L"ui8"));
    EXPECT_NY_THROW(CConversions::i4FromString(zeros + L"x", kNone), CNyInvalidValueException,
                    NotConverted(zeros + L"x", L"i4"));
}
