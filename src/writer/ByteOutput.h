// Direct byte output of the text writer: markup, names and escaped text stored
// as UTF-8 or UTF-16LE straight into the byte block of a CByteTextStream, in
// one pass and without the character buffer. Each piece first makes room for
// its worst case, so that the stores need no bounds checks; the block's
// length is set once per writer call.
//
// UTF-8 gives exactly the bytes of the whole-text conversion: a surrogate pair
// gives four bytes, an element above U+FFFF is that code point, and an
// unpaired surrogate or an element that is no code point ends the output
// there (what follows is stored but never becomes part of the text). A high
// surrogate at the end of a writer call's output waits in the stream, not
// encoded, for the next call's first element.
#ifndef NYXML_SRC_WRITER_BYTEOUTPUT_H
#define NYXML_SRC_WRITER_BYTEOUTPUT_H

#include <nyxml/streams.h>
#include <nyxml/writer.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace NyXmlLib9 {

struct __attribute__((visibility("hidden"))) CXmlTextWriter::ByteOutput {
    // The write position in the stream's block and the end of its room.
    class Cursor {
    public:
        explicit Cursor(CByteTextStream* stream)
            : m_stream(stream), m_block(stream->m_block), m_out(stream->m_block + stream->m_length),
              m_limit(stream->m_block + stream->m_capacity) {}

        // Where the next bytes go, with room for `bytes` of them.
        // The encoders may store up to kSlack bytes past what they keep.
        unsigned char* Room(size_t bytes) {
            if (static_cast<size_t>(m_limit - m_out) < bytes + kSlack) Grow(bytes + kSlack);
            return m_out;
        }
        static const size_t kSlack = 32;
        // The bytes up to `out` are stored.
        void Advance(unsigned char* out) { m_out = out; }
        // Whether `bytes` bytes from `p` (in the block) may be read.
        bool Readable(const unsigned char* p, size_t bytes) const {
            return static_cast<size_t>(m_limit - p) >= bytes;
        }
        // What is stored becomes part of the output, up to where an unpaired
        // surrogate ended it. Done at the end of each writer call, and before
        // the block grows (so that a failure keeps what came before it).
        // A cursor is only made while the output goes on (not ended, no high
        // surrogate waiting, or one about to be completed): unless this call
        // ended it or left a surrogate waiting, the stored bytes simply count.
        void Commit() {
            if (!m_dirty) {
                m_stream->m_length = static_cast<uint32_t>(m_out - m_block);
                return;
            }
            CommitSlow();
        }
        // An element at `out` that cannot be encoded ends the output there.
        void EndAt(unsigned char* out);
        // A high surrogate with nothing after it in its text, at `out`: it
        // waits; anything but a low surrogate stored next ends the output there.
        void HoldHigh(unsigned char* out, uint32_t high);

    private:
        void Grow(size_t bytes);
        void CommitSlow();

        CByteTextStream* m_stream;
        unsigned char* m_block;
        unsigned char* m_out;
        unsigned char* m_limit;
        bool m_dirty = false;  // EndAt or HoldHigh was called
    };

    // Elements of one text encoded at most at a time, so that the room made
    // for them stays small whatever the length of the text.
    static const size_t kSlice = 1 << 16;

    // UTF-8. Plain and Escaped need room for kElement and kEscaped bytes per
    // element of the text; they return the new write position.
    struct Utf8 {
        static const size_t kAscii = 1;
        static const size_t kElement = 4;
        static const size_t kEscaped = 6;

        static unsigned char* Put(unsigned char* out, char c) {
            *out = static_cast<unsigned char>(c);
            return out + 1;
        }
        // Markup: ASCII only.
        static unsigned char* Put(unsigned char* out, const char* text, size_t length) {
            std::memcpy(out, text, length);
            return out + length;
        }
        static unsigned char* Tabs(unsigned char* out, size_t count) {
            // Sixteen at a time into the slack: most indentation is one store.
            for (size_t i = 0; i < count; i += 16) std::memcpy(out + i, "\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t", 16);
            return out + count;
        }
        // A text unchanged (names, prefixes, processing instructions).
        static unsigned char* Plain(Cursor& c, unsigned char* out, const wchar_t* text, size_t length) {
            // Names are short and almost always ASCII.
            if (length < 16 && Short<false>(out, text, length)) return out + length;
            return PlainLong(c, out, text, length);
        }
        static unsigned char* PlainLong(Cursor& c, unsigned char* out, const wchar_t* text, size_t length);
        // A text escaped in text mode (attribute false) or attribute mode.
        static unsigned char* Escaped(Cursor& c, unsigned char* out, const wchar_t* text, size_t length,
                                      bool attribute, EOLType eol) {
            // Short values are mostly plain ASCII.
            if (length < 16 && Short<true>(out, text, length)) return out + length;
            return EscapedLong(c, out, text, length, attribute, eol);
        }
        // Fewer than sixteen elements that are all plain ASCII (and, when
        // escaping, none special) stored as bytes; false when one is not.
        // Texts of four or more are read as two blocks that overlap, so that
        // no element outside the text is read.
        template <bool kEscape>
        static bool Short(unsigned char* out, const wchar_t* text, size_t length) {
#if defined(__SSE2__)
            if (length >= 4) {
                const __m128i* p = reinterpret_cast<const __m128i*>(text);
                __m128i bytes;
                unsigned used;
                if (length >= 8) {
                    // Elements 0-7 in bytes 0-7, the last eight in bytes 8-15.
                    const __m128i* q = reinterpret_cast<const __m128i*>(text + length - 8);
                    bytes = _mm_packs_epi16(_mm_packs_epi32(_mm_loadu_si128(p), _mm_loadu_si128(p + 1)),
                                            _mm_packs_epi32(_mm_loadu_si128(q), _mm_loadu_si128(q + 1)));
                    used = 0xFFFF;
                } else {
                    // Elements 0-3 in bytes 0-3, the last four in bytes 4-7.
                    const __m128i* q = reinterpret_cast<const __m128i*>(text + length - 4);
                    bytes = _mm_packs_epi16(_mm_packs_epi32(_mm_loadu_si128(p), _mm_loadu_si128(q)),
                                            _mm_setzero_si128());
                    used = 0xFF;
                }
                // Top bit: not ASCII (the packs saturate every other element
                // to a byte with it set, or to DEL, which is sent the long way).
                __m128i hit = _mm_or_si128(bytes, _mm_cmpeq_epi8(bytes, _mm_set1_epi8(0x7F)));
                if (kEscape) {
                    hit = _mm_or_si128(hit, _mm_cmpeq_epi8(_mm_and_si128(bytes, _mm_set1_epi8(~2)), _mm_set1_epi8('<')));
                    hit = _mm_or_si128(hit, _mm_cmpeq_epi8(_mm_and_si128(bytes, _mm_set1_epi8(~4)), _mm_set1_epi8('"')));
                    hit = _mm_or_si128(hit, _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\n')));
                    hit = _mm_or_si128(hit, _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\r')));
                }
                if (static_cast<unsigned>(_mm_movemask_epi8(hit)) & used) return false;
                if (length >= 8) {
                    _mm_storel_epi64(reinterpret_cast<__m128i*>(out), bytes);
                    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + length - 8), _mm_unpackhi_epi64(bytes, bytes));
                } else {
                    uint64_t eight = static_cast<uint64_t>(_mm_cvtsi128_si64(bytes));
                    uint32_t first = static_cast<uint32_t>(eight), last = static_cast<uint32_t>(eight >> 32);
                    std::memcpy(out, &first, 4);
                    std::memcpy(out + length - 4, &last, 4);
                }
                return true;
            }
#endif
            uint32_t stop = 0;
            for (size_t i = 0; i < length; ++i) {
                uint32_t u = static_cast<uint32_t>(text[i]);
                stop |= u | (kEscape ? kStops[u & 0x7F] : 0);
                out[i] = static_cast<unsigned char>(u);
            }
            return stop < 0x80;
        }
        static unsigned char* EscapedLong(Cursor& c, unsigned char* out, const wchar_t* text, size_t length,
                                          bool attribute, EOLType eol);
        // The loops of PlainLong (escape false) and EscapedLong built for
        // processors with SSSE3, in a file of their own.
        static unsigned char* TextSsse3(Cursor& c, unsigned char* out, const wchar_t* text, size_t length,
                                        bool escape, bool attribute, EOLType eol);
        // 0x80 for the characters that escaping changes, 0 for the others.
        static const unsigned char kStops[128];
    };

    // UTF-16 little-endian, no byte order mark; an element above U+FFFF
    // becomes its surrogate pair, one above U+10FFFF becomes U+FFFD.
    struct Utf16 {
        static const size_t kAscii = 2;
        static const size_t kElement = 4;
        static const size_t kEscaped = 12;

        static unsigned char* Put(unsigned char* out, char c) {
            out[0] = static_cast<unsigned char>(c);
            out[1] = 0;
            return out + 2;
        }
        static unsigned char* Put(unsigned char* out, const char* text, size_t length) {
            for (size_t i = 0; i < length; ++i) out = Put(out, text[i]);
            return out;
        }
        static unsigned char* Tabs(unsigned char* out, size_t count) {
            for (size_t i = 0; i < count; ++i) out = Put(out, '\t');
            return out;
        }
        static unsigned char* Plain(Cursor& c, unsigned char* out, const wchar_t* text, size_t length) {
            if (length < 16 && Short<false>(out, text, length)) return out + 2 * length;
            return PlainLong(c, out, text, length);
        }
        static unsigned char* Escaped(Cursor& c, unsigned char* out, const wchar_t* text, size_t length,
                                      bool attribute, EOLType eol) {
            if (length < 16 && Short<true>(out, text, length)) return out + 2 * length;
            return EscapedLong(c, out, text, length, attribute, eol);
        }
        // Fewer than sixteen elements up to U+FFFF (and, when escaping, none
        // special) stored as units; false when one is not.
        template <bool kEscape>
        static bool Short(unsigned char* out, const wchar_t* text, size_t length) {
            uint32_t stop = 0;
            for (size_t i = 0; i < length; ++i) {
                uint32_t u = static_cast<uint32_t>(text[i]);
                stop |= u | (kEscape && u < 0x80 ? Utf8::kStops[u] << 9 : 0);
                out[2 * i] = static_cast<unsigned char>(u);
                out[2 * i + 1] = static_cast<unsigned char>(u >> 8);
            }
            return stop <= 0xFFFF;
        }
        static unsigned char* PlainLong(Cursor& c, unsigned char* out, const wchar_t* text, size_t length);
        static unsigned char* EscapedLong(Cursor& c, unsigned char* out, const wchar_t* text, size_t length,
                                          bool attribute, EOLType eol);
    };

    // A text of any length, unchanged or escaped, in slices.
    template <class F>
    static void PutPlain(Cursor& c, const wchar_t* text, size_t length) {
        while (length > kSlice) {
            size_t slice = SliceLength(text);
            c.Advance(F::Plain(c, c.Room(slice * F::kElement), text, slice));
            text += slice;
            length -= slice;
        }
        c.Advance(F::Plain(c, c.Room(length * F::kElement), text, length));
    }
    template <class F>
    static void PutEscaped(Cursor& c, const wchar_t* text, size_t length, bool attribute, EOLType eol) {
        while (length > kSlice) {
            size_t slice = SliceLength(text);
            c.Advance(F::Escaped(c, c.Room(slice * F::kEscaped), text, slice, attribute, eol));
            text += slice;
            length -= slice;
        }
        c.Advance(F::Escaped(c, c.Room(length * F::kEscaped), text, length, attribute, eol));
    }
    // Markup of `length` ASCII characters.
    template <class F>
    static void Put(Cursor& c, const char* text, size_t length) {
        c.Advance(F::Put(c.Room(length * F::kAscii), text, length));
    }
    template <class F>
    static void Put(Cursor& c, char ch) {
        c.Advance(F::Put(c.Room(F::kAscii), ch));
    }

private:
    // kSlice elements, or one less so that no surrogate pair is split.
    static size_t SliceLength(const wchar_t* text) {
        uint32_t last = static_cast<uint32_t>(text[kSlice - 1]);
        return last - 0xD800u < 0x400u ? kSlice - 1 : kSlice;
    }
};

}  // namespace NyXmlLib9

#endif
