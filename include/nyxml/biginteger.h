// CBigInteger: signed whole numbers of unlimited size, the value type of the
// XSD integer item type and the two parts of a CDecimal.
#ifndef NYXML_BIGINTEGER_H
#define NYXML_BIGINTEGER_H

#include <nyxml/export.h>

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace NyXmlLib9 {

class CDecimal;

// The words of a CBigInteger magnitude: a growable array of 32-bit words kept
// in the object itself up to kInlineWords words (magnitudes below 10^36 need no
// heap block) and on the heap beyond. It offers the part of the std::vector
// interface the digit arithmetic uses; iterators are plain pointers. A copy
// takes a heap block only for a value too large to be kept inline; a move
// never allocates and leaves the source empty. Every operation that may
// allocate leaves the object unchanged when the allocation fails.
class NYXML_API CDigitWords {
public:
    typedef uint32_t value_type;
    typedef uint32_t* iterator;
    typedef const uint32_t* const_iterator;
    static constexpr uint32_t kInlineWords = 4;

    CDigitWords() noexcept : m_store(), m_size(0), m_capacity(kInlineWords) {}
    explicit CDigitWords(size_t count, uint32_t value = 0);
    CDigitWords(std::initializer_list<uint32_t> words);
    CDigitWords(const CDigitWords& other);
    CDigitWords(CDigitWords&& other) noexcept
        : m_store(other.m_store), m_size(other.m_size), m_capacity(other.m_capacity) {
        other.m_size = 0;
        other.m_capacity = kInlineWords;
    }
    CDigitWords& operator=(const CDigitWords& other);
    CDigitWords& operator=(CDigitWords&& other) noexcept;
    ~CDigitWords() {
        if (OnHeap()) Release();
    }

    size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    size_t capacity() const { return m_capacity; }
    static size_t max_size() { return UINT32_MAX; }

    uint32_t* data() { return OnHeap() ? m_store.heap : m_store.local; }
    const uint32_t* data() const { return OnHeap() ? m_store.heap : m_store.local; }
    uint32_t& operator[](size_t i) { return data()[i]; }
    uint32_t operator[](size_t i) const { return data()[i]; }
    uint32_t& back() { return data()[m_size - 1]; }
    uint32_t back() const { return data()[m_size - 1]; }
    iterator begin() { return data(); }
    iterator end() { return data() + m_size; }
    const_iterator begin() const { return data(); }
    const_iterator end() const { return data() + m_size; }

    void push_back(uint32_t word) {
        if (m_size == m_capacity) Reallocate(GrownCapacity(static_cast<size_t>(m_size) + 1));
        data()[m_size++] = word;
    }
    void pop_back() { --m_size; }
    void clear() { m_size = 0; }
    void reserve(size_t count) {
        if (count > m_capacity) Reallocate(count);
    }
    void resize(size_t count, uint32_t value = 0);
    void assign(size_t count, uint32_t value);
    void assign(const_iterator first, const_iterator last);
    iterator insert(const_iterator position, size_t count, uint32_t value);
    iterator erase(const_iterator first, const_iterator last);
    void swap(CDigitWords& other) noexcept;

private:
    bool OnHeap() const { return m_capacity > kInlineWords; }
    // Capacity for `count` words, growing geometrically.
    size_t GrownCapacity(size_t count) const;
    // Moves the words to a heap block of `capacity` words; the words stay
    // where they were if it throws.
    void Reallocate(size_t capacity);
    void Release() noexcept;

    union Store {
        uint32_t local[kInlineWords];
        uint32_t* heap;
    } m_store;
    uint32_t m_size;
    uint32_t m_capacity;  // kInlineWords while the words are inline
};

// Held as decimal digits (packed nine to a 32-bit word), so text converts to
// and from the value in linear time. Failures throw CNyInvalidValueException
// and leave the object unchanged. Text with an exponent is read through
// CDecimal, so an exponent above 10^6 is refused with its message ("The string
// representing a Decimal, contained an exponent out of range [...]") rather
// than building a million digits; this is kept on purpose.
class NYXML_API CBigInteger {
public:
    // Bounds of the 32-bit and 64-bit conversions and of CDecimal::ToDouble
    // (+-1.7E+308), built when the library is loaded, before any other static
    // object of the library.
    static const CBigInteger MAX_LONG;
    static const CBigInteger MIN_LONG;
    static const CBigInteger MAX_LONGLONG;
    static const CBigInteger MIN_LONGLONG;
    static const CBigInteger MAX_DOUBLE;
    static const CBigInteger MIN_DOUBLE;

    CBigInteger();
    CBigInteger(int value);
    CBigInteger(int64_t value);
    // The magnitude rounded as ceil(|x| - 0.5), with the sign of x; throws for
    // infinities and not-a-number.
    CBigInteger(double value);
    // Rounded to an integer, halves away from zero.
    CBigInteger(const CDecimal& value);
    CBigInteger(const wchar_t* text);
    CBigInteger(const CBigInteger& other);
    // Leaves `other` as zero.
    CBigInteger(CBigInteger&& other) noexcept;
    CBigInteger& operator=(const CBigInteger& other);
    CBigInteger& operator=(CBigInteger&& other) noexcept;
    virtual ~CBigInteger();

    // Text made only of digits, signs and white space is read from its last
    // digit group ("+5" is 5, "1 2" is 2, a "-" after leading blanks makes it
    // negative); any other text is read as a CDecimal and rounded.
    void Parse(const wchar_t* text);
    std::wstring ToString() const;

    CBigInteger GetAbs() const;
    void Abs();
    CBigInteger GetNegative() const;
    void Negate();
    // Negates this object in place.
    CBigInteger& operator-();

    bool operator==(const CBigInteger& other) const;
    bool operator!=(const CBigInteger& other) const;
    bool operator<(const CBigInteger& other) const;
    bool operator>(const CBigInteger& other) const;
    bool operator<=(const CBigInteger& other) const;
    bool operator>=(const CBigInteger& other) const;

    CBigInteger operator+(const CBigInteger& other) const;
    CBigInteger operator-(const CBigInteger& other) const;
    CBigInteger operator*(const CBigInteger& other) const;
    // Quotient truncated toward zero.
    CBigInteger operator/(const CBigInteger& other) const;
    // Remainder of the truncating division; it has the sign of the dividend.
    CBigInteger operator%(const CBigInteger& other) const;
    CBigInteger& operator+=(const CBigInteger& other);
    CBigInteger& operator-=(const CBigInteger& other);
    CBigInteger& operator*=(const CBigInteger& other);
    CBigInteger& operator/=(const CBigInteger& other);
    CBigInteger& operator%=(const CBigInteger& other);

    // Range-checked conversions to 32-bit and 64-bit integers.
    operator int() const;
    operator int64_t() const;

    // Floor of the square root of a non-negative value.
    CBigInteger SquareRoot() const;
    static CBigInteger Pow10(unsigned int n);

protected:
    // A magnitude: decimal digits nine to a word, least significant word first,
    // each word below 10^9, no high-order zero words except for zero itself.
    typedef CDigitWords Digits;

    // From a sign (+1 or -1) and decimal digits 0..9, least significant first.
    CBigInteger(int sign, const std::vector<wchar_t>& digits);

    static void Build(uint32_t value, Digits& out);
    // From a run of decimal digits.
    static void Build(const wchar_t* digits, size_t length, Digits& out);
    static void BuildDWORDLONG(uint64_t value, Digits& out);
    // The magnitude of a double, rounded as the double constructor does.
    static void BuildDouble(double value, Digits& out);
    static void Clean(Digits& a);
    static int Compare(const Digits& a, const Digits& b);
    static void Add(Digits& a, const Digits& b);
    // a -= b where a >= b.
    static void Subtract(Digits& a, const Digits& b);
    static void Multiply(Digits& a, uint32_t factor);
    static Digits Multiply(const Digits& a, const Digits& b);
    // a *= 10^k.
    static void ShiftLeft(Digits& a, unsigned int k);
    // Number of decimal digits, at least 1.
    static uint64_t Position(const Digits& a);
    static void Pow10(unsigned int n, Digits& out);
    static void Divide(const Digits& a, const Digits& b, Digits& quotient, Digits& remainder);

private:
    friend class CDecimal;

    static CBigInteger FromMagnitude(int32_t sign, Digits&& digits);
    bool IsZero() const;
    // Sign of the value: -1, 0 or 1 (a zero of either sign gives 0).
    int Signum() const;
    static int CompareValues(const CBigInteger& a, const CBigInteger& b);
    void AddSigned(int32_t sign, const Digits& digits);
    void DivideBy(const CBigInteger& divisor, const wchar_t* message, bool keepRemainder);
    bool FitsInt64(int64_t& value) const;

    int32_t m_sign;
    Digits m_digits;
};

}  // namespace NyXmlLib9

#endif
