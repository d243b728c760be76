// The text writer's direct byte output into a CByteTextStream against the
// text of the same calls written to the in-memory CTextStream and converted
// as a whole: random documents in every encoding (names, values and texts
// with escapes, non-ASCII, surrogate pairs split across calls, unpaired
// surrogates, elements that are no code point), the bytes read before the
// end, text appended to the stream by hand, reuse and writing after the end.
#include <nyxml/streams.h>
#include <nyxml/writer.h>

#include "TestSupport.h"
#include "writer/Utf8Loops.h"

#include <random>
#include <string>
#include <vector>

using namespace NyXmlLib9;
using nyxml_test::AsString;

namespace {

// Two streams in one encoding, each with its writer: every call goes to both.
struct Twin {
    explicit Twin(XmlEncoding encoding) : bytes(encoding), wide(encoding), toBytes(&bytes), toWide(&wide) {}

    template <class Call>
    void Do(Call&& call) {
        call(toBytes);
        call(toWide);
    }
    // The bytes so far, against the whole-text conversion of the text so far.
    void ExpectSameBytes() const { ASSERT_EQ(AsString(wide.GetBytes()), AsString(bytes.GetBytes())); }

    CByteTextStream bytes;
    CTextStream wide;
    CXmlTextWriter toBytes, toWide;
};

const XmlEncoding kEncodings[] = {XmlEncoding_UTF8, XmlEncoding_UTF16, XmlEncoding_UTF16_NoDeclaration};

// Pieces that texts, names and URIs are made of. The last group are what
// ends UTF-8 output: lone surrogates, an element above U+10FFFF, a negative
// element.
const wchar_t* const kPlainPieces[] = {L"a", L"text ", L"0123456789", L"x", L"\t", L"'", L"\x7F", L"]]>", L"-"};
const wchar_t* const kEscapedPieces[] = {L"<", L">", L"&", L"\"", L"\n", L"\r", L"\r\n"};
const wchar_t* const kWidePieces[] = {L"\x00E9", L"\x07FF", L"\x0800", L"\x4E2D\x6587", L"\xD7FF",
                                      L"\xE000", L"\xFFFD", L"\xFFFF", L"\xD83D\xDE00", L"\xDBFF\xDFFF"};
const wchar_t kBadUnits[] = {static_cast<wchar_t>(0xD800), static_cast<wchar_t>(0xDBFF), static_cast<wchar_t>(0xDC00),
                             static_cast<wchar_t>(0xDFFF), static_cast<wchar_t>(0x110000), static_cast<wchar_t>(-5)};
const wchar_t kAbove[] = {static_cast<wchar_t>(0x10000), static_cast<wchar_t>(0x1F600), static_cast<wchar_t>(0x10FFFF)};

class Generator {
public:
    Generator(uint32_t seed, bool bad) : m_rng(seed), m_bad(bad) {}

    uint32_t Next(uint32_t n) { return m_rng() % n; }
    bool Bad() const { return m_bad; }

    // A text whose length class is picked at random: empty, short, a block or
    // two, long enough for several flushes, or (rarely) longer than one slice
    // of the encoder, with a pair placed across the slice boundary.
    std::wstring Text() {
        size_t length;
        switch (Next(10)) {
        case 0: length = 0; break;
        case 1: length = 1 + Next(3); break;
        case 2: length = 4 + Next(13); break;
        case 3: length = 16 + Next(40); break;
        case 4: length = 3000 + Next(3000); break;
        default: length = Next(120); break;
        }
        if (Next(400) == 0) return Long();
        return Mixed(length);
    }
    std::wstring Mixed(size_t length) {
        std::wstring text;
        bool plain = Next(3) == 0;  // long clean runs
        while (text.size() < length) {
            uint32_t kind = Next(plain ? 60 : 12);
            if (kind == 0 && m_bad) {
                text += kBadUnits[Next(sizeof kBadUnits / sizeof kBadUnits[0])];
            } else if (kind <= 2) {
                text += kEscapedPieces[Next(sizeof kEscapedPieces / sizeof kEscapedPieces[0])];
            } else if (kind <= 4) {
                text += kWidePieces[Next(sizeof kWidePieces / sizeof kWidePieces[0])];
            } else if (kind == 5) {
                text += kAbove[Next(sizeof kAbove / sizeof kAbove[0])];
            } else {
                text += kPlainPieces[Next(sizeof kPlainPieces / sizeof kPlainPieces[0])];
            }
        }
        if (Next(25) == 0) text = L"<![CDATA[" + text + L"]]>";
        return text;
    }
    std::wstring Long() {
        std::wstring text(65536 + Next(40000), L'p');
        text[Next(static_cast<uint32_t>(text.size()))] = L'&';
        // The pair ends the first slice, straddles its end, or starts the next.
        size_t at = 65534 + Next(3);
        text[at] = static_cast<wchar_t>(0xD83D);
        text[at + 1] = static_cast<wchar_t>(0xDE00);
        return text;
    }
    std::wstring Name() {
        static const wchar_t* const names[] = {L"a", L"item", L"n.1", L"\x00E9l\x00E9ment", L"\x4E2D",
                                               L"a-name-that-is-longer-than-sixteen-characters", L"x\xD83D\xDE00"};
        std::wstring name = names[Next(sizeof names / sizeof names[0])];
        if (m_bad && Next(60) == 0) name += kBadUnits[Next(sizeof kBadUnits / sizeof kBadUnits[0])];
        return name;
    }
    std::wstring Uri() {
        static const wchar_t* const uris[] = {L"", L"", L"urn:a", L"urn:b", L"urn:\x00E9&\"<>",
                                              L"http://example.org/q?x=1&y=\"2\"\n",
                                              L"http://www.w3.org/2001/XMLSchema-instance",
                                              L"http://www.w3.org/XML/1998/namespace"};
        std::wstring uri = uris[Next(sizeof uris / sizeof uris[0])];
        if (m_bad && !uri.empty() && Next(80) == 0) uri += kBadUnits[Next(sizeof kBadUnits / sizeof kBadUnits[0])];
        return uri;
    }
    std::wstring Prefix() {
        static const wchar_t* const prefixes[] = {L"p", L"AA", L"q", L"\x00E9", L"a-long-prefix"};
        return prefixes[Next(sizeof prefixes / sizeof prefixes[0])];
    }

private:
    std::mt19937 m_rng;
    bool m_bad;
};

// Follows the text of the in-memory stream as it grows and tells whether an
// element that ends UTF-8 output has been written yet (a high surrogate at
// the very end still waits for its partner).
class EndWatch {
public:
    bool Ended(const CStringBuffer& text) {
        size_t base = 0;
        for (size_t chunk = 0; chunk < text.GetChunkCount() && !m_ended; ++chunk) {
            uint32_t used = 0;
            const wchar_t* p = text.GetChunk(chunk, used);
            for (; m_next < base + used && !m_ended; ++m_next) {
                uint32_t u = static_cast<uint32_t>(p[m_next - base]);
                if (m_high) {
                    m_ended = u - 0xDC00u >= 0x400u;
                    m_high = false;
                } else if (u - 0xD800u < 0x400u) {
                    m_high = true;
                } else {
                    m_ended = u - 0xDC00u < 0x400u || u > 0x10FFFF;
                }
            }
            base += used;
        }
        return m_ended;
    }

private:
    size_t m_next = 0;
    bool m_high = false;
    bool m_ended = false;
};

// A random document through both writers, comparing the bytes read before
// the end at random points. After each call the byte stream's character
// buffer must be empty (the writer stored the bytes itself) unless the UTF-8
// output has ended.
void WriteRandomDocument(Generator& g, Twin& twin) {
    EndWatch watch;
    bool formatted = g.Next(2) == 0;
    EOLType eol = g.Next(3) == 0 ? EOL_CRLF : EOL_LF;
    twin.Do([&](CXmlTextWriter& w) {
        w.SetFormatted(formatted);
        w.SetEOLType(eol);
        w.StartDocument();
    });
    if (g.Next(2)) twin.Do([](CXmlTextWriter& w) { w.WriteXmlDeclaration(); });
    for (int i = static_cast<int>(g.Next(3)); i > 0; --i) {
        std::wstring prefix = g.Prefix(), uri = g.Uri();
        if (!uri.empty()) twin.Do([&](CXmlTextWriter& w) { w.AddNamespace(prefix, uri); });
    }
    if (g.Next(3) == 0) {
        std::wstring uri = g.Uri();
        twin.Do([&](CXmlTextWriter& w) { w.SetDefaultNamespace(uri); });
    }
    if (g.Next(4) == 0) {
        std::wstring pi = L"<?pi " + g.Text() + L"?>";
        twin.Do([&](CXmlTextWriter& w) { w.WriteProcessingInstruction(pi); });
    }
    std::wstring rootName = g.Name(), rootUri = g.Uri();
    twin.Do([&](CXmlTextWriter& w) { w.StartElement(rootName, rootUri); });
    int depth = 1, budget = 20 + static_cast<int>(g.Next(300));
    while (depth > 0) {
        uint32_t op = g.Next(22);
        if (--budget < 0) op = 21;
        bool open = twin.toWide.GetCurrentElement()->IsStartTagOpen();
        if (op < 5 && depth < 30) {
            std::wstring name = g.Name(), uri = g.Uri();
            twin.Do([&](CXmlTextWriter& w) { w.StartElement(name, uri); });
            ++depth;
        } else if (op < 9) {
            std::wstring name = g.Name(), uri = g.Uri(), value = g.Text();
            if (open) {
                twin.Do([&](CXmlTextWriter& w) { w.WriteAttribute(name, uri, value, ItemType_string); });
            } else {
                twin.Do([&](CXmlTextWriter& w) {
                    EXPECT_NY_THROW(w.WriteAttribute(name, uri, value, ItemType_string), CNyException,
                                    L"Attributes must be added before elements");
                });
            }
        } else if (op < 10 && open) {
            std::wstring uri = g.Uri(), type = g.Name();
            twin.Do([&](CXmlTextWriter& w) { w.WriteXsiType(uri, type, ItemType_string); });
        } else if (op < 11 && open) {
            twin.Do([](CXmlTextWriter& w) { w.WriteXsiNil(); });
        } else if (op < 12) {
            std::wstring prefix = g.Prefix(), uri = g.Uri();
            if (g.Next(2))
                twin.Do([&](CXmlTextWriter& w) { w.AddNamespace(prefix, uri); });
            else
                twin.Do([&](CXmlTextWriter& w) { w.SetDefaultNamespace(uri); });
        } else if (op < 13) {
            std::wstring text = g.Text();
            twin.Do([&](CXmlTextWriter& w) { w.WriteComment(text); });
        } else if (op < 14 && open) {
            std::wstring schema = L"<xs:schema>" + g.Text() + L"</xs:schema>";
            twin.Do([&](CXmlTextWriter& w) { w.WriteInLineSchema(schema); });
        } else if (op < 15) {
            // A surrogate pair split between two texts, or a text and an
            // instruction, or left unpaired.
            std::wstring first = g.Text() + static_cast<wchar_t>(0xD83D);
            std::wstring second = static_cast<wchar_t>(0xDE00) + g.Text();
            if (g.Bad() && g.Next(4) == 0) second = L"y";
            twin.Do([&](CXmlTextWriter& w) { w.WriteText(first, ItemType_string); });
            if (g.Next(2))
                twin.Do([&](CXmlTextWriter& w) { w.WriteText(second, ItemType_string); });
            else
                twin.Do([&](CXmlTextWriter& w) { w.WriteProcessingInstruction(second); });
        } else if (op < 18) {
            std::wstring text = g.Text();
            twin.Do([&](CXmlTextWriter& w) { w.WriteText(text, ItemType_string); });
        } else {
            twin.Do([](CXmlTextWriter& w) { w.EndElement(); });
            --depth;
        }
        // Documents without such elements are written directly all through.
        if (!g.Bad()) {
            ASSERT_FALSE(watch.Ended(twin.wide.GetBuffer()));
        }
        if (twin.bytes.GetEncoding() != XmlEncoding_UTF8 || !watch.Ended(twin.wide.GetBuffer())) {
            ASSERT_EQ(0u, twin.bytes.GetBuffer().GetTotal());
        }
        if (g.Next(40) == 0) {
            ASSERT_NO_FATAL_FAILURE(twin.ExpectSameBytes());
        }
    }
    twin.Do([](CXmlTextWriter& w) { w.EndDocument(); });
}

}  // namespace

// The UTF-8 loops for long texts exist in two builds (SSSE3 where the
// processor has it, SSE2 otherwise): the plain one gives the same bytes.
TEST(CXmlTextWriterBytes, RandomDocumentsThroughThePlainLoops) {
    struct Restore {
        bool before = Utf8Loops::UseSsse3(false);
        ~Restore() { Utf8Loops::UseSsse3(before); }
    } restore;
    for (XmlEncoding encoding : {XmlEncoding_UTF8}) {
        for (int bad = 0; bad < 2; ++bad) {
            Generator g(71 + static_cast<uint32_t>(bad), bad != 0);
            for (int round = 0; round < 120; ++round) {
                SCOPED_TRACE(::testing::Message() << "bad " << bad << " round " << round);
                Twin twin(encoding);
                WriteRandomDocument(g, twin);
                if (HasFatalFailure()) return;
                twin.ExpectSameBytes();
                if (HasFatalFailure()) return;
            }
        }
    }
}

TEST(CXmlTextWriterBytes, DocumentsAfterBeginAndCallsAfterTheEnd) {
    for (XmlEncoding encoding : kEncodings) {
        SCOPED_TRACE(encoding);
        Generator g(5 + static_cast<uint32_t>(encoding), true);
        Twin twin(encoding);
        for (int document = 0; document < 30; ++document) {
            SCOPED_TRACE(document);
            WriteRandomDocument(g, twin);
            ASSERT_NO_FATAL_FAILURE(twin.ExpectSameBytes());
            // Calls after the end append to the bytes already handed over.
            std::wstring text = g.Text();
            twin.Do([&](CXmlTextWriter& w) { w.WriteComment(text); });
            ASSERT_NO_FATAL_FAILURE(twin.ExpectSameBytes());
        }
    }
}
