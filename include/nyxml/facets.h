// Whitespace normalisation of simple values and the XSD facet set attached to
// each primitive element, attribute and typed collection.
#ifndef NYXML_FACETS_H
#define NYXML_FACETS_H

#include <nyxml/export.h>

#include <cstdint>
#include <string>

namespace NyXmlLib9 {

// The XSD whiteSpace facet. Carriage returns never survive rules 1 to 3, as XML
// line-end handling would have removed them; they are not counted as white space.
class NYXML_API CWhitespaceUtils {
public:
    enum WhitespaceRule : int32_t {
        WhitespaceRule_None = 0,
        WhitespaceRule_Preserve = 1,
        WhitespaceRule_Replace = 2,
        WhitespaceRule_Collapse = 3
    };

    // Throws CNyException "Unknown WhitespaceRule" for any other rule value.
    static std::wstring ApplyRule(WhitespaceRule rule, const std::wstring& text);
    // The text without carriage returns.
    static std::wstring Preserve(const std::wstring& text);
    // The first `count` units of `text` without carriage returns; throws
    // CNyInvalidParamException for a negative count or a null text with a count.
    static std::wstring Preserve(const wchar_t* text, int count);
    // Carriage returns removed; each tab, line feed and space becomes one space.
    static std::wstring Replace(const std::wstring& text);
    // Carriage returns removed; runs of tab, line feed and space become one
    // space; no white space is left at either end.
    static std::wstring Collapse(const std::wstring& text);
    // Space, tab, carriage return or line feed.
    static bool IsWhiteSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }
};

class CFacetCheck;
struct CPatternCache;

// One facet set: empty texts and negative lengths mean "not set". Bounds are
// kept as text and read with the value's own conversion at every check. The
// pattern is compiled once, on first use (thread-safely), and the compiled
// form is shared by copies of the set.
class NYXML_API CPrimitiveRestrictions {
public:
    CPrimitiveRestrictions();
    // The form generated code uses. A null pointer is taken as an empty text.
    CPrimitiveRestrictions(const wchar_t* pattern, int32_t minLength, int32_t maxLength, const wchar_t* minInclusive,
                           const wchar_t* maxInclusive, const wchar_t* minExclusive, const wchar_t* maxExclusive,
                           int32_t length);
    CPrimitiveRestrictions(const CPrimitiveRestrictions& other);
    CPrimitiveRestrictions& operator=(const CPrimitiveRestrictions& other);
    virtual ~CPrimitiveRestrictions();

    const std::wstring& GetPattern() const { return m_pattern; }
    int32_t GetMinLength() const { return m_minLength; }
    int32_t GetMaxLength() const { return m_maxLength; }
    const std::wstring& GetMinInclusive() const { return m_minInclusive; }
    const std::wstring& GetMaxInclusive() const { return m_maxInclusive; }
    const std::wstring& GetMinExclusive() const { return m_minExclusive; }
    const std::wstring& GetMaxExclusive() const { return m_maxExclusive; }
    int32_t GetLength() const { return m_length; }
    // True when no facet is set.
    bool IsEmpty() const;

private:
    friend class CFacetCheck;

    std::wstring m_pattern;
    int32_t m_minLength;
    int32_t m_maxLength;
    std::wstring m_minInclusive;
    std::wstring m_maxInclusive;
    std::wstring m_minExclusive;
    std::wstring m_maxExclusive;
    int32_t m_length;
    CPatternCache* m_patternCache;  // null when there is no pattern
};

}  // namespace NyXmlLib9

#endif
