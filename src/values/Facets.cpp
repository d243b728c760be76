// CPrimitiveRestrictions: the facet set, with its compiled pattern held out of
// the public header.
#include <nyxml/facets.h>

#include "values/PatternInternal.h"

#include <utility>

namespace NyXmlLib9 {

namespace {

std::wstring TextOrEmpty(const wchar_t* text) { return text ? std::wstring(text) : std::wstring(); }

CPatternCache* NewCache(const std::wstring& pattern) { return pattern.empty() ? nullptr : new CPatternCache(); }

}  // namespace

CPrimitiveRestrictions::CPrimitiveRestrictions()
    : m_minLength(-1), m_maxLength(-1), m_length(-1), m_patternCache(nullptr) {}

CPrimitiveRestrictions::CPrimitiveRestrictions(const wchar_t* pattern, int32_t minLength, int32_t maxLength,
                                               const wchar_t* minInclusive, const wchar_t* maxInclusive,
                                               const wchar_t* minExclusive, const wchar_t* maxExclusive,
                                               int32_t length)
    : m_pattern(TextOrEmpty(pattern)),
      m_minLength(minLength),
      m_maxLength(maxLength),
      m_minInclusive(TextOrEmpty(minInclusive)),
      m_maxInclusive(TextOrEmpty(maxInclusive)),
      m_minExclusive(TextOrEmpty(minExclusive)),
      m_maxExclusive(TextOrEmpty(maxExclusive)),
      m_length(length),
      m_patternCache(NewCache(m_pattern)) {}

CPrimitiveRestrictions::CPrimitiveRestrictions(const CPrimitiveRestrictions& other)
    : m_pattern(other.m_pattern),
      m_minLength(other.m_minLength),
      m_maxLength(other.m_maxLength),
      m_minInclusive(other.m_minInclusive),
      m_maxInclusive(other.m_maxInclusive),
      m_minExclusive(other.m_minExclusive),
      m_maxExclusive(other.m_maxExclusive),
      m_length(other.m_length),
      m_patternCache(other.m_patternCache ? new CPatternCache(*other.m_patternCache) : nullptr) {}

CPrimitiveRestrictions& CPrimitiveRestrictions::operator=(const CPrimitiveRestrictions& other) {
    if (this == &other) return *this;
    CPrimitiveRestrictions copy(other);
    std::swap(m_pattern, copy.m_pattern);
    m_minLength = copy.m_minLength;
    m_maxLength = copy.m_maxLength;
    std::swap(m_minInclusive, copy.m_minInclusive);
    std::swap(m_maxInclusive, copy.m_maxInclusive);
    std::swap(m_minExclusive, copy.m_minExclusive);
    std::swap(m_maxExclusive, copy.m_maxExclusive);
    m_length = copy.m_length;
    std::swap(m_patternCache, copy.m_patternCache);
    return *this;
}

CPrimitiveRestrictions::~CPrimitiveRestrictions() { delete m_patternCache; }

bool CPrimitiveRestrictions::IsEmpty() const {
    return m_pattern.empty() && m_minLength < 0 && m_maxLength < 0 && m_length < 0 && m_minInclusive.empty() &&
           m_maxInclusive.empty() && m_minExclusive.empty() && m_maxExclusive.empty();
}

}  // namespace NyXmlLib9
