// Text to bytes: UTF-8 (checked against Python's codec) and UTF-16LE, from one
// string and from a chunked buffer.
#include <nyxml/writer.h>

#include "streams/TextEncoding.h"

#include "TestSupport.h"

#include <fstream>
#include <sstream>

using namespace NyXmlLib9;

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

TEST(TextToUtf8, SurrogatesAndLargeElements) {
    struct Case {
        std::wstring text;
        const char* bytes;
    } cases[] = {
        {L"\xD83D\xDE00", "F09F9880"},
        {std::wstring(1, static_cast<wchar_t>(0x1F600)), "F09F9880"},  // an element above U+FFFF
        {std::wstring(1, static_cast<wchar_t>(0x10FFFF)), "F48FBFBF"},
        {L"ab\xD83Dz", "6162"},           // unpaired high surrogate in the middle
        {L"ab\xD83D", "6162"},            // at the end
        {L"ab\xDE00z", "6162"},           // lone low surrogate
        {L"\xD800\xD800\xDC00", ""},      // a high followed by a pair
        {L"\x7F\x80\x7FF\x800\xFFFF", "7FC280DFBFE0A080EFBFBF"},
        {std::wstring(1, static_cast<wchar_t>(0x110000)) + L"a", ""},  // no code point
        {L"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(nyxml_test::Utf8(c.text));
        EXPECT_EQ(c.bytes, Hex(Utf8(c.text)));
        EXPECT_EQ(c.bytes, Hex(Utf8Chunked(c.text, 1)));
    }
}

TEST(TextToUtf8, PairSplitBetweenChunksAtEveryOffset) {
    // Mixed ASCII runs longer and shorter than eight characters around pairs.
    std::wstring text;
    for (int i = 0; i < 40; ++i) {
        text += std::wstring(i % 11, L'a');
        text += L"\xD83D\xDE00\x00E9";
    }
    std::string expected = Hex(Utf8(text));
    for (uint32_t chunk = 1; chunk <= 24; ++chunk) EXPECT_EQ(expected, Hex(Utf8Chunked(text, chunk))) << chunk;
}

TEST(TextToUtf16, UnitsLowByteFirstWithoutByteOrderMark) {
    std::wstring text = L"<a\x20AC\xD83D\xDE00";
    text += static_cast<wchar_t>(0x1F601);
    for (XmlEncoding encoding : {XmlEncoding_UTF16, XmlEncoding_UTF16_NoDeclaration}) {
        CBinaryData bytes = EncodeText(text.data(), text.size(), encoding);
        EXPECT_EQ("3C006100AC203DD800DE3DD801DE", Hex(bytes));
        EXPECT_EQ("3C006100AC203DD800DE3DD801DE", Hex(Utf8Chunked(text, 2, encoding)));
    }
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

TEST(TextToBytes, StreamConvertsItsWholeBuffer) {
    CTextStream stream(XmlEncoding_UTF8);
    std::wstring text;
    for (int i = 0; i < 5000; ++i) text += (i % 100 == 0) ? L"\x00E9" : L"x";
    stream.GetBuffer().Append(text.c_str());
    CBinaryData bytes = stream.GetBytes();
    EXPECT_EQ(Hex(Utf8(text)), Hex(bytes));
    EXPECT_EQ(5050u, bytes.GetLength());
}
