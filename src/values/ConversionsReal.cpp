// CConversions: r4 and r8. Reading accepts what the C runtime's wcstod accepts
// in the C locale (no "inf", "nan" or hexadecimal forms) plus the special
// words; writing prints exponents with at least three digits, as the Windows
// runtime does (1e+021).
#include <nyxml/conversions.h>
#include <nyxml/foundation.h>

#include "values/ConversionsInternal.h"
#include "values/WhitespaceInternal.h"

#include <charconv>
#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <limits>
#include <locale.h>
#include <string>

namespace NyXmlLib9 {

using namespace ConversionsDetail;

namespace {

// ---- reading ----

// The C locale, for the rare reads and the caller-formatted writes that go
// through the locale-dependent runtime; null if it could not be created.
locale_t CLocale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

// Makes the C locale the calling thread's locale for the lifetime of a scope.
class ScopedCLocale {
public:
    ScopedCLocale() : m_previous(CLocale() ? uselocale(CLocale()) : static_cast<locale_t>(nullptr)) {}
    ScopedCLocale(const ScopedCLocale&) = delete;
    ScopedCLocale& operator=(const ScopedCLocale&) = delete;
    ~ScopedCLocale() {
        if (m_previous) uselocale(m_previous);
    }

private:
    locale_t m_previous;
};

// The span wcstod would convert: optional sign, digits with an optional "."
// and fraction, an optional exponent. `complete` when it reaches the end.
struct RealScan {
    const wchar_t* begin;
    const wchar_t* end;
    bool complete;
};

RealScan ScanReal(const wchar_t* text) {
    const wchar_t* p = text;
    while (IsCSpace(*p)) ++p;
    const wchar_t* begin = p;
    if (*p == L'+' || *p == L'-') ++p;
    size_t digits = 0;
    for (; IsDigit(*p); ++p) ++digits;
    if (*p == L'.')
        for (++p; IsDigit(*p); ++p) ++digits;
    if (digits == 0) return RealScan{text, text, *text == 0};  // nothing converted
    if (*p == L'e' || *p == L'E') {
        const wchar_t* q = p + 1;
        if (*q == L'+' || *q == L'-') ++q;
        if (IsDigit(*q)) {
            while (IsDigit(*q)) ++q;
            p = q;
        }
    }
    return RealScan{begin, p, *p == 0};
}

// Converts a scanned span, all ASCII, exactly as strtod in the C locale would.
double ConvertScanned(const wchar_t* begin, const wchar_t* end) {
    const bool negative = *begin == L'-';
    if (*begin == L'+' || *begin == L'-') ++begin;
    char small[80];
    std::string large;
    const size_t length = static_cast<size_t>(end - begin);
    char* narrow = small;
    if (length >= sizeof small) {
        large.resize(length + 1);
        narrow = &large[0];
    }
    for (size_t i = 0; i < length; ++i) narrow[i] = static_cast<char>(begin[i]);
    narrow[length] = 0;
    double value = 0;
    const std::from_chars_result r = std::from_chars(narrow, narrow + length, value);
    // from_chars leaves the value alone on overflow and underflow; strtod
    // gives the infinity, zero or subnormal that wcstod would.
    if (r.ec != std::errc() || r.ptr != narrow + length) {
        ScopedCLocale cLocale;
        value = std::strtod(narrow, nullptr);
    }
    return negative ? -value : value;
}

double ParseReal(const std::wstring& text, CWhitespaceUtils::WhitespaceRule rule, const wchar_t* type) {
    std::wstring storage;
    const std::wstring& t = WhitespaceDetail::ApplyRuleInPlace(rule, text, storage);
    const wchar_t* s = t.c_str();
    if (*s == 0) return std::numeric_limits<double>::quiet_NaN();
    if (std::wcscmp(s, L"NaN") == 0 || std::wcscmp(s, L"1.#QNAN") == 0 || std::wcscmp(s, L"-NAN") == 0)
        return std::numeric_limits<double>::quiet_NaN();
    if (std::wcscmp(s, L"-INF") == 0) return -std::numeric_limits<double>::infinity();
    if (std::wcscmp(s, L"INF") == 0) return std::numeric_limits<double>::infinity();
    const RealScan scan = ScanReal(s);
    if (!scan.complete) ThrowNotConverted(t, type);
    return ConvertScanned(scan.begin, scan.end);
}

// double to float rounded to nearest, values beyond float's range becoming
// infinities (a plain cast of such a value is undefined).
float NarrowToFloat(double value) {
    // Halfway between FLT_MAX and 2^128: from here on the value rounds up to infinity.
    const double overflowThreshold = 0x1.ffffffp+127;
    if (std::isfinite(value) && std::fabs(value) > FLT_MAX) {
        const float limit = std::fabs(value) >= overflowThreshold ? std::numeric_limits<float>::infinity() : FLT_MAX;
        return value < 0 ? -limit : limit;
    }
    return static_cast<float>(value);
}

// ---- writing ----

// Pads the exponent of printed text to three digits: 1e+21 becomes 1e+021.
size_t WidenExponent(char* text, size_t length) {
    const char* e = static_cast<const char*>(std::memchr(text, 'e', length));
    if (!e) return length;
    size_t digits = static_cast<size_t>(e - text) + 1;
    if (digits < length && (text[digits] == '+' || text[digits] == '-')) ++digits;
    const size_t count = length - digits;
    if (count >= 3) return length;
    const size_t pad = 3 - count;
    std::memmove(text + digits + pad, text + digits, count);
    std::memset(text + digits, '0', pad);
    return length + pad;
}

// printf "%.<precision>g" in the C locale, with a three-digit exponent.
std::wstring FormatGeneral(double value, int precision) {
    char text[64];
    char* end = std::to_chars(text, text + 56, value, std::chars_format::general, precision).ptr;
    const size_t length = WidenExponent(text, static_cast<size_t>(end - text));
    return std::wstring(text, text + length);
}

bool IsFloatConversion(wchar_t c) { return std::wcschr(L"eEfFgGaA", c) != nullptr && c != 0; }

// Reads at most three digits; false when there are more.
bool SkipNumber(const wchar_t*& p) {
    int count = 0;
    for (; IsDigit(*p); ++p)
        if (++count > 3) return false;
    return true;
}

// A format is accepted when it holds at most one conversion, of a
// floating-point kind, with flags, a width and a precision of at most three
// digits; "%%" stands for itself. Anything else could read arguments that
// were never passed.
bool IsRealFormat(const wchar_t* format) {
    int conversions = 0;
    for (const wchar_t* p = format; *p; ++p) {
        if (*p != L'%') continue;
        if (*++p == L'%') continue;
        while (*p && std::wcschr(L"-+ 0#", *p)) ++p;
        if (!SkipNumber(p)) return false;
        if (*p == L'.') {
            ++p;
            if (!SkipNumber(p)) return false;
        }
        if (*p == L'l') ++p;
        if (!IsFloatConversion(*p) || ++conversions > 1) return false;
    }
    return true;
}

std::wstring FormatReal(double value, const wchar_t* format, int defaultPrecision, size_t maxLength) {
    if (std::isnan(value)) return L"NaN";
    if (std::isinf(value)) return value < 0 ? L"-INF" : L"INF";
    if (!format) return FormatGeneral(value, defaultPrecision);
    if (!IsRealFormat(format))
        throw CNyInvalidParamException(FormatString(L"Invalid floating-point format [%s]", format));
    std::wstring text;
    {
        // The runtime's printf follows the thread's locale: print in the C locale.
        ScopedCLocale cLocale;
        text = FormatString(format, value);
    }
    if (text.size() > maxLength) text.resize(maxLength);
    return text;
}

}  // namespace

float CConversions::r4FromString(const std::wstring& text, WhitespaceRule rule) {
    return NarrowToFloat(ParseReal(text, rule, L"r4"));
}

double CConversions::r8FromString(const std::wstring& text, WhitespaceRule rule) {
    return ParseReal(text, rule, L"r8");
}

std::wstring CConversions::r4ToString(float value, const wchar_t* format) { return FormatReal(value, format, 7, 31); }

std::wstring CConversions::r8ToString(double value, const wchar_t* format) {
    return FormatReal(value, format, 16, 47);
}

}  // namespace NyXmlLib9
