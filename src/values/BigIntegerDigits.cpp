#include "values/BigIntegerDigits.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <vector>

namespace NyXmlLib9 {
namespace BigDigits {

const uint32_t kPow10[kWordDigits + 1] = {1u,      10u,      100u,      1000u,      10000u,
                                          100000u, 1000000u, 10000000u, 100000000u, 1000000000u};

namespace {

unsigned WordDigits(uint32_t word) {
    unsigned n = 1;
    while (n < kWordDigits && word >= kPow10[n]) ++n;
    return n;
}

// Word count of a shift by k digits, checked against the store's limits.
size_t ShiftWords(uint64_t k) {
    uint64_t words = k / kWordDigits;
    if (words > Words::max_size()) throw std::length_error("magnitude too large");
    return static_cast<size_t>(words);
}

// a *= factor where the product is known to fit in a.size() words.
void MultiplyInPlace(Words& a, uint32_t factor) {
    uint64_t carry = 0;
    for (uint32_t& w : a) {
        uint64_t cur = static_cast<uint64_t>(w) * factor + carry;
        w = static_cast<uint32_t>(cur % kBase);
        carry = cur / kBase;
    }
}

// One step of long division: u[j..j+n] -= qhat * v. Returns false when the
// result went negative, in which case v has been added back once.
bool MultiplySubtract(Words& words, size_t j, const Words& divisor, uint64_t qhat) {
    const size_t n = divisor.size();
    uint32_t* const u = words.data();
    const uint32_t* const v = divisor.data();
    uint64_t carry = 0;
    int64_t borrow = 0;
    for (size_t i = 0; i < n; ++i) {
        uint64_t p = qhat * v[i] + carry;
        carry = p / kBase;
        int64_t t = static_cast<int64_t>(u[i + j]) - static_cast<int64_t>(p % kBase) - borrow;
        borrow = t < 0 ? 1 : 0;
        u[i + j] = static_cast<uint32_t>(t + borrow * static_cast<int64_t>(kBase));
    }
    int64_t top = static_cast<int64_t>(u[j + n]) - static_cast<int64_t>(carry) - borrow;
    if (top >= 0) {
        u[j + n] = static_cast<uint32_t>(top);
        return true;
    }
    // The estimate was one too large: adding v back cancels the negative top word.
    uint32_t c = 0;
    for (size_t i = 0; i < n; ++i) {
        uint32_t s = u[i + j] + v[i] + c;
        c = s >= kBase ? 1 : 0;
        u[i + j] = s - c * kBase;
    }
    u[j + n] = static_cast<uint32_t>(top + c);
    return false;
}

}  // namespace

void Clean(Words& a) {
    while (a.size() > 1 && a.back() == 0) a.pop_back();
    if (a.empty()) a.push_back(0);
}

uint64_t DigitCount(const Words& a) {
    return static_cast<uint64_t>(a.size() - 1) * kWordDigits + WordDigits(a.back());
}

unsigned DigitAt(const Words& a, uint64_t index) {
    uint64_t word = index / kWordDigits;
    if (word >= a.size()) return 0;
    return (a[static_cast<size_t>(word)] / kPow10[index % kWordDigits]) % 10;
}

uint64_t TrailingZeros(const Words& a) {
    size_t i = 0;
    while (i < a.size() && a[i] == 0) ++i;
    if (i == a.size()) return 0;
    uint64_t count = static_cast<uint64_t>(i) * kWordDigits;
    for (uint32_t w = a[i]; w % 10 == 0; w /= 10) ++count;
    return count;
}

int Compare(const Words& x, const Words& y) {
    if (x.size() != y.size()) return x.size() < y.size() ? -1 : 1;
    const uint32_t* const a = x.data();
    const uint32_t* const b = y.data();
    for (size_t i = x.size(); i-- > 0;) {
        if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
    }
    return 0;
}

void FromUint64(uint64_t value, Words& out) {
    out.clear();
    do {
        out.push_back(static_cast<uint32_t>(value % kBase));
        value /= kBase;
    } while (value != 0);
}

bool ToUint64(const Words& a, uint64_t& value) {
    if (a.size() > 3) return false;
    const uint64_t kBase2 = static_cast<uint64_t>(kBase) * kBase;
    uint64_t high = a.size() == 3 ? a[2] : 0;
    uint64_t low = a[0] + (a.size() >= 2 ? static_cast<uint64_t>(a[1]) * kBase : 0);
    if (high > UINT64_MAX / kBase2) return false;
    high *= kBase2;
    if (high > UINT64_MAX - low) return false;
    value = high + low;
    return true;
}

void FromIntegralDouble(double value, Words& out) {
    if (value < 18446744073709551616.0) {
        FromUint64(static_cast<uint64_t>(value), out);
        return;
    }
    // value = mantissa * 2^shift with a 53-bit integer mantissa and shift > 0.
    int exponent = 0;
    double fraction = std::frexp(value, &exponent);
    FromUint64(static_cast<uint64_t>(std::ldexp(fraction, 53)), out);
    for (int shift = exponent - 53; shift > 0;) {
        int step = std::min(shift, 31);
        MultiplySmall(out, 1u << step);
        shift -= step;
    }
}

void Add(Words& words, const Words& other) {
    if (words.size() < other.size()) words.resize(other.size(), 0);
    uint32_t* const a = words.data();
    const uint32_t* const b = other.data();
    const size_t n = words.size();
    const size_t m = other.size();
    uint32_t carry = 0;
    for (size_t i = 0; i < n && (carry != 0 || i < m); ++i) {
        uint32_t s = a[i] + (i < m ? b[i] : 0) + carry;
        carry = s >= kBase ? 1 : 0;
        a[i] = s - carry * kBase;
    }
    if (carry != 0) words.push_back(carry);
}

void Subtract(Words& words, const Words& other) {
    uint32_t* const a = words.data();
    const uint32_t* const b = other.data();
    const size_t n = words.size();
    const size_t m = other.size();
    uint32_t borrow = 0;
    for (size_t i = 0; i < n && (borrow != 0 || i < m); ++i) {
        uint32_t sub = (i < m ? b[i] : 0) + borrow;
        borrow = a[i] < sub ? 1 : 0;
        a[i] = a[i] + borrow * kBase - sub;
    }
    Clean(words);
}

void AddSmall(Words& a, uint32_t value) {
    uint64_t carry = value;
    for (size_t i = 0; i < a.size() && carry != 0; ++i) {
        uint64_t s = a[i] + carry;
        a[i] = static_cast<uint32_t>(s % kBase);
        carry = s / kBase;
    }
    while (carry != 0) {
        a.push_back(static_cast<uint32_t>(carry % kBase));
        carry /= kBase;
    }
}

void MultiplySmall(Words& a, uint32_t factor) {
    if (factor == 0 || IsZero(a)) {
        SetZero(a);
        return;
    }
    uint64_t carry = 0;
    for (uint32_t& w : a) {
        uint64_t cur = static_cast<uint64_t>(w) * factor + carry;
        w = static_cast<uint32_t>(cur % kBase);
        carry = cur / kBase;
    }
    while (carry != 0) {
        a.push_back(static_cast<uint32_t>(carry % kBase));
        carry /= kBase;
    }
}

uint32_t DivideSmall(Words& words, uint32_t divisor) {
    uint32_t* const a = words.data();
    uint64_t rem = 0;
    for (size_t i = words.size(); i-- > 0;) {
        uint64_t cur = rem * kBase + a[i];
        a[i] = static_cast<uint32_t>(cur / divisor);
        rem = cur % divisor;
    }
    Clean(words);
    return static_cast<uint32_t>(rem);
}

// Schoolbook multiplication into 64-bit columns. A product of two words is
// below 10^18, so a column can take 16 of them on top of a normalised value
// before it could overflow; carries are propagated once every 16 rows. Small
// products use columns on the stack.
Words Multiply(const Words& a, const Words& b) {
    if (IsZero(a) || IsZero(b)) return Words(1, 0);
    const Words& outer = a.size() <= b.size() ? a : b;
    const Words& inner = a.size() <= b.size() ? b : a;
    const size_t columnCount = outer.size() + inner.size() + 1;
    const size_t kLocalColumns = 2 * Words::kInlineWords + 1;
    uint64_t localColumns[kLocalColumns] = {};
    std::vector<uint64_t> heapColumns;
    if (columnCount > kLocalColumns) heapColumns.assign(columnCount, 0);
    uint64_t* const columns = columnCount > kLocalColumns ? heapColumns.data() : localColumns;
    const size_t kRowsPerCarry = 16;
    size_t batchStart = 0;  // columns below it are final: later rows start above
    const uint32_t* const in = inner.data();
    const size_t rows = outer.size();
    const size_t width = inner.size();
    for (size_t i = 0; i < rows; ++i) {
        const uint64_t factor = outer[i];
        uint64_t* column = columns + i;
        for (size_t j = 0; j < width; ++j) column[j] += factor * in[j];
        if (i + 1 - batchStart == kRowsPerCarry || i + 1 == rows) {
            for (size_t k = batchStart; k + 1 < columnCount; ++k) {
                columns[k + 1] += columns[k] / kBase;
                columns[k] %= kBase;
            }
            batchStart = i + 1;
        }
    }
    size_t length = columnCount;
    while (length > 1 && columns[length - 1] == 0) --length;
    Words r(length);
    for (size_t k = 0; k < length; ++k) r[k] = static_cast<uint32_t>(columns[k]);
    return r;
}

// Knuth's algorithm D in base 10^9: both operands are scaled so that the top
// word of the divisor is at least half the base, which keeps every estimated
// quotient word at most one too large after the two-word test.
void Divide(const Words& a, const Words& b, Words& quotient, Words& remainder) {
    if (Compare(a, b) < 0) {
        Words r(a);
        SetZero(quotient);
        remainder.swap(r);
        return;
    }
    if (b.size() == 1) {
        Words q(a);
        uint32_t rem = DivideSmall(q, b[0]);
        quotient.swap(q);
        remainder.assign(1, rem);
        return;
    }
    const size_t n = b.size();
    const size_t m = a.size() - n;
    const uint32_t scale = kBase / (b[n - 1] + 1);
    Words u;
    u.reserve(a.size() + 1);
    u.assign(a.begin(), a.end());
    u.push_back(0);
    MultiplyInPlace(u, scale);
    Words v(b);
    MultiplyInPlace(v, scale);
    const uint64_t vTop = v[n - 1];
    const uint64_t vNext = v[n - 2];
    Words q(m + 1, 0);
    for (size_t j = m + 1; j-- > 0;) {
        uint64_t num = static_cast<uint64_t>(u[j + n]) * kBase + u[j + n - 1];
        uint64_t qhat = num / vTop;
        uint64_t rhat = num % vTop;
        while (qhat >= kBase || qhat * vNext > rhat * kBase + u[j + n - 2]) {
            --qhat;
            rhat += vTop;
            if (rhat >= kBase) break;
        }
        if (!MultiplySubtract(u, j, v, qhat)) --qhat;
        q[j] = static_cast<uint32_t>(qhat);
    }
    u.resize(n);
    DivideSmall(u, scale);
    Clean(q);
    quotient.swap(q);
    remainder.swap(u);
}

void ShiftLeft(Words& a, uint64_t k) {
    if (IsZero(a) || k == 0) return;
    size_t words = ShiftWords(k);
    MultiplySmall(a, kPow10[k % kWordDigits]);
    if (words > a.max_size() - a.size()) throw std::length_error("magnitude too large");
    a.insert(a.begin(), words, 0);
}

void ShiftRight(Words& a, uint64_t k) {
    uint64_t words = k / kWordDigits;
    if (words >= a.size()) {
        SetZero(a);
        return;
    }
    a.erase(a.begin(), a.begin() + static_cast<ptrdiff_t>(words));
    DivideSmall(a, kPow10[k % kWordDigits]);
}

void RoundOff(Words& a, uint64_t k) {
    if (k == 0) return;
    bool up = DigitAt(a, k - 1) >= 5;
    ShiftRight(a, k);
    if (up) AddSmall(a, 1);
}

void Split(const Words& a, uint64_t k, Words& high, Words& low) {
    uint64_t words = k / kWordDigits;
    unsigned rest = static_cast<unsigned>(k % kWordDigits);
    Words h(a);
    ShiftRight(h, k);
    if (words >= a.size()) {
        low = a;
    } else {
        size_t keep = static_cast<size_t>(words) + (rest != 0 ? 1 : 0);
        low.assign(a.begin(), a.begin() + static_cast<ptrdiff_t>(keep));
        if (rest != 0) low.back() %= kPow10[rest];
        Clean(low);
    }
    high.swap(h);
}

void Pow10(uint64_t n, Words& out) {
    size_t words = ShiftWords(n);
    out.assign(words, 0);
    out.push_back(kPow10[n % kWordDigits]);
}

DigitBuilder::DigitBuilder(Words& out, uint64_t expectedDigits) : m_out(out), m_word(0), m_fill(0) {
    m_out.clear();
    m_out.reserve(static_cast<size_t>(expectedDigits / kWordDigits + 1));
}

void DigitBuilder::Flush() {
    m_out.push_back(m_word);
    m_word = 0;
    m_fill = 0;
}

void DigitBuilder::Finish() {
    if (m_fill != 0) Flush();
    Clean(m_out);
}

void FromDigitText(const wchar_t* begin, const wchar_t* end, Words& out) {
    const size_t count = static_cast<size_t>(end - begin);
    out.clear();
    out.resize(std::max<size_t>((count + kWordDigits - 1) / kWordDigits, 1));  // no digits at all is zero
    uint32_t* word = out.data();
    while (end > begin) {
        const wchar_t* start = end - std::min<ptrdiff_t>(end - begin, kWordDigits);
        uint32_t value = 0;
        for (const wchar_t* p = start; p < end; ++p) value = value * 10 + static_cast<uint32_t>(*p - L'0');
        *word++ = value;
        end = start;
    }
    Clean(out);
}

void AppendDigits(const Words& a, std::wstring& out) {
    const size_t count = static_cast<size_t>(DigitCount(a));
    out.resize(out.size() + count);
    wchar_t* pos = &out[0] + out.size();
    const uint32_t* const words = a.data();
    for (size_t i = 0; i + 1 < a.size(); ++i) {
        uint32_t w = words[i];
        for (unsigned d = 0; d < kWordDigits; ++d, w /= 10) *--pos = static_cast<wchar_t>(L'0' + w % 10);
    }
    uint32_t top = words[a.size() - 1];
    do {
        *--pos = static_cast<wchar_t>(L'0' + top % 10);
        top /= 10;
    } while (top != 0);
}

void AppendPadded(const Words& a, uint64_t width, std::wstring& out) {
    if (width == 0) return;
    uint64_t count = DigitCount(a);
    if (width > count) out.append(static_cast<size_t>(width - count), L'0');
    AppendDigits(a, out);
}

}  // namespace BigDigits
}  // namespace NyXmlLib9
