// Whole-number and real conversions against the C runtime in the same run:
// i4, i8 and r8 read with CConversions against strtol/strtoll/strtod (and the
// wide wcstol/wcstod), and printed against snprintf into a stack buffer.
#include <nyxml/conversions.h>

#include "BenchSupport.h"

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

namespace {

using NyXmlLib9::CConversions;
using NyXmlLib9::CWhitespaceUtils;

volatile size_t g_sink = 0;
const long kOps = 2000000;
const CWhitespaceUtils::WhitespaceRule kCollapse = CWhitespaceUtils::WhitespaceRule_Collapse;

template <class Op>
double NsPerOp(Op op) {
    return nyxml_bench::BestOf(5, [&] {
               for (long i = 0; i < kOps; ++i) op(static_cast<size_t>(i));
           }) *
           1e9 / kOps;
}

std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

struct Texts {
    std::vector<std::string> narrow;
    std::vector<std::wstring> wide;
    void Add(const char* text) {
        narrow.emplace_back(text);
        wide.push_back(Wide(text));
    }
};

void Report(const char* label, double ours, double floor, const char* floorLabel) {
    nyxml_bench::PrintRate(label, ours, "ns/op", floor, floorLabel);
}

}  // namespace

int main() {
    nyxml_bench::Random random(7);
    const size_t n = 1024;  // a power of two, so i & (n - 1) picks the value
    Texts i4s, i8s, r8s;
    std::vector<int32_t> i4v;
    std::vector<int64_t> i8v;
    std::vector<double> r8v;
    char buffer[64];
    for (size_t i = 0; i < n; ++i) {
        const int32_t v4 = static_cast<int32_t>(random.Next());
        std::snprintf(buffer, sizeof buffer, "%d", v4);
        i4s.Add(buffer);
        i4v.push_back(v4);
        const int64_t v8 = static_cast<int64_t>((static_cast<uint64_t>(random.Next()) << 32) | random.Next());
        std::snprintf(buffer, sizeof buffer, "%lld", static_cast<long long>(v8));
        i8s.Add(buffer);
        i8v.push_back(v8);
        const double d = (static_cast<double>(random.Next()) - 2147483648.0) * 1e-3 / (1 + random.Below(1000));
        std::snprintf(buffer, sizeof buffer, "%.16g", d);
        r8s.Add(buffer);
        r8v.push_back(d);
    }
    const size_t mask = n - 1;
    std::printf("%ld conversions per measurement, best of 5 (collapse rule on every read)\n\n", kOps);

    std::printf("Reading\n");
    const double strtolNs = NsPerOp([&](size_t i) { g_sink += std::strtol(i4s.narrow[i & mask].c_str(), nullptr, 10); });
    const double wcstolNs = NsPerOp([&](size_t i) { g_sink += std::wcstol(i4s.wide[i & mask].c_str(), nullptr, 10); });
    const double i4Read = NsPerOp([&](size_t i) { g_sink += CConversions::i4FromString(i4s.wide[i & mask], kCollapse); });
    Report("  i4FromString", i4Read, strtolNs, "strtol");
    Report("  i4FromString", i4Read, wcstolNs, "wcstol");
    const double strtollNs =
        NsPerOp([&](size_t i) { g_sink += std::strtoll(i8s.narrow[i & mask].c_str(), nullptr, 10); });
    const double i8Read = NsPerOp([&](size_t i) { g_sink += CConversions::i8FromString(i8s.wide[i & mask], kCollapse); });
    Report("  i8FromString", i8Read, strtollNs, "strtoll");
    const double strtodNs = NsPerOp(
        [&](size_t i) { g_sink += static_cast<size_t>(std::strtod(r8s.narrow[i & mask].c_str(), nullptr) > 0); });
    const double wcstodNs = NsPerOp(
        [&](size_t i) { g_sink += static_cast<size_t>(std::wcstod(r8s.wide[i & mask].c_str(), nullptr) > 0); });
    const double r8Read = NsPerOp(
        [&](size_t i) { g_sink += static_cast<size_t>(CConversions::r8FromString(r8s.wide[i & mask], kCollapse) > 0); });
    Report("  r8FromString", r8Read, strtodNs, "strtod");
    Report("  r8FromString", r8Read, wcstodNs, "wcstod");

    std::printf("Writing\n");
    const double printI4 = NsPerOp([&](size_t i) {
        char out[32];
        g_sink += static_cast<size_t>(std::snprintf(out, sizeof out, "%d", i4v[i & mask]));
    });
    const double i4Write = NsPerOp([&](size_t i) { g_sink += CConversions::i4ToString(i4v[i & mask]).size(); });
    Report("  i4ToString", i4Write, printI4, "snprintf %d");
    const double printI8 = NsPerOp([&](size_t i) {
        char out[32];
        g_sink += static_cast<size_t>(std::snprintf(out, sizeof out, "%lld", static_cast<long long>(i8v[i & mask])));
    });
    const double i8Write = NsPerOp([&](size_t i) { g_sink += CConversions::i8ToString(i8v[i & mask]).size(); });
    Report("  i8ToString", i8Write, printI8, "snprintf %lld");
    const double printR8 = NsPerOp([&](size_t i) {
        char out[64];
        g_sink += static_cast<size_t>(std::snprintf(out, sizeof out, "%.16g", r8v[i & mask]));
    });
    const double r8Write = NsPerOp([&](size_t i) { g_sink += CConversions::r8ToString(r8v[i & mask]).size(); });
    Report("  r8ToString", r8Write, printR8, "snprintf %.16g");
    const double r8Format = NsPerOp([&](size_t i) { g_sink += CConversions::r8ToString(r8v[i & mask], L"%.3f").size(); });
    const double printF = NsPerOp([&](size_t i) {
        char out[64];
        g_sink += static_cast<size_t>(std::snprintf(out, sizeof out, "%.3f", r8v[i & mask]));
    });
    Report("  r8ToString with \"%.3f\"", r8Format, printF, "snprintf %.3f");
    std::printf("\nGoal: every ratio within 2x of the runtime floor.\n");
    return 0;
}
