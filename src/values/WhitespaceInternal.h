// The whitespace rule applied without copying when it would change nothing,
// for the conversions that read short values on every element.
#ifndef NYXML_SRC_VALUES_WHITESPACEINTERNAL_H
#define NYXML_SRC_VALUES_WHITESPACEINTERNAL_H

#include <nyxml/facets.h>

#include <string>

namespace NyXmlLib9 {
namespace WhitespaceDetail {

// The text after `rule`: `text` itself when the rule leaves it unchanged,
// otherwise the rule's result, stored in `storage`. Unknown rules throw as
// ApplyRule does.
const std::wstring& ApplyRuleInPlace(CWhitespaceUtils::WhitespaceRule rule, const std::wstring& text,
                                     std::wstring& storage);

// The text under the preserve rule, made straight from units (a tree's
// text), without a string of them first.
std::wstring Preserved(const wchar_t* text, size_t count);

}  // namespace WhitespaceDetail
}  // namespace NyXmlLib9

#endif
