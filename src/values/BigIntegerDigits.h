// Magnitude arithmetic shared by CBigInteger and CDecimal.
//
// A magnitude is an array of words (CDigitWords), least significant first, each holding nine
// decimal digits (0 .. 999999999). Decimal digits stay the unit of meaning:
// digit positions, shifts by powers of ten and rounding work on decimal digit
// indexes, and text converts to words and back without any base conversion.
// Invariant: at least one word, no high-order zero words except for zero.
#ifndef NYXML_SRC_VALUES_BIGINTEGERDIGITS_H
#define NYXML_SRC_VALUES_BIGINTEGERDIGITS_H

#include <nyxml/biginteger.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace NyXmlLib9 {
namespace BigDigits {

typedef CDigitWords Words;

const uint32_t kBase = 1000000000u;
const unsigned kWordDigits = 9;
extern const uint32_t kPow10[kWordDigits + 1];

inline bool IsZero(const Words& a) { return a.size() == 1 && a[0] == 0; }
inline void SetZero(Words& a) { a.assign(1, 0); }

// Removes high-order zero words, keeping one.
void Clean(Words& a);
// Number of decimal digits, at least 1.
uint64_t DigitCount(const Words& a);
// Decimal digit at position `index` (0 = units); 0 beyond the top.
unsigned DigitAt(const Words& a, uint64_t index);
// Number of low-order zero digits of a non-zero magnitude (0 for zero).
uint64_t TrailingZeros(const Words& a);
// -1, 0 or 1.
int Compare(const Words& a, const Words& b);

void FromUint64(uint64_t value, Words& out);
// False when the magnitude exceeds 2^64 - 1.
bool ToUint64(const Words& a, uint64_t& value);
// The exact value of a finite, integral, non-negative double.
void FromIntegralDouble(double value, Words& out);

void Add(Words& a, const Words& b);       // a += b
void Subtract(Words& a, const Words& b);  // a -= b, requires a >= b
void AddSmall(Words& a, uint32_t value);  // a += value
void MultiplySmall(Words& a, uint32_t factor);
// Divides in place by a non-zero factor and returns the remainder.
uint32_t DivideSmall(Words& a, uint32_t divisor);
Words Multiply(const Words& a, const Words& b);
// Long division of magnitudes; the divisor must not be zero.
void Divide(const Words& a, const Words& b, Words& quotient, Words& remainder);

// a *= 10^k.
void ShiftLeft(Words& a, uint64_t k);
// a /= 10^k, truncating.
void ShiftRight(Words& a, uint64_t k);
// a /= 10^k, rounding a remainder of at least half up (away from zero).
void RoundOff(Words& a, uint64_t k);
// high = a / 10^k, low = a % 10^k.
void Split(const Words& a, uint64_t k, Words& high, Words& low);
void Pow10(uint64_t n, Words& out);

// Builds a magnitude from decimal digits fed least significant first.
class DigitBuilder {
public:
    explicit DigitBuilder(Words& out, uint64_t expectedDigits = 0);
    void Push(unsigned digit) {
        m_word += digit * kPow10[m_fill];
        if (++m_fill == kWordDigits) Flush();
    }
    // Ends the magnitude; the builder is not used afterwards.
    void Finish();

private:
    void Flush();
    Words& m_out;
    uint32_t m_word;
    unsigned m_fill;
};

// Magnitude of the decimal digits in [begin, end), which must all be digits.
void FromDigitText(const wchar_t* begin, const wchar_t* end, Words& out);
// Appends the digits, most significant first, without sign.
void AppendDigits(const Words& a, std::wstring& out);
// Appends `width` digits of the low part of `a`, left-padded with zeros; `a`
// must have no more than `width` digits.
void AppendPadded(const Words& a, uint64_t width, std::wstring& out);

}  // namespace BigDigits
}  // namespace NyXmlLib9

#endif
