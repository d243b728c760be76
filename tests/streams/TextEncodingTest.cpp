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
