// Pieces shared by the conversion files: the blank characters the C runtime's
// number conversions skip, and the exceptions they raise.
#ifndef NYXML_SRC_VALUES_CONVERSIONSINTERNAL_H
#define NYXML_SRC_VALUES_CONVERSIONSINTERNAL_H

#include <string>

namespace NyXmlLib9 {
namespace ConversionsDetail {

// Space, tab, line feed, vertical tab, form feed, carriage return: what
// wcstol and wcstod skip before a number.
inline bool IsCSpace(wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r'); }
inline bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// "The value [%s] is to large to fit in a <type>"
[[noreturn]] void ThrowTooLarge(const std::wstring& text, const wchar_t* type);
// "The value [%s] can not be converted to a <type>"
[[noreturn]] void ThrowNotConverted(const std::wstring& text, const wchar_t* type);

}  // namespace ConversionsDetail
}  // namespace NyXmlLib9

#endif
