// UTF-8 and UTF-16LE encoding of UTF-16 text. UTF-8 is made in two passes
// (measure, then encode into a block of the exact size); runs of eight ASCII
// characters are recognised with one test and copied in a plain loop that the
// compiler vectorises.
#include "streams/TextEncoding.h"

#include "values/BinaryDataAccess.h"

#include <nyxml/foundation.h>

#include <memory>
#include <stdexcept>
#include <vector>

namespace NyXmlLib9 {
namespace {

struct Piece {
    const wchar_t* text;
    size_t length;
};

inline uint32_t Unit(wchar_t c) { return static_cast<uint32_t>(c); }
inline bool IsHigh(uint32_t c) { return c - 0xD800u < 0x400u; }
inline bool IsLow(uint32_t c) { return c - 0xDC00u < 0x400u; }

inline bool AsciiBlock(const wchar_t* p) {
    uint32_t bits = 0;
    for (int k = 0; k < 8; ++k) bits |= Unit(p[k]);
    return bits < 0x80;
}

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
            if (n - i >= 8 && AsciiBlock(p + i)) {
                bytes += 8;
                elements += 8;
                i += 8;
                continue;
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
            if (n - i >= 8 && AsciiBlock(p + i)) {
                for (int k = 0; k < 8; ++k) out[k] = static_cast<unsigned char>(p[i + k]);
                out += 8;
                i += 8;
                continue;
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

void CheckLength(uint64_t bytes) {
    if (bytes > UINT32_MAX) throw std::length_error("encoded text exceeds 4 GiB - 1 bytes");
}

CBinaryData Finish(unsigned char* block, uint64_t bytes) {
    CBinaryData data;
    CBinaryDataAccess::Adopt(data, block, static_cast<uint32_t>(bytes), static_cast<uint32_t>(bytes ? bytes : 1));
    return data;
}

CBinaryData EncodeUtf8(const std::vector<Piece>& pieces) {
    Utf8Measure measure;
    for (const Piece& piece : pieces) {
        if (measure.stopped) break;
        measure.Add(piece.text, piece.length);
    }
    CheckLength(measure.bytes);
    std::unique_ptr<unsigned char[]> block(new unsigned char[measure.bytes ? measure.bytes : 1]);
    Utf8Writer writer{block.get()};
    uint64_t remaining = measure.elements;
    for (const Piece& piece : pieces) {
        if (remaining == 0) break;
        size_t take = piece.length < remaining ? piece.length : static_cast<size_t>(remaining);
        writer.Add(piece.text, take);
        remaining -= take;
    }
    return Finish(block.release(), measure.bytes);
}

inline unsigned char* PutUnit(unsigned char* out, uint32_t unit) {
    out[0] = static_cast<unsigned char>(unit);
    out[1] = static_cast<unsigned char>(unit >> 8);
    return out + 2;
}

CBinaryData EncodeUtf16(const std::vector<Piece>& pieces) {
    uint64_t bytes = 0;
    for (const Piece& piece : pieces) {
        bytes += 2 * static_cast<uint64_t>(piece.length);
        for (size_t i = 0; i < piece.length; ++i) {
            uint32_t c = Unit(piece.text[i]);
            if (c > 0xFFFF && c <= 0x10FFFF) bytes += 2;
        }
    }
    CheckLength(bytes);
    std::unique_ptr<unsigned char[]> block(new unsigned char[bytes ? bytes : 1]);
    unsigned char* out = block.get();
    for (const Piece& piece : pieces) {
        for (size_t i = 0; i < piece.length; ++i) {
            uint32_t c = Unit(piece.text[i]);
            if (c <= 0xFFFF) {
                out = PutUnit(out, c);
            } else if (c <= 0x10FFFF) {
                out = PutUnit(out, 0xD800 + ((c - 0x10000) >> 10));
                out = PutUnit(out, 0xDC00 + ((c - 0x10000) & 0x3FF));
            } else {
                out = PutUnit(out, 0xFFFD);
            }
        }
    }
    return Finish(block.release(), bytes);
}

CBinaryData Encode(const std::vector<Piece>& pieces, XmlEncoding encoding) {
    switch (encoding) {
    case XmlEncoding_UTF8:
        return EncodeUtf8(pieces);
    case XmlEncoding_UTF16:
    case XmlEncoding_UTF16_NoDeclaration:
        return EncodeUtf16(pieces);
    default:
        throw CNyException(UnknownEncodingMessage());
    }
}

}  // namespace

std::wstring UnknownEncodingMessage() {
    return L"Unknown Encoding, select UTF-8 (contact support@nyxml.dev for support)";
}

CBinaryData EncodeText(const wchar_t* text, size_t length, XmlEncoding encoding) {
    std::vector<Piece> pieces;
    if (length) pieces.push_back({text, length});
    return Encode(pieces, encoding);
}

CBinaryData EncodeBuffer(const CStringBuffer& buffer, XmlEncoding encoding) {
    std::vector<Piece> pieces;
    pieces.reserve(buffer.GetChunkCount());
    for (size_t i = 0; i < buffer.GetChunkCount(); ++i) {
        uint32_t used = 0;
        const wchar_t* chunk = buffer.GetChunk(i, used);
        if (used) pieces.push_back({chunk, used});
    }
    return Encode(pieces, encoding);
}

}  // namespace NyXmlLib9
