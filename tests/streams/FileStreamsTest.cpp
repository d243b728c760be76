// File text stream (written while the document is produced) and file byte
// streams: their bytes, and failures that close the file and name it.
#include <nyxml/document.h>
#include <nyxml/streams.h>
#include <nyxml/writer.h>

#include "TestSupport.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <random>

using namespace NyXmlLib9;
using nyxml_test::AsString;
using nyxml_test::Wide;

namespace {

// Open descriptors of this process, to prove that failures close theirs.
int OpenDescriptors() {
    int count = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (readdir(dir)) ++count;
        closedir(dir);
    }
    return count;
}

// A document of about `items` * 60 characters with non-ASCII text.
void WriteDocument(CXmlTextWriter& writer, int items) {
    writer.StartDocument();
    writer.WriteXmlDeclaration();
    writer.StartElement(L"catalog", L"urn:catalog");
    for (int i = 0; i < items; ++i) {
        writer.StartElement(L"item", L"urn:catalog");
        writer.WriteAttribute(L"id", L"", std::to_wstring(i), ItemType_i4);
        writer.WriteText(L"caf\x00E9 \x4E2D\xD83D\xDE00 & <" + std::to_wstring(i * 7), ItemType_string);
        writer.EndElement();
    }
    writer.EndElement();
    writer.EndDocument();
}

std::string InMemoryBytes(XmlEncoding encoding, int items) {
    CTextStream stream(encoding);
    CXmlTextWriter writer(&stream);
    WriteDocument(writer, items);
    return AsString(stream.GetBytes());
}

std::string StreamToFile(const std::string& path, XmlEncoding encoding, int items) {
    CFileTextStream stream(Wide(path).c_str(), encoding);
    CXmlTextWriter writer(&stream);
    WriteDocument(writer, items);
    return nyxml_test::ReadFile(path);
}

}  // namespace

TEST(CFileTextStream, WritesTheSameBytesAsTheMemoryStream) {
    nyxml_test::TempDir dir;
    // 2000 items give well over 100000 characters, so dozens of pieces.
    std::string memory = InMemoryBytes(XmlEncoding_UTF8, 2000);
    ASSERT_GT(memory.size(), 100000u);
    EXPECT_EQ(memory, StreamToFile(dir.Path("utf8.xml"), XmlEncoding_UTF8, 2000));
    for (XmlEncoding encoding : {XmlEncoding_UTF16, XmlEncoding_UTF16_NoDeclaration}) {
        SCOPED_TRACE(encoding);
        std::string file = StreamToFile(dir.Path("utf16.xml"), encoding, 2000);
        EXPECT_EQ("\xFF\xFE" + InMemoryBytes(encoding, 2000), file);
    }
}

TEST(CFileTextStream, EmptyDocumentGivesAnEmptyFileOrTheByteOrderMark) {
    nyxml_test::TempDir dir;
    for (XmlEncoding encoding : {XmlEncoding_UTF8, XmlEncoding_UTF16}) {
        std::string path = dir.Path("empty.xml");
        {
            CFileTextStream stream(Wide(path).c_str(), encoding);
            stream.Begin();
            stream.End();
        }
        EXPECT_EQ(encoding == XmlEncoding_UTF8 ? "" : "\xFF\xFE", nyxml_test::ReadFile(path));
    }
}

TEST(CFileBinaryStream, WritesTheBytesWithAByteOrderMarkForUtf16) {
    nyxml_test::TempDir dir;
    const char* expected[] = {"abc", "abc", "\xFF\xFE" "abc", "\xFF\xFE" "abc"};
    for (int encoding = 0; encoding <= 3; ++encoding) {
        SCOPED_TRACE(encoding);
        std::string path = dir.Path("bytes.bin");
        nyxml_test::WriteFile(path, std::string(50, 'z'));
        CFileBinaryStream stream(Wide(path).c_str(), static_cast<XmlEncoding>(encoding));
        stream.Append(reinterpret_cast<const unsigned char*>("ab"), 2);
        stream.Append(static_cast<unsigned char>('c'));
        stream.Write();
        EXPECT_EQ(expected[encoding], nyxml_test::ReadFile(path));
    }
    CBinaryData data(reinterpret_cast<unsigned char*>(const_cast<char*>("xyz")), 3, false);
    CFileBinaryStream stream(Wide(dir.Path("given.bin")).c_str(), XmlEncoding_UTF8, data);
    stream.Write();
    EXPECT_EQ("xyz", nyxml_test::ReadFile(dir.Path("given.bin")));
    CFileBinaryStream empty(Wide(dir.Path("empty.bin")).c_str(), XmlEncoding_UTF8);
    empty.Write();
    EXPECT_EQ("", nyxml_test::ReadFile(dir.Path("empty.bin")));
}

// Every failure of the file and byte streams: its exact message, and every
// file closed afterwards (also when the writer is dropped mid-document).
TEST(FileStreamFailures, MessagesAndNoDescriptorLeft) {
    nyxml_test::TempDir dir;
    const std::string blocker = dir.Path("plain-file");
    nyxml_test::WriteFile(blocker, "x");
    const bool full = ::access("/dev/full", W_OK) == 0;
    const std::string unwritable = blocker + "/doc.xml", missing = dir.Path("missing/doc.xml");
    const std::wstring unknown = L"Unknown Encoding, select UTF-8 (contact support@nyxml.dev for support)";
    auto text = [](const std::string& path, XmlEncoding encoding, int items) {
        return [=] {
            CFileTextStream stream(Wide(path).c_str(), encoding);
            CXmlTextWriter writer(&stream);
            items ? WriteDocument(writer, items) : writer.StartDocument();
        };
    };
    auto bytes = [](const std::string& path, XmlEncoding encoding) {
        return [=] {
            CFileBinaryStream stream(Wide(path).c_str(), encoding);
            stream.Append(static_cast<unsigned char>('a'));
            stream.Write();
        };
    };
    const struct {
        const char* what;
        bool needsFull;
        std::function<void()> action;
        std::wstring message;
    } cases[] = {
        {"text stream under a plain file", false, text(unwritable, XmlEncoding_UTF8, 0),
         L"Failed to write data to the file [" + Wide(unwritable) + L"] error [0x00000014]"},
        {"text stream in a missing directory", false, text(missing, XmlEncoding_UTF8, 0),
         L"Failed to write data to the file [" + Wide(missing) + L"] error [0x00000002]"},
        {"text stream to a full device", true, text("/dev/full", XmlEncoding_UTF8, 1000),
         L"Failed to write data to the file. Error [0x0000001C]"},
        {"text stream of no encoding", false, text(dir.Path("doc.xml"), XmlEncoding_None, 1000), unknown},
        {"byte stream under a plain file", false, bytes(blocker + "/out.bin", XmlEncoding_UTF8),
         L"Failed to write data to the file [" + Wide(blocker + "/out.bin") + L"] error [0x00000014]"},
        {"byte stream to a full device", true, bytes("/dev/full", XmlEncoding_UTF16),
         L"Failed to write data to the file [/dev/full] error [0x0000001C]"},
        {"in-memory byte stream of no encoding", false,
         [] {
             CByteTextStream stream(XmlEncoding_None);
             CXmlTextWriter writer(&stream);
             WriteDocument(writer, 1000);
         },
         unknown},
    };
    const int descriptors = OpenDescriptors();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.needsFull && !full) continue;
        EXPECT_NY_THROW(c.action(), CNyException, c.message);
        EXPECT_EQ(descriptors, OpenDescriptors());
    }
    {
        CFileTextStream stream(Wide(dir.Path("dropped.xml")).c_str(), XmlEncoding_UTF16);
        CXmlTextWriter writer(&stream);
        writer.StartDocument();
        writer.StartElement(L"r", L"");
        for (int i = 0; i < 2000; ++i) writer.WriteText(L"0123456789", ItemType_string);
    }
    EXPECT_EQ(descriptors, OpenDescriptors());
    // What was flushed before the drop stays on disk.
    EXPECT_GT(nyxml_test::ReadFile(dir.Path("dropped.xml")).size(), 2u);
}

// Deflate output at level 1: the refusal of output that does not shrink, and
// nothing to do for empty data. Compressed output is read back by the entry points.
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
    std::string before = InMemoryBytes(XmlEncoding_UTF8, 100);
    CBinaryData plain(reinterpret_cast<unsigned char*>(&before[0]), static_cast<uint32_t>(before.size()), false);
    for (int type : {0, 3, -1}) {
        CCompression::Compress(plain, static_cast<CompressionType>(type));
        EXPECT_EQ(before, AsString(plain));
    }
    uint32_t length = 99;
    EXPECT_EQ(nullptr, CCompression::Compress(plain.GetData(), plain.GetLength(), 0, length));
    EXPECT_EQ(0u, length);
}

// CByteTextStream's byte block: read before the end, written to after it,
// reused by the next document, and never changed under a value already handed
// out.
namespace {

// The UTF-8 of a wide text, through the whole-text conversion.
std::string Utf8(const std::wstring& text) {
    CTextStream stream(XmlEncoding_UTF8);
    stream.GetBuffer().Append(text);
    return AsString(stream.GetBytes());
}

// Enough pieces to make the block grow several times (64 KiB, 256 KiB, 1 MiB).
std::wstring Piece(int i) { return L"<p n=\"" + std::to_wstring(i) + L"\">caf\x00E9 \x4E2D\xD83D\xDE00 text</p>\n"; }

}  // namespace

TEST(CByteTextStreamBlock, ReadWhileWritingAfterTheEndAndAgain) {
    CByteTextStream stream(XmlEncoding_UTF8);
    stream.Begin();
    std::wstring text;
    CBinaryData early;
    for (int i = 0; i < 40000; ++i) {
        text += Piece(i);
        stream.GetBuffer().Append(Piece(i));
        if (stream.GetBuffer().GetTotal() >= 4096) stream.Flush();
        if (i == 20000) {
            early = stream.GetBytes();
            ASSERT_EQ(Utf8(text), AsString(early));
        }
    }
    stream.End();
    CBinaryData whole = stream.GetBytes();
    EXPECT_EQ(Utf8(text), AsString(whole));
    EXPECT_LT(early.GetLength(), whole.GetLength());

    // Writing on after the end appends; values handed out keep their bytes.
    std::string before = AsString(whole);
    stream.GetBuffer().Append(L"tail \x00FC");
    EXPECT_EQ(Utf8(text + L"tail \x00FC"), AsString(stream.GetBytes()));
    stream.Flush();
    EXPECT_EQ(Utf8(text + L"tail \x00FC"), AsString(stream.GetBytes()));
    EXPECT_EQ(before, AsString(whole));

    // A new document starts from nothing.
    stream.Begin();
    EXPECT_EQ("", AsString(stream.GetBytes()));
    stream.GetBuffer().Append(L"<second/>");
    stream.End();
    EXPECT_EQ("<second/>", AsString(stream.GetBytes()));
    EXPECT_EQ(before, AsString(whole));
}

// Past a mebibyte the block is mapped and grows by remapping: a document of
// several mebibytes keeps every byte, in both encodings, and a stream reused
// for a second (and an empty third) document starts from its first byte.
TEST(CByteTextStreamBlock, DocumentsOfSeveralMebibytesAndEmptyOnes) {
    for (XmlEncoding encoding : {XmlEncoding_UTF8, XmlEncoding_UTF16}) {
        SCOPED_TRACE(encoding);
        CByteTextStream stream(encoding);
        for (int document = 0; document < 3; ++document) {
            stream.Begin();
            std::wstring text;
            for (int i = 0; i < std::max(0, 150000 - 100000 * document); ++i) {
                text += Piece(i);
                stream.GetBuffer().Append(Piece(i));
                if (stream.GetBuffer().GetTotal() >= 60000) stream.Flush();
            }
            stream.End();
            CTextStream wide(encoding);
            wide.GetBuffer().Append(text);
            CBinaryData expected = wide.GetBytes(), actual = stream.GetBytes();
            ASSERT_EQ(document == 2 ? 0u : expected.GetLength(), actual.GetLength());
            EXPECT_TRUE(expected == actual);
        }
    }
}
