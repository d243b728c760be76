// The binary reader: recognition, every form it reads, malformed input with
// its messages, every prefix of valid documents, and round trips of trees.
#include <nyxml/document.h>
#include <nyxml/fastinfoset.h>
#include <nyxml/generated.h>

#include "FastInfosetSupport.h"
#include "TestSupport.h"
#include <functional>
#include <map>
#include <random>
#include <sstream>
#include <vector>

using namespace NyXmlLib9;
using fi_test::Bytes;
using fi_test::LoadDump;
using fi_test::XmlToFastInfoset;
using nyxml_test::Utf8;
using nyxml_test::ReadFile;
using nyxml_test::TestDataPath;
using fi_test::Hex;

namespace {

const char kEndOfFile[] = "Failed to parse FastInfoset. Unexpected End of File.";

std::string Load(const std::string& hex, const CXmlSerializationContext& ctx =
                                             CXmlSerializationContext::GetDefaultContext()) {
    try {
        return Utf8(LoadDump(Bytes(hex), ctx));
    } catch (const CNyException& e) {
        return "exception: " + Utf8(e.GetMessage());
    }
}

std::string Failure(const std::string& bytes) {
    try {
        LoadDump(bytes);
    } catch (const CNyException& e) {
        return std::string(typeid(e).name()) == typeid(CNyException).name() ? Utf8(e.GetMessage())
                                                                           : "wrong class: " + Utf8(e.GetMessage());
    }
    return "no exception";
}

// Documents that together use every form the writer produces.
const wchar_t* const kDocuments[] = {
    L"<e/>",
    L"<r xmlns='urn:d' xmlns:p='urn:p' a='1' p:b='x y'><p:c>t</p:c><c p:b='x y'/>mixed<d/>\u00e9\u20ac\U0001F600</r>",
    L"<r><a><b><c/></b></a><a><b>deep</b></a><a/></r>",
    L"<r xmlns:q='urn:q'><q:x q:y='1'>12</q:x><q:x q:y='2'>-3</q:x><z xmlns='urn:z'><w/></z><q:x q:y=''/></r>",
    L"<r>  line one\r\nline two  <s>a &amp; b &lt; c</s><s>a &amp; b &lt; c</s></r>",
    // Text read with its element, then grown past the room made for it.
    L"<r>\u00e9t\u00e9\r\n<a>x</a>second<b>x</b>third\r\nline</r>",
};

// A document of many distinct names, values and chunks: indexes of every length.
std::wstring ManyNames(int count) {
    std::wstring xml = L"<r>";
    for (int i = 0; i < count; ++i) {
        std::wstring n = std::to_wstring(i);
        xml += L"<e" + n + L" a" + n + L"='" + n + L"'>" + n + L"</e" + n + L">";
    }
    for (int i = 0; i < count; i += 97) {
        std::wstring n = std::to_wstring(i);
        xml += L"<e" + n + L" a" + n + L"='" + n + L"'>" + n + L"</e" + n + L">";
    }
    return xml + L"</r>";
}

std::wstring TextTree(const std::wstring& xml, const CXmlSerializationContext& ctx) {
    CXmlDocument document(ctx);
    document.LoadXml(xml.c_str());
    return fi_test::Dump(document.GetDocumentElement());
}

}  // namespace

TEST(CFastInfosetReader, ReadsWhatTheWriterWrites) {
    CXmlSerializationContext plain, suggested, limits, generated;
    suggested.GetFIContext().SetSuggestedValues();
    limits.GetFIContext().SetAttributeMaxAddLength(32);
    limits.GetFIContext().SetElementMaxAddLength(32);
    generated.GetFIContext().SetUseGeneratedVocabulary(true);
    CFIVocabulary* v = generated.GetFIContext().GetVocabulary();
    v->AddElement(L"", L"urn:d", L"r");
    v->AddElement(L"p", L"urn:p", L"c");
    v->AddAttribute(L"", L"", L"a");
    v->AddAttributeValue(L"1");
    v->AddElementValue(L"t");
    const CXmlSerializationContext* contexts[] = {&plain, &suggested, &limits, &generated};
    int declaration = 0;
    for (const CXmlSerializationContext* ctx : contexts) {
        for (const wchar_t* xml : kDocuments) {
            SCOPED_TRACE(Utf8(xml));
            FInfoDecl d = static_cast<FInfoDecl>(declaration++ % 10);
            std::string bytes = XmlToFastInfoset(xml, *ctx, d);
            EXPECT_EQ(Utf8(TextTree(xml, *ctx)), Utf8(LoadDump(bytes, *ctx)));
        }
    }
    // Value tables past 1 MiB each, read back across all their blocks; more
    // names than a document pools, the last attributes with indexed values.
    std::wstring many = ManyNames(33000);
    EXPECT_EQ(Utf8(TextTree(many, plain)), Utf8(LoadDump(XmlToFastInfoset(many, limits), plain)));
    // Names, values and texts on both sides of every change of form of the
    // lengths from the 2nd, 5th and 7th bit.
    std::wstring longs = L"<r>";
    for (size_t n : {2, 3, 8, 9, 64, 65, 258, 259, 264, 265, 320, 321, 5000}) {
        std::wstring name(n, L'n'), text(n, L't');
        longs += L"<" + name + L" a='" + text + L"'>" + text + L"</" + name + L">";
    }
    EXPECT_EQ(Utf8(TextTree(longs + L"</r>", plain)), Utf8(LoadDump(XmlToFastInfoset(longs + L"</r>", plain), plain)));
}

TEST(CFastInfosetReader, EveryPrefixEndsAtTheEndOfFile) {
    CXmlSerializationContext suggested;
    suggested.GetFIContext().SetSuggestedValues();
    for (const wchar_t* xml : kDocuments) {
        std::string bytes = XmlToFastInfoset(xml, suggested, FInfoDecl_Encoding);
        for (size_t n = 27; n < bytes.size(); ++n) {
            SCOPED_TRACE(n);
            ASSERT_EQ(kEndOfFile, Failure(bytes.substr(0, n)));
        }
    }
}

TEST(CFastInfosetReader, ReadsTheFormsOfTheStandard) {
    struct Case {
        const char* octets;
        const char* tree;
    } cases[] = {
        {"E0 00 00 01 00 3C 00 65 FF", "<{}e></>"},
        // An attribute list ended by FF closes the element; the next octet is its parent's.
        {"E0 00 00 01 00 3C 00 72 7C 00 63 78 00 61 FF FF 3C 00 64 FF F0", "<{}r><{}c {}a=\"\"></><{}d></></>"},
        // A child ending with FF ends its parent: the next element is the grandparent's.
        {"E0 00 00 01 00 3C 00 72 3C 00 61 3C 00 62 FF 3C 00 63 FF F0", "<{}r><{}a><{}b></></><{}c></></>"},
        // A chunk added to the table, then given by index 1.
        {"E0 00 00 01 00 3C 00 72 3C 00 61 92 00 78 79 7A F0 01 A0 FF F0", "<{}r><{}a>xyz</><{}a>xyz</></>"},
        // UTF-16BE chunk and attribute value.
        {"E0 00 00 01 00 7C 00 65 78 00 61 13 00 41 00 42 F0 86 01 00 E9 20 AC FF", "<{}e {}a=\"AB\">\u00e9\u20ac</>"},
        // Unpaired surrogates in UTF-16BE read as U+FFFD, as malformed UTF-8 does; a pair is kept.
        {"E0 00 00 01 00 3C 00 65 86 07 D8 00 00 41 DC 00 D8 3D DE 00 FF", "<{}e>\ufffdA\ufffd\U0001F600</>"},
        // Namespace attributes on an inner element; the prefix is not kept.
        {"E0 00 00 01 00 3C 00 72 38 CF 00 70 04 75 72 6E 3A 70 F0 3F 81 81 00 78 FF F0", "<{}r><{urn:p}x></></>"},
        // Processing instruction, comment and document type before the element,
        // a comment and an entity reference inside; all dropped.
        {"E0 00 00 01 00 E1 00 74 FF E2 40 63 C5 00 73 F0 3C 00 65 E2 40 63 C8 00 6E 90 78 FF",
         "<{}e>x</>"},
        // Optional components: additional data, initial vocabulary with a
        // prefix table, encoding scheme, standalone, version.
        {"E0 00 00 01 67 00 00 75 00 64 02 00 00 00 70 00 61 01 00 31 3C 00 65 FF", "<{}e></>"},
        // Restricted alphabet 1 (numeric), four bits a character; algorithm 10 read as UTF-8.
        {"E0 00 00 01 00 3C 00 72 3C 00 61 88 01 12 3F F0 3C 00 62 8C 25 61 62 FF F0", "<{}r><{}a>123</><{}b>ab</></>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.octets);
        EXPECT_EQ(c.tree, Load(c.octets));
    }
}

TEST(CFastInfosetReader, ReadsAlphabetsOfAnyWidth) {
    CXmlSerializationContext ctx;
    ctx.GetFIContext().SetUseGeneratedVocabulary(true);
    std::wstring wide;
    for (int i = 0; i < 200; ++i) wide += static_cast<wchar_t>(0x100 + i);
    ctx.GetFIContext().GetVocabulary()->AddRestrictedAlphabet(L"abc");      // 3: two bits
    ctx.GetFIContext().GetVocabulary()->AddRestrictedAlphabet(wide);        // 4: eight bits
    ctx.GetFIContext().GetVocabulary()->AddRestrictedAlphabet(L"abcdefghijklmnopq");  // 5: five bits
    // Alphabet 3: a b c (00 01 10), then the all-ones stop code.
    EXPECT_EQ("<{}e>abc</>", Load("E0 00 00 01 00 3C 00 65 88 08 1B FF", ctx));
    EXPECT_EQ("<{}e>\u0100\u0101</>", Load("E0 00 00 01 00 3C 00 65 88 0D 00 01 FF", ctx));
    // Alphabet 5 (17 characters): 00000 00001 10000, then padding ones.
    EXPECT_EQ("<{}e>abq</>", Load("E0 00 00 01 00 3C 00 65 88 11 00 61 FF", ctx));
    // Written and read back with an alphabet given to the writer.
    ctx.GetFIContext().SetEncoding(ItemType_string, {1, 2});
    EXPECT_EQ("<{}e>2026-01-02T03:04Z</>", Utf8(LoadDump(XmlToFastInfoset(L"<e>2026-01-02T03:04Z</e>", ctx), ctx)));
}

TEST(CFastInfosetReader, MalformedInputEndsInOneException) {
    struct Case {
        const char* octets;
        const char* message;
    } cases[] = {
        {"E0 00 00 01 00 3E 00 70 00 65 FF", "Failed to parse FastInfoset. Invalid QName type Prefix without Namespace."},
        {"E0 00 00 01 00 3C 00 65 C0", "Failed to parse FastInfoset. Invalid Encoding of Element type."},
        {"E0 00 00 01 00 7C 00 65 78 00 61 40 31 C0", "Failed to parse FastInfoset. Invalid Encoding of Element type."},
        {"E0 00 00 01 00 3C 41 00 65 FF",
         "Failed to parse FastInfoset. Invalid NonEmptyOctetString type  on the second bit of an octet."},
        {"E0 00 00 01 00 7C 00 65 78 00 61 49 31 FF",
         "Failed to parse FastInfoset. Invalid NonEmptyOctetString type  on the fifth bit of an octet."},
        {"E0 00 00 01 00 38 F0 38 FF",
         "Failed to parse FastInfoset. Invalid Encoding of integers 1 To 2^20 type  on the third bit of an octet."},
        {"E0 00 00 01 00 3C 00 65 BC FF",
         "Failed to parse FastInfoset. Invalid Encoding of integers 1 To 2^20 type  on the fourth bit of an octet."},
        {"E0 00 00 01 00 7C 00 65 70 00 00 FF",
         "Failed to parse FastInfoset. Invalid Encoding of integers 1 To 2^20 type  on the second bit of an octet."},
        // The prefixes of an initial vocabulary do not enter the reader's table.
        {"E0 00 00 01 20 02 00 00 00 70 3F 81 80 00 65 FF",
         "Failed to parse FastInfoset. Index [2] refers to no entry of its table."},
        {"E0 00 00 01 00 05 FF", "Failed to parse FastInfoset. Index [6] refers to no entry of its table."},
        {"E0 00 00 01 00 3C 00 65 A3 FF", "Failed to parse FastInfoset. Index [4] refers to no entry of its table."},
        {"E0 00 00 01 00 3C 00 65 88 60 00 FF",
         "Failed to parse FastInfoset. Restricted Alphabet [25] is not in the vocabulary."},
        {"E0 00 00 01 00 3C 00 65 8C 2C 61 FF", "Unknown byte encoding."},
        {"E0 00 00 01 00 3C 00 65 8C 0E 00 00 00 01 FF", "Invalid value for INT byte encoding."},
        {"E0 00 00 01 00 3C 00 65 84 00 FF", "Failed to parse FastInfoset. Invalid length of a UTF-16 string."},
        // Lengths beyond the input are the end of the input, whatever they claim.
        {"E0 00 00 01 00 3C 60 FF FF FF FF 65", kEndOfFile},
        {"E0 00 00 01 00 3C 00 65 83 FF FF FF FF 61", kEndOfFile},
        // Names XML text could not carry (found by fuzzing: the text written from them did not read back).
        {"E0 00 00 01 00 3C 01 61 3C FF", "Failed to parse FastInfoset. Invalid name [a<]."},
        {"E0 00 00 01 00 3C 00 31 FF", "Failed to parse FastInfoset. Invalid name [1]."},
        {"E0 00 00 01 00 3F 02 70 3A 71 00 75 00 61 FF", "Failed to parse FastInfoset. Invalid name [p:q]."},
        {"E0 00 00 01 40 FF FF", kEndOfFile},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.octets);
        EXPECT_EQ(c.message, Failure(Bytes(c.octets)));
    }
    // 300,000 nested elements (name index 1) are read and freed without
    // exhausting the stack; their end is reported like any other.
    std::string deep = Bytes("E0 00 00 01 00 3C 00 65");
    deep.append(300000, '\0');
    EXPECT_EQ(kEndOfFile, Failure(deep));
    deep.append(150001, '\xFF');
    CXmlDocument document;
    document.LoadXmlStream(reinterpret_cast<unsigned char*>(&deep[0]), static_cast<uint32_t>(deep.size()));
    size_t depth = 0;
    for (const CXmlElement* e = document.GetDocumentElement(); e; e = e->GetFirstElement()) ++depth;
    EXPECT_EQ(300001u, depth);
}

TEST(CFastInfosetReader, Recognition) {
    // A declaration naming "finf" followed by anything else goes to the text reader.
    std::string text = "<?xml encoding='finf'?><e/>";
    EXPECT_EQ("XML declaration not well-formed at line 1", Failure(text));
    for (int d = 1; d <= 9; ++d) {
        SCOPED_TRACE(d);
        std::string bytes = CFastInfosetWriter::DeclarationText(static_cast<FInfoDecl>(d)) + Bytes("E0 00 00 01 00 3C 00 65 FF");
        EXPECT_EQ("<{}e></>", Utf8(LoadDump(bytes)));
    }
    EXPECT_EQ(nullptr, CFastInfosetWriter::DeclarationText(FInfoDecl_None));
}

namespace {
struct Factory : CClassfactoryBase {
    using CClassfactoryBase::GetElementType;
    using CClassfactoryBase::GetElementTypeNamespaceUri;
};
}  // namespace

TEST(CFastInfosetWriter, XsiTypesResolveThroughTheDeclaredPrefixes) {
    // A type namespace with a prefix on the document element, one without any
    // (declared on the element that needs it), and the default namespace. A
    // generated prefix holds inside its element, unless the caller declares
    // the namespace deeper.
    CBinaryStream stream;
    CFastInfosetContext options;
    CFastInfosetWriter w(&stream, &options);
    w.WriteDocumentHeader(FInfoDecl_None);
    w.AddNamespace(L"p", L"urn:p");
    w.SetDefaultNamespace(L"urn:d");
    // An element of urn:d typed `type` of `typeNs`, the caller first declaring
    // `prefix` for urn:t on it when given.
    auto typed = [&](const wchar_t* name, const wchar_t* typeNs, const wchar_t* type, const wchar_t* prefix = nullptr) {
        w.StartElement(name, L"urn:d");
        if (prefix) w.AddNamespace(prefix, L"urn:t");
        w.WriteXsiType(typeNs, type, ItemType_string);
    };
    typed(L"r", L"urn:p", L"T1");
    typed(L"a", L"urn:t", L"T2");
    w.EndElement();
    typed(L"b", L"urn:d", L"T3");
    w.WriteXsiNil();
    w.EndElement();
    w.StartElement(L"c", L"urn:q");
    w.EndElement();
    w.StartElement(L"e", L"urn:t");
    for (const wchar_t* prefix : {L"q", static_cast<const wchar_t*>(nullptr)}) {
        typed(prefix ? L"f" : L"g", L"urn:t", prefix ? L"T4" : L"T5", prefix);
        w.EndElement();
    }
    w.EndElement();
    w.EndElement();
    w.WriteDocumentEnd();
    w.EndDocument();
    CXmlDocument document;
    CBinaryData bytes = stream.GetData();
    document.LoadXmlStream(const_cast<unsigned char*>(bytes.GetData()), bytes.GetLength());
    CXmlElement* r = document.GetDocumentElement();
    CXmlElement* a = r->GetFirstElement();
    CXmlElement* b = a->GetNextSiblingElement();
    EXPECT_EQ(L"urn:p", Factory::GetElementTypeNamespaceUri(r));
    EXPECT_EQ(L"T1", Factory::GetElementType(r));
    EXPECT_EQ(L"urn:t", Factory::GetElementTypeNamespaceUri(a));
    EXPECT_EQ(L"T2", Factory::GetElementType(a));
    EXPECT_EQ(L"urn:d", Factory::GetElementTypeNamespaceUri(b));
    EXPECT_EQ(L"T3", Factory::GetElementType(b));
    EXPECT_EQ("<{urn:d}r {http://www.w3.org/2001/XMLSchema-instance}type=\"p:T1\">"
              "<{urn:d}a {http://www.w3.org/2001/XMLSchema-instance}type=\"AB:T2\"></>"
              "<{urn:d}b {http://www.w3.org/2001/XMLSchema-instance}type=\"T3\" "
              "{http://www.w3.org/2001/XMLSchema-instance}nil=\"true\"></><{urn:q}c></>"
              "<{urn:t}e><{urn:d}f {http://www.w3.org/2001/XMLSchema-instance}type=\"q:T4\"></>"
              "<{urn:d}g {http://www.w3.org/2001/XMLSchema-instance}type=\"AB:T5\"></></></>",
              Utf8(fi_test::Dump(r)));
    // The element in a namespace without a prefix declares its generated one.
    EXPECT_EQ(L"urn:q", document.LookupNamespaceFromAlias(L"AC"));
}

TEST(CFastInfosetWriter, RandomTypedDocumentsResolveEveryTypeToItsNamespace) {
    // Random nesting of elements, attributes and xsi:types in a few
    // namespaces: one declared on the document element, the others given
    // generated prefixes where they are needed (again after their element
    // closed). Read back, every type resolves to the namespace it was written
    // in; a type of no namespace goes without a prefix, and the class
    // factories read that as the element's own namespace.
    const std::wstring kNs[] = {L"", L"urn:a", L"urn:b", L"urn:c"};
    std::mt19937 random(20261208);
    auto pick = [&] { return kNs[random() % 4]; };
    for (int round = 0; round < 40; ++round) {
        SCOPED_TRACE(round);
        CBinaryStream stream;
        CFastInfosetContext options;
        CFastInfosetWriter w(&stream, &options);
        w.WriteDocumentHeader(FInfoDecl_None);
        w.AddNamespace(L"a", L"urn:a");
        std::vector<std::pair<std::wstring, std::wstring>> types;  // in document order
        int depth = 0;
        do {
            if (depth == 0 || (depth < 6 && types.size() < 60 && random() % 3 != 0)) {
                const std::wstring ns = pick();
                w.StartElement(L"e", ns);
                if (random() % 2) w.WriteAttribute(L"t", pick(), L"v", ItemType_string);
                const std::wstring typeNs = pick(), type = L"T" + std::to_wstring(types.size());
                w.WriteXsiType(typeNs, type, ItemType_string);
                types.emplace_back(typeNs.empty() ? ns : typeNs, type);
                ++depth;
            } else {
                w.EndElement();
                --depth;
            }
        } while (depth > 0);
        w.WriteDocumentEnd();
        w.EndDocument();
        CXmlDocument document;
        CBinaryData bytes = stream.GetData();
        document.LoadXmlStream(const_cast<unsigned char*>(bytes.GetData()), bytes.GetLength());
        std::vector<std::pair<std::wstring, std::wstring>> read;
        std::function<void(CXmlElement*)> walk = [&](CXmlElement* e) {
            read.emplace_back(Factory::GetElementTypeNamespaceUri(e), Factory::GetElementType(e));
            for (CXmlElement* c = e->GetFirstElement(); c; c = c->GetNextSiblingElement()) walk(c);
        };
        walk(document.GetDocumentElement());
        EXPECT_EQ(types, read);
    }
}

TEST(CFastInfosetReader, AlteredOctetsEndCleanly) {
    // Every octet of valid documents replaced by telling values: the load
    // either succeeds or ends in one CNyException (the sanitizer builds check
    // that nothing outside the input is read).
    CXmlSerializationContext suggested;
    suggested.GetFIContext().SetSuggestedValues();
    int failures = 0;
    for (const wchar_t* xml : kDocuments) {
        std::string bytes = XmlToFastInfoset(xml, suggested);
        for (size_t i = 4; i < bytes.size(); ++i) {
            for (unsigned char v : {0x00, 0x01, 0x3F, 0x60, 0x7F, 0x80, 0xC0, 0xE1, 0xF0, 0xFF}) {
                std::string altered = bytes;
                altered[i] = static_cast<char>(v ^ static_cast<unsigned char>(bytes[i]));
                try {
                    LoadDump(altered);
                } catch (const CNyException&) {
                    ++failures;
                }
            }
        }
    }
    EXPECT_LT(0, failures);
}

// Interoperability with Java Fast Infoset, through vectors that
// tests/tools/gen_fastinfoset_vectors.sh made with it: documents it encoded
// are read here as it reads them, and what this library writes is what it
// read back.
namespace {

struct Oracle {
    std::string tree;
    std::map<std::string, std::string> namespaces;  // the last declaration of each prefix
};

Oracle ReadDump(const std::string& name) {
    std::string text = ReadFile(TestDataPath("fastinfoset/" + name));
    const std::string marker = "\n#namespaces\n";
    size_t at = text.rfind(marker);
    EXPECT_NE(std::string::npos, at) << name;
    Oracle oracle;
    oracle.tree = text.substr(0, at);
    std::istringstream lines(text.substr(at + marker.size()));
    for (std::string line; std::getline(lines, line);) {
        size_t eq = line.find('=');
        if (eq != std::string::npos) oracle.namespaces[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return oracle;
}

// Reads the bytes as the library does and compares tree and declarations.
void ExpectSameReading(const std::string& bytes, const Oracle& oracle) {
    CXmlDocument document;
    document.LoadXmlStream(reinterpret_cast<unsigned char*>(const_cast<char*>(bytes.data())),
                           static_cast<uint32_t>(bytes.size()));
    EXPECT_EQ(oracle.tree, nyxml_test::Utf8(fi_test::Dump(document.GetDocumentElement())));
    for (const auto& d : oracle.namespaces) {
        SCOPED_TRACE(d.first);
        std::wstring prefix(d.first.begin(), d.first.end());
        EXPECT_EQ(d.second, nyxml_test::Utf8(document.LookupNamespaceFromAlias(prefix.c_str())));
    }
}

}  // namespace

TEST(FastInfosetInterop, ReadsWhatTheReferenceWrites) {
    for (const char* name : {"names", "text", "many", "typed"}) {
        SCOPED_TRACE(name);
        ExpectSameReading(ReadFile(TestDataPath(std::string("fastinfoset/") + name + ".java.fi")),
                          ReadDump(std::string(name) + ".java.dump"));
    }
}

TEST(FastInfosetInterop, TheReferenceReadsWhatTheLibraryWrites) {
    for (const char* name : {"names", "text", "many"}) {
        SCOPED_TRACE(name);
        std::string xml = ReadFile(TestDataPath(std::string("fastinfoset/") + name + ".xml"));
        CXmlDocument document;
        document.LoadXml(xml.c_str());
        CBinaryStream stream;
        CFastInfosetContext options;
        CFastInfosetWriter writer(&stream, &options);
        writer.WriteDocumentHeader(FInfoDecl_None);
        fi_test::WriteTree(document.GetDocumentElement(), writer);
        writer.WriteDocumentEnd();
        writer.EndDocument();
        std::string written(reinterpret_cast<const char*>(stream.GetData().GetData()), stream.GetData().GetLength());
        // The committed bytes are what the reference read: still written alike.
        ASSERT_EQ(ReadFile(TestDataPath(std::string("fastinfoset/") + name + ".nyxml.fi")), written);
        Oracle oracle = ReadDump(std::string(name) + ".nyxml.dump");
        EXPECT_EQ(oracle.tree, nyxml_test::Utf8(fi_test::Dump(document.GetDocumentElement())));
        ExpectSameReading(written, oracle);
    }
    std::string typed = fi_test::TypedFastInfoset();
    ASSERT_EQ(ReadFile(TestDataPath("fastinfoset/typed.nyxml.fi")), typed);
    ExpectSameReading(typed, ReadDump("typed.nyxml.dump"));
}

// The built-in encoding algorithms both ways, their messages, and the writer's
// exact octets.
namespace {

std::string Encoded(unsigned long algorithm, const wchar_t* text) {
    CFastInfosetBinaryData data;
    data.SetAsEncodedString(algorithm, text);
    return Hex(data);
}

std::wstring Decoded(unsigned long algorithm, const std::string& hex) {
    std::string bytes = Bytes(hex);
    if (bytes.empty()) return CFastInfosetBinaryData().GetAsString(algorithm);
    CFastInfosetBinaryData data(reinterpret_cast<unsigned char*>(&bytes[0]), static_cast<unsigned long>(bytes.size()),
                                false);
    return data.GetAsString(algorithm);
}

}  // namespace

TEST(CFastInfosetBinaryData, EncodesAndDecodesEveryAlgorithm) {
    struct Case {
        unsigned long algorithm;
        const wchar_t* text;
        const char* octets;
    } cases[] = {
        {1, L"0aFF", "0A FF"},
        {2, L"AQI=", "01 02"},
        {3, L"-2", "FF FE"},
        {3, L"32767", "7F FF"},
        {4, L"1", "00 00 00 01"},
        {4, L"-2147483648", "80 00 00 00"},
        {5, L"-1", "FF FF FF FF FF FF FF FF"},
        {6, L"true", "38"},
        {6, L"false", "30"},
        {7, L"1", "3F 80 00 00"},
        {7, L"-2.5", "C0 20 00 00"},
        {8, L"1", "3F F0 00 00 00 00 00 00"},
        {9, L"00112233445566778899aabbccddeeff", "00 11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF"},
        {10, L"a\u00e9\u20ac", "61 C3 A9 E2 82 AC"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.algorithm);
        EXPECT_EQ(c.octets, Encoded(c.algorithm, c.text));
        if (c.algorithm == 10) continue;
        std::wstring back = Decoded(c.algorithm, c.octets);
        std::wstring expected = c.text;
        if (c.algorithm == 1 || c.algorithm == 9)
            for (wchar_t& ch : expected) ch = static_cast<wchar_t>(towupper(ch));
        EXPECT_EQ(nyxml_test::Utf8(expected), nyxml_test::Utf8(back));
    }
}

TEST(CFastInfosetBinaryData, DecodesListsJoinedByOneSpace) {
    struct Case {
        unsigned long algorithm;
        const char* octets;
        const wchar_t* text;
    } cases[] = {
        {3, "FF FE 00 01", L"-2 1"},
        {4, "00 00 00 01 FF FF FF FF", L"1 -1"},
        {5, "", L""},
        {6, "2A 80", L"true false true false true false false false false false"},
        {6, "38", L"true"},
        {6, "40", L""},
        {7, "3F 80 00 00 40 00 00 00", L"1 2"},
        {8, "40 00 00 00 00 00 00 00", L"2"},
        {9, "00 11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 01",
         L"00112233445566778899AABBCCDDEEFF 00000000000000000000000000000001"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.octets);
        EXPECT_EQ(nyxml_test::Utf8(c.text), nyxml_test::Utf8(Decoded(c.algorithm, c.octets)));
    }
}

TEST(CFastInfosetBinaryData, Failures) {
    struct Case {
        unsigned long algorithm;
        const char* octets;
        const wchar_t* message;
    } decodes[] = {
        {3, "01", L"Invalid value for SHORT byte encoding."},
        {4, "00 00 01", L"Invalid value for INT byte encoding."},
        {5, "00 00 00 00 00 00 01", L"Invalid value for LONG byte encoding."},
        {7, "00 00 00 00 01", L"Invalid value for FLOAT byte encoding."},
        {8, "00 00 00 00", L"Invalid value for DOUBLE byte encoding."},
        {9, "00 11", L"Invalid value for UUID byte encoding."},
        {10, "61", L"Unknown byte encoding."},
        {0, "61", L"Unknown byte encoding."},
        {11, "61", L"Unknown byte encoding."},
        {6, "F0", L"Invalid value for BOOLEAN byte encoding."},
    };
    for (const Case& c : decodes) {
        SCOPED_TRACE(c.octets);
        EXPECT_NY_THROW(Decoded(c.algorithm, c.octets), CNyException, c.message);
    }
    struct Encode {
        unsigned long algorithm;
        const wchar_t* text;
        const wchar_t* message;
    } encodes[] = {
        {11, L"1", L"Unknown byte encoding."},
        {9, L"00112233-4455", L"Invalid char in hex string [-]"},
    };
    for (const Encode& c : encodes) {
        SCOPED_TRACE(c.algorithm);
        CFastInfosetBinaryData data;
        data.SetAsEncodedString(4, L"7");
        EXPECT_NY_THROW(data.SetAsEncodedString(c.algorithm, c.text), CNyException, c.message);
        EXPECT_EQ(0u, data.GetLength());
    }
    // Conversion errors of the value types propagate.
    CFastInfosetBinaryData data;
    data.SetAsEncodedString(4, L"7");
    EXPECT_THROW(data.SetAsEncodedString(3, L"70000"), CNyException);
    EXPECT_EQ(0u, data.GetLength());
}

// ---- the writer's octets ----

namespace {

const char* const kHeader = "E0 00 00 01 00";

// The octets of a document that `write` produces between header and end.
template <typename Write>
std::string Written(Write write, const CFastInfosetContext& options = CFastInfosetContext(),
                    FInfoDecl declaration = FInfoDecl_None) {
    CBinaryStream stream;
    CFastInfosetWriter writer(&stream, &options,
                              options.GetUseGeneratedVocabulary() ? options.GetVocabulary() : nullptr);
    writer.WriteDocumentHeader(declaration);
    write(writer);
    writer.WriteDocumentEnd();
    writer.EndDocument();
    return Hex(stream.GetData());
}

CFastInfosetContext Suggested() {
    CFastInfosetContext options;
    options.SetSuggestedValues();
    return options;
}

}  // namespace

TEST(CFastInfosetWriter, WritesTheDocumentedOctets) {
    std::string h = kHeader;
    EXPECT_EQ(h + " 3C 00 65 FF", Written([](CXmlWriter& w) {
                  w.StartElement(L"e", L"");
                  w.EndElement();
              }));
    // The second c is element name 2; two terminators pair as FF.
    EXPECT_EQ(h + " 3C 00 72 3C 00 63 F0 01 FF F0", Written([](CXmlWriter& w) {
                  w.StartElement(L"r", L"");
                  for (int i = 0; i < 2; ++i) {
                      w.StartElement(L"c", L"");
                      w.EndElement();
                  }
                  w.EndElement();
              }));
    // A short attribute value repeated is '1' + its index.
    EXPECT_EQ(h + " 3C 00 72 7C 00 63 78 00 61 40 76 F0 F0 41 00 80 F0 FF F0", Written([](CXmlWriter& w) {
                  w.StartElement(L"r", L"");
                  for (int i = 0; i < 2; ++i) {
                      w.StartElement(L"c", L"");
                      w.WriteAttribute(L"a", L"", L"v", ItemType_string);
                      w.EndElement();
                  }
                  w.EndElement();
              }));
    // Suggested encodings: true through the boolean algorithm; an int through
    // algorithm 4 in a chunk; a date through alphabet 2, four bits a character.
    EXPECT_EQ(h + " 7C 00 65 78 00 62 70 50 38 F0 9C 0E 01 00 00 00 2A FF", Written([](CXmlWriter& w) {
                  w.StartElement(L"e", L"");
                  w.WriteAttribute(L"b", L"", L"true", ItemType_boolean);
                  w.WriteText(L"42", ItemType_i4);
                  w.EndElement();
              }, Suggested()));
    EXPECT_EQ(h + " 3C 00 65 88 06 00 20 26 A1 FF", Written([](CXmlWriter& w) {
                  w.StartElement(L"e", L"");
                  w.WriteText(L"2026-1", ItemType_date);
                  w.EndElement();
              }, Suggested()));
    // Long values are not added; chunks below the limit are, and come back as an index.
    EXPECT_EQ(h + " 3C 00 72 3C 00 63 92 00 61 62 63 F0 01 A0 FF F0", Written([](CXmlWriter& w) {
                  w.StartElement(L"r", L"");
                  for (int i = 0; i < 2; ++i) {
                      w.StartElement(L"c", L"");
                      w.WriteText(L"abc", ItemType_string);
                      w.EndElement();
                  }
                  w.EndElement();
              }));
    EXPECT_EQ(h + " 3C 00 65 82 03 61 62 63 64 65 66 FF", Written([](CXmlWriter& w) {
                  w.StartElement(L"e", L"");
                  w.WriteText(L"abcdef", ItemType_string);
                  w.EndElement();
              }));
    // Text after a child closes the child first.
    EXPECT_EQ(h + " 3C 00 72 3C 00 63 F0 90 78 FF", Written([](CXmlWriter& w) {
                  w.StartElement(L"r", L"");
                  w.StartElement(L"c", L"");
                  w.EndElement();
                  w.WriteText(L"x", ItemType_string);
                  w.EndElement();
              }));
    // Namespace attributes on the document element: the default namespace,
    // then prefixes in URI order; the name then uses the table.
    EXPECT_EQ(h + " 38 CD 04 75 72 6E 3A 64 CF 00 70 04 75 72 6E 3A 70 F0 3D 81 00 65 7F 81 82 00 66 78 00 61 40 31 F0 FF F0",
              Written([](CXmlWriter& w) {
                  w.AddNamespace(L"p", L"urn:p");
                  w.SetDefaultNamespace(L"urn:d");
                  w.StartElement(L"e", L"urn:d");
                  w.StartElement(L"f", L"urn:p");
                  w.WriteAttribute(L"a", L"", L"1", ItemType_string);
                  w.EndElement();
                  w.EndElement();
              }));
}

TEST(CFastInfosetWriter, HeaderForms) {
    auto empty = [](CXmlWriter& w) {
        w.StartElement(L"e", L"");
        w.EndElement();
    };
    EXPECT_EQ(Hex(reinterpret_cast<const unsigned char*>("<?xml version='1.1' encoding='finf' standalone='no'?>"), 53) +
                  " E0 00 00 01 00 3C 00 65 FF",
              Written(empty, CFastInfosetContext(), FInfoDecl_V11StandaloneNo));
    CFastInfosetContext generated;
    generated.SetUseGeneratedVocabulary(true);
    generated.SetExternalVocabularyURI(L"urn:v");
    generated.GetVocabulary()->AddElement(L"", L"", L"e");
    EXPECT_EQ("E0 00 00 01 20 10 00 04 75 72 6E 3A 76 00 FF", Written(empty, generated));
}

TEST(CFastInfosetWriter, Failures) {
    struct Case {
        CFastInfosetContext::EncodedCharacterString encoding;
        const wchar_t* value;
        bool chunk;
        const wchar_t* message;
    } cases[] = {
        {{1, 3}, L"1", false, L"Failed to write FastInfoset. Invalid Restricted Alphabet value [3]"},
        {{1, 1}, L"x", true, L"Failed to write FastInfoset. Invalid character not found for Restricted Alphabet."},
        {{2, 11}, L"1", true, L"Failed to write FastInfoset. Invalid Encoding Algorithm value [11]"},
        {{2, 0}, L"1", false, L"Failed to write FastInfoset. Invalid Encoding Algorithm value [0]"},
        {{5, 1}, L"1", false, L"Failed to write FastInfoset. Unknown encoding in EncodedCharacterStringBit5."},
        {{5, 1}, L"1", true, L"Failed to write FastInfoset. Unknown encoding in EncodedCharacterStringBit7."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(nyxml_test::Utf8(c.message));
        CFastInfosetContext options;
        options.SetEncoding(ItemType_string, c.encoding);
        EXPECT_NY_THROW(Written([&](CXmlWriter& w) {
                            w.StartElement(L"e", L"");
                            if (c.chunk)
                                w.WriteText(c.value, ItemType_string);
                            else
                                w.WriteAttribute(L"a", L"", c.value, ItemType_string);
                            w.EndElement();
                        }, options),
                        CNyException, c.message);
    }
    // Value conversion errors propagate.
    CFastInfosetContext suggested = Suggested();
    EXPECT_NY_THROW(Written([](CXmlWriter& w) {
                        w.StartElement(L"e", L"");
                        w.WriteText(L"x", ItemType_i4);
                        w.EndElement();
                    }, suggested),
                    CNyInvalidValueException, L"The value [x] can not be converted to a i4");
    EXPECT_NY_THROW(Written([](CXmlWriter& w) {
                        w.StartElement(L"r", L"");
                        w.StartElement(L"c", L"");
                        w.EndElement();
                        w.WriteAttribute(L"a", L"", L"v", ItemType_string);
                    }),
                    CNyException, L"Attributes must be added before elements");
    EXPECT_NY_THROW(Written([](CXmlWriter& w) { w.StartElement(L"r", L""); }), CNyException,
                    L"An Element has not been closed.");
}

TEST(CFIVocabulary, InitialTables) {
    CFIVocabulary v;
    uint32_t index = 0;
    ASSERT_TRUE(v.FindPrefixNameIndex(L"xml", index));
    EXPECT_EQ(1u, index);
    ASSERT_TRUE(v.FindNamespaceNameIndex(L"http://www.w3.org/XML/1998/namespace", index));
    EXPECT_EQ(1u, index);
    EXPECT_EQ(0u, v.GetLocalNamesTable().size());
    EXPECT_EQ(0u, v.GetElementNamesTable().size());
    ASSERT_EQ(2u, v.GetRestrictedAlphabets().size());
    EXPECT_EQ(L"0123456789-+.e ", v.GetRestrictedAlphabets()[0]);
    EXPECT_EQ(L"0123456789-:TZ ", v.GetRestrictedAlphabets()[1]);
}

TEST(CFIVocabulary, QualifiedNamesShareTheirParts) {
    CFIVocabulary v;
    v.AddElement(L"", L"urn:a", L"x");
    ASSERT_EQ(1u, v.GetElementNamesTable().size());
    const auto& e = v.GetElementNamesTable()[0];
    EXPECT_EQ(0u, e.PrefixIndex);
    EXPECT_EQ(2u, e.NamespaceNameIndex);
    EXPECT_EQ(1u, e.LocalNameIndex);
    v.AddElement(L"", L"urn:a", L"x");
    EXPECT_EQ(1u, v.GetElementNamesTable().size());
    v.AddAttribute(L"p", L"urn:a", L"y");
    ASSERT_EQ(1u, v.GetAttributeNamesTable().size());
    const auto& a = v.GetAttributeNamesTable()[0];
    EXPECT_EQ(2u, a.PrefixIndex);
    EXPECT_EQ(2u, a.NamespaceNameIndex);
    EXPECT_EQ(2u, a.LocalNameIndex);
    EXPECT_EQ(2u, v.GetNamespaceNamesTable().size());
}

TEST(CFastInfosetContext, DefaultsAndSuggestedValues) {
    CFastInfosetContext c;
    EXPECT_EQ(0, c.GetDefaultStringEncoding());
    EXPECT_EQ(6u, c.GetAttributeMaxAddLength());
    EXPECT_EQ(6u, c.GetElementMaxAddLength());
    EXPECT_FALSE(c.GetUseGeneratedVocabulary());
    EXPECT_EQ(L"", c.GetExternalVocabularyURI());
    for (int t = 0; t <= 28; ++t) EXPECT_EQ(0, c.GetEncoding(static_cast<ItemType>(t)).Encoding);
    c.SetSuggestedValues();
    EXPECT_EQ(2, c.GetEncoding(ItemType_boolean).Encoding);
    EXPECT_EQ(6, c.GetEncoding(ItemType_boolean).Index);
    EXPECT_EQ(0, c.GetEncoding(ItemType_string).Encoding);
    EXPECT_EQ(1, c.GetEncoding(ItemType_datetime).Encoding);
    EXPECT_EQ(2, c.GetEncoding(ItemType_datetime).Index);
    EXPECT_EQ(5, c.GetEncoding(ItemType_ui4).Index);
    EXPECT_EQ(1, c.GetEncoding(ItemType_integer).Index);
    EXPECT_NY_THROW(c.GetEncoding(static_cast<ItemType>(29)), CNyInvalidParamException, L"Index out of range");
}

TEST(CFastInfosetContext, AssignmentCopiesTheVocabulary) {
    CFastInfosetContext a;
    a.GetVocabulary()->AddLocalName(L"first");
    CFastInfosetContext b;
    b = a;
    a.GetVocabulary()->AddLocalName(L"second");
    EXPECT_EQ(1u, b.GetVocabulary()->GetLocalNamesTable().size());
    EXPECT_EQ(2u, a.GetVocabulary()->GetLocalNamesTable().size());
}
