// Decimal text: parsing (with exponents, white space skipped anywhere) and the
// two printed forms.
#include <nyxml/decimal.h>
#include <nyxml/foundation.h>

#include "values/BigIntegerDigits.h"

#include <algorithm>
#include <climits>
#include <cwchar>

namespace NyXmlLib9 {

using namespace BigDigits;

namespace {

// Positive exponents beyond this would build absurdly large numbers from a few
// characters of text; negative ones of any size just round to zero.
const uint64_t kMaxExponent = 1000000;
// Exponent digits beyond this only saturate, so any digit run is harmless.
const uint64_t kExponentCap = 1000000000000000ull;

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }
bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// Where the parts of a decimal text lie, found in one pass.
struct DecimalText {
    size_t wholeEnd = 0;       // the whole part is [0, wholeEnd)
    size_t fractionBegin = 0;  // the fraction part is [fractionBegin, fractionEnd)
    size_t fractionEnd = 0;
    uint64_t fractionDigits = 0;
    uint64_t trailingZeros = 0;  // zero digits at the end of the fraction
    uint64_t wholeDigits = 0;
    bool negative = false;
    bool hasExponent = false;
    bool exponentNegative = false;
    uint64_t exponent = 0;
};

[[noreturn]] void ThrowInvalidChar(const wchar_t* text, size_t position) {
    throw CNyInvalidValueException(FormatString(
        L"The string representing a Decimal, contained an invalid char at position %d [%s]",
        static_cast<int>(position), text));
}

void Scan(const wchar_t* text, size_t length, DecimalText& t) {
    enum { kWhole, kFraction, kExponent } part = kWhole;
    t.wholeEnd = length;
    t.fractionBegin = t.fractionEnd = length;
    for (size_t i = 0; i < length; ++i) {
        const wchar_t c = text[i];
        if (IsBlank(c)) continue;
        if (IsDigit(c)) {
            if (part == kWhole) {
                ++t.wholeDigits;
            } else if (part == kFraction) {
                ++t.fractionDigits;
                t.trailingZeros = c == L'0' ? t.trailingZeros + 1 : 0;
            } else {
                t.exponent = std::min(t.exponent * 10 + static_cast<uint64_t>(c - L'0'), kExponentCap);
            }
        } else if ((c == L'+' || c == L'-') && part != kFraction) {
            (part == kWhole ? t.negative : t.exponentNegative) = c == L'-';
        } else if (c == L'.' && part == kWhole) {
            part = kFraction;
            t.wholeEnd = i;
            t.fractionBegin = i + 1;
        } else if ((c == L'e' || c == L'E') && part != kExponent) {
            if (part == kWhole) {
                t.wholeEnd = i;
                t.fractionBegin = i;
            }
            t.fractionEnd = i;
            part = kExponent;
            t.hasExponent = true;
        } else {
            ThrowInvalidChar(text, i);
        }
    }
}

// Feeds the digits of [begin, end), skipping anything else, last digit first.
void PushDigits(DigitBuilder& builder, const wchar_t* begin, const wchar_t* end) {
    for (const wchar_t* p = end; p != begin;) {
        --p;
        if (IsDigit(*p)) builder.Push(static_cast<unsigned>(*p - L'0'));
    }
}

// The end of the fraction with its `zeros` trailing zero digits left out.
const wchar_t* SkipTrailingZeros(const wchar_t* begin, const wchar_t* end, uint64_t zeros) {
    while (zeros > 0 && end != begin) {
        --end;
        if (IsDigit(*end)) --zeros;
    }
    return end;
}

// Whole part and fraction digits as written (trailing zeros already left out).
void BuildParts(const wchar_t* text, const DecimalText& t, const wchar_t* fractionEnd, uint64_t places,
                Words& whole, Words& fraction) {
    DigitBuilder wholeBuilder(whole, t.wholeDigits);
    PushDigits(wholeBuilder, text, text + t.wholeEnd);
    wholeBuilder.Finish();
    DigitBuilder fractionBuilder(fraction, places);
    PushDigits(fractionBuilder, text + t.fractionBegin, fractionEnd);
    fractionBuilder.Finish();
}

// All digits, whole part followed by fraction, as one integer.
void BuildAllDigits(const wchar_t* text, const DecimalText& t, const wchar_t* fractionEnd, uint64_t places,
                    Words& digits) {
    DigitBuilder builder(digits, t.wholeDigits + places);
    PushDigits(builder, text + t.fractionBegin, fractionEnd);
    PushDigits(builder, text, text + t.wholeEnd);
    builder.Finish();
}

}  // namespace

void CDecimal::Parse(const wchar_t* text) {
    if (text == nullptr) text = L"";
    const size_t length = std::wcslen(text);
    if (length > static_cast<size_t>(INT_MAX)) {
        throw CNyInvalidValueException(L"The string representing a Decimal, is too long");
    }
    DecimalText t;
    Scan(text, length, t);
    if (t.hasExponent && !t.exponentNegative && t.exponent > kMaxExponent) {
        throw CNyInvalidValueException(FormatString(
            L"The string representing a Decimal, contained an exponent out of range [%s]", text));
    }
    // The significant fraction digits, without trailing zeros.
    const uint64_t places = t.fractionDigits - t.trailingZeros;
    const wchar_t* fractionEnd = SkipTrailingZeros(text + t.fractionBegin, text + t.fractionEnd, t.trailingZeros);
    if (!t.hasExponent && places <= static_cast<uint64_t>(m_maxDivider)) {
        // Common case: the parts are kept as written.
        BuildParts(text, t, fractionEnd, places, m_whole.m_digits, m_fraction.m_digits);
        m_places = static_cast<int32_t>(std::max<uint64_t>(places, 1));
        SetNegative(t.negative);
        return;
    }
    // Otherwise the digits are scaled by the exponent and rounded once.
    Words digits;
    BuildAllDigits(text, t, fractionEnd, places, digits);
    const int64_t exponent = t.exponentNegative ? -static_cast<int64_t>(t.exponent) : static_cast<int64_t>(t.exponent);
    const int64_t scale = exponent - static_cast<int64_t>(places);  // value = digits * 10^scale
    if (scale >= 0) BigDigits::ShiftLeft(digits, static_cast<uint64_t>(scale));
    AssignScaled(t.negative, std::move(digits), scale >= 0 ? 0 : -scale, true);
}

std::wstring CDecimal::ToString() const {
    if (m_fraction.IsZero()) return m_whole.ToString();
    std::wstring out;
    out.reserve(static_cast<size_t>(DigitCount(m_whole.m_digits)) + static_cast<size_t>(m_places) + 2);
    if (IsNegative()) out += L'-';
    AppendDigits(m_whole.m_digits, out);
    out += L'.';
    AppendPadded(m_fraction.m_digits, static_cast<uint64_t>(m_places), out);
    return out;
}

std::wstring CDecimal::ToString(int n) const {
    if (n < 0) {
        throw CNyInvalidParamException(
            FormatString(L"The number of decimal places must not be negative [%d]", n));
    }
    // The sign is the value's, so a negative value that rounds to zero keeps it.
    const bool negative = IsNegative();
    // Dropped places round halves away from zero; .99..9 can carry into the
    // whole part. Only the parts that change are copied.
    const Words* whole = &m_whole.m_digits;
    const Words* fraction = &m_fraction.m_digits;
    Words roundedWhole;
    Words roundedFraction;
    if (n < m_places) {
        roundedFraction = m_fraction.m_digits;
        RoundOff(roundedFraction, static_cast<uint64_t>(m_places - n));
        if (!BigDigits::IsZero(roundedFraction) && DigitCount(roundedFraction) > static_cast<uint64_t>(n)) {
            SetZero(roundedFraction);
            roundedWhole = m_whole.m_digits;
            AddSmall(roundedWhole, 1);
            whole = &roundedWhole;
        }
        fraction = &roundedFraction;
    }
    std::wstring out;
    out.reserve(static_cast<size_t>(DigitCount(*whole)) + static_cast<size_t>(n) + 2);
    if (negative) out += L'-';
    AppendDigits(*whole, out);
    out += L'.';
    if (n > 0) {
        const int places = std::min(n, static_cast<int>(m_places));
        AppendPadded(*fraction, static_cast<uint64_t>(places), out);
        out.append(static_cast<size_t>(n - places), L'0');
    }
    return out;
}

}  // namespace NyXmlLib9
