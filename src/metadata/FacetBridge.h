// The facet check of a converted value, as the element and attribute infos
// call it: names the element or attribute in its messages.
#ifndef NYXML_SRC_METADATA_FACETBRIDGE_H
#define NYXML_SRC_METADATA_FACETBRIDGE_H

#include <nyxml/facets.h>
#include <nyxml/variant.h>

#include <string>

namespace NyXmlLib9 {

void CheckFacets(const std::wstring& name, const NyVariant& value, ItemType type,
                 const CPrimitiveRestrictions& restrictions);

}  // namespace NyXmlLib9

#endif
