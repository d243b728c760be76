// The loops of the text writer's direct byte output: runs of plain ASCII are
// narrowed sixteen elements per step (SSE2) and stored whole; the element
// that stops a run is escaped or encoded on its own.
#include "writer/ByteOutput.h"
#include "writer/Utf8Blocks.h"
#include "writer/Utf8Loops.h"

#include <nyxml/foundation.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace NyXmlLib9 {

namespace {


inline unsigned char* PutUnit(unsigned char* out, uint32_t unit) {
    out[0] = static_cast<unsigned char>(unit);
    out[1] = static_cast<unsigned char>(unit >> 8);
    return out + 2;
}

inline unsigned char* PutUtf16(unsigned char* out, const char* text, size_t length) {
    for (size_t i = 0; i < length; ++i) out = PutUnit(out, static_cast<unsigned char>(text[i]));
    return out;
}

// One element as one unit, a surrogate pair, or U+FFFD.
inline unsigned char* PutElement16(unsigned char* out, uint32_t u) {
    if (u <= 0xFFFF) return PutUnit(out, u);
    if (u <= 0x10FFFF) {
        out = PutUnit(out, 0xD800 + ((u - 0x10000) >> 10));
        return PutUnit(out, 0xDC00 + ((u - 0x10000) & 0x3FF));
    }
    return PutUnit(out, 0xFFFD);
}

template <class Cursor>
inline unsigned char* EscapeUtf16(Cursor& c, unsigned char* out, uint32_t u, bool attribute, EOLType eol) {
    return EscapeSpecial(c, out, u, attribute, eol, PutUtf16);
}

#if defined(__SSE2__)
// Four bits per element of the four at v that is above U+FFFF (or negative)
// or, when escaping, special.
template <bool kEscape>
inline unsigned NotPlain16(__m128i v) {
    __m128i hit = _mm_cmpeq_epi32(_mm_srli_epi32(v, 16), _mm_setzero_si128());
    hit = _mm_xor_si128(hit, _mm_set1_epi32(-1));
    if (kEscape) {
        __m128i angle = _mm_cmpeq_epi32(_mm_and_si128(v, _mm_set1_epi32(~2)), _mm_set1_epi32('<'));
        __m128i quoteAmp = _mm_cmpeq_epi32(_mm_and_si128(v, _mm_set1_epi32(~4)), _mm_set1_epi32('"'));
        __m128i lineEnd =
            _mm_or_si128(_mm_cmpeq_epi32(v, _mm_set1_epi32('\n')), _mm_cmpeq_epi32(v, _mm_set1_epi32('\r')));
        hit = _mm_or_si128(_mm_or_si128(hit, lineEnd), _mm_or_si128(angle, quoteAmp));
    }
    return static_cast<unsigned>(_mm_movemask_epi8(hit));
}

// Elements up to U+FFFF as 16-bit units, by a signed pack around 0x8000.
inline __m128i Units8(__m128i a, __m128i b) {
    const __m128i bias32 = _mm_set1_epi32(0x8000), bias16 = _mm_set1_epi16(static_cast<short>(0x8000));
    return _mm_xor_si128(_mm_packs_epi32(_mm_sub_epi32(a, bias32), _mm_sub_epi32(b, bias32)), bias16);
}
#endif

template <bool kEscape, class Cursor>
unsigned char* Utf16Run(Cursor& c, unsigned char* out, const wchar_t* p, const wchar_t* end, bool attribute,
                        EOLType eol) {
    for (;;) {
        size_t left = static_cast<size_t>(end - p);
#if defined(__SSE2__)
        if (left >= 8) {
            __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 4));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out), Units8(a, b));
            unsigned notPlain = NotPlain16<kEscape>(a) | NotPlain16<kEscape>(b) << 16;
            if (!notPlain) {
                p += 8;
                out += 16;
                continue;
            }
            size_t clean = static_cast<size_t>(__builtin_ctz(notPlain)) / 4;
            p += clean;
            out += 2 * clean;
        }
#endif
        if (p == end) return out;
        uint32_t u = Unit(*p++);
        out = kEscape && IsSpecial(u) ? EscapeUtf16(c, out, u, attribute, eol) : PutElement16(out, u);
    }
}

}  // namespace

void CXmlTextWriter::ByteOutput::Cursor::Grow(size_t bytes) {
    Commit();
    CByteTextStream* s = m_stream;
    // After an unpaired surrogate nothing more is kept: stores restart where
    // the output ended.
    s->Reserve(bytes);
    m_block = s->m_block;
    m_out = m_block + s->m_length;
    m_limit = m_block + s->m_capacity;
}

void CXmlTextWriter::ByteOutput::Cursor::CommitSlow() {
    CByteTextStream* s = m_stream;
    if (s->m_ended) return;
    // A waiting high surrogate followed by anything stored ends the output.
    if (static_cast<uint32_t>(m_out - m_block) != s->m_length) {
        s->m_pendingHigh = 0;
        s->m_ended = true;
    }
}

void CXmlTextWriter::ByteOutput::Cursor::EndAt(unsigned char* out) {
    m_dirty = true;
    CByteTextStream* s = m_stream;
    if (s->m_ended) return;
    // A high surrogate waiting before this point is where the output ends.
    if (!s->m_pendingHigh) s->m_length = static_cast<uint32_t>(out - m_block);
    s->m_pendingHigh = 0;
    s->m_ended = true;
}

void CXmlTextWriter::ByteOutput::Cursor::HoldHigh(unsigned char* out, uint32_t high) {
    m_dirty = true;
    CByteTextStream* s = m_stream;
    if (s->m_ended) return;
    if (s->m_pendingHigh) {
        // The one already waiting was followed by something else.
        EndAt(out);
        return;
    }
    s->m_length = static_cast<uint32_t>(out - m_block);
    s->m_pendingHigh = high;
}

namespace {

// Whether this processor runs the SSSE3 build of the UTF-8 loops.
bool HasSsse3() {
#if defined(NYXML_WRITER_SSSE3)
    __builtin_cpu_init();
    return __builtin_cpu_supports("ssse3");
#else
    return false;
#endif
}

bool g_ssse3 = HasSsse3();

}  // namespace

bool Utf8Loops::UseSsse3(bool use) {
    bool before = g_ssse3;
    g_ssse3 = use && HasSsse3();
    return before;
}

unsigned char* CXmlTextWriter::ByteOutput::Utf8::PlainLong(Cursor& c, unsigned char* out, const wchar_t* text,
                                                           size_t length) {
#if defined(NYXML_WRITER_SSSE3)
    if (g_ssse3) return TextSsse3(c, out, text, length, false, false, EOL_LF);
#endif
    return Utf8Text(c, out, text, length, false, false, EOL_LF);
}

const unsigned char CXmlTextWriter::ByteOutput::Utf8::kStops[128] = {
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x80, 0, 0, 0x80, 0, 0,  // line feed, carriage return
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,    0, 0, 0,    0, 0,  //
    0, 0, 0x80, 0, 0, 0, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // '"', '&'
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x80, 0, 0x80, 0,  // '<', '>'
};

unsigned char* CXmlTextWriter::ByteOutput::Utf8::EscapedLong(Cursor& c, unsigned char* out, const wchar_t* text,
                                                             size_t length, bool attribute, EOLType eol) {
#if defined(NYXML_WRITER_SSSE3)
    if (g_ssse3) return TextSsse3(c, out, text, length, true, attribute, eol);
#endif
    return Utf8Text(c, out, text, length, true, attribute, eol);
}

unsigned char* CXmlTextWriter::ByteOutput::Utf16::PlainLong(Cursor& c, unsigned char* out, const wchar_t* text,
                                                            size_t length) {
    return Utf16Run<false>(c, out, text, text + length, false, EOL_LF);
}

unsigned char* CXmlTextWriter::ByteOutput::Utf16::EscapedLong(Cursor& c, unsigned char* out, const wchar_t* text,
                                                              size_t length, bool attribute, EOLType eol) {
    return Utf16Run<true>(c, out, text, text + length, attribute, eol);
}

}  // namespace NyXmlLib9
