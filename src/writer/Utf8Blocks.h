// The UTF-8 loops of the text writer's direct byte output, shared by two
// builds of them: the plain one (SSE2) and one with SSSE3 byte shuffles,
// chosen when the processor has them. Everything here has internal linkage,
// so that each build keeps its own copy; include it only from those two
// files.
#ifndef NYXML_SRC_WRITER_UTF8BLOCKS_H
#define NYXML_SRC_WRITER_UTF8BLOCKS_H

#include "writer/ByteOutput.h"

#include <nyxml/foundation.h>

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__SSSE3__)
#include <tmmintrin.h>
#endif

namespace NyXmlLib9 {

namespace {


static_assert(sizeof(wchar_t) == 4, "the byte output reads wchar_t as 32-bit elements");

inline uint32_t Unit(wchar_t c) { return static_cast<uint32_t>(c); }

// Line feed, carriage return, '"', '&', '<' and '>': one bit each.
const uint64_t kSpecial = (uint64_t(1) << '\n') | (uint64_t(1) << '\r') | (uint64_t(1) << '"') |
                          (uint64_t(1) << '&') | (uint64_t(1) << '<') | (uint64_t(1) << '>');

inline bool IsSpecial(uint32_t u) { return u < 64 && ((kSpecial >> u) & 1); }

#if defined(__SSE2__)
// Elements as bytes: ASCII ones exactly, every other one as a byte with the
// top bit set or as DEL (0x7F), by the saturation of the packs; DEL is
// therefore never taken as plain by the block test (the element-by-element
// path handles it).
inline __m128i Bytes16(const wchar_t* p) {
    const __m128i* v = reinterpret_cast<const __m128i*>(p);
    return _mm_packs_epi16(_mm_packs_epi32(_mm_loadu_si128(v), _mm_loadu_si128(v + 1)),
                           _mm_packs_epi32(_mm_loadu_si128(v + 2), _mm_loadu_si128(v + 3)));
}

inline __m128i Bytes8(const wchar_t* p) {
    const __m128i* v = reinterpret_cast<const __m128i*>(p);
    return _mm_packs_epi16(_mm_packs_epi32(_mm_loadu_si128(v), _mm_loadu_si128(v + 1)), _mm_setzero_si128());
}

inline __m128i Bytes4(const wchar_t* p) {
    __m128i zero = _mm_setzero_si128();
    return _mm_packs_epi16(_mm_packs_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), zero), zero);
}

// A bit per byte that is not plain ASCII text: top bit set or DEL, and when
// escaping one of the six special characters ('<' and '>' differ only in bit
// 1, '"' and '&' only in bit 2).
template <bool kEscape>
inline unsigned NotPlain(__m128i b) {
    __m128i hit = _mm_cmpeq_epi8(b, _mm_set1_epi8(0x7F));
    if (kEscape) {
        __m128i angle = _mm_cmpeq_epi8(_mm_and_si128(b, _mm_set1_epi8(~2)), _mm_set1_epi8('<'));
        __m128i quoteAmp = _mm_cmpeq_epi8(_mm_and_si128(b, _mm_set1_epi8(~4)), _mm_set1_epi8('"'));
        __m128i lineEnd = _mm_or_si128(_mm_cmpeq_epi8(b, _mm_set1_epi8('\n')), _mm_cmpeq_epi8(b, _mm_set1_epi8('\r')));
        hit = _mm_or_si128(_mm_or_si128(hit, lineEnd), _mm_or_si128(angle, quoteAmp));
    }
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(hit, b)));
}
#endif

// The helpers take the cursor type as a parameter: it is private to the writer.
inline unsigned char* PutUtf8(unsigned char* out, const char* text, size_t length) {
    std::memcpy(out, text, length);
    return out + length;
}

// The replacement of one of the six special characters, stored by `put`
// (the ASCII text in the output's form).
template <class Cursor, class Put>
inline unsigned char* EscapeSpecial(Cursor& c, unsigned char* out, uint32_t u, bool attribute, EOLType eol, Put put) {
    switch (u) {
    case '\n':
        if (attribute) return put(out, "&#xA;", 5);
        if (eol == EOL_CRLF) return put(out, "\r\n", 2);
        if (eol == EOL_LF) return put(out, "\n", 1);
        c.Advance(out);
        c.Commit();
        throw CNyException(L"Invalid EOL type.");
    case '\r':
        return out;
    case '"':
        return put(out, "&quot;", 6);
    case '&':
        return put(out, "&amp;", 5);
    case '<':
        return put(out, "&lt;", 4);
    default:
        return put(out, "&gt;", 4);
    }
}

// The replacement of a special character, or DEL unchanged.
template <class Cursor>
inline unsigned char* EscapeUtf8(Cursor& c, unsigned char* out, uint32_t u, bool attribute, EOLType eol) {
    if (IsSpecial(u)) return EscapeSpecial(c, out, u, attribute, eol, PutUtf8);
    *out = static_cast<unsigned char>(u);
    return out + 1;
}

inline unsigned char* PutCodePoint4(unsigned char* out, uint32_t u) {
    out[0] = static_cast<unsigned char>(0xF0 | u >> 18);
    out[1] = static_cast<unsigned char>(0x80 | ((u >> 12) & 0x3F));
    out[2] = static_cast<unsigned char>(0x80 | ((u >> 6) & 0x3F));
    out[3] = static_cast<unsigned char>(0x80 | (u & 0x3F));
    return out + 4;
}

// Surrogates, code points above U+FFFF and elements that are no code point.
// False when the text's output stops here (ended, or a high surrogate waits).
template <class Cursor>
[[gnu::noinline]] bool Utf8Rare(Cursor& c, unsigned char*& out, const wchar_t*& p, const wchar_t* end) {
    uint32_t u = Unit(*p);
    if (u - 0x10000u < 0x100000u) {
        out = PutCodePoint4(out, u);
        ++p;
        return true;
    }
    if (u - 0xD800u < 0x400u) {
        if (p + 1 == end) {
            c.HoldHigh(out, u);
            ++p;
            return false;
        }
        uint32_t low = Unit(p[1]);
        if (low - 0xDC00u < 0x400u) {
            out = PutCodePoint4(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
            p += 2;
            return true;
        }
    }
    c.EndAt(out);
    return false;
}

// One element at or above U+0080 (two for a pair).
template <class Cursor>
inline bool Utf8NonAscii(Cursor& c, unsigned char*& out, const wchar_t*& p, const wchar_t* end) {
    uint32_t u = Unit(*p);
    if (u < 0x800) {
        out[0] = static_cast<unsigned char>(0xC0 | u >> 6);
        out[1] = static_cast<unsigned char>(0x80 | (u & 0x3F));
        out += 2;
        ++p;
        return true;
    }
    if (u <= 0xFFFF && u - 0xD800u >= 0x800u) {
        out[0] = static_cast<unsigned char>(0xE0 | u >> 12);
        out[1] = static_cast<unsigned char>(0x80 | ((u >> 6) & 0x3F));
        out[2] = static_cast<unsigned char>(0x80 | (u & 0x3F));
        out += 3;
        ++p;
        return true;
    }
    return Utf8Rare(c, out, p, end);
}

template <bool kEscape, class Cursor>
unsigned char* Utf8Run(Cursor& c, unsigned char* out, const wchar_t* p, const wchar_t* end, bool attribute,
                       EOLType eol) {
    for (;;) {
        size_t left = static_cast<size_t>(end - p);
        unsigned notPlain;
        size_t step;
#if defined(__SSE2__)
        if (left >= 16) {
            __m128i b = Bytes16(p);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out), b);
            notPlain = NotPlain<kEscape>(b);
            step = 16;
        } else if (left >= 8) {
            __m128i b = Bytes8(p);
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out), b);
            notPlain = NotPlain<kEscape>(b) & 0xFF;
            step = 8;
        } else if (left >= 4) {
            __m128i b = Bytes4(p);
            int32_t four = _mm_cvtsi128_si32(b);
            std::memcpy(out, &four, 4);
            notPlain = NotPlain<kEscape>(b) & 0xF;
            step = 4;
        } else
#endif
        {
            if (left == 0) return out;
            uint32_t u = Unit(*p);
            if (u < 0x7F && !(kEscape && IsSpecial(u))) {
                *out++ = static_cast<unsigned char>(u);
                ++p;
                continue;
            }
            notPlain = 1;
            step = 1;
        }
        if (!notPlain) {
            p += step;
            out += step;
            continue;
        }
        size_t clean = static_cast<size_t>(__builtin_ctz(notPlain));
        p += clean;
        out += clean;
        uint32_t u = Unit(*p);
        if (u < 0x80) {
            if (kEscape) {
                out = EscapeUtf8(c, out, u, attribute, eol);
            } else {
                *out++ = static_cast<unsigned char>(u);
            }
            ++p;
            continue;
        }
        if (!Utf8NonAscii(c, out, p, end)) return out;
    }
}

// What each ASCII character becomes: itself, or its escape (at most six
// bytes, stored as eight).
struct EscapeTable {
    uint64_t bytes[128];
    uint8_t length[128];
};

EscapeTable MakeEscapeTable(bool escape, bool attribute, EOLType eol) {
    EscapeTable t;
    for (unsigned u = 0; u < 128; ++u) {
        t.bytes[u] = u;
        t.length[u] = 1;
    }
    if (!escape) return t;
    auto set = [&t](char c, const char* text) {
        uint64_t bytes = 0;
        size_t length = std::strlen(text);
        std::memcpy(&bytes, text, length);
        t.bytes[static_cast<unsigned char>(c)] = bytes;
        t.length[static_cast<unsigned char>(c)] = static_cast<uint8_t>(length);
    };
    set('\n', attribute ? "&#xA;" : eol == EOL_CRLF ? "\r\n" : "\n");
    set('"', "&quot;");
    set('&', "&amp;");
    set('<', "&lt;");
    set('>', "&gt;");
    t.length[static_cast<unsigned char>('\r')] = 0;
    return t;
}

// Unchanged; text mode with line feeds; text mode with CR LF; attribute mode.
const EscapeTable g_escapeTables[4] = {MakeEscapeTable(false, false, EOL_LF), MakeEscapeTable(true, false, EOL_LF),
                                       MakeEscapeTable(true, false, EOL_CRLF), MakeEscapeTable(true, true, EOL_LF)};

// An element that stops a run of plain ASCII, if it is an ASCII character or
// a code point from U+0080 to U+FFFF other than a surrogate: stored as eight
// bytes of which the first `length` count, without a branch on its kind.
inline unsigned char* PutStop(unsigned char* out, uint32_t u, const EscapeTable& t) {
    uint64_t ascii = t.bytes[u & 0x7F];
    size_t asciiLength = t.length[u & 0x7F];
    uint64_t two = (0xC0 | u >> 6) | uint64_t(0x80 | (u & 0x3F)) << 8;
    uint64_t three = (0xE0 | u >> 12) | uint64_t(0x80 | ((u >> 6) & 0x3F)) << 8 | uint64_t(0x80 | (u & 0x3F)) << 16;
    bool isAscii = u < 0x80, isTwo = u < 0x800;
    uint64_t bytes = isAscii ? ascii : isTwo ? two : three;
    size_t length = isAscii ? asciiLength : isTwo ? 2 : 3;
    std::memcpy(out, &bytes, 8);
    return out + length;
}

inline bool IsRare(uint32_t u) { return u - 0xD800u < 0x800u || u > 0xFFFFu; }

#if defined(__SSE2__)
// The sixteen bytes of a block, held in general registers: its runs are
// copied from there by shifting (through memory, the copy of a run that
// does not start the block would wait for the block's store to complete).
// With SSSE3 a byte shuffle does the shifting in the vector register.
typedef unsigned __int128 Block16;

inline Block16 ToBlock(__m128i b) {
    uint64_t low = static_cast<uint64_t>(_mm_cvtsi128_si64(b));
    uint64_t high = static_cast<uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(b, b)));
    return static_cast<Block16>(high) << 64 | low;
}

// Stores the sixteen bytes from `from` on (0 to 16; past the block, zeros).
inline void StoreFrom(unsigned char* out, Block16 bytes, unsigned from) {
    Block16 rest = (bytes >> (4 * from)) >> (4 * from);
    std::memcpy(out, &rest, 16);
}

#if defined(__SSSE3__)
// The same with one byte shuffle, the block staying in its vector register.
inline void StoreFrom(unsigned char* out, __m128i bytes, unsigned from) {
    // Indexes from..15, then zeros (an index with its top bit set).
    static const signed char kFrom[32] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15,
                                          -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
    __m128i order = _mm_loadu_si128(reinterpret_cast<const __m128i*>(kFrom + from));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_shuffle_epi8(bytes, order));
}
#endif

// Elements [from, count) of a block whose bytes are b and whose elements
// that are not plain have their bit set in notPlain (at least one in range):
// the runs between them are copied from the bytes, and each of them is
// encoded by PutStop. Returns false, with `at` the element's index, at the
// first element that needs the element-by-element path; `out` then stops
// before it.
inline bool PutBlock(unsigned char*& out, __m128i b, unsigned notPlain, const wchar_t* p, unsigned from,
                     unsigned count, const EscapeTable& t, unsigned& at) {
#if defined(__SSSE3__)
    const __m128i& bytes = b;
#else
    Block16 bytes = ToBlock(b);
#endif
    unsigned char* o = out;
    unsigned run = from;
    do {
        unsigned k = static_cast<unsigned>(__builtin_ctz(notPlain));
        notPlain &= notPlain - 1;
        StoreFrom(o, bytes, run);
        o += k - run;
        uint32_t u = Unit(p[k]);
        if (IsRare(u)) {
            out = o;
            at = k;
            return false;
        }
        o = PutStop(o, u, t);
        run = k + 1;
    } while (notPlain);
    StoreFrom(o, bytes, run);
    out = o + (count - run);
    return true;
}
#endif

// Runs of plain ASCII sixteen elements at a time; the elements that stop them
// are handled within their block without leaving it, so that a text with a
// special or non-ASCII character every few words costs no mispredicted
// branch per character. Surrogates and elements above U+FFFF go through
// Utf8Run. Writes up to 16 bytes past its output.
template <bool kEscape, class Cursor>
unsigned char* Utf8Blocks(Cursor& c, unsigned char* out, const wchar_t* p, const wchar_t* end, const EscapeTable& t,
                          bool attribute, EOLType eol) {
#if defined(__SSE2__)
    const wchar_t* const start = p;
    for (;;) {
        size_t left = static_cast<size_t>(end - p);
        __m128i b;
        unsigned notPlain, from = 0, count;
        const wchar_t* block = p;
        if (left >= 16) {
            b = Bytes16(p);
            count = 16;
        } else {
            if (left == 0) return out;
            // The end in a block as large as the text allows: the last
            // elements of the text, of which the first few may be done.
            size_t total = static_cast<size_t>(end - start);
            count = total >= 16 ? 16 : total >= 8 ? 8 : total >= 4 ? 4 : 0;
            if (count == 0) break;
            if (left < count) {
                block = end - count;
                from = static_cast<unsigned>(count - left);
            }
            b = count == 16 ? Bytes16(block) : count == 8 ? Bytes8(block) : Bytes4(block);
        }
        notPlain = NotPlain<kEscape>(b) & ((1u << count) - 1) & ~((1u << from) - 1);
        if (!notPlain) {
            if (from == 0) {
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out), b);
                out += count;
            } else {
                StoreFrom(out, ToBlock(b), from);
                out += count - from;
            }
            p = block + count;
            continue;
        }
        unsigned at = 0;
        if (PutBlock(out, b, notPlain, block, from, count, t, at)) {
            p = block + count;
            continue;
        }
        // A surrogate or an element above U+FFFF: it and the rest of the
        // text element by element.
        return Utf8Run<kEscape>(c, out, block + at, end, attribute, eol);
    }
    // Fewer than four elements left of a text shorter than sixteen.
    for (; p < end; ++p) {
        uint32_t u = Unit(*p);
        if (IsRare(u)) return Utf8Run<kEscape>(c, out, p, end, attribute, eol);
        out = PutStop(out, u, t);
    }
    return out;
#else
    return Utf8Run<kEscape>(c, out, p, end, attribute, eol);
#endif
}

// A long text, unchanged (escape false) or escaped in text or attribute mode.
template <class Cursor>
inline unsigned char* Utf8Text(Cursor& c, unsigned char* out, const wchar_t* text, size_t length, bool escape,
                               bool attribute, EOLType eol) {
    if (!escape) return Utf8Blocks<false>(c, out, text, text + length, g_escapeTables[0], false, EOL_LF);
    if (attribute) return Utf8Blocks<true>(c, out, text, text + length, g_escapeTables[3], true, eol);
    if (eol == EOL_LF) return Utf8Blocks<true>(c, out, text, text + length, g_escapeTables[1], false, eol);
    if (eol == EOL_CRLF) return Utf8Blocks<true>(c, out, text, text + length, g_escapeTables[2], false, eol);
    // No valid line end: the element-by-element path raises the error at the
    // first line feed.
    return Utf8Run<true>(c, out, text, text + length, attribute, eol);
}

}  // namespace

}  // namespace NyXmlLib9

#endif
