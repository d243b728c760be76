// UTF-8 and UTF-16LE encoding of UTF-16 text. UTF-8 is made in two passes
// (measure, then encode into a block of the exact size); runs of eight ASCII
// characters are recognised with one test and copied in a plain loop that the
// compiler vectorises.
#include "streams/TextEncoding.h"

#include "platform/Memory.h"
#include "values/BinaryDataAccess.h"

#include <nyxml/foundation.h>

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#endif

namespace NyXmlLib9 {
namespace {

struct Piece {
    const wchar_t* text;
    size_t length;
};

inline uint32_t Unit(wchar_t c) { return static_cast<uint32_t>(c); }
inline bool IsHigh(uint32_t c) { return c - 0xD800u < 0x400u; }
inline bool IsLow(uint32_t c) { return c - 0xDC00u < 0x400u; }

// Sixteen elements at a time: how many of them are ASCII before the first
// that is not, and (Narrow16) their bytes. Narrow16 stores sixteen bytes
// whatever the elements are; only the ASCII ones among them are kept.
#if defined(__SSE2__)
[[gnu::always_inline]] inline unsigned AsciiPrefix16(const wchar_t* p) {
    const __m128i* v = reinterpret_cast<const __m128i*>(p);
    const __m128i high = _mm_set1_epi32(~0x7F), zero = _mm_setzero_si128();
    __m128i ab = _mm_packs_epi32(_mm_cmpeq_epi32(_mm_and_si128(_mm_loadu_si128(v), high), zero),
                                 _mm_cmpeq_epi32(_mm_and_si128(_mm_loadu_si128(v + 1), high), zero));
    __m128i cd = _mm_packs_epi32(_mm_cmpeq_epi32(_mm_and_si128(_mm_loadu_si128(v + 2), high), zero),
                                 _mm_cmpeq_epi32(_mm_and_si128(_mm_loadu_si128(v + 3), high), zero));
    unsigned ascii = static_cast<unsigned>(_mm_movemask_epi8(_mm_packs_epi16(ab, cd)));
    return static_cast<unsigned>(__builtin_ctz(~ascii));  // bit 16 of ~ascii is always set
}

[[gnu::always_inline]] inline void Narrow16(const wchar_t* p, unsigned char* out) {
    const __m128i* v = reinterpret_cast<const __m128i*>(p);
    __m128i low = _mm_packs_epi32(_mm_loadu_si128(v), _mm_loadu_si128(v + 1));
    __m128i high = _mm_packs_epi32(_mm_loadu_si128(v + 2), _mm_loadu_si128(v + 3));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(low, high));
}
#else
inline unsigned AsciiPrefix16(const wchar_t* p) {
    unsigned k = 0;
    while (k < 16 && Unit(p[k]) < 0x80) ++k;
    return k;
}

inline void Narrow16(const wchar_t* p, unsigned char* out) {
    for (int k = 0; k < 16; ++k) out[k] = static_cast<unsigned char>(p[k]);
}
#endif

// The ASCII elements at the start of p[0, n) as bytes, sixteen at a time
// (n >= 16); returns how many there are. Bytes are stored past them, up to
// the next multiple of sixteen, so `out` needs room for four bytes per
// element, as the one-pass encoder has.
[[gnu::always_inline]] inline size_t NarrowAsciiRun16(const wchar_t* p, size_t n, unsigned char* out, size_t i) {
    while (n - i >= 16) {
        unsigned ascii = AsciiPrefix16(p + i);
        Narrow16(p + i, out + i);
        // A branch on the common case lets the next block start before this
        // one's count is known.
        if (ascii != 16) return i + ascii;
        i += 16;
    }
    return i;
}

size_t NarrowAsciiRun(const wchar_t* p, size_t n, unsigned char* out) { return NarrowAsciiRun16(p, n, out, 0); }

// The number of ASCII elements at the start of p[0, n), counted from i on
// sixteen at a time (the last fewer than sixteen are left to the caller).
[[gnu::always_inline]] inline size_t AsciiRunLength16(const wchar_t* p, size_t n, size_t i) {
    while (n - i >= 16) {
        unsigned ascii = AsciiPrefix16(p + i);
        if (ascii != 16) return i + ascii;
        i += 16;
    }
    return i;
}

size_t AsciiRunLength(const wchar_t* p, size_t n) { return AsciiRunLength16(p, n, 0); }

#if defined(__GNUC__) && defined(__x86_64__)
// The same with 32 elements per step, for processors with AVX2.
__attribute__((target("avx2"))) size_t NarrowAsciiRunAvx2(const wchar_t* p, size_t n, unsigned char* out) {
    const __m256i high = _mm256_set1_epi32(~0x7F);
    const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
    size_t i = 0;
    while (n - i >= 32) {
        const __m256i* v = reinterpret_cast<const __m256i*>(p + i);
        __m256i a = _mm256_loadu_si256(v), b = _mm256_loadu_si256(v + 1);
        __m256i c = _mm256_loadu_si256(v + 2), d = _mm256_loadu_si256(v + 3);
        if (!_mm256_testz_si256(_mm256_or_si256(_mm256_or_si256(a, b), _mm256_or_si256(c, d)), high)) break;
        // The packs work within 128-bit lanes; the permutation restores the order.
        __m256i bytes = _mm256_packus_epi16(_mm256_packs_epi32(a, b), _mm256_packs_epi32(c, d));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), _mm256_permutevar8x32_epi32(bytes, order));
        i += 32;
    }
    // In line, so that this code too is VEX-encoded: calling code built for
    // SSE with the upper halves of the registers in use costs a transition.
    return NarrowAsciiRun16(p, n, out, i);
}

__attribute__((target("avx2"))) size_t AsciiRunLengthAvx2(const wchar_t* p, size_t n) {
    const __m256i high = _mm256_set1_epi32(~0x7F);
    size_t i = 0;
    while (n - i >= 32) {
        const __m256i* v = reinterpret_cast<const __m256i*>(p + i);
        __m256i any = _mm256_or_si256(_mm256_or_si256(_mm256_loadu_si256(v), _mm256_loadu_si256(v + 1)),
                                      _mm256_or_si256(_mm256_loadu_si256(v + 2), _mm256_loadu_si256(v + 3)));
        if (!_mm256_testz_si256(any, high)) break;
        i += 32;
    }
    return AsciiRunLength16(p, n, i);
}

bool HasAvx2() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}

const bool g_avx2 = HasAvx2();
size_t (*const g_narrowAsciiRun)(const wchar_t*, size_t, unsigned char*) = g_avx2 ? NarrowAsciiRunAvx2 : NarrowAsciiRun;
size_t (*const g_asciiRunLength)(const wchar_t*, size_t) = g_avx2 ? AsciiRunLengthAvx2 : AsciiRunLength;
#else
size_t (*const g_narrowAsciiRun)(const wchar_t*, size_t, unsigned char*) = NarrowAsciiRun;
size_t (*const g_asciiRunLength)(const wchar_t*, size_t) = AsciiRunLength;
#endif

// First pass of UTF-8: bytes needed and elements taken, until the end or the
// first element that cannot be encoded. A high surrogate at the end of a piece
// waits for the first element of the next one.
struct Utf8Measure {
    uint64_t bytes = 0;
    uint64_t elements = 0;
    bool pendingHigh = false;
    bool stopped = false;

    void Add(const wchar_t* p, size_t n) {
        size_t i = 0;
        if (pendingHigh) {
            if (n == 0) return;
            pendingHigh = false;
            if (!IsLow(Unit(p[0]))) {
                stopped = true;
                return;
            }
            bytes += 4;
            elements += 2;
            i = 1;
        }
        while (i < n) {
            if (n - i >= 16) {
                size_t ascii = g_asciiRunLength(p + i, n - i);
                bytes += ascii;
                elements += ascii;
                i += ascii;
                if (i == n) break;
            }
            uint32_t c = Unit(p[i]);
            unsigned size;
            if (c < 0x80) {
                size = 1;
            } else if (c < 0x800) {
                size = 2;
            } else if (c < 0xD800 || (c >= 0xE000 && c <= 0xFFFF)) {
                size = 3;
            } else if (IsHigh(c)) {
                if (i + 1 == n) {
                    pendingHigh = true;
                    return;
                }
                if (!IsLow(Unit(p[i + 1]))) {
                    stopped = true;
                    return;
                }
                bytes += 4;
                elements += 2;
                i += 2;
                continue;
            } else if (c > 0xFFFF && c <= 0x10FFFF) {
                size = 4;
            } else {
                // A lone low surrogate, or no code point at all.
                stopped = true;
                return;
            }
            bytes += size;
            elements += 1;
            ++i;
        }
    }
};

inline unsigned char* PutCodePoint(unsigned char* out, uint32_t c) {
    if (c < 0x80) {
        *out++ = static_cast<unsigned char>(c);
    } else if (c < 0x800) {
        *out++ = static_cast<unsigned char>(0xC0 | c >> 6);
        *out++ = static_cast<unsigned char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *out++ = static_cast<unsigned char>(0xE0 | c >> 12);
        *out++ = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
        *out++ = static_cast<unsigned char>(0x80 | (c & 0x3F));
    } else {
        *out++ = static_cast<unsigned char>(0xF0 | c >> 18);
        *out++ = static_cast<unsigned char>(0x80 | ((c >> 12) & 0x3F));
        *out++ = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
        *out++ = static_cast<unsigned char>(0x80 | (c & 0x3F));
    }
    return out;
}

inline uint32_t Combine(uint32_t high, uint32_t low) { return 0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00); }

// Second pass: encodes elements the first pass accepted; a high surrogate at
// the end of a piece is completed by the next piece.
struct Utf8Writer {
    unsigned char* out;
    uint32_t pendingHigh = 0;

    void Add(const wchar_t* p, size_t n) {
        size_t i = 0;
        if (pendingHigh && n > 0) {
            out = PutCodePoint(out, Combine(pendingHigh, Unit(p[0])));
            pendingHigh = 0;
            i = 1;
        }
        while (i < n) {
            // The output is exactly sized, but every element still to come
            // takes a byte at least, so the bytes that the narrowing stores
            // past the ASCII run fit.
            if (n - i >= 16) {
                size_t ascii = g_narrowAsciiRun(p + i, n - i, out);
                out += ascii;
                i += ascii;
                if (i == n) break;
            }
            uint32_t c = Unit(p[i]);
            if (IsHigh(c)) {
                if (i + 1 == n) {
                    pendingHigh = c;
                    return;
                }
                c = Combine(c, Unit(p[i + 1]));
                ++i;
            }
            out = PutCodePoint(out, c);
            ++i;
        }
    }
};

// One pass that checks as it encodes, for output with room for the worst
// case (four bytes per element): stops at the first element that cannot be
// encoded, like the first pass above.
struct Utf8Direct {
    unsigned char* out;
    uint32_t pendingHigh = 0;
    bool stopped = false;

    void Add(const wchar_t* p, size_t n) {
        size_t i = 0;
        if (pendingHigh) {
            if (n == 0) return;
            uint32_t high = pendingHigh;
            pendingHigh = 0;
            if (!IsLow(Unit(p[0]))) {
                stopped = true;
                return;
            }
            out = PutCodePoint(out, Combine(high, Unit(p[0])));
            i = 1;
        }
        while (i < n) {
            if (n - i >= 16) {
                size_t ascii = g_narrowAsciiRun(p + i, n - i, out);
                out += ascii;
                i += ascii;
                if (i == n) break;
            }
            uint32_t c = Unit(p[i]);
            if (c < 0x80) {
                *out++ = static_cast<unsigned char>(c);
                ++i;
                continue;
            }
            if (IsHigh(c)) {
                if (i + 1 == n) {
                    pendingHigh = c;
                    return;
                }
                if (!IsLow(Unit(p[i + 1]))) {
                    stopped = true;
                    return;
                }
                out = PutCodePoint(out, Combine(c, Unit(p[i + 1])));
                i += 2;
                continue;
            }
            if (IsLow(c) || c > 0x10FFFF) {
                stopped = true;
                return;
            }
            out = PutCodePoint(out, c);
            ++i;
        }
    }
};

void CheckLength(uint64_t bytes) {
    if (bytes > UINT32_MAX) throw std::length_error("encoded text exceeds 4 GiB - 1 bytes");
}

// Each encoder measures first, then asks `reserve` for exactly that many bytes.
template <class Reserve>
void EncodeUtf8(const std::vector<Piece>& pieces, Reserve&& reserve) {
    Utf8Measure measure;
    for (const Piece& piece : pieces) {
        if (measure.stopped) break;
        measure.Add(piece.text, piece.length);
    }
    CheckLength(measure.bytes);
    Utf8Writer writer{reserve(measure.bytes)};
    uint64_t remaining = measure.elements;
    for (const Piece& piece : pieces) {
        if (remaining == 0) break;
        size_t take = piece.length < remaining ? piece.length : static_cast<size_t>(remaining);
        writer.Add(piece.text, take);
        remaining -= take;
    }
}

inline unsigned char* PutUnit(unsigned char* out, uint32_t unit) {
    out[0] = static_cast<unsigned char>(unit);
    out[1] = static_cast<unsigned char>(unit >> 8);
    return out + 2;
}

// The elements as UTF-16 units, low byte first; an element above U+10FFFF
// becomes U+FFFD.
unsigned char* PutUtf16(const wchar_t* text, size_t length, unsigned char* out) {
    for (size_t i = 0; i < length; ++i) {
        uint32_t c = Unit(text[i]);
        if (c <= 0xFFFF) {
            out = PutUnit(out, c);
        } else if (c <= 0x10FFFF) {
            out = PutUnit(out, 0xD800 + ((c - 0x10000) >> 10));
            out = PutUnit(out, 0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out = PutUnit(out, 0xFFFD);
        }
    }
    return out;
}

template <class Reserve>
void EncodeUtf16(const std::vector<Piece>& pieces, Reserve&& reserve) {
    uint64_t bytes = 0;
    for (const Piece& piece : pieces) {
        bytes += 2 * static_cast<uint64_t>(piece.length);
        for (size_t i = 0; i < piece.length; ++i) {
            uint32_t c = Unit(piece.text[i]);
            if (c > 0xFFFF && c <= 0x10FFFF) bytes += 2;
        }
    }
    CheckLength(bytes);
    unsigned char* out = reserve(bytes);
    for (const Piece& piece : pieces) out = PutUtf16(piece.text, piece.length, out);
}

template <class Reserve>
void Encode(const std::vector<Piece>& pieces, XmlEncoding encoding, Reserve&& reserve) {
    switch (encoding) {
    case XmlEncoding_UTF8:
        EncodeUtf8(pieces, reserve);
        break;
    case XmlEncoding_UTF16:
    case XmlEncoding_UTF16_NoDeclaration:
        EncodeUtf16(pieces, reserve);
        break;
    default:
        throw CNyException(UnknownEncodingMessage());
    }
}

// A new value holding exactly the encoded bytes.
CBinaryData EncodeNew(const std::vector<Piece>& pieces, XmlEncoding encoding) {
    // A large text goes to mapped pages (fewer page faults than new[] memory).
    struct Owned {
        Platform::ByteBlock block;
        ~Owned() { Platform::FreeByteBlock(block); }
    } owned;
    uint64_t size = 0;
    Encode(pieces, encoding, [&](uint64_t bytes) {
        size = bytes;
        owned.block = Platform::NewByteBlock(bytes);
        return owned.block.bytes;
    });
    CBinaryData data;
    Platform::ByteBlock block = owned.block;
    owned.block = Platform::ByteBlock();
    CBinaryDataAccess::AdoptBlock(data, block, static_cast<uint32_t>(size));
    return data;
}

std::vector<Piece> Pieces(const CStringBuffer& buffer) {
    std::vector<Piece> pieces;
    pieces.reserve(buffer.GetChunkCount());
    for (size_t i = 0; i < buffer.GetChunkCount(); ++i) {
        uint32_t used = 0;
        const wchar_t* chunk = buffer.GetChunk(i, used);
        if (used) pieces.push_back({chunk, used});
    }
    return pieces;
}

}  // namespace

std::wstring UnknownEncodingMessage() {
    return L"Unknown Encoding, select UTF-8 (contact support@nyxml.dev for support)";
}

CBinaryData EncodeText(const wchar_t* text, size_t length, XmlEncoding encoding) {
    std::vector<Piece> pieces;
    if (length) pieces.push_back({text, length});
    return EncodeNew(pieces, encoding);
}

CBinaryData EncodeBuffer(const CStringBuffer& buffer, XmlEncoding encoding) {
    return EncodeNew(Pieces(buffer), encoding);
}

uint64_t EncodedBytesAtMost(const CStringBuffer& buffer) { return 4 * static_cast<uint64_t>(buffer.GetTotal()); }

size_t EncodeBufferInto(const CStringBuffer& buffer, XmlEncoding encoding, unsigned char* out, bool* ended,
                        uint32_t* pendingHigh) {
    switch (encoding) {
    case XmlEncoding_UTF8: {
        Utf8Direct writer{out};
        if (pendingHigh) writer.pendingHigh = *pendingHigh;
        for (size_t i = 0; i < buffer.GetChunkCount() && !writer.stopped; ++i) {
            uint32_t used = 0;
            const wchar_t* chunk = buffer.GetChunk(i, used);
            writer.Add(chunk, used);
        }
        if (pendingHigh) {
            *pendingHigh = writer.stopped ? 0 : writer.pendingHigh;
            if (ended) *ended = writer.stopped;
        } else if (ended) {
            // A high surrogate left waiting at the end is unpaired too.
            *ended = writer.stopped || writer.pendingHigh != 0;
        }
        return static_cast<size_t>(writer.out - out);
    }
    case XmlEncoding_UTF16:
    case XmlEncoding_UTF16_NoDeclaration: {
        unsigned char* end = out;
        for (size_t i = 0; i < buffer.GetChunkCount(); ++i) {
            uint32_t used = 0;
            const wchar_t* chunk = buffer.GetChunk(i, used);
            end = PutUtf16(chunk, used, end);
        }
        return static_cast<size_t>(end - out);
    }
    default:
        throw CNyException(UnknownEncodingMessage());
    }
}

void AppendEncodedBuffer(const CStringBuffer& buffer, XmlEncoding encoding, CBinaryData& out, bool* ended,
                         uint32_t* pendingHigh) {
    if (encoding != XmlEncoding_UTF8 && encoding != XmlEncoding_UTF16 && encoding != XmlEncoding_UTF16_NoDeclaration)
        throw CNyException(UnknownEncodingMessage());
    // Room for the worst case, one pass, then the length actually used.
    uint64_t worst = EncodedBytesAtMost(buffer);
    uint32_t before = out.GetLength();
    CheckLength(before + worst);
    unsigned char* start = CBinaryDataAccess::Extend(out, static_cast<uint32_t>(worst));
    size_t written = EncodeBufferInto(buffer, encoding, start, ended, pendingHigh);
    CBinaryDataAccess::SetLength(out, before + static_cast<uint32_t>(written));
}

}  // namespace NyXmlLib9
