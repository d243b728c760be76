// CDateTime::ToString and the digit writers shared with the duration printer.
// Everything is written into a stack buffer and copied into the result once.
#include <nyxml/datetime.h>
#include <nyxml/foundation.h>

#include "values/DateTimeInternal.h"

#include <cwchar>

namespace NyXmlLib9 {

using namespace DateTimeDetail;

namespace DateTimeDetail {

wchar_t* WriteUnsigned(wchar_t* out, uint64_t value, int minDigits) {
    wchar_t digits[20];
    int count = 0;
    do {
        digits[count++] = static_cast<wchar_t>(L'0' + value % 10);
        value /= 10;
    } while (value != 0);
    for (int pad = count; pad < minDigits; ++pad) *out++ = L'0';
    while (count > 0) *out++ = digits[--count];
    return out;
}

wchar_t* WriteFraction(wchar_t* out, unsigned milli, unsigned micro, unsigned nano) {
    const unsigned groups[3] = {milli, micro, nano};
    const int last = nano != 0 ? 2 : micro != 0 ? 1 : milli != 0 ? 0 : -1;
    if (last < 0) return out;
    *out++ = L'.';
    for (int i = 0; i < last; ++i) out = WriteUnsigned(out, groups[i], 3);
    wchar_t* const lastStart = out;
    out = WriteUnsigned(out, groups[last], 3);
    while (out - lastStart > 1 && out[-1] == L'0') --out;  // never the group's first digit
    return out;
}

}  // namespace DateTimeDetail

namespace {

wchar_t* WriteYear(wchar_t* out, short year) {
    int value = year;
    if (value < 0) {
        *out++ = L'-';
        value = -value;
    }
    return WriteUnsigned(out, static_cast<uint64_t>(value), 4);
}

wchar_t* WriteTwo(wchar_t* out, unsigned value, wchar_t after) {
    out = WriteUnsigned(out, value, 2);
    if (after) *out++ = after;
    return out;
}

}  // namespace

std::wstring CDateTime::ToString() const { return ToString(L"s"); }

std::wstring CDateTime::ToString(const wchar_t* format) const {
    const bool allZero = m_year == 0 && m_month == 0 && m_day == 0 && m_hour == 0 && m_minute == 0 &&
                         m_second == 0 && m_milliSecond == 0 && m_microSecond == 0 && m_nanoSecond == 0;
    if (m_type == dt_unset || (m_type != dt_time && allZero)) throw CNyInvalidValueException(L"Date Not Set");
    if (!format || std::wcscmp(format, L"G") == 0) return std::wstring();
    if (std::wcscmp(format, L"s") != 0) return L"Unknown Format: " + std::wstring(format);

    // Longest form: "-32768-255-255T255:255:255.65535655356553-23:255" fits easily.
    wchar_t buffer[80];
    wchar_t* out = buffer;
    const bool hasTime = m_type == dt_dateTime || m_type == dt_time;
    switch (m_type) {
    case dt_dateTime:
    case dt_date:
        out = WriteYear(out, m_year);
        *out++ = L'-';
        out = WriteTwo(out, m_month, L'-');
        out = WriteTwo(out, m_day, m_type == dt_dateTime ? L'T' : 0);
        break;
    case dt_gYearMonth:
        out = WriteYear(out, m_year);
        *out++ = L'-';
        out = WriteTwo(out, m_month, 0);
        break;
    case dt_gYear:
        out = WriteYear(out, m_year);
        break;
    case dt_gMonthDay:
        *out++ = L'-';
        *out++ = L'-';
        out = WriteTwo(out, m_month, L'-');
        out = WriteTwo(out, m_day, 0);
        break;
    case dt_gMonth:
        *out++ = L'-';
        *out++ = L'-';
        out = WriteTwo(out, m_month, 0);
        break;
    case dt_gDay:
        *out++ = L'-';
        *out++ = L'-';
        *out++ = L'-';
        out = WriteTwo(out, m_day, 0);
        break;
    default:
        break;
    }
    if (hasTime) {
        out = WriteTwo(out, m_hour, L':');
        out = WriteTwo(out, m_minute, L':');
        out = WriteTwo(out, m_second, 0);
        out = WriteFraction(out, m_milliSecond, m_microSecond, m_nanoSecond);
    }
    if (m_zoned) {
        if (!m_offsetGiven) {
            *out++ = L'Z';
        } else {
            *out++ = m_zoneHour >= 0 ? L'+' : L'-';
            out = WriteTwo(out, static_cast<unsigned>(m_zoneHour >= 0 ? m_zoneHour : -m_zoneHour), L':');
            out = WriteTwo(out, m_zoneMinute, 0);
        }
    }
    return std::wstring(buffer, out);
}

}  // namespace NyXmlLib9
