// The Windows time services the date values use, over the C library: the
// SYSTEMTIME/FILETIME conversions, the local wall clock, and 64-bit
// equivalents of mktime, timegm, gmtime and localtime.
#ifndef NYXML_SRC_PLATFORM_TIME_H
#define NYXML_SRC_PLATFORM_TIME_H

#include <nyxml/datetime.h>

#include <cstdint>
#include <ctime>

namespace NyXmlLib9 {
namespace Platform {

// FILETIME ticks per second, and ticks from 1601-01-01 to 1970-01-01.
const int64_t kFileTimeTicksPerSecond = 10000000;
const int64_t kFileTimeUnixEpoch = 116444736000000000;

// False for a FILETIME above 0x7FFFFFFFFFFFFFFF, as the Windows call refuses it.
bool FileTimeToSystemTime(const FILETIME& fileTime, SYSTEMTIME& systemTime);
// False unless every field is in range (years 1601..30827); wDayOfWeek is ignored.
bool SystemTimeToFileTime(const SYSTEMTIME& systemTime, FILETIME& fileTime);
// The current local time, to the millisecond.
void GetLocalTime(SYSTEMTIME& systemTime);

// Local broken-down time to seconds since the epoch; normalises `time` as mktime does.
bool MkTime64(std::tm& time, int64_t& result);
// The same, reading the broken-down time as UTC.
bool MkGmTime64(std::tm& time, int64_t& result);
bool GmTime64(int64_t time, std::tm& result);
bool LocalTime64(int64_t time, std::tm& result);

}  // namespace Platform
}  // namespace NyXmlLib9

#endif
