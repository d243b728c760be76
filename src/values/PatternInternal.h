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

// Limits of one match: a base, plus a share per byte of the (UTF-8) value for
// values longer than kShortValue, so that a pattern that matches in linear
// time, such as a repeated group like the one \c becomes, accepts a value of
// any length, while catastrophic backtracking still ends in an exception, in
// time and memory proportional to the value. The base match limit ends it
// within about a tenth of a second.
const uint32_t kMatchLimit = 5000000;
const uint32_t kMatchLimitPerByte = 20;
const uint32_t kDepthLimit = 5000000;
const uint32_t kDepthLimitPerByte = 4;
const uint32_t kHeapLimitKiB = 256 * 1024;
const uint32_t kHeapLimitKiBPerByte = 1;  // the interpreter's frames, when there is no JIT
// The JIT backtracks on its own stack: 32 KiB by default, else a stack sized to
// the value (a repeated group takes about 32 bytes per character). The memory
// is reserved, and only the part in use is touched.
const size_t kJitStackBase = 1024 * 1024;
const size_t kJitStackPerByte = 256;
const size_t kShortValue = 4096;

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
