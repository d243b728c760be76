// Asynchronous file reading and writing: failed reads, and no threads.
#include <nyxml/document.h>
#include <nyxml/streams.h>

#include "TestSupport.h"

#include <dirent.h>

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
