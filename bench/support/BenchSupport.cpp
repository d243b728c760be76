#include "BenchSupport.h"

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>

namespace nyxml_bench {

long PeakRssKiB() {
    struct rusage usage;
    if (getrusage(RUSAGE_SELF, &usage) != 0) return 0;
    return usage.ru_maxrss;  // KiB on Linux
}

long CurrentRssKiB() {
    long pages = 0, resident = 0;
    FILE* f = std::fopen("/proc/self/statm", "r");
    if (!f) return 0;
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

void PrintRate(const char* label, double value, const char* unit, double floor, const char* floorLabel) {
    std::printf("%-44s %10.1f %s   (%.2fx %s)\n", label, value, unit, floor > 0 ? value / floor : 0.0, floorLabel);
}

namespace {

const char* const kWords[] = {"fast", "widget", "blue", "large", "gear", "steel", "light", "compact", "premium",
                              "spare", "kit", "model", "series", "edition", "caf\xC3\xA9", "na\xC3\xAFve",
                              "\xE6\x97\xA5\xE6\x9C\xAC", "<tag>", "A&B", "\"quoted\""};
const size_t kWordCount = sizeof kWords / sizeof kWords[0];

// Appends the word with the characters that XML text cannot hold literally escaped.
void AppendEscaped(std::string& out, const char* word) {
    for (const char* p = word; *p; ++p) {
        switch (*p) {
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '&': out += "&amp;"; break;
        case '"': out += "&quot;"; break;
        default: out += *p; break;
        }
    }
}

void AppendWords(std::string& out, Random& rng, int count) {
    for (int i = 0; i < count; ++i) {
        if (i) out += ' ';
        AppendEscaped(out, kWords[rng.Below(kWordCount)]);
    }
}

}  // namespace

std::string MakeXmlDocument(size_t targetBytes, uint64_t seed) {
    Random rng(seed);
    std::string out;
    out.reserve(targetBytes + 4096);
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
    out += "<cat:catalog xmlns:cat=\"urn:example:catalog\" xmlns:inv=\"urn:example:inventory\" "
           "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" version=\"1.0\">";
    for (uint64_t id = 1; out.size() < targetBytes; ++id) {
        out += "<cat:product id=\"P" + std::to_string(id) + "\" inv:stock=\"" + std::to_string(rng.Below(1000)) +
               "\" xsi:type=\"cat:Physical\">";
        out += "<cat:name>";
        AppendWords(out, rng, 3);
        out += "</cat:name><cat:price currency=\"EUR\">" + std::to_string(rng.Below(100000) / 100.0).substr(0, 6) +
               "</cat:price>";
        out += "<inv:location aisle=\"" + std::to_string(rng.Below(40)) + "\">Shelf " +
               std::to_string(rng.Below(12)) + "</inv:location>";
        out += "<cat:description>";
        AppendWords(out, rng, 8 + static_cast<int>(rng.Below(16)));
        out += "</cat:description>";
        if (rng.Below(4) == 0) out += "<cat:discontinued/>";
        out += "</cat:product>";
    }
    out += "</cat:catalog>";
    return out;
}

}  // namespace nyxml_bench
