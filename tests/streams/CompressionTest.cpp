// Deflate output at level 1: the refusal of output that does not shrink, and
// nothing to do for empty data. Compressed output is read back by the entry points.
#include <nyxml/document.h>
#include <nyxml/streams.h>
#include <nyxml/writer.h>

#include "TestSupport.h"

#include <cstdlib>
#include <random>
#include <string>

using namespace NyXmlLib9;
using nyxml_test::AsString;

namespace {

CBinaryData Document(int items, XmlEncoding encoding = XmlEncoding_UTF8) {
    CTextStream stream(encoding);
    CXmlTextWriter writer(&stream);
    writer.StartDocument();
    writer.WriteXmlDeclaration();
    writer.StartElement(L"list", L"urn:list");
    for (int i = 0; i < items; ++i) {
        writer.StartElement(L"entry", L"urn:list");
        writer.WriteAttribute(L"n", L"", std::to_wstring(i), ItemType_i4);
        writer.WriteText(L"value \x00E9 " + std::to_wstring(i * i), ItemType_string);
        writer.EndElement();
    }
    writer.EndElement();
    writer.EndDocument();
    return stream.GetBytes();
}

}  // namespace

TEST(CCompression, OutputThatDoesNotShrinkIsRefused) {
    // Four bytes of room: the gzip header alone fills them during the first
    // call, so the finishing call can make no progress (Z_BUF_ERROR, -5); the
    // two-byte zlib header leaves room for part of the data, and the finishing
    // call stops with output still pending (Z_OK, 0).
    struct Case {
        CompressionType type;
        const wchar_t* message;
    } cases[] = {{Compression_GZip, L"Failed to compress data. [Error Code: -5]"},
                 {Compression_ZLib, L"Failed to compress data. [Error Code: 0]"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        CBinaryData tiny(reinterpret_cast<unsigned char*>(const_cast<char*>("<a/>")), 4, false);
        EXPECT_NY_THROW(CCompression::Compress(tiny, c.type), CNyException, c.message);
        EXPECT_EQ("<a/>", AsString(tiny));  // unchanged after the failure
    }
    // Random bytes do not shrink either.
    std::mt19937 rng(5);
    std::string noise;
    for (int i = 0; i < 65536; ++i) noise += static_cast<char>(rng());
    CBinaryData random(reinterpret_cast<unsigned char*>(&noise[0]), static_cast<uint32_t>(noise.size()), false);
    bool thrown = false;
    try {
        CCompression::Compress(random, Compression_GZip);
    } catch (const CNyException& e) {
        thrown = true;
        std::wstring message = e.GetMessage();
        EXPECT_TRUE(message == L"Failed to compress data. [Error Code: 0]" ||
                    message == L"Failed to compress data. [Error Code: -5]")
            << nyxml_test::Utf8(message);
    }
    EXPECT_TRUE(thrown);
    EXPECT_EQ(noise, AsString(random));
}

TEST(CCompression, NothingToDoForEmptyDataOrNoCompression) {
    CBinaryData none;
    CCompression::Compress(none, Compression_GZip);
    EXPECT_EQ(nullptr, none.GetData());
    CBinaryData plain = Document(100);
    std::string before = AsString(plain);
    for (int type : {0, 3, -1}) {
        CCompression::Compress(plain, static_cast<CompressionType>(type));
        EXPECT_EQ(before, AsString(plain));
    }
    uint32_t length = 99;
    EXPECT_EQ(nullptr, CCompression::Compress(plain.GetData(), plain.GetLength(), 0, length));
    EXPECT_EQ(0u, length);
}
