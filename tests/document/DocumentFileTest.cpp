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
using nyxml_test::Wide;

namespace {

// Sets the process-wide file modes (reading and writing) for a test and
// restores them when it ends.
struct AsyncMode {
    explicit AsyncMode(bool on) {
        AsyncFromXmlFile(on);
        AsyncToXmlFile(on);
    }
    ~AsyncMode() {
        AsyncFromXmlFile(false);
        AsyncToXmlFile(false);
    }
};

std::string Deflate(const std::string& in, int windowBits, int level = 6) {
    z_stream zs{};
    EXPECT_EQ(Z_OK, deflateInit2(&zs, level, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY));
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

// Every header zlib accepts is inflated: each level writes its own second
// octet and each window size its own first.
TEST(CXmlDocumentCompression, EveryZlibAndGzipHeaderIsRecognised) {
    const std::string xml = SampleXml();
    const std::wstring expected = LoadedDump(xml);
    for (int level : {0, 1, 2, 6, 9})
        for (int windowBits : {9, 10, 12, 15, 15 + 16}) {
            SCOPED_TRACE(testing::Message() << "level " << level << ", window bits " << windowBits);
            const std::string packed = Deflate(xml, windowBits, level);
            EXPECT_EQ(expected, LoadedDump(packed));
        }
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

TEST(CXmlDocumentFile, AsynchronousLoadGivesTheSameTree) {
    AsyncMode async(true);
    TempDir dir;
    std::string xml = SampleXml();
    WriteFile(dir.Path("plain.xml"), xml);
    CXmlDocument d;
    d.Load(dir.WidePath("plain.xml").c_str());
    EXPECT_EQ(LoadedDump(xml), DumpTree(d.GetDocumentElement()));
}

// Files that fail to load, plainly and asynchronously; an asynchronous load
// keeps nothing of them.
TEST(CXmlDocumentFile, FailuresInBothModes) {
    TempDir dir;
    WriteFile(dir.Path("empty.xml"), "");
    WriteFile(dir.Path("bad.xml"), "<r>\n" + std::string(300000, 'a') + "\n</x>");
    WriteFile(dir.Path("doc.gz"), Deflate(SampleXml(), 31));
    const std::wstring missing = dir.WidePath("missing.xml"), folder = Wide(dir.path()),
                       empty = dir.WidePath("empty.xml");
    const struct {
        bool async;
        std::wstring file, message;
    } cases[] = {
        {false, missing, L"Failed to open the file [" + missing + L"] Error [0x00000002]"},
        {true, missing, L"Failed to open the file [" + missing + L"] Error [0x00000002]"},
        {false, folder, L"Failed to open the file [" + folder + L"] Error [0x00000015]"},
        {true, folder, L"Failed to open the file [" + folder + L"] Error [0x00000015]"},
        {false, empty, L"no element found at line 1"},
        {true, empty, L"Failed to read the contents of the file [" + empty + L"] Error [0x00000026]"},
        {false, dir.WidePath("bad.xml"), L"mismatched tag at line 3"},
        {true, dir.WidePath("bad.xml"), L"mismatched tag at line 3"},  // the error is in a later chunk
        {true, dir.WidePath("doc.gz"), L"not well-formed (invalid token) at line 1"},  // text only, when asynchronous
        // Reading the process's own memory at address 0 fails with EIO: not an end of
        // file (that has its own message above), so the parser sees an empty final chunk.
        {true, L"/proc/self/mem", L"no element found at line 1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(nyxml_test::Utf8(c.file) + (c.async ? " async" : ""));
        AsyncMode mode(c.async);
        CXmlDocument d;
        EXPECT_NY_THROW(d.Load(c.file.c_str()), CNyException, c.message);
        if (c.async) {
            EXPECT_EQ(nullptr, d.GetDocumentElement());
        }
    }
}

// Asynchronous file reading and writing start no thread.
namespace {

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

TEST(AsyncFile, NoThreadIsStartedToReadOrWrite) {
    AsyncMode async(true);
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
