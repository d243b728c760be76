// CBase64: standard base64 with a lenient decoder. Encoding turns each 12 bits
// into two characters with one table look-up; decoding takes four characters
// at a time while they are all in the alphabet.
#include <nyxml/binarydata.h>

#include <cstring>

namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Decode classes of the low seven bits of a code unit: 0-63 the value,
// kSkip for white space and '=', kInvalid for the rest.
const unsigned char kSkip = 0x40;
const unsigned char kInvalid = 0x80;

struct DecodeTable {
    unsigned char value[128];
    DecodeTable() {
        std::memset(value, kInvalid, sizeof value);
        for (int i = 0; i < 64; ++i) value[static_cast<unsigned char>(kAlphabet[i])] = static_cast<unsigned char>(i);
        for (unsigned char c : {'\t', '\n', '\r', ' ', '='}) value[c] = kSkip;
    }
};

// Two characters per 12-bit group.
struct PairTable {
    wchar_t pair[4096][2];
    PairTable() {
        for (int i = 0; i < 4096; ++i) {
            pair[i][0] = static_cast<wchar_t>(kAlphabet[i >> 6]);
            pair[i][1] = static_cast<wchar_t>(kAlphabet[i & 63]);
        }
    }
};

const DecodeTable& Decoding() {
    static const DecodeTable table;
    return table;
}

const PairTable& Pairs() {
    static const PairTable table;
    return table;
}

inline unsigned Class(wchar_t c, const unsigned char* table) { return table[static_cast<uint32_t>(c) & 0x7F]; }

}  // namespace

CBase64::CBase64() : m_input(nullptr), m_inputLength(0), m_pendingBits(0), m_accumulator(0) {}

CBase64::~CBase64() = default;

size_t CBase64::EncodedLength(uint32_t length) { return (static_cast<size_t>(length) + 2) / 3 * 4; }

void CBase64::Encode(const unsigned char* bytes, uint32_t length, wchar_t* out) {
    m_input = bytes;
    m_inputLength = length;
    const PairTable& pairs = Pairs();
    const unsigned char* p = bytes;
    const unsigned char* end = bytes + length - length % 3;
    for (; p < end; p += 3) {
        uint32_t group = static_cast<uint32_t>(p[0]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[2];
        std::memcpy(out, pairs.pair[group >> 12], 2 * sizeof(wchar_t));
        std::memcpy(out + 2, pairs.pair[group & 0xFFF], 2 * sizeof(wchar_t));
        out += 4;
    }
    uint32_t rest = length % 3;
    if (rest) {
        uint32_t group = static_cast<uint32_t>(p[0]) << 16 | (rest == 2 ? static_cast<uint32_t>(p[1]) << 8 : 0);
        out[0] = static_cast<wchar_t>(kAlphabet[group >> 18]);
        out[1] = static_cast<wchar_t>(kAlphabet[(group >> 12) & 63]);
        out[2] = rest == 2 ? static_cast<wchar_t>(kAlphabet[(group >> 6) & 63]) : L'=';
        out[3] = L'=';
    }
    m_pendingBits = 0;
    m_accumulator = 0;
}

bool CBase64::Decode(const wchar_t* text, size_t length, unsigned char* out, uint32_t& written) {
    m_input = text;
    m_inputLength = length;
    const unsigned char* table = Decoding().value;
    // Fewer than 8 bits are pending between characters, so the accumulator
    // never needs more than 32 bits.
    uint32_t acc = 0;
    uint32_t bits = 0;
    unsigned char* o = out;
    const wchar_t* p = text;
    const wchar_t* end = text + length;
    bool valid = true;
    // One 16-bit unit: false when it is invalid.
    auto feed = [&](wchar_t unit) {
        const unsigned v = Class(unit, table);
        if (v == kSkip) return true;
        if (v == kInvalid) return false;
        acc = acc << 6 | v;
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            *o++ = static_cast<unsigned char>(acc >> bits);
        }
        return true;
    };
    while (p < end) {
        if (end - p >= 4 && static_cast<uint32_t>(p[0] | p[1] | p[2] | p[3]) <= 0xFFFF) {
            unsigned a = Class(p[0], table), b = Class(p[1], table), c = Class(p[2], table), d = Class(p[3], table);
            if (((a | b | c | d) & (kSkip | kInvalid)) == 0) {
                acc = acc << 24 | a << 18 | b << 12 | c << 6 | d;
                o[0] = static_cast<unsigned char>(acc >> (bits + 16));
                o[1] = static_cast<unsigned char>(acc >> (bits + 8));
                o[2] = static_cast<unsigned char>(acc >> bits);
                o += 3;
                p += 4;
                continue;
            }
        }
        const uint32_t element = static_cast<uint32_t>(*p++);
        if (element <= 0xFFFF) {
            valid = feed(static_cast<wchar_t>(element));
        } else if (element <= 0x10FFFF) {
            // Read as its UTF-16 pair, two units, as text of 16-bit units is.
            const uint32_t offset = element - 0x10000;
            valid = feed(static_cast<wchar_t>(0xD800 + (offset >> 10))) &&
                    feed(static_cast<wchar_t>(0xDC00 + (offset & 0x3FF)));
        } else {
            valid = false;  // no character at all
        }
        if (!valid) break;
    }
    m_accumulator = acc;
    m_pendingBits = bits;
    written = static_cast<uint32_t>(o - out);
    return valid;
}
