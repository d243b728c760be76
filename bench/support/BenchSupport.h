// Timing, peak memory and test-document helpers shared by the benchmarks.
#ifndef NYXML_BENCH_SUPPORT_BENCHSUPPORT_H
#define NYXML_BENCH_SUPPORT_BENCHSUPPORT_H

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>

namespace nyxml_bench {

// Wall-clock time since construction or the last Restart.
class Stopwatch {
public:
    Stopwatch() { Restart(); }
    void Restart() { m_start = std::chrono::steady_clock::now(); }
    double Seconds() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
    }

private:
    std::chrono::steady_clock::time_point m_start;
};

// Best (smallest) time of `runs` calls of fn, in seconds. A fn that returns
// a double times itself (to leave its preparation out) and returns seconds.
template <class F>
double BestOf(int runs, F&& fn) {
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        Stopwatch watch;
        double s;
        if constexpr (std::is_same<decltype(fn()), double>::value) {
            s = fn();
        } else {
            fn();
            s = watch.Seconds();
        }
        if (s < best) best = s;
    }
    return best;
}

// Peak resident set size of this process so far, in KiB (getrusage).
long PeakRssKiB();
// Current resident set size, in KiB (/proc/self/statm); 0 when unknown.
long CurrentRssKiB();

// Megabytes (10^6 bytes) per second.
inline double MBps(double bytes, double seconds) { return seconds > 0 ? bytes / seconds / 1e6 : 0; }

// "label: value unit (ratio x floor-label)" on one line.
void PrintRate(const char* label, double value, const char* unit, double floor, const char* floorLabel);

// Small deterministic generator (64-bit linear congruential), so that every
// run and every benchmark sees the same data.
class Random {
public:
    explicit Random(uint64_t seed) : m_state(seed * 6364136223846793005ULL + 1442695040888963407ULL) {}
    uint32_t Next() {
        m_state = m_state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<uint32_t>(m_state >> 33);
    }
    uint32_t Below(uint32_t n) { return Next() % n; }

private:
    uint64_t m_state;
};

// A UTF-8 XML document of at least `targetBytes` bytes: a catalogue of
// products in two namespaces, with attributes (one xsi:type, one namespaced),
// escaped characters and some non-ASCII text. No indentation, so all text is
// element content.
std::string MakeXmlDocument(size_t targetBytes, uint64_t seed = 1);

}  // namespace nyxml_bench

#endif
