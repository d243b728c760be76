// CDateTimeSpan: the XSD duration kept exactly as written, its lexical form,
// and the XSD duration order through four reference dates.
#include <nyxml/datetime.h>
#include <nyxml/foundation.h>

#include "values/DateTimeInternal.h"

namespace NyXmlLib9 {

using namespace DateTimeDetail;

CDateTimeSpan::CDateTimeSpan() { Clear(); }

CDateTimeSpan::CDateTimeSpan(uint32_t hours, uint64_t minutes, uint64_t seconds) {
    SetDateTimeSpan(hours, minutes, seconds);
}

CDateTimeSpan::CDateTimeSpan(unsigned short years, uint32_t months, uint32_t days, uint32_t hours, uint64_t minutes,
                             uint64_t seconds) {
    SetDateTimeSpan(years, months, days, hours, minutes, seconds);
}

CDateTimeSpan::CDateTimeSpan(unsigned short years, uint32_t months, uint32_t days, uint32_t hours, uint64_t minutes,
                             uint64_t seconds, unsigned short milliSeconds, unsigned short microSeconds,
                             unsigned short nanoSeconds) {
    SetDateTimeSpan(years, months, days, hours, minutes, seconds, milliSeconds, microSeconds, nanoSeconds);
}

CDateTimeSpan::CDateTimeSpan(const CDateTimeSpan& other) = default;
CDateTimeSpan& CDateTimeSpan::operator=(const CDateTimeSpan& other) = default;
CDateTimeSpan::~CDateTimeSpan() = default;

void CDateTimeSpan::SetDateTimeSpan(uint32_t hours, uint64_t minutes, uint64_t seconds) {
    SetDateTimeSpan(0, 0, 0, hours, minutes, seconds, 0, 0, 0);
}

void CDateTimeSpan::SetDateTimeSpan(unsigned short years, uint32_t months, uint32_t days, uint32_t hours,
                                    uint64_t minutes, uint64_t seconds) {
    SetDateTimeSpan(years, months, days, hours, minutes, seconds, 0, 0, 0);
}

void CDateTimeSpan::SetDateTimeSpan(unsigned short years, uint32_t months, uint32_t days, uint32_t hours,
                                    uint64_t minutes, uint64_t seconds, unsigned short milliSeconds,
                                    unsigned short microSeconds, unsigned short nanoSeconds) {
    m_years = years;
    m_months = months;
    m_days = days;
    m_hours = hours;
    m_minutes = minutes;
    m_seconds = seconds;
    m_milliSeconds = milliSeconds;
    m_microSeconds = microSeconds;
    m_nanoSeconds = nanoSeconds;
    m_negative = false;
}

void CDateTimeSpan::Clear() { SetDateTimeSpan(0, 0, 0, 0, 0, 0, 0, 0, 0); }

CDateTimeSpan CDateTimeSpan::GetAsNegative() const {
    CDateTimeSpan copy(*this);
    copy.m_negative = true;
    return copy;
}

// ---- lexical form ----

namespace {

[[noreturn]] void FailDuration(const wchar_t* text) {
    throw CNyInvalidValueException(
        FormatString(L"Invalid XSD Duration [%s] expected [-]P[nY][nM][nD][T[nH][nM][nS.ff]]", text));
}

// What the last designator was; it decides what the next one may be.
enum class State { None, Years, Months, Days, Time, Hours, Minutes, FractionDone };

bool InTimePart(State s) { return s == State::Time || s == State::Hours || s == State::Minutes; }

bool BeforeDays(State s) { return s == State::None || s == State::Years || s == State::Months; }

}  // namespace

void CDateTimeSpan::ParseXSDDuration(const wchar_t* text) {
    Clear();
    if (!text) throw CNyInvalidValueException(L"Invalid XSD Duration (Null String)");
    if (!*text) throw CNyInvalidValueException(L"Invalid XSD Duration (Empty String)");
    const wchar_t* p = text;
    if (*p == L'-') {
        m_negative = true;
        ++p;
    }
    if (*p++ != L'P') FailDuration(text);
    State state = State::None;
    // Seconds leave the state at T, yet "PT1S" (or "PT1." ending the text) has content after "T".
    bool secondsRead = false;
    while (*p) {
        // Digits accumulate modulo 2^64; the field keeps the low bits it can hold.
        uint64_t n = 0;
        for (; IsDigit(*p); ++p) n = n * 10 + static_cast<uint64_t>(*p - L'0');
        switch (*p) {
        case L'Y':
            m_years = static_cast<unsigned short>(n);
            state = State::Years;
            break;
        case L'M':
            if (state == State::None || state == State::Years) {
                m_months = static_cast<uint32_t>(n);
                state = State::Months;
            } else if (state == State::Time || state == State::Hours) {
                m_minutes = n;
                state = State::Minutes;
            } else {
                FailDuration(text);
            }
            break;
        case L'D':
            if (!BeforeDays(state)) FailDuration(text);
            m_days = static_cast<uint32_t>(n);
            state = State::Days;
            break;
        case L'T':
            if (!BeforeDays(state) && state != State::Days) FailDuration(text);
            state = State::Time;
            break;
        case L'H':
            if (state != State::Time) FailDuration(text);
            m_hours = static_cast<uint32_t>(n);
            state = State::Hours;
            break;
        case L'S':
            if (!InTimePart(state)) FailDuration(text);
            m_seconds = n;
            secondsRead = true;
            break;
        case L'.': {
            if (!InTimePart(state)) FailDuration(text);
            m_seconds = n;
            secondsRead = true;
            const wchar_t* const fraction = p + 1;
            p = ParseFraction(text, fraction);
            if (!*p && p == fraction) continue;  // the text may end right after the "."
            if (*p != L'S') FailDuration(text);  // fraction digits need their "S"
            state = State::FractionDone;
            break;
        }
        default:
            FailDuration(text);
        }
        ++p;
    }
    if (state == State::None || (state == State::Time && !secondsRead)) FailDuration(text);
}

const wchar_t* CDateTimeSpan::ParseFraction(const wchar_t* text, const wchar_t* p) {
    unsigned short* const groups[3] = {&m_milliSeconds, &m_microSeconds, &m_nanoSeconds};
    static const unsigned short kWeights[3] = {100, 10, 1};
    for (int count = 0; IsDigit(*p); ++p, ++count) {
        if (count == 9)
            throw CNyInvalidValueException(FormatString(L"Invalid XSD Duration [%s] Fraction part too long", text));
        *groups[count / 3] = static_cast<unsigned short>(*groups[count / 3] + (*p - L'0') * kWeights[count % 3]);
    }
    return p;
}

std::wstring CDateTimeSpan::ToString() const {
    // "-P", six numbers of at most 20 digits with designators, "T", and a
    // fraction of three groups of at most 5 digits: well under the buffer.
    wchar_t buffer[192];
    wchar_t* out = buffer;
    if (m_negative) *out++ = L'-';
    *out++ = L'P';
    auto component = [&out](uint64_t value, wchar_t designator) {
        if (value == 0) return;
        out = WriteUnsigned(out, value, 1);
        *out++ = designator;
    };
    component(m_years, L'Y');
    component(m_months, L'M');
    component(m_days, L'D');
    const bool noFraction = m_milliSeconds == 0 && m_microSeconds == 0 && m_nanoSeconds == 0;
    if (m_hours == 0 && m_minutes == 0 && m_seconds == 0 && noFraction) return std::wstring(buffer, out);
    *out++ = L'T';
    component(m_hours, L'H');
    component(m_minutes, L'M');
    if (m_seconds != 0 || !noFraction) {
        out = WriteUnsigned(out, m_seconds, 1);
        out = WriteFraction(out, m_milliSeconds, m_microSeconds, m_nanoSeconds);
        *out++ = L'S';
    }
    return std::wstring(buffer, out);
}

// ---- order ----

// The reference sums are compared with their years in full, so durations
// whose sums pass the 16 bits of a CDateTime year still compare exactly.
CDateTime::DTCompareResult CDateTimeSpan::CompareTo(const CDateTimeSpan& other) const {
    static const short kReferences[4][2] = {{1696, 9}, {1697, 2}, {1903, 3}, {1903, 7}};
    auto order = [](const Fields& a, const Fields& b) {
        const int64_t va[9] = {a.year, a.month, a.day, a.hour, a.minute, a.second, a.milli, a.micro, a.nano};
        const int64_t vb[9] = {b.year, b.month, b.day, b.hour, b.minute, b.second, b.milli, b.micro, b.nano};
        for (int i = 0; i < 9; ++i)
            if (va[i] != vb[i]) return va[i] < vb[i] ? CDateTime::DTCompare_Less : CDateTime::DTCompare_Greater;
        return CDateTime::DTCompare_Equal;
    };
    CDateTime::DTCompareResult first = CDateTime::DTCompare_Equal;
    for (int i = 0; i < 4; ++i) {
        const CDateTime reference(kReferences[i][0], static_cast<unsigned char>(kReferences[i][1]), 1, 0, 0, 0);
        const CDateTime::DTCompareResult r =
            order(DateTimeAccess::AddSpan(reference, *this), DateTimeAccess::AddSpan(reference, other));
        if (i > 0 && r != first) return CDateTime::DTCompare_Indeterminate;
        first = r;
    }
    return first;
}

}  // namespace NyXmlLib9
