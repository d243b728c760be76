// The binary reader: recognition, every form it reads, malformed input with
// its messages, every prefix of valid documents, and round trips of trees.
#include <nyxml/document.h>
#include <nyxml/fastinfoset.h>
#include <nyxml/generated.h>

#include "FastInfosetSupport.h"
#include "TestSupport.h"
#include <map>
#include <sstream>

using namespace NyXmlLib9;
using fi_test::Bytes;
using fi_test::LoadDump;
using fi_test::XmlToFastInfoset;
using nyxml_test::Utf8;
using nyxml_test::ReadFile;
using nyxml_test::TestDataPath;

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
    std::wstring many = ManyNames(9000);
    EXPECT_EQ(Utf8(TextTree(many, plain)), Utf8(LoadDump(XmlToFastInfoset(many, limits), plain)));
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
        {"E0 00 00 01 40 FF FF", kEndOfFile},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.octets);
        EXPECT_EQ(c.message, Failure(Bytes(c.octets)));
    }
    // Deep nesting ends cleanly instead of exhausting the stack.
    std::string deep = Bytes("E0 00 00 01 00 3C 00 65");
    deep.append(10000 + 10, '\0');
    EXPECT_EQ("Failed to parse FastInfoset. Elements are nested too deeply.", Failure(deep));
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
    // (declared on the element that needs it), and the default namespace.
    CBinaryStream stream;
    CFastInfosetContext options;
    CFastInfosetWriter w(&stream, &options);
    w.WriteDocumentHeader(FInfoDecl_None);
    w.AddNamespace(L"p", L"urn:p");
    w.SetDefaultNamespace(L"urn:d");
    w.StartElement(L"r", L"urn:d");
    w.WriteXsiType(L"urn:p", L"T1", ItemType_string);
    w.StartElement(L"a", L"urn:d");
    w.WriteXsiType(L"urn:t", L"T2", ItemType_string);
    w.EndElement();
    w.StartElement(L"b", L"urn:d");
    w.WriteXsiType(L"urn:d", L"T3", ItemType_string);
    w.WriteXsiNil();
    w.EndElement();
    w.StartElement(L"c", L"urn:q");
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
              "{http://www.w3.org/2001/XMLSchema-instance}nil=\"true\"></><{urn:q}c></></>",
              Utf8(fi_test::Dump(r)));
    // The element in a namespace without a prefix declares its generated one.
    EXPECT_EQ(L"urn:q", document.LookupNamespaceFromAlias(L"AC"));
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
