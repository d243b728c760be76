// CConversions: the lexical forms of every XSD item type, value to text and back.
#ifndef NYXML_CONVERSIONS_H
#define NYXML_CONVERSIONS_H

#include <nyxml/biginteger.h>
#include <nyxml/binarydata.h>
#include <nyxml/datetime.h>
#include <nyxml/decimal.h>
#include <nyxml/export.h>
#include <nyxml/facets.h>

#include <cstdint>
#include <string>

namespace NyXmlLib9 {

// Static operations only. Every FromString applies the whitespace rule first
// and throws CNyInvalidValueException, quoting the text, when it cannot read
// it; the delegated parses (binary, duration, dates, decimal, integer) throw
// what their value classes throw. Whole numbers and reals are read as the C
// runtime's conversions read them: leading blanks skipped, "+" or "-"
// accepted, an empty text giving 0 (or not-a-number for reals).
class NYXML_API CConversions {
public:
    typedef CWhitespaceUtils::WhitespaceRule WhitespaceRule;

    static std::wstring hexBinaryToString(const CBinaryData& value);
    static CBinaryData hexBinaryFromString(const std::wstring& text, WhitespaceRule rule);
    static std::wstring base64BinaryToString(const CBinaryData& value);
    static CBinaryData base64BinaryFromString(const std::wstring& text, WhitespaceRule rule);

    static std::wstring i1ToString(int8_t value);
    static int8_t i1FromString(const std::wstring& text, WhitespaceRule rule);
    static std::wstring i2ToString(int16_t value);
    static int16_t i2FromString(const std::wstring& text, WhitespaceRule rule);
    static std::wstring i4ToString(int32_t value);
    static int32_t i4FromString(const std::wstring& text, WhitespaceRule rule);
    static std::wstring i8ToString(int64_t value);
    static int64_t i8FromString(const std::wstring& text, WhitespaceRule rule);
    static std::wstring ui1ToString(uint8_t value);
    static uint8_t ui1FromString(const std::wstring& text, WhitespaceRule rule);
    static std::wstring ui2ToString(uint16_t value);
    static uint16_t ui2FromString(const std::wstring& text, WhitespaceRule rule);
    static std::wstring ui4ToString(uint32_t value);
    static uint32_t ui4FromString(const std::wstring& text, WhitespaceRule rule);
    static std::wstring ui8ToString(uint64_t value);
    static uint64_t ui8FromString(const std::wstring& text, WhitespaceRule rule);

    // "NaN", "INF", "-INF", or the value printed with `format` (a printf
    // format with at most one floating-point conversion; default "%.7g" for
    // r4, "%.16g" for r8), exponents with at least three digits, the result
    // cut to 31 (r4) or 47 (r8) characters. A format with any other
    // conversion throws CNyInvalidParamException.
    static std::wstring r4ToString(float value, const wchar_t* format = nullptr);
    static float r4FromString(const std::wstring& text, WhitespaceRule rule);
    static std::wstring r8ToString(double value, const wchar_t* format = nullptr);
    static double r8FromString(const std::wstring& text, WhitespaceRule rule);

    static std::wstring durationToString(const CDateTimeSpan& value);
    static CDateTimeSpan durationFromString(const std::wstring& text, WhitespaceRule rule);

    // The five date kinds all print the form of the value's own DTType.
    static std::wstring yearMonthToString(const CDateTime& value);
    static CDateTime yearMonthFromString(const std::wstring& text, WhitespaceRule rule);
    static std::wstring monthDayToString(const CDateTime& value);
    static CDateTime monthDayFromString(const std::wstring& text, WhitespaceRule rule);
    static std::wstring dateToString(const CDateTime& value);
    static CDateTime dateFromString(const std::wstring& text, WhitespaceRule rule);
    static std::wstring datetimeToString(const CDateTime& value);
    static CDateTime datetimeFromString(const std::wstring& text, WhitespaceRule rule);
    static std::wstring timeToString(const CDateTime& value);
    static CDateTime timeFromString(const std::wstring& text, WhitespaceRule rule);

    // year: "5"; month: "--05"; day: "---07". Parsed from any date-family form
    // that carries the field.
    static std::wstring yearToString(uint16_t value);
    static uint16_t yearFromString(const std::wstring& text, WhitespaceRule rule);
    static std::wstring monthToString(uint8_t value);
    static uint8_t monthFromString(const std::wstring& text, WhitespaceRule rule);
    static std::wstring dayToString(uint8_t value);
    static uint8_t dayFromString(const std::wstring& text, WhitespaceRule rule);

    // One UTF-16 code unit; the character 0 prints as an empty string.
    static std::wstring charToString(wchar_t value);
    static wchar_t charFromString(const std::wstring& text, WhitespaceRule rule);
    static std::wstring stringToString(const std::wstring& value);
    static std::wstring stringFromString(const std::wstring& text, WhitespaceRule rule);
    // "true"/"false"; reads true, false, 1 or 0, the words in any case.
    static std::wstring booleanToString(bool value);
    static bool booleanFromString(const std::wstring& text, WhitespaceRule rule);

    // With `digits`, the value rounded to the number of places read from it
    // (leading blanks, sign and digits, as _wtoi reads them; 0 if none).
    static std::wstring decimalToString(const CDecimal& value, const wchar_t* digits = nullptr);
    static CDecimal decimalFromString(const std::wstring& text, WhitespaceRule rule);
    static std::wstring integerToString(const CBigInteger& value);
    static CBigInteger integerFromString(const std::wstring& text, WhitespaceRule rule);

private:
    CConversions() = delete;
};

}  // namespace NyXmlLib9

#endif
