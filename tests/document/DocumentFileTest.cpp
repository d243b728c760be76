#include <nyxml/document.h>

#include "TestSupport.h"
#include "TreeDump.h"

#include <zlib.h>

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>
#include <nyxml/streams.h>
#include <nyxml/writer.h>
#include <dirent.h>
#include <fcntl.h>
#include <string>

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

// Asynchronous file reading and writing: failed reads, and no threads.
namespace {

struct AsyncModes {
    AsyncModes() {
        AsyncFromXmlFile(true);
        AsyncToXmlFile(true);
    }
    ~AsyncModes() {
        AsyncFromXmlFile(false);
        AsyncToXmlFile(false);
    }
};

// The threads of this process, as the kernel lists them.
int Threads() {
    int count = 0;
    DIR* dir = ::opendir("/proc/self/task");
    if (!dir) return -1;
    while (const dirent* entry = ::readdir(dir))
        if (entry->d_name[0] != '.') ++count;
    ::closedir(dir);
    return count;
}

int g_threadsSeen = 0;

bool CountThreads(CXmlElement*) {
    const int now = Threads();
    if (now > g_threadsSeen) g_threadsSeen = now;
    return true;
}

}  // namespace

TEST(AsyncFile, FailedFirstReadCountsAsZeroBytes) {
    AsyncModes async;
    // Reading the process's own memory at address 0 fails with EIO: not an
    // end of file, so the parser sees an empty final chunk.
    CXmlDocument d;
    EXPECT_NY_THROW(d.Load(L"/proc/self/mem"), CNyException, L"no element found at line 1");
    // A real end of file keeps its own message.
    nyxml_test::TempDir dir;
    nyxml_test::WriteFile(dir.Path("empty.xml"), "");
    const std::wstring name = dir.WidePath("empty.xml");
    EXPECT_NY_THROW(d.Load(name.c_str()), CNyException,
                    L"Failed to read the contents of the file [" + name + L"] Error [0x00000026]");
}

TEST(AsyncFile, NoThreadIsStartedToReadOrWrite) {
    AsyncModes async;
    nyxml_test::TempDir dir;
    const std::wstring name = dir.WidePath("big.xml");
    const int before = Threads();
    ASSERT_GT(before, 0);
    int most = before;
    {
        // Written in many pieces, one write in flight while the next is formatted.
        CFileTextStream stream(name.c_str(), XmlEncoding_UTF8);
        CXmlTextWriter writer(&stream);
        writer.StartDocument();
        writer.StartElement(L"r", L"");
        for (int i = 0; i < 100000; ++i) {
            writer.StartElement(L"item", L"");
            writer.WriteText(L"some text to make the file large", ItemType_string);
            writer.EndElement();
            if (i % 1000 == 0) most = std::max(most, Threads());
        }
        writer.EndElement();
        writer.EndDocument();
    }
    // Read back in 128 KiB chunks, counted at every element parsed.
    const std::string path = dir.Path("big.xml");
    {
        int fd = ::open(path.c_str(), O_RDONLY);
        ASSERT_GE(fd, 0);
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);  // from the disk, if the kernel lets go of the pages
        ::close(fd);
    }
    g_threadsSeen = 0;
    CXmlDocument d(&CountThreads);
    d.Load(name.c_str());
    ASSERT_NE(nullptr, d.GetDocumentElement());
    most = std::max(most, g_threadsSeen);
    EXPECT_EQ(before, most);
    EXPECT_EQ(before, Threads());
}
