#include <nyxml/decimal.h>
#include <nyxml/foundation.h>

#include "values/BigIntegerDigits.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <string>

namespace NyXmlLib9 {

using namespace BigDigits;

// Constant-initialised, so decimals parsed while the library loads see it.
int32_t CDecimal::m_maxDivider = 30;

namespace {

// 1.7E+308 as a magnitude, the bound of ToDouble. Built on first use from
// digit arithmetic alone, so it does not depend on the order of static
// initialisation.
const Words& DoubleBound() {
    static const Words bound = [] {
        Words w;
        FromUint64(17, w);
        ShiftLeft(w, 307);
        return w;
    }();
    return bound;
}

}  // namespace

CDecimal::CDecimal() : m_places(1) {}

CDecimal::CDecimal(int value) : CDecimal(static_cast<int64_t>(value)) {}

CDecimal::CDecimal(int64_t value) : m_whole(value), m_places(1) { SetNegative(value < 0); }

// The text printf "%.13f" gives, produced without regard to the C locale's
// decimal point (to_chars rounds exactly as printf does).
CDecimal::CDecimal(double value) : m_places(1) {
    // At most 309 integer digits, a sign, a point and 13 fraction digits.
    char narrow[400];
    char* end = std::to_chars(narrow, narrow + sizeof narrow, value, std::chars_format::fixed, 13).ptr;
    wchar_t text[400];
    size_t length = static_cast<size_t>(end - narrow);
    for (size_t i = 0; i < length; ++i) text[i] = static_cast<unsigned char>(narrow[i]);
    text[length] = 0;
    Parse(text);
}

CDecimal::CDecimal(const CBigInteger& value) : m_whole(value), m_places(1) { SetNegative(value.Signum() < 0); }

CDecimal::CDecimal(const wchar_t* text) : m_places(1) { Parse(text); }

CDecimal::CDecimal(const CBigInteger& whole, const CBigInteger& fraction, int places)
    : m_whole(whole), m_fraction(fraction), m_places(std::max(places, 1)) {
    SetNegative(whole.IsZero() ? fraction.Signum() < 0 : whole.m_sign < 0);
}

CDecimal::CDecimal(const CDecimal& other) = default;
CDecimal::CDecimal(CDecimal&& other) noexcept = default;
// Room for both parts first, so that a failed allocation changes no value.
CDecimal& CDecimal::operator=(const CDecimal& other) {
    m_whole.m_digits.reserve(other.m_whole.m_digits.size());
    m_fraction.m_digits.reserve(other.m_fraction.m_digits.size());
    m_whole = other.m_whole;
    m_fraction = other.m_fraction;
    m_places = other.m_places;
    return *this;
}
CDecimal& CDecimal::operator=(CDecimal&& other) noexcept = default;
CDecimal::~CDecimal() = default;

int CDecimal::GetMaxDecimalPlaces() { return m_maxDivider; }

// A negative number keeps no places, as 0 does, and is stored as 0.
void CDecimal::SetMaxDecimalPlaces(int places) { m_maxDivider = places < 0 ? 0 : places; }

bool CDecimal::IsNegative() const { return m_whole.m_sign < 0; }

bool CDecimal::IsZeroValue() const { return m_whole.IsZero() && m_fraction.IsZero(); }

// Both parts carry the sign of the value; zero is always positive.
void CDecimal::SetNegative(bool negative) {
    int32_t sign = negative && !IsZeroValue() ? -1 : 1;
    m_whole.m_sign = sign;
    m_fraction.m_sign = sign;
}

CBigInteger::Digits CDecimal::Scaled(int64_t places) const {
    Words magnitude(m_whole.m_digits);
    BigDigits::ShiftLeft(magnitude, static_cast<uint64_t>(places));
    Words fraction(m_fraction.m_digits);
    BigDigits::ShiftLeft(fraction, static_cast<uint64_t>(places - m_places));
    BigDigits::Add(magnitude, fraction);
    return magnitude;
}

void CDecimal::AssignScaled(bool negative, CBigInteger::Digits&& magnitude, int64_t places, bool limit) {
    if (limit && places > m_maxDivider) {
        RoundOff(magnitude, static_cast<uint64_t>(places - m_maxDivider));
        places = m_maxDivider;
    }
    if (BigDigits::IsZero(magnitude)) {
        places = 1;
    } else if (places > 1) {
        uint64_t drop = std::min<uint64_t>(TrailingZeros(magnitude), static_cast<uint64_t>(places - 1));
        ShiftRight(magnitude, drop);
        places -= static_cast<int64_t>(drop);
    }
    if (places == 0) {
        m_whole.m_digits.swap(magnitude);
        SetZero(m_fraction.m_digits);
        m_places = 1;
    } else {
        Split(magnitude, static_cast<uint64_t>(places), m_whole.m_digits, m_fraction.m_digits);
        m_places = static_cast<int32_t>(places);
    }
    SetNegative(negative);
}

void CDecimal::Rationalise() {
    if (m_fraction.IsZero()) {
        m_places = 1;
        return;
    }
    uint64_t drop = std::min<uint64_t>(TrailingZeros(m_fraction.m_digits), static_cast<uint64_t>(m_places - 1));
    ShiftRight(m_fraction.m_digits, drop);
    m_places -= static_cast<int32_t>(drop);
}

void CDecimal::ChangeFractionalDivider(int places) {
    places = std::max(places, 0);
    if (places >= m_places) {
        BigDigits::ShiftLeft(m_fraction.m_digits, static_cast<uint64_t>(places - m_places));
        m_places = places;
        return;
    }
    const bool negative = IsNegative();
    Words& fraction = m_fraction.m_digits;
    RoundOff(fraction, static_cast<uint64_t>(m_places - places));
    // Rounding up from .99..9 gives 10^places: carry into the whole part.
    if (!BigDigits::IsZero(fraction) && DigitCount(fraction) > static_cast<uint64_t>(places)) {
        SetZero(fraction);
        AddSmall(m_whole.m_digits, 1);
    }
    m_places = std::max(places, 1);
    SetNegative(negative);
}

void CDecimal::Normalize(CDecimal& a, CDecimal& b) {
    int places = std::max(a.m_places, b.m_places);
    a.ChangeFractionalDivider(places);
    b.ChangeFractionalDivider(places);
}

int CDecimal::CompareValues(const CDecimal& a, const CDecimal& b) {
    int sa = a.IsZeroValue() ? 0 : (a.IsNegative() ? -1 : 1);
    int sb = b.IsZeroValue() ? 0 : (b.IsNegative() ? -1 : 1);
    if (sa != sb) return sa < sb ? -1 : 1;
    if (sa == 0) return 0;
    // Bringing both to the same places only scales the fractions.
    int c = BigDigits::Compare(a.m_whole.m_digits, b.m_whole.m_digits);
    if (c == 0 && a.m_places == b.m_places) {
        c = BigDigits::Compare(a.m_fraction.m_digits, b.m_fraction.m_digits);
    } else if (c == 0) {
        const bool aLonger = a.m_places > b.m_places;
        Words scaled((aLonger ? b : a).m_fraction.m_digits);
        BigDigits::ShiftLeft(scaled, static_cast<uint64_t>(std::abs(a.m_places - b.m_places)));
        c = aLonger ? BigDigits::Compare(a.m_fraction.m_digits, scaled)
                    : BigDigits::Compare(scaled, b.m_fraction.m_digits);
    }
    return sa > 0 ? c : -c;
}

bool CDecimal::operator==(const CDecimal& other) const { return CompareValues(*this, other) == 0; }
bool CDecimal::operator!=(const CDecimal& other) const { return CompareValues(*this, other) != 0; }
bool CDecimal::operator<(const CDecimal& other) const { return CompareValues(*this, other) < 0; }
bool CDecimal::operator>(const CDecimal& other) const { return CompareValues(*this, other) > 0; }
bool CDecimal::operator<=(const CDecimal& other) const { return CompareValues(*this, other) <= 0; }
bool CDecimal::operator>=(const CDecimal& other) const { return CompareValues(*this, other) >= 0; }

// Exact sum of both values brought to the larger number of places.
void CDecimal::AddSigned(const CDecimal& other, bool negate) {
    const int64_t places = std::max(m_places, other.m_places);
    Words a = Scaled(places);
    Words b = other.Scaled(places);
    bool negative = IsNegative();
    const bool otherNegative = other.IsNegative() != negate;
    if (negative == otherNegative) {
        BigDigits::Add(a, b);
    } else if (BigDigits::Compare(a, b) >= 0) {
        BigDigits::Subtract(a, b);
    } else {
        BigDigits::Subtract(b, a);
        a.swap(b);
        negative = otherNegative;
    }
    AssignScaled(negative, std::move(a), places, false);
}

CDecimal& CDecimal::operator+=(const CDecimal& other) {
    AddSigned(other, false);
    return *this;
}

CDecimal& CDecimal::operator-=(const CDecimal& other) {
    AddSigned(other, true);
    return *this;
}

CDecimal& CDecimal::operator*=(const CDecimal& other) {
    Words product = BigDigits::Multiply(Scaled(m_places), other.Scaled(other.m_places));
    const int64_t places = static_cast<int64_t>(m_places) + other.m_places;
    AssignScaled(IsNegative() != other.IsNegative(), std::move(product), places, true);
    return *this;
}

// The quotient is truncated to two places more than are kept, then rounded.
CDecimal& CDecimal::operator/=(const CDecimal& other) {
    if (other.IsZeroValue()) throw CNyInvalidValueException(L"ERROR: Overflow in operator/.");
    const int64_t places = static_cast<int64_t>(m_maxDivider) + 2;
    Words numerator = Scaled(m_places);
    Words denominator = other.Scaled(other.m_places);
    // a / 10^pa / (b / 10^pb) * 10^places = a * 10^(pb + places - pa) / b
    const int64_t shift = other.m_places + places - m_places;
    if (shift >= 0) {
        BigDigits::ShiftLeft(numerator, static_cast<uint64_t>(shift));
    } else {
        BigDigits::ShiftLeft(denominator, static_cast<uint64_t>(-shift));
    }
    Words quotient;
    Words remainder;
    BigDigits::Divide(numerator, denominator, quotient, remainder);
    AssignScaled(IsNegative() != other.IsNegative(), std::move(quotient), places, true);
    return *this;
}

CDecimal CDecimal::operator+(const CDecimal& other) const {
    CDecimal r(*this);
    r += other;
    return r;
}

CDecimal CDecimal::operator-(const CDecimal& other) const {
    CDecimal r(*this);
    r -= other;
    return r;
}

CDecimal CDecimal::operator*(const CDecimal& other) const {
    CDecimal r(*this);
    r *= other;
    return r;
}

CDecimal CDecimal::operator/(const CDecimal& other) const {
    CDecimal r(*this);
    r /= other;
    return r;
}

CDecimal& CDecimal::operator++() { return *this += CDecimal(1); }
CDecimal& CDecimal::operator--() { return *this -= CDecimal(1); }

CDecimal CDecimal::operator++(int) {
    CDecimal old(*this);
    *this += CDecimal(1);
    return old;
}

CDecimal CDecimal::operator--(int) {
    CDecimal old(*this);
    *this -= CDecimal(1);
    return old;
}

CDecimal CDecimal::GetNegative() const {
    CDecimal r(*this);
    r.Negate();
    return r;
}

void CDecimal::Negate() { SetNegative(!IsNegative()); }

CDecimal CDecimal::RoundedCopy(int places) const {
    CDecimal r(*this);
    r.ChangeFractionalDivider(places);
    return r;
}

int32_t CDecimal::ToLong() const {
    int64_t value = 0;
    if (!RoundedCopy(0).m_whole.FitsInt64(value) || value < INT32_MIN || value > INT32_MAX) {
        throw CNyOverFlowException(L"The Decimal value if to large to fit into a LONG");
    }
    return static_cast<int32_t>(value);
}

// Rounded to one place, then the remaining place is dropped: 2.96 gives 3 and
// 2.94 gives 2.
int64_t CDecimal::ToLongLong() const {
    int64_t value = 0;
    if (!RoundedCopy(1).m_whole.FitsInt64(value)) {
        throw CNyOverFlowException(L"The Decimal value if to large to fit into a LONGLONG");
    }
    return value;
}

double CDecimal::ToDouble() const {
    if (BigDigits::Compare(m_whole.m_digits, DoubleBound()) > 0) {
        throw CNyOverFlowException(L"The Decimal value if to large to fit into a Double");
    }
    // Read like wcstod in the C locale, whatever locale the program has set.
    const std::wstring text = ToString();
    const std::string narrow(text.begin(), text.end());
    double value = 0;
    std::from_chars(narrow.data(), narrow.data() + narrow.size(), value);
    return value;
}

CBigInteger CDecimal::ToBigInteger() const { return RoundedCopy(0).m_whole; }

}  // namespace NyXmlLib9
