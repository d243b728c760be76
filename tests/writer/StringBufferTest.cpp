// CStringBuffer and the in-memory CTextStream.
#include <nyxml/writer.h>

#include "TestSupport.h"

#include <string>

using NyXmlLib9::CStringBuffer;
using NyXmlLib9::CTextStream;

namespace {

std::wstring Pattern(size_t length, size_t seed) {
    std::wstring text;
    for (size_t i = 0; i < length; ++i) text += static_cast<wchar_t>(L'a' + (i * 7 + seed) % 26);
    return text;
}

}  // namespace

TEST(CStringBuffer, EveryPieceSizeAcrossChunkBoundaries) {
    // Small chunks make every boundary position reachable; each text is cut
    // into pieces of one size and appended piece by piece.
    for (uint32_t chunk = 1; chunk <= 9; ++chunk) {
        for (size_t length = 0; length <= 40; ++length) {
            for (size_t piece = 1; piece <= 12; ++piece) {
                SCOPED_TRACE(testing::Message() << chunk << " " << length << " " << piece);
                std::wstring text = Pattern(length, chunk + piece);
                CStringBuffer buffer(chunk);
                for (size_t at = 0; at < length; at += piece) {
                    std::wstring part = text.substr(at, piece);
                    if (part.size() == 1)
                        buffer.Append(part[0]);
                    else
                        buffer.Append(part.c_str());
                }
                EXPECT_EQ(length, buffer.GetTotal());
                EXPECT_EQ(text, buffer.GetString());
                EXPECT_LE(buffer.GetChunkCount(), 1u);  // joined into one
                // Appending after the join keeps the text whole.
                buffer.Append(L"xy");
                EXPECT_EQ(text + L"xy", buffer.GetString());
            }
        }
    }
}

// A long text takes its chunks from large mapped slabs; the chunks keep their
// size and contents, and emptying, joining and refilling reuse them.
TEST(CStringBuffer, LongTextsKeepEveryCharacterAcrossSlabs) {
    for (uint32_t chunkSize : {CStringBuffer::kDefaultChunkSize, 100u, 70000u, 600000u}) {
        SCOPED_TRACE(chunkSize);
        CStringBuffer buffer(chunkSize);
        for (int round = 0; round < 3; ++round) {
            SCOPED_TRACE(round);
            std::wstring expected;
            // Enough for several 2 MiB slabs of default chunks.
            size_t target = round == 1 ? 50000 : 1500000;
            for (size_t piece = 0; expected.size() < target; ++piece) {
                std::wstring text = Pattern(1 + piece * 37 % 5000, piece);
                buffer.Append(text);
                expected += text;
            }
            ASSERT_EQ(expected.size(), buffer.GetTotal());
            std::wstring chunked;
            for (size_t i = 0; i < buffer.GetChunkCount(); ++i) {
                uint32_t used = 0;
                const wchar_t* chunk = buffer.GetChunk(i, used);
                if (i + 1 < buffer.GetChunkCount()) {
                    ASSERT_EQ(chunkSize, used);
                }
                chunked.append(chunk, used);
            }
            ASSERT_EQ(expected, chunked);
            if (round == 0) {
                ASSERT_EQ(expected, buffer.GetString());
                buffer.Append(L"tail");
                ASSERT_EQ(expected + L"tail", buffer.GetString());
                buffer.Clear();
            } else {
                buffer.Empty();
            }
            EXPECT_EQ(0u, buffer.GetTotal());
        }
    }
}

TEST(CTextStream, BeginEmptiesAndEndKeepsTheText) {
    CTextStream stream;
    stream.GetBuffer().Append(L"old");
    stream.Begin();
    stream.GetBuffer().Append(L"new");
    stream.Flush();
    stream.End();
    EXPECT_EQ(std::wstring(L"new"), stream.GetBuffer().GetString());
    EXPECT_EQ(NyXmlLib9::XmlEncoding_None, stream.GetEncoding());
}
