// Decimal and big-integer speed, against a floor measured in the same run: a
// double read with strtod and printed with snprintf("%.17g").
//
// Prints ns per parse+format round trip with the ratio to the floor, heap
// allocations per round trip (counted by replacing operator new), and us per
// multiplication and division of 1000-digit integers.
#include <nyxml/biginteger.h>
#include <nyxml/decimal.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <random>
#include <string>

namespace {

std::atomic<unsigned long long> g_allocations{0};

}  // namespace

void* operator new(std::size_t size) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

using NyXmlLib9::CBigInteger;
using NyXmlLib9::CDecimal;

volatile size_t g_sink = 0;

struct Measure {
    double nsPerOp;
    double allocationsPerOp;
};

// Best of several timed rounds of `iterations` calls.
template <class Op>
Measure Time(long iterations, Op op) {
    double best = 1e300;
    unsigned long long allocations = 0;
    for (int round = 0; round < 7; ++round) {
        unsigned long long before = g_allocations.load();
        auto start = std::chrono::steady_clock::now();
        for (long i = 0; i < iterations; ++i) op();
        auto stop = std::chrono::steady_clock::now();
        allocations = g_allocations.load() - before;
        best = std::min(best, std::chrono::duration<double, std::nano>(stop - start).count() / iterations);
    }
    return {best, static_cast<double>(allocations) / iterations};
}

std::wstring RandomDigits(std::mt19937& rng, int count) {
    std::wstring text(1, static_cast<wchar_t>(L'1' + rng() % 9));
    for (int i = 1; i < count; ++i) text += static_cast<wchar_t>(L'0' + rng() % 10);
    return text;
}

}  // namespace

int main() {
    const long kRoundTrips = 1000000;
    const Measure floor = Time(kRoundTrips, [] {
        char out[32];
        double d = std::strtod("-12345.678901", nullptr);
        g_sink += static_cast<size_t>(std::snprintf(out, sizeof out, "%.17g", d));
    });
    const Measure decimal = Time(kRoundTrips, [] { g_sink += CDecimal(L"-12345.678901").ToString().size(); });
    const Measure integer = Time(kRoundTrips, [] {
        g_sink += CBigInteger(L"1234567890123456789012345678901234567890").ToString().size();
    });
    const Measure rounded = Time(kRoundTrips, [] { g_sink += CDecimal(L"-12345.678901").ToString(2).size(); });

    std::printf("round trip (parse + format), best of 7 x %ld:\n", kRoundTrips);
    std::printf("  double strtod + %%.17g (floor)  %8.1f ns/op\n", floor.nsPerOp);
    std::printf("  CDecimal -12345.678901         %8.1f ns/op  %5.2fx floor  %.1f allocs/op\n", decimal.nsPerOp,
                decimal.nsPerOp / floor.nsPerOp, decimal.allocationsPerOp);
    std::printf("  CDecimal ToString(2)           %8.1f ns/op  %5.2fx floor  %.1f allocs/op\n", rounded.nsPerOp,
                rounded.nsPerOp / floor.nsPerOp, rounded.allocationsPerOp);
    std::printf("  CBigInteger 40 digits          %8.1f ns/op  %5.2fx floor  %.1f allocs/op\n", integer.nsPerOp,
                integer.nsPerOp / floor.nsPerOp, integer.allocationsPerOp);

    std::mt19937 rng(42);
    const CBigInteger a(RandomDigits(rng, 1000).c_str());
    const CBigInteger b(RandomDigits(rng, 1000).c_str());
    const CBigInteger product = a * b;
    const long kBig = 2000;
    // The results are compared, not printed, so that only the arithmetic is timed.
    const Measure multiply = Time(kBig, [&] { g_sink += (a * b) > a; });
    const Measure divideEqual = Time(kBig, [&] { g_sink += (a / b) > b; });
    const Measure divideWide = Time(kBig, [&] { g_sink += (product / b) > b; });
    std::printf("1000-digit integers, best of 7 x %ld:\n", kBig);
    std::printf("  multiply 1000 x 1000 digits    %8.2f us/op\n", multiply.nsPerOp / 1000);
    std::printf("  divide 1000 / 1000 digits      %8.2f us/op\n", divideEqual.nsPerOp / 1000);
    std::printf("  divide 2000 / 1000 digits      %8.2f us/op\n", divideWide.nsPerOp / 1000);
    return (product / b == a) ? 0 : 1;
}
