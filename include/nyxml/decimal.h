// CDecimal: exact decimal numbers of unlimited size with a bounded number of
// fraction digits, the value type of the XSD decimal item type.
#ifndef NYXML_DECIMAL_H
#define NYXML_DECIMAL_H

#include <nyxml/biginteger.h>
#include <nyxml/export.h>

#include <cstdint>
#include <string>

namespace NyXmlLib9 {

class CConversions;

// Value = sign * (|whole| + |fraction| / 10^places). Results of parsing, +, *
// and / carry no trailing zero fraction digits, and parsing, * and / keep at
// most GetMaxDecimalPlaces() places, rounding halves away from zero.
//
// Text with an exponent above 10^6 ("1e1000001") is refused with a message
// of the library's own, "The string representing a Decimal, contained an
// exponent out of range [...]": a nine-character text would otherwise build
// a number of a million digits. Negative exponents of any size round to zero.
// This is kept on purpose.
class NYXML_API CDecimal {
public:
    CDecimal();
    CDecimal(int value);
    CDecimal(int64_t value);
    // The double as printf "%.13f" prints it (13 places, rounded), then parsed.
    CDecimal(double value);
    CDecimal(const CBigInteger& value);
    // Throws CNyInvalidValueException for text that is not a decimal number.
    CDecimal(const wchar_t* text);
    CDecimal(const CDecimal& other);
    CDecimal(CDecimal&& other) noexcept;
    CDecimal& operator=(const CDecimal& other);
    CDecimal& operator=(CDecimal&& other) noexcept;
    virtual ~CDecimal();

    // Process-wide number of places kept (default 30); not synchronised, so
    // set it before decimals are used on several threads. A negative number is
    // taken as 0 (results rounded to whole numbers) and GetMaxDecimalPlaces then
    // returns 0.
    static int GetMaxDecimalPlaces();
    static void SetMaxDecimalPlaces(int places);

    // XSD lexical form: "2", "-0.5", "1.05".
    std::wstring ToString() const;
    // Rounded to exactly n places, halves away from zero; "5." for n = 0.
    std::wstring ToString(int n) const;

    // Conversions; throw CNyOverFlowException when the value does not fit.
    int64_t ToLongLong() const;
    int32_t ToLong() const;
    double ToDouble() const;
    CBigInteger ToBigInteger() const;

    CDecimal GetNegative() const;
    void Negate();

    CDecimal operator+(const CDecimal& other) const;
    CDecimal operator-(const CDecimal& other) const;
    CDecimal operator*(const CDecimal& other) const;
    CDecimal operator/(const CDecimal& other) const;
    CDecimal& operator+=(const CDecimal& other);
    CDecimal& operator-=(const CDecimal& other);
    CDecimal& operator*=(const CDecimal& other);
    CDecimal& operator/=(const CDecimal& other);
    CDecimal& operator++();
    CDecimal operator++(int);
    CDecimal& operator--();
    CDecimal operator--(int);

    bool operator==(const CDecimal& other) const;
    bool operator!=(const CDecimal& other) const;
    bool operator<(const CDecimal& other) const;
    bool operator>(const CDecimal& other) const;
    bool operator<=(const CDecimal& other) const;
    bool operator>=(const CDecimal& other) const;

private:
    friend class CBigInteger;
    friend class CConversions;

    CDecimal(const CBigInteger& whole, const CBigInteger& fraction, int places);

    void Parse(const wchar_t* text);
    // Drops trailing zero fraction digits while more than one place remains.
    void Rationalise();
    // Changes the number of places, rounding halves away from zero when
    // places are dropped; 0 rounds to a whole number (kept with one place).
    void ChangeFractionalDivider(int places);
    // Brings both values to the larger number of places.
    static void Normalize(CDecimal& a, CDecimal& b);

    bool IsNegative() const;
    bool IsZeroValue() const;
    void SetNegative(bool negative);
    // |value| * 10^places as one magnitude, for places >= m_places.
    CBigInteger::Digits Scaled(int64_t places) const;
    // Sets the value sign * magnitude / 10^places; rounds to the maximum
    // number of places when `limit` is set, then rationalises.
    void AssignScaled(bool negative, CBigInteger::Digits&& magnitude, int64_t places, bool limit);
    static int CompareValues(const CDecimal& a, const CDecimal& b);
    void AddSigned(const CDecimal& other, bool negate);
    CDecimal RoundedCopy(int places) const;

    static int32_t m_maxDivider;

    CBigInteger m_whole;
    CBigInteger m_fraction;
    int32_t m_places;
};

}  // namespace NyXmlLib9

#endif
