// The text writer on random documents in every encoding (names, values and
// texts with escapes, non-ASCII, surrogate pairs split across calls, unpaired
// surrogates, elements that are no code point; namespaces declared and
// generated at every level, line ends, indentation, xsi attributes, failures):
// its text against a plain model of its rules (strings and maps, every scope
// copied eagerly), and its direct byte output into a CByteTextStream against
// the same text converted as a whole, also read before the end, after text
// appended to the stream by hand, on reuse and when writing after the end.
#include <nyxml/streams.h>
#include <nyxml/writer.h>

#include "TestSupport.h"
#include "writer/Utf8Loops.h"

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

using namespace NyXmlLib9;
using nyxml_test::AsString;

namespace {

const std::wstring kXsi = L"http://www.w3.org/2001/XMLSchema-instance";
const std::wstring kXml = L"http://www.w3.org/XML/1998/namespace";

// The text writer's rules, written as directly as possible.
class ModelWriter {
public:
    std::wstring out;
    bool formatted = true;
    std::wstring eol = L"\n";

    ModelWriter() { m_rootMap[kXml] = L"xml"; }
    // A writer keeps the namespaces given before its first root element for
    // every later document.
    void NewDocument(bool formattedOutput, EOLType eolType) {
        out.clear();
        formatted = formattedOutput;
        eol = eolType == EOL_CRLF ? L"\r\n" : L"\n";
    }

    bool StartTagOpen() const { return !m_open.empty() && m_open.back().startTagOpen; }

    void SetDefaultNamespace(const std::wstring& uri) {
        if (m_open.empty())
            m_rootDefault = uri;
        else
            m_open.back().defaultNamespace = uri;
    }
    void AddNamespace(const std::wstring& prefix, const std::wstring& uri) {
        if (m_open.empty())
            m_rootMap[uri] = prefix;
        else
            m_open.back().map[uri] = prefix;
    }
    void Declaration(XmlEncoding encoding) {
        out += L"<?xml version=\"1.0\"";
        if (encoding == XmlEncoding_UTF8) out += L" encoding=\"UTF-8\"";
        if (encoding == XmlEncoding_UTF16) out += L" encoding=\"UTF-16\"";
        out += L"?>" + eol;
    }
    void Comment(const std::wstring& text) { out += L"<!--" + Escape(text, false) + L"-->" + eol; }
    void ProcessingInstruction(const std::wstring& text) { out += text + eol + eol; }
    void InLineSchema(const std::wstring& text) { out += L" " + eol + text + eol; }

    void StartElement(const std::wstring& name, const std::wstring& uri) {
        Element element;
        if (m_open.empty()) {
            element.map = m_rootMap;
            element.defaultNamespace = m_rootDefault;
        } else {
            Element& parent = m_open.back();
            ++parent.children;
            if (parent.startTagOpen) {
                out += L">";
                parent.startTagOpen = false;
                if (formatted) out += eol;
            }
            element.map = parent.map;
            element.defaultNamespace = parent.defaultNamespace;
            element.depth = parent.depth + 1;
        }
        element.name = name;
        if (formatted) out += std::wstring(element.depth, L'\t');
        out += L"<";
        std::wstring declaration;
        if (!uri.empty() && uri != element.defaultNamespace) {
            auto it = element.map.find(uri);
            if (it == element.map.end()) {
                element.prefix = Generate(element.map);
                element.map[uri] = element.prefix;
                declaration = L" xmlns:" + element.prefix + L"=\"" + Escape(uri, true) + L"\"";
            } else {
                element.prefix = it->second;
            }
            out += element.prefix + L":";
        }
        out += name + declaration;
        if (element.depth == 0) {
            if (!m_rootDefault.empty()) out += L" xmlns=\"" + Escape(m_rootDefault, true) + L"\"";
            for (const auto& entry : m_rootMap) {
                if (entry.first != kXml) out += L" xmlns:" + entry.second + L"=\"" + Escape(entry.first, true) + L"\"";
            }
        }
        m_open.push_back(element);
    }

    void Text(const std::wstring& text) {
        if (text.empty()) return;
        if (StartTagOpen()) {
            out += L">";
            m_open.back().startTagOpen = false;
        }
        out += text.compare(0, 9, L"<![CDATA[") == 0 ? text : Escape(text, false);
    }

    void EndElement() {
        Element& element = m_open.back();
        if (element.startTagOpen) {
            out += L"/>";
        } else {
            if (formatted && element.children > 0) out += std::wstring(element.depth, L'\t');
            out += L"</" + (element.prefix.empty() ? L"" : element.prefix + L":") + element.name + L">";
        }
        if (formatted) out += eol;
        m_open.pop_back();
    }

    void Attribute(const std::wstring& name, const std::wstring& uri, const std::wstring& value) {
        out += L" ";
        if (!uri.empty()) out += PrefixForAttribute(uri, L"") + L":";
        out += name + L"=\"" + Escape(value, true) + L"\"";
    }

    void XsiType(const std::wstring& uri, const std::wstring& type) {
        Element& element = m_open.back();
        std::wstring value = type;
        if (!uri.empty() && uri != element.defaultNamespace) value = PrefixForAttribute(uri, L" ") + L":" + type;
        Attribute(L"type", kXsi, value);
    }

private:
    struct Element {
        std::wstring name, prefix, defaultNamespace;
        std::map<std::wstring, std::wstring> map;
        int depth = 0;
        int children = 0;
        bool startTagOpen = true;
    };

    static std::wstring Generate(const std::map<std::wstring, std::wstring>& map) {
        for (int i = 0;; ++i) {
            std::wstring candidate{static_cast<wchar_t>(L'A' + i / 26), static_cast<wchar_t>(L'A' + i % 26)};
            bool taken = false;
            for (const auto& entry : map) taken = taken || entry.second == candidate;
            if (!taken) return candidate;
        }
    }

    // The prefix of the URI in the current scope; a new one is declared
    // first, preceded by `before`.
    std::wstring PrefixForAttribute(const std::wstring& uri, const std::wstring& before) {
        Element& element = m_open.back();
        auto it = element.map.find(uri);
        if (it != element.map.end()) return it->second;
        std::wstring prefix = Generate(element.map);
        element.map[uri] = prefix;
        out += before + L"xmlns:" + prefix + L"=\"" + Escape(uri, true) + L"\" ";
        return prefix;
    }

    std::wstring Escape(const std::wstring& text, bool attribute) const {
        std::wstring result;
        for (wchar_t c : text) {
            switch (c) {
            case L'\n': result += attribute ? L"&#xA;" : eol; break;
            case L'\r': break;
            case L'"': result += L"&quot;"; break;
            case L'&': result += L"&amp;"; break;
            case L'<': result += L"&lt;"; break;
            case L'>': result += L"&gt;"; break;
            default: result += c; break;
            }
        }
        return result;
    }

    std::vector<Element> m_open;
    std::map<std::wstring, std::wstring> m_rootMap;
    std::wstring m_rootDefault;
};

// Two streams in one encoding, each with its writer: every call goes to both,
// and to the model of the text.
struct Twin {
    explicit Twin(XmlEncoding encoding) : bytes(encoding), wide(encoding), toBytes(&bytes), toWide(&wide) {}

    template <class Call>
    void Do(Call&& call) {
        call(toBytes);
        call(toWide);
    }
    // The bytes so far, against the whole-text conversion of the text so far.
    void ExpectSameBytes() const { ASSERT_EQ(AsString(wide.GetBytes()), AsString(bytes.GetBytes())); }

    // The text of the document, against the model's; a failure shows where they part.
    void ExpectModelText() {
        const std::wstring text = wide.GetBuffer().GetString();
        size_t at = std::mismatch(text.begin(), text.end(), model.out.begin(), model.out.end()).first - text.begin();
        ASSERT_TRUE(text == model.out) << "at " << at << " writer ..." << nyxml_test::Utf8(text.substr(at, 60))
                                       << "\nmodel ..." << nyxml_test::Utf8(model.out.substr(at, 60));
    }

    CByteTextStream bytes;
    CTextStream wide;
    CXmlTextWriter toBytes, toWide;
    ModelWriter model;
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
        // AA and AB are also the first prefixes the writer makes up.
        static const wchar_t* const prefixes[] = {L"p", L"AA", L"AB", L"q", L"xsi", L"\x00E9", L"a-long-prefix"};
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

// A random document through both writers and the model, comparing the bytes
// read before the end at random points. After each call the byte stream's
// character buffer must be empty (the writer stored the bytes itself) unless
// the UTF-8 output has ended. Attributes after content must be refused with
// the model's text left as it was.
void WriteRandomDocument(Generator& g, Twin& twin) {
    EndWatch watch;
    ModelWriter& model = twin.model;
    bool formatted = g.Next(2) == 0;
    EOLType eol = g.Next(3) == 0 ? EOL_CRLF : EOL_LF;
    model.NewDocument(formatted, eol);
    twin.Do([&](CXmlTextWriter& w) {
        w.SetFormatted(formatted);
        w.SetEOLType(eol);
        w.StartDocument();
    });
    if (g.Next(2)) {
        twin.Do([](CXmlTextWriter& w) { w.WriteXmlDeclaration(); });
        model.Declaration(twin.wide.GetEncoding());
    }
    for (int i = static_cast<int>(g.Next(3)); i > 0; --i) {
        std::wstring prefix = g.Prefix(), uri = g.Uri();
        if (uri.empty()) continue;
        twin.Do([&](CXmlTextWriter& w) { w.AddNamespace(prefix, uri); });
        model.AddNamespace(prefix, uri);
    }
    if (g.Next(3) == 0) {
        std::wstring uri = g.Uri();
        twin.Do([&](CXmlTextWriter& w) { w.SetDefaultNamespace(uri); });
        model.SetDefaultNamespace(uri);
    }
    if (g.Next(4) == 0) {
        std::wstring pi = L"<?pi " + g.Text() + L"?>";
        twin.Do([&](CXmlTextWriter& w) { w.WriteProcessingInstruction(pi); });
        model.ProcessingInstruction(pi);
    }
    std::wstring rootName = g.Name(), rootUri = g.Uri();
    twin.Do([&](CXmlTextWriter& w) { w.StartElement(rootName, rootUri); });
    model.StartElement(rootName, rootUri);
    int depth = 1, budget = 20 + static_cast<int>(g.Next(300));
    while (depth > 0) {
        uint32_t op = g.Next(22);
        if (--budget < 0) op = 21;
        bool open = model.StartTagOpen();
        ASSERT_EQ(open, twin.toWide.GetCurrentElement()->IsStartTagOpen());
        const wchar_t* const refused = L"Attributes must be added before elements";
        if (op < 5 && depth < 30) {
            std::wstring name = g.Name(), uri = g.Uri();
            twin.Do([&](CXmlTextWriter& w) { w.StartElement(name, uri); });
            model.StartElement(name, uri);
            ++depth;
        } else if (op < 9) {
            std::wstring name = g.Name(), uri = g.Uri(), value = g.Text();
            if (uri == kXml && g.Next(2)) name = L"lang";
            if (open) {
                twin.Do([&](CXmlTextWriter& w) { w.WriteAttribute(name, uri, value, ItemType_string); });
                model.Attribute(name, uri, value);
            } else {
                twin.Do([&](CXmlTextWriter& w) {
                    EXPECT_NY_THROW(w.WriteAttribute(name, uri, value, ItemType_string), CNyException, refused);
                });
            }
        } else if (op < 10) {
            std::wstring uri = g.Uri(), type = g.Name();
            if (open) {
                twin.Do([&](CXmlTextWriter& w) { w.WriteXsiType(uri, type, ItemType_string); });
                model.XsiType(uri, type);
            } else {
                twin.Do([&](CXmlTextWriter& w) {
                    EXPECT_NY_THROW(w.WriteXsiType(uri, type, ItemType_string), CNyException, refused);
                });
            }
        } else if (op < 11) {
            if (open) {
                twin.Do([](CXmlTextWriter& w) { w.WriteXsiNil(); });
                model.Attribute(L"nil", kXsi, L"true");
            } else {
                twin.Do([&](CXmlTextWriter& w) { EXPECT_NY_THROW(w.WriteXsiNil(), CNyException, refused); });
            }
        } else if (op < 12) {
            std::wstring prefix = g.Prefix(), uri = g.Uri();
            if (g.Next(2)) {
                twin.Do([&](CXmlTextWriter& w) { w.AddNamespace(prefix, uri); });
                model.AddNamespace(prefix, uri);
            } else {
                twin.Do([&](CXmlTextWriter& w) { w.SetDefaultNamespace(uri); });
                model.SetDefaultNamespace(uri);
            }
        } else if (op < 13) {
            std::wstring text = g.Text();
            twin.Do([&](CXmlTextWriter& w) { w.WriteComment(text); });
            model.Comment(text);
        } else if (op < 14 && open) {
            std::wstring schema = L"<xs:schema>" + g.Text() + L"</xs:schema>";
            twin.Do([&](CXmlTextWriter& w) { w.WriteInLineSchema(schema); });
            model.InLineSchema(schema);
        } else if (op < 15) {
            // A surrogate pair split between two texts, or a text and an
            // instruction, or left unpaired.
            std::wstring first = g.Text() + static_cast<wchar_t>(0xD83D);
            std::wstring second = static_cast<wchar_t>(0xDE00) + g.Text();
            if (g.Bad() && g.Next(4) == 0) second = L"y";
            twin.Do([&](CXmlTextWriter& w) { w.WriteText(first, ItemType_string); });
            model.Text(first);
            if (g.Next(2)) {
                twin.Do([&](CXmlTextWriter& w) { w.WriteText(second, ItemType_string); });
                model.Text(second);
            } else {
                twin.Do([&](CXmlTextWriter& w) { w.WriteProcessingInstruction(second); });
                model.ProcessingInstruction(second);
            }
        } else if (op < 18) {
            std::wstring text = g.Text();
            twin.Do([&](CXmlTextWriter& w) { w.WriteText(text, ItemType_string); });
            model.Text(text);
        } else {
            twin.Do([](CXmlTextWriter& w) { w.EndElement(); });
            model.EndElement();
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
    ASSERT_NO_FATAL_FAILURE(twin.ExpectModelText());
}

}  // namespace

TEST(CXmlTextWriterRandom, DocumentsInEveryEncodingAgainstTheModel) {
    for (XmlEncoding encoding : kEncodings) {
        for (int bad = 0; bad < 2; ++bad) {
            Generator g(2024 + static_cast<uint32_t>(4 * encoding + bad), bad != 0);
            for (int round = 0; round < 50; ++round) {
                SCOPED_TRACE(::testing::Message() << "encoding " << encoding << " bad " << bad << " round " << round);
                Twin twin(encoding);
                WriteRandomDocument(g, twin);
                if (HasFatalFailure()) return;
                twin.ExpectSameBytes();
                if (HasFatalFailure()) return;
            }
        }
    }
}

// The UTF-8 loops for long texts exist in two builds (SSSE3 where the
// processor has it, SSE2 otherwise): the plain one gives the same bytes.
TEST(CXmlTextWriterRandom, Utf8DocumentsThroughThePlainLoops) {
    struct Restore {
        bool before = Utf8Loops::UseSsse3(false);
        ~Restore() { Utf8Loops::UseSsse3(before); }
    } restore;
    for (int bad = 0; bad < 2; ++bad) {
        Generator g(71 + static_cast<uint32_t>(bad), bad != 0);
        for (int round = 0; round < 120; ++round) {
            SCOPED_TRACE(::testing::Message() << "bad " << bad << " round " << round);
            Twin twin(XmlEncoding_UTF8);
            WriteRandomDocument(g, twin);
            if (HasFatalFailure()) return;
            twin.ExpectSameBytes();
            if (HasFatalFailure()) return;
        }
    }
}

TEST(CXmlTextWriterRandom, DocumentsAfterBeginAndCallsAfterTheEnd) {
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
            twin.model.Comment(text);
            ASSERT_NO_FATAL_FAILURE(twin.ExpectSameBytes());
            ASSERT_NO_FATAL_FAILURE(twin.ExpectModelText());
        }
    }
}
