// Interoperability with Java Fast Infoset, through vectors that
// tests/tools/gen_fastinfoset_vectors.sh made with it: documents it encoded
// are read here as it reads them, and what this library writes is what it
// read back.
#include <nyxml/document.h>

#include "FastInfosetSupport.h"
#include "TestSupport.h"

#include <map>
#include <sstream>

using namespace NyXmlLib9;
using nyxml_test::ReadFile;
using nyxml_test::TestDataPath;

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
