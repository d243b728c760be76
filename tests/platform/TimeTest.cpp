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
