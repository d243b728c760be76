// The SYSTEMTIME/FILETIME layer and the 64-bit time conversions.
#include "platform/Time.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>
#include <string>

#include "TestSupport.h"
#include "platform/File.h"
#include <fcntl.h>
#include <unistd.h>
#include <vector>

using namespace NyXmlLib9;

namespace {

FILETIME Ticks(uint64_t ticks) { return FILETIME{static_cast<uint32_t>(ticks), static_cast<uint32_t>(ticks >> 32)}; }

uint64_t Ticks(const FILETIME& ft) { return (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime; }

}  // namespace

TEST(PlatformTime, FileTimeToSystemTimeKnownValues) {
    struct Case {
        uint64_t ticks;
        SYSTEMTIME expected;  // year, month, day of week, day, hour, minute, second, millisecond
    } cases[] = {
        {0, {1601, 1, 1, 1, 0, 0, 0, 0}},  // a Monday
        // Sub-millisecond ticks are dropped.
        {116444736000000000ull + 9999999, {1970, 1, 4, 1, 0, 0, 0, 999}},
        {0x7FFFFFFFFFFFFFFFull, {30828, 9, 4, 14, 2, 48, 5, 477}},
    };
    for (const Case& c : cases) {
        SYSTEMTIME st{};
        ASSERT_TRUE(Platform::FileTimeToSystemTime(Ticks(c.ticks), st));
        EXPECT_EQ(0, std::memcmp(&c.expected, &st, sizeof st)) << c.ticks << ": " << st.wYear << "-" << st.wMonth
                                                               << "-" << st.wDay << " day " << st.wDayOfWeek;
    }
    SYSTEMTIME st{};
    EXPECT_FALSE(Platform::FileTimeToSystemTime(Ticks(0x8000000000000000ull), st));
    EXPECT_FALSE(Platform::FileTimeToSystemTime(Ticks(~0ull), st));
}

TEST(PlatformTime, SystemTimeToFileTimeRoundTripAndRange) {
    std::mt19937_64 rng(20261206);
    for (int i = 0; i < 20000; ++i) {
        const uint64_t ticks = rng() % 0x7FFFFFFFFFFFFFFFull;
        SYSTEMTIME st{};
        ASSERT_TRUE(Platform::FileTimeToSystemTime(Ticks(ticks), st));
        FILETIME back{};
        if (st.wYear > 30827) continue;
        ASSERT_TRUE(Platform::SystemTimeToFileTime(st, back));
        ASSERT_EQ(ticks - ticks % 10000, Ticks(back));  // down to the millisecond
    }
    FILETIME ft{};
    const SYSTEMTIME bad[] = {{1600, 12, 0, 31, 0, 0, 0, 0}, {30828, 1, 0, 1, 0, 0, 0, 0}, {2001, 0, 0, 1, 0, 0, 0, 0},
                              {2001, 13, 0, 1, 0, 0, 0, 0},  {2001, 2, 0, 29, 0, 0, 0, 0},  {2001, 1, 0, 0, 0, 0, 0, 0},
                              {2001, 1, 0, 1, 24, 0, 0, 0},  {2001, 1, 0, 1, 0, 60, 0, 0},  {2001, 1, 0, 1, 0, 0, 60, 0},
                              {2001, 1, 0, 1, 0, 0, 0, 1000}};
    for (const SYSTEMTIME& st : bad) EXPECT_FALSE(Platform::SystemTimeToFileTime(st, ft));
    const SYSTEMTIME leap{2000, 2, 0, 29, 23, 59, 59, 999};
    EXPECT_TRUE(Platform::SystemTimeToFileTime(leap, ft));
}

TEST(PlatformTime, GmTimeAndMkGmTimeAcrossEras) {
    for (int64_t t : {int64_t(0), int64_t(-1), int64_t(951782400), int64_t(-62135596800), int64_t(-377705116800),
                      int64_t(253402300799), int64_t(32503680000)}) {
        std::tm tm{};
        ASSERT_TRUE(Platform::GmTime64(t, tm)) << t;
        int64_t back = 0;
        ASSERT_TRUE(Platform::MkGmTime64(tm, back));
        EXPECT_EQ(t, back);
    }
    std::tm tm{};
    ASSERT_TRUE(Platform::GmTime64(951782400, tm));  // 2000-02-29
    EXPECT_EQ(100, tm.tm_year);
    EXPECT_EQ(1, tm.tm_mon);
    EXPECT_EQ(29, tm.tm_mday);
    ASSERT_TRUE(Platform::GmTime64(-377705116800, tm));  // -9999-01-01, astronomical numbering
    EXPECT_EQ(-9999 - 1900, tm.tm_year);
    EXPECT_FALSE(Platform::GmTime64(INT64_MAX, tm));
    // -1 is a valid result, told apart from a failure.
    std::tm last{};
    last.tm_year = 69;
    last.tm_mon = 11;
    last.tm_mday = 31;
    last.tm_hour = 23;
    last.tm_min = 59;
    last.tm_sec = 59;
    int64_t result = 0;
    EXPECT_TRUE(Platform::MkGmTime64(last, result));
    EXPECT_EQ(-1, result);
}

// One read or write in flight, through io_uring or plainly: the same chunks,
// the same results and the same errors either way.
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
