// Pattern compilation and matching: the input is an XSD pattern and a value,
// split at the first NUL byte, both UTF-8. Every outcome is a match, a
// mismatch or one CNyException, within the match limits.
#include <nyxml/facets.h>

#include "FuzzSupport.h"
#include "values/FacetsCheck.h"
#include "values/PatternInternal.h"

#include <cstring>
#include <string>

using namespace NyXmlLib9;

namespace {

std::wstring FromUtf8(const uint8_t* p, size_t n) {
    // Lenient: a byte that does not start a sequence stands for itself.
    std::wstring out;
    for (size_t i = 0; i < n;) {
        unsigned c = p[i];
        int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        if (i + extra >= n) extra = 0;
        unsigned cp = extra ? (c & (0x3F >> extra)) : c;
        for (int k = 1; k <= extra; ++k) cp = (cp << 6) | (p[i + k] & 0x3F);
        i += 1 + extra;
        if (cp >= 0x10000 && cp <= 0x10FFFF) {
            cp -= 0x10000;
            out += static_cast<wchar_t>(0xD800 + (cp >> 10));
            out += static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<wchar_t>(cp & 0xFFFF);
        }
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const uint8_t* nul = static_cast<const uint8_t*>(std::memchr(data, 0, size));
    size_t patternLength = nul ? static_cast<size_t>(nul - data) : size;
    std::wstring pattern = FromUtf8(data, patternLength);
    std::wstring value = nul ? FromUtf8(nul + 1, size - patternLength - 1) : std::wstring();
    try {
        PatternDetail::CompiledPattern compiled(pattern);
        (void)compiled.Matches(value);
    } catch (const CNyException&) {
    }
    try {
        CPrimitiveRestrictions facets(pattern.c_str(), -1, -1, L"", L"", L"", L"", -1);
        CFacetCheck::CheckString(L"value", value, facets);
    } catch (const CNyException&) {
    }
    return 0;
}
