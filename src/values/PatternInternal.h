// XSD patterns: translation into PCRE2 syntax, the compiled form with the
// limits that stop runaway backtracking, and the compile-once cache that a
// facet set holds.
#ifndef NYXML_SRC_VALUES_PATTERNINTERNAL_H
#define NYXML_SRC_VALUES_PATTERNINTERNAL_H

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

// PCRE2's 8-bit types, declared here so that only Pattern.cpp includes pcre2.h.
struct pcre2_real_code_8;
struct pcre2_real_match_context_8;

namespace NyXmlLib9 {
namespace PatternDetail {

// Limits of one match. The match limit ends catastrophic backtracking within
// about a tenth of a second; the heap limit bounds the backtracking memory
// (enough for a repeated group, such as the one \c becomes, over about half a
// million characters); the depth limit lies beyond what that heap allows.
const uint32_t kMatchLimit = 5000000;
const uint32_t kDepthLimit = 5000000;
const uint32_t kHeapLimitKiB = 256 * 1024;

// The PCRE2 form of a UTF-8 XSD pattern: \i, \I, \c, \C and four Latin block
// escapes are replaced (an escaped backslash is left alone); everything else,
// other block escapes and class subtraction included, passes unchanged.
std::string TranslatePattern(std::string pattern);

// One compiled pattern (with JIT code where available), or the reason it did
// not compile. Immutable once built, so threads may share it; each match uses
// per-thread match data.
class CompiledPattern {
public:
    explicit CompiledPattern(const std::wstring& xsdPattern);
    CompiledPattern(const CompiledPattern&) = delete;
    CompiledPattern& operator=(const CompiledPattern&) = delete;
    ~CompiledPattern();

    // True when the first match, anchored at the start, covers the whole
    // value (so "a|ab" does not accept "ab"). Throws CNyException when the
    // pattern did not compile ("Invalid Regular Expression: ...") or the match
    // could not be completed (a limit was reached).
    bool Matches(const std::wstring& value) const;

private:
    std::wstring m_pattern;
    std::wstring m_error;  // the compile failure, when m_code is null
    pcre2_real_code_8* m_code;
    pcre2_real_match_context_8* m_context;
};

}  // namespace PatternDetail

// A facet set's pattern, compiled on first use under a lock and then read
// without one. Copies share the compiled form.
struct CPatternCache {
    CPatternCache() = default;
    CPatternCache(const CPatternCache& other);
    CPatternCache& operator=(const CPatternCache&) = delete;

    const PatternDetail::CompiledPattern& Get(const std::wstring& pattern);

private:
    mutable std::mutex m_mutex;
    std::shared_ptr<const PatternDetail::CompiledPattern> m_owner;
    std::atomic<const PatternDetail::CompiledPattern*> m_ready{nullptr};
};

}  // namespace NyXmlLib9

#endif
