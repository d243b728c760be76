// CWhitespaceUtils: the preserve, replace and collapse rules of the XSD
// whiteSpace facet, each one pass over the text.
#include <nyxml/facets.h>
#include <nyxml/foundation.h>

#include "values/WhitespaceInternal.h"

#include <cwchar>

namespace NyXmlLib9 {

namespace {

// Tab, line feed or space: what replace and collapse turn into one space
// (carriage returns are dropped instead).
inline bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\n'; }

// True when a character below U+0021 that any rule may touch occurs.
bool HasRuleCharacter(const std::wstring& text) {
    for (wchar_t c : text)
        if (c <= L' ' && (IsBlank(c) || c == L'\r')) return true;
    return false;
}

std::wstring WithoutCarriageReturns(const wchar_t* text, size_t count) {
    std::wstring out;
    out.reserve(count);
    for (size_t i = 0; i < count; ++i)
        if (text[i] != L'\r') out += text[i];
    return out;
}

[[noreturn]] void ThrowUnknownRule() { throw CNyException(L"Unknown WhitespaceRule"); }

}  // namespace

std::wstring CWhitespaceUtils::ApplyRule(WhitespaceRule rule, const std::wstring& text) {
    switch (rule) {
    case WhitespaceRule_None:
        return text;
    case WhitespaceRule_Preserve:
        return Preserve(text);
    case WhitespaceRule_Replace:
        return Replace(text);
    case WhitespaceRule_Collapse:
        return Collapse(text);
    }
    ThrowUnknownRule();
}

std::wstring CWhitespaceUtils::Preserve(const std::wstring& text) {
    if (text.find(L'\r') == std::wstring::npos) return text;
    return WithoutCarriageReturns(text.data(), text.size());
}

std::wstring CWhitespaceUtils::Preserve(const wchar_t* text, int count) {
    if (count < 0) throw CNyInvalidParamException(FormatString(L"Invalid character count [%d]", count));
    if (!text && count > 0)
        throw CNyInvalidParamException(FormatString(L"A null text can not hold %d characters", count));
    return WithoutCarriageReturns(text, static_cast<size_t>(count));
}

std::wstring CWhitespaceUtils::Replace(const std::wstring& text) {
    if (!HasRuleCharacter(text)) return text;
    std::wstring out;
    out.reserve(text.size());
    for (wchar_t c : text) {
        if (c == L'\r') continue;
        out += IsBlank(c) ? L' ' : c;
    }
    return out;
}

std::wstring CWhitespaceUtils::Collapse(const std::wstring& text) {
    // Most values (numbers, dates, names) hold nothing the rule changes.
    if (!HasRuleCharacter(text)) return text;
    std::wstring out;
    out.reserve(text.size());
    bool pendingSpace = false;  // a run of blanks seen after some content
    for (wchar_t c : text) {
        if (c == L'\r') continue;
        if (IsBlank(c)) {
            pendingSpace = !out.empty();
            continue;
        }
        if (pendingSpace) out += L' ';
        pendingSpace = false;
        out += c;
    }
    return out;
}

namespace WhitespaceDetail {

std::wstring Preserved(const wchar_t* text, size_t count) {
    if (count == 0) return std::wstring();
    if (!std::wmemchr(text, L'\r', count)) return std::wstring(text, count);
    return WithoutCarriageReturns(text, count);
}

const std::wstring& ApplyRuleInPlace(CWhitespaceUtils::WhitespaceRule rule, const std::wstring& text,
                                     std::wstring& storage) {
    if (rule == CWhitespaceUtils::WhitespaceRule_None) return text;
    if (rule < CWhitespaceUtils::WhitespaceRule_None || rule > CWhitespaceUtils::WhitespaceRule_Collapse)
        ThrowUnknownRule();
    if (!HasRuleCharacter(text)) return text;
    storage = CWhitespaceUtils::ApplyRule(rule, text);
    return storage;
}

}  // namespace WhitespaceDetail
}  // namespace NyXmlLib9
