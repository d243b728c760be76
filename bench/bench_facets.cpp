// The string pattern facet, one million checks: the facet set that compiles
// its pattern once and reuses it, against compiling at every check
// (translate, compile, match and free with PCRE2 directly, per call) measured
// in the same run. Also shown: a bare PCRE2 match of a precompiled pattern, the
// floor under any facet layer (JIT-compiled where the platform allows).
#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <nyxml/facets.h>

#include "BenchSupport.h"
#include "foundation/TextInternal.h"
#include "values/FacetsCheck.h"
#include "values/PatternInternal.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using NyXmlLib9::CFacetCheck;
using NyXmlLib9::CPrimitiveRestrictions;

volatile size_t g_sink = 0;

const long kChecks = 1000000;

// Compiles, matches and frees, as a check that caches nothing does.
bool CompileAndMatch(const std::wstring& pattern, const std::wstring& value) {
    const std::string translated = NyXmlLib9::PatternDetail::TranslatePattern(NyXmlLib9::NarrowText(pattern));
    int error = 0;
    PCRE2_SIZE offset = 0;
    pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(translated.data()), translated.size(), PCRE2_UTF,
                                     &error, &offset, nullptr);
    if (!code) std::abort();
    pcre2_match_data* data = pcre2_match_data_create_from_pattern(code, nullptr);
    const std::string subject = NyXmlLib9::NarrowText(value);
    const int rc = pcre2_match(code, reinterpret_cast<PCRE2_SPTR>(subject.data()), subject.size(), 0, PCRE2_ANCHORED,
                               data, nullptr);
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data);
    const bool whole = rc >= 1 && ovector[0] == 0 && ovector[1] == subject.size();
    pcre2_match_data_free(data);
    pcre2_code_free(code);
    return whole;
}

void Run(const char* title, const std::wstring& pattern, const std::vector<std::wstring>& values) {
    const CPrimitiveRestrictions facets(pattern.c_str(), -1, -1, L"", L"", L"", L"", -1);
    const size_t n = values.size();
    for (const std::wstring& v : values)
        if (!CompileAndMatch(pattern, v)) std::abort();  // every value is valid: no exception in the loops

    const double uncached = nyxml_bench::BestOf(3, [&] {
        for (long i = 0; i < kChecks; ++i) g_sink += CompileAndMatch(pattern, values[static_cast<size_t>(i) % n]);
    });
    const double cached = nyxml_bench::BestOf(3, [&] {
        for (long i = 0; i < kChecks; ++i) CFacetCheck::CheckString(L"code", values[static_cast<size_t>(i) % n], facets);
    });

    // A bare match: precompiled (JIT) pattern, UTF-8 subjects prepared beforehand.
    const std::string translated = NyXmlLib9::PatternDetail::TranslatePattern(NyXmlLib9::NarrowText(pattern));
    int error = 0;
    PCRE2_SIZE offset = 0;
    pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(translated.data()), translated.size(),
                                     PCRE2_UTF | PCRE2_ANCHORED, &error, &offset, nullptr);
    pcre2_jit_compile(code, PCRE2_JIT_COMPLETE);
    pcre2_match_data* data = pcre2_match_data_create(1, nullptr);
    std::vector<std::string> subjects;
    for (const std::wstring& v : values) subjects.push_back(NyXmlLib9::NarrowText(v));
    const double bare = nyxml_bench::BestOf(3, [&] {
        for (long i = 0; i < kChecks; ++i) {
            const std::string& s = subjects[static_cast<size_t>(i) % n];
            g_sink += static_cast<size_t>(
                pcre2_match(code, reinterpret_cast<PCRE2_SPTR>(s.data()), s.size(), 0, PCRE2_NO_UTF_CHECK, data, nullptr));
        }
    });
    pcre2_match_data_free(data);
    pcre2_code_free(code);

    const double ns = 1e9 / kChecks;
    std::printf("%s: %s\n", title, NyXmlLib9::NarrowText(pattern).c_str());
    nyxml_bench::PrintRate("  compiled at every check", uncached * ns, "ns/check", bare * ns, "bare match");
    nyxml_bench::PrintRate("  facet set, compiled once", cached * ns, "ns/check", bare * ns, "bare match");
    std::printf("  speed-up of the cached facet set: %.1fx (goal: at least 20x)\n\n", uncached / cached);
}

}  // namespace

int main() {
    std::printf("%ld string pattern checks per measurement, best of 3\n\n", kChecks);
    Run("UK postcode", L"[A-Z]{1,2}[0-9R][0-9A-Z]? [0-9][ABD-HJLNP-UW-Z]{2}",
        {L"SW1A 1AA", L"M1 1AE", L"CR2 6XH", L"DN55 1PT", L"W1A 0AX", L"EC1A 1BB", L"B33 8TH", L"L1 8JQ"});
    Run("Identifier", L"\\i\\c*",
        {L"xs:element", L"order-line", L"_private", L"ns:a.b-c", L"Customer", L"x", L"item_2", L"data:value"});
    Run("ZIP+4", L"\\d{5}(-\\d{4})?", {L"12345", L"12345-6789", L"90210", L"10001-0001"});
    return 0;
}
