// Parse + format round trips of a dateTime and of a duration, against the
// strtod + snprintf("%.17g") round trip of a double measured in the same run.
// Also counts heap allocations per round trip (operator new is replaced here).
#include <nyxml/datetime.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

namespace {

std::atomic<long> g_allocations{0};

volatile size_t g_sink = 0;

// Best of several timed runs, in nanoseconds per call of `body`.
template <class Body>
double NsPerOp(long iterations, Body body) {
    double best = 1e300;
    for (int run = 0; run < 7; ++run) {
        const auto start = std::chrono::steady_clock::now();
        for (long i = 0; i < iterations; ++i) body(i);
        const double ns = std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
        if (ns / iterations < best) best = ns / iterations;
    }
    return best;
}

template <class Body>
double AllocationsPerOp(long iterations, Body body) {
    const long before = g_allocations.load();
    for (long i = 0; i < iterations; ++i) body(i);
    return static_cast<double>(g_allocations.load() - before) / iterations;
}

}  // namespace

void* operator new(size_t size) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }

int main(int argc, char** argv) {
    using namespace NyXmlLib9;
    const long iterations = argc > 1 ? std::atol(argv[1]) : 1000000;

    const char* const doubleText = "1234.5678901234567";
    auto doubleRoundTrip = [&](long) {
        char buffer[32];
        const double d = std::strtod(doubleText, nullptr);
        g_sink = g_sink + static_cast<size_t>(std::snprintf(buffer, sizeof buffer, "%.17g", d));
    };

    const wchar_t* const dateTimeText = L"2026-12-06T17:26:44.125+01:00";
    CDateTime dateTime;
    auto dateTimeRoundTrip = [&](long) {
        dateTime.ParseXSDDateTime(dateTimeText);
        g_sink = g_sink + dateTime.ToString().size();
    };

    const wchar_t* const durationText = L"P1Y2M3DT4H5M6.789S";
    CDateTimeSpan duration;
    auto durationRoundTrip = [&](long) {
        duration.ParseXSDDuration(durationText);
        g_sink = g_sink + duration.ToString().size();
    };

    // Both must reproduce their input, or the timing means nothing.
    dateTimeRoundTrip(0);
    durationRoundTrip(0);
    if (dateTime.ToString() != dateTimeText || duration.ToString() != durationText) {
        std::fprintf(stderr, "round trip changed the text\n");
        return 1;
    }

    const double floorNs = NsPerOp(iterations, doubleRoundTrip);
    const double dateTimeNs = NsPerOp(iterations, dateTimeRoundTrip);
    const double durationNs = NsPerOp(iterations, durationRoundTrip);

    std::printf("iterations per run: %ld (best of 7 runs)\n", iterations);
    std::printf("%-44s %8.1f ns/op  (floor)\n", "double strtod + snprintf(\"%.17g\")", floorNs);
    std::printf("%-44s %8.1f ns/op  %5.2fx floor  %.2f allocations/op\n", "dateTime parse + ToString", dateTimeNs,
                dateTimeNs / floorNs, AllocationsPerOp(10000, dateTimeRoundTrip));
    std::printf("%-44s %8.1f ns/op  %5.2fx floor  %.2f allocations/op\n", "duration parse + ToString", durationNs,
                durationNs / floorNs, AllocationsPerOp(10000, durationRoundTrip));
    return 0;
}
