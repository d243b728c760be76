// CByteTextStream's byte block: read before the end, written to after it,
// reused by the next document, and never changed under a value already handed
// out.
#include <nyxml/streams.h>
#include <nyxml/writer.h>

#include "TestSupport.h"

#include <string>

using namespace NyXmlLib9;
using nyxml_test::AsString;

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
// for a second document starts from its first byte.
TEST(CByteTextStreamBlock, DocumentsOfSeveralMebibytes) {
    for (XmlEncoding encoding : {XmlEncoding_UTF8, XmlEncoding_UTF16}) {
        SCOPED_TRACE(encoding);
        CByteTextStream stream(encoding);
        for (int document = 0; document < 2; ++document) {
            stream.Begin();
            std::wstring text;
            for (int i = 0; i < 150000 - 100000 * document; ++i) {
                text += Piece(i);
                stream.GetBuffer().Append(Piece(i));
                if (stream.GetBuffer().GetTotal() >= 60000) stream.Flush();
            }
            stream.End();
            CTextStream wide(encoding);
            wide.GetBuffer().Append(text);
            CBinaryData expected = wide.GetBytes(), actual = stream.GetBytes();
            ASSERT_EQ(expected.GetLength(), actual.GetLength());
            EXPECT_TRUE(expected == actual);
        }
    }
}

TEST(CByteTextStreamBlock, Utf16AndEmptyDocuments) {
    CByteTextStream stream(XmlEncoding_UTF16);
    stream.Begin();
    stream.End();
    EXPECT_EQ(0u, stream.GetBytes().GetLength());
    stream.Begin();
    std::wstring text;
    for (int i = 0; i < 3000; ++i) {
        text += Piece(i);
        stream.GetBuffer().Append(Piece(i));
        if (stream.GetBuffer().GetTotal() >= 4096) stream.Flush();
    }
    stream.End();
    CTextStream wide(XmlEncoding_UTF16);
    wide.GetBuffer().Append(text);
    EXPECT_TRUE(wide.GetBytes() == stream.GetBytes());
}
