// UTF-8 output around the blocks the encoders narrow at once (sixteen and
// thirty-two elements): every kind of element at every offset of an ASCII
// run, through the whole-text conversion (measure, then encode) and through
// the one-pass piece encoding, in buffers whose chunks split surrogate pairs
// at every offset, against a plain element-by-element encoder.
#include <nyxml/writer.h>

#include "streams/TextEncoding.h"

#include "TestSupport.h"

#include <random>
#include <string>
#include <vector>
#include <fstream>
#include <sstream>

using namespace NyXmlLib9;
using nyxml_test::AsString;

namespace {

// The rules written out: an unpaired surrogate or a non-code point ends the
// output; what comes before is encoded by the tests' own UTF-8 encoder (pairs
// give four bytes, an element above U+FFFF is that code point).
std::string Reference(const std::wstring& text) {
    size_t end = 0;
    while (end < text.size()) {
        const uint32_t c = static_cast<uint32_t>(text[end]);
        const bool high = c - 0xD800u < 0x400u;
        if (high && (end + 1 == text.size() || static_cast<uint32_t>(text[end + 1]) - 0xDC00u >= 0x400u)) break;
        if (!high && (c - 0xDC00u < 0x400u || c > 0x10FFFF)) break;
        end += high ? 2 : 1;
    }
    return nyxml_test::Utf8(text.substr(0, end));
}

// One pass into a block with room for four bytes per element, as the byte
// and file streams encode their pieces.
std::string OnePass(const std::wstring& text, uint32_t chunk) {
    CStringBuffer buffer(chunk);
    buffer.Append(text.data(), text.size());
    std::vector<unsigned char> block(static_cast<size_t>(EncodedBytesAtMost(buffer)) + 1);
    size_t length = EncodeBufferInto(buffer, XmlEncoding_UTF8, block.data());
    return std::string(reinterpret_cast<const char*>(block.data()), length);
}

std::string TwoPass(const std::wstring& text, uint32_t chunk) {
    CStringBuffer buffer(chunk);
    buffer.Append(text.data(), text.size());
    return AsString(EncodeBuffer(buffer, XmlEncoding_UTF8));
}

const std::wstring kElements[] = {
    std::wstring(1, L'\x00E9'), std::wstring(1, L'\x07FF'), std::wstring(1, L'\x4E2D'), std::wstring(1, L'\xFFFF'),
    L"\xD83D\xDE00", std::wstring(1, static_cast<wchar_t>(0x1F600)), std::wstring(1, L'\x007F'),
};

}  // namespace

TEST(Utf8Blocks, EveryElementAtEveryOffsetOfARun) {
    for (const std::wstring& element : kElements) {
        for (size_t before = 0; before <= 70; ++before) {
            for (size_t after : {0u, 1u, 15u, 16u, 31u, 33u, 64u}) {
                std::wstring text = std::wstring(before, L'a') + element + std::wstring(after, L'b') + element;
                std::string expected = Reference(text);
                SCOPED_TRACE(testing::Message() << static_cast<uint32_t>(element[0]) << " " << before << " " << after);
                ASSERT_EQ(expected, AsString(EncodeText(text.data(), text.size(), XmlEncoding_UTF8)));
                for (uint32_t chunk : {4095u, 17u, 5u}) {
                    ASSERT_EQ(expected, TwoPass(text, chunk)) << chunk;
                    ASSERT_EQ(expected, OnePass(text, chunk)) << chunk;
                }
            }
        }
    }
}

TEST(Utf8Blocks, RandomMixedTexts) {
    std::mt19937 rng(31);
    for (int round = 0; round < 400; ++round) {
        std::wstring text;
        size_t pieces = rng() % 12;
        for (size_t i = 0; i < pieces; ++i) {
            text += std::wstring(rng() % 80, static_cast<wchar_t>(L' ' + rng() % 95));
            if (rng() % 5) text += kElements[rng() % (sizeof kElements / sizeof kElements[0])];
        }
        if (rng() % 8 == 0) text.insert(rng() % (text.size() + 1), 1, L'\xDC00');
        SCOPED_TRACE(round);
        std::string expected = Reference(text);
        ASSERT_EQ(expected, AsString(EncodeText(text.data(), text.size(), XmlEncoding_UTF8)));
        uint32_t chunk = 1 + rng() % 100;
        ASSERT_EQ(expected, TwoPass(text, chunk)) << chunk;
        ASSERT_EQ(expected, OnePass(text, chunk)) << chunk;
    }
}

// Text to bytes: UTF-8 (checked against Python's codec) and UTF-16LE, from one
// string and from a chunked buffer.
namespace {

std::string Hex(const CBinaryData& data) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (uint32_t i = 0; i < data.GetLength(); ++i) {
        out += digits[data.GetData()[i] >> 4];
        out += digits[data.GetData()[i] & 15];
    }
    return out;
}

std::wstring Units(const std::string& dotted) {
    std::wstring text;
    std::stringstream in(dotted);
    std::string unit;
    while (std::getline(in, unit, '.')) text += static_cast<wchar_t>(std::stoul(unit, nullptr, 16));
    return text;
}

CBinaryData Utf8(const std::wstring& text) { return EncodeText(text.data(), text.size(), XmlEncoding_UTF8); }

// The same text through a buffer with chunks of the given size.
CBinaryData Utf8Chunked(const std::wstring& text, uint32_t chunk, XmlEncoding encoding = XmlEncoding_UTF8) {
    CStringBuffer buffer(chunk);
    buffer.Append(text.data(), text.size());
    return EncodeBuffer(buffer, encoding);
}

}  // namespace

TEST(TextToUtf8, MatchesPythonVectorsAtEveryChunkSize) {
    std::ifstream in(nyxml_test::TestDataPath("utf8_vectors.txt"));
    ASSERT_TRUE(in.good());
    std::string units, bytes;
    int count = 0;
    while (in >> units >> bytes) {
        if (bytes == "-") bytes.clear();
        std::wstring text = Units(units);
        SCOPED_TRACE(units.substr(0, 60));
        EXPECT_EQ(bytes, Hex(Utf8(text)));
        for (uint32_t chunk : {1u, 2u, 3u, 7u, 8u, 9u, 4095u}) EXPECT_EQ(bytes, Hex(Utf8Chunked(text, chunk))) << chunk;
        ++count;
    }
    EXPECT_EQ(119, count);
}

TEST(TextToBytes, UnknownEncodingsAreRefused) {
    const std::wstring message = L"Unknown Encoding, select UTF-8 (contact support@nyxml.dev for support)";
    for (int encoding : {0, 4, -1, 100}) {
        SCOPED_TRACE(encoding);
        EXPECT_NY_THROW(EncodeText(L"a", 1, static_cast<XmlEncoding>(encoding)), CNyException, message);
        CTextStream stream(static_cast<XmlEncoding>(encoding));
        stream.GetBuffer().Append(L"a");
        EXPECT_NY_THROW(stream.GetBytes(), CNyException, message);
    }
}
