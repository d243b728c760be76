// Deflate output at level 1: what the document loader and gzip read back, and
// the refusal of output that does not shrink.
#include <nyxml/document.h>
#include <nyxml/streams.h>
#include <nyxml/writer.h>

#include "TestSupport.h"

#include <cstdlib>
#include <random>
#include <string>

using namespace NyXmlLib9;

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

std::string AsString(const CBinaryData& data) {
    return std::string(reinterpret_cast<const char*>(data.GetData()), data.GetLength());
}

int CountChildren(const CXmlElement* root) {
    int n = 0;
    for (const CXmlElement* e = root->GetFirstElement(); e; e = e->GetNextSiblingElement()) ++n;
    return n;
}

}  // namespace

TEST(CCompression, GzipAndZlibOutputLoadsBackAsTheDocument) {
    CBinaryData plain = Document(300);
    ASSERT_GT(plain.GetLength(), 8000u);
    for (CompressionType type : {Compression_GZip, Compression_ZLib}) {
        SCOPED_TRACE(type);
        CBinaryData packed = plain;
        CCompression::Compress(packed, type);
        EXPECT_LT(packed.GetLength(), plain.GetLength() / 3);
        if (type == Compression_GZip) {
            EXPECT_EQ("\x1F\x8B\x08", AsString(packed).substr(0, 3));
        } else {
            EXPECT_EQ("\x78\x01", AsString(packed).substr(0, 2));  // deflate, fastest level
        }
        EXPECT_EQ(AsString(Document(300)), AsString(plain));  // the shared original is untouched

        CXmlDocument document;
        document.LoadXmlStream(const_cast<unsigned char*>(packed.GetData()), packed.GetLength());
        ASSERT_NE(nullptr, document.GetDocumentElement());
        EXPECT_EQ(300, CountChildren(document.GetDocumentElement()));
        const CXmlElement* last = document.GetDocumentElement()->GetFirstElement();
        while (last->GetNextSiblingElement()) last = last->GetNextSiblingElement();
        EXPECT_EQ(std::wstring(L"value \x00E9 89401"), last->GetText());

        nyxml_test::TempDir dir;
        std::string path = dir.Path("doc.xml.z");
        CFileBinaryStream file(std::wstring(path.begin(), path.end()).c_str(), XmlEncoding_UTF8, packed);
        file.Write();
        CXmlDocument fromFile;
        fromFile.Load(std::wstring(path.begin(), path.end()).c_str());
        EXPECT_EQ(300, CountChildren(fromFile.GetDocumentElement()));
    }
}

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
