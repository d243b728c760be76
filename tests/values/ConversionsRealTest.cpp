// CConversions: r4 and r8, read as the runtime's wcstod reads them plus the
// special words, printed with "%.7g"/"%.16g" and three-digit exponents;
// expected values from tests/tools/gen_conversion_cases.py.
#include <nyxml/conversions.h>
#include <nyxml/decimal.h>

#include "TestSupport.h"

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>

using NyXmlLib9::CConversions;
using NyXmlLib9::CDecimal;
using NyXmlLib9::CNyInvalidParamException;
using NyXmlLib9::CNyInvalidValueException;
using NyXmlLib9::CWhitespaceUtils;
using NyXmlLib9::CNyException;
using nyxml_test::Wide;

namespace {

const CWhitespaceUtils::WhitespaceRule kNone = CWhitespaceUtils::WhitespaceRule_None;
const CWhitespaceUtils::WhitespaceRule kCollapse = CWhitespaceUtils::WhitespaceRule_Collapse;
const double kInf = std::numeric_limits<double>::infinity();

uint64_t Bits(double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

uint32_t Bits(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

double DoubleFromHex(const std::string& hex) {
    const uint64_t bits = std::stoull(hex, nullptr, 16);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

float FloatFromHex(const std::string& hex) {
    const uint32_t bits = static_cast<uint32_t>(std::stoul(hex, nullptr, 16));
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

double Expected8(const std::string& field) {
    if (field == "inf") return kInf;
    if (field == "-inf") return -kInf;
    return DoubleFromHex(field);
}

float Expected4(const std::string& field) {
    if (field == "inf") return std::numeric_limits<float>::infinity();
    if (field == "-inf") return -std::numeric_limits<float>::infinity();
    return FloatFromHex(field);
}

std::wstring NotConverted(const std::wstring& text, const std::wstring& type) {
    return L"The value [" + text + L"] can not be converted to a " + type;
}

}  // namespace

TEST(ConversionsReal, SpecialWords) {
    EXPECT_TRUE(std::isnan(CConversions::r8FromString(L"", kNone)));
    EXPECT_TRUE(std::isnan(CConversions::r4FromString(L"", kNone)));
    EXPECT_TRUE(std::isnan(CConversions::r8FromString(L"NaN", kNone)));
    EXPECT_TRUE(std::isnan(CConversions::r8FromString(L"1.#QNAN", kNone)));
    EXPECT_TRUE(std::isnan(CConversions::r8FromString(L"-NAN", kNone)));
    EXPECT_TRUE(std::isnan(CConversions::r4FromString(L" NaN ", kCollapse)));
    EXPECT_EQ(kInf, CConversions::r8FromString(L"INF", kNone));
    EXPECT_EQ(-kInf, CConversions::r8FromString(L"-INF", kNone));
    EXPECT_EQ(std::numeric_limits<float>::infinity(), CConversions::r4FromString(L"INF", kNone));
    // Only the exact words: the runtime's own "inf", "nan" and hex forms are refused.
    for (const wchar_t* text : {L"inf", L"Inf", L"+INF", L"nan", L"NAN", L"-NaN", L"infinity", L"0x1p3", L" INF",
                                L"INF "}) {
        SCOPED_TRACE(nyxml_test::Utf8(text));
        EXPECT_NY_THROW(CConversions::r8FromString(text, kNone), CNyInvalidValueException, NotConverted(text, L"r8"));
        EXPECT_NY_THROW(CConversions::r4FromString(text, kNone), CNyInvalidValueException, NotConverted(text, L"r4"));
    }
}

TEST(ConversionsReal, ReadsAsTheOracleDoes) {
    std::ifstream in(nyxml_test::TestDataPath("conversions_real_cases.txt"));
    ASSERT_TRUE(in.good());
    std::string line;
    int parsed = 0, formatted8 = 0, formatted4 = 0;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string kind, a, b, c;
        std::getline(fields, kind, '\t');
        std::getline(fields, a, '\t');
        std::getline(fields, b, '\t');
        std::getline(fields, c, '\t');
        SCOPED_TRACE(line);
        if (kind == "parse") {
            ASSERT_EQ(Bits(Expected8(b)), Bits(CConversions::r8FromString(Wide(a), kNone)));
            ASSERT_EQ(Bits(Expected4(c)), Bits(CConversions::r4FromString(Wide(a), kNone)));
            ++parsed;
        } else if (kind == "format8") {
            const double value = DoubleFromHex(a);
            ASSERT_EQ(Wide(b), CConversions::r8ToString(value));
            ++formatted8;
        } else if (kind == "format4") {
            const float value = FloatFromHex(a);
            const std::wstring text = CConversions::r4ToString(value);
            ASSERT_EQ(Wide(b), text);
            // Seven digits are not always enough to come back to the same float, but
            // the round trip stays within a relative 1e-6.
            const float back = CConversions::r4FromString(text, kNone);
            ASSERT_LE(std::fabs(static_cast<double>(back) - value), 1e-6 * std::fabs(static_cast<double>(value)));
            ++formatted4;
        }
    }
    EXPECT_GT(parsed, 1000);
    EXPECT_GT(formatted8, 1000);
    EXPECT_GT(formatted4, 1000);
}

TEST(ConversionsReal, Formatting) {
    EXPECT_EQ(L"0.1", CConversions::r8ToString(0.1));
    EXPECT_EQ(L"0.3333333333333333", CConversions::r8ToString(1.0 / 3));
    EXPECT_EQ(L"1e+021", CConversions::r8ToString(1e21));
    EXPECT_EQ(L"1e-005", CConversions::r8ToString(1e-5));
    EXPECT_EQ(L"1.797693134862316e+308", CConversions::r8ToString(1.7976931348623157e308));
    EXPECT_EQ(L"NaN", CConversions::r8ToString(std::numeric_limits<double>::quiet_NaN()));
    EXPECT_EQ(L"NaN", CConversions::r8ToString(-std::numeric_limits<double>::quiet_NaN()));
    EXPECT_EQ(L"-INF", CConversions::r8ToString(-kInf));
    EXPECT_EQ(L"INF", CConversions::r8ToString(kInf));
    EXPECT_EQ(L"-0", CConversions::r8ToString(-0.0));
    EXPECT_EQ(L"0.1", CConversions::r4ToString(0.1f));
    EXPECT_EQ(L"3.402823e+038", CConversions::r4ToString(std::numeric_limits<float>::max()));
    EXPECT_EQ(L"NaN", CConversions::r4ToString(std::numeric_limits<float>::quiet_NaN()));
    EXPECT_EQ(L"-INF", CConversions::r4ToString(-std::numeric_limits<float>::infinity()));
}

TEST(ConversionsReal, CallerFormats) {
    EXPECT_EQ(L"1.50", CConversions::r8ToString(1.5, L"%.2f"));
    EXPECT_EQ(L"[  1.5]", CConversions::r8ToString(1.5, L"[%5.1f]"));
    EXPECT_EQ(L"1.500000e+000", CConversions::r8ToString(1.5, L"%e"));
    EXPECT_EQ(L"1.5E+100", CConversions::r8ToString(1.5e100, L"%G"));
    EXPECT_EQ(L"100%: 2", CConversions::r8ToString(2, L"100%%: %g"));
    EXPECT_EQ(L"2.25", CConversions::r4ToString(2.25f, L"%lg"));
    EXPECT_EQ(L"plain", CConversions::r8ToString(2, L"plain"));
    // The special values do not go through the format.
    EXPECT_EQ(L"INF", CConversions::r8ToString(kInf, L"%.2f"));
    // Results are cut to 47 (r8) and 31 (r4) characters.
    char full[400];
    std::snprintf(full, sizeof full, "%f", 1e300);
    EXPECT_EQ(Wide(std::string(full).substr(0, 47)), CConversions::r8ToString(1e300, L"%f"));
    std::snprintf(full, sizeof full, "%f", static_cast<double>(3e38f));
    EXPECT_EQ(Wide(std::string(full).substr(0, 31)), CConversions::r4ToString(3e38f, L"%f"));
    EXPECT_EQ(std::wstring(31, L' '), CConversions::r4ToString(1, L"%100g"));
    EXPECT_EQ(std::wstring(46, L' ') + L"1", CConversions::r8ToString(1, L"%47g"));
    for (const wchar_t* format : {L"%s", L"%d", L"%f %f", L"%*f", L"%.*f", L"%Lf", L"%1000f", L"%.1000f", L"%n", L"%",
                                  L"%hs", L"%I64d"}) {
        SCOPED_TRACE(nyxml_test::Utf8(format));
        EXPECT_NY_THROW(CConversions::r8ToString(1.0, format), CNyInvalidParamException,
                        std::wstring(L"Invalid floating-point format [") + format + L"]");
    }
}

namespace {

// Switches LC_NUMERIC to a German locale (decimal comma), building one with
// localedef in `dir` when none is installed. False when that is impossible.
bool UseDecimalCommaLocale(const nyxml_test::TempDir& dir) {
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) return true;
    const std::string command =
        "localedef -i de_DE -f UTF-8 '" + dir.Path("de_DE.UTF-8") + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) return false;
    setenv("LOCPATH", dir.path().c_str(), 1);
    const bool ok = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
    unsetenv("LOCPATH");
    return ok;
}

}  // namespace

TEST(ConversionsReal, IgnoresTheProcessLocale) {
    nyxml_test::TempDir dir;
    if (!UseDecimalCommaLocale(dir)) GTEST_SKIP() << "no locale with a decimal comma available";
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 0.5);
    EXPECT_STREQ("0,5", probe);  // the runtime itself now prints a comma
    EXPECT_EQ(L"0.5", CConversions::r8ToString(0.5));
    EXPECT_EQ(L"0.50", CConversions::r8ToString(0.5, L"%.2f"));
    EXPECT_EQ(L"2.5e+100", CConversions::r8ToString(2.5e100));
    EXPECT_EQ(L"2.25", CConversions::r4ToString(2.25f, L"%g"));
    EXPECT_EQ(2.5, CConversions::r8FromString(L"2.5", kNone));
    EXPECT_EQ(0.0, CConversions::r8FromString(L"1e-400", kNone));
    EXPECT_NY_THROW(CConversions::r8FromString(L"2,5", kNone), CNyInvalidValueException, NotConverted(L"2,5", L"r8"));
    // Decimals made from and turned into doubles likewise.
    EXPECT_EQ(L"0.1", CDecimal(0.1).ToString());
    EXPECT_EQ(-12.25, CDecimal(L"-12.25").ToDouble());
    std::setlocale(LC_NUMERIC, "C");
}

TEST(ConversionsReal, HugeTexts) {
    const std::wstring zeros(1 << 20, L'0');
    EXPECT_EQ(0.0, CConversions::r8FromString(L"0." + zeros + L"1", kNone));
    EXPECT_EQ(1.5, CConversions::r8FromString(zeros + L"1.5" + zeros, kNone));
    EXPECT_EQ(kInf, CConversions::r8FromString(L"1" + zeros, kNone));
    EXPECT_EQ(1e-300, CConversions::r8FromString(L"1" + zeros + L"e-" + std::to_wstring((1 << 20) + 300), kNone));
    EXPECT_NY_THROW(CConversions::r8FromString(zeros + L"x", kNone), CNyInvalidValueException,
                    NotConverted(zeros + L"x", L"r8"));
}

// CConversions: whole numbers of every width, read as the C runtime reads
// them, with explicit 32-bit range checks, and printed in decimal.
namespace {

const CWhitespaceUtils::WhitespaceRule kPreserve = CWhitespaceUtils::WhitespaceRule_Preserve;
const CWhitespaceUtils::WhitespaceRule kReplace = CWhitespaceUtils::WhitespaceRule_Replace;

std::wstring TooLarge(const std::wstring& text, const std::wstring& type) {
    return L"The value [" + text + L"] is to large to fit in a " + type;
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
