// UTF-8 octets of the library's wide strings (UTF-16 code units, or whole
// code points where wchar_t is wide enough) and back, for the binary format.
#ifndef NYXML_SRC_FASTINFOSET_FASTINFOSETUTF_H
#define NYXML_SRC_FASTINFOSET_FASTINFOSETUTF_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace NyXmlLib9 {
namespace FastInfosetUtf {

// Whether the eight characters at `text` are all ASCII; if so, writes their
// eight octets to `out` (when out is not null). Texts are mostly ASCII: the
// loops below take them eight at a time.
inline bool Ascii8(const wchar_t* text, unsigned char* out) {
#if defined(__SSE2__)
    if (sizeof(wchar_t) == 4) {
        __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text));
        __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + 4));
        __m128i high = _mm_and_si128(_mm_or_si128(a, b), _mm_set1_epi32(static_cast<int>(0xFFFFFF80u)));
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(high, _mm_setzero_si128())) != 0xFFFF) return false;
        if (out) {
            __m128i units = _mm_packs_epi32(a, b);
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(units, units));
        }
        return true;
    }
#endif
    uint32_t any = 0;
    for (int k = 0; k < 8; ++k) any |= static_cast<uint32_t>(text[k]);
    if (any >= 0x80) return false;
    if (out)
        for (int k = 0; k < 8; ++k) out[k] = static_cast<unsigned char>(text[k]);
    return true;
}

// Whether the four characters at `text` are all ASCII; if so, writes their
// four octets to `out`.
inline bool Ascii4(const wchar_t* text, unsigned char* out) {
    uint32_t any = 0;
    unsigned char octets[4];
    for (int k = 0; k < 4; ++k) {
        uint32_t c = static_cast<uint32_t>(text[k]);
        any |= c;
        octets[k] = static_cast<unsigned char>(c);
    }
    if (any >= 0x80) return false;
    std::memcpy(out, octets, 4);
    return true;
}

// Whether the one to eight characters at `text` are all ASCII; if so, puts
// their octets in `packed`, the first in the lowest octet, the rest zero.
// Built in registers (a word loaded from octets just stored one by one
// waits for the stores). Nothing past `text + length` is read.
inline bool PackAscii(const wchar_t* text, size_t length, uint64_t& packed) {
    if (length >= 4) {
        uint32_t first = 0, last = 0, any = 0;
        for (int k = 0; k < 4; ++k) {
            const uint32_t a = static_cast<uint32_t>(text[k]), b = static_cast<uint32_t>(text[length - 4 + k]);
            any |= a | b;
            first |= (a & 0xFF) << (8 * k);
            last |= (b & 0xFF) << (8 * k);
        }
        // The blocks overlap below eight characters: the octets they share are the same.
        packed = first | (static_cast<uint64_t>(last) << (8 * (length - 4)));
        return any < 0x80;
    }
    // One to three: the first, middle and last character (some the same).
    const uint32_t a = static_cast<uint32_t>(text[0]), b = static_cast<uint32_t>(text[length >> 1]),
                   c = static_cast<uint32_t>(text[length - 1]);
    packed = (a & 0xFF) | (static_cast<uint64_t>(b & 0xFF) << (8 * (length >> 1))) |
             (static_cast<uint64_t>(c & 0xFF) << (8 * (length - 1)));
    return (a | b | c) < 0x80;
}

// Stores the eight octets of a packed word, its lowest first.
inline void StorePacked(unsigned char* out, uint64_t packed) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    std::memcpy(out, &packed, 8);
#else
    for (int k = 0; k < 8; ++k) out[k] = static_cast<unsigned char>(packed >> (8 * k));
#endif
}

// Whether the `length` characters at `text` (1 to 64 of them) are all ASCII;
// if so, writes their octets to `out`. Short values are the common case: up
// to eight characters there is no loop, so that values of every length cost
// the same (the blocks overlap, each octet written is the right one).
// Nothing past `text + length` is read; after a false return the octets at
// `out` are unspecified.
inline bool PutAscii(const wchar_t* text, size_t length, unsigned char* out) {
    if (length >= 8) {
        bool ascii = true;
        for (size_t i = 0; i + 8 < length; i += 8) ascii = ascii && Ascii8(text + i, out + i);
        return ascii && Ascii8(text + length - 8, out + length - 8);
    }
    if (length >= 4)  // both blocks tested, without a branch between them
        return (static_cast<int>(Ascii4(text, out)) & static_cast<int>(Ascii4(text + length - 4, out + length - 4))) != 0;
    // One to three: the first, middle and last character (some the same).
    uint32_t a = static_cast<uint32_t>(text[0]), b = static_cast<uint32_t>(text[length >> 1]),
             c = static_cast<uint32_t>(text[length - 1]);
    if ((a | b | c) >= 0x80) return false;
    out[0] = static_cast<unsigned char>(a);
    out[length >> 1] = static_cast<unsigned char>(b);
    out[length - 1] = static_cast<unsigned char>(c);
    return true;
}

// Number of UTF-8 octets of the text: a surrogate pair makes one four-octet
// sequence, a lone surrogate the three octets of U+FFFD.
inline size_t Utf8Length(const wchar_t* text, size_t length) {
    size_t n = 0;
    for (size_t i = 0; i < length; ++i) {
        if (length - i >= 8 && Ascii8(text + i, nullptr)) {
            n += 8;
            i += 7;
            continue;
        }
        uint32_t c = static_cast<uint32_t>(text[i]);
        if (c < 0x80) {
            ++n;
        } else if (c < 0x800) {
            n += 2;
        } else if (c >= 0xD800 && c <= 0xDBFF && i + 1 < length && static_cast<uint32_t>(text[i + 1]) >= 0xDC00 &&
                   static_cast<uint32_t>(text[i + 1]) <= 0xDFFF) {
            n += 4;
            ++i;
        } else if (c >= 0x10000 && c <= 0x10FFFF) {
            n += 4;
        } else {
            n += 3;
        }
    }
    return n;
}

// Writes exactly Utf8Length(text, length) octets to out; returns the end.
inline unsigned char* EncodeUtf8(const wchar_t* text, size_t length, unsigned char* out) {
    for (size_t i = 0; i < length; ++i) {
        if (length - i >= 8 && Ascii8(text + i, out)) {
            out += 8;
            i += 7;
            continue;
        }
        uint32_t c = static_cast<uint32_t>(text[i]);
        if (c < 0x80) {
            *out++ = static_cast<unsigned char>(c);
            continue;
        }
        if (c < 0x800) {
            *out++ = static_cast<unsigned char>(0xC0 | (c >> 6));
            *out++ = static_cast<unsigned char>(0x80 | (c & 0x3F));
            continue;
        }
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < length && static_cast<uint32_t>(text[i + 1]) >= 0xDC00 &&
            static_cast<uint32_t>(text[i + 1]) <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<uint32_t>(text[i + 1]) - 0xDC00);
            ++i;
        } else if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
            c = 0xFFFD;
        }
        if (c < 0x10000) {
            *out++ = static_cast<unsigned char>(0xE0 | (c >> 12));
            *out++ = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
            *out++ = static_cast<unsigned char>(0x80 | (c & 0x3F));
        } else {
            *out++ = static_cast<unsigned char>(0xF0 | (c >> 18));
            *out++ = static_cast<unsigned char>(0x80 | ((c >> 12) & 0x3F));
            *out++ = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
            *out++ = static_cast<unsigned char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

inline std::string ToUtf8(const std::wstring& text) {
    std::string out(Utf8Length(text.data(), text.size()), '\0');
    EncodeUtf8(text.data(), text.size(), reinterpret_cast<unsigned char*>(&out[0]));
    return out;
}

// Writes the UTF-16 units of UTF-8 octets at d, which has room for `length`
// units (never more units than octets), and returns the end of those written.
// Malformed sequences become U+FFFD; nothing outside [p, p + length) is read.
inline wchar_t* DecodeUtf8(const unsigned char* p, size_t length, wchar_t* d) {
    const unsigned char* end = p + length;
    while (p < end) {
        // Eight ASCII octets at a time.
        while (end - p >= 8) {
            uint64_t block;
            std::memcpy(&block, p, 8);
            if (block & 0x8080808080808080ull) break;
            for (int k = 0; k < 8; ++k) d[k] = static_cast<wchar_t>(p[k]);
            d += 8;
            p += 8;
        }
        if (p == end) break;
        uint32_t c = *p;
        if (c < 0x80) {
            *d++ = static_cast<wchar_t>(c);
            ++p;
            continue;
        }
        int extra;
        uint32_t min;
        if (c >= 0xC2 && c <= 0xDF) {
            extra = 1, min = 0x80, c &= 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2, min = 0x800, c &= 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3, min = 0x10000, c &= 0x07;
        } else {
            *d++ = 0xFFFD;
            ++p;
            continue;
        }
        if (end - p <= extra) {
            *d++ = 0xFFFD;
            break;
        }
        bool ok = true;
        for (int k = 1; k <= extra; ++k) {
            if ((p[k] & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            c = (c << 6) | (p[k] & 0x3F);
        }
        if (!ok || c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            *d++ = 0xFFFD;
            ++p;
            continue;
        }
        p += extra + 1;
        if (c >= 0x10000) {
            *d++ = static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
            *d++ = static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            *d++ = static_cast<wchar_t>(c);
        }
    }
    return d;
}

// Appends the UTF-16 units of UTF-8 octets to out.
inline void AppendUtf8(const unsigned char* p, size_t length, std::wstring& out) {
    size_t start = out.size();
    out.resize(start + length);
    wchar_t* first = &out[0] + start;
    out.resize(start + static_cast<size_t>(DecodeUtf8(p, length, first) - first));
}

}  // namespace FastInfosetUtf
}  // namespace NyXmlLib9

#endif
