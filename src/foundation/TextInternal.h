// Conversions between UTF-16 units held in wchar_t and UTF-8 bytes, for the
// places where the library meets narrow text: file names, narrow message
// arguments, terminal output; and comparisons of short texts in line.
#ifndef NYXML_SRC_FOUNDATION_TEXTINTERNAL_H
#define NYXML_SRC_FOUNDATION_TEXTINTERNAL_H

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace NyXmlLib9 {

// FormatString with a va_list.
std::wstring FormatStringV(const wchar_t* format, va_list args);

// Appends narrow text decoded as UTF-8 to UTF-16 units; a byte that is not part
// of a valid UTF-8 sequence is taken as the Latin-1 character of that value.
void AppendNarrowText(std::wstring& out, const char* text, size_t length);
std::wstring WidenText(const std::string& text);

// Encodes UTF-16 units as UTF-8. Pairs of surrogates become one four-byte
// sequence; an element above U+FFFF is taken as that code point; an unpaired
// surrogate is written as U+FFFD.
std::string NarrowText(const wchar_t* text, size_t length);
std::string NarrowText(const std::wstring& text);

// Whether text equals the NUL-terminated string: compared unit by unit up to
// the first difference, without measuring the string first.
inline bool SameText(const std::wstring& text, const wchar_t* string) {
    const wchar_t* units = text.data();
    size_t length = text.size();
    for (size_t i = 0; i < length; ++i) {
        wchar_t c = string[i];
        if (c == L'\0' || c != units[i]) return false;
    }
    return string[length] == L'\0';
}

// Equality of two runs of n characters, in line: the texts compared are
// mostly short names and values, where a library call costs more than the
// comparison. Up to sixteen characters the comparison has no loop and no
// branch that depends on the characters: four blocks of sixteen bytes, the
// later ones moved back to end with the text (they overlap the earlier
// ones), so that names of every length cost the same and no loop exit is
// mispredicted.
[[gnu::always_inline]] inline uint64_t Diff8(const unsigned char* p, const unsigned char* q) {
    uint64_t x, y;
    std::memcpy(&x, p, 8);
    std::memcpy(&y, q, 8);
    return x ^ y;
}
[[gnu::always_inline]] inline uint64_t Diff16(const unsigned char* p, const unsigned char* q) {
    return Diff8(p, q) | Diff8(p + 8, q + 8);
}
[[gnu::always_inline]] inline bool SameChars(const wchar_t* a, const wchar_t* b, size_t n) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(a);
    const unsigned char* q = reinterpret_cast<const unsigned char*>(b);
    const size_t bytes = n * sizeof(wchar_t);
    if (bytes >= 16) {
        const size_t last = bytes - 16;
        if (bytes <= 64) {
            const size_t second = last < 16 ? last : 16, third = last < 32 ? last : 32;
#if defined(__SSE2__)
            // Sixteen bytes a load, one test for the four blocks.
            auto diff = [&](size_t at) {
                return _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at)),
                                     _mm_loadu_si128(reinterpret_cast<const __m128i*>(q + at)));
            };
            const __m128i any = _mm_or_si128(_mm_or_si128(diff(0), diff(second)), _mm_or_si128(diff(third), diff(last)));
            return _mm_movemask_epi8(_mm_cmpeq_epi8(any, _mm_setzero_si128())) == 0xFFFF;
#else
            return (Diff16(p, q) | Diff16(p + second, q + second) | Diff16(p + third, q + third) |
                    Diff16(p + last, q + last)) == 0;
#endif
        }
        uint64_t diff = 0;
        for (size_t i = 0; i < last; i += 16) diff |= Diff16(p + i, q + i);
        return (diff | Diff16(p + last, q + last)) == 0;
    }
    if (bytes >= 8) return (Diff8(p, q) | Diff8(p + bytes - 8, q + bytes - 8)) == 0;
    uint32_t x = 0, y = 0;
    if (bytes) {
        std::memcpy(&x, p, 4);
        std::memcpy(&y, q, 4);
    }
    return x == y;
}

inline bool SameText(const std::wstring& a, const std::wstring& b) {
    return a.size() == b.size() && SameChars(a.data(), b.data(), a.size());
}

}  // namespace NyXmlLib9

#endif
