// SYSTEMTIME/FILETIME and 64-bit time conversions over clock_gettime, timegm,
// gmtime_r, localtime_r and mktime. time_t is 64 bits on the supported targets.
#include "platform/Time.h"

#include <climits>
#include <cstdlib>

namespace NyXmlLib9 {
namespace Platform {
namespace {

static_assert(sizeof(time_t) == 8, "64-bit time_t required");

// mktime and timegm report failure as -1, which is also a valid result; they
// leave tm_wday alone on failure, so a sentinel there tells the two apart.
template <class Convert>
bool ConvertBrokenDown(std::tm& time, int64_t& result, Convert convert) {
    time.tm_wday = -1;
    time_t t = convert(&time);
    if (t == static_cast<time_t>(-1) && time.tm_wday == -1) return false;
    result = static_cast<int64_t>(t);
    return true;
}

bool IsLeap(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysIn(int year, int month) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

void FillSystemTime(const std::tm& t, unsigned milliseconds, SYSTEMTIME& st) {
    st.wYear = static_cast<uint16_t>(t.tm_year + 1900);
    st.wMonth = static_cast<uint16_t>(t.tm_mon + 1);
    st.wDayOfWeek = static_cast<uint16_t>(t.tm_wday);
    st.wDay = static_cast<uint16_t>(t.tm_mday);
    st.wHour = static_cast<uint16_t>(t.tm_hour);
    st.wMinute = static_cast<uint16_t>(t.tm_min);
    st.wSecond = static_cast<uint16_t>(t.tm_sec);
    st.wMilliseconds = static_cast<uint16_t>(milliseconds);
}

}  // namespace

bool FileTimeToSystemTime(const FILETIME& fileTime, SYSTEMTIME& systemTime) {
    uint64_t ticks = (static_cast<uint64_t>(fileTime.dwHighDateTime) << 32) | fileTime.dwLowDateTime;
    if (ticks > static_cast<uint64_t>(INT64_MAX)) return false;
    int64_t seconds = static_cast<int64_t>(ticks / kFileTimeTicksPerSecond);
    unsigned milliseconds = static_cast<unsigned>(ticks % kFileTimeTicksPerSecond / 10000);
    std::tm t{};
    if (!GmTime64(seconds - kFileTimeUnixEpoch / kFileTimeTicksPerSecond, t)) return false;
    FillSystemTime(t, milliseconds, systemTime);
    return true;
}

bool SystemTimeToFileTime(const SYSTEMTIME& st, FILETIME& fileTime) {
    if (st.wYear < 1601 || st.wYear > 30827 || st.wMonth < 1 || st.wMonth > 12 || st.wDay < 1 ||
        st.wDay > DaysIn(st.wYear, st.wMonth) || st.wHour > 23 || st.wMinute > 59 || st.wSecond > 59 ||
        st.wMilliseconds > 999)
        return false;
    std::tm t{};
    t.tm_year = st.wYear - 1900;
    t.tm_mon = st.wMonth - 1;
    t.tm_mday = st.wDay;
    t.tm_hour = st.wHour;
    t.tm_min = st.wMinute;
    t.tm_sec = st.wSecond;
    int64_t seconds = 0;
    if (!MkGmTime64(t, seconds)) return false;
    uint64_t ticks = static_cast<uint64_t>(seconds * kFileTimeTicksPerSecond + kFileTimeUnixEpoch) +
                     static_cast<uint64_t>(st.wMilliseconds) * 10000;
    fileTime.dwLowDateTime = static_cast<uint32_t>(ticks);
    fileTime.dwHighDateTime = static_cast<uint32_t>(ticks >> 32);
    return true;
}

void GetLocalTime(SYSTEMTIME& systemTime) {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    std::tm t{};
    if (!LocalTime64(static_cast<int64_t>(now.tv_sec), t)) GmTime64(static_cast<int64_t>(now.tv_sec), t);
    FillSystemTime(t, static_cast<unsigned>(now.tv_nsec / 1000000), systemTime);
}

bool MkTime64(std::tm& time, int64_t& result) { return ConvertBrokenDown(time, result, mktime); }

bool MkGmTime64(std::tm& time, int64_t& result) { return ConvertBrokenDown(time, result, timegm); }

bool GmTime64(int64_t time, std::tm& result) {
    time_t t = static_cast<time_t>(time);
    return gmtime_r(&t, &result) != nullptr;
}

bool LocalTime64(int64_t time, std::tm& result) {
    time_t t = static_cast<time_t>(time);
    return localtime_r(&t, &result) != nullptr;
}

}  // namespace Platform
}  // namespace NyXmlLib9
