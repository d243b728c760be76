// CConversions: whole numbers, booleans, characters, strings, binary data,
// dates, durations, decimals and big integers. Reals are in ConversionsReal.cpp.
#include <nyxml/conversions.h>
#include <nyxml/foundation.h>

#include "values/ConversionsInternal.h"
#include "values/WhitespaceInternal.h"

#include <climits>
#include <cstdint>

namespace NyXmlLib9 {

using namespace ConversionsDetail;
using WhitespaceDetail::ApplyRuleInPlace;

namespace ConversionsDetail {

void ThrowTooLarge(const std::wstring& text, const wchar_t* type) {
    throw CNyInvalidValueException(FormatString(L"The value [%s] is to large to fit in a %s", text.c_str(), type));
}

void ThrowNotConverted(const std::wstring& text, const wchar_t* type) {
    throw CNyInvalidValueException(FormatString(L"The value [%s] can not be converted to a %s", text.c_str(), type));
}

}  // namespace ConversionsDetail

namespace {

// ---- whole numbers ----

// What the C runtime's base-10 conversion reads of a NUL-terminated text:
// blanks, an optional sign, then digits. `overflow` is set once the digits
// exceed 64 bits; `complete` when the conversion reached the terminator (an
// empty text counts as complete, a text without digits does not).
struct IntegerScan {
    uint64_t magnitude;
    bool negative;
    bool overflow;
    bool complete;
};

IntegerScan ScanInteger(const wchar_t* text) {
    const wchar_t* p = text;
    while (IsCSpace(*p)) ++p;
    bool negative = false;
    if (*p == L'+' || *p == L'-') negative = *p++ == L'-';
    const wchar_t* digits = p;
    uint64_t magnitude = 0;
    bool overflow = false;
    for (; IsDigit(*p); ++p) {
        const unsigned digit = static_cast<unsigned>(*p - L'0');
        if (magnitude > (UINT64_MAX - digit) / 10)
            overflow = true;  // like the runtime, keep consuming the digits
        else
            magnitude = magnitude * 10 + digit;
    }
    const wchar_t* end = p == digits ? text : p;
    return IntegerScan{magnitude, negative, overflow, *end == 0};
}

// Scans `text` and raises the range error before the syntax error, as the
// runtime reports overflow even when characters follow the digits.
IntegerScan ScanChecked(const std::wstring& text, uint64_t positiveLimit, uint64_t negativeLimit, const wchar_t* type) {
    const IntegerScan scan = ScanInteger(text.c_str());
    if (scan.overflow || scan.magnitude > (scan.negative ? negativeLimit : positiveLimit)) ThrowTooLarge(text, type);
    if (!scan.complete) ThrowNotConverted(text, type);
    return scan;
}

// The two's-complement value of -magnitude.
inline uint64_t Negated(uint64_t magnitude) { return ~magnitude + 1; }

// Decimal digits of `value` written backwards ending at `end`; returns the first.
wchar_t* WriteDigits(uint64_t value, wchar_t* end) {
    do {
        *--end = static_cast<wchar_t>(L'0' + value % 10);
        value /= 10;
    } while (value != 0);
    return end;
}

std::wstring SignedText(int64_t value) {
    wchar_t buffer[24];
    wchar_t* end = buffer + 24;
    const uint64_t magnitude = value < 0 ? Negated(static_cast<uint64_t>(value)) : static_cast<uint64_t>(value);
    wchar_t* begin = WriteDigits(magnitude, end);
    if (value < 0) *--begin = L'-';
    return std::wstring(begin, end);
}

std::wstring UnsignedText(uint64_t value, const wchar_t* prefix = L"", int minDigits = 1) {
    wchar_t buffer[32];
    wchar_t* end = buffer + 32;
    wchar_t* begin = WriteDigits(value, end);
    while (end - begin < minDigits) *--begin = L'0';
    for (const wchar_t* p = prefix + std::char_traits<wchar_t>::length(prefix); p != prefix;) *--begin = *--p;
    return std::wstring(begin, end);
}

// A narrow type read through the 32-bit conversion, its range message quoting
// the text as the caller gave it.
template <class T>
T Narrowed(int64_t value, int64_t min, int64_t max, const std::wstring& original, const wchar_t* type) {
    if (value < min || value > max) ThrowTooLarge(original, type);
    return static_cast<T>(value);
}

// ---- dates ----

CDateTime ParsedDate(const std::wstring& text, CWhitespaceUtils::WhitespaceRule rule) {
    std::wstring storage;
    CDateTime value;
    value.ParseXSDDate(ApplyRuleInPlace(rule, text, storage).c_str());
    return value;
}

// ---- booleans ----

// Compares with a lower-case ASCII word, folding only ASCII letters.
bool EqualsWord(const std::wstring& text, const wchar_t* word) {
    size_t i = 0;
    for (; word[i] != 0; ++i) {
        if (i == text.size()) return false;
        wchar_t c = text[i];
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
        if (c != word[i]) return false;
    }
    return i == text.size();
}

// _wtoi: leading blanks, an optional sign and digits; 0 without digits; the
// result held to the int range.
int ReadPlaces(const wchar_t* text) {
    const IntegerScan scan = ScanInteger(text);
    const uint64_t limit = scan.negative ? static_cast<uint64_t>(INT_MAX) + 1 : INT_MAX;
    const uint64_t magnitude = scan.overflow || scan.magnitude > limit ? limit : scan.magnitude;
    return scan.negative ? static_cast<int>(-static_cast<int64_t>(magnitude)) : static_cast<int>(magnitude);
}

}  // namespace

// ---- binary ----

std::wstring CConversions::hexBinaryToString(const CBinaryData& value) { return value.GetAsHexString(); }

CBinaryData CConversions::hexBinaryFromString(const std::wstring& text, WhitespaceRule rule) {
    std::wstring storage;
    CBinaryData value;
    value.SetAsHexString(ApplyRuleInPlace(rule, text, storage).c_str());
    return value;
}

std::wstring CConversions::base64BinaryToString(const CBinaryData& value) { return value.GetAsBase64(); }

CBinaryData CConversions::base64BinaryFromString(const std::wstring& text, WhitespaceRule rule) {
    std::wstring storage;
    CBinaryData value;
    value.SetAsBase64(ApplyRuleInPlace(rule, text, storage).c_str());
    return value;
}

// ---- whole numbers ----

std::wstring CConversions::i1ToString(int8_t value) { return SignedText(value); }
std::wstring CConversions::i2ToString(int16_t value) { return SignedText(value); }
std::wstring CConversions::i4ToString(int32_t value) { return SignedText(value); }
std::wstring CConversions::i8ToString(int64_t value) { return SignedText(value); }
std::wstring CConversions::ui1ToString(uint8_t value) { return UnsignedText(value); }
std::wstring CConversions::ui2ToString(uint16_t value) { return UnsignedText(value); }
std::wstring CConversions::ui4ToString(uint32_t value) { return UnsignedText(value); }
std::wstring CConversions::ui8ToString(uint64_t value) { return UnsignedText(value); }

int32_t CConversions::i4FromString(const std::wstring& text, WhitespaceRule rule) {
    std::wstring storage;
    const IntegerScan scan = ScanChecked(ApplyRuleInPlace(rule, text, storage), INT32_MAX, 0x80000000u, L"i4");
    return static_cast<int32_t>(scan.negative ? -static_cast<int64_t>(scan.magnitude)
                                              : static_cast<int64_t>(scan.magnitude));
}

int64_t CConversions::i8FromString(const std::wstring& text, WhitespaceRule rule) {
    std::wstring storage;
    const IntegerScan scan =
        ScanChecked(ApplyRuleInPlace(rule, text, storage), INT64_MAX, 0x8000000000000000u, L"i8");
    return static_cast<int64_t>(scan.negative ? Negated(scan.magnitude) : scan.magnitude);
}

uint32_t CConversions::ui4FromString(const std::wstring& text, WhitespaceRule rule) {
    std::wstring storage;
    const IntegerScan scan = ScanChecked(ApplyRuleInPlace(rule, text, storage), UINT32_MAX, UINT32_MAX, L"ui4");
    return static_cast<uint32_t>(scan.negative ? Negated(scan.magnitude) : scan.magnitude);
}

uint64_t CConversions::ui8FromString(const std::wstring& text, WhitespaceRule rule) {
    std::wstring storage;
    const IntegerScan scan = ScanChecked(ApplyRuleInPlace(rule, text, storage), UINT64_MAX, UINT64_MAX, L"ui8");
    return scan.negative ? Negated(scan.magnitude) : scan.magnitude;
}

int8_t CConversions::i1FromString(const std::wstring& text, WhitespaceRule rule) {
    return Narrowed<int8_t>(i4FromString(text, rule), INT8_MIN, INT8_MAX, text, L"i1");
}

int16_t CConversions::i2FromString(const std::wstring& text, WhitespaceRule rule) {
    return Narrowed<int16_t>(i4FromString(text, rule), INT16_MIN, INT16_MAX, text, L"i2");
}

uint8_t CConversions::ui1FromString(const std::wstring& text, WhitespaceRule rule) {
    return Narrowed<uint8_t>(ui4FromString(text, rule), 0, UINT8_MAX, text, L"ui1");
}

uint16_t CConversions::ui2FromString(const std::wstring& text, WhitespaceRule rule) {
    return Narrowed<uint16_t>(ui4FromString(text, rule), 0, UINT16_MAX, text, L"ui2");
}

// ---- durations and dates ----

std::wstring CConversions::durationToString(const CDateTimeSpan& value) { return value.ToString(); }

CDateTimeSpan CConversions::durationFromString(const std::wstring& text, WhitespaceRule rule) {
    std::wstring storage;
    CDateTimeSpan value;
    value.ParseXSDDuration(ApplyRuleInPlace(rule, text, storage).c_str());
    return value;
}

std::wstring CConversions::dateToString(const CDateTime& value) { return value.ToString(L"s"); }
std::wstring CConversions::datetimeToString(const CDateTime& value) { return dateToString(value); }
std::wstring CConversions::timeToString(const CDateTime& value) { return dateToString(value); }
std::wstring CConversions::yearMonthToString(const CDateTime& value) { return dateToString(value); }
std::wstring CConversions::monthDayToString(const CDateTime& value) { return dateToString(value); }

CDateTime CConversions::dateFromString(const std::wstring& text, WhitespaceRule rule) { return ParsedDate(text, rule); }

CDateTime CConversions::yearMonthFromString(const std::wstring& text, WhitespaceRule rule) {
    return ParsedDate(text, rule);
}

CDateTime CConversions::monthDayFromString(const std::wstring& text, WhitespaceRule rule) {
    return ParsedDate(text, rule);
}

CDateTime CConversions::datetimeFromString(const std::wstring& text, WhitespaceRule rule) {
    std::wstring storage;
    CDateTime value(CDateTime::dt_dateTime);
    value.ParseXSDDateTime(ApplyRuleInPlace(rule, text, storage).c_str());
    return value;
}

CDateTime CConversions::timeFromString(const std::wstring& text, WhitespaceRule rule) {
    std::wstring storage;
    CDateTime value;
    value.ParseXSDTime(ApplyRuleInPlace(rule, text, storage).c_str());
    return value;
}

std::wstring CConversions::yearToString(uint16_t value) { return UnsignedText(value); }
std::wstring CConversions::monthToString(uint8_t value) { return UnsignedText(value, L"--", 2); }
std::wstring CConversions::dayToString(uint8_t value) { return UnsignedText(value, L"---", 2); }

uint16_t CConversions::yearFromString(const std::wstring& text, WhitespaceRule rule) {
    return static_cast<uint16_t>(ParsedDate(text, rule).GetYear());
}

uint8_t CConversions::monthFromString(const std::wstring& text, WhitespaceRule rule) {
    return ParsedDate(text, rule).GetMonth();
}

uint8_t CConversions::dayFromString(const std::wstring& text, WhitespaceRule rule) {
    return ParsedDate(text, rule).GetDay();
}

// ---- characters, strings, booleans ----

std::wstring CConversions::charToString(wchar_t value) { return value == 0 ? std::wstring() : std::wstring(1, value); }

wchar_t CConversions::charFromString(const std::wstring& text, WhitespaceRule rule) {
    std::wstring storage;
    const std::wstring& t = ApplyRuleInPlace(rule, text, storage);
    // An element above U+FFFF is two UTF-16 units, so it is refused too.
    if (t.size() != 1 || static_cast<uint32_t>(t[0]) > 0xFFFF)
        throw CNyInvalidValueException(FormatString(
            L"The value [%s] can not be a char as it is either empty of greater than 1 char long", t.c_str()));
    return t[0];
}

std::wstring CConversions::stringToString(const std::wstring& value) { return value; }

std::wstring CConversions::stringFromString(const std::wstring& text, WhitespaceRule rule) {
    return CWhitespaceUtils::ApplyRule(rule, text);
}

std::wstring CConversions::booleanToString(bool value) { return value ? L"true" : L"false"; }

bool CConversions::booleanFromString(const std::wstring& text, WhitespaceRule rule) {
    std::wstring storage;
    const std::wstring& t = ApplyRuleInPlace(rule, text, storage);
    if (EqualsWord(t, L"true")) return true;
    if (EqualsWord(t, L"false")) return false;
    if (t == L"1") return true;
    if (t == L"0") return false;
    throw CNyInvalidValueException(FormatString(L"A Boolean Value read from an XML document was invalid [%s]. Valid "
                                                L"values are 'true', 'false', '1', or '0'",
                                                text.c_str()));
}

// ---- decimals and big integers ----

std::wstring CConversions::decimalToString(const CDecimal& value, const wchar_t* digits) {
    return digits ? value.ToString(ReadPlaces(digits)) : value.ToString();
}

CDecimal CConversions::decimalFromString(const std::wstring& text, WhitespaceRule rule) {
    std::wstring storage;
    CDecimal value;
    value.Parse(ApplyRuleInPlace(rule, text, storage).c_str());
    return value;
}

std::wstring CConversions::integerToString(const CBigInteger& value) { return value.ToString(); }

CBigInteger CConversions::integerFromString(const std::wstring& text, WhitespaceRule rule) {
    std::wstring storage;
    CBigInteger value;
    value.Parse(ApplyRuleInPlace(rule, text, storage).c_str());
    return value;
}

}  // namespace NyXmlLib9
