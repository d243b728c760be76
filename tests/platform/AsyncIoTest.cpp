// One read or write in flight, through io_uring or plainly: the same chunks,
// the same results and the same errors either way.
#include "platform/File.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "TestSupport.h"

using namespace NyXmlLib9;

namespace {

struct Fd {
    int fd;
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
};

}  // namespace

TEST(AsyncIo, ChunksErrorsAndEndOfFileAlike) {
    nyxml_test::TempDir dir;
    std::string bytes(300000, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>('a' + i % 23);
    const size_t chunk = 131072;
    for (bool ring : {true, false}) {
        SCOPED_TRACE(ring ? "ring" : "plain");
        const std::string path = dir.Path(ring ? "ring.bin" : "plain.bin");
        {
            Fd out{::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644)};
            ASSERT_GE(out.fd, 0);
            Platform::AsyncIo io(out.fd, ring);
            if (!ring) {
                EXPECT_FALSE(io.UsesRing());
            }
            for (size_t at = 0; at < bytes.size(); at += chunk) {
                const size_t length = std::min(chunk, bytes.size() - at);
                ASSERT_TRUE(io.StartWrite(bytes.data() + at, length, at));
                EXPECT_TRUE(io.InFlight());
                EXPECT_FALSE(io.StartWrite(bytes.data(), 1, 0));  // one at a time
                EXPECT_EQ(static_cast<uint32_t>(EBUSY), io.Error());
                size_t done = 0;
                ASSERT_TRUE(io.Wait(done));
                EXPECT_EQ(length, done);
            }
        }
        EXPECT_EQ(bytes, nyxml_test::ReadFile(path));

        Fd in{::open(path.c_str(), O_RDONLY)};
        ASSERT_GE(in.fd, 0);
        Platform::AsyncIo io(in.fd, ring);
        std::vector<char> buffer(chunk);
        std::string back;
        const size_t expected[] = {chunk, chunk, bytes.size() - 2 * chunk, 0};
        for (size_t got : expected) {
            ASSERT_TRUE(io.StartRead(buffer.data(), chunk, back.size()));
            size_t done = 1;
            ASSERT_TRUE(io.Wait(done));
            EXPECT_EQ(got, done);  // whole chunks until the end; 0 at the end
            back.append(buffer.data(), done);
        }
        EXPECT_EQ(bytes, back);

        // A failed read is an error, not an end of file.
        Fd mem{::open("/proc/self/mem", O_RDONLY)};
        ASSERT_GE(mem.fd, 0);
        Platform::AsyncIo failing(mem.fd, ring);
        ASSERT_TRUE(failing.StartRead(buffer.data(), chunk, 0));
        size_t done = 1;
        EXPECT_FALSE(failing.Wait(done));
        EXPECT_EQ(0u, done);
        EXPECT_EQ(static_cast<uint32_t>(EIO), failing.Error());
        // A write to a descriptor open for reading fails when it is made or collected.
        Platform::AsyncIo wrong(in.fd, ring);
        if (wrong.StartWrite(bytes.data(), 10, 0)) {
            EXPECT_FALSE(wrong.Wait(done));
        }
        EXPECT_EQ(static_cast<uint32_t>(EBADF), wrong.Error());
    }
}
