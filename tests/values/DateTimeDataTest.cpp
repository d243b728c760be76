// Differential tests against expected results made by
// tests/tools/gen_datetime_cases.py (Python's datetime where its rules and the
// library's agree, the library's own rules in plain arithmetic elsewhere).
#include <nyxml/datetime.h>

#include "TestSupport.h"

#include <cstdlib>
#include <ctime>
#include <sstream>
#include <string>
#include <vector>
#include "values/DateTimeInternal.h"
#include <chrono>

using namespace NyXmlLib9;
using nyxml_test::ScopedTimeZone;
using nyxml_test::Utf8;

namespace {

// The tab-separated rows of a data file, as wide fields.
std::vector<std::vector<std::wstring>> ReadRows(const std::string& name, size_t columns) {
    std::vector<std::vector<std::wstring>> rows;
    std::istringstream in(nyxml_test::ReadFile(nyxml_test::TestDataPath(name)));
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        std::vector<std::wstring> fields;
        std::istringstream cells(line);
        std::string cell;
        while (std::getline(cells, cell, '\t')) fields.emplace_back(cell.begin(), cell.end());
        EXPECT_EQ(columns, fields.size()) << line;
        if (fields.size() == columns) rows.push_back(fields);
    }
    return rows;
}

CDateTime Value(const std::wstring& text) {
    CDateTime value;
    if (text.find(L'T') != std::wstring::npos)
        value.ParseXSDDateTime(text.c_str());
    else if (text[0] != L'-' && text.size() >= 8 && text[2] == L':')
        value.ParseXSDTime(text.c_str());
    else
        value.ParseXSDDate(text.c_str());
    return value;
}

CDateTimeSpan Span(const std::wstring& text) {
    CDateTimeSpan span;
    span.ParseXSDDuration(text.c_str());
    return span;
}

const wchar_t* ResultName(CDateTime::DTCompareResult r) {
    switch (r) {
    case CDateTime::DTCompare_Equal:
        return L"Equal";
    case CDateTime::DTCompare_Less:
        return L"Less";
    case CDateTime::DTCompare_Greater:
        return L"Greater";
    default:
        return L"Indeterminate";
    }
}

}  // namespace

TEST(DateTimeData, Addition) {
    const auto rows = ReadRows("datetime_add.txt", 4);
    ASSERT_GT(rows.size(), 2000u);
    for (const auto& row : rows) {
        SCOPED_TRACE(Utf8(row[1]) + " " + Utf8(row[0]) + " " + Utf8(row[2]));
        const CDateTime start = Value(row[1]);
        const CDateTimeSpan span = Span(row[2]);
        EXPECT_EQ(row[2], span.ToString());  // durations print back as written
        const CDateTime result = row[0] == L"-" ? start - span : start + span;
        EXPECT_EQ(row[3], result.ToString());
    }
}

TEST(DateTimeData, Compare) {
    const auto rows = ReadRows("datetime_compare.txt", 3);
    ASSERT_GT(rows.size(), 1000u);
    for (const auto& row : rows) {
        SCOPED_TRACE(Utf8(row[0]) + " vs " + Utf8(row[1]));
        const CDateTime a = Value(row[0]), b = Value(row[1]);
        EXPECT_EQ(row[2], ResultName(a.CompareTo(b)));
        // The order read the other way round.
        std::wstring mirrored = row[2] == L"Less" ? L"Greater" : row[2] == L"Greater" ? L"Less" : row[2];
        EXPECT_EQ(mirrored, ResultName(b.CompareTo(a)));
        // The operators agree; indeterminate values are unequal and neither ordered way.
        if (row[2] == L"Indeterminate") {
            EXPECT_TRUE(a != b && !(a == b) && !(a < b) && !(a <= b) && !(a > b) && !(a >= b));
        } else {
            nyxml_test::ExpectOrder(row[2] == L"Less" ? -1 : row[2] == L"Greater" ? 1 : 0, a, b);
        }
    }
}

TEST(DateTimeData, FormatAndConversions) {
    ScopedTimeZone utc("UTC");
    const auto rows = ReadRows("datetime_format.txt", 5);
    ASSERT_GT(rows.size(), 1000u);
    for (const auto& row : rows) {
        SCOPED_TRACE(Utf8(row[0]));
        const CDateTime value = Value(row[0]);
        EXPECT_EQ(row[1], value.ToString());
        EXPECT_EQ(row[1], Value(row[1]).ToString());  // the canonical form is stable
        EXPECT_EQ(std::stoll(row[2]), value.GetTime());
        EXPECT_EQ(std::stoi(row[3]), value.GetDayOfYear());
        EXPECT_EQ(std::stoi(row[4]), value.GetDayOfWeek());
    }
}

TEST(DateTimeData, DurationCompare) {
    const auto rows = ReadRows("datetime_span_compare.txt", 3);
    ASSERT_GT(rows.size(), 500u);
    for (const auto& row : rows) {
        SCOPED_TRACE(Utf8(row[0]) + " vs " + Utf8(row[1]));
        const CDateTimeSpan a = Span(row[0]), b = Span(row[1]);
        EXPECT_EQ(row[2], ResultName(a.CompareTo(b)));
        EXPECT_EQ(row[0], a.ToString());
        // The operators agree.
        EXPECT_EQ(row[2] == L"Equal", a == b);
        EXPECT_EQ(row[2] != L"Equal", a != b);
        EXPECT_EQ(row[2] == L"Less", a < b);
        EXPECT_EQ(row[2] == L"Greater", a > b);
    }
}

// Adding durations to CDateTime, moving values to UTC, and the XSD partial
// order with +14:00/-14:00 for unzoned values.

TEST(DateTimeAddition, SubtractionUsesTheMagnitude) {
    CDateTime start = Value(L"2001-01-10");
    EXPECT_EQ(L"2001-01-09", (start - Span(L"P1D")).ToString());
    EXPECT_EQ(L"2001-01-09", (start - Span(L"-P1D")).ToString());
    EXPECT_EQ(L"2001-01-09", (start + Span(L"-P1D")).ToString());
    CDateTime v = start;
    v += Span(L"P1M");
    EXPECT_EQ(L"2001-02-10", v.ToString());
    v -= Span(L"-P2M");
    EXPECT_EQ(L"2000-12-10", v.ToString());
}

TEST(DateTimeAddition, HugeComponentsAreFast) {
    const auto start = std::chrono::steady_clock::now();
    CDateTime base = Value(L"2001-01-01T00:00:00");
    CDateTime v = base;
    v.AddDateTimeSpan(Span(L"PT18446744073709551615S"));
    v.AddDateTimeSpan(Span(L"-PT18446744073709551615M"));
    // Large but representable (expected values from Python's proleptic calendar).
    EXPECT_EQ(L"29380-01-27T00:00:00", (base + Span(L"P10000000D")).ToString());
    EXPECT_EQ(L"-25379-12-07T00:00:00", (base - Span(L"P10000000D")).ToString());
    EXPECT_EQ(L"29380-01-27T00:00:00", (base + Span(L"PT14400000000M")).ToString());
    EXPECT_LT(nyxml_test::Since(start), 1.0);
}
