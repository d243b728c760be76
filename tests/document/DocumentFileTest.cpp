#include <nyxml/document.h>

#include "TestSupport.h"
#include "TreeDump.h"

#include <zlib.h>

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

using namespace NyXmlLib9;
using nyxml_test::DumpTree;
using nyxml_test::TempDir;
using nyxml_test::WriteFile;

namespace {

// Restores the process-wide file mode when a test ends.
struct AsyncMode {
    explicit AsyncMode(bool on) { AsyncFromXmlFile(on); }
    ~AsyncMode() { AsyncFromXmlFile(false); }
};

std::string Deflate(const std::string& in, int windowBits) {
    z_stream zs{};
    EXPECT_EQ(Z_OK, deflateInit2(&zs, 6, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY));
    std::string out(deflateBound(&zs, in.size()) + 32, '\0');
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    zs.avail_in = static_cast<uInt>(in.size());
    zs.next_out = reinterpret_cast<Bytef*>(&out[0]);
    zs.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(Z_STREAM_END, deflate(&zs, Z_FINISH));
    out.resize(zs.total_out);
    deflateEnd(&zs);
    return out;
}

std::string SampleXml() {
    std::string xml = "<?xml version='1.0' encoding='UTF-8'?>\n<r xmlns='urn:r' xmlns:p='urn:p'>\n";
    for (int i = 0; i < 2000; ++i)
        xml += "  <p:item n='" + std::to_string(i) + "'>text " + std::to_string(i) + " &amp; more</p:item>\n";
    return xml + "</r>\n";
}

std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

std::wstring LoadedDump(const std::string& bytes) {
    CXmlDocument d;
    std::string copy = bytes;
    d.LoadXmlStream(reinterpret_cast<unsigned char*>(&copy[0]), static_cast<uint32_t>(copy.size()));
    return DumpTree(d.GetDocumentElement());
}

}  // namespace

TEST(CXmlDocumentCompression, LargeInflatedOutputGrowsItsBuffer) {
    std::string xml = "<r>" + std::string(3 * 1024 * 1024, 'x') + "</r>";
    std::string packed = Deflate(xml, 15 + 16);
    CXmlDocument d;
    d.LoadXmlStream(reinterpret_cast<unsigned char*>(&packed[0]), static_cast<uint32_t>(packed.size()));
    EXPECT_EQ(3u * 1024 * 1024, d.GetDocumentElement()->GetText().size());
}

TEST(CXmlDocumentCompression, TruncatedCompressedInputFallsThroughToTextReader) {
    std::string packed = Deflate(SampleXml(), 15 + 16);
    packed.resize(packed.size() / 2);
    CXmlDocument d;
    // Not a complete stream: the bytes go to the text reader unchanged.
    EXPECT_NY_THROW(
        d.LoadXmlStream(reinterpret_cast<unsigned char*>(&packed[0]), static_cast<uint32_t>(packed.size())),
        CNyException, L"not well-formed (invalid token) at line 1");
}

TEST(CXmlDocumentFile, AsynchronousLoadReadsOnlyText) {
    AsyncMode async(true);
    TempDir dir;
    std::string xml = SampleXml();
    WriteFile(dir.Path("plain.xml"), xml);
    WriteFile(dir.Path("doc.gz"), Deflate(xml, 31));
    CXmlDocument d;
    d.Load(dir.WidePath("plain.xml").c_str());
    EXPECT_EQ(LoadedDump(xml), DumpTree(d.GetDocumentElement()));
    EXPECT_THROW(d.Load(dir.WidePath("doc.gz").c_str()), CNyException);
}

TEST(CXmlDocumentFile, AsynchronousParseErrorInLaterChunk) {
    AsyncMode async(true);
    TempDir dir;
    std::string xml = "<r>\n" + std::string(300000, 'a') + "\n</x>";
    WriteFile(dir.Path("bad.xml"), xml);
    CXmlDocument d;
    EXPECT_NY_THROW(d.Load(dir.WidePath("bad.xml").c_str()), CNyException, L"mismatched tag at line 3");
    EXPECT_EQ(nullptr, d.GetDocumentElement());  // cleaned up after the failure
}

TEST(CXmlDocumentFile, MissingFileAndDirectory) {
    TempDir dir;
    for (bool async : {false, true}) {
        SCOPED_TRACE(async);
        AsyncMode mode(async);
        CXmlDocument d;
        std::wstring missing = dir.WidePath("missing.xml");
        EXPECT_NY_THROW(d.Load(missing.c_str()), CNyException,
                        L"Failed to open the file [" + missing + L"] Error [0x00000002]");
        std::wstring folder = Wide(dir.path());
        EXPECT_NY_THROW(d.Load(folder.c_str()), CNyException,
                        L"Failed to open the file [" + folder + L"] Error [0x00000015]");
    }
}

TEST(CXmlDocumentFile, EmptyFileInBothModes) {
    TempDir dir;
    WriteFile(dir.Path("empty.xml"), "");
    std::wstring name = dir.WidePath("empty.xml");
    {
        CXmlDocument d;
        EXPECT_NY_THROW(d.Load(name.c_str()), CNyException, L"no element found at line 1");
    }
    AsyncMode async(true);
    CXmlDocument d;
    EXPECT_NY_THROW(d.Load(name.c_str()), CNyException,
                    L"Failed to read the contents of the file [" + name + L"] Error [0x00000026]");
}
