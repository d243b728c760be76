#include <nyxml/biginteger.h>
#include <nyxml/decimal.h>
#include <nyxml/foundation.h>

#include "values/BigIntegerDigits.h"

#include <cmath>
#include <cwchar>

namespace NyXmlLib9 {

using namespace BigDigits;

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }
bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }
// Characters of the plain integer form; anything else sends the text to CDecimal.
bool IsPlainChar(wchar_t c) { return IsDigit(c) || IsBlank(c) || c == L'+' || c == L'-'; }

}  // namespace

// Zero is one word of zero, set in place: every decimal holds two of these,
// and objects with decimal members make them on every read.
CBigInteger::CBigInteger() : m_sign(1) { m_digits.push_back(0); }

CBigInteger::CBigInteger(int value) : CBigInteger(static_cast<int64_t>(value)) {}

CBigInteger::CBigInteger(int64_t value) : m_sign(value < 0 ? -1 : 1) {
    // Negate in unsigned arithmetic so that the most negative value works too.
    uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    FromUint64(magnitude, m_digits);
}

CBigInteger::CBigInteger(double value) : m_sign(std::signbit(value) ? -1 : 1) {
    if (!std::isfinite(value)) {
        throw CNyInvalidValueException(
            FormatString(L"The value [%f] can not be converted to an integer", value));
    }
    BuildDouble(value, m_digits);
    if (IsZero()) m_sign = 1;
}

CBigInteger::CBigInteger(const CDecimal& value) : CBigInteger(value.ToBigInteger()) {}

// Parse replaces the digits, so none are allocated beforehand.
CBigInteger::CBigInteger(const wchar_t* text) : m_sign(1) { Parse(text); }

CBigInteger::CBigInteger(const CBigInteger& other) = default;
// The source is left as zero; its one word fits inline, so nothing is allocated.
CBigInteger::CBigInteger(CBigInteger&& other) noexcept : m_sign(other.m_sign), m_digits(std::move(other.m_digits)) {
    other.m_digits.push_back(0);
    other.m_sign = 1;
}

// The words first: if they need a block that cannot be had, nothing changes.
CBigInteger& CBigInteger::operator=(const CBigInteger& other) {
    m_digits = other.m_digits;
    m_sign = other.m_sign;
    return *this;
}

CBigInteger& CBigInteger::operator=(CBigInteger&& other) noexcept {
    m_sign = other.m_sign;
    m_digits.swap(other.m_digits);
    return *this;
}

CBigInteger::~CBigInteger() = default;

CBigInteger::CBigInteger(int sign, const std::vector<wchar_t>& digits) : m_sign(sign < 0 ? -1 : 1) {
    DigitBuilder builder(m_digits, digits.size());
    for (wchar_t d : digits) {
        if (d < 0 || d > 9) throw CNyInvalidParamException(L"A digit of a CBigInteger must be between 0 and 9");
        builder.Push(static_cast<unsigned>(d));
    }
    builder.Finish();
}

CBigInteger CBigInteger::FromMagnitude(int32_t sign, Digits&& digits) {
    CBigInteger r;
    r.m_digits.swap(digits);
    r.m_sign = sign < 0 && !r.IsZero() ? -1 : 1;
    return r;
}

bool CBigInteger::IsZero() const { return BigDigits::IsZero(m_digits); }

int CBigInteger::Signum() const { return IsZero() ? 0 : m_sign; }

void CBigInteger::Parse(const wchar_t* text) {
    if (text == nullptr) text = L"";
    const size_t length = std::wcslen(text);
    for (size_t i = 0; i < length; ++i) {
        if (!IsPlainChar(text[i])) {
            *this = CBigInteger(CDecimal(text));
            return;
        }
    }
    size_t end = length;
    while (end > 0 && IsBlank(text[end - 1])) --end;
    size_t begin = 0;
    while (begin < end && IsBlank(text[begin])) ++begin;
    int32_t sign = 1;
    if (begin < end && text[begin] == L'-') {
        sign = -1;
        ++begin;
    }
    // Only the digits after the last non-digit count.
    size_t first = end;
    while (first > begin && IsDigit(text[first - 1])) --first;
    Digits digits;
    FromDigitText(text + first, text + end, digits);
    m_digits.swap(digits);
    m_sign = sign;
}

std::wstring CBigInteger::ToString() const {
    std::wstring out;
    out.reserve(static_cast<size_t>(DigitCount(m_digits)) + 1);
    if (Signum() < 0) out += L'-';
    AppendDigits(m_digits, out);
    return out;
}

CBigInteger CBigInteger::GetAbs() const {
    CBigInteger r(*this);
    r.m_sign = 1;
    return r;
}

void CBigInteger::Abs() { m_sign = 1; }

CBigInteger CBigInteger::GetNegative() const {
    CBigInteger r(*this);
    r.m_sign = -r.m_sign;
    return r;
}

void CBigInteger::Negate() { m_sign = -m_sign; }

CBigInteger& CBigInteger::operator-() {
    m_sign = -m_sign;
    return *this;
}

int CBigInteger::CompareValues(const CBigInteger& a, const CBigInteger& b) {
    int sa = a.Signum();
    int sb = b.Signum();
    if (sa != sb) return sa < sb ? -1 : 1;
    if (sa == 0) return 0;
    int c = BigDigits::Compare(a.m_digits, b.m_digits);
    return sa > 0 ? c : -c;
}

bool CBigInteger::operator==(const CBigInteger& other) const { return CompareValues(*this, other) == 0; }
bool CBigInteger::operator!=(const CBigInteger& other) const { return CompareValues(*this, other) != 0; }
bool CBigInteger::operator<(const CBigInteger& other) const { return CompareValues(*this, other) < 0; }
bool CBigInteger::operator>(const CBigInteger& other) const { return CompareValues(*this, other) > 0; }
bool CBigInteger::operator<=(const CBigInteger& other) const { return CompareValues(*this, other) <= 0; }
bool CBigInteger::operator>=(const CBigInteger& other) const { return CompareValues(*this, other) >= 0; }

void CBigInteger::AddSigned(int32_t sign, const Digits& digits) {
    if (m_sign == sign) {
        BigDigits::Add(m_digits, digits);
    } else if (BigDigits::Compare(m_digits, digits) >= 0) {
        BigDigits::Subtract(m_digits, digits);
    } else {
        Digits larger(digits);
        BigDigits::Subtract(larger, m_digits);
        m_digits.swap(larger);
        m_sign = sign;
    }
    if (IsZero()) m_sign = 1;
}

CBigInteger& CBigInteger::operator+=(const CBigInteger& other) {
    if (&other == this) return *this += CBigInteger(other);
    AddSigned(other.m_sign, other.m_digits);
    return *this;
}

CBigInteger& CBigInteger::operator-=(const CBigInteger& other) {
    if (&other == this) return *this -= CBigInteger(other);
    AddSigned(-other.m_sign, other.m_digits);
    return *this;
}

CBigInteger& CBigInteger::operator*=(const CBigInteger& other) {
    Digits product = BigDigits::Multiply(m_digits, other.m_digits);
    m_sign = m_sign == other.m_sign || BigDigits::IsZero(product) ? 1 : -1;
    m_digits.swap(product);
    return *this;
}

void CBigInteger::DivideBy(const CBigInteger& divisor, const wchar_t* message, bool keepRemainder) {
    if (divisor.IsZero()) throw CNyInvalidValueException(message);
    if (IsZero()) {
        m_sign = 1;
        return;
    }
    Digits quotient;
    Digits remainder;
    BigDigits::Divide(m_digits, divisor.m_digits, quotient, remainder);
    if (keepRemainder) {
        m_digits.swap(remainder);  // the sign stays the dividend's
    } else {
        m_digits.swap(quotient);
        m_sign = m_sign == divisor.m_sign ? 1 : -1;
    }
    if (IsZero()) m_sign = 1;
}

CBigInteger& CBigInteger::operator/=(const CBigInteger& other) {
    DivideBy(other, L"ERROR: Overflow in operator /=.", false);
    return *this;
}

CBigInteger& CBigInteger::operator%=(const CBigInteger& other) {
    DivideBy(other, L"ERROR: Overflow in operator%=.", true);
    return *this;
}

CBigInteger CBigInteger::operator+(const CBigInteger& other) const {
    CBigInteger r(*this);
    r += other;
    return r;
}

CBigInteger CBigInteger::operator-(const CBigInteger& other) const {
    CBigInteger r(*this);
    r -= other;
    return r;
}

CBigInteger CBigInteger::operator*(const CBigInteger& other) const {
    CBigInteger r(*this);
    r *= other;
    return r;
}

CBigInteger CBigInteger::operator/(const CBigInteger& other) const {
    CBigInteger r(*this);
    r.DivideBy(other, L"ERROR: Overflow in operator/.", false);
    return r;
}

CBigInteger CBigInteger::operator%(const CBigInteger& other) const {
    CBigInteger r(*this);
    r.DivideBy(other, L"ERROR: Overflow in operator%.", true);
    return r;
}

bool CBigInteger::FitsInt64(int64_t& value) const {
    uint64_t magnitude = 0;
    if (!ToUint64(m_digits, magnitude)) return false;
    const uint64_t kMaxPositive = static_cast<uint64_t>(INT64_MAX);
    if (Signum() < 0) {
        if (magnitude > kMaxPositive + 1) return false;
        value = magnitude == kMaxPositive + 1 ? INT64_MIN : -static_cast<int64_t>(magnitude);
    } else {
        if (magnitude > kMaxPositive) return false;
        value = static_cast<int64_t>(magnitude);
    }
    return true;
}

CBigInteger::operator int() const {
    int64_t value = 0;
    if (!FitsInt64(value) || value < INT32_MIN || value > INT32_MAX) {
        throw CNyInvalidValueException(L"ERROR: Value out of bound of int.");
    }
    return static_cast<int>(value);
}

CBigInteger::operator int64_t() const {
    int64_t value = 0;
    if (!FitsInt64(value)) throw CNyInvalidValueException(L"ERROR: Value out of bound of LONGLONG.");
    return value;
}

// Newton's iteration x <- (x + n / x) / 2 from 10^ceil(digits / 2), which is
// not below the root; it decreases until it reaches the floor of the root.
CBigInteger CBigInteger::SquareRoot() const {
    if (Signum() < 0) throw CNyInvalidValueException(L"ERROR: Negative Number in function SquareRoot().");
    if (IsZero()) return CBigInteger();
    Digits x;
    BigDigits::Pow10((DigitCount(m_digits) + 1) / 2, x);
    for (;;) {
        Digits next;
        Digits remainder;
        BigDigits::Divide(m_digits, x, next, remainder);
        BigDigits::Add(next, x);
        DivideSmall(next, 2);
        if (BigDigits::Compare(next, x) >= 0) break;
        x.swap(next);
    }
    return FromMagnitude(1, std::move(x));
}

CBigInteger CBigInteger::Pow10(unsigned int n) {
    Digits digits;
    BigDigits::Pow10(n, digits);
    return FromMagnitude(1, std::move(digits));
}

// The protected digit operations, over the same magnitudes as BigDigits.

void CBigInteger::Build(uint32_t value, Digits& out) { FromUint64(value, out); }

void CBigInteger::Build(const wchar_t* digits, size_t length, Digits& out) {
    for (size_t i = 0; i < length; ++i) {
        if (!IsDigit(digits[i])) throw CNyInvalidParamException(L"A digit of a CBigInteger must be between 0 and 9");
    }
    FromDigitText(digits, digits + length, out);
}

void CBigInteger::BuildDWORDLONG(uint64_t value, Digits& out) { FromUint64(value, out); }

void CBigInteger::BuildDouble(double value, Digits& out) {
    double magnitude = std::fabs(value);
    // From 2^52 up every double is a whole number; below, |x| - 0.5 is exact.
    if (magnitude >= 4503599627370496.0) {
        FromIntegralDouble(magnitude, out);
    } else {
        FromUint64(static_cast<uint64_t>(std::ceil(magnitude - 0.5)), out);
    }
}

void CBigInteger::Clean(Digits& a) { BigDigits::Clean(a); }
int CBigInteger::Compare(const Digits& a, const Digits& b) { return BigDigits::Compare(a, b); }
void CBigInteger::Add(Digits& a, const Digits& b) { BigDigits::Add(a, b); }
void CBigInteger::Subtract(Digits& a, const Digits& b) { BigDigits::Subtract(a, b); }
void CBigInteger::Multiply(Digits& a, uint32_t factor) { MultiplySmall(a, factor); }
CBigInteger::Digits CBigInteger::Multiply(const Digits& a, const Digits& b) { return BigDigits::Multiply(a, b); }
void CBigInteger::ShiftLeft(Digits& a, unsigned int k) { BigDigits::ShiftLeft(a, k); }
uint64_t CBigInteger::Position(const Digits& a) { return DigitCount(a); }
void CBigInteger::Pow10(unsigned int n, Digits& out) { BigDigits::Pow10(n, out); }

void CBigInteger::Divide(const Digits& a, const Digits& b, Digits& quotient, Digits& remainder) {
    if (BigDigits::IsZero(b)) throw CNyInvalidValueException(L"ERROR: Overflow in operator/.");
    BigDigits::Divide(a, b, quotient, remainder);
}

}  // namespace NyXmlLib9
