// Asynchronous file reading and writing: failed reads, and no threads.
#include <nyxml/document.h>
#include <nyxml/streams.h>
#include <nyxml/writer.h>

#include "TestSupport.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <string>

using namespace NyXmlLib9;

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
