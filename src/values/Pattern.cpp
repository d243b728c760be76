// XSD patterns matched with PCRE2 in UTF mode on UTF-8 text.
#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <nyxml/foundation.h>

#include <cstdint>
#include <new>

#include "foundation/TextInternal.h"
#include "values/PatternInternal.h"

namespace NyXmlLib9 {
namespace PatternDetail {

namespace {

// Replaces every occurrence of `from`, searching again from the start after
// each replacement.
void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from)) text.replace(at, from.size(), to);
}

std::wstring ErrorText(int code) {
    PCRE2_UCHAR buffer[256];
    if (pcre2_get_error_message(code, buffer, sizeof buffer) < 0) return FormatString(L"PCRE2 error %d", code);
    return WidenText(reinterpret_cast<const char*>(buffer));
}

// Match data of one pair, reused by every match on this thread. One pair is
// enough: only where the whole match starts and ends is looked at, and a
// match with more captures still reports it (with a result of 0).
class ThreadMatchData {
public:
    ~ThreadMatchData() { Reset(); }
    pcre2_match_data* Get() {
        if (!m_data) m_data = pcre2_match_data_create(1, nullptr);
        if (!m_data) throw std::bad_alloc();
        return m_data;
    }
    // Drops the data and the backtracking memory it may have kept.
    void Reset() {
        if (m_data) pcre2_match_data_free(m_data);
        m_data = nullptr;
    }

private:
    pcre2_match_data* m_data = nullptr;
};

thread_local ThreadMatchData t_matchData;

// Values above this size release their backtracking memory, and the
// per-thread subject buffer its capacity, after matching.
const size_t kKeepMemoryBelow = 64 * 1024;

// The value as UTF-8 in a per-thread buffer: copied unit by unit when it is
// ASCII, which identifiers and codes nearly always are, else through NarrowText.
// NarrowText writes valid UTF-8 only, so PCRE2 need not check it again.
std::string& Utf8Subject(const std::wstring& value) {
    thread_local std::string buffer;
    buffer.resize(value.size());
    for (size_t i = 0; i < value.size(); ++i) {
        if (static_cast<uint32_t>(value[i]) >= 0x80) {
            buffer = NarrowText(value);
            break;
        }
        buffer[i] = static_cast<char>(value[i]);
    }
    return buffer;
}

}  // namespace

std::string TranslatePattern(std::string pattern) {
    // The escaped backslash is parked on a byte that XML text cannot hold, so
    // "\\i" keeps its meaning of a backslash followed by i.
    static const struct {
        const char* from;
        const char* to;
    } kSteps[] = {
        {"\\\\", "\x01"},
        {"\\i", "([^\\W\\d]|:)"},
        {"\\I", "([\\W\\d])"},
        {"\\c", "(\\w|\\.|-|:)"},
        {"\\C", "([^\\w\\.\\-\\:])"},
        {"\\p{IsBasicLatin}", "[\\000-\\177]"},
        {"\\p{IsLatin-1Supplement}", "[\\200-\\377]"},
        {"\\p{IsLatinExtended-A}", "[\\400-\\577]"},
        // U+0180 to U+024F; in octal "\1117" would be read as \111 then 7.
        {"\\p{IsLatinExtended-B}", "[\\x{180}-\\x{24F}]"},
        {"\x01", "\\\\"},
    };
    for (const auto& step : kSteps) ReplaceAll(pattern, step.from, step.to);
    return pattern;
}

CompiledPattern::CompiledPattern(const std::wstring& xsdPattern)
    : m_pattern(xsdPattern), m_code(nullptr), m_context(nullptr) {
    const std::string translated = TranslatePattern(NarrowText(xsdPattern));
    int error = 0;
    PCRE2_SIZE offset = 0;
    // Anchored when compiled rather than when matched, which the JIT requires;
    // the meaning is the same: the match must start at the first character.
    m_code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(translated.data()), translated.size(),
                           PCRE2_UTF | PCRE2_ANCHORED, &error, &offset, nullptr);
    if (!m_code) {
        m_error = FormatString(L"Invalid Regular Expression: %s Error: '%s'", xsdPattern.c_str(), ErrorText(error).c_str());
        return;
    }
    m_context = pcre2_match_context_create(nullptr);
    if (!m_context) {
        pcre2_code_free(m_code);
        throw std::bad_alloc();
    }
    pcre2_set_match_limit(m_context, kMatchLimit);
    pcre2_set_depth_limit(m_context, kDepthLimit);
    pcre2_set_heap_limit(m_context, kHeapLimitKiB);
    // Machine code for the pattern when the platform has a JIT; without it
    // (or if it fails) the interpreter matches, with the same results.
    pcre2_jit_compile(m_code, PCRE2_JIT_COMPLETE);
}

CompiledPattern::~CompiledPattern() {
    pcre2_match_context_free(m_context);
    pcre2_code_free(m_code);
}

namespace {

uint32_t Scaled(uint32_t base, uint32_t perByte, size_t length) {
    const uint64_t value = base + static_cast<uint64_t>(perByte) * length;
    return value > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(value);
}

// A match of a long value, or of one that outgrew the JIT's default stack: the
// limits grow with the value, the JIT gets a stack sized to it, and the
// interpreter takes over when the JIT cannot finish.
int MatchLong(const pcre2_code* code, pcre2_match_context* shared, PCRE2_SPTR text, size_t length,
              pcre2_match_data* data) {
    pcre2_match_context* context = pcre2_match_context_copy(shared);
    if (!context) throw std::bad_alloc();
    pcre2_set_match_limit(context, Scaled(kMatchLimit, kMatchLimitPerByte, length));
    pcre2_set_depth_limit(context, Scaled(kDepthLimit, kDepthLimitPerByte, length));
    pcre2_set_heap_limit(context, Scaled(kHeapLimitKiB, kHeapLimitKiBPerByte, length));
    const size_t stackSize =
        length > (SIZE_MAX - kJitStackBase) / kJitStackPerByte ? SIZE_MAX : kJitStackBase + kJitStackPerByte * length;
    pcre2_jit_stack* stack = pcre2_jit_stack_create(32 * 1024, stackSize, nullptr);
    int rc = PCRE2_ERROR_JIT_STACKLIMIT;
    if (stack) {
        pcre2_jit_stack_assign(context, nullptr, stack);
        rc = pcre2_match(code, text, length, 0, PCRE2_NO_UTF_CHECK, data, context);
    }
    if (rc == PCRE2_ERROR_JIT_STACKLIMIT)
        rc = pcre2_match(code, text, length, 0, PCRE2_NO_UTF_CHECK | PCRE2_NO_JIT, data, context);
    pcre2_jit_stack_free(stack);
    pcre2_match_context_free(context);
    return rc;
}

}  // namespace

bool CompiledPattern::Matches(const std::wstring& value) const {
    if (!m_code) throw CNyException(m_error);
    std::string& subject = Utf8Subject(value);
    pcre2_match_data* data = t_matchData.Get();
    const PCRE2_SPTR text = reinterpret_cast<PCRE2_SPTR>(subject.data());
    int rc = subject.size() > kShortValue
                 ? MatchLong(m_code, m_context, text, subject.size(), data)
                 : pcre2_match(m_code, text, subject.size(), 0, PCRE2_NO_UTF_CHECK, data, m_context);
    if (rc == PCRE2_ERROR_JIT_STACKLIMIT && subject.size() <= kShortValue)
        rc = MatchLong(m_code, m_context, text, subject.size(), data);
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data);
    const bool whole = rc >= 0 && ovector[0] == 0 && ovector[1] == subject.size();
    if ((rc < 0 && rc != PCRE2_ERROR_NOMATCH) || subject.size() >= kKeepMemoryBelow) t_matchData.Reset();
    if (subject.capacity() >= kKeepMemoryBelow) std::string().swap(subject);
    if (rc < 0 && rc != PCRE2_ERROR_NOMATCH)
        throw CNyException(FormatString(L"Failed to match the Regular Expression: %s Error: '%s'", m_pattern.c_str(),
                                        ErrorText(rc).c_str()));
    return whole;
}

}  // namespace PatternDetail

CPatternCache::CPatternCache(const CPatternCache& other) {
    std::lock_guard<std::mutex> lock(other.m_mutex);
    m_owner = other.m_owner;
    m_ready.store(m_owner.get(), std::memory_order_release);
}

const PatternDetail::CompiledPattern& CPatternCache::Get(const std::wstring& pattern) {
    if (const PatternDetail::CompiledPattern* ready = m_ready.load(std::memory_order_acquire)) return *ready;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_owner) m_owner = std::make_shared<const PatternDetail::CompiledPattern>(pattern);
    m_ready.store(m_owner.get(), std::memory_order_release);
    return *m_owner;
}

}  // namespace NyXmlLib9
