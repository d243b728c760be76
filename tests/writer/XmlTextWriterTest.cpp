// CXmlTextWriter by hand: escaping and line ends, failures; and round trips
// through the reader and xmllint. The writer's rules are checked against a model.
#include <nyxml/document.h>
#include <nyxml/writer.h>

#include "TestSupport.h"

#include <cstdlib>
#include <random>
#include <string>
#include <vector>
#include <nyxml/untyped.h>
#include <chrono>

using namespace NyXmlLib9;
using NyXmlLib9::CStringBuffer;
using NyXmlLib9::CTextStream;
using nyxml_test::Since;

namespace {

struct Output {
    explicit Output(bool formatted = false, XmlEncoding encoding = XmlEncoding_None) : stream(encoding), writer(&stream) {
        writer.SetFormatted(formatted);
        writer.StartDocument();
    }
    std::wstring Text() { return stream.GetBuffer().GetString(); }

    CTextStream stream;
    CXmlTextWriter writer;
};

}  // namespace

TEST(CXmlTextWriter, LineEndsAndEscapingInTextAndAttributes) {
    Output out(true);
    out.writer.SetEOLType(EOL_CRLF);
    out.writer.StartElement(L"r", L"");
    out.writer.WriteAttribute(L"v", L"", L"1\n2\r3\"4&5<6>7'8\t9", ItemType_string);
    out.writer.StartElement(L"e", L"");
    out.writer.EndElement();
    out.writer.WriteText(L"1\n2\r3\"4&5<6>7'8\t9", ItemType_string);
    out.writer.EndElement();
    EXPECT_EQ(L"<r v=\"1&#xA;23&quot;4&amp;5&lt;6&gt;7'8\t9\">\r\n\t<e/>\r\n"
              L"1\r\n23&quot;4&amp;5&lt;6&gt;7'8\t9</r>\r\n",
              out.Text());
}

TEST(CXmlTextWriterFailures, AttributesAfterContentKeepTheOutput) {
    Output out;
    out.writer.StartElement(L"a", L"");
    out.writer.WriteText(L"t", ItemType_string);
    EXPECT_NY_THROW(out.writer.WriteAttribute(L"x", L"", L"1", ItemType_string), CNyException,
                    L"Attributes must be added before elements");
    EXPECT_NY_THROW(out.writer.WriteXsiType(L"urn:t", L"T", ItemType_none), CNyException,
                    L"Attributes must be added before elements");
    EXPECT_NY_THROW(out.writer.WriteXsiNil(), CNyException, L"Attributes must be added before elements");
    EXPECT_EQ(L"<a>t", out.Text());
    out.writer.StartElement(L"b", L"");
    out.writer.EndElement();
    EXPECT_NY_THROW(out.writer.WriteAttribute(L"x", L"", L"1", ItemType_string), CNyException,
                    L"Attributes must be added before elements");
    out.writer.EndElement();
    EXPECT_NY_THROW(out.writer.WriteXsiNil(), CNyException, L"Attributes must be added before elements");
    EXPECT_EQ(L"<a>t<b/></a>", out.Text());
}

TEST(CXmlTextWriterFailures, UnclosedAndUnopenedElements) {
    Output out;
    out.writer.StartElement(L"a", L"");
    out.writer.StartElement(L"b", L"");
    EXPECT_NY_THROW(out.writer.EndDocument(), CNyException, L"An Element has not been closed.");
    EXPECT_EQ(L"<a><b", out.Text());
    out.writer.EndElement();
    out.writer.EndElement();
    EXPECT_NY_THROW(out.writer.EndElement(), CNyException, L"There is no open element to end.");
    out.writer.EndDocument();
    EXPECT_EQ(L"<a><b/></a>", out.Text());
}

TEST(CXmlTextWriterFailures, WriterDroppedDeepInsideADocument) {
    // Destroying the writer releases every open context without recursion.
    CTextStream stream;
    {
        CXmlTextWriter writer(&stream);
        writer.SetFormatted(false);
        for (int i = 0; i < 200000; ++i) writer.StartElement(L"e", i % 2 ? L"urn:a" : L"");
    }
    EXPECT_GT(stream.GetBuffer().GetTotal(), 200000u);
}

// ---- round trips through the reader ----

namespace {

struct Node {
    std::wstring ns, name, text;
    std::vector<std::pair<std::wstring, std::pair<std::wstring, std::wstring>>> attributes;  // name, (ns, value)
    std::vector<Node> children;
};

Node RandomNode(std::mt19937& rng, int depth) {
    static const wchar_t* namespaces[] = {L"", L"urn:a", L"urn:b", L"http://example.org/c?x=1&amp;y"};
    static const wchar_t* names[] = {L"item", L"x", L"longer-name", L"n.1", L"\x00E9l\x00E9ment"};
    static const wchar_t* texts[] = {L"plain", L"a<b>&c\"d'", L"line\nbreak", L"\t tab", L"\x00FC\x4E2D\xD83D\xDE00",
                                     L"]]>"};
    Node node;
    node.ns = namespaces[rng() % 4];
    node.name = names[rng() % 5];
    int attributeCount = rng() % 3;
    for (int i = 0; i < attributeCount; ++i) {
        std::wstring ns = namespaces[rng() % 4];
        // A literal tab in an attribute reads back as a blank (attribute-value
        // normalisation), so attribute values come from the other texts.
        static const int attributeTexts[] = {0, 1, 2, 4, 5};
        node.attributes.push_back({L"at" + std::to_wstring(i), {ns, texts[attributeTexts[rng() % 5]]}});
    }
    if (depth < 4) {
        int childCount = rng() % 4;
        for (int i = 0; i < childCount; ++i) node.children.push_back(RandomNode(rng, depth + 1));
    }
    if (rng() % 2) node.text = texts[rng() % 6];
    return node;
}

void WriteNode(CXmlWriter& writer, const Node& node) {
    writer.StartElement(node.name, node.ns);
    for (const auto& a : node.attributes) writer.WriteAttribute(a.first, a.second.first, a.second.second, ItemType_string);
    for (const Node& child : node.children) WriteNode(writer, child);
    writer.WriteText(node.text, ItemType_string);
    writer.EndElement();
}

void ExpectSame(const Node& node, const CXmlElement* element) {
    ASSERT_NE(nullptr, element);
    EXPECT_EQ(nyxml_test::Utf8(node.name), nyxml_test::Utf8(element->GetLocalName()));
    EXPECT_EQ(nyxml_test::Utf8(node.ns), nyxml_test::Utf8(element->GetNamespaceURI()));
    EXPECT_EQ(nyxml_test::Utf8(node.text), nyxml_test::Utf8(element->GetText()));
    ASSERT_EQ(node.attributes.size(), element->GetAttributes().size());
    for (size_t i = 0; i < node.attributes.size(); ++i) {
        const CXmlAttribute* a = element->GetAttributes()[i];
        EXPECT_EQ(node.attributes[i].first, a->GetLocalName());
        EXPECT_EQ(node.attributes[i].second.first, a->GetNamespaceURI());
        EXPECT_EQ(nyxml_test::Utf8(node.attributes[i].second.second), nyxml_test::Utf8(a->GetValue()));
    }
    const CXmlElement* child = element->GetFirstElement();
    for (const Node& expected : node.children) {
        ExpectSame(expected, child);
        if (!child) return;
        child = child->GetNextSiblingElement();
    }
    EXPECT_EQ(nullptr, child);
}

}  // namespace

TEST(CXmlTextWriterRoundTrip, RandomTreesReadBackUnchanged) {
    std::mt19937 rng(12345);
    for (int round = 0; round < 200; ++round) {
        SCOPED_TRACE(round);
        Node root = RandomNode(rng, 0);
        // The unformatted form keeps the text exactly; a default namespace is
        // only safe when no element lies outside every namespace.
        Output out(false);
        if (round % 3 == 0) out.writer.AddNamespace(L"b", L"urn:b");
        WriteNode(out.writer, root);
        out.writer.EndDocument();
        std::wstring text = out.Text();
        CXmlDocument document;
        try {
            document.LoadXml(text.c_str());
        } catch (const CNyException& e) {
            ADD_FAILURE() << nyxml_test::Utf8(e.GetFullMessage()) << "\n" << nyxml_test::Utf8(text);
            continue;
        }
        ExpectSame(root, document.GetDocumentElement());
    }
}

TEST(CXmlTextWriterRoundTrip, XmllintAcceptsTheOutput) {
    if (std::system("command -v xmllint > /dev/null 2>&1") != 0) GTEST_SKIP() << "xmllint is not installed";
    std::mt19937 rng(777);
    nyxml_test::TempDir dir;
    for (int round = 0; round < 20; ++round) {
        Output out(round % 2 == 0, XmlEncoding_UTF8);
        out.writer.SetEOLType(round % 4 < 2 ? EOL_LF : EOL_CRLF);
        out.writer.WriteXmlDeclaration();
        WriteNode(out.writer, RandomNode(rng, 0));
        out.writer.EndDocument();
        CBinaryData bytes = out.stream.GetBytes();
        std::string path = dir.Path("doc" + std::to_string(round) + ".xml");
        nyxml_test::WriteFile(path, std::string(reinterpret_cast<const char*>(bytes.GetData()), bytes.GetLength()));
        std::string command = "xmllint --noout '" + path + "' 2>&1";
        EXPECT_EQ(0, std::system(command.c_str())) << path;
    }
}

// Namespace scopes of the writer under documents built to grow them: many
// nested scopes each declaring a new prefix, and many prefixes on one element.
// Memory and time stay in proportion to the document; the generated prefixes
// go on past ZZ with three letters.

TEST(WriterNamespaceScopes, FiveThousandNestedScopesEachWithANewNamespace) {
    const int depth = 5000;
    std::wstring xml;
    for (int i = 0; i < depth; ++i)
        xml += L"<p" + std::to_wstring(i) + L":e xmlns:p" + std::to_wstring(i) + L"='urn:s" + std::to_wstring(i) + L"'>";
    for (int i = depth - 1; i >= 0; --i) xml += L"</p" + std::to_wstring(i) + L":e>";
    auto start = std::chrono::steady_clock::now();
    CSmartPtr<CElement> root(new CElement(L"e"));
    root->FromXml(xml.c_str());
    std::wstring written = root->ToXml(false, false, EOL_LF);
    EXPECT_LT(Since(start), 2.0);
    // Each level declares the first prefix its ancestors do not use.
    for (const wchar_t* expected :
         {L"<AA:e xmlns:AA=\"urn:s0\"><AB:e xmlns:AB=\"urn:s1\">", L"<ZZ:e xmlns:ZZ=\"urn:s675\"><AAA:e xmlns:AAA=\"urn:s676\">",
          L"<AZZ:e xmlns:AZZ=\"urn:s1351\"><BAA:e xmlns:BAA=\"urn:s1352\">"}) {
        SCOPED_TRACE(nyxml_test::Utf8(expected));
        EXPECT_NE(std::wstring::npos, written.find(expected));
    }
    CXmlDocument document;
    document.LoadXml(written.c_str());
    int level = 0;
    for (const CXmlElement* e = document.GetDocumentElement(); e; e = e->GetFirstElement(), ++level)
        if (e->GetNamespaceURI() != L"urn:s" + std::to_wstring(level)) ADD_FAILURE() << "level " << level;
    EXPECT_EQ(depth, level);
}

TEST(WriterNamespaceScopes, TwentyThousandPrefixesOnOneElementAndReuseAfterAScopeCloses) {
    const int count = 20000;
    CSmartPtr<CElement> root(new CElement(L"r"));
    for (int i = 0; i < count; ++i)
        root->GetAttributes()->Add(L"a", L"v", (L"urn:a" + std::to_wstring(i)).c_str());
    auto start = std::chrono::steady_clock::now();
    std::wstring written = root->ToXml(false, false, EOL_LF);
    EXPECT_LT(Since(start), 2.0);
    CXmlDocument document;
    document.LoadXml(written.c_str());
    const auto& attributes = document.GetDocumentElement()->GetAttributes();
    ASSERT_EQ(size_t(count), attributes.size());
    for (int i = 0; i < count; ++i)
        if (attributes[i]->GetNamespaceURI() != L"urn:a" + std::to_wstring(i)) ADD_FAILURE() << "attribute " << i;

    // A prefix is free again once the scope that declared it has closed.
    CSmartPtr<CElement> siblings(new CElement(L"r"));
    siblings->FromXml(L"<r><a xmlns='urn:1'><b xmlns='urn:2'/></a><c xmlns='urn:3'/></r>");
    EXPECT_EQ(L"<r><AA:a xmlns:AA=\"urn:1\"><AB:b xmlns:AB=\"urn:2\"/></AA:a><AA:c xmlns:AA=\"urn:3\"/></r>",
              siblings->ToXml(false, false, EOL_LF));
}

// CXmlWriter::CXmlWriterContext: the remembered namespace lookups after a
// scope changes (the names of open elements are checked by the byte and
// model comparisons of the writer).

TEST(CXmlWriterContextNames, RememberedPrefixesFollowScopeChanges) {
    // The same namespace looked up again and again while the scope that
    // answers changes: added inside an element, redeclared, left behind.
    CTextStream stream;
    CXmlTextWriter writer(&stream);
    writer.SetFormatted(false);
    writer.StartDocument();
    writer.AddNamespace(L"r", L"urn:a");
    writer.StartElement(L"root", L"urn:a");
    writer.StartElement(L"c1", L"urn:a");
    writer.AddNamespace(L"in", L"urn:a");  // this element's own scope from now on
    writer.StartElement(L"g", L"urn:a");
    writer.WriteAttribute(L"at", L"urn:a", L"1", ItemType_string);
    writer.EndElement();
    writer.AddNamespace(L"again", L"urn:a");  // the same entry, changed in place
    writer.StartElement(L"g", L"urn:a");
    writer.EndElement();
    writer.EndElement();
    writer.StartElement(L"c2", L"urn:a");  // back in the root's scope
    writer.WriteAttribute(L"at", L"urn:b", L"2", ItemType_string);
    writer.StartElement(L"g", L"urn:b");  // the prefix made for the attribute
    writer.EndElement();
    writer.EndElement();
    writer.StartElement(L"c3", L"urn:b");  // made inside c2 only: a new one here
    writer.EndElement();
    writer.EndElement();
    writer.EndDocument();
    EXPECT_EQ(L"<r:root xmlns:r=\"urn:a\"><r:c1><in:g in:at=\"1\"/><again:g/></r:c1>"
              L"<r:c2 xmlns:AA=\"urn:b\" AA:at=\"2\"><AA:g/></r:c2><AA:c3 xmlns:AA=\"urn:b\"/></r:root>",
              std::wstring(stream.GetBuffer().GetString()));
}

// CStringBuffer and the in-memory CTextStream.
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
